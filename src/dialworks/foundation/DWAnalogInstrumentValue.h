// The value model every value instrument shares: the range Min..Max, the current Value, how a
// value is limited and notified, pin input, and the two small property objects hand elements use
// around it (a hand's private range and the auto-reset timer of minimum/maximum hands).
//
// Bad input: a NaN Value, Min or Max is refused (nothing changes). Min and Max are limited to
// +-kDWMaxRangeMagnitude, so the span Max - Min and percentages of it stay finite. An infinite
// Value is limited to the range like any other value outside it; while loading (when values are
// taken unlimited) it is refused. Min > Max is accepted as it comes: the value is then limited
// to the span between the two ends.
#pragma once

#include <cstdint>
#include <memory>

#include "dialworks/Export.h"
#include "dialworks/framework/Control.h"
#include "dialworks/framework/Persistents.h"
#include "dialworks/framework/PropertyTable.h"
#include "dialworks/framework/SharedReal.h"
#include "dialworks/host/HostServices.h"
#include "dialworks/host/Pins.h"

namespace dw {

inline constexpr double kDWMaxRangeMagnitude = 1e300;

enum TDWGaugeMinMaxMode : uint8_t { gmmMin, gmmMax };
DW_ENUM(TDWGaugeMinMaxMode, "gmmMin", "gmmMax")

// What an element implements to mirror its host instrument's values (UpdateEmbeddedValues).
class DW_API IDWMinMaxValueElement {
 public:
  // Minimum, maximum, value of the host, applied in that order through the element's setters.
  virtual void SetMinMaxValue(double AMin, double AMax, double AValue) = 0;

 protected:
  ~IDWMinMaxValueElement() = default;
};

// Holds the value model; streams nothing by itself (the external classes publish it).
class DW_API TDWBasicMinMaxInstrument : public TKVBasicControl {
  DW_CLASS(TDWBasicMinMaxInstrument, TKVBasicControl)
  explicit TDWBasicMinMaxInstrument(TComponent* AOwner = nullptr);

  double Value() const { return FValue; }
  double Min() const { return FMin; }
  double Max() const { return FMax; }
  // Under the control lock: limits to Min..Max (not while loading), stores, then InvalidateValue,
  // which alone asks for the repaint. Repeated values beyond the range are limited to the same
  // end and so notify once.
  virtual void SetValue(double AValue);
  // Store and InvalidateRange; the current Value is not re-limited until its next assignment.
  virtual void SetMin(double AValue);
  virtual void SetMax(double AValue);

  // After streaming: limits the value once, without notification (instruments then call
  // InvalidateValue themselves).
  void Loaded() override;

  // Input pin handler: with a range, Min then Max; then Value. The two-way flag is not used.
  void OnSetValueEvent(TPXPin& APin, double AValue, double AMin, double AMax, bool AHasRange, bool ATwoWay);

  // Hands Min, Max and Value to every element of ElementList() that mirrors them. Instruments
  // call it once they have taken over a new value or range.
  void UpdateEmbeddedValues() override;
  // Every change repaints, except the value's (see SetValue).
  void DoChanged() override;

 protected:
  TDWSharedReal FMin = 0;
  TDWSharedReal FMax = 100;
  TDWSharedReal FValue = 0;

 private:
  bool FSettingValue = false;  // SetValue is storing (under the control lock)
};

// Adds an input pin to an instrument class (TDWMinMaxInstrument, every External... variant). The
// pin is created with the instrument as owner and feeds OnSetValueEvent. The concrete class
// publishes the pin and the three values with DWDeclareMinMaxValueProperties.
template <class TBase>
class TDWWithInputPin : public TBase {
 public:
  explicit TDWWithInputPin(TComponent* AOwner = nullptr)
      : TBase(AOwner),
        FInputPin(this, [this](TPXPin& APin, double AValue, double AMin, double AMax, bool AHasRange, bool ATwoWay) {
          this->OnSetValueEvent(APin, AValue, AMin, AMax, AHasRange, ATwoWay);
        }) {}
  // The pin calls into members of this object: no delivery may run while they go away. Owners
  // destroy through BeforeDestruction, which disconnects before any part of the object is gone;
  // the destructor covers a plain delete.
  ~TDWWithInputPin() override { FInputPin.DisconnectAll(); }
  void BeforeDestruction() override {
    FInputPin.DisconnectAll();
    TBase::BeforeDestruction();
  }

  TPXRealAndRangedSinkPin& InputPin() { return FInputPin; }
  const TPXRealAndRangedSinkPin& InputPin() const { return FInputPin; }

  // Streaming rules of the published values.
  bool GetValueStored() const { return this->Value() != 0 && !FInputPin.Connected(); }
  bool GetRangeMinStored() const { return this->Min() != 0 && !FInputPin.GetRangePopulated(); }
  bool GetRangeMaxStored() const { return this->Max() != 100 && !FInputPin.GetRangePopulated(); }

