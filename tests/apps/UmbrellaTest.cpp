// The README's example, compiled through the umbrella header: a gauge painted into a bitmap.
#include <gtest/gtest.h>

#include "dialworks/dialworks.h"

TEST(Umbrella, ReadmeExampleDrawsAGauge) {
  dw::TManualHost host;  // virtual time; installs itself as the host services
  dw::SetHostServices(&host);
  dw::TDWAngularGauge gauge;
  gauge.SetBounds(0, 0, 200, 200);
  gauge.SetValue(72.5);
  dw::gp::Bitmap bitmap(200, 200);
  dw::gp::CairoGraphics g(bitmap);
  gauge.Paint(g);
  // The face colour shows beside the centre, the corners stay transparent.
  EXPECT_EQ(bitmap.GetPixel(100, 150), 0xFFD3D3D3u);
  EXPECT_EQ(dw::GetAlpha(bitmap.GetPixel(0, 0)), 0);
  dw::SetHostServices(nullptr);
}
