#include "dialworks/host/ThreadedHost.h"

#include <algorithm>
#include <exception>

#include "dialworks/host/HostTimer.h"

namespace dw {

using TSteady = std::chrono::steady_clock;

namespace {

struct TThreadedTimerState {
  bool Enabled = true;
  uint32_t Interval = IRelaxedTimer::DefaultInterval;
  TSteady::time_point Due;
  bool Pending = false;  // an expiry waits in the user-interface queue
  uint64_t Arms = 0;     // times armed: a queued expiry from before the last Arm does nothing
  TCallbackSlot Slot;
};

}  // namespace

// Lock order: TTimerCore::Lock before the host's queue lock; never the other way round.
struct TThreadedHost::TTimerCore {
  std::mutex Lock;
  std::condition_variable Changed;
  bool Stop = false;
  TThreadedHost* Host = nullptr;  // cleared when the host stops the thread
  std::vector<std::shared_ptr<TThreadedTimerState>> Timers;
  std::thread Thread;

  void Arm(TThreadedTimerState& AState) {
    AState.Due = TSteady::now() + std::chrono::milliseconds(AState.Interval);
    ++AState.Arms;
    Changed.notify_all();
  }

  void Loop(const std::shared_ptr<TTimerCore>& ASelf) {
    std::unique_lock lock(Lock);
    while (!Stop) {
      std::shared_ptr<TThreadedTimerState> next;
      for (auto& t : Timers)
        if (t->Enabled && !t->Pending && (!next || t->Due < next->Due)) next = t;
      if (!next) {
        Changed.wait(lock);
        continue;
      }
      const auto now = TSteady::now();
      if (now < next->Due) {
        Changed.wait_until(lock, next->Due);
        continue;
      }
      // Expired: the next expiry keeps the rhythm unless we fell a whole interval behind.
      const auto interval = std::chrono::milliseconds(next->Interval);
      next->Due += interval;
      if (next->Due <= now) next->Due = now + interval;
      next->Pending = true;
      std::weak_ptr<TThreadedTimerState> weak = next;
      std::weak_ptr<TTimerCore> core = ASelf;
      // Posting fails only when memory runs out; an exception leaving this thread would end the
      // program, so this expiry is lost and the next one comes as usual.
      try {
        Host->Post([weak, core, arms = next->Arms] {
          auto state = weak.lock();
          auto c = core.lock();
          if (!state || !c) return;
          {
            std::lock_guard l(c->Lock);
            state->Pending = false;
            c->Changed.notify_all();
            // Reset, re-enabled or given a new interval since: the countdown started again.
            if (!state->Enabled || c->Stop || state->Arms != arms) return;
          }
          state->Slot.Invoke();
        });
      } catch (...) {
        next->Pending = false;
      }
    }
  }
};

namespace {

using TThreadedTimer = THostTimer<TThreadedHost::TTimerCore, TThreadedTimerState>;

// Runs ABatch in order. When an item throws, the items after it go back to the front of AQueue
// and the exception goes on: a dropped timer expiry would leave its timer waiting for good, a
// dropped repaint would keep further repaints from being posted.
void RunBatch(std::deque<std::function<void()>>& ABatch, std::mutex& ALock, std::deque<std::function<void()>>& AQueue) {
  for (size_t i = 0; i < ABatch.size(); ++i) {
    try {
      ABatch[i]();
    } catch (...) {
      std::lock_guard lock(ALock);
      AQueue.insert(AQueue.begin(), std::make_move_iterator(ABatch.begin() + ptrdiff_t(i) + 1),
                    std::make_move_iterator(ABatch.end()));
      throw;
    }
  }
}

// Ticks on its own thread while anybody is subscribed; sleeps otherwise.
class TThreadedClock final : public TAnimationClock {
 public:
  explicit TThreadedClock(TThreadedHost& AHost) : FHost(AHost), FThread([this] { Loop(); }) {}
  ~TThreadedClock() override { Stop(); }

  void Stop() {
    {
      std::lock_guard lock(FLock);
      FStop = true;
      FWake.notify_all();
    }
    if (FThread.joinable()) FThread.join();
  }

 protected:
  void ActivityChanged(bool) override { Wake(false); }
  void IntervalChanged() override { Wake(true); }

 private:
  void Wake(bool ARetime) {
    std::lock_guard lock(FLock);
    FWoken = true;
    FRetime = FRetime || ARetime;
    FWake.notify_all();
  }

