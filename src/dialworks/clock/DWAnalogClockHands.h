// Extra hands in an analog clock's Elements: each turns once in twelve hours (an hour-hand
// movement at one-second resolution) and shows a time of its own. The plain element mirrors the
// time its clock hands it; the time-source element has its own TimeSource, Value, InputPin and
// clock timer, and ignores the clock's time; the control element is set by the user (dragged or
// turned by the wheel), sends its time on StatePin and OnChange, and ignores the clock's time.
#pragma once

#include <functional>
#include <memory>

#include "dialworks/Export.h"
#include "dialworks/clock/DWAnalogClock.h"
#include "dialworks/foundation/DWControlHand.h"
#include "dialworks/foundation/DWHandAnimator.h"

namespace dw {

// The hand of clock hand elements (blue by default).
class DW_API TDWExternalClockHand : public TDWClockHand {
  DW_CLASS(TDWExternalClockHand, TDWClockHand)
  TDWExternalClockHand(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl);
};

// A clock hand with selection and hover colours.
class DW_API TDWExternalControlClockHand : public TDWControlHandState<TDWExternalClockHand> {
  DW_CLASS(TDWExternalControlClockHand, TDWExternalClockHand)
  using TDWControlHandState::TDWControlHandState;
};

// Screen angle (degrees, not folded: 270 at 0:00 and 12:00, 360 at 3:00 and 15:00, below 630) of
// a time of day on a hand that turns once in twelve hours, at whole seconds.
DW_API float DWClockElementAngle(TDateTime ATime);

// An element that owns a clock hand and draws it with its clock's dial geometry.
class DW_API TDWBasicClockHand : public TKVBasicControl, public TRXDrawComponentElement, public IDWClockHandDrawing {
  DW_CLASS(TDWBasicClockHand, TKVBasicControl)
  explicit TDWBasicClockHand(TComponent* AOwner = nullptr) : TDWBasicClockHand(AOwner, false) {}
  static void RegisterUnit() { DWAnalogClock::RegisterPkg(); }
  TDWExternalClockHand& Hand() { return *FHand; }
  const TDWExternalClockHand& Hand() const { return *FHand; }
  // Without a clock's geometry (a plain element list): pivot in the middle.
  void Draw(gp::Graphics& AGraphics, const TRXElementArea& AArea) override;
  void TimeDraw(gp::Graphics& AGraphics, const TDWClockHandGeometry& AGeometry) override;
  void InvalidateSize() override;

 protected:
  // AControlHand: the hand is a TDWExternalControlClockHand.
  TDWBasicClockHand(TComponent* AOwner, bool AControlHand);
  std::unique_ptr<TDWExternalClockHand> FHand;
};

// Value and the angle rule; the hand jumps to its first time and then animates when its
// animation is on.
class DW_API TDWBasicExternalClockHandElement : public TDWBasicClockHand, public IDWClockElement {
  DW_CLASS(TDWBasicExternalClockHandElement, TDWBasicClockHand)
  explicit TDWBasicExternalClockHandElement(TComponent* AOwner = nullptr)
      : TDWBasicExternalClockHandElement(AOwner, false) {}
  ~TDWBasicExternalClockHandElement() override;
  void BeforeDestruction() override;
  TDateTime Value() const { return FValue; }
  void SetValue(TDateTime AValue) { IntSetValue(AValue); }
  // The time its clock shows (mirroring).
  void SetTime(TDateTime ATime) override;
  void InvalidateValue() override;
  void SetListOwner(TRXComponentElements* AOwner) override;
  // A loaded element shows its streamed time at once.
  void Loaded() override;
  bool Animating() const { return FAnimator->Animating(); }
  bool RefreshTimerEnabled() const { return FAnimator->RefreshTimerEnabled(); }

