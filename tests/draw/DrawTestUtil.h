// Helpers for pixel probes on rendered bitmaps.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>

#include "dialworks/draw/CairoGraphics.h"
#include "support/PixelDiff.h"

namespace dw::test {

using dwtest::ChannelDiff;

// True when every channel of a and b differs by at most tol.
inline bool Near(TAlphaColor a, TAlphaColor b, int tol) { return ChannelDiff(a, b) <= tol; }

// Paints ADraw anti-aliased into a new AWidth x AHeight bitmap cleared to ABackground. AThroughCairo
// draws on a Cairo subsurface of it (pixels that are not ours to write: Cairo draws everything);
// otherwise straight into it, with the pixel paths on or off whatever DW_PIXEL_PATHS says.
inline std::unique_ptr<gp::Bitmap> PaintVia(const std::function<void(gp::Graphics&)>& ADraw, int AWidth, int AHeight,
                                            TAlphaColor ABackground, bool AThroughCairo, bool APixelPaths) {
  auto bmp = std::make_unique<gp::Bitmap>(AWidth, AHeight);
  bmp->Clear(ABackground);
  cairo_surface_t* sub = cairo_surface_create_for_rectangle(bmp->Surface(), 0, 0, AWidth, AHeight);
  gp::CairoGraphics g = AThroughCairo ? gp::CairoGraphics(sub) : gp::CairoGraphics(*bmp);
  cairo_surface_destroy(sub);
  g.SetPixelPaths(APixelPaths);
  g.SetSmoothingMode(gp::SmoothingModeAntiAlias);
  ADraw(g);
  g.Flush();
  return bmp;
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

}  // namespace dw::test
