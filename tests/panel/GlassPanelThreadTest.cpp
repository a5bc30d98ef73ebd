// The glass panel while data threads feed the pins of the instruments it holds: painting,
// resizing, adding and removing elements and destroying the panel on this thread (run under
// ThreadSanitizer too).
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include "dialworks/angular/DWAngularGauge.h"
#include "dialworks/host/Pins.h"
#include "dialworks/host/ThreadedHost.h"
#include "dialworks/panel/DWGlassPanel.h"
#include "dialworks/segment/DWSegmentGauge.h"
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

// Sends a rising and falling value through its pin from a thread of its own until destroyed.
class TFeeder {
 public:
  template <class TPin>
  explicit TFeeder(TPin& APin) {
    EXPECT_TRUE(FSource.Connect(APin));
    FThread = std::thread([this] {
      for (int i = 0; !FStop; ++i) FSource.SendValue(double(i % 200) / 2);
    });
  }
  ~TFeeder() {
    FStop = true;
    FThread.join();
  }

 private:
  TPXRealSourcePin FSource;
  std::atomic<bool> FStop{false};
  std::thread FThread;
};

}  // namespace

TEST(GlassPanelThreads, PaintResizeAndChangeElementsWhileTheirPinsAreFed) {
  TThreadedScope scope;
  auto panel = std::make_unique<TDWGlassPanel>();
  panel->SetBounds(0, 0, 160, 120);
  auto& gauge = panel->Elements().Add<TDWExternalAngularGaugeElement>();
  auto& segment = panel->Elements().Add<TDWExternalSegmentGaugeElement>();
  // A panel inside the panel, holding a fed gauge of its own.
  auto& inner = panel->Elements().Add<TDWGlassPanelElement>();
  auto& innerGauge = inner.Elements().Add<TDWExternalAngularGaugeElement>();
  {
    std::vector<std::unique_ptr<TFeeder>> feeders;
    feeders.push_back(std::make_unique<TFeeder>(gauge.InputPin()));
    feeders.push_back(std::make_unique<TFeeder>(segment.InputPin()));
    feeders.push_back(std::make_unique<TFeeder>(innerGauge.InputPin()));
    const int sizes[][2] = {{160, 120}, {0, 0}, {1, 1}, {1, 300}, {97, 33}, {0, 50}, {200, 140}};
    for (int frame = 0; frame < 21; ++frame) {
      const auto& s = sizes[frame % std::size(sizes)];
      panel->SetBounds(0, 0, s[0], s[1]);
      (void)dwtest::RenderControl(*panel);
      if (frame % 5 == 2) {
        // Elements come and go while the others are fed.
        auto& added = panel->Elements().Add<TDWExternalAngularGaugeElement>();
        TFeeder feeder(added.InputPin());
        (void)dwtest::RenderControl(*panel);
        panel->Elements().Delete(size_t(panel->Elements().IndexOf(added)));
      }
      if (frame % 7 == 3) panel->Border().SetShape(TKVBorderShape(frame % 5));
      scope.Host.ProcessEvents();
    }
    // The panel goes while its elements' pins are still fed.
    panel.reset();
  }
}

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
