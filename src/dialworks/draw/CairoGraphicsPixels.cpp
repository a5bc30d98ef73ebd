// CairoGraphics: the fills our own code paints into the surface's pixels (computed or Cairo's
// coverage composed by CoverageGradient, fading convex gradients) where the target allows it.
#include <cstring>

#include "dialworks/draw/CairoGraphics.h"
#include "dialworks/draw/CairoSupport.h"
#include "dialworks/draw/ComputedCoverage.h"
#include "dialworks/draw/ConvexGradient.h"
#include "dialworks/draw/CoverageGradient.h"

namespace dw::gp {

using namespace detail;

// Whether drawing may write the target's pixels itself: a plain ARGB32 image in device pixels,
// drawn over, with no clip or a whole-pixel rectangle (which narrows *pixels). With AShapedClip a
// clip Cairo can express is accepted too (*shaped is then set); the caller applies it.
bool CairoGraphics::DirectPixels(RectF* pixels, bool AShapedClip, bool* shaped) const {
  if (st_.compositing != CompositingModeSourceOver) return false;
  double ox = 0, oy = 0, sx = 1, sy = 1;
  cairo_surface_get_device_offset(surface_, &ox, &oy);
  cairo_surface_get_device_scale(surface_, &sx, &sy);
  if (cairo_surface_get_type(surface_) != CAIRO_SURFACE_TYPE_IMAGE ||
      cairo_image_surface_get_format(surface_) != CAIRO_FORMAT_ARGB32 || ox != 0 || oy != 0 || sx != 1 || sy != 1)
    return false;
  if (st_.clip && !PixelRectangle(st_.clip->Root(), pixels)) {
    if (!AShapedClip || !NativeClip(st_.clip->Root())) return false;
    *pixels = RectF::Intersect(*pixels, st_.clip->GetBounds());
    *shaped = true;
  }
  *pixels = RectF::Intersect(*pixels, RectF(0, 0, float(cairo_image_surface_get_width(surface_)),
                                            float(cairo_image_surface_get_height(surface_))));
  return true;
}

// Linear and elliptical gradients, and solid colours on ellipses and elliptical rings: the shape's
// coverage goes into an A8 mask (computed for ellipses, else rasterised by Cairo) and
// CoverageGradient composes the paint through it (see there for why). False: not such a fill or
// target; nothing was drawn.
bool CairoGraphics::FillByCoverage(const Brush& brush, const GraphicsPath& path) {
  EllipseShape ellipse;
  const bool computed = FilledEllipseShape(path, st_.transform, &ellipse);
  // Other solid fills are Cairo's fastest way.
  if (brush.GetType() == BrushTypeSolidColor && !computed) return false;
  const ComputedShape shape = ellipse;
  return ComposeCoverage(brush, computed ? &shape : nullptr, &path);
}

// A solid pen along a circle: the ring it covers, computed.
bool CairoGraphics::StrokeByCoverage(const Pen& pen, const GraphicsPath& path) {
  EllipseShape ring;
  if (pen.GetBrush().GetType() != BrushTypeSolidColor || pen.GetDashStyle() != DashStyleSolid ||
      !StrokedCircleShape(path, st_.transform, pen.GetWidth(), &ring))
    return false;
  const ComputedShape shape = ring;
  return ComposeCoverage(pen.GetBrush(), &shape, nullptr);  // never the path: it is not what a pen covers
}

bool CairoGraphics::ComposeCoverage(const Brush& brush, const ComputedShape* shape, const GraphicsPath* path) {
  if (!st_.transform.IsInvertible()) return false;
  RectF pixels = device_;
  bool shaped = false;
  if (!DirectPixels(&pixels, true, &shaped)) return false;
  // A clip that is one ellipse is applied to computed coverage by computing its own; other shaped
  // clips need Cairo's mask.
  EllipseShape clipEllipse;
  const bool clipComputed = shaped && st_.clip->Root().kind == Region::Kind::Path &&
                            FilledEllipseShape(st_.clip->Root().path, Matrix(), &clipEllipse);
  if (shaped && !clipComputed) {
    if (!path || brush.GetType() == BrushTypeSolidColor) return false;
    shape = nullptr;
  }
  if (!shape && !path) return false;
  const CoverageGradient gradient(brush, st_.transform);
  if (!gradient.Valid()) return false;
  // Bézier control points included in a path's bounds: never too small.
  const RectF b = shape ? ComputedBounds(*shape) : path->GetBounds(&st_.transform);
  if (!b.IsFinite()) return false;
  const RectF area = RectF::Intersect(
      RectF::FromLTRB(std::floor(b.X) - 1, std::floor(b.Y) - 1, std::ceil(b.Right()) + 1, std::ceil(b.Bottom()) + 1),
      pixels);
  if (area.IsEmptyArea()) return true;
  const int l = int(area.X), t = int(area.Y), w = int(area.Right()) - l, h = int(area.Bottom()) - t;
  if (w <= 0 || h <= 0) return true;

  // The coverage mask, kept between calls and grown as needed.
  if (!coverage_ || cairo_image_surface_get_width(coverage_) < w || cairo_image_surface_get_height(coverage_) < h) {
    const int cw = coverage_ ? std::max(w, cairo_image_surface_get_width(coverage_)) : w;
    const int ch = coverage_ ? std::max(h, cairo_image_surface_get_height(coverage_)) : h;
    if (coverage_) cairo_surface_destroy(coverage_);
    coverage_ = cairo_image_surface_create(CAIRO_FORMAT_A8, cw, ch);
    coverageKey_.reset();
  }
  if (cairo_surface_status(coverage_) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(coverage_);
    coverage_ = nullptr;
    return false;
  }
  cairo_surface_flush(coverage_);
  uint8_t* mask = cairo_image_surface_get_data(coverage_);
  const int maskStride = cairo_image_surface_get_stride(coverage_);
  const bool aa = IsAntiAliased(st_.smoothing);
  if (shape) {
    // A shape filled twice in a row (a second layer of paint) keeps its coverage.
    const CoverageKey key{*shape, clipComputed ? clipEllipse : EllipseShape{}, clipComputed, aa, l, t, w, h};
    if (!(coverageKey_ && *coverageKey_ == key)) {
      spans_.clear();
      RasteriseComputedShape(*shape, aa, mask, maskStride, l, t, w, h, &spans_);
      if (clipComputed) ClipToEllipseShape(clipEllipse, mask, maskStride, l, t, spans_);
      coverageKey_ = key;
    }
  } else {
    coverageKey_.reset();
    spans_.clear();
    for (int y = 0; y < h; ++y) {
      std::memset(mask + ptrdiff_t(y) * maskStride, 0, size_t(w));
      spans_.push_back({y, 0, w});
    }
    cairo_surface_mark_dirty_rectangle(coverage_, 0, 0, w, h);
    cairo_t* mc = cairo_create(coverage_);
    cairo_rectangle(mc, 0, 0, w, h);
    cairo_clip(mc);
    if (shaped) {  // the clip in device space, on the mask's pixels
      cairo_translate(mc, -l, -t);
      ApplyNativeClip(mc, st_.clip->Root(), device_);
    }
    cairo_matrix_t m = ToCairo(st_.transform);
    m.x0 -= l;
    m.y0 -= t;
    cairo_set_matrix(mc, &m);
    cairo_set_antialias(mc, aa ? CAIRO_ANTIALIAS_DEFAULT : CAIRO_ANTIALIAS_NONE);
    SetPathAndRule(mc, *path);
    cairo_fill(mc);
    const bool ok = cairo_status(mc) == CAIRO_STATUS_SUCCESS;
    cairo_destroy(mc);
    if (!ok) return false;
    cairo_surface_flush(coverage_);
  }

  cairo_surface_flush(surface_);
  uint8_t* data = cairo_image_surface_get_data(surface_);
  if (!data) return false;
  const int stride = cairo_image_surface_get_stride(surface_);
  gradient.Paint(mask, maskStride, data + ptrdiff_t(t) * stride + ptrdiff_t(l) * 4, stride, l, t, spans_);
  cairo_surface_mark_dirty_rectangle(surface_, l, t, w, h);
  return true;
}

// A fading convex path gradient is painted by ConvexPathGradient: straight into the pixels when
// the target is a plain ARGB32 image and the clip is a whole-pixel rectangle (or none), otherwise
// into a scratch image that Cairo then composes through the clip. False: not such a fill.
bool CairoGraphics::FillConvexGradient(const PathGradientBrush& brush, const GraphicsPath& path) {
  if (st_.compositing != CompositingModeSourceOver || !st_.transform.IsInvertible()) return false;
  const ConvexPathGradient gradient(brush, path, st_.transform);
  if (!gradient.Valid()) return false;
  const RectF bounds = RectF::Intersect(gradient.Bounds(), device_);
  if (bounds.IsEmptyArea()) return true;

  RectF pixels = device_;
  const bool direct = DirectPixels(&pixels, false, nullptr);
  if (direct) {
    const RectF r = RectF::Intersect(bounds, pixels);
    if (r.IsEmptyArea()) return true;
    cairo_surface_flush(surface_);
    uint8_t* data = cairo_image_surface_get_data(surface_);
    if (!data) return false;
    const int w = cairo_image_surface_get_width(surface_), h = cairo_image_surface_get_height(surface_);
    const int l = std::max(0, int(r.X)), t = std::max(0, int(r.Y));
    const int rr = std::min(w, int(r.Right())), b = std::min(h, int(r.Bottom()));
    gradient.Paint(data, cairo_image_surface_get_stride(surface_), 0, 0, l, t, rr, b);
    if (rr > l && b > t) cairo_surface_mark_dirty_rectangle(surface_, l, t, rr - l, b - t);
    return true;
  }

  const int w = int(bounds.Width), h = int(bounds.Height);
  if (double(w) * h > 16.0e6) return false;  // an unbounded target: leave it to the mesh
  cairo_surface_t* scratch = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
  if (cairo_surface_status(scratch) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(scratch);
    return false;
  }
  gradient.Paint(cairo_image_surface_get_data(scratch), cairo_image_surface_get_stride(scratch), int(bounds.X),
                 int(bounds.Y), int(bounds.X), int(bounds.Y), int(bounds.Right()), int(bounds.Bottom()));
  cairo_surface_mark_dirty(scratch);
  if (Begin()) {
    cairo_identity_matrix(cr_);
    cairo_rectangle(cr_, bounds.X, bounds.Y, bounds.Width, bounds.Height);
    if (mask_) cairo_push_group(cr_);
    cairo_set_source_surface(cr_, scratch, bounds.X, bounds.Y);
    cairo_fill(cr_);
    if (mask_) PaintThroughMask();
    End();
  }
  cairo_surface_destroy(scratch);
  return true;
}

}  // namespace dw::gp
