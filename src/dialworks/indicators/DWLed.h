// The LED base: the five LED shapes (those of TKVBorderShape), a bezel, the glow around a lit LED,
// the glass highlight and the lit body, on the layered instrument base. LEDs that show a value
// build on it with the value model as their control base (TDWBasicInactiveColorLed<
// TDWBasicMinMaxInstrument>), on/off LEDs with a plain control (TDWBasicInactiveColorLed<
// TKVBasicControl>).
//
// Painting order: the bezel (face layer); then, each frame, the glow (when the LED is on) in rings
// around the bezel, and the body, which the LED paints through DrawLedBackColor in its current
// colour; then the glass (top layer). A change of the current colour therefore costs one copy of
// each layer and the fills of glow and body.
//
// Lengths: the glow's Size is a share of the control's shorter side (the room it takes on each
// side, only while the glow is visible); the bezel's widths and CornerSize are shares of the
// shorter side of what remains (the LED).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "dialworks/Export.h"
#include "dialworks/draw/Brush.h"
#include "dialworks/draw/Path.h"
#include "dialworks/foundation/DWAnalogInstrumentDecorations.h"
#include "dialworks/foundation/DWLayeredInstrument.h"
#include "dialworks/framework/Decorations.h"

namespace dw {

// The halo of a lit LED: Visible (true) and Size (0.15).
class DW_API TDWLedGlow : public TKVOptionalInstrumentProperty {
  DW_CLASS(TDWLedGlow, TKVOptionalInstrumentProperty)
  TDWLedGlow(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl);
  TKVElementSize& Size() { return *FSize; }
  const TKVElementSize& Size() const { return *FSize; }
  void SetSize(const TKVElementSize& AValue) { FSize->Assign(AValue); }

 private:
  std::unique_ptr<TKVElementSize> FSize;
};

// Where the parts of an LED lie in its drawing area.
struct DW_API TDWLedLayout {
  gp::RectF Led;     // the LED with its bezel (the area less the glow's room)
  gp::RectF Body;    // the lit body inside the bezel
  float Corner = 0;  // corner size of the rounded shapes (of the LED; the body's is smaller by the bezel)
  float BodyCorner = 0;
  float Glow = 0;    // the glow's room on each side
};

// What every LED keeps apart from its colour: the property objects, the layout and the paths of
// the glow rings and the body, rebuilt only when the layout changes (a frame allocates nothing).
class DW_API TDWLedParts {
 public:
  static constexpr int MaxGlowRings = 8;
  TDWLedParts(IKVControl& AControl, TPersistent& AOwner, TChangeCallback AOnChange);

  TKVBorderShape Shape = bsEllipse;
  std::unique_ptr<TKVElementSize> CornerSize;
  std::unique_ptr<TKVBasicControlBorder> Border;
  std::unique_ptr<TDWLedGlow> Glow;
  std::unique_ptr<TDWGlass> Glass;

  TDWLedLayout Layout(float AWidth, float AHeight) const;
  // Takes the layout of a frame (rebuilding the paths when it differs from the last one).
  void SetFrameLayout(const TDWLedLayout& ALayout);
  const TDWLedLayout& FrameLayout() const { return FLayout; }
  const gp::GraphicsPath& BodyPath() const { return FBody; }

  void DrawBezel(gp::Graphics& g) const;
  // The glow rings in AColor (nothing for a transparent colour or without glow).
  void DrawGlow(gp::Graphics& g, TAlphaColor AColor) const;
  // Fills the body shape with a solid colour: a rectangle directly, the others as paths.
  void FillBody(gp::Graphics& g, const gp::RectF& ARect, TAlphaColor AColor) const;
  void DrawGlass(gp::Graphics& g) const;

 private:
  TDWLedLayout FLayout;
  TKVBorderShape FPathShape = bsEllipse;
  std::vector<gp::GraphicsPath> FRings;  // outermost first
  gp::GraphicsPath FBody;
};

// The base of every LED: Shape, CornerSize, Border (the bezel), Glow and Glass. The LED says
// whether it is on and which colour it shows; DrawLedBackColor paints the body.
template <class TBase>
class TDWBasicLed : public TDWLayeredInstrument<TBase> {
 public:
  explicit TDWBasicLed(TComponent* AOwner = nullptr)
      : TDWLayeredInstrument<TBase>(AOwner), FParts(*this, *this, [this] { this->InvalidateRange(); }) {}

