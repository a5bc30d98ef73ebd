// The thermometer control and its geometry. (The look as a whole: the reference images.)
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "dialworks/draw/RecordingGraphics.h"
#include "dialworks/thermometer/DWThermometer.h"
#include "support/CountedNew.h"
#include "support/InstrumentTest.h"
#include "support/RepaintScreen.h"

using namespace dw;
using dwtest::RenderControl;

namespace {

using P = TDWLayeredInstrumentProbe;

// The liquid column of the last frame (the fill with the gradient brush), empty when none.
gp::RectF LiquidRect(TDWThermometer& t) {
  gp::RecordingGraphics g;
  t.Paint(g);
  gp::RectF r;
  for (const gp::DrawCall& c : g.Calls())
    if (c.Layer == 0 && c.Op == "FillRectangle" && c.Brush.rfind("Texture", 0) == 0)
      r = gp::RectF(c.Args[0], c.Args[1], c.Args[2], c.Args[3]);
  return r;
}

// Which solid fills the frame drew with the liquid colour, by operation.
std::vector<std::string> LiquidFills(TDWThermometer& t) {
  gp::RecordingGraphics g;
  t.Paint(g);
  std::vector<std::string> ops;
  for (const gp::DrawCall& c : g.Calls())
    if (c.Layer == 0 && c.Op.rfind("Fill", 0) == 0 && c.Brush.rfind("Solid", 0) == 0 &&
        c.Color == t.Indicator().Color())
      ops.push_back(c.Op);
  return ops;
}

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

TEST(Thermometer, TubeBulbAndCapFillAtMinBetweenMaxAndAbove) {
  dwtest::TScopedHost host;
  TDWThermometer t;
  t.Border().SetStyle(bvNone);
  const TDWThermometerGeometry G = t.Geometry(80, 200);
  // At Min: no liquid in the tube; the bulb (face) is full.
  EXPECT_FALSE(LiquidRect(t).Width > 0);
  EXPECT_TRUE(LiquidFills(t).empty());
  // Between: the column reaches its share of the tube and half a pixel into the bulb.
  t.SetValue(25);
  gp::RectF L = LiquidRect(t);
  EXPECT_FLOAT_EQ(L.X, G.Tube.X);
  EXPECT_FLOAT_EQ(L.Width, G.TubeWidth);
  EXPECT_NEAR(L.Y, G.TubeBottom() - 0.25f * G.Tube.Height, 1e-3);
  EXPECT_NEAR(L.Y + L.Height, G.TubeBottom() + 0.5f, 1e-3);
  EXPECT_TRUE(LiquidFills(t).empty());  // the cap is still empty
  // At Max and above: the whole tube and the cap.
  for (double v : {100.0, 1e9}) {
    t.SetValue(v);
    L = LiquidRect(t);
    EXPECT_NEAR(L.Y, G.TubeTop(), 1e-3) << v;
    EXPECT_EQ(LiquidFills(t), std::vector<std::string>{"FillEllipse"}) << v;
  }
  // ShowEmpty: the bulb fills only once the value rises above Min.
  t.Indicator().Reservoir().SetShowEmpty(true);
  t.SetValue(0);
  EXPECT_TRUE(LiquidFills(t).empty());
  t.SetValue(0.01);
  EXPECT_EQ(LiquidFills(t), std::vector<std::string>{"FillPath"});
}

TEST(Thermometer, ValueChangesKeepTheFaceAndAllocateNothing) {
  dwtest::TScopedHost host;
  TDWThermometer t;
  t.SetBounds(0, 0, 80, 200);
  gp::Bitmap target(80, 200);
  gp::CairoGraphics cg(target);
  auto values = [&] {
    for (int k = 0; k < 100; ++k) t.SetValue(k + 0.5), t.Paint(cg);
  };
  values();
  const uint64_t builds = P::Builds(t);
  EXPECT_EQ(dwtest::SteadyNews(values, 0), 0u);
  EXPECT_EQ(P::Builds(t), builds);
}

// Issue: elements were drawn before the opaque face and so never seen. They now lie over the
// liquid, still clipped to the tube's outline.
TEST(Thermometer, ElementsShowInsideTheTubeOutlineOnly) {
  dwtest::TScopedHost host;
  TDWThermometer t;
  t.SetBounds(0, 0, 80, 200);
  t.SetValue(50);
  const TDWThermometerGeometry G = t.Geometry(80, 200);
  // An element that paints its whole area blue: a borderless thermometer whose tube is as wide as
  // its bulb, empty, covering the host.
  auto& e = t.Elements().Add<TDWExternalThermometerElement>();
  e.Size().Width().SetValue(1);
  e.Size().Height().SetValue(1);
  e.Position().X().SetValue(0);
  e.Border().SetStyle(bvNone);
  e.Indicator().SetBackColor(0xFF0000FF);
  e.Indicator().Reservoir().SetShowEmpty(true);
  e.Indicator().Reservoir().Size().SetValue(1);
  e.Indicator().Width().SetValue(1);
  e.Scale().MajorTicks().SetVisible(false);
  e.Scale().MinorTicks().SetVisible(false);
  e.Ranges().SetVisible(false);
  const gp::Bitmap b = RenderControl(t);
  const int cx = int(G.Tube.X + G.TubeWidth / 2);
  // Over the liquid and over the empty tube.
  EXPECT_EQ(b.GetPixel(cx, int(G.TubeBottom() - 10)), 0xFF0000FFu);
  EXPECT_EQ(b.GetPixel(cx, int(G.TubeTop() + 10)), 0xFF0000FFu);
  // Not beside the tube (where the scale is), nor above the cap.
  for (int x : {int(G.Tube.X + G.TubeWidth + G.Bevel + 2), 40, 70})
    EXPECT_NE(GetBlue(b.GetPixel(x, 100)), 255) << x;
  EXPECT_NE(GetBlue(b.GetPixel(cx, 0)), 255);
  // The element mirrors the host's value when it is a mirroring one.
  auto& mirror = t.Elements().Add<TDWThermometerElement>();
  EXPECT_EQ(mirror.Value(), 50);
  t.SetValue(70);
  EXPECT_EQ(mirror.Value(), 70);
}

// Quarter turns are the rotation's own (its tests in the host area).
TEST(Thermometer, GeneralAnglesStandTheTubeInsideTheControl) {
  dwtest::TScopedHost host;
  TDWThermometer t;
  t.SetValue(50);
  // Between quarter turns the thermometer stands upright in a frame as wide as the rotation's
  // thickness, the longest that fits, turned counter-clockwise.
  t.SetBounds(0, 0, 200, 200);
  t.Rotation().SetAngle(30);
  t.Rotation().SetThickness(0.4f);
  const TDWTransformParams p = t.FrameTransform(200, 200);
  EXPECT_NEAR(p.Width, 80, 1e-3);
  EXPECT_NEAR(p.Height, (200 - 80 * 0.5f) / std::cos(3.14159265f / 6), 0.05f);  // the longest that fits
  std::vector<gp::PointF> pts{{0, 0}, {p.Width, 0}, {p.Width, p.Height}, {0, p.Height}};
  p.Matrix.TransformPoints(pts.data(), int(pts.size()));
  for (gp::PointF q : pts) {
    EXPECT_GE(q.X, -1e-3);
    EXPECT_LE(q.X, 200 + 1e-3);
    EXPECT_GE(q.Y, -1e-3);
    EXPECT_LE(q.Y, 200 + 1e-3);
  }
  // The frame's upward edge (from its bottom-left to its top-left corner) leans left by 30 degrees.
  const float dx = pts[0].X - pts[3].X, dy = pts[0].Y - pts[3].Y;
  EXPECT_NEAR(std::atan2(-dx, -dy) * 180 / 3.14159265f, 30, 1e-2);
  // Every angle paints without fault.
  for (float angle : {0.0f, 30.0f, 45.0f, 135.0f, 180.0f, 270.0f, -90.0f, 1e6f}) {
    t.Rotation().SetAngle(angle);
    (void)RenderControl(t);
  }
}

// Hostile input paints without fault.
TEST(Thermometer, BadInputPaints) {
  dwtest::TScopedHost host;
  TDWThermometer t;
  const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
  for (double v : {nan, inf, -inf, 1e308, -1e308}) {
    t.SetValue(v);
    (void)RenderControl(t);
    EXPECT_FALSE(std::isnan(t.Value()));
  }
  t.SetMin(-1e300);
  t.SetMax(1e300);
  (void)RenderControl(t);
  t.SetMin(10);
  t.SetMax(-10);
  t.SetValue(0);
  (void)RenderControl(t);
  // Ranges adding up to more than the scale: cut at its top.
  t.SetMin(0);
  t.SetMax(100);
  for (float r : {0.7f, 0.7f, 1e30f, -1.0f}) t.Ranges().Ranges().Add().SetRange(r);
  gp::RecordingGraphics g;
  t.SetBounds(0, 0, 80, 200);
  t.Paint(g);
  const TDWThermometerGeometry G = t.Geometry(80, 200);
  for (const gp::DrawCall& c : g.Calls())
    if (c.Op == "FillRectangle" && c.Color == t.Ranges().Ranges().Items(1).Color()) {
      EXPECT_GE(c.Args[1], G.TubeTop() - 1e-3);  // the second range stops at the top
    }
  for (int size : {0, 1, 2, 3, 4, 5, 7}) {
    t.SetBounds(0, 0, size, size * 3);
    (void)RenderControl(t);
  }
  t.Scale().MajorTicks().SetCount(100000);
  t.SetBounds(0, 0, 80, 200);
  (void)RenderControl(t);
}

// The matrix layer (no example form shows one) lights cells at its place only.
TEST(Thermometer, MatrixLayerLightsItsPlace) {
  dwtest::TScopedHost host;
  // A matrix layer: 0.3 x 0.8 of the smaller side of a 32 x 16 matrix, at its top-left cell.
  TDWExternalThermometerMatrixLayer layer;
  layer.SetValue(100);
  std::vector<uint32_t> cells(32 * 16, 0);
  layer.Render(cells.data(), 32, 16);
  const auto [inside, outside] = dwtest::LitCells(cells, 32, 16, 5, 13);
  EXPECT_GT(inside, 5);
  EXPECT_EQ(outside, 0);
}

TEST(Thermometer, ScaleAndRangeBandSpanTheTube) {
  dwtest::TScopedHost host;
  TDWThermometer t;
  t.SetBounds(0, 0, 80, 200);
  const TDWThermometerGeometry G = t.Geometry(80, 200);
  gp::RecordingGraphics g;
  t.Paint(g);
  // Major ticks: Min at the tube's bottom, Max at its top, starting one bevel width plus the
  // scale's offset right of the tube.
  std::vector<const gp::DrawCall*> majors;
  for (const gp::DrawCall& c : g.Calls())
    if (c.Op == "DrawLine" && std::fabs(c.PenWidth - 0.01f * G.Tube.Height) < 1e-4) majors.push_back(&c);
  ASSERT_EQ(majors.size(), 11u);
  const float tickX = G.Tube.X + G.TubeWidth + G.Bevel + 0.15f * G.InnerWidth;
  EXPECT_NEAR(majors.front()->Args[0], tickX, 1e-3);
  EXPECT_NEAR(majors.front()->Args[2], tickX + 0.25f * G.InnerWidth, 1e-3);
  EXPECT_NEAR(majors.front()->Args[1], G.TubeBottom(), 1e-3);
  EXPECT_NEAR(majors.back()->Args[1], G.TubeTop(), 1e-3);
  // The range band: 0.05 of the inner width, centred 0.35 of it in from the bevel, the tube's length.
  bool band = false;
  for (const gp::DrawCall& c : g.Calls())
    if (c.Op == "FillRectangle" && c.Color == 0xFF808080u) {
      band = true;
      EXPECT_NEAR(c.Args[0] + c.Args[2] / 2, G.Bevel + 0.35f * G.InnerWidth, 1e-3);
      EXPECT_NEAR(c.Args[2], 0.05f * G.InnerWidth, 1e-3);
      EXPECT_NEAR(c.Args[1], G.TubeTop(), 1e-3);
      EXPECT_NEAR(c.Args[3], G.Tube.Height, 1e-3);
    }
  EXPECT_TRUE(band);
}

// Repaints of only what moved: a new value asks for the liquid's old and new extent (column, full
// cap, filled bulb; turned with the frame), and the screen repainted there equals a whole paint.
TEST(Thermometer, NewValuesRepaintTheLiquidOnly) {
  dwtest::TScopedHost host;
  struct TCase {
    int Width, Height;
    float Angle;
    bool ShowEmpty;
  };
  // Upright; turned between quarter turns; on its side with a bulb that empties at Min.
  for (const TCase& c : {TCase{80, 200, 0, false}, TCase{200, 160, 30, false}, TCase{200, 80, 90, true}}) {
    TDWThermometer t;
    t.SetBounds(0, 0, c.Width, c.Height);
    t.Rotation().SetAngle(c.Angle);
    t.Indicator().Reservoir().SetShowEmpty(c.ShowEmpty);
    t.SetValue(40);
    dwtest::TRepaintScreen screen(host.Host, t);
    // A small step, up to Max (the cap fills), down to Min (the bulb empties), a jump to the top.
    for (double v : {42.0, 100.0, 0.0, 95.0}) {
      t.SetValue(v);
      const TManualHost::TDirty d = screen.Update();
      const std::string at = std::to_string(c.Angle) + " " + std::to_string(v);
      ASSERT_FALSE(d.Whole) << at;
      ASSERT_FALSE(d.IsEmpty()) << at;
      // The column is bounded from the tube's bottom: a small step repaints it all.
      EXPECT_LT(screen.Share(d.Part), 0.5) << at;
      EXPECT_EQ(screen.DifferenceFromWholePaint(), 0) << at;
    }
  }
}

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
  EXPECT_LE(G.Tube.X + G.Tube.Width, G.OuterTube.X + G.OuterTube.Width);  // inside the outline's ring
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
