// The thermometer's straight scale: ticks and labels along a vertical line, and the band of
// coloured ranges beside it. The scale starts at Min at the bottom and runs upwards; every
// position is resolved to pixels by the caller.
#pragma once

#include "dialworks/Export.h"
#include "dialworks/draw/Graphics.h"
#include "dialworks/foundation/DWAnalogInstrument.h"

namespace dw {

// Where a vertical scale lies, in pixels.
struct DW_API TDWVerticalScalePlace {
  float Bottom = 0;  // y of Min
  float Length = 0;  // from Min up to Max
  float TickX = 0;   // where the ticks start
  float MajorEndX = 0, MinorEndX = 0;
  float MajorLabelX = 0, MinorLabelX = 0;  // left edge of each family's labels (at label angle 0)
  float ThicknessReference = 0;  // tick Thickness is a share of it
  float FontReference = 0;       // label font sizes are shares of it
};

// Ticks and labels of AScale for the range AMin..AMax (labels centred on their tick's height).
DW_API void DWDrawVerticalScale(gp::Graphics& g, const TDWBasicGaugeScale& AScale, double AMin, double AMax,
                                const TDWVerticalScalePlace& APlace);

// The range band AWidth wide centred on AX over ALength pixels upwards from ABottom, and the
// ranges on it (0.8 of its width) stacked from the bottom in list order; the one that passes the
// top is cut there and the rest are skipped.
DW_API void DWDrawVerticalRanges(gp::Graphics& g, const TDWAnalogGaugeScaleRanges& ARanges, float AX, float AWidth,
                                 float ABottom, float ALength);

}  // namespace dw
