// The thermometer's geometry: bulb, tube and cap with and without the bevel, where the tube meets
// the bulb, wide tubes, the filled share, and hostile sizes.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "dialworks/thermometer/DWThermometer.h"
#include "support/InstrumentTest.h"

using namespace dw;

namespace {

// Every number of the geometry is finite and every size at least 0.
void ExpectSane(const TDWThermometerGeometry& G, const std::string& AWhat) {
  for (const gp::RectF& r : {G.OuterBulb, G.OuterTube, G.OuterCap, G.Bulb, G.Tube, G.Cap}) {
    EXPECT_TRUE(std::isfinite(r.X) && std::isfinite(r.Y) && std::isfinite(r.Width) && std::isfinite(r.Height)) << AWhat;
    EXPECT_GE(r.Width, 0) << AWhat;
    EXPECT_GE(r.Height, 0) << AWhat;
  }
  for (float v : {G.Bevel, G.InnerWidth, G.InnerHeight, G.BulbDiameter, G.TubeWidth}) {
    EXPECT_TRUE(std::isfinite(v)) << AWhat;
    EXPECT_GE(v, 0) << AWhat;
  }
}

// The distance of a tube's lower corner from the bulb's centre, less the bulb's radius.
float CornerOffCircle(const gp::RectF& ABulb, const gp::RectF& ATube) {
  const float cx = ABulb.X + ABulb.Width / 2, cy = ABulb.Y + ABulb.Height / 2;
  return std::hypot(ATube.X - cx, ATube.Y + ATube.Height - cy) - ABulb.Width / 2;
}

}  // namespace

TEST(ThermometerGeometry, InnerPartsWithoutAndWithBevel) {
  dwtest::TScopedHost host;
  TDWThermometer t;
  // Without a bevel the parts fill the frame: bulb 0.25 and tube 0.1 of the width.
  t.Border().SetStyle(bvNone);
  TDWThermometerGeometry G = t.Geometry(80, 200);
  EXPECT_EQ(G.Bevel, 0);
  EXPECT_EQ(G.Bulb, gp::RectF(0, 180, 20, 20));
  const float s = std::sqrt(20.0f * 20 - 8 * 8) / 2;
  EXPECT_FLOAT_EQ(G.Tube.X, 6);
  EXPECT_FLOAT_EQ(G.Tube.Y, 4);
  EXPECT_FLOAT_EQ(G.Tube.Width, 8);
  EXPECT_NEAR(G.Tube.Height, 200 - 4 - 10 - s, 1e-4);
  EXPECT_EQ(G.Cap, gp::RectF(6, 0, 8, 8));
  // The tube ends where its sides meet the bulb.
  EXPECT_NEAR(CornerOffCircle(G.Bulb, G.Tube), 0, 1e-3);

  // With the bevel (0.05 of the width = 4): the inner area is 72 x 192 from (4, 4).
  t.Border().SetStyle(bvRaised);
  G = t.Geometry(80, 200);
  EXPECT_FLOAT_EQ(G.Bevel, 4);
  EXPECT_FLOAT_EQ(G.InnerWidth, 72);
  EXPECT_FLOAT_EQ(G.InnerHeight, 192);
  EXPECT_FLOAT_EQ(G.BulbDiameter, 18);
  EXPECT_NEAR(G.TubeWidth, 7.2f, 1e-5);
  EXPECT_FLOAT_EQ(G.Bulb.X, 4);
  EXPECT_FLOAT_EQ(G.Bulb.Y, 4 + 192 - 18);
  EXPECT_NEAR(G.Tube.X, 4 + (18 - 7.2f) / 2, 1e-5);
  EXPECT_NEAR(G.Tube.Y, 4 + 3.6f, 1e-5);
  EXPECT_FLOAT_EQ(G.Cap.Y, 4);
  EXPECT_NEAR(CornerOffCircle(G.Bulb, G.Tube), 0, 1e-3);
  // The outline: D = 20 + 4, c = 8 + 4, its tube ending at sqrt((D/2 + b)^2 - (c/2 + b)^2) above
  // the outline bulb's centre plus b/2.
  EXPECT_EQ(G.OuterBulb, gp::RectF(2, 200 - 24 - 2, 24, 24));
  EXPECT_FLOAT_EQ(G.OuterTube.X, 6 + 2);
  EXPECT_FLOAT_EQ(G.OuterTube.Y, 6);
  EXPECT_NEAR(G.OuterTube.Height, 200 - 6 - 12 - std::sqrt(16.0f * 16 - 10 * 10), 1e-4);
  EXPECT_EQ(G.OuterCap, gp::RectF(8, 2, 12, 12));
  // The inner parts lie inside the outline's rings.
  EXPECT_GE(G.Tube.X, G.OuterTube.X);
  EXPECT_LE(G.Tube.X + G.Tube.Width, G.OuterTube.X + G.OuterTube.Width);
  // A sunken bevel takes the same room.
  t.Border().SetStyle(bvLowered);
  EXPECT_EQ(t.Geometry(80, 200).Tube, G.Tube);
}

