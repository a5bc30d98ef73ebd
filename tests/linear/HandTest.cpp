// The linear hand as drawn (outline, shading, shadow, hit test, state colours) and its geometry.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "dialworks/draw/RecordingGraphics.h"
#include "dialworks/linear/DWLinearGauge.h"
#include "dialworks/linear/DWLinearGaugeHands.h"
#include "support/FedPin.h"
#include "support/InstrumentTest.h"

using namespace dw;

namespace {

gp::RectF Bounds(const std::vector<gp::PointF>& APoints) {
  float x0 = 1e30f, y0 = 1e30f, x1 = -1e30f, y1 = -1e30f;
  for (const gp::PointF& p : APoints) {
    x0 = std::min(x0, p.X), y0 = std::min(y0, p.Y), x1 = std::max(x1, p.X), y1 = std::max(y1, p.Y);
  }
  return {x0, y0, x1 - x0, y1 - y0};
}

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

}  // namespace

TEST(LinearHand, OutlineBandsAndShadowAtTheAnchor) {
  dwtest::TScopedHost host;
  TDWLinearGauge g;  // 60 x 250, upright
  g.Hand().Animation().SetEnabled(false);
  g.SetValue(40);
  const TDWLinearHandPlace P = g.HandPlace(g.Frame(60, 250));
  gp::RecordingGraphics rec;
  g.Hand().Draw(rec, P);

  const float Lh = 0.25f * 2 * P.Frame.HW, w = 0.03f * 2 * P.Frame.HH, tw = 0.2f * w, tl = 0.65f * Lh;
  const float t = 0.15f * Lh;
  const float ax = P.Rail.X, ay = P.Rail.T + P.Rail.L - (P.Rail.L + 0.5f) * 0.4f;
  const auto polys = rec.Find("FillPolygon");
  ASSERT_EQ(polys.size(), 4u);
  // Outline: body then the tapering tip, in the hand's colour.
  const std::vector<gp::PointF> outline = {{ax, ay - w / 2},        {ax + Lh - tl, ay - w / 2}, {ax + Lh, ay - tw / 2},
                                           {ax + Lh, ay + tw / 2}, {ax + Lh - tl, ay + w / 2}, {ax, ay + w / 2}};
  ASSERT_EQ(polys[0]->Points.size(), 6u);
  for (size_t k = 0; k < 6; ++k) {
    EXPECT_NEAR(polys[0]->Points[k].X, outline[k].X, 1e-3) << k;
    EXPECT_NEAR(polys[0]->Points[k].Y, outline[k].Y, 1e-3) << k;
  }
  // The shading bands meet at the tail indent.
  EXPECT_NEAR(polys[1]->Points[3].X, ax + t, 1e-3);
  EXPECT_NEAR(polys[3]->Points[2].X, ax + t, 1e-3);
  EXPECT_NEAR(polys[3]->Points[2].Y, ay + tw / 2, 1e-3);

  // The shadow is the outline swept down-right by 0.1 x min(HH, HW), drawn first, at the anchor
  // (translated there once: its bounds start at the hand's).
  const auto paths = rec.Find("FillPath");
  ASSERT_EQ(paths.size(), 1u);
  EXPECT_LT(&*paths[0], &*polys[0]);
  const float d = 0.1f * std::min(P.Frame.HH, P.Frame.HW) * std::sqrt(0.5f);
  const gp::RectF s = Bounds(paths[0]->Points), h = Bounds(outline);
  EXPECT_NEAR(s.X, h.X, 1e-3);
  EXPECT_NEAR(s.Y, h.Y, 1e-3);
  EXPECT_NEAR(s.Width, h.Width + d, 1e-3);
  EXPECT_NEAR(s.Height, h.Height + d, 1e-3);
  // ... with the rail (half a hand width longer than the scale at each end) cut out of the clip.
  const auto clips = rec.Find("SetClipPath");
  ASSERT_EQ(clips.size(), 1u);
  EXPECT_EQ(clips[0]->Args[0], float(gp::CombineModeExclude));
  const float rw = 0.08f * 2 * P.Frame.HW;
  const gp::RectF rail = Bounds(clips[0]->Points);
  EXPECT_NEAR(rail.X, P.Rail.X - rw / 2, 1e-3);
  EXPECT_NEAR(rail.Y, P.Rail.T - w / 2, 1e-3);
  EXPECT_NEAR(rail.Height, P.Rail.L + w, 1e-3);
  // The body is drawn without the exclusion.
  EXPECT_EQ(polys[0]->Clip.Width, 4096);

  // Without a rail nothing is cut out; without a shadow none is drawn.
  g.Rail().SetVisible(false);
  gp::RecordingGraphics rec2;
  g.Hand().Draw(rec2, g.HandPlace(g.Frame(60, 250)));
  EXPECT_TRUE(rec2.Find("SetClipPath").empty());
  g.Hand().Shadow().SetVisible(false);
  gp::RecordingGraphics rec3;
  g.Hand().Draw(rec3, g.HandPlace(g.Frame(60, 250)));
  EXPECT_TRUE(rec3.Find("FillPath").empty());
  EXPECT_EQ(rec3.Find("FillPolygon").size(), 4u);
}

