// The spectrum display's nested properties (bars, blocks, peaks, colour groups) and the colour of
// a group's ramp at a position.
#include <algorithm>
#include <cmath>
#include <numeric>

#include "dialworks/draw/Shading.h"
#include "dialworks/host/Helpers.h"
#include "dialworks/matrix/DWSpectrumDisplay.h"

namespace dw {

TDWSpectrumBarBlocks::TDWSpectrumBarBlocks(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl)
    : TKVBasicControlProperty(std::move(AOnChange), AOwner, AControl),
      FSize(std::make_unique<TKVElementSize>([this] { DoChanged(); }, this, AControl, 0.01f)),
      FGap(std::make_unique<TKVElementSize>([this] { DoChanged(); }, this, AControl, 0.005f)) {}

DW_PROPERTIES(TDWSpectrumBarBlocks) {
  using C = TDWSpectrumBarBlocks;
  t.Bool("Enabled", &C::Enabled, &C::SetEnabled, true);
  t.Bool("Discrete", &C::Discrete, &C::SetDiscrete, true).Doc("levels snap to whole blocks");
  t.Object("Size", [](C& c) -> TKVElementSize& { return c.Size(); }).Doc("share of the bar height");
  t.Object("Gap", [](C& c) -> TKVElementSize& { return c.Gap(); }).Doc("share of the bar height");
}

DW_PROPERTIES(TDWSpectrumBarsMax) {
  using C = TDWSpectrumBarsMax;
  t.Real("Value", &C::Value, &C::SetValue, 1000.0).Doc("full-scale value; 0 or less draws empty bars");
  t.Bool("AutoSize", &C::AutoSize, &C::SetAutoSize, true).Doc("the pin's range maximum when one is supplied");
}

DW_PROPERTIES(TDWSpectrumBarCount) {
  using C = TDWSpectrumBarCount;
  t.Cardinal("Count", &C::Count, &C::SetCount, 63).Limit(0, C::MaxBars);
  t.Bool("AutoSize", &C::AutoSize, &C::SetAutoSize, true).Doc("one bar per value received");
}

TDWSpectrumBarPeaks::TDWSpectrumBarPeaks(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl)
    : TKVBasicControlProperty(std::move(AOnChange), AOwner, AControl),
      FHeight(std::make_unique<TKVElementSize>([this] { DoChanged(); }, this, AControl, 0.01f)),
      FBlocks(std::make_unique<TDWSpectrumBarBlocks>([this] { DoChanged(); }, this, AControl)) {}

uint32_t TDWSpectrumBarPeaks::Tick() const { return std::gcd(FLiveInterval, FDroppingInterval); }

DW_PROPERTIES(TDWSpectrumBarPeaks) {
  using C = TDWSpectrumBarPeaks;
  t.Bool("Dropping", &C::Dropping, &C::SetDropping, true);
  t.Cardinal("LiveInterval", &C::LiveInterval, &C::SetLiveInterval, 500).Limit(0, C::MaxInterval).Doc("ms");
  t.Cardinal("DroppingInterval", &C::DroppingInterval, &C::SetDroppingInterval, 20)
      .Limit(1, C::MaxInterval)
      .Doc("ms between two fall steps");
  t.Real("DroppingStep", &C::DroppingStep, &C::SetDroppingStep, 1.0).Limit(0, C::MaxStep);
  t.Color("Color", &C::Color, &C::SetColor, 0xFFFFFFFF);
  t.Color("DroppingColor", &C::DroppingColor, &C::SetDroppingColor, 0xFFFFFF00);
  t.Object("Height", [](C& c) -> TKVElementSize& { return c.Height(); }).Doc("share of the bar height");
  t.Object("Blocks", [](C& c) -> TDWSpectrumBarBlocks& { return c.Blocks(); });
}

TDWSpectrumGroupColors::TDWSpectrumGroupColors(TDWSpectrumBarColorGroup& AGroup)
    : TKVColorItems([&AGroup] { AGroup.DoChanged(); }, &AGroup, nullptr), FGroup(AGroup) {}

TControlMutex* TDWSpectrumGroupColors::ChangeLock() const { return FGroup.ChangeLock(); }

DW_PROPERTIES(TDWSpectrumGroupColors) {}

TDWSpectrumBarColorGroup::TDWSpectrumBarColorGroup() : FColors(std::make_unique<TDWSpectrumGroupColors>(*this)) {}
TDWSpectrumBarColorGroup::~TDWSpectrumBarColorGroup() = default;

DW_PROPERTIES(TDWSpectrumBarColorGroup) {
  using C = TDWSpectrumBarColorGroup;
  t.Collection("Colors", [](C& c) -> TKVColorItems& { return c.Colors(); }).Doc("ramp along the bars, bottom first");
}

DW_PROPERTIES(TDWSpectrumBarColorGroups) {}

TDWSpectrumBars::TDWSpectrumBars(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl,
                                 TControlMutex* ALock)
    : TKVBasicControlProperty(std::move(AOnChange), AOwner, AControl) {
  auto changed = [this] { DoChanged(); };
  FWidth = std::make_unique<TKVElementSize>(changed, this, AControl, 0.9f);
  FHeight = std::make_unique<TKVElementSize>(changed, this, AControl, 0.97f);
  FOffset = std::make_unique<TKVElementOffsets>(changed, this, AControl, 0.01f, 0.03f);
  FMax = std::make_unique<TDWSpectrumBarsMax>(changed, this, AControl);
  FPeaks = std::make_unique<TDWSpectrumBarPeaks>(changed, this, AControl);
  FBlocks = std::make_unique<TDWSpectrumBarBlocks>(changed, this, AControl);
  FCount = std::make_unique<TDWSpectrumBarCount>(changed, this, AControl);
  FColorGroups = std::make_unique<TDWSpectrumBarColorGroups>(changed, this, ALock);
}

TDWSpectrumBars::~TDWSpectrumBars() = default;

DW_PROPERTIES(TDWSpectrumBars) {
  using C = TDWSpectrumBars;
  t.Object("Width", [](C& c) -> TKVElementSize& { return c.Width(); }).Doc("share of the bar pitch");
  t.Object("Height", [](C& c) -> TKVElementSize& { return c.Height(); })
      .Doc("share of the height less the bottom offset");
  t.Object("Offset", [](C& c) -> TKVElementOffsets& { return c.Offset(); })
      .Doc("X: left and right margin, share of the width; Y: bottom margin, share of the height");
  t.Object("Max", [](C& c) -> TDWSpectrumBarsMax& { return c.Max(); });
  t.Object("Peaks", [](C& c) -> TDWSpectrumBarPeaks& { return c.Peaks(); });
  t.Object("Blocks", [](C& c) -> TDWSpectrumBarBlocks& { return c.Blocks(); });
  t.Object("Count", [](C& c) -> TDWSpectrumBarCount& { return c.Count(); });
  t.Color("Color", &C::Color, &C::SetColor, 0xFF00FF00).Doc("lit colour without colour groups");
  t.Color("BackColor", &C::BackColor, &C::SetBackColor, 0xFF696969).Doc("unlit bar body");
  t.Collection("ColorGroups", [](C& c) -> TDWSpectrumBarColorGroups& { return c.ColorGroups(); })
      .Doc("ramps across the bars (groups) and along them (each group's Colors)");
}

// ---- colour of a group's ramp ---------------------------------------------------------------------

TAlphaColor DWSpectrumGroupColor(const std::vector<TAlphaColor>& AColors, const std::vector<float>& AWeights,
                                 const std::vector<bool>& ABreaks, float AP, bool AAbove) {
  const size_t n = AColors.size();
  if (n == 0) return 0;
  // Runs: a colour with its break flag set ends its run.
  double total = 0;
  for (size_t k = 0; k < n; ++k) total += double(AWeights[k]);
  if (!(total > 0)) return AColors[0];
  // The ramp is a strip of 1000 pixels: position p is the centre of pixel nint(p * 999).
  const double x = (double(RXRoundHalfEvenToInt(double(std::clamp(AP, 0.0f, 1.0f)) * 999)) + 0.5) / 1000;
  double runStart = 0;
  size_t first = 0;
  while (first < n) {
    size_t last = first;
    while (last + 1 < n && !ABreaks[last]) ++last;
    double runWeight = 0;
    for (size_t k = first; k <= last; ++k) runWeight += double(AWeights[k]);
    const double runEnd = runStart + runWeight / total;
    const bool isLastRun = last + 1 >= n;
    // At a break itself: the ending run's last colour below, the next run's first above.
    if (!isLastRun && std::fabs(double(AP) - runEnd) < 1e-5) return AAbove ? AColors[last + 1] : AColors[last];
    // At a break the colour just below is this run's end, the colour just above the next run's
    // start; x lies strictly inside a run otherwise.
    const bool inside = AAbove ? (x < runEnd || isLastRun) : (x <= runEnd || isLastRun);
    if (inside) {
      if (first == last) return AColors[first];
      double inner = 0;  // weights of the run's colours except the last
      for (size_t k = first; k < last; ++k) inner += double(AWeights[k]);
      const double t = runWeight > 0 ? (x - runStart) / (runEnd - runStart) : 0;
      // Colour k sits at (weights before k) / inner along the run.
      double pos = 0;
      for (size_t k = first; k < last; ++k) {
        const double next = inner > 0 ? pos + double(AWeights[k]) / inner : 1;
        if (t <= next || k + 1 == last) {
          const double f = next > pos ? (t - pos) / (next - pos) : 1;
          return RXInterpolateColorF(AColors[k], AColors[k + 1], float(std::clamp(f, 0.0, 1.0)));
        }
        pos = next;
      }
      return AColors[last];
    }
    runStart = runEnd;
    first = last + 1;
  }
  return AColors[n - 1];
}

}  // namespace dw
