// Host services: timers, the animation clock, local time, repaint requests and posting work to the
// user-interface thread. Instruments never start threads or read the system clock themselves; they
// ask the installed host (HostServices()).
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "dialworks/Export.h"
#include "dialworks/host/DateTime.h"

namespace dw {

class TKVBasicControl;

// A rectangle of a control to repaint, in whole pixels of the control.
struct DW_API TRepaintRect {
  int Left = 0, Top = 0, Width = 0, Height = 0;
  bool IsEmpty() const { return Width <= 0 || Height <= 0; }
  bool operator==(const TRepaintRect&) const = default;
};

// A periodic timer. A new timer starts enabled with an interval of 1000 ms; Enabled and Interval
// may be changed at any time, from any thread, also from inside the expiry callback. Switching it
// on when it was off, changing the interval and Reset restart the countdown; switching on a timer
// that is already on changes nothing (instruments switch their refresh timer on at every animation
// tick, so a host that restarted it there would never fire it while a hand moves). The expiry
// callback runs on the user-interface thread. Intervals are whole milliseconds from 1 to
// MaxInterval: fractions round halves to even, smaller values (zero, negative) become 1, larger
// ones MaxInterval, NaN is ignored.
// Destroying the timer stops it; no callback starts after the destructor has returned (when it is
// destroyed from inside its own callback, that running call simply finishes).
class DW_API IRelaxedTimer {
 public:
  using TTimerEvent = std::function<void()>;
  static constexpr uint32_t DefaultInterval = 1000;
  static constexpr uint32_t MaxInterval = 0x7FFFFFFF;

  virtual ~IRelaxedTimer() = default;
  virtual bool Enabled() const = 0;
  virtual void SetEnabled(bool AValue) = 0;
  virtual uint32_t Interval() const = 0;
  virtual void SetInterval(double AMilliseconds) = 0;
  virtual void SetOnTimer(TTimerEvent AEvent) = 0;
  // Restarts the countdown (the next expiry is one full interval from now); no effect while disabled.
  virtual void Reset() = 0;

  // The interval policy above: NaN gives the fallback (the current interval).
  static uint32_t LimitInterval(double AMilliseconds, uint32_t AFallback);
};

// Shared animation clock: every subscriber is called once per tick, in subscription order, until
// it unsubscribes. Ticks come about 60 times a second by default (SetInterval). The clock does no
// work while nobody is subscribed. Ticks run on a thread of the host's choosing (the clock thread
// of TThreadedHost, the user-interface thread of the Qt host), so subscribers lock what they share.
// Subscribe and Unsubscribe are safe from any thread and from
// inside a tick; a subscriber added during a tick is first called on the next tick. After
// Unsubscribe returns its callback is not running and will not run again, unless Unsubscribe was
// called from inside that very callback (which then just finishes). Unsubscribe from another
// thread waits for a running call of that callback, so do not unsubscribe while holding a lock
// the callback takes. Unknown handles, zero and double unsubscribes are ignored.
class DW_API TAnimationClock {
 public:
  using THandle = uint64_t;
  using TTickEvent = std::function<void()>;
  static constexpr THandle NoHandle = 0;
  static constexpr double DefaultInterval = 1000.0 / 60.0;  // ms

  TAnimationClock() = default;
  TAnimationClock(const TAnimationClock&) = delete;
  TAnimationClock& operator=(const TAnimationClock&) = delete;
  virtual ~TAnimationClock();

  THandle Subscribe(TTickEvent AEvent);
  // True when the handle was subscribed.
  bool Unsubscribe(THandle AHandle);
  bool IsSubscribed(THandle AHandle) const;
  size_t SubscriberCount() const;
  bool Active() const { return SubscriberCount() > 0; }

  // Milliseconds between ticks, limited to 1..1000; NaN is ignored.
  double Interval() const;
  void SetInterval(double AMilliseconds);

  // Calls every current subscriber once. The host's driver calls it; ticks never overlap.
  void Tick();

  // Expires when the clock is destroyed: a subscriber that may outlive the clock's host (handles
  // mean nothing to another clock) checks it before unsubscribing.
  std::weak_ptr<const void> Lifetime() const { return FLifetime; }

 protected:
  // Told (outside the clock's lock) when the first subscriber arrives or the last one leaves, and
  // when the interval changes, so the driver can start, stop or re-time its ticks.
  virtual void ActivityChanged(bool /*AActive*/) {}
  virtual void IntervalChanged() {}

