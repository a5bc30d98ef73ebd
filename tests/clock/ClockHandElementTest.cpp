#include <gtest/gtest.h>

#include <cmath>

#include "dialworks/clock/DWAnalogClockHands.h"
#include "dialworks/draw/RecordingGraphics.h"
#include "support/InstrumentTest.h"

using namespace dw;

namespace {

using dwtest::TScopedHost;

TDateTime At(int h, int m, int s, int ms = 0) { return EncodeDateTime(2024, 5, 17, h, m, s, ms); }

}  // namespace

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
