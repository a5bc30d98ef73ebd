#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "dialworks/clock/DWAnalogClock.h"
#include "dialworks/clock/DWAnalogClockHands.h"
#include "dialworks/draw/RecordingGraphics.h"
#include "support/FedClock.h"
#include "support/InstrumentTest.h"
#include "support/RepaintScreen.h"

using namespace dw;

namespace {

using dwtest::TScopedHost;

TDateTime At(int h, int m, int s, int ms = 0) { return EncodeDateTime(2024, 5, 17, h, m, s, ms); }

struct TAngles {
  float S, H, M;
};
TAngles Shown(TDWBasicAnalogClock& c) {
  return {c.Hands().Seconds().GetCurrentAngle(), c.Hands().Hours().GetCurrentAngle(),
          c.Hands().Minutes().GetCurrentAngle()};
}

// The text of DrawString calls ("12 | font...").
std::vector<std::string> Numerals(const std::vector<const gp::DrawCall*>& ACalls) {
  std::vector<std::string> r;
  for (const gp::DrawCall* c : ACalls) r.push_back(c->Text.substr(0, c->Text.find(" |")));
  return r;
}

std::vector<const gp::DrawCall*> FaceCalls(const gp::RecordingGraphics& g, std::string_view AOp) {
  std::vector<const gp::DrawCall*> r;
  for (const gp::DrawCall& c : g.Calls())
    if (c.Layer > 0 && c.Op == AOp) r.push_back(&c);  // the cached layers
  return r;
}

}  // namespace

TEST(ClockAngles, ContinuousAndDiscreteHands) {
  struct TCase {
    TDateTime T;
    bool Discrete;
    float H, M, S;
  };
  for (const TCase& c : {
           TCase{At(0, 0, 0), false, 270, 270, 270},
           TCase{At(3, 0, 0), false, 360, 270, 270},     // 360 stays (points right)
           TCase{At(15, 30, 0), false, 15, 90, 270},
           TCase{At(15, 30, 0), true, 360, 90, 270},
           TCase{At(12, 59, 30), false, 299.5f, 267, 90},
           TCase{At(10, 0, 45, 500), false, 210, 274.5f, 183},
           TCase{At(23, 59, 59, 999), false, 269.5f, 269.9f, 269.99399f},  // hours move with the minutes only
           TCase{At(23, 59, 59, 999), true, 240, 264, 264},
       }) {
    const TDWClockAngles a = DWClockHandAngles(c.T, c.Discrete, c.Discrete, c.Discrete);
    EXPECT_NEAR(a.Hours, c.H, 1e-3) << DateTimeToISO(c.T) << c.Discrete;
    EXPECT_NEAR(a.Minutes, c.M, 1e-3) << DateTimeToISO(c.T) << c.Discrete;
    EXPECT_NEAR(a.Seconds, c.S, 1e-3) << DateTimeToISO(c.T) << c.Discrete;
  }
  // Nothing decodable shows midnight.
  const TDWClockAngles bad = DWClockHandAngles(std::nan(""), false, false, false);
  EXPECT_EQ(bad.Hours, 270);
  EXPECT_EQ(bad.Seconds, 270);
}

TEST(AnalogClock, TimeSourceSelectionAndSwitching) {
  TScopedHost host;
  host.Host.SetNow(At(9, 15, 0));
  TDWAnalogClock clock;
  EXPECT_NEAR(Shown(clock).H, 187.5f, 1e-3);  // 9:15 placed at construction
  clock.SetValue(At(3, 0, 0));
  EXPECT_NEAR(Shown(clock).H, 187.5f, 1e-3);  // stored, not shown under tsAuto
  host.Host.Advance(50);
  EXPECT_NEAR(Shown(clock).M, 360, 0.1f);     // the timer re-reads the host: 9:15:00.05
  // A connected pin makes tsAuto show Value at the next timer redraw.
  TPXDateTimeSourcePin source;
  ASSERT_TRUE(source.Connect(clock.InputPin()));
  source.SendValue(At(3, 0, 0));
  EXPECT_FALSE(clock.GetIsCurrentTime());
  host.Host.Advance(1000);
  EXPECT_EQ(Shown(clock).H, 360);
  // tsCurrentTime ignores the pin.
  clock.SetTimeSource(tsCurrentTime);
  EXPECT_TRUE(clock.TimerEnabled());
  EXPECT_NEAR(Shown(clock).H, 187.5f, 0.1f);
  // tsValue: a value shows at once and the timer stops.
  clock.SetTimeSource(tsValue);
  EXPECT_FALSE(clock.TimerEnabled());
  EXPECT_EQ(Shown(clock).H, 360);
  clock.SetValue(At(6, 0, 0));
  EXPECT_EQ(Shown(clock).H, 90);
  host.Host.Advance(5000);
  EXPECT_EQ(Shown(clock).H, 90);
  // Back to tsAuto with the pin still connected: Value stays the source (the ticks keep it) and
  // values arriving now show at once; once the pin goes, the host's time (9:15:08) shows.
  clock.SetTimeSource(tsAuto);
  source.SendValue(At(9, 0, 0));
  EXPECT_EQ(Shown(clock).H, 180);
  host.Host.Advance(2000);
  EXPECT_EQ(Shown(clock).H, 180);
  source.Disconnect(clock.InputPin());
  host.Host.Advance(1000);
  EXPECT_TRUE(clock.TimerEnabled());
  EXPECT_NEAR(Shown(clock).H, 187.5f, 0.1f);
}

