// The control lock: recursive, first come first served, and a timed wait that gives up without
// blocking those queued after it.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

#include "dialworks/host/Locks.h"

using namespace dw;
using namespace std::chrono_literals;

namespace {

bool TryFromOtherThread(TControlMutex& AMutex) {
  bool got = false;
  std::thread([&] {
    got = AMutex.try_lock();
    if (got) AMutex.unlock();
  }).join();
  return got;
}

void WaitUntil(const std::atomic<bool>& AFlag) {
  while (!AFlag) std::this_thread::yield();
}

}  // namespace

TEST(ControlMutex, RecursiveOnItsThreadExclusiveAcrossThreads) {
  TControlMutex m;
  m.lock();
  EXPECT_TRUE(m.try_lock());
  EXPECT_TRUE(m.try_lock_for(0us));
  EXPECT_FALSE(TryFromOtherThread(m));
  m.unlock();
  m.unlock();
  EXPECT_FALSE(TryFromOtherThread(m));  // still held once
  m.unlock();
  EXPECT_TRUE(TryFromOtherThread(m));
}

TEST(ControlMutex, TurnsInArrivalOrderAndGivenUpTurnsAreSkipped) {
  TControlMutex m;
  std::vector<int> order;
  std::mutex orderLock;
  auto record = [&](int AWho) {
    std::lock_guard g(orderLock);
    order.push_back(AWho);
  };
  m.lock();
  // A timed waiter that gives up while the lock is held must not hold up those behind it.
  std::atomic<bool> gaveUp{false};
  std::thread impatient([&] {
    EXPECT_FALSE(m.try_lock_for(2ms));
    gaveUp = true;
  });
  std::atomic<bool> firstQueued{false}, secondQueued{false};
  std::thread first([&] {
    firstQueued = true;
    std::lock_guard g(m);
    record(1);
  });
  WaitUntil(firstQueued);
  std::this_thread::sleep_for(5ms);  // first is in the queue by now
  std::thread second([&] {
    secondQueued = true;
    std::lock_guard g(m);
    record(2);
  });
  WaitUntil(secondQueued);
  std::this_thread::sleep_for(5ms);
  impatient.join();
  EXPECT_TRUE(gaveUp);
  // Someone waits: a try from a newcomer does not jump the queue even once the lock is free.
  EXPECT_FALSE(TryFromOtherThread(m));
  m.unlock();
  first.join();
  second.join();
  EXPECT_EQ(order, (std::vector<int>{1, 2}));
  EXPECT_TRUE(TryFromOtherThread(m));
}
