// The linear gauge's hand elements and mouse routing: min/max tracking with auto-reset in virtual
// time, own values and ranges, the control hand's drag, wheel, hit test, state pin and OnChange.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <memory>
#include <thread>
#include <vector>

#include "dialworks/draw/RecordingGraphics.h"
#include "dialworks/linear/DWLinearGaugeHands.h"
#include "support/InstrumentTest.h"
#include "support/LateExpiryHost.h"

using namespace dw;
using dwtest::TScopedHost;

TEST(LinearElements, MaxHandTracksAndFallsBackAfterAutoReset) {
  TScopedHost host;
  TDWLinearGauge g;
  auto& max = g.Elements().Add<TDWLinearGaugeMinMaxHandElement>();
  max.Hand().Animation().SetEnabled(false);
  double notified = -1;
  max.SetSynchronize(false);
  max.OnChange = [&](TDWLinearGaugeMinMaxHandElement&, double v) { notified = v; };
  for (double v : {10.0, 30.0, 20.0}) g.SetValue(v);
  EXPECT_NEAR(max.Value(), 30, 1e-5);
  EXPECT_NEAR(notified, 30, 1e-5);
  EXPECT_FLOAT_EQ(max.Hand().GetCurrentValue(), 0.3f);
  EXPECT_TRUE(max.AutoReset().TimerEnabled());
  host.Host.Advance(1400);
  EXPECT_NEAR(max.Value(), 30, 1e-5);
  g.SetValue(35);  // a new peak restarts the countdown and, showing the value, stops it
  EXPECT_FALSE(max.AutoReset().TimerEnabled());
  g.SetValue(25);
  host.Host.Advance(1499);
  EXPECT_NEAR(max.Value(), 35, 1e-5);
  host.Host.Advance(2);
  EXPECT_NEAR(max.Value(), 25, 1e-5);
  EXPECT_FLOAT_EQ(max.Hand().GetCurrentValue(), 0.25f);

  // A min hand joining at 25 keeps it against a rising value until it falls back.
  auto& min = g.Elements().Add<TDWLinearGaugeMinMaxHandElement>();
  min.SetMode(gmmMin);
  g.SetValue(60);
  EXPECT_NEAR(min.Value(), 25, 1e-5);
  host.Host.Advance(1600);
  EXPECT_NEAR(min.Value(), 60, 1e-5);
  g.SetValue(40);
  g.SetValue(70);
  EXPECT_NEAR(min.Value(), 40, 1e-5);
}

// Notifications of changes made on several threads: an expiry already on its way when a new
// extreme restarted the countdown keeps that extreme for its full interval; synchronized
// notifications deliver the value the hand holds when they run (queued from several threads they
// may run in another order than the changes were made); a value notified on the thread that
// changed it is read with the change (the sanitizer builds see the race otherwise).
TEST(LinearElements, MinMaxHandNotificationsAcrossThreads) {
  dwtest::TLateExpiryHost host;
  TDWLinearGauge g;
  auto& max = g.Elements().Add<TDWLinearGaugeMinMaxHandElement>();
  max.AutoReset().SetInterval(777);
  std::vector<double> got;
  max.OnChange = [&](TDWLinearGaugeMinMaxHandElement&, double v) { got.push_back(v); };
  for (double v : {10.0, 11.0, 6.0}) g.SetValue(v);
  host.FireLate(777);
  EXPECT_EQ(max.Value(), 11);
  host.Advance(777);
  EXPECT_EQ(max.Value(), 6);
  got.clear();
  for (double v : {90.0, 20.0}) g.SetValue(v);
  max.Reset();
  host.Advance(1);
  EXPECT_EQ(got, std::vector<double>(3, 20.0));

  max.SetSynchronize(false);
  std::atomic<double> last = 0;
  max.OnChange = [&](TDWLinearGaugeMinMaxHandElement&, double v) { last = v; };
  std::thread feeder([&] {
    for (int k = 0; k < 2000; ++k) g.SetValue(k % 100);
  });
  for (int k = 0; k < 200; ++k) max.Reset();
  feeder.join();
  max.Reset();
  EXPECT_EQ(last.load(), max.Value());
}

