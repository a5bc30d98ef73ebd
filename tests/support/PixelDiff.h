// Pixel comparisons the test programs share.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "dialworks/draw/Bitmap.h"

namespace dwtest {

// The largest difference of one 8-bit channel between two pixels (straight or premultiplied).
inline int ChannelDiff(uint32_t a, uint32_t b) {
  int worst = 0;
  for (int s = 0; s < 32; s += 8) worst = std::max(worst, std::abs(int((a >> s) & 255) - int((b >> s) & 255)));
  return worst;
}

// The largest ChannelDiff between two bitmaps of one size.
inline int WorstDifference(const dw::gp::Bitmap& a, const dw::gp::Bitmap& b) {
  int worst = 0;
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width(); ++x) worst = std::max(worst, ChannelDiff(a.GetPixel(x, y), b.GetPixel(x, y)));
  return worst;
}

// The number of pixels that differ at all between two bitmaps of one size.
inline int DifferingPixels(const dw::gp::Bitmap& a, const dw::gp::Bitmap& b) {
  int n = 0;
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width(); ++x) n += a.GetPixel(x, y) != b.GetPixel(x, y);
  return n;
}

}  // namespace dwtest
