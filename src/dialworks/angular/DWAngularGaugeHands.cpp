#include "dialworks/angular/DWAngularGaugeHands.h"

#include <algorithm>
#include <cmath>

#include "dialworks/framework/Registry.h"
#include "dialworks/host/Helpers.h"

namespace dw {

// ---- control hand -------------------------------------------------------------------------------

DW_PROPERTIES(TDWControlAngularGaugeHand) { TDWControlAngularGaugeHand::DeclareStateColors(t); }

// ---- element owning a hand ----------------------------------------------------------------------

TDWBasicGaugeHand::TDWBasicGaugeHand(TComponent* AOwner, bool AControlHand) : TKVBasicControl(AOwner) {
  auto redraw = [this] { Invalidate(); };
  if (AControlHand) FHand = std::make_unique<TDWControlAngularGaugeHand>(redraw, this, this, nullptr);
  else FHand = std::make_unique<TDWAngularGaugeHand>(redraw, this, this, nullptr);
}

TDWBasicAngularGauge* TDWBasicGaugeHand::Gauge() const {
  TRXComponentElements* list = ListOwner();
  return list ? dynamic_cast<TDWBasicAngularGauge*>(list->Owner()) : nullptr;
}

const TDWAngularGaugeScale* TDWBasicGaugeHand::GaugeScale() const {
  const TDWBasicAngularGauge* g = Gauge();
  return g ? &g->Scale() : nullptr;
}

void TDWBasicGaugeHand::SetListOwner(TRXComponentElements* AOwner) {
  TRXDrawComponentElement::SetListOwner(AOwner);
  FHand->SetGaugeScale(GaugeScale());
  if (TDWBasicAngularGauge* g = Gauge()) SetMinMaxValue(g->Min(), g->Max(), g->Value());
}

void TDWBasicGaugeHand::Draw(gp::Graphics& g, const TRXElementArea& A) {
  TDWDialHandGeometry geometry;
  geometry.Reference = std::min(A.RX, A.RY);
  geometry.Width = A.W + 1;
  geometry.Height = A.H + 1;
  AngularAnalogDraw(g, geometry);
}

void TDWBasicGaugeHand::AngularAnalogDraw(gp::Graphics& g, const TDWDialHandGeometry& G) {
  TControlDrawLock lock(*this);
  if (!lock) return;
  if (!Enabled() || !Visible()) return;
  FHand->Draw(g, G.OffsetX, G.OffsetY, G.Reference, G.Reference, G.Width, G.Height, 0, 0, G.ScaleX, G.ScaleY);
}

bool TDWBasicGaugeHand::HandHit(int AX, int AY, const TDWDialHandGeometry& G) {
  // What is not drawn cannot be hit.
  if (!Enabled() || !Visible() || !FHand->Visible()) return false;
  // The hand's polygons are shared with drawing (built lazily by either).
  std::lock_guard lock(ControlLock());
  // The squaring shift joins the centre offset, so the integer pointer is used as it is.
  return FHand->HitTest(AX, AY, G.ShiftX + G.OffsetX, G.ShiftY + G.OffsetY, G.Reference, G.Reference, G.Width,
                        G.Height, G.ScaleX, G.ScaleY);
}

void TDWBasicGaugeHand::InvalidateSize() {
  FHand->DoInvalidateResources();
  Invalidate();
}

DW_PROPERTIES(TDWBasicGaugeHand) {
  using C = TDWBasicGaugeHand;
  t.Object("Hand", [](C& c) -> TDWAngularGaugeHand& { return c.Hand(); });
}

// ---- animated hand element ----------------------------------------------------------------------

TDWBasicGaugeHandElement::TDWBasicGaugeHandElement(TComponent* AOwner, bool AControlHand)
    : TDWBasicGaugeHand(AOwner, AControlHand),
      FAnimator(std::make_unique<TDWHandAnimator>(*FHand, [this] { Invalidate(); })) {}

TDWBasicGaugeHandElement::~TDWBasicGaugeHandElement() { FAnimator->Shutdown(); }

void TDWBasicGaugeHandElement::BeforeDestruction() {
  FAnimator->Shutdown();
  TDWBasicGaugeHand::BeforeDestruction();
}

void TDWBasicGaugeHandElement::AnimateToAngle(float AAngle) {
  // A value streamed in is shown at once, like the gauge's own.
  FAnimator->MoveTo(AAngle, !IsDesigning() && !IsLoading());
}

DW_PROPERTIES(TDWBasicGaugeHandElement) {}

// ---- minimum / maximum hand ---------------------------------------------------------------------

TDWGaugeMinMaxHandElement::TDWGaugeMinMaxHandElement(TComponent* AOwner) : TDWBasicGaugeHandElement(AOwner) {
  FAutoReset = std::make_unique<TDWGaugeMinMaxAutoReset>([this] { Invalidate(); }, this, &ControlLock(),
                                                         [this] { AutoResetExpired(); });
}

void TDWGaugeMinMaxHandElement::Remap() {
  if (const TDWAngularGaugeScale* scale = GaugeScale()) AnimateToAngle(scale->ValueToAngle(FMin, FMax, FTracked));
}

void TDWGaugeMinMaxHandElement::SetMinMaxValue(double AMin, double AMax, double AValue) {
  std::lock_guard lock(ControlLock());
  if (std::isnan(AValue)) return;
  FMin = AMin;
  FMax = AMax;
  FCurrent = AValue;
  // Seeded from the first value; while loading, the values are the defaults and the ranges on
  // their way to the loaded value, not values the gauge showed.
  double tracked = FTracked;
  FAutoReset->Track(tracked, AValue, FMode, FFirstValue || IsLoading());
  FTracked = tracked;
  FFirstValue = false;
  FReset = false;
  Remap();
  Invalidate();
}

void TDWGaugeMinMaxHandElement::SetListOwner(TRXComponentElements* AOwner) {
  {
    // An extreme of another gauge is none of this one's: tracking starts afresh in the new gauge.
    std::lock_guard lock(ControlLock());
    if (AOwner != ListOwner()) FFirstValue = true;
  }
  TDWBasicGaugeHandElement::SetListOwner(AOwner);
}

void TDWGaugeMinMaxHandElement::SetMode(TDWGaugeMinMaxMode AValue) {
  // The other extreme was not tracked: start again from the current value.
  Setter(*this, "Mode", FMode, AValue, [this] {
    std::lock_guard lock(ControlLock());
    FTracked = FCurrent;
    FAutoReset->Disable();
    Remap();
  });
}

void TDWGaugeMinMaxHandElement::AutoResetExpired() {
  std::lock_guard lock(ControlLock());
  if (!FAutoReset->Expired()) return;
  FTracked = FCurrent;
  FAutoReset->Disable();
  Remap();
  FReset = true;
  Invalidate();
}

DW_PROPERTIES(TDWGaugeMinMaxHandElement) {
  using C = TDWGaugeMinMaxHandElement;
  t.Enum("Mode", &C::Mode, &C::SetMode, gmmMax);
  t.Object("AutoReset", [](C& c) -> TDWGaugeMinMaxAutoReset& { return c.AutoReset(); });
}

// ---- own-value hands ----------------------------------------------------------------------------

TDWBasicExternalGaugeHandElement::TDWBasicExternalGaugeHandElement(TComponent* AOwner, bool AControlHand)
    : TDWBasicGaugeHandElement(AOwner, AControlHand),
      FRange(std::make_unique<TDWGaugeHandMinMax>([this] { InvalidateValue(); }, this, this,
                                                  [this] { return GetRangeStored(); })) {}

void TDWBasicExternalGaugeHandElement::SetValue(double AValue) {
  if (Setter(*this, "Value", FValue, AValue, [this] { InvalidateValue(); })) ValueAssigned();
}

void TDWBasicExternalGaugeHandElement::SetMinMaxValue(double AMin, double AMax, double) {
  std::lock_guard lock(ControlLock());
  FGaugeMin = AMin;
  FGaugeMax = AMax;
  InvalidateValue();
}

void TDWBasicExternalGaugeHandElement::EffectiveRange(double& AMin, double& AMax) const {
  AMin = FRange->Enabled() ? FRange->Min() : FGaugeMin;
  AMax = FRange->Enabled() ? FRange->Max() : FGaugeMax;
}

void TDWBasicExternalGaugeHandElement::InvalidateValue() {
  const TDWAngularGaugeScale* scale = GaugeScale();
  if (!scale) return;
  double lo, hi;
  EffectiveRange(lo, hi);
  AnimateToAngle(scale->ValueToAngle(lo, hi, FValue));
  Invalidate();
}

DW_PROPERTIES(TDWBasicExternalGaugeHandElement) {
  using C = TDWBasicExternalGaugeHandElement;
  t.Object("Range", [](C& c) -> TDWGaugeHandMinMax& { return c.Range(); });
  t.Real("Value", &C::Value, &C::SetValue, 0.0);
}

TDWExternalGaugeHandElement::TDWExternalGaugeHandElement(TComponent* AOwner)
    : TDWBasicExternalGaugeHandElement(AOwner),
      FInputPin(this, [this](TPXPin&, double AValue, double AMin, double AMax, bool AHasRange, bool) {
        if (AHasRange) {
          Range().SetMin(AMin);
          Range().SetMax(AMax);
        }
        SetValue(AValue);
      }) {}

void TDWExternalGaugeHandElement::SetListOwner(TRXComponentElements* AOwner) {
  if (!AOwner) FInputPin.DisconnectAll();
  TDWBasicExternalGaugeHandElement::SetListOwner(AOwner);
}

DW_PROPERTIES(TDWExternalGaugeHandElement) {
  using C = TDWExternalGaugeHandElement;
  t.Pin("InputPin", [](C& c) -> TPXRealAndRangedSinkPin& { return c.InputPin(); });
  t.Real("Value", &C::Value, &C::SetValue, 0.0).Stored([](const C& c) { return !c.InputPin().Connected(); });
}

// ---- control hand element -----------------------------------------------------------------------

double DWDialDragValue(const TDWDialAngles& A, bool AReversed, double AMin, double AMax, float ATheta) {
  if (!std::isfinite(ATheta)) return AMin;
  float r = ATheta - A.Start;
  r = RXNormalizeAngle(r);  // raised by whole turns until not negative, below 360
  float p = A.Sweep > 0 ? r / A.Sweep : 0;
  if (p > 1) {
    const float e1 = std::fabs(RXNormalizeSmallAngle(RXNormalizeAngle(A.Start) - RXNormalizeAngle(ATheta)));
    const float e2 = std::fabs(RXNormalizeSmallAngle(RXNormalizeAngle(A.End) - RXNormalizeAngle(ATheta)));
    p = e1 >= e2 ? 1.0f : 0.0f;
  }
  if (AReversed) p = 1 - p;
  return AMin + (AMax - AMin) * double(p);
}

TDWExternalGaugeControlHandElement::TDWExternalGaugeControlHandElement(TComponent* AOwner)
    : TDWBasicExternalGaugeHandElement(AOwner, true),
      FStatePin(this, [this](TPXPin&, double AValue, double AMin, double AMax, bool AHasRange, bool) {
        FInPinUpdate = true;
        if (AHasRange) {
          Range().SetMin(AMin);
          Range().SetMax(AMax);
        }
        SetValue(AValue);
        FInPinUpdate = false;
      }) {
  ControlHand().OwnerFocused = [this] {
    const TDWBasicAngularGauge* g = Gauge();
    return !g || g->Focused();
  };
  ControlHand().OnSelectionChanged = [this] {
    // Selecting this hand unselects every other element of the gauge.
    TRXComponentElements* list = ListOwner();
    if (!list || !ControlHand().Selected()) return;
    for (size_t i = 0; i < list->Count(); ++i)
      if (auto* e = dynamic_cast<TRXDrawComponentElement*>(&list->Items(i)); e && e != this) e->Unselect();
  };
}

void TDWExternalGaugeControlHandElement::ValueAssigned() {
  if (FInPinUpdate) return;
  // The range sent along is the one the hand maps on: its own when enabled, else the gauge's
  // (sending a disabled own range would re-range the receiver to something the user never saw).
  double lo, hi;
  EffectiveRange(lo, hi);
  FStatePin.SubmitValueRange(FValue, lo, hi);
  if (OnChange) OnChange(*this, FValue, lo, hi);
}

bool TDWExternalGaugeControlHandElement::AngularAnalogHitTest(int AX, int AY, const TDWDialMouseGeometry& G) {
  return HandHit(AX, AY, G.Hands);
}

bool TDWExternalGaugeControlHandElement::HitTest(int AX, int AY) {
  TDWBasicAngularGauge* gauge = Gauge();
  return gauge && AngularAnalogHitTest(AX, AY, DWDialMouseGeometry(*gauge));
}

void TDWExternalGaugeControlHandElement::AngularAnalogMouseDown(TMouseButton AButton, TShiftState AShift, int AX,
                                                                int AY, const TDWDialMouseGeometry&) {
  MouseDown(AButton, AShift, AX, AY);
}

void TDWExternalGaugeControlHandElement::MouseDown(TMouseButton, TShiftState, int, int) {
  ControlHand().SetSelected(true);
  if (TDWBasicAngularGauge* gauge = Gauge()) HostServices().RequestFocus(*gauge);
  ControlHand().SetMouseIsDown(true);
}

void TDWExternalGaugeControlHandElement::MouseUp(TMouseButton, TShiftState, int, int) {
  ControlHand().SetMouseIsDown(false);
}

void TDWExternalGaugeControlHandElement::MouseMove(TShiftState AShift, int AX, int AY) {
  if (TDWBasicAngularGauge* gauge = Gauge()) AngularAnalogMouseMove(AShift, AX, AY, DWDialMouseGeometry(*gauge));
  else ControlHand().SetMouseOver(ControlHand().MouseOver(), AX, AY, false);
}

void TDWExternalGaugeControlHandElement::AngularAnalogMouseMove(TShiftState, int AX, int AY,
                                                                const TDWDialMouseGeometry& G) {
  ControlHand().SetMouseOver(ControlHand().MouseOver(), AX, AY, false);
  if (!ControlHand().MouseIsDown() || !ControlHand().TakesInput(*this)) return;
  // The pointer's direction from the pivot the hand is drawn around.
  const TDWDialHandGeometry& H = G.Hands;
  const float dx = float(AX) - (H.ShiftX + H.OffsetX + (H.Width - 1) / 2);
  const float dy = float(AY) - (H.ShiftY + H.OffsetY + (H.Height - 1) / 2);
  if (dx == 0 && dy == 0) return;
  double lo = G.Min, hi = G.Max;
  if (Range().Enabled()) EffectiveRange(lo, hi);
  const float theta = float(RXGetDegree(std::atan2(double(dy), double(dx))));
  SetValue(DWDialDragValue(G.Angles, G.Reversed, lo, hi, theta));
}

bool TDWExternalGaugeControlHandElement::MouseWheel(TShiftState, int AWheelDelta, int, int) {
  // A disabled or hidden hand takes no input, whether selected or not.
  if (!ControlHand().TakesInput(*this) || AWheelDelta == 0) return false;
  double lo, hi;
  EffectiveRange(lo, hi);
  const int notch = AWheelDelta > 0 ? 1 : -1;
  // A notch is a hundredth of the range towards Max (a range may run downwards).
  const double v = FValue + (hi - lo) * notch * 0.01;
  SetValue(std::clamp(v, std::min(lo, hi), std::max(lo, hi)));
  return true;
}

void TDWExternalGaugeControlHandElement::MouseEnter() {
  ControlHand().SetMouseOver(true, ControlHand().MouseX(), ControlHand().MouseY(), true);
}

void TDWExternalGaugeControlHandElement::MouseLeave() {
  ControlHand().SetMouseOver(false, -100000, 0, true);
}

void TDWExternalGaugeControlHandElement::Unselect() {
  ControlHand().SetSelected(false);
  ControlHand().SetMouseIsDown(false);
}

void TDWExternalGaugeControlHandElement::SetListOwner(TRXComponentElements* AOwner) {
  if (!AOwner) FStatePin.DisconnectAll();
  TDWBasicExternalGaugeHandElement::SetListOwner(AOwner);
}

DW_PROPERTIES(TDWExternalGaugeControlHandElement) {
  using C = TDWExternalGaugeControlHandElement;
  t.Pin("StatePin", [](C& c) -> TPXRealAndRangedStatePin& { return c.StatePin(); });
  t.Object("Hand", [](C& c) -> TDWControlAngularGaugeHand& { return c.ControlHand(); });
}

}  // namespace dw
