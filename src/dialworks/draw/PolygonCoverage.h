// Anti-aliased coverage of a simple polygon by exact area, accumulated per pixel from its edges
// (each edge adds the signed area it leaves to its right in every row it crosses; a running sum
// along the row is then the share of each pixel inside). Used for solid polygons under a shaped
// clip, where Cairo would build a path and compose through a mask of the whole clip for each one.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "dialworks/Export.h"
#include "dialworks/draw/ComputedCoverage.h"
#include "dialworks/draw/Types.h"

namespace dw::gp {

// Whether the closed polygon has no two edges crossing or touching other than neighbours at their
// shared corner (then either fill mode fills it alike, and its coverage is at most 1 anywhere).
// Polygons of more than kMaxSimpleTest corners are not tested and count as not simple.
constexpr int kMaxSimpleTest = 32;
DW_API bool SimplePolygon(const PointF* pts, int count);

// The coverage (0-255) of the simple polygon pts (device pixels) into the A8 mask as
// RasteriseComputedShape writes it: byte (x, y) of rows `stride` apart covers device pixel
// (left + x, top + y), w x h of them; the runs written go to *spans. *accum is scratch kept by the
// caller (grown as needed; left zeroed).
DW_API void RasterisePolygon(const PointF* pts, int count, uint8_t* mask, int stride, int left, int top, int w, int h,
                             std::vector<float>* accum, std::vector<MaskSpan>* spans);

// The box of n (>= 1) points.
inline RectF PointsBounds(const PointF* p, int n) {
  float x0 = p[0].X, y0 = p[0].Y, x1 = x0, y1 = y0;
  for (int i = 1; i < n; ++i) {
    x0 = std::min(x0, p[i].X), y0 = std::min(y0, p[i].Y);
    x1 = std::max(x1, p[i].X), y1 = std::max(y1, p[i].Y);
  }
  return RectF::FromLTRB(x0, y0, x1, y1);
}

// One polygon of RasterisePolygons: its device points and the pixels it is rasterised over (as
// RasterisePolygon's left, top, w, h).
struct DW_API PolygonPart {
  const PointF* Points;
  int Count;
  int Left, Top, Width, Height;
};
constexpr int kMostPolygonLanes = 4;

// The coverage of up to kMostPolygonLanes simple polygons in one pass, each exactly as
// RasterisePolygon gives it over its own pixels: byte k of covers[y * stride + x] is polygon k's
// coverage of device pixel (left + x, top + y), over w x h pixels that hold all of theirs. The
// runs written go to *spans (a run's bytes are zero for polygons that do not reach it; covers
// outside the runs are left as they were). Each polygon must lie within its own pixels, 1/64 of a
// pixel clear of their left and right border (no edge cut there): returns false, writing
// nothing, when one does not.
DW_API bool RasterisePolygons(const PolygonPart* parts, int count, uint32_t* covers, int stride, int left, int top,
                              int w, int h, std::vector<float>* accum, std::vector<MaskSpan>* spans);

}  // namespace dw::gp
