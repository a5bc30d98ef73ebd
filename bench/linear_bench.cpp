// The linear gauge's frame against a raw Cairo floor of the same work, its face rebuild as a
// multiple of a frame, and heap allocations of our code per steady frame (60 x 250 gauge, the
// default look: face, glass, a hand with its shadow moving along the rail).
//   x_floor          frame time / floor (copy the face, the hand's shadow, body and three bands at
//                    a changing height under the face clip, compose the glass layer)
//   x_frame          face rebuild / frame; goal under about 8
//   allocs_per_frame operator new calls per steady frame; goal 0
#include <benchmark/benchmark.h>
#include <cairo.h>

#include "AllocCount.h"
#include "BenchClock.h"
#include "dialworks/draw/CairoGraphics.h"
#include "dialworks/linear/DWLinearGauge.h"

namespace {

using dwbench::g_news;
constexpr int kW = 60, kH = 250;

struct TBenchLinear {
  TInstalledHost Installed;
  dw::TDWLinearGauge Gauge;
  dw::gp::Bitmap Target{kW, kH};
  dw::gp::CairoGraphics G{Target};
  TBenchLinear() : Gauge(nullptr) {
    Gauge.Hand().Animation().SetEnabled(false);  // every value is drawn where it is
  }
  void Frame(int64_t i) {
    Gauge.SetValue(double(i % 100) + 0.5);
    Gauge.Paint(G);
    G.Flush();
  }
};

// The same frame in raw Cairo: the face copied, the shadow (a translucent eight-point polygon with
// a radial fade) clipped off the rail, the hand's six-point body and three translucent bands at a
// height that changes each frame, all under the face's clip; then the glass layer composed.
struct TLinearFloor {
  cairo_surface_t* Face = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kW, kH);
  cairo_surface_t* Glass = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kW, kH);
  cairo_surface_t* Dst = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kW, kH);
  cairo_t* cr = cairo_create(Dst);
  TLinearFloor() {
    cairo_t* f = cairo_create(Face);
    cairo_set_source_rgba(f, 0.8, 0.8, 0.8, 1);
    cairo_paint(f);
    cairo_destroy(f);
    cairo_t* g = cairo_create(Glass);
    cairo_rectangle(g, 8, 8, 30, 120);
    cairo_set_source_rgba(g, 1, 1, 1, 0.4);
    cairo_fill(g);
    cairo_destroy(g);
  }
  ~TLinearFloor() {
    cairo_destroy(cr);
    for (cairo_surface_t* s : {Face, Glass, Dst}) cairo_surface_destroy(s);
  }
  void Poly(const double (*p)[2], int n, double x, double y) {
    cairo_move_to(cr, x + p[0][0], y + p[0][1]);
    for (int k = 1; k < n; ++k) cairo_line_to(cr, x + p[k][0], y + p[k][1]);
    cairo_close_path(cr);
  }
  void Frame(int64_t i) {
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_surface(cr, Face, 0, 0);
    cairo_paint(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
    const double x = 11.8, y = 225.0 - double(i % 100) * 2.1;
    cairo_save(cr);
    cairo_rectangle(cr, 3.6, 3.6, kW - 7.2, kH - 7.2);
    cairo_clip(cr);
    cairo_save(cr);
    // Everything but the rail.
    cairo_rectangle(cr, 0, 0, kW, kH);
    cairo_rectangle(cr, 9.9, 13, 3.6, 224);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
    cairo_clip(cr);
    const double shadow[8][2] = {{0, -3.5}, {4, -3.5}, {11.4, -0.7}, {13.1, 1}, {13.1, 2.4}, {5.7, 5.2}, {1.7, 5.2}, {0, 3.5}};
    Poly(shadow, 8, x, y);
    cairo_pattern_t* fade = cairo_pattern_create_radial(x + 6, y + 1, 0, x + 6, y + 1, 7);
    cairo_pattern_add_color_stop_rgba(fade, 0, 0, 0, 0, 0.55);
    cairo_pattern_add_color_stop_rgba(fade, 0.3, 0, 0, 0, 0.55);
    cairo_pattern_add_color_stop_rgba(fade, 1, 0, 0, 0, 0);
    cairo_set_source(cr, fade);
    cairo_fill(cr);
    cairo_pattern_destroy(fade);
    cairo_restore(cr);
    const double body[6][2] = {{0, -3.5}, {4, -3.5}, {11.4, -0.7}, {11.4, 0.7}, {4, 3.5}, {0, 3.5}};
    Poly(body, 6, x, y);
    cairo_set_source_rgba(cr, 1, 0, 0, 1);
    cairo_fill(cr);
    const double upper[4][2] = {{0, -3.5}, {4, -3.5}, {11.4, -0.7}, {1.7, -0.7}};
    const double lower[4][2] = {{0, 3.5}, {4, 3.5}, {11.4, 0.7}, {1.7, 0.7}};
    const double tail[4][2] = {{0, -3.5}, {1.7, -0.7}, {1.7, 0.7}, {0, 3.5}};
    Poly(upper, 4, x, y);
    cairo_set_source_rgba(cr, 1, 1, 1, 0.51);
    cairo_fill(cr);
    Poly(lower, 4, x, y);
    cairo_set_source_rgba(cr, 1, 1, 1, 0.31);
    cairo_fill(cr);
    Poly(tail, 4, x, y);
    cairo_set_source_rgba(cr, 1, 1, 1, 0.59);
    cairo_fill(cr);
    cairo_restore(cr);
    cairo_set_source_surface(cr, Glass, 0, 0);
    cairo_paint(cr);
    cairo_surface_flush(Dst);
  }
};

void BM_LinearGaugeFrame(benchmark::State& state) {
  TBenchLinear b;
  b.Frame(0);  // the face is built here, once
  int64_t n = 1;
  const uint64_t news0 = g_news.load();
  for (auto _ : state) b.Frame(n++);
  state.counters["allocs_per_frame"] = double(g_news.load() - news0) / double(n - 1);
  TLinearFloor floor;
  int64_t i = 0, j = 0;
  state.counters["x_floor"] = MedianRatio([&] { b.Frame(i++); }, 100, [&] { floor.Frame(j++); }, 100);
}

void BM_LinearGaugeFaceRebuild(benchmark::State& state) {
  TBenchLinear b;
  b.Frame(0);
  int64_t n = 0;
  auto rebuild = [&] {
    dw::TDWLayeredInstrumentProbe::Drop(b.Gauge);
    b.Frame(n++);
  };
  for (auto _ : state) rebuild();
  int64_t i = 0;
  state.counters["x_frame"] = MedianRatio(rebuild, 10, [&] { b.Frame(i++); }, 100, 9);
}

}  // namespace

BENCHMARK(BM_LinearGaugeFrame)->Unit(benchmark::kMicrosecond)->MinTime(0.3);
BENCHMARK(BM_LinearGaugeFaceRebuild)->Unit(benchmark::kMicrosecond)->MinTime(0.3);
