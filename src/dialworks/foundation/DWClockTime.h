// The time model of clock instruments: where the shown time comes from (the host's clock or a
// value), the decoding of a date-time into the time of day the hands or digits show, and the
// clock timer that re-reads the host's time and decides when a tick needs a redraw.
//
// Time comes only from the host (HostServices().Now() and its timers), so a virtual-time host
// drives clocks exactly.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

#include "dialworks/Export.h"
#include "dialworks/framework/PropertyTable.h"
#include "dialworks/host/DateTime.h"
#include "dialworks/host/HostServices.h"

namespace dw {

enum TDWTimeSource : uint8_t { tsAuto, tsCurrentTime, tsValue };
DW_ENUM(TDWTimeSource, "tsAuto", "tsCurrentTime", "tsValue");

// A time of day, each field in its range (hour 0..23).
struct DW_API TDWTimeOfDay {
  int Hour = 0, Minute = 0, Second = 0, MilliSecond = 0;
  bool operator==(const TDWTimeOfDay&) const = default;
  int SecondOfDay() const { return (Hour * 60 + Minute) * 60 + Second; }
  int64_t MilliSecondOfDay() const { return int64_t(SecondOfDay()) * 1000 + MilliSecond; }
};

// The time of day of a date-time, rounded to whole milliseconds (23:59:59.9996 carries to the
// next midnight). The date part is ignored; for dates before 1899-12-30 the time of day is the
// absolute value of the fraction, as DateTime.h counts them (-1.25 is 06:00). NaN, infinities and
// date-times outside the years 1..9999 give midnight.
DW_API TDWTimeOfDay DWDecodeTimeOfDay(TDateTime AValue);
// A time of day from fields that may be out of range, as clocks fed by parts receive them:
// hour 24:00 is midnight; second 60 (a leap second) shows as second 59 of that minute (the
// clock holds for it); other overflowing or negative fields carry arithmetically and the result
// wraps within the day (minute 75 is an hour and 15 minutes; -1 second is 23:59:59.xxx of the
// day before). Milliseconds are limited to 0..999 first.
DW_API TDWTimeOfDay DWNormalizeTimeOfDay(int64_t AHour, int64_t AMinute, int64_t ASecond, int64_t AMilliSecond);
// ATime's time of day replaced by ANewTimeOfDay (a fraction of a day, wrapped into 0..1) while
// keeping the date part, with the sign convention of DateTime.h for dates before 1899-12-30.
// A non-finite ATime keeps no date (the result is the time of day alone).
DW_API TDateTime DWReplaceTimeOfDay(TDateTime ATime, double ANewTimeOfDay);

// Whether a clock shows the host's current time: tsCurrentTime always, tsValue never, tsAuto
// while its input pin is not connected (a clock without a pin counts as not connected).
DW_API bool DWIsCurrentTime(TDWTimeSource ASource, bool APinConnected);
// The shown date-time: the host's Now when DWIsCurrentTime, else AValue.
DW_API TDateTime DWShownTime(TDWTimeSource ASource, bool APinConnected, TDateTime AValue);
// Whether a clock's timer runs: for every source but tsValue. It follows the source alone, not
// the pin: nothing re-checks the timer when a pin is connected or disconnected, and a tsAuto
// clock whose pin goes away must pick up the host's time. While the pin decides, the ticks show
// Value (each tick asks for the shown time).
DW_API bool DWClockTimerRuns(TDWTimeSource ASource);

// Whether a tick at ANow needs a redraw after the last redraw at ALast. A clock whose finest
// moving part jumps by whole seconds (ADiscreteSeconds) redraws only when the second changed,
// or when more than 5 whole seconds passed with the same second (a jump of whole minutes:
// the system clock was set or the timer stalled). Continuous clocks redraw on every tick.
// Non-finite times always redraw.
DW_API bool DWClockTickNeedsRedraw(bool ADiscreteSeconds, TDateTime ALast, TDateTime ANow);

// The clock timer: every Interval ms it reads the host's Now and calls the owner's tick with it
// and whether it needs a redraw (DWClockTickNeedsRedraw against the time of the last redraw,
// which the timer then remembers). Created switched on. The discreteness is asked on every tick
// (the owner's seconds hand may change it at any time).
//
// Threads: the timer fires wherever the host fires timers (the user-interface thread for both
// built-in hosts). Shutdown, from the owner's destruction, stops it for good; the timer's
// destructor waits for a running callback, so never call Shutdown while holding a lock the
// tick takes.
class DW_API TDWClockTimer {
 public:
  static constexpr uint32_t DefaultInterval = 50;  // ms
  using TTick = std::function<void(TDateTime ANow, bool ARedraw)>;

  TDWClockTimer(TTick ATick, std::function<bool()> ADiscreteSeconds, uint32_t AInterval = DefaultInterval);
  ~TDWClockTimer();
  TDWClockTimer(const TDWClockTimer&) = delete;
  TDWClockTimer& operator=(const TDWClockTimer&) = delete;

  bool Enabled() const;
  void SetEnabled(bool AValue);
  uint32_t Interval() const;
  void SetInterval(double AMilliseconds);
  // Runs one tick now (as an expiry would).
  void Tick();
  // The time of the last tick that redrew (NaN before the first one, so the first tick redraws).
  TDateTime LastTime() const;
  void Shutdown();
  bool IsShutDown() const { return FShutDown.load(); }

 private:
  TTick FTick;
  std::function<bool()> FDiscrete;
  mutable std::mutex FLock;  // guards FTimer's pointer and FLastTime
  std::unique_ptr<IRelaxedTimer> FTimer;
  TDateTime FLastTime;
  std::atomic<bool> FShutDown{false};
};

// What a clock hands its clock elements (mirroring clocks, hand elements): the time it shows.
class DW_API IDWClockElement {
 public:
  virtual void SetTime(TDateTime ATime) = 0;

 protected:
  ~IDWClockElement() = default;
};

}  // namespace dw
