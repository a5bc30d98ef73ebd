// The small indicators' value-change frames against raw Cairo floors of the same work, and heap
// allocations of our code per steady frame (see AllocCount.h):
//   x_floor           frame / floor; the bar's floor composes its face and fills the filled part
//                     with the cached fill picture; the LED's composes its face, fills the glow
//                     rings and the body in the new colour and composes the glass layer
//   allocs_per_frame  operator new calls per value-change frame; goal 0 (the LED's ellipse body and
//                     glow rings go through the drawing surface's computed ellipse coverage, which
//                     allocates per fill; allocs_per_frame_roundrect shows the LED's own share)
#include <benchmark/benchmark.h>
#include <cairo.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <vector>

#include "AllocCount.h"
#include "BenchClock.h"
#include "dialworks/draw/CairoGraphics.h"
#include "dialworks/host/ManualHost.h"
#include "dialworks/indicators/DWLevelLed.h"
#include "dialworks/indicators/DWProgressBar.h"

namespace {

using Clock = ThreadCpuClock;

struct TSurface {
  cairo_surface_t* S;
  cairo_t* Cr;
  TSurface(int w, int h, double a) : S(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h)), Cr(cairo_create(S)) {
    cairo_set_source_rgba(Cr, 0.8, 0.8, 0.8, a);
    cairo_paint(Cr);
    cairo_surface_flush(S);
  }
  ~TSurface() {
    cairo_destroy(Cr);
    cairo_surface_destroy(S);
  }
};

// ---- progress bar: 150 x 20 ----

constexpr int kBarW = 150, kBarH = 20;

struct TBenchBar {
  TInstalledHost Installed;
  dw::TDWProgressBar Bar;
  dw::gp::Bitmap Target{kBarW, kBarH};
  dw::gp::CairoGraphics G{Target};
  TBenchBar() {
    Bar.SetBounds(0, 0, kBarW, kBarH);
    Frame(0);  // layers and fill picture are built here, once
  }
  void Frame(int64_t i) {
    Bar.SetValue(double(i % 100) + 0.5);
    Bar.Paint(G);
    G.Flush();
  }
};

// Compose the face, fill the filled part with the fill picture (reflected edges, scaled to the
// gauge), flush.
struct TBarFloor {
  TSurface Dst{kBarW, kBarH, 0}, Face{kBarW, kBarH, 1}, Fill{144, 14, 1};
  cairo_pattern_t* Pattern = cairo_pattern_create_for_surface(Fill.S);
  TBarFloor() { cairo_pattern_set_extend(Pattern, CAIRO_EXTEND_REFLECT); }
  ~TBarFloor() { cairo_pattern_destroy(Pattern); }
  void Frame(int64_t i) {
    cairo_t* cr = Dst.Cr;
    cairo_set_source_surface(cr, Face.S, 0, 0);
    cairo_paint(cr);
    cairo_matrix_t m;
    cairo_matrix_init_translate(&m, -3.1, -3.1);
    cairo_pattern_set_matrix(Pattern, &m);
    cairo_set_source(cr, Pattern);
    cairo_rectangle(cr, 3.1, 3.1, 143.8 * (double(i % 100) + 0.5) / 100, 13.8);
    cairo_fill(cr);
    cairo_surface_flush(Dst.S);
  }
};

void BM_ProgressBarValueFrame(benchmark::State& state) {
  TBenchBar b;
  int64_t n = 1;
  const uint64_t news0 = dwbench::g_news.load();
  for (auto _ : state) b.Frame(n++);
  state.counters["allocs_per_frame"] = double(dwbench::g_news.load() - news0) / double(n - 1);
  TBarFloor floor;
  int64_t i = 0, j = 0;
  state.counters["x_floor"] = MedianRatio([&] { b.Frame(i++); }, 200, [&] { floor.Frame(j++); }, 200);
}

// ---- level LED: 24 x 24 ----

constexpr int kLed = 24;

struct TBenchLed {
  TInstalledHost Installed;
  dw::TDWLevelLed Led;
  dw::gp::Bitmap Target{kLed, kLed};
  dw::gp::CairoGraphics G{Target};
  explicit TBenchLed(dw::TKVBorderShape AShape = dw::bsEllipse) {
    Led.SetBounds(0, 0, kLed, kLed);
    Led.SetShape(AShape);
    Frame(0);
  }
  void Frame(int64_t i) {
    Led.SetValue(double(i % 100) + 0.5);
    Led.Paint(G);
    G.Flush();
  }
};

// Compose the bezel layer, four translucent glow rings (even-odd between two circles), the body
// disc in the new colour, compose the glass layer, flush.
struct TLedFloor {
  TSurface Dst{kLed, kLed, 0}, Face{kLed, kLed, 0.5}, Top{kLed, kLed, 0.3};
  void Frame(int64_t i) {
    cairo_t* cr = Dst.Cr;
    cairo_set_source_surface(cr, Face.S, 0, 0);
    cairo_paint(cr);
    const double v = double(i % 100) / 100, c = 12;
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
    for (int k = 0; k < 4; ++k) {
      cairo_new_path(cr);
      cairo_arc(cr, c, c, 12 - 0.9 * k, 0, 2 * M_PI);
      cairo_new_sub_path(cr);
      cairo_arc(cr, c, c, 8.4, 0, 2 * M_PI);
      cairo_set_source_rgba(cr, v, 1 - v, 0.5, 0.22);
      cairo_fill(cr);
    }
    cairo_arc(cr, c, c, 7.2, 0, 2 * M_PI);
    cairo_set_source_rgba(cr, v, 1 - v, 0.5, 1);
    cairo_fill(cr);
    cairo_set_source_surface(cr, Top.S, 0, 0);
    cairo_paint(cr);
    cairo_surface_flush(Dst.S);
  }
};

void BM_LevelLedValueFrame(benchmark::State& state) {
  TBenchLed b;
  int64_t n = 1;
  const uint64_t news0 = dwbench::g_news.load();
  for (auto _ : state) b.Frame(n++);
  state.counters["allocs_per_frame"] = double(dwbench::g_news.load() - news0) / double(n - 1);
  TBenchLed round(dw::bsRoundRect);
  const uint64_t news1 = dwbench::g_news.load();
  for (int64_t k = 0; k < 100; ++k) round.Frame(k + 1);
  state.counters["allocs_per_frame_roundrect"] = double(dwbench::g_news.load() - news1) / 100;
  TLedFloor floor;
  int64_t i = 0, j = 0;
  state.counters["x_floor"] = MedianRatio([&] { b.Frame(i++); }, 200, [&] { floor.Frame(j++); }, 200);
}

}  // namespace

BENCHMARK(BM_ProgressBarValueFrame)->Unit(benchmark::kMicrosecond)->MinTime(0.3);
BENCHMARK(BM_LevelLedValueFrame)->Unit(benchmark::kMicrosecond)->MinTime(0.3);
