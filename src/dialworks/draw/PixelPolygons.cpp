// PixelPaths' calls on a hand's every frame: FillPolygons, a few solid polygons drawn over each
// other (a hand and its bevels) rasterised in one sweep and composed in one pass, to the pixels of
// filling them in turn; and Clear, a host's clearing of the part it repaints.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "dialworks/draw/CairoGraphics.h"
#include "dialworks/draw/Pixels.h"
#include "dialworks/draw/PixelPaths.h"
#include "dialworks/draw/PixelsAvx2.h"
#include "dialworks/draw/PolygonCoverage.h"

namespace dw::gp {

bool PixelPaths::FillPolygons(const PolygonFill* fills, int count) {
  const auto& st = g_.st_;
  if (!fills || count < 2 || count > kMostPolygonLanes || !IsAntiAliased(st.smoothing) ||
      !st.transform.IsInvertible())
    return false;
  // Only under a shaped clip (elsewhere FillPolygon gives each polygon to Cairo); a clip other than one
  // ellipse goes through its mask: FillPolygon's way, one at a time.
  RectF pixels = g_.device_;
  bool shaped = false;
  if (!DirectPixels(&pixels, true, &shaped) || !shaped) return false;
  EllipseShape clipEllipse;
  if (!ClipEllipse(&clipEllipse, &pixels)) return false;

  PointF points[kMostPolygonLanes][kMaxSimpleTest];
  PolygonPart parts[kMostPolygonLanes];
  uint32_t colours[kMostPolygonLanes];
  int drawn = 0;
  RectF all;
  for (int k = 0; k < count; ++k) {
    const PolygonFill& f = fills[k];
    if (!f.Fill || f.Fill->GetType() != BrushTypeSolidColor || !f.Points || f.Count < 3 || f.Count > kMaxSimpleTest)
      return false;
    PointF* device = points[drawn];
    std::copy(f.Points, f.Points + f.Count, device);
    st.transform.TransformPoints(device, f.Count);
    if (!SimplePolygon(device, f.Count)) return false;
    const RectF area = FillArea(PointsBounds(device, f.Count), pixels);
    if (area.IsEmptyArea()) continue;  // nothing of it shows
    if (!InsideEllipse(clipEllipse, area)) return false;
    const int l = int(area.X), t = int(area.Y), w = int(area.Right()) - l, h = int(area.Bottom()) - t;
    if (w <= 0 || h <= 0) continue;
    parts[drawn] = {device, f.Count, l, t, w, h};
    colours[drawn] = PremultipliedPixel(static_cast<const SolidBrush&>(*f.Fill).GetColor());
    all = drawn ? RectF::Union(all, area) : area;
    ++drawn;
  }
  if (drawn == 0) return true;

  const int l = int(all.X), t = int(all.Y), w = int(all.Right()) - l, h = int(all.Bottom()) - t;
  // Kept for the thread, as the rasterising scratch is.
  thread_local std::vector<uint32_t> covers;
  if (covers.size() < size_t(w) * size_t(h)) covers.resize(size_t(w) * size_t(h));
  if (spans_.capacity() < size_t(h)) spans_.reserve(2 * size_t(pixels.Height) + 2);
  // The runs no longer belong to the kept coverage (nor will they if this declines below).
  coverageKey_.reset();
  spans_.clear();
  std::vector<float>& accum = PolygonScratch();
  const bool rasterised = RasterisePolygons(parts, drawn, covers.data(), w, l, t, w, h, &accum, &spans_);
  TrimScratch(accum);
  // Points outside their own pixels (a rectangle clip cuts the polygon): one at a time.
  if (!rasterised) return false;

  cairo_surface_t* surface = g_.surface_;
  cairo_surface_flush(surface);
  uint8_t* data = cairo_image_surface_get_data(surface);
  if (!data) return false;
  const int stride = cairo_image_surface_get_stride(surface);
  static const TCoverOverColourSpans coverOver = BestCoverOverColourSpans();
  coverOver(data + ptrdiff_t(t) * stride + ptrdiff_t(l) * 4, stride, covers.data(), w, spans_.data(), spans_.size(),
            colours, drawn);
  TrimScratch(covers);
  cairo_surface_mark_dirty_rectangle(surface, l, t, w, h);
  return true;
}

bool PixelPaths::Clear(TAlphaColor color) {
  // Other alphas: Cairo's premultiplied rounding, which is not ours to copy.
  if (GetAlpha(color) != 0 && GetAlpha(color) != 255) return false;
  RectF pixels = g_.device_;
  bool shaped = false;
  if (!DirectPixels(&pixels, false, &shaped)) return false;
  const int l = int(pixels.X), t = int(pixels.Y), w = int(pixels.Right()) - l, h = int(pixels.Bottom()) - t;
  if (w <= 0 || h <= 0) return true;
  cairo_surface_t* surface = g_.surface_;
  cairo_surface_flush(surface);
  uint8_t* data = cairo_image_surface_get_data(surface);
  if (!data) return false;
  const int stride = cairo_image_surface_get_stride(surface);
  const uint32_t value = PremultipliedPixel(color);
  for (int y = t; y < t + h; ++y) {
    uint32_t* row = reinterpret_cast<uint32_t*>(data + ptrdiff_t(y) * stride) + l;
    if (value == 0) std::memset(row, 0, size_t(w) * 4);  // the usual case, and the library's fastest
    else std::fill(row, row + w, value);
  }
  cairo_surface_mark_dirty_rectangle(surface, l, t, w, h);
  return true;
}

}  // namespace dw::gp
