// The progress bar control: the bar rectangle at every rotation, filled length, layers and blocks.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "dialworks/draw/CairoGraphics.h"
#include "dialworks/draw/RecordingGraphics.h"
#include "dialworks/indicators/DWLevelLed.h"
#include "dialworks/indicators/DWProgressBar.h"
#include "support/InstrumentTest.h"

using namespace dw;

namespace {

using dwtest::TScopedHost;

using P = TDWLayeredInstrumentProbe;

gp::Bitmap Render(TKVBasicControl& AControl) { return dwtest::RenderControl(AControl); }

// The four corners of the bar frame in control coordinates.
std::vector<gp::PointF> FrameCorners(const TDWProgressBarLayout& L) {
  std::vector<gp::PointF> pts{{0, 0},
                              {L.Transform.Width, 0},
                              {L.Transform.Width, L.Transform.Height},
                              {0, L.Transform.Height}};
  L.Transform.Matrix.TransformPoints(pts.data(), int(pts.size()));
  return pts;
}

// The fills drawn with the fill picture (the texture brush), in order.
std::vector<const gp::DrawCall*> BarFills(const gp::RecordingGraphics& g) {
  std::vector<const gp::DrawCall*> out;
  for (const gp::DrawCall& c : g.Calls())
    if (c.Layer == 0 && c.Brush.rfind("Texture", 0) == 0 && c.Op.rfind("Fill", 0) == 0) out.push_back(&c);
  return out;
}

}  // namespace

// Issue 19: read literally, the table of bar extents swapped width and height at 0 degrees (a
// 150 x 20 bar 21 long and 151 thick, out of its control). At every quarter turn the bar body
// fills its control exactly.
TEST(ProgressBar, BarRectangleFillsTheControlAtEveryQuarterTurn) {
  TScopedHost host;
  TDWProgressBar bar;
  const TDWProgressBarLayout flat = bar.Layout(150, 20);
  EXPECT_FLOAT_EQ(flat.Transform.Width, 150);
  EXPECT_FLOAT_EQ(flat.Transform.Height, 20);
  EXPECT_FLOAT_EQ(flat.Reference, 20);
  EXPECT_EQ(flat.Body, gp::RectF(0.5f, 0.5f, 149, 19));
  // The gauge sits inside the frame by border width, bevels and gap (0.02 + 0.03 + 0.03 + 0.05 of 20).
  EXPECT_NEAR(flat.Gauge.X, 0.5f + 2.6f, 1e-4);
  EXPECT_NEAR(flat.Gauge.Width, 149 - 5.2f, 1e-4);
  for (float angle : {90.0f, 180.0f, 270.0f, -90.0f, 450.004f}) {
    bar.Rotation().SetAngle(angle);
    const bool upright = std::fabs(std::fmod(std::fabs(angle), 180.0f) - 90) < 1;
    const float W = upright ? 20 : 150, H = upright ? 150 : 20;
    const TDWProgressBarLayout L = bar.Layout(W, H);
    EXPECT_FLOAT_EQ(L.Transform.Width, 150) << angle;  // the length
    EXPECT_FLOAT_EQ(L.Transform.Height, 20) << angle;
    float minX = 1e9f, minY = 1e9f, maxX = -1e9f, maxY = -1e9f;
    for (gp::PointF p : FrameCorners(L)) {
      minX = std::min(minX, p.X), maxX = std::max(maxX, p.X);
      minY = std::min(minY, p.Y), maxY = std::max(maxY, p.Y);
    }
    EXPECT_NEAR(minX, 0, 1e-3) << angle;
    EXPECT_NEAR(minY, 0, 1e-3) << angle;
    EXPECT_NEAR(maxX, W, 1e-3) << angle;
    EXPECT_NEAR(maxY, H, 1e-3) << angle;
  }
}

// Issue 19: at a general angle the length formula could go negative for a thick bar in a narrow
// control; the bar is then at least a pixel long and otherwise the longest that fits.
TEST(ProgressBar, GeneralAnglesFitTheBarInsideItsControl) {
  TScopedHost host;
  TDWProgressBar bar;
  bar.Rotation().SetAngle(45);
  const TDWProgressBarLayout L = bar.Layout(150, 150);
  EXPECT_FLOAT_EQ(L.Transform.Height, 0.25f * 150);
  EXPECT_GT(L.Transform.Width, 150);  // the diagonal is longer than a side
  for (gp::PointF p : FrameCorners(L)) {
    EXPECT_GE(p.X, -1e-3);
    EXPECT_LE(p.X, 150 + 1e-3);
    EXPECT_GE(p.Y, -1e-3);
    EXPECT_LE(p.Y, 150 + 1e-3);
  }
  bar.Rotation().SetAngle(80);
  bar.Rotation().SetThickness(1);
  const TDWProgressBarLayout thin = bar.Layout(150, 20);
  EXPECT_GE(thin.Transform.Width, 1);
  EXPECT_TRUE(std::isfinite(thin.Transform.Width));
  // A thick bar in a narrow control: the thickness gives way, so the bar stays inside.
  bar.Rotation().SetAngle(45);
  for (gp::PointF p : FrameCorners(bar.Layout(20, 150))) {
    EXPECT_GE(p.X, -1e-3);
    EXPECT_LE(p.X, 20 + 1e-3);
  }
  bar.SetBounds(0, 0, 150, 20);
  bar.SetValue(50);
  (void)Render(bar);  // paints without fault
}

