#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>

#include "DrawTestUtil.h"
#include "support/PixelDiff.h"
#include "dialworks/draw/CairoGraphics.h"
#include "dialworks/draw/ConvexGradient.h"

using namespace dw;
using namespace dw::gp;
using dw::test::ColorNear;

namespace {
constexpr TAlphaColor kRed = 0xFFFF0000, kBlue = 0xFF0000FF, kGreen = 0xFF00FF00;
const PointF kSquare[] = {{0, 0}, {100, 0}, {100, 100}, {0, 100}};
}  // namespace

TEST(PathGradientBrush, CentreBoundaryAndBlendPositions) {
  Bitmap bmp(100, 100);
  CairoGraphics g(bmp);
  g.SetSmoothingMode(SmoothingModeAntiAlias);
  PathGradientBrush b(kSquare, 4);
  EXPECT_EQ(b.GetCenterPoint(), PointF(50, 50));  // the centroid by default
  b.SetCenterColor(kRed);
  b.SetSurroundColors(std::vector<TAlphaColor>{kBlue});
  g.FillRectangle(b, 0, 0, 100, 100);
  EXPECT_TRUE(ColorNear(bmp.GetPixel(50, 50), kRed, 8));
  EXPECT_TRUE(ColorNear(bmp.GetPixel(0, 50), kBlue, 12));
  EXPECT_TRUE(ColorNear(bmp.GetPixel(99, 30), kBlue, 12));
  // Position 0.5 (halfway from the boundary to the centre) without a blend: half and half.
  EXPECT_TRUE(ColorNear(bmp.GetPixel(25, 50), 0xFF808080 & 0xFFFF00FF, 8));

  // Blend: the full centre colour already at position 0.5, a quarter at 0.25 (x = 12.5).
  bmp.Clear(0);
  float factors[] = {0, 0.25f, 1, 1};
  float positions[] = {0, 0.25f, 0.5f, 1};
  b.SetBlend(factors, positions, 4);
  g.FillRectangle(b, 0, 0, 100, 100);
  EXPECT_TRUE(ColorNear(bmp.GetPixel(25, 50), kRed, 8));
  EXPECT_TRUE(ColorNear(bmp.GetPixel(40, 50), kRed, 8));
  EXPECT_TRUE(ColorNear(bmp.GetPixel(12, 50), 0xFF4000BF, 10));
  EXPECT_TRUE(ColorNear(bmp.GetPixel(0, 50), kBlue, 12));

  // Interpolation colours replace the centre and surround colours.
  bmp.Clear(0);
  TAlphaColor colors[] = {kBlue, kGreen, kRed};
  float pos[] = {0, 0.5f, 1};
  b.SetInterpolationColors(colors, pos, 3);
  g.FillRectangle(b, 0, 0, 100, 100);
  EXPECT_TRUE(ColorNear(bmp.GetPixel(25, 50), kGreen, 10));
  EXPECT_TRUE(ColorNear(bmp.GetPixel(50, 75), kGreen, 10));
  EXPECT_TRUE(ColorNear(bmp.GetPixel(50, 50), kRed, 10));

  // A moved centre point carries the centre colour with it; outside the path nothing is painted.
  Bitmap big(200, 100);
  CairoGraphics g2(big);
  PathGradientBrush off(kSquare, 4);
  off.SetCenterPoint(PointF(20, 20));
  off.SetCenterColor(kRed);
  off.SetSurroundColors(std::vector<TAlphaColor>{kBlue});
  g2.FillRectangle(off, 0, 0, 200, 100);
  EXPECT_TRUE(ColorNear(big.GetPixel(20, 20), kRed, 12));
  EXPECT_TRUE(ColorNear(big.GetPixel(80, 80), 0xFF4000BF, 12));  // position 0.25 on the way to the centre
  EXPECT_EQ(GetAlpha(big.GetPixel(150, 50)), 0);

  // Surround colours per boundary point.
  bmp.Clear(0);
  PathGradientBrush per(kSquare, 4);
  TAlphaColor corners[] = {kRed, kRed, kBlue, kBlue};  // top corners red, bottom corners blue
  per.SetSurroundColors(corners, 4);
  per.SetCenterColor(0xFFFFFFFF);
  g.FillRectangle(per, 0, 0, 100, 100);
  EXPECT_TRUE(ColorNear(bmp.GetPixel(50, 0), kRed, 12));
  EXPECT_TRUE(ColorNear(bmp.GetPixel(50, 99), kBlue, 12));
  EXPECT_TRUE(ColorNear(bmp.GetPixel(0, 50), 0xFF800080, 12));  // halfway down the left edge
}

