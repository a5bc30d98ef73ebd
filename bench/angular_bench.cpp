// The angular gauge's frame against the raw Cairo floor of the same work, its face rebuild as a
// multiple of a frame, heap allocations of our code per steady frame, and SetValue from a second
// thread while the first paints. Ratios are measured within the run (see floor_bench.cpp).
//   x_floor          frame time / floor (compose face, hand polygons, compose top layer); goal <= 1.15
//   x_floor_no_shadow  the same with the hand's shadow off
//   x_frame          face rebuild / frame; goal under about 8
//   allocs_per_frame operator new calls per steady frame; goal 0
//   layer_bytes      pixels a painted gauge holds (its cached layers); layer_bytes_dropped the same
//                    after a change dropped both layers and before the next paint (the spares)
//   cpu_ms_per_s     20 gauges animating in virtual time, a new value each every 100 ms, each
//                    painted into its own kept window surface as the host asks (the part asked
//                    for, or all of it): painting CPU per simulated second; x_whole the same over
//                    repainting every asked-for gauge whole; repaints_per_gauge_s (goal <= 40)
//   values_per_s, frames_skipped, max_gap_x_paint  SetValue rate on the second thread; paints that
//                    drew nothing (the painter gave up waiting for the lock); longest time between
//                    two drawn frames as a multiple of the mean paint time (scheduling shows here)
#include <benchmark/benchmark.h>
#include <cairo.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <new>
#include <thread>
#include <vector>

#include "AllocCount.h"
#include "BenchClock.h"
#include "Floors.h"
#include "dialworks/angular/DWAngularGauge.h"
#include "dialworks/draw/CairoGraphics.h"
#include "dialworks/host/ManualHost.h"

