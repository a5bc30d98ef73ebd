// The linear gauge: a hand moving along a straight rail beside a straight scale with ticks,
// labels and coloured ranges, on a face with border, caption, cylindrical shading and glass; the
// whole frame turned by Rotation. With its layer, element and matrix-layer variants.
//
// The gauge stands on the layered instrument base. Everything is drawn in the unrotated frame
// (upright: Min at the rail bottom, the hand pointing right across the scale), which the rotation
// matrix places in the control: the face layer holds face, ranges, ticks, labels, caption,
// shading, rail and border; the top layer the glass (turned with the frame); the moving parts are
// the elements and the hand, clipped to the inside of the border.
//
// Lengths (proportions): border widths against M = min(W', H'); scale, ranges, rail width, hand
// length against the inner width 2·HW; rail length and hand width against the inner height 2·HH.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "dialworks/Export.h"
#include "dialworks/draw/Path.h"
#include "dialworks/foundation/DWAnalogInstrument.h"
#include "dialworks/foundation/DWControlHand.h"
#include "dialworks/foundation/DWHandAnimator.h"
#include "dialworks/foundation/DWLayeredInstrument.h"
#include "dialworks/framework/Decorations.h"
#include "dialworks/framework/Elements.h"
#include "dialworks/host/Locks.h"
#include "dialworks/linear/DWLinearGaugeGeometry.h"

namespace dw {

// Registers the unit DWLinearGauge: the control, its layer, its element variants and the hand
// elements, in their families and categories (element classes name it as their RegisterUnit).
namespace DWLinearGauge {
DW_API void RegisterPkg();
}  // namespace DWLinearGauge

// The rail the hand moves along: Visible, Color, Position (X from the inner left edge, against
// the inner width; Y shifts the rail along its length, against the inner height), Width (against
// the inner width) and Length (against the inner height).
class DW_API TDWLinearGaugeRail : public TKVBasicControlProperty {
  DW_CLASS(TDWLinearGaugeRail, TKVBasicControlProperty)
  TDWLinearGaugeRail(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl);
  bool Visible() const { return FVisible; }
  void SetVisible(bool AValue) { Setter(*this, "Visible", FVisible, AValue); }
  TAlphaColor Color() const { return FColor; }
  void SetColor(TAlphaColor AValue) { Setter(*this, "Color", FColor, AValue); }
  TKVElementOffsets& Position() { return *FPosition; }
  const TKVElementOffsets& Position() const { return *FPosition; }
  void SetPosition(const TKVElementOffsets& AValue) { FPosition->Assign(AValue); }
  TKVElementSize& Width() { return *FWidth; }
  const TKVElementSize& Width() const { return *FWidth; }
  void SetWidth(const TKVElementSize& AValue) { FWidth->Assign(AValue); }
  TKVElementSize& Length() { return *FLength; }
  const TKVElementSize& Length() const { return *FLength; }
  void SetLength(const TKVElementSize& AValue) { FLength->Assign(AValue); }

  // The rail of a frame (what face, hands and mouse share).
  TDWLinearRail Place(const TDWLinearFrame& AFrame) const {
    return DWLinearRail(AFrame, FLength->Get(2 * AFrame.HH), FPosition->Y().Get(2 * AFrame.HH),
                        FPosition->X().Get(2 * AFrame.HW));
  }

