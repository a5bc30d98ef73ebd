// The shared host contract (HostContract.h) run against the manual and the threaded host.
#include "HostContract.h"

#include <chrono>

#include "dialworks/host/ManualHost.h"
#include "dialworks/host/ThreadedHost.h"

namespace {

struct TManualDriver {
  dw::TManualHost H;
  dw::IHostServices& Host() { return H; }
  void Pump(double AMs) { H.Advance(AMs); }
};

struct TThreadedDriver {
  dw::TThreadedHost H;
  dw::IHostServices& Host() { return H; }
  void Pump(double AMs) {
    using TClock = std::chrono::steady_clock;
    const auto end = TClock::now() + std::chrono::microseconds(int64_t(AMs * 1000));
    for (auto now = TClock::now(); now < end; now = TClock::now())
      H.ProcessEvents(std::chrono::duration_cast<std::chrono::milliseconds>(end - now) +
                      std::chrono::milliseconds(1));
  }
};

}  // namespace

namespace dwtest {
INSTANTIATE_TYPED_TEST_SUITE_P(Manual, HostContract, TManualDriver);
INSTANTIATE_TYPED_TEST_SUITE_P(Threaded, HostContract, TThreadedDriver);
}  // namespace dwtest
