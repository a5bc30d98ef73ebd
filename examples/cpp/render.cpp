// Guide: docs/render.md. A settled picture and an animation in virtual time.
#include <cstdio>
#include <string>

#include "Probe.h"
#include "dialworks/dialworks.h"

namespace {
dw::gp::Bitmap Picture(dw::TDWAngularGauge& AGauge) {
  dw::gp::Bitmap bitmap(AGauge.Width(), AGauge.Height());
  dw::gp::CairoGraphics g(bitmap);
  AGauge.Paint(g);
  g.Flush();
  return bitmap;
}
}  // namespace

int main() {
  dw::TManualHost host;
  dw::SetHostServices(&host);
  dw::TDWAngularGauge gauge;
  gauge.SetBounds(0, 0, 200, 200);
  gauge.Glass().SetVisible(false);

  // SetMin/SetMax count as a change: the first SetValue after them animates from the old value
  // instead of jumping. A picture painted at once still shows the hand at 0.
  gauge.SetMax(200);
  gauge.SetValue(150);
  const bool startsAtOld = example::RedAtValue(Picture(gauge), gauge, 0) && gauge.Animating();

  // A settled picture, the short way: Settle ends the animations and puts every hand (the
  // elements' too) at its target. Later values animate as before.
  gauge.Settle();
  dw::gp::Bitmap settled = Picture(gauge);
  if (!settled.SavePng("render-settled.png")) return 1;
  const bool arrived = example::RedAtValue(settled, gauge, 150) && !gauge.Animating();

  // The long way, which also runs timers (a min/max hand's fall-back): advance virtual time
  // until the hand has arrived. Advance fires the animation ticks and the refresh timer
  // synchronously; nothing waits in real time.
  gauge.SetValue(100);
  while (gauge.Animating()) host.Advance(40);
  const bool waited = example::RedAtValue(Picture(gauge), gauge, 100);

  // An animation: a new value, then one frame every 40 virtual milliseconds (25 frames/s).
  gauge.SetValue(20);
  int frames = 0;
  for (; frames < 200 && gauge.Animating(); ++frames) {
    host.Advance(40);
    char name[32];
    std::snprintf(name, sizeof name, "render-%03d.png", frames);
    if (!Picture(gauge).SavePng(name)) return 1;
  }
  const bool ok = startsAtOld && arrived && waited && frames > 5 && frames < 200 && example::RedAtValue(Picture(gauge), gauge, 20);
  std::printf("render-settled.png and %d frames: %s\n", frames, ok ? "ok" : "unexpected pictures");
  dw::SetHostServices(nullptr);
  return ok ? 0 : 1;
}
