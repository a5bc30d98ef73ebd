#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "DrawTestUtil.h"
#include "dialworks/draw/CairoGraphics.h"
#include "dialworks/draw/RecordingGraphics.h"
#include "dialworks/draw/Shading.h"

using namespace dw;
using namespace dw::gp;

TEST(RecordingGraphics, RecordsDeviceGeometryStateAndOrder) {
  RecordingGraphics g(nullptr, SizeF(200, 100));
  SolidBrush red(0xFFFF0000);
  Pen pen(0xFF00FF00, 3);
  g.TranslateTransform(100, 50);
  g.RotateTransform(90);  // prepended: rotate first, then translate
  g.FillRectangle(red, 0, 0, 10, 20);
  GraphicsState s = g.Save();
  g.ScaleTransform(2, 2);
  g.DrawLine(pen, 1, 0, 5, 0);
  g.Restore(s);
  g.ResetTransform();
  g.SetClip(RectF(10, 10, 50, 50));
  g.IntersectClip(RectF(30, 0, 100, 100));
  g.FillEllipse(red, 0, 0, 5, 5);

  auto fills = g.Find("FillRectangle");
  ASSERT_EQ(fills.size(), 1u);
  const DrawCall& f = *fills[0];
  ASSERT_EQ(f.Points.size(), 4u);
  // (10, 0) turns to (0, 10), then moves by (100, 50).
  EXPECT_NEAR(f.Points[0].X, 100, 1e-4);
  EXPECT_NEAR(f.Points[0].Y, 50, 1e-4);
  EXPECT_NEAR(f.Points[1].X, 100, 1e-4);
  EXPECT_NEAR(f.Points[1].Y, 60, 1e-4);
  EXPECT_NEAR(f.Points[2].X, 80, 1e-4);
  EXPECT_EQ(f.Args, (std::vector<float>{0, 0, 10, 20}));
  EXPECT_EQ(f.Color, 0xFFFF0000u);
  EXPECT_EQ(f.Brush, "Solid(0xFFFF0000)");
  EXPECT_EQ(f.Clip, RectF(0, 0, 200, 100));

  const DrawCall& line = *g.Find("DrawLine")[0];
  EXPECT_NEAR(line.Points[0].X, 100, 1e-4);  // (1,0) * 2 -> rotated to (0,2) -> (100,52)
  EXPECT_NEAR(line.Points[0].Y, 52, 1e-4);
  EXPECT_NEAR(line.Points[1].Y, 60, 1e-4);
  EXPECT_EQ(line.PenWidth, 3);
  EXPECT_EQ(line.Pen, "Pen(3 Solid(0xFF00FF00))");

  const DrawCall& ell = *g.Find("FillEllipse")[0];
  EXPECT_TRUE(ell.Transform.IsIdentity());  // Restore and ResetTransform took effect
  EXPECT_EQ(ell.Clip, RectF(30, 10, 30, 50));
  EXPECT_EQ(g.GetClipBounds(), RectF(30, 10, 30, 50));

  // Order of the drawing calls; state calls are recorded too but are not drawing.
  std::vector<std::string> ops;
  for (const DrawCall* c : g.Drawing()) ops.push_back(c->Op);
  EXPECT_EQ(ops, (std::vector<std::string>{"FillRectangle", "DrawLine", "FillEllipse"}));
  EXPECT_EQ(g.Calls().front().Op, "TranslateTransform");
}

TEST(RecordingGraphics, ForwardsToCairoAtTheSameTime) {
  Bitmap bmp(50, 50);
  CairoGraphics cg(bmp);
  RecordingGraphics g(&cg);
  SolidBrush red(0xFFFF0000);
  GraphicsState s = g.Save();
  g.TranslateTransform(20, 20);
  g.SetClip(RectF(0, 0, 10, 10));
  g.FillRectangle(red, -20, -20, 100, 100);
  g.Restore(s);
  EXPECT_EQ(bmp.GetPixel(25, 25), 0xFFFF0000u);
  EXPECT_EQ(bmp.GetPixel(15, 15), 0u);
  EXPECT_TRUE(cg.GetTransform().IsIdentity());  // the forward target was restored too
  EXPECT_EQ(g.Find("FillRectangle")[0]->Clip, RectF(20, 20, 10, 10));
  // Text is recorded with its measured box, the same one Cairo measures.
  Font font("DejaVu Sans", 10);
  g.DrawString("abc", font, PointF(5, 5), red);
  const DrawCall& t = *g.Find("DrawString")[0];
  RectF m = cg.MeasureString("abc", font, PointF(5, 5));
  EXPECT_EQ(t.Points[0], PointF(m.X, m.Y));
  EXPECT_EQ(t.Points[2], PointF(m.Right(), m.Bottom()));
  EXPECT_EQ(t.Text.substr(0, 3), "abc");
}

