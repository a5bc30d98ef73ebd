// Extra hands of the angular gauge: minimum/maximum tracking with auto-reset in virtual time, own
// values and ranges, the control hand's drag, wheel, state pin and OnChange, and mouse routing.
#include <gtest/gtest.h>

#include "dialworks/angular/DWAngularGaugeHands.h"
#include "dialworks/draw/RecordingGraphics.h"
#include "dialworks/framework/Form.h"
#include "support/FedPin.h"
#include "support/InstrumentTest.h"
#include "support/LateExpiryHost.h"

using namespace dw;

namespace {

using dwtest::TScopedHost;

// A 200 x 200 gauge drawn once, so its elements know the dial geometry.
void Draw(TDWAngularGauge& AGauge) {
  gp::RecordingGraphics g;
  AGauge.Paint(g);
}

}  // namespace

TEST(GaugeHands, MaxHandTracksAndFallsBackAfterAutoReset) {
  TScopedHost host;
  TDWAngularGauge g;
  auto* max = &g.Elements().Add<TDWGaugeMinMaxHandElement>();
  for (double v : {10.0, 30.0, 20.0}) g.SetValue(v);
  EXPECT_EQ(max->TrackedValue(), 30);
  EXPECT_TRUE(max->AutoReset().TimerEnabled());
  host.Host.Advance(1400);
  EXPECT_EQ(max->TrackedValue(), 30);
  g.SetValue(35);  // a new maximum restarts the countdown and stops it (the hand shows the value)
  EXPECT_EQ(max->TrackedValue(), 35);
  EXPECT_FALSE(max->AutoReset().TimerEnabled());
  g.SetValue(25);
  host.Host.Advance(1499);
  EXPECT_EQ(max->TrackedValue(), 35);
  host.Host.Advance(2);
  EXPECT_EQ(max->TrackedValue(), 25);
  EXPECT_TRUE(max->ResetFlag());
  host.Host.Advance(5000);
  EXPECT_FLOAT_EQ(max->Hand().GetCurrentAngle(), g.ValueToAngle(0, 100, 25));

  // A min hand fed a constant value never starts its countdown.
  auto* min = &g.Elements().Add<TDWGaugeMinMaxHandElement>();
  min->SetMode(gmmMin);
  for (int i = 0; i < 3; ++i) {
    g.SetValue(25);
    g.SetValue(25.0 + 0);  // unchanged values do not even notify
  }
  EXPECT_FALSE(min->AutoReset().TimerEnabled());
  g.SetValue(40);
  EXPECT_EQ(min->TrackedValue(), 25);
  EXPECT_TRUE(min->AutoReset().TimerEnabled());
}

// A max hand moved to another gauge tracks that gauge's values, not the extreme of the first.
// An expiry already on its way when a new extreme restarted the countdown keeps that extreme for
// its full interval.
TEST(GaugeHands, AnExpiryCrossedByANewExtremeKeepsIt) {
  dwtest::TLateExpiryHost host;
  TDWAngularGauge g;
  auto* max = &g.Elements().Add<TDWGaugeMinMaxHandElement>();
  max->AutoReset().SetInterval(777);
  for (double v : {10.0, 11.0, 6.0}) g.SetValue(v);
  host.FireLate(777);
  EXPECT_EQ(max->TrackedValue(), 11);
  host.Advance(777);
  EXPECT_EQ(max->TrackedValue(), 6);
}

TEST(GaugeHands, MaxHandMovedToAnotherGaugeTracksAfresh) {
  TScopedHost host;
  TDWAngularGauge a, b;
  a.SetMax(1000);
  a.SetValue(900);
  b.SetValue(10);
  auto& h = a.Elements().Add<TDWGaugeMinMaxHandElement>();
  h.AutoReset().SetEnabled(false);
  a.SetValue(500);
  ASSERT_EQ(h.TrackedValue(), 900);
  b.Elements().Insert(a.Elements().Extract(0));
  EXPECT_EQ(h.TrackedValue(), 10);
  b.SetValue(20);
  EXPECT_EQ(h.TrackedValue(), 20);
  b.SetValue(15);
  EXPECT_EQ(h.TrackedValue(), 20);
}

