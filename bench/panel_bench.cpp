// The glass panel (200 x 140, rounded rectangle, the default border and glass): a whole frame of
// the shaped picture against a raw Cairo floor of the same work, the overlay picture a host
// repaints, and the window mask a host builds from the region; heap allocations of our code per
// frame (see AllocCount.h):
//   x_floor           frame / floor; the floor clips to the rounded outline, fills the face,
//                     strokes the band, fills the two bevel rings with diagonal gradients and the
//                     gloss with a vertical one
//   allocs_per_frame  operator new calls per frame (paths and the region tree are heap objects)
#include <benchmark/benchmark.h>
#include <cairo.h>

#include <cmath>

#include "AllocCount.h"
#include "BenchClock.h"
#include "dialworks/draw/CairoGraphics.h"
#include "dialworks/panel/DWGlassPanel.h"

namespace {

constexpr int kW = 200, kH = 140;

struct TBenchPanel {
  TInstalledHost Installed;
  dw::TDWGlassPanel Panel;
  dw::gp::Bitmap Target{kW, kH};
  dw::gp::CairoGraphics G{Target};
  TBenchPanel() { Frame(); }
  void Frame() {
    G.Clear(0);
    Panel.Paint(G);
    G.Flush();
  }
};

void RoundRect(cairo_t* cr, double x, double y, double w, double h, double r) {
  cairo_new_sub_path(cr);
  cairo_arc(cr, x + w - r, y + r, r, -M_PI / 2, 0);
  cairo_arc(cr, x + w - r, y + h - r, r, 0, M_PI / 2);
  cairo_arc(cr, x + r, y + h - r, r, M_PI / 2, M_PI);
  cairo_arc(cr, x + r, y + r, r, M_PI, 3 * M_PI / 2);
  cairo_close_path(cr);
}

// The same picture in raw Cairo: face clipped to the outline, band, two bevel rings, gloss.
struct TPanelFloor {
  cairo_surface_t* S = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kW, kH);
  cairo_t* Cr = cairo_create(S);
  ~TPanelFloor() {
    cairo_destroy(Cr);
    cairo_surface_destroy(S);
  }
  void Ring(double AInset, double AWidth, double AR) {
    cairo_set_fill_rule(Cr, CAIRO_FILL_RULE_EVEN_ODD);
    RoundRect(Cr, AInset, AInset, kW - 2 * AInset, kH - 2 * AInset, AR - AInset);
    RoundRect(Cr, AInset + AWidth, AInset + AWidth, kW - 2 * (AInset + AWidth), kH - 2 * (AInset + AWidth),
              AR - AInset - AWidth);
    cairo_pattern_t* p = cairo_pattern_create_linear(0, 0, kW, kH);
    cairo_pattern_add_color_stop_rgba(p, 0, 1, 1, 1, 1);
    cairo_pattern_add_color_stop_rgba(p, 0.5, 0.7, 0.7, 0.7, 1);
    cairo_pattern_add_color_stop_rgba(p, 1, 0.3, 0.3, 0.3, 1);
    cairo_set_source(Cr, p);
    cairo_fill(Cr);
    cairo_pattern_destroy(p);
  }
  void Frame() {
    cairo_t* cr = Cr;
    cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
    cairo_paint(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
    cairo_save(cr);
    RoundRect(cr, 8, 8, kW - 16, kH - 16, 19.6);
    cairo_clip(cr);
    cairo_set_source_rgba(cr, 1, 1, 1, 1);
    cairo_paint(cr);
    cairo_restore(cr);
    RoundRect(cr, 8.4, 8.4, kW - 16.8, kH - 16.8, 19.6);
    cairo_set_line_width(cr, 16.8);
    cairo_set_source_rgba(cr, 0.83, 0.83, 0.83, 1);
    cairo_stroke(cr);
    Ring(0, 7, 28);
    Ring(9.8, 7, 28);
    RoundRect(cr, 16.8, 16.8, kW - 33.6, (kH - 33.6) / 2, 11.2);
    cairo_pattern_t* p = cairo_pattern_create_linear(0, 16.8, 0, kH / 2.0);
    cairo_pattern_add_color_stop_rgba(p, 0, 1, 1, 1, 0.67);
    cairo_pattern_add_color_stop_rgba(p, 1, 1, 1, 1, 0);
    cairo_set_source(cr, p);
    cairo_fill(cr);
    cairo_pattern_destroy(p);
    cairo_surface_flush(S);
  }
};

void BM_GlassPanelFrame(benchmark::State& state) {
  TBenchPanel b;
  int64_t n = 0;
  const uint64_t news0 = dwbench::g_news.load();
  for (auto _ : state) {
    b.Frame();
    ++n;
  }
  state.counters["allocs_per_frame"] = double(dwbench::g_news.load() - news0) / double(n);
  TPanelFloor floor;
  state.counters["x_floor"] = MedianRatio([&] { b.Frame(); }, 100, [&] { floor.Frame(); }, 100);
}

// What a host repaints into its overlay window when the glow changes.
void BM_GlassPanelGlowPicture(benchmark::State& state) {
  TBenchPanel b;
  for (auto _ : state) {
    b.G.Clear(0);
    b.Panel.PaintGlowPicture(b.G, kW, kH);
    b.G.Flush();
  }
}

// What a host does when the shape version moves: build the region and test every pixel centre
// (a window mask).
void BM_GlassPanelMask(benchmark::State& state) {
  TInstalledHost installed;
  dw::TDWGlassPanel panel;
  panel.Border().SetShape(dw::TKVBorderShape(state.range(0)));
  for (auto _ : state) {
    dw::gp::Region r;
    int inside = 0;
    if (panel.WindowRegion(r))
      for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) inside += r.IsVisible(float(x) + 0.5f, float(y) + 0.5f);
    benchmark::DoNotOptimize(inside);
  }
}

}  // namespace

BENCHMARK(BM_GlassPanelFrame)->Unit(benchmark::kMicrosecond)->MinTime(0.3);
BENCHMARK(BM_GlassPanelGlowPicture)->Unit(benchmark::kMicrosecond)->MinTime(0.3);
BENCHMARK(BM_GlassPanelMask)->Unit(benchmark::kMicrosecond)->DenseRange(0, 4)->MinTime(0.2);
