#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "dialworks/foundation/DWAnalogInstrumentGeometry.h"
#include "dialworks/host/Helpers.h"

using namespace dw;

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
  EXPECT_EQ(DWHandBevelAlphas(0).Tail, 126);
  EXPECT_EQ(DWFoldAngleOnce(-90), 270);
  EXPECT_EQ(DWFoldAngleOnce(400), 40);
  EXPECT_EQ(DWFoldAngleOnce(1000), 280);
}
