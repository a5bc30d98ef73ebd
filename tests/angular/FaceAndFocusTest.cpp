// The face's shape per border kind (face fill, face clip and the hands' clip, at a known size) and
// the standalone gauge's repaint on focus changes.
#include <gtest/gtest.h>

#include "dialworks/angular/DWAngularGaugeHands.h"
#include "dialworks/draw/CairoGraphics.h"
#include "dialworks/draw/RecordingGraphics.h"
#include "dialworks/draw/Shading.h"
#include "ScopedHost.h"

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

    // Painted in a wider control the squared dial sits 20 px right; the hands' clip follows. A
    // hand that stays inside the shape's inner circle needs no clip (the diamond's is smaller
    // than the default hand with its shadow); one reaching past the face is always clipped.
    g.SetBounds(0, 0, 240, 200);
    gp::RecordingGraphics inside;
    g.Paint(inside);
    EXPECT_EQ(inside.Find("SetClipPath").size(), shape == bsDiamond || shape == bsRoundDiamond ? 1u : 0u)
        << "shape " << int(shape);
    g.Hand().Length().SetValue(1.2f);
    gp::RecordingGraphics painted;
    g.Paint(painted);
    const auto handClips = painted.Find("SetClipPath");
    ASSERT_EQ(handClips.size(), 1u);
    ExpectOutline(handClips[0], shape, gp::RectF(27, 7, 186, 186), corner);
  }

  // Not squared: the shapes stretch over the whole area, widths still against S = 200.
  TFaceProbe wide;
  wide.Border().SetSquare(false);
  wide.Border().InnerBevel().SetStyle(bvNone);
  gp::RecordingGraphics face;
  wide.DrawFace(face, 240, 200);  // p = 4 + 3, c = 10
  ExpectOutline(FirstFill(face, wide.Color()), bsEllipse, gp::RectF(3.5f, 3.5f, 233, 193), 20);
}

// The face clip is set only around what may reach past the face (it makes every fill under it a
// masked composite): tick lines, labels (by their measured box), range arcs and the cap only when
// they reach past the shape's inner circle. S = 200, inset 16: face clip (8, 8, 184, 184), inner
// radius 92.
TEST(AngularFace, FaceClipOnlyAroundWhatMayLeaveTheFace) {
  TScopedHost host;
  auto clipped = [](const gp::DrawCall* ACall) { return ACall->Clip.Width < 200; };
  auto count = [&](const gp::RecordingGraphics& ARec, const char* AOp, bool AClipped) {
    size_t n = 0;
    for (const gp::DrawCall* c : ARec.Find(AOp)) n += clipped(c) == AClipped;
    return n;
  };
  TFaceProbe g;
  g.Ranges().Ranges().Add();
  gp::RecordingGraphics face;
  g.DrawFace(face, 200, 200);
  EXPECT_GT(count(face, "DrawLine", false), 10u);
  EXPECT_EQ(count(face, "DrawLine", true), 0u);
  EXPECT_EQ(count(face, "DrawArc", false), 2u);
  EXPECT_GT(count(face, "DrawString", false), 5u);
  EXPECT_EQ(count(face, "DrawString", true), 0u);
  gp::RecordingGraphics glass;
  g.DrawGlass(glass, 200, 200);
  const auto glassFills = [&](const gp::RecordingGraphics& ARec, bool AClipped) {
    return count(ARec, "FillPath", AClipped) + count(ARec, "FillEllipse", AClipped);
  };
  EXPECT_EQ(glassFills(glass, true), 1u);  // only the gloss, which clips itself to the shape
  EXPECT_GT(glassFills(glass, false), 1u);

  // Ticks and ranges past the face, the cap moved to the rim: all clipped, the order kept.
  g.Scale().Size().SetValue(1.2f);
  g.Ranges().Size().SetValue(1.5f);
  g.Center().Position().X().SetValue(0.4f);
  gp::RecordingGraphics wide;
  g.DrawFace(wide, 200, 200);
  EXPECT_EQ(count(wide, "DrawLine", false), 0u);
  EXPECT_EQ(count(wide, "DrawArc", false), 0u);
  EXPECT_EQ(count(wide, "DrawLine", true), count(face, "DrawLine", false));
  EXPECT_EQ(count(wide, "DrawString", false), 0u);
  EXPECT_GT(count(wide, "DrawString", true), 5u);
  for (const gp::DrawCall* c : wide.Find("DrawString")) {
    EXPECT_NEAR(c->Clip.X, 8, 0.5);
    EXPECT_NEAR(c->Clip.Width, 184, 0.5);
  }
  gp::RecordingGraphics moved;
  g.DrawGlass(moved, 200, 200);
  EXPECT_EQ(glassFills(moved, false), 0u);
  EXPECT_EQ(glassFills(moved, true), glassFills(glass, true) + glassFills(glass, false));
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
  int differ = 0;
  for (int y = 0; y < 200; ++y)
    for (int x = 0; x < 200; ++x) differ += a.GetPixel(x, y) != b.GetPixel(x, y);
  EXPECT_EQ(differ, 0);
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
