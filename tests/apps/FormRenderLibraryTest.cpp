// The library side of what a new user meets (issue 14): forms rendered through the library call,
// elements added without registration, settled pictures after configuring in code.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <memory>
#include <string>

#include "dialworks/angular/DWAngularGauge.h"
#include "dialworks/angular/DWAngularGaugeHands.h"
#include "dialworks/draw/CairoGraphics.h"
#include "dialworks/foundation/DWLayeredInstrument.h"
#include "dialworks/framework/Form.h"
#include "dialworks/framework/Registry.h"
#include "dialworks/host/DateTime.h"
#include "dialworks/host/ManualHost.h"
#include "dialworks/package/FormRender.h"
#include "support/PixelDiff.h"
#include "support/ShellQuote.h"

namespace {

using namespace dw;
using dwtest::DifferingPixels;
namespace fs = std::filesystem;

const char* kSpeedForm = R"({"format": "dialworks-form", "version": 1, "width": 120, "height": 100,
  "components": [{"class": "TDWAngularGauge", "name": "Speed", "left": 10, "top": 0, "properties": {
    "Width": 100, "Height": 100, "Max": 200, "Value": 20,
    "Elements": [{"class": "TDWGaugeMinMaxHandElement", "Hand": {"Color": "0xFF2060FF"}}]}}]})";

