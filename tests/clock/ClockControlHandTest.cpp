// The clock's control hand: dragged round the dial with the clock's own geometry, turned by the
// wheel, its time sent on the state pin and through OnChange; the clock's time never moves it.
#include <gtest/gtest.h>

#include <vector>

#include "dialworks/clock/DWAnalogClockHands.h"
#include "dialworks/draw/RecordingGraphics.h"
#include "support/InstrumentTest.h"

using namespace dw;

namespace {

using dwtest::TScopedHost;

TDateTime At(int h, int m, int s) { return EncodeDateTime(2026, 1, 1, h, m, s, 0); }
const TDateTime kDay = EncodeDateTime(2026, 1, 1, 0, 0, 0, 0);

// A 200 x 200 clock showing the host's time, with a control hand at AValue: never painted, the
// hands pivot at (100, 100).
struct TClockWithKnob {
  TDWAnalogClock Clock;
  TDWExternalClockControlHandElement* Knob;
  explicit TClockWithKnob(TDateTime AValue) {
    Clock.SetBounds(0, 0, 200, 200);
    Knob = &Clock.Elements().Add<TDWExternalClockControlHandElement>();
    Knob->Hand().Animation().SetEnabled(false);  // the hand stands at its time at once
    Knob->SetValue(AValue);
  }
};

// Whole seconds of the time of day, and the date, of a value.
int SecondOfDay(TDateTime t) { return DWDecodeTimeOfDay(t).SecondOfDay(); }

}  // namespace

TEST(ClockControlHand, DragRoundTheDialAndAcrossTwelve) {
  TScopedHost host;
  TClockWithKnob c(At(0, 0, 0));  // pointing up through (100, 40)
  std::vector<TDateTime> sent, changed;
  TPXDateTimeSinkPin sink(nullptr, [&](TPXPin&, TDateTime v) { sent.push_back(v); });
  ASSERT_TRUE(c.Knob->StatePin().Connect(sink));
  c.Knob->OnChange = [&](TDWExternalClockControlHandElement&, TDateTime v) { changed.push_back(v); };

  EXPECT_TRUE(c.Knob->HitTest(100, 40));
  EXPECT_FALSE(c.Knob->HitTest(160, 100));
  c.Clock.MouseDown(mbLeft, ssLeft, 100, 40);
  EXPECT_TRUE(c.Knob->ControlHand().Selected());
  EXPECT_TRUE(c.Clock.Focused());  // the first element hit gives the clock the focus

  // Each direction from the pivot is the time the hour hand would show there; the date stays.
  struct {
    int X, Y, Seconds;
  } const moves[] = {{100, 180, 6 * 3600},         {20, 100, 9 * 3600},  {40, 40, 10 * 3600 + 1800},
                     {160, 40, 1 * 3600 + 1800},  // across twelve: 10:30 to 1:30 in the same half
                     {40, 40, 10 * 3600 + 1800},  // and back
                     {180, 100, 3 * 3600}};
  for (const auto& m : moves) {
    c.Clock.MouseMove(ssLeft, m.X, m.Y);
    EXPECT_EQ(SecondOfDay(c.Knob->Value()), m.Seconds) << m.X << "," << m.Y;
    EXPECT_EQ(int(c.Knob->Value()), int(kDay));
  }
  EXPECT_EQ(c.Knob->Hand().GetCurrentAngle(), 360);  // under the pointer at three o'clock
  ASSERT_EQ(sent.size(), std::size(moves));
  EXPECT_EQ(sent, changed);
  EXPECT_EQ(sent.back(), c.Knob->Value());
  EXPECT_EQ(SecondOfDay(sent[3]), 1 * 3600 + 1800);

  // Released: moves no longer drag. A PM time stays in the afternoon when dragged.
  c.Clock.MouseUp(mbLeft, 0, 180, 100);
  c.Clock.MouseMove(0, 100, 180);
  EXPECT_EQ(SecondOfDay(c.Knob->Value()), 3 * 3600);
  c.Knob->SetValue(At(15, 0, 0));
  c.Clock.MouseDown(mbLeft, ssLeft, 150, 100);
  c.Clock.MouseMove(ssLeft, 100, 180);
  EXPECT_EQ(c.Knob->Value(), At(18, 0, 0));

  // A time arriving on the state pin is shown, not sent back.
  const size_t before = sent.size();
  TPXDateTimeSourcePin source;
  ASSERT_TRUE(source.Connect(c.Knob->StatePin()));
  source.SendValue(At(7, 0, 0));
  EXPECT_EQ(c.Knob->Value(), At(7, 0, 0));
  EXPECT_EQ(sent.size(), before);
}

