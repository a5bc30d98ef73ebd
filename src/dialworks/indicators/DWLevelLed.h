// The level LED: an LED whose colour tells where the value lies between Min and Max, on the default
// ramp (transparent -> blue -> cyan -> green -> yellow -> red -> pink) or on the configured Colors;
// off (disabled) it shows its inactive colour. With its layer, element and matrix-layer variants.
//
// A value outside the range after a range change (Min and Max do not re-limit the value) is shown
// at the nearer end; Min = Max counts as a range of 1; Min > Max reads the range downwards.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "dialworks/Export.h"
#include "dialworks/foundation/DWAnalogInstrument.h"
#include "dialworks/framework/ColorItems.h"
#include "dialworks/framework/Elements.h"
#include "dialworks/indicators/DWLed.h"

namespace dw {

// The default ramp for AShare (0..1, limited; NaN: 0) of the range: 1409 steps from transparent at
// 0 to 0xFFFF0080 at 1.
DW_API TAlphaColor DWLevelDefaultColor(double AShare);
// Value to colour on AColors (none: the default ramp; one: that colour faded in from transparent
// black; more: equal segments blended linearly).
DW_API TAlphaColor DWLevelLedColor(const std::vector<TAlphaColor>& AColors, double AValue, double AMin, double AMax);

// Registers the unit DWLevelLed: control, layer and element variants, all under "Indicators".
namespace DWLevelLed {
DW_API void RegisterPkg();  // element classes name it as their RegisterUnit
}  // namespace DWLevelLed

class DW_API TDWBasicLevelLed : public TDWBasicInactiveColorLed<TDWBasicMinMaxInstrument> {
  DW_CLASS(TDWBasicLevelLed, TDWBasicMinMaxInstrument)
  static constexpr int DefaultSize = 24;
  explicit TDWBasicLevelLed(TComponent* AOwner = nullptr);
  ~TDWBasicLevelLed() override;

  // Colour stops of the level ramp (empty: the default ramp).
  TRXGPColorItems& Colors() { return *FColors; }
  const TRXGPColorItems& Colors() const { return *FColors; }
  void SetColors(const TRXGPColorItems& AValue) { FColors->Assign(AValue); }

  TAlphaColor ValueToColor(double AValue, double AMin, double AMax) const;
  // On: the control is enabled.
  bool GetIsOn() const override { return Enabled(); }
  TAlphaColor GetActiveColor() const override { return ValueToColor(FValue, FMin, FMax); }

 protected:
  // The colour list is read by every frame: kept as a plain list, refreshed when the items change.
  void ColorsChanged();

 private:
  std::unique_ptr<TRXGPColorItems> FColors;
  std::vector<TAlphaColor> FColorList;
};

class DW_API TDWExternalLevelLed : public TDWWithInputPin<TDWBasicLevelLed> {
  DW_CLASS(TDWExternalLevelLed, TDWBasicLevelLed)
  explicit TDWExternalLevelLed(TComponent* AOwner = nullptr);
  // The elements go before the input pin's mixin disconnects the pin: a plain delete disconnects
  // it first, so no value arriving meanwhile walks them.
  ~TDWExternalLevelLed() override { InputPin().DisconnectAll(); }
  TRXGaugeComponentElements& Elements() { return *FElements; }
  const TRXGaugeComponentElements& Elements() const { return *FElements; }
  TRXComponentElements* ElementList() override { return FElements.get(); }

 protected:
  void DrawMovingParts(gp::Graphics& AGraphics, const TDWLayerFrame& AFrame) override;

 private:
  std::unique_ptr<TRXGaugeComponentElements> FElements;
};

// The standalone control: Background.
class DW_API TDWLevelLed : public TDWStandaloneControl<TDWExternalLevelLed> {
  DW_CLASS(TDWLevelLed, TDWExternalLevelLed)
  using TDWStandaloneControl::TDWStandaloneControl;
};

class DW_API TDWLevelLedLayer : public TDWExternalLevelLed {
  DW_CLASS(TDWLevelLedLayer, TDWExternalLevelLed)
  using TDWExternalLevelLed::TDWExternalLevelLed;
};

class DW_API TDWBasicLevelLedElement : public TDWBasicLevelLed {
  DW_CLASS(TDWBasicLevelLedElement, TDWBasicLevelLed)
  static void RegisterUnit() { DWLevelLed::RegisterPkg(); }
  using TDWBasicLevelLed::TDWBasicLevelLed;
};

// Mirrors its host's Min, Max and Value.
class DW_API TDWLevelLedElement : public TDWMirroringElement<TDWBasicLevelLedElement> {
  DW_CLASS(TDWLevelLedElement, TDWBasicLevelLedElement)
  explicit TDWLevelLedElement(TComponent* AOwner = nullptr) : TDWMirroringElement(AOwner) {
    SetPlacementDefaults({0.1f, 0.1f}, {0, 0.5f});
  }
};

// An element with its own value: the external LED placed in a host (its own Position and Size).
class DW_API TDWExternalLevelLedElement : public TDWPlacedElement<TDWExternalLevelLed> {
  DW_CLASS(TDWExternalLevelLedElement, TDWExternalLevelLed)
  static void RegisterUnit() { DWLevelLed::RegisterPkg(); }
  explicit TDWExternalLevelLedElement(TComponent* AOwner = nullptr) : TDWPlacedElement(AOwner) {
    SetPlacementDefaults({0.1f, 0.1f}, {0, 0.5f});
  }
};

class DW_API TDWExternalLevelLedMatrixLayer : public TDWMatrixLayerOf<TDWExternalLevelLedElement> {
  DW_CLASS(TDWExternalLevelLedMatrixLayer, TDWExternalLevelLedElement)
  explicit TDWExternalLevelLedMatrixLayer(TComponent* AOwner = nullptr) : TDWMatrixLayerOf(AOwner) {
    SetPlacementDefaults({0.3f, 0.3f}, {0, 0});
  }
};

class DW_API TDWExternalLevelLedMatrixElement : public TDWExternalLevelLedMatrixLayer {
  DW_CLASS(TDWExternalLevelLedMatrixElement, TDWExternalLevelLedMatrixLayer)
  using TDWExternalLevelLedMatrixLayer::TDWExternalLevelLedMatrixLayer;
};

}  // namespace dw