TEST(ProgressBar, FilledLengthReversedAndRotated) {
  TScopedHost host;
  TDWProgressBar bar;
  bar.SetBounds(0, 0, 150, 20);
  bar.Gauge().SetKind(bkFlat);
  auto filled = [&] {
    gp::RecordingGraphics g;
    bar.Paint(g);
    const auto fills = BarFills(g);
    if (fills.empty()) return 0.0f;
    float minX = 1e9f, maxX = -1e9f, minY = 1e9f, maxY = -1e9f;
    for (gp::PointF p : fills.back()->Points) {
      minX = std::min(minX, p.X), maxX = std::max(maxX, p.X);
      minY = std::min(minY, p.Y), maxY = std::max(maxY, p.Y);
    }
    return std::max(maxX - minX, maxY - minY);
  };
  const float gauge = bar.Layout(150, 20).Gauge.Width;
  bar.SetValue(50);
  EXPECT_NEAR(filled(), gauge / 2, 1e-3);
  bar.SetValue(100);
  EXPECT_NEAR(filled(), gauge, 1e-3);
  bar.SetValue(0);
  EXPECT_EQ(filled(), 0);
  bar.SetValue(250);  // limited to Max
  EXPECT_NEAR(filled(), gauge, 1e-3);
  // Min > Max reads the range downwards; Min = Max is empty.
  bar.SetMin(100);
  bar.SetMax(0);
  bar.SetValue(25);
  EXPECT_NEAR(filled(), gauge * 0.75f, 1e-3);
  bar.SetMax(100);
  EXPECT_EQ(filled(), 0);
  // Upright (turned by 90 degrees in a 20 x 150 control): the bar grows from the bottom up.
  bar.SetMin(0);
  bar.SetValue(50);
  bar.SetBounds(0, 0, 20, 150);
  bar.Rotation().SetAngle(90);
  gp::RecordingGraphics g;
  bar.Paint(g);
  const auto fills = BarFills(g);
  ASSERT_FALSE(fills.empty());
  float top = 1e9f, bottom = -1e9f;
  for (gp::PointF p : fills.back()->Points) top = std::min(top, p.Y), bottom = std::max(bottom, p.Y);
  EXPECT_NEAR(bottom - top, bar.Layout(20, 150).Gauge.Width / 2, 1e-3);
  EXPECT_GT(top, 70);
  EXPECT_GT(bottom, 140);
}

// A continuous bar with square ends in a strongly rounded frame poked its corners out of the frame:
// its corners are rounded at least as much as the frame's outline inside the inset.
TEST(ProgressBar, ContinuousBarStaysInsideARoundedFrame) {
  TScopedHost host;
  TDWProgressBar bar;
  bar.SetBounds(0, 0, 150, 20);
  bar.SetValue(50);
  bar.Border().CornerRadius().SetValue(0.5f);
  const TDWProgressBarLayout L = bar.Layout(150, 20);
  EXPECT_NEAR(L.GaugeRadius, L.Corner / 2 - (L.Gauge.X - L.Body.X), 1e-4);
  EXPECT_GT(L.GaugeRadius, 5);
  gp::RecordingGraphics g;
  bar.Paint(g);
  const auto fills = BarFills(g);
  ASSERT_EQ(fills.size(), 1u);
  ASSERT_EQ(fills[0]->Op, "FillRoundRectangle");
  EXPECT_NEAR(fills[0]->Args[4], 2 * L.GaugeRadius, 1e-3);
  // A larger edge radius of its own wins.
  bar.Gauge().EdgeRadius().SetValue(0.5f);
  g.ClearCalls();
  bar.Paint(g);
  EXPECT_NEAR(BarFills(g)[0]->Args[4], L.Gauge.Height, 1e-3);
}