 private:
  bool FVisible = true;
  TAlphaColor FColor = 0xFF3C3C3C;
  std::unique_ptr<TKVElementOffsets> FPosition;
  std::unique_ptr<TKVElementSize> FWidth, FLength;
};

// Where a hand draws: the frame, its rail, the drawn rail's rectangle (the shadow keeps off it;
// empty when the rail is hidden), the rotation angle (the shadow falls the same way on screen at
// every rotation) and the scale's direction.
struct DW_API TDWLinearHandPlace {
  TDWLinearFrame Frame;
  TDWLinearRail Rail;
  gp::RectF RailRect;
  float RotationAngle = 0;
  bool Reversed = false;
};

// The hand's cached shapes in its own frame: base at the origin on the rail, tip along +x.
struct DW_API TDWLinearHandShape {
  std::array<gp::PointF, 6> Outline;
  std::array<gp::PointF, 4> Upper, Lower, Tail;  // the three shading bands
};

// The outline and bands for a hand ALength long and AWidth wide, tip ATipLength long and
// ATipWidth wide, bands meeting at ATailIndent.
DW_API TDWLinearHandShape DWLinearHandShape(float ALength, float AWidth, float ATipLength, float ATipWidth,
                                            float ATailIndent);
// The shadow outline: the hand outline swept by (ADX, ADY) (the convex hull of both copies).
DW_API std::vector<gp::PointF> DWLinearHandShadowOutline(const std::array<gp::PointF, 6>& AOutline, float ADX,
                                                         float ADY);

// The linear hand: its shape settings, colour, shadow and animation, and its position state.
// Positions are fractions of the scale (0 at Min, 1 at Max) kept under the hand's own lock; the
// spring animation runs them in thousandths, so a hand arrives within a thousandth of the scale.
class DW_API TDWLinearGaugeHand : public TKVBasicControlProperty, public IDWAnimatedHand {
  DW_CLASS(TDWLinearGaugeHand, TKVBasicControlProperty)
  static constexpr float AnimationUnits = 1000;  // spring units per whole scale
  // The spring's target for a hand at AFraction. The hand is drawn clamped to the rail, so a
  // target past an end is that end: far out, a float's step grows too coarse for the spring ever
  // to settle, and the animation (with its repaints) would run for good.
  static float AnimationTarget(float AFraction);
  TDWLinearGaugeHand(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl);

  TAlphaColor Color() const { return FColor; }
  void SetColor(TAlphaColor AValue) { Setter(*this, "Color", FColor, AValue); }
  TKVElementSize& Width() { return *FWidth; }
  const TKVElementSize& Width() const { return *FWidth; }
  void SetWidth(const TKVElementSize& AValue) { FWidth->Assign(AValue); }
  TKVElementSize& TipWidth() { return *FTipWidth; }
  const TKVElementSize& TipWidth() const { return *FTipWidth; }
  void SetTipWidth(const TKVElementSize& AValue) { FTipWidth->Assign(AValue); }
  TKVElementSize& TipLength() { return *FTipLength; }
  const TKVElementSize& TipLength() const { return *FTipLength; }
  void SetTipLength(const TKVElementSize& AValue) { FTipLength->Assign(AValue); }
  TKVElementSize& TailIndentSize() { return *FTailIndentSize; }
  const TKVElementSize& TailIndentSize() const { return *FTailIndentSize; }
  void SetTailIndentSize(const TKVElementSize& AValue) { FTailIndentSize->Assign(AValue); }
  TKVElementSize& Length() { return *FLength; }
  const TKVElementSize& Length() const { return *FLength; }
  void SetLength(const TKVElementSize& AValue) { FLength->Assign(AValue); }
  TDWElementShadow& Shadow() { return *FShadow; }
  const TDWElementShadow& Shadow() const { return *FShadow; }
  void SetShadow(const TDWElementShadow& AValue) { FShadow->Assign(AValue); }
  TDWHandAnimation& Animation() { return *FAnimation; }
  const TDWHandAnimation& Animation() const { return *FAnimation; }
  void SetAnimation(const TDWHandAnimation& AValue) { FAnimation->Assign(AValue); }

  // ---- position state (fractions, under the hand's lock) ----
  // Jump: current and target become AFraction. Non-finite fractions are ignored.
  void SetValue(float AFraction);
  float GetCurrentValue() const;
  float GetTargetValue() const;
  // IDWAnimatedHand, in animation units (what TDWHandAnimator moves).
  void SetTargetAngle(float AUnits) override;
  float GetTargetAngle() const override;
  float GetCurrentAngle() const override;
  void SetAngle(float AUnits) override;
  bool PerformAnimation() override;
  bool AnimationEnabled() const override { return FAnimation->TickEnabled(); }

