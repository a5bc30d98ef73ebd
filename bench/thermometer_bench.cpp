// The thermometer's steady frame against a raw Cairo floor of the same work, its face rebuild as a
// multiple of a frame, and heap allocations of our code per steady frame (see AllocCount.h):
//   x_floor           frame / floor; the floor composes the face (translucent, as the real face
//                     is outside the drawn parts) and fills the liquid column with a one-row
//                     picture of the stripe, repeated down the column; goal about 1
//   x_frame           face rebuild at an unchanged size / frame; goal under about 8
//   allocs_per_frame  operator new calls per value-change frame; goal 0
#include <benchmark/benchmark.h>
#include <cairo.h>

#include <cstdint>

#include "AllocCount.h"
#include "BenchClock.h"
#include "dialworks/draw/CairoGraphics.h"
#include "dialworks/host/ManualHost.h"
#include "dialworks/thermometer/DWThermometer.h"

namespace {

constexpr int kW = 80, kH = 200;

struct TBenchThermometer {
  TInstalledHost Installed;
  dw::TDWThermometer T;
  dw::gp::Bitmap Target{kW, kH};
  dw::gp::CairoGraphics G{Target};
  TBenchThermometer() {
    T.SetBounds(0, 0, kW, kH);
    Frame(0);  // the face and the liquid picture are built here, once
  }
  void Frame(int64_t i) {
    T.SetValue(double(i % 100) + 0.5);
    T.Paint(G);
    G.Flush();
  }
};

struct TSurface {
  cairo_surface_t* S;
  cairo_t* Cr;
  TSurface(int w, int h, double a) : S(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h)), Cr(cairo_create(S)) {
    cairo_set_source_rgba(Cr, 0.8, 0.3, 0.3, a);
    cairo_paint(Cr);
    cairo_surface_flush(S);
  }
  ~TSurface() {
    cairo_destroy(Cr);
    cairo_surface_destroy(S);
  }
};

// Compose the face, fill the liquid rectangle (the default tube: x 9.4, width 7.2, bottom at
// 178.75, 171.15 long) with a 7 x 1 picture scaled across it, reflected at its edges, flush.
struct TThermometerFloor {
  TSurface Dst{kW, kH, 0}, Face{kW, kH, 0.5}, Stripe{7, 1, 1};
  cairo_pattern_t* Pattern = cairo_pattern_create_for_surface(Stripe.S);
  TThermometerFloor() { cairo_pattern_set_extend(Pattern, CAIRO_EXTEND_REFLECT); }
  ~TThermometerFloor() { cairo_pattern_destroy(Pattern); }
  void Frame(int64_t i) {
    cairo_t* cr = Dst.Cr;
    cairo_set_source_surface(cr, Face.S, 0, 0);
    cairo_paint(cr);
    cairo_matrix_t m;
    cairo_matrix_init_scale(&m, 7 / 7.2, 1);
    cairo_matrix_translate(&m, -9.4, 0);
    cairo_pattern_set_matrix(Pattern, &m);
    cairo_set_source(cr, Pattern);
    const double h = 171.15 * (double(i % 100) + 0.5) / 100;
    cairo_rectangle(cr, 9.4, 178.75 - h, 7.2, h + 0.5);
    cairo_fill(cr);
    cairo_surface_flush(Dst.S);
  }
};

void BM_ThermometerValueFrame(benchmark::State& state) {
  TBenchThermometer b;
  const uint64_t builds = dw::TDWLayeredInstrumentProbe::Builds(b.T);
  int64_t n = 1;
  const uint64_t news0 = dwbench::g_news.load();
  for (auto _ : state) b.Frame(n++);
  state.counters["allocs_per_frame"] = double(dwbench::g_news.load() - news0) / double(n - 1);
  state.counters["face_builds"] = double(dw::TDWLayeredInstrumentProbe::Builds(b.T) - builds);
  TThermometerFloor floor;
  int64_t i = 0, j = 0;
  state.counters["x_floor"] = MedianRatio([&] { b.Frame(i++); }, 200, [&] { floor.Frame(j++); }, 200);
}

void BM_ThermometerFaceRebuild(benchmark::State& state) {
  TBenchThermometer b;
  int64_t n = 0;
  auto rebuild = [&] {
    dw::TDWLayeredInstrumentProbe::Drop(b.T);
    b.Frame(n++);
  };
  for (auto _ : state) rebuild();
  int64_t i = 0;
  state.counters["x_frame"] = MedianRatio(rebuild, 10, [&] { b.Frame(i++); }, 100, 9);
}

}  // namespace

BENCHMARK(BM_ThermometerValueFrame)->Unit(benchmark::kMicrosecond)->MinTime(0.3);
BENCHMARK(BM_ThermometerFaceRebuild)->Unit(benchmark::kMicrosecond)->MinTime(0.3);
