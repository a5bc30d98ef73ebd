#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

#include "TestControls.h"
#include "dialworks/host/ManualHost.h"

using namespace dw;

namespace {

struct TLog {
  std::vector<std::string> Events;
  void Add(const std::string& AWhat, const TManualHost& AHost) {
    Events.push_back(AWhat + "@" + std::to_string(int(std::lround(AHost.Elapsed()))));
  }
};

}  // namespace

TEST(ManualHost, TimersAndClockFireInTimeOrderWithStableTies) {
  TManualHost host;
  TLog log;
  auto a = host.CreateTimer();
  a->SetInterval(30);
  a->SetOnTimer([&] { log.Add("A", host); });
  auto b = host.CreateTimer();
  b->SetInterval(50);
  b->SetOnTimer([&] { log.Add("B", host); });
  host.AnimationClock().SetInterval(20);
  auto h = host.AnimationClock().Subscribe([&] { log.Add("tick", host); });
  host.Advance(100);
  // At 60 the timer was armed (at 30) before the clock (at 40); at 100 B (armed at 50) before
  // the clock (armed at 80).
  std::vector<std::string> expected = {"tick@20", "A@30", "tick@40", "B@50", "A@60",
                                       "tick@60", "tick@80", "A@90", "B@100", "tick@100"};
  EXPECT_EQ(log.Events, expected);
  EXPECT_TRUE(host.AnimationClock().Unsubscribe(h));
}

TEST(ManualHost, EnableResetAndIntervalRestartTheCountdown) {
  TManualHost host;
  int fired = 0;
  auto t = host.CreateTimer();
  EXPECT_TRUE(t->Enabled());  // new timers start enabled
  EXPECT_EQ(t->Interval(), 1000u);
  t->SetOnTimer([&] { ++fired; });
  host.Advance(999);
  EXPECT_EQ(fired, 0);
  host.Advance(1);
  EXPECT_EQ(fired, 1);

  t->SetInterval(100);  // restarts from 1000
  host.Advance(60);
  t->Reset();  // due at 1160 now
  host.Advance(60);
  EXPECT_EQ(fired, 1);
  host.Advance(40);
  EXPECT_EQ(fired, 2);

  t->SetEnabled(false);
  host.Advance(1000);
  EXPECT_EQ(fired, 2);  // disabled timers never fire
  t->Reset();           // no effect while disabled
  host.Advance(1000);
  EXPECT_EQ(fired, 2);
  t->SetEnabled(true);  // counts from now
  host.Advance(99);
  EXPECT_EQ(fired, 2);
  host.Advance(1);
  EXPECT_EQ(fired, 3);
  t->SetEnabled(true);  // already on: no restart
  host.Advance(100);
  EXPECT_EQ(fired, 4);
  EXPECT_EQ(host.EnabledTimerCount(), 1u);
}

TEST(ManualHost, ASubscriberBackWithinAnIntervalKeepsTheClocksPace) {
  TManualHost host;
  auto& clock = host.AnimationClock();
  clock.SetInterval(10);
  std::vector<double> at;
  auto h = clock.Subscribe([&] { at.push_back(host.Elapsed()); });
  // Leaving and coming back every 4 ms (a hand given a new target) must not hold the ticks off.
  for (int i = 0; i < 8; ++i) {
    host.Advance(4);
    clock.Unsubscribe(h);
    h = clock.Subscribe([&] { at.push_back(host.Elapsed()); });
  }
  EXPECT_EQ(at, (std::vector<double>{10, 20, 30}));
  clock.Unsubscribe(h);
  // Back after a pause: one interval from then.
  host.Advance(25);
  h = clock.Subscribe([&] { at.push_back(host.Elapsed()); });
  host.Advance(10);
  EXPECT_EQ(at.back(), 67);
  clock.Unsubscribe(h);
}

