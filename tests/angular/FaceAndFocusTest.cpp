// The face's shape per border kind (face fill, face clip and the hands' clip, at a known size) and
// the standalone gauge's repaint on focus changes.
#include <gtest/gtest.h>

#include <cmath>

#include "dialworks/angular/DWAngularGaugeHands.h"
#include "dialworks/draw/CairoGraphics.h"
#include "dialworks/draw/RecordingGraphics.h"
#include "dialworks/draw/Shading.h"
#include "support/InstrumentTest.h"
#include "support/PixelDiff.h"

using namespace dw;

namespace {

using dwtest::TScopedHost;

// Records the face layer, or the glass of the top layer, of an AW x AH frame.
class TFaceProbe : public TDWAngularGauge {
 public:
  void DrawFace(gp::Graphics& g, float AW, float AH) {
    Frame(AW, AH);
    DrawFaceLayer(g, TDWLayerFrame{});
  }
  void DrawGlass(gp::Graphics& g, float AW, float AH) {
    Frame(AW, AH);
    TDWBasicAngularGauge::DrawGlass(g, Layout(AW, AH));
  }

 private:
  // A frame of that size lays the dial out and builds the face shape.
  void Frame(float AW, float AH) {
    gp::Bitmap b{int(AW), int(AH)};
    gp::CairoGraphics cg(b);
    IntDraw(cg, {1, 1, AW, AH, AW, AH, true, true});
  }
};

// The outline each border kind should give in ARect (corner size ACorner for the rounded kinds).
std::vector<gp::PointF> ShapePoints(TKVBorderShape AShape, const gp::RectF& R, float ACorner) {
  gp::GraphicsPath p;
  const float cx = R.X + R.Width / 2, cy = R.Y + R.Height / 2;
  const gp::PointF diamond[4] = {{cx, R.Y}, {R.X + R.Width, cy}, {cx, R.Y + R.Height}, {R.X, cy}};
  switch (AShape) {
    case bsEllipse: p.AddEllipse(R); break;
    case bsRectangle: p.AddRectangle(R); break;
    case bsRoundRect: p.AddRoundRectangle(R, gp::SizeF(ACorner, ACorner)); break;
    case bsDiamond: p.AddPolygon(diamond, 4); break;
    case bsRoundDiamond: p = RXCreateRoundDiamondPathF(R, ACorner); break;
  }
  return p.Points();
}

void ExpectOutline(const gp::DrawCall* ACall, TKVBorderShape AShape, const gp::RectF& R, float ACorner) {
  ASSERT_NE(ACall, nullptr);
  const std::vector<gp::PointF> want = ShapePoints(AShape, R, ACorner);
  ASSERT_EQ(ACall->Points.size(), want.size()) << "shape " << int(AShape);
  for (size_t k = 0; k < want.size(); ++k) {
    EXPECT_NEAR(ACall->Points[k].X, want[k].X, 1e-3) << "shape " << int(AShape) << " point " << k;
    EXPECT_NEAR(ACall->Points[k].Y, want[k].Y, 1e-3) << "shape " << int(AShape) << " point " << k;
  }
}

const gp::DrawCall* FirstFill(const gp::RecordingGraphics& ARec, TAlphaColor AColor) {
  for (const gp::DrawCall* c : ARec.Find("FillPath"))
    if (c->Color == AColor) return c;
  return nullptr;
}

}  // namespace

// S = 200: base width 4, outer band 10, no inner band. The face reaches under the ring, to
// p/2 = (4 + 10/2)/2 = 4.5 from the edge; face drawing and hands are clipped at c/2 = 14/2 = 7.
TEST(AngularFace, FaceAndClipShapePerBorderKind) {
  TScopedHost host;
  for (TKVBorderShape shape : {bsEllipse, bsRectangle, bsRoundRect, bsDiamond, bsRoundDiamond}) {
    TFaceProbe g;
    g.Border().SetShape(shape);
    g.Border().OuterBevel().Width().SetValue(0.05f);
    g.Border().InnerBevel().SetStyle(bvNone);
    const float corner = 20;  // CornerSize 0.1 of S

    gp::RecordingGraphics face;
    g.Scale().Size().SetValue(1.2f);  // ticks past the face: clipped
    g.DrawFace(face, 200, 200);
    g.Scale().Size().SetValue(1);
    ExpectOutline(FirstFill(face, g.Color()), shape, gp::RectF(4.5f, 4.5f, 191, 191), corner);
    const auto clips = face.Find("SetClipPath");  // the band helpers clip inside their own state
    ASSERT_FALSE(clips.empty());
    ExpectOutline(clips.back(), shape, gp::RectF(7, 7, 186, 186), corner);

    // Painted in a wider control the squared dial sits 20 px right; the hands' clip follows.
    g.SetBounds(0, 0, 240, 200);
    gp::RecordingGraphics painted;
    g.Paint(painted);
    const auto handClips = painted.Find("SetClipPath");
    ASSERT_FALSE(handClips.empty());
    ExpectOutline(handClips.back(), shape, gp::RectF(27, 7, 186, 186), corner);
  }

  // Not squared: the shapes stretch over the whole area, widths still against S = 200.
  TFaceProbe wide;
  wide.Border().SetSquare(false);
  wide.Border().InnerBevel().SetStyle(bvNone);
  gp::RecordingGraphics face;
  wide.DrawFace(face, 240, 200);  // p = 4 + 3, c = 10
  ExpectOutline(FirstFill(face, wide.Color()), bsEllipse, gp::RectF(3.5f, 3.5f, 233, 193), 20);
}

