// The list of ticks a scale face draws. Every dial and bar face takes its ticks from this one
// function, so the rules (end ticks, minor ticks at major positions, reversal, label texts) live in
// one place; the faces only map a tick's position to a place on their scale.
#pragma once

#include "dialworks/Export.h"

#include <cstdint>
#include <string>
#include <vector>

namespace dw {

// What the tick list needs of a scale, flattened so the rules can be tested without a control.
struct DW_API TDWTickListSettings {
  uint32_t MajorCount = 11;  // major positions, both ends included
  uint32_t MinorCount = 4;   // minor ticks between two neighbouring majors
  bool MajorVisible = true;
  bool MajorLabels = true;
  bool MinTickVisible = true;  // the major tick at Min
  bool MinTickLabel = true;
  bool MaxTickVisible = true;  // the major tick at Max
  bool MaxTickLabel = true;
  bool MinorVisible = true;
  bool MinorLabels = false;
  bool Reversed = false;
  bool FixedPrecision = false;
  uint32_t NumberDigits = 2;
};

struct DW_API TDWScaleTick {
  uint32_t Position = 0;  // step from the start of the scale, 0 .. Steps
  float Fraction = 0;     // Position / Steps: 0 at the start of the scale, 1 at its end
  double Value = 0;
  bool Major = false;     // drawn with the major family's length, thickness and brush
  bool HasLabel = false;
  std::string Label;
};

struct DW_API TDWScaleTickList {
  uint32_t Steps = 0;  // (majors - 1) * (minors + 1) equal steps from start to end
  std::vector<TDWScaleTick> Ticks;  // drawn ticks only, in the order they are walked
};

// Limits that keep absurd counts from allocating millions of ticks: the major count is limited to
// kDWMaxMajorTicks and the minor count so that the scale has at most kDWMaxTickSteps steps.
inline constexpr uint32_t kDWMaxMajorTicks = 10001;
inline constexpr uint32_t kDWMaxTickSteps = 100000;

// The drawn ticks of a scale running from AMin to AMax. A major count below 2 lists the single
// position at AMin (drawn when either end tick is visible), so nothing divides by zero.
DW_API TDWScaleTickList DWListScaleTicks(const TDWTickListSettings& ASettings, double AMin, double AMax);

}  // namespace dw
