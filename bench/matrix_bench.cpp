// The matrix display's frame (80 x 50 cells on 641 x 401 pixels, every cell lit in a colour that
// changes each frame) against a plain pixel loop that does the same stamping, and heap
// allocations per steady frame (see AllocCount.h):
//   x_plain           frame / plain loop (one cell changed per frame): fill the frame, tint one 10 x 10 coverage stamp per cell
//                     and compose it atop, add the highlight stamp, draw the frame once; goal <= 1.2
//   allocs_per_frame  operator new calls per steady frame; goal 0
// The spectrum display (256 bars with blocks, two colour groups and peaks on 641 x 401 pixels):
//   x_cairo           frame / raw Cairo filling the same rectangles (background, per bar the
//                     body, the lit part and the peak, each with a tiled 1-pixel strip pattern)
//   allocs_per_frame  operator new calls per steady frame
// and a simulated second of a 256-bar display at 100 ms refresh fed 1024-value buffers every 10 ms
// from another thread: cpu_ms (painting thread, per simulated second), frames (painted) and
// skipped (repaints asked for but not painted).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "AllocCount.h"
#include "BenchClock.h"
#include "dialworks/draw/CairoGraphics.h"
#include "dialworks/host/PixelBlock.h"
#include "dialworks/matrix/DWMatrixDisplay.h"
#include "dialworks/matrix/DWSpectrumDisplay.h"

#include <atomic>
#include <cairo.h>
#include <cmath>
#include <thread>

