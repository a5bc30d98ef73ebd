#include "dialworks/linear/DWLinearGaugeHands.h"

#include <algorithm>
#include <cmath>
#include <mutex>

#include "dialworks/framework/Registry.h"

namespace dw {

// ---- the gauge's mouse geometry -----------------------------------------------------------------

TDWLinearMouseGeometry DWLinearMouseGeometry(TDWBasicLinearGauge& AGauge) {
  std::lock_guard lock(AGauge.ControlLock());
  TDWLinearMouseGeometry G;
  const TDWLinearFrame F = AGauge.Frame(float(AGauge.Width()), float(AGauge.Height()));
  G.Place = AGauge.HandPlace(F);
  G.Back = F.Transform.BackMatrix;
  G.Min = AGauge.Min();
  G.Max = AGauge.Max();
  G.Value = AGauge.Value();
  return G;
}

std::unique_ptr<TRXElementGeometry> TDWBasicLinearGauge::ElementGeometry() {
  return std::make_unique<TDWLinearElementGeometry>(DWLinearMouseGeometry(*this));
}

void TDWLinearElementGeometry::Draw(TRXDrawComponentElement& AElement, gp::Graphics& AGraphics,
                                    const TRXElementArea& AArea) {
  if (auto* hand = dynamic_cast<IDWLinearAnalogElement*>(&AElement)) hand->LinearAnalogDraw(AGraphics, FGeometry.Place);
  else TRXElementGeometry::Draw(AElement, AGraphics, AArea);
}

bool TDWLinearElementGeometry::HitTest(TRXDrawComponentElement& AElement, int AX, int AY) {
  if (auto* m = dynamic_cast<IDWLinearAnalogMouseElement*>(&AElement)) return m->LinearAnalogHitTest(AX, AY, FGeometry);
  return TRXElementGeometry::HitTest(AElement, AX, AY);
}

void TDWLinearElementGeometry::MouseMove(TRXDrawComponentElement& AElement, TShiftState AShift, int AX, int AY) {
  if (auto* m = dynamic_cast<IDWLinearAnalogMouseElement*>(&AElement)) m->LinearAnalogMouseMove(AShift, AX, AY, FGeometry);
  else TRXElementGeometry::MouseMove(AElement, AShift, AX, AY);
}

// ---- element owning a hand ----------------------------------------------------------------------

TDWBasicLinearGaugeHand::TDWBasicLinearGaugeHand(TComponent* AOwner, bool AControlHand) : TKVBasicControl(AOwner) {
  auto redraw = [this] { Invalidate(); };
  if (AControlHand) FHand = std::make_unique<TDWControlLinearGaugeHand>(redraw, this, this);
  else FHand = std::make_unique<TDWLinearGaugeHand>(redraw, this, this);
}

TDWBasicLinearGauge* TDWBasicLinearGaugeHand::Gauge() const {
  TRXComponentElements* list = ListOwner();
  return list ? dynamic_cast<TDWBasicLinearGauge*>(list->Owner()) : nullptr;
}

void TDWBasicLinearGaugeHand::SetListOwner(TRXComponentElements* AOwner) {
  TRXDrawComponentElement::SetListOwner(AOwner);
  if (TDWBasicLinearGauge* g = Gauge()) SetMinMaxValue(g->Min(), g->Max(), g->Value());
}

void TDWBasicLinearGaugeHand::Draw(gp::Graphics& g, const TRXElementArea& A) {
  TDWTransformParams p;
  p.Width = A.W;
  p.Height = A.H;
  TDWLinearHandPlace place;
  place.Frame = DWLinearFrame(p, 0);
  place.Rail = DWLinearRail(place.Frame, place.Frame.HH * 2, 0, 0);
  LinearAnalogDraw(g, place);
}

void TDWBasicLinearGaugeHand::LinearAnalogDraw(gp::Graphics& g, const TDWLinearHandPlace& P) {
  TControlDrawLock lock(*this);
  if (!lock) return;
  if (!Enabled() || !Visible()) return;
  FHand->Draw(g, P);
}

void TDWBasicLinearGaugeHand::InvalidateSize() {
  FHand->DoInvalidateResources();
  Invalidate();
}

DW_PROPERTIES(TDWBasicLinearGaugeHand) {
  using C = TDWBasicLinearGaugeHand;
  t.Object("Hand", [](C& c) -> TDWLinearGaugeHand& { return c.Hand(); });
}

// ---- animated hand element ----------------------------------------------------------------------

TDWBasicLinearGaugeHandElement::TDWBasicLinearGaugeHandElement(TComponent* AOwner, bool AControlHand)
    : TDWBasicLinearGaugeHand(AOwner, AControlHand),
      FAnimator(std::make_unique<TDWHandAnimator>(static_cast<IDWAnimatedHand&>(*FHand), [this] { Invalidate(); })) {}

TDWBasicLinearGaugeHandElement::~TDWBasicLinearGaugeHandElement() { FAnimator->Shutdown(); }

void TDWBasicLinearGaugeHandElement::BeforeDestruction() {
  FAnimator->Shutdown();
  TDWBasicLinearGaugeHand::BeforeDestruction();
}

void TDWBasicLinearGaugeHandElement::AnimateToValue(float AFraction) {
  if (!std::isfinite(AFraction)) return;
  // A value streamed in is shown at once, like the gauge's own.
  FAnimator->MoveTo(TDWLinearGaugeHand::AnimationTarget(AFraction), !IsDesigning() && !IsLoading());
}

void TDWBasicLinearGaugeHandElement::Loaded() {
  TDWBasicLinearGaugeHand::Loaded();
  FAnimator->JumpNext();
  InvalidateValue();
}

DW_PROPERTIES(TDWBasicLinearGaugeHandElement) {}

// ---- own range and value ------------------------------------------------------------------------

TDWBasicExternalLinearGaugeMinMaxHandElement::TDWBasicExternalLinearGaugeMinMaxHandElement(TComponent* AOwner,
                                                                                           bool AControlHand)
    : TDWBasicLinearGaugeHandElement(AOwner, AControlHand),
      FRange(std::make_unique<TDWGaugeHandMinMax>([this] { InvalidateValue(); }, this, this,
                                                  [this] { return GetRangeStored(); })) {}

void TDWBasicExternalLinearGaugeMinMaxHandElement::SetMinMaxValue(double AMin, double AMax, double) {
  {
    std::lock_guard lock(ControlLock());
    FGaugeMin = AMin;
    FGaugeMax = AMax;
  }
  InvalidateValue();
}

void TDWBasicExternalLinearGaugeMinMaxHandElement::EffectiveRange(double& ALo, double& AHi) const {
  ALo = FRange->Enabled() ? FRange->Min() : FGaugeMin;
  AHi = FRange->Enabled() ? FRange->Max() : FGaugeMax;
  if (AHi == ALo) AHi = ALo + 1;
}

DW_PROPERTIES(TDWBasicExternalLinearGaugeMinMaxHandElement) {
  using C = TDWBasicExternalLinearGaugeMinMaxHandElement;
  t.Object("Range", [](C& c) -> TDWGaugeHandMinMax& { return c.Range(); });
}

void TDWBasicExternalLinearGaugeHandElement::SetValue(double AValue) {
  if (std::isnan(AValue)) return;
  if (Setter(*this, "Value", FValue, AValue, [this] { InvalidateValue(); })) ValueAssigned();
}

void TDWBasicExternalLinearGaugeHandElement::InvalidateValue() {
  double lo, hi;
  EffectiveRange(lo, hi);
  const double v = std::clamp(FValue.Get(), std::min(lo, hi), std::max(lo, hi));
  AnimateToValue(DWLinearFraction(lo, hi, v));
  Invalidate();
}

DW_PROPERTIES(TDWBasicExternalLinearGaugeHandElement) {
  using C = TDWBasicExternalLinearGaugeHandElement;
  t.Real("Value", &C::Value, &C::SetValue, 0.0);
}

TDWExternalLinearGaugeHandElement::TDWExternalLinearGaugeHandElement(TComponent* AOwner)
    : TDWBasicExternalLinearGaugeHandElement(AOwner, false),
      FInputPin(this, [this](TPXPin&, double AValue, double AMin, double AMax, bool AHasRange, bool) {
        if (AHasRange) {
          Range().SetMin(AMin);
          Range().SetMax(AMax);
        }
        SetValue(AValue);
      }) {}

void TDWExternalLinearGaugeHandElement::SetListOwner(TRXComponentElements* AOwner) {
  if (!AOwner) FInputPin.DisconnectAll();
  TDWBasicExternalLinearGaugeHandElement::SetListOwner(AOwner);
}

DW_PROPERTIES(TDWExternalLinearGaugeHandElement) {
  using C = TDWExternalLinearGaugeHandElement;
  t.Pin("InputPin", [](C& c) -> TPXRealAndRangedSinkPin& { return c.InputPin(); });
  t.Real("Value", &C::Value, &C::SetValue, 0.0).Stored([](const C& c) { return !c.InputPin().Connected(); });
}

// ---- control hand element -----------------------------------------------------------------------

TDWExternalLinearGaugeControlHandElement::TDWExternalLinearGaugeControlHandElement(TComponent* AOwner)
    : TDWBasicExternalLinearGaugeHandElement(AOwner, true),
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
    const TDWBasicLinearGauge* g = Gauge();
    return !g || g->Focused();
  };
}