// Blocks, filled or empty, keep to the room the continuous bar keeps to: with their own smaller
// rounding the end blocks reached past the frame's corners.
TEST(ProgressBar, BlocksStayInsideARoundedFrame) {
  TScopedHost host;
  TDWProgressBar bar;
  bar.SetBounds(0, 0, 150, 20);
  bar.Gauge().SetKind(bkFlat);
  bar.Gauge().Colors().Add().SetColor(0xFFFF0000);
  bar.Gauge().Background().SetColor(0);
  bar.Gauge().Background().SetBlockColor(0xFF00FF00);
  bar.Gauge().Blocks().SetEnabled(true);
  bar.Border().CornerRadius().SetValue(0.5f);
  bar.Border().Gap().SetValue(0.0f);
  const TDWProgressBarLayout L = bar.Layout(150, 20);
  const gp::RectF& G = L.Gauge;
  const float r = L.GaugeRadius;
  ASSERT_GT(r, 5);
  // Pixels of the colour (red filled blocks, green empty slots) beyond the rounded room.
  auto outside = [&](bool AFilled) {
    const gp::Bitmap b = dwtest::RenderControl(bar, 0xFF0000FF);
    int n = 0;
    for (int y = 0; y < b.Height(); ++y)
      for (int x = 0; x < b.Width(); ++x) {
        const TAlphaColor p = b.GetPixel(x, y);
        if ((AFilled ? GetRed(p) : GetGreen(p)) < 128 || GetBlue(p) > 128) continue;
        const float dx = x + 0.5f - std::clamp(x + 0.5f, G.X + r, G.GetRight() - r);
        const float dy = y + 0.5f - std::clamp(y + 0.5f, G.Y + r, G.GetBottom() - r);
        n += dx * dx + dy * dy > (r + 0.7f) * (r + 0.7f);
      }
    return n;
  };
  bar.SetValue(0);
  EXPECT_EQ(outside(false), 0);
  bar.SetValue(100);
  EXPECT_EQ(outside(true), 0);
}

TEST(ProgressBar, ValueChangeRedrawsOnlyTheBars) {
  TScopedHost host;
  TDWProgressBar bar;
  bar.SetBounds(0, 0, 150, 20);
  bar.SetValue(30);
  (void)Render(bar);
  const uint64_t builds = P::Builds(bar);
  EXPECT_TRUE(bar.BrushBuilt());
  for (double v : {40.0, 55.5, 99.0}) {
    bar.SetValue(v);
    (void)Render(bar);
  }
  EXPECT_EQ(P::Builds(bar), builds);
  EXPECT_TRUE(bar.BrushBuilt());
  // Appearance, rotation and size changes drop the layers and the fill picture.
  bar.Gauge().Colors().Add();
  EXPECT_FALSE(bar.BrushBuilt());
  (void)Render(bar);
  EXPECT_EQ(P::Builds(bar), builds + 1);
  bar.Rotation().SetAngle(180);
  EXPECT_FALSE(bar.BrushBuilt());
  (void)Render(bar);
  bar.SetBounds(0, 0, 160, 20);
  EXPECT_FALSE(bar.BrushBuilt());
  (void)Render(bar);
  EXPECT_EQ(P::Builds(bar), builds + 3);
}

TEST(ProgressBar, BlocksWholeOrPartialWithSlotBackground) {
  TScopedHost host;
  TDWProgressBar bar;
  bar.SetBounds(0, 0, 150, 20);
  auto& blocks = bar.Gauge().Blocks();
  blocks.SetEnabled(true);
  const float gauge = bar.Layout(150, 20).Gauge.Width;
  const float pitch = 0.04f * gauge;
  // A value that ends inside the third block shows two whole blocks, or three with the partial one.
  bar.SetValue(100 * (2.5f * pitch) / gauge);
  gp::RecordingGraphics g;
  bar.Paint(g);
  EXPECT_EQ(BarFills(g).size(), 2u);
  blocks.SetMonolithic(false);
  g.ClearCalls();
  bar.Paint(g);
  EXPECT_EQ(BarFills(g).size(), 3u);
  // The empty slots of the background: one per slot along the whole length, in the face layer.
  bar.Gauge().Background().SetBlockColor(0xFF303030);
  g.ClearCalls();
  bar.Paint(g);
  int slots = 0;
  for (const gp::DrawCall& c : g.Calls()) slots += c.Layer > 0 && c.Brush.rfind("Texture", 0) == 0;
  EXPECT_EQ(slots, 25);  // 1 / 0.04
}

