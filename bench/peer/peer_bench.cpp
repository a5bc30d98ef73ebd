// The angular gauge side by side with Qwt's QwtDial and a raw-Cairo floor, measured in one process
// by one method, the way a Qt application sees a frame: a new ARGB32 surface and a full paint of a
// 300 x 300 dial per frame, wall time, each frame timed alone, the median over the frames. The
// three run interleaved frame by frame, so a change in the machine's load reaches all of them.
//
//   frame    a new value, then a full paint into a new surface (the hand is not animated, so the
//            value is drawn where it is). QwtDial: setValue, render into a QImage. Floor: compose
//            the cached face (OVER: its corners are transparent), the hand polygons, compose the
//            mostly transparent cached top layer (bench/Floors.h). Ours: SetValue, Paint.
//   rebuild  a resize (299 and 300 pixels in turn), then a frame: the cached face is drawn anew.
//   partial  ours only, as a window repaints it: the hand moved by 2 degrees, the part the gauge
//            asked the host to repaint cleared and painted (clipped to it) in a kept surface.
//            Its goal is set against QwtDial's full frame.
//
// Usage: dw_peer_bench [frames] [--save PREFIX] (default 600 frames, at most 1000000; rebuilds
// are half of that; --save writes one frame of each as PREFIX-qwt.png, -floor.png, -ours.png to
// look at, as dwrender writes pictures; --only qwt|floor|ours|partial|rebuild runs just that one's
// frames and prints nothing, for a profiler). Bad arguments exit with 2, pictures that cannot be
// written with 1. Runs on Qt's offscreen platform unless QT_QPA_PLATFORM says otherwise.
#include <qwt_dial.h>
#include <qwt_dial_needle.h>

#include <CLI/CLI.hpp>

#include <QApplication>
#include <QBuffer>
#include <QByteArray>
#include <QImage>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <new>
#include <string>
#include <vector>

#include "../BenchClock.h"
#include "../Floors.h"
#include "CliNumber.h"
#include "OutputFile.h"
#include "dialworks/angular/DWAngularGauge.h"
#include "dialworks/draw/CairoGraphics.h"
#include "dialworks/draw/PixelsAvx2.h"
#include "dialworks/package/FormRender.h"

namespace {

constexpr int kGauge = 300;
using Wall = std::chrono::steady_clock;

template <class F>
double TimeNs(F&& AWork) {
  const auto t0 = Wall::now();
  AWork();
  return std::chrono::duration<double, std::nano>(Wall::now() - t0).count();
}

double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::nth_element(v.begin(), v.begin() + std::ptrdiff_t(v.size() / 2), v.end());
  return v[v.size() / 2];
}

// A new value every frame, never the previous one (Qwt aligns values to its 100 steps).
double ValueOf(int k) { return double((k * 37) % 100); }

// Qwt's dial set up as a plain gauge: 0..100 over 270 degrees starting at the lower left, its
// arrow needle with a knob and a 4-pixel frame (without a needle it would draw no moving part).
struct TQwtPeer {
  QwtDial Dial;
  TQwtPeer() {
    Dial.setScale(0, 100);
    Dial.setOrigin(135);
    Dial.setScaleArc(0, 270);
    Dial.setLineWidth(4);
    Dial.setNeedle(new QwtDialSimpleNeedle(QwtDialSimpleNeedle::Arrow, true, Qt::red, Qt::gray));
    Dial.resize(kGauge, kGauge);
  }
  void Frame(int k) {
    QImage image(Dial.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    Dial.setValue(ValueOf(k));
    // Only the dial: the window background would be a fill neither of the others draws.
    Dial.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
  }
  void Rebuild(int k) {
    Dial.resize(kGauge - 1 + (k & 1), kGauge - 1 + (k & 1));
    Frame(k);
  }
  bool Save(int k, const std::string& APath, std::string& AError) {
    QImage image(Dial.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    Dial.setValue(ValueOf(k));
    Dial.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    QByteArray png;
    QBuffer buffer(&png);
    if (!buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "PNG")) {
      AError = APath + ": cannot encode the picture";
      return false;
    }
    return dw::apps::WriteOutputFile(APath, std::string(png.constData(), size_t(png.size())), AError);
  }
};

struct TFloorPeer {
  dwbench::TCachedDialFloor Floor;
  void Frame(int k) {
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kGauge, kGauge);
    cairo_t* cr = cairo_create(s);
    Floor.Draw(cr, k);
    cairo_surface_flush(s);
    cairo_destroy(cr);
    cairo_surface_destroy(s);
  }
  bool Save(int k, const std::string& APath, std::string& AError) {
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kGauge, kGauge);
    cairo_t* cr = cairo_create(s);
    Floor.Draw(cr, k);
    cairo_destroy(cr);
    std::string png;
    const cairo_status_t status = cairo_surface_write_to_png_stream(
        s,
        [](void* AOut, const unsigned char* AData, unsigned ALength) {
          static_cast<std::string*>(AOut)->append(reinterpret_cast<const char*>(AData), ALength);
          return CAIRO_STATUS_SUCCESS;
        },
        &png);
    cairo_surface_destroy(s);
    if (status != CAIRO_STATUS_SUCCESS) {
      AError = APath + ": " + cairo_status_to_string(status);
      return false;
    }
    return dw::apps::WriteOutputFile(APath, png, AError);
  }
};

