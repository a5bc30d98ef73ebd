// The segment displays' value-change frames against raw Cairo floors of the same work, and heap
// allocations of our code per steady frame (see AllocCount.h):
//   x_floor           frame / floor; the floor composes the face (background and unlit segments)
//                     and fills the frame's lit polygons (taken from a recording of the frame) with
//                     a solid colour, where the frame shows them with path-gradient brushes
//                     (composed from pictures the instrument keeps per segment and pixel phase)
//   allocs_per_frame  operator new calls per value-change frame; goal 0
//   cpu_ms_per_second  CPU of one simulated second of a running segment clock with three
//                    millisecond digits (1 ms timer, every tick redrawn and painted), in virtual time
// Instruments: a 16-digit 16-segment gauge (400 x 48), a 4 x 20 segment text (600 x 160) and a
// segment clock with milliseconds and AM/PM (324 x 48).
#include <benchmark/benchmark.h>
#include <cairo.h>

#include <string>
#include <vector>

#include "AllocCount.h"
#include "BenchClock.h"
#include "dialworks/draw/CairoGraphics.h"
#include "dialworks/draw/RecordingGraphics.h"
#include "dialworks/host/ManualHost.h"
#include "dialworks/segment/DWSegmentClock.h"
#include "dialworks/segment/DWSegmentGauge.h"
#include "dialworks/segment/DWSegmentText.h"

namespace {

using Clock = ThreadCpuClock;

// The lit polygons of a frame (drawn on the frame itself, not into the face layer).
std::vector<std::vector<dw::gp::PointF>> LitPolygons(dw::TKVBasicControl& AControl) {
  dw::gp::RecordingGraphics g;
  AControl.Paint(g);
  std::vector<std::vector<dw::gp::PointF>> out;
  for (const dw::gp::DrawCall* c : g.Find("FillPolygon"))
    if (c->Layer == 0) out.push_back(c->Points);
  return out;
}

// Compose an opaque face, fill each polygon, flush.
struct TSegmentFloor {
  int W, H;
  cairo_surface_t* Dst;
  cairo_surface_t* Face;
  cairo_t* Cr;
  std::vector<std::vector<dw::gp::PointF>> Polygons;
  TSegmentFloor(int AW, int AH, std::vector<std::vector<dw::gp::PointF>> APolygons)
      : W(AW),
        H(AH),
        Dst(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, AW, AH)),
        Face(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, AW, AH)),
        Cr(cairo_create(Dst)),
        Polygons(std::move(APolygons)) {
    cairo_t* f = cairo_create(Face);
    cairo_set_source_rgb(f, 0.05, 0.02, 0.02);
    cairo_paint(f);
    cairo_destroy(f);
    cairo_surface_flush(Face);
  }
  ~TSegmentFloor() {
    cairo_destroy(Cr);
    cairo_surface_destroy(Face);
    cairo_surface_destroy(Dst);
  }
  void Frame() {
    cairo_set_source_surface(Cr, Face, 0, 0);
    cairo_paint(Cr);
    cairo_set_source_rgb(Cr, 1, 0.2, 0.2);
    for (const auto& p : Polygons) {
      cairo_move_to(Cr, p[0].X, p[0].Y);
      for (size_t k = 1; k < p.size(); ++k) cairo_line_to(Cr, p[k].X, p[k].Y);
      cairo_close_path(Cr);
      cairo_fill(Cr);
    }
    cairo_surface_flush(Dst);
  }
};

constexpr int kGaugeW = 400, kGaugeH = 48;

struct TBenchGauge {
  TInstalledHost Installed;
  dw::TDWSegmentGauge Gauge;
  dw::gp::Bitmap Target{kGaugeW, kGaugeH};
  dw::gp::CairoGraphics G{Target};
  TBenchGauge() {
    Gauge.SetBounds(0, 0, kGaugeW, kGaugeH);
    Gauge.SetSegmentsType(dw::st16Segments);
    Gauge.Digits().SetAutoSize(false);
    Gauge.Digits().SetNumberDigits(16);
    Gauge.SetMax(1e15);
    Gauge.SetMin(-1e15);
    Frame(0);  // the face layer and the cell are built here, once
  }
  double ValueAt(int64_t i) const { return 123456789012.3456 + double(i % 1000) * 1.111; }
  void Frame(int64_t i) {
    Gauge.SetValue(ValueAt(i));
    Gauge.Paint(G);
    G.Flush();
  }
};

