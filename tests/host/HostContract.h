// What every host promises instruments, run against each host through a small driver:
//
//   struct TDriver {
//     dw::IHostServices& Host();
//     // Lets AMs milliseconds of the host's time pass, running on this (the user-interface)
//     // thread whatever falls due: virtual time for the manual host, pumping for the others.
//     void Pump(double AMs);
//   };
//
// A host's test program includes this header and instantiates the suite:
//   INSTANTIATE_TYPED_TEST_SUITE_P(Manual, HostContract, TManualDriver);
// Times are generous: the real-time hosts run on loaded CI machines and under sanitizers.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstddef>
#include <memory>
#include <thread>
#include <vector>

#include "dialworks/host/HostServices.h"

namespace dwtest {

// Pumps ADriver in small steps until APred holds or ALimitMs of host time have passed.
template <class TDriver, class P>
bool PumpUntil(TDriver& ADriver, P APred, double ALimitMs = 10000) {
  for (double waited = 0; !APred(); waited += 5) {
    if (waited > ALimitMs) return false;
    ADriver.Pump(5);
  }
  return true;
}

template <class TDriver>
class HostContract : public ::testing::Test {
 protected:
  TDriver Driver;
};

TYPED_TEST_SUITE_P(HostContract);

// Instruments switch their refresh timer on at every animation tick; a host that restarted the
// countdown there would never fire the timer while anything moves.
TYPED_TEST_P(HostContract, SwitchingOnATimerThatIsOnKeepsItsCountdown) {
  auto& driver = this->Driver;
  int fired = 0;
  std::unique_ptr<dw::IRelaxedTimer> timer = driver.Host().CreateTimer();
  timer->SetInterval(100);
  timer->SetOnTimer([&] { ++fired; });
  for (int i = 0; i < 60; ++i) {  // 600 ms, switched on every 10 ms
    timer->SetEnabled(true);
    driver.Pump(10);
  }
  EXPECT_GE(fired, 2);
  // Switching it off and on again does restart it: poked like that it never fires. (An expiry
  // queued while it was on is let go first.)
  timer->SetEnabled(false);
  driver.Pump(30);
  const int before = fired;
  for (int i = 0; i < 30; ++i) {
    timer->SetEnabled(false);
    timer->SetEnabled(true);
    driver.Pump(10);
  }
  EXPECT_EQ(fired, before);
}

// Procedures posted from other threads run on the user-interface thread, each thread's in the
// order it posted them; timer expiries arrive on that thread too.
TYPED_TEST_P(HostContract, PostsAndTimerExpiriesRunOnTheUserInterfaceThreadInOrder) {
  auto& driver = this->Driver;
  const std::thread::id ui = std::this_thread::get_id();
  constexpr int Count = 300;
  std::vector<int> order;
  std::atomic<int> offThread{0};
  std::thread poster([&] {
    for (int i = 0; i < Count; ++i)
      driver.Host().Post([&, i] {
        if (std::this_thread::get_id() != ui) ++offThread;
        order.push_back(i);
      });
  });
  poster.join();
  ASSERT_TRUE(PumpUntil(driver, [&] { return order.size() == size_t(Count); }));
  for (int i = 0; i < Count; ++i) ASSERT_EQ(order[size_t(i)], i);

  int expiries = 0;
  std::unique_ptr<dw::IRelaxedTimer> timer = driver.Host().CreateTimer();
  timer->SetInterval(5);
  timer->SetOnTimer([&] {
    if (std::this_thread::get_id() != ui) ++offThread;
    ++expiries;
  });
  ASSERT_TRUE(PumpUntil(driver, [&] { return expiries >= 3; }));
  EXPECT_EQ(offThread, 0);
}

// A timer destroyed while an expiry of it may be waiting to run never calls back again, and one
// destroyed from inside its own callback finishes that call safely.
TYPED_TEST_P(HostContract, DestroyedTimersStayQuiet) {
  auto& driver = this->Driver;
  int fired = 0;
  std::unique_ptr<dw::IRelaxedTimer> timer = driver.Host().CreateTimer();
  timer->SetInterval(1);
  timer->SetOnTimer([&] { ++fired; });
  ASSERT_TRUE(PumpUntil(driver, [&] { return fired > 0; }));
  std::this_thread::sleep_for(std::chrono::milliseconds(20));  // real-time hosts queue an expiry
  timer.reset();
  const int before = fired;
  driver.Pump(50);
  EXPECT_EQ(fired, before);

  int selfFired = 0;
  std::unique_ptr<dw::IRelaxedTimer> self = driver.Host().CreateTimer();
  self->SetInterval(2);
  self->SetOnTimer([&] {
    ++selfFired;
    self.reset();
  });
  ASSERT_TRUE(PumpUntil(driver, [&] { return selfFired > 0; }));
  driver.Pump(30);
  EXPECT_EQ(selfFired, 1);
}

// A repaint asked for from another thread for a control that is gone before the request is
// served does nothing harmful (the host never touches the control through the request).
TYPED_TEST_P(HostContract, RepaintOfAControlDestroyedMeanwhileIsHarmless) {
  auto& driver = this->Driver;
  // The host knows a control by its address only: freed storage stands in for the gone control.
  auto storage = std::make_unique<std::max_align_t[]>(8);
  auto& control = *reinterpret_cast<dw::TKVBasicControl*>(storage.get());
  std::thread other([&] {
    driver.Host().RequestRepaint(control);
    driver.Host().RequestRepaint(control, dw::TRepaintRect{1, 2, 3, 4});
  });
  other.join();
  storage.reset();
  driver.Pump(30);
  bool ran = false;
  driver.Host().Post([&] { ran = true; });
  EXPECT_TRUE(PumpUntil(driver, [&] { return ran; }));
}

REGISTER_TYPED_TEST_SUITE_P(HostContract, SwitchingOnATimerThatIsOnKeepsItsCountdown,
                            PostsAndTimerExpiriesRunOnTheUserInterfaceThreadInOrder, DestroyedTimersStayQuiet,
                            RepaintOfAControlDestroyedMeanwhileIsHarmless);

}  // namespace dwtest