TEST(LinearHand, ShadowFallsTheSameWayOnScreenAtEveryRotation) {
  for (float angle : {0.0f, 90.0f, 180.0f, 270.0f}) {
    const TDWLinearHandShape shape = DWLinearHandShape(20, 6, 10, 2, 3);
    const float a = (360 - angle + 45) * 3.14159265f / 180;
    const std::vector<gp::PointF> hull = DWLinearHandShadowOutline(shape.Outline, 4 * std::sin(a), 4 * std::cos(a));
    // Every point of the outline and of its moved copy lies inside or on the hull.
    gp::GraphicsPath path;
    path.AddPolygon(hull.data(), int(hull.size()));
    EXPECT_LE(hull.size(), 12u);
    EXPECT_TRUE(path.IsVisible(10, 0)) << angle;
    EXPECT_TRUE(path.IsVisible(10 + 4 * std::sin(a), 4 * std::cos(a))) << angle;
    // On screen the frame turns by -angle: the offset comes out down-right every time.
    const float sx = std::cos(angle * 3.14159265f / 180) * std::sin(a) + std::sin(angle * 3.14159265f / 180) * std::cos(a);
    EXPECT_GT(sx, 0) << angle;
  }
}

TEST(LinearHand, HitTestFollowsTheRotatedFrame) {
  dwtest::TScopedHost host;
  TDWLinearGauge g;
  g.SetBounds(0, 0, 250, 60);
  g.Rotation().SetAngle(270);  // Min at the left, the hand pointing down
  auto& c = g.Elements().Add<TDWExternalLinearGaugeControlHandElement>();
  c.Hand().Animation().SetEnabled(false);
  c.SetValue(50);
  const TDWLinearMouseGeometry G = DWLinearMouseGeometry(g);
  // Where the hand's middle lies on screen: frame point -> control.
  const float y = DWLinearHandY(G.Place.Rail, 0.5f, false);
  gp::PointF p{G.Place.Rail.X + 3, y};
  g.Frame(250, 60).Transform.Matrix.TransformPoints(&p, 1);
  EXPECT_TRUE(c.LinearAnalogHitTest(int(std::lround(p.X)), int(std::lround(p.Y)), G));
  EXPECT_FALSE(c.LinearAnalogHitTest(int(std::lround(p.X)) + 40, int(std::lround(p.Y)), G));
  EXPECT_NEAR(p.X, 125, 3);
  // A disabled element is not hit.
  c.SetEnabled(false);
  EXPECT_FALSE(c.LinearAnalogHitTest(int(std::lround(p.X)), int(std::lround(p.Y)), G));
}

TEST(LinearHand, ControlHandColoursForEveryState) {
  dwtest::TScopedHost host;
  TDWLinearGauge g;
  auto& c = g.Elements().Add<TDWExternalLinearGaugeControlHandElement>();
  TDWControlLinearGaugeHand& h = c.ControlHand();
  h.SetColor(0xFF111111);
  struct Case {
    bool Over, Selected, Focused;
    TAlphaColor Expected;
  };
  for (const Case& k : {Case{false, false, false, 0xFF111111}, Case{false, false, true, 0xFF111111},
                        Case{false, true, false, 0xFF111111}, Case{false, true, true, 0xFF0000FF},
                        Case{true, false, false, 0xFFFFA500}, Case{true, false, true, 0xFFFFA500},
                        Case{true, true, false, 0xFFFFA500}, Case{true, true, true, 0xFF6495ED}}) {
    h.SetMouseOver(k.Over, 0, 0, false);
    h.SetSelected(k.Selected);
    if (k.Focused) g.FocusGained();
    else g.FocusLost();
    EXPECT_EQ(h.GetColor(), k.Expected) << k.Over << k.Selected << k.Focused;
  }
}

TEST(LinearHand, ValuesReadWhileTheirPinsAreFed) {
  dwtest::TScopedHost host;
  dwtest::HandValuesReadWhileFed<TDWLinearGauge, TDWExternalLinearGaugeHandElement, TDWLinearGaugeMinMaxHandElement>(
      [](const TDWLinearGaugeMinMaxHandElement& AHand) { return AHand.Value(); });
}

