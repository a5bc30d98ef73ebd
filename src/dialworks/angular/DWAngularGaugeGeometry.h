// The dial's geometry, shared by drawing and mouse handling: screen angles of the scale, the value
// to angle mapping, tick angles and the range arcs (the face layout is the foundation's DWDialFace.h).
//
// Scale angles are mathematical degrees (counter-clockwise, y up); everything here returns screen
// degrees, clockwise from +x with y down. The scale begins at the screen angle of MaxAngle (where
// Min sits unless reversed) and runs clockwise over the sweep to the screen angle of MinAngle.
#pragma once

#include <span>
#include <vector>

#include "dialworks/Export.h"
#include "dialworks/draw/Types.h"
#include "dialworks/foundation/DWDialFace.h"
#include "dialworks/framework/Decorations.h"

namespace dw {

struct DW_API TDWDialAngles {
  float Start = 135;  // screen angle where the scale begins (a)
  float End = 45;     // screen angle where it ends (b)
  float Sweep = 270;  // clockwise degrees from Start to End; 360 when the angles are equal
};
DW_API TDWDialAngles DWDialAngles(float AMinAngle, float AMaxAngle);
// The scale closes into a full circle: both angles fold to the same direction.
DW_API bool DWDialIsFullCircle(float AMinAngle, float AMaxAngle);

// Screen angle of a value (not folded). The value is limited to the range, which may run
// downwards (Min above Max); an empty range, or a value or range that is not a number, maps to
// the start.
DW_API float DWDialValueToAngle(const TDWDialAngles& AAngles, bool AReversed, double AMin, double AMax, double AValue);
// The value under a screen angle: the inverse of DWDialValueToAngle for angles on the scale;
// angles off the scale go to the nearer end.
DW_API double DWDialAngleToValue(const TDWDialAngles& AAngles, bool AReversed, double AMin, double AMax, float AAngle);

// Screen angle of tick position APosition of ASteps (the tick list's positions already walk from
// the other end when the scale is reversed).
DW_API float DWDialTickAngle(const TDWDialAngles& AAngles, uint32_t APosition, uint32_t ASteps);


// One coloured arc of the range band: from StartAngle over SweepAngle screen degrees (negative:
// counter-clockwise).
struct DW_API TDWRangeArc {
  float StartAngle = 0, SweepAngle = 0;
  TAlphaColor Color = 0;
};
struct DW_API TDWRangeShare {
  float Share = 0;  // part of the whole sweep, 1 being all of it
  TAlphaColor Color = 0;
};
// The arcs of consecutive ranges along the scale, from its start (its end when reversed), each
// cut to what is left of the sweep; shares that are not positive numbers take no room.
DW_API std::vector<TDWRangeArc> DWDialRangeArcs(const TDWDialAngles& AAngles, bool AReversed,
                                         std::span<const TDWRangeShare> AShares);

}  // namespace dw
