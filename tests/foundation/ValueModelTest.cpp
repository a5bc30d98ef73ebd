#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <optional>
#include <thread>
#include <vector>

#include "FoundationTestClasses.h"
#include "support/FedPin.h"

using namespace dw;
using namespace dwtest;

namespace {

// Records the order in which the value properties change.
struct TChangeLog {
  std::vector<std::string> Names;
  TPropertyChangeSubscription Sub{[this](TPersistent&, std::string_view AName, TPropertyChangePhase APhase) {
    if (APhase == TPropertyChangePhase::After) Names.emplace_back(AName);
  }};
};

}  // namespace

TEST(ValueModel, LimitsAndNotifiesOncePerChange) {
  TScopedHost host;
  TTestDialExternal d;
  d.SetValue(150);
  EXPECT_EQ(d.Value(), 100);
  EXPECT_EQ(d.ValueInvalidations, 1);
  const uint64_t repaints = host.Host.RepaintCount(d);
  EXPECT_GT(repaints, 0u);
  d.SetValue(200);  // limited to the same end: nothing happens
  EXPECT_EQ(d.ValueInvalidations, 1);
  EXPECT_EQ(host.Host.RepaintCount(d), repaints);
  d.SetValue(-5);
  EXPECT_EQ(d.Value(), 0);
  EXPECT_EQ(d.ValueInvalidations, 2);

  // A new range does not re-limit the value until its next assignment.
  d.SetValue(80);
  d.SetMax(50);
  EXPECT_EQ(d.RangeInvalidations, 1);
  EXPECT_EQ(d.Value(), 80);
  d.SetValue(80);
  EXPECT_EQ(d.Value(), 50);

  // Bad input: NaN is refused everywhere; infinities end at the range ends (Min and Max at
  // their magnitude limit, so spans stay finite).
  const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
  const int before = d.ValueInvalidations;
  d.SetValue(nan);
  d.SetMin(nan);
  d.SetMax(nan);
  EXPECT_EQ(d.Value(), 50);
  EXPECT_EQ(d.Min(), 0);
  EXPECT_EQ(d.Max(), 50);
  EXPECT_EQ(d.ValueInvalidations, before);
  d.SetValue(-inf);
  EXPECT_EQ(d.Value(), 0);
  d.SetMax(inf);
  EXPECT_EQ(d.Max(), kDWMaxRangeMagnitude);
  EXPECT_TRUE(std::isfinite(d.Max() - d.Min()));
  d.SetMin(-inf);
  d.SetValue(inf);
  EXPECT_EQ(d.Value(), kDWMaxRangeMagnitude);
  EXPECT_TRUE(std::isfinite(d.Max() - d.Min()));

  // Min above Max is kept as given; values are limited to the span between the ends.
  d.SetMin(10);
  d.SetMax(-10);
  EXPECT_EQ(d.Min(), 10);
  d.SetValue(30);
  EXPECT_EQ(d.Value(), 10);
  d.SetValue(-30);
  EXPECT_EQ(d.Value(), -10);
}

TEST(ValueModel, PinInputAppliesMinThenMaxThenValue) {
  TScopedHost host;
  TTestDialExternal d;
  TPXRealAndRangedSourcePin source;
  ASSERT_TRUE(source.Connect(d.InputPin()));
  {
    TChangeLog log;
    source.SendValueRange(25, 10, 20);
    EXPECT_EQ(log.Names, (std::vector<std::string>{"Min", "Max", "Value"}));
  }
  EXPECT_EQ(d.Min(), 10);
  EXPECT_EQ(d.Max(), 20);
  EXPECT_EQ(d.Value(), 20);
  {
    TChangeLog log;
    source.SendValue(15);  // no range: only the value changes
    EXPECT_EQ(log.Names, (std::vector<std::string>{"Value"}));
  }
  EXPECT_EQ(d.Value(), 15);
  EXPECT_EQ(d.Min(), 10);
  // A range equal to the stored one notifies nothing but the value.
  {
    TChangeLog log;
    source.SendValueRange(12, 10, 20);
    EXPECT_EQ(log.Names, (std::vector<std::string>{"Value"}));
  }
}

TEST(ValueModel, StreamingRules) {
  TScopedHost host;
  TDWMinMaxInstrument d;  // defaults not stored: the generic table check (VariantsTest)
  d.SetValue(3);
  d.SetMax(120);
  EXPECT_TRUE(Stored(d, "Value"));
  EXPECT_TRUE(Stored(d, "Max"));

  TPXRealAndRangedSourcePin source;
  source.Connect(d.InputPin());
  EXPECT_FALSE(Stored(d, "Value"));  // the pin supplies it
  EXPECT_TRUE(Stored(d, "Max"));     // no range has arrived yet
  source.SendValueRange(5, 0, 120);
  EXPECT_FALSE(Stored(d, "Max"));
  source.Disconnect(d.InputPin());
  EXPECT_TRUE(Stored(d, "Max"));
}

