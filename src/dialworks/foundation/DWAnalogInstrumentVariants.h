// The variants every instrument is offered in, written once. An instrument unit declares its
// variant classes in a few lines each (shown for a value gauge "Dial"):
//
//   class TDWBasicDialElement : public TDWBasicDial { DW_CLASS(TDWBasicDialElement, TDWBasicDial) using TDWBasicDial::TDWBasicDial; };
//   class TDWDialElement : public TDWMirroringElement<TDWBasicDialElement> {
//     DW_CLASS(TDWDialElement, TDWBasicDialElement)
//     explicit TDWDialElement(TComponent* AOwner = nullptr) : TDWMirroringElement(AOwner) {
//       SetPlacementDefaults({0.3f, 0.3f}, {0, 0.6f});
//     }
//   };
//   class TDWExternalDialElement : public TDWExternalElement<TDWDialElement> {
//     DW_CLASS(TDWExternalDialElement, TDWDialElement)
//     using TDWExternalElement::TDWExternalElement;
//   };
//   class TDWExternalDialMatrixLayer : public TDWMatrixLayerOf<TDWExternalDialElement> {
//     DW_CLASS(TDWExternalDialMatrixLayer, TDWExternalDialElement)
//     explicit TDWExternalDialMatrixLayer(TComponent* AOwner = nullptr) : TDWMatrixLayerOf(AOwner) {
//       SetPlacementDefaults({0.6f, 0.6f}, {0, 0});
//     }
//   };
//   DW_PROPERTIES(TDWDialElement) { DWDeclarePlacementProperties(t); }
//   DW_PROPERTIES(TDWExternalDialElement) { DWDeclareMinMaxValueProperties(t); }
//   DW_PROPERTIES(TDWExternalDialMatrixLayer) {}
//
// Round instruments (drawn square when their border asks for it) give their basic class a public
// `bool ElementSquare() const`; the element placement then makes the element square.
// Instruments whose external element derives from the standalone control (clocks, segment
// displays, the level LED) use TDWPlacedElement<TTheirControl> directly; its pin (InputPin) is
// disconnected on removal when the control has one.
#pragma once

#include <cmath>
#include <concepts>
#include <memory>
#include <string_view>
#include <vector>

#include "dialworks/Export.h"
#include "dialworks/foundation/DWAnalogInstrumentGeometry.h"
#include "dialworks/foundation/DWAnalogInstrumentValue.h"
#include "dialworks/framework/Decorations.h"
#include "dialworks/framework/Elements.h"
#include "dialworks/framework/Registry.h"

namespace dw {

template <class T>
concept CDWSquareElementInstrument = requires(const T& c) {
  { c.ElementSquare() } -> std::convertible_to<bool>;
};

// An instrument embedded in another instrument's element collection: Position (offset of its
// centre from the host's centre, in the host's half extents) and Size (shares of the host's full
// extents), and the placement of its drawing inside the host's.
template <class TInstrument>
class TDWPlacedElement : public TInstrument, public TRXDrawComponentElement {
 public:
  explicit TDWPlacedElement(TComponent* AOwner = nullptr)
      : TInstrument(AOwner),
        FPosition(std::make_unique<TKVElementOffsets>([this] { this->Invalidate(); }, this, this)),
        FSize(std::make_unique<TKVElement2DSize>([this] { this->InvalidateSize(); }, this, this)) {}

  TKVElementOffsets& Position() { return *FPosition; }
  const TKVElementOffsets& Position() const { return *FPosition; }
  void SetPosition(const TKVElementOffsets& AValue) { FPosition->Assign(AValue); }
  TKVElement2DSize& Size() { return *FSize; }
  const TKVElement2DSize& Size() const { return *FSize; }
  void SetSize(const TKVElement2DSize& AValue) { FSize->Assign(AValue); }

  // Where the element draws inside a host of half extents ARX, ARY and full extents AW, AH.
  gp::RectF PlacementRect(float ARX, float ARY, float AW, float AH) const {
    bool square = false;
    if constexpr (CDWSquareElementInstrument<TInstrument>) square = this->ElementSquare();
    return DWPlaceElementPixels(FSize->Width().Get(2 * ARX), FSize->Height().Get(2 * ARY), FPosition->X().Get(ARX),
                                FPosition->Y().Get(ARY), square, AW, AH);
  }

