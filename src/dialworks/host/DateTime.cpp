#include "dialworks/host/DateTime.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <algorithm>

namespace dw {

namespace {

// Days between 1970-01-01 and 1899-12-30.
constexpr int64_t DaysTo1970 = 25569;

// Proleptic Gregorian day count relative to 1970-01-01 (H. Hinnant's civil algorithms).
int64_t DaysFromCivil(int64_t y, int m, int d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, int& y, int& m, int& d) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  d = int(doy - (153 * mp + 2) / 5 + 1);
  m = int(mp < 10 ? mp + 3 : mp - 9);
  y = int(yoe + era * 400 + (m <= 2));
}

// Day index (since 1899-12-30) of 0001-01-01 and 9999-12-31.
const int64_t MinDay = DaysFromCivil(1, 1, 1) + DaysTo1970;
const int64_t MaxDay = DaysFromCivil(9999, 12, 31) + DaysTo1970;

struct TSplit {
  int64_t Day = 0;   // calendar day index since 1899-12-30
  int64_t MSec = 0;  // milliseconds of the day
  bool Valid = false;
};

TSplit Split(TDateTime AValue) {
  TSplit s;
  if (!std::isfinite(AValue)) return s;
  const double dayPart = std::trunc(AValue);
  if (dayPart < double(MinDay) - 1 || dayPart > double(MaxDay) + 1) return s;
  s.Day = int64_t(dayPart);
  s.MSec = int64_t(std::llround(std::fabs(AValue - dayPart) * MSecsPerDay));
  if (s.MSec >= int64_t(MSecsPerDay)) {
    s.MSec -= int64_t(MSecsPerDay);
    s.Day += 1;
  }
  s.Valid = s.Day >= MinDay && s.Day <= MaxDay;
  if (!s.Valid) s = TSplit{};
  return s;
}

// Negative days carry the time of day as a negative fraction.
TDateTime FromDayAndMSec(int64_t ADay, int64_t AMSec) {
  const double time = double(AMSec) / MSecsPerDay;
  return ADay >= 0 ? double(ADay) + time : double(ADay) - time;
}

bool ReadDigits(std::string_view t, size_t& pos, size_t count, int& out) {
  if (pos + count > t.size()) return false;
  int v = 0;
  for (size_t i = 0; i < count; ++i) {
    const char c = t[pos + i];
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
  }
  pos += count;
  out = v;
  return true;
}

}  // namespace

bool IsLeapYear(int AYear) { return (AYear % 4 == 0 && AYear % 100 != 0) || AYear % 400 == 0; }

int DaysInMonth(int AYear, int AMonth) {
  static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (AMonth < 1 || AMonth > 12) return 0;
  return days[AMonth - 1] + (AMonth == 2 && IsLeapYear(AYear) ? 1 : 0);
}

bool TryEncodeDateTime(const TDateTimeParts& P, TDateTime& AResult) {
  if (P.Year < 1 || P.Year > 9999 || P.Month < 1 || P.Month > 12) return false;
  if (P.Day < 1 || P.Day > DaysInMonth(P.Year, P.Month)) return false;
  if (P.Hour < 0 || P.Hour > 23 || P.Minute < 0 || P.Minute > 59 || P.Second < 0 ||
      P.Second > 59 || P.MilliSecond < 0 || P.MilliSecond > 999)
    return false;
  const int64_t day = DaysFromCivil(P.Year, P.Month, P.Day) + DaysTo1970;
  AResult = FromDayAndMSec(day, ((P.Hour * 60 + P.Minute) * 60 + P.Second) * int64_t(1000) +
                                    P.MilliSecond);
  return true;
}

TDateTime EncodeDateTime(int AYear, int AMonth, int ADay, int AHour, int AMinute, int ASecond,
                         int AMilliSecond) {
  TDateTime r = 0;
  if (!TryEncodeDateTime({AYear, AMonth, ADay, AHour, AMinute, ASecond, AMilliSecond}, r)) return 0;
  return r;
}

TDateTime EncodeTime(int AHour, int AMinute, int ASecond, int AMilliSecond) {
  TDateTime r = 0;
  if (!TryEncodeDateTime({1899, 12, 30, AHour, AMinute, ASecond, AMilliSecond}, r)) return 0;
  return r;
}

