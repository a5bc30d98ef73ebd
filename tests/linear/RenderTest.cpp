// The linear gauge as drawn: glass, ranges, bad input, steady frames and repaints of what moved.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "dialworks/draw/CairoGraphics.h"
#include "dialworks/draw/RecordingGraphics.h"
#include "dialworks/foundation/DWStraightScale.h"
#include "dialworks/linear/DWLinearGaugeHands.h"
#include "support/CountedNew.h"
#include "support/InstrumentTest.h"
#include "support/RepaintScreen.h"

using namespace dw;
using dwtest::TScopedHost;

namespace {

gp::Bitmap Render(TKVBasicControl& AControl) { return dwtest::RenderControl(AControl, 0xFFFFFFFF); }

}  // namespace

// Issue: the glass was drawn after the rotation was undone, so a turned gauge got upright glass.
TEST(LinearRender, GlassTurnsWithTheFrame) {
  TScopedHost host;
  TDWLinearGauge g;
  g.SetBounds(0, 0, 500, 120);
  g.Rotation().SetAngle(90);
  g.Hand().SetVisible(false);
  gp::RecordingGraphics rec;
  g.Paint(rec);
  // The top layer's drawing carries the rotation: its gloss is drawn with a turned transform.
  bool turnedGloss = false;
  for (const gp::DrawCall& c : rec.Calls())
    if (c.Layer == 2 && c.Op.rfind("Fill", 0) == 0) {
      turnedGloss = turnedGloss || std::fabs(c.Transform.M12()) > 0.5f;
    }
  EXPECT_TRUE(turnedGloss);
}

TEST(LinearRender, RangesStackFromTheMinEndAndStopAtTheOther) {
  TScopedHost host;
  TDWLinearGauge g;
  auto& list = g.Ranges().Ranges();
  list.Add().SetRange(0.5f);
  list.Add().SetRange(0.7f);  // passes the top: cut there
  list.Add().SetRange(0.2f);  // not drawn
  const TDWStraightLine line{10, 100};
  auto segs = DWStraightRangeSegments(list, line, false);
  ASSERT_EQ(segs.size(), 2u);
  EXPECT_FLOAT_EQ(segs[0].Y1, 110);
  EXPECT_FLOAT_EQ(segs[0].Y2, 60);
  EXPECT_FLOAT_EQ(segs[1].Y2, 10);
  segs = DWStraightRangeSegments(list, line, true);
  ASSERT_EQ(segs.size(), 2u);
  EXPECT_FLOAT_EQ(segs[0].Y1, 10);
  EXPECT_FLOAT_EQ(segs[1].Y2, 110);
  list.Items(0).SetRange(std::numeric_limits<float>::quiet_NaN());  // refused: keeps 0.5
  list.Items(0).SetRange(-1);  // a negative share is no share
  EXPECT_EQ(DWStraightRangeSegments(list, line, false).size(), 2u);
}

TEST(LinearRender, BadInputPaintsWithoutNaN) {
  TScopedHost host;
  TDWLinearGauge g;
  g.Rail().Length().SetValue(0);
  g.Hand().Width().SetValue(5);
  g.Hand().Length().SetValue(1e6f);
  g.Rail().Position().Y().SetValue(-1e6f);
  g.SetMin(50);
  g.SetMax(50);
  g.SetValue(std::numeric_limits<double>::infinity());
  for (int size : {5, 6, 30}) {
    g.SetBounds(0, 0, size, size * 3);
    for (float angle : {0.0f, 45.0f, 90.0f, 1e9f}) {
      g.Rotation().SetAngle(angle);
      for (TKVBorderShape shape : {bsEllipse, bsRectangle, bsRoundRect, bsDiamond, bsRoundDiamond}) {
        g.Border().SetShape(shape);
        gp::RecordingGraphics rec;
        g.Paint(rec);
        for (const gp::DrawCall& c : rec.Calls())
          for (const gp::PointF& p : c.Points)
            ASSERT_TRUE(std::isfinite(p.X) && std::isfinite(p.Y)) << c.Op << " " << size << " " << angle << " " << shape;
      }
    }
  }
  g.SetMin(100);
  g.SetMax(0);  // Min > Max
  g.SetValue(30);
  g.SetBounds(0, 0, 60, 250);
  const gp::Bitmap b = Render(g);
  EXPECT_NE(b.GetPixel(30, 125), 0xFFFFFFFFu);
}

// Issue: a steady frame (the hand moving over the kept face layers) allocates nothing.
TEST(LinearRender, SteadyFrameAllocatesNothing) {
  TScopedHost host;
  TDWLinearGauge g;
  g.Hand().Animation().SetEnabled(false);
  gp::Bitmap target(60, 250);
  gp::CairoGraphics cg(target);
  cg.SetPixelPaths(true);
  EXPECT_EQ(dwtest::SteadyNews([&] {
              for (int k = 0; k < 100; ++k) g.SetValue(k + 0.5), g.Paint(cg);
            }),
            0u);
}

