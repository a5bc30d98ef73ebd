// The angular (dial) gauge: a face with border, caption, range arcs, ticks and labels, a centre cap
// and a glass highlight, and a hand pointing at the value; with its layer, element and matrix-layer
// variants.
//
// The gauge stands on the layered instrument base: the face layer holds the face, border ring,
// caption, ranges, ticks and labels; the top layer the border bands, glass and centre cap; the
// moving parts are the elements and the hand. A frame of a moving hand costs two bitmap copies,
// the elements and the hand. Animation ticks (possibly on the animation clock's thread) move the hand
// under its own lock and switch on a 25 ms refresh timer; its expiry asks for the repaint, so an
// animation repaints at most once per 25 ms.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

#include "dialworks/Export.h"
#include "dialworks/angular/DWAngularGaugeGeometry.h"
#include "dialworks/draw/Bitmap.h"
#include "dialworks/draw/Path.h"
#include "dialworks/foundation/DWAnalogInstrument.h"
#include "dialworks/foundation/DWHandAnimator.h"
#include "dialworks/foundation/DWLayeredInstrument.h"
#include "dialworks/framework/Decorations.h"
#include "dialworks/framework/Elements.h"
#include "dialworks/host/HostServices.h"

namespace dw {

// Registers the unit DWAngularGauge: the control, its layer, its element variants and the hand
// elements, in their families and categories (element classes name it as their RegisterUnit).
namespace DWAngularGauge {
DW_API void RegisterPkg();
}  // namespace DWAngularGauge

// The dial's scale: MinAngle and MaxAngle in mathematical degrees (any finite value; folded for
// use). The scale begins at MaxAngle and runs clockwise to MinAngle; equal angles close a circle.
class DW_API TDWAngularGaugeScale : public TDWReversibleGaugeScale {
  DW_CLASS(TDWAngularGaugeScale, TDWReversibleGaugeScale)
  TDWAngularGaugeScale(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl);

  float MinAngle() const { return FMinAngle; }
  void SetMinAngle(float AValue) { Setter(*this, "MinAngle", FMinAngle, AValue, [this] { UpdateFullCircle(); }); }
  float MaxAngle() const { return FMaxAngle; }
  void SetMaxAngle(float AValue) { Setter(*this, "MaxAngle", FMaxAngle, AValue, [this] { UpdateFullCircle(); }); }

  TDWDialAngles Angles() const { return DWDialAngles(FMinAngle, FMaxAngle); }
  // Read by animation ticks, which may come from the clock's thread: kept in an atomic that the
  // angle setters update, so the tick never reads the angles while the user interface sets them.
  bool IsFullCircle() const { return FFullCircle.load(std::memory_order_relaxed); }
  // Screen angle (degrees, not folded) of AValue on the range AMin..AMax.
  float ValueToAngle(double AMin, double AMax, double AValue) const {
    return DWDialValueToAngle(Angles(), Reversed(), AMin, AMax, AValue);
  }

 private:
  void UpdateFullCircle() { FFullCircle.store(DWDialIsFullCircle(FMinAngle, FMaxAngle), std::memory_order_relaxed); }
  float FMinAngle = 315;
  float FMaxAngle = 225;
  std::atomic<bool> FFullCircle{false};
};

// The gauge's hand: a full circle is decided by the gauge's scale.
class DW_API TDWAngularGaugeHand : public TDWAngularHand {
  DW_CLASS(TDWAngularGaugeHand, TDWAngularHand)
  TDWAngularGaugeHand(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl,
                      const TDWAngularGaugeScale* AScale)
      : TDWAngularHand(std::move(AOnChange), AOwner, AControl), FScale(AScale) {}
  bool GetIsFullCircle() const override { return FScale && FScale->IsFullCircle(); }
  // Hands of elements learn their gauge's scale when they join it (null: none).
  void SetGaugeScale(const TDWAngularGaugeScale* AScale) { FScale = AScale; }

 private:
  const TDWAngularGaugeScale* FScale;  // the gauge's scale (not owned)
};

class DW_API TDWBasicAngularGauge : public TDWLayeredInstrument<TDWBasicMinMaxInstrument> {
  DW_CLASS(TDWBasicAngularGauge, TDWBasicMinMaxInstrument)
  static constexpr int DefaultSize = 160;
  static constexpr int MinSize = 5;
  static constexpr uint32_t RefreshInterval = TDWHandAnimator::RefreshInterval;
  explicit TDWBasicAngularGauge(TComponent* AOwner = nullptr);
  ~TDWBasicAngularGauge() override;