// A tube as wide as the bulb or wider had no meeting point with it (the square root of a negative
// number): it is as wide as the bulb and ends level with the bulb's centre.
TEST(ThermometerGeometry, WideTubesEndAtTheBulbsCentre) {
  dwtest::TScopedHost host;
  TDWThermometer t;
  for (TKVBevelStyle style : {bvNone, bvRaised}) {
    t.Border().SetStyle(style);
    for (float width : {0.25f, 0.3f, 1.0f, 50.0f}) {
      t.Indicator().Width().SetValue(width);
      const TDWThermometerGeometry G = t.Geometry(80, 200);
      ExpectSane(G, "width " + std::to_string(width));
      EXPECT_FLOAT_EQ(G.TubeWidth, G.BulbDiameter) << width;
      EXPECT_FLOAT_EQ(G.Tube.X, G.Bulb.X) << width;
      EXPECT_NEAR(G.TubeBottom(), G.Bulb.Y + G.BulbDiameter / 2, 1e-4) << width;
      EXPECT_LE(G.OuterTube.Width, G.OuterBulb.Width) << width;
    }
  }
  // Just narrower than the bulb: the tube still ends on the circle, close to its centre line.
  t.Border().SetStyle(bvNone);
  t.Indicator().Width().SetValue(0.249f);
  const TDWThermometerGeometry G = t.Geometry(80, 200);
  EXPECT_NEAR(CornerOffCircle(G.Bulb, G.Tube), 0, 1e-3);
  EXPECT_LT(G.Bulb.Y + G.BulbDiameter / 2 - G.TubeBottom(), 1.5f);
}

TEST(ThermometerGeometry, HostileSizesGiveSaneGeometry) {
  dwtest::TScopedHost host;
  TDWThermometer t;
  const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
  for (float frame : {0.0f, 1.0f, 2.0f, 4.0f, 5.0f, -3.0f, nan, inf, 1e6f})
    ExpectSane(t.Geometry(frame, frame * 2), "frame " + std::to_string(frame));
  // Bulb, tube and bevel sizes at extremes (the size objects refuse NaN and limit to 1e6).
  for (float v : {0.0f, -1.0f, 1e6f, -1e6f, 1e-7f, 0.5f, 2.0f}) {
    t.Indicator().Reservoir().Size().SetValue(v);
    t.Indicator().Width().SetValue(v);
    t.Border().Width().SetValue(v);
    for (float frame : {0.0f, 3.0f, 80.0f}) {
      const TDWThermometerGeometry G = t.Geometry(frame, 200);
      ExpectSane(G, "size " + std::to_string(v));
      // Everything stays inside the frame.
      EXPECT_LE(G.Bulb.X + G.Bulb.Width, frame + 1e-3) << v;
      EXPECT_LE(G.Bulb.Y + G.Bulb.Height, 200 + 1e-3) << v;
      EXPECT_GE(G.Tube.X, 0) << v;
      EXPECT_LE(G.Tube.Y + G.Tube.Height, 200 + 1e-3) << v;
    }
  }
  // Absolute (pixel) sizes larger than the frame.
  t.Indicator().Reservoir().Size().SetProportional(false);
  t.Indicator().Reservoir().Size().SetValue(500);
  ExpectSane(t.Geometry(80, 200), "absolute");
}

TEST(ThermometerGeometry, FilledShareAtTheEndsAndBeyond) {
  const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
  // Value, Min, Max, share: an empty range is empty unless the value lies above it; Min > Max
  // reads downwards like its scale; infinite and NaN values never give NaN.
  const double cases[][4] = {{25, 0, 100, 0.25}, {150, 0, 100, 1}, {-5, 0, 100, 0},  {5, 5, 5, 0},
                             {6, 5, 5, 1},       {75, 100, 0, 0.25}, {0, 100, 0, 1}, {inf, 0, 100, 1},
                             {-inf, 0, 100, 0},  {nan, 0, 100, 0},  {0, -1e300, 1e300, 0.5}};
  for (const auto& c : cases) EXPECT_EQ(DWThermometerPercent(c[0], c[1], c[2]), c[3]) << c[0] << " " << c[1] << " " << c[2];
}
