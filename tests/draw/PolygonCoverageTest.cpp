// Issue 12: the coverage of solid polygons under a shaped clip is computed by area; it must match
// each pixel's exact share (dense sampling), and only simple polygons may take that way.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
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

// An edge wholly below the mask, however far (beyond any int row), adds nothing: the band of
// this quadrilateral through the mask is covered whole, as the band alone would be.
TEST(PolygonCoverage, EdgesFarBelowTheMaskAddNothing) {
  constexpr int kW = 40, kH = 30;
  const PointF far[] = {{-10, 10}, {80, 10}, {80, 3e9f}, {-10, 4.5e9f}};
  std::vector<float> accum;
  std::vector<uint8_t> mask(size_t(kW * kH), 0);
  std::vector<MaskSpan> spans;
  RasterisePolygon(far, 4, mask.data(), kW, 0, 0, kW, kH, &accum, &spans);
  ASSERT_EQ(spans.size(), size_t(kH - 10));
  for (const MaskSpan& s : spans) {
    EXPECT_TRUE(s.Y >= 10 && s.X0 == 0 && s.X1 == kW) << s.Y;
    for (int x = s.X0; x < s.X1; ++x) ASSERT_EQ(mask[size_t(s.Y * kW + x)], 255) << x << "," << s.Y;
  }
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

TEST(PolygonCoverage, SeveralAtOnceMatchEachAlone) {
  // A hand and its bevels at many angles, each polygon over its own pixels (their boxes differ),
  // rasterised together: every polygon's bytes are RasterisePolygon's to the bit.
  constexpr int kW = 90, kH = 92, kLeft = 3, kTop = 2;
  std::vector<float> accum;
  std::mt19937 random(7);
  auto real = [&](float lo, float hi) { return std::uniform_real_distribution<float>(lo, hi)(random); };
  for (int round = 0; round < 200; ++round) {
    const float a = real(0, 6.2832f), c = std::cos(a), s = std::sin(a), cx = real(45, 48), cy = real(44, 46);
    auto at = [&](float x, float y) { return PointF(cx + x * c - y * s, cy + x * s + y * c); };
    const float len = real(20, 38), tail = real(4, 10), half = real(0.3f, 2), tailHalf = half + real(0, 5);
    const std::vector<std::vector<PointF>> polygons = {
        {at(-tail, -tailHalf), at(len, -half), at(len, half), at(-tail, tailHalf)},
        {at(-tail + 3, -half), at(-tail, -tailHalf), at(len, -half)},
        {at(-tail + 3, half), at(-tail, tailHalf), at(len, half)},
        {at(-tail, -tailHalf), at(-tail, tailHalf), at(-tail + 3, half), at(-tail + 3, -half)},
    };
    const int count = 2 + round % 3;
    std::vector<PolygonPart> parts;
    std::vector<std::vector<uint8_t>> alone;
    for (int k = 0; k < count; ++k) {
      const auto& p = polygons[size_t(k)];
      float x0 = p[0].X, y0 = p[0].Y, x1 = x0, y1 = y0;
      for (const PointF& q : p) x0 = std::min(x0, q.X), y0 = std::min(y0, q.Y), x1 = std::max(x1, q.X), y1 = std::max(y1, q.Y);
      const int l = int(std::floor(x0)) - 1, t = int(std::floor(y0)) - 1;
      const int w = int(std::ceil(x1)) + 1 - l, h = int(std::ceil(y1)) + 1 - t;
      parts.push_back({p.data(), int(p.size()), l, t, w, h});
      // Alone, into a mask over the whole area (zero outside its runs).
      std::vector<uint8_t> mask(size_t(w * h), 0x5A), whole(size_t(kW * kH), 0);
      std::vector<MaskSpan> spans;
      RasterisePolygon(p.data(), int(p.size()), mask.data(), w, l, t, w, h, &accum, &spans);
      for (const MaskSpan& r : spans)
        for (int x = r.X0; x < r.X1; ++x) whole[size_t((t - kTop + r.Y) * kW + l - kLeft + x)] = mask[size_t(r.Y * w + x)];
      alone.push_back(whole);
    }
    std::vector<uint32_t> covers(size_t(kW * kH), 0xA5A5A5A5u);
    std::vector<MaskSpan> spans;
    ASSERT_TRUE(RasterisePolygons(parts.data(), count, covers.data(), kW, kLeft, kTop, kW, kH, &accum, &spans));
    std::vector<uint32_t> got(covers.size(), 0);
    for (const MaskSpan& r : spans)
      for (int x = r.X0; x < r.X1; ++x) got[size_t(r.Y * kW + x)] = covers[size_t(r.Y * kW + x)];
    for (int k = 0; k < count; ++k)
      for (size_t i = 0; i < got.size(); ++i)
        ASSERT_EQ((got[i] >> (8 * k)) & 0xFF, alone[size_t(k)][i]) << round << " polygon " << k << " pixel " << i;
    for (int k = count; k < kMostPolygonLanes; ++k)
      for (uint32_t v : got) ASSERT_EQ((v >> (8 * k)) & 0xFF, 0u);
  }
  for (float v : accum) ASSERT_EQ(v, 0.0f);

  // A polygon reaching out of its own pixels, or onto their side border (where the one-at-a-time
  // way may cut a piece), is declined, and nothing is written.
  const PointF out[] = {{1, 1}, {30, 4}, {8, 20}}, onBorder[] = {{4, 1}, {30, 4}, {8, 20}};
  for (const PointF* p : {out, onBorder}) {
    const PolygonPart part{p, 3, 4, 0, 30, 25};
    std::vector<uint32_t> covers(size_t(kW * kH), 7);
    std::vector<MaskSpan> spans;
    EXPECT_FALSE(RasterisePolygons(&part, 1, covers.data(), kW, 0, 0, kW, kH, &accum, &spans));
    EXPECT_TRUE(spans.empty());
    for (uint32_t v : covers) ASSERT_EQ(v, 7u);
  }
}