// An ellipse in one surround colour takes a faster way through Cairo than other paths: only a path
// that is one untransformed ellipse is recognised as one.
TEST(PathGradientBrush, OnlyWholeEllipsesAreEllipses) {
  GraphicsPath ellipse;
  ellipse.AddEllipse(RectF(10, 20, 160, 100));
  RectF r;
  ASSERT_TRUE(ellipse.IsEllipse(&r));
  EXPECT_EQ(r, RectF(10, 20, 160, 100));
  GraphicsPath flat = ellipse;
  flat.Flatten();
  EXPECT_FALSE(flat.IsEllipse());
  GraphicsPath turned = ellipse;
  Matrix quarter;
  quarter.RotateAt(30, PointF(90, 70));
  turned.Transform(quarter);
  EXPECT_FALSE(turned.IsEllipse());
  GraphicsPath two = ellipse;
  two.AddEllipse(RectF(0, 0, 10, 10));
  EXPECT_FALSE(two.IsEllipse());
}

// A gradient fading to transparent on a convex outline (a hand's shadow) is painted pixel by pixel
// instead of through Cairo's mesh, straight into the target or, under a clip Cairo must apply,
// through a scratch image. Every way must paint what the mesh paints: FillRectangle over the whole
// bitmap takes the mesh (nothing is painted outside the path).
TEST(PathGradientBrush, FadingConvexOutlinesPaintLikeTheMesh) {
  const PointF hand[] = {{-20, -6}, {78, -1}, {78, 1}, {-20, 6}};
  const PointF pentagon[] = {{0, -40}, {45, -10}, {30, 40}, {-35, 35}, {-45, -5}};
  TAlphaColor colors[] = {0x00000000, 0xC0FF8000, 0xFF2040FF};
  float pos[] = {0, 0.6f, 1};
  auto paint = [&](const PointF* APoints, int ACount, PointF ACentre, bool AMesh, int AClip) {
    auto bmp = std::make_unique<Bitmap>(160, 140);
    bmp->Clear(0xC0406080);
    CairoGraphics g(*bmp);
    g.SetPixelPaths(true);  // the pixel way whatever DW_PIXEL_PATHS says
    GraphicsPath path;
    path.AddPolygon(APoints, ACount);
    PathGradientBrush b(path);
    b.SetCenterPoint(ACentre);
    b.SetInterpolationColors(colors, pos, 3);
    if (AClip == 1) g.SetClip(RectF(50, 40, 60, 50));
    if (AClip == 2) {
      GraphicsPath e;
      e.AddEllipse(RectF(40, 30, 90, 70));
      g.SetClip(e);
    }
    g.TranslateTransform(80, 70);
    g.RotateTransform(33);
    g.ScaleTransform(1.2f, 1.2f);
    if (AMesh) {
      g.ResetTransform();
      Matrix m;
      m.Translate(80, 70);
      m.Rotate(33);
      m.Scale(1.2f, 1.2f);
      b.SetTransform(m);  // the mesh way gets the same placement from the brush
      g.FillRectangle(b, 0, 0, 160, 140);
    } else {
      g.FillPath(b, path);
    }
    g.Flush();
    return bmp;
  };
  struct Case {
    const PointF* Points;
    int Count;
    PointF Centre;
  };
  for (const Case& c : {Case{hand, 4, {-10, 0}}, Case{pentagon, 5, {5, 5}}, Case{pentagon, 5, {-30, 10}}}) {
    for (int clip = 0; clip < 3; ++clip) {
      const auto fast = paint(c.Points, c.Count, c.Centre, false, clip);
      const auto mesh = paint(c.Points, c.Count, c.Centre, true, clip);
      // The mesh places its colours up to half a pixel apart from pixel centres, which shows on
      // a hand a dozen pixels wide; each pixel must lie within what the mesh has around it.
      int outside = 0, changed = 0;
      for (int y = 1; y + 1 < 140; ++y)
        for (int x = 1; x + 1 < 160; ++x) {
          if (mesh->GetPixel(x, y) != 0xC0406080) ++changed;
          const TAlphaColor v = fast->GetPixel(x, y);
          for (int s = 0; s < 32; s += 8) {
            int lo = 255, hi = 0;
            for (int dy = -1; dy <= 1; ++dy)
              for (int dx = -1; dx <= 1; ++dx) {
                const int m = int((mesh->GetPixel(x + dx, y + dy) >> s) & 255);
                lo = std::min(lo, m), hi = std::max(hi, m);
              }
            const int ch = int((v >> s) & 255);
            if (ch < lo - 14 || ch > hi + 14) ++outside;
          }
        }
      EXPECT_GT(changed, 100) << c.Count << " clip " << clip;
      EXPECT_EQ(outside, 0) << c.Count << " clip " << clip;
    }
  }

  // Each pixel takes the gradient at its centre: on a square around (50, 50), pixel (25, 50) is at
  // 49 % of the way out, so 51 % of the way from transparent to the centre colour.
  Bitmap bmp(100, 100);
  CairoGraphics g(bmp);
  g.SetPixelPaths(true);
  GraphicsPath square;
  square.AddPolygon(kSquare, 4);
  PathGradientBrush b(square);
  b.SetCenterColor(kBlue);
  b.SetSurroundColors(std::vector<TAlphaColor>{0x000000FF});
  g.FillPath(b, square);
  EXPECT_TRUE(ColorNear(bmp.GetPixel(50, 50), 0xFC0000FF, 1));
  EXPECT_TRUE(ColorNear(bmp.GetPixel(25, 50), 0x820000FF, 1));
  EXPECT_TRUE(ColorNear(bmp.GetPixel(0, 0), 0x030000FF, 1));
}

