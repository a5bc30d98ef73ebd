// The Qt widget's cost over painting the same dial into a bitmap, and a window of animating gauges.
//   x_bitmap      a paint event of a 300 x 300 gauge in InstrumentWidget (repaint: Qt fills the
//                 window's background, the gauge draws straight into the backing store) / the
//                 same gauge painted into a cleared bitmap, both with a new value each frame;
//                 goal <= 1.10
//   widget_us, bitmap_us  the two frames' CPU time alone; direct  the share of the widget's
//                 paints drawn straight into the window's image
//   empty_us      a repaint of a plain widget of the same size that draws nothing: what the window
//                 system costs any widget (under X, handing the image to the server; part of it
//                 overlaps the gauge's drawing, so it is not to be subtracted from widget_us)
//   cpu_per_s     CPU seconds per second of the whole program while 20 gauges animate in real time
//                 in one window, the event loop sleeping between events (run it under xvfb-run for
//                 a real X server)
//   paints_per_s  paint events per second over the 20 widgets
// Runs on the offscreen platform unless a display is set.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QGridLayout>

#include <ctime>
#include <memory>

#include "../BenchClock.h"
#include "dialworks/angular/DWAngularGauge.h"
#include "dialworks/draw/CairoGraphics.h"
#include "dialworks/package/DialworksPkg.h"
#include "dialworks/qt/InstrumentWidget.h"
#include "dialworks/qt/QtHost.h"

namespace {

constexpr int kGauge = 300;

std::unique_ptr<dw::TDWAngularGauge> NewGauge() {
  auto g = std::make_unique<dw::TDWAngularGauge>();
  g->SetBounds(0, 0, kGauge, kGauge);
  g->Hand().Animation().SetEnabled(false);  // every value is drawn where it is
  return g;
}

double ProcessCpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

void BM_WidgetFrameOverBitmap(benchmark::State& state) {
  dw::qt::TQtHost host;
  auto owned = NewGauge();
  dw::TDWAngularGauge* shown = owned.get();
  dw::qt::InstrumentWidget widget(host, std::move(owned));
  widget.show();
  QCoreApplication::processEvents();
  auto direct = NewGauge();
  dw::gp::Bitmap bitmap(kGauge, kGauge);
  int64_t i = 0, j = 0;
  auto widgetFrame = [&] {
    shown->SetValue(double(i++ % 100) + 0.5);
    widget.repaint();
  };
  // The direct side keeps one graphics for its bitmap as the widget does (it keeps the masks of the
  // clips the gauge sets), and starts each frame from its untransformed, unclipped state.
  dw::gp::CairoGraphics g(bitmap);
  auto bitmapFrame = [&] {
    direct->SetValue(double(j++ % 100) + 0.5);
    const dw::gp::GraphicsState initial = g.Save();
    g.Clear(0);
    direct->Paint(g);
    g.Restore(initial);
    g.Flush();
  };
  // What the window system costs any widget of this size: a repaint of one that draws nothing (Qt
  // still fills its background and hands the window's image to the server).
  QWidget empty;
  empty.resize(kGauge, kGauge);
  empty.show();
  QCoreApplication::processEvents();
  auto emptyFrame = [&] { empty.repaint(); };
  double ratio = 0;
  for (auto _ : state) ratio = MedianRatio(widgetFrame, 50, bitmapFrame, 50);
  state.counters["x_bitmap"] = ratio;
  const double widgetNs = BatchNs(widgetFrame, 200), bitmapNs = BatchNs(bitmapFrame, 200);
  const double emptyNs = BatchNs(emptyFrame, 200);
  state.counters["widget_us"] = widgetNs / 1e3;
  state.counters["bitmap_us"] = bitmapNs / 1e3;
  state.counters["empty_us"] = emptyNs / 1e3;
  state.counters["direct"] = double(widget.DirectPaintCount()) / double(widget.PaintCount());
}
BENCHMARK(BM_WidgetFrameOverBitmap)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_TwentyAnimatingGauges(benchmark::State& state) {
  dw::qt::TQtHost host;
  QWidget window;
  auto* grid = new QGridLayout(&window);
  std::vector<dw::TDWAngularGauge*> gauges;
  std::vector<dw::qt::InstrumentWidget*> widgets;
  for (int k = 0; k < 20; ++k) {
    auto g = std::make_unique<dw::TDWAngularGauge>();
    g->SetBounds(0, 0, 150, 150);
    g->SetValue(10);
    gauges.push_back(g.get());
    widgets.push_back(new dw::qt::InstrumentWidget(host, std::move(g), &window));
    grid->addWidget(widgets.back(), k / 5, k % 5);
  }
  window.show();
  QCoreApplication::processEvents();
  double cpu = 0, paints = 0;
  for (auto _ : state) {
    uint64_t painted = 0;
    for (auto* w : widgets) painted -= w->PaintCount();
    const double cpu0 = ProcessCpuSeconds();
    QElapsedTimer wall;
    wall.start();
    // The event loop sleeps between events, as an application's does (a loop polling for events
    // would count its own spinning as the gauges' CPU).
    int step = 0;
    auto next = [&] {  // a new value every 400 ms: the hands keep moving
      for (size_t k = 0; k < gauges.size(); ++k) gauges[k]->SetValue(double((step * 37 + int(k) * 11) % 100));
      ++step;
    };
    QEventLoop loop;
    QTimer values;
    values.setInterval(400);
    QObject::connect(&values, &QTimer::timeout, next);
    QTimer::singleShot(2000, &loop, &QEventLoop::quit);
    next();
    values.start();
    loop.exec();
    values.stop();
    const double seconds = double(wall.elapsed()) / 1000.0;
    for (auto* w : widgets) painted += w->PaintCount();
    cpu = (ProcessCpuSeconds() - cpu0) / seconds;
    paints = double(painted) / seconds;
  }
  state.counters["cpu_per_s"] = cpu;
  state.counters["paints_per_s"] = paints;
}
BENCHMARK(BM_TwentyAnimatingGauges)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  dw::RegisterDialworksPackage();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
