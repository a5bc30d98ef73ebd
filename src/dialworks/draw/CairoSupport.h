// Cairo helpers shared by the translation units of CairoGraphics (not part of the drawing API).
#pragma once

#include <cairo.h>

#include "dialworks/draw/Matrix.h"
#include "dialworks/draw/Path.h"
#include "dialworks/draw/Region.h"

namespace dw::gp::detail {

cairo_matrix_t ToCairo(const Matrix& m);
void AppendPath(cairo_t* cr, const GraphicsPath& path);
// The path as Cairo's current path (any before it dropped), with its fill rule.
void SetPathAndRule(cairo_t* cr, const GraphicsPath& path);
// Whether Cairo can clip to the region by itself (paths, intersections, holes cut alternate).
bool NativeClip(const Region::Node& n);
void ApplyNativeClip(cairo_t* cr, const Region::Node& n, const RectF& device);
// Whether the region is one rectangle on whole pixels; *r is then narrowed to it.
bool PixelRectangle(const Region::Node& n, RectF* r);
// Renders the region (device space) into an A8 mask of w x h pixels.
void RenderMask(cairo_t* cr, const Region::Node& n, int w, int h);

}  // namespace dw::gp::detail
