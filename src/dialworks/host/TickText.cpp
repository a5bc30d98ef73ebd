#include "dialworks/host/TickText.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace dw {

namespace {

constexpr unsigned MaxDigits = 15;
constexpr int MaxDecimals = 20;

std::string Format(const char* AFormat, int APrecision, double AValue) {
  char text[512];
  std::snprintf(text, sizeof text, AFormat, APrecision, AValue);
  std::string s = text;
  // A negative value that rounds to zero must not read "-0".
  if (!s.empty() && s[0] == '-' &&
      s.find_first_not_of("-0.", 1) == std::string::npos)
    s.erase(0, 1);
  return s;
}

void StripZeros(std::string& s) {
  if (s.find('.') == std::string::npos) return;
  while (!s.empty() && s.back() == '0') s.pop_back();
  if (!s.empty() && s.back() == '.') s.pop_back();
  if (s == "-0" || s.empty()) s.assign(1, '0');
}

// Number of integer digits of a positive span: 1 for 1..9.99, 3 for 100..999, 0 for 0.1..0.99,
// -2 for 0.001..0.0099.
int IntegerDigits(double ASpan) {
  int n = int(std::floor(std::log10(ASpan))) + 1;
  // log10 may land just below an exact power of ten.
  if (std::pow(10.0, n) <= ASpan) ++n;
  if (std::pow(10.0, n - 1) > ASpan) --n;
  return n;
}

}  // namespace

std::string MZGetScaleTickText(double AValue, double AUpper, double ALower, bool AFixedPrecision,
                               unsigned ADigits, bool AScientific) {
  if (!std::isfinite(AValue)) return {};
  const unsigned digits = std::min(ADigits, MaxDigits);
  if (AValue == 0) AValue = 0;  // -0.0 reads as 0
  if (AScientific) return Format("%.*e", int(std::max(digits, 1u)) - 1, AValue);
  if (std::fabs(AValue) >= 1e15) return Format("%.*g", 15, AValue);
  if (AFixedPrecision) return Format("%.*f", int(digits), AValue);

  double span = std::fabs(AUpper - ALower);
  if (!(span > 0) || !std::isfinite(span)) span = std::fabs(AValue);
  const int n = span > 0 ? IntegerDigits(span) : 1;
  const int decimals = std::clamp(int(digits) - n, 0, MaxDecimals);

  // Up to two more decimals when they show the value exactly; the tolerance absorbs values
  // accumulated in single precision.
  const double tolerance = std::max(span * 1e-6, std::fabs(AValue) * 1.2e-7);
  int chosen = decimals;
  for (int extra = 0; extra <= 2; ++extra) {
    const int d = std::min(decimals + extra, MaxDecimals);
    const double shown = std::strtod(Format("%.*f", d, AValue).c_str(), nullptr);
    if (std::fabs(shown - AValue) <= tolerance) {
      chosen = d;
      break;
    }
  }
  std::string text = Format("%.*f", chosen, AValue);
  StripZeros(text);
  return text;
}

}  // namespace dw
