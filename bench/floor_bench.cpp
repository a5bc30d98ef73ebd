// Floor costs of an instrument frame on 301 x 301 layers, in raw Cairo and Pango. Each benchmark
// also reports "x_memcpy": its time per iteration as a multiple of copying one layer with memcpy,
// measured in the same run, so the figures compare across machines. Instrument benchmarks report
// their frames against these floors.
#include <benchmark/benchmark.h>
#include <cairo.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <vector>

#include "BenchClock.h"
#include "Floors.h"
#include "dialworks/draw/CairoGraphics.h"

namespace {
using namespace dwbench;

using Clock = ThreadCpuClock;


// Nanoseconds for one memcpy of a layer when BM_MemcpyLayer was filtered out: the median of
// several batches.
double MemcpyNs() {
  static const double ns = [] {
    Layer a, b;
    std::vector<double> batches;
    for (int batch = 0; batch < 15; ++batch) {
      auto t0 = Clock::now();
      for (int i = 0; i < 200; ++i) {
        std::memcpy(cairo_image_surface_get_data(b.s), cairo_image_surface_get_data(a.s), a.Bytes());
        benchmark::ClobberMemory();
      }
      batches.push_back(std::chrono::duration<double, std::nano>(Clock::now() - t0).count() / 200);
    }
    std::nth_element(batches.begin(), batches.begin() + 7, batches.end());
    return batches[7];
  }();
  return ns;
}

// The memcpy time BM_MemcpyLayer measured in this run (it runs first), or 0.
double g_memcpyNs = 0;

// Runs body once per iteration and reports the ratio to the memcpy floor.
template <class F>
double Run(benchmark::State& state, F&& body) {
  const double base = g_memcpyNs > 0 ? g_memcpyNs : MemcpyNs();
  int64_t n = 0;
  auto t0 = Clock::now();
  for (auto _ : state) {
    body(n++);
    benchmark::ClobberMemory();
  }
  double per = std::chrono::duration<double, std::nano>(Clock::now() - t0).count() / double(std::max<int64_t>(n, 1));
  state.counters["x_memcpy"] = per / base;
  return per;
}

void BM_MemcpyLayer(benchmark::State& state) {
  Layer a, b;
  double per = Run(state, [&](int64_t) {
    std::memcpy(cairo_image_surface_get_data(b.s), cairo_image_surface_get_data(a.s), a.Bytes());
  });
  g_memcpyNs = per;  // the last (measured) run sets the floor for the benchmarks after it
  state.counters["x_memcpy"] = 1.0;
}

void BM_CopyLayerSource(benchmark::State& state) {
  Layer src, dst;
  Run(state, [&](int64_t) {
    cairo_set_operator(dst.cr, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_surface(dst.cr, src.s, 0, 0);
    cairo_paint(dst.cr);
    cairo_surface_flush(dst.s);
  });
}

void BM_ComposeLayerOver(benchmark::State& state) {
  Layer src, dst;
  Run(state, [&](int64_t) {
    cairo_set_operator(dst.cr, CAIRO_OPERATOR_OVER);
    cairo_set_source_surface(dst.cr, src.s, 0, 0);
    cairo_paint(dst.cr);
    cairo_surface_flush(dst.s);
  });
}

void BM_HandPolygon(benchmark::State& state) {
  Layer dst;
  Run(state, [&](int64_t i) {
    DrawHand(dst.cr, i);
    cairo_surface_flush(dst.s);
  });
}

// An ellipse filled with a path gradient: four Coons patches from the centre, each bounded by a
// quarter of the ellipse.
void BM_PathGradientEllipse(benchmark::State& state) {
  Layer dst;
  const double cx = 150.5, cy = 150.5, r = 140, k = 0.5523 * r;
  cairo_pattern_t* mesh = cairo_pattern_create_mesh();
  const double px[5] = {cx + r, cx, cx - r, cx, cx + r}, py[5] = {cy, cy + r, cy, cy - r, cy};
  const double dx[5] = {0, -k, 0, k, 0}, dy[5] = {k, 0, -k, 0, k};
  for (int q = 0; q < 4; ++q) {
    cairo_mesh_pattern_begin_patch(mesh);
    cairo_mesh_pattern_move_to(mesh, cx, cy);
    cairo_mesh_pattern_line_to(mesh, px[q], py[q]);
    cairo_mesh_pattern_curve_to(mesh, px[q] + dx[q], py[q] + dy[q], px[q + 1] - dx[q + 1], py[q + 1] - dy[q + 1],
                                px[q + 1], py[q + 1]);
    cairo_mesh_pattern_line_to(mesh, cx, cy);
    cairo_mesh_pattern_set_corner_color_rgba(mesh, 0, 1, 1, 1, 1);
    cairo_mesh_pattern_set_corner_color_rgba(mesh, 1, 0.1, 0.2, 0.5, 1);
    cairo_mesh_pattern_set_corner_color_rgba(mesh, 2, 0.1, 0.2, 0.5, 1);
    cairo_mesh_pattern_set_corner_color_rgba(mesh, 3, 1, 1, 1, 1);
    cairo_mesh_pattern_end_patch(mesh);
  }
  Run(state, [&](int64_t) {
    cairo_new_path(dst.cr);
    cairo_arc(dst.cr, cx, cy, r, 0, 2 * M_PI);
    cairo_set_source(dst.cr, mesh);
    cairo_fill(dst.cr);
    cairo_surface_flush(dst.s);
  });
  cairo_pattern_destroy(mesh);
}

// The same ellipse through the library's PathGradientBrush (one patch per flattened boundary
// segment), to see what the general brush costs over the four-patch floor.
void BM_LibraryPathGradientEllipse(benchmark::State& state) {
  dw::gp::Bitmap bmp(kSide, kSide);
  dw::gp::CairoGraphics g(bmp);
  g.SetSmoothingMode(dw::gp::SmoothingModeAntiAlias);
  dw::gp::GraphicsPath e;
  e.AddEllipse(dw::gp::RectF(10.5f, 10.5f, 280, 280));
  dw::gp::PathGradientBrush b(e);
  b.SetCenterColor(0xFFFFFFFF);
  b.SetSurroundColors(std::vector<dw::TAlphaColor>{0xFF1A3380});
  Run(state, [&](int64_t) {
    g.FillPath(b, e);
    g.Flush();
  });
}

// A short value text as an instrument draws it each frame: layout, then show.
void BM_ShortString(benchmark::State& state) {
  Layer dst;
  PangoFontDescription* desc = pango_font_description_from_string("DejaVu Sans 12");
  char text[32];
  Run(state, [&](int64_t i) {
    std::snprintf(text, sizeof text, "%.1f", double(i % 1000) / 10.0);
    PangoLayout* layout = pango_cairo_create_layout(dst.cr);
    pango_layout_set_font_description(layout, desc);
    pango_layout_set_text(layout, text, -1);
    cairo_move_to(dst.cr, 130, 200);
    cairo_set_source_rgb(dst.cr, 1, 1, 1);
    pango_cairo_show_layout(dst.cr, layout);
    g_object_unref(layout);
    cairo_surface_flush(dst.s);
  });
  pango_font_description_free(desc);
}

// The whole cached dial frame: clear the target, compose the cached face (transparent corners, so
// OVER), draw the hand, compose the mostly transparent cached top layer.
void BM_CachedDialFrame(benchmark::State& state) {
  TCachedDialFloor floor;
  Run(state, [&](int64_t i) { floor.Frame(i); });
}

}  // namespace

BENCHMARK(BM_MemcpyLayer)->Unit(benchmark::kMicrosecond)->MinTime(0.2);
BENCHMARK(BM_CopyLayerSource)->Unit(benchmark::kMicrosecond)->MinTime(0.2);
BENCHMARK(BM_ComposeLayerOver)->Unit(benchmark::kMicrosecond)->MinTime(0.2);
BENCHMARK(BM_HandPolygon)->Unit(benchmark::kMicrosecond)->MinTime(0.2);
BENCHMARK(BM_PathGradientEllipse)->Unit(benchmark::kMicrosecond)->MinTime(0.2);
BENCHMARK(BM_LibraryPathGradientEllipse)->Unit(benchmark::kMicrosecond)->MinTime(0.2);
BENCHMARK(BM_ShortString)->Unit(benchmark::kMicrosecond)->MinTime(0.2);
BENCHMARK(BM_CachedDialFrame)->Unit(benchmark::kMicrosecond)->MinTime(0.2);

BENCHMARK_MAIN();