// Issue (clock control hand): the clock's 50 ms timer handed its time to every clock element, so
// the hand the user had dropped jumped back to the clock's time on the next tick.
TEST(ClockControlHand, DroppedHandStaysThroughClockTicks) {
  TScopedHost host;
  host.Host.SetNow(At(10, 8, 30));
  TClockWithKnob c(At(0, 0, 0));
  ASSERT_TRUE(c.Clock.TimerEnabled());
  c.Clock.MouseDown(mbLeft, ssLeft, 100, 40);
  c.Clock.MouseMove(ssLeft, 100, 180);
  c.Clock.MouseUp(mbLeft, 0, 100, 180);
  host.Host.Advance(3000);  // 60 clock ticks
  EXPECT_EQ(c.Knob->Value(), At(6, 0, 0));
  EXPECT_EQ(c.Knob->Hand().GetCurrentAngle(), 450);
}

// Issue (clock control hand): a notch took the whole value into 0..12 hours, so a value with a
// date lost half a day (and its date) on every notch.
TEST(ClockControlHand, WheelStepsTheTimeOfDayAndKeepsTheDate) {
  TScopedHost host;
  TClockWithKnob c(At(11, 59, 45));
  EXPECT_FALSE(c.Clock.MouseWheel(0, 120, 0, 0));  // not selected: ignored
  EXPECT_EQ(c.Knob->Value(), At(11, 59, 45));
  c.Clock.MouseDown(mbLeft, ssLeft, 100, 40);  // 11:59:45 points (almost) up
  ASSERT_TRUE(c.Knob->ControlHand().Selected());
  EXPECT_TRUE(c.Clock.MouseWheel(0, 120, 0, 0));
  EXPECT_EQ(c.Knob->Value(), At(0, 0, 15));  // wraps within twelve hours, same date
  EXPECT_TRUE(c.Clock.MouseWheel(0, -1, 0, 0));
  EXPECT_TRUE(c.Clock.MouseWheel(0, -1, 0, 0));
  EXPECT_EQ(c.Knob->Value(), At(11, 59, 15));
  c.Knob->SetValue(At(23, 59, 45));
  EXPECT_TRUE(c.Clock.MouseWheel(0, 1, 0, 0));
  EXPECT_EQ(c.Knob->Value(), At(12, 0, 15));
  for (int i = 0; i < 4; ++i) c.Clock.MouseWheel(0, 1, 0, 0);
  EXPECT_EQ(c.Knob->Value(), At(12, 2, 15));  // no drift over notches
  c.Knob->SetEnabled(false);
  EXPECT_FALSE(c.Clock.MouseWheel(0, 1, 0, 0));
  c.Knob->SetEnabled(true);
  c.Knob->SetVisible(false);  // hidden: no input either
  EXPECT_FALSE(c.Clock.MouseWheel(0, 1, 0, 0));
  c.Knob->SetVisible(true);
  c.Knob->Hand().SetVisible(false);
  EXPECT_FALSE(c.Clock.MouseWheel(0, 1, 0, 0));
  EXPECT_EQ(c.Knob->Value(), At(12, 2, 15));
}

// Issue (clock control hand): the time of day was rounded to whole milliseconds (23:59:59.9997
// reads as midnight) but the date was not, so a notch or a drag just before midnight went back
// almost a day. Such a value now acts as the next midnight it rounds to, before 1899-12-30 too.
TEST(ClockControlHand, WheelAndDragJustBeforeMidnightActAsTheNextMidnight) {
  TScopedHost host;
  const TDateTime late = 86399999.7 / MSecsPerDay;  // 23:59:59.9997 as a fraction of a day
  const TDateTime next = kDay + 1;
  TClockWithKnob c(kDay + late);
  c.Clock.MouseDown(mbLeft, ssLeft, 100, 40);
  ASSERT_TRUE(c.Knob->ControlHand().Selected());
  c.Clock.MouseWheel(0, 1, 0, 0);
  EXPECT_EQ(c.Knob->Value(), next + 30 / SecsPerDay);
  c.Knob->SetValue(kDay + late);
  c.Clock.MouseWheel(0, -1, 0, 0);  // wraps within the morning, as from midnight itself
  EXPECT_EQ(c.Knob->Value(), next + (12 * 3600 - 30) / SecsPerDay);
  c.Knob->SetValue(kDay + late);
  c.Clock.MouseMove(ssLeft, 100, 180);  // dragged to six o'clock
  EXPECT_EQ(int(c.Knob->Value()), int(next));
  EXPECT_EQ(SecondOfDay(c.Knob->Value()), 6 * 3600);
  c.Clock.MouseUp(mbLeft, 0, 100, 180);
  // 1899-12-28 23:59:59.9997 (day -2): the next day is 1899-12-29 (day -1).
  c.Knob->SetValue(-2 - late);
  c.Clock.MouseWheel(0, 1, 0, 0);
  EXPECT_EQ(c.Knob->Value(), EncodeDateTime(1899, 12, 29, 0, 0, 30));
  c.Knob->SetValue(-1 - late);  // and after 1899-12-29 comes day 0
  c.Clock.MouseWheel(0, 1, 0, 0);
  EXPECT_EQ(c.Knob->Value(), EncodeDateTime(1899, 12, 30, 0, 0, 30));
}

