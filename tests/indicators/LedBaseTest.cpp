// The LED base on a plain control (no value model), as an on/off LED would use it: the lit body
// in the active colour, the inactive colour when off, the glass layer, the table of its entries.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "dialworks/draw/RecordingGraphics.h"
#include "dialworks/indicators/DWLed.h"
#include "support/InstrumentTest.h"
#include "support/TableCheck.h"

namespace {

using namespace dw;

class TTestOnOffLed : public TDWBasicInactiveColorLed<TKVBasicControl> {
  DW_CLASS(TTestOnOffLed, TKVBasicControl)
  using TDWBasicInactiveColorLed::TDWBasicInactiveColorLed;
  bool Active = true;
  bool GetIsOn() const override { return Active; }
  TAlphaColor GetActiveColor() const override { return 0xFFFF0000; }
};

}  // namespace

DW_PROPERTIES(TTestOnOffLed) { DWDeclareInactiveColorLedProperties(t); }

TEST(LedBase, OnOffLedOnAPlainControl) {
  dwtest::TScopedHost host;
  TTestOnOffLed led;
  led.SetBounds(0, 0, 30, 30);
  led.SetShape(bsRoundRect);
  led.Glass().SetVisible(false);
  gp::Bitmap b = dwtest::RenderControl(led);
  EXPECT_EQ(b.GetPixel(15, 15), 0xFFFF0000u);
  EXPECT_NE(GetAlpha(b.GetPixel(2, 15)), 0);  // the glow beside the bezel
  led.Active = false;
  led.Invalidate();
  b = dwtest::RenderControl(led);
  EXPECT_EQ(b.GetPixel(15, 15), TTestOnOffLed::DefaultInactiveColor);
  EXPECT_EQ(GetAlpha(b.GetPixel(2, 15)), 0);  // no glow while off
  // The glass lies in the top layer, over the body.
  led.Glass().SetVisible(true);
  gp::RecordingGraphics rec;
  led.Paint(rec);
  int layers = 0;
  for (const gp::DrawCall& c : rec.Calls()) layers = std::max(layers, c.Layer);
  EXPECT_EQ(layers, 2);
  ASSERT_FALSE(rec.Drawing().empty());
  EXPECT_EQ(rec.Drawing().back()->Op, "DrawImage");
  EXPECT_EQ(CheckClassTables(TTestOnOffLed::StaticClass()), std::vector<std::string>{});
}
