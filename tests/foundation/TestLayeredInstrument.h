// The smallest instrument on the layered base, as a new instrument unit would write it: a value
// bar with a face, an optional top layer, an element collection and its hooks. Every hook notes
// its call in Log, so tests see what the base calls and in which order.
#pragma once

#include <string>
#include <vector>

#include "dialworks/draw/Brush.h"
#include "dialworks/foundation/DWAnalogInstrument.h"

namespace dwtest {

using namespace dw;

class TTestLayered : public TDWLayeredInstrument<TDWBasicMinMaxInstrument> {
  DW_CLASS(TTestLayered, TDWBasicMinMaxInstrument)
  explicit TTestLayered(TComponent* AOwner = nullptr) : TDWLayeredInstrument(AOwner), FElements(this) {
    InitSize(40, 20);
  }
  ~TTestLayered() override { StopInputs(); }

  TRXGaugeComponentElements& Elements() { return FElements; }
  TRXComponentElements* ElementList() override { return &FElements; }
  // Whether the instrument has a top layer (a glass, say); a change is an appearance change.
  bool Glass() const { return FGlass; }
  void SetGlass(bool AValue) { Setter(*this, "Glass", FGlass, AValue, [this] { InvalidateRange(); }); }

  std::vector<std::string> Log;
  // A different inset moves the layers inside the drawing area.
  float Inset = 0;
  // What LayersDroppedBy answers for a value change (the base's default: none).
  TDWLayerSet ValueDrops = lsNone;
  // And for a change of Min or Max (the base's default: both).
  TDWLayerSet ScaleDrops = lsBoth;

 protected:
  TDWLayerArea LayerArea(float AWidth, float AHeight) override {
    Log.push_back("area");
    return {Inset, Inset, AWidth - 2 * Inset, AHeight - 2 * Inset};
  }
  bool HasTopLayer(const TDWLayerFrame&) override { return FGlass; }
  void DrawFaceLayer(gp::Graphics& g, const TDWLayerFrame& F) override {
    Log.push_back("face");
    g.FillRectangle(gp::SolidBrush(0xFF0000FF), gp::RectF(0, 0, F.Area.Width, F.Area.Height));
  }
  void DrawTopLayer(gp::Graphics& g, const TDWLayerFrame& F) override {
    Log.push_back("top");
    g.FillRectangle(gp::SolidBrush(0x8000FF00), gp::RectF(0, 0, F.Area.Width, F.Area.Height / 2));
  }
  // The bar: as wide as the value's share of the range, drawn every frame, then the elements.
  void DrawMovingParts(gp::Graphics& g, const TDWLayerFrame& F) override {
    Log.push_back(F.TopLayer ? "moving+top" : "moving");
    const double share = FMax > FMin ? (FValue - FMin) / (FMax - FMin) : 0;
    g.FillRectangle(gp::SolidBrush(0xFFFF0000), gp::RectF(0, 0, float(share) * F.Area.Width, F.Area.Height));
    FElements.DrawElements(g, {F.Area.Width / 2, F.Area.Height / 2, F.Area.Width, F.Area.Height, F.OuterWidth,
                               F.OuterHeight, F.Offscreen});
  }
  TDWLayerSet LayersDroppedBy(TDWInvalidation AKind) const override {
    if (AKind == TDWInvalidation::Scale) return ScaleDrops;
    return AKind == TDWInvalidation::Value ? ValueDrops : TDWLayeredInstrument::LayersDroppedBy(AKind);
  }
  void ValueChanged() override {
    Log.push_back("value");
    TDWLayeredInstrument::ValueChanged();
  }
  void SizeChanged() override { Log.push_back("size"); }
  void ValueLoaded() override { Log.push_back("loaded"); }
  void StopMotion() override { Log.push_back("stop"); }
  int MinimumSize() const override { return 4; }

 private:
  TRXGaugeComponentElements FElements;
  bool FGlass = false;
};

class TTestLayeredExternal : public TDWWithInputPin<TTestLayered> {
  DW_CLASS(TTestLayeredExternal, TTestLayered)
  using TDWWithInputPin::TDWWithInputPin;
};

}  // namespace dwtest
