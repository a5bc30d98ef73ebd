// Coverage of ellipses, elliptical rings, straight strokes and circular arcs computed from each pixel's distance
// to the outlines instead of by scan conversion. Cairo's anti-aliased rasteriser walks every
// sub-row of a shape's height, so a ring a few pixels wide costs it about as much as the disc
// around it (~50 us at 300 px), and sets up a whole stroke for each short tick line; a dial's
// bevels, rings, glass and ticks are all such shapes. Here only the pixels an outline crosses are
// computed (their exact share for a straight edge at the outline's slope) and the pixels wholly
// inside are filled in runs.
#pragma once

#include <cstdint>
#include <variant>
#include <vector>

#include "dialworks/Export.h"
#include "dialworks/draw/Matrix.h"
#include "dialworks/draw/Path.h"

namespace dw::gp {

// An ellipse in device pixels with its axes along x and y.
struct DW_API DeviceEllipse {
  double Cx = 0, Cy = 0, Rx = 0, Ry = 0;
  bool operator==(const DeviceEllipse&) const = default;
};

// A whole ellipse, or the ring between it and a smaller ellipse wholly inside it.
struct DW_API EllipseShape {
  DeviceEllipse Outer;
  bool Ring = false;
  DeviceEllipse Inner;
  bool operator==(const EllipseShape&) const = default;
};

// A straight stroke in device pixels: the rectangle HalfWidth either side of the segment from
// (X0, Y0) to (X1, Y1) (its caps already added to the segment).
struct DW_API LineShape {
  double X0 = 0, Y0 = 0, X1 = 0, Y1 = 0, HalfWidth = 0;
  bool operator==(const LineShape&) const = default;
};

// A stroke along a circular arc with flat ends: the ring Ring cut by the rays from its centre in
// the unit directions (Sx, Sy) and (Ex, Ey), keeping what lies from the first towards the second
// in the direction of rising device angles (the longer way round when Wide).
struct DW_API ArcShape {
  EllipseShape Ring;
  double Sx = 1, Sy = 0, Ex = 1, Ey = 0;
  bool Wide = false;
  bool operator==(const ArcShape&) const = default;
};

using ComputedShape = std::variant<EllipseShape, LineShape, ArcShape>;

// The shape a filled path makes in device space: one ellipse (either fill mode) or two ellipses
// about one centre filled alternate, placed by a transform that scales and moves without turning
// or shearing. False for other paths and for ellipses under 2 pixels across an axis or with tips
// bent tighter than a circle of 2 pixels (too thin for the distance to stand for coverage); Cairo
// draws those.
DW_API bool FilledEllipseShape(const GraphicsPath& path, const Matrix& toDevice, EllipseShape* shape);

// The ring a solid pen of this width (world units; zero or less: one device pixel, as hairlines
// are drawn) makes along a circle path whose transform scales x and y alike.
DW_API bool StrokedCircleShape(const GraphicsPath& path, const Matrix& toDevice, float penWidth, EllipseShape* shape);

// The rectangle a solid pen of this width (world units; zero or less: one device pixel) with flat
// or square caps covers along the segment from a to b, under a transform that turns and scales
// evenly (so that the stroke stays a rectangle). False for other pens, transforms and segments
// shorter than a hundredth of a pixel.
DW_API bool StrokedLineShape(PointF a, PointF b, const Matrix& toDevice, float penWidth, LineCap cap, LineShape* shape);

// The arc a solid pen of this width (world units; zero or less: one device pixel) with flat caps
// covers along a circle in rect from startAngle through sweepAngle (degrees), under a transform
// that scales x and y alike without turning. False for other pens and transforms, and for arcs
// whose ends nearly meet or nearly face each other across the centre (within 2 pixels), whose
// ring has a hole under 2 pixels, or that are under 2 pixels long.
DW_API bool StrokedArcShape(const RectF& rect, float startAngle, float sweepAngle, const Matrix& toDevice, float penWidth,
                     LineCap cap, ArcShape* shape);

// The shape's extent in device pixels.
DW_API RectF ComputedBounds(const ComputedShape& shape);

// A run of mask bytes in one row: x0 to x1 (exclusive) of row y, in the mask's own coordinates.
struct DW_API MaskSpan {
  int Y, X0, X1;
};

// The shape's coverage (0-255) into an A8 mask: byte (x, y) of rows `stride` apart covers device
// pixel (left + x, top + y), w x h of them. Anti-aliased: the share of each pixel inside; else 255
// where the pixel's centre is inside. Every byte of the spans appended to *spans is written (the
// rest of the mask is not touched, so it need not be cleared); outside them the coverage is 0.
DW_API void RasteriseComputedShape(const ComputedShape& shape, bool antiAliased, uint8_t* mask, int stride, int left,
                            int top, int w, int h, std::vector<MaskSpan>* spans);

// Multiplies the mask's bytes within the spans by the shape's anti-aliased coverage (a clip).
DW_API void ClipToEllipseShape(const EllipseShape& shape, uint8_t* mask, int stride, int left, int top,
                        const std::vector<MaskSpan>& spans);

}  // namespace dw::gp