namespace {

constexpr int kW = 641, kH = 401, kCols = 80, kRows = 50, kPitch = 8;

struct TBenchMatrix {
  TInstalledHost Installed;
  dw::TDWMatrixDisplay Matrix;
  dw::gp::Bitmap Target{kW, kH};
  dw::gp::CairoGraphics G{Target};
  TBenchMatrix() {
    Matrix.SetBounds(0, 0, kW, kH);
    for (int y = 0; y < kRows; ++y)
      for (int x = 0; x < kCols; ++x) Matrix.SetPixel(x, y, 0xFF000000u | uint32_t((x * 3 + y * 5) * 0x010305));
    Frame(0);  // stamps and frame bitmap are built here, once
  }
  // One cell changes per frame (the application's writes are not the frame's work).
  void Frame(int64_t i) {
    Matrix.SetPixel(int(i % kCols), int(i / kCols % kRows), 0xFF000000u | uint32_t(i * 0x010305));
    Matrix.Paint(G);
    G.Flush();
  }
};

// The same work as a plain loop: fill, per cell tint-atop the coverage stamp and add the
// highlight, then draw the frame bitmap.
struct TPlainLoop {
  dw::gp::Bitmap Target{kW, kH}, Frame{kW, kH};
  dw::gp::CairoGraphics G{Target};
  std::vector<uint8_t> Stamp = std::vector<uint8_t>(size_t((kPitch + 2) * (kPitch + 2)));
  std::vector<uint32_t> Highlight = std::vector<uint32_t>(Stamp.size());
  std::vector<uint32_t> Cells = std::vector<uint32_t>(size_t(kCols * kRows), 0xFF406080u);
  TPlainLoop() {
    for (int y = 0; y < kPitch + 2; ++y)
      for (int x = 0; x < kPitch + 2; ++x) {
        const int dx = 2 * x - kPitch, dy = 2 * y - kPitch;
        const int d = dx * dx + dy * dy;
        Stamp[size_t(y * (kPitch + 2) + x)] = uint8_t(d < 40 ? 255 : d < 60 ? 128 : 0);
        Highlight[size_t(y * (kPitch + 2) + x)] = d < 12 ? 0x60606060u : 0;
      }
  }
  void Run(int64_t i) {
    Cells[size_t(i % (kCols * kRows))] = 0xFF000000u | uint32_t(i * 0x010305);
    dw::TPixelBlock f = dw::PBBitmapBlock(Frame);
    dw::PBFill(f, 0xFF000000u);
    for (int cy = 0; cy < kRows; ++cy)
      for (int cx = 0; cx < kCols; ++cx) {
        const uint32_t c = Cells[size_t(cy * kCols + cx)];
        const uint32_t ca = c >> 24, cr = (c >> 16) & 0xFF, cg = (c >> 8) & 0xFF, cb = c & 0xFF;
        for (int r = 0; r < kPitch + 2 && cy * kPitch + r < kH; ++r) {
          uint32_t* out = f.Row(cy * kPitch + r) + cx * kPitch;
          const uint8_t* s = Stamp.data() + r * (kPitch + 2);
          const uint32_t* h = Highlight.data() + r * (kPitch + 2);
          for (int q = 0; q < kPitch + 2 && cx * kPitch + q < kW; ++q) {
            uint32_t d = out[q];
            const uint32_t k = s[q];
            if (k) {
              const uint32_t sa = dw::PBDiv255(k * ca), inv = 255 - sa, da = d >> 24;
              const uint32_t rr = dw::PBDiv255(dw::PBDiv255(k * cr) * da + ((d >> 16) & 0xFF) * inv);
              const uint32_t rg = dw::PBDiv255(dw::PBDiv255(k * cg) * da + ((d >> 8) & 0xFF) * inv);
              const uint32_t rb = dw::PBDiv255(dw::PBDiv255(k * cb) * da + (d & 0xFF) * inv);
              d = (da << 24) | (rr << 16) | (rg << 8) | rb;
            }
            if (h[q]) {
              uint32_t sum = 0;
              for (int sh = 0; sh < 32; sh += 8)
                sum |= std::min<uint32_t>(((d >> sh) & 0xFF) + ((h[q] >> sh) & 0xFF), 255) << sh;
              d = sum;
            }
            out[q] = d;
          }
        }
      }
    Frame.MarkDirty();
    G.DrawImage(Frame, 0, 0);
    G.Flush();
  }
};

void BM_MatrixFrame(benchmark::State& state) {
  TBenchMatrix b;
  int64_t n = 1;
  const uint64_t news0 = dwbench::g_news.load();
  for (auto _ : state) b.Frame(n++);
  state.counters["allocs_per_frame"] = double(dwbench::g_news.load() - news0) / double(n - 1);
  TPlainLoop plain;
  int64_t i = 0, j = 0;
  state.counters["x_plain"] = MedianRatio([&] { b.Frame(i++); }, 20, [&] { plain.Run(j++); }, 20);
}

constexpr int kBars = 256, kValues = 1024;

std::vector<double> SpectrumValues(int64_t AStep) {
  std::vector<double> v(kValues + 1);
  for (size_t k = 0; k < v.size(); ++k)
    v[k] = 500 + 450 * std::sin(double(k) * 0.05 + double(AStep) * 0.3) * std::cos(double(k) * 0.013);
  return v;
}

struct TBenchSpectrum {
  TInstalledHost Installed;
  dw::TDWSpectrumDisplay Spectrum;
  dw::gp::Bitmap Target{kW, kH};
  dw::gp::CairoGraphics G{Target};
  dw::TMZPXBufferSourcePin Pin;
  TBenchSpectrum() {
    Spectrum.SetBounds(0, 0, kW, kH);
    Spectrum.Bars().Count().SetAutoSize(false);
    Spectrum.Bars().Count().SetCount(kBars + 1);
    auto& g0 = Spectrum.Bars().ColorGroups().Add();
    g0.Colors().Add().SetColor(0xFF00A040);
    g0.Colors().Add().SetColor(0xFFFF3020);
    Spectrum.Bars().ColorGroups().Add().SetColor(0xFF2060FF);
    Pin.Connect(Spectrum.InputPin());
    Pin.Start();
    Feed(0);
    Frame();  // colour strips are built here, once
  }
  void Feed(int64_t AStep) {
    const std::vector<double> v = SpectrumValues(AStep);
    Pin.SupplyBuffer(dw::TMZRealBuffer(v.data(), v.size()));
  }
  void Frame() {
    Spectrum.Paint(G);
    G.Flush();
  }
};

// The same fills in raw Cairo: background, then per bar body, lit part and peak from tiled
// one-pixel strips.
struct TSpectrumFloor {
  cairo_surface_t* Target = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kW, kH);
  cairo_t* Cr = cairo_create(Target);
  cairo_surface_t* Strip = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, kH);
  cairo_pattern_t* Pattern = cairo_pattern_create_for_surface(Strip);
  TSpectrumFloor() {
    cairo_t* s = cairo_create(Strip);
    cairo_set_source_rgb(s, 0.2, 0.8, 0.3);
    cairo_paint(s);
    cairo_destroy(s);
    cairo_pattern_set_extend(Pattern, CAIRO_EXTEND_REPEAT);
  }
  ~TSpectrumFloor() {
    cairo_pattern_destroy(Pattern);
    cairo_surface_destroy(Strip);
    cairo_destroy(Cr);
    cairo_surface_destroy(Target);
  }
  void Run(int64_t i) {
    cairo_set_source_rgb(Cr, 0, 0, 0);
    cairo_paint(Cr);
    const double pitch = (kW - 12.8) / kBars, barH = 0.97 * (kH - 12.03);
    cairo_set_source(Cr, Pattern);
    for (int b = 0; b < kBars; ++b) {
      const double x = 6.4 + b * pitch + pitch * 0.05, bottom = kH - 12.03;
      const double level = barH * (0.5 + 0.45 * std::sin(double(b + i) * 0.05));
      cairo_rectangle(Cr, x, bottom - barH, pitch * 0.9, barH);
      cairo_fill(Cr);
      cairo_rectangle(Cr, x, bottom - level, pitch * 0.9, level);
      cairo_fill(Cr);
      cairo_rectangle(Cr, x, bottom - level - 8, pitch * 0.9, 4);
      cairo_fill(Cr);
    }
    cairo_surface_flush(Target);
  }
};

