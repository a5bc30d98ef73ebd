// The angular gauge on real pixels: the background under the dial. (The hand, the face and the
// glass as drawn: the recording tests and the reference images.)
#include <gtest/gtest.h>

#include "dialworks/angular/DWAngularGauge.h"
#include "dialworks/draw/CairoGraphics.h"
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
