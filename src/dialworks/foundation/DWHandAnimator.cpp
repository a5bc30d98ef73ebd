#include "dialworks/foundation/DWHandAnimator.h"

namespace dw {

void DWSubscribeAnimation(std::atomic<TAnimationClock::THandle>& AInto,
                          std::function<void(TAnimationClock::THandle)> ATick) {
  // The tick learns its own handle through the holder, so an arrival unsubscribes exactly that
  // subscription even when a newer one has replaced it meanwhile.
  auto own = std::make_shared<std::atomic<TAnimationClock::THandle>>(TAnimationClock::NoHandle);
  const TAnimationClock::THandle h = HostServices().AnimationClock().Subscribe([own, tick = std::move(ATick)] {
    const TAnimationClock::THandle mine = own->load();
    if (mine != TAnimationClock::NoHandle) tick(mine);
  });
  AInto.store(h);
  own->store(h);
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

void TDWHandAnimator::EndAnimation() {
  const TAnimationClock::THandle h = FAnimation.exchange(TAnimationClock::NoHandle);
  if (h != TAnimationClock::NoHandle) HostServices().AnimationClock().Unsubscribe(h);
}

void TDWHandAnimator::Settle() {
  // Once EndAnimation returns no tick runs any more, so the jump is the hand's last move.
  EndAnimation();
  FHand.SetAngle(FHand.GetTargetAngle());
}

void TDWHandAnimator::MoveTo(float AAngle, bool AMayAnimate) {
  FHand.SetTargetAngle(AAngle);
  if (FHand.AnimationEnabled() && AMayAnimate && !FFirstTime && !FNoSubscribe) {
    EndAnimation();
    if (FHand.GetCurrentAngle() != FHand.GetTargetAngle())
      DWSubscribeAnimation(FAnimation, [this](TAnimationClock::THandle AHandle) { Tick(AHandle); });
  } else {
    EndAnimation();
    FHand.SetAngle(AAngle);
  }
  FFirstTime = false;
}

void TDWHandAnimator::Tick(TAnimationClock::THandle AOwn) {
  const bool moving = FHand.PerformAnimation();
  // The timer goes on before the handle is cleared: once it is clear, a shutdown running on
  // another thread no longer waits for this call, so nothing of this object is touched after.
  {
    std::lock_guard lock(FTimerLock);
    if (FRefreshTimer && !FNoSubscribe) FRefreshTimer->SetEnabled(true);
  }
  if (!moving) {
    TAnimationClock::THandle expected = AOwn;
    FAnimation.compare_exchange_strong(expected, TAnimationClock::NoHandle);
    HostServices().AnimationClock().Unsubscribe(AOwn);
  }
}

void TDWHandAnimator::TimerExpired() {
  FRedraw();
  std::lock_guard lock(FTimerLock);
  if (!Animating() && FRefreshTimer) FRefreshTimer->SetEnabled(false);
}

}  // namespace dw