namespace {

using Helper = std::function<void(Graphics&, const RectF&)>;

struct NamedHelper {
  const char* name;
  Helper draw;
};

std::vector<NamedHelper> Helpers() {
  const TAlphaColor lit = 0xFFF0F0F0, dark = 0xFF202020;
  return {
      {"Frame", [=](Graphics& g, const RectF& r) { RXDrawFrame3DF(g, lit, dark, r, 8); }},
      {"Ellipse", [=](Graphics& g, const RectF& r) { RXDrawEllipse3DF(g, lit, dark, r, 8); }},
      {"Globe", [=](Graphics& g, const RectF& r) { RXDrawGlobeEllipse3DF(g, lit, dark, r, 8); }},
      {"Diamond", [=](Graphics& g, const RectF& r) { RXDrawDiamondFrame3DF(g, lit, dark, r, 8); }},
      {"RoundRect", [=](Graphics& g, const RectF& r) { RXDrawRoundRectangle3DF(g, lit, dark, r, 20, 8); }},
      {"RoundDiamond", [=](Graphics& g, const RectF& r) { RXDrawRoundDiamondFrame3DF(g, lit, dark, r, 20, 8); }},
      {"GlossEllipse", [=](Graphics& g, const RectF& r) { RXGlossEllipse3DF(g, lit, dark, r); }},
      {"GlossRect", [=](Graphics& g, const RectF& r) { RXGlossRectangle3DF(g, lit, dark, r); }},
      {"GlossDiamond", [=](Graphics& g, const RectF& r) { RXGlossDiamond3DF(g, lit, dark, r); }},
      {"GlossRoundRect", [=](Graphics& g, const RectF& r) { RXGlossRoundRectangle3DF(g, lit, dark, r, 20); }},
      {"GlossRoundDiamond", [=](Graphics& g, const RectF& r) { RXGlossRoundDiamond3DF(g, lit, dark, r, 20); }},
      {"Bulb", [=](Graphics& g, const RectF& r) { RXFillBulb3DF(g, 0xFFFF0000, r); }},
      {"FillRoundDiamond",
       [=](Graphics& g, const RectF& r) { RXFillRoundDiamondF(g, SolidBrush(0xFF0000FF), r, 20); }},
      {"DrawRoundDiamond", [=](Graphics& g, const RectF& r) { RXDrawRoundDiamondF(g, Pen(0xFF0000FF, 1), r, 20); }},
      {"Line", [=](Graphics& g, const RectF& r) {
         RXDrawLine3DF(g, lit, dark, PointF(r.X + 4, r.Center().Y), PointF(r.Right() - 4, r.Center().Y), 8, false);
       }},
  };
}

}  // namespace

