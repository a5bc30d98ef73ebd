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
  // Full resistance: the speed does not carry over.
  TDWHandMotion r{10, 0, 0};
  DWHandAnimationStep(r, 0.1f, 1, false);
  EXPECT_FLOAT_EQ(r.Speed, 1.0f);
  DWHandAnimationStep(r, 0.1f, 1, false);
  EXPECT_FLOAT_EQ(r.Speed, 0.9f);
  // A non-finite target stops the motion instead of animating forever.
  TDWHandMotion bad{std::numeric_limits<float>::quiet_NaN(), 20, 3};
  EXPECT_FALSE(DWHandAnimationStep(bad, 0.015f, 0.16f, false));
  EXPECT_EQ(bad.Current, 20);
  EXPECT_EQ(bad.Speed, 0);
  EXPECT_FALSE(DWHandAnimationStep(bad, 0.015f, 0.16f, false));
}

TEST(HandGeometry, PolygonsAndBevelLight) {
  const TDWHandPolygons p = DWHandPolygons(78, 40, 2, 10, 7);
  EXPECT_EQ(p.Full[0], gp::PointF(-40, -6));
  EXPECT_EQ(p.Full[1], gp::PointF(78, -1));
  EXPECT_EQ(p.Full[3], gp::PointF(-40, 6));
  EXPECT_EQ(p.LeftBevel[0], gp::PointF(-33, -1));
  EXPECT_EQ(p.RightBevel[1], gp::PointF(-40, 6));
  EXPECT_EQ(p.TailBevel[2], gp::PointF(-33, 1));
  // Pointing right: 0.625 and 0.25 of the light; 42.5 rounds to 42 (halves to even).
  TDWHandBevelAlphas a = DWHandBevelAlphas(0);
  EXPECT_EQ(a.Left, 126);
  EXPECT_EQ(a.Right, 62);
  EXPECT_EQ(a.Tail, 126);
  // Pointing down (90 on screen) the right bevel turns to the left, towards the light.
  a = DWHandBevelAlphas(90);
  EXPECT_EQ(a.Right, 126);
  EXPECT_EQ(a.Left, 62);
  EXPECT_EQ(DWHandBevelAlphas(-270).Right, a.Right);
  EXPECT_EQ(DWFoldAngleOnce(-90), 270);
  EXPECT_EQ(DWFoldAngleOnce(400), 40);
  EXPECT_EQ(DWFoldAngleOnce(1000), 280);
}

TEST(Placement, ElementsAndMatrixLayers) {
  gp::RectF r = DWPlaceElement({0.3f, 0.3f}, {0, 0.6f}, false, 100, 100, 200, 200);
  EXPECT_FLOAT_EQ(r.Width, 60);
  EXPECT_FLOAT_EQ(r.Height, 60);
  EXPECT_FLOAT_EQ(r.X, 69.5f);
  EXPECT_FLOAT_EQ(r.Y, 129.5f);
  r = DWPlaceElement({0.3f, 0.6f}, {0, 0}, true, 100, 100, 200, 200);
  EXPECT_FLOAT_EQ(r.Width, 60);
  EXPECT_FLOAT_EQ(r.Height, 60);
  TDWMatrixPlacement m = DWPlaceMatrixLayer({0.6f, 0.6f}, {0, 0}, 32, 16);
  EXPECT_FLOAT_EQ(m.Width, 9.6f);
  EXPECT_FLOAT_EQ(m.Height, 9.6f);
  EXPECT_EQ(m.Left, 0);
  EXPECT_EQ(m.Top, 0);
  m = DWPlaceMatrixLayer({0.5f, 0.5f}, {0.25f, 0.5f}, 10, 5);  // 2.5 -> 2, 2.5 -> 2
  EXPECT_EQ(m.Left, 2);
  EXPECT_EQ(m.Top, 2);
}

TEST(RangePalette, LeastUsedColourFirstOnTies) {
  std::vector<TAlphaColor> used;
  for (int i = 0; i < 3; ++i) used.push_back(DWNewRangeColor(used));
  EXPECT_EQ(used, (std::vector<TAlphaColor>{0xFF00FF00, 0xFFFFFF00, 0xFFFF0000}));
  used.erase(used.begin() + 1);
  EXPECT_EQ(DWNewRangeColor(used), 0xFFFFFF00u);
  std::vector<TAlphaColor> all(kDWRangePalette.begin(), kDWRangePalette.end());
  all.push_back(0xFF00FF00);
  EXPECT_EQ(DWNewRangeColor(all), 0xFFFFFF00u);
}
