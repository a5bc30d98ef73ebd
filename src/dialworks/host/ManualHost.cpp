#include "dialworks/host/ManualHost.h"

#include <algorithm>
#include <cmath>
#include <deque>

#include "dialworks/host/HostTimer.h"

namespace dw {

namespace {

struct TManualTimerState {
  bool Enabled = true;
  uint32_t Interval = IRelaxedTimer::DefaultInterval;
  int64_t Due = 0;   // µs of virtual time
  uint64_t Seq = 0;  // arming order, breaks ties between equal due times
  TCallbackSlot Slot;
};

}  // namespace

struct TManualHost::TCore {
  std::mutex Lock;
  int64_t NowUs = 0;
  uint64_t NextSeq = 1;
  TDateTime NowBase = 0;
  int64_t NowBaseUs = 0;
  std::vector<std::shared_ptr<TManualTimerState>> Timers;  // creation order
  bool ClockArmed = false;
  int64_t ClockDue = 0;
  uint64_t ClockSeq = 0;
  std::deque<std::function<void()>> Posted;
  bool Advancing = false;

  // Lock held.
  void Arm(TManualTimerState& AState) {
    AState.Due = NowUs + int64_t(AState.Interval) * 1000;
    AState.Seq = NextSeq++;
  }
};

namespace {

int64_t ClockIntervalUs(const TAnimationClock& AClock) {
  return std::max<int64_t>(1, std::llround(AClock.Interval() * 1000.0));
}

using TManualTimer = THostTimer<TManualHost::TCore, TManualTimerState>;

class TManualClock final : public TAnimationClock {
 public:
  explicit TManualClock(std::shared_ptr<TManualHost::TCore> ACore) : FCore(std::move(ACore)) {}

 protected:
  // The hooks run outside the clock's lock; the clock's state is re-read here because two
  // threads' hooks may arrive out of order.
  void ActivityChanged(bool) override { Rearm(false); }
  void IntervalChanged() override { Rearm(true); }