  // ---- drawing ----
  // The hand's width in pixels for a frame (against the inner height): the rail is drawn that
  // much longer than the scale.
  float WidthFor(const TDWLinearFrame& AFrame) const;
  // Draws the hand at its current fraction: shadow (kept off the rail), body, bands. The
  // graphics state is restored.
  virtual void Draw(gp::Graphics& AGraphics, const TDWLinearHandPlace& APlace) {
    DrawAt(AGraphics, APlace, GetCurrentValue());
  }
  // The same at AFraction (reversal applied here, clamped).
  void DrawAt(gp::Graphics& AGraphics, const TDWLinearHandPlace& APlace, float AFraction);
  // What DrawAt covers, shadow included, in the unrotated frame.
  gp::RectF Bounds(const TDWLinearHandPlace& APlace, float AFraction);
  // Whether the point (AX, AY), mapped by AToFrame into the unrotated frame, lies on the hand
  // drawn at AFraction (reversal applied, not clamped).
  bool HitTest(float AX, float AY, float AFraction, const TDWLinearHandPlace& APlace, const gp::Matrix& AToFrame);
  // Drops the cached outline, bands and shadow.
  void DoInvalidateResources();
  void DoChanged() override;
  // The fill colour (control hands answer with their state colours).
  virtual TAlphaColor GetColor() const { return FColor; }
  // The cached shapes (valid after a Draw or HitTest).
  const TDWLinearHandShape& Shape() const { return FShape; }
  const gp::GraphicsPath* ShadowPath() const { return FShadowPath ? &*FShadowPath : nullptr; }

 private:
  void EnsureResources(const TDWLinearHandPlace& APlace);
  // Where DrawAt moves the cached shapes (their origin) for AFraction.
  static gp::PointF Anchor(const TDWLinearHandPlace& APlace, float AFraction);

  TAlphaColor FColor = 0xFFFF0000;
  std::unique_ptr<TKVElementSize> FWidth, FTipWidth, FTipLength, FTailIndentSize, FLength;
  std::unique_ptr<TDWElementShadow> FShadow;
  std::unique_ptr<TDWHandAnimation> FAnimation;
  mutable TCriticalSection FLock;
  TDWHandMotion FMotion;  // animation units
  TDWLinearHandShape FShape;
  std::optional<gp::GraphicsPath> FShadowPath;
  std::vector<gp::PointF> FShadowOutline;  // FShadowPath's points (empty without a shadow)
  std::unique_ptr<gp::PathGradientBrush> FShadowBrush;
  gp::GraphicsPath FRailPath;  // the rail the shadow keeps off, as last clipped
  gp::RectF FRailRect;
  bool FValid = false;
  float FKey[4] = {0, 0, 0, 0};  // hand length, width, shadow distance and angle the cache was built for
};

// The gauge's own hand: can be hidden.
class DW_API TDWOptionalLinearGaugeHand : public TDWLinearGaugeHand {
  DW_CLASS(TDWOptionalLinearGaugeHand, TDWLinearGaugeHand)
  using TDWLinearGaugeHand::TDWLinearGaugeHand;
  bool Visible() const { return FVisible; }
  void SetVisible(bool AValue) { Setter(*this, "Visible", FVisible, AValue); }
  void Draw(gp::Graphics& AGraphics, const TDWLinearHandPlace& APlace) override {
    if (FVisible) TDWLinearGaugeHand::Draw(AGraphics, APlace);
  }

 private:
  bool FVisible = true;
};

// The hand of a control hand element: selection and hover colours, and the mouse state.
class DW_API TDWControlLinearGaugeHand : public TDWControlHandState<TDWLinearGaugeHand, float> {
  DW_CLASS(TDWControlLinearGaugeHand, TDWLinearGaugeHand)
  using TDWControlHandState::TDWControlHandState;
};

class DW_API TDWBasicLinearGauge : public TDWLayeredInstrument<TDWBasicMinMaxInstrument> {
  DW_CLASS(TDWBasicLinearGauge, TDWBasicMinMaxInstrument)
  static constexpr int DefaultWidth = 60;
  static constexpr int DefaultHeight = 250;
  static constexpr int MinSize = 5;
  explicit TDWBasicLinearGauge(TComponent* AOwner = nullptr);
  ~TDWBasicLinearGauge() override;

