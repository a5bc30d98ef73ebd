// A path gradient drawn without Cairo's mesh: the common "soft shape" case, a clamped gradient on a
// convex polygon around its centre point whose boundary colour is fully transparent, filled over
// that same polygon (a hand's drop shadow). Such a gradient fades to nothing at the outline, so each
// pixel can take the gradient's value at its centre with no edge anti-aliasing, and the whole fill
// costs one pass over the pixels it covers, written straight into an ARGB32 image.
#pragma once

#include <cairo.h>

#include "dialworks/Export.h"
#include "dialworks/draw/Brush.h"

namespace dw::gp {

class DW_API ConvexPathGradient {
 public:
  // Takes the brush and the filled path with the world-to-device transform; Valid() is false when
  // they are not of the kind above (the caller then draws the general way).
  ConvexPathGradient(const PathGradientBrush& brush, const GraphicsPath& fill, const Matrix& toDevice);
  bool Valid() const { return valid_; }
  // The device pixels the fill may touch (whole pixels).
  RectF Bounds() const { return bounds_; }
  // Composes the gradient (source over) into the premultiplied ARGB32 pixels of `data` (row stride
  // in bytes), whose first pixel is device pixel (originX, originY); only pixels in columns
  // left..right-1 and rows top..bottom-1 are touched. With a clip, each pixel's paint is scaled by
  // clip[y * clipStride + x], the coverage of device pixel (x, y).
  void Paint(uint8_t* data, int stride, int originX, int originY, int left, int top, int right, int bottom,
             const uint8_t* clip = nullptr, int clipStride = 0) const;

 private:
  static constexpr int kMaxEdges = 16;
  // Per edge: t = A x + B y + C, the point's distance from the centre point as a share of the
  // distance of the edge's line along the same ray; the largest t over all edges is the point's
  // place on its ray (0 at the centre point, 1 on the outline).
  struct Edge {
    double A, B, C;
  };
  Edge edges_[kMaxEdges];
  int count_ = 0;
  const uint32_t* lut_ = nullptr;  // premultiplied colours by position 0 (outline) .. 255 (centre)
  RectF bounds_;
  bool valid_ = false;
};

}  // namespace dw::gp