TDateTimeParts DecodeDateTime(TDateTime AValue) {
  TDateTimeParts p;
  const TSplit s = Split(AValue);
  if (!s.Valid) return p;
  CivilFromDays(s.Day - DaysTo1970, p.Year, p.Month, p.Day);
  int64_t ms = s.MSec;
  p.MilliSecond = int(ms % 1000);
  ms /= 1000;
  p.Second = int(ms % 60);
  ms /= 60;
  p.Minute = int(ms % 60);
  p.Hour = int(ms / 60);
  return p;
}

int HourOf(TDateTime AValue) { return DecodeDateTime(AValue).Hour; }
int MinuteOf(TDateTime AValue) { return DecodeDateTime(AValue).Minute; }
int SecondOf(TDateTime AValue) { return DecodeDateTime(AValue).Second; }
int MilliSecondOf(TDateTime AValue) { return DecodeDateTime(AValue).MilliSecond; }
int MilliSecondOfTheDay(TDateTime AValue) { return int(Split(AValue).MSec); }
int SecondOfTheDay(TDateTime AValue) { return MilliSecondOfTheDay(AValue) / 1000; }

double TimeOf(TDateTime AValue) {
  if (!std::isfinite(AValue)) return 0;
  return std::fabs(AValue - std::trunc(AValue));
}

std::string DateTimeToISO(TDateTime AValue) {
  const TDateTimeParts p = DecodeDateTime(AValue);
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03d", p.Year, p.Month, p.Day,
                p.Hour, p.Minute, p.Second, p.MilliSecond);
  return text;
}

bool ISOToDateTime(std::string_view t, TDateTime& AResult) {
  TDateTimeParts p;
  size_t pos = 0;
  if (!ReadDigits(t, pos, 4, p.Year) || pos >= t.size() || t[pos++] != '-' ||
      !ReadDigits(t, pos, 2, p.Month) || pos >= t.size() || t[pos++] != '-' ||
      !ReadDigits(t, pos, 2, p.Day))
    return false;
  double fraction = 0;
  if (pos < t.size()) {
    if (t[pos] != 'T' && t[pos] != ' ') return false;
    ++pos;
    if (!ReadDigits(t, pos, 2, p.Hour) || pos >= t.size() || t[pos++] != ':' ||
        !ReadDigits(t, pos, 2, p.Minute))
      return false;
    if (pos < t.size()) {
      if (t[pos++] != ':' || !ReadDigits(t, pos, 2, p.Second)) return false;
      if (pos < t.size()) {
        if (t[pos] != '.' && t[pos] != ',') return false;
        ++pos;
        const size_t start = pos;
        double scale = 0.1;
        while (pos < t.size() && t[pos] >= '0' && t[pos] <= '9' && pos - start < 9) {
          fraction += (t[pos] - '0') * scale;
          scale /= 10;
          ++pos;
        }
        if (pos == start || pos != t.size()) return false;
      }
    }
  }
  TDateTime check = 0;
  if (!TryEncodeDateTime(p, check)) return false;
  // Fractions are rounded to milliseconds; 23:59:59.9996 carries into the next day.
  int64_t day = DaysFromCivil(p.Year, p.Month, p.Day) + DaysTo1970;
  int64_t ms = ((p.Hour * 60 + p.Minute) * 60 + p.Second) * int64_t(1000) +
               std::llround(fraction * 1000.0);
  if (ms >= int64_t(MSecsPerDay)) {
    ms -= int64_t(MSecsPerDay);
    ++day;
  }
  if (day > MaxDay) return false;
  AResult = FromDayAndMSec(day, ms);
  return true;
}

TDateTime SystemNow() {
  using namespace std::chrono;
  const auto now = system_clock::now();
  const auto secs = time_point_cast<seconds>(now);
  int ms = int(duration_cast<milliseconds>(now - secs).count());
  if (ms < 0) ms = 0;
  const std::time_t tt = system_clock::to_time_t(secs);
  std::tm local{};
  if (!localtime_r(&tt, &local)) return 0;
  return EncodeDateTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                        local.tm_min, std::min(local.tm_sec, 59), ms);
}

}  // namespace dw