TEST(ManualHost, IntervalPolicy) {
  TManualHost host;
  auto t = host.CreateTimer();
  t->SetInterval(0);
  EXPECT_EQ(t->Interval(), 1u);
  t->SetInterval(-50);
  EXPECT_EQ(t->Interval(), 1u);
  t->SetInterval(250);
  t->SetInterval(std::nan(""));
  EXPECT_EQ(t->Interval(), 250u);
  t->SetInterval(2.5);  // halves to even
  EXPECT_EQ(t->Interval(), 2u);
  t->SetInterval(1e12);
  EXPECT_EQ(t->Interval(), IRelaxedTimer::MaxInterval);
  t->SetInterval(std::numeric_limits<double>::infinity());
  EXPECT_EQ(t->Interval(), IRelaxedTimer::MaxInterval);

  // A 1 ms timer over 10 ms fires exactly ten times.
  int fired = 0;
  t->SetInterval(1);
  t->SetOnTimer([&] { ++fired; });
  host.Advance(10);
  EXPECT_EQ(fired, 10);
  // Bad amounts of time do nothing.
  host.Advance(-5);
  host.Advance(std::nan(""));
  host.Advance(std::numeric_limits<double>::infinity());
  EXPECT_EQ(fired, 10);
  EXPECT_DOUBLE_EQ(host.Elapsed(), 10);
  t->SetEnabled(false);
  host.Advance(1e300);  // limited, no overflow
  EXPECT_DOUBLE_EQ(host.Elapsed(), 10 + TManualHost::MaxAdvance);

  auto& clock = host.AnimationClock();
  EXPECT_NEAR(clock.Interval(), 1000.0 / 60.0, 1e-9);
  clock.SetInterval(0);
  EXPECT_EQ(clock.Interval(), 1);
  clock.SetInterval(std::nan(""));
  EXPECT_EQ(clock.Interval(), 1);
  clock.SetInterval(5000);
  EXPECT_EQ(clock.Interval(), 1000);
}

TEST(ManualHost, CallbacksArmingTimersOrSubscribingAreHonouredInTheSameAdvance) {
  TManualHost host;
  TLog log;
  auto late = host.CreateTimer();
  late->SetEnabled(false);
  late->SetInterval(5);
  late->SetOnTimer([&] { log.Add("late", host); });
  TAnimationClock::THandle h = TAnimationClock::NoHandle;
  host.AnimationClock().SetInterval(4);
  auto first = host.CreateTimer();
  first->SetInterval(10);
  first->SetOnTimer([&] {
    log.Add("first", host);
    first->SetEnabled(false);
    late->SetEnabled(true);  // due at 15
    h = host.AnimationClock().Subscribe([&] { log.Add("tick", host); });  // 14, 18
  });
  host.Advance(20);
  std::vector<std::string> expected = {"first@10", "tick@14", "late@15", "tick@18", "late@20"};
  EXPECT_EQ(log.Events, expected);
  host.AnimationClock().Unsubscribe(h);
}

TEST(ManualHost, SubscribeAndUnsubscribeInsideATick) {
  TManualHost host;
  auto& clock = host.AnimationClock();
  clock.SetInterval(10);
  std::vector<std::string> calls;
  TAnimationClock::THandle h1 = 0, h2 = 0, h3 = 0;
  int ticks1 = 0;
  h1 = clock.Subscribe([&] {
    calls.push_back("1");
    ++ticks1;
    if (ticks1 == 1) h2 = clock.Subscribe([&] { calls.push_back("2"); });  // from the next tick
    if (ticks1 == 2) clock.Unsubscribe(h3);                              // later in this tick: skipped
    if (ticks1 == 3) {
      EXPECT_TRUE(clock.Unsubscribe(h1));   // itself
      EXPECT_FALSE(clock.Unsubscribe(h1));  // twice: harmless
    }
  });
  h3 = clock.Subscribe([&] { calls.push_back("3"); });
  host.Advance(40);
  std::vector<std::string> expected = {"1", "3", "1", "2", "1", "2", "2"};
  EXPECT_EQ(calls, expected);
  EXPECT_FALSE(clock.Unsubscribe(987654));                // never issued
  EXPECT_FALSE(clock.Unsubscribe(TAnimationClock::NoHandle));
  EXPECT_EQ(clock.Subscribe({}), TAnimationClock::NoHandle);  // nothing to call
  EXPECT_TRUE(clock.Unsubscribe(h2));
  EXPECT_FALSE(clock.Active());

  // Idle clock: a later subscriber's first tick is one interval after it subscribed.
  host.Advance(1003);
  std::vector<double> at;
  auto h = clock.Subscribe([&] { at.push_back(host.Elapsed()); });
  host.Advance(25);
  EXPECT_EQ(at, (std::vector<double>{1053, 1063}));
  clock.Unsubscribe(h);
}

TEST(ManualHost, TimerDestroyedInsideItsOwnCallbackOrOutlivingTheHost) {
  auto host = std::make_unique<TManualHost>();
  int fired = 0;
  auto t = host->CreateTimer();
  t->SetInterval(10);
  t->SetOnTimer([&] {
    ++fired;
    t.reset();
  });
  auto other = host->CreateTimer();
  other->SetInterval(10);
  int otherFired = 0;
  other->SetOnTimer([&] { ++otherFired; });
  host->Advance(50);
  EXPECT_EQ(fired, 1);
  EXPECT_EQ(t, nullptr);
  EXPECT_EQ(otherFired, 5);

  // A timer outliving its host is inert but usable.
  host.reset();
  other->SetEnabled(false);
  other->SetInterval(3);
  other->Reset();
  other->SetEnabled(true);
  EXPECT_EQ(other->Interval(), 3u);
  other.reset();
}

