// Arithmetic on premultiplied ARGB32 pixels for the code that writes image pixels itself.
#pragma once

#include <cstdint>

#include "dialworks/draw/Types.h"

namespace dw::gp {

// Each 8-bit channel times k / 255, rounded; two channels at a time in 16-bit lanes.
inline uint32_t ScalePixel(uint32_t v, uint32_t k) {
  auto lanes = [k](uint32_t w) {
    const uint32_t t = (w & 0x00FF00FF) * k + 0x00800080;
    return ((t + ((t >> 8) & 0x00FF00FF)) >> 8) & 0x00FF00FF;
  };
  return lanes(v) | lanes(v >> 8) << 8;
}

// Source over destination.
inline uint32_t OverPixel(uint32_t src, uint32_t dst) { return src + ScalePixel(dst, 255 - (src >> 24)); }

inline uint32_t PremultipliedPixel(TAlphaColor c) {
  const uint32_t a = GetAlpha(c);
  auto pre = [a](uint32_t v) { return (v * a + 127) / 255; };
  return a << 24 | pre(GetRed(c)) << 16 | pre(GetGreen(c)) << 8 | pre(GetBlue(c));
}

}  // namespace dw::gp