void BM_SegmentGauge16x16ValueFrame(benchmark::State& state) {
  TBenchGauge b;
  // A segment's lit picture is made the first time it lights in a cell's pixel phase: one cycle
  // of the values first, so that what is counted is the steady frame's work.
  for (int64_t k = 1; k <= 1000; ++k) b.Frame(k);
  int64_t n = 1;
  const uint64_t news0 = dwbench::g_news.load();
  for (auto _ : state) b.Frame(n++);
  state.counters["allocs_per_frame"] = double(dwbench::g_news.load() - news0) / double(n - 1);
  b.Gauge.SetValue(b.ValueAt(7));
  TSegmentFloor floor(kGaugeW, kGaugeH, LitPolygons(b.Gauge));
  state.counters["lit_polygons"] = double(floor.Polygons.size());
  int64_t i = 0;
  state.counters["x_floor"] = MedianRatio([&] { b.Frame(7 + 1000 * (i++ % 2)); }, 200, [&] { floor.Frame(); }, 200);
}

constexpr int kTextW = 600, kTextH = 160;

struct TBenchText {
  TInstalledHost Installed;
  dw::TDWSegmentText Text;
  dw::gp::Bitmap Target{kTextW, kTextH};
  dw::gp::CairoGraphics G{Target};
  std::vector<std::string> Texts;
  TBenchText() {
    Text.SetBounds(0, 0, kTextW, kTextH);
    Text.SetRows(4);
    Text.SetCols(20);
    for (int k = 0; k < 10; ++k)
      Texts.push_back("TEMP " + std::to_string(20 + k) + ".5 C\r\nPRESSURE 1013.2 hPa\r\nSTATUS: OK " +
                      std::to_string(k) + "\r\nDIALWORKS SEGMENTS");
    Frame(0);
  }
  void Frame(int64_t i) {
    Text.SetText(Texts[size_t(i % 10)]);
    Text.Paint(G);
    G.Flush();
  }
};

void BM_SegmentText4x20ValueFrame(benchmark::State& state) {
  TBenchText b;
  int64_t n = 1;
  // A text change decodes the new text (one string): counted apart from the frame.
  const uint64_t news0 = dwbench::g_news.load();
  for (auto _ : state) {
    b.Text.Paint(b.G);
    b.G.Flush();
    ++n;
  }
  state.counters["allocs_per_frame"] = double(dwbench::g_news.load() - news0) / double(n - 1);
  TSegmentFloor floor(kTextW, kTextH, LitPolygons(b.Text));
  state.counters["lit_polygons"] = double(floor.Polygons.size());
  state.counters["x_floor"] = MedianRatio(
      [&] {
        b.Text.Paint(b.G);
        b.G.Flush();
      },
      200, [&] { floor.Frame(); }, 200);
}

// A running clock: the host's timers drive it in virtual time and every repaint request paints.
void BM_SegmentClockRunningSecond(benchmark::State& state) {
  TInstalledHost installed;
  dw::TDWSegmentClock clock;
  dw::gp::Bitmap target{324, 48};
  dw::gp::CairoGraphics g{target};
  clock.SetBounds(0, 0, 324, 48);
  clock.SetTimeSource(dw::tsCurrentTime);
  clock.Sections().Milliseconds().SetVisible(true);
  clock.Sections().Milliseconds().SetNumberDigits(3);
  clock.Sections().AmPm().SetVisible(true);
  clock.Sections().Minutes().Separator().Points().Add();
  clock.Sections().Minutes().Separator().Points().Add();
  installed.Host.SetOnRepaint([&](dw::TKVBasicControl&) {
    clock.Paint(g);
    g.Flush();
  });
  installed.Host.Advance(10);  // the face is built here, once
  installed.Host.ClearRepaintCounts();
  double cpuNs = 0;
  int64_t seconds = 0;
  for (auto _ : state) {
    cpuNs += BatchNs([&] { installed.Host.Advance(1000); }, 1);
    ++seconds;
  }
  state.counters["cpu_ms_per_second"] = cpuNs / 1e6 / double(seconds);
  state.counters["repaints_per_second"] = double(installed.Host.RepaintCount(clock)) / double(seconds);
  installed.Host.SetOnRepaint({});
}

}  // namespace

BENCHMARK(BM_SegmentClockRunningSecond)->Unit(benchmark::kMillisecond)->MinTime(0.3);
BENCHMARK(BM_SegmentGauge16x16ValueFrame)->Unit(benchmark::kMicrosecond)->MinTime(0.3);
BENCHMARK(BM_SegmentText4x20ValueFrame)->Unit(benchmark::kMicrosecond)->MinTime(0.3);