TEST(ManualHost, PostedWorkRepaintsTimeAndInstallation) {
  TManualHost host;
  std::vector<int> order;
  host.Post([&] {
    order.push_back(1);
    host.Post([&] { order.push_back(2); });  // runs in the next batch
  });
  host.Post({});  // ignored
  EXPECT_EQ(host.PostedCount(), 1u);
  EXPECT_EQ(host.RunPosted(), 1u);
  EXPECT_EQ(order, (std::vector<int>{1}));
  host.Advance(0);  // Advance runs posted work too
  EXPECT_EQ(order, (std::vector<int>{1, 2}));
  // A procedure that throws: the exception reaches the caller, the rest of the batch stays posted.
  host.Post([] { throw std::runtime_error("posted"); });
  host.Post([&] { order.push_back(3); });
  EXPECT_THROW(host.RunPosted(), std::runtime_error);
  EXPECT_EQ(host.PostedCount(), 1u);
  host.RunPosted();

  // Posted work from a timer callback runs within the same Advance, before the next event.
  auto t = host.CreateTimer();
  t->SetInterval(5);
  t->SetOnTimer([&] { host.Post([&] { order.push_back(int(host.Elapsed())); }); });
  host.Advance(10);
  EXPECT_EQ(order, (std::vector<int>{1, 2, 3, 5, 10}));
  t->SetEnabled(false);

  auto& c1 = dwtest::FakeControl(1);
  auto& c2 = dwtest::FakeControl(2);
  int hooked = 0;
  host.SetOnRepaint([&](TKVBasicControl& c) { hooked += &c == &c2 ? 1 : 0; });
  host.RequestRepaint(c1);
  host.RequestRepaint(c2);
  host.RequestRepaint(c2);
  EXPECT_EQ(host.RepaintCount(c1), 1u);
  EXPECT_EQ(host.RepaintCount(c2), 2u);
  EXPECT_EQ(host.RepaintCount(dwtest::FakeControl(3)), 0u);
  EXPECT_EQ(host.RepaintCount(), 3u);
  EXPECT_EQ(hooked, 2);
  host.ClearRepaintCounts();
  EXPECT_EQ(host.RepaintCount(), 0u);

  const TDateTime noon = EncodeDateTime(2024, 2, 29, 12, 0, 0);
  host.SetNow(noon);
  host.Advance(90 * 60 * 1000 + 250);
  EXPECT_EQ(DateTimeToISO(host.Now()), "2024-02-29T13:30:00.250");
  // Before 1899-12-30 the time of day is a negative fraction; time still runs forwards.
  host.SetNow(EncodeDateTime(1899, 12, 29, 6, 0, 0));
  host.Advance(60 * 60 * 1000);
  EXPECT_EQ(DateTimeToISO(host.Now()), "1899-12-29T07:00:00.000");
  host.Advance(20 * 60 * 60 * 1000);
  EXPECT_EQ(DateTimeToISO(host.Now()), "1899-12-30T03:00:00.000");
  host.SetNow(EncodeDateTime(1800, 1, 1, 23, 0, 0));
  host.Advance(2 * 60 * 60 * 1000);
  EXPECT_EQ(DateTimeToISO(host.Now()), "1800-01-02T01:00:00.000");

  // The default host is a manual host; an installed host replaces it until it is destroyed.
  EXPECT_EQ(&HostServices(), &DefaultManualHost());
  {
    TManualHost installed;
    SetHostServices(&installed);
    EXPECT_EQ(&HostServices(), &installed);
  }
  EXPECT_EQ(&HostServices(), &DefaultManualHost());
  SetHostServices(&host);
  SetHostServices(nullptr);
  EXPECT_EQ(&HostServices(), &DefaultManualHost());
}

TEST(ManualHost, NestedAdvanceIsIgnored) {
  TManualHost host;
  int fired = 0;
  auto t = host.CreateTimer();
  t->SetInterval(10);
  t->SetOnTimer([&] {
    ++fired;
    host.Advance(1000);  // ignored: time moves only through the outer call
  });
  host.Advance(30);
  EXPECT_EQ(fired, 3);
  EXPECT_DOUBLE_EQ(host.Elapsed(), 30);
}
