// Virtual-time host for tests and frame-by-frame rendering. Nothing happens on its own: Advance(ms)
// moves virtual time forward and fires, on the calling thread and in time order, every timer
// expiry and animation tick that falls due. Events due at the same moment run in the order they
// were armed (a timer is armed when it is created enabled, switched on, reset, given a new
// interval or re-armed after an expiry; the clock when its first subscriber arrives and after each
// tick). A callback that arms a timer or subscribes to the clock during Advance is honoured in the
// same call when its due time is reached. Posted procedures run at the start of Advance, after
// every event and at its end, or explicitly with RunPosted. Fully deterministic.
//
// Timer and clock operations are thread-safe; Advance itself is meant for one thread (a nested
// call from inside a callback is ignored). Timers may outlive the host; they are inert afterwards.
#pragma once

#include <functional>
#include <map>
#include <memory>

#include "dialworks/Export.h"
#include "dialworks/host/HostServices.h"

namespace dw {

class DW_API TManualHost : public IHostServices {
 public:
  TManualHost();
  ~TManualHost() override;  // uninstalls itself when installed
  TManualHost(const TManualHost&) = delete;
  TManualHost& operator=(const TManualHost&) = delete;

  std::unique_ptr<IRelaxedTimer> CreateTimer() override;
  TAnimationClock& AnimationClock() override;
  // The date-time set by SetNow (0 by default) plus the virtual time advanced since.
  TDateTime Now() override;
  using IHostServices::RequestRepaint;
  void RequestRepaint(TKVBasicControl& AControl) override;
  // Counted and handed to the handler like a whole repaint; the part is kept (TakeDirty).
  void RequestRepaint(TKVBasicControl& AControl, const TRepaintRect& ARect) override;
  // Recorded only (a manual host has no keyboard focus to move).
  void RequestFocus(TKVBasicControl& AControl) override;
  void Post(std::function<void()> AProc) override;

  // Moves virtual time by AMilliseconds (fractions allowed, resolution 1 µs); NaN, negative and
  // infinite amounts do nothing, larger amounts than MaxAdvance (about 31 years) are limited.
  void Advance(double AMilliseconds);
  static constexpr double MaxAdvance = 1e12;
  // Virtual milliseconds since construction.
  double Elapsed() const;
  void SetNow(TDateTime AValue);

  uint64_t RepaintCount(const TKVBasicControl& AControl) const;
  uint64_t RepaintCount() const;  // all controls
  void ClearRepaintCounts();
  // Focus requests so far and the control named by the last one (null: none yet).
  uint64_t FocusRequestCount() const;
  const TKVBasicControl* LastFocusRequest() const;
  // Called synchronously (on the requesting thread) for each repaint request, after counting.
  void SetOnRepaint(std::function<void(TKVBasicControl&)> AHandler);
  // What was asked to be repainted of a control since the last TakeDirty for it: nothing, all of
  // it (Whole) or the bounding rectangle of the parts asked for.
  struct TDirty {
    bool Whole = false;
    TRepaintRect Part;
    bool IsEmpty() const { return !Whole && Part.IsEmpty(); }
  };
  TDirty TakeDirty(const TKVBasicControl& AControl);

  // Runs the procedures posted so far (not those they post in turn); returns how many ran.
  size_t RunPosted();
  size_t PostedCount() const;
  // Timers currently enabled (for tests: "the refresh timer stopped").
  size_t EnabledTimerCount() const;

  struct TCore;  // shared with the timers and the clock

 private:
  std::shared_ptr<TCore> FCore;
  std::unique_ptr<TAnimationClock> FClock;
  TRepaintCounter FRepaints;
  std::function<void(TKVBasicControl&)> FOnRepaint;
  mutable std::mutex FRepaintHandlerLock;
  uint64_t FFocusRequests = 0;  // both under FRepaintHandlerLock
  const TKVBasicControl* FLastFocus = nullptr;
  std::map<const TKVBasicControl*, TDirty> FDirty;  // under FRepaintHandlerLock
  void Repainted(TKVBasicControl& AControl, const TRepaintRect* APart);
};

}  // namespace dw
