#include "dialworks/foundation/DWAnalogInstrumentValue.h"

#include <cmath>
#include <limits>
#include <mutex>

#include "dialworks/framework/Elements.h"
#include "dialworks/host/Helpers.h"

namespace dw {

// ---- TDWBasicMinMaxInstrument ----

TDWBasicMinMaxInstrument::TDWBasicMinMaxInstrument(TComponent* AOwner) : TKVBasicControl(AOwner) {}

DW_PROPERTIES(TDWBasicMinMaxInstrument) {}

void TDWBasicMinMaxInstrument::SetValue(double AValue) {
  if (std::isnan(AValue)) return;
  // Held across limiting and storing so a drawing pass never sees a half-applied value.
  std::lock_guard guard(ControlLock());
  RXMinMax(AValue, FMin, FMax, !IsLoading());
  // The repaint of a new value is InvalidateValue's alone (an animating instrument leaves it to
  // its refresh timer), so the change callback must not ask for another.
  FSettingValue = true;
  Setter(*this, "Value", FValue, AValue, [this] { InvalidateValue(); });
  FSettingValue = false;
}

void TDWBasicMinMaxInstrument::DoChanged() {
  if (!FSettingValue) TKVBasicControl::DoChanged();
}

void TDWBasicMinMaxInstrument::SetMin(double AValue) {
  SetterMinMax(*this, "Min", FMin, AValue, -kDWMaxRangeMagnitude, kDWMaxRangeMagnitude,
               [this] { InvalidateScale(); });
}

void TDWBasicMinMaxInstrument::SetMax(double AValue) {
  SetterMinMax(*this, "Max", FMax, AValue, -kDWMaxRangeMagnitude, kDWMaxRangeMagnitude,
               [this] { InvalidateScale(); });
}

void TDWBasicMinMaxInstrument::Loaded() {
  TKVBasicControl::Loaded();
  std::lock_guard guard(ControlLock());
  double value = FValue;
  RXMinMax(value, FMin, FMax, true);
  FValue = value;
}

void TDWBasicMinMaxInstrument::OnSetValueEvent(TPXPin&, double AValue, double AMin, double AMax, bool AHasRange,
                                               bool) {
  if (AHasRange) {
    SetMin(AMin);
    SetMax(AMax);
  }
  SetValue(AValue);
}

void TDWBasicMinMaxInstrument::UpdateEmbeddedValues() {
  TRXComponentElements* list = ElementList();
  if (!list) return;
  // The host's lock comes first, then each element's own (the order drawing takes them in).
  std::lock_guard guard(ControlLock());
  // An element's setter may run user code (change callbacks, listeners) that removes or destroys
  // elements: walked by index with the count read again after each call, like the clock's.
  for (size_t k = 0; k < list->Count();) {
    TRXComponentElement* item = &list->Items(k);
    if (auto* e = dynamic_cast<IDWMinMaxValueElement*>(item)) e->SetMinMaxValue(FMin, FMax, FValue);
    // An element that removed itself left the next one at k.
    if (k < list->Count() && &list->Items(k) == item) ++k;
  }
}

DW_PROPERTIES(TDWMinMaxInstrument) { DWDeclareMinMaxValueProperties(t); }

// ---- TDWGaugeHandMinMax ----

TDWGaugeHandMinMax::TDWGaugeHandMinMax(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl,
                                       TStoredQuery AStoredQuery)
    : TKVBasicControlProperty(std::move(AOnChange), AOwner, AControl), FStoredQuery(std::move(AStoredQuery)) {}

void TDWGaugeHandMinMax::SetMin(double AValue) {
  SetterMinMax(*this, "Min", FMin, AValue, -kDWMaxRangeMagnitude, kDWMaxRangeMagnitude);
}

void TDWGaugeHandMinMax::SetMax(double AValue) {
  SetterMinMax(*this, "Max", FMax, AValue, -kDWMaxRangeMagnitude, kDWMaxRangeMagnitude);
}

DW_PROPERTIES(TDWGaugeHandMinMax) {
  using C = TDWGaugeHandMinMax;
  t.Real("Min", &C::Min, &C::SetMin, 0.0)
      .Stored([](const C& c) { return c.StoredQuery(); })
      .Limit(-kDWMaxRangeMagnitude, kDWMaxRangeMagnitude);
  t.Real("Max", &C::Max, &C::SetMax, 100.0)
      .Stored([](const C& c) { return c.StoredQuery(); })
      .Limit(-kDWMaxRangeMagnitude, kDWMaxRangeMagnitude);
  t.Bool("Enabled", &C::Enabled, &C::SetEnabled, false);
}

// ---- TDWGaugeMinMaxAutoReset ----

TDWGaugeMinMaxAutoReset::TDWGaugeMinMaxAutoReset(TChangeCallback AOnChange, TPersistent* AOwner,
                                                 TControlMutex* ALock, std::function<void()> AOnExpiry)
    : TLockPersistent(std::move(AOnChange), AOwner, ALock),
      FTimer(HostServices().CreateTimer()),
      FOnExpiry(std::move(AOnExpiry)) {
  // Host timers start enabled; this one waits for the element's first Enable.
  FTimer->SetEnabled(false);
  FTimer->SetOnTimer([this] {
    if (FOnExpiry) FOnExpiry();
  });
  FTimer->SetInterval(DefaultInterval);
}

void TDWGaugeMinMaxAutoReset::Reset() {
  FRestarted = HostServices().Now();
  FTimer->Reset();
}

bool TDWGaugeMinMaxAutoReset::Expired() const {
  const double ms = (HostServices().Now() - FRestarted) * MSecsPerDay;
  // A restart within half an interval is one the expiry crossed on its way (host time set back
  // counts as expired: the countdown is not passed over for good).
  return !(ms >= 0 && ms < 0.5 * double(FTimer->Interval()));
}

void TDWGaugeMinMaxAutoReset::SetEnabled(bool AValue) {
  Setter(*this, "Enabled", FEnabled, AValue);
  FTimer->SetEnabled(FEnabled);
}

void TDWGaugeMinMaxAutoReset::SetInterval(int AValue) {
  const uint32_t limited = IRelaxedTimer::LimitInterval(double(AValue), FTimer->Interval());
  if (limited == FTimer->Interval()) return;
  detail::TChangeScope scope(*this);
  NotifyPropertyChange(*this, "Interval", TPropertyChangePhase::Before);
  FTimer->SetInterval(double(limited));
  NotifyPropertyChange(*this, "Interval", TPropertyChangePhase::After);
  DoChanged();
}

DW_PROPERTIES(TDWGaugeMinMaxAutoReset) {
  using C = TDWGaugeMinMaxAutoReset;
  t.Bool("Enabled", &C::Enabled, &C::SetEnabled, true);
  t.Integer("Interval", &C::GetInterval, &C::SetInterval, DefaultInterval)
      .Limit(1, std::numeric_limits<int>::max())
      .Doc("milliseconds");
}

}  // namespace dw