  TAlphaColor Color() const { return FColor; }
  void SetColor(TAlphaColor AValue) { Setter(*this, "Color", FColor, AValue, [this] { InvalidateRange(); }); }
  TKVRectControlBorder& Border() { return *FBorder; }
  const TKVRectControlBorder& Border() const { return *FBorder; }
  void SetBorder(const TKVRectControlBorder& AValue) { FBorder->Assign(AValue); }
  TDWReversibleGaugeScale& Scale() { return *FScale; }
  const TDWReversibleGaugeScale& Scale() const { return *FScale; }
  void SetScale(const TDWReversibleGaugeScale& AValue) { FScale->Assign(AValue); }
  TKVVerticalCaption& Caption() { return *FCaption; }
  const TKVVerticalCaption& Caption() const { return *FCaption; }
  void SetCaption(const TKVVerticalCaption& AValue) { FCaption->Assign(AValue); }
  TDWGlass& Glass() { return *FGlass; }
  const TDWGlass& Glass() const { return *FGlass; }
  void SetGlass(const TDWGlass& AValue) { FGlass->Assign(AValue); }
  TDWLinearGaugeRail& Rail() { return *FRail; }
  const TDWLinearGaugeRail& Rail() const { return *FRail; }
  void SetRail(const TDWLinearGaugeRail& AValue) { FRail->Assign(AValue); }
  TDWOptionalLinearGaugeHand& Hand() { return *FHand; }
  const TDWOptionalLinearGaugeHand& Hand() const { return *FHand; }
  void SetHand(const TDWOptionalLinearGaugeHand& AValue) { FHand->Assign(AValue); }
  TDWAnalogGaugeScaleRanges& Ranges() { return *FRanges; }
  const TDWAnalogGaugeScaleRanges& Ranges() const { return *FRanges; }
  void SetRanges(const TDWAnalogGaugeScaleRanges& AValue) { FRanges->Assign(AValue); }
  TDWRotation& Rotation() { return FRotation; }
  const TDWRotation& Rotation() const { return FRotation; }
  void SetRotation(const TDWRotation& AValue) {
    FRotationProperty->SetAngle(AValue.Angle());
    FRotationProperty->SetThickness(AValue.Thickness());
  }
  TDWRotationProperty& RotationProperty() { return *FRotationProperty; }
  bool Curved() const { return FCurved; }
  void SetCurved(bool AValue) { Setter(*this, "Curved", FCurved, AValue, [this] { InvalidateRange(); }); }
  TRXLinearAnalogComponentElements& Elements() { return *FElements; }
  const TRXLinearAnalogComponentElements& Elements() const { return *FElements; }
  TRXComponentElements* ElementList() override { return FElements.get(); }

  // The frame for a drawing area of AWidth x AHeight (rotation, border thickness, half extents).
  TDWLinearFrame Frame(float AWidth, float AHeight) const;
  // Where hands draw in that frame.
  TDWLinearHandPlace HandPlace(const TDWLinearFrame& AFrame) const;
  // The outline moving parts are clipped to, in frame coordinates.
  gp::GraphicsPath InnerShape(const TDWLinearFrame& AFrame) const;

  bool Animating() const { return FAnimator->Animating(); }
  // The hand's fraction on screen: drawn by the last paint, or asked for by a repaint request
  // since (a paint of part of the gauge shows it).
  float ShownHandValue() const { return FHandValue.Get(true); }

 protected:
  TDWLayerArea LayerArea(float AWidth, float AHeight) override;
  TDWFaceShape FaceShape(const TDWLayerFrame& AFrame) override;
  bool HasTopLayer(const TDWLayerFrame&) override { return FGlass->Visible(); }
  void DrawFaceLayer(gp::Graphics& AGraphics, const TDWLayerFrame& AFrame) override;
  void DrawTopLayer(gp::Graphics& AGraphics, const TDWLayerFrame& AFrame) override;
  void DrawMovingParts(gp::Graphics& AGraphics, const TDWLayerFrame& AFrame) override;
  void ValueChanged() override;
  void SizeChanged() override { FHand->DoInvalidateResources(); }
  void ValueLoaded() override { FAnimator->JumpNext(); }
  void StopMotion() override { FAnimator->Shutdown(); }
  void SettleMotion() override { FAnimator->Settle(); }
  bool MotionStopped() const override { return FAnimator->IsShutDown(); }
  bool MotionRepaints() const override { return FAnimator->Animating(); }  // its refresh timer does
  int MinimumSize() const override { return MinSize; }
  std::unique_ptr<TRXElementGeometry> ElementGeometry() override;
  // The hand's fraction is the moving parts' state (partial repaints: DWLayeredInstrument.h).
  void SnapMovingParts() override { FHandValue.Snap(FHand->GetCurrentValue()); }
  void HoldMovingParts() override { FHandValue.Hold(); }
  bool MovingPartsBounds(const TDWLayerFrame& AFrame, bool AHeld, gp::RectF& ABounds) override;
  bool MovingPartsOnlyInBounds() const override { return FElements->Count() == 0; }

