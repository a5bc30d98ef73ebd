// The dial geometry the angular gauge gives its elements. The walks themselves are the element
// framework's (TRXElementMouse): the main hand does not follow the mouse, control hands are
// elements. Geometry comes from the gauge's integer size at the event, the same as the drawn one
// (hands pivot at Width/2, Height/2 of the squared area).
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

std::unique_ptr<TRXElementGeometry> TDWBasicAngularGauge::ElementGeometry() {
  return std::make_unique<TDWDialElementGeometry>(DWDialMouseGeometry(*this));
}

void TDWDialElementGeometry::Draw(TRXDrawComponentElement& AElement, gp::Graphics& AGraphics,
                                  const TRXElementArea& AArea) {
  if (auto* hand = dynamic_cast<IDWAngularAnalogElement*>(&AElement)) hand->AngularAnalogDraw(AGraphics, FGeometry.Hands);
  else TRXElementGeometry::Draw(AElement, AGraphics, AArea);
}

bool TDWDialElementGeometry::HitTest(TRXDrawComponentElement& AElement, int AX, int AY) {
  if (auto* m = dynamic_cast<IDWAngularAnalogMouseElement*>(&AElement)) return m->AngularAnalogHitTest(AX, AY, FGeometry);
  return TRXElementGeometry::HitTest(AElement, AX, AY);
}

void TDWDialElementGeometry::MouseDown(TRXDrawComponentElement& AElement, TMouseButton AButton, TShiftState AShift,
                                       int AX, int AY) {
  if (auto* m = dynamic_cast<IDWAngularAnalogMouseElement*>(&AElement))
    m->AngularAnalogMouseDown(AButton, AShift, AX, AY, FGeometry);
  else TRXElementGeometry::MouseDown(AElement, AButton, AShift, AX, AY);
}

void TDWDialElementGeometry::MouseMove(TRXDrawComponentElement& AElement, TShiftState AShift, int AX, int AY) {
  if (auto* m = dynamic_cast<IDWAngularAnalogMouseElement*>(&AElement)) m->AngularAnalogMouseMove(AShift, AX, AY, FGeometry);
  else TRXElementGeometry::MouseMove(AElement, AShift, AX, AY);
}

}  // namespace dw
