// Real-time host for headless programs. One thread runs all timers, another the animation clock.
// A timer expiry is posted to the user-interface queue, which the program pumps with
// ProcessEvents() (or Run() until Quit()); the expiry callback therefore runs on the pumping
// thread. Expiries do not pile up: while one is waiting in the queue the timer posts no other.
// Animation ticks run on the clock's thread; an exception a subscriber throws is thrown again by
// ProcessEvents() or Run() on the pumping thread, and the ticks go on. Destruction stops both
// threads and drops queued work; no timer callback or tick starts after the destructor has
// returned, and timers that outlive the host become inert.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "dialworks/Export.h"
#include "dialworks/host/HostServices.h"

namespace dw {

class DW_API TThreadedHost : public IHostServices {
 public:
  TThreadedHost();
  ~TThreadedHost() override;  // uninstalls itself when installed
  TThreadedHost(const TThreadedHost&) = delete;
  TThreadedHost& operator=(const TThreadedHost&) = delete;

  std::unique_ptr<IRelaxedTimer> CreateTimer() override;
  TAnimationClock& AnimationClock() override;
  TDateTime Now() override;  // SystemNow()
  // Counts the request and, when a repaint handler is set, posts one coalesced call of it.
  using IHostServices::RequestRepaint;
  void RequestRepaint(TKVBasicControl& AControl) override;
  void Post(std::function<void()> AProc) override;

  // Runs the work queued so far (not what it queues in turn); waits up to AWait for the first
  // item when the queue is empty. Returns how many items ran. Call it from one thread.
  size_t ProcessEvents(std::chrono::milliseconds AWait = std::chrono::milliseconds(0));
  // Pumps the queue until Quit (from any thread, also before Run: then Run returns at once).
  void Run();
  void Quit();

  uint64_t RepaintCount(const TKVBasicControl& AControl) const;
  uint64_t RepaintCount() const;
  // Runs on the pumping thread after one or more repaint requests ("something needs painting").
  void SetOnRepaint(std::function<void()> AHandler);

  struct TTimerCore;  // the timer thread's shared state

 private:
  void PostRepaint();

  std::shared_ptr<TTimerCore> FTimers;
  std::unique_ptr<TAnimationClock> FClock;
  TRepaintCounter FRepaints;

  mutable std::mutex FQueueLock;
  std::condition_variable FQueueChanged;
  std::deque<std::function<void()>> FQueue;
  bool FQuit = false;
  bool FRepaintPending = false;
  std::function<void()> FOnRepaint;
};

}  // namespace dw
