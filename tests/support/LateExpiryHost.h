// A manual host whose timers can also fire late: FireLate runs the callbacks of the timers of one
// interval now, whether or not they are due, as a host does whose expiry was already on its way
// when the timer was restarted (timers fired on another thread than the one restarting them).
#pragma once

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "dialworks/host/ManualHost.h"
#include "dialworks/package/DialworksPkg.h"

namespace dwtest {

class TLateExpiryHost : public dw::TManualHost {
 public:
  TLateExpiryHost() {
    dw::SetHostServices(this);
    dw::RegisterDialworksPackage();
  }
  ~TLateExpiryHost() override { dw::SetHostServices(nullptr); }

  std::unique_ptr<dw::IRelaxedTimer> CreateTimer() override {
    auto state = std::make_shared<TState>();
    state->Real = dw::TManualHost::CreateTimer();
    FStates.push_back(state);
    return std::make_unique<TTimer>(std::move(state));
  }
  void FireLate(uint32_t AInterval) {
    for (const std::weak_ptr<TState>& weak : FStates)
      if (const auto s = weak.lock(); s && s->Real->Interval() == AInterval && s->Event) s->Event();
  }

 private:
  using TTimerEvent = dw::IRelaxedTimer::TTimerEvent;
  struct TState {
    std::unique_ptr<dw::IRelaxedTimer> Real;
    TTimerEvent Event;
  };
  struct TTimer final : dw::IRelaxedTimer {
    explicit TTimer(std::shared_ptr<TState> AState) : S(std::move(AState)) {}
    bool Enabled() const override { return S->Real->Enabled(); }
    void SetEnabled(bool AValue) override { S->Real->SetEnabled(AValue); }
    uint32_t Interval() const override { return S->Real->Interval(); }
    void SetInterval(double AMilliseconds) override { S->Real->SetInterval(AMilliseconds); }
    void SetOnTimer(TTimerEvent AEvent) override {
      S->Event = AEvent;
      S->Real->SetOnTimer(std::move(AEvent));
    }
    void Reset() override { S->Real->Reset(); }
    std::shared_ptr<TState> S;
  };
  std::vector<std::weak_ptr<TState>> FStates;
};

}  // namespace dwtest