TEST(ValueModel, LoadingTakesValuesUnlimitedThenLimitsOnceWithoutNotification) {
  TScopedHost host;
  TTestDialExternal d;
  d.SetLoading(true);
  d.SetValue(150);  // read before Max
  EXPECT_EQ(d.Value(), 150);
  d.SetMax(120);
  d.SetValue(std::numeric_limits<double>::infinity());  // refused while loading
  EXPECT_EQ(d.Value(), 150);
  TChangeLog log;
  const int before = d.ValueInvalidations;
  d.Loaded();
  EXPECT_FALSE(d.IsLoading());
  EXPECT_EQ(d.Value(), 120);
  EXPECT_EQ(d.ValueInvalidations, before);
  EXPECT_TRUE(log.Names.empty());
}

TEST(ValueModel, AssignCopiesAValueOutsideTheTargetsOldRange) {
  TScopedHost host;
  TDWMinMaxInstrument source, copy;
  source.SetMax(1000);
  source.SetMin(500);
  source.SetValue(750);
  copy.Assign(source);  // Value is copied before Min and Max
  EXPECT_EQ(copy.Min(), 500);
  EXPECT_EQ(copy.Max(), 1000);
  EXPECT_EQ(copy.Value(), 750);
}

TEST(ValueModel, ValueFromAnotherThreadNeverInterleavesWithDrawing) {
  TScopedHost host;
  TTestDialExternal d;
  std::thread writer([&] {
    for (int i = 0; i < 2000; ++i) d.SetValue(i % 2 ? 150.0 : -50.0);
  });
  for (int i = 0; i < 2000; ++i) {
    std::lock_guard guard(d.ControlLock());  // what a drawing pass holds
    const double v = d.Value();
    EXPECT_TRUE(v == 0 || v == 100) << v;
  }
  writer.join();
}

// Value, Min and Max may be read without the control lock (from the UI thread, by saving or a
// property query) while the pin stores them on a data thread: each read sees a whole value.
TEST(ValueModel, ValuesReadWithoutTheLockWhileThePinFeedsThem) {
  TScopedHost host;
  TTestDialExternal d;
  int torn = 0;
  dwtest::ReadWhileFed(d.InputPin(), [&] {
    const double v = d.Value(), lo = d.Min(), hi = d.Max();
    const std::optional<TPropValue> p = GetPropertyValue(d, "Value");
    const double pv = p ? p->get<double>() : -1;
    torn += !(v == 5 || v == 50 || v == 0) + !(lo == 0 || lo == 10) + !(hi == 10 || hi == 100) +
            !(pv == 5 || pv == 50 || pv == 0);
  });
  EXPECT_EQ(torn, 0);
}

TEST(HandRange, StoredQueryDecidesStreaming) {
  bool query = true;
  int changes = 0;
  TDWGaugeHandMinMax r([&] { ++changes; }, nullptr, nullptr, [&] { return query; });
  EXPECT_FALSE(r.GetRangeMinStored());
  r.SetMin(5);
  r.SetMax(100);  // unchanged: no callback
  EXPECT_EQ(changes, 1);
  EXPECT_TRUE(r.GetRangeMinStored());
  EXPECT_TRUE(Stored(r, "Min"));
  query = false;  // the owner's pin has delivered a range
  EXPECT_FALSE(r.GetRangeMinStored());
  EXPECT_FALSE(Stored(r, "Min"));
  r.SetEnabled(true);
  EXPECT_TRUE(Stored(r, "Enabled"));
}

TEST(AutoReset, IntervalLivesInTheTimerAndExpiryCallsBack) {
  TScopedHost host;
  int expiries = 0, changes = 0;
  TDWGaugeMinMaxAutoReset a([&] { ++changes; }, nullptr, nullptr, [&] { ++expiries; });
  EXPECT_FALSE(a.TimerEnabled());  // off until the element first enables it
  host.Host.Advance(5000);
  EXPECT_EQ(expiries, 0);

  a.Enable();
  host.Host.Advance(1499);
  EXPECT_EQ(expiries, 0);
  a.Reset();  // a new extreme restarts the countdown
  host.Host.Advance(1499);
  EXPECT_EQ(expiries, 0);
  host.Host.Advance(1);
  EXPECT_EQ(expiries, 1);
  a.Disable();
  host.Host.Advance(5000);
  EXPECT_EQ(expiries, 1);
  EXPECT_TRUE(a.Enabled());  // Enable/Disable leave the property alone

  a.SetInterval(200);
  EXPECT_EQ(a.GetInterval(), 200);
  EXPECT_EQ(changes, 1);
  a.SetInterval(200);
  EXPECT_EQ(changes, 1);
  a.SetInterval(-7);  // the timer's lower limit
  EXPECT_EQ(a.GetInterval(), 1);
  a.SetEnabled(false);
  EXPECT_FALSE(a.TimerEnabled());
  a.Enable();
  a.SetEnabled(true);
  a.SetEnabled(false);
  EXPECT_FALSE(a.TimerEnabled());
  EXPECT_TRUE(Stored(a, "Enabled"));
}