 protected:
  TDWBasicExternalClockHandElement(TComponent* AOwner, bool AControlHand);
  virtual void IntSetValue(TDateTime AValue);
  virtual TDateTime IntGetValue() { return FValue; }
  void SettleMotion() override { FAnimator->Settle(); }
  TDateTime FValue = 0;
  std::unique_ptr<TDWHandAnimator> FAnimator;
};

// A hand with its own time: TimeSource, Value, InputPin and a 50 ms clock timer (redrawing once
// per second when its hand is discrete).
class DW_API TDWExternalClockHandElement : public TDWBasicExternalClockHandElement {
  DW_CLASS(TDWExternalClockHandElement, TDWBasicExternalClockHandElement)
  explicit TDWExternalClockHandElement(TComponent* AOwner = nullptr);
  ~TDWExternalClockHandElement() override;
  void BeforeDestruction() override;
  TPXDateTimeSinkPin& InputPin() { return FInputPin; }
  const TPXDateTimeSinkPin& InputPin() const { return FInputPin; }
  TDWTimeSource TimeSource() const { return FTimeSource; }
  void SetTimeSource(TDWTimeSource AValue);
  bool GetIsCurrentTime() const { return DWIsCurrentTime(FTimeSource, FInputPin.Connected()); }
  bool TimerEnabled() const { return FTimer && FTimer->Enabled(); }
  // Its own time source decides: the clock's time is not taken over.
  void SetTime(TDateTime) override {}
  void SetListOwner(TRXComponentElements* AOwner) override;

 protected:
  void IntSetValue(TDateTime AValue) override;
  TDateTime IntGetValue() override;

 private:
  TPXDateTimeSinkPin FInputPin;
  TDWTimeSource FTimeSource = tsAuto;
  std::unique_ptr<TDWClockTimer> FTimer;
};

// The value under a pointer at screen angle ATheta (degrees) on a clock's dial: the time of day
// as a fraction of a day, theta clockwise from twelve o'clock giving theta/720 (0 up to 0.5).
DW_API double DWClockDragValue(const TDWClockMouseGeometry& AGeometry, float ATheta);

// The user's hand: selected by a press, dragged round the dial with the button down, turned by the
// wheel (30 seconds per notch). Both set a time within the half of the day Value lies in (0..12 h
// or 12..24 h, wrapping across twelve o'clock) and keep its date part. Every new
// time goes out on StatePin and through OnChange; the clock's own time does not move it.
class DW_API TDWExternalClockControlHandElement : public TDWBasicExternalClockHandElement, public IDWClockMouseElement {
  DW_CLASS(TDWExternalClockControlHandElement, TDWBasicExternalClockHandElement)
  using TOnChange = std::function<void(TDWExternalClockControlHandElement&, TDateTime)>;
  explicit TDWExternalClockControlHandElement(TComponent* AOwner = nullptr);
  ~TDWExternalClockControlHandElement() override { FStatePin.DisconnectAll(); }
  TDWExternalControlClockHand& ControlHand() { return static_cast<TDWExternalControlClockHand&>(*FHand); }
  const TDWExternalControlClockHand& ControlHand() const {
    return static_cast<const TDWExternalControlClockHand&>(*FHand);
  }
  TPXDateTimeStatePin& StatePin() { return FStatePin; }
  const TPXDateTimeStatePin& StatePin() const { return FStatePin; }
  TOnChange OnChange;
  // The time the user set stays: the clock's timer does not hand it the clock's time.
  void SetTime(TDateTime) override {}

  bool ClockHitTest(int AX, int AY, const TDWClockMouseGeometry& AGeometry) override;
  void ClockMouseDown(TMouseButton AButton, TShiftState AShift, int AX, int AY,
                      const TDWClockMouseGeometry& AGeometry) override;
  void ClockMouseMove(TShiftState AShift, int AX, int AY, const TDWClockMouseGeometry& AGeometry) override;
  // The same without the geometry: the clock holding the element supplies it; outside a clock
  // nothing is hit and nothing drags.
  bool HitTest(int AX, int AY) override;
  void MouseDown(TMouseButton AButton, TShiftState AShift, int AX, int AY) override;
  void MouseMove(TShiftState AShift, int AX, int AY) override;
  void MouseUp(TMouseButton AButton, TShiftState AShift, int AX, int AY) override;
  bool MouseWheel(TShiftState AShift, int AWheelDelta, int AX, int AY) override;
  void MouseEnter() override;
  void MouseLeave() override;
  void Unselect() override;
  void SetListOwner(TRXComponentElements* AOwner) override;

 protected:
  void IntSetValue(TDateTime AValue) override;

 private:
  TDWBasicAnalogClock* Clock() const;
  TPXDateTimeStatePin FStatePin;
  bool FInPinUpdate = false;
};

}  // namespace dw
