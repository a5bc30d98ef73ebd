#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <new>
#include <stdexcept>
#include <thread>

#include "TestControls.h"
#include "dialworks/host/ManualHost.h"
#include "dialworks/host/ThreadedHost.h"

using namespace dw;
using namespace std::chrono_literals;

namespace {

// Pumps the host until APred holds or 10 s pass (generous for sanitizer builds).
template <class P>
bool PumpUntil(TThreadedHost& AHost, P APred) {
  const auto deadline = std::chrono::steady_clock::now() + 10s;
  while (!APred()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    AHost.ProcessEvents(5ms);
  }
  return true;
}

template <class P>
bool WaitUntil(P APred) {
  const auto deadline = std::chrono::steady_clock::now() + 10s;
  while (!APred()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(1ms);
  }
  return true;
}

}  // namespace

// Which thread runs an expiry: the host contract (HostContractTest).
TEST(ThreadedHost, TimerExpiriesWaitForPumpingAndDoNotPileUp) {
  TThreadedHost host;
  int fired = 0;
  auto t = host.CreateTimer();
  t->SetInterval(5);
  t->SetOnTimer([&] { ++fired; });
  // Nothing runs without pumping, and many missed expiries arrive as one.
  std::this_thread::sleep_for(60ms);
  EXPECT_EQ(fired, 0);
  EXPECT_EQ(host.ProcessEvents(5000ms), 1u);
  EXPECT_EQ(fired, 1);
  ASSERT_TRUE(PumpUntil(host, [&] { return fired >= 4; }));

  // Disabled: an expiry already queued is dropped, none follows.
  t->SetEnabled(false);
  std::this_thread::sleep_for(20ms);
  host.ProcessEvents();
  const int stopped = fired;
  std::this_thread::sleep_for(30ms);
  host.ProcessEvents();
  EXPECT_EQ(fired, stopped);
}

// Reset, switching on again and a new interval restart the countdown, also when an expiry is
// queued already: that one is dropped.
TEST(ThreadedHost, ARestartDropsTheQueuedExpiry) {
  TThreadedHost host;
  for (int restart = 0; restart < 3; ++restart) {
    int fired = 0;
    auto t = host.CreateTimer();
    t->SetInterval(50);
    t->SetOnTimer([&] { ++fired; });
    std::this_thread::sleep_for(120ms);  // an expiry waits in the queue
    if (restart == 0) {
      t->Reset();
    } else if (restart == 1) {
      t->SetEnabled(false);
      t->SetEnabled(true);
    } else {
      t->SetInterval(1000);
    }
    host.ProcessEvents();
    EXPECT_EQ(fired, 0) << restart;
    if (restart < 2) {
      EXPECT_TRUE(PumpUntil(host, [&] { return fired == 1; })) << restart;
    }
  }
}

// A posted procedure that throws: the exception reaches the pump, and what was queued behind it
// (a timer expiry, the coalesced repaint) runs on the next pump, so timer and repaints go on.
TEST(ThreadedHost, AThrowingProcedureLeavesTheRestQueued) {
  TThreadedHost host;
  auto& c = dwtest::FakeControl(1);
  int fired = 0, repaints = 0, after = 0;
  host.SetOnRepaint([&] { ++repaints; });
  auto t = host.CreateTimer();
  t->SetInterval(5);
  t->SetOnTimer([&] { ++fired; });
  host.Post([] { throw std::runtime_error("posted"); });
  std::this_thread::sleep_for(30ms);  // the expiry queues behind the throwing procedure
  host.RequestRepaint(c);
  host.Post([&] { ++after; });
  EXPECT_THROW(host.ProcessEvents(), std::runtime_error);
  EXPECT_EQ(after, 0);
  ASSERT_TRUE(PumpUntil(host, [&] { return fired >= 2 && repaints == 1 && after == 1; }));
  host.RequestRepaint(c);
  host.ProcessEvents();
  EXPECT_EQ(repaints, 2);

  // The same from Run: the procedure behind the throwing one stays queued.
  host.Post([] { throw std::runtime_error("posted"); });
  host.Post([&] {
    ++after;
    host.Quit();
  });
  EXPECT_THROW(host.Run(), std::runtime_error);
  EXPECT_EQ(after, 1);
  host.ProcessEvents();
  EXPECT_EQ(after, 2);
}

// A subscriber that throws: the exception reaches the pump (instead of ending the program on the
// clock thread) and the ticks go on.
TEST(ThreadedHost, AThrowingSubscriberReachesThePumpAndTicksGoOn) {
  TThreadedHost host;
  auto& clock = host.AnimationClock();
  clock.SetInterval(1);
  std::atomic<int> ticks{0};
  auto h = clock.Subscribe([&] {
    if (++ticks == 1) throw std::runtime_error("tick");
  });
  try {
    host.ProcessEvents(5000ms);
    ADD_FAILURE() << "nothing thrown";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "tick");
  }
  const int at = ticks;
  ASSERT_TRUE(WaitUntil([&] { return ticks > at + 2; }));
  clock.Unsubscribe(h);
  EXPECT_EQ(host.ProcessEvents(), 0u);
}

// Posting an expiry fails (out of memory) on the timer thread: that expiry is lost, not the timer.
TEST(ThreadedHost, AFailedPostLosesOneExpiryNotTheTimer) {
  struct TFailingHost : TThreadedHost {
    std::atomic<int> Failures{1};
    void Post(std::function<void()> AProc) override {
      if (Failures.exchange(0) > 0) throw std::bad_alloc();
      TThreadedHost::Post(std::move(AProc));
    }
  } host;
  int fired = 0;
  auto t = host.CreateTimer();  // goes before the host: no expiry is posted to a host half gone
  t->SetInterval(1);
  t->SetOnTimer([&] { ++fired; });
  ASSERT_TRUE(PumpUntil(host, [&] { return fired >= 2; }));
  EXPECT_EQ(host.Failures, 0);
}

