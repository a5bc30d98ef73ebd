#include "dialworks/host/Helpers.h"

#include <algorithm>
#include <limits>

namespace dw {

namespace {

template <class T>
bool LimitTo(T& AValue, T AMin, T AMax, bool AApply) {
  if (!AApply) return false;
  if constexpr (std::is_floating_point_v<T>) {
    // NaN ends limit nothing on their side.
    const bool hasMin = !std::isnan(AMin), hasMax = !std::isnan(AMax);
    if (hasMin && hasMax && AMin > AMax) std::swap(AMin, AMax);
    if (std::isnan(AValue)) {
      const T replacement = hasMin ? AMin : (hasMax ? AMax : T(0));
      AValue = replacement;
      return true;
    }
    if (hasMin && AValue < AMin) {
      AValue = AMin;
      return true;
    }
    if (hasMax && AValue > AMax) {
      AValue = AMax;
      return true;
    }
    return false;
  } else {
    if (AMin > AMax) std::swap(AMin, AMax);
    const T old = AValue;
    AValue = std::clamp(AValue, AMin, AMax);
    return AValue != old;
  }
}

template <class T>
T Fold(T ADegrees) {
  if (!std::isfinite(ADegrees)) return T(0);
  T r = std::fmod(ADegrees, T(360));
  if (r < 0) r += T(360);
  // A tiny negative input can round up to exactly 360 after the addition.
  if (r >= T(360)) r = T(0);
  return r;
}

template <class T>
T FoldSmall(T ADegrees) {
  T r = Fold(ADegrees);
  if (r > T(180)) r -= T(360);
  return r;
}

template <class T>
T HalfEven(T AValue) {
  if (!std::isfinite(AValue)) return AValue;
  const T lower = std::floor(AValue);
  const T diff = AValue - lower;  // exact for binary floating point
  if (diff < T(0.5)) return lower;
  if (diff > T(0.5)) return lower + T(1);
  return std::fmod(lower, T(2)) == T(0) ? lower : lower + T(1);
}

}  // namespace

bool RXMinMax(double& AValue, double AMin, double AMax, bool AApply) {
  return LimitTo(AValue, AMin, AMax, AApply);
}
bool RXMinMax(float& AValue, float AMin, float AMax, bool AApply) {
  return LimitTo(AValue, AMin, AMax, AApply);
}
bool RXMinMax(int64_t& AValue, int64_t AMin, int64_t AMax, bool AApply) {
  return LimitTo(AValue, AMin, AMax, AApply);
}

float RXNormalizeAngle(float ADegrees) { return Fold(ADegrees); }
double RXNormalizeAngle(double ADegrees) { return Fold(ADegrees); }
float RXNormalizeSmallAngle(float ADegrees) { return FoldSmall(ADegrees); }
double RXNormalizeSmallAngle(double ADegrees) { return FoldSmall(ADegrees); }

double RXRoundHalfEven(double AValue) { return HalfEven(AValue); }
float RXRoundHalfEven(float AValue) { return HalfEven(AValue); }

int RXRoundHalfEvenToInt(double AValue) {
  if (std::isnan(AValue)) return 0;
  const double r = HalfEven(AValue);
  if (r <= double(std::numeric_limits<int>::min())) return std::numeric_limits<int>::min();
  if (r >= double(std::numeric_limits<int>::max())) return std::numeric_limits<int>::max();
  return int(r);
}

int64_t RXRoundHalfEvenToInt64(double AValue) {
  if (std::isnan(AValue)) return 0;
  const double r = HalfEven(AValue);
  // 2^63 is exactly representable; anything at or above it does not fit.
  if (r >= 9223372036854775808.0) return std::numeric_limits<int64_t>::max();
  if (r <= -9223372036854775808.0) return std::numeric_limits<int64_t>::min();
  return int64_t(r);
}

}  // namespace dw
