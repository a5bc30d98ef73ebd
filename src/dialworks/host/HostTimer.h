// The timer both hosts hand out. Its state (Enabled, Interval, Slot and whatever the host's
// scheduling needs) lives in a shared object the host's timer core also holds, so the core can fire
// it while the handle changes it; every change is made under the core's Lock, and the core's
// Arm(state) sets the next expiry from now. The handle takes its state out of the core when it goes
// and stops the callback (waiting for one that is running).
#pragma once

#include <memory>
#include <mutex>
#include <vector>

#include "dialworks/host/HostServices.h"

namespace dw {

template <class TCore, class TState>
class THostTimer final : public IRelaxedTimer {
 public:
  explicit THostTimer(std::shared_ptr<TCore> ACore) : FCore(std::move(ACore)), FState(std::make_shared<TState>()) {
    std::lock_guard lock(FCore->Lock);
    FCore->Timers.push_back(FState);
    FCore->Arm(*FState);
  }
  ~THostTimer() override {
    {
      std::lock_guard lock(FCore->Lock);
      std::erase(FCore->Timers, FState);
    }
    FState->Slot.Kill();
  }
  THostTimer(const THostTimer&) = delete;
  THostTimer& operator=(const THostTimer&) = delete;

  bool Enabled() const override {
    std::lock_guard lock(FCore->Lock);
    return FState->Enabled;
  }
  void SetEnabled(bool AValue) override {
    std::lock_guard lock(FCore->Lock);
    if (FState->Enabled == AValue) return;
    FState->Enabled = AValue;
    if (AValue) FCore->Arm(*FState);
  }
  uint32_t Interval() const override {
    std::lock_guard lock(FCore->Lock);
    return FState->Interval;
  }
  void SetInterval(double AMilliseconds) override {
    std::lock_guard lock(FCore->Lock);
    const uint32_t v = LimitInterval(AMilliseconds, FState->Interval);
    if (v == FState->Interval) return;
    FState->Interval = v;
    if (FState->Enabled) FCore->Arm(*FState);
  }
  void SetOnTimer(TTimerEvent AEvent) override { FState->Slot.Set(std::move(AEvent)); }
  void Reset() override {
    std::lock_guard lock(FCore->Lock);
    if (FState->Enabled) FCore->Arm(*FState);
  }

 private:
  std::shared_ptr<TCore> FCore;
  std::shared_ptr<TState> FState;
};

}  // namespace dw
