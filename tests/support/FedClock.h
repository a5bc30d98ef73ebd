// A clock whose time arrives through its pin on a data thread while this thread paints it and
// runs the threaded host's timers (its ticks) and reads its Value: a read of Value that is not
// a whole value shows under ThreadSanitizer.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "dialworks/host/Pins.h"
#include "dialworks/host/ThreadedHost.h"
#include "support/InstrumentTest.h"

namespace dwtest {

// At least 60 frames and ASeconds of ticks.
template <class TClock>
void PaintAndTickWhileFed(int AWidth, int AHeight, double ASeconds) {
  dw::TThreadedHost host;
  dw::SetHostServices(&host);
  dw::RegisterDialworksPackage();
  {
    TClock clock;
    clock.SetBounds(0, 0, AWidth, AHeight);
    dw::TPXDateTimeSourcePin source;
    ASSERT_TRUE(source.Connect(clock.InputPin()));
    std::atomic<bool> stop{false};
    std::thread feeder([&] {
      for (int i = 0; !stop; ++i) source.SendValue(45000.0 + i * 0.0000123);
    });
    const auto start = std::chrono::steady_clock::now();
    for (int frame = 0;
         frame < 60 || std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() < ASeconds;
         ++frame) {
      (void)RenderControl(clock);
      EXPECT_GE(clock.Value(), 0.0);  // read without the lock, as a property editor reads it
      host.ProcessEvents();
    }
    stop = true;
    feeder.join();
  }
  dw::SetHostServices(nullptr);
}

}  // namespace dwtest