TEST(AnalogClock, RedrawsOncePerSecondWhenDiscreteAndOnEveryTickWhenContinuous) {
  TScopedHost host;
  host.Host.SetNow(At(8, 0, 0, 10));
  TDWAnalogClock clock;
  clock.Hands().Seconds().Animation().SetEnabled(false);  // count the clock timer's redraws alone
  host.Host.Advance(100);  // the refresh timer's first expiry and the first timer redraw
  host.Host.ClearRepaintCounts();
  host.Host.Advance(3000);
  EXPECT_EQ(host.Host.RepaintCount(clock), 3u);
  EXPECT_EQ(Shown(clock).S, 270 + 18);
  clock.Hands().Seconds().SetDiscrete(false);
  host.Host.ClearRepaintCounts();
  host.Host.Advance(1000);
  EXPECT_EQ(host.Host.RepaintCount(clock), 20u);
  // The refresh timer switched itself off: only the clock timer runs.
  EXPECT_FALSE(clock.RefreshTimerEnabled());
  EXPECT_EQ(host.Host.EnabledTimerCount(), 1u);
}

TEST(AnalogClock, AnimatedSecondsTakeTheShorterWayAcrossTwelve) {
  TScopedHost host;
  host.Host.SetNow(At(8, 0, 58, 990));
  TDWAnalogClock clock;
  clock.Hands().Seconds().Animation().SetEnabled(true);
  host.Host.Advance(50);
  EXPECT_EQ(Shown(clock).S, 258);
  host.Host.Advance(960);  // 8:00:59.xx: animated from 258 to 264
  host.Host.Advance(40);   // 8:01:00.04: from 264 to 270 through 267, not back round through 90
  bool sawMove = false;
  for (int k = 0; k < 40; ++k) {
    host.Host.Advance(16);
    const float s = Shown(clock).S;
    EXPECT_TRUE(s >= 250 && s <= 290) << s;  // the spring may overshoot a little
    sawMove = sawMove || (s > 264 && s < 270);
  }
  EXPECT_TRUE(sawMove);
  // Hands at rest: the subscription ends and the refresh timer switches itself off.
  clock.SetTimeSource(tsValue);
  host.Host.Advance(3000);
  EXPECT_FALSE(clock.Animating());
  EXPECT_FALSE(clock.RefreshTimerEnabled());
}