// A loaded form shows its values at once, and the min/max hands track from the loaded value (not
// from the defaults the hands saw while the form was read). A new mode starts from the value.
TEST(GaugeHands, LoadedHandsShowTheirValuesAndTrackFromThem) {
  TScopedHost host;
  TFormLoadResult r = LoadForm(R"({"format": "dialworks-form", "version": 1, "width": 200, "height": 200,
    "components": [{"class": "TDWAngularGauge", "name": "G", "properties": {"Min": -100, "Max": -10,
      "Value": -50, "Elements": [
        {"class": "TDWGaugeMinMaxHandElement", "Mode": "gmmMin", "AutoReset": {"Enabled": false}},
        {"class": "TDWGaugeMinMaxHandElement", "AutoReset": {"Enabled": false}},
        {"class": "TDWExternalGaugeHandElement", "Value": -20}]}}]})");
  ASSERT_TRUE(r) << r.Error;
  auto& g = static_cast<TDWAngularGauge&>(r.Form->Components(0));
  auto& min = static_cast<TDWGaugeMinMaxHandElement&>(g.Elements().Items(0));
  auto& max = static_cast<TDWGaugeMinMaxHandElement&>(g.Elements().Items(1));
  auto& own = static_cast<TDWExternalGaugeHandElement&>(g.Elements().Items(2));
  EXPECT_EQ(min.TrackedValue(), -50);
  EXPECT_EQ(max.TrackedValue(), -50);
  for (TDWBasicGaugeHandElement* e : {(TDWBasicGaugeHandElement*)&min, (TDWBasicGaugeHandElement*)&max,
                                      (TDWBasicGaugeHandElement*)&own}) {
    EXPECT_FALSE(e->Animating());
    EXPECT_FLOAT_EQ(e->Hand().GetCurrentAngle(), e->Hand().GetTargetAngle());
  }
  EXPECT_FLOAT_EQ(own.Hand().GetCurrentAngle(), g.ValueToAngle(-100, -10, -20));
  for (double v : {-60.0, -40.0, -45.0}) g.SetValue(v);
  EXPECT_EQ(min.TrackedValue(), -60);
  EXPECT_EQ(max.TrackedValue(), -40);
  max.SetMode(gmmMin);  // not -40, a "minimum" above the value
  EXPECT_EQ(max.TrackedValue(), -45);
  g.SetValue(-42);
  EXPECT_EQ(max.TrackedValue(), -45);
}

TEST(GaugeHands, OwnValueHandMapsOnItsOwnRangeAndPin) {
  TScopedHost host;
  TDWAngularGauge g;
  auto* hand = &g.Elements().Add<TDWExternalGaugeHandElement>();
  EXPECT_FLOAT_EQ(hand->Hand().GetCurrentAngle(), 135);  // joining mapped 0 at once
  hand->SetValue(50);  // later values animate
  EXPECT_TRUE(hand->Animating());
  host.Host.Advance(5000);
  EXPECT_FLOAT_EQ(hand->Hand().GetCurrentAngle(), 270);
  g.SetMax(200);  // the gauge's range, not its value, moves the hand
  host.Host.Advance(5000);
  EXPECT_FLOAT_EQ(hand->Hand().GetCurrentAngle(), 135 + 270 * 0.25f);
  hand->Range().SetEnabled(true);
  hand->Range().SetMax(50);
  host.Host.Advance(5000);
  EXPECT_FLOAT_EQ(hand->Hand().GetCurrentAngle(), 405);

  TPXRealAndRangedStatePin source;
  ASSERT_TRUE(source.Connect(hand->InputPin()));
  source.SubmitValueRange(5, 0, 10);
  EXPECT_EQ(hand->Value(), 5);
  EXPECT_EQ(hand->Range().Max(), 10);
  EXPECT_FALSE(hand->GetRangeStored());
}

