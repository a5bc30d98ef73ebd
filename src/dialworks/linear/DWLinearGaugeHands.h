// Extra hands of the linear gauge, living in its Elements collection: a hand with its own value
// and input pin, a control hand the user drags along the rail or moves with the wheel (its value
// goes out on a state pin and through OnChange), and a hand that tracks the minimum or maximum of
// the gauge's value and falls back after the auto-reset interval.
//
// The gauge draws these with its own frame (LinearAnalogDraw) and hands mouse events to them with
// the frame computed from its size at the event (DWLinearMouseGeometry), so hit tests and drags
// match what is drawn at every rotation.
#pragma once

#include <functional>
#include <memory>

#include "dialworks/Export.h"
#include "dialworks/framework/SharedReal.h"
#include "dialworks/linear/DWLinearGauge.h"

namespace dw {

// What the gauge calls on elements that draw with its frame.
class DW_API IDWLinearAnalogElement {
 public:
  virtual void LinearAnalogDraw(gp::Graphics& AGraphics, const TDWLinearHandPlace& APlace) = 0;

 protected:
  ~IDWLinearAnalogElement() = default;
};

// The gauge as mouse events see it: the hands' place, the control-to-frame matrix, its range.
struct DW_API TDWLinearMouseGeometry {
  TDWLinearHandPlace Place;
  gp::Matrix Back;
  double Min = 0, Max = 100, Value = 0;
};

// The gauge's mouse geometry from its integer Width and Height, read under its control lock.
DW_API TDWLinearMouseGeometry DWLinearMouseGeometry(TDWBasicLinearGauge& AGauge);

// What the gauge calls on elements that take the mouse with its frame (AX, AY control pixels).
class DW_API IDWLinearAnalogMouseElement {
 public:
  virtual bool LinearAnalogHitTest(int AX, int AY, const TDWLinearMouseGeometry& AGeometry) = 0;
  virtual void LinearAnalogMouseMove(TShiftState AShift, int AX, int AY, const TDWLinearMouseGeometry& AGeometry) = 0;

 protected:
  ~IDWLinearAnalogMouseElement() = default;
};

// The gauge's frame as its elements see it (drawing with the drawn frame, mouse with the frame at
// the event); other elements get their own calls.
class DW_API TDWLinearElementGeometry final : public TRXElementGeometry {
 public:
  explicit TDWLinearElementGeometry(const TDWLinearHandPlace& APlace) { FGeometry.Place = APlace; }
  explicit TDWLinearElementGeometry(const TDWLinearMouseGeometry& AGeometry) : FGeometry(AGeometry) {}
  void Draw(TRXDrawComponentElement& AElement, gp::Graphics& AGraphics, const TRXElementArea& AArea) override;
  bool HitTest(TRXDrawComponentElement& AElement, int AX, int AY) override;
  void MouseMove(TRXDrawComponentElement& AElement, TShiftState AShift, int AX, int AY) override;

 private:
  TDWLinearMouseGeometry FGeometry;
};

// An element owning a linear hand; acts as the hand's owning control (its lock; Invalidate
// redraws the gauge holding the element).
class DW_API TDWBasicLinearGaugeHand : public TKVBasicControl,
                                       public TRXDrawComponentElement,
                                       public IDWLinearAnalogElement,
                                       public IDWMinMaxValueElement {
  DW_CLASS(TDWBasicLinearGaugeHand, TKVBasicControl)
  explicit TDWBasicLinearGaugeHand(TComponent* AOwner = nullptr) : TDWBasicLinearGaugeHand(AOwner, false) {}
  static void RegisterUnit() { DWLinearGauge::RegisterPkg(); }

  TDWLinearGaugeHand& Hand() { return *FHand; }
  const TDWLinearGaugeHand& Hand() const { return *FHand; }
  TDWBasicLinearGauge* Gauge() const;

  void SetListOwner(TRXComponentElements* AOwner) override;
  // Outside a linear gauge's geometry: the hand is drawn on an upright frame filling the area.
  void Draw(gp::Graphics& AGraphics, const TRXElementArea& AArea) override;
  void LinearAnalogDraw(gp::Graphics& AGraphics, const TDWLinearHandPlace& APlace) override;
  void InvalidateSize() override;
  void InvalidateValue() override {}
  void InvalidateRange() override {}
  void SetMinMaxValue(double, double, double) override {}

 protected:
  TDWBasicLinearGaugeHand(TComponent* AOwner, bool AControlHand);
  std::unique_ptr<TDWLinearGaugeHand> FHand;
};

// Animates its hand towards fractions of the scale; the first one is jumped to.
class DW_API TDWBasicLinearGaugeHandElement : public TDWBasicLinearGaugeHand {
  DW_CLASS(TDWBasicLinearGaugeHandElement, TDWBasicLinearGaugeHand)
  explicit TDWBasicLinearGaugeHandElement(TComponent* AOwner = nullptr) : TDWBasicLinearGaugeHandElement(AOwner, false) {}
  ~TDWBasicLinearGaugeHandElement() override;
  void AnimateToValue(float AFraction);
  bool Animating() const { return FAnimator->Animating(); }
  void BeforeDestruction() override;
  void Loaded() override;

