// Pango layout shared by CairoGraphics, RecordingGraphics and GraphicsPath::AddString.
#pragma once

#include <pango/pangocairo.h>

#include <string>
#include <string_view>

#include "dialworks/Export.h"
#include "dialworks/draw/Font.h"

namespace dw::gp::detail {

struct DW_API TextPlacement {
  PangoLayout* layout = nullptr;  // owned; released by the destructor
  PointF position;                // where the layout's top-left goes (world coordinates)
  RectF box;                      // the logical box of the text lines (world coordinates)
  TextPlacement() = default;
  TextPlacement(const TextPlacement&) = delete;
  TextPlacement& operator=(const TextPlacement&) = delete;
  ~TextPlacement();
};

// Lays out UTF-8 text (invalid bytes replaced) at pxSize pixels on cr. layoutRect may be nullptr
// (then origin is the anchor). Returns false, with out->box empty at the anchor, when there is
// nothing to draw (empty text, bad size or coordinates).
DW_API bool LayoutText(cairo_t* cr, const std::string& text, const FontFamily& family, int style, float pxSize,
                const RectF* layoutRect, PointF origin, const StringFormat* format, bool antialias,
                TextPlacement* out);

// The box of text laid out at a point (what LayoutText would give), from the sizes kept per thread.
DW_API RectF MeasureAt(const std::string& text, const FontFamily& family, int style, float pxSize, PointF origin,
                const StringFormat* format, bool antialias);

// The part of text, laid out left-aligned from a point at pxSize, that can reach the box width x
// height to the right of and below that point: the lines that may start above its bottom and, per
// line, the characters that may start left of its right edge, each with a generous margin, so the
// box shows exactly what the whole text shows there. In texts with right-to-left characters (a
// line's order depends on all of it) lines are kept whole; the lines below the box are still left
// out (right-to-left lines are aligned to the widest line, so one wider than those kept moves them).
DW_API std::string TextWithin(std::string_view text, float pxSize, float width, float height);

// A small image context for measuring and outlining text without a target surface.
DW_API cairo_t* ScratchContext();

}  // namespace dw::gp::detail
