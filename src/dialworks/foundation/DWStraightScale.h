// A scale along a straight upright line: coloured ranges in a band beside it and the ticks and
// labels of the shared tick list, for instruments whose scale runs straight (linear gauge,
// thermometer). Positions run from the line's bottom (fraction 0, the Min end unless reversed) to
// its top; everything is in the caller's frame coordinates.
#pragma once

#include "dialworks/Export.h"
#include "dialworks/draw/Graphics.h"
#include "dialworks/foundation/DWAnalogInstrumentDecorations.h"
#include "dialworks/foundation/DWAnalogInstrumentScale.h"

namespace dw {

// The line: its top T and length L (y of fraction f is T + L - f·L).
struct DW_API TDWStraightLine {
  float T = 0, L = 0;
  float YAt(float AFraction) const { return T + L - AFraction * L; }
};

// One drawn range segment: from Y1 to Y2 (Y1 nearer the Min end) in Color.
struct DW_API TDWStraightRangeSegment {
  float Y1 = 0, Y2 = 0;
  TAlphaColor Color = 0;
};

// The segments of ARanges stacked from the Min end (the bottom, or the top when AReversed), each
// its share of the line; the segment that passes the other end is cut there and no later one is
// drawn. Negative or NaN shares count as 0.
DW_API std::vector<TDWStraightRangeSegment> DWStraightRangeSegments(const TDWAnalogGaugeRanges& ARanges,
                                                                    const TDWStraightLine& ALine, bool AReversed);

// The range band: the background rectangle AWidth wide centred on AX along the whole line, then
// the segments 0.8·AWidth wide.
DW_API void DWDrawStraightRanges(gp::Graphics& g, const TDWAnalogGaugeScaleRanges& ARanges, const TDWStraightLine& ALine,
                                 float AX, float AWidth, bool AReversed);

// Where the ticks and labels go across the line (x), and the references of their sizes.
struct DW_API TDWStraightTickPlace {
  float BaseX = 0;         // where every tick starts
  float MajorEndX = 0;     // where major ticks end
  float MinorEndX = 0;     // where minor ticks end
  float MajorLabelX = 0;   // left edge of major labels (before their turn)
  float MinorLabelX = 0;
  float ThicknessRef = 0;  // tick thickness reference (the line's length)
  float FontRef = 0;       // label font size reference
};

// Draws the ticks of AList (from AScale's tick list) and their labels: a horizontal line per tick,
// a label left-aligned at its label x after turning by the label angle (the turned text's x extent
// is |cos a|·width + |sin a|·height). Outlined fonts are drawn as outlined paths.
DW_API void DWDrawStraightTicks(gp::Graphics& g, const TDWBasicGaugeScale& AScale, const TDWScaleTickList& AList,
                                const TDWStraightLine& ALine, const TDWStraightTickPlace& APlace);

}  // namespace dw
