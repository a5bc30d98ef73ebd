// The analog clock: a twelve-hour dial with hour, minute and seconds hands showing a time of day,
// taken from the host's clock or from Value (fed by code or the date-time InputPin); with its
// layer, element and matrix-layer variants.
//
// The clock stands on the layered instrument base: the face layer holds the face, border ring,
// caption, hour ranges, marks and numerals; the top layer the border bands, glass and centre cap;
// the moving parts are the elements and the three hands. A clock tick costs two bitmap copies,
// the elements and three hands. The clock timer (50 ms) re-reads the host's time and places the
// hands, once per second when the seconds hand is discrete; discrete hands with animation move
// there on the animation clock, and a 25 ms refresh timer gathers their repaints.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

#include "dialworks/Export.h"
#include "dialworks/foundation/DWAnalogInstrument.h"
#include "dialworks/foundation/DWClockTime.h"
#include "dialworks/foundation/DWLayeredInstrument.h"
#include "dialworks/framework/Decorations.h"
#include "dialworks/framework/Elements.h"
#include "dialworks/framework/SharedReal.h"
#include "dialworks/host/HostServices.h"
#include "dialworks/host/Pins.h"

namespace dw {

namespace DWAnalogClock {
DW_API void RegisterPkg();
}  // namespace DWAnalogClock

// Hour marks (MajorTicks.Count around the circle, with numerals) and the minor marks between
// two hour marks; Size is the radius of the marks' outer ends as a share of the face radius.
class DW_API TDWBasicClockScale : public TDWBasicScale {
  DW_CLASS(TDWBasicClockScale, TDWBasicScale)
  TDWBasicClockScale(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl);
  TDWLabeledInstrumentTicks& MajorTicks() { return *FMajorTicks; }
  const TDWLabeledInstrumentTicks& MajorTicks() const { return *FMajorTicks; }
  void SetMajorTicks(const TDWLabeledInstrumentTicks& AValue) { FMajorTicks->Assign(AValue); }
  TDWInstrumentTicks& MinorTicks() { return *FMinorTicks; }
  const TDWInstrumentTicks& MinorTicks() const { return *FMinorTicks; }
  void SetMinorTicks(const TDWInstrumentTicks& AValue) { FMinorTicks->Assign(AValue); }

 private:
  std::unique_ptr<TDWLabeledInstrumentTicks> FMajorTicks;
  std::unique_ptr<TDWInstrumentTicks> FMinorTicks;
};

// A hand that can be hidden (the angular hand's Visible) on a full circle.
class DW_API TDWOptionalAngularHand : public TDWAngularHand {
  DW_CLASS(TDWOptionalAngularHand, TDWAngularHand)
  using TDWAngularHand::TDWAngularHand;
};

// Discrete: the hand jumps from mark to mark (whole hours, minutes or seconds).
class DW_API TDWClockHand : public TDWOptionalAngularHand {
  DW_CLASS(TDWClockHand, TDWOptionalAngularHand)
  using TDWOptionalAngularHand::TDWOptionalAngularHand;
  bool Discrete() const { return FDiscrete.load(std::memory_order_relaxed); }
  void SetDiscrete(bool AValue);
  bool DiscreteDefault() const { return FDiscreteDefault; }

 protected:
  void SetDiscreteDefault(bool AValue) { FDiscrete = FDiscreteDefault = AValue; }

 private:
  std::atomic<bool> FDiscrete{false};  // read by the clock timer
  bool FDiscreteDefault = false;
};

class DW_API TDWSecondsClockHand : public TDWClockHand {
  DW_CLASS(TDWSecondsClockHand, TDWClockHand)
  TDWSecondsClockHand(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl);
};

class DW_API TDWClockHands : public TKVBasicControlProperty {
  DW_CLASS(TDWClockHands, TKVBasicControlProperty)
  TDWClockHands(TChangeCallback AOnChange, TPersistent* AOwner, IKVControl* AControl);
  TDWClockHand& Hours() { return *FHours; }
  const TDWClockHand& Hours() const { return *FHours; }
  void SetHours(const TDWClockHand& AValue) { FHours->Assign(AValue); }
  TDWClockHand& Minutes() { return *FMinutes; }
  const TDWClockHand& Minutes() const { return *FMinutes; }
  void SetMinutes(const TDWClockHand& AValue) { FMinutes->Assign(AValue); }
  TDWSecondsClockHand& Seconds() { return *FSeconds; }
  const TDWSecondsClockHand& Seconds() const { return *FSeconds; }
  void SetSeconds(const TDWSecondsClockHand& AValue) { FSeconds->Assign(AValue); }
  void DoInvalidateResources();