// The first value seeds the tracked extreme: a minimum hand started at Min and, without its
// automatic reset, stayed there whatever values came.
TEST(LinearElements, MinHandStartsFromItsFirstValue) {
  TScopedHost host;
  auto min = std::make_unique<TDWLinearGaugeMinMaxHandElement>();
  min->SetMode(gmmMin);
  min->AutoReset().SetEnabled(false);
  min->SetMinMaxValue(0, 100, 60);
  min->SetMinMaxValue(0, 100, 45);
  min->SetMinMaxValue(0, 100, 50);
  EXPECT_NEAR(min->Value(), 45, 1e-5);
  min->SetMode(gmmMax);  // the maximum was not tracked: from the current value
  EXPECT_NEAR(min->Value(), 50, 1e-5);
  min->SetMinMaxValue(0, 100, 48);
  EXPECT_NEAR(min->Value(), 50, 1e-5);

  // While loading, the values seen are the defaults on their way to the loaded value.
  auto loaded = std::make_unique<TDWLinearGaugeMinMaxHandElement>();
  loaded->SetMode(gmmMin);
  loaded->AutoReset().SetEnabled(false);
  loaded->SetLoading(true);
  loaded->SetMinMaxValue(0, 100, 0);
  loaded->SetMinMaxValue(0, 100, 60);
  loaded->Loaded();
  loaded->SetMinMaxValue(0, 100, 70);
  EXPECT_NEAR(loaded->Value(), 60, 1e-5);
}

// The extreme is kept as a value: it survives range changes exactly, and on a reversed range the
// largest value is the one nearest Min's end.
TEST(LinearElements, MaxHandKeepsItsValueAcrossRanges) {
  TScopedHost host;
  TDWLinearGauge g;
  auto& max = g.Elements().Add<TDWLinearGaugeMinMaxHandElement>();
  max.Hand().Animation().SetEnabled(false);
  g.SetValue(80);
  g.SetValue(60);
  g.SetMax(200);
  EXPECT_EQ(max.Value(), 80);
  EXPECT_FLOAT_EQ(max.Hand().GetCurrentValue(), 0.4f);
  g.SetMax(1e6);
  g.SetValue(123456.7);
  EXPECT_EQ(max.Value(), 123456.7);

  TDWLinearGauge reversed;
  reversed.SetMin(100);
  reversed.SetMax(0);
  auto& rmax = reversed.Elements().Add<TDWLinearGaugeMinMaxHandElement>();
  rmax.Hand().Animation().SetEnabled(false);
  for (double v : {0.0, 30.0, 20.0, 10.0}) reversed.SetValue(v);
  EXPECT_EQ(rmax.Value(), 30);
  EXPECT_FLOAT_EQ(rmax.Hand().GetCurrentValue(), 0.7f);
}

// Moved to another gauge, a max hand tracks that gauge's values, not the extreme of the first.
TEST(LinearElements, MaxHandMovedToAnotherGaugeTracksAfresh) {
  TScopedHost host;
  TDWLinearGauge a, b;
  a.SetMax(1000);
  a.SetValue(900);
  b.SetValue(10);
  auto& max = a.Elements().Add<TDWLinearGaugeMinMaxHandElement>();
  max.AutoReset().SetEnabled(false);
  a.SetValue(500);
  ASSERT_EQ(max.Value(), 900);
  b.Elements().Insert(a.Elements().Extract(0));
  EXPECT_EQ(max.Value(), 10);
  b.SetValue(20);
  b.SetValue(15);
  EXPECT_EQ(max.Value(), 20);
}

TEST(LinearElements, MinMaxHandOnAnEmptyRangeAndSynchronizedNotification) {
  TScopedHost host;
  TDWLinearGauge g;
  auto& max = g.Elements().Add<TDWLinearGaugeMinMaxHandElement>();
  int calls = 0;
  max.OnChange = [&](TDWLinearGaugeMinMaxHandElement&, double) { ++calls; };
  // Issue: an empty range divided by zero and put NaN into the hand.
  max.SetMinMaxValue(50, 50, 50);
  EXPECT_TRUE(std::isfinite(max.Value()));
  EXPECT_FLOAT_EQ(max.Hand().GetTargetValue(), 0);
  max.SetMinMaxValue(0, 100, std::nan(""));
  EXPECT_TRUE(std::isfinite(max.Hand().GetTargetValue()));
  // Synchronized: delivered when the user-interface queue runs, not before.
  EXPECT_EQ(calls, 0);
  host.Host.Advance(1);
  EXPECT_EQ(calls, 1);
}

