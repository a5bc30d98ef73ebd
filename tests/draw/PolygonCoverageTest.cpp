// Issue 12: the coverage of solid polygons under a shaped clip is computed by area; it must match
// each pixel's exact share (dense sampling), and only simple polygons may take that way.
#include <gtest/gtest.h>

#include <vector>

#include "dialworks/draw/PolygonCoverage.h"

using namespace dw::gp;

namespace {

// Point in polygon by crossings (the polygons here are simple, so either rule).
bool Inside(const std::vector<PointF>& p, double x, double y) {
  bool in = false;
  for (size_t i = 0, j = p.size() - 1; i < p.size(); j = i++) {
    if ((p[i].Y > y) != (p[j].Y > y) &&
        x < p[j].X + (y - p[j].Y) * (double(p[i].X) - p[j].X) / (double(p[i].Y) - p[j].Y))
      in = !in;
  }
  return in;
}

}  // namespace

TEST(PolygonCoverage, MatchesEachPixelsExactShare) {
  // A hand: a long thin concave outline at an odd angle, a triangle reaching past the mask's
  // left, top and right edges, a rectangle on fractional pixels.
  const std::vector<std::vector<PointF>> polygons = {
      {{10.3f, 30.7f}, {70.2f, 8.1f}, {72.9f, 12.6f}, {14.1f, 36.2f}, {18.4f, 31.9f}},
      {{-12.0f, 5.5f}, {30.25f, -9.0f}, {70.0f, 44.4f}},
      {{5.25f, 40.5f}, {35.75f, 40.5f}, {35.75f, 47.2f}, {5.25f, 47.2f}},
  };
  constexpr int kW = 64, kH = 50, kLeft = 2, kTop = 1;
  std::vector<float> accum;
  std::vector<uint8_t> mask(size_t(kW * kH), 0x5A);
  for (const auto& p : polygons) {
    ASSERT_TRUE(SimplePolygon(p.data(), int(p.size())));
    std::fill(mask.begin(), mask.end(), uint8_t(0x5A));
    std::vector<MaskSpan> spans;
    RasterisePolygon(p.data(), int(p.size()), mask.data(), kW, kLeft, kTop, kW, kH, &accum, &spans);
    std::vector<uint8_t> written(mask.size(), 0);
    for (const MaskSpan& s : spans)
      for (int x = s.X0; x < s.X1; ++x) written[size_t(s.Y * kW + x)] = 1;
    int worst = 0;
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x) {
        int n = 0;
        for (int j = 0; j < 32; ++j)
          for (int i = 0; i < 32; ++i) n += Inside(p, kLeft + x + (i + 0.5) / 32, kTop + y + (j + 0.5) / 32);
        const int exact = int(n / 1024.0 * 255 + 0.5);
        const size_t k = size_t(y * kW + x);
        const int got = written[k] ? mask[k] : 0;  // outside the spans the coverage is 0
        worst = std::max(worst, std::abs(got - exact));
      }
    EXPECT_LE(worst, 3);  // measured; 32 x 32 samples are a quarter level apart
  }
  // The scratch is left zeroed: a second polygon is not disturbed by the first.
  for (float v : accum) ASSERT_EQ(v, 0.0f);
}

TEST(PolygonCoverage, OnlySimplePolygonsAreSimple) {
  const PointF bowtie[] = {{0, 0}, {10, 10}, {10, 0}, {0, 10}};
  const PointF touching[] = {{0, 0}, {10, 0}, {5, 5}, {10, 10}, {0, 10}, {5, 5}};
  const PointF repeated[] = {{0, 0}, {10, 0}, {10, 0}, {0, 10}};
  const PointF concave[] = {{0, 0}, {10, 0}, {4, 4}, {0, 10}};
  EXPECT_FALSE(SimplePolygon(bowtie, 4));
  EXPECT_FALSE(SimplePolygon(touching, 6));
  EXPECT_FALSE(SimplePolygon(repeated, 4));
  EXPECT_TRUE(SimplePolygon(concave, 4));
  EXPECT_FALSE(SimplePolygon(concave, 2));
}