 private:
  std::unique_ptr<TDWClockHand> FHours, FMinutes;
  std::unique_ptr<TDWSecondsClockHand> FSeconds;
};

// Screen angles (degrees, clockwise from +x, 270 = twelve o'clock) of the three hands for a time
// of day, each folded into 0..360 (360 itself stays 360). The hour hand moves with the minutes
// and the minute hand with the seconds unless discrete; the seconds hand with the milliseconds
// unless discrete.
struct DW_API TDWClockAngles {
  float Hours = 270, Minutes = 270, Seconds = 270;
};
DW_API TDWClockAngles DWClockHandAngles(TDateTime ATime, bool AHoursDiscrete, bool AMinutesDiscrete,
                                        bool ASecondsDiscrete);

// Where the clock draws its hands: the centre offset, the face radius R0 (hand lengths are shares
// of it), the area the hands pivot in and the device scale.
struct DW_API TDWClockHandGeometry {
  float OffsetX = 0, OffsetY = 0;
  float Reference = 0;
  float Width = 0, Height = 0;
  float ScaleX = 1, ScaleY = 1;
};

// What the clock calls on elements that draw a hand with its dial geometry.
class DW_API IDWClockHandDrawing {
 public:
  virtual void TimeDraw(gp::Graphics& AGraphics, const TDWClockHandGeometry& AGeometry) = 0;

 protected:
  ~IDWClockHandDrawing() = default;
};

// The dial as mouse events see it: where the hands pivot (the squaring shift of the drawing area
// joins the centre offset) and the scale a pointer maps onto: a twelve-hour turn from twelve
// o'clock (screen angle -90) round to twelve again (270) over the values 0..1.
struct DW_API TDWClockMouseGeometry {
  TDWClockHandGeometry Hands;
  float StartAngle = -90, EndAngle = 270;
  bool Reversed = false;
  double Min = 0, Max = 1;
};

// What the clock calls on elements that take the mouse with its dial geometry (AX, AY in control
// pixels). Release, wheel, enter, leave and unselect need no geometry (TRXDrawComponentElement's).
class DW_API IDWClockMouseElement {
 public:
  virtual bool ClockHitTest(int AX, int AY, const TDWClockMouseGeometry& AGeometry) = 0;
  virtual void ClockMouseDown(TMouseButton AButton, TShiftState AShift, int AX, int AY,
                              const TDWClockMouseGeometry& AGeometry) = 0;
  virtual void ClockMouseMove(TShiftState AShift, int AX, int AY, const TDWClockMouseGeometry& AGeometry) = 0;

 protected:
  ~IDWClockMouseElement() = default;
};

class DW_API TDWBasicAnalogClock : public TDWLayeredInstrument<TKVBasicColorControl> {
  DW_CLASS(TDWBasicAnalogClock, TKVBasicColorControl)
  static constexpr int DefaultSize = 160;
  static constexpr int MinSize = 5;
  static constexpr uint32_t RefreshInterval = 25;  // ms between animation repaints
  explicit TDWBasicAnalogClock(TComponent* AOwner = nullptr);
  ~TDWBasicAnalogClock() override;

  void SetColor(TAlphaColor AValue) { Setter(*this, "Color", FColor, AValue, [this] { InvalidateRange(); }); }
  TKVProportionalControlBorder& Border() { return *FBorder; }
  const TKVProportionalControlBorder& Border() const { return *FBorder; }
  void SetBorder(const TKVProportionalControlBorder& AValue) { FBorder->Assign(AValue); }
  TKVCaption& Caption() { return *FCaption; }
  const TKVCaption& Caption() const { return *FCaption; }
  void SetCaption(const TKVCaption& AValue) { FCaption->Assign(AValue); }
  TDWBasicClockScale& Scale() { return *FScale; }
  const TDWBasicClockScale& Scale() const { return *FScale; }
  void SetScale(const TDWBasicClockScale& AValue) { FScale->Assign(AValue); }
  TDWAnalogGaugeScaleRanges& Ranges() { return *FRanges; }
  const TDWAnalogGaugeScaleRanges& Ranges() const { return *FRanges; }
  void SetRanges(const TDWAnalogGaugeScaleRanges& AValue) { FRanges->Assign(AValue); }
  TDWGlass& Glass() { return *FGlass; }
  const TDWGlass& Glass() const { return *FGlass; }
  void SetGlass(const TDWGlass& AValue) { FGlass->Assign(AValue); }
  TDWClockHands& Hands() { return *FHands; }
  const TDWClockHands& Hands() const { return *FHands; }
  void SetHands(const TDWClockHands& AValue) { FHands->Assign(AValue); }
  TDWAnalogInstrumentCenter& Center() { return *FCenter; }
  const TDWAnalogInstrumentCenter& Center() const { return *FCenter; }
  void SetCenter(const TDWAnalogInstrumentCenter& AValue) { FCenter->Assign(AValue); }
  TRXClockComponentElements& Elements() { return *FElements; }
  const TRXClockComponentElements& Elements() const { return *FElements; }
  TRXComponentElements* ElementList() override { return FElements.get(); }
  bool ElementSquare() const { return FBorder->Square(); }

