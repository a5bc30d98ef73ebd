// Guide: docs/configure.md. Scale, ranges as shares of the sweep, caption and an element.
#include <cstdio>

#include "Probe.h"
#include "dialworks/dialworks.h"

int main() {
  dw::TManualHost host;
  dw::SetHostServices(&host);

  dw::TDWAngularGauge gauge;
  gauge.SetBounds(0, 0, 240, 240);
  gauge.Glass().SetVisible(false);

  // Scale: 0..200 in 11 major ticks (every 20) with 3 minor ticks between them, over the
  // default sweep from 225 degrees (lower left) clockwise to 315 degrees (lower right).
  gauge.SetMin(0);
  gauge.SetMax(200);
  gauge.Scale().MajorTicks().SetCount(11);
  gauge.Scale().MinorTicks().SetCount(3);

  // Ranges are not value intervals: each is a share of the whole sweep (1 = all of it), laid end
  // to end from the start of the scale. Green 0..120, yellow 120..160, red 160..200 on 0..200:
  auto share = [&](double AFrom, double ATo) { return float((ATo - AFrom) / (gauge.Max() - gauge.Min())); };
  auto& ranges = gauge.Ranges().Ranges();
  ranges.Add().SetRange(share(0, 120));    // a new range takes the next free palette colour
  ranges.Add().SetRange(share(120, 160));  // (green, yellow, red, ...) unless you set one
  auto& red = ranges.Add();
  red.SetRange(share(160, 200));
  red.SetColor(0xFFFF0000);

  gauge.Caption().SetText("km/h");

  // An extra hand that keeps the largest value seen (and falls back after 1.5 s). The gauge owns
  // it; Add needs no registration call first.
  dw::TDWGaugeMinMaxHandElement& peak = gauge.Elements().Add<dw::TDWGaugeMinMaxHandElement>();
  peak.Hand().SetColor(0xFF2060FF);

  gauge.SetValue(90);  // the first value after SetMax animates: Settle puts the hands there
  gauge.Settle();      // (see docs/render.md)

  dw::gp::Bitmap bitmap(240, 240);
  dw::gp::CairoGraphics g(bitmap);
  gauge.Paint(g);
  g.Flush();
  if (!bitmap.SavePng("configure.png")) return 1;

  // The red range lies on the band near the rim at 180, not at 90; the hand points at 90.
  const bool ok = example::RedAtValue(bitmap, gauge, 180, 0.7f, 0.98f) &&
                  !example::RedAtValue(bitmap, gauge, 110, 0.7f, 0.98f) && example::RedAtValue(bitmap, gauge, 90);
  std::printf("configure.png: %s\n", ok ? "ok" : "unexpected pixels");
  dw::SetHostServices(nullptr);
  return ok ? 0 : 1;
}
