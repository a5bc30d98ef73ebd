// The linear gauge's geometry rules: value to position and back, the wheel, the frame at every
// rotation, and bad sizes.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "dialworks/linear/DWLinearGauge.h"
#include "dialworks/linear/DWLinearGaugeHands.h"
#include "support/InstrumentTest.h"

using namespace dw;

namespace {
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
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