  // The date-time shown (the basic clock shows midnight; the variants say where theirs comes from).
  virtual TDateTime GetCurrentValue() { return 0; }
  // Hands ATime to every clock element of Elements.
  void SendChildValues(TDateTime ATime);
  void UpdateEmbeddedValues() override { SendChildValues(GetCurrentValue()); }
  // The dial geometry for a drawing area of AWidth x AHeight.
  TDWDialLayout Layout(float AWidth, float AHeight) const { return DWDialLayoutFor(AWidth, AHeight, *FBorder, *FCenter); }

  bool Animating() const { return FAnimation.Active(); }
  bool RefreshTimerEnabled() const;
  // The mouse geometry of the clock's integer Width x Height, read under its control lock.
  TDWClockMouseGeometry MouseGeometry();

 protected:
  TDWLayerArea LayerArea(float AWidth, float AHeight) override;
  TDWFaceShape FaceShape(const TDWLayerFrame& AFrame) override;
  bool HasTopLayer(const TDWLayerFrame& AFrame) override;
  void DrawFaceLayer(gp::Graphics& AGraphics, const TDWLayerFrame& AFrame) override;
  void DrawTopLayer(gp::Graphics& AGraphics, const TDWLayerFrame& AFrame) override;
  void DrawMovingParts(gp::Graphics& AGraphics, const TDWLayerFrame& AFrame) override;
  // Places the hands for GetCurrentValue (jump, or animation for discrete animated hands).
  void ValueChanged() override;
  void SizeChanged() override { FHands->DoInvalidateResources(); }
  void ValueLoaded() override { FFirstTime = true; }
  void StopMotion() override;
  void SettleMotion() override;
  bool MotionStopped() const override { return FDisableSubscribe.load(); }
  bool MotionRepaints() const override { return Animating(); }  // its refresh timer does
  // The three hands' angles are the moving parts' state (partial repaints: DWLayeredInstrument.h).
  void SnapMovingParts() override;
  void HoldMovingParts() override { FHandAngles.Hold(); }
  bool MovingPartsBounds(const TDWLayerFrame& AFrame, bool AHeld, gp::RectF& ABounds) override;
  // No precomposed layers: the clock's glass and bands composed over its face first round the
  // ring's anti-aliased edge differently (by one level) from composing them in turn.
  bool MovingPartsOnlyInBounds() const override { return false; }
  int MinimumSize() const override { return MinSize; }
  std::unique_ptr<TRXElementGeometry> ElementGeometry() override;

  // The face parts (DWAnalogClockFace.cpp).
  TDWDialFaceParts FaceParts() const;
  void DrawRanges(gp::Graphics& g, const TDWDialLayout& L);
  void DrawMarks(gp::Graphics& g, const TDWDialLayout& L);

 private:
  void EndAnimation();
  bool AnimationTick();
  void RefreshExpired();

  std::unique_ptr<TKVProportionalControlBorder> FBorder;
  std::unique_ptr<TKVCaption> FCaption;
  std::unique_ptr<TDWBasicClockScale> FScale;
  std::unique_ptr<TDWAnalogGaugeScaleRanges> FRanges;
  std::unique_ptr<TDWGlass> FGlass;
  std::unique_ptr<TDWClockHands> FHands;
  std::unique_ptr<TDWAnalogInstrumentCenter> FCenter;
  std::unique_ptr<TRXClockComponentElements> FElements;
  TDWAnimationSubscription FAnimation;
  // Switched on by ticks on the animation clock's thread, destroyed on the user-interface thread.
  mutable std::mutex FTimerLock;
  std::unique_ptr<IRelaxedTimer> FRefreshTimer;
  bool FFirstTime = true;  // the next placement jumps
  std::atomic<bool> FDisableSubscribe{false};
  TDWDialLayout FFrameLayout;  // the layout of the frame being drawn (set by LayerArea)
  TDWMovingState<TDWClockAngles> FHandAngles;
};

// Time source, Value and the date-time InputPin, and the clock timer.
class DW_API TDWExternalAnalogClock : public TDWBasicAnalogClock {
  DW_CLASS(TDWExternalAnalogClock, TDWBasicAnalogClock)
  explicit TDWExternalAnalogClock(TComponent* AOwner = nullptr);
  ~TDWExternalAnalogClock() override;
  void BeforeDestruction() override;