TEST(ClockControlHand, StateColoursAndSelectionAmongElements) {
  TScopedHost host;
  TClockWithKnob c(At(0, 0, 0));
  auto* other = &c.Clock.Elements().Add<TDWExternalClockControlHandElement>();
  other->Hand().Animation().SetEnabled(false);
  other->SetValue(At(6, 0, 0));  // pointing down
  TDWExternalControlClockHand& h = c.Knob->ControlHand();
  h.SetColor(0xFF000001);
  h.SetSelectedColor(0xFF000002);
  h.SetMouseOverColor(0xFF000003);
  h.SetSelectedMouseOverColor(0xFF000004);
  EXPECT_EQ(h.GetColor(), 0xFF000001u);
  c.Clock.MouseMove(0, 100, 40);  // over it
  EXPECT_TRUE(h.MouseOver());
  EXPECT_EQ(h.GetColor(), 0xFF000003u);
  c.Clock.MouseDown(mbLeft, ssLeft, 100, 40);
  EXPECT_EQ(h.GetColor(), 0xFF000004u);
  c.Clock.MouseUp(mbLeft, 0, 100, 40);
  c.Clock.MouseMove(0, 160, 100);  // off both hands
  EXPECT_EQ(h.GetColor(), 0xFF000002u);
  c.Clock.FocusLost();  // selected colours need the clock focused
  EXPECT_EQ(h.GetColor(), 0xFF000001u);
  // Pressing the other hand selects it and unselects the first.
  c.Clock.MouseDown(mbLeft, ssLeft, 100, 160);
  EXPECT_TRUE(other->ControlHand().Selected());
  EXPECT_FALSE(h.Selected());
  // Drawn in the clock: the selected, focused hand in its selected colour.
  other->ControlHand().SetSelectedColor(0xFF00FF00);
  c.Clock.MouseUp(mbLeft, 0, 100, 160);
  c.Clock.MouseMove(0, 160, 100);
  EXPECT_EQ(other->ControlHand().GetColor(), 0xFF00FF00u);
  gp::RecordingGraphics g;
  c.Clock.Paint(g);
  int green = 0;
  for (const gp::DrawCall& call : g.Calls()) green += call.Color == 0xFF00FF00u;
  EXPECT_GT(green, 0);
}

TEST(ClockControlHand, DragRuleOnOtherScales) {
  // The clock's scale: twelve o'clock is 0, a full turn half the range.
  TDWClockMouseGeometry clock;
  EXPECT_DOUBLE_EQ(DWClockDragValue(clock, -90), 0);
  EXPECT_DOUBLE_EQ(DWClockDragValue(clock, 0), 0.125);
  EXPECT_DOUBLE_EQ(DWClockDragValue(clock, -135), 0.4375);
  // A sweep of less than a turn: in the gap after the end, the nearer end; reversal runs back.
  TDWClockMouseGeometry g;
  g.StartAngle = 0;
  g.EndAngle = -180;
  g.Max = 10;
  EXPECT_DOUBLE_EQ(DWClockDragValue(g, 90), 5);
  EXPECT_DOUBLE_EQ(DWClockDragValue(g, -100), 10);
  EXPECT_DOUBLE_EQ(DWClockDragValue(g, -10), 0);
  g.Reversed = true;
  EXPECT_DOUBLE_EQ(DWClockDragValue(g, 45), 7.5);
}

TEST(ClockControlHand, FormRoundTrip) {
  TScopedHost host;
  auto form = dwtest::RoundTripForm(R"({
  "format": "dialworks-form", "version": 1, "width": 200, "height": 200, "color": "0xFF101010",
  "components": [{"class": "TDWAnalogClock", "name": "Clock", "left": 0, "top": 0, "properties": {
    "TimeSource": "tsValue", "Value": 45000.25,
    "Elements": [{"class": "TDWExternalClockControlHandElement",
      "Value": 46023.125, "Hand": {"SelectedColor": "0xFF00FF00", "Color": "0xFFFF0000"}}]
  }}]})");
  ASSERT_NE(form, nullptr);
  auto* clock = dynamic_cast<TDWAnalogClock*>(&form->Components(0));
  ASSERT_NE(clock, nullptr);
  auto* knob = dynamic_cast<TDWExternalClockControlHandElement*>(&clock->Elements().Items(0));
  ASSERT_NE(knob, nullptr);
  EXPECT_EQ(knob->Value(), 46023.125);
  EXPECT_EQ(knob->ControlHand().SelectedColor(), 0xFF00FF00u);
  EXPECT_EQ(knob->Hand().Color(), 0xFFFF0000u);
  EXPECT_EQ(knob->Hand().GetCurrentAngle(), 360);  // loaded: 3:00 shown at once
}