 protected:
  TDWBasicLinearGaugeHandElement(TComponent* AOwner, bool AControlHand);
  void SettleMotion() override { FAnimator->Settle(); }

 private:
  std::unique_ptr<TDWHandAnimator> FAnimator;
};

// Adds Range: when enabled, the hand maps its value on Range.Min..Range.Max instead of the
// gauge's range (of which it keeps a copy).
class DW_API TDWBasicExternalLinearGaugeMinMaxHandElement : public TDWBasicLinearGaugeHandElement {
  DW_CLASS(TDWBasicExternalLinearGaugeMinMaxHandElement, TDWBasicLinearGaugeHandElement)
  TDWGaugeHandMinMax& Range() { return *FRange; }
  const TDWGaugeHandMinMax& Range() const { return *FRange; }
  void SetMinMaxValue(double AMin, double AMax, double AValue) override;
  // The range the hand maps and drags on: its own when enabled, else the gauge's; an empty range
  // becomes lo .. lo + 1.
  void EffectiveRange(double& ALo, double& AHi) const;
  virtual bool GetRangeStored() const { return true; }

 protected:
  TDWBasicExternalLinearGaugeMinMaxHandElement(TComponent* AOwner, bool AControlHand);
  double FGaugeMin = 0, FGaugeMax = 100;

 private:
  std::unique_ptr<TDWGaugeHandMinMax> FRange;
};

// Adds Value (clamped to the effective range when mapped).
class DW_API TDWBasicExternalLinearGaugeHandElement : public TDWBasicExternalLinearGaugeMinMaxHandElement {
  DW_CLASS(TDWBasicExternalLinearGaugeHandElement, TDWBasicExternalLinearGaugeMinMaxHandElement)
  double Value() const { return FValue; }
  void SetValue(double AValue);
  void InvalidateValue() override;

 protected:
  TDWBasicExternalLinearGaugeHandElement(TComponent* AOwner, bool AControlHand)
      : TDWBasicExternalLinearGaugeMinMaxHandElement(AOwner, AControlHand) {}
  virtual void ValueAssigned() {}
  TDWSharedReal FValue = 0;  // read by Value() without the lock
};

class DW_API TDWExternalLinearGaugeHandElement : public TDWBasicExternalLinearGaugeHandElement {
  DW_CLASS(TDWExternalLinearGaugeHandElement, TDWBasicExternalLinearGaugeHandElement)
  explicit TDWExternalLinearGaugeHandElement(TComponent* AOwner = nullptr);
  ~TDWExternalLinearGaugeHandElement() override { FInputPin.DisconnectAll(); }
  TPXRealAndRangedSinkPin& InputPin() { return FInputPin; }
  const TPXRealAndRangedSinkPin& InputPin() const { return FInputPin; }
  bool GetRangeStored() const override { return !FInputPin.GetRangePopulated(); }
  void SetListOwner(TRXComponentElements* AOwner) override;

