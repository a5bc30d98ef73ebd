#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "FoundationTestClasses.h"
#include "dialworks/foundation/DWClockTime.h"

using namespace dw;

namespace {

using dwtest::TScopedHost;

constexpr double Inf = std::numeric_limits<double>::infinity();
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

}  // namespace

TEST(ClockTime, DecodesTheTimeOfDayOfAnyDateTime) {
  EXPECT_EQ(DWDecodeTimeOfDay(EncodeDateTime(2024, 2, 29, 23, 59, 59, 999)), (TDWTimeOfDay{23, 59, 59, 999}));
  EXPECT_EQ(DWDecodeTimeOfDay(0.5), (TDWTimeOfDay{12, 0, 0, 0}));
  // Before 1899-12-30 the fraction counts forward from midnight whatever the sign.
  EXPECT_EQ(DWDecodeTimeOfDay(-1.25), (TDWTimeOfDay{6, 0, 0, 0}));
  EXPECT_EQ(DWDecodeTimeOfDay(-0.75), (TDWTimeOfDay{18, 0, 0, 0}));
  // Half a millisecond before midnight rounds into the next day, never to hour 24.
  EXPECT_EQ(DWDecodeTimeOfDay(45000.0 + (MSecsPerDay - 0.4) / MSecsPerDay), TDWTimeOfDay{});
  EXPECT_EQ(DWDecodeTimeOfDay(std::nextafter(1.0, 0.0)), TDWTimeOfDay{});
  for (const double bad : {NaN, Inf, -Inf, 1e300, -1e300, 1e9, double(std::numeric_limits<int64_t>::max())})
    EXPECT_EQ(DWDecodeTimeOfDay(bad), TDWTimeOfDay{}) << bad;
  // The last representable day still decodes its time.
  EXPECT_EQ(DWDecodeTimeOfDay(EncodeDateTime(9999, 12, 31, 13, 14, 15, 16)), (TDWTimeOfDay{13, 14, 15, 16}));
}

TEST(ClockTime, NormalizesFieldsFromOutside) {
  EXPECT_EQ(DWNormalizeTimeOfDay(24, 0, 0, 0), TDWTimeOfDay{});
  EXPECT_EQ(DWNormalizeTimeOfDay(23, 59, 60, 0), (TDWTimeOfDay{23, 59, 59, 999}));  // leap second held
  EXPECT_EQ(DWNormalizeTimeOfDay(10, 75, 0, 0), (TDWTimeOfDay{11, 15, 0, 0}));
  EXPECT_EQ(DWNormalizeTimeOfDay(0, 0, -1, 500), (TDWTimeOfDay{23, 59, 59, 500}));
  EXPECT_EQ(DWNormalizeTimeOfDay(-25, 0, 0, 0), (TDWTimeOfDay{23, 0, 0, 0}));
  EXPECT_EQ(DWNormalizeTimeOfDay(1, 2, 3, 5000), (TDWTimeOfDay{1, 2, 3, 999}));
  EXPECT_EQ(DWNormalizeTimeOfDay(1, 2, 3, -7), (TDWTimeOfDay{1, 2, 3, 0}));
  const int64_t big = std::numeric_limits<int64_t>::max();
  const TDWTimeOfDay t = DWNormalizeTimeOfDay(big, -big, big, big);
  EXPECT_TRUE(t.Hour >= 0 && t.Hour < 24 && t.Minute >= 0 && t.Minute < 60 && t.Second >= 0 && t.Second < 60);
}

TEST(ClockTime, ReplacingTheTimeKeepsTheDate) {
  const TDateTime d = EncodeDateTime(2023, 6, 1, 11, 59, 45);
  const TDateTime r = DWReplaceTimeOfDay(d, 0.25);
  EXPECT_EQ(DecodeDateTime(r), (TDateTimeParts{2023, 6, 1, 6, 0, 0, 0}));
  EXPECT_EQ(DecodeDateTime(DWReplaceTimeOfDay(d, -0.25)).Hour, 18);   // wrapped into the day
  EXPECT_EQ(DecodeDateTime(DWReplaceTimeOfDay(d, 1.5)).Hour, 12);
  EXPECT_EQ(DWReplaceTimeOfDay(d, NaN), std::trunc(d));
  // Negative dates keep their sign convention: day -2 at 06:00 is -2.25.
  EXPECT_DOUBLE_EQ(DWReplaceTimeOfDay(-2.75, 0.25), -2.25);
  EXPECT_DOUBLE_EQ(DWReplaceTimeOfDay(-0.75, 0.25), 0.25);  // day 0 has no sign
  EXPECT_DOUBLE_EQ(DWReplaceTimeOfDay(NaN, 0.5), 0.5);
}

