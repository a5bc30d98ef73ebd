// Numeric helpers: range limiting, angle conversion and folding, rounding halves to even.
#pragma once

#include "dialworks/Export.h"

#include <cmath>
#include <cstdint>
#include <type_traits>

namespace dw {

// When AApply is true, limits AValue to the range between AMin and AMax. The ends may come in
// either order (the range is the span between them). A NaN value becomes the lower end; a NaN end
// limits nothing on its side. Returns true when AValue was changed.
DW_API bool RXMinMax(double& AValue, double AMin, double AMax, bool AApply = true);
DW_API bool RXMinMax(float& AValue, float AMin, float AMax, bool AApply = true);
DW_API bool RXMinMax(int64_t& AValue, int64_t AMin, int64_t AMax, bool AApply = true);

// Degrees <-> radians. Integers convert as float.
template <class T>
  requires std::is_arithmetic_v<T>
constexpr auto RXGetRadian(T ADegrees) {
  using R = std::conditional_t<std::is_floating_point_v<T>, T, float>;
  return R(ADegrees) * R(3.14159265358979323846L / 180.0L);
}
template <class T>
  requires std::is_arithmetic_v<T>
constexpr auto RXGetDegree(T ARadians) {
  using R = std::conditional_t<std::is_floating_point_v<T>, T, float>;
  return R(ARadians) * R(180.0L / 3.14159265358979323846L);
}

// Folds an angle in degrees into [0, 360); non-finite angles give 0.
DW_API float RXNormalizeAngle(float ADegrees);
DW_API double RXNormalizeAngle(double ADegrees);
// Folds an angle in degrees into (-180, 180]; non-finite angles give 0.
DW_API float RXNormalizeSmallAngle(float ADegrees);
DW_API double RXNormalizeSmallAngle(double ADegrees);

// Nearest integer value, halves to even (2.5 -> 2, 3.5 -> 4, -2.5 -> -2), independent of the
// floating-point rounding mode. NaN and infinities are returned unchanged.
DW_API double RXRoundHalfEven(double AValue);
DW_API float RXRoundHalfEven(float AValue);
// The same as an integer, limited to the int range; NaN gives 0.
DW_API int RXRoundHalfEvenToInt(double AValue);
DW_API int64_t RXRoundHalfEvenToInt64(double AValue);

}  // namespace dw
