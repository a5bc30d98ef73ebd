// Date-times as a double count of days: the integer part counts days since 1899-12-30, the
// fraction is the time of day (0.5 = noon). For dates before 1899-12-30 the integer part is
// negative and the time of day is the absolute value of the fraction (-1.25 = 1899-12-29 06:00).
// Decoding rounds to whole milliseconds.
#pragma once

#include "dialworks/Export.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace dw {

using TDateTime = double;

constexpr double MSecsPerDay = 86400000.0;
constexpr double SecsPerDay = 86400.0;

struct DW_API TDateTimeParts {
  int Year = 1899, Month = 12, Day = 30;
  int Hour = 0, Minute = 0, Second = 0, MilliSecond = 0;
  bool operator==(const TDateTimeParts&) const = default;
};

// False (and AResult untouched) for fields out of range: year 1..9999, month 1..12, day within
// the month, hour 0..23, minute and second 0..59, millisecond 0..999.
DW_API bool TryEncodeDateTime(const TDateTimeParts& AParts, TDateTime& AResult);
// Returns 0 for invalid fields.
DW_API TDateTime EncodeDateTime(int AYear, int AMonth, int ADay, int AHour = 0, int AMinute = 0,
                         int ASecond = 0, int AMilliSecond = 0);
// Time of day only (a fraction of a day); invalid fields give 0.
DW_API TDateTime EncodeTime(int AHour, int AMinute, int ASecond = 0, int AMilliSecond = 0);
// NaN, infinities and values outside years 1..9999 decode as 1899-12-30 00:00:00.000.
DW_API TDateTimeParts DecodeDateTime(TDateTime AValue);

DW_API int HourOf(TDateTime AValue);
DW_API int MinuteOf(TDateTime AValue);
DW_API int SecondOf(TDateTime AValue);
DW_API int MilliSecondOf(TDateTime AValue);
// Whole seconds since midnight (0..86399) and milliseconds since midnight (0..86399999).
DW_API int SecondOfTheDay(TDateTime AValue);
DW_API int MilliSecondOfTheDay(TDateTime AValue);
// The fraction part as a time of day in 0..1 (absolute value for negative date-times).
DW_API double TimeOf(TDateTime AValue);
DW_API bool IsLeapYear(int AYear);
DW_API int DaysInMonth(int AYear, int AMonth);

// "YYYY-MM-DDTHH:MM:SS.mmm" (local, no zone).
DW_API std::string DateTimeToISO(TDateTime AValue);
// Accepts "YYYY-MM-DD", optionally followed by 'T' or ' ' and "HH:MM", ":SS" and a fraction of 1
// to 9 digits (rounded to milliseconds). No zone suffix. False on anything else.
DW_API bool ISOToDateTime(std::string_view AText, TDateTime& AResult);

// The system clock as local date-time (for real-time hosts; instruments ask HostServices().Now()).
DW_API TDateTime SystemNow();

}  // namespace dw