// Issue 12: a layer opened through a recording records into the same record, marked with its
// layer, and with a forward graphics also draws into its bitmap; a replay draws each layer into a
// bitmap of its own and composes that where the layer's bitmap was drawn.
TEST(RecordingGraphics, LayersRecordIntoTheFrameAndReplay) {
  Bitmap frame(40, 40), layerBitmap(20, 20);
  CairoGraphics cg(frame);
  RecordingGraphics rec(&cg);
  {
    std::unique_ptr<Graphics> layer = rec.CreateLayer(layerBitmap);
    const GraphicsState s = layer->Save();
    layer->TranslateTransform(5, 5);
    layer->FillRectangle(SolidBrush(0xFF00FF00), RectF(0, 0, 10, 10));
    layer->Restore(s);
  }
  EXPECT_EQ(layerBitmap.GetPixel(7, 7), 0xFF00FF00u);  // drawn through the forward graphics' layer
  rec.FillRectangle(SolidBrush(0xFF0000FF), RectF(0, 0, 40, 10));
  rec.DrawImage(layerBitmap, PointF(10, 10));
  ASSERT_EQ(rec.Calls().size(), 7u);  // CreateLayer, the layer's four, the frame's two
  const DrawCall& fill = rec.Calls()[3];
  ASSERT_EQ(fill.Op, "FillRectangle");
  EXPECT_EQ(fill.Layer, 1);
  ASSERT_EQ(fill.Points.size(), 4u);
  EXPECT_EQ(fill.Points[0], PointF(5, 5));  // in the layer's own device pixels
  EXPECT_EQ(rec.Drawing().size(), 2u);                // the frame's own drawing only
  EXPECT_EQ(frame.GetPixel(17, 17), 0xFF00FF00u);

  layerBitmap.Clear(0);  // the replay draws the layer anew, not from this bitmap
  Bitmap replayed(40, 40);
  CairoGraphics target(replayed);
  rec.ReplayOnto(target);
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 40; ++x) ASSERT_EQ(replayed.GetPixel(x, y), frame.GetPixel(x, y)) << x << "," << y;
}

// A layer bitmap is the layer only while the layer is recorded: a kept one composed again after
// ClearCalls, and another bitmap made where a freed one was, replay as the pictures they are.
TEST(RecordingGraphics, LayerBitmapsAfterClearingAndFreeing) {
  Bitmap frame(20, 20);
  CairoGraphics cg(frame);
  RecordingGraphics rec(&cg);
  Bitmap kept(10, 10);
  rec.CreateLayer(kept)->Clear(0xFFFF0000);
  rec.DrawImage(kept, PointF(0, 0));
  rec.ClearCalls();
  rec.DrawImage(kept, PointF(0, 0));
  auto layer = std::make_unique<Bitmap>(10, 10);
  rec.CreateLayer(*layer)->Clear(0xFF00FF00);
  layer.reset();
  auto icon = std::make_unique<Bitmap>(10, 10);  // often at the freed layer's address
  icon->Clear(0xFF0000FF);
  rec.DrawImage(*icon, PointF(10, 10));
  Bitmap replayed(20, 20);
  CairoGraphics target(replayed);
  rec.ReplayOnto(target);
  EXPECT_EQ(replayed.GetPixel(5, 5), 0xFFFF0000u);
  EXPECT_EQ(replayed.GetPixel(15, 15), 0xFF0000FFu);
}

TEST(Shading, HelpersStayInsideTheirRectangles) {
  const RectF r(20, 30, 80, 60);
  for (const auto& h : Helpers()) {
    for (bool rotated : {false, true}) {
      Bitmap bmp(140, 140);
      CairoGraphics g(bmp);
      g.SetSmoothingMode(SmoothingModeAntiAlias);
      if (rotated) {  // a half turn about the centre maps the rectangle onto itself
        g.TranslateTransform(r.Center().X, r.Center().Y);
        g.RotateTransform(180);
        g.TranslateTransform(-r.Center().X, -r.Center().Y);
      }
      h.draw(g, r);
      auto ink = test::Ink(bmp);
      ASSERT_FALSE(ink.Empty()) << h.name;
      EXPECT_GE(ink.l, 20) << h.name;
      EXPECT_GE(ink.t, 30) << h.name;
      EXPECT_LE(ink.r, 99) << h.name;
      EXPECT_LE(ink.b, 89) << h.name;
    }
    // Invalid rectangles draw nothing (the line helper takes points, not a rectangle).
    if (std::string(h.name) == "Line") continue;
    RecordingGraphics rec;
    for (RectF bad : {RectF(0, 0, 0, 10), RectF(0, 0, NAN, 10), RectF(0, 0, 10, -1), RectF(INFINITY, 0, 10, 10)})
      h.draw(rec, bad);
    EXPECT_TRUE(rec.Drawing().empty()) << h.name;
  }
  // Frames keep the centre free: the width is respected.
  Bitmap bmp(140, 140);
  CairoGraphics g(bmp);
  RXDrawFrame3DF(g, 0xFFFFFFFF, 0xFF000000, r, 8);
  RXDrawEllipse3DF(g, 0xFFFFFFFF, 0xFF000000, r, 8);
  RXDrawRoundRectangle3DF(g, 0xFFFFFFFF, 0xFF000000, r, 20, 8);
  EXPECT_EQ(GetAlpha(bmp.GetPixel(int(r.Center().X), int(r.Center().Y))), 0);
  EXPECT_EQ(GetAlpha(bmp.GetPixel(int(r.X + 10), int(r.Center().Y))), 0);
  EXPECT_EQ(GetAlpha(bmp.GetPixel(int(r.X + 4), int(r.Center().Y))), 255);
}

