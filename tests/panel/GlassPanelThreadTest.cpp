// The glass panel while data threads feed the pins of the instruments it holds: destroying what
// it holds on this thread (run under ThreadSanitizer too).
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "dialworks/angular/DWAngularGauge.h"
#include "dialworks/host/Pins.h"
#include "dialworks/host/ThreadedHost.h"
#include "dialworks/panel/DWGlassPanel.h"
#include "support/InstrumentTest.h"

using namespace dw;

namespace {

struct TThreadedScope {
  TThreadedHost Host;
  TThreadedScope() {
    SetHostServices(&Host);
    RegisterDialworksPackage();
  }
  ~TThreadedScope() { SetHostServices(nullptr); }
};

}  // namespace

// A panel held as an element goes while a data thread feeds the gauge it holds: the gauge, which
// calls up to the panel with every value, must be gone before any of the panel is.
TEST(GlassPanelThreads, PanelElementDestroyedWhileItsGaugeIsFed) {
  TThreadedScope scope;
  TPXRealSourcePin source;
  std::atomic<bool> stop{false};
  std::thread feeder([&] {
    for (int i = 0; !stop; ++i) source.SendValue(double(i % 100));
  });
  TDWGlassPanel host;
  for (int round = 0; round < 40; ++round) {
    auto& inner = host.Elements().Add<TDWGlassPanelElement>();
    auto& gauge = inner.Elements().Add<TDWExternalAngularGaugeElement>();
    ASSERT_TRUE(source.Connect(gauge.InputPin()));
    (void)dwtest::RenderControl(host);
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    host.Elements().Delete(0);
    scope.Host.ProcessEvents();
  }
  stop = true;
  feeder.join();
}

// The same order seen from the held gauge: when it goes, the panel element holding it is still
// whole (its pins, cut then, could otherwise call into a half-destroyed holder).
TEST(GlassPanelThreads, HeldElementsGoWhileTheirPanelIsWhole) {
  dwtest::TScopedHost host;
  TDWGlassPanel outer;
  auto& inner = outer.Elements().Add<TDWGlassPanelElement>();
  const TComponent* holder = &inner;
  auto& gauge = inner.Elements().Add<TDWExternalAngularGaugeElement>();
  bool freed = false, holderWhole = false;
  TComponentRef<TComponent> ref(&gauge);
  ref.OnFree = [&] {
    freed = true;
    holderWhole = dynamic_cast<const TDWGlassPanelElement*>(holder) != nullptr;
  };
  outer.Elements().Delete(0);
  EXPECT_TRUE(freed);
  EXPECT_TRUE(holderWhole) << "the gauge outlived the panel element holding it";
}
