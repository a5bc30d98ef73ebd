// Locks: the critical section whose Execute runs a closure while held (hand angle state, control
// locks) and the read/write lock of buffer-fed displays. Both also satisfy the standard lockable
// requirements, so std::lock_guard, std::unique_lock and std::shared_lock work with them.
#pragma once

#include "dialworks/Export.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <shared_mutex>
#include <thread>
#include <utility>
#include <vector>

namespace dw {

class DW_API ICriticalSection {
 public:
  virtual ~ICriticalSection() = default;
  virtual void Enter() = 0;
  virtual bool TryEnter() = 0;
  virtual void Leave() = 0;

  // Runs AProc while the section is held and returns its result; the section is released also
  // when AProc throws.
  template <class F>
  decltype(auto) Execute(F&& AProc) {
    std::lock_guard<ICriticalSection> guard(*this);
    return std::forward<F>(AProc)();
  }

  void lock() { Enter(); }
  bool try_lock() { return TryEnter(); }
  void unlock() { Leave(); }
};

// Recursive: the owning thread may enter again (property setters called from inside locked code).
class DW_API TCriticalSection final : public ICriticalSection {
 public:
  void Enter() override { FMutex.lock(); }
  bool TryEnter() override { return FMutex.try_lock(); }
  void Leave() override { FMutex.unlock(); }

 private:
  std::recursive_mutex FMutex;
};

// The control lock: recursive, and first come, first served. Values may be set from another
// thread as fast as it can produce them while the user-interface thread paints; with an unfair
// mutex either side takes the lock again and again and the other starves (frames skipped, or
// values stalled). Here each waiter draws a ticket: a painter waits at most for the assignments
// already queued, a writer at most for the paint under way.
class DW_API TControlMutex {
 public:
  void lock();
  bool try_lock();
  // Waits up to AWait for its turn; false (and out of the queue) when the time ran out.
  bool try_lock_for(std::chrono::microseconds AWait);
  void unlock();

 private:
  bool Reenter();     // under FGuard: true when this thread holds the lock (depth raised)
  void Take();        // under FGuard, on this thread's turn
  void SkipAbandoned();  // under FGuard: moves the turn past tickets whose waiters gave up
  std::mutex FGuard;
  std::condition_variable FTurn;
  uint64_t FNextTicket = 0, FServing = 0;
  std::vector<uint64_t> FAbandoned;  // tickets of timed waits that gave up, not yet served
  std::thread::id FOwner;
  int FDepth = 0;
};

// Many readers or one writer; not recursive (a thread holding it must not take it again).
class DW_API TReadWriteLock {
 public:
  void ReadLock() { FMutex.lock_shared(); }
  bool TryReadLock() { return FMutex.try_lock_shared(); }
  void ReadUnlock() { FMutex.unlock_shared(); }
  void WriteLock() { FMutex.lock(); }
  bool TryWriteLock() { return FMutex.try_lock(); }
  void WriteUnlock() { FMutex.unlock(); }

  template <class F>
  decltype(auto) ExecuteRead(F&& AProc) {
    std::shared_lock<TReadWriteLock> guard(*this);
    return std::forward<F>(AProc)();
  }
  template <class F>
  decltype(auto) ExecuteWrite(F&& AProc) {
    std::lock_guard<TReadWriteLock> guard(*this);
    return std::forward<F>(AProc)();
  }

  void lock() { WriteLock(); }
  bool try_lock() { return TryWriteLock(); }
  void unlock() { WriteUnlock(); }
  void lock_shared() { ReadLock(); }
  bool try_lock_shared() { return TryReadLock(); }
  void unlock_shared() { ReadUnlock(); }

 private:
  std::shared_mutex FMutex;
};

}  // namespace dw