  TPXDateTimeSinkPin& InputPin() { return FInputPin; }
  const TPXDateTimeSinkPin& InputPin() const { return FInputPin; }
  TDWTimeSource TimeSource() const { return FTimeSource; }
  void SetTimeSource(TDWTimeSource AValue);
  TDateTime Value() const { return FValue; }
  // Stored always; shown at once only with tsValue (otherwise at the next timer redraw).
  void SetValue(TDateTime AValue);
  // Every change repaints, except a shown value's (see SetValue).
  void DoChanged() override;

  bool GetIsCurrentTime() const { return DWIsCurrentTime(FTimeSource, FInputPin.Connected()); }
  TDateTime GetCurrentValue() override;
  bool TimerEnabled() const { return FTimer && FTimer->Enabled(); }

 protected:
  void StopMotion() override;

 private:
  void DoTimer(TDateTime ANow, bool ARedraw);
  TPXDateTimeSinkPin FInputPin;
  TDWTimeSource FTimeSource = tsAuto;
  TDWSharedReal FValue = 0;  // a TDateTime, read by Value() without the lock
  std::unique_ptr<TDWClockTimer> FTimer;
  bool FSettingValue = false;  // SetValue is storing a shown value (under the control lock)
};

class DW_API TDWAnalogClock : public TDWStandaloneControl<TDWExternalAnalogClock> {
  DW_CLASS(TDWAnalogClock, TDWExternalAnalogClock)
  using TDWStandaloneControl::TDWStandaloneControl;
};

class DW_API TDWAnalogClockLayer : public TDWExternalAnalogClock {
  DW_CLASS(TDWAnalogClockLayer, TDWExternalAnalogClock)
  using TDWExternalAnalogClock::TDWExternalAnalogClock;
};

class DW_API TDWBasicAnalogClockElement : public TDWBasicAnalogClock {
  DW_CLASS(TDWBasicAnalogClockElement, TDWBasicAnalogClock)
  using TDWBasicAnalogClock::TDWBasicAnalogClock;
  static void RegisterUnit() { DWAnalogClock::RegisterPkg(); }
};

// A small clock showing the time its host clock hands it.
class DW_API TDWAnalogClockElement : public TDWPlacedElement<TDWBasicAnalogClockElement>, public IDWClockElement {
  DW_CLASS(TDWAnalogClockElement, TDWBasicAnalogClockElement)
  explicit TDWAnalogClockElement(TComponent* AOwner = nullptr);
  void SetTime(TDateTime ATime) override;
  TDateTime GetCurrentValue() override { return FTime; }

 protected:
  void JoinedList() override;

 private:
  TDateTime FTime = 0;
};

// A small clock with its own time source, pin and timer.
class DW_API TDWExternalAnalogClockElement : public TDWPlacedElement<TDWAnalogClock> {
  DW_CLASS(TDWExternalAnalogClockElement, TDWAnalogClock)
  explicit TDWExternalAnalogClockElement(TComponent* AOwner = nullptr);
  static void RegisterUnit() { DWAnalogClock::RegisterPkg(); }
};

class DW_API TDWExternalAnalogClockMatrixLayer : public TDWMatrixLayerOf<TDWExternalAnalogClockElement> {
  DW_CLASS(TDWExternalAnalogClockMatrixLayer, TDWExternalAnalogClockElement)
  explicit TDWExternalAnalogClockMatrixLayer(TComponent* AOwner = nullptr) : TDWMatrixLayerOf(AOwner) {
    SetPlacementDefaults({0.6f, 0.6f}, {0, 0});
  }
};

class DW_API TDWExternalAnalogClockMatrixElement : public TDWExternalAnalogClockMatrixLayer {
  DW_CLASS(TDWExternalAnalogClockMatrixElement, TDWExternalAnalogClockMatrixLayer)
  using TDWExternalAnalogClockMatrixLayer::TDWExternalAnalogClockMatrixLayer;
};

}  // namespace dw