// Issue: with Synchronize off the callback ran inside the gauge's walk over a snapshot of its
// elements, and the hand invalidated itself after it: an element the callback deleted was used
// afterwards.
TEST(LinearElements, MinMaxHandCallbackMayDeleteElements) {
  TScopedHost host;
  for (size_t victim : {1u, 0u}) {  // the other hand, then the hand itself
    TDWLinearGauge g;
    auto& a = g.Elements().Add<TDWLinearGaugeMinMaxHandElement>();
    auto& b = g.Elements().Add<TDWLinearGaugeMinMaxHandElement>();
    a.SetSynchronize(false);
    a.OnChange = [&g, victim](TDWLinearGaugeMinMaxHandElement&, double) {
      if (g.Elements().Count() == 2) g.Elements().Delete(victim);
    };
    g.SetValue(50);
    ASSERT_EQ(g.Elements().Count(), 1u);
    // The hand left behind still gets the value.
    if (victim == 0) EXPECT_NEAR(b.Value(), 50, 1e-9);
    else EXPECT_NEAR(a.Value(), 50, 1e-9);
  }
  // The same from a reset.
  TDWLinearGauge g;
  auto& a = g.Elements().Add<TDWLinearGaugeMinMaxHandElement>();
  a.SetSynchronize(false);
  a.OnChange = [&g](TDWLinearGaugeMinMaxHandElement&, double) { g.Elements().Delete(0); };
  a.Reset();
  EXPECT_EQ(g.Elements().Count(), 0u);
}

TEST(LinearElements, OwnValueMapsOnItsRange) {
  TScopedHost host;
  TDWLinearGauge g;
  g.SetMin(100);
  g.SetMax(200);
  auto& h = g.Elements().Add<TDWExternalLinearGaugeHandElement>();
  h.Hand().Animation().SetEnabled(false);
  h.SetValue(150);
  EXPECT_FLOAT_EQ(h.Hand().GetCurrentValue(), 0.5f);
  h.SetValue(500);  // clamped to the range when mapped
  EXPECT_FLOAT_EQ(h.Hand().GetCurrentValue(), 1);
  h.Range().SetEnabled(true);
  h.Range().SetMin(0);
  h.Range().SetMax(1000);
  EXPECT_FLOAT_EQ(h.Hand().GetCurrentValue(), 0.5f);
  // An empty own range maps over [Min, Min + 1].
  h.Range().SetMax(0);
  h.SetValue(0.25);
  EXPECT_FLOAT_EQ(h.Hand().GetCurrentValue(), 0.25f);
  // The pin sets range and value.
  TPXRealAndRangedStatePin source(nullptr, {});
  source.Connect(h.InputPin());
  source.SubmitValueRange(30, 20, 40);
  EXPECT_EQ(h.Value(), 30);
  EXPECT_FLOAT_EQ(h.Hand().GetCurrentValue(), 0.5f);
}

