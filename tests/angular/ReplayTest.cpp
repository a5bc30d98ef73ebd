// Issue 12: a whole frame of a gauge, its cached layers included, recorded and then replayed onto
// Cairo paints what drawing it directly paints.
#include <gtest/gtest.h>

#include "support/InstrumentTest.h"
#include "dialworks/angular/DWAngularGauge.h"
#include "dialworks/draw/CairoGraphics.h"
#include "dialworks/draw/RecordingGraphics.h"
#include "dialworks/framework/Form.h"

using namespace dw;

namespace {

using dwtest::TScopedHost;

int WorstDifference(const gp::Bitmap& a, const gp::Bitmap& b) {
  int worst = 0;
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width(); ++x) {
      const TAlphaColor p = a.GetPixel(x, y), q = b.GetPixel(x, y);
      for (int s = 0; s < 32; s += 8) worst = std::max(worst, std::abs(int((p >> s) & 255) - int((q >> s) & 255)));
    }
  return worst;
}

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

// The speedometer of the examples (examples/forms/angular-speedometer.json).
constexpr const char* kSpeedometer = R"JSON({
  "format": "dialworks-form",
  "version": 1,
  "width": 320,
  "height": 320,
  "color": "0xFF202428",
  "components": [
    {"class": "TDWAngularGauge", "name": "Speed", "left": 10, "top": 10, "properties": {
      "Width": 300, "Height": 300, "Max": 240, "Value": 130,
      "Color": "0xFF14181C",
      "Border": {"Color": "0xFF3A4048", "OuterBevel": {"Width": {"Value": 0.025}}, "InnerBevel": {"Width": {"Value": 0.012}}},
      "Caption": {"Text": "km/h", "Font": {"Bold": true, "Size": {"Value": 0.11}, "Brush": {"Color": "0xFFE0E0E0"}},
                  "Position": {"Y": {"Value": 0.45}}},
      "Scale": {"MajorTicks": {"Count": 13, "Brush": {"Color": "0xFFF0F0F0"},
                               "Labels": {"Position": {"Value": 0.78}, "Font": {"Bold": true, "Size": {"Value": 0.095}, "Brush": {"Color": "0xFFF0F0F0"}}}},
                "MinorTicks": {"Count": 3, "Brush": {"Color": "0xFFB0B0B0"}}},
      "Ranges": {"Color": "0x00000000", "Width": {"Value": 0.035},
                 "Ranges": [{"Color": "0x00000000", "Range": 0.5}, {"Color": "0xFFFFB000", "Range": 0.25}, {"Color": "0xFFE02020", "Range": 0.25}]},
      "Hand": {"Color": "0xFFFF5020", "Length": {"Value": 0.82}},
      "Center": {"Top": {"Color": "0xFF30363C"}},
      "Glass": {"LightColor": "0x48FFFFFF"},
      "Elements": [{"class": "TDWGaugeMinMaxHandElement", "Hand": {"Color": "0xC0FFD040", "Length": {"Value": 0.7}, "TipWidth": {"Value": 0.015}}}]
    }}
  ]
})JSON";

TDWAngularGauge* LoadSpeedometer(TFormLoadResult& AForm) {
  AForm = LoadForm(kSpeedometer);
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
