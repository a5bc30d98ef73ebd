#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <limits>
#include <thread>

#include "dialworks/draw/RecordingGraphics.h"
#include "dialworks/foundation/DWAnalogInstrumentGeometry.h"
#include "dialworks/foundation/DWAnalogInstrumentHand.h"
#include "dialworks/host/Helpers.h"

using namespace dw;

namespace {

void ExpectPoint(gp::PointF AActual, float AX, float AY) {
  EXPECT_NEAR(AActual.X, AX, 1e-3) << "x";
  EXPECT_NEAR(AActual.Y, AY, 1e-3) << "y";
}

// Draws the hand pivoting at the middle of a 201 x 201 area (centre 100, 100) with a reference
// length of 100 pixels.
gp::RecordingGraphics DrawHand(TDWAngularHand& AHand, float AScale = 1) {
  gp::RecordingGraphics g;
  AHand.Draw(g, 0, 0, 100, 100, 201, 201, 0, 0, AScale, AScale);
  return g;
}

class TOpenScaleHand : public TDWAngularHand {
 public:
  using TDWAngularHand::TDWAngularHand;
  bool GetIsFullCircle() const override { return false; }
};

}  // namespace

TEST(AngularHand, PolygonsBevelsAndShadowAsDrawn) {
  TDWAngularHand hand(nullptr, nullptr, nullptr);
  hand.SetAngle(0);
  gp::RecordingGraphics g = DrawHand(hand);
  auto fills = g.Drawing();
  ASSERT_EQ(fills.size(), 5u);  // shadow, hand, left, right and tail bevel

  // Shadow: the full polygon moved by 0.014 x 201 down and right, not scaled.
  EXPECT_EQ(fills[0]->Op, "FillPath");
  ExpectPoint(fills[0]->Points[0], 100 - 40 + 2.814f, 100 - 6 + 2.814f);
  const gp::PathGradientBrush* shadow = hand.ShadowBrush();
  ASSERT_NE(shadow, nullptr);
  EXPECT_EQ(shadow->GetWrapMode(), gp::WrapModeClamp);
  EXPECT_EQ(shadow->GetCenterPoint(), gp::PointF(-20, 0));
  EXPECT_EQ(shadow->Blend().InterpolationColors(),
            (std::vector<gp::GradientStop>{{0, 0x00000000}, {0.7f, 0x8C000000}, {1, 0x8C000000}}));

  // Hand: length 78, tail 40, tip 2, tail end 2 + 10 wide, notch 7.
  EXPECT_EQ(fills[1]->Op, "FillPolygon");
  EXPECT_EQ(fills[1]->Color, 0xFFFF0000u);
  ASSERT_EQ(fills[1]->Points.size(), 4u);
  ExpectPoint(fills[1]->Points[0], 60, 94);
  ExpectPoint(fills[1]->Points[1], 178, 99);
  ExpectPoint(fills[1]->Points[2], 178, 101);
  ExpectPoint(fills[1]->Points[3], 60, 106);
  ExpectPoint(fills[2]->Points[0], 67, 99);  // left bevel starts at the notch
  ExpectPoint(fills[4]->Points[2], 67, 101);
  // Pointing right, the light from the top left makes the left bevel the brighter.
  EXPECT_EQ(fills[2]->Color, 0x7EFFFFFFu);  // 126
  EXPECT_EQ(fills[3]->Color, 0x3EFFFFFFu);  // 62
  EXPECT_EQ(fills[4]->Color, 0x7EFFFFFFu);
  EXPECT_TRUE(g.GetTransform().IsIdentity());

  // Pointing down (90 screen degrees): the tip turns to (100, 178); the bevels swap their light.
  hand.SetAngle(90);
  g = DrawHand(hand);
  fills = g.Drawing();
  ExpectPoint(fills[1]->Points[1], 101, 178);
  EXPECT_EQ(fills[2]->Color, 0x3EFFFFFFu);
  EXPECT_EQ(fills[3]->Color, 0x7EFFFFFFu);
  // Angles beyond a turn are folded once before drawing.
  hand.SetAngle(450);
  EXPECT_EQ(DrawHand(hand).Drawing()[3]->Color, 0x7EFFFFFFu);

  // The hand is scaled about the device origin, the shadow is not.
  hand.SetAngle(0);
  g = DrawHand(hand, 2);
  fills = g.Drawing();
  ExpectPoint(fills[1]->Points[1], 2 * 178, 2 * 99);
  ExpectPoint(fills[0]->Points[1], 178 + 2.814f, 99 + 2.814f);
}