TEST(PathGradientBrush, OnlyFadingConvexOutlinesAroundTheCentreTakeThePixelWay) {
  const PointF quad[] = {{0, 0}, {100, 0}, {100, 50}, {0, 50}};
  const PointF dart[] = {{0, 0}, {100, 25}, {0, 50}, {30, 25}};  // concave
  GraphicsPath path;
  path.AddPolygon(quad, 4);
  auto brush = [&](const GraphicsPath& APath, PointF ACentre) {
    PathGradientBrush b(APath);
    b.SetCenterPoint(ACentre);
    b.SetCenterColor(0xFF000000);
    b.SetSurroundColors(std::vector<TAlphaColor>{0x00000000});
    return b;
  };
  const Matrix id;
  EXPECT_TRUE(ConvexPathGradient(brush(path, {50, 25}), path, id).Valid());
  GraphicsPath same;
  same.AddPolygon(quad, 4);
  EXPECT_TRUE(ConvexPathGradient(brush(path, {50, 25}), same, id).Valid());  // an equal path will do
  EXPECT_FALSE(ConvexPathGradient(brush(path, {100, 25}), path, id).Valid());  // centre on the outline
  EXPECT_FALSE(ConvexPathGradient(brush(path, {150, 25}), path, id).Valid());  // and outside it
  GraphicsPath other;
  other.AddRectangle(RectF(0, 0, 10, 10));
  EXPECT_FALSE(ConvexPathGradient(brush(path, {50, 25}), other, id).Valid());  // filling another shape
  GraphicsPath concave;
  concave.AddPolygon(dart, 4);
  EXPECT_FALSE(ConvexPathGradient(brush(concave, {20, 25}), concave, id).Valid());
  PointF star[5];  // its corners all turn one way, but it goes round twice
  for (int i = 0; i < 5; ++i) star[i] = PointF(50 + 40 * std::cos(i * 0.8 * std::numbers::pi), 50 + 40 * std::sin(i * 0.8 * std::numbers::pi));
  GraphicsPath pentagram;
  pentagram.AddPolygon(star, 5);
  EXPECT_FALSE(ConvexPathGradient(brush(pentagram, {50, 50}), pentagram, id).Valid());
  GraphicsPath curved;
  curved.AddEllipse(RectF(0, 0, 100, 50));
  EXPECT_FALSE(ConvexPathGradient(brush(curved, {50, 25}), curved, id).Valid());
  PathGradientBrush opaqueRim = brush(path, {50, 25});
  opaqueRim.SetSurroundColors(std::vector<TAlphaColor>{0x01000000});  // an edge would need anti-aliasing
  EXPECT_FALSE(ConvexPathGradient(opaqueRim, path, id).Valid());
  PathGradientBrush tiled = brush(path, {50, 25});
  tiled.SetWrapMode(WrapModeTile);
  EXPECT_FALSE(ConvexPathGradient(tiled, path, id).Valid());
  EXPECT_FALSE(ConvexPathGradient(brush(path, {50, 25}), path, Matrix(0, 0, 0, 0, 0, 0)).Valid());
}

