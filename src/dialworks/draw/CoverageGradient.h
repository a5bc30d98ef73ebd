// Gradient fills by coverage. Cairo composes a gradient through a shape one short run of pixels at
// a time, setting the gradient up anew for each run, so a ring a few pixels wide costs about as
// much as the whole square around it. Here Cairo only rasterises the shape's coverage into an A8
// mask with a plain fill (its fastest way), and the gradient is evaluated where that coverage is
// not zero and composed over the target's ARGB32 pixels: Cairo's coverage, the gradient's colours
// at pixel centres as Cairo's gradients take them, in a fraction of the time.
#pragma once

#include <cstdint>
#include <vector>

#include "dialworks/Export.h"
#include "dialworks/draw/Brush.h"
#include "dialworks/draw/ComputedCoverage.h"

namespace dw::gp {

// The elliptical path gradients that are exactly a two-circle radial gradient (see CairoPatterns):
// clamped, one surround colour, the path one whole ellipse, the centre point well inside it. The
// unit circle maps onto the ellipse (brush transform included) by *unitToWorld; *focal is the
// centre point in unit-circle space.
DW_API bool EllipticalGradientGeometry(const PathGradientBrush& brush, Matrix* unitToWorld, PointF* focal);

class DW_API CoverageGradient {
 public:
  // Linear gradients (every wrap mode) and the elliptical path gradients above, placed by the
  // world-to-device transform, and solid colours. Valid() is false for other brushes and singular
  // geometry.
  CoverageGradient(const Brush& brush, const Matrix& toDevice);
  bool Valid() const { return valid_; }

  // Composes the gradient through the coverage mask into the premultiplied ARGB32 pixels: mask byte
  // (x, y) of rows `maskStride` apart covers device pixel (left + x, top + y), and `dst` points at
  // device pixel (left, top) of rows `dstStride` bytes apart; only the mask's spans are read.
  void Paint(const uint8_t* mask, int maskStride, uint8_t* dst, int dstStride, int left, int top,
             const std::vector<MaskSpan>& spans) const;

 private:
  static constexpr int kLut = 1024;  // steep ramps still step by about one level
  enum class Kind { Linear, Radial, Solid } kind_ = Kind::Linear;
  enum class Wrap { Pad, Repeat, Reflect, None } wrap_ = Wrap::Pad;
  // Device to gradient space: linear t = x', radial t solves for the circle through (x', y').
  Matrix fromDevice_;
  PointF focal_;
  double focalNorm_ = 0;  // 1 - |focal|^2
  double rimSlack_ = 1;   // radial t up to which the rim colour is painted
  uint32_t lut_[kLut];    // premultiplied colours by t from 0 to 1
  void Table(const std::vector<GradientStop>& AStops, bool AReversed);
  void MakeTable(const std::vector<GradientStop>& AStops, bool AReversed);
  bool valid_ = false;
};

}  // namespace dw::gp
