// Feeds a real-and-range sink pin from a data thread while this thread reads what the pin stores
// without the control lock, as getters, saving and property editors do: a read that is not of a
// whole value shows under ThreadSanitizer. The feeder sends 50 in 10..100 and 5 in 0..10 in turn.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>

#include "dialworks/host/Pins.h"

namespace dwtest {

template <class TRead>
void ReadWhileFed(dw::TPXPin& ASink, TRead&& ARead, int AReads = 4000) {
  dw::TPXRealAndRangedSourcePin source;
  ASSERT_TRUE(source.Connect(ASink));
  std::atomic<bool> stop{false};
  std::thread feeder([&] {
    for (int i = 0; !stop; ++i) source.SendValueRange(i % 2 ? 5.0 : 50.0, i % 2 ? 0.0 : 10.0, i % 2 ? 10.0 : 100.0);
  });
  for (int i = 0; i < AReads; ++i) ARead();
  stop = true;
  feeder.join();
}

// A gauge holding a hand with its own value and a maximum hand: the hand's value and the tracked
// maximum are read while the hand's pin, then the gauge's, are fed.
template <class TGauge, class TOwnValueHand, class TMaxHand, class TTracked>
void HandValuesReadWhileFed(TTracked ATracked) {
  TGauge gauge;
  auto& hand = gauge.Elements().template Add<TOwnValueHand>();
  auto& max = gauge.Elements().template Add<TMaxHand>();
  int wrong = 0;
  ReadWhileFed(hand.InputPin(), [&] { wrong += !(hand.Value() == 0 || hand.Value() == 5 || hand.Value() == 50); });
  ReadWhileFed(gauge.InputPin(), [&] {
    const double tracked = ATracked(max);
    wrong += !(tracked >= 0 && tracked <= 100);
  });
  EXPECT_EQ(wrong, 0);
}

}  // namespace dwtest
