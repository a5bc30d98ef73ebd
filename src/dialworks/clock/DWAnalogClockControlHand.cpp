// The clock's control hand: the user drags it round the dial or turns it with the wheel. The clock
// routes the mouse with its own geometry (TDWBasicAnalogClock::MouseGeometry), read under its
// control lock, which is released before the element is called, since a new time goes out to
// pins and OnChange handlers.
#include <cmath>
#include <cstdint>
#include <mutex>

#include "dialworks/clock/DWAnalogClockHands.h"
#include "dialworks/framework/Registry.h"
#include "dialworks/host/Helpers.h"

namespace dw {

namespace {
constexpr int64_t kHalfDayMs = 43200000;

// The date (whole days) and the time of day (ms) of a value, both from the value rounded to whole
// milliseconds: 23:59:59.9997 is midnight of the next day, not midnight of its own date.
struct TDayAndTime {
  TDateTime Day;
  int64_t MilliSecond;
};

TDayAndTime SplitDayAndTime(TDateTime AValue) {
  if (!std::isfinite(AValue)) return {AValue, 0};
  double day = std::trunc(AValue);
  int64_t ms = std::llround(std::fabs(AValue - day) * MSecsPerDay);
  if (ms >= 2 * kHalfDayMs) {
    // The next calendar day, whatever the sign (day -1 is followed by day 0).
    ms -= 2 * kHalfDayMs;
    day += 1;
  }
  return {day, ms};
}
}  // namespace

// ---- control hand -------------------------------------------------------------------------------

DW_PROPERTIES(TDWExternalControlClockHand) { TDWExternalControlClockHand::DeclareStateColors(t); }

// ---- drag rule ----------------------------------------------------------------------------------

double DWClockDragValue(const TDWClockMouseGeometry& G, float ATheta) {
  float r = ATheta - G.StartAngle;
  if (r < 0) r += 360;
  // The sweep is 360 - (start - end) degrees: 720 for the clock, so one turn of the pointer is
  // half the range (twelve hours of a day).
  const float sweep = 360 - (G.StartAngle - G.EndAngle);
  float f = r / sweep;
  if (f > 1) {
    // In the gap after the end: the nearer end.
    const float toEnd = std::fabs(std::remainder(ATheta - G.EndAngle, 360.0f));
    const float toStart = std::fabs(std::remainder(ATheta - G.StartAngle, 360.0f));
    f = toEnd < toStart ? 1.0f : 0.0f;
  }
  if (G.Reversed) f = 1 - f;
  return (G.Max - G.Min) * double(f);
}

// ---- control element ----------------------------------------------------------------------------

TDWExternalClockControlHandElement::TDWExternalClockControlHandElement(TComponent* AOwner)
    : TDWBasicExternalClockHandElement(AOwner, true), FStatePin(this, [this](TPXPin&, TDateTime AValue) {
        FInPinUpdate = true;
        SetValue(AValue);
        FInPinUpdate = false;
      }) {
  ControlHand().OwnerFocused = [this] {
    const TDWBasicAnalogClock* clock = Clock();
    return !clock || clock->Focused();
  };
  ControlHand().OnSelectionChanged = [this] {
    // Selecting this hand unselects every other element of the clock.
    TRXComponentElements* list = ListOwner();
    if (!list || !ControlHand().Selected()) return;
    for (size_t i = 0; i < list->Count(); ++i)
      if (auto* e = dynamic_cast<TRXDrawComponentElement*>(&list->Items(i)); e && e != this) e->Unselect();
  };
}

TDWBasicAnalogClock* TDWExternalClockControlHandElement::Clock() const {
  TRXComponentElements* list = ListOwner();
  return list ? dynamic_cast<TDWBasicAnalogClock*>(list->Owner()) : nullptr;
}

void TDWExternalClockControlHandElement::IntSetValue(TDateTime AValue) {
  if (!Setter(*this, "Value", FValue, AValue, [this] { InvalidateValue(); })) return;
  // A time that came in on the pin is not sent back to it.
  if (FInPinUpdate) return;
  FStatePin.SubmitValue(FValue);
  if (OnChange) OnChange(*this, FValue);
}

bool TDWExternalClockControlHandElement::ClockHitTest(int AX, int AY, const TDWClockMouseGeometry& G) {
  // What is not drawn cannot be hit.
  if (!Enabled() || !Visible() || !FHand->Visible()) return false;
  // The hand's polygons are shared with drawing (built lazily by either).
  std::lock_guard lock(ControlLock());
  const TDWClockHandGeometry& H = G.Hands;
  return FHand->HitTest(AX, AY, H.OffsetX, H.OffsetY, H.Reference, H.Reference, H.Width, H.Height, H.ScaleX,
                        H.ScaleY);
}

bool TDWExternalClockControlHandElement::HitTest(int AX, int AY) {
  TDWBasicAnalogClock* clock = Clock();
  return clock && ClockHitTest(AX, AY, clock->MouseGeometry());
}

void TDWExternalClockControlHandElement::ClockMouseDown(TMouseButton AButton, TShiftState AShift, int AX, int AY,
                                                        const TDWClockMouseGeometry&) {
  MouseDown(AButton, AShift, AX, AY);
}

void TDWExternalClockControlHandElement::MouseDown(TMouseButton, TShiftState, int, int) {
  ControlHand().SetSelected(true);
  if (TDWBasicAnalogClock* clock = Clock()) HostServices().RequestFocus(*clock);
  ControlHand().SetMouseIsDown(true);
}

void TDWExternalClockControlHandElement::MouseUp(TMouseButton, TShiftState, int, int) {
  ControlHand().SetMouseIsDown(false);
}

void TDWExternalClockControlHandElement::MouseMove(TShiftState AShift, int AX, int AY) {
  if (TDWBasicAnalogClock* clock = Clock()) ClockMouseMove(AShift, AX, AY, clock->MouseGeometry());
  else ControlHand().SetMouseOver(ControlHand().MouseOver(), AX, AY, false);
}

void TDWExternalClockControlHandElement::ClockMouseMove(TShiftState, int AX, int AY, const TDWClockMouseGeometry& G) {
  ControlHand().SetMouseOver(ControlHand().MouseOver(), AX, AY, false);
  if (!ControlHand().MouseIsDown() || !ControlHand().TakesInput(*this)) return;
  // The pointer's direction from the pivot the hand is drawn around.
  const TDWClockHandGeometry& H = G.Hands;
  const float dx = float(AX) - (H.OffsetX + (H.Width - 1) / 2);
  const float dy = float(AY) - (H.OffsetY + (H.Height - 1) / 2);
  if (dx == 0 && dy == 0) return;
  const float theta = float(RXGetDegree(std::atan2(double(dy), double(dx))));
  // The dial sets the time within the half of the day shown (0..12 h or 12..24 h); the date stays.
  const TDayAndTime now = SplitDayAndTime(FValue);
  const double half = now.MilliSecond >= kHalfDayMs ? 0.5 : 0.0;
  SetValue(DWReplaceTimeOfDay(now.Day, half + DWClockDragValue(G, theta)));
}

bool TDWExternalClockControlHandElement::MouseWheel(TShiftState, int AWheelDelta, int, int) {
  // A disabled or hidden hand takes no input, whether selected or not.
  if (!ControlHand().TakesInput(*this) || AWheelDelta == 0) return false;
  // 30 seconds per notch on the time of day (in whole milliseconds, so notches do not drift),
  // wrapping within the half of the day shown; the date part stays.
  constexpr int64_t kNotch = 30000;
  const TDayAndTime now = SplitDayAndTime(FValue);
  const int64_t tod = now.MilliSecond;
  const int64_t base = tod >= kHalfDayMs ? kHalfDayMs : 0;
  int64_t ms = tod - base + (AWheelDelta > 0 ? kNotch : -kNotch);
  if (ms >= kHalfDayMs) ms -= kHalfDayMs;
  else if (ms < 0) ms += kHalfDayMs;
  SetValue(DWReplaceTimeOfDay(now.Day, double(base + ms) / double(2 * kHalfDayMs)));
  return true;
}

void TDWExternalClockControlHandElement::MouseEnter() {
  ControlHand().SetMouseOver(true, ControlHand().MouseX(), ControlHand().MouseY(), true);
}

void TDWExternalClockControlHandElement::MouseLeave() { ControlHand().SetMouseOver(false, -100000, 0, true); }

void TDWExternalClockControlHandElement::Unselect() {
  ControlHand().SetSelected(false);
  ControlHand().SetMouseIsDown(false);
}

void TDWExternalClockControlHandElement::SetListOwner(TRXComponentElements* AOwner) {
  if (!AOwner) FStatePin.DisconnectAll();
  TDWBasicExternalClockHandElement::SetListOwner(AOwner);
}

DW_PROPERTIES(TDWExternalClockControlHandElement) {
  using C = TDWExternalClockControlHandElement;
  t.Pin("StatePin", [](C& c) -> TPXDateTimeStatePin& { return c.StatePin(); });
  t.Object("Hand", [](C& c) -> TDWExternalControlClockHand& { return c.ControlHand(); });
}

}  // namespace dw
