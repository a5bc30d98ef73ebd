#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "dialworks/angular/DWAngularGaugeGeometry.h"

using namespace dw;

TEST(DialGeometry, AnglesAndValueMapping) {
  const TDWDialAngles d = DWDialAngles(315, 225);
  EXPECT_FLOAT_EQ(d.Start, 135);
  EXPECT_FLOAT_EQ(d.End, 45);
  EXPECT_FLOAT_EQ(d.Sweep, 270);
  EXPECT_FLOAT_EQ(DWDialValueToAngle(d, false, 0, 100, 0), 135);
  EXPECT_FLOAT_EQ(DWDialValueToAngle(d, false, 0, 100, 50), 270);
  EXPECT_FLOAT_EQ(DWDialValueToAngle(d, false, 0, 100, 100), 405);
  // Out of range goes to the nearer end; reversed swaps the ends.
  EXPECT_FLOAT_EQ(DWDialValueToAngle(d, false, 0, 100, 150), 405);
  EXPECT_FLOAT_EQ(DWDialValueToAngle(d, false, 0, 100, -5), 135);
  EXPECT_FLOAT_EQ(DWDialValueToAngle(d, true, 0, 100, 0), 405);
  EXPECT_FLOAT_EQ(DWDialValueToAngle(d, true, 0, 100, 100), 135);
  // A range running downwards reads downwards, as its labels do.
  EXPECT_FLOAT_EQ(DWDialValueToAngle(d, false, 100, 0, 100), 135);
  EXPECT_FLOAT_EQ(DWDialValueToAngle(d, false, 100, 0, 70), 216);
  EXPECT_FLOAT_EQ(DWDialValueToAngle(d, false, 100, 0, -5), 405);
  // An empty range and numbers that are not numbers map to the start.
  EXPECT_FLOAT_EQ(DWDialValueToAngle(d, false, 50, 50, 80), 135);
  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_FLOAT_EQ(DWDialValueToAngle(d, false, 0, 100, nan), 135);
  EXPECT_FLOAT_EQ(DWDialValueToAngle(d, false, nan, 100, 50), 135);
  EXPECT_FLOAT_EQ(DWDialValueToAngle(d, false, 0, 100, std::numeric_limits<double>::infinity()), 405);

  // Equal angles make a full circle.
  const TDWDialAngles full = DWDialAngles(90, 90);
  EXPECT_FLOAT_EQ(full.Sweep, 360);
  EXPECT_TRUE(DWDialIsFullCircle(90, 450));
  EXPECT_FALSE(DWDialIsFullCircle(315, 225));

  // Angle to value inverts the mapping and sends the gap to the nearer end.
  EXPECT_NEAR(DWDialAngleToValue(d, false, 0, 100, 270), 50, 1e-4);
  EXPECT_NEAR(DWDialAngleToValue(d, false, 0, 100, 45), 100, 1e-4);
  EXPECT_NEAR(DWDialAngleToValue(d, false, 0, 100, 80), 100, 1e-4);   // just past the end
  EXPECT_NEAR(DWDialAngleToValue(d, false, 0, 100, 100), 0, 1e-4);    // just before the start
  EXPECT_NEAR(DWDialAngleToValue(d, true, 0, 100, 180), 83.3333, 1e-3);
}

TEST(DialGeometry, LayoutTicksAndRanges) {
  TDWDialLayout l = DWDialLayout(200, 160, true, 10, {0.1f, 0});
  EXPECT_FLOAT_EQ(l.Width, 160);
  EXPECT_FLOAT_EQ(l.ShiftX, 20);
  EXPECT_FLOAT_EQ(l.ShiftY, 0);
  EXPECT_FLOAT_EQ(l.Radius, 70);
  EXPECT_FLOAT_EQ(l.OffsetX, 16);
  l = DWDialLayout(10, 10, false, 50, {0, 0});  // a border wider than the dial leaves no face
  EXPECT_FLOAT_EQ(l.Radius, 0);

  const TDWDialAngles d = DWDialAngles(315, 225);
  EXPECT_FLOAT_EQ(DWDialTickAngle(d, 0, 50), 135);
  EXPECT_FLOAT_EQ(DWDialTickAngle(d, 25, 50), 270);
  EXPECT_FLOAT_EQ(DWDialTickAngle(d, 0, 0), 135);

  // Shares adding to more than 1 are cut at the end of the scale.
  const std::vector<TDWRangeShare> shares{{0.5f, 1}, {0.3f, 2}, {0.4f, 3}, {0.2f, 4}};
  std::vector<TDWRangeArc> arcs = DWDialRangeArcs(d, false, shares);
  ASSERT_EQ(arcs.size(), 3u);
  EXPECT_FLOAT_EQ(arcs[0].StartAngle, 135);
  EXPECT_FLOAT_EQ(arcs[0].SweepAngle, 135);
  EXPECT_FLOAT_EQ(arcs[1].StartAngle, 270);
  EXPECT_NEAR(arcs[2].SweepAngle, 54, 1e-3);
  EXPECT_EQ(arcs[2].Color, 3u);
  // Reversed ranges start at the end and run counter-clockwise; empty or NaN shares take no room.
  const std::vector<TDWRangeShare> odd{{0, 1}, {std::nanf(""), 2}, {0.1f, 3}};
  arcs = DWDialRangeArcs(d, true, odd);
  ASSERT_EQ(arcs.size(), 1u);
  EXPECT_FLOAT_EQ(arcs[0].StartAngle, 45);
  EXPECT_FLOAT_EQ(arcs[0].SweepAngle, -27);
}
