// The README's example against an installed library: a gauge painted into a bitmap.
#include <cstdio>

#include "dialworks/dialworks.h"

static_assert(__cplusplus >= 202002L, "dialworks::dialworks must ask for C++20");

int main() {
  dw::TManualHost host;
  dw::SetHostServices(&host);
  dw::TDWAngularGauge gauge;
  gauge.SetBounds(0, 0, 200, 200);
  gauge.SetValue(72.5);
  dw::gp::Bitmap bitmap(200, 200);
  {
    dw::gp::CairoGraphics g(bitmap);
    gauge.Paint(g);
  }
  dw::SetHostServices(nullptr);
  // The face colour shows beside the centre, the corners stay transparent.
  if (bitmap.GetPixel(100, 150) != 0xFFD3D3D3u || dw::GetAlpha(bitmap.GetPixel(0, 0)) != 0) {
    std::fprintf(stderr, "consumer: the gauge was not painted as expected (%08X)\n",
                 static_cast<unsigned>(bitmap.GetPixel(100, 150)));
    return 1;
  }
  std::puts("consumer: gauge painted");
  return 0;
}
