// The pure arithmetic of the progress bar: the rainbow ramp, the colour ramp laid out by the
// colour items' weights and breaks, the metal and glass shading across the bar, the filled length
// and the block layout. Everything here is a function of its arguments (no control state), so the
// tests check it alone.
#pragma once

#include <cstdint>
#include <vector>

#include "dialworks/Export.h"
#include "dialworks/draw/Bitmap.h"
#include "dialworks/draw/Types.h"

namespace dw {

enum TDWProgressBarGaugeKind : uint8_t { bkFlat, bkMetal, bkGlass };

// The rainbow blue -> cyan -> green -> yellow -> red, always opaque: AValue's share of AMax
// (AMax below 1 counts as 1) on 1024 steps. Shares below 0 (and NaN) give the blue end, above 1
// the red end.
DW_API TAlphaColor ValueToColorRGB(double AValue, double AMax);

// One colour of a ramp: Weight is its relative length (negative and non-finite count as 0), Break
// ends a run.
struct DW_API TDWRampColor {
  TAlphaColor Color = 0;
  float Weight = 1;
  bool Break = false;
};

// The colour at APosition (0..1, limited) of the ramp: each run (ended by a colour with Break)
// takes the share of the length its weights hold of all weights; inside a run the colours sit at
// the running sum of the weights before them over the run's weights except the last, blended
// linearly between neighbours. No colours: transparent; weights that sum to 0 count as equal.
DW_API TAlphaColor DWRampColorAt(const std::vector<TDWRampColor>& AColors, double APosition);

// The base colour of each of ALength columns along the bar: one colour, the ramp over the
// length, or with no colours the rainbow (ValueToColorRGB(x, ALength - 1)).
DW_API std::vector<TAlphaColor> DWBarColumnColors(const std::vector<TDWRampColor>& AColors, int ALength);

// The shaded look across the bar for relative depth ADepth (0 at the top edge, 1 at the bottom):
// bkFlat keeps the colour; bkMetal and bkGlass move its lightness (0..240 scale) along a curve
// that is brightest near a third of the depth. Alpha is kept.
DW_API TAlphaColor DWShadeBarColor(TAlphaColor AColor, TDWProgressBarGaugeKind AKind, double ADepth);

// Fills ABitmap (its full size) with the fill picture: column x has AColumns[x * size / width]
// shaded across the height; AFlip counts the depth from the bottom edge instead.
DW_API void DWPaintBarPicture(gp::Bitmap& ABitmap, const std::vector<TAlphaColor>& AColumns,
                              TDWProgressBarGaugeKind AKind, bool AFlip);

// The filled share of the bar for AValue on AMin..AMax (ends in either order): 0..1, 0 for an
// empty or non-finite range and for NaN.
DW_API double DWBarFilledShare(double AValue, double AMin, double AMax);

// One block of a segmented bar: its start and length along the gauge, in pixels.
struct DW_API TDWBarBlock {
  float Start = 0, Length = 0;
};

// The block pitch of a bar ALength pixels long: blocks ASize long with AGap between them (pixels;
// a block is at least a pixel, a gap at least 0, non-finite sizes count as those least ones).
struct DW_API TDWBarBlocks {
  float Size = 1, Gap = 0;
  // Blocks whose slot starts inside the length (the empty slots of the background too).
  int SlotCount(float ALength) const;
  // The blocks drawn for AFilled pixels of the length: whole blocks whose end lies inside it, and
  // with AMonolithic false a final partial block for the rest.
  int FilledCount(float AFilled, bool AMonolithic) const;
  TDWBarBlock Block(int AIndex, float AFilled, bool AMonolithic) const;
};
DW_API TDWBarBlocks DWBarBlocks(float ASize, float AGap);

}  // namespace dw