namespace {

using dwbench::g_news;
using Clock = ThreadCpuClock;
using Wall = std::chrono::steady_clock;  // gaps between frames are wall time
constexpr int kGauge = 300;

struct TBenchGauge {
  TInstalledHost Installed;
  dw::TDWAngularGauge Gauge;
  dw::gp::Bitmap Target{kGauge, kGauge};
  dw::gp::CairoGraphics G{Target};
  explicit TBenchGauge(bool AShadow = true) : Gauge(nullptr) {
    Gauge.SetBounds(0, 0, kGauge, kGauge);
    Gauge.Hand().Animation().SetEnabled(false);  // every value is drawn where it is
    Gauge.Hand().Shadow().SetVisible(AShadow);
  }
  void Frame(int64_t i) {
    Gauge.SetValue(double(i % 100) + 0.5);
    Gauge.Paint(G);
    G.Flush();
  }
};

// The gauge's frame against the floor: the cached-dial frame of the floor benchmarks (clear the
// target, compose the face with OVER, a hand polygon with two shading triangles at a changing
// angle, compose a mostly transparent top layer).
double FrameOverFloor(TBenchGauge& b) {
  dwbench::TCachedDialFloor floor;
  int64_t i = 0, j = 0;
  return MedianRatio([&] { b.Frame(i++); }, 100, [&] { floor.Frame(j++); }, 100);
}

void BM_AngularGaugeFrame(benchmark::State& state) {
  TBenchGauge b;
  // The face is built here, once, and every angle drawn once, so kept buffers reach their sizes.
  for (int k = 0; k < 100; ++k) b.Frame(k);
  const uint64_t builds = dw::TDWLayeredInstrumentProbe::Builds(b.Gauge);
  int64_t n = 1;
  const uint64_t news0 = g_news.load();
  for (auto _ : state) b.Frame(n++);
  state.counters["allocs_per_frame"] = double(g_news.load() - news0) / double(n - 1);
  state.counters["face_builds"] = double(dw::TDWLayeredInstrumentProbe::Builds(b.Gauge) - builds);
  state.counters["layer_bytes"] = double(dw::TDWLayeredInstrumentProbe::Bytes(b.Gauge));
  state.counters["x_floor"] = FrameOverFloor(b);
  // The same frame without the hand's shadow (a gradient fill the floor does not have).
  TBenchGauge plain(false);
  plain.Frame(0);
  state.counters["x_floor_no_shadow"] = FrameOverFloor(plain);
  b.Gauge.SetColor(0xFF808080);
  b.Gauge.SetColor(0xFF909090);
  state.counters["layer_bytes_dropped"] = double(dw::TDWLayeredInstrumentProbe::Bytes(b.Gauge));
}

void BM_AngularGaugeFaceRebuild(benchmark::State& state) {
  TBenchGauge b;
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

// A new range rebuilds the face only (glass, bevels and cap are kept); x_whole is its cost over a
// rebuild of both layers.
void BM_AngularGaugeRangeRebuild(benchmark::State& state) {
  TBenchGauge b;
  b.Frame(0);
  int64_t n = 0;
  auto range = [&] {
    b.Gauge.SetMax(100 + double(n & 1) * 20);
    b.Frame(n++);
  };
  for (auto _ : state) range();
  int64_t i = 0;
  state.counters["x_whole"] = MedianRatio(range, 10,
                                          [&] {
                                            dw::TDWLayeredInstrumentProbe::Drop(b.Gauge);
                                            b.Frame(i++);
                                          },
                                          10, 9);
}

void BM_AngularGaugeSetValueWhilePainting(benchmark::State& state) {
  TBenchGauge b;
  b.Frame(0);
  std::atomic<bool> stop{false};
  std::atomic<uint64_t> values{0};
  const bool spin = state.range(0) != 0;
  std::thread writer([&] {
    for (uint64_t k = 0; !stop.load(std::memory_order_relaxed); ++k) {
      b.Gauge.SetValue(double(k % 100));
      values.fetch_add(1, std::memory_order_relaxed);
      // Real sources (pins, devices) leave gaps between values; the spinning writer is the worst
      // case for the painter, which must still get its turn every frame.
      if (!spin) std::this_thread::yield();
    }
  });
  const uint64_t drawsAtStart = dw::TDWLayeredInstrumentProbe::Draws(b.Gauge);
  double maxGap = 0, paintSum = 0;
  int64_t paints = 0;
  auto lastDrawn = Wall::now();
  const auto t0 = lastDrawn;
  for (auto _ : state) {
    const uint64_t drawsBefore = dw::TDWLayeredInstrumentProbe::Draws(b.Gauge);
    const auto p0 = Wall::now();
    b.Gauge.Paint(b.G);
    const auto p1 = Wall::now();
    paintSum += std::chrono::duration<double, std::nano>(p1 - p0).count();
    ++paints;
    if (dw::TDWLayeredInstrumentProbe::Draws(b.Gauge) != drawsBefore) {
      maxGap = std::max(maxGap, std::chrono::duration<double, std::nano>(p1 - lastDrawn).count());
      lastDrawn = p1;
    }
  }
  const double seconds = std::chrono::duration<double>(Wall::now() - t0).count();
  stop = true;
  writer.join();
  const double meanPaint = paintSum / double(std::max<int64_t>(paints, 1));
  state.counters["values_per_s"] = double(values.load()) / seconds;
  // A gap of one paint plus the time between two paints is "no frame skipped"; above 2, one was.
  state.counters["max_gap_x_paint"] = maxGap / meanPaint;
  state.counters["frames_skipped"] = double(paints) - double(dw::TDWLayeredInstrumentProbe::Draws(b.Gauge) - drawsAtStart);
}

// Twenty animating gauges, each with a window surface of its own that keeps its pixels between
// paints, as a desktop window's backing store does.
struct TGaugeWindows {
  static constexpr int kCount = 20;
  TInstalledHost Installed;
  struct TWindow {
    dw::TDWAngularGauge Gauge{nullptr};
    dw::gp::Bitmap Pixels{kGauge, kGauge};
    dw::gp::CairoGraphics G{Pixels};
  };
  std::vector<std::unique_ptr<TWindow>> Windows;
  uint64_t Repaints = 0;
  int64_t Step = 0;
  TGaugeWindows() {
    for (int k = 0; k < kCount; ++k) {
      Windows.push_back(std::make_unique<TWindow>());
      Windows.back()->Gauge.SetBounds(0, 0, kGauge, kGauge);
      Windows.back()->Gauge.SetValue(1);  // the first value jumps; the rest animate
      Paint(*Windows.back(), true);
    }
  }
  void Paint(TWindow& w, bool AWhole) {
    const dw::TManualHost::TDirty d = Installed.Host.TakeDirty(w.Gauge);
    if (d.IsEmpty() && !AWhole) return;
    ++Repaints;
    const dw::gp::GraphicsState s = w.G.Save();
    if (!d.Whole && !AWhole)
      w.G.SetClip(dw::gp::RectF(float(d.Part.Left), float(d.Part.Top), float(d.Part.Width), float(d.Part.Height)));
    w.G.Clear(0);
    w.Gauge.Paint(w.G);
    w.G.Restore(s);
    w.G.Flush();
  }
  // One simulated second: the clock's ticks, new values every 100 ms (each gauge its own phase),
  // and after every tick the repaints asked for (all of a gauge when AWhole).
  void Second(bool AWhole) {
    for (int t = 0; t < 60; ++t, ++Step) {
      if (Step % 6 == 0)
        for (int k = 0; k < kCount; ++k)
          Windows[size_t(k)]->Gauge.SetValue(double((Step / 6 * 37 + k * 11) % 100));
      Installed.Host.Advance(1000.0 / 60);
      for (auto& w : Windows) {
        if (AWhole && Installed.Host.TakeDirty(w->Gauge).IsEmpty()) continue;
        Paint(*w, AWhole);
      }
    }
  }
};

void BM_TwentyGaugesAnimating(benchmark::State& state) {
  TGaugeWindows w;
  w.Second(false);
  uint64_t seconds = 0;
  const uint64_t repaints0 = w.Repaints;
  const auto t0 = Clock::now();
  for (auto _ : state) {
    w.Second(false);
    ++seconds;
  }
  const double cpu = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
  state.counters["cpu_ms_per_s"] = cpu / double(seconds);
  state.counters["repaints_per_gauge_s"] = double(w.Repaints - repaints0) / double(seconds) / TGaugeWindows::kCount;
  state.counters["x_whole"] = MedianRatio([&] { w.Second(false); }, 1, [&] { w.Second(true); }, 1, 5);
}

}  // namespace

BENCHMARK(BM_AngularGaugeFrame)->Unit(benchmark::kMicrosecond)->MinTime(0.3);
BENCHMARK(BM_AngularGaugeFaceRebuild)->Unit(benchmark::kMicrosecond)->MinTime(0.3);
BENCHMARK(BM_AngularGaugeRangeRebuild)->Unit(benchmark::kMicrosecond)->MinTime(0.3);
BENCHMARK(BM_TwentyGaugesAnimating)->Unit(benchmark::kMillisecond)->Iterations(3);
// Argument: 0 = the writer yields after each value, 1 = it spins.
BENCHMARK(BM_AngularGaugeSetValueWhilePainting)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond)->MinTime(0.3);
