// dwview: shows a Dialworks form live in a window (animations in real time, control hands
// draggable).
//
//   dwview FORM.json [--set Comp.Path=Value]... [--demo [--demo-interval MS]]
//   dwview FORM.json --screenshot OUT.png --quit-after MS     (for tests, also offscreen)
//
// A form that cannot be loaded, a bad --set and bad options print one message (the render
// command's wording) and exit with 2 before any window opens, as do a screenshot path that is a
// folder or in a missing one and, without --screenshot, no display; a screenshot that cannot be
// written exits with 1. Without a display a screenshot is taken on Qt's offscreen platform.
#include <CLI/CLI.hpp>

#include <QApplication>
#include <QBuffer>
#include <QByteArray>
#include <QGuiApplication>
#include <QImage>
#include <QTimer>

#include <cmath>
#include <cstdio>
#include <exception>
#include <new>
#include <string>
#include <vector>

#include "CliNumber.h"
#include "FormRender.h"
#include "OutputFile.h"
#include "dialworks/framework/Elements.h"
#include "dialworks/framework/PropertyTable.h"
#include "dialworks/package/DialworksPkg.h"
#include "dialworks/qt/InstrumentWidget.h"
#include "dialworks/qt/QtHost.h"

namespace {

int Fail(const std::string& AMessage, int ACode = 2) {
  std::fprintf(stderr, "dwview: %s\n", AMessage.c_str());
  return ACode;
}

std::optional<double> NumberProperty(dw::TComponent& AComponent, const char* AName) {
  const std::optional<dw::TPropValue> v = dw::GetPropertyValue(AComponent, AName);
  if (!v || !v->is_number()) return std::nullopt;
  const double d = v->get<double>();
  return std::isfinite(d) ? std::optional<double>(d) : std::nullopt;
}

// Moves every instrument with a numeric Value between its Min and Max, the form's components and
// the elements they hold (at any depth): a slow wave, each a little later than the one before.
void FeedDemoValue(dw::TComponent& AComponent, int AStep, int& AIndex) {
  const int index = AIndex++;
  if (NumberProperty(AComponent, "Value")) {
    const double lo = NumberProperty(AComponent, "Min").value_or(0), hi = NumberProperty(AComponent, "Max").value_or(100);
    if (hi > lo) {
      const double share = 0.5 + 0.45 * std::sin(0.9 * AStep + 1.3 * double(index));
      char text[64];
      std::snprintf(text, sizeof text, "%.6g", lo + share * (hi - lo));
      dw::SetPropertyText(AComponent, "Value", text);
    }
  }
  auto* control = dynamic_cast<dw::TKVBasicControl*>(&AComponent);
  if (dw::TRXComponentElements* elements = control ? control->ElementList() : nullptr)
    for (size_t i = 0; i < elements->Count(); ++i) FeedDemoValue(elements->ItemComponent(i), AStep, AIndex);
}

void FeedDemoValues(dw::TDWForm& AForm, int AStep) {
  int index = 0;
  for (size_t i = 0; i < AForm.ComponentCount(); ++i) FeedDemoValue(AForm.Components(i), AStep, index);
}

int Run(int argc, char** argv) {
  CLI::App app{"dwview: show a Dialworks form live"};
  std::string form, screenshot;
  std::vector<std::string> sets;
  bool demo = false;
  double demoInterval = 1500, quitAfter = 0;
  double maxFormBytes = double(dw::apps::DefaultMaxFormBytes);
  app.add_option("form", form, "the JSON form to show")->required();
  app.add_option("--set", sets, "Component.Path=Value, set through the property's setter (repeatable)");
  CLI::Option* demoFlag = app.add_flag("--demo", demo, "feed every instrument with a Value changing values");
  app.add_option("--demo-interval", demoInterval, "milliseconds between demo values (with --demo)")
      ->check(dw::apps::Number(50, 1e6))
      ->needs(demoFlag)
      ->capture_default_str();
  app.add_option("--screenshot", screenshot,
                 "write the window's picture to this PNG file, - for standard output (with --quit-after)");
  app.add_option("--quit-after", quitAfter, "close after this many milliseconds")->check(dw::apps::Number(1, 1e8));
  app.add_option("--max-form-bytes", maxFormBytes, "the longest form file read")
      ->check(dw::apps::Number(1, 1 << 30, true))
      ->capture_default_str();
  try {
    app.parse(argc, argv);
  } catch (const CLI::Success& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    return Fail(e.what());
  }
  if (!screenshot.empty() && quitAfter <= 0) return Fail("--screenshot needs --quit-after MS");
  std::string error;
  if (!screenshot.empty() && !dw::apps::CheckOutputPlace(screenshot, error)) return Fail("cannot write " + error);

  // Everything that can fail with the form is checked before a window exists.
  std::string text;
  if (!dw::apps::ReadInputFile(form, size_t(maxFormBytes), text, error)) return Fail(error);
  if (!screenshot.empty() && !dw::apps::CheckOutputIsNotInput(screenshot, form, error)) return Fail(error);
  // Qt aborts when it finds no window system it can reach. Unless the platform is chosen by the
  // caller, the offscreen one is the last to try: a screenshot needs no window system, and a
  // window that cannot be shown is refused below.
  bool fallback = false;
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    const bool wayland = !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"), x11 = !qEnvironmentVariableIsEmpty("DISPLAY");
    if (!wayland && !x11 && screenshot.empty()) return Fail("no display: set DISPLAY, or QT_QPA_PLATFORM=offscreen");
    qputenv("QT_QPA_PLATFORM", QByteArray(wayland ? "wayland;" : "") + (x11 ? "xcb;" : "") + "offscreen");
    fallback = true;
  }
  int qtArgc = 1;
  char* qtArgv[] = {argv[0], nullptr};
  QApplication qapp(qtArgc, qtArgv);
  if (fallback && screenshot.empty() && QGuiApplication::platformName() == "offscreen")
    return Fail("cannot reach the display: check DISPLAY, or set QT_QPA_PLATFORM=offscreen");
  dw::qt::TQtHost host;
  dw::RegisterDialworksPackage();
  dw::TFormLoadResult loaded = dw::LoadForm(text);
  if (!loaded) return Fail(form + ": " + loaded.Error);
  for (const std::string& s : sets)
    if (!dw::SetFormProperty(loaded.Form.get(), s, error)) return Fail(error);
  dw::TDWForm& shown = *loaded.Form;