struct TOurGauge {
  TInstalledHost Installed;  // first: the gauge takes its timers from the installed host
  dw::TDWAngularGauge Gauge;
  int Side = kGauge;
  TOurGauge() : Gauge(nullptr) {
    Gauge.SetBounds(0, 0, kGauge, kGauge);
    Gauge.Hand().Animation().SetEnabled(false);
  }
  void Frame(int k) {
    dw::gp::Bitmap target(Side, Side);
    dw::gp::CairoGraphics g(target);
    Gauge.SetValue(ValueOf(k));
    Gauge.Paint(g);
    g.Flush();
  }
  // The hand 2 degrees on (the scale spans 270 degrees over 0..100), back and forth over the
  // scale; the part asked for is repainted in Screen.
  void Partial(int k) {
    const int n = k % 200;
    Gauge.SetValue((n < 100 ? n : 200 - n) * 2.0 * 100 / 270);
    const dw::TManualHost::TDirty d = Installed.Host.TakeDirty(Gauge);
    const dw::gp::GraphicsState s = Screen.Save();
    if (!d.Whole) Screen.SetClip(dw::gp::RectF(float(d.Part.Left), float(d.Part.Top), float(d.Part.Width),
                                               float(d.Part.Height)));
    Screen.Clear(0);
    Gauge.Paint(Screen);
    Screen.Restore(s);
    Screen.Flush();
    Whole += d.Whole;
  }
  dw::gp::Bitmap ScreenPixels{kGauge, kGauge};
  dw::gp::CairoGraphics Screen{ScreenPixels};
  int Whole = 0;  // partial frames that had to repaint the whole gauge
  void Rebuild(int k) {
    Side = kGauge - 1 + (k & 1);
    Gauge.SetBounds(0, 0, Side, Side);
    Frame(k);
  }
  bool Save(int k, const std::string& APath, std::string& AError) {
    dw::gp::Bitmap target(Side, Side);
    dw::gp::CairoGraphics g(target);
    Gauge.SetValue(ValueOf(k));
    Gauge.Paint(g);
    g.Flush();
    std::string png;
    if (!dw::EncodePng(target, png, AError)) {
      AError = APath + ": " + AError;
      return false;
    }
    return dw::apps::WriteOutputFile(APath, png, AError);
  }
};

int Fail(const std::string& AMessage, int ACode) {
  std::fprintf(stderr, "dw_peer_bench: %s\n", AMessage.c_str());
  return ACode;
}