 private:
  void Rearm(bool ARestart) {
    const bool active = Active();
    const int64_t interval = ClockIntervalUs(*this);
    std::lock_guard lock(FCore->Lock);
    if (!active) {
      FCore->ClockArmed = false;
    } else if (!FCore->ClockArmed || ARestart) {
      FCore->ClockArmed = true;
      // A subscriber that leaves and comes back within an interval (a hand given a new target)
      // keeps the clock's pace: re-arming from now would starve ticks under frequent values.
      const int64_t ahead = FCore->ClockDue - FCore->NowUs;
      if (ARestart || ahead <= 0 || ahead > interval) {
        FCore->ClockDue = FCore->NowUs + interval;
        FCore->ClockSeq = FCore->NextSeq++;
      }
    }
  }
  std::shared_ptr<TManualHost::TCore> FCore;
};

}  // namespace

TManualHost::TManualHost()
    : FCore(std::make_shared<TCore>()), FClock(std::make_unique<TManualClock>(FCore)) {}

TManualHost::~TManualHost() {
  UninstallHostServices(this);
  std::deque<std::function<void()>> dropped;
  std::lock_guard lock(FCore->Lock);
  dropped.swap(FCore->Posted);
  FCore->ClockArmed = false;
}

std::unique_ptr<IRelaxedTimer> TManualHost::CreateTimer() {
  return std::make_unique<TManualTimer>(FCore);
}

TAnimationClock& TManualHost::AnimationClock() { return *FClock; }

TDateTime TManualHost::Now() {
  std::lock_guard lock(FCore->Lock);
  const double elapsed = double(FCore->NowUs - FCore->NowBaseUs) / (MSecsPerDay * 1000.0);
  // Before 1899-12-30 the time of day is a negative fraction (-1.25 is day -1 at 06:00): add on
  // a straight day count, where -1.25 is -0.75.
  const TDateTime base = FCore->NowBase;
  if (base >= 0) return base + elapsed;
  const double day = std::trunc(base);
  const double count = day + (day - base) + elapsed;
  if (count >= 0) return count;
  const double countDay = std::floor(count);
  return countDay - (count - countDay);
}

void TManualHost::SetNow(TDateTime AValue) {
  if (!std::isfinite(AValue)) return;
  std::lock_guard lock(FCore->Lock);
  FCore->NowBase = AValue;
  FCore->NowBaseUs = FCore->NowUs;
}

double TManualHost::Elapsed() const {
  std::lock_guard lock(FCore->Lock);
  return double(FCore->NowUs) / 1000.0;
}

void TManualHost::RequestRepaint(TKVBasicControl& AControl) { Repainted(AControl, nullptr); }

void TManualHost::RequestRepaint(TKVBasicControl& AControl, const TRepaintRect& ARect) {
  if (!ARect.IsEmpty()) Repainted(AControl, &ARect);
}

void TManualHost::Repainted(TKVBasicControl& AControl, const TRepaintRect* APart) {
  FRepaints.Add(AControl);
  std::function<void(TKVBasicControl&)> handler;
  {
    std::lock_guard lock(FRepaintHandlerLock);
    handler = FOnRepaint;
    TDirty& d = FDirty[&AControl];
    if (!APart) {
      d.Whole = true;
    } else if (d.Part.IsEmpty()) {
      d.Part = *APart;
    } else {
      const int l = std::min(d.Part.Left, APart->Left), t = std::min(d.Part.Top, APart->Top);
      const int r = std::max(d.Part.Left + d.Part.Width, APart->Left + APart->Width);
      const int b = std::max(d.Part.Top + d.Part.Height, APart->Top + APart->Height);
      d.Part = {l, t, r - l, b - t};
    }
  }
  if (handler) handler(AControl);
}

TManualHost::TDirty TManualHost::TakeDirty(const TKVBasicControl& AControl) {
  std::lock_guard lock(FRepaintHandlerLock);
  const auto it = FDirty.find(&AControl);
  if (it == FDirty.end()) return {};
  const TDirty d = it->second;
  FDirty.erase(it);
  return d;
}

void TManualHost::RequestFocus(TKVBasicControl& AControl) {
  std::lock_guard lock(FRepaintHandlerLock);
  ++FFocusRequests;
  FLastFocus = &AControl;
}

uint64_t TManualHost::FocusRequestCount() const {
  std::lock_guard lock(FRepaintHandlerLock);
  return FFocusRequests;
}

const TKVBasicControl* TManualHost::LastFocusRequest() const {
  std::lock_guard lock(FRepaintHandlerLock);
  return FLastFocus;
}

void TManualHost::SetOnRepaint(std::function<void(TKVBasicControl&)> AHandler) {
  std::lock_guard lock(FRepaintHandlerLock);
  FOnRepaint = std::move(AHandler);
}

uint64_t TManualHost::RepaintCount(const TKVBasicControl& AControl) const {
  return FRepaints.Count(AControl);
}
uint64_t TManualHost::RepaintCount() const { return FRepaints.Total(); }
void TManualHost::ClearRepaintCounts() { FRepaints.Clear(); }

void TManualHost::Post(std::function<void()> AProc) {
  if (!AProc) return;
  std::lock_guard lock(FCore->Lock);
  FCore->Posted.push_back(std::move(AProc));
}

size_t TManualHost::RunPosted() {
  std::deque<std::function<void()>> batch;
  {
    std::lock_guard lock(FCore->Lock);
    batch.swap(FCore->Posted);
  }
  for (size_t i = 0; i < batch.size(); ++i) {
    try {
      batch[i]();
    } catch (...) {
      // The rest of the batch stays posted, ahead of what the procedures posted meanwhile.
      std::lock_guard lock(FCore->Lock);
      FCore->Posted.insert(FCore->Posted.begin(), std::make_move_iterator(batch.begin() + ptrdiff_t(i) + 1),
                           std::make_move_iterator(batch.end()));
      throw;
    }
  }
  return batch.size();
}

size_t TManualHost::PostedCount() const {
  std::lock_guard lock(FCore->Lock);
  return FCore->Posted.size();
}

size_t TManualHost::EnabledTimerCount() const {
  std::lock_guard lock(FCore->Lock);
  size_t n = 0;
  for (auto& t : FCore->Timers) n += t->Enabled ? 1 : 0;
  return n;
}

void TManualHost::Advance(double AMilliseconds) {
  if (!(AMilliseconds >= 0) || !std::isfinite(AMilliseconds)) return;
  AMilliseconds = std::min(AMilliseconds, MaxAdvance);
  int64_t target;
  {
    std::lock_guard lock(FCore->Lock);
    if (FCore->Advancing) return;  // nested call from a callback
    FCore->Advancing = true;
    target = FCore->NowUs + std::llround(AMilliseconds * 1000.0);
  }
  struct TDone {
    TCore& C;
    ~TDone() {
      std::lock_guard lock(C.Lock);
      C.Advancing = false;
    }
  } done{*FCore};

  RunPosted();
  for (;;) {
    const int64_t clockInterval = ClockIntervalUs(*FClock);
    std::shared_ptr<TManualTimerState> timer;
    bool tick = false;
    {
      std::lock_guard lock(FCore->Lock);
      int64_t due = target + 1;
      uint64_t seq = 0;
      for (auto& t : FCore->Timers) {
        if (t->Enabled && t->Due <= target && (t->Due < due || (t->Due == due && t->Seq < seq))) {
          due = t->Due;
          seq = t->Seq;
          timer = t;
        }
      }
      if (FCore->ClockArmed && FCore->ClockDue <= target &&
          (FCore->ClockDue < due || (FCore->ClockDue == due && FCore->ClockSeq < seq))) {
        due = FCore->ClockDue;
        timer.reset();
        tick = true;
      }
      if (!timer && !tick) {
        FCore->NowUs = target;
        break;
      }
      FCore->NowUs = due;
      if (tick) {
        FCore->ClockDue = due + clockInterval;
        FCore->ClockSeq = FCore->NextSeq++;
      } else {
        FCore->Arm(*timer);
      }
    }
    if (tick)
      FClock->Tick();
    else
      timer->Slot.Invoke();
    RunPosted();
  }
  RunPosted();
}

}  // namespace dw
