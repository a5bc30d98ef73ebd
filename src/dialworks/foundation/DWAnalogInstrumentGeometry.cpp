#include "dialworks/foundation/DWAnalogInstrumentGeometry.h"

#include <algorithm>
#include <cmath>

#include "dialworks/host/Helpers.h"

namespace dw {

TDWHandPolygons DWHandPolygons(float len, float tail, float tip, float tw, float indent) {
  TDWHandPolygons p;
  const float half = tip / 2, tailHalf = (tip + tw) / 2;
  p.Full = {{{-tail, -tailHalf}, {len, -half}, {len, half}, {-tail, tailHalf}}};
  p.LeftBevel = {{{-tail + indent, -half}, {-tail, -tailHalf}, {len, -half}}};
  p.RightBevel = {{{-tail + indent, half}, {-tail, tailHalf}, {len, half}}};
  p.TailBevel = {{{-tail, -tailHalf}, {-tail, tailHalf}, {-tail + indent, half}, {-tail + indent, -half}}};
  p.TailIndent = indent;
  return p;
}

float DWFoldAngleOnce(float a) {
  if (a >= 0 && a < 360) return a;
  if (a < 0 && a >= -360) return a + 360;
  if (a >= 360 && a < 720) return a - 360;
  return RXNormalizeAngle(a);
}

namespace {
// 1 when the folded angle is at 180, falling to 0 at 0 and 360.
float Light(float a) { return 1 - std::fabs(180 - DWFoldAngleOnce(a)) / 180; }
uint8_t BevelAlpha(float x) { return uint8_t(std::clamp(RXRoundHalfEvenToInt(x * 170) + 20, 0, 255)); }
}  // namespace

TDWHandBevelAlphas DWHandBevelAlphas(float angle) {
  if (!std::isfinite(angle)) angle = 0;
  const float k1 = Light(angle - 45), k2 = Light(angle + 45), k3 = Light(angle + 135);
  TDWHandBevelAlphas a;
  a.Left = BevelAlpha((1 - k2) * 3 / 4 + k1 / 4);
  a.Right = BevelAlpha(k2 * 3 / 4 + k1 / 4);
  a.Tail = BevelAlpha(k3 * 3 / 4 + k1 / 4);
  return a;
}

bool DWHandAnimationStep(TDWHandMotion& m, float accel, float resist, bool fullCircle) {
  if (fullCircle) {
    m.Target = RXNormalizeAngle(m.Target);
    m.Current = RXNormalizeAngle(m.Current);
  }
  float d = m.Target - m.Current;
  if (fullCircle && std::fabs(d) > 180) d = d > 0 ? d - 360 : d + 360;
  m.Speed = (1 - resist) * m.Speed + d * accel;
  if (!std::isfinite(m.Speed)) {
    // A NaN or infinite angle would keep the hand "moving" forever: stop it where it can rest.
    m.Speed = 0;
    if (std::isfinite(m.Target)) m.Current = m.Target;
    else m.Target = m.Current = std::isfinite(m.Current) ? m.Current : 0.0f;
    return false;
  }
  if (std::fabs(m.Speed) < 0.00001f && std::fabs(d) < 0.1f) {
    m.Speed = 0;
    m.Current = m.Target;
    return false;
  }
  m.Current += m.Speed;
  return true;
}

gp::RectF DWPlaceElement(gp::SizeF size, gp::PointF pos, bool square, float rx, float ry, float w, float h) {
  return DWPlaceElementPixels(size.Width * (2 * rx), size.Height * (2 * ry), pos.X * rx, pos.Y * ry, square, w, h);
}

gp::RectF DWPlaceElementPixels(float ew, float eh, float ox, float oy, bool square, float w, float h) {
  if (square) ew = eh = std::min(ew, eh);
  const float x = ox + (w - 1) / 2 - ew / 2;
  const float y = oy + (h - 1) / 2 - eh / 2;
  return {x, y, ew, eh};
}

TDWMatrixPlacement DWPlaceMatrixLayer(gp::SizeF size, gp::PointF pos, int columns, int rows) {
  const float m = float(std::min(columns, rows));
  TDWMatrixPlacement p;
  p.Width = size.Width * m;
  p.Height = size.Height * m;
  p.Left = RXRoundHalfEvenToInt(double(pos.X * float(columns)));
  p.Top = RXRoundHalfEvenToInt(double(pos.Y * float(rows)));
  return p;
}

int DWRangePaletteIndex(TAlphaColor AColor) {
  for (size_t i = 0; i < kDWRangePalette.size(); ++i)
    if (kDWRangePalette[i] == AColor) return int(i);
  return -1;
}

TAlphaColor DWNewRangeColor(const TDWRangeColorCounts& ACounts) {
  // Red with an unreachable count is where the search starts, so it is chosen over the palette's
  // order only when every colour is already used that often.
  TAlphaColor best = 0xFFFF0000;
  size_t bestCount = 22000;
  for (size_t i = 0; i < kDWRangePalette.size(); ++i) {
    if (ACounts[i] < bestCount) {
      best = kDWRangePalette[i];
      bestCount = ACounts[i];
    }
  }
  return best;
}

TAlphaColor DWNewRangeColor(std::span<const TAlphaColor> existing) {
  TDWRangeColorCounts counts{};
  for (TAlphaColor c : existing)
    if (const int i = DWRangePaletteIndex(c); i >= 0) ++counts[size_t(i)];
  return DWNewRangeColor(counts);
}

}  // namespace dw
