// The face's shape per border kind (face fill, face clip and the hands' clip, at a known size) and
// the standalone gauge's repaint on focus changes.
#include <gtest/gtest.h>

#include "dialworks/angular/DWAngularGaugeHands.h"
#include "dialworks/draw/RecordingGraphics.h"
#include "dialworks/draw/Shading.h"
#include "ScopedHost.h"

using namespace dw;

namespace {

using dwtest::TScopedHost;

class TFaceProbe : public TDWAngularGauge {
 public:
  using TDWBasicAngularGauge::DrawFace;
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
    g.DrawFace(face, g.Layout(200, 200), nullptr);
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
  wide.DrawFace(face, wide.Layout(240, 200), nullptr);  // p = 4 + 3, c = 10
  ExpectOutline(FirstFill(face, wide.Color()), bsEllipse, gp::RectF(3.5f, 3.5f, 233, 193), 20);
}

// Focus gain and loss ask for a repaint (once per change): a selected control hand shows its
// selected colour only while the gauge has the focus.
TEST(AngularFace, FocusChangesRepaintAndRecolourTheSelectedHand) {
  TScopedHost host;
  TDWAngularGauge g;
  auto* knob = g.Elements().Add<TDWExternalGaugeControlHandElement>();
  ASSERT_NE(knob, nullptr);
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
