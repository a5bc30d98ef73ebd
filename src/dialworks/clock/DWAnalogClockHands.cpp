#include "dialworks/clock/DWAnalogClockHands.h"

#include <algorithm>

namespace dw {

TDWExternalClockHand::TDWExternalClockHand(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl)
    : TDWClockHand(std::move(AOnChange), AOwner, AControl) {
  SetColor(0xFF0000FF);
  Length().SetValueDefault(0.9f);
  TailLength().SetValueDefault(0.45f);
  TailWidth().SetValueDefault(0.02f);
  TailIndentSize().SetValueDefault(0.04f);
}

DW_PROPERTIES(TDWExternalClockHand) { t.Default("Color", TAlphaColor(0xFF0000FF)); }

float DWClockElementAngle(TDateTime ATime) {
  const int s = DWDecodeTimeOfDay(ATime).SecondOfDay() % 43200;
  return float(double(s) * 360.0 / 43200.0 + 270.0);
}

// ---- element owning a hand ----------------------------------------------------------------------

TDWBasicClockHand::TDWBasicClockHand(TComponent* AOwner, bool AControlHand) : TKVBasicControl(AOwner) {
  auto redraw = [this] { Invalidate(); };
  if (AControlHand) FHand = std::make_unique<TDWExternalControlClockHand>(redraw, this, this);
  else FHand = std::make_unique<TDWExternalClockHand>(redraw, this, this);
}

void TDWBasicClockHand::Draw(gp::Graphics& g, const TRXElementArea& A) {
  TDWClockHandGeometry geometry;
  geometry.Reference = std::min(A.RX, A.RY);
  geometry.Width = A.W + 1;
  geometry.Height = A.H + 1;
  TimeDraw(g, geometry);
}

void TDWBasicClockHand::TimeDraw(gp::Graphics& g, const TDWClockHandGeometry& G) {
  TControlDrawLock lock(*this);
  if (!lock) return;
  if (!Enabled() || !Visible()) return;
  FHand->Draw(g, G.OffsetX, G.OffsetY, G.Reference, G.Reference, G.Width, G.Height, 0, 0, G.ScaleX, G.ScaleY);
}

void TDWBasicClockHand::InvalidateSize() {
  FHand->DoInvalidateResources();
  Invalidate();
}

DW_PROPERTIES(TDWBasicClockHand) {
  using C = TDWBasicClockHand;
  t.Object("Hand", [](C& c) -> TDWExternalClockHand& { return c.Hand(); });
}

// ---- hand with a value --------------------------------------------------------------------------

TDWBasicExternalClockHandElement::TDWBasicExternalClockHandElement(TComponent* AOwner, bool AControlHand)
    : TDWBasicClockHand(AOwner, AControlHand), FAnimator(std::make_unique<TDWHandAnimator>(*FHand, [this] { Invalidate(); })) {
  FHand->SetAngle(DWClockElementAngle(0));
}

TDWBasicExternalClockHandElement::~TDWBasicExternalClockHandElement() { FAnimator->Shutdown(); }

void TDWBasicExternalClockHandElement::BeforeDestruction() {
  FAnimator->Shutdown();
  TDWBasicClockHand::BeforeDestruction();
}

void TDWBasicExternalClockHandElement::IntSetValue(TDateTime AValue) {
  Setter(*this, "Value", FValue, AValue, [this] { InvalidateValue(); });
}

void TDWBasicExternalClockHandElement::SetTime(TDateTime ATime) {
  Setter(*this, "Value", FValue, ATime, [this] { InvalidateValue(); });
}

void TDWBasicExternalClockHandElement::InvalidateValue() {
  if (FAnimator->IsShutDown()) return;
  FAnimator->MoveTo(DWClockElementAngle(IntGetValue()), !IsDesigning());
  Invalidate();
}

void TDWBasicExternalClockHandElement::SetListOwner(TRXComponentElements* AOwner) {
  TRXDrawComponentElement::SetListOwner(AOwner);
  if (!AOwner) return;
  // The first time shown in a new clock jumps there.
  FAnimator->JumpNext();
  if (auto* clock = dynamic_cast<TDWBasicAnalogClock*>(AOwner->Owner())) clock->UpdateEmbeddedValues();
  InvalidateValue();
}

void TDWBasicExternalClockHandElement::Loaded() {
  TDWBasicClockHand::Loaded();
  FAnimator->JumpNext();
  InvalidateValue();
}

DW_PROPERTIES(TDWBasicExternalClockHandElement) {
  using C = TDWBasicExternalClockHandElement;
  t.Real("Value", &C::Value, &C::SetValue, 0.0);
}

// ---- hand with its own time source --------------------------------------------------------------

TDWExternalClockHandElement::TDWExternalClockHandElement(TComponent* AOwner)
    : TDWBasicExternalClockHandElement(AOwner),
      FInputPin(this, [this](TPXPin&, TDateTime AValue) { SetValue(AValue); }) {
  FTimer = std::make_unique<TDWClockTimer>(
      [this](TDateTime, bool ARedraw) {
        if (!ARedraw) return;
        std::lock_guard guard(ControlLock());  // as a value from the pin's thread takes it
        InvalidateValue();
      },
      [this] { return FHand->Discrete(); });
}

TDWExternalClockHandElement::~TDWExternalClockHandElement() {
  FInputPin.DisconnectAll();
  FTimer->Shutdown();
}

void TDWExternalClockHandElement::BeforeDestruction() {
  FInputPin.DisconnectAll();
  FTimer->Shutdown();
  TDWBasicExternalClockHandElement::BeforeDestruction();
}

void TDWExternalClockHandElement::SetListOwner(TRXComponentElements* AOwner) {
  if (!AOwner) FInputPin.DisconnectAll();
  TDWBasicExternalClockHandElement::SetListOwner(AOwner);
}

void TDWExternalClockHandElement::IntSetValue(TDateTime AValue) {
  Setter(*this, "Value", FValue, AValue, [this] {
    if (!GetIsCurrentTime()) InvalidateValue();
  });
}

TDateTime TDWExternalClockHandElement::IntGetValue() { return GetIsCurrentTime() ? HostServices().Now() : FValue; }

void TDWExternalClockHandElement::SetTimeSource(TDWTimeSource AValue) {
  Setter(*this, "TimeSource", FTimeSource, AValue, [this] {
    FTimer->SetEnabled(DWClockTimerRuns(FTimeSource));
    InvalidateValue();
  });
}

DW_PROPERTIES(TDWExternalClockHandElement) {
  using C = TDWExternalClockHandElement;
  t.Pin("InputPin", [](C& c) -> TPXDateTimeSinkPin& { return c.InputPin(); });
  t.Enum("TimeSource", &C::TimeSource, &C::SetTimeSource, tsAuto);
  t.Real("Value", &C::Value, &C::SetValue, 0.0).Stored([](const C& c) { return !c.InputPin().Connected(); });
}

}  // namespace dw
