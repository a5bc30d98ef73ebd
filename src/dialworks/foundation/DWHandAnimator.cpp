#include "dialworks/foundation/DWHandAnimator.h"

namespace dw {

void TDWAnimationSubscription::Subscribe(std::function<bool()> ATick) {
  End();
  TAnimationClock& clock = HostServices().AnimationClock();
  FClock = &clock;
  FClockAlive = clock.Lifetime();
  // The tick learns its own handle through the holder, so an arrival ends exactly that
  // subscription even when a newer one has replaced it meanwhile. After the handle is cleared
  // End no longer waits for this call: only the captured values are used from there on.
  auto own = std::make_shared<std::atomic<THandle>>(TAnimationClock::NoHandle);
  const THandle h = clock.Subscribe([this, own, &clock, tick = std::move(ATick)] {
    const THandle mine = own->load();
    if (mine == TAnimationClock::NoHandle || tick()) return;
    THandle expected = mine;
    FHandle.compare_exchange_strong(expected, TAnimationClock::NoHandle);
    clock.Unsubscribe(mine);
  });
  FHandle.store(h);
  own->store(h);
}

void TDWAnimationSubscription::End() {
  const THandle h = FHandle.exchange(TAnimationClock::NoHandle);
  if (h == TAnimationClock::NoHandle) return;
  // A clock that is gone took its subscriptions with it.
  if (const auto alive = FClockAlive.lock()) FClock->Unsubscribe(h);
}

namespace {
class TAngularHandMotion final : public IDWAnimatedHand {
 public:
  explicit TAngularHandMotion(TDWAngularHand& AHand) : FHand(AHand) {}
  void SetTargetAngle(float AValue) override { FHand.SetTargetAngle(AValue); }
  float GetTargetAngle() const override { return FHand.GetTargetAngle(); }
  float GetCurrentAngle() const override { return FHand.GetCurrentAngle(); }
  void SetAngle(float AValue) override { FHand.SetAngle(AValue); }
  bool PerformAnimation() override { return FHand.PerformAnimation(); }
  bool AnimationEnabled() const override { return FHand.Animation().Enabled(); }

 private:
  TDWAngularHand& FHand;
};
}  // namespace

TDWHandAnimator::TDWHandAnimator(TDWAngularHand& AHand, std::function<void()> ARedraw)
    : FAngular(std::make_unique<TAngularHandMotion>(AHand)), FHand(*FAngular), FRedraw(std::move(ARedraw)) {
  Init();
}

TDWHandAnimator::TDWHandAnimator(IDWAnimatedHand& AHand, std::function<void()> ARedraw)
    : FHand(AHand), FRedraw(std::move(ARedraw)) {
  Init();
}

void TDWHandAnimator::Init() {
  FRefreshTimer = HostServices().CreateTimer();
  FRefreshTimer->SetEnabled(false);
  FRefreshTimer->SetInterval(RefreshInterval);
  FRefreshTimer->SetOnTimer([this] { TimerExpired(); });
}

TDWHandAnimator::~TDWHandAnimator() { Shutdown(); }

void TDWHandAnimator::Shutdown() {
  FNoSubscribe = true;
  EndAnimation();
  std::unique_ptr<IRelaxedTimer> timer;
  {
    std::lock_guard lock(FTimerLock);
    timer = std::move(FRefreshTimer);
  }
  timer.reset();
}

bool TDWHandAnimator::RefreshTimerEnabled() const {
  std::lock_guard lock(FTimerLock);
  return FRefreshTimer && FRefreshTimer->Enabled();
}

void TDWHandAnimator::EndAnimation() { FAnimation.End(); }

void TDWHandAnimator::Settle() {
  // Once EndAnimation returns no tick runs any more, so the jump is the hand's last move.
  EndAnimation();
  FHand.SetAngle(FHand.GetTargetAngle());
}

void TDWHandAnimator::MoveTo(float AAngle, bool AMayAnimate) {
  FHand.SetTargetAngle(AAngle);
  if (FHand.AnimationEnabled() && AMayAnimate && !FFirstTime && !FNoSubscribe) {
    EndAnimation();
    if (FHand.GetCurrentAngle() != FHand.GetTargetAngle()) FAnimation.Subscribe([this] { return Tick(); });
  } else {
    EndAnimation();
    FHand.SetAngle(AAngle);
  }
  FFirstTime = false;
}

bool TDWHandAnimator::Tick() {
  const bool moving = FHand.PerformAnimation();
  // The timer goes on before the subscription clears its handle on arrival: once it is clear, a
  // shutdown running on another thread no longer waits for this call.
  std::lock_guard lock(FTimerLock);
  if (FRefreshTimer && !FNoSubscribe) FRefreshTimer->SetEnabled(true);
  return moving;
}

void TDWHandAnimator::TimerExpired() {
  FRedraw();
  std::lock_guard lock(FTimerLock);
  if (!Animating() && FRefreshTimer) FRefreshTimer->SetEnabled(false);
}

}  // namespace dw
