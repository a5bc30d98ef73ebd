#include <cmath>

#include "dialworks/draw/Shading.h"

namespace dw {

TAlphaColor RXInterpolateColorF(TAlphaColor color1, TAlphaColor color2, float fraction) {
  if (!(fraction > 0)) return color1;  // NaN too
  if (fraction >= 1) return color2;
  TAlphaColor out = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    float a = float((color1 >> shift) & 255), b = float((color2 >> shift) & 255);
    auto v = TAlphaColor(std::lround(a + (b - a) * fraction));
    out |= std::min<TAlphaColor>(v, 255) << shift;
  }
  return out;
}

TAlphaColor RXDimColor(TAlphaColor color, float factor) {
  if (!(factor > 0)) return color;
  if (factor > 1) factor = 1;
  float keep = 1 - factor;
  auto ch = [&](int shift) { return TAlphaColor(std::lround(float((color >> shift) & 255) * keep)) << shift; };
  return (color & 0xFF000000u) | ch(16) | ch(8) | ch(0);
}

double RXSec(double angle) { return 1.0 / std::cos(angle); }
double RXCsc(double angle) { return 1.0 / std::sin(angle); }

}  // namespace dw
