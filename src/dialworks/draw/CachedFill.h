// A polygon fill drawn again and again with the same brush in the same device-pixel phase (the lit
// segments of a numeric display: one polygon per segment, repeated cell after cell). On a raster
// target the fill is rasterised once per phase into a small bitmap, and every later fill composes
// that bitmap at whole device pixels: a fraction of the cost of a path-gradient fill, and no
// allocation. The picture is the fill itself, so the result matches the plain fill up to rounding
// of the composition. Other targets (a recording), other compositing modes and phases beyond the
// first MaxPictures get the plain fill.
#pragma once

#include <vector>

#include "dialworks/Export.h"
#include "dialworks/draw/Bitmap.h"
#include "dialworks/draw/Graphics.h"

namespace dw::gp {

class DW_API CachedFill {
 public:
  static constexpr size_t MaxPictures = 64;
  // Pictures larger than this (device pixels) are not kept: the plain fill is drawn instead.
  static constexpr int MaxPictureArea = 1 << 18;

  // Forgets the pictures; call it whenever the brush or the polygon changes.
  void Reset() { pictures_.clear(); }
  // Fills the polygon (ALTERNATE fill) with the brush, as Graphics::FillPolygon would.
  void FillPolygon(Graphics& g, const Brush& brush, const PointF* pts, int count);
  size_t PictureCount() const { return pictures_.size(); }

 private:
  // One phase: the transform's linear part and the fractional part of its offset, the smoothing
  // mode, and the picture with its top left corner relative to the offset's whole pixels.
  struct Picture {
    float M11, M12, M21, M22, PhaseX, PhaseY;
    SmoothingMode Mode;
    int Left, Top;
    Bitmap Image;
  };
  const Picture* Find(const Matrix& linear, float phaseX, float phaseY, SmoothingMode mode) const;
  const Picture* Build(Graphics& g, const Brush& brush, const PointF* pts, int count, const Matrix& linear,
                       float phaseX, float phaseY, SmoothingMode mode);

  std::vector<Picture> pictures_;
};

}  // namespace dw::gp