void TDWExternalLinearGaugeControlHandElement::ValueAssigned() {
  if (FInPinUpdate) return;
  // The range sent along is the one the hand maps on: its own when enabled, else the gauge's
  // (sending a disabled own range would re-range the receiver to something the user never saw).
  // Sent as given: an empty range is not widened as for mapping.
  const double lo = Range().Enabled() ? Range().Min() : FGaugeMin;
  const double hi = Range().Enabled() ? Range().Max() : FGaugeMax;
  FStatePin.SubmitValueRange(FValue, lo, hi);
  if (OnChange) OnChange(*this, FValue, lo, hi);
}

void TDWExternalLinearGaugeControlHandElement::LinearAnalogDraw(gp::Graphics& g, const TDWLinearHandPlace& P) {
  // The colour follows the pointer as last seen, without a further redraw.
  TDWControlLinearGaugeHand& hand = ControlHand();
  if (hand.MouseX() > -100000) {
    if (TDWBasicLinearGauge* gauge = Gauge()) {
      const TDWTransformParams t = RXCalcTransformBackParams(gauge->Rotation(), float(gauge->Width()), float(gauge->Height()));
      hand.SetMouseOver(hand.HitTest(hand.MouseX(), hand.MouseY(), hand.GetCurrentValue(), P, t.BackMatrix),
                        hand.MouseX(), hand.MouseY(), false);
    }
  }
  TDWBasicExternalLinearGaugeHandElement::LinearAnalogDraw(g, P);
}