TEST(AngularHand, OptionalPartsAndCachedGeometry) {
  int changes = 0;
  TDWAngularHand hand([&] { ++changes; }, nullptr, nullptr);
  hand.TailIndentSize().SetValue(0);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(DrawHand(hand).Drawing().size(), 4u);  // no tail bevel without a notch
  hand.Shadow().SetVisible(false);
  gp::RecordingGraphics g = DrawHand(hand);
  auto fills = g.Drawing();
  ASSERT_EQ(fills.size(), 3u);
  EXPECT_EQ(fills[0]->Op, "FillPolygon");
  EXPECT_EQ(hand.ShadowBrush(), nullptr);

  // A size change rebuilds the polygons; so does a new reference length.
  hand.Length().SetValue(0.5f);
  ExpectPoint(DrawHand(hand).Drawing()[0]->Points[1], 150, 99);
  g.ClearCalls();
  hand.Draw(g, 0, 0, 50, 50, 201, 201, 0, 0, 1, 1);
  ExpectPoint(g.Drawing()[0]->Points[1], 125, 99.5f);

  hand.SetVisible(false);
  EXPECT_TRUE(DrawHand(hand).Drawing().empty());

  // Bad sizes draw nothing outside the area and never NaN.
  hand.SetVisible(true);
  hand.Length().SetValue(std::numeric_limits<float>::quiet_NaN());
  EXPECT_EQ(hand.Length().Value(), 0.5f);
}

TEST(AngularHand, HitTestTheHandNotItsShadow) {
  TDWAngularHand hand(nullptr, nullptr, nullptr);
  hand.SetAngle(0);
  EXPECT_TRUE(hand.HitTest(170, 100, 0, 0, 100, 100, 201, 201, 1, 1));  // near the tip
  EXPECT_TRUE(hand.HitTest(65, 104, 0, 0, 100, 100, 201, 201, 1, 1));   // wide tail
  EXPECT_FALSE(hand.HitTest(181, 100, 0, 0, 100, 100, 201, 201, 1, 1));  // beyond the tip
  // Just below the hand near the tip lies only its shadow.
  gp::RecordingGraphics g = DrawHand(hand);
  gp::GraphicsPath shadow;
  shadow.AddPolygon(g.Drawing()[0]->Points);
  ASSERT_TRUE(shadow.IsVisible(170, 103));
  EXPECT_FALSE(hand.HitTest(170, 103, 0, 0, 100, 100, 201, 201, 1, 1));
  // Rotation, offset and scale: rotated first, moved second, scaled last.
  hand.SetAngle(90);
  EXPECT_TRUE(hand.HitTest(100, 170, 0, 0, 100, 100, 201, 201, 1, 1));
  EXPECT_FALSE(hand.HitTest(170, 100, 0, 0, 100, 100, 201, 201, 1, 1));
  EXPECT_TRUE(hand.HitTest(110, 175, 10, 5, 100, 100, 201, 201, 1, 1));
  EXPECT_TRUE(hand.HitTest(220, 340, 10, 5, 100, 100, 201, 201, 2, 2));
}

// The spring itself (steps, overshoot, the shorter way round): HandAnimation in GeometryTest.
TEST(AngularHand, AnimationDrivesTheAngleState) {
  TDWAngularHand hand(nullptr, nullptr, nullptr);
  hand.SetAngle(0);
  hand.SetTargetAngle(90);
  ASSERT_TRUE(hand.PerformAnimation());
  EXPECT_GT(hand.GetCurrentAngle(), 0);
  while (hand.PerformAnimation()) {}
  EXPECT_EQ(hand.GetCurrentAngle(), 90);
  // An open scale never takes the way through 360.
  TOpenScaleHand open(nullptr, nullptr, nullptr);
  open.SetAngle(350);
  open.SetTargetAngle(10);
  open.PerformAnimation();
  EXPECT_LT(open.GetMotion().Speed, 0);

  // SetAngle jumps and stops; non-finite angles are ignored.
  hand.SetAngle(45);
  EXPECT_EQ(hand.GetMotion().Speed, 0);
  EXPECT_EQ(hand.GetTargetAngle(), 45);
  hand.SetAngle(std::numeric_limits<float>::quiet_NaN());
  hand.SetTargetAngle(std::numeric_limits<float>::infinity());
  EXPECT_EQ(hand.GetCurrentAngle(), 45);
  EXPECT_FALSE(hand.PerformAnimation());

  // The constants are limited to 0..1 and reach the step: with full resistance the speed does
  // not carry over.
  TDWHandAnimation& a = hand.Animation();
  a.SetAcceleration(2);
  EXPECT_EQ(a.Acceleration(), 1);
  a.SetAcceleration(-1);
  EXPECT_EQ(a.Acceleration(), 0);
  a.SetResistance(std::numeric_limits<float>::quiet_NaN());
  EXPECT_FLOAT_EQ(a.Resistance(), 0.16f);
  a.SetAcceleration(0.1f);
  a.SetResistance(1);
  hand.SetTargetAngle(55);
  hand.PerformAnimation();
  hand.PerformAnimation();
  EXPECT_FLOAT_EQ(hand.GetMotion().Speed, 0.9f);
}