  // Draws the instrument at its place: translated to the placement's corner, at its size.
  // Nothing is drawn for an empty or non-finite placement.
  void Draw(gp::Graphics& AGraphics, const TRXElementArea& AArea) override {
    if (!this->Visible()) return;
    const gp::GraphicsState state = AGraphics.Save();
    const gp::RectF r = PlacementRect(AArea.RX, AArea.RY, AArea.W, AArea.H);
    if (r.Width > 0 && r.Height > 0 && std::isfinite(r.X) && std::isfinite(r.Y) && std::isfinite(r.Width) &&
        std::isfinite(r.Height)) {
      AGraphics.TranslateTransform(r.X, r.Y);
      this->IntDraw(AGraphics, {1, 1, r.Width, r.Height, AArea.OuterWidth, AArea.OuterHeight, true, AArea.Offscreen});
    }
    AGraphics.Restore(state);
  }

  // The control's size invalidation and the element's are one (cached drawings drop).
  void InvalidateSize() override { TInstrument::InvalidateSize(); }

  // Leaving a collection disconnects the element's pins first; joining one shows the element's
  // value in its new host.
  void SetListOwner(TRXComponentElements* AOwner) override {
    if (!AOwner) DisconnectElementPins();
    TRXDrawComponentElement::SetListOwner(AOwner);
    if (AOwner) JoinedList();
  }

 protected:
  // Sets the Size and Position with their streaming defaults (constructors only).
  void SetPlacementDefaults(gp::SizeF ASize, gp::PointF APosition) {
    FSize->SetValueDefaults(ASize.Width, ASize.Height);
    FPosition->SetValueDefaults(APosition.X, APosition.Y);
  }
  virtual void DisconnectElementPins() {
    if constexpr (requires(TInstrument& i) { i.InputPin().DisconnectAll(); }) this->InputPin().DisconnectAll();
  }
  virtual void JoinedList() { this->InvalidateValue(); }

 private:
  std::unique_ptr<TKVElementOffsets> FPosition;
  std::unique_ptr<TKVElement2DSize> FSize;
};

// Position and Size in the table of a placed element class.
template <class C>
void DWDeclarePlacementProperties(TProps<C>& t) {
  t.Object("Position", [](C& c) -> TKVElementOffsets& { return c.Position(); });
  t.Object("Size", [](C& c) -> TKVElement2DSize& { return c.Size(); });
}

// An element that mirrors its host instrument's Min, Max and Value (value gauges).
template <class TBasicElement>
class TDWMirroringElement : public TDWPlacedElement<TBasicElement>, public IDWMinMaxValueElement {
 public:
  explicit TDWMirroringElement(TComponent* AOwner = nullptr) : TDWPlacedElement<TBasicElement>(AOwner) {}

  // Min, then Max, then Value through the instrument's own setters (limits and redraws apply).
  void SetMinMaxValue(double AMin, double AMax, double AValue) override {
    this->SetMin(AMin);
    this->SetMax(AMax);
    this->SetValue(AValue);
  }

 protected:
  // Joining a host takes over the host's current values.
  void JoinedList() override {
    TRXComponentElements* list = this->ListOwner();
    if (auto* host = list ? dynamic_cast<TKVBasicControl*>(list->Owner()) : nullptr) host->UpdateEmbeddedValues();
    this->InvalidateValue();
  }
};

// An element with its own value: the mirroring element plus InputPin, Value, Min and Max.
template <class TElement>
class TDWExternalElement : public TDWWithInputPin<TElement> {
 public:
  explicit TDWExternalElement(TComponent* AOwner = nullptr) : TDWWithInputPin<TElement>(AOwner) {}
  // Fed by its own pin or code, not by the host.
  void SetMinMaxValue(double, double, double) override {}