TEST(LinearGeometry, PositionAndDragAreInverse) {
  TDWTransformParams t;
  t.Width = 60;
  t.Height = 250;
  const TDWLinearFrame F = DWLinearFrame(t, 7.2f);
  EXPECT_FLOAT_EQ(F.HW, 22.8f);
  EXPECT_FLOAT_EQ(F.HH, 117.8f);
  EXPECT_FLOAT_EQ(F.Bh, 3.6f);
  const TDWLinearRail R = DWLinearRail(F, 0.9f * 2 * F.HH, 0, 0.1f * 2 * F.HW);
  // Min at the bottom, Max half a pixel above the top; reversed swaps them.
  EXPECT_FLOAT_EQ(DWLinearHandY(R, 0, false), R.Bottom());
  EXPECT_FLOAT_EQ(DWLinearHandY(R, 1, false), R.T - 0.5f);
  EXPECT_FLOAT_EQ(DWLinearHandY(R, 0, true), R.T - 0.5f);
  // Outside 0..1 and NaN park the hand at an end.
  EXPECT_FLOAT_EQ(DWLinearHandY(R, 7, false), R.T - 0.5f);
  EXPECT_FLOAT_EQ(DWLinearHandY(R, -3, false), R.Bottom());
  EXPECT_FLOAT_EQ(DWLinearHandY(R, kNaN, false), R.Bottom());
  for (bool reversed : {false, true})
    for (double v : {0.0, 12.5, 50.0, 99.0, 100.0}) {
      const float y = DWLinearHandY(R, DWLinearFraction(0, 100, v), reversed);
      EXPECT_NEAR(DWLinearDragValue(R, y, reversed, 0, 100), v, 1e-3) << v << " reversed " << reversed;
    }
  // The drag example: Min 10, Max 20, the pointer at the rail's middle gives just under 15.
  const double mid = DWLinearDragValue(R, R.T + R.L / 2, false, 10, 20);
  EXPECT_NEAR(mid, 10 + 10 * (R.L / 2.0) / (R.L + 0.5), 1e-5);
  EXPECT_LT(mid, 15);
  // Above the top gives the upper bound, below the bottom the lower one, NaN counts as the top.
  EXPECT_EQ(DWLinearDragValue(R, R.T - 50, false, 10, 20), 20);
  EXPECT_EQ(DWLinearDragValue(R, R.Bottom() + 50, false, 10, 20), 10);
  EXPECT_EQ(DWLinearDragValue(R, R.Bottom() + 50, true, 10, 20), 20);
  EXPECT_EQ(DWLinearDragValue(R, kNaN, false, 10, 20), 20);
  // An empty or non-finite range has every value at fraction 0.
  EXPECT_EQ(DWLinearFraction(5, 5, 5), 0);
  EXPECT_EQ(DWLinearFraction(0, std::numeric_limits<double>::infinity(), 5), 0);
  EXPECT_TRUE(std::isfinite(DWLinearFraction(0, 1e-300, 1e300)));
}

TEST(LinearGeometry, WheelStepsStopAtTheBounds) {
  double v = 95;
  for (int k = 0; k < 10; ++k) v = DWLinearWheelValue(v, 1, 0, 200);
  EXPECT_EQ(v, 115);
  for (int k = 0; k < 200; ++k) v = DWLinearWheelValue(v, 1, 0, 200);
  EXPECT_EQ(v, 200);
  for (int k = 0; k < 200; ++k) v = DWLinearWheelValue(v, -1, 0, 200);
  EXPECT_EQ(v, 0);
  // A reversed range (Min > Max) still stays between its ends.
  EXPECT_EQ(DWLinearWheelValue(10, 1, 10, 0), 9.9);
  EXPECT_EQ(DWLinearWheelValue(0, 1, 10, 0), 0);
}

TEST(LinearGeometry, FrameOfTheGaugeAtEveryRotationAndSize) {
  dwtest::TScopedHost host;
  TDWLinearGauge g;
  // Default: upright, border 0.02 + two frame layers of 0.05 of the 60 px side.
  TDWLinearFrame F = g.Frame(60, 250);
  EXPECT_NEAR(F.B, 7.2f, 1e-4);
  EXPECT_FALSE(F.Transform.Turned);
  g.Rotation().SetAngle(90);
  F = g.Frame(250, 60);
  EXPECT_TRUE(F.Transform.Turned);
  EXPECT_EQ(F.Transform.Width, 60);
  EXPECT_EQ(F.Transform.Height, 250);
  // Turned counter-clockwise by 90 degrees, the frame's bottom (Min) lies at the control's right.
  gp::PointF bottom(30, 250);
  F.Transform.Matrix.TransformPoints(&bottom, 1);
  EXPECT_NEAR(bottom.X, 250, 1e-3);
  for (float angle : {0.0f, 30.0f, 90.0f, 180.0f, 270.0f, 359.0f, 1e9f})
    for (int size : {0, 1, 4, 5, 60, 100000}) {
      g.Rotation().SetAngle(angle);
      const TDWLinearFrame f = g.Frame(float(size), float(size) * 4);
      const TDWLinearHandPlace p = g.HandPlace(f);
      for (float v : {f.HW, f.HH, f.Bh, p.Rail.L, p.Rail.T, p.Rail.X})
        EXPECT_TRUE(std::isfinite(v) && v > -1e-3f) << angle << " " << size;
    }
}