 private:
  TPXRealAndRangedSinkPin FInputPin;
};

// The user's hand: selected by a press, dragged with the button down, moved by the wheel (1 % of
// the range per notch); every new value goes out on StatePin and through OnChange.
class DW_API TDWExternalLinearGaugeControlHandElement : public TDWBasicExternalLinearGaugeHandElement,
                                                        public IDWLinearAnalogMouseElement {
  DW_CLASS(TDWExternalLinearGaugeControlHandElement, TDWBasicExternalLinearGaugeHandElement)
  using TOnChange = std::function<void(TDWExternalLinearGaugeControlHandElement&, double, double, double)>;
  explicit TDWExternalLinearGaugeControlHandElement(TComponent* AOwner = nullptr);
  ~TDWExternalLinearGaugeControlHandElement() override { FStatePin.DisconnectAll(); }
  TDWControlLinearGaugeHand& ControlHand() { return static_cast<TDWControlLinearGaugeHand&>(*FHand); }
  TPXRealAndRangedStatePin& StatePin() { return FStatePin; }
  const TPXRealAndRangedStatePin& StatePin() const { return FStatePin; }
  TOnChange OnChange;

  bool LinearAnalogHitTest(int AX, int AY, const TDWLinearMouseGeometry& AGeometry) override;
  void LinearAnalogMouseMove(TShiftState AShift, int AX, int AY, const TDWLinearMouseGeometry& AGeometry) override;
  void LinearAnalogDraw(gp::Graphics& AGraphics, const TDWLinearHandPlace& APlace) override;
  // Without the geometry: the gauge holding the element supplies it (outside one nothing is hit).
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
  void ValueAssigned() override;

 private:
  TPXRealAndRangedStatePin FStatePin;
  bool FInPinUpdate = false;
};

// Tracks the largest (gmmMax) or smallest (gmmMin) value of the gauge; falls back to
// the current value when no new extreme came for AutoReset's interval. OnChange gets the tracked
// value, on the user-interface thread when Synchronize.
class DW_API TDWLinearGaugeMinMaxHandElement : public TDWBasicLinearGaugeHandElement {
  DW_CLASS(TDWLinearGaugeMinMaxHandElement, TDWBasicLinearGaugeHandElement)
  using TOnChange = std::function<void(TDWLinearGaugeMinMaxHandElement&, double)>;
  explicit TDWLinearGaugeMinMaxHandElement(TComponent* AOwner = nullptr);
  ~TDWLinearGaugeMinMaxHandElement() override;
  TDWGaugeMinMaxMode Mode() const { return FMode; }
  // The other extreme was not tracked: a new mode starts again from the current value.
  void SetMode(TDWGaugeMinMaxMode AValue) { Setter(*this, "Mode", FMode, AValue, [this] { Reset(); }); }
  TDWGaugeMinMaxAutoReset& AutoReset() { return *FAutoReset; }
  const TDWGaugeMinMaxAutoReset& AutoReset() const { return *FAutoReset; }
  bool Synchronize() const { return FSynchronize; }
  void SetSynchronize(bool AValue) { Setter(*this, "Synchronize", FSynchronize, AValue); }
  TOnChange OnChange;

  void SetMinMaxValue(double AMin, double AMax, double AValue) override;
  void SetListOwner(TRXComponentElements* AOwner) override;
  // The tracked value (values are clamped to the gauge's range as they come).
  double Value() const { return FTracked; }
  // Where the tracked value lies on the gauge's range (unclamped; an empty range gives 0).
  float TrackedFraction() const { return DWLinearFraction(FMin, FMax, FTracked); }
  // The hand returns to the current value.
  void Reset();

 private:
  // Reset, or the automatic reset's expiry (which passes over a countdown restarted meanwhile).
  void ResetTracked(bool AOnExpiry);
  void Notify(double ATracked);
  void Place();
  TDWGaugeMinMaxMode FMode = gmmMax;
  bool FSynchronize = true;
  double FMin = 0, FMax = 100;
  TDWSharedReal FTracked = 0;  // read by Value() without the lock
  double FCurrent = 0;
  bool FFirstValue = true;  // the first value seeds the tracked extreme
  std::shared_ptr<bool> FAlive = std::make_shared<bool>(true);  // posted notifications check it
  // Declared last, so its timer stops before the members its expiry uses go.
  std::unique_ptr<TDWGaugeMinMaxAutoReset> FAutoReset;
};

}  // namespace dw
