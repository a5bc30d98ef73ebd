// Issue 12: a whole frame of a gauge, its cached layers included, recorded and then replayed onto
// Cairo paints what drawing it directly paints.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "support/InstrumentTest.h"
#include "support/PixelDiff.h"
#include "dialworks/angular/DWAngularGauge.h"
#include "dialworks/draw/CairoGraphics.h"
#include "dialworks/draw/RecordingGraphics.h"
#include "dialworks/framework/Form.h"

using namespace dw;

namespace {

using dwtest::TScopedHost;
using dwtest::WorstDifference;

// One control painted directly, a twin (with its own cached layers, so that it builds them in
// the recorded frame) painted into a recording that is then replayed. Returns the calls recorded
// into layers.
size_t PaintBothWays(TKVBasicControl& AControl, TKVBasicControl& ATwin, gp::Bitmap& ADirect, gp::Bitmap& AReplayed) {
  {
    gp::CairoGraphics g(ADirect);
    g.Clear(0xFFFFFFFF);
    AControl.Paint(g);
  }
  gp::RecordingGraphics rec(nullptr, gp::SizeF(float(AReplayed.Width()), float(AReplayed.Height())));
  rec.Clear(0xFFFFFFFF);
  ATwin.Paint(rec);
  size_t layerCalls = 0;
  for (const gp::DrawCall& c : rec.Calls()) layerCalls += c.Layer != 0;
  gp::CairoGraphics g(AReplayed);
  rec.ReplayOnto(g);
  return layerCalls;
}

// The speedometer of the examples.
TDWAngularGauge* LoadSpeedometer(TFormLoadResult& AForm) {
  const std::filesystem::path source = std::filesystem::path(DW_TEST_DATA_DIR).parent_path().parent_path();
  std::ifstream in(source / "examples/forms/angular-speedometer.json");
  AForm = LoadForm(std::string(std::istreambuf_iterator<char>(in), {}));
  return AForm ? dynamic_cast<TDWAngularGauge*>(&AForm.Form->Components(0)) : nullptr;
}

}  // namespace

TEST(AngularReplay, RecordedFrameReplaysLikeTheDirectFrame) {
  TScopedHost host;
  TDWAngularGauge gauge, twin;
  for (TDWAngularGauge* g : {&gauge, &twin}) {
    g->SetBounds(0, 0, 180, 180);
    g->SetValue(30);
  }
  host.Host.Advance(5000);
  gp::Bitmap direct(180, 180), replayed(180, 180);
  EXPECT_GT(PaintBothWays(gauge, twin, direct, replayed), 20u);  // the face went into its layers
  EXPECT_EQ(TDWLayeredInstrumentProbe::Builds(twin), 1u);
  EXPECT_LE(WorstDifference(direct, replayed), 1);

  TFormLoadResult form, twinForm;
  TDWAngularGauge* speed = LoadSpeedometer(form);
  TDWAngularGauge* speedTwin = LoadSpeedometer(twinForm);
  ASSERT_TRUE(speed && speedTwin) << form.Error;
  gp::Bitmap direct2(speed->Width(), speed->Height()), replayed2(speed->Width(), speed->Height());
  EXPECT_GT(PaintBothWays(*speed, *speedTwin, direct2, replayed2), 20u);
  EXPECT_LE(WorstDifference(direct2, replayed2), 1);
}