TEST(Shading, ColourHelpersAndRoundDiamondPath) {
  EXPECT_EQ(RXInterpolateColorF(0xFF000000, 0xFFFFFFFF, 0.5f), 0xFF808080u);
  EXPECT_EQ(RXInterpolateColorF(0x00FF0000, 0xFF0000FF, 0.0f), 0x00FF0000u);
  EXPECT_EQ(RXInterpolateColorF(0x00FF0000, 0xFF0000FF, 1.0f), 0xFF0000FFu);
  EXPECT_EQ(RXInterpolateColorF(0xFF102030, 0xFFFFFFFF, NAN), 0xFF102030u);
  EXPECT_EQ(RXInterpolateColorF(0xFF102030, 0xFFFFFFFF, -3), 0xFF102030u);
  EXPECT_EQ(RXInterpolateColorF(0xFF102030, 0xFFFFFFFF, 7), 0xFFFFFFFFu);
  EXPECT_EQ(RXDimColor(0x80FF8040, 0.5f), 0x80804020u);
  EXPECT_EQ(RXDimColor(0x80FF8040, 0), 0x80FF8040u);
  EXPECT_EQ(RXDimColor(0x80FF8040, 2), 0x80000000u);
  EXPECT_EQ(RXDimColor(0x80FF8040, NAN), 0x80FF8040u);
  EXPECT_EQ(MakeColor(1, 2, 3, 4), 0x04010203u);  // alpha last
  EXPECT_EQ(GPInflateRectF(RectF(10, 10, 20, 20), 2, 3), RectF(8, 7, 24, 26));

  GraphicsPath p = RXCreateRoundDiamondPathF(RectF(0, 0, 100, 60), 20);
  EXPECT_TRUE(p.IsVisible(50, 30));
  EXPECT_FALSE(p.IsVisible(10, 10));
  EXPECT_FALSE(p.IsVisible(50, 1));  // the top corner is rounded off
  RectF b = p.GetBounds();
  EXPECT_GE(b.X, 0);
  EXPECT_LE(b.Right(), 100);
  GraphicsPath sharp = RXCreateRoundDiamondPathF(RectF(0, 0, 100, 60), 0);
  EXPECT_EQ(sharp.GetPointCount(), 4);
  EXPECT_TRUE(sharp.IsVisible(50, 1));
  EXPECT_TRUE(RXCreateRoundDiamondPathF(RectF(0, 0, -1, 5), 3).Empty());

  RecordingGraphics rec;
  RXDrawLine3DF(rec, 0xFFFFFFFF, 0xFF000000, PointF(NAN, 0), PointF(10, 10), 4, false);
  RXDrawLine3DF(rec, 0xFFFFFFFF, 0xFF000000, PointF(5, 5), PointF(5, 5), 4, false);
  RXDrawLine3DF(rec, 0xFFFFFFFF, 0xFF000000, PointF(0, 0), PointF(10, 10), -4, false);
  RXDrawFrame3DF(rec, 0xFFFFFFFF, 0xFF000000, RectF(0, 0, 10, 10), NAN);
  RXDrawEllipse3DF(rec, 0xFFFFFFFF, 0xFF000000, RectF(0, 0, 10, 10), 0);
  EXPECT_TRUE(rec.Drawing().empty());
}
