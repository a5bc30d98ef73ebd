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
  double v = AValue;
  if (v < AMin) v = AMin;
  else if (v > AMax) v = AMax;
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

TDWDialLayout DWDialLayout(float W, float H, bool ASquare, float AInset, gp::PointF ACenter) {
  TDWDialLayout l;
  if (!(W > 0)) W = 0;
  if (!(H > 0)) H = 0;
  l.Width = W;
  l.Height = H;
  if (ASquare) {
    l.Width = l.Height = std::min(W, H);
    l.ShiftX = (W - l.Width) / 2;
    l.ShiftY = (H - l.Height) / 2;
  }
  l.Size = std::min(l.Width, l.Height);
  l.Inset = std::isfinite(AInset) ? std::max(AInset, 0.0f) : 0.0f;
  l.Radius = std::max(l.Size / 2 - l.Inset, 0.0f);
  l.OffsetX = std::isfinite(ACenter.X) ? ACenter.X * l.Size : 0;
  l.OffsetY = std::isfinite(ACenter.Y) ? ACenter.Y * l.Size : 0;
  return l;
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
