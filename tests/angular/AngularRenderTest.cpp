// The angular gauge on real pixels and in forms: the hand's tip where the value says, the glass
// lightening the upper half, the registered classes through the generic table check and a form
// round trip.
#include <gtest/gtest.h>

#include "dialworks/angular/DWAngularGauge.h"
#include "dialworks/draw/CairoGraphics.h"
#include "dialworks/framework/Registry.h"
#include "support/TableCheck.h"
#include "support/InstrumentTest.h"

using namespace dw;

namespace {

using dwtest::TScopedHost;

gp::Bitmap Render(TKVBasicControl& AControl) { return dwtest::RenderControl(AControl, 0xFFFFFFFF); }

bool IsBlue(TAlphaColor c) { return GetBlue(c) > 180 && GetRed(c) < 80 && GetGreen(c) < 80; }

// Mean brightness (sum of the three channels) of the pixels inside the ring from the centre.
double MeanBrightness(const gp::Bitmap& b, int AY0, int AY1, float ARadius) {
  double sum = 0;
  int n = 0;
  const float c = b.Width() / 2.0f;
  for (int y = AY0; y < AY1; ++y)
    for (int x = 0; x < b.Width(); ++x) {
      const float dx = x + 0.5f - c, dy = y + 0.5f - c;
      if (dx * dx + dy * dy > ARadius * ARadius) continue;
      const TAlphaColor p = b.GetPixel(x, y);
      sum += GetRed(p) + GetGreen(p) + GetBlue(p);
      ++n;
    }
  return n ? sum / n : 0;
}

}  // namespace

TEST(AngularRender, HandTipHasTheHandColourAtTheValueAngle) {
  TScopedHost host;
  TDWAngularGauge g;
  g.SetBounds(0, 0, 200, 200);
  g.Glass().SetVisible(false);
  g.Hand().SetColor(0xFF0000FF);
  g.Hand().Shadow().SetVisible(false);
  g.SetValue(50);  // straight up (animated: the settings above used up the first jump)
  host.Host.Advance(5000);
  const TDWDialLayout L = g.Layout(200, 200);
  gp::Bitmap b = Render(g);
  const float r = 0.65f * L.Radius;  // inside the hand's length (0.78 R0), outside the cap
  EXPECT_TRUE(IsBlue(b.GetPixel(100, int(100 - r)))) << std::hex << b.GetPixel(100, int(100 - r));
  EXPECT_FALSE(IsBlue(b.GetPixel(int(100 + r), 100)));
  EXPECT_FALSE(IsBlue(b.GetPixel(int(100 - r * 0.7071f), int(100 + r * 0.7071f))));

  g.SetValue(0);  // down-left, 135 degrees on screen
  host.Host.Advance(5000);
  b = Render(g);
  EXPECT_TRUE(IsBlue(b.GetPixel(int(100 - r * 0.7071f), int(100 + r * 0.7071f))));
  EXPECT_FALSE(IsBlue(b.GetPixel(100, int(100 - r))));
}

TEST(AngularRender, GlassLightensTheUpperHalf) {
  TScopedHost host;
  TDWAngularGauge g;
  g.SetBounds(0, 0, 200, 200);
  g.Hand().SetVisible(false);
  g.Glass().SetVisible(false);
  const float r = g.Layout(200, 200).Radius - 2;
  const gp::Bitmap without = Render(g);
  g.Glass().SetVisible(true);
  const gp::Bitmap with = Render(g);
  const double upperGain = MeanBrightness(with, 0, 100, r) - MeanBrightness(without, 0, 100, r);
  const double lowerGain = MeanBrightness(with, 100, 200, r) - MeanBrightness(without, 100, 200, r);
  EXPECT_GT(upperGain, 20);
  EXPECT_GT(upperGain, 3 * std::max(lowerGain, 1.0));
}

// The control's background is painted once under the dial, and not at all when the gauge is
// drawn embedded in another instrument.
TEST(AngularRender, BackgroundIsOneCoatUnderTheDial) {
  TScopedHost host;
  TDWAngularGauge g;
  g.SetBounds(0, 0, 100, 100);
  g.Background().SetColor(0x80FF0000);
  const TAlphaColor corner = dwtest::RenderControl(g).GetPixel(1, 1);  // outside the round face
  EXPECT_NEAR(GetAlpha(corner), 0x80, 2) << std::hex << corner;
  EXPECT_GT(GetRed(corner), 0xF0);
  gp::Bitmap embedded(100, 100);
  {
    gp::CairoGraphics cg(embedded);
    g.IntDraw(cg, {1, 1, 100, 100, 100, 100, true, false});
  }
  EXPECT_EQ(embedded.GetPixel(1, 1), 0u);
}

// Every class this unit registers passes the generic table check (defaults, no notification on an
// unchanged value, save -> load -> save, bad-input policies), nested objects included.
TEST(AngularForms, RegisteredClassesPassTheTableCheckAndRoundTrip) {
  TScopedHost host;
  int checked = 0;
  EXPECT_EQ(CheckUnitTables("DWAngularGauge", {"TDWExternalAngularGaugeMatrixElement"}, &checked), std::vector<std::string>{});
  EXPECT_GE(checked, 5);

  const char* form = R"({
  "format": "dialworks-form", "version": 1, "width": 300, "height": 300, "color": "0xFFF0F0F0",
  "components": [{"class": "TDWAngularGauge", "name": "Speed", "left": 0, "top": 0, "properties": {
    "Width": 300, "Height": 300, "Max": 240, "Value": 80, "Color": "0xFF202020",
    "Caption": {"Text": "km/h"},
    "Scale": {"MinAngle": -45, "MaxAngle": 225, "Reversed": true},
    "Ranges": {"Ranges": [{"Color": "0xFFFF0000", "Range": 0.2}]},
    "Elements": [{"class": "TDWAngularGaugeElement", "Size": {"Width": {"Value": 0.25}}}]
  }}]})";
  const std::unique_ptr<TDWForm> second = dwtest::RoundTripForm(form);
  ASSERT_NE(second, nullptr);
  auto* gauge = dynamic_cast<TDWAngularGauge*>(&second->Components(0));
  ASSERT_NE(gauge, nullptr);
  EXPECT_EQ(gauge->Value(), 80);
  EXPECT_TRUE(gauge->Scale().Reversed());
  // The streamed value is shown at once, and the mirroring element shows the host's values.
  EXPECT_FALSE(gauge->Animating());
  EXPECT_FLOAT_EQ(gauge->Hand().GetCurrentAngle(), gauge->ValueToAngle(0, 240, 80));
  ASSERT_EQ(gauge->Elements().Count(), 1u);
  auto& element = dynamic_cast<TDWAngularGaugeElement&>(gauge->Elements().ItemComponent(0));
  EXPECT_EQ(element.Max(), 240);
  EXPECT_EQ(element.Value(), 80);
}
