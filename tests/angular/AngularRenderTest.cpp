// The angular gauge on real pixels and in forms: the background under the dial, the registered
// classes through the generic table check and a form round trip. (The hand, the face and the glass
// as drawn: the recording tests and the reference images.)
#include <gtest/gtest.h>

#include "dialworks/angular/DWAngularGauge.h"
#include "dialworks/draw/CairoGraphics.h"
#include "dialworks/framework/Registry.h"
#include "support/TableCheck.h"
#include "support/InstrumentTest.h"

using namespace dw;

using dwtest::TScopedHost;

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
