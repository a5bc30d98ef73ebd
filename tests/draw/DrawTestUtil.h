// Helpers for pixel probes on rendered bitmaps.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>

#include "dialworks/draw/Bitmap.h"

namespace dw::test {

// True when every channel of a and b differs by at most tol.
inline bool Near(TAlphaColor a, TAlphaColor b, int tol) {
  for (int s = 0; s < 32; s += 8)
    if (std::abs(int((a >> s) & 255) - int((b >> s) & 255)) > tol) return false;
  return true;
}

inline ::testing::AssertionResult ColorNear(TAlphaColor actual, TAlphaColor expected, int tol) {
  if (Near(actual, expected, tol)) return ::testing::AssertionSuccess();
  char buf[96];
  std::snprintf(buf, sizeof buf, "got 0x%08X, expected 0x%08X (+-%d)", unsigned(actual), unsigned(expected), tol);
  return ::testing::AssertionFailure() << buf;
}

// The box (l, t, r, b inclusive) of pixels with alpha above the threshold; l > r when none.
struct InkBox {
  int l = 1 << 30, t = 1 << 30, r = -1, b = -1;
  bool Empty() const { return r < l; }
};
inline InkBox Ink(const gp::Bitmap& bmp, int alphaAbove = 0) {
  InkBox box;
  for (int y = 0; y < bmp.Height(); ++y)
    for (int x = 0; x < bmp.Width(); ++x)
      if (GetAlpha(bmp.GetPixel(x, y)) > alphaAbove) {
        box.l = std::min(box.l, x); box.r = std::max(box.r, x);
        box.t = std::min(box.t, y); box.b = std::max(box.b, y);
      }
  return box;
}

inline int Luma(TAlphaColor c) { return (GetRed(c) * 3 + GetGreen(c) * 6 + GetBlue(c)) / 10; }

}  // namespace dw::test
