// Shaded-shape helpers: lit bevels, glass highlights and bulbs drawn through any Graphics. Light
// comes from the top left; the first colour is the lit side, the second the shadow side. Every
// helper stays inside the rectangle it is given (and inside the frame width for frames). Corner
// sizes are the width and height of the corner arc's ellipse, limited to the shape. Invalid
// rectangles, widths or corner sizes draw nothing.
#pragma once

#include "dialworks/Export.h"
#include "dialworks/draw/Graphics.h"

namespace dw {

// Frames of the given width along the inside of the rectangle, ellipse or diamond: a raised bevel
// lit on its top-left half (colour1) and shaded on its bottom-right half (colour2).
DW_API void RXDrawFrame3DF(gp::Graphics& g, TAlphaColor color1, TAlphaColor color2, const gp::RectF& rect, float width);
DW_API void RXDrawEllipse3DF(gp::Graphics& g, TAlphaColor color1, TAlphaColor color2, const gp::RectF& rect, float width);
// A rounded, tube-like ring: brightest along its middle on the lit side, like a polished bezel.
DW_API void RXDrawGlobeEllipse3DF(gp::Graphics& g, TAlphaColor color1, TAlphaColor color2, const gp::RectF& rect,
                           float width);
DW_API void RXDrawDiamondFrame3DF(gp::Graphics& g, TAlphaColor color1, TAlphaColor color2, const gp::RectF& rect,
                           float width);
DW_API void RXDrawRoundRectangle3DF(gp::Graphics& g, TAlphaColor color1, TAlphaColor color2, const gp::RectF& rect,
                             float cornerSize, float width);
DW_API void RXDrawRoundDiamondFrame3DF(gp::Graphics& g, TAlphaColor color1, TAlphaColor color2, const gp::RectF& rect,
                                float cornerSize, float width);
// A line of the given width lit on its upper-left side; sunken swaps the sides (a groove).
DW_API void RXDrawLine3DF(gp::Graphics& g, TAlphaColor color1, TAlphaColor color2, gp::PointF start, gp::PointF end,
                   float width, bool sunken);

// Glass: a highlight in the upper part of the shape fading from colour1 (top) to colour2.
DW_API void RXGlossEllipse3DF(gp::Graphics& g, TAlphaColor color1, TAlphaColor color2, const gp::RectF& rect);
DW_API void RXGlossRectangle3DF(gp::Graphics& g, TAlphaColor color1, TAlphaColor color2, const gp::RectF& rect);
DW_API void RXGlossDiamond3DF(gp::Graphics& g, TAlphaColor color1, TAlphaColor color2, const gp::RectF& rect);
DW_API void RXGlossRoundRectangle3DF(gp::Graphics& g, TAlphaColor color1, TAlphaColor color2, const gp::RectF& rect,
                              float cornerSize);
DW_API void RXGlossRoundDiamond3DF(gp::Graphics& g, TAlphaColor color1, TAlphaColor color2, const gp::RectF& rect,
                            float cornerSize);

// A lit sphere-like fill of the ellipse in rect (an LED or lamp bulb) in the colour.
DW_API void RXFillBulb3DF(gp::Graphics& g, TAlphaColor color, const gp::RectF& rect);

// Diamond (corners at the middles of the rectangle's sides) with rounded corners.
DW_API gp::GraphicsPath RXCreateRoundDiamondPathF(const gp::RectF& rect, float cornerSize);
DW_API void RXFillRoundDiamondF(gp::Graphics& g, const gp::Brush& brush, const gp::RectF& rect, float cornerSize);
DW_API void RXDrawRoundDiamondF(gp::Graphics& g, const gp::Pen& pen, const gp::RectF& rect, float cornerSize);

// Per channel (alpha too) the colour `fraction` of the way from color1 to color2; fraction is
// limited to 0..1 (NaN gives color1).
DW_API TAlphaColor RXInterpolateColorF(TAlphaColor color1, TAlphaColor color2, float fraction);
// The colour darkened by factor: 0 keeps it, 1 gives black; alpha kept; factor limited to 0..1.
DW_API TAlphaColor RXDimColor(TAlphaColor color, float factor);
// Secant and cosecant of an angle in radians.
DW_API double RXSec(double angle);
DW_API double RXCsc(double angle);

}  // namespace dw