// Issue 12: ticks, labels and range arcs reaching past the face, and a cap moved to its rim, are
// cut at the face's outline: outside it the face and the glass look as they do when nothing
// reaches there. S = 200, inset 16: face clip (8, 8, 184, 184).
TEST(AngularFace, WhatReachesPastTheFaceIsCutAtItsOutline) {
  TScopedHost host;
  auto render = [](TFaceProbe& AGauge, bool AGlass) {
    gp::Bitmap b(200, 200);
    gp::CairoGraphics cg(b);
    if (AGlass) AGauge.DrawGlass(cg, 200, 200);
    else AGauge.DrawFace(cg, 200, 200);
    cg.Flush();
    return b;
  };
  // Pixels wholly outside the clip, and those that differ inside it.
  auto outside = [](int x, int y) { return std::hypot(x + 0.5 - 100, y + 0.5 - 100) > 92 + 1; };
  auto compare = [&](const gp::Bitmap& a, const gp::Bitmap& b, int& AOutside, int& AInside) {
    AOutside = AInside = 0;
    for (int y = 0; y < 200; ++y)
      for (int x = 0; x < 200; ++x)
        if (a.GetPixel(x, y) != b.GetPixel(x, y)) ++(outside(x, y) ? AOutside : AInside);
  };
  TFaceProbe inside, past;
  for (TFaceProbe* g : {&inside, &past}) g->Ranges().Ranges().Add();
  past.Scale().Size().SetValue(1.2f);
  past.Ranges().Size().SetValue(1.5f);
  past.Center().Position().X().SetValue(0.4f);
  int out = 0, in = 0;
  compare(render(inside, false), render(past, false), out, in);
  EXPECT_EQ(out, 0);
  EXPECT_GT(in, 500);  // the ticks and arcs did move
  compare(render(inside, true), render(past, true), out, in);
  EXPECT_EQ(out, 0);
  EXPECT_GT(in, 100);  // the cap did move
}

// A rebuilt face reuses the dropped layers: it must paint exactly what a first build paints,
// with nothing of the old face left (here a full circle of ranges and a caption that went away).
TEST(AngularFace, RebuildOnReusedLayersPaintsLikeAFirstBuild) {
  TScopedHost host;
  auto render = [](TDWAngularGauge& AGauge) {
    gp::Bitmap b(200, 200);
    gp::CairoGraphics cg(b);
    AGauge.Paint(cg);
    cg.Flush();
    return b;
  };
  TDWAngularGauge rebuilt, fresh;
  rebuilt.Hand().Animation().SetEnabled(false);
  fresh.Hand().Animation().SetEnabled(false);
  for (int k = 0; k < 3; ++k) rebuilt.Ranges().Ranges().Add().SetRange(0.4f);
  rebuilt.Caption().SetText("old");
  rebuilt.Glass().SetVisible(false);  // the band layer becomes the top layer, then the glass is back
  render(rebuilt);
  rebuilt.Ranges().Ranges().Clear();
  rebuilt.Caption().SetText("");
  rebuilt.Glass().SetVisible(true);
  rebuilt.SetValue(30);
  fresh.SetValue(30);
  const gp::Bitmap a = render(rebuilt), b = render(fresh);
  ASSERT_EQ(TDWLayeredInstrumentProbe::Builds(rebuilt), 2u);
  EXPECT_EQ(dwtest::DifferingPixels(a, b), 0);
}

// Focus gain and loss ask for a repaint (once per change): a selected control hand shows its
// selected colour only while the gauge has the focus.
TEST(AngularFace, FocusChangesRepaintAndRecolourTheSelectedHand) {
  TScopedHost host;
  TDWAngularGauge g;
  auto* knob = &g.Elements().Add<TDWExternalGaugeControlHandElement>();
  knob->Hand().SetColor(0xFF00FF00);
  knob->Hand().Shadow().SetVisible(false);
  knob->ControlHand().SetSelected(true);
  auto knobColour = [&] {
    gp::RecordingGraphics rec;
    g.Paint(rec);
    const auto polygons = rec.Find("FillPolygon");  // hands: the knob first, then the main hand
    return polygons.empty() ? TAlphaColor(0) : polygons.front()->Color;
  };
  EXPECT_EQ(knobColour(), 0xFF00FF00u);

  host.Host.ClearRepaintCounts();
  g.FocusGained();
  EXPECT_EQ(host.Host.RepaintCount(g), 1u);
  g.FocusGained();
  EXPECT_EQ(host.Host.RepaintCount(g), 1u);
  EXPECT_EQ(knobColour(), 0xFF0000FFu);
  g.FocusLost();
  EXPECT_EQ(host.Host.RepaintCount(g), 2u);
  EXPECT_TRUE(knob->ControlHand().Selected());
  EXPECT_EQ(knobColour(), 0xFF00FF00u);
}