 private:
  struct TEntry;
  mutable std::mutex FLock;
  std::condition_variable FIdle;
  std::mutex FTickLock;  // serialises Tick
  std::map<THandle, std::shared_ptr<TEntry>> FEntries;
  THandle FNextHandle = 1;
  double FInterval = DefaultInterval;
  std::shared_ptr<TEntry> FRunning;  // entry whose callback runs now
  std::thread::id FTickThread;
  std::shared_ptr<const void> FLifetime = std::make_shared<char>(0);
};

class DW_API IHostServices {
 public:
  virtual ~IHostServices() = default;
  virtual std::unique_ptr<IRelaxedTimer> CreateTimer() = 0;
  virtual TAnimationClock& AnimationClock() = 0;
  // Local date-time.
  virtual TDateTime Now() = 0;
  // May be called from any thread; the control is identified by its address only (never touched
  // by the host on the calling thread). A host that shows controls in windows keeps its own map
  // from control addresses to the window that shows each (a whole form: every component of it) and
  // looks the address up on the user-interface thread, so a control destroyed while a request for
  // it waits is simply not found. Elements of an instrument ask for their own repaint and then for
  // the instrument's (TRXComponentElement::InvalidateOwner), so a host need only know the
  // controls it shows. Requests may be coalesced: one paint after several requests is enough.
  virtual void RequestRepaint(TKVBasicControl& AControl) = 0;
  // Repaint of only a part of the control: ARect in the control's own pixels (0, 0 at its top
  // left corner, before any device scale). Hosts that cannot repaint parts repaint the whole
  // control (the default). Any thread, as above.
  virtual void RequestRepaint(TKVBasicControl& AControl, const TRepaintRect& ARect) {
    (void)ARect;
    RequestRepaint(AControl);
  }
  // A control asks for the keyboard focus: a control hand, on the mouse down it takes, names the
  // instrument it belongs to. UI thread only (it comes from a mouse event the host delivered).
  // Hosts without focus handling ignore it (the default).
  virtual void RequestFocus(TKVBasicControl& AControl) { (void)AControl; }
  // Runs AProc later on the user-interface thread, in the order posted. Safe from any thread;
  // procedures still queued when the host is destroyed are dropped, never run.
  virtual void Post(std::function<void()> AProc) = 0;
};

// The installed host. Without SetHostServices (or after SetHostServices(nullptr)) it is a
// process-wide TManualHost (virtual time starting at TDateTime 0, no timer fires until someone
// calls Advance on it): programs that need real time install a TThreadedHost or their own host.
DW_API IHostServices& HostServices();
DW_API void SetHostServices(IHostServices* AHost);
// Uninstalls AHost when it is the installed one (hosts call it from their destructors).
DW_API void UninstallHostServices(IHostServices* AHost);
// The built-in default host (the one used when none is installed).
class TManualHost;
DW_API TManualHost& DefaultManualHost();

// Repaint bookkeeping shared by the hosts: counts requests per control address. Thread-safe.
class DW_API TRepaintCounter {
 public:
  void Add(const TKVBasicControl& AControl);
  uint64_t Count(const TKVBasicControl& AControl) const;
  uint64_t Total() const;
  void Clear();

 private:
  mutable std::mutex FLock;
  std::map<const TKVBasicControl*, uint64_t> FCounts;
  uint64_t FTotal = 0;
};

// Guards an object that other threads may be calling into while it is destroyed. Enter succeeds
// while the guard is alive and counts the caller in; Leave counts it out. Kill marks it dead and
// waits until no other thread is inside (calls on the killing thread itself are left to finish,
// so an object may be destroyed from inside its own callback). Never hold a lock in Kill's caller
// that the guarded callback takes.
class DW_API TLifeGuard {
 public:
  bool Enter();
  void Leave();
  void Kill();
  bool Alive() const;

 private:
  mutable std::mutex FLock;
  std::condition_variable FDone;
  std::vector<std::thread::id> FRunners;
  bool FAlive = true;
};

// A callback behind a TLifeGuard. The callback is copied before it runs, so it may be replaced or
// killed from inside.
class DW_API TCallbackSlot {
 public:
  void Set(std::function<void()> AProc);
  // False when dead or empty (nothing ran).
  bool Invoke();
  void Kill();
  bool Alive() const { return FGuard.Alive(); }

 private:
  TLifeGuard FGuard;
  mutable std::mutex FLock;
  std::function<void()> FProc;
};

}  // namespace dw