TEST(GaugeHands, ValuesReadWhileTheirPinsAreFed) {
  TScopedHost host;
  dwtest::HandValuesReadWhileFed<TDWAngularGauge, TDWExternalGaugeHandElement, TDWGaugeMinMaxHandElement>(
      [](const TDWGaugeMinMaxHandElement& AHand) { return AHand.TrackedValue(); });
}

TEST(GaugeHands, ControlHandDragWheelStatePinAndOnChange) {
  TScopedHost host;
  TDWAngularGauge g;
  g.SetBounds(0, 0, 200, 200);
  auto* knob = &g.Elements().Add<TDWExternalGaugeControlHandElement>();
  TDWAngularGauge follower;
  ASSERT_TRUE(knob->StatePin().Connect(follower.InputPin()));
  double last = -1;
  knob->OnChange = [&](TDWExternalGaugeControlHandElement&, double AValue, double, double) { last = AValue; };
  knob->SetValue(50);
  host.Host.Advance(5000);
  Draw(g);

  // Pressing on the hand (straight up) selects it through the gauge's mouse routing.
  g.MouseDown(mbLeft, ssLeft, 100, 40);
  ASSERT_TRUE(knob->ControlHand().Selected());
  g.MouseMove(ssLeft, 99, 150);  // just left of straight down: the gap, nearer the start
  EXPECT_EQ(knob->Value(), 0);
  g.MouseMove(ssLeft, 101, 150);  // just right of it: nearer the end
  EXPECT_EQ(knob->Value(), 100);
  g.MouseMove(ssLeft, 100, 150);  // straight down: the end
  EXPECT_EQ(knob->Value(), 100);
  g.MouseMove(ssLeft, 100, 20);  // straight up
  EXPECT_NEAR(knob->Value(), 50, 1e-3);
  EXPECT_EQ(follower.Value(), knob->Value());
  EXPECT_EQ(last, knob->Value());
  // The follower takes the range the hand maps on (the gauge's: the hand's own is off).
  g.SetMin(-50);
  knob->SetValue(-20);
  EXPECT_EQ(follower.Min(), -50);
  EXPECT_EQ(follower.Value(), -20);
  g.SetMin(0);
  g.MouseUp(mbLeft, 0, 100, 20);

  // Wheel: 1 % of the range per notch, limited.
  knob->SetValue(99);
  EXPECT_TRUE(g.MouseWheel(0, 120, 0, 0));
  EXPECT_EQ(knob->Value(), 100);
  g.MouseWheel(0, 120, 0, 0);
  EXPECT_EQ(knob->Value(), 100);
  g.SetMin(200);  // downwards: a notch up moves towards Max, down by one
  knob->SetValue(150);
  g.MouseWheel(0, 120, 0, 0);
  EXPECT_EQ(knob->Value(), 149);
  g.SetMin(0);

  // Reversed: pointing at the start angle gives the maximum; own range used for the drag.
  g.Scale().SetReversed(true);
  knob->Range().SetEnabled(true);
  knob->Range().SetMin(-10);
  knob->Range().SetMax(10);
  Draw(g);
  knob->MouseDown(mbLeft, ssLeft, 0, 0);
  knob->MouseMove(ssLeft, 30, 170);
  EXPECT_EQ(knob->Value(), 10);
}

// The state colours: LinearHand (the control hand's colours are the foundation's, shared).
TEST(GaugeHands, DragRuleOnAFullCircle) {
  // No gap: every angle lies on the scale.
  const TDWDialAngles full = DWDialAngles(90, 90);
  EXPECT_NEAR(DWDialDragValue(full, false, 0, 360, 0), 90, 1e-3);
  EXPECT_EQ(DWDialDragValue(full, false, 0, 360, NAN), 0);
}
