#include "dialworks/foundation/DWClockTime.h"

#include <cmath>
#include <limits>

namespace dw {

namespace {
constexpr int64_t MSecsPerDayI = 86400000;

TDWTimeOfDay FromMilliSeconds(int64_t AMs) {
  TDWTimeOfDay t;
  t.MilliSecond = int(AMs % 1000);
  AMs /= 1000;
  t.Second = int(AMs % 60);
  AMs /= 60;
  t.Minute = int(AMs % 60);
  t.Hour = int(AMs / 60);
  return t;
}
}  // namespace

TDWTimeOfDay DWDecodeTimeOfDay(TDateTime AValue) {
  // MilliSecondOfTheDay rounds, carries 23:59:59.9996 into the next day and gives 0 for NaN,
  // infinities and dates out of range.
  const int64_t ms = MilliSecondOfTheDay(AValue);
  if (!(ms >= 0 && ms < MSecsPerDayI)) return {};
  return FromMilliSeconds(ms);
}

TDWTimeOfDay DWNormalizeTimeOfDay(int64_t AHour, int64_t AMinute, int64_t ASecond, int64_t AMilliSecond) {
  // Fields beyond a few days' worth only matter modulo a day; reducing each one first keeps the
  // sum far from overflow.
  const int64_t ms = AMilliSecond < 0 ? 0 : (AMilliSecond > 999 ? 999 : AMilliSecond);
  const bool leap = ASecond == 60;
  const int64_t sec = leap ? 59 : ASecond;
  int64_t total = (AHour % 24) * 3600000 + (AMinute % 1440) * 60000 + (sec % 86400) * 1000 + ms;
  total %= MSecsPerDayI;
  if (total < 0) total += MSecsPerDayI;
  TDWTimeOfDay t = FromMilliSeconds(total);
  if (leap) t.MilliSecond = 999;  // held at the end of second 59 through the leap second
  return t;
}

TDateTime DWReplaceTimeOfDay(TDateTime ATime, double ANewTimeOfDay) {
  double frac = std::isfinite(ANewTimeOfDay) ? ANewTimeOfDay - std::floor(ANewTimeOfDay) : 0.0;
  if (frac >= 1.0) frac = 0.0;  // a tiny negative input rounds up to exactly 1
  if (!std::isfinite(ATime)) return frac;
  const double day = std::trunc(ATime);
  // Dates before 1899-12-30 carry their time of day as a negative fraction; day 0 counts as
  // positive whatever the sign of the input.
  return ATime < 0 && day < 0 ? day - frac : day + frac;
}

bool DWIsCurrentTime(TDWTimeSource ASource, bool APinConnected) {
  if (ASource == tsAuto && APinConnected) return false;
  return ASource != tsValue;
}

TDateTime DWShownTime(TDWTimeSource ASource, bool APinConnected, TDateTime AValue) {
  return DWIsCurrentTime(ASource, APinConnected) ? HostServices().Now() : AValue;
}

bool DWClockTimerRuns(TDWTimeSource ASource) { return ASource != tsValue; }

bool DWClockTickNeedsRedraw(bool ADiscreteSeconds, TDateTime ALast, TDateTime ANow) {
  if (!ADiscreteSeconds) return true;
  if (!std::isfinite(ALast) || !std::isfinite(ANow)) return true;
  if (DWDecodeTimeOfDay(ALast).Second != DWDecodeTimeOfDay(ANow).Second) return true;
  // Whole seconds between the two, from milliseconds so that 5.0 s counted in days does not
  // come out as 4.
  const double ms = std::round(std::fabs(ANow - ALast) * MSecsPerDay);
  return !(ms / 1000.0 < 6.0);
}

TDWClockTimer::TDWClockTimer(TTick ATick, std::function<bool()> ADiscreteSeconds, uint32_t AInterval)
    : FTick(std::move(ATick)),
      FDiscrete(std::move(ADiscreteSeconds)),
      FLastTime(std::numeric_limits<double>::quiet_NaN()) {
  FTimer = HostServices().CreateTimer();
  FTimer->SetInterval(AInterval);
  FTimer->SetOnTimer([this] { Tick(); });
  FTimer->SetEnabled(true);
}

TDWClockTimer::~TDWClockTimer() { Shutdown(); }

void TDWClockTimer::Shutdown() {
  FShutDown = true;
  std::unique_ptr<IRelaxedTimer> timer;
  {
    std::lock_guard lock(FLock);
    timer = std::move(FTimer);
  }
  timer.reset();  // waits for a running expiry; FLock is not held
}

bool TDWClockTimer::Enabled() const {
  std::lock_guard lock(FLock);
  return FTimer && FTimer->Enabled();
}

void TDWClockTimer::SetEnabled(bool AValue) {
  std::lock_guard lock(FLock);
  if (FTimer) FTimer->SetEnabled(AValue);
}

uint32_t TDWClockTimer::Interval() const {
  std::lock_guard lock(FLock);
  return FTimer ? FTimer->Interval() : 0;
}

void TDWClockTimer::SetInterval(double AMilliseconds) {
  std::lock_guard lock(FLock);
  if (FTimer) FTimer->SetInterval(AMilliseconds);
}

TDateTime TDWClockTimer::LastTime() const {
  std::lock_guard lock(FLock);
  return FLastTime;
}

void TDWClockTimer::Tick() {
  if (FShutDown) return;
  const TDateTime now = HostServices().Now();
  const bool discrete = FDiscrete && FDiscrete();
  bool redraw;
  {
    std::lock_guard lock(FLock);
    redraw = DWClockTickNeedsRedraw(discrete, FLastTime, now);
    if (redraw) FLastTime = now;
  }
  if (FTick) FTick(now, redraw);
}

}  // namespace dw
