// Extra hands of the angular gauge, living in its Elements collection: a hand that tracks the
// minimum or maximum value seen (falling back after the auto-reset interval), a hand with its own
// value and input pin, and a control hand the user drags or turns with the wheel, whose value goes
// out on a state pin and through OnChange.
//
// The gauge draws these with its own dial geometry (AngularAnalogDraw) and hands mouse events to
// them with the same geometry, computed from its size at the event (DWDialMouseGeometry), so hit
// tests and drags work before the first paint and always match what is drawn.
#pragma once

#include <atomic>
#include <functional>
#include <memory>

#include "dialworks/Export.h"
#include "dialworks/angular/DWAngularGauge.h"
#include "dialworks/foundation/DWControlHand.h"
#include "dialworks/framework/SharedReal.h"

namespace dw {

// Where the gauge drew its hands: translation of the (squared) drawing area inside the control,
// the centre offset, the face radius, the area the hand pivots in, and the device scale.
struct DW_API TDWDialHandGeometry {
  float ShiftX = 0, ShiftY = 0;
  float OffsetX = 0, OffsetY = 0;
  float Reference = 0;
  float Width = 0, Height = 0;
  float ScaleX = 1, ScaleY = 1;
};
// The hands of a dial laid out as L: they pivot at the middle of the (squared) area plus the
// centre offset. A hand pivots at the middle of its area minus one pixel, hence one pixel more.
DW_API TDWDialHandGeometry DWDialHandGeometry(const TDWDialLayout& L, float AScaleX = 1, float AScaleY = 1);

// What the gauge calls on elements that draw with its dial geometry.
class DW_API IDWAngularAnalogElement {
 public:
  virtual void AngularAnalogDraw(gp::Graphics& AGraphics, const TDWDialHandGeometry& AGeometry) = 0;

 protected:
  ~IDWAngularAnalogElement() = default;
};

// The dial as mouse events see it: where the hands pivot (as drawn, at scale 1) and the scale and
// range a pointer maps onto.
struct DW_API TDWDialMouseGeometry {
  TDWDialHandGeometry Hands;
  TDWDialAngles Angles;
  bool Reversed = false;
  double Min = 0, Max = 100, Value = 0;
};

// The gauge's mouse geometry from its integer Width and Height, read under its control lock. The
// hands pivot at the middle of the (squared) area like the drawn ones, so a hit lands on the hand
// as the user sees it.
DW_API TDWDialMouseGeometry DWDialMouseGeometry(TDWBasicAngularGauge& AGauge);

// What the gauge calls on elements that take the mouse with its dial geometry (AX, AY in control
// pixels). The other mouse calls (release, wheel, enter, leave, unselect) need no geometry and are
// those of TRXDrawComponentElement.
class DW_API IDWAngularAnalogMouseElement {
 public:
  virtual bool AngularAnalogHitTest(int AX, int AY, const TDWDialMouseGeometry& AGeometry) = 0;
  virtual void AngularAnalogMouseDown(TMouseButton AButton, TShiftState AShift, int AX, int AY,
                                      const TDWDialMouseGeometry& AGeometry) = 0;
  virtual void AngularAnalogMouseMove(TShiftState AShift, int AX, int AY, const TDWDialMouseGeometry& AGeometry) = 0;

 protected:
  ~IDWAngularAnalogMouseElement() = default;
};

// The dial as the gauge's elements see it: hands of IDWAngularAnalogElement draw with the drawn
// hand geometry, those of IDWAngularAnalogMouseElement take the mouse with the geometry at the
// event; other elements get their own calls.
class DW_API TDWDialElementGeometry final : public TRXElementGeometry {
 public:
  explicit TDWDialElementGeometry(const TDWDialHandGeometry& AHands) { FGeometry.Hands = AHands; }
  explicit TDWDialElementGeometry(const TDWDialMouseGeometry& AGeometry) : FGeometry(AGeometry) {}
  void Draw(TRXDrawComponentElement& AElement, gp::Graphics& AGraphics, const TRXElementArea& AArea) override;
  bool HitTest(TRXDrawComponentElement& AElement, int AX, int AY) override;
  void MouseDown(TRXDrawComponentElement& AElement, TMouseButton AButton, TShiftState AShift, int AX,
                 int AY) override;
  void MouseMove(TRXDrawComponentElement& AElement, TShiftState AShift, int AX, int AY) override;

