// Mouse input of the angular gauge. The main hand does not follow the mouse; control hands are
// elements. Each event walks the elements from the last (drawn on top) to the first:
//   press  the first element hit gets the focus for the gauge and the press; the walk stops there,
//          every element passed before it is unselected;
//   move   each element visited gets the move (a selected control hand with the button down
//          drags); the first one hit then gets MouseEnter and the walk stops, the others passed
//          get MouseLeave;
//   release, wheel (one notch, +1 or -1), leaving the gauge: every element.
// Geometry comes from the gauge's integer size at the event, the same as the drawn one (hands
// pivot at Width/2, Height/2 of the squared area).
//
// Locks: the geometry is read under the gauge's control lock, which is released before any element
// is called, since a control hand's new value goes out to pins and OnChange handlers.
#include <mutex>

#include "dialworks/angular/DWAngularGauge.h"
#include "dialworks/angular/DWAngularGaugeHands.h"

namespace dw {

TDWDialMouseGeometry DWDialMouseGeometry(TDWBasicAngularGauge& AGauge) {
  std::lock_guard lock(AGauge.ControlLock());
  const TDWDialLayout L = AGauge.Layout(float(AGauge.Width()), float(AGauge.Height()));
  TDWDialMouseGeometry G;
  G.Hands = DWDialHandGeometry(L);
  G.Angles = AGauge.Scale().Angles();
  G.Reversed = AGauge.Scale().Reversed();
  G.Min = AGauge.Min();
  G.Max = AGauge.Max();
  G.Value = AGauge.Value();
  return G;
}

namespace {

// Walks a list from the last element to the first. A handler may run user code (OnChange, property
// listeners) that changes the list: after each call out the walk finds the visited element again
// and goes on from its new place, and ends when it has left the list.
class TElementWalk {
 public:
  explicit TElementWalk(TRXComponentElements& AList) : FList(AList), FNext(AList.Count()) {}

  TRXDrawComponentElement* Next() {
    while (FNext > 0) {
      --FNext;
      if (auto* e = dynamic_cast<TRXDrawComponentElement*>(&FList.Items(FNext))) {
        FElement = e;
        FRef.Set(&e->ElementComponent());
        return e;
      }
    }
    FElement = nullptr;
    FRef.Set(nullptr);
    return nullptr;
  }

  // Whether the element last returned is still alive and in the list.
  bool StillListed() {
    if (!FRef) return false;
    const int at = FList.IndexOf(*FElement);
    if (at < 0) return false;
    FNext = size_t(at);
    return true;
  }

 private:
  TRXComponentElements& FList;
  size_t FNext;
  TRXDrawComponentElement* FElement = nullptr;
  TComponentRef<TComponent> FRef;
};

bool ElementHit(TRXDrawComponentElement& AElement, int AX, int AY, const TDWDialMouseGeometry& G) {
  if (auto* m = dynamic_cast<IDWAngularAnalogMouseElement*>(&AElement)) return m->AngularAnalogHitTest(AX, AY, G);
  return AElement.ElementEnabled() && AElement.ElementVisible() && AElement.HitTest(AX, AY);
}

void ElementMove(TRXDrawComponentElement& AElement, TShiftState AShift, int AX, int AY,
                 const TDWDialMouseGeometry& G) {
  if (auto* m = dynamic_cast<IDWAngularAnalogMouseElement*>(&AElement)) m->AngularAnalogMouseMove(AShift, AX, AY, G);
  else AElement.MouseMove(AShift, AX, AY);
}

}  // namespace

void TDWBasicAngularGauge::MouseDown(TMouseButton AButton, TShiftState AShift, int AX, int AY) {
  if (IsDesigning() || !Enabled()) return;
  const TDWDialMouseGeometry G = DWDialMouseGeometry(*this);
  TElementWalk walk(*FElements);
  while (TRXDrawComponentElement* e = walk.Next()) {
    if (ElementHit(*e, AX, AY, G)) {
      if (!Focused()) FocusGained();
      FPressed.Set(&e->ElementComponent());
      if (auto* m = dynamic_cast<IDWAngularAnalogMouseElement*>(e)) m->AngularAnalogMouseDown(AButton, AShift, AX, AY, G);
      else e->MouseDown(AButton, AShift, AX, AY);
      return;
    }
    e->Unselect();
    if (!walk.StillListed()) return;
  }
}

void TDWBasicAngularGauge::MouseMove(TShiftState AShift, int AX, int AY) {
  if (IsDesigning() || !Enabled()) return;
  const TDWDialMouseGeometry G = DWDialMouseGeometry(*this);
  auto* pressed = dynamic_cast<TRXDrawComponentElement*>(FPressed.Get());
  bool pressedVisited = false;
  TElementWalk walk(*FElements);
  while (TRXDrawComponentElement* e = walk.Next()) {
    pressedVisited = pressedVisited || e == pressed;
    ElementMove(*e, AShift, AX, AY, G);
    if (!walk.StillListed()) return;
    if (ElementHit(*e, AX, AY, G)) {
      e->MouseEnter();
      break;
    }
    e->MouseLeave();
    if (!walk.StillListed()) return;
  }
  // The element being dragged keeps following the pointer while it passes under another one.
  pressed = dynamic_cast<TRXDrawComponentElement*>(FPressed.Get());
  if (pressed && !pressedVisited && pressed->ListOwner() == FElements.get()) ElementMove(*pressed, AShift, AX, AY, G);
}

void TDWBasicAngularGauge::MouseUp(TMouseButton AButton, TShiftState AShift, int AX, int AY) {
  FPressed.Set(nullptr);
  TElementWalk walk(*FElements);
  while (TRXDrawComponentElement* e = walk.Next()) {
    e->MouseUp(AButton, AShift, AX, AY);
    if (!walk.StillListed()) return;
  }
}

bool TDWBasicAngularGauge::MouseWheel(TShiftState AShift, int AWheelDelta, int AX, int AY) {
  if (IsDesigning() || !Enabled() || AWheelDelta == 0) return false;
  const int notch = AWheelDelta > 0 ? 1 : -1;
  bool handled = false;
  TElementWalk walk(*FElements);
  while (TRXDrawComponentElement* e = walk.Next()) {
    handled = e->MouseWheel(AShift, notch, AX, AY) || handled;
    if (!walk.StillListed()) break;
  }
  return handled;
}

void TDWBasicAngularGauge::MouseLeave() {
  TElementWalk walk(*FElements);
  while (TRXDrawComponentElement* e = walk.Next()) {
    e->MouseLeave();
    if (!walk.StillListed()) return;
  }
}

}  // namespace dw
