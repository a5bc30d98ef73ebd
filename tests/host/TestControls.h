// Stand-in controls for repaint counting: the hosts identify a control by its address only and
// never touch it, so any distinct addresses serve.
#pragma once

#include "dialworks/host/HostServices.h"

namespace dwtest {

inline dw::TKVBasicControl& FakeControl(int AIndex) {
  alignas(16) static char storage[8][16];
  return *reinterpret_cast<dw::TKVBasicControl*>(storage[AIndex & 7]);
}

}  // namespace dwtest
