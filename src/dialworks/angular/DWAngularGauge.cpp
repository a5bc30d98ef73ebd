#include "dialworks/angular/DWAngularGauge.h"
#include "dialworks/angular/DWAngularGaugeHands.h"

#include <algorithm>
#include <cmath>

#include "dialworks/draw/Brush.h"
#include "dialworks/framework/Registry.h"

namespace dw {

// ---- scale and hand -----------------------------------------------------------------------------

TDWAngularGaugeScale::TDWAngularGaugeScale(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl)
    : TDWReversibleGaugeScale(std::move(AOnChange), AOwner, AControl, 0.9f) {}

DW_PROPERTIES(TDWAngularGaugeScale) {
  using C = TDWAngularGaugeScale;
  t.Single("MinAngle", &C::MinAngle, &C::SetMinAngle, 315.0f).Doc("degrees, counter-clockwise; where the scale ends");
  t.Single("MaxAngle", &C::MaxAngle, &C::SetMaxAngle, 225.0f)
      .Doc("degrees, counter-clockwise; where the scale starts (it runs clockwise to MinAngle)");
}

DW_PROPERTIES(TDWAngularGaugeHand) {}

// ---- the gauge ----------------------------------------------------------------------------------

TDWBasicAngularGauge::TDWBasicAngularGauge(TComponent* AOwner) : TDWLayeredInstrument(AOwner) {
  auto range = [this] { InvalidateRange(); };
  FBorder = std::make_unique<TKVProportionalControlBorder>(range, this, this);
  FCaption = std::make_unique<TKVCaption>(range, this, this);
  FCaption->Position().SetValueDefaults(0, 0.7f);
  FGlass = std::make_unique<TDWGlass>(range, this, this);
  FScale = std::make_unique<TDWAngularGaugeScale>(range, this, this);
  FRanges = std::make_unique<TDWAnalogGaugeScaleRanges>(range, this, this, 0.3f);
  FHand = std::make_unique<TDWAngularGaugeHand>([this] { Invalidate(); }, this, this, FScale.get());
  FCenter = std::make_unique<TDWAnalogInstrumentCenter>(range, this, this);
  FElements = std::make_unique<TRXAngularAnalogComponentElements>(this);
  FAnimator = std::make_unique<TDWHandAnimator>(*FHand, [this] { RepaintMoving(); });
  InitSize(DefaultSize, DefaultSize);
  // A gauge painted before any value arrives shows the hand at its value, not at angle 0.
  const float angle = ValueToAngle(FMin, FMax, FValue);
  FHand->SetTargetAngle(angle);
  FHand->SetAngle(angle);
  FHandAngle = TDWMovingState<float>(angle);
}

TDWBasicAngularGauge::~TDWBasicAngularGauge() {
  // Deleted without BeforeDestruction: no tick or timer may reach the gauge's parts, and the
  // elements (which may call back into their host) go before them.
  StopInputs();
}

DW_PROPERTIES(TDWBasicAngularGauge) {
  using C = TDWBasicAngularGauge;
  t.Color("Color", &C::Color, &C::SetColor, 0xFFD3D3D3);
  t.Object("Border", [](C& c) -> TKVProportionalControlBorder& { return c.Border(); });
  t.Object("Caption", [](C& c) -> TKVCaption& { return c.Caption(); });
  t.Object("Glass", [](C& c) -> TDWGlass& { return c.Glass(); });
  t.Object("Scale", [](C& c) -> TDWAngularGaugeScale& { return c.Scale(); });
  t.Object("Ranges", [](C& c) -> TDWAnalogGaugeScaleRanges& { return c.Ranges(); });
  t.Object("Hand", [](C& c) -> TDWAngularGaugeHand& { return c.Hand(); });
  t.Object("Center", [](C& c) -> TDWAnalogInstrumentCenter& { return c.Center(); });
  t.Collection("Elements", [](C& c) -> TRXAngularAnalogComponentElements& { return c.Elements(); });
  // Sizes below MinSize become MinSize (SetBounds).
  t.Integer("Width", [](const C& c) { return c.Width(); }, [](C& c, int v) { c.SetWidth(v); }, C::DefaultSize)
      .Limit(C::MinSize, TRXTransparentControl::MaxSize)
      .Doc("pixels");
  t.Integer("Height", [](const C& c) { return c.Height(); }, [](C& c, int v) { c.SetHeight(v); }, C::DefaultSize)
      .Limit(C::MinSize, TRXTransparentControl::MaxSize)
      .Doc("pixels");
}

TDWDialLayout TDWBasicAngularGauge::Layout(float AWidth, float AHeight) const {
  return DWDialLayoutFor(AWidth, AHeight, *FBorder, *FCenter);
}

void TDWBasicAngularGauge::ValueChanged() {
  FAnimator->MoveTo(ValueToAngle(FMin, FMax, FValue), !IsDesigning());
  UpdateEmbeddedValues();
}

void TDWBasicAngularGauge::SizeChanged() { FHand->DoInvalidateResources(); }

TDWDialHandGeometry DWDialHandGeometry(const TDWDialLayout& L, float AScaleX, float AScaleY) {
  TDWDialHandGeometry G;
  G.ShiftX = L.ShiftX;
  G.ShiftY = L.ShiftY;
  G.OffsetX = L.OffsetX;
  G.OffsetY = L.OffsetY;
  G.Reference = L.Radius;
  G.Width = L.Width + 1;
  G.Height = L.Height + 1;
  G.ScaleX = AScaleX;
  G.ScaleY = AScaleY;
  return G;
}

void TDWBasicAngularGauge::DrawMovingParts(gp::Graphics& g, const TDWLayerFrame& AFrame) {
  const TDWDialLayout& L = FFrameLayout;
  // The hands pivot at Width/2, Height/2 like the face and the cap.
  const TDWDialHandGeometry hands = DWDialHandGeometry(L, AFrame.ScaleX, AFrame.ScaleY);
  // The face shape clips what is drawn on it.
  g.SetClip(BuiltFaceShape().Path, gp::CombineModeIntersect);
  TDWDialElementGeometry geometry(hands);
  FElements->DrawElements(g, geometry,
                          {L.Width / 2, L.Height / 2, L.Width, L.Height, AFrame.OuterWidth, AFrame.OuterHeight,
                           AFrame.Offscreen});
  FHand->DrawAt(g, hands.OffsetX, hands.OffsetY, hands.Reference, hands.Width, hands.Height, AFrame.ScaleX,
                AFrame.ScaleY, FHandAngle.Drawn(AFrame));
  if (!AFrame.TopLayer) FCenter->Draw(g, L.Size, L.Width, L.Height, AntiAliased());
}

bool TDWBasicAngularGauge::MovingPartsBounds(const TDWLayerFrame& AFrame, bool AHeld, gp::RectF& ABounds) {
  // Elements draw themselves and ask for whole repaints when they change.
  if (!FHand->Visible()) return false;
  const TDWDialHandGeometry hands = DWDialHandGeometry(Layout(AFrame.Width, AFrame.Height), AFrame.ScaleX, AFrame.ScaleY);
  ABounds = FHand->Bounds(hands.OffsetX, hands.OffsetY, hands.Reference, hands.Width, hands.Height, AFrame.ScaleX,
                          AFrame.ScaleY, FHandAngle.Get(AHeld));
  return true;
}

// ---- standalone control -------------------------------------------------------------------------

DW_PROPERTIES(TDWExternalAngularGauge) { DWDeclareMinMaxValueProperties(t); }
DW_PROPERTIES(TDWAngularGauge) {
  using C = TDWAngularGauge;
  t.Object("Background", [](C& c) -> TKVControlBackground& { return c.Background(); });
  DWDeclareTabStopProperty(t);
}
DW_PROPERTIES(TDWAngularGaugeLayer) {}
DW_PROPERTIES(TDWBasicAngularGaugeElement) {}
DW_PROPERTIES(TDWAngularGaugeElement) { DWDeclarePlacementProperties(t); }
DW_PROPERTIES(TDWExternalAngularGaugeElement) { DWDeclareMinMaxValueProperties(t); }
DW_PROPERTIES(TDWExternalAngularGaugeMatrixLayer) {}
DW_PROPERTIES(TDWExternalAngularGaugeMatrixElement) {}

void DWAngularGauge::RegisterPkg() {
  TRegistrationUnit unit("DWAngularGauge");
  TClassGroupScope group(TKVBasicControl::StaticClass());
  // In the order of the unit's table: control and layer, the hands, then the gauge variants.
  DWRegisterInstrumentVariants({.Control = &TDWAngularGauge::StaticClass(),
                                .Layer = &TDWAngularGaugeLayer::StaticClass(),
                                .Category = "Gauges"});
  GroupDescendentsWith(TDWBasicGaugeHand::StaticClass(), TKVBasicControl::StaticClass());
  RXRegisterAngularAnalogComponentElement(TDWExternalGaugeHandElement::StaticClass(), "Hands");
  RXRegisterAngularAnalogComponentElement(TDWGaugeMinMaxHandElement::StaticClass(), "Hands");
  RXRegisterAngularAnalogComponentElement(TDWExternalGaugeControlHandElement::StaticClass(), "Hands");
  DWRegisterInstrumentVariants({.Category = "Gauges",
                                .MirroringElement = &TDWAngularGaugeElement::StaticClass(),
                                .MirroringFamily = efGauge,
                                .ExternalElement = &TDWExternalAngularGaugeElement::StaticClass(),
                                .MatrixLayer = &TDWExternalAngularGaugeMatrixLayer::StaticClass(),
                                .MatrixCategory = "Gauges",
                                .StreamingOnly = {&TDWExternalAngularGaugeMatrixElement::StaticClass()}});
}

}  // namespace dw
