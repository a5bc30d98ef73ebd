// PixelPaths: the fills and strokes CairoGraphics paints into the surface's pixels with its own
// code instead of Cairo's (computed coverage of ellipses, rings, lines and arcs; gradients shaded
// through a coverage mask; fading convex path gradients), and the kept coverage of a shaped clip
// they are composed through. A CairoGraphics without one draws everything with Cairo.
//
// Each call returns false when the fill, the pen or the target is not one this code takes; then
// nothing was drawn and Cairo draws instead.
#pragma once

#include <cairo.h>
#include <pango/pangocairo.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "dialworks/Export.h"
#include "dialworks/draw/Brush.h"
#include "dialworks/draw/ComputedCoverage.h"
#include "dialworks/draw/Graphics.h"
#include "dialworks/draw/Region.h"

namespace dw::gp {

class CairoGraphics;
class LayerRuns;

class DW_API PixelPaths {
 public:
  // g: the graphics whose surface, transform, clip and modes are used (a back reference).
  explicit PixelPaths(CairoGraphics& g) : g_(g) {}
  ~PixelPaths();
  PixelPaths(const PixelPaths&) = delete;
  PixelPaths& operator=(const PixelPaths&) = delete;

  // A path filled with a linear or elliptical gradient or (computed, or under a shaped clip) a
  // solid colour.
  bool FillPath(const Brush& brush, const GraphicsPath& path);
  // A polygon (world points) under a shaped clip, its coverage computed when it is simple and
  // anti-aliased, else rasterised by Cairo.
  bool FillPolygon(const Brush& brush, const PointF* pts, int count, FillMode mode);
  // Two to four simple polygons in solid colours, filled in turn as FillPolygon fills each, in
  // one pass (one rasterising sweep, each pixel composed once). Declines (false, nothing drawn)
  // whatever FillPolygon would give Cairo, and polygons the clip cuts.
  bool FillPolygons(const PolygonFill* fills, int count);
  // Text laid out with its top-left at `position` (world), under a shaped clip: its glyphs are
  // rendered into a coverage mask and composed through the kept clip. layoutClip: the rectangle
  // the text is clipped to (world), or nullptr.
  bool DrawText(const Brush& brush, PangoLayout* layout, PointF position, const RectF* layoutClip);
  // A fading convex path gradient, shaded per pixel.
  bool FillConvexGradient(const PathGradientBrush& brush, const GraphicsPath& path);
  // Solid pens along a circle path, a straight line, a circular arc.
  bool StrokePath(const Pen& pen, const GraphicsPath& path);
  bool DrawLine(const Pen& pen, PointF a, PointF b);
  bool DrawArc(const Pen& pen, const RectF& rect, float startAngle, float sweepAngle);
  // A kept layer (or its pixels in part) at a whole-pixel place, composed by its runs.
  bool DrawLayer(const Bitmap& image, const LayerRuns& runs, PointF at, const RectF* part);
  // The target cleared to a clear or opaque colour within a clip that is none or a whole-pixel
  // rectangle (a host clearing the part it repaints), by writing the pixels.
  bool Clear(TAlphaColor color);
  // Whether the current clip is one these paths compose through a kept mask rather than Cairo
  // (then fills Cairo would draw are better sent here as paths).
  bool ShapedClip() const;

 private:
  // Paints through coverage: the computed shape's when given, else that of the simple polygon
  // polygon_ (device pixels) when APolygon, else the path's rasterised by Cairo.
  bool ComposeCoverage(const Brush& brush, const ComputedShape* shape, const GraphicsPath* path,
                       bool APolygon = false, const std::pair<PangoLayout*, PointF>* text = nullptr,
                       const RectF* textClip = nullptr);
  // The pixels a fill of device bounds b may write: b rounded out with a pixel to spare, within
  // *pixels.
  static RectF FillArea(const RectF& b, const RectF& pixels);
  // Whether the ellipse clip leaves all of area as it is.
  static bool InsideEllipse(const EllipseShape& clip, const RectF& area);
  // Polygon rasterising scratch kept for the thread (no allocation per fill, whichever graphics
  // paints), and dropped after use when it grew beyond 4 MiB.
  static std::vector<float>& PolygonScratch();
  template <class T>
  static void TrimScratch(std::vector<T>& v) {
    if (v.size() * sizeof(T) > (size_t(4) << 20)) std::vector<T>().swap(v);
  }
  // Whether drawing may write the target's pixels itself (see the definition).
  bool DirectPixels(RectF* pixels, bool AShapedClip, bool* shaped) const;
  // The current clip's coverage over the device (A8, device pixels), rendered when the clip's
  // shapes or the device size changed since the last call; nullptr when it cannot be made.
  cairo_surface_t* ClipMask();

  CairoGraphics& g_;
  cairo_surface_t* coverage_ = nullptr;  // A8 coverage of one fill, kept and grown as needed
  std::vector<MaskSpan> spans_;          // its painted runs (kept: no allocation per fill)
  std::vector<PointF> polygon_;          // a polygon's device points (kept)
  GraphicsPath path_;                    // a polygon Cairo rasterises (kept)
  // Which computed shape the coverage mask holds, if one, and under which clip.
  struct CoverageKey {
    ComputedShape Shape;
    EllipseShape Clip;
    bool Clipped, AntiAliased;
    uint64_t ClipMask;  // clipMaskVersion_ when composed through the clip mask, else 0
    int Left, Top, Width, Height;
    bool operator==(const CoverageKey&) const = default;
  };
  std::optional<CoverageKey> coverageKey_;
  // The clip's shape without a whole-pixel rectangle it is cut by (*pixels narrowed to that).
  const Region::Node& ClipShape(RectF* pixels) const;
  // Whether that shape is one ellipse (*ellipse; *pixels then narrowed), decided once per shape.
  bool ClipEllipse(EllipseShape* ellipse, RectF* pixels);
  std::shared_ptr<const Region> clipEllipseOf_;  // the clip (or its shape) the two below were found for
  bool clipIsEllipse_ = false;
  EllipseShape clipEllipse_;
  cairo_surface_t* clipMask_ = nullptr;        // the kept clip coverage
  std::shared_ptr<const Region> clipMaskOf_;   // the clip (device space) it was rendered from
  uint64_t clipMaskVersion_ = 0;               // counts renderings of clipMask_
};

}  // namespace dw::gp
