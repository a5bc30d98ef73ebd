#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "TestClasses.h"
#include "dialworks/framework/ChangeNotify.h"
#include "dialworks/host/ManualHost.h"

using namespace dw;
using namespace dwtest;

namespace {

struct TRecorder {
  std::vector<std::string> Events;
  TPropertyChangeSubscription Sub{[this](TPersistent& o, std::string_view p, TPropertyChangePhase ph) {
    Events.push_back((ph == TPropertyChangePhase::Before ? "before:" : "after:") + o.ClassName() + "." + std::string(p));
  }};
};

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

}  // namespace

TEST(ChangeNotify, EqualValuesNotifyNothingAndOrderIsBeforeStoreAfterFollowUpCallback) {
  std::vector<std::string> order;
  double field = 1;
  TLockPersistent obj([&] { order.push_back("callback"); }, nullptr, nullptr);
  TPropertyChangeSubscription sub([&](TPersistent& o, std::string_view p, TPropertyChangePhase ph) {
    EXPECT_EQ(&o, &obj);
    EXPECT_EQ(p, "Field");
    order.push_back(std::string(ph == TPropertyChangePhase::Before ? "before=" : "after=") + std::to_string(int(field)));
  });
  EXPECT_FALSE(Setter(obj, "Field", field, 1.0, [&] { order.push_back("followup"); }));
  EXPECT_TRUE(order.empty());
  EXPECT_TRUE(Setter(obj, "Field", field, 2.0, [&] { order.push_back("followup=" + std::to_string(int(field))); }));
  EXPECT_EQ(order, (std::vector<std::string>{"before=1", "after=2", "followup=2", "callback"}));
}

TEST(ChangeNotify, LimitingSettersLimitFirstAndRefuseNaN) {
  int changes = 0;
  TLockPersistent obj([&] { ++changes; }, nullptr, nullptr);
  double v = 5;
  EXPECT_TRUE(SetterMinMax(obj, "V", v, 150.0, 0.0, 100.0));
  EXPECT_EQ(v, 100);
  // Beyond the limit again: limited to the stored value, so nothing happens.
  EXPECT_FALSE(SetterMinMax(obj, "V", v, 200.0, 0.0, 100.0));
  EXPECT_EQ(changes, 1);
  EXPECT_FALSE(SetterMinMax(obj, "V", v, kNaN, 0.0, 100.0));
  EXPECT_EQ(v, 100);
  EXPECT_TRUE(SetterMinMax(obj, "V", v, -kInf, 0.0, 100.0));
  EXPECT_EQ(v, 0);
  EXPECT_TRUE(SetterMin(obj, "V", v, -3.0, -1.0));
  EXPECT_EQ(v, -1);
  EXPECT_FALSE(SetterMin(obj, "V", v, kInf, -1.0));  // unlimited side: refused
  EXPECT_FALSE(SetterMin(obj, "V", v, kNaN, -1.0));
  EXPECT_TRUE(SetterMax(obj, "V", v, 1e300, 7.0));
  EXPECT_EQ(v, 7);
  EXPECT_FALSE(SetterMax(obj, "V", v, kNaN, 7.0));
  EXPECT_FALSE(Setter(obj, "V", v, kInf));
  EXPECT_FALSE(Setter(obj, "V", v, kNaN));
  EXPECT_EQ(v, 7);
  float f = 0;
  EXPECT_TRUE(SetterFold(obj, "F", f, -90.0f, 0.0f, 360.0f));
  EXPECT_EQ(f, 270.0f);
  EXPECT_FALSE(SetterFold(obj, "F", f, 630.0f, 0.0f, 360.0f));  // folds to the stored 270
  EXPECT_FALSE(SetterFold(obj, "F", f, std::numeric_limits<float>::quiet_NaN(), 0.0f, 360.0f));
  EXPECT_TRUE(SetterFold(obj, "F", f, -1e-7f, 0.0f, 360.0f));  // 359.9999999 rounds to 360 as a float
  EXPECT_EQ(f, 0.0f);
  uint32_t card = 3;
  EXPECT_TRUE(SetterMax(obj, "C", card, 0xFFFFFFFFu, 12u));
  EXPECT_EQ(card, 12u);
  TTestTickStyle style = tsLine;
  EXPECT_FALSE(Setter(obj, "S", style, static_cast<TTestTickStyle>(7)));  // not a member
  EXPECT_TRUE(Setter(obj, "S", style, tsDot));
  EXPECT_EQ(FoldValue(360.0, 0, 360), 0.0);
  EXPECT_EQ(FoldValue(-1e-20, 0, 360), 0.0);  // rounds onto the upper end: folded to the lower
}

TEST(ChangeNotify, NestedObjectsNotifyOwnerAndTakeTheControlLock) {
  TManualHost host;
  SetHostServices(&host);
  TTestGauge gauge;
  TRecorder rec;
  gauge.Scale().SetCount(12);
  gauge.Scale().SetCount(12);
  gauge.Scale().SetCount(1000);  // limited to 100
  EXPECT_EQ(gauge.Scale().Count(), 100);
  EXPECT_EQ(rec.Events, (std::vector<std::string>{"before:TTestScale.Count", "after:TTestScale.Count",
                                                  "before:TTestScale.Count", "after:TTestScale.Count"}));
  EXPECT_EQ(host.RepaintCount(gauge), 2u);

  // While another thread holds the control lock, an assignment waits for it.
  std::atomic<bool> stored{false};
  std::thread other;
  {
    std::unique_lock lock(gauge.ControlLock());
    other = std::thread([&] {
      gauge.Scale().SetCount(5);
      stored = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_FALSE(stored.load());
  }
  other.join();
  EXPECT_EQ(gauge.Scale().Count(), 5);
  SetHostServices(nullptr);
}

// Listeners registered and removed during a notification do not disturb it.
TEST(ChangeNotify, ListenersAddedOrRemovedDuringANotification) {
  TManualHost host;
  SetHostServices(&host);
  TTestGauge gauge;
  int calls = 0;
  TListenerHandle inner = 0;
  TListenerHandle outer = AddPropertyChangeListener([&](TPersistent&, std::string_view, TPropertyChangePhase ph) {
    ++calls;
    if (ph == TPropertyChangePhase::Before && !inner)
      inner = AddPropertyChangeListener([&](TPersistent&, std::string_view, TPropertyChangePhase) { ++calls; });
  });
  gauge.SetMin(1);
  RemovePropertyChangeListener(outer);
  RemovePropertyChangeListener(inner);
  EXPECT_EQ(calls, 3);  // outer before + after, inner after
  gauge.SetMin(2);
  EXPECT_EQ(calls, 3);
  SetHostServices(nullptr);
}
