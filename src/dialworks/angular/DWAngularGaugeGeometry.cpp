#include "dialworks/angular/DWAngularGaugeGeometry.h"

#include <algorithm>
#include <cmath>

#include "dialworks/host/Helpers.h"

namespace dw {

TDWDialAngles DWDialAngles(float AMinAngle, float AMaxAngle) {
  TDWDialAngles a;
  a.Start = 360 - RXNormalizeAngle(AMaxAngle);
  a.End = 360 - RXNormalizeAngle(AMinAngle);
  a.Sweep = 360 - RXNormalizeAngle(a.Start - a.End);
  return a;
}

bool DWDialIsFullCircle(float AMinAngle, float AMaxAngle) {
  return RXNormalizeAngle(AMinAngle) == RXNormalizeAngle(AMaxAngle);
}

float DWDialValueToAngle(const TDWDialAngles& A, bool AReversed, double AMin, double AMax, double AValue) {
  // Limited as the value model limits (a range may run downwards: Min above Max).
  const double lo = std::min(AMin, AMax), hi = std::max(AMin, AMax);
  double v = AValue;
  if (v < lo) v = lo;
  else if (v > hi) v = hi;
  const double span = AMax - AMin;
  double p = span != 0 ? (v - AMin) * 100 / span : 0;
  if (!std::isfinite(p)) p = 0;
  if (AReversed) p = 100 - p;
  return A.Start + float(A.Sweep * p / 100);
}

double DWDialAngleToValue(const TDWDialAngles& A, bool AReversed, double AMin, double AMax, float AAngle) {
  // Degrees clockwise from the start; the gap after the end belongs half to each end.
  float along = RXNormalizeAngle(AAngle - A.Start);
  if (along > A.Sweep) along = along - A.Sweep < (360 - A.Sweep) / 2 ? A.Sweep : 0;
  double p = A.Sweep > 0 ? along / A.Sweep : 0;
  if (AReversed) p = 1 - p;
  return AMin + (AMax - AMin) * p;
}

float DWDialTickAngle(const TDWDialAngles& A, uint32_t APosition, uint32_t ASteps) {
  return ASteps ? A.Start + A.Sweep * float(APosition) / float(ASteps) : A.Start;
}

std::vector<TDWRangeArc> DWDialRangeArcs(const TDWDialAngles& A, bool AReversed,
                                         std::span<const TDWRangeShare> AShares) {
  std::vector<TDWRangeArc> arcs;
  float left = A.Sweep;
  float at = AReversed ? A.End : A.Start;
  for (const TDWRangeShare& r : AShares) {
    if (!(left > 0)) break;
    if (!(r.Share > 0)) continue;
    const float length = std::min(r.Share * A.Sweep, left);
    arcs.push_back({at, AReversed ? -length : length, r.Color});
    at += AReversed ? -length : length;
    left -= length;
  }
  return arcs;
}

}  // namespace dw
