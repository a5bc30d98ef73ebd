#include "dialworks/indicators/DWLevelLed.h"

#include <algorithm>
#include <cmath>

#include "dialworks/framework/Registry.h"
#include "dialworks/host/Helpers.h"

namespace dw {

namespace {

constexpr TAlphaColor LedArgb(int a, int r, int g, int b) {
  return MakeColor(uint8_t(r), uint8_t(g), uint8_t(b), uint8_t(a));
}

double LimitShare(double AShare) { return AShare >= 0 ? std::min(AShare, 1.0) : 0.0; }

uint8_t Channel(double v) { return uint8_t(std::clamp(RXRoundHalfEvenToInt(v), 0, 255)); }

}  // namespace

TAlphaColor DWLevelDefaultColor(double AShare) {
  const int i = std::min(RXRoundHalfEvenToInt(LimitShare(AShare) * 1408), 1408);
  const int b = i % 256;
  if (i < 256) return LedArgb(b, 0, 0, b);
  if (i < 512) return LedArgb(255, 0, b, 255);
  if (i < 768) return LedArgb(255, 0, 255, 255 - b);
  if (i < 1024) return LedArgb(255, b, 255, 0);
  if (i < 1280) return LedArgb(255, 255, 255 - b, 0);
  return LedArgb(255, 255, 0, b);
}

TAlphaColor DWLevelLedColor(const std::vector<TAlphaColor>& AColors, double AValue, double AMin, double AMax) {
  // The share of the range; outside it (a range changed after the value), the nearer end. Min = Max
  // is a range of 1, set directly: AMin + 1 is AMin itself from 2^53 on.
  const double r = AMax == AMin ? 1.0 : AMax - AMin;
  const double f = r != 0 && std::isfinite(r) ? LimitShare((AValue - AMin) / r) : 0.0;
  if (AColors.empty()) return DWLevelDefaultColor(f);
  if (AColors.size() == 1) {
    const TAlphaColor c = AColors[0];
    return MakeColor(Channel(GetRed(c) * f), Channel(GetGreen(c) * f), Channel(GetBlue(c) * f),
                     Channel(GetAlpha(c) * f));
  }
  // Equal segments between neighbouring colours; the last segment ends at the top of the range.
  const size_t n = AColors.size() - 1;
  const size_t k = f >= 1 ? n - 1 : std::min(size_t(f * double(n)), n - 1);
  const double t = f * double(n) - double(k);
  const TAlphaColor a = AColors[k], b = AColors[k + 1];
  auto mix = [t](int ca, int cb) { return Channel(ca + (cb - ca) * t); };
  return MakeColor(mix(GetRed(a), GetRed(b)), mix(GetGreen(a), GetGreen(b)), mix(GetBlue(a), GetBlue(b)),
                   mix(GetAlpha(a), GetAlpha(b)));
}

// ---- the LED ------------------------------------------------------------------------------------

TDWBasicLevelLed::TDWBasicLevelLed(TComponent* AOwner) : TDWBasicInactiveColorLed(AOwner) {
  FColors = std::make_unique<TRXGPColorItems>([this] { ColorsChanged(); }, this, &ControlLock());
  InitSize(DefaultSize, DefaultSize);
}

TDWBasicLevelLed::~TDWBasicLevelLed() { StopInputs(); }

void TDWBasicLevelLed::ColorsChanged() {
  FColorList = FColors->Colors();
  Invalidate();
}

TAlphaColor TDWBasicLevelLed::ValueToColor(double AValue, double AMin, double AMax) const {
  return DWLevelLedColor(FColorList, AValue, AMin, AMax);
}

DW_PROPERTIES(TDWBasicLevelLed) {
  using C = TDWBasicLevelLed;
  DWDeclareInactiveColorLedProperties(t);
  t.Collection("Colors", [](C& c) -> TRXGPColorItems& { return c.Colors(); })
      .Doc("colour stops of the level ramp; empty: the default ramp");
  t.Integer("Width", [](const C& c) { return c.Width(); }, [](C& c, int v) { c.SetWidth(v); }, C::DefaultSize)
      .Limit(0, TRXTransparentControl::MaxSize)
      .Doc("pixels");
  t.Integer("Height", [](const C& c) { return c.Height(); }, [](C& c, int v) { c.SetHeight(v); }, C::DefaultSize)
      .Limit(0, TRXTransparentControl::MaxSize)
      .Doc("pixels");
}

TDWExternalLevelLed::TDWExternalLevelLed(TComponent* AOwner)
    : TDWWithInputPin(AOwner), FElements(std::make_unique<TRXGaugeComponentElements>(this)) {}

void TDWExternalLevelLed::DrawMovingParts(gp::Graphics& g, const TDWLayerFrame& AFrame) {
  TDWWithInputPin::DrawMovingParts(g, AFrame);
  FElements->DrawElements(g, {AFrame.Area.Width / 2, AFrame.Area.Height / 2, AFrame.Area.Width, AFrame.Area.Height,
                              AFrame.OuterWidth, AFrame.OuterHeight, AFrame.Offscreen});
}

// ---- variants and registration ------------------------------------------------------------------

DW_PROPERTIES(TDWExternalLevelLed) {
  using C = TDWExternalLevelLed;
  DWDeclareMinMaxValueProperties(t);
  t.Collection("Elements", [](C& c) -> TRXGaugeComponentElements& { return c.Elements(); });
}
DW_PROPERTIES(TDWLevelLed) { DWDeclareBackgroundProperty(t); }
DW_PROPERTIES(TDWLevelLedLayer) {}
DW_PROPERTIES(TDWBasicLevelLedElement) {}
DW_PROPERTIES(TDWLevelLedElement) { DWDeclarePlacementProperties(t); }
DW_PROPERTIES(TDWExternalLevelLedElement) { DWDeclarePlacementProperties(t); }
DW_PROPERTIES(TDWExternalLevelLedMatrixLayer) {}
DW_PROPERTIES(TDWExternalLevelLedMatrixElement) {}

void DWLevelLed::RegisterPkg() {
  TRegistrationUnit unit("DWLevelLed");
  TClassGroupScope group(TKVBasicControl::StaticClass());
  DWRegisterInstrumentVariants({.Control = &TDWLevelLed::StaticClass(),
                                .Layer = &TDWLevelLedLayer::StaticClass(),
                                .Category = "Indicators",
                                .MirroringElement = &TDWLevelLedElement::StaticClass(),
                                .MirroringFamily = efGauge,
                                .ExternalElement = &TDWExternalLevelLedElement::StaticClass(),
                                .MatrixLayer = &TDWExternalLevelLedMatrixLayer::StaticClass(),
                                .StreamingOnly = {&TDWExternalLevelLedMatrixElement::StaticClass()}});
}

}  // namespace dw