// A long thin outline (a segment of a wide display) paints the same gradient when its mesh is cut
// to be cheap to draw (the clamped fill) as when drawn whole (a tile, rendered once unclipped),
// with the blend's steps and both orientations of the outline.
TEST(PathGradientBrush, LongThinOutlinesPaintTheirWholeGradient) {
  const PointF forward[] = {{2, 14}, {14, 2}, {1986, 2}, {1998, 14}, {1986, 26}, {14, 26}};
  PointF backward[6];
  for (int i = 0; i < 6; ++i) backward[i] = forward[5 - i];
  const PointF* outlines[] = {forward, backward};
  for (const PointF* outline : outlines) {
    auto paint = [&](WrapMode AMode) {
      Bitmap bmp(2000, 28);
      CairoGraphics g(bmp);
      g.SetPixelPaths(false);
      PathGradientBrush b(outline, 6, AMode);
      b.SetCenterColor(0xFFFFE0A0);
      b.SetSurroundColors(std::vector<TAlphaColor>{0xFF802000});
      b.SetCenterPoint(PointF(700, 14));  // off the middle: the two ends' slants differ
      const float factors[] = {0, 0.8f, 1}, positions[] = {0, 0.3f, 1};
      b.SetBlend(factors, positions, 3);
      g.FillPolygon(b, outline, 6);
      return bmp;
    };
    const Bitmap cut = paint(WrapModeClamp), whole = paint(WrapModeTile);
    EXPECT_FALSE(dw::test::Ink(cut).Empty());
    // Cairo samples the two meshes at slightly different places across the gradient's steep
    // direction: each channel of a pixel of one lies between the other's pixels above and below.
    int outside = 0;
    for (int y = 1; y + 1 < cut.Height(); ++y)
      for (int x = 0; x < cut.Width(); ++x)
        for (int shift = 0; shift < 32; shift += 8) {
          auto channel = [&](const Bitmap& b, int dy) { return int((b.GetPixel(x, y + dy) >> shift) & 255); };
          const int a = channel(whole, -1), b = channel(whole, 0), c = channel(whole, 1), v = channel(cut, 0);
          outside += v < std::min({a, b, c}) - 2 || v > std::max({a, b, c}) + 2;
        }
    EXPECT_EQ(outside, 0);
  }
}

TEST(PathGradientBrush, WrapModesAndTransform) {
  Bitmap bmp(100, 100);
  CairoGraphics g(bmp);
  const PointF small[] = {{0, 0}, {50, 0}, {50, 50}, {0, 50}};
  PathGradientBrush b(small, 4, WrapModeTile);
  b.SetCenterColor(kRed);
  b.SetSurroundColors(std::vector<TAlphaColor>{kBlue});
  g.FillRectangle(b, 0, 0, 100, 100);
  EXPECT_TRUE(ColorNear(bmp.GetPixel(25, 25), kRed, 12));
  EXPECT_TRUE(ColorNear(bmp.GetPixel(75, 75), kRed, 12));  // the next tile
  EXPECT_TRUE(ColorNear(bmp.GetPixel(50, 75), kBlue, 20));
  // Clamp paints the path only; the brush transform moves the gradient.
  bmp.Clear(0);
  b.SetWrapMode(WrapModeClamp);
  b.TranslateTransform(50, 50);
  g.FillRectangle(b, 0, 0, 100, 100);
  EXPECT_EQ(GetAlpha(bmp.GetPixel(25, 25)), 0);
  EXPECT_TRUE(ColorNear(bmp.GetPixel(75, 75), kRed, 12));
  // A path gradient from fewer than three points paints nothing.
  bmp.Clear(0);
  PathGradientBrush none(small, 1);
  g.FillRectangle(none, 0, 0, 100, 100);
  EXPECT_TRUE(dw::test::Ink(bmp).Empty());
  EXPECT_EQ(g.ErrorRecoveries(), 0);
}

