// Scale tick label text.
#pragma once

#include "dialworks/Export.h"

#include <string>

namespace dw {

// Label text of a scale tick value. Pure: the result depends only on the arguments.
//
// The span is |AUpper − ALower| (the whole range for major labels, one interval for minor ones);
// when it is 0 the value's magnitude stands in for it. With n the number of integer digits of the
// span (1 for spans below 10, 3 for 100..999, −2 for 0.001..0.0099), the decimals are:
// - AFixedPrecision: exactly ADigits decimals ("0.00", "10.00" for 2).
// - otherwise: max(0, ADigits − n), so 0..100 with 2 digits reads "0", "10", ..., "100" and
//   0..1 reads "0", "0.1", ..., "1"; up to two further decimals are used when they show the value
//   exactly (0..10 in steps of 2.5 reads "2.5", "7.5"); trailing zeros and a trailing point are
//   removed. Values held in single precision (0.30000001) read as intended ("0.3").
// AScientific: exponent form with ADigits significant digits ("1.2e+06"); the instruments pass false.
// Never "-0"; NaN and infinities give an empty text; ADigits is limited to 15 (17 in total).
DW_API std::string MZGetScaleTickText(double AValue, double AUpper, double ALower, bool AFixedPrecision,
                               unsigned ADigits, bool AScientific = false);

}  // namespace dw
