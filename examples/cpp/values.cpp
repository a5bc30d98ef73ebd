// Guide: docs/values.md. Values from code and through the input pin.
#include <cstdio>

#include "Probe.h"
#include "dialworks/dialworks.h"

int main() {
  dw::TManualHost host;
  dw::SetHostServices(&host);
  dw::TDWAngularGauge gauge;
  gauge.SetBounds(0, 0, 200, 200);
  gauge.Glass().SetVisible(false);

  // From code: limited to Min..Max (150 on 0..100 stores 100).
  gauge.SetValue(150);
  const bool limited = gauge.Value() == 100;

  // Through a pin: a source linked to the gauge's InputPin. A value with a range sets Min, then
  // Max, then Value, all through the same setters as code.
  dw::TPXRealAndRangedSourcePin source;
  if (!source.Connect(gauge.InputPin())) return 1;
  source.SendValueRange(75, 0, 150);
  const bool ranged = gauge.Min() == 0 && gauge.Max() == 150 && gauge.Value() == 75;
  source.SendValue(30);  // a plain value leaves the range alone
  const bool plain = gauge.Max() == 150 && gauge.Value() == 30;

  host.Advance(3000);  // the second and later values animate: let the hand arrive
  dw::gp::Bitmap bitmap(200, 200);
  dw::gp::CairoGraphics g(bitmap);
  gauge.Paint(g);
  g.Flush();
  if (!bitmap.SavePng("values.png")) return 1;

  const bool ok = limited && ranged && plain && example::RedAtValue(bitmap, gauge, 30);
  std::printf("values.png: %s\n", ok ? "ok" : "unexpected values or pixels");
  dw::SetHostServices(nullptr);
  return ok ? 0 : 1;
}