TEST(AnalogClock, FaceMarksNumeralsAndRanges) {
  TScopedHost host;
  TDWAnalogClock clock;
  clock.SetTimeSource(tsValue);
  clock.Glass().SetVisible(false);
  auto paint = [&](gp::RecordingGraphics& g) {
    TDWLayeredInstrumentProbe::Drop(clock);
    clock.Paint(g);
  };
  {
    gp::RecordingGraphics g;
    paint(g);
    EXPECT_EQ(FaceCalls(g, "DrawLine").size(), 60u);
    EXPECT_EQ(Numerals(FaceCalls(g, "DrawString")),
              (std::vector<std::string>{"1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "12"}));
    // One o'clock's numeral sits at -60 degrees, twelve's straight up from the centre.
    std::vector<gp::PointF> at;  // where each numeral was drawn
    const gp::DrawCall* move = nullptr;
    for (const gp::DrawCall& c : g.Calls()) {
      if (c.Op == "TranslateTransform") move = &c;
      if (c.Op == "DrawString" && move) at.push_back({move->Args.at(0), move->Args.at(1)});
    }
    ASSERT_EQ(at.size(), 12u);
    const float cx = at[11].X, r = at[2].X - cx;  // 12 straight up; 3 straight right
    EXPECT_GT(r, 30);
    EXPECT_NEAR(at[0].X, cx + r * 0.5f, 0.01f);   // 1 o'clock at -60 degrees
    EXPECT_NEAR(at[0].Y, at[2].Y - r * std::sqrt(3.0f) / 2, 0.01f);
    EXPECT_NEAR(at[5].X, cx, 0.01f);              // 6 straight down
    EXPECT_NEAR(at[11].Y, at[2].Y - r, 0.01f);
  }
  {
    clock.Scale().MajorTicks().SetCount(4);
    gp::RecordingGraphics g;
    paint(g);
    EXPECT_EQ(FaceCalls(g, "DrawLine").size(), 4u + 16u);
    EXPECT_EQ(Numerals(FaceCalls(g, "DrawString")), (std::vector<std::string>{"3", "6", "9", "12"}));
  }
  {
    clock.Scale().MajorTicks().SetCount(12);
    clock.Scale().MajorTicks().SetVisible(false);
    clock.Scale().MajorTicks().Labels().SetVisible(false);
    gp::RecordingGraphics g;
    paint(g);
    // A minor mark at every hour position too, twelve o'clock twice.
    EXPECT_EQ(FaceCalls(g, "DrawLine").size(), 61u);
    EXPECT_TRUE(FaceCalls(g, "DrawString").empty());
  }
  {
    clock.Ranges().SetVisible(true);
    auto& r1 = clock.Ranges().Ranges().Add();
    r1.SetRange(3);
    auto& r2 = clock.Ranges().Ranges().Add();
    r2.SetRange(12);
    gp::RecordingGraphics g;
    paint(g);
    const auto arcs = FaceCalls(g, "DrawArc");
    ASSERT_EQ(arcs.size(), 2u);
    EXPECT_FLOAT_EQ(arcs[0]->Args.at(4), -90);
    EXPECT_FLOAT_EQ(arcs[0]->Args.at(5), 90);
    EXPECT_FLOAT_EQ(arcs[1]->Args.at(4), 0);
    EXPECT_FLOAT_EQ(arcs[1]->Args.at(5), 270);
  }
}

TEST(AnalogClock, MirroringElementShowsTheHostTime) {
  TScopedHost host;
  host.Host.SetNow(At(4, 0, 0));
  TDWAnalogClock clock;
  auto& element = clock.Elements().Add<TDWAnalogClockElement>();
  EXPECT_EQ(Shown(element).H, 30);
  clock.SetTimeSource(tsValue);
  clock.SetValue(At(7, 30, 0));
  EXPECT_NEAR(Shown(element).H, 135, 1e-3);
  // The timer keeps handing the shown value, not the host's time.
  clock.SetTimeSource(tsAuto);
  TPXDateTimeSourcePin source;
  source.Connect(clock.InputPin());
  host.Host.Advance(200);
  EXPECT_NEAR(Shown(element).H, 135, 1e-3);
  gp::RecordingGraphics g;
  clock.Paint(g);  // element drawn inside the clock without trouble
}

// Issue (analog clock): a hand's Discrete only repainted, and only a new value placed the hands,
// so a clock without a running timer (tsValue, its mirroring element) kept them where they were.
TEST(AnalogClock, DiscreteReplacesTheHandsOfAStillClock) {
  TScopedHost host;
  TDWAnalogClock clock;
  auto& element = clock.Elements().Add<TDWAnalogClockElement>();
  clock.SetTimeSource(tsValue);
  const TDateTime t = At(10, 30, 30, 500);
  clock.SetValue(t);
  TDWBasicAnalogClock* const clocks[] = {&clock, &element};
  for (TDWBasicAnalogClock* c : clocks) {
    for (bool hours : {true, false}) {
      c->Hands().Hours().SetDiscrete(hours);
      c->Hands().Seconds().SetDiscrete(!hours);
      host.Host.Advance(3000);  // discrete hands may spring there
      const TDWClockAngles want = DWClockHandAngles(t, hours, false, !hours);
      EXPECT_NEAR(Shown(*c).H, want.Hours, 1e-3) << hours;
      EXPECT_NEAR(Shown(*c).S, want.Seconds, 1e-3) << hours;
    }
  }
}

// Repaints of only what moved: a new time asks for the hands' old and new places (shadows
// included), and the screen repainted there equals a whole paint; a spring step of the seconds
// hand too, part by part.
TEST(AnalogClock, NewTimesRepaintTheHandsPlacesOnly) {
  TScopedHost host;
  TDWAnalogClock clock;
  clock.Hands().Seconds().Animation().SetEnabled(false);
  clock.SetTimeSource(tsValue);
  clock.SetValue(At(10, 8, 30));
  dwtest::TRepaintScreen screen(host.Host, clock);
  // A second, a minute and its second, a jump of every hand to the other side, noon.
  const TDateTime times[] = {At(10, 8, 31), At(10, 9, 32), At(4, 40, 0), At(12, 0, 0)};
  for (TDateTime t : times) {
    clock.SetValue(t);
    const TManualHost::TDirty d = screen.Update();
    ASSERT_FALSE(d.Whole) << t;
    ASSERT_FALSE(d.IsEmpty()) << t;
    EXPECT_LT(screen.Share(d.Part), 0.95) << t;
    EXPECT_EQ(screen.DifferenceFromWholePaint(), 0) << t;
  }
  // One hand alone moving (the others hidden) repaints a small part.
  clock.Hands().Hours().SetVisible(false);
  clock.Hands().Minutes().SetVisible(false);
  EXPECT_TRUE(screen.Update().Whole);
  clock.SetValue(At(12, 0, 1));
  const TManualHost::TDirty d = screen.Update();
  ASSERT_FALSE(d.Whole);
  EXPECT_LT(screen.Share(d.Part), 0.25);
  EXPECT_EQ(screen.DifferenceFromWholePaint(), 0);
  // No hand visible: the whole clock.
  clock.Hands().Seconds().SetVisible(false);
  screen.Update();
  clock.SetValue(At(12, 0, 2));
  EXPECT_TRUE(screen.Update().Whole);

  // The host's time: the seconds hand springs to each second, repainted part by part.
  host.Host.SetNow(At(8, 0, 0, 10));
  TDWAnalogClock live;
  dwtest::TRepaintScreen liveScreen(host.Host, live);
  host.Host.Advance(100);
  liveScreen.Update();
  int parts = 0;
  // Three seconds, then on until a spring has settled and its last repaint is served.
  for (int step = 0; step < 500; ++step) {
    host.Host.Advance(10);
    const TManualHost::TDirty p = liveScreen.Update();
    if (!p.IsEmpty()) {
      EXPECT_FALSE(p.Whole) << step;
      ++parts;
    }
    if (step >= 300 && !live.Animating() && !live.RefreshTimerEnabled()) break;
  }
  liveScreen.Update();
  EXPECT_GT(parts, 10);
  EXPECT_EQ(liveScreen.DifferenceFromWholePaint(), 0);
}

TEST(ClockHandElement, AngleTurnsOnceInTwelveHoursUnfolded) {
  EXPECT_EQ(DWClockElementAngle(At(0, 0, 0)), 270);
  // 3:00 lies a quarter turn on: 360, pointing right (not 450).
  EXPECT_EQ(DWClockElementAngle(At(3, 0, 0)), 360);
  EXPECT_EQ(DWClockElementAngle(At(6, 0, 0)), 450);
  // Whole seconds only, never reaching 630.
  EXPECT_NEAR(DWClockElementAngle(At(23, 59, 59, 999)), 630 - 360.0 / 43200, 1e-3);
  EXPECT_EQ(DWClockElementAngle(At(1, 0, 0, 400)), DWClockElementAngle(At(1, 0, 0)));
}

// Issue (clock hand elements): the clock's 50 ms timer handed its time to every clock element,
// so a hand with a time of its own was overwritten by the clock's time on the next tick.
TEST(ClockHandElement, OwnTimeSourceIsNotOverwrittenByTheClock) {
  TScopedHost host;
  host.Host.SetNow(At(10, 0, 0));
  TDWAnalogClock clock;
  auto& zone = clock.Elements().Add<TDWExternalClockHandElement>();
  zone.Hand().Animation().SetEnabled(false);
  EXPECT_TRUE(zone.GetIsCurrentTime());
  EXPECT_EQ(zone.Hand().GetCurrentAngle(), DWClockElementAngle(At(10, 0, 0)));
  zone.SetTimeSource(tsValue);
  EXPECT_FALSE(zone.TimerEnabled());
  zone.SetValue(At(17, 0, 0));
  EXPECT_EQ(zone.Hand().GetCurrentAngle(), 420);
  host.Host.Advance(2000);  // 40 clock ticks
  EXPECT_EQ(zone.Hand().GetCurrentAngle(), 420);
  EXPECT_EQ(zone.Value(), At(17, 0, 0));
  // Back on the host's time, it follows the clock timer of its own.
  zone.SetTimeSource(tsCurrentTime);
  host.Host.Advance(3600 * 1000.0);
  EXPECT_EQ(zone.Hand().GetCurrentAngle(), DWClockElementAngle(At(11, 0, 2)));
  // Drawn with the clock's geometry: its hand pivots at the clock's centre.
  gp::RecordingGraphics g;
  clock.Paint(g);
  int blue = 0;
  for (const gp::DrawCall& c : g.Calls()) blue += c.Layer == 0 && c.Color == 0xFF0000FFu;
  EXPECT_GT(blue, 0);
}

// A source toggled while the pin was connected left the timer off for good once the pin went.
TEST(ClockHandElement, FollowsTheHostOnceItsPinIsDisconnected) {
  TScopedHost host;
  host.Host.SetNow(At(9, 0, 0));
  TDWExternalClockHandElement zone;
  zone.Hand().Animation().SetEnabled(false);
  TPXDateTimeSourcePin source;
  ASSERT_TRUE(source.Connect(zone.InputPin()));
  source.SendValue(At(3, 0, 0));
  zone.SetTimeSource(tsValue);
  zone.SetTimeSource(tsAuto);
  host.Host.Advance(2000);
  EXPECT_EQ(zone.Hand().GetCurrentAngle(), DWClockElementAngle(At(3, 0, 0)));
  source.Disconnect(zone.InputPin());
  host.Host.SetNow(At(9, 30, 0));
  host.Host.Advance(1000);
  EXPECT_TRUE(zone.TimerEnabled());
  EXPECT_NEAR(zone.Hand().GetCurrentAngle(), DWClockElementAngle(At(9, 30, 1)), 0.01f);
}

TEST(ClockHandElement, DiscreteHandRedrawsOncePerSecondAndFirstTimeJumps) {
  TScopedHost host;
  host.Host.SetNow(At(4, 0, 0, 10));
  TDWAnalogClock clock;
  clock.Hands().Seconds().Animation().SetEnabled(false);
  clock.SetTimeSource(tsValue);  // the clock itself stays still
  auto& zone = clock.Elements().Add<TDWExternalClockHandElement>();
  EXPECT_FALSE(zone.Animating());  // joined: jumped to its time
  zone.Hand().SetDiscrete(true);
  host.Host.Advance(200);
  host.Host.ClearRepaintCounts();
  host.Host.Advance(3000);
  // Three new seconds, each an animation to the next mark; the repaints go through the 25 ms
  // refresh timer, gathered: far fewer than the 60 clock ticks' worth of 16 ms animation steps.
  const uint64_t repaints = host.Host.RepaintCount(clock);
  EXPECT_GT(repaints, 3u);
  EXPECT_LE(repaints, 3000u / 25u + 1);
  // Once its hand comes to rest, its refresh timer switches itself off.
  zone.SetTimeSource(tsValue);
  zone.SetValue(At(4, 0, 6));
  host.Host.Advance(3000);
  EXPECT_FALSE(zone.Animating());
  EXPECT_FALSE(zone.RefreshTimerEnabled());
  EXPECT_NEAR(std::fmod(zone.Hand().GetCurrentAngle(), 360.0f), std::fmod(DWClockElementAngle(At(4, 0, 6)), 360.0f), 0.05f);
}

// An element may be of its host's class: a copy between the two has no list to copy (clearing the
// host's would destroy the source; the element's would take copies of itself without end).
TEST(AnalogClock, AssignBetweenTheClockAndItsOwnElementLeavesTheLists) {
  TScopedHost host;
  TDWAnalogClock clock(nullptr);
  auto& e = clock.Elements().Add<TDWExternalAnalogClockElement>();
  e.SetTimeSource(tsValue);
  clock.Assign(e);
  EXPECT_EQ(clock.TimeSource(), tsValue);  // the rest is copied
  ASSERT_EQ(clock.Elements().Count(), 1u);
  EXPECT_EQ(&clock.Elements().ItemComponent(0), &e);
  e.Assign(clock);
  EXPECT_EQ(e.Elements().Count(), 0u);
  EXPECT_EQ(clock.Elements().Count(), 1u);
}

// The clock's time arrives on the data thread while its timer ticks on this one: between the
// seconds a discrete clock's ticks hand the shown time to its elements, which reads Value. (A
// read outside the control lock shows under ThreadSanitizer.)
TEST(AnalogClock, TicksWhileItsPinIsFed) {
  dwtest::PaintAndTickWhileFed<TDWAnalogClock>(120, 120, 0.6);  // a dozen ticks
}
