// A small test-only dial built on the foundation: the value model, a hand, the centre cap, scale
// ranges and glass, an element collection, and every variant declared the way instrument units
// declare theirs.
#pragma once

#include <memory>

#include "dialworks/foundation/DWAnalogInstrument.h"
#include "dialworks/host/ManualHost.h"

namespace dwtest {

using namespace dw;

class TTestDialBasic : public TDWBasicMinMaxInstrument {
  DW_CLASS(TTestDialBasic, TDWBasicMinMaxInstrument)
  explicit TTestDialBasic(TComponent* AOwner = nullptr);

  TDWAngularHand& Hand() { return *FHand; }
  TDWAnalogInstrumentCenter& Center() { return *FCenter; }
  TDWAnalogGaugeScaleRanges& Ranges() { return *FRanges; }
  TDWGlass& Glass() { return *FGlass; }
  TDWReversibleGaugeScale& Scale() { return *FScale; }
  TRXGaugeComponentElements& Elements() { return FElements; }
  TRXComponentElements* ElementList() override { return &FElements; }
  bool Square() const { return FSquare; }
  void SetSquare(bool AValue) { Setter(*this, "Square", FSquare, AValue); }
  // Round instruments answer whether their elements are drawn square.
  bool ElementSquare() const { return FSquare; }

  void InvalidateValue() override;
  void InvalidateRange() override;
  void InvalidateSize() override;
  void IntDraw(gp::Graphics& AGraphics, const TDrawArea& AArea) override;

  int ValueInvalidations = 0, RangeInvalidations = 0, SizeInvalidations = 0, Draws = 0;
  float LastWidth = 0, LastHeight = 0;
  bool LastEmbedded = false;

 private:
  std::unique_ptr<TDWAngularHand> FHand;
  std::unique_ptr<TDWAnalogInstrumentCenter> FCenter;
  std::unique_ptr<TDWAnalogGaugeScaleRanges> FRanges;
  std::unique_ptr<TDWGlass> FGlass;
  std::unique_ptr<TDWReversibleGaugeScale> FScale;
  TRXGaugeComponentElements FElements;
  bool FSquare = false;
};

class TTestDialExternal : public TDWWithInputPin<TTestDialBasic> {
  DW_CLASS(TTestDialExternal, TTestDialBasic)
  using TDWWithInputPin::TDWWithInputPin;
};

class TTestDial : public TDWStandaloneControl<TTestDialExternal> {
  DW_CLASS(TTestDial, TTestDialExternal)
  using TDWStandaloneControl::TDWStandaloneControl;
};

class TTestDialLayer : public TTestDialExternal {
  DW_CLASS(TTestDialLayer, TTestDialExternal)
  using TTestDialExternal::TTestDialExternal;
};

class TTestDialBasicElement : public TTestDialBasic {
  DW_CLASS(TTestDialBasicElement, TTestDialBasic)
  using TTestDialBasic::TTestDialBasic;
};

class TTestDialElement : public TDWMirroringElement<TTestDialBasicElement> {
  DW_CLASS(TTestDialElement, TTestDialBasicElement)
  explicit TTestDialElement(TComponent* AOwner = nullptr) : TDWMirroringElement(AOwner) {
    SetPlacementDefaults({0.3f, 0.3f}, {0, 0.6f});
  }
};

class TExternalTestDialElement : public TDWExternalElement<TTestDialElement> {
  DW_CLASS(TExternalTestDialElement, TTestDialElement)
  using TDWExternalElement::TDWExternalElement;
};

class TExternalTestDialMatrixLayer : public TDWMatrixLayerOf<TExternalTestDialElement> {
  DW_CLASS(TExternalTestDialMatrixLayer, TExternalTestDialElement)
  explicit TExternalTestDialMatrixLayer(TComponent* AOwner = nullptr) : TDWMatrixLayerOf(AOwner) {
    SetPlacementDefaults({0.6f, 0.6f}, {0, 0});
  }
};

class TExternalTestDialMatrixElement : public TExternalTestDialMatrixLayer {
  DW_CLASS(TExternalTestDialMatrixElement, TExternalTestDialMatrixLayer)
  using TExternalTestDialMatrixLayer::TExternalTestDialMatrixLayer;
};

// A standalone host for matrix layers in tests.
class TTestMatrixHost : public TKVBasicControl {
  DW_CLASS(TTestMatrixHost, TKVBasicControl)
  explicit TTestMatrixHost(TComponent* AOwner = nullptr) : TKVBasicControl(AOwner), FLayers(this) {}
  TRXMatrixComponentElements& Layers() { return FLayers; }

 private:
  TRXMatrixComponentElements FLayers;
};

// Registers the test dial's variants (idempotent).
void RegisterTestDial();

// A manual host installed for one test, with the test dial registered.
struct TScopedHost {
  TManualHost Host;
  TScopedHost() {
    SetHostServices(&Host);
    RegisterTestDial();
  }
  ~TScopedHost() { SetHostServices(nullptr); }
};

// Whether the property AName of AObject would be written to a form.
inline bool Stored(TPersistent& AObject, const char* AName) {
  return AObject.ClassInfo().FindProperty(AName)->IsStored(AObject);
}

}  // namespace dwtest
