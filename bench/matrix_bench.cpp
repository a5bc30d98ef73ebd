// The matrix display's frame (80 x 50 cells on 641 x 401 pixels, every cell lit in a colour that
// changes each frame) against a plain pixel loop that does the same stamping, and heap
// allocations per steady frame (see AllocCount.h):
//   x_plain           frame / plain loop (one cell changed per frame): fill the frame, tint one 10 x 10 coverage stamp per cell
//                     and compose it atop, add the highlight stamp, draw the frame once; goal <= 1.2
//   allocs_per_frame  operator new calls per steady frame; goal 0
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "AllocCount.h"
#include "BenchClock.h"
#include "dialworks/draw/CairoGraphics.h"
#include "dialworks/host/PixelBlock.h"
#include "dialworks/matrix/DWMatrixDisplay.h"

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

}  // namespace

BENCHMARK(BM_MatrixFrame)->Unit(benchmark::kMicrosecond)->MinTime(0.3);
