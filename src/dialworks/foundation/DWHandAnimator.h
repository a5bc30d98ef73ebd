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

// A subscription to the animation clock it was made on. The installed host may change while a
// hand moves (a render session installs its own for a while): the subscription ends on its own
// clock, whose handles mean nothing to another one, and not at all once that clock is gone.
// Subscribe and End come from the owner, serialised by it; the tick runs on the clock's thread.
class DW_API TDWAnimationSubscription {
 public:
  using THandle = TAnimationClock::THandle;
  TDWAnimationSubscription() = default;
  ~TDWAnimationSubscription() { End(); }
  TDWAnimationSubscription(const TDWAnimationSubscription&) = delete;
  TDWAnimationSubscription& operator=(const TDWAnimationSubscription&) = delete;
  // Ends the current subscription and subscribes ATick to the installed host's clock. The tick
  // returns whether to go on; when it returns false the subscription ends itself. The handle is
  // stored before any tick runs: a tick that arrives at once on the clock's thread then clears it,
  // rather than a handle already gone being stored afterwards (read as animating for good).
  void Subscribe(std::function<bool()> ATick);
  // Once this returns no tick of the subscription runs any more (unless called from inside it).
  void End();
  bool Active() const { return FHandle.load() != TAnimationClock::NoHandle; }

 private:
  std::atomic<THandle> FHandle{TAnimationClock::NoHandle};
  TAnimationClock* FClock = nullptr;  // the clock of FHandle, valid while FClockAlive is
  std::weak_ptr<const void> FClockAlive;
};

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

  bool Animating() const { return FAnimation.Active(); }
  bool RefreshTimerEnabled() const;

 private:
  void Init();
  bool Tick();
  void TimerExpired();

  std::unique_ptr<IDWAnimatedHand> FAngular;  // adapts an angular hand (null otherwise)
  IDWAnimatedHand& FHand;
  std::function<void()> FRedraw;
  TDWAnimationSubscription FAnimation;
  // The timer is switched on by ticks on the clock's thread and goes away in Shutdown on the
  // user-interface thread: FTimerLock guards the pointer (never held while the timer is destroyed,
  // whose destructor may wait for its callback).
  mutable std::mutex FTimerLock;
  std::unique_ptr<IRelaxedTimer> FRefreshTimer;
  bool FFirstTime = true;                 // the next target jumps
  std::atomic<bool> FNoSubscribe{false};  // set once the owner is being destroyed
};

}  // namespace dw
