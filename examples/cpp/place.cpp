// Guide: docs/place.md. A gauge placed in code and painted into a bitmap.
#include <cstdio>

#include "dialworks/dialworks.h"

int main() {
  dw::TManualHost host;  // virtual time: nothing moves until host.Advance(ms)
  dw::SetHostServices(&host);

  dw::TDWAngularGauge gauge;          // a standalone control, no owner
  gauge.SetBounds(0, 0, 200, 200);    // left, top, width, height in pixels
  gauge.SetValue(72.5);               // the first value of a new gauge jumps
  dw::gp::Bitmap bitmap(200, 200);    // premultiplied ARGB, transparent
  dw::gp::CairoGraphics g(bitmap);
  gauge.Paint(g);                     // the whole control at the graphics' origin
  g.Flush();
  if (!bitmap.SavePng("place.png")) return 1;

  // The face colour shows below the centre; the corners outside the round dial stay transparent.
  const bool ok = bitmap.GetPixel(100, 150) == gauge.Color() && dw::GetAlpha(bitmap.GetPixel(0, 0)) == 0;
  std::printf("place.png: %s\n", ok ? "ok" : "unexpected pixels");
  dw::SetHostServices(nullptr);
  return ok ? 0 : 1;
}
