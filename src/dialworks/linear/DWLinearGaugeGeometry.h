// Pure geometry of the linear gauge, kept free of controls so each rule can be tested alone: the
// frame (border thickness and half inner extents of the unrotated frame), the rail's place, the
// value-to-position rule of the hand and its inverse for dragging, and the wheel rule.
//
// Units: pixels of the unrotated frame, whose rail runs upright from the bottom (Min) to the top
// (Max). The frame numbers are HW and HH (half inner width and height) and Bh (half the border
// thickness B): the inner area starts 2·Bh from the frame's edge.
#pragma once

#include "dialworks/Export.h"
#include "dialworks/draw/Types.h"
#include "dialworks/host/Rotation.h"

namespace dw {

struct DW_API TDWLinearFrame {
  TDWTransformParams Transform;  // unrotated frame -> control, and back; W' x H'
  float M = 0;                   // min(W', H'): the reference of border widths
  float B = 0;                   // border thickness: base width plus the visible frame layers
  float HW = 0, HH = 0, Bh = 0;  // half inner width and height, half the border thickness
};

// The frame for border widths already resolved against M (ABorderOf(M) = B). Negative, NaN or
// oversized thicknesses are limited so that the inner area never has a negative or NaN extent.
DW_API TDWLinearFrame DWLinearFrame(const TDWTransformParams& ATransform, float ABorder);

// The rail along the inner height: length L, top T, bottom T + L, x of its left edge (where the
// hands' bases sit). The proportions are those of Rail.Length, Rail.Position.Y and
// Rail.Position.X, already resolved (L against 2·HH, the shift against 2·HH, X against 2·HW).
struct DW_API TDWLinearRail {
  float L = 0, T = 0, X = 0;
  float Bottom() const { return T + L; }
};
DW_API TDWLinearRail DWLinearRail(const TDWLinearFrame& AFrame, float ALength, float AShiftY, float AX);

// The fraction of AValue on AMin..AMax, unclamped: 0 when the range is empty or not finite.
DW_API float DWLinearFraction(double AMin, double AMax, double AValue);
// Where a hand at AFraction (reversal applied here) is anchored on ARail, at its base: the
// fraction is clamped to 0..1 (NaN counts as 0); 0 is the rail bottom, 1 half a pixel above its top.
DW_API float DWLinearHandY(const TDWLinearRail& ARail, float AFraction, bool AReversed);
// The value under the frame's vertical coordinate AY (the drag rule): the fraction from the rail
// bottom, clamped to 0..1 (NaN counts as 1), reversed when the scale is, mapped onto ALo..AHi.
DW_API double DWLinearDragValue(const TDWLinearRail& ARail, float AY, bool AReversed, double ALo, double AHi);
// One wheel notch (AStep +1 up, -1 down): 1 % of the range, limited to ALo..AHi.
DW_API double DWLinearWheelValue(double AValue, int AStep, double ALo, double AHi);

}  // namespace dw
