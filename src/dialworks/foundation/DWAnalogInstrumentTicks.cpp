#include "dialworks/foundation/DWAnalogInstrumentTicks.h"

#include <algorithm>

#include "dialworks/host/TickText.h"

namespace dw {

TDWScaleTickList DWListScaleTicks(const TDWTickListSettings& S, double AMin, double AMax) {
  TDWScaleTickList list;
  const uint32_t majors = std::clamp<uint32_t>(S.MajorCount, 1, kDWMaxMajorTicks);
  uint32_t minors = 0;
  if (majors > 1) minors = std::min<uint32_t>(S.MinorCount, kDWMaxTickSteps / (majors - 1) - 1);
  list.Steps = (majors - 1) * (minors + 1);

  const double majorStep = majors > 1 ? (AMax - AMin) / (majors - 1) : 0.0;
  const double minorStep = majorStep / (minors + 1);
  // Minor labels format their number against one major-count-th of the range.
  const double minorSpan = (AMax - AMin) / majors;

  auto add = [&](uint32_t k, double value, bool major, bool label) {
    TDWScaleTick t;
    t.Position = S.Reversed ? list.Steps - k : k;
    t.Fraction = list.Steps ? float(t.Position) / float(list.Steps) : 0.0f;
    t.Value = value;
    t.Major = major;
    t.HasLabel = label;
    if (label) {
      t.Label = major ? MZGetScaleTickText(value, AMax, AMin, S.FixedPrecision, S.NumberDigits, false)
                      : MZGetScaleTickText(value, minorSpan, 0, S.FixedPrecision, S.NumberDigits, false);
    }
    list.Ticks.push_back(std::move(t));
  };

  // Each major value is computed from the minimum in double precision; minor values start from
  // it. (A single-precision running sum labelled a range of 1e8 .. 1e8 + 100 up to 1e8 + 80, and
  // no label at all past 3.4e38.)
  for (uint32_t i = 0; i < majors; ++i) {
    const double running = AMin + double(i) * majorStep;
    const uint32_t k = i * (minors + 1);
    const bool first = i == 0, last = i == majors - 1;
    if (S.MajorVisible) {
      bool drawn, label;
      if (majors == 1) {
        drawn = S.MinTickVisible || S.MaxTickVisible;
        label = (S.MinTickVisible && S.MinTickLabel) || (S.MaxTickVisible && S.MaxTickLabel);
      } else {
        drawn = (!first && !last) || (first && S.MinTickVisible) || (last && S.MaxTickVisible);
        label = (!first && !last) || (first && S.MinTickLabel) || (last && S.MaxTickLabel);
      }
      if (drawn) add(k, running, true, label && S.MajorLabels);
    } else if (S.MinorVisible) {
      add(k, running, false, S.MinorLabels);
    }
    if (!last && S.MinorVisible) {
      for (uint32_t j = 1; j <= minors; ++j) add(k + j, running + j * minorStep, false, S.MinorLabels);
    }
  }
  return list;
}

}  // namespace dw