TEST(ThreadedHost, AnimationTicksOnTheClockThreadAndStopAfterUnsubscribe) {
  TThreadedHost host;
  auto& clock = host.AnimationClock();
  clock.SetInterval(2);
  std::atomic<int> ticks{0};
  std::atomic<bool> onMain{false};
  const auto self = std::this_thread::get_id();
  auto h = clock.Subscribe([&] {
    if (std::this_thread::get_id() == self) onMain = true;
    std::this_thread::sleep_for(1ms);  // widen the window for Unsubscribe below
    ++ticks;
  });
  ASSERT_TRUE(WaitUntil([&] { return ticks >= 5; }));
  EXPECT_TRUE(clock.Unsubscribe(h));
  const int after = ticks;  // Unsubscribe waited for a running tick
  std::this_thread::sleep_for(30ms);
  EXPECT_EQ(ticks, after);
  EXPECT_FALSE(onMain);

  // A subscriber that unsubscribes itself from inside its tick (on the clock thread).
  std::atomic<int> once{0};
  std::atomic<TAnimationClock::THandle> self2{0};
  self2 = clock.Subscribe([&] {
    ++once;
    clock.Unsubscribe(self2);
  });
  ASSERT_TRUE(WaitUntil([&] { return !clock.Active(); }));
  std::this_thread::sleep_for(20ms);
  EXPECT_EQ(once, 1);
}

TEST(ThreadedHost, ASubscriberBackWithinAnIntervalStillGetsTicks) {
  TThreadedHost host;
  auto& clock = host.AnimationClock();
  clock.SetInterval(20);
  std::atomic<int> ticks{0};
  auto h = clock.Subscribe([&] { ++ticks; });
  // Re-subscribing every 2 ms, as a hand fed values faster than the clock ticks does.
  const auto end = std::chrono::steady_clock::now() + 300ms;
  while (std::chrono::steady_clock::now() < end) {
    std::this_thread::sleep_for(2ms);
    clock.Unsubscribe(h);
    h = clock.Subscribe([&] { ++ticks; });
  }
  clock.Unsubscribe(h);
  EXPECT_GE(ticks, 3);
}

TEST(ThreadedHost, ShutdownWhileBusyLeavesNoCallbacksBehind) {
  std::atomic<int> calls{0};
  std::unique_ptr<IRelaxedTimer> survivor;
  {
    TThreadedHost host;
    SetHostServices(&host);
    std::vector<std::unique_ptr<IRelaxedTimer>> timers;
    for (int i = 0; i < 4; ++i) {
      timers.push_back(host.CreateTimer());
      timers.back()->SetInterval(1);
      timers.back()->SetOnTimer([&] { ++calls; });
    }
    survivor = host.CreateTimer();
    survivor->SetInterval(1);
    survivor->SetOnTimer([&] { ++calls; });
    host.AnimationClock().SetInterval(1);
    host.AnimationClock().Subscribe([&] {
      ++calls;
      std::this_thread::sleep_for(2ms);  // the host is destroyed while ticks run
    });
    std::thread poster([&] {
      for (int i = 0; i < 100; ++i) host.Post([&] { ++calls; });
    });
    PumpUntil(host, [&] { return calls > 20; });
    poster.join();
    std::this_thread::sleep_for(5ms);
  }
  EXPECT_EQ(&HostServices(), static_cast<IHostServices*>(&DefaultManualHost()));
  const int atEnd = calls;
  std::this_thread::sleep_for(30ms);
  EXPECT_EQ(calls, atEnd);
  survivor->SetEnabled(false);  // inert, but usable after the host is gone
  survivor->SetEnabled(true);
  survivor->Reset();
  survivor.reset();
  EXPECT_EQ(calls, atEnd);
}

// Destroyed from inside its own callback: the host contract. From another thread while the
// callback runs: the destructor waits for it.
TEST(ThreadedHost, TimerDestroyedFromAnotherThreadDuringItsCallback) {
  TThreadedHost host;
  std::atomic<bool> inside{false}, finished{false};
  auto u = host.CreateTimer();
  u->SetInterval(1);
  u->SetOnTimer([&] {
    inside = true;
    std::this_thread::sleep_for(30ms);
    finished = true;
  });
  bool finishedWhenDestroyed = false;
  std::thread killer([&] {
    WaitUntil([&] { return inside.load(); });
    u.reset();
    finishedWhenDestroyed = finished;
  });
  PumpUntil(host, [&] { return finished.load(); });
  killer.join();
  EXPECT_TRUE(finishedWhenDestroyed);
}

TEST(ThreadedHost, RunQuitPostAndRepaints) {
  TThreadedHost host;
  host.Quit();
  host.Run();  // returns at once

  std::atomic<int> ran{0};
  std::thread other([&] {
    for (int i = 0; i < 10; ++i) host.Post([&] { ++ran; });
    host.Post([&] { host.Quit(); });
  });
  host.Run();
  other.join();
  EXPECT_EQ(ran, 10);

  int repaints = 0;
  host.SetOnRepaint([&] { ++repaints; });
  auto& c = dwtest::FakeControl(1);
  std::thread painter([&] {
    for (int i = 0; i < 50; ++i) host.RequestRepaint(c);
  });
  painter.join();
  host.ProcessEvents();
  EXPECT_EQ(repaints, 1);  // coalesced
  EXPECT_EQ(host.RepaintCount(c), 50u);
  EXPECT_GT(host.Now(), EncodeDateTime(2000, 1, 1));
}
