#include "dialworks/clock/DWAnalogClock.h"
#include "dialworks/clock/DWAnalogClockHands.h"

#include <cmath>

#include "dialworks/framework/Registry.h"

namespace dw {

// ---- scale and hands ----------------------------------------------------------------------------

TDWBasicClockScale::TDWBasicClockScale(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl)
    : TDWBasicScale(std::move(AOnChange), AOwner, AControl, 0.9f),
      FMajorTicks(std::make_unique<TDWLabeledInstrumentTicks>([this] { DoChanged(); }, this, AControl, 12)),
      FMinorTicks(std::make_unique<TDWInstrumentTicks>([this] { DoChanged(); }, this, AControl, 4)) {
  FMajorTicks->Thickness().SetValueDefault(0.02f);
  FMajorTicks->Labels().Position().SetValueDefault(0.8f);
  FMinorTicks->Thickness().SetValueDefault(0.01f);
}

DW_PROPERTIES(TDWBasicClockScale) {
  using C = TDWBasicClockScale;
  t.Object("MajorTicks", [](C& c) -> TDWLabeledInstrumentTicks& { return c.MajorTicks(); });
  t.Object("MinorTicks", [](C& c) -> TDWInstrumentTicks& { return c.MinorTicks(); });
}

DW_PROPERTIES(TDWOptionalAngularHand) {}

void TDWClockHand::SetDiscrete(bool AValue) {
  bool v = FDiscrete.load();
  Setter(*this, "Discrete", v, AValue, [this, &v] { FDiscrete = v; });
}

DW_PROPERTIES(TDWClockHand) {
  using C = TDWClockHand;
  t.Bool("Discrete", &C::Discrete, &C::SetDiscrete, false).DefaultFrom(&C::DiscreteDefault);
}

TDWSecondsClockHand::TDWSecondsClockHand(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl)
    : TDWClockHand(std::move(AOnChange), AOwner, AControl) {
  SetDiscreteDefault(true);
  SetColor(0xFF008000);
}

DW_PROPERTIES(TDWSecondsClockHand) { t.Default("Color", TAlphaColor(0xFF008000)); }

namespace {
void SetHandDefaults(TDWAngularHand& AHand, float ALength, float ATail, float ATailWidth, float AIndent) {
  AHand.Length().SetValueDefault(ALength);
  AHand.TailLength().SetValueDefault(ATail);
  AHand.TipWidth().SetValueDefault(0.02f);
  AHand.TailWidth().SetValueDefault(ATailWidth);
  AHand.TailIndentSize().SetValueDefault(AIndent);
}
}  // namespace

TDWClockHands::TDWClockHands(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl)
    : TKVBasicControlProperty(std::move(AOnChange), AOwner, AControl) {
  // A hand's colour redraws through its owner; its shape changes reach the clock through ours.
  FHours = std::make_unique<TDWClockHand>([this] { DoChanged(); }, this, AControl);
  FMinutes = std::make_unique<TDWClockHand>([this] { DoChanged(); }, this, AControl);
  FSeconds = std::make_unique<TDWSecondsClockHand>([this] { DoChanged(); }, this, AControl);
  SetHandDefaults(*FHours, 0.65f, 0.35f, 0.1f, 0.07f);
  SetHandDefaults(*FMinutes, 0.78f, 0.4f, 0.1f, 0.07f);
  SetHandDefaults(*FSeconds, 0.9f, 0.45f, 0.02f, 0.04f);
}

void TDWClockHands::DoInvalidateResources() {
  FHours->DoInvalidateResources();
  FMinutes->DoInvalidateResources();
  FSeconds->DoInvalidateResources();
}

DW_PROPERTIES(TDWClockHands) {
  using C = TDWClockHands;
  t.Object("Hours", [](C& c) -> TDWClockHand& { return c.Hours(); });
  t.Object("Minutes", [](C& c) -> TDWClockHand& { return c.Minutes(); });
  t.Object("Seconds", [](C& c) -> TDWSecondsClockHand& { return c.Seconds(); });
}

TDWClockAngles DWClockHandAngles(TDateTime ATime, bool AHoursDiscrete, bool AMinutesDiscrete, bool ASecondsDiscrete) {
  const TDWTimeOfDay t = DWDecodeTimeOfDay(ATime);
  const double h = t.Hour % 12, m = t.Minute, s = t.Second, ms = t.MilliSecond;
  auto fold = [](double a) {
    while (a > 360) a -= 360;
    while (a < 0) a += 360;
    return float(a);
  };
  TDWClockAngles a;
  a.Seconds = fold(270 + 360 * (ASecondsDiscrete ? s : s + ms / 1000) / 60);
  a.Hours = fold(270 + 360 * (AHoursDiscrete ? h : h + m / 60) / 12);
  a.Minutes = fold(270 + 360 * (AMinutesDiscrete ? m : m + s / 60) / 60);
  return a;
}

// ---- the basic clock ----------------------------------------------------------------------------

TDWBasicAnalogClock::TDWBasicAnalogClock(TComponent* AOwner) : TDWLayeredInstrument(AOwner) {
  FColor = 0xFFD3D3D3;
  auto range = [this] { InvalidateRange(); };
  FBorder = std::make_unique<TKVProportionalControlBorder>(range, this, this);
  FCaption = std::make_unique<TKVCaption>(range, this, this);
  FScale = std::make_unique<TDWBasicClockScale>(range, this, this);
  FRanges = std::make_unique<TDWAnalogGaugeScaleRanges>(range, this, this, 0.3f);
  FGlass = std::make_unique<TDWGlass>(range, this, this);
  FHands = std::make_unique<TDWClockHands>(
      [this] {
        // A hand setting may move the hands (Discrete): place them again, since a clock without a
        // running timer places them only for a new value. Not while the hands are being made
        // (FElements comes after them) or loaded (Loaded places them).
        if (FElements && !IsLoading() && !Stopped()) ValueChanged();
        Invalidate();
      },
      this, this);
  FCenter = std::make_unique<TDWAnalogInstrumentCenter>(range, this, this);
  FElements = std::make_unique<TRXClockComponentElements>(this);
  FRefreshTimer = HostServices().CreateTimer();
  FRefreshTimer->SetInterval(RefreshInterval);
  FRefreshTimer->SetOnTimer([this] { RefreshExpired(); });
  FRefreshTimer->SetEnabled(!IsDesigning());
  InitSize(DefaultSize, DefaultSize);
  ValueChanged();  // a clock painted before any update shows its time, not angle 0
}

TDWBasicAnalogClock::~TDWBasicAnalogClock() { StopInputs(); }

DW_PROPERTIES(TDWBasicAnalogClock) {
  using C = TDWBasicAnalogClock;
  t.Color("Color", [](const C& c) { return c.Color(); }, [](C& c, TAlphaColor v) { c.SetColor(v); }, 0xFFD3D3D3);
  t.Object("Border", [](C& c) -> TKVProportionalControlBorder& { return c.Border(); });
  t.Object("Caption", [](C& c) -> TKVCaption& { return c.Caption(); });
  t.Object("Scale", [](C& c) -> TDWBasicClockScale& { return c.Scale(); });
  t.Object("Ranges", [](C& c) -> TDWAnalogGaugeScaleRanges& { return c.Ranges(); });
  t.Object("Glass", [](C& c) -> TDWGlass& { return c.Glass(); });
  t.Object("Hands", [](C& c) -> TDWClockHands& { return c.Hands(); });
  t.Object("Center", [](C& c) -> TDWAnalogInstrumentCenter& { return c.Center(); });
  t.Collection("Elements", [](C& c) -> TRXClockComponentElements& { return c.Elements(); });
  t.Integer("Width", [](const C& c) { return c.Width(); }, [](C& c, int v) { c.SetWidth(v); }, C::DefaultSize)
      .Limit(C::MinSize, TRXTransparentControl::MaxSize)
      .Doc("pixels");
  t.Integer("Height", [](const C& c) { return c.Height(); }, [](C& c, int v) { c.SetHeight(v); }, C::DefaultSize)
      .Limit(C::MinSize, TRXTransparentControl::MaxSize)
      .Doc("pixels");
}

void TDWBasicAnalogClock::SendChildValues(TDateTime ATime) {
  for (size_t k = 0; k < FElements->Count(); ++k)
    if (auto* e = dynamic_cast<IDWClockElement*>(&FElements->Items(k))) e->SetTime(ATime);
}

bool TDWBasicAnalogClock::RefreshTimerEnabled() const {
  std::lock_guard lock(FTimerLock);
  return FRefreshTimer && FRefreshTimer->Enabled();
}

void TDWBasicAnalogClock::ValueChanged() {
  const TDateTime t = GetCurrentValue();
  SendChildValues(t);
  const bool designing = IsDesigning();
  if (designing) FFirstTime = true;
  TDWClockHand* hands[3] = {&FHands->Seconds(), &FHands->Hours(), &FHands->Minutes()};
  const TDWClockAngles a = DWClockHandAngles(t, hands[1]->Discrete(), hands[2]->Discrete(), hands[0]->Discrete());
  const float angles[3] = {a.Seconds, a.Hours, a.Minutes};
  bool animate = false;
  for (int k = 0; k < 3; ++k) {
    TDWClockHand& hand = *hands[k];
    hand.SetTargetAngle(angles[k]);
    // Continuous hands are simply placed; discrete ones may spring to their next mark.
    if (hand.Animation().Enabled() && hand.Discrete() && !FFirstTime && !designing && !FDisableSubscribe) {
      if (hand.GetCurrentAngle() != hand.GetTargetAngle()) animate = true;
    } else {
      hand.SetAngle(angles[k]);
    }
  }
  if (animate) {
    FAnimation.Subscribe([this] { return AnimationTick(); });
  }
  FFirstTime = false;
}

void TDWBasicAnalogClock::EndAnimation() { FAnimation.End(); }

bool TDWBasicAnalogClock::AnimationTick() {
  // Every hand steps on every tick (no short cut), in the order seconds, minutes, hours.
  bool moving = FHands->Seconds().PerformAnimation();
  moving = FHands->Minutes().PerformAnimation() || moving;
  moving = FHands->Hours().PerformAnimation() || moving;
  std::lock_guard lock(FTimerLock);
  if (FRefreshTimer && !FDisableSubscribe) FRefreshTimer->SetEnabled(true);
  return moving;
}

void TDWBasicAnalogClock::RefreshExpired() {
  RepaintMoving();
  std::lock_guard lock(FTimerLock);
  if (!Animating() && FRefreshTimer) FRefreshTimer->SetEnabled(false);
}

void TDWBasicAnalogClock::StopMotion() {
  FDisableSubscribe = true;
  EndAnimation();
  std::unique_ptr<IRelaxedTimer> timer;
  {
    std::lock_guard lock(FTimerLock);
    timer = std::move(FRefreshTimer);
  }
  timer.reset();
}

void TDWBasicAnalogClock::SettleMotion() {
  EndAnimation();
  for (TDWClockHand* h : {static_cast<TDWClockHand*>(&FHands->Seconds()), &FHands->Hours(), &FHands->Minutes()})
    h->SetAngle(h->GetTargetAngle());
}

// ---- the external clock -------------------------------------------------------------------------

TDWExternalAnalogClock::TDWExternalAnalogClock(TComponent* AOwner)
    : TDWBasicAnalogClock(AOwner), FInputPin(this, [this](TPXPin&, TDateTime AValue) { SetValue(AValue); }) {
  FTimer = std::make_unique<TDWClockTimer>([this](TDateTime, bool ARedraw) { DoTimer(0, ARedraw); },
                                           [this] { return Hands().Seconds().Discrete(); });
  ValueLoaded();
  ValueChanged();
}

TDWExternalAnalogClock::~TDWExternalAnalogClock() {
  FInputPin.DisconnectAll();
  if (FTimer) FTimer->Shutdown();
  StopInputs();
}

void TDWExternalAnalogClock::BeforeDestruction() {
  FInputPin.DisconnectAll();
  TDWBasicAnalogClock::BeforeDestruction();
}

void TDWExternalAnalogClock::StopMotion() {
  if (FTimer) FTimer->Shutdown();
  TDWBasicAnalogClock::StopMotion();
}

TDateTime TDWExternalAnalogClock::GetCurrentValue() {
  return GetIsCurrentTime() ? HostServices().Now() : FValue.Get();
}

void TDWExternalAnalogClock::SetValue(TDateTime AValue) {
  // Shown at once whenever Value is what the clock shows: with tsValue, and with tsAuto while the
  // pin is connected (not left to the next timer redraw, up to a second away).
  // A shown value's repaint is InvalidateValue's alone (the hands' places), so the change callback
  // must not ask for another.
  std::lock_guard guard(ControlLock());
  FSettingValue = !GetIsCurrentTime();
  Setter(*this, "Value", FValue, AValue, [this] {
    if (!GetIsCurrentTime()) InvalidateValue();
  });
  FSettingValue = false;
}

void TDWExternalAnalogClock::DoChanged() {
  if (!FSettingValue) TDWBasicAnalogClock::DoChanged();
}

void TDWExternalAnalogClock::SetTimeSource(TDWTimeSource AValue) {
  Setter(*this, "TimeSource", FTimeSource, AValue, [this] {
    if (FTimer) FTimer->SetEnabled(DWClockTimerRuns(FTimeSource));
    InvalidateValue();
  });
}

void TDWExternalAnalogClock::DoTimer(TDateTime, bool ARedraw) {
  if (Stopped()) return;
  // Under the control lock, like a value from the pin's thread: both may start the hands' motion.
  if (ARedraw) {
    std::lock_guard guard(ControlLock());
    InvalidateValue();
    return;
  }
  // The elements get the time the clock shows (not the host's time while a connected pin or
  // tsValue decides), so a mirroring element never flickers between the two. It is read under the
  // control lock (the pin's thread sets Value) and sent outside it.
  TDateTime shown;
  {
    std::lock_guard guard(ControlLock());
    shown = GetCurrentValue();
  }
  SendChildValues(shown);
}

DW_PROPERTIES(TDWExternalAnalogClock) {
  using C = TDWExternalAnalogClock;
  t.Pin("InputPin", [](C& c) -> TPXDateTimeSinkPin& { return c.InputPin(); });
  t.Enum("TimeSource", &C::TimeSource, &C::SetTimeSource, tsAuto);
  t.Real("Value", &C::Value, &C::SetValue, 0.0).Stored([](const C& c) { return !c.InputPin().Connected(); });
}

DW_PROPERTIES(TDWAnalogClock) {
  DWDeclareBackgroundProperty(t);
  DWDeclareTabStopProperty(t);
}
DW_PROPERTIES(TDWAnalogClockLayer) {}
DW_PROPERTIES(TDWBasicAnalogClockElement) {}

// ---- elements -----------------------------------------------------------------------------------

TDWAnalogClockElement::TDWAnalogClockElement(TComponent* AOwner) : TDWPlacedElement(AOwner) {
  SetPlacementDefaults({0.3f, 0.3f}, {0, 0.6f});
}

void TDWAnalogClockElement::SetTime(TDateTime ATime) {
  if (FTime == ATime) return;
  FTime = ATime;
  InvalidateValue();
}

void TDWAnalogClockElement::JoinedList() {
  ValueLoaded();  // the first time shown in the new host jumps
  TRXComponentElements* list = ListOwner();
  if (auto* host = list ? dynamic_cast<TKVBasicControl*>(list->Owner()) : nullptr) host->UpdateEmbeddedValues();
  InvalidateValue();
}

DW_PROPERTIES(TDWAnalogClockElement) { DWDeclarePlacementProperties(t); }

TDWExternalAnalogClockElement::TDWExternalAnalogClockElement(TComponent* AOwner) : TDWPlacedElement(AOwner) {
  SetPlacementDefaults({0.3f, 0.3f}, {0, 0.6f});
}

DW_PROPERTIES(TDWExternalAnalogClockElement) { DWDeclarePlacementProperties(t); }
DW_PROPERTIES(TDWExternalAnalogClockMatrixLayer) {}
DW_PROPERTIES(TDWExternalAnalogClockMatrixElement) {}

void DWAnalogClock::RegisterPkg() {
  TRegistrationUnit unit("DWAnalogClock");
  TClassGroupScope group(TKVBasicControl::StaticClass());
  DWRegisterInstrumentVariants({.Control = &TDWAnalogClock::StaticClass(),
                                .Layer = &TDWAnalogClockLayer::StaticClass(),
                                .Category = "Clocks",
                                .MirroringElement = &TDWAnalogClockElement::StaticClass(),
                                .MirroringFamily = efClock,
                                .ExternalElement = &TDWExternalAnalogClockElement::StaticClass(),
                                .MatrixLayer = &TDWExternalAnalogClockMatrixLayer::StaticClass(),
                                .MatrixCategory = "Clocks",
                                .StreamingOnly = {&TDWExternalAnalogClockMatrixElement::StaticClass()}});
  GroupDescendentsWith(TDWBasicClockHand::StaticClass(), TKVBasicControl::StaticClass());
  RXRegisterClockComponentElement(TDWExternalClockHandElement::StaticClass(), "Hands");
  RXRegisterClockComponentElement(TDWExternalClockControlHandElement::StaticClass(), "Hands");
}

}  // namespace dw