  // Face parts (DWLinearGaugeFace.cpp), in frame coordinates.
  void DrawCaption(gp::Graphics& g, const TDWLinearFrame& F, bool AOutlinedPass);
  void DrawShading(gp::Graphics& g, const TDWLinearFrame& F);

 private:
  TAlphaColor FColor = 0xFFD3D3D3;
  bool FCurved = true;
  TDWRotation FRotation;
  std::unique_ptr<TDWRotationProperty> FRotationProperty;
  std::unique_ptr<TKVRectControlBorder> FBorder;
  std::unique_ptr<TDWReversibleGaugeScale> FScale;
  std::unique_ptr<TKVVerticalCaption> FCaption;
  std::unique_ptr<TDWGlass> FGlass;
  std::unique_ptr<TDWLinearGaugeRail> FRail;
  std::unique_ptr<TDWOptionalLinearGaugeHand> FHand;
  std::unique_ptr<TDWAnalogGaugeScaleRanges> FRanges;
  std::unique_ptr<TRXLinearAnalogComponentElements> FElements;
  std::unique_ptr<TDWHandAnimator> FAnimator;  // drives FHand; goes before it
  TDWLinearFrame FFrame;  // the frame being drawn (set by LayerArea)
  TDWMovingState<float> FHandValue;  // the hand's fraction of the scale
};

class DW_API TDWExternalLinearGauge : public TDWWithInputPin<TDWBasicLinearGauge> {
  DW_CLASS(TDWExternalLinearGauge, TDWBasicLinearGauge)
  using TDWWithInputPin::TDWWithInputPin;
};

// The standalone control: Background and TabStop.
class DW_API TDWLinearGauge : public TDWStandaloneControl<TDWExternalLinearGauge> {
  DW_CLASS(TDWLinearGauge, TDWExternalLinearGauge)
  using TDWStandaloneControl::TDWStandaloneControl;
};

class DW_API TDWLinearGaugeLayer : public TDWExternalLinearGauge {
  DW_CLASS(TDWLinearGaugeLayer, TDWExternalLinearGauge)
  using TDWExternalLinearGauge::TDWExternalLinearGauge;
};

class DW_API TDWBasicLinearGaugeElement : public TDWBasicLinearGauge {
  DW_CLASS(TDWBasicLinearGaugeElement, TDWBasicLinearGauge)
  using TDWBasicLinearGauge::TDWBasicLinearGauge;
  static void RegisterUnit() { DWLinearGauge::RegisterPkg(); }
};

class DW_API TDWLinearGaugeElement : public TDWMirroringElement<TDWBasicLinearGaugeElement> {
  DW_CLASS(TDWLinearGaugeElement, TDWBasicLinearGaugeElement)
  explicit TDWLinearGaugeElement(TComponent* AOwner = nullptr) : TDWMirroringElement(AOwner) {
    SetPlacementDefaults({0.15f, 0.3f}, {0.5f, 0});
  }
};

class DW_API TDWExternalLinearGaugeElement : public TDWExternalElement<TDWLinearGaugeElement> {
  DW_CLASS(TDWExternalLinearGaugeElement, TDWLinearGaugeElement)
  using TDWExternalElement::TDWExternalElement;
};

class DW_API TDWExternalLinearGaugeMatrixLayer : public TDWMatrixLayerOf<TDWExternalLinearGaugeElement> {
  DW_CLASS(TDWExternalLinearGaugeMatrixLayer, TDWExternalLinearGaugeElement)
  explicit TDWExternalLinearGaugeMatrixLayer(TComponent* AOwner = nullptr) : TDWMatrixLayerOf(AOwner) {
    SetPlacementDefaults({0.3f, 0.8f}, {0, 0});
  }
};

class DW_API TDWExternalLinearGaugeMatrixElement : public TDWExternalLinearGaugeMatrixLayer {
  DW_CLASS(TDWExternalLinearGaugeMatrixElement, TDWExternalLinearGaugeMatrixLayer)
  using TDWExternalLinearGaugeMatrixLayer::TDWExternalLinearGaugeMatrixLayer;
};

}  // namespace dw