// Animation ticks may arrive on the animation clock's thread while the user-interface thread
// retargets, retunes and draws the hand.
TEST(AngularHand, AnimationTicksFromAnotherThread) {
  TDWAngularHand hand(nullptr, nullptr, nullptr);
  std::atomic<bool> stop{false};
  std::thread ticker([&] {
    while (!stop) hand.PerformAnimation();
  });
  for (int i = 0; i < 300; ++i) {
    hand.SetTargetAngle(float(i * 37 % 360));
    hand.Animation().SetAcceleration(i % 2 ? 0.02f : 0.015f);
    hand.Animation().SetResistance(i % 3 ? 0.2f : 0.16f);
    gp::RecordingGraphics g = DrawHand(hand);
    EXPECT_EQ(g.Drawing().size(), 5u);
    EXPECT_TRUE(std::isfinite(hand.GetCurrentAngle()));
  }
  stop = true;
  ticker.join();
}

TEST(HandAnimation, DefaultSpringMovesOvershootsAndArrives) {
  TDWHandMotion m{90, 0, 0};
  ASSERT_TRUE(DWHandAnimationStep(m, 0.015f, 0.16f, false));
  EXPECT_NEAR(m.Current, 1.35f, 1e-5);
  float highest = m.Current;
  int steps = 1;
  while (DWHandAnimationStep(m, 0.015f, 0.16f, false)) {
    highest = std::max(highest, m.Current);
    ++steps;
    ASSERT_LT(steps, 1000);
  }
  EXPECT_EQ(steps + 1, 134);  // the arriving step is the 134th
  EXPECT_NEAR(highest - 90, 4.84f, 0.005);
  EXPECT_EQ(m.Current, 90);
  EXPECT_EQ(m.Speed, 0);
}

TEST(HandAnimation, FullCircleTakesTheShorterWayOnlyOnFullCircles) {
  TDWHandMotion full{10, 350, 0};
  DWHandAnimationStep(full, 0.015f, 0.16f, true);
  EXPECT_GT(full.Speed, 0);  // clockwise through 360
  TDWHandMotion open{10, 350, 0};
  DWHandAnimationStep(open, 0.015f, 0.16f, false);
  EXPECT_LT(open.Speed, 0);  // back through 340 degrees
  while (DWHandAnimationStep(full, 0.015f, 0.16f, true)) {}
  EXPECT_NEAR(RXNormalizeAngle(full.Current), 10, 1e-4);
}

TEST(HandAnimation, EdgeSettings) {
  // No acceleration: the hand never moves and keeps reporting motion while 0.1 degree away.
  TDWHandMotion still{1, 0, 0};
  for (int i = 0; i < 5; ++i) EXPECT_TRUE(DWHandAnimationStep(still, 0, 0.16f, false));
  EXPECT_EQ(still.Current, 0);
  // A non-finite target stops the motion instead of animating forever.
  TDWHandMotion bad{std::numeric_limits<float>::quiet_NaN(), 20, 3};
  EXPECT_FALSE(DWHandAnimationStep(bad, 0.015f, 0.16f, false));
  EXPECT_EQ(bad.Current, 20);
  EXPECT_EQ(bad.Speed, 0);
  EXPECT_FALSE(DWHandAnimationStep(bad, 0.015f, 0.16f, false));
}

// The polygons and bevel light as drawn: the angular hand's test.
TEST(HandGeometry, RightBevelAndTheAngleFoldedOnce) {
  EXPECT_EQ(DWHandPolygons(78, 40, 2, 10, 7).RightBevel[1], gp::PointF(-40, 6));
  EXPECT_EQ(DWHandBevelAlphas(-270).Right, DWHandBevelAlphas(90).Right);
  EXPECT_EQ(DWFoldAngleOnce(-90), 270);
  EXPECT_EQ(DWFoldAngleOnce(400), 40);
  EXPECT_EQ(DWFoldAngleOnce(1000), 280);
}
