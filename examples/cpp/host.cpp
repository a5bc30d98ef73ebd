// Guide: docs/host.md. A gauge in an application's event loop with real time.
#include <chrono>
#include <cstdio>

#include "Probe.h"
#include "dialworks/dialworks.h"

int main() {
  // The application's host: its timers and the animation clock run on threads of their own and
  // post their work into a queue that the user-interface thread pumps.
  dw::TThreadedHost host;
  dw::SetHostServices(&host);

  dw::TDWAngularGauge gauge;
  gauge.SetBounds(0, 0, 200, 200);
  gauge.Glass().SetVisible(false);
  dw::gp::Bitmap window(200, 200);  // stands for the application's window surface

  // Repaint requests are coalesced into one call on the pumping thread: paint there.
  int paints = 0;
  host.SetOnRepaint([&] {
    window.Clear(0);
    dw::gp::CairoGraphics g(window);
    gauge.Paint(g);
    g.Flush();
    ++paints;
  });

  gauge.SetValue(10);  // jumps
  gauge.SetValue(60);  // animates on the clock's thread; repaints come through the queue
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while ((gauge.Animating() || gauge.RefreshTimerEnabled()) && std::chrono::steady_clock::now() < until)
    host.ProcessEvents(std::chrono::milliseconds(20));  // the application's event loop
  host.ProcessEvents();
  if (!window.SavePng("host.png")) return 1;

  const bool ok = paints > 1 && example::RedAtValue(window, gauge, 60);
  std::printf("host.png after %d repaints: %s\n", paints, ok ? "ok" : "unexpected");
  dw::SetHostServices(nullptr);
  return ok ? 0 : 1;
}