// Where the flat bar ends on screen, upright too: FilledLengthReversedAndRotated.
TEST(ProgressBar, GlassIsLightAtTheTopOnScreenAtEveryHalfTurn) {
  TScopedHost host;
  TDWProgressBar bar;
  bar.Gauge().Colors().Add().SetColor(0xFFFF0000);
  // The band near the top of the bar is lighter than the one below the middle, on screen at 0
  // and at 180 degrees alike.
  bar.Gauge().SetKind(bkGlass);
  bar.SetValue(100);
  for (float angle : {0.0f, 180.0f}) {
    bar.SetBounds(0, 0, 150, 20);
    bar.Rotation().SetAngle(angle);
    const gp::Bitmap b = Render(bar);
    const TAlphaColor upper = b.GetPixel(75, 7), lower = b.GetPixel(75, 14);
    EXPECT_GT(GetGreen(upper), GetGreen(lower)) << angle;
    EXPECT_EQ(GetRed(upper), 255) << angle;
  }
}

// Issue 19: hostile input paints without fault and still shows a sensible bar.
TEST(ProgressBar, BadInputPaintsASensibleBar) {
  TScopedHost host;
  TDWProgressBar bar;
  bar.SetBounds(0, 0, 150, 20);
  const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
  for (double v : {nan, inf, -inf, 1e308, -1e308}) {
    bar.SetValue(v);
    (void)Render(bar);
    EXPECT_FALSE(std::isnan(bar.Value()));
  }
  bar.SetMax(1e300);
  bar.SetMin(-1e300);
  (void)Render(bar);
  bar.SetMin(0);
  bar.SetMax(100);
  // Gap and corner radius of 0 and beyond half the side; an inset that leaves no room: no bar.
  bar.SetValue(100);
  for (float gap : {0.0f, 0.7f, -2.0f, 1e6f})
    for (float radius : {0.0f, 0.7f, 1e6f}) {
      bar.Border().Gap().SetValue(gap);
      bar.Border().CornerRadius().SetValue(radius);
      gp::Bitmap b = Render(bar);
      const TDWProgressBarLayout L = bar.Layout(150, 20);
      EXPECT_LE(L.Corner, 19) << gap << " " << radius;
      if (gap >= 0.5f) {
        EXPECT_FALSE(L.Gauge.Width > 0 && L.Gauge.Height > 0) << gap;
      } else {
        EXPECT_NE(b.GetPixel(75, 10), 0xFFFFFFFFu) << gap << " " << radius;  // the bar shows
      }
    }
  bar.Border().Gap().SetValue(0.05f);
  bar.Border().CornerRadius().SetValue(0.05f);
  // Block sizes of 0 and tiny (a block per pixel at most) and huge (one partial block).
  bar.Gauge().Blocks().SetEnabled(true);
  for (float size : {0.0f, 1e-7f, 1e6f}) {
    bar.Gauge().Blocks().Size().SetValue(size);
    bar.Gauge().Blocks().Gap().SetValue(size);
    gp::RecordingGraphics g;
    bar.Paint(g);
    EXPECT_LE(BarFills(g).size(), 150u) << size;
  }
  bar.Gauge().Blocks().SetEnabled(false);
  // A one-pixel-high bar is a line of the fill; zero sizes draw nothing.
  bar.Gauge().SetKind(bkFlat);
  bar.Gauge().Colors().Add().SetColor(0xFF00FF00);
  bar.SetBounds(0, 0, 150, 1);
  gp::Bitmap line = Render(bar);
  EXPECT_EQ(line.GetPixel(100, 0), 0xFF00FF00u);
  for (int w : {0, 1, 2}) {
    bar.SetBounds(0, 0, w, w);
    (void)Render(bar);
  }
}

// The matrix layers (no example form shows one) light cells at their place only: the bar 0.6 x 0.2
// and the level LED 0.3 x 0.3 of the smaller side of a 32 x 16 matrix, from its top-left cell.
TEST(IndicatorMatrixLayers, LightTheirPlaceOnly) {
  TScopedHost host;
  TDWExternalProgressBarMatrixLayer bar;
  TDWExternalLevelLedMatrixLayer led;
  bar.SetValue(100);
  led.SetValue(100);
  struct TCase {
    const char* Name;
    IRXMatrixLayer& Layer;
    int Width, Height, MinLit;
  };
  for (const TCase& c : {TCase{"bar", bar, 10, 4, 20}, TCase{"level LED", led, 5, 5, 5}}) {
    SCOPED_TRACE(c.Name);
    std::vector<uint32_t> cells(32 * 16, 0);
    c.Layer.Render(cells.data(), 32, 16);
    const auto [inside, outside] = dwtest::LitCells(cells, 32, 16, c.Width, c.Height);
    EXPECT_GT(inside, c.MinLit);
    EXPECT_EQ(outside, 0);
  }
}