  TAlphaColor Color() const { return FColor; }
  void SetColor(TAlphaColor AValue) {
    Setter(*this, "Color", FColor, AValue, [this] { InvalidateRange(); });
  }
  TKVProportionalControlBorder& Border() { return *FBorder; }
  const TKVProportionalControlBorder& Border() const { return *FBorder; }
  void SetBorder(const TKVProportionalControlBorder& AValue) { FBorder->Assign(AValue); }
  TKVCaption& Caption() { return *FCaption; }
  const TKVCaption& Caption() const { return *FCaption; }
  void SetCaption(const TKVCaption& AValue) { FCaption->Assign(AValue); }
  TDWGlass& Glass() { return *FGlass; }
  const TDWGlass& Glass() const { return *FGlass; }
  void SetGlass(const TDWGlass& AValue) { FGlass->Assign(AValue); }
  TDWAngularGaugeScale& Scale() { return *FScale; }
  const TDWAngularGaugeScale& Scale() const { return *FScale; }
  void SetScale(const TDWAngularGaugeScale& AValue) { FScale->Assign(AValue); }
  TDWAnalogGaugeScaleRanges& Ranges() { return *FRanges; }
  const TDWAnalogGaugeScaleRanges& Ranges() const { return *FRanges; }
  void SetRanges(const TDWAnalogGaugeScaleRanges& AValue) { FRanges->Assign(AValue); }
  TDWAngularGaugeHand& Hand() { return *FHand; }
  const TDWAngularGaugeHand& Hand() const { return *FHand; }
  void SetHand(const TDWAngularGaugeHand& AValue) { FHand->Assign(AValue); }
  TDWAnalogInstrumentCenter& Center() { return *FCenter; }
  const TDWAnalogInstrumentCenter& Center() const { return *FCenter; }
  void SetCenter(const TDWAnalogInstrumentCenter& AValue) { FCenter->Assign(AValue); }
  TRXAngularAnalogComponentElements& Elements() { return *FElements; }
  const TRXAngularAnalogComponentElements& Elements() const { return *FElements; }
  TRXComponentElements* ElementList() override { return FElements.get(); }
  // Elements of a round instrument are drawn square when the border asks for a square dial.
  bool ElementSquare() const { return FBorder->Square(); }

  // Screen angle of a value on this gauge's scale.
  float ValueToAngle(double AMin, double AMax, double AValue) const {
    return FScale->ValueToAngle(AMin, AMax, AValue);
  }
  // The dial geometry for a drawing area of AWidth x AHeight.
  TDWDialLayout Layout(float AWidth, float AHeight) const;

  // Whether the hand is on its way to its target, and the refresh timer that repaints it then.
  bool Animating() const { return FAnimator->Animating(); }
  bool RefreshTimerEnabled() const { return FAnimator->RefreshTimerEnabled(); }
  // The hand's angle on screen: drawn by the last paint, or asked for by a repaint request since
  // (a paint of part of the gauge shows it; the hand may have moved on: Hand().GetCurrentAngle()).
  float ShownHandAngle() const { return FHandAngle.Get(true); }

 protected:
  // Layered instrument hooks; the frame's layers are laid out by Layout (DWAngularGaugeFace.cpp).
  TDWLayerArea LayerArea(float AWidth, float AHeight) override;
  TDWFaceShape FaceShape(const TDWLayerFrame& AFrame) override;
  // With glass, or with border bands (they lie over the glass and the hands).
  bool HasTopLayer(const TDWLayerFrame& AFrame) override;
  void DrawFaceLayer(gp::Graphics& AGraphics, const TDWLayerFrame& AFrame) override;
  void DrawTopLayer(gp::Graphics& AGraphics, const TDWLayerFrame& AFrame) override;
  // Glass, bevels and cap do not show Min and Max: a new range rebuilds the face only.
  TDWLayerSet LayersDroppedBy(TDWInvalidation AKind) const override {
    return AKind == TDWInvalidation::Scale ? lsFace : TDWLayeredInstrument::LayersDroppedBy(AKind);
  }
  void DrawMovingParts(gp::Graphics& AGraphics, const TDWLayerFrame& AFrame) override;
  // Takes the current value over into the hand (jump or animation) and the mirroring elements.
  void ValueChanged() override;
  void SizeChanged() override;
  void ValueLoaded() override { FAnimator->JumpNext(); }
  void StopMotion() override { FAnimator->Shutdown(); }
  void SettleMotion() override { FAnimator->Settle(); }
  bool MotionStopped() const override { return FAnimator->IsShutDown(); }
  bool MotionRepaints() const override { return FAnimator->Animating(); }  // its refresh timer does
  // The hand's angle is the moving parts' state (partial repaints: DWLayeredInstrument.h).
  void SnapMovingParts() override { FHandAngle.Snap(FHand->GetCurrentAngle()); }
  void HoldMovingParts() override { FHandAngle.Hold(); }
  bool MovingPartsBounds(const TDWLayerFrame& AFrame, bool AHeld, gp::RectF& ABounds) override;
  bool MovingPartsOnlyInBounds() const override { return FElements->Count() == 0; }
  int MinimumSize() const override { return MinSize; }
  // The dial geometry of the current size (DWAngularGaugeMouse.cpp): control hands hit-test and
  // drag with it.
  std::unique_ptr<TRXElementGeometry> ElementGeometry() override;

