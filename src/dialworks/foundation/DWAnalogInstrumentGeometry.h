// Pure geometry and arithmetic shared by the dial instruments: the hand's polygons, bevel light and
// spring animation step, the placement of embedded elements and matrix layers, and the colour
// palette of new scale ranges. Kept free of controls so each rule can be tested alone.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "dialworks/Export.h"
#include "dialworks/draw/Types.h"

namespace dw {

// ---- Angular hand -------------------------------------------------------------------------

// The hand's polygons in pixels, lying along +x with the pivot at the origin.
struct DW_API TDWHandPolygons {
  std::array<gp::PointF, 4> Full;
  std::array<gp::PointF, 3> LeftBevel;
  std::array<gp::PointF, 3> RightBevel;
  std::array<gp::PointF, 4> TailBevel;
  float TailIndent = 0;  // depth of the tail notch in pixels; 0 means no tail bevel is drawn
};

// Lengths in pixels: pivot to tip, pivot to tail end, width at the tip, extra width of the tail end
// (the tail end is tip + tail width wide), depth of the tail notch.
DW_API TDWHandPolygons DWHandPolygons(float ALength, float ATail, float ATipWidth, float ATailWidth, float AIndent);

// Alpha of the white bevel fills for a hand at AAngle screen degrees: light comes from the top left,
// so each bevel brightens as it turns towards it.
struct DW_API TDWHandBevelAlphas {
  uint8_t Left = 0, Right = 0, Tail = 0;
};
DW_API TDWHandBevelAlphas DWHandBevelAlphas(float AAngle);

// Folds an angle into 0..360 with one addition or subtraction of 360 (angles within a turn of the
// range, as the hands keep them); anything further out goes through the full fold.
DW_API float DWFoldAngleOnce(float AAngle);

// Angle state of a hand: degrees and degrees per step.
struct DW_API TDWHandMotion {
  float Target = 0, Current = 0, Speed = 0;
};

// One step of the hand's spring: the speed keeps (1 - resistance) of itself and gains
// acceleration x the remaining difference. On a full circle the hand takes the shorter way round.
// Returns true while the hand still moves; false once it has arrived (current snapped to target),
// and false with the motion stopped when the state holds a non-finite number.
DW_API bool DWHandAnimationStep(TDWHandMotion& AMotion, float AAcceleration, float AResistance, bool AFullCircle);

// ---- Element and matrix-layer placement ---------------------------------------------------

// Where an embedded element draws inside its host. ASize and APosition are the element's
// proportional size (of the host's full extents 2*RX, 2*RY) and its offset from the host's centre
// (in half extents). ASquare makes a round instrument square (the smaller side).
DW_API gp::RectF DWPlaceElement(gp::SizeF ASize, gp::PointF APosition, bool ASquare, float ARX, float ARY, float AW,
                         float AH);
// The same with the size and offset already resolved to pixels (AWidth, AHeight of the element;
// AOffsetX, AOffsetY of its centre from the host's centre).
DW_API gp::RectF DWPlaceElementPixels(float AWidth, float AHeight, float AOffsetX, float AOffsetY, bool ASquare, float AW,
                               float AH);

// Where a matrix layer renders in a buffer of AColumns x ARows cells: the size is a proportion of
// the smaller side, not rounded; the left and top cells are rounded halves to even.
struct DW_API TDWMatrixPlacement {
  int Left = 0, Top = 0;
  float Width = 0, Height = 0;
};
DW_API TDWMatrixPlacement DWPlaceMatrixLayer(gp::SizeF ASize, gp::PointF APosition, int AColumns, int ARows);

// ---- Scale ranges -------------------------------------------------------------------------

// The palette new scale ranges take their colours from, in order.
inline constexpr std::array<TAlphaColor, 12> kDWRangePalette = {
    0xFF00FF00, 0xFFFFFF00, 0xFFFF0000, 0xFF00FFFF, 0xFFFF00FF, 0xFFADFF2F,
    0xFFFF7F50, 0xFF800000, 0xFFFFE4C4, 0xFF00BFFF, 0xFFF0FFF0, 0xFFFF69B4};

// The colour for a new range: the palette colour used least by AExisting, the first on a tie.
DW_API TAlphaColor DWNewRangeColor(std::span<const TAlphaColor> AExisting);
// The same from how many ranges have each palette colour (in palette order).
using TDWRangeColorCounts = std::array<size_t, kDWRangePalette.size()>;
DW_API TAlphaColor DWNewRangeColor(const TDWRangeColorCounts& ACounts);
// The colour's place in the palette, -1 for other colours.
DW_API int DWRangePaletteIndex(TAlphaColor AColor);

}  // namespace dw