bool TDWExternalLinearGaugeControlHandElement::LinearAnalogHitTest(int AX, int AY, const TDWLinearMouseGeometry& G) {
  if (!Enabled() || !Visible()) return false;
  // Hit where it is drawn: at the current place while it animates, not at its target.
  std::lock_guard lock(ControlLock());
  const float f = FHand->GetCurrentValue();
  return FHand->HitTest(float(AX), float(AY), std::isnan(f) ? 0.0f : std::clamp(f, 0.0f, 1.0f), G.Place, G.Back);
}

bool TDWExternalLinearGaugeControlHandElement::HitTest(int AX, int AY) {
  TDWBasicLinearGauge* gauge = Gauge();
  return gauge && LinearAnalogHitTest(AX, AY, DWLinearMouseGeometry(*gauge));
}

void TDWExternalLinearGaugeControlHandElement::MouseDown(TMouseButton, TShiftState, int, int) {
  ControlHand().SetSelected(true);
  if (TDWBasicLinearGauge* gauge = Gauge()) HostServices().RequestFocus(*gauge);
  ControlHand().SetMouseIsDown(true);
}

void TDWExternalLinearGaugeControlHandElement::MouseUp(TMouseButton, TShiftState, int, int) {
  ControlHand().SetMouseIsDown(false);
}

void TDWExternalLinearGaugeControlHandElement::MouseMove(TShiftState AShift, int AX, int AY) {
  if (TDWBasicLinearGauge* gauge = Gauge()) LinearAnalogMouseMove(AShift, AX, AY, DWLinearMouseGeometry(*gauge));
  else ControlHand().SetMouseOver(ControlHand().MouseOver(), float(AX), float(AY), false);
}

void TDWExternalLinearGaugeControlHandElement::LinearAnalogMouseMove(TShiftState, int AX, int AY,
                                                                     const TDWLinearMouseGeometry& G) {
  ControlHand().SetMouseOver(ControlHand().MouseOver(), float(AX), float(AY), false);
  if (!ControlHand().MouseIsDown() || !ControlHand().TakesInput(*this)) return;
  gp::PointF p{float(AX), float(AY)};
  G.Back.TransformPoints(&p, 1);
  double lo = G.Min, hi = G.Max;
  if (Range().Enabled()) EffectiveRange(lo, hi);
  SetValue(DWLinearDragValue(G.Place.Rail, p.Y, G.Place.Reversed, lo, hi));
}

bool TDWExternalLinearGaugeControlHandElement::MouseWheel(TShiftState, int AWheelDelta, int, int) {
  // A disabled or hidden hand takes no input, whether selected or not.
  if (!ControlHand().TakesInput(*this) || AWheelDelta == 0) return false;
  double lo = FGaugeMin, hi = FGaugeMax;
  if (Range().Enabled()) EffectiveRange(lo, hi);
  SetValue(DWLinearWheelValue(FValue, AWheelDelta > 0 ? 1 : -1, lo, hi));
  return true;
}

void TDWExternalLinearGaugeControlHandElement::MouseEnter() {
  ControlHand().SetMouseOver(true, ControlHand().MouseX(), ControlHand().MouseY(), true);
}

void TDWExternalLinearGaugeControlHandElement::MouseLeave() {
  ControlHand().SetMouseOver(false, -100000, -100000, true);
}