 private:
  TDWDialMouseGeometry FGeometry;
};

// A gauge hand with selection and hover colours.
class DW_API TDWControlAngularGaugeHand : public TDWControlHandState<TDWAngularGaugeHand> {
  DW_CLASS(TDWControlAngularGaugeHand, TDWAngularGaugeHand)
  using TDWControlHandState::TDWControlHandState;
};

// An element that owns a hand and acts as the hand's owning control (its lock; Invalidate redraws
// the gauge holding the element).
class DW_API TDWBasicGaugeHand : public TKVBasicControl,
                          public TRXDrawComponentElement,
                          public IDWAngularAnalogElement,
                          public IDWMinMaxValueElement {
  DW_CLASS(TDWBasicGaugeHand, TKVBasicControl)
  explicit TDWBasicGaugeHand(TComponent* AOwner = nullptr) : TDWBasicGaugeHand(AOwner, false) {}
  // Elements().Add<T>() registers the unit of the hand elements before adding one.
  static void RegisterUnit() { DWAngularGauge::RegisterPkg(); }

  TDWAngularGaugeHand& Hand() { return *FHand; }
  const TDWAngularGaugeHand& Hand() const { return *FHand; }
  // The scale of the gauge holding the element (null outside a gauge).
  const TDWAngularGaugeScale* GaugeScale() const;
  TDWBasicAngularGauge* Gauge() const;

  void SetListOwner(TRXComponentElements* AOwner) override;
  // Without the gauge's geometry (drawn by a plain element list): pivot in the middle.
  void Draw(gp::Graphics& AGraphics, const TRXElementArea& AArea) override;
  void AngularAnalogDraw(gp::Graphics& AGraphics, const TDWDialHandGeometry& AGeometry) override;
  void InvalidateSize() override;
  void InvalidateValue() override {}
  void InvalidateRange() override {}
  void SetMinMaxValue(double, double, double) override {}

 protected:
  TDWBasicGaugeHand(TComponent* AOwner, bool AControlHand);
  // Whether the control pixel (AX, AY) lies on the hand as drawn with AGeometry (enabled, visible
  // elements with a visible hand only).
  bool HandHit(int AX, int AY, const TDWDialHandGeometry& AGeometry);

  std::unique_ptr<TDWAngularGaugeHand> FHand;
};

// Draws and animates its hand towards mapped angles; the first angle is jumped to.
class DW_API TDWBasicGaugeHandElement : public TDWBasicGaugeHand {
  DW_CLASS(TDWBasicGaugeHandElement, TDWBasicGaugeHand)
  explicit TDWBasicGaugeHandElement(TComponent* AOwner = nullptr) : TDWBasicGaugeHandElement(AOwner, false) {}
  ~TDWBasicGaugeHandElement() override;
  void AnimateToAngle(float AAngle);
  bool Animating() const { return FAnimator->Animating(); }
  void BeforeDestruction() override;

 protected:
  TDWBasicGaugeHandElement(TComponent* AOwner, bool AControlHand);
  void SettleMotion() override { FAnimator->Settle(); }

 private:
  std::unique_ptr<TDWHandAnimator> FAnimator;  // drives FHand (declared in the base, so it outlives this)
};

// Tracks the largest (gmmMax) or smallest (gmmMin) value of the gauge; falls back to the current
// value when no new extreme came for AutoReset's interval.
class DW_API TDWGaugeMinMaxHandElement : public TDWBasicGaugeHandElement {
  DW_CLASS(TDWGaugeMinMaxHandElement, TDWBasicGaugeHandElement)
  explicit TDWGaugeMinMaxHandElement(TComponent* AOwner = nullptr);
  TDWGaugeMinMaxMode Mode() const { return FMode; }
  void SetMode(TDWGaugeMinMaxMode AValue);
  TDWGaugeMinMaxAutoReset& AutoReset() { return *FAutoReset; }
  const TDWGaugeMinMaxAutoReset& AutoReset() const { return *FAutoReset; }
  void SetMinMaxValue(double AMin, double AMax, double AValue) override;
  void SetListOwner(TRXComponentElements* AOwner) override;
  double TrackedValue() const { return FTracked; }
  bool ResetFlag() const { return FReset; }