  TKVBorderShape Shape() const { return FParts.Shape; }
  void SetShape(TKVBorderShape AValue) {
    Setter(*this, "Shape", FParts.Shape, AValue, [this] { this->InvalidateRange(); });
  }
  TKVElementSize& CornerSize() { return *FParts.CornerSize; }
  const TKVElementSize& CornerSize() const { return *FParts.CornerSize; }
  void SetCornerSize(const TKVElementSize& AValue) { FParts.CornerSize->Assign(AValue); }
  TKVBasicControlBorder& Border() { return *FParts.Border; }
  const TKVBasicControlBorder& Border() const { return *FParts.Border; }
  void SetBorder(const TKVBasicControlBorder& AValue) { FParts.Border->Assign(AValue); }
  TDWLedGlow& Glow() { return *FParts.Glow; }
  const TDWLedGlow& Glow() const { return *FParts.Glow; }
  void SetGlow(const TDWLedGlow& AValue) { FParts.Glow->Assign(AValue); }
  TDWGlass& Glass() { return *FParts.Glass; }
  const TDWGlass& Glass() const { return *FParts.Glass; }
  void SetGlass(const TDWGlass& AValue) { FParts.Glass->Assign(AValue); }

  virtual bool GetIsOn() const = 0;
  // The colour the body shows now (lit or not).
  virtual TAlphaColor GetCurrentColor() const = 0;
  // The layout for a drawing area of AWidth x AHeight.
  TDWLedLayout Layout(float AWidth, float AHeight) const { return FParts.Layout(AWidth, AHeight); }

 protected:
  // Paints the body in ARect (the body of the current layout) in the current colour.
  virtual void DrawLedBackColor(gp::Graphics& AGraphics, const gp::RectF& ARect) {
    FParts.FillBody(AGraphics, ARect, GetCurrentColor());
  }
  const TDWLedParts& Parts() const { return FParts; }

  TDWLayerArea LayerArea(float AWidth, float AHeight) override {
    if (!(AWidth > 0 && AHeight > 0)) return {};
    FParts.SetFrameLayout(FParts.Layout(AWidth, AHeight));
    return {0, 0, AWidth, AHeight};
  }
  bool HasTopLayer(const TDWLayerFrame&) override { return FParts.Glass->Visible(); }
  void DrawFaceLayer(gp::Graphics& g, const TDWLayerFrame&) override { FParts.DrawBezel(g); }
  void DrawTopLayer(gp::Graphics& g, const TDWLayerFrame&) override { FParts.DrawGlass(g); }
  void DrawMovingParts(gp::Graphics& g, const TDWLayerFrame&) override {
    if (GetIsOn()) FParts.DrawGlow(g, GetCurrentColor());
    const gp::RectF& body = FParts.FrameLayout().Body;
    if (body.Width > 0 && body.Height > 0) DrawLedBackColor(g, body);
  }

 private:
  TDWLedParts FParts;
};

// Adds InactiveColor (0xFF404040): the colour the LED shows while it is off. A lit LED shows
// GetActiveColor.
template <class TBase>
class TDWBasicInactiveColorLed : public TDWBasicLed<TBase> {
 public:
  static constexpr TAlphaColor DefaultInactiveColor = 0xFF404040;
  using TDWBasicLed<TBase>::TDWBasicLed;

  TAlphaColor InactiveColor() const { return FInactiveColor; }
  void SetInactiveColor(TAlphaColor AValue) { Setter(*this, "InactiveColor", FInactiveColor, AValue); }
  virtual TAlphaColor GetActiveColor() const = 0;
  TAlphaColor GetCurrentColor() const override { return this->GetIsOn() ? GetActiveColor() : FInactiveColor; }

 private:
  TAlphaColor FInactiveColor = DefaultInactiveColor;
};

// The LED base's entries in the table of a concrete LED class.
template <class C>
void DWDeclareLedProperties(TProps<C>& t) {
  t.Enum("Shape", &C::Shape, &C::SetShape, bsEllipse);
  t.Object("CornerSize", [](C& c) -> TKVElementSize& { return c.CornerSize(); }).Doc("of the rounded shapes");
  t.Object("Border", [](C& c) -> TKVBasicControlBorder& { return c.Border(); }).Doc("the bezel");
  t.Object("Glow", [](C& c) -> TDWLedGlow& { return c.Glow(); });
  t.Object("Glass", [](C& c) -> TDWGlass& { return c.Glass(); });
}

template <class C>
void DWDeclareInactiveColorLedProperties(TProps<C>& t) {
  DWDeclareLedProperties(t);
  t.Color("InactiveColor", &C::InactiveColor, &C::SetInactiveColor, C::DefaultInactiveColor)
      .Doc("the colour of the LED while it is off");
}

}  // namespace dw
