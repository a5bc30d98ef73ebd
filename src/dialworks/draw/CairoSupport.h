// Cairo helpers shared by the translation units of CairoGraphics (not part of the drawing API).
#pragma once

#include <cairo.h>

#include "dialworks/Export.h"
#include "dialworks/draw/Matrix.h"
#include "dialworks/draw/Path.h"
#include "dialworks/draw/Region.h"

namespace dw::gp::detail {

DW_API cairo_matrix_t ToCairo(const Matrix& m);
DW_API void AppendPath(cairo_t* cr, const GraphicsPath& path);
// The path as Cairo's current path (any before it dropped), with its fill rule.
DW_API void SetPathAndRule(cairo_t* cr, const GraphicsPath& path);
// Whether Cairo can clip to the region by itself (paths, intersections, holes cut alternate).
DW_API bool NativeClip(const Region::Node& n);
DW_API void ApplyNativeClip(cairo_t* cr, const Region::Node& n, const RectF& device);
// Whether the region is one rectangle on whole pixels; *r is then narrowed to it.
DW_API bool PixelRectangle(const Region::Node& n, RectF* r);
// Renders the region (device space) into an A8 mask of w x h pixels.
DW_API void RenderMask(cairo_t* cr, const Region::Node& n, int w, int h);

}  // namespace dw::gp::detail
