#include "dialworks/host/Rotation.h"

#include <algorithm>
#include <cmath>

#include "dialworks/host/Helpers.h"

namespace dw {

void TDWRotation::SetAngle(float AValue) {
  if (!std::isfinite(AValue) || AValue == FAngle) return;
  FAngle = AValue;
  Changed();
}

void TDWRotation::SetThickness(float AValue) {
  if (std::isnan(AValue)) return;
  AValue = std::clamp(AValue, 0.01f, 1.0f);
  if (AValue == FThickness) return;
  FThickness = AValue;
  Changed();
}

void TDWRotation::Assign(const TDWRotation& ASource) {
  if (&ASource == this || *this == ASource) return;
  FAngle = ASource.FAngle;
  FThickness = ASource.FThickness;
  Changed();
}

void TDWRotation::Changed() {
  if (FOnChange) FOnChange();
}

float TDWRotation::NormalizedAngle() const { return RXNormalizeAngle(FAngle); }

int TDWRotation::QuarterTurns() const {
  const double a = RXNormalizeAngle(double(FAngle));
  const double q = std::round(a / 90.0);
  if (std::fabs(a - q * 90.0) > 0.01) return -1;
  return int(q) % 4;
}

TDWTransformParams RXCalcTransformParams(const TDWRotation& ARotation, float AWidth,
                                         float AHeight) {
  TDWTransformParams p;
  const double W = AWidth > 0 && std::isfinite(AWidth) ? AWidth : 0.0;
  const double H = AHeight > 0 && std::isfinite(AHeight) ? AHeight : 0.0;
  if (W <= 0 || H <= 0) return p;

  double c, s, fw, fh;
  const int q = ARotation.QuarterTurns();
  if (q >= 0) {
    // Exact factors for quarter turns: no rounding noise in the matrix.
    static const double cosQ[4] = {1, 0, -1, 0}, sinQ[4] = {0, 1, 0, -1};
    c = cosQ[q];
    s = sinQ[q];
    p.Turned = (q % 2) == 1;
    fw = p.Turned ? H : W;
    fh = p.Turned ? W : H;
  } else {
    const double a = RXGetRadian(double(ARotation.NormalizedAngle()));
    c = std::cos(a);
    s = std::sin(a);
    // The longest frame of thickness t whose turned bounding box fits W x H:
    // L·|cos| + t·|sin| <= W and L·|sin| + t·|cos| <= H.
    const double ac = std::fabs(c), as = std::fabs(s);
    // A thickness that leaves no room for a frame a pixel long (a thick frame in a narrow control)
    // is reduced to what does.
    const double room = std::min((W - ac) / as, (H - as) / ac);
    const double t = std::max(std::min(double(ARotation.Thickness()) * H, room), std::min(1.0, H));
    const double l = std::min((W - t * as) / ac, (H - t * ac) / as);
    fw = std::max(1.0, l);
    fh = t;
  }
  p.Width = float(fw);
  p.Height = float(fh);

  // Frame centre to control centre, turned counter-clockwise on screen (y down):
  // x' = c·x + s·y, y' = −s·x + c·y.
  const double cx = W / 2, cy = H / 2, fx = fw / 2, fy = fh / 2;
  p.Matrix = gp::Matrix(float(c), float(-s), float(s), float(c), float(cx - (c * fx + s * fy)),
                        float(cy - (-s * fx + c * fy)));
  p.BackMatrix = gp::Matrix(float(c), float(s), float(-s), float(c), float(fx - (c * cx - s * cy)),
                            float(fy - (s * cx + c * cy)));
  return p;
}

TDWTransformParams RXCalcTransformBackParams(const TDWRotation& ARotation, float AWidth,
                                             float AHeight) {
  return RXCalcTransformParams(ARotation, AWidth, AHeight);
}

}  // namespace dw
