// Destroying instruments while other threads feed their pins (run under ThreadSanitizer with the
// "threading" label).
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

#include "dialworks/angular/DWAngularGauge.h"
#include "dialworks/host/ThreadedHost.h"
#include "dialworks/package/DialworksPkg.h"

using namespace dw;

namespace {

// Issue 13: an instrument destroyed while another thread fed its input pin raced with its own
// destruction (the pin was disconnected only after the derived parts had gone), and so did an
// external element inside it through its host.
TEST(AngularGaugeDestruction, DestroyedWhileThreadsFeedItsPins) {
  TThreadedHost host;
  SetHostServices(&host);
  RegisterDialworksPackage();
  for (int round = 0; round < 40; ++round) {
    auto owner = std::make_unique<TComponent>();
    auto* gauge = new TDWAngularGauge(owner.get());
    auto* element = &gauge->Elements().Add<TDWExternalAngularGaugeElement>();
    TPXRealSourcePin toGauge, toElement;
    ASSERT_TRUE(toGauge.Connect(gauge->InputPin()));
    ASSERT_TRUE(toElement.Connect(element->InputPin()));
    std::atomic<bool> stop{false};
    std::atomic<int> sent{0};
    auto feed = [&](TPXRealSourcePin* APin) {
      for (int i = 0; !stop.load(); ++i) {
        APin->SendValue(i % 100);
        sent.fetch_add(1);
      }
    };
    std::thread a(feed, &toGauge), b(feed, &toElement);
    while (sent.load() < 40) std::this_thread::yield();
    // Both ways owners destroy: the owner going, or the component taken out and destroyed.
    if (round % 2) owner.reset();
    else TComponent::Destroy(owner->RemoveComponent(*gauge));
    EXPECT_FALSE(toGauge.Connected());
    EXPECT_FALSE(toElement.Connected());
    stop = true;
    a.join();
    b.join();
    host.ProcessEvents();
  }
  EXPECT_EQ(host.AnimationClock().SubscriberCount(), 0u);
  SetHostServices(nullptr);
}

}  // namespace
