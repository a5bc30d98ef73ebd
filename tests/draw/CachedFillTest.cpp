// A cached fill must paint what the plain fill paints, wherever the cell lands on the pixel grid.
#include <gtest/gtest.h>

#include "DrawTestUtil.h"
#include "dialworks/draw/CachedFill.h"
#include "dialworks/draw/CairoGraphics.h"
#include "dialworks/draw/RecordingGraphics.h"

using namespace dw;
using namespace dw::gp;

namespace {

// A slanted segment-like hexagon with an opaque path gradient (the kind that costs a mesh).
const PointF kHexagon[] = {{2, 6}, {6, 2}, {30, 3}, {33, 7}, {29, 11}, {5, 10}};

PathGradientBrush LitBrush() {
  PathGradientBrush b(kHexagon, 6);
  b.SetCenterColor(0xFFFFA0A0);
  const TAlphaColor edge = 0xFFFF2020;
  b.SetSurroundColors(&edge, 1);
  return b;
}

// Fills the hexagon at several cell origins (whole, half and odd fractional pixels, and a scale)
// either plainly or through one cache, over a grey background.
Bitmap Draw(bool cached, CachedFill& cache, float scale) {
  Bitmap bmp(160, 60);
  CairoGraphics g(bmp);
  g.Clear(0xFF404040);
  g.SetSmoothingMode(SmoothingModeAntiAlias);
  const PathGradientBrush brush = LitBrush();
  const float origins[][2] = {{0, 0}, {40.5f, 0.25f}, {80.3f, 20.7f}, {0.5f, 30.25f}, {40.5f, 30.25f}};
  for (const auto& o : origins) {
    g.ResetTransform();
    g.TranslateTransform(o[0], o[1]);
    g.ScaleTransform(scale, scale);
    if (cached) cache.FillPolygon(g, brush, kHexagon, 6);
    else g.FillPolygon(brush, kHexagon, 6);
  }
  return bmp;
}

}  // namespace

TEST(CachedFill, PaintsWhatThePlainFillPaintsInEveryPhase) {
  for (float scale : {1.0f, 1.5f}) {
    CachedFill cache, unused;
    const Bitmap plain = Draw(false, unused, scale);
    const Bitmap first = Draw(true, cache, scale);
    // (40.5, 0.25), (0.5, 30.25) and (40.5, 30.25) share a phase: three pictures for five cells.
    EXPECT_EQ(cache.PictureCount(), 3u);
    const Bitmap again = Draw(true, cache, scale);  // every fill from a kept picture
    EXPECT_EQ(cache.PictureCount(), 3u);
    EXPECT_LE(dwtest::WorstDifference(plain, first), 2) << scale;
    EXPECT_LE(dwtest::WorstDifference(plain, again), 2) << scale;
    EXPECT_EQ(dwtest::WorstDifference(first, again), 0);
  }
}

TEST(CachedFill, KeepsNothingWhereThePlainFillIsRight) {
  const PathGradientBrush brush = LitBrush();
  CachedFill cache;
  // A recording shows the fill itself.
  RecordingGraphics rec;
  cache.FillPolygon(rec, brush, kHexagon, 6);
  EXPECT_EQ(rec.Find("FillPolygon").size(), 1u);
  EXPECT_EQ(cache.PictureCount(), 0u);
  // Replacing pixels (source copy) is not the composition of a picture; a far offset has no phase.
  Bitmap bmp(40, 20);
  CairoGraphics g(bmp);
  g.SetCompositingMode(CompositingModeSourceCopy);
  cache.FillPolygon(g, brush, kHexagon, 6);
  g.SetCompositingMode(CompositingModeSourceOver);
  g.TranslateTransform(3e7f, 0);
  cache.FillPolygon(g, brush, kHexagon, 6);
  // Not finite, or far out through the scale: no picture (nor a fill of junk ones up to the limit).
  const PointF far[] = {{3e9f, 5}, {3e9f + 1024, 5}, {3e9f, 15}};
  for (int k = 0; k < 3; ++k) {
    g.SetTransform(Matrix(NAN, 0, 0, 1, 0.25f, 0.25f));
    cache.FillPolygon(g, brush, kHexagon, 6);
    g.ResetTransform();
    cache.FillPolygon(g, brush, far, 3);
  }
  EXPECT_EQ(cache.PictureCount(), 0u);
  // Beyond the picture limit the fill is still drawn, plainly.
  g.ResetTransform();
  for (size_t k = 0; k <= CachedFill::MaxPictures; ++k) {
    g.ResetTransform();
    g.TranslateTransform(float(k) / 128.0f, 0);
    cache.FillPolygon(g, brush, kHexagon, 6);
  }
  EXPECT_EQ(cache.PictureCount(), CachedFill::MaxPictures);
  EXPECT_EQ(GetAlpha(bmp.GetPixel(15, 6)), 255u);
  cache.Reset();
  EXPECT_EQ(cache.PictureCount(), 0u);
}