TEST(ClockTime, TimeSourceRuleAndShownTime) {
  TScopedHost host;
  host.Host.SetNow(EncodeDateTime(2020, 1, 1, 8, 0, 0));
  EXPECT_TRUE(DWIsCurrentTime(tsAuto, false));
  EXPECT_FALSE(DWIsCurrentTime(tsAuto, true));
  EXPECT_TRUE(DWIsCurrentTime(tsCurrentTime, true));
  EXPECT_FALSE(DWIsCurrentTime(tsValue, false));
  EXPECT_EQ(HourOf(DWShownTime(tsAuto, false, 0.75)), 8);
  EXPECT_EQ(HourOf(DWShownTime(tsAuto, true, 0.75)), 18);
  EXPECT_EQ(HourOf(DWShownTime(tsValue, false, 0.75)), 18);
  EXPECT_EQ(HourOf(DWShownTime(tsCurrentTime, true, 0.75)), 8);
}

TEST(ClockTime, DiscreteClocksRedrawWhenTheSecondChangesOrTimeJumps) {
  const TDateTime t = EncodeDateTime(2020, 1, 1, 10, 0, 7, 100);
  const double ms = 1.0 / MSecsPerDay;
  EXPECT_TRUE(DWClockTickNeedsRedraw(false, t, t));
  EXPECT_FALSE(DWClockTickNeedsRedraw(true, t, t + 850 * ms));
  EXPECT_TRUE(DWClockTickNeedsRedraw(true, t, t + 900 * ms));   // 10:00:08.000
  EXPECT_TRUE(DWClockTickNeedsRedraw(true, t, t - 101 * ms));   // set back into second 6
  EXPECT_TRUE(DWClockTickNeedsRedraw(true, t, t + 60000 * ms)); // a minute later, same second
  EXPECT_TRUE(DWClockTickNeedsRedraw(true, t, t - 60000 * ms));
  EXPECT_TRUE(DWClockTickNeedsRedraw(true, NaN, t));
  EXPECT_TRUE(DWClockTickNeedsRedraw(true, t, Inf));
}

TEST(ClockTime, TimerRedrawsOncePerSecondWhenDiscreteAndEveryTickOtherwise) {
  TScopedHost host;
  host.Host.SetNow(EncodeDateTime(2020, 1, 1, 10, 0, 0, 20));
  bool discrete = true;
  std::vector<bool> ticks;
  std::vector<TDateTime> times;
  TDWClockTimer timer([&](TDateTime ANow, bool ARedraw) { ticks.push_back(ARedraw); times.push_back(ANow); },
                      [&] { return discrete; });
  EXPECT_TRUE(timer.Enabled());
  host.Host.Advance(2000);
  ASSERT_EQ(ticks.size(), 40u);
  EXPECT_EQ(std::count(ticks.begin(), ticks.end(), true), 3);  // first tick, then seconds 1 and 2
  EXPECT_TRUE(ticks.front());
  EXPECT_EQ(SecondOf(timer.LastTime()), 2);
  discrete = false;
  ticks.clear();
  host.Host.Advance(500);
  EXPECT_EQ(ticks, std::vector<bool>(10, true));
  // The clock set a minute ahead at the same second still redraws a discrete clock.
  discrete = true;
  ticks.clear();
  host.Host.SetNow(HostServices().Now() + 60.0 / SecsPerDay);
  host.Host.Advance(50);
  EXPECT_EQ(ticks, std::vector<bool>{true});
  timer.SetEnabled(false);
  ticks.clear();
  host.Host.Advance(1000);
  EXPECT_TRUE(ticks.empty());
  timer.SetEnabled(true);
  timer.Shutdown();
  host.Host.Advance(1000);
  EXPECT_TRUE(ticks.empty());
  EXPECT_FALSE(timer.Enabled());
  timer.SetEnabled(true);  // inert after shutdown
  EXPECT_EQ(host.Host.EnabledTimerCount(), 0u);
}