int Run(int argc, char** argv) {
  if (qgetenv("QT_QPA_PLATFORM").isEmpty()) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);  // takes Qt's own arguments out first
  CLI::App cli{"dw_peer_bench: the angular gauge against QwtDial and a raw-Cairo floor"};
  int frames = 600;
  std::string save, only;
  cli.add_option("frames", frames, "frames measured (rebuilds: half of that)")
      ->check(dw::apps::Number(1, 1e6, true))
      ->capture_default_str();
  CLI::Option* saveOption =
      cli.add_option("--save", save, "write one frame of each as PREFIX-qwt.png, -floor.png, -ours.png");
  cli.add_option("--only", only, "run just these frames and print nothing (for a profiler)")
      ->check(CLI::IsMember({"qwt", "floor", "ours", "partial", "rebuild"}))
      ->excludes(saveOption);
  int loops = 2;
  cli.add_option("--loops", loops,
                 "widest pixel loops ours may use: 2 AVX-512 where the processor has it, 1 AVX2 at most (what "
                 "processors without AVX-512 get)")
      ->check(CLI::Range(1, 2))
      ->capture_default_str();
  try {
    cli.parse(argc, argv);
  } catch (const CLI::Success& e) {
    return cli.exit(e);
  } catch (const CLI::ParseError& e) {
    return Fail(e.what(), 2);
  }
  dw::gp::CapPixelLoops(loops);
  const char* const kSuffixes[] = {"-qwt.png", "-floor.png", "-ours.png"};
  std::string error;
  if (!save.empty())  // before the run, not after it
    for (const char* suffix : kSuffixes)
      if (!dw::apps::CheckOutputPlace(save + suffix, error)) return Fail("--save: cannot write " + error, 2);
  const int rebuilds = std::max(10, frames / 2);

  TQwtPeer qwt;
  TFloorPeer floor;
  TOurGauge ours;
  // Warm-up: caches built, code and allocator paths hot.
  for (int k = 0; k < 30; ++k) {
    qwt.Frame(k);
    floor.Frame(k);
    ours.Frame(k);
  }
  if (!only.empty()) {
    for (int k = 0; k < frames; ++k) {
      if (only == "qwt") qwt.Frame(k);
      else if (only == "floor") floor.Frame(k);
      else if (only == "partial") ours.Partial(k);
      else if (only == "rebuild") ours.Rebuild(k);
      else ours.Frame(k);
    }
    return 0;
  }
  std::vector<double> qwtFrame, floorFrame, ourFrame, ourPartial, qwtRebuild, ourRebuild;
  for (int k = 0; k < frames; ++k) {
    qwtFrame.push_back(TimeNs([&] { qwt.Frame(k); }));
    floorFrame.push_back(TimeNs([&] { floor.Frame(k); }));
    ourFrame.push_back(TimeNs([&] { ours.Frame(k); }));
  }
  // The kept screen surface starts whole; partial frames follow (and are the last ones of the
  // gauge before the rebuilds, which need its full frames no more).
  ours.Screen.Clear(0);
  ours.Gauge.Paint(ours.Screen);
  ours.Installed.Host.TakeDirty(ours.Gauge);
  for (int k = 0; k < frames; ++k) {
    qwtFrame.push_back(TimeNs([&] { qwt.Frame(k); }));
    ourPartial.push_back(TimeNs([&] { ours.Partial(k); }));
  }
  for (int k = 0; k < rebuilds; ++k) {
    qwtRebuild.push_back(TimeNs([&] { qwt.Rebuild(k); }));
    ourRebuild.push_back(TimeNs([&] { ours.Rebuild(k); }));
  }
  const double qf = Median(qwtFrame), ff = Median(floorFrame), of = Median(ourFrame), op = Median(ourPartial);
  const double qr = Median(qwtRebuild), orb = Median(ourRebuild);
  std::printf("300 x 300 dial, median wall time of %d frames (QwtDial's: twice that) and %d rebuilds each\n", frames,
              rebuilds);
  std::printf("  frame    QwtDial %8.1f us   floor %8.1f us   ours %8.1f us\n", qf / 1e3, ff / 1e3, of / 1e3);
  std::printf("  partial                                             ours %8.1f us (%d of %d whole)\n", op / 1e3,
              ours.Whole, frames);
  std::printf("  rebuild  QwtDial %8.1f us                        ours %8.1f us\n", qr / 1e3, orb / 1e3);
  std::printf("ours/QwtDial frame    %.2f\n", of / qf);
  std::printf("ours/floor frame      %.2f\n", of / ff);
  std::printf("ours partial/QwtDial frame  %.2f\n", op / qf);
  std::printf("ours/QwtDial rebuild  %.2f\n", orb / qr);
  if (!save.empty()) {
    const bool saved = qwt.Save(7, save + kSuffixes[0], error) && floor.Save(7, save + kSuffixes[1], error) &&
                       ours.Save(7, save + kSuffixes[2], error);
    if (!saved) return Fail("cannot write " + error, 1);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  return dw::apps::GuardedMain([&] { return Run(argc, argv); }, Fail);
}
