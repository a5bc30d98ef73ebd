// What the examples check in their pictures: the colour on a gauge's dial at a value's angle.
#pragma once

#include <cmath>

#include "dialworks/dialworks.h"

namespace example {

// Whether some pixel on the ray from the dial's centre towards AValue, between the fractions
// AFrom and ATo of the dial's half size, is strongly red (the default hand, a red range).
inline bool RedAtValue(const dw::gp::Bitmap& ABitmap, const dw::TDWBasicAngularGauge& AGauge, double AValue,
                       float AFrom = 0.3f, float ATo = 0.6f) {
  const float w = float(AGauge.Width()), h = float(AGauge.Height());
  const float angle = AGauge.ValueToAngle(AGauge.Min(), AGauge.Max(), AValue) * float(M_PI) / 180;
  const float half = std::min(w, h) / 2;
  for (float f = AFrom; f <= ATo; f += 0.01f) {
    const int x = int(std::lround((w - 1) / 2 + std::cos(angle) * f * half));
    const int y = int(std::lround((h - 1) / 2 + std::sin(angle) * f * half));
    const dw::TAlphaColor c = ABitmap.GetPixel(x, y);
    if (dw::GetRed(c) > 200 && dw::GetGreen(c) < 80 && dw::GetBlue(c) < 80) return true;
  }
  return false;
}

}  // namespace example