  void Loop() {
    std::unique_lock lock(FLock);
    TSteady::time_point next;
    bool running = false;
    while (!FStop) {
      const bool active = Active();
      const auto interval = std::chrono::duration_cast<TSteady::duration>(
          std::chrono::duration<double, std::milli>(Interval()));
      FWoken = false;
      if (!active) {
        running = false;
        FRetime = false;
        FWake.wait(lock, [&] { return FStop || FWoken; });
        continue;
      }
      if (!running || FRetime) {
        // New interval, or a first subscriber after a pause: the next tick comes one interval
        // from now. A subscriber back within an interval keeps the pace, so that a hand given
        // new targets faster than the clock ticks still moves.
        const auto now = TSteady::now();
        if (FRetime || next <= now || next > now + interval) next = now + interval;
        running = true;
        FRetime = false;
      }
      if (TSteady::now() < next) {
        FWake.wait_until(lock, next, [&] { return FStop || FWoken; });
        continue;
      }
      lock.unlock();
      // A subscriber's exception would end the program on this thread: it is thrown again on the
      // pumping thread, as timer callbacks and posted work throw there. It is posted after the
      // handler has ended and moved along, so this thread keeps no share of it and the pumping
      // thread releases it. Lost only when posting fails (no memory).
      std::exception_ptr error;
      try {
        Tick();
      } catch (...) {
        error = std::current_exception();
      }
      if (error) {
        try {
          FHost.Post([thrown = std::move(error)] { std::rethrow_exception(thrown); });
        } catch (...) {
        }
      }
      lock.lock();
      next += interval;
      const auto now = TSteady::now();
      if (next <= now) next = now + interval;  // fell behind: do not burst
    }
  }

  TThreadedHost& FHost;
  std::mutex FLock;
  std::condition_variable FWake;
  bool FStop = false;
  bool FWoken = false;  // activity or interval changed since the loop last looked
  bool FRetime = false;
  std::thread FThread;  // last: starts after the members above exist
};

}  // namespace

TThreadedHost::TThreadedHost()
    : FTimers(std::make_shared<TTimerCore>()), FClock(std::make_unique<TThreadedClock>(*this)) {
  FTimers->Host = this;
  FTimers->Thread = std::thread([core = FTimers] { core->Loop(core); });
}

TThreadedHost::~TThreadedHost() {
  UninstallHostServices(this);
  {
    std::lock_guard lock(FTimers->Lock);
    FTimers->Stop = true;
    FTimers->Changed.notify_all();
  }
  FTimers->Thread.join();
  {
    std::lock_guard lock(FTimers->Lock);
    FTimers->Host = nullptr;
  }
  static_cast<TThreadedClock&>(*FClock).Stop();
  std::deque<std::function<void()>> dropped;
  std::lock_guard lock(FQueueLock);
  dropped.swap(FQueue);
}

std::unique_ptr<IRelaxedTimer> TThreadedHost::CreateTimer() {
  return std::make_unique<TThreadedTimer>(FTimers);
}

TAnimationClock& TThreadedHost::AnimationClock() { return *FClock; }

TDateTime TThreadedHost::Now() { return SystemNow(); }

void TThreadedHost::RequestRepaint(TKVBasicControl& AControl) {
  FRepaints.Add(AControl);
  PostRepaint();
}

void TThreadedHost::PostRepaint() {
  std::lock_guard lock(FQueueLock);
  if (!FOnRepaint || FRepaintPending) return;
  FRepaintPending = true;
  FQueue.push_back([this] {
    std::function<void()> handler;
    {
      std::lock_guard l(FQueueLock);
      FRepaintPending = false;
      handler = FOnRepaint;
    }
    if (handler) handler();
  });
  FQueueChanged.notify_all();
}

void TThreadedHost::SetOnRepaint(std::function<void()> AHandler) {
  std::lock_guard lock(FQueueLock);
  FOnRepaint = std::move(AHandler);
}

uint64_t TThreadedHost::RepaintCount(const TKVBasicControl& AControl) const {
  return FRepaints.Count(AControl);
}
uint64_t TThreadedHost::RepaintCount() const { return FRepaints.Total(); }

void TThreadedHost::Post(std::function<void()> AProc) {
  if (!AProc) return;
  std::lock_guard lock(FQueueLock);
  FQueue.push_back(std::move(AProc));
  FQueueChanged.notify_all();
}

size_t TThreadedHost::ProcessEvents(std::chrono::milliseconds AWait) {
  std::deque<std::function<void()>> batch;
  {
    std::unique_lock lock(FQueueLock);
    if (FQueue.empty() && AWait.count() > 0)
      FQueueChanged.wait_for(lock, AWait, [&] { return !FQueue.empty() || FQuit; });
    batch.swap(FQueue);
  }
  RunBatch(batch, FQueueLock, FQueue);
  return batch.size();
}

void TThreadedHost::Run() {
  for (;;) {
    std::deque<std::function<void()>> batch;
    {
      std::unique_lock lock(FQueueLock);
      FQueueChanged.wait(lock, [&] { return !FQueue.empty() || FQuit; });
      if (FQuit) {
        FQuit = false;
        return;
      }
      batch.swap(FQueue);
    }
    RunBatch(batch, FQueueLock, FQueue);
  }
}

void TThreadedHost::Quit() {
  std::lock_guard lock(FQueueLock);
  FQuit = true;
  FQueueChanged.notify_all();
}

}  // namespace dw
