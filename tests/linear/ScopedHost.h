// A manual host installed for one test, with every unit registered.
#pragma once

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

}  // namespace dwtest