 private:
  void AutoResetExpired();
  void Remap();
  TDWGaugeMinMaxMode FMode = gmmMax;
  std::unique_ptr<TDWGaugeMinMaxAutoReset> FAutoReset;
  TDWSharedReal FTracked = 0;  // read by TrackedValue() without the lock
  double FCurrent = 0, FMin = 0, FMax = 100;
  bool FReset = true;
  bool FFirstValue = true;
};

// A hand with its own Value, mapped on the gauge's range or on its own Range when enabled.
class DW_API TDWBasicExternalGaugeHandElement : public TDWBasicGaugeHandElement {
  DW_CLASS(TDWBasicExternalGaugeHandElement, TDWBasicGaugeHandElement)
  explicit TDWBasicExternalGaugeHandElement(TComponent* AOwner = nullptr)
      : TDWBasicExternalGaugeHandElement(AOwner, false) {}
  TDWGaugeHandMinMax& Range() { return *FRange; }
  const TDWGaugeHandMinMax& Range() const { return *FRange; }
  double Value() const { return FValue; }
  void SetValue(double AValue);
  void SetMinMaxValue(double AMin, double AMax, double AValue) override;
  void InvalidateValue() override;
  virtual bool GetRangeStored() const { return true; }
  // The range the hand maps and drags against: its own when enabled, else the gauge's.
  void EffectiveRange(double& AMin, double& AMax) const;

 protected:
  TDWBasicExternalGaugeHandElement(TComponent* AOwner, bool AControlHand);
  virtual void ValueAssigned() {}
  TDWSharedReal FValue = 0;  // read by Value() without the lock
  double FGaugeMin = 0, FGaugeMax = 100;

 private:
  std::unique_ptr<TDWGaugeHandMinMax> FRange;
};

class DW_API TDWExternalGaugeHandElement : public TDWBasicExternalGaugeHandElement {
  DW_CLASS(TDWExternalGaugeHandElement, TDWBasicExternalGaugeHandElement)
  explicit TDWExternalGaugeHandElement(TComponent* AOwner = nullptr);
  ~TDWExternalGaugeHandElement() override { FInputPin.DisconnectAll(); }
  TPXRealAndRangedSinkPin& InputPin() { return FInputPin; }
  const TPXRealAndRangedSinkPin& InputPin() const { return FInputPin; }
  bool GetRangeStored() const override { return !FInputPin.GetRangePopulated(); }
  void SetListOwner(TRXComponentElements* AOwner) override;

 private:
  TPXRealAndRangedSinkPin FInputPin;
};

// The user's hand: selected by a press, dragged with the button down, turned by the wheel (1 % of
// the range per notch); every new value goes out on StatePin and through OnChange.
class DW_API TDWExternalGaugeControlHandElement : public TDWBasicExternalGaugeHandElement,
                                           public IDWAngularAnalogMouseElement {
  DW_CLASS(TDWExternalGaugeControlHandElement, TDWBasicExternalGaugeHandElement)
  using TOnChange = std::function<void(TDWExternalGaugeControlHandElement&, double, double, double)>;
  explicit TDWExternalGaugeControlHandElement(TComponent* AOwner = nullptr);
  ~TDWExternalGaugeControlHandElement() override { FStatePin.DisconnectAll(); }
  TDWControlAngularGaugeHand& ControlHand() { return static_cast<TDWControlAngularGaugeHand&>(*FHand); }
  TPXRealAndRangedStatePin& StatePin() { return FStatePin; }
  const TPXRealAndRangedStatePin& StatePin() const { return FStatePin; }
  TOnChange OnChange;

  bool AngularAnalogHitTest(int AX, int AY, const TDWDialMouseGeometry& AGeometry) override;
  void AngularAnalogMouseDown(TMouseButton AButton, TShiftState AShift, int AX, int AY,
                              const TDWDialMouseGeometry& AGeometry) override;
  void AngularAnalogMouseMove(TShiftState AShift, int AX, int AY, const TDWDialMouseGeometry& AGeometry) override;
  // The same without the geometry (a host that does not know the dial): the gauge holding the
  // element supplies it; outside a gauge nothing is hit and nothing drags.
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

// The value under a pointer at screen angle ATheta on a dial (the drag rule): along the sweep
// from the start; in the gap after the end, the nearer end; reversed scales run backwards.
DW_API double DWDialDragValue(const TDWDialAngles& AAngles, bool AReversed, double AMin, double AMax, float ATheta);

}  // namespace dw