 protected:
  void DisconnectElementPins() override { this->InputPin().DisconnectAll(); }
  void JoinedList() override { this->InvalidateValue(); }
};

// Resolves a matrix layer's place in a buffer of AColumns x ARows cells: the size against the
// smaller side (not rounded), the top-left cell against the width and height (rounded halves to
// even).
DW_API TDWMatrixPlacement DWMatrixLayerPlacement(const TKVElement2DSize& ASize, const TKVElementOffsets& APosition,
                                          int AColumns, int ARows);

// A layer of a dot-matrix display: the instrument rendered into the display's pixel buffer.
template <class TExternalElement>
class TDWMatrixLayerOf : public TExternalElement, public IRXMatrixLayer {
 public:
  explicit TDWMatrixLayerOf(TComponent* AOwner = nullptr) : TExternalElement(AOwner) {}

  TDWMatrixPlacement MatrixPlacement(int AColumns, int ARows) const {
    return DWMatrixLayerPlacement(this->Size(), this->Position(), AColumns, ARows);
  }
  void Render(uint32_t* ABuffer, int AWidth, int AHeight) override {
    if (!this->Visible() || !ABuffer || AWidth <= 0 || AHeight <= 0) return;
    const TDWMatrixPlacement p = MatrixPlacement(AWidth, AHeight);
    this->IntRender(p.Left, p.Top, p.Width, p.Height, ABuffer, AWidth, AHeight);
  }
};

// The standalone control: Background (painted under the instrument when it is drawn as a control,
// not as a layer or element) and TabStop (default false; published by the instruments that offer
// it). Focus changes repaint (the control base redraws on gaining and losing focus), so a focus
// indication can be drawn.
template <class TExternal>
class TDWStandaloneControl : public TExternal {
 public:
  explicit TDWStandaloneControl(TComponent* AOwner = nullptr)
      : TExternal(AOwner), FBackground(std::make_unique<TKVControlBackground>([this] { this->Invalidate(); }, this, this)) {}

  TKVControlBackground& Background() { return *FBackground; }
  const TKVControlBackground& Background() const { return *FBackground; }
  void SetBackground(const TKVControlBackground& AValue) { FBackground->Assign(AValue); }
  bool TabStop() const { return FTabStop; }
  void SetTabStop(bool AValue) { Setter(*this, "TabStop", FTabStop, AValue); }

  void IntDraw(gp::Graphics& AGraphics, const TDrawArea& AArea) override {
    if (!AArea.Embedded) FBackground->Paint(AGraphics, gp::RectF(0, 0, AArea.Width, AArea.Height));
    TExternal::IntDraw(AGraphics, AArea);
  }

 private:
  std::unique_ptr<TKVControlBackground> FBackground;
  bool FTabStop = false;
};

template <class C>
void DWDeclareBackgroundProperty(TProps<C>& t) {
  t.Object("Background", [](C& c) -> TKVControlBackground& { return c.Background(); });
}

template <class C>
void DWDeclareTabStopProperty(TProps<C>& t) {
  t.Bool("TabStop", &C::TabStop, &C::SetTabStop, false);
}

// ---- registration ----

// What a unit registers for one instrument; null classes are skipped. Categories as the unit
// offers them ("Gauges", "Clocks", ...); MatrixCategory defaults to Category.
struct DW_API TDWInstrumentRegistration {
  const TClassInfo* Control = nullptr;
  const TClassInfo* Layer = nullptr;
  std::string_view Category{};
  // The mirroring element and the family it is offered in (efGauge or efClock).
  const TClassInfo* MirroringElement = nullptr;
  TRXElementFamily MirroringFamily = efGauge;
  const TClassInfo* ExternalElement = nullptr;  // offered to every element collection
  const TClassInfo* MatrixLayer = nullptr;
  std::string_view MatrixCategory{};
  std::vector<const TClassInfo*> StreamingOnly{};  // known to forms only (matrix elements)
};

// Registers, in this order: the control (palette page "Dialworks"), the layer, the mirroring
// element, the external element, the matrix layer, the streaming-only classes. Call it inside the
// unit's TRegistrationUnit and class-group bracket.
DW_API void DWRegisterInstrumentVariants(const TDWInstrumentRegistration& AClasses);

}  // namespace dw