void TDWExternalLinearGaugeControlHandElement::Unselect() {
  ControlHand().SetSelected(false);
  ControlHand().SetMouseIsDown(false);
}

void TDWExternalLinearGaugeControlHandElement::SetListOwner(TRXComponentElements* AOwner) {
  if (!AOwner) FStatePin.DisconnectAll();
  TDWBasicExternalLinearGaugeHandElement::SetListOwner(AOwner);
}

DW_PROPERTIES(TDWExternalLinearGaugeControlHandElement) {
  using C = TDWExternalLinearGaugeControlHandElement;
  t.Pin("StatePin", [](C& c) -> TPXRealAndRangedStatePin& { return c.StatePin(); });
  t.Object("Hand", [](C& c) -> TDWControlLinearGaugeHand& { return c.ControlHand(); });
}

// ---- minimum / maximum hand ---------------------------------------------------------------------

TDWLinearGaugeMinMaxHandElement::TDWLinearGaugeMinMaxHandElement(TComponent* AOwner)
    : TDWBasicLinearGaugeHandElement(AOwner, false) {
  FAutoReset = std::make_unique<TDWGaugeMinMaxAutoReset>([this] { Invalidate(); }, this, &ControlLock(),
                                                         [this] { ResetTracked(true); });
}

TDWLinearGaugeMinMaxHandElement::~TDWLinearGaugeMinMaxHandElement() { *FAlive = false; }

// An empty range has every value at fraction 0; a value a range change left outside the range
// sits at its end.
void TDWLinearGaugeMinMaxHandElement::Place() { AnimateToValue(TrackedFraction()); }

void TDWLinearGaugeMinMaxHandElement::SetMinMaxValue(double AMin, double AMax, double AValue) {
  if (std::isnan(AValue) || std::isnan(AMin) || std::isnan(AMax)) return;
  double tracked;
  {
    std::lock_guard lock(ControlLock());
    FMin = AMin;
    FMax = AMax;
    // The values, not their places: a range change keeps the extreme (and reversed ranges put the
    // largest value at the smallest fraction).
    FCurrent = std::clamp(AValue, std::min(AMin, AMax), std::max(AMin, AMax));
    // Seeded from the first value: a minimum starting at Min would stay there for good.
    // While loading, the values are the defaults and the ranges on their way to the loaded value.
    tracked = FTracked;
    FAutoReset->Track(tracked, FCurrent, FMode, FFirstValue || IsLoading());
    FTracked = tracked;
    FFirstValue = false;
    Place();
  }
  // The callback may destroy this hand: nothing may touch it afterwards.
  Invalidate();
  Notify(tracked);
}

void TDWLinearGaugeMinMaxHandElement::SetListOwner(TRXComponentElements* AOwner) {
  {
    // An extreme of another gauge is none of this one's: tracking starts afresh in the new gauge.
    std::lock_guard lock(ControlLock());
    if (AOwner != ListOwner()) FFirstValue = true;
  }
  TDWBasicLinearGaugeHandElement::SetListOwner(AOwner);
}

void TDWLinearGaugeMinMaxHandElement::Reset() { ResetTracked(false); }

void TDWLinearGaugeMinMaxHandElement::ResetTracked(bool AOnExpiry) {
  double tracked;
  {
    std::lock_guard lock(ControlLock());
    if (AOnExpiry && !FAutoReset->Expired()) return;
    FTracked = FCurrent;
    FAutoReset->Disable();
    Place();
    tracked = FTracked;
  }
  // The callback may destroy this hand: nothing may touch it afterwards.
  Invalidate();
  Notify(tracked);
}

// ATracked: the tracked value as the change left it (read under the lock). Notifications posted
// to the user-interface thread deliver the value as it is when they run instead: changes on
// other threads may be queued in another order than they were made, and the last one delivered
// must be what the hand shows.
void TDWLinearGaugeMinMaxHandElement::Notify(double ATracked) {
  if (!OnChange) return;
  if (!FSynchronize) {
    OnChange(*this, ATracked);
    return;
  }
  HostServices().Post([this, alive = std::weak_ptr<bool>(FAlive)] {
    const auto a = alive.lock();
    if (!a || !*a || !OnChange) return;
    double tracked;
    {
      std::lock_guard lock(ControlLock());
      tracked = FTracked;
    }
    OnChange(*this, tracked);
  });
}

DW_PROPERTIES(TDWLinearGaugeMinMaxHandElement) {
  using C = TDWLinearGaugeMinMaxHandElement;
  t.Enum("Mode", &C::Mode, &C::SetMode, gmmMax);
  t.Object("AutoReset", [](C& c) -> TDWGaugeMinMaxAutoReset& { return c.AutoReset(); });
  t.Bool("Synchronize", &C::Synchronize, &C::SetSynchronize, true)
      .Doc("OnChange runs on the user-interface thread");
}

}  // namespace dw