TEST(LinearGradientBrush, ModesInterpolationColoursBlendAndTransform) {
  Bitmap bmp(100, 100);
  CairoGraphics g(bmp);
  RectF r(0, 0, 100, 100);

  // Per mode: a pixel in the first colour, one in the second and one halfway.
  struct ModeCase {
    LinearGradientMode Mode;
    int Tolerance;
    struct { int X, Y; } Red, Blue, Half;
  };
  for (const ModeCase& c : {ModeCase{LinearGradientModeHorizontal, 4, {0, 50}, {99, 10}, {50, 90}},
                            ModeCase{LinearGradientModeVertical, 4, {90, 0}, {10, 99}, {90, 50}},
                            ModeCase{LinearGradientModeForwardDiagonal, 6, {0, 0}, {99, 99}, {99, 0}},
                            ModeCase{LinearGradientModeBackwardDiagonal, 6, {99, 0}, {0, 99}, {0, 0}}}) {
    SCOPED_TRACE(int(c.Mode));
    g.FillRectangle(LinearGradientBrush(r, kRed, kBlue, c.Mode), r);
    EXPECT_TRUE(ColorNear(bmp.GetPixel(c.Red.X, c.Red.Y), kRed, c.Tolerance));
    EXPECT_TRUE(ColorNear(bmp.GetPixel(c.Blue.X, c.Blue.Y), kBlue, c.Tolerance));
    EXPECT_TRUE(ColorNear(bmp.GetPixel(c.Half.X, c.Half.Y), 0xFF7F0080, c.Tolerance));
  }

  // Interpolation colours.
  LinearGradientBrush ic(r, 0, 0, LinearGradientModeHorizontal);
  TAlphaColor colors[] = {kRed, kGreen, kBlue};
  float pos[] = {0, 0.5f, 1};
  ic.SetInterpolationColors(colors, pos, 3);
  g.FillRectangle(ic, r);
  EXPECT_TRUE(ColorNear(bmp.GetPixel(0, 50), kRed, 6));
  EXPECT_TRUE(ColorNear(bmp.GetPixel(50, 50), kGreen, 6));
  EXPECT_TRUE(ColorNear(bmp.GetPixel(99, 50), kBlue, 6));
  EXPECT_TRUE(ColorNear(bmp.GetPixel(25, 50), 0xFF808000, 6));

  // Blend factors: colour 2 in the middle, colour 1 at both ends.
  LinearGradientBrush bl(r, 0xFFFFFFFF, 0xFF000000, LinearGradientModeHorizontal);
  float f[] = {0, 1, 0};
  bl.SetBlend(f, pos, 3);
  g.FillRectangle(bl, r);
  EXPECT_TRUE(ColorNear(bmp.GetPixel(50, 50), 0xFF000000, 6));
  EXPECT_TRUE(ColorNear(bmp.GetPixel(0, 50), 0xFFFFFFFF, 6));
  EXPECT_TRUE(ColorNear(bmp.GetPixel(99, 50), 0xFFFFFFFF, 6));

  // TranslateTransform moves the gradient; clamping keeps the end colours beyond it.
  LinearGradientBrush t(RectF(0, 0, 50, 100), kRed, kBlue, LinearGradientModeHorizontal);
  t.TranslateTransform(50, 0);
  g.FillRectangle(t, r);
  EXPECT_TRUE(ColorNear(bmp.GetPixel(20, 50), kRed, 4));
  EXPECT_TRUE(ColorNear(bmp.GetPixel(75, 50), 0xFF7F0080, 6));
  // Tile repeats instead.
  LinearGradientBrush tile(RectF(0, 0, 50, 100), kRed, kBlue, LinearGradientModeHorizontal);
  tile.SetWrapMode(WrapModeTile);
  g.FillRectangle(tile, r);
  EXPECT_TRUE(ColorNear(bmp.GetPixel(51, 50), kRed, 12));

  // A brush with no extent paints nothing and breaks nothing.
  bmp.Clear(0);
  LinearGradientBrush zero(PointF(5, 5), PointF(5, 5), kRed, kBlue);
  g.FillRectangle(zero, r);
  EXPECT_EQ(bmp.GetPixel(50, 50), 0u);
  SolidBrush s(kGreen);
  g.FillRectangle(s, r);
  EXPECT_EQ(bmp.GetPixel(50, 50), kGreen);
  EXPECT_EQ(g.ErrorRecoveries(), 0);
}

TEST(TextureBrush, TilesTheBitmap) {
  Bitmap tile(2, 2);
  tile.SetPixel(0, 0, kRed);
  tile.SetPixel(1, 0, kBlue);
  tile.SetPixel(0, 1, kBlue);
  tile.SetPixel(1, 1, kRed);
  Bitmap bmp(10, 10);
  CairoGraphics g(bmp);
  g.SetInterpolationMode(InterpolationModeNearestNeighbor);
  TextureBrush tb(tile);
  g.FillRectangle(tb, 0, 0, 10, 10);
  EXPECT_EQ(bmp.GetPixel(4, 4), kRed);
  EXPECT_EQ(bmp.GetPixel(5, 4), kBlue);
  EXPECT_EQ(bmp.GetPixel(9, 9), kRed);
}