void BM_SpectrumFrame(benchmark::State& state) {
  TBenchSpectrum b;
  int64_t n = 1;
  const uint64_t news0 = dwbench::g_news.load();
  for (auto _ : state) {
    b.Frame();
    ++n;
  }
  state.counters["allocs_per_frame"] = double(dwbench::g_news.load() - news0) / double(n - 1);
  TSpectrumFloor floor;
  int64_t j = 0;
  state.counters["x_cairo"] = MedianRatio([&] { b.Frame(); }, 10, [&] { floor.Run(j++); }, 10);
}

// One simulated second: the feeder thread sends a buffer for every 10 ms step while this thread
// advances virtual time and paints whenever a repaint was asked for.
void BM_SpectrumSecond(benchmark::State& state) {
  TBenchSpectrum b;
  double cpuMs = 0, frames = 0, skipped = 0;
  int64_t seconds = 0;
  for (auto _ : state) {
    std::atomic<int> sent{0}, wanted{0};
    std::thread feeder([&] {
      for (int step = 0; step < 100; ++step) {
        while (wanted.load() <= step) std::this_thread::yield();
        b.Feed(step);
        sent = step + 1;
      }
    });
    const auto t0 = ThreadCpuClock::now();
    for (int step = 0; step < 100; ++step) {
      wanted = step + 1;  // the buffer arrives while this thread works on
      const uint64_t before = b.Installed.Host.RepaintCount(b.Spectrum);
      b.Installed.Host.Advance(10);
      const uint64_t asked = b.Installed.Host.RepaintCount(b.Spectrum) - before;
      if (asked > 0) {
        b.Frame();
        frames += 1;
        skipped += double(asked - 1);
      }
    }
    cpuMs += std::chrono::duration<double, std::milli>(ThreadCpuClock::now() - t0).count();
    feeder.join();
    ++seconds;
  }
  state.counters["cpu_ms"] = cpuMs / double(seconds);
  state.counters["frames"] = frames / double(seconds);
  state.counters["skipped"] = skipped / double(seconds);
}

}  // namespace

BENCHMARK(BM_SpectrumFrame)->Unit(benchmark::kMicrosecond)->MinTime(0.3);
BENCHMARK(BM_SpectrumSecond)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_MatrixFrame)->Unit(benchmark::kMicrosecond)->MinTime(0.3);