// Issue 15: each new value asked for repaints of its own on top of the refresh timer's.
TEST(LinearGauge, NewValuesWhileAnimatingRepaintOnlyOnTheRefreshTimer) {
  TScopedHost host;
  TDWLinearGauge g;
  g.SetValue(1);  // the first change jumps
  host.Host.ClearRepaintCounts();
  for (int k = 0; k < 10; ++k) {
    g.SetValue(k % 2 ? 5 : 95);
    host.Host.Advance(100);
  }
  EXPECT_TRUE(g.Animating());
  EXPECT_LE(host.Host.RepaintCount(g), 40u);
  EXPECT_GE(host.Host.RepaintCount(g), 30u);
}

// A value left far past a changed range: the spring settled out of a float's reach of its target
// and the animation, with its repaints, never ended.
TEST(LinearGauge, AnimationEndsForAValueFarOutsideTheRange) {
  TScopedHost host;
  TDWLinearGauge g;
  g.SetValue(100);
  g.SetValue(60);
  g.SetMax(1);  // the value is now 60 range widths past the top
  host.Host.Advance(20000);
  EXPECT_FALSE(g.Animating());
  EXPECT_EQ(g.Hand().GetCurrentValue(), 1.0f);
}

namespace {
// A gauge whose values are drawn where they are (no animation).
struct TStillLinearGauge : TDWLinearGauge {
  explicit TStillLinearGauge(double AValue) {
    Hand().Animation().SetEnabled(false);
    SetValue(AValue);
  }
};
}  // namespace

// Repaints of only what moved: each new value asks for the hand's old and new place (shadow
// included, turned with the frame, cut to the control), and the screen repainted there equals a
// whole paint.
TEST(LinearGauge, NewValuesRepaintTheHandsPlacesOnly) {
  TScopedHost host;
  struct TCase {
    int Width, Height;
    float Angle, HandLength;
    double MaxShare;  // of a jump across the scale
  };
  // Upright; turned between quarter turns; a hand reaching beyond the control on both sides;
  // sizes whose face clip is a whole-pixel rectangle, so the repaint's clip is two of them.
  for (const TCase& c : {TCase{60, 250, 0, 0.25f, 0.5}, TCase{200, 160, 30, 0.25f, 0.6}, TCase{60, 250, 0, 3.0f, 1},
                         TCase{50, 220, 0, 0.25f, 0.5}, TCase{228, 50, 0, 0.25f, 0.5}}) {
    TStillLinearGauge g(10);
    g.SetBounds(0, 0, c.Width, c.Height);
    g.Rotation().SetAngle(c.Angle);
    g.Hand().Length().SetValue(c.HandLength);
    dwtest::TRepaintScreen screen(host.Host, g);
    // A small step, a jump across the whole scale, back to the bottom, beyond the top.
    for (double v : {12.0, 100.0, 0.0, 150.0}) {
      g.SetValue(v);
      const TManualHost::TDirty d = screen.Update();
      ASSERT_FALSE(d.Whole) << c.Angle << " " << v;
      ASSERT_FALSE(d.IsEmpty()) << c.Angle << " " << v;
      EXPECT_LT(screen.Share(d.Part), v == 12.0 ? 0.15 : c.MaxShare) << c.Angle << " " << v;
      EXPECT_EQ(screen.DifferenceFromWholePaint(), 0) << c.Angle << " " << v;
    }
  }
  // A hidden hand: the whole control.
  TStillLinearGauge g(10);
  dwtest::TRepaintScreen screen(host.Host, g);
  g.Hand().SetVisible(false);
  EXPECT_TRUE(screen.Update().Whole);
  g.SetValue(50);
  EXPECT_TRUE(screen.Update().Whole);
  EXPECT_EQ(screen.DifferenceFromWholePaint(), 0);
}

// The hand moves on between a repaint request and the paint that serves it: the paint shows the
// requested place, and the screen ends exact.
TEST(LinearGauge, AnimationRepaintedPartByPartEndsExact) {
  TScopedHost host;
  TDWLinearGauge g;
  g.SetValue(1);  // the first value jumps
  dwtest::TRepaintScreen screen(host.Host, g);
  g.SetValue(90);
  ASSERT_TRUE(g.Animating());
  TStillLinearGauge still(0);
  EXPECT_GT(screen.ServeMotion([&] { return g.Animating(); }, still,
                               [&] { still.Hand().SetValue(g.ShownHandValue()); }),
            10);
}