int RunCommand(const std::string& ACommand) {
  const int status = std::system(ACommand.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Slurp(const fs::path& APath) {
  std::ifstream in(APath, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Issue 14: the command renders through the library call, so a server gets the command's
// picture for the same options, byte for byte.
TEST(FormRenderLibrary, RendersWhatTheCommandRendersForTheSameOptions) {
  const fs::path dir = fs::temp_directory_path() / ("dw_form_render_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  {
    std::ofstream(dir / "speed.json") << kSpeedForm;
  }
  const std::string out = (dir / "speed.png").string();
  ASSERT_EQ(RunCommand(dwtest::ShellQuoted(DWRENDER_PATH) + " " + dwtest::ShellQuoted((dir / "speed.json").string()) +
                       " -o " + dwtest::ShellQuoted(out) +
                " --set Speed.Value=170 --time 400 --scale 1.5 --now 2026-01-01T10:08:30 >/dev/null"),
            0);

  IHostServices* before = &HostServices();
  TFormRenderOptions options;
  options.Sets = {"Speed.Value=170"};
  options.Time = 400;  // mid-swing: the picture depends on the time as much as on the value
  options.Scale = 1.5f;
  ASSERT_TRUE(ISOToDateTime("2026-01-01T10:08:30", options.Now.emplace()));
  const std::string png = RenderFormPng(kSpeedForm, options);
  EXPECT_EQ(png, Slurp(out));
  EXPECT_EQ(&HostServices(), before);  // the session's host is gone again

  const gp::Bitmap bitmap = RenderForm(kSpeedForm, options);
  EXPECT_EQ(bitmap.GetWidth(), 180u);
  EXPECT_EQ(bitmap.GetHeight(), 150u);
  options.Time = 5000;
  EXPECT_NE(RenderFormPng(kSpeedForm, options), png);
  fs::remove_all(dir);
}

TEST(FormRenderLibrary, RefusesWithOneMessageNamingThePath) {
  IHostServices* before = &HostServices();
  auto message = [](const std::string& AForm, const TFormRenderOptions& AOptions) -> std::string {
    try {
      (void)RenderForm(AForm, AOptions);
    } catch (const TFormRenderError& e) {
      return e.what();
    }
    return "(rendered)";
  };
  std::string bad = kSpeedForm;
  bad.replace(bad.find("\"Max\": 200"), 10, "\"Max\": \"x\"");
  EXPECT_EQ(message(bad, {}), "$.components[0].properties.Max: expected a number");
  TFormRenderOptions options;
  options.Sets = {"Speed.Value=50", "Speed.Scale.Bogus=1"};
  EXPECT_EQ(message(kSpeedForm, options).rfind("--set Speed.Scale.Bogus: ", 0), 0u) << message(kSpeedForm, options);
  options.Sets = {"Nobody.Value=1"};
  EXPECT_EQ(message(kSpeedForm, options).rfind("--set Nobody.Value=1: the form has no component named", 0), 0u);
  options = {};
  options.MaxPixels = 1000;
  EXPECT_EQ(message(kSpeedForm, options),
            "the form is 120 x 100 at scale 1: 12000 pixels are more than 1000 (raise the limit with --max-pixels)");
  options = {};
  options.Scale = 0;
  EXPECT_EQ(message(kSpeedForm, options), "--scale must be more than 0 and at most 16");
  // 2049 * 15.9919472 is just under 32767.5, but the side made in float arithmetic is 32768.
  options.Scale = 15.9919472f;
  EXPECT_EQ(message(R"({"format": "dialworks-form", "version": 1, "width": 2049, "height": 10})", options),
            "the form is 2049 x 10 at scale 15.9919: a side of the picture would be over 32767 pixels");
  options = {};
  options.Time = std::numeric_limits<double>::quiet_NaN();
  EXPECT_NE(message(kSpeedForm, options), "(rendered)");
  EXPECT_EQ(message(R"({"format": "dialworks-form", "version": 1, "width": 0})", {}),
            "the form is 0 x 480 at scale 1: the picture would be empty");
  EXPECT_EQ(&HostServices(), before);
}

// A form of many controls: those wholly outside the picture are not painted, a one-shot render
// frees each control's layers once it is painted (a frame sequence keeps them for the next frame)
// and draws the same picture, and a form whose visible controls cover more than the allowed
// number of pictures is refused before anything is drawn.
TEST(FormRenderLibrary, RendersBoundTheirWorkByTheControlsInThePicture) {
  std::string text = R"({"format": "dialworks-form", "version": 1, "width": 100, "height": 100, "components": [)";
  const int inside = 24;
  for (int i = 0; i < inside; ++i)
    text += R"({"class": "TDWAngularGauge", "left": )" + std::to_string(i * 4 - 40) +
            R"(, "properties": {"Width": 100, "Height": 100, "Value": )" + std::to_string(i * 4) + "}}, ";
  for (const char* at : {R"("left": 100)", R"("top": -100)", R"("left": 5000, "top": 5000)"})
    text += R"({"class": "TDWAngularGauge", )" + std::string(at) + R"(, "properties": {"Width": 100, "Height": 100}}, )";
  text.resize(text.size() - 2);
  text += "]}";

  auto gauge = [](TFormSession& ASession, size_t AIndex) -> TDWAngularGauge& {
    return dynamic_cast<TDWAngularGauge&>(ASession.Form()->Components(AIndex));
  };
  std::string error;
  TFormSession kept;
  ASSERT_TRUE(kept.Load(text, error)) << error;
  const gp::Bitmap framePicture = kept.Render(1, false);
  EXPECT_EQ(kept.Painted(), size_t(inside));
  for (size_t i = 0; i < inside + 3; ++i) {
    EXPECT_EQ(TDWLayeredInstrumentProbe::Draws(gauge(kept, i)), i < inside ? 1u : 0u) << i;
    if (i < inside) {
      EXPECT_GE(TDWLayeredInstrumentProbe::Bytes(gauge(kept, i)), size_t(100 * 100 * 4)) << i;
    }
  }

  TFormSession once;
  ASSERT_TRUE(once.Load(text, error)) << error;
  const gp::Bitmap oneShot = once.Render(1, true);
  EXPECT_EQ(once.Painted(), size_t(inside));
  for (size_t i = 0; i < inside + 3; ++i) EXPECT_EQ(TDWLayeredInstrumentProbe::Bytes(gauge(once, i)), 0u) << i;
  EXPECT_EQ(DifferingPixels(oneShot, framePicture), 0);
  EXPECT_EQ(DifferingPixels(RenderForm(text), framePicture), 0);
  // At a fractional scale the layers' resampling onto the device's pixels goes too.
  (void)once.Render(1.5f, true);
  for (size_t i = 0; i < inside + 3; ++i) EXPECT_EQ(TDWLayeredInstrumentProbe::Bytes(gauge(once, i)), 0u) << i;

  // The gauges inside show 60, 64 .. 96, 100, 96 .. 48 columns of 100 pixels: 181600 in all.
  EXPECT_TRUE(once.CheckPaintedArea(1, 181600 / TFormRenderOptions::MaxPaintedPictures, error)) << error;
  TFormRenderOptions options;
  options.MaxPixels = 181600 / TFormRenderOptions::MaxPaintedPictures - 1;
  try {
    (void)RenderForm(text, options);
    ADD_FAILURE() << "rendered";
  } catch (const TFormRenderError& e) {
    EXPECT_STREQ(e.what(),
                 "the form is 100 x 100 at scale 1: its visible controls cover 181600 pixels of the picture, more "
                 "than 16 times the limit of 11349 pixels (raise the limit with --max-pixels)");
  }
  // Device pixels count: twice the scale, four times the area.
  EXPECT_TRUE(once.CheckPaintedArea(2, 4 * 181600 / TFormRenderOptions::MaxPaintedPictures, error)) << error;
  EXPECT_FALSE(once.CheckPaintedArea(2, 4 * 181600 / TFormRenderOptions::MaxPaintedPictures - 1, error));
  EXPECT_NE(error.find("cover 726400 pixels"), std::string::npos) << error;
}

// Sessions on one thread may end in any order; the host from before the first comes back last,
// and no ended session's host stays installed.
TEST(FormRenderLibrary, SessionsEndingInAnyOrderLeaveTheHostBeforeThem) {
  IHostServices* before = &HostServices();
  auto a = std::make_unique<TFormSession>();
  auto b = std::make_unique<TFormSession>();
  a.reset();
  EXPECT_EQ(&HostServices(), &b->Host());
  b.reset();
  EXPECT_EQ(&HostServices(), before);

  a = std::make_unique<TFormSession>();
  b = std::make_unique<TFormSession>();
  auto c = std::make_unique<TFormSession>();
  b.reset();
  EXPECT_EQ(&HostServices(), &c->Host());
  c.reset();
  EXPECT_EQ(&HostServices(), &a->Host());
  a.reset();
  EXPECT_EQ(&HostServices(), before);
}

gp::Bitmap Paint(TKVBasicControl& AControl) {
  gp::Bitmap bitmap(AControl.Width(), AControl.Height());
  gp::CairoGraphics g(bitmap);
  AControl.Paint(g);
  g.Flush();
  return bitmap;
}

// Issue 14: elements need no registration call first; the element's unit registers on the first
// Add, so the whole form saves and loads back.
TEST(FormRenderLibrary, ElementsAreAddedWithoutRegistrationAndLoadBack) {
  if (FindRegisteredClass("TDWAngularGauge"))
    GTEST_SKIP() << "the package is registered already (ctest runs each test in a process of its own)";
  TManualHost host;
  SetHostServices(&host);
  {
    TDWForm form;
    auto& gauge = TComponent::Create<TDWAngularGauge>(form);
    gauge.SetName("Speed");
    TDWGaugeMinMaxHandElement& peak = gauge.Elements().Add<TDWGaugeMinMaxHandElement>();
    peak.SetMode(gmmMin);
    gauge.Elements().Add<TDWAngularGaugeElement>().SetAntiAliased(false);
    EXPECT_THROW(gauge.Elements().Add<TDWExternalAngularGaugeMatrixLayer>(), TElementRefused);  // matrix only

    const std::string text = SaveForm(form);
    TFormLoadResult loaded = LoadForm(text);
    ASSERT_TRUE(loaded) << loaded.Error;
    auto& copy = static_cast<TDWAngularGauge&>(loaded.Form->Components(0));
    ASSERT_EQ(copy.Elements().Count(), 2u);
    EXPECT_EQ(static_cast<TDWGaugeMinMaxHandElement&>(copy.Elements().ItemComponent(0)).Mode(), gmmMin);
    EXPECT_EQ(SaveForm(*loaded.Form), text);
  }
  SetHostServices(nullptr);
}

void Configure(TDWAngularGauge& AGauge) {
  AGauge.SetBounds(0, 0, 160, 160);
  AGauge.SetMax(200);
  TDWGaugeMinMaxHandElement& peak = AGauge.Elements().Add<TDWGaugeMinMaxHandElement>();
  peak.Hand().SetColor(0xFF2060FF);
  peak.AutoReset().SetEnabled(false);
  AGauge.Elements().Add<TDWAngularGaugeElement>();  // a gauge inside, with a hand of its own
  AGauge.SetValue(150);
}

// Issue 14: Settle paints at once what the gauge shows once its animations have run out, without
// touching the first-value rule (the first value after SetMax still animates; later ones too).
TEST(FormRenderLibrary, SettlePaintsTheArrivedPictureAndKeepsTheFirstValueRule) {
  TManualHost host;
  SetHostServices(&host);
  {
    TDWAngularGauge settled, waited, unsettled;
    Configure(settled);
    Configure(waited);
    Configure(unsettled);
    ASSERT_TRUE(settled.Animating());  // the rule: this first value after SetMax animates
    auto& inner = static_cast<TDWAngularGaugeElement&>(settled.Elements().ItemComponent(1));
    settled.Settle();
    EXPECT_FALSE(settled.Animating());
    EXPECT_FALSE(inner.Animating());
    EXPECT_EQ(settled.Hand().GetCurrentAngle(), settled.Hand().GetTargetAngle());
    const gp::Bitmap now = Paint(settled);
    EXPECT_GT(DifferingPixels(now, Paint(unsettled)), 50);  // painting at once shows the old angle

    host.Advance(20000);
    while (host.RunPosted() > 0) {}
    ASSERT_FALSE(waited.Animating());
    EXPECT_EQ(DifferingPixels(now, Paint(waited)), 0);
    EXPECT_EQ(DifferingPixels(Paint(settled), now), 0);  // nothing moved on after Settle

    settled.SetValue(40);
    EXPECT_TRUE(settled.Animating());  // later values animate as before
    settled.Settle();
    EXPECT_EQ(settled.Hand().GetCurrentAngle(), settled.Hand().GetTargetAngle());
    // A fresh gauge's first value still jumps, Settle or not.
    TDWAngularGauge fresh;
    fresh.SetValue(60);
    EXPECT_FALSE(fresh.Animating());
  }
  SetHostServices(nullptr);
}

}  // namespace