  // The face painting (DWAngularGaugeFace.cpp).
  bool HasBands(const TDWDialLayout& L) const;
  TDWDialFaceParts FaceParts() const;
  // The centre cap and the glass gloss over it.
  void DrawGlass(gp::Graphics& g, const TDWDialLayout& L) { DWDrawDialGlass(g, FaceParts(), L, BuiltFaceShape().Path); }
  void DrawTicks(gp::Graphics& g, const TDWDialLayout& L);

 private:
  TAlphaColor FColor = 0xFFD3D3D3;
  std::unique_ptr<TKVProportionalControlBorder> FBorder;
  std::unique_ptr<TKVCaption> FCaption;
  std::unique_ptr<TDWGlass> FGlass;
  std::unique_ptr<TDWAngularGaugeScale> FScale;
  std::unique_ptr<TDWAnalogGaugeScaleRanges> FRanges;
  std::unique_ptr<TDWAngularGaugeHand> FHand;
  std::unique_ptr<TDWAnalogInstrumentCenter> FCenter;
  std::unique_ptr<TRXAngularAnalogComponentElements> FElements;

  std::unique_ptr<TDWHandAnimator> FAnimator;  // drives FHand; goes before it
  TDWDialLayout FFrameLayout;  // the layout of the frame being drawn (set by LayerArea)
  TDWMovingState<float> FHandAngle;  // the hand's angle (screen degrees)
};

class DW_API TDWExternalAngularGauge : public TDWWithInputPin<TDWBasicAngularGauge> {
  DW_CLASS(TDWExternalAngularGauge, TDWBasicAngularGauge)
  using TDWWithInputPin::TDWWithInputPin;
};

// The standalone control: Background and TabStop.
class DW_API TDWAngularGauge : public TDWStandaloneControl<TDWExternalAngularGauge> {
  DW_CLASS(TDWAngularGauge, TDWExternalAngularGauge)
  using TDWStandaloneControl::TDWStandaloneControl;
};

class DW_API TDWAngularGaugeLayer : public TDWExternalAngularGauge {
  DW_CLASS(TDWAngularGaugeLayer, TDWExternalAngularGauge)
  using TDWExternalAngularGauge::TDWExternalAngularGauge;
};

class DW_API TDWBasicAngularGaugeElement : public TDWBasicAngularGauge {
  DW_CLASS(TDWBasicAngularGaugeElement, TDWBasicAngularGauge)
  using TDWBasicAngularGauge::TDWBasicAngularGauge;
  // Elements().Add<T>() registers the unit of the gauge elements before adding one.
  static void RegisterUnit() { DWAngularGauge::RegisterPkg(); }
};

class DW_API TDWAngularGaugeElement : public TDWMirroringElement<TDWBasicAngularGaugeElement> {
  DW_CLASS(TDWAngularGaugeElement, TDWBasicAngularGaugeElement)
  explicit TDWAngularGaugeElement(TComponent* AOwner = nullptr) : TDWMirroringElement(AOwner) {
    SetPlacementDefaults({0.3f, 0.3f}, {0, 0.6f});
  }
};

class DW_API TDWExternalAngularGaugeElement : public TDWExternalElement<TDWAngularGaugeElement> {
  DW_CLASS(TDWExternalAngularGaugeElement, TDWAngularGaugeElement)
  using TDWExternalElement::TDWExternalElement;
};

class DW_API TDWExternalAngularGaugeMatrixLayer : public TDWMatrixLayerOf<TDWExternalAngularGaugeElement> {
  DW_CLASS(TDWExternalAngularGaugeMatrixLayer, TDWExternalAngularGaugeElement)
  explicit TDWExternalAngularGaugeMatrixLayer(TComponent* AOwner = nullptr) : TDWMatrixLayerOf(AOwner) {
    SetPlacementDefaults({0.6f, 0.6f}, {0, 0});
  }
};

class DW_API TDWExternalAngularGaugeMatrixElement : public TDWExternalAngularGaugeMatrixLayer {
  DW_CLASS(TDWExternalAngularGaugeMatrixElement, TDWExternalAngularGaugeMatrixLayer)
  using TDWExternalAngularGaugeMatrixLayer::TDWExternalAngularGaugeMatrixLayer;
};


}  // namespace dw
