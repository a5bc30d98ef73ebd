#include "dialworks/linear/DWLinearGaugeGeometry.h"

#include <algorithm>
#include <cmath>

namespace dw {

TDWLinearFrame DWLinearFrame(const TDWTransformParams& ATransform, float ABorder) {
  TDWLinearFrame f;
  f.Transform = ATransform;
  const float w = std::isfinite(ATransform.Width) ? std::max(ATransform.Width, 0.0f) : 0.0f;
  const float h = std::isfinite(ATransform.Height) ? std::max(ATransform.Height, 0.0f) : 0.0f;
  f.M = std::min(w, h);
  // The border may take at most half the shorter side: the inner area shrinks to nothing, never below.
  f.B = std::isfinite(ABorder) ? std::clamp(ABorder, 0.0f, f.M / 2) : 0.0f;
  f.HW = w / 2 - f.B;
  f.HH = h / 2 - f.B;
  f.Bh = f.B / 2;
  return f;
}

TDWLinearRail DWLinearRail(const TDWLinearFrame& F, float ALength, float AShiftY, float AX) {
  TDWLinearRail r;
  const float inner = 2 * F.HH;
  // A rail is at most the inner height long; NaN sizes count as nothing.
  r.L = std::isfinite(ALength) ? std::clamp(ALength, 0.0f, inner) : 0.0f;
  const float shift = std::isfinite(AShiftY) ? AShiftY : 0.0f;
  r.T = 2 * F.Bh + (inner - r.L) / 2 + shift;
  r.X = 2 * F.Bh + (std::isfinite(AX) ? AX : 0.0f);
  return r;
}

float DWLinearFraction(double AMin, double AMax, double AValue) {
  const double span = AMax - AMin;
  if (span == 0 || !std::isfinite(span)) return 0;
  const double f = (AValue - AMin) / span;
  if (std::isnan(f)) return 0;
  // Values far outside the range keep their side without reaching float infinity.
  return float(std::clamp(f, -1e6, 1e6));
}

float DWLinearHandY(const TDWLinearRail& R, float AFraction, bool AReversed) {
  float f = std::isnan(AFraction) ? 0.0f : AFraction;
  if (AReversed) f = 1 - f;
  f = std::clamp(f, 0.0f, 1.0f);
  return R.T + R.L - (R.L + 0.5f) * f;
}

double DWLinearDragValue(const TDWLinearRail& R, float AY, bool AReversed, double ALo, double AHi) {
  float f = (R.T + R.L - AY) / (R.L + 0.5f);
  f = std::isnan(f) ? 1.0f : std::clamp(f, 0.0f, 1.0f);
  if (AReversed) f = 1 - f;
  return ALo + (AHi - ALo) * double(f);
}

double DWLinearWheelValue(double AValue, int AStep, double ALo, double AHi) {
  const double lo = std::min(ALo, AHi), hi = std::max(ALo, AHi);
  double v = AValue + (AHi - ALo) * AStep * 0.01;
  if (std::isnan(v)) v = lo;
  return std::clamp(v, lo, hi);
}

}  // namespace dw
