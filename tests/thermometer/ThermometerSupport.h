// A manual host installed for one test, with every unit registered, and a real render.
#pragma once

#include <algorithm>

#include "dialworks/draw/Bitmap.h"
#include "dialworks/draw/CairoGraphics.h"
#include "dialworks/framework/Control.h"
#include "dialworks/host/ManualHost.h"
#include "dialworks/package/DialworksPkg.h"

namespace dwtest {

struct TScopedHost {
  dw::TManualHost Host;
  TScopedHost() {
    dw::SetHostServices(&Host);
    dw::RegisterDialworksPackage();
  }
  ~TScopedHost() { dw::SetHostServices(nullptr); }
};

inline dw::gp::Bitmap Render(dw::TKVBasicControl& AControl) {
  dw::gp::Bitmap b(std::max(AControl.Width(), 1), std::max(AControl.Height(), 1));
  dw::gp::CairoGraphics g(b);
  AControl.Paint(g);
  return b;
}

}  // namespace dwtest