  dw::qt::InstrumentWidget window(host, std::move(loaded.Form));
  window.setWindowTitle(QString::fromStdString("dwview - " + form));
  window.show();

  QTimer demoTimer;
  int step = 0;
  if (demo) {
    QObject::connect(&demoTimer, &QTimer::timeout, [&] { FeedDemoValues(shown, ++step); });
    FeedDemoValues(shown, 0);
    demoTimer.start(int(demoInterval));
  }
  int code = 0;
  if (quitAfter > 0)
    QTimer::singleShot(int(quitAfter), [&] {
      if (!screenshot.empty()) {
        // Encoded first, then written as the render command writes: a failed write leaves no
        // torn file and an old one as it was; "-" is standard output.
        const QImage picture = window.grab().toImage();
        QByteArray png;
        QBuffer buffer(&png);
        std::string why;
        if (!buffer.open(QIODevice::WriteOnly) || !picture.save(&buffer, "PNG")) {
          code = Fail("cannot encode the screenshot", 1);
        } else if (!dw::apps::WriteOutputFile(screenshot, std::string(png.constData(), size_t(png.size())), why)) {
          code = Fail("cannot write " + why, 1);
        } else {
          std::fprintf(screenshot == "-" ? stderr : stdout, "wrote %s\n", screenshot.c_str());
        }
      }
      qapp.quit();
    });
  const int exitCode = qapp.exec();
  return code != 0 ? code : exitCode;
}

}  // namespace

int main(int argc, char** argv) {
  return dw::apps::GuardedMain([&] { return Run(argc, argv); }, Fail);
}
