// Moves a hand to its target angles on the host's animation clock and redraws at most once per
// refresh interval however often the clock ticks: the subscription handle, the refresh timer and
// the first-time and no-subscribe flags that every animated dial carries.
//
// Threads: ticks may come on the animation clock's thread. The hand's angle has its own lock and
// the subscription handle is atomic; Unsubscribe waits for a tick of that handle that is under way,
// so once EndAnimation returns no tick touches the animator any more.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

#include "dialworks/Export.h"
#include "dialworks/foundation/DWAnalogInstrumentHand.h"
#include "dialworks/host/HostServices.h"

namespace dw {

// What the animator moves: a position (angle or any other unit) with its target, stepped by the
// hand's spring under the hand's own lock.
class DW_API IDWAnimatedHand {
 public:
  virtual ~IDWAnimatedHand() = default;
  virtual void SetTargetAngle(float AValue) = 0;
  virtual float GetTargetAngle() const = 0;
  virtual float GetCurrentAngle() const = 0;
  // Jump: current and target become AValue.
  virtual void SetAngle(float AValue) = 0;
  virtual bool PerformAnimation() = 0;
  virtual bool AnimationEnabled() const = 0;
};

// Subscribes ATick to the host's animation clock and hands each tick its own subscription handle,
// which the tick unsubscribes on arrival. The handle is stored into AInto before any tick runs: a
// tick on the clock's thread that arrives at once then clears it, rather than the caller storing a
// handle already gone (which would read as animating for good).
DW_API void DWSubscribeAnimation(std::atomic<TAnimationClock::THandle>& AInto,
                                 std::function<void(TAnimationClock::THandle)> ATick);

class DW_API TDWHandAnimator {
 public:
  static constexpr uint32_t RefreshInterval = 25;  // ms between animation repaints

  // ARedraw asks the owner to repaint (called on the timer's thread).
  TDWHandAnimator(TDWAngularHand& AHand, std::function<void()> ARedraw);
  TDWHandAnimator(IDWAnimatedHand& AHand, std::function<void()> ARedraw);
  ~TDWHandAnimator();
  TDWHandAnimator(const TDWHandAnimator&) = delete;
  TDWHandAnimator& operator=(const TDWHandAnimator&) = delete;

  // The hand's new target. It animates there when its animation is on, AMayAnimate (the owner
  // is not being designed) and this is not the first target since construction or JumpNext;
  // otherwise it jumps.
  void MoveTo(float AAngle, bool AMayAnimate);
  // The next target jumps (a freshly loaded value is shown at once).
  void JumpNext() { FFirstTime = true; }
  void EndAnimation();
  // Ends a running animation with the hand at its target (a hand at rest stays where it is).
  // Whether the next target jumps is left as it was.
  void Settle();
  // Before the owner comes apart: no new subscription, the running one ended, the timer gone.
  void Shutdown();
  bool IsShutDown() const { return FNoSubscribe.load(); }

  bool Animating() const { return FAnimation.load() != TAnimationClock::NoHandle; }
  bool RefreshTimerEnabled() const;

 private:
  void Init();
  void Tick(TAnimationClock::THandle AOwn);
  void TimerExpired();

  std::unique_ptr<IDWAnimatedHand> FAngular;  // adapts an angular hand (null otherwise)
  IDWAnimatedHand& FHand;
  std::function<void()> FRedraw;
  std::atomic<TAnimationClock::THandle> FAnimation{TAnimationClock::NoHandle};
  // The timer is switched on by ticks on the clock's thread and goes away in Shutdown on the
  // user-interface thread: FTimerLock guards the pointer (never held while the timer is destroyed,
  // whose destructor may wait for its callback).
  mutable std::mutex FTimerLock;
  std::unique_ptr<IRelaxedTimer> FRefreshTimer;
  bool FFirstTime = true;                 // the next target jumps
  std::atomic<bool> FNoSubscribe{false};  // set once the owner is being destroyed
};

}  // namespace dw