 private:
  TPXRealAndRangedSinkPin FInputPin;
};

// InputPin, Value, Min, Max with their streaming rules and bad-input policies, for the table of
// any class built with TDWWithInputPin.
template <class C>
void DWDeclareMinMaxValueProperties(TProps<C>& t) {
  t.Pin("InputPin", [](C& c) -> TPXRealAndRangedSinkPin& { return c.InputPin(); });
  t.Real("Value", &C::Value, &C::SetValue, 0.0)
      .Stored([](const C& c) { return !c.InputPin().Connected(); })
      .LimitTo([](const C& c) { return c.Min() <= c.Max() ? std::pair(c.Min(), c.Max()) : std::pair(c.Max(), c.Min()); });
  t.Real("Min", &C::Min, &C::SetMin, 0.0)
      .Stored([](const C& c) { return !c.InputPin().GetRangePopulated(); })
      .Limit(-kDWMaxRangeMagnitude, kDWMaxRangeMagnitude);
  t.Real("Max", &C::Max, &C::SetMax, 100.0)
      .Stored([](const C& c) { return !c.InputPin().GetRangePopulated(); })
      .Limit(-kDWMaxRangeMagnitude, kDWMaxRangeMagnitude);
}

class DW_API TDWMinMaxInstrument : public TDWWithInputPin<TDWBasicMinMaxInstrument> {
  DW_CLASS(TDWMinMaxInstrument, TDWBasicMinMaxInstrument)
  explicit TDWMinMaxInstrument(TComponent* AOwner = nullptr) : TDWWithInputPin(AOwner) {}
};

// The private range of an extra hand. Min and Max are streamed only while the owner's
// stored-query agrees (it says no once a range has arrived over the owner's pin).
class DW_API TDWGaugeHandMinMax : public TKVBasicControlProperty {
  DW_CLASS(TDWGaugeHandMinMax, TKVBasicControlProperty)
  using TStoredQuery = std::function<bool()>;
  TDWGaugeHandMinMax(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl,
                     TStoredQuery AStoredQuery = {});

  double Min() const { return FMin; }
  void SetMin(double AValue);
  double Max() const { return FMax; }
  void SetMax(double AValue);
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool AValue) { Setter(*this, "Enabled", FEnabled, AValue); }
  bool GetRangeMinStored() const { return FMin != 0 && StoredQuery(); }
  bool GetRangeMaxStored() const { return FMax != 100 && StoredQuery(); }
  bool StoredQuery() const { return !FStoredQuery || FStoredQuery(); }

 private:
  double FMin = 0;
  double FMax = 100;
  bool FEnabled = false;
  TStoredQuery FStoredQuery;
};

// The countdown that lets a minimum/maximum hand fall back to the current value. The timer comes
// from the installed host services; it stays off until the owning element first calls Enable.
class DW_API TDWGaugeMinMaxAutoReset : public TLockPersistent {
  DW_CLASS(TDWGaugeMinMaxAutoReset, TLockPersistent)
  static constexpr int DefaultInterval = 1500;  // ms
  TDWGaugeMinMaxAutoReset(TChangeCallback AOnChange, TPersistent* AOwner, TControlMutex* ALock,
                          std::function<void()> AOnExpiry);

  bool Enabled() const { return FEnabled; }
  // Assigns Enabled, then switches the timer to match.
  void SetEnabled(bool AValue);
  // Milliseconds, held by the timer (1 .. IRelaxedTimer::MaxInterval).
  int GetInterval() const { return int(FTimer->Interval()); }
  void SetInterval(int AValue);
  // Restarts the countdown.
  void Reset();
  // Whether an expiry arriving now ends a countdown that ran its course. One already on its way
  // when a new extreme restarted the countdown (values set on another thread than the timer's)
  // is passed over: the restarted countdown expires in turn. Under the control lock.
  bool Expired() const;
  // Switch the timer without touching Enabled.
  void Enable() { FTimer->SetEnabled(true); }
  void Disable() { FTimer->SetEnabled(false); }
  bool TimerEnabled() const { return FTimer->Enabled(); }

  // Feeds the current value (or fraction) to the tracked extreme: ASeed starts it at the current
  // one; a new extreme restarts the countdown, which runs only while the two differ.
  template <class T>
  void Track(T& ATracked, T ACurrent, TDWGaugeMinMaxMode AMode, bool ASeed) {
    if (ASeed) ATracked = ACurrent;
    if (AMode == gmmMax ? !(ACurrent < ATracked) : !(ACurrent > ATracked)) {
      ATracked = ACurrent;
      Reset();
    }
    if (ATracked == ACurrent) Disable();
    else if (Enabled()) Enable();
  }

 private:
  bool FEnabled = true;
  TDateTime FRestarted = 0;  // the last restart, in host time
  std::unique_ptr<IRelaxedTimer> FTimer;
  std::function<void()> FOnExpiry;
};

}  // namespace dw
