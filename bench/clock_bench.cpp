// The analog clock's tick frame against the raw Cairo floor of the same work, its face rebuild as
// a multiple of a frame, heap allocations per steady frame, and the CPU cost of a running clock.
//   x_floor          frame / floor (copy the face, three hand polygons, compose the top layer)
//   x_frame          face rebuild / frame
//   allocs_per_frame operator new calls per steady frame; goal 0
//   cpu_ms_per_minute  CPU of one simulated minute of a running clock with a continuous seconds
//                    hand (20 timer redraws a second, each painted), in virtual time
#include <benchmark/benchmark.h>
#include <cairo.h>

#include <cmath>

#include "AllocCount.h"
#include "BenchClock.h"
#include "Floors.h"
#include "dialworks/clock/DWAnalogClock.h"
#include "dialworks/draw/CairoGraphics.h"

namespace {

using dwbench::g_news;
constexpr int kClock = 160;
constexpr int kClockLayer = kClock + 1;  // the layers are one pixel larger than the clock

struct TBenchClock {
  TInstalledHost Installed;
  dw::TDWAnalogClock Clock;
  dw::gp::Bitmap Target{kClock, kClock};
  dw::gp::CairoGraphics G{Target};
  TBenchClock() : Clock(nullptr) {
    Clock.SetBounds(0, 0, kClock, kClock);
    Clock.Hands().Seconds().SetDiscrete(false);  // all three hands move every frame
    Clock.SetTimeSource(dw::tsValue);
  }
  void Frame(int64_t i) {
    Clock.SetValue(45000.0 + double(i % 86400) * 1.37 / dw::SecsPerDay);
    Clock.Paint(G);
    G.Flush();
  }
};

// The same work in raw Cairo at the clock's size: copy the face, three hands, compose the top.
struct TClockFloor {
  cairo_surface_t* Face = Make(0.8), *Top = Make(0.3), *Dst = Make(1);
  cairo_t* Cr = cairo_create(Dst);
  static cairo_surface_t* Make(double AAlpha) {
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kClockLayer, kClockLayer);
    cairo_t* cr = cairo_create(s);
    cairo_set_source_rgba(cr, 0.3, 0.35, 0.4, AAlpha);
    cairo_paint(cr);
    cairo_destroy(cr);
    cairo_surface_flush(s);
    return s;
  }
  ~TClockFloor() {
    cairo_destroy(Cr);
    for (cairo_surface_t* s : {Face, Top, Dst}) cairo_surface_destroy(s);
  }
  void Frame(int64_t i) {
    cairo_set_operator(Cr, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_surface(Cr, Face, 0, 0);
    cairo_paint(Cr);
    cairo_set_operator(Cr, CAIRO_OPERATOR_OVER);
    // The floor's hand is drawn for a 300-pixel dial: scale it to the clock.
    cairo_save(Cr);
    cairo_scale(Cr, double(kClockLayer) / dwbench::kSide, double(kClockLayer) / dwbench::kSide);
    for (int h = 0; h < 3; ++h) dwbench::DrawHand(Cr, i * 7 + h * 1000);
    cairo_restore(Cr);
    cairo_set_source_surface(Cr, Top, 0, 0);
    cairo_paint(Cr);
    cairo_surface_flush(Dst);
  }
};

void BM_AnalogClockFrame(benchmark::State& state) {
  TBenchClock b;
  b.Frame(0);  // the face is built here, once
  const uint64_t builds = dw::TDWLayeredInstrumentProbe::Builds(b.Clock);
  int64_t n = 1;
  const uint64_t news0 = g_news.load();
  for (auto _ : state) b.Frame(n++);
  state.counters["allocs_per_frame"] = double(g_news.load() - news0) / double(n - 1);
  state.counters["face_builds"] = double(dw::TDWLayeredInstrumentProbe::Builds(b.Clock) - builds);
  TClockFloor floor;
  int64_t i = 0, j = 0;
  state.counters["x_floor"] = MedianRatio([&] { b.Frame(i++); }, 100, [&] { floor.Frame(j++); }, 100);
}

void BM_AnalogClockFaceRebuild(benchmark::State& state) {
  TBenchClock b;
  b.Frame(0);
  int64_t n = 0;
  auto rebuild = [&] {
    dw::TDWLayeredInstrumentProbe::Drop(b.Clock);
    b.Frame(n++);
  };
  for (auto _ : state) rebuild();
  int64_t i = 0;
  state.counters["x_frame"] = MedianRatio(rebuild, 10, [&] { b.Frame(i++); }, 100, 9);
}

// A running clock: the host's timers drive it in virtual time and every repaint request paints.
void BM_AnalogClockRunningMinute(benchmark::State& state) {
  TBenchClock b;
  b.Clock.SetTimeSource(dw::tsCurrentTime);
  b.Installed.Host.SetOnRepaint([&](dw::TKVBasicControl&) {
    b.Clock.Paint(b.G);
    b.G.Flush();
  });
  double cpuNs = 0;
  int64_t minutes = 0;
  for (auto _ : state) {
    cpuNs += BatchNs([&] { b.Installed.Host.Advance(60000); }, 1);
    ++minutes;
  }
  state.counters["cpu_ms_per_minute"] = cpuNs / 1e6 / double(minutes);
  state.counters["repaints_per_minute"] =
      double(b.Installed.Host.RepaintCount(b.Clock)) / double(minutes);
  b.Installed.Host.SetOnRepaint({});
}

}  // namespace

BENCHMARK(BM_AnalogClockFrame)->Unit(benchmark::kMicrosecond)->MinTime(0.3);
BENCHMARK(BM_AnalogClockFaceRebuild)->Unit(benchmark::kMicrosecond)->MinTime(0.3);
BENCHMARK(BM_AnalogClockRunningMinute)->Unit(benchmark::kMillisecond)->Iterations(3);
