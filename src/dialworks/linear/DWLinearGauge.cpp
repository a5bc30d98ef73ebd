#include "dialworks/linear/DWLinearGauge.h"
#include "dialworks/linear/LinearMath.h"

#include <algorithm>
#include <cmath>

#include "dialworks/framework/Registry.h"
#include "dialworks/linear/DWLinearGaugeHands.h"

namespace dw {

using linear::Finite0;

// ---- rail ---------------------------------------------------------------------------------------

TDWLinearGaugeRail::TDWLinearGaugeRail(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl)
    : TKVBasicControlProperty(std::move(AOnChange), AOwner, AControl),
      FPosition(std::make_unique<TKVElementOffsets>([this] { DoChanged(); }, this, AControl)),
      FWidth(std::make_unique<TKVElementSize>([this] { DoChanged(); }, this, AControl, 0.08f)),
      FLength(std::make_unique<TKVElementSize>([this] { DoChanged(); }, this, AControl, 0.9f)) {
  FPosition->SetValueDefaults(0.1f, 0);
}

DW_PROPERTIES(TDWLinearGaugeRail) {
  using C = TDWLinearGaugeRail;
  t.Bool("Visible", &C::Visible, &C::SetVisible, true);
  t.Color("Color", &C::Color, &C::SetColor, 0xFF3C3C3C);
  t.Object("Position", [](C& c) -> TKVElementOffsets& { return c.Position(); })
      .Doc("X from the inner left edge (share of the inner width); Y shifts the rail (share of the inner height)");
  t.Object("Width", [](C& c) -> TKVElementSize& { return c.Width(); }).Doc("share of the inner width");
  t.Object("Length", [](C& c) -> TKVElementSize& { return c.Length(); }).Doc("share of the inner height");
}

// ---- hands --------------------------------------------------------------------------------------

DW_PROPERTIES(TDWLinearGaugeHand) {
  using C = TDWLinearGaugeHand;
  t.Color("Color", &C::Color, &C::SetColor, 0xFFFF0000);
  t.Object("Width", [](C& c) -> TKVElementSize& { return c.Width(); }).Doc("share of the inner height");
  t.Object("TipWidth", [](C& c) -> TKVElementSize& { return c.TipWidth(); }).Doc("share of the hand width");
  t.Object("TipLength", [](C& c) -> TKVElementSize& { return c.TipLength(); }).Doc("share of the hand length");
  t.Object("TailIndentSize", [](C& c) -> TKVElementSize& { return c.TailIndentSize(); })
      .Doc("where the shading bands meet, share of the hand length");
  t.Object("Length", [](C& c) -> TKVElementSize& { return c.Length(); }).Doc("share of the inner width");
  t.Object("Shadow", [](C& c) -> TDWElementShadow& { return c.Shadow(); });
  t.Object("Animation", [](C& c) -> TDWHandAnimation& { return c.Animation(); });
}

DW_PROPERTIES(TDWOptionalLinearGaugeHand) {
  using C = TDWOptionalLinearGaugeHand;
  t.Bool("Visible", &C::Visible, &C::SetVisible, true);
}

DW_PROPERTIES(TDWControlLinearGaugeHand) { TDWControlLinearGaugeHand::DeclareStateColors(t); }

// ---- the gauge ----------------------------------------------------------------------------------

TDWBasicLinearGauge::TDWBasicLinearGauge(TComponent* AOwner)
    : TDWLayeredInstrument(AOwner), FRotation([this] { InvalidateRange(); }) {
  auto range = [this] { InvalidateRange(); };
  FRotationProperty = std::make_unique<TDWRotationProperty>(range, this, this, FRotation);
  FBorder = std::make_unique<TKVRectControlBorder>(range, this, this);
  FBorder->OuterBevel().Width().SetValueDefault(0.05f);
  FBorder->InnerBevel().Width().SetValueDefault(0.05f);
  FBorder->CornerSize().SetValueDefault(0.2f);
  FScale = std::make_unique<TDWReversibleGaugeScale>(range, this, this, 0.25f);
  FScale->MajorTicks().Length().SetValueDefault(0.25f);
  FScale->MajorTicks().Thickness().SetValueDefault(0.01f);
  FScale->MajorTicks().Labels().Position().SetValueDefault(0.5f);
  FScale->MinorTicks().Length().SetValueDefault(0.15f);
  FScale->MinorTicks().Thickness().SetValueDefault(0.005f);
  FScale->MinorTicks().Labels().Position().SetValueDefault(0.45f);
  FCaption = std::make_unique<TKVVerticalCaption>(range, this, this);
  FCaption->Font().Size().SetValueDefault(0.25f);
  FGlass = std::make_unique<TDWGlass>(range, this, this);
  FRail = std::make_unique<TDWLinearGaugeRail>(range, this, this);
  // The rail reaches half a hand width beyond the scale: a hand change is a face change too.
  FHand = std::make_unique<TDWOptionalLinearGaugeHand>(range, this, this);
  FRanges = std::make_unique<TDWAnalogGaugeScaleRanges>(range, this, this, 0.3f);
  FRanges->Size().SetValueDefault(0.2f);
  FRanges->Width().SetValueDefault(0.05f);
  FElements = std::make_unique<TRXLinearAnalogComponentElements>(this);
  FAnimator = std::make_unique<TDWHandAnimator>(*FHand, [this] { RepaintMoving(); });
  InitSize(DefaultWidth, DefaultHeight);
  FHand->SetValue(DWLinearFraction(FMin, FMax, FValue));
  FHandValue = TDWMovingState<float>(FHand->GetCurrentValue());
}

TDWBasicLinearGauge::~TDWBasicLinearGauge() { StopInputs(); }

DW_PROPERTIES(TDWBasicLinearGauge) {
  using C = TDWBasicLinearGauge;
  t.Color("Color", &C::Color, &C::SetColor, 0xFFD3D3D3);
  t.Object("Border", [](C& c) -> TKVRectControlBorder& { return c.Border(); });
  t.Object("Scale", [](C& c) -> TDWReversibleGaugeScale& { return c.Scale(); });
  t.Object("Caption", [](C& c) -> TKVVerticalCaption& { return c.Caption(); });
  t.Object("Glass", [](C& c) -> TDWGlass& { return c.Glass(); });
  t.Object("Rail", [](C& c) -> TDWLinearGaugeRail& { return c.Rail(); });
  t.Object("Hand", [](C& c) -> TDWOptionalLinearGaugeHand& { return c.Hand(); });
  t.Object("Ranges", [](C& c) -> TDWAnalogGaugeScaleRanges& { return c.Ranges(); });
  t.Object("Rotation", [](C& c) -> TDWRotationProperty& { return c.RotationProperty(); });
  t.Bool("Curved", &C::Curved, &C::SetCurved, true).Doc("cylindrical shading over the face");
  t.Collection("Elements", [](C& c) -> TRXLinearAnalogComponentElements& { return c.Elements(); });
  t.Integer("Width", [](const C& c) { return c.Width(); }, [](C& c, int v) { c.SetWidth(v); }, C::DefaultWidth)
      .Limit(C::MinSize, TRXTransparentControl::MaxSize)
      .Doc("pixels");
  t.Integer("Height", [](const C& c) { return c.Height(); }, [](C& c, int v) { c.SetHeight(v); }, C::DefaultHeight)
      .Limit(C::MinSize, TRXTransparentControl::MaxSize)
      .Doc("pixels");
}

TDWLinearFrame TDWBasicLinearGauge::Frame(float AWidth, float AHeight) const {
  const TDWTransformParams p = RXCalcTransformBackParams(FRotation, AWidth, AHeight);
  const float m = std::min(p.Width, p.Height);
  const float b = Finite0(FBorder->Width().Get(m)) + Finite0(FBorder->OuterBevel().WidthFor(m)) +
                  Finite0(FBorder->InnerBevel().WidthFor(m));
  return DWLinearFrame(p, b);
}

TDWLinearHandPlace TDWBasicLinearGauge::HandPlace(const TDWLinearFrame& F) const {
  TDWLinearHandPlace P;
  P.Frame = F;
  P.Rail = FRail->Place(F);
  P.RotationAngle = FRotation.NormalizedAngle();
  P.Reversed = FScale->Reversed();
  if (FRail->Visible()) {
    const float w = Finite0(FRail->Width().Get(2 * F.HW));
    const float l = P.Rail.L + FHand->WidthFor(F);
    P.RailRect = gp::RectF(P.Rail.X - w / 2, P.Rail.T - (l - P.Rail.L) / 2, w, l);
  }
  return P;
}

gp::GraphicsPath TDWBasicLinearGauge::InnerShape(const TDWLinearFrame& F) const {
  const float W = F.Transform.Width, H = F.Transform.Height, B = F.B;
  const float Wo = Finite0(FBorder->OuterBevel().WidthFor(F.M));
  float corner = Finite0(FBorder->CornerSize().Get(F.M)) + Wo / 2;
  return DWBorderShapePath(FBorder->Shape(), gp::RectF(B / 2, B / 2, W - B, H - B), corner);
}

TDWLayerArea TDWBasicLinearGauge::LayerArea(float AWidth, float AHeight) {
  FFrame = Frame(AWidth, AHeight);
  if (!(AWidth >= 1 && AHeight >= 1) || !(FFrame.Transform.Width > 0 && FFrame.Transform.Height > 0)) return {};
  return {0, 0, AWidth, AHeight};
}

TDWFaceShape TDWBasicLinearGauge::FaceShape(const TDWLayerFrame&) {
  TDWFaceShape s{InnerShape(FFrame)};
  s.Path.Transform(FFrame.Transform.Matrix);
  return s;
}

void TDWBasicLinearGauge::ValueChanged() {
  FAnimator->MoveTo(TDWLinearGaugeHand::AnimationTarget(DWLinearFraction(FMin, FMax, FValue)), !IsDesigning());
  UpdateEmbeddedValues();
}

void TDWBasicLinearGauge::DrawMovingParts(gp::Graphics& g, const TDWLayerFrame& AFrame) {
  const TDWLinearFrame& F = FFrame;
  g.SetClip(BuiltFaceShape().Path, gp::CombineModeIntersect);
  g.MultiplyTransform(F.Transform.Matrix);
  const TDWLinearHandPlace place = HandPlace(F);
  TDWLinearElementGeometry geometry(place);
  const float W = F.Transform.Width, H = F.Transform.Height;
  FElements->DrawElements(g, geometry, {W / 2, H / 2, W, H, AFrame.OuterWidth, AFrame.OuterHeight, AFrame.Offscreen});
  if (FHand->Visible()) FHand->DrawAt(g, place, FHandValue.Drawn(AFrame));
}

bool TDWBasicLinearGauge::MovingPartsBounds(const TDWLayerFrame& AFrame, bool AHeld, gp::RectF& ABounds) {
  // Elements draw themselves and ask for whole repaints when they change.
  if (!FHand->Visible()) return false;
  const TDWLinearFrame F = Frame(AFrame.Width, AFrame.Height);
  const gp::RectF r = FHand->Bounds(HandPlace(F), FHandValue.Get(AHeld));
  // The hand's box in the frame, turned into the control.
  const gp::PointF corners[4] = {{r.X, r.Y}, {r.Right(), r.Y}, {r.Right(), r.Bottom()}, {r.X, r.Bottom()}};
  ABounds = DWTransformedBounds(F.Transform.Matrix, corners);
  return r.IsFinite() && ABounds.IsFinite();
}

// ---- variants and registration ------------------------------------------------------------------

DW_PROPERTIES(TDWExternalLinearGauge) { DWDeclareMinMaxValueProperties(t); }
DW_PROPERTIES(TDWLinearGauge) {
  DWDeclareBackgroundProperty(t);
  DWDeclareTabStopProperty(t);
}
DW_PROPERTIES(TDWLinearGaugeLayer) {}
DW_PROPERTIES(TDWBasicLinearGaugeElement) {}
DW_PROPERTIES(TDWLinearGaugeElement) { DWDeclarePlacementProperties(t); }
DW_PROPERTIES(TDWExternalLinearGaugeElement) { DWDeclareMinMaxValueProperties(t); }
DW_PROPERTIES(TDWExternalLinearGaugeMatrixLayer) {}
DW_PROPERTIES(TDWExternalLinearGaugeMatrixElement) {}

void DWLinearGauge::RegisterPkg() {
  TRegistrationUnit unit("DWLinearGauge");
  TClassGroupScope group(TKVBasicControl::StaticClass());
  // In the order of the unit's table: control and layer, the gauge variants, then the hands.
  DWRegisterInstrumentVariants({.Control = &TDWLinearGauge::StaticClass(),
                                .Layer = &TDWLinearGaugeLayer::StaticClass(),
                                .Category = "Gauges",
                                .MirroringElement = &TDWLinearGaugeElement::StaticClass(),
                                .MirroringFamily = efGauge,
                                .ExternalElement = &TDWExternalLinearGaugeElement::StaticClass(),
                                .MatrixLayer = &TDWExternalLinearGaugeMatrixLayer::StaticClass(),
                                .MatrixCategory = "Gauges",
                                .StreamingOnly = {&TDWExternalLinearGaugeMatrixElement::StaticClass()}});
  GroupDescendentsWith(TDWBasicLinearGaugeHand::StaticClass(), TKVBasicControl::StaticClass());
  RXRegisterLinearAnalogComponentElement(TDWExternalLinearGaugeHandElement::StaticClass(), "Hands");
  RXRegisterLinearAnalogComponentElement(TDWLinearGaugeMinMaxHandElement::StaticClass(), "Hands");
  RXRegisterLinearAnalogComponentElement(TDWExternalLinearGaugeControlHandElement::StaticClass(), "Hands");
}

}  // namespace dw