TEST(LinearElements, ControlHandDragsWheelsAndSendsItsValue) {
  TScopedHost host;
  TDWLinearGauge g;  // 60 x 250 upright
  g.SetMin(10);
  g.SetMax(20);
  auto& c = g.Elements().Add<TDWExternalLinearGaugeControlHandElement>();
  c.Hand().Animation().SetEnabled(false);
  c.SetValue(10);
  TDWLinearGauge receiver;
  c.StatePin().Connect(receiver.InputPin());
  double changed = 0, changedMin = 0, changedMax = 0;
  c.OnChange = [&](TDWExternalLinearGaugeControlHandElement&, double v, double lo, double hi) {
    changed = v;
    changedMin = lo;
    changedMax = hi;
  };

  const TDWLinearMouseGeometry G = DWLinearMouseGeometry(g);
  const TDWLinearRail& R = G.Place.Rail;
  const int hx = int(R.X + 3), hy = int(std::lround(R.Bottom()));
  // Hover, press on the hand, drag to the rail's middle: just under 15.
  g.MouseMove({}, hx, hy);
  EXPECT_TRUE(c.ControlHand().MouseOver());
  g.MouseDown(mbLeft, {}, hx, hy);
  EXPECT_TRUE(c.ControlHand().Selected());
  EXPECT_TRUE(g.Focused());
  const float mid = R.T + R.L / 2;
  g.MouseMove({}, hx, int(mid));
  EXPECT_NEAR(c.Value(), 10 + 10 * (R.Bottom() - int(mid)) / (R.L + 0.5), 1e-4);
  EXPECT_LT(c.Value(), 15.5);
  EXPECT_EQ(changed, c.Value());
  EXPECT_EQ(receiver.Value(), c.Value());
  // Its own Range is off: the gauge's range goes along, not Range's unused 0..100.
  EXPECT_EQ(changedMin, 10);
  EXPECT_EQ(changedMax, 20);
  EXPECT_EQ(receiver.Min(), 10);
  EXPECT_EQ(receiver.Max(), 20);
  // Beyond the ends: the bounds.
  g.MouseMove({}, hx, -500);
  EXPECT_EQ(c.Value(), 20);
  g.MouseMove({}, hx, 5000);
  EXPECT_EQ(c.Value(), 10);
  g.MouseUp(mbLeft, {}, hx, 5000);
  g.MouseMove({}, hx, int(mid));
  EXPECT_EQ(c.Value(), 10);  // released: no more dragging
  // Wheel: 1 % of the range per notch (the bounds: LinearGeometry.WheelStepsStopAtTheBounds).
  g.MouseWheel({}, 120, hx, hy);
  EXPECT_NEAR(c.Value(), 10.1, 1e-5);
  c.SetVisible(false);  // hidden: no input
  EXPECT_FALSE(g.MouseWheel({}, 120, hx, hy));
  EXPECT_NEAR(c.Value(), 10.1, 1e-5);
  c.SetVisible(true);
  // Leaving the gauge clears the hover.
  g.MouseLeave();
  EXPECT_FALSE(c.ControlHand().MouseOver());
}

// While the hand moves to a new value, the mouse finds it where it is drawn, not at its target.
TEST(LinearElements, ControlHandIsHitWhereItIsDrawn) {
  TScopedHost host;
  TDWLinearGauge g;
  auto& c = g.Elements().Add<TDWExternalLinearGaugeControlHandElement>();
  c.SetValue(0);
  host.Host.Advance(2000);
  c.SetValue(100);  // animated: still at 0
  ASSERT_FLOAT_EQ(c.Hand().GetCurrentValue(), 0);
  const TDWLinearRail& R = DWLinearMouseGeometry(g).Place.Rail;
  const int hx = int(R.X + 3);
  EXPECT_TRUE(c.HitTest(hx, int(std::lround(R.Bottom()))));
  EXPECT_FALSE(c.HitTest(hx, int(std::lround(R.T))));
  g.MouseDown(mbLeft, {}, hx, int(std::lround(R.Bottom())));
  EXPECT_TRUE(c.ControlHand().Selected());
}

TEST(LinearElements, ReversedAndRotatedDrag) {
  TScopedHost host;
  TDWLinearGauge g;
  g.SetBounds(0, 0, 250, 60);
  g.Rotation().SetAngle(90);  // Min at the right
  g.Scale().SetReversed(true);  // ... and now at the left
  auto& c = g.Elements().Add<TDWExternalLinearGaugeControlHandElement>();
  c.Hand().Animation().SetEnabled(false);
  c.SetValue(0);
  // Reversed with the value at Min: the hand sits at the rail top.
  const TDWLinearMouseGeometry G = DWLinearMouseGeometry(g);
  EXPECT_FLOAT_EQ(DWLinearHandY(G.Place.Rail, 0, true), G.Place.Rail.T - 0.5f);
  c.MouseDown(mbLeft, {}, 0, 0);
  // The drag uses the frame's vertical axis, which runs along the control's x here.
  g.MouseMove({}, 5, 30);
  EXPECT_EQ(c.Value(), 0);
  g.MouseMove({}, 245, 30);
  EXPECT_EQ(c.Value(), 100);
  g.MouseMove({}, 125, 10);
  EXPECT_NEAR(c.Value(), 50, 1);
}
