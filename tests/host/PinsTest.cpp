#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "dialworks/host/Pins.h"

using namespace dw;

namespace {

struct TRanged {
  double Value = 0, Min = 0, Max = 0;
  bool HasRange = false, TwoWay = false;
  int Count = 0;
  TPXRealAndRangedEvent Handler() {
    return [this](TPXPin&, double v, double lo, double hi, bool r, bool two) {
      Value = v, Min = lo, Max = hi, HasRange = r, TwoWay = two, ++Count;
    };
  }
};

}  // namespace

TEST(Pins, LinkRulesAndConnectedQuery) {
  TPXRealAndRangedSourcePin source;
  TPXIntegerSourcePin intSource;
  TMZPXStringSourcePin textSource;
  TPXRealAndRangedSinkPin sink;
  TPXRealAndRangedStatePin stateA, stateB;
  TPXDateTimeSinkPin dateSink;

  EXPECT_FALSE(sink.Connected());
  EXPECT_TRUE(source.Connect(sink));
  EXPECT_TRUE(sink.Connected());
  EXPECT_TRUE(source.IsLinkedTo(sink) && sink.IsLinkedTo(source));
  EXPECT_FALSE(source.Connect(sink));          // second identical link
  EXPECT_FALSE(TPXPin::Link(sink, source));    // a sink cannot send
  EXPECT_FALSE(stateA.Connect(stateA));        // itself
  EXPECT_FALSE(textSource.Connect(sink));      // string to real
  EXPECT_FALSE(source.Connect(dateSink));      // real to date-time
  EXPECT_TRUE(intSource.Connect(sink));        // integer to real is fine
  EXPECT_EQ(sink.LinkCount(), 2u);
  EXPECT_EQ(sink.LinkedPins(), (std::vector<TPXPin*>{&source, &intSource}));

  EXPECT_TRUE(stateA.Connect(stateB));
  EXPECT_FALSE(stateB.Connect(stateA));  // the same two-way link
  EXPECT_TRUE(stateA.Connect(sink));     // a state pin also feeds sinks

  EXPECT_TRUE(sink.Disconnect(source));
  EXPECT_FALSE(sink.Disconnect(source));
  EXPECT_TRUE(source.Connect(sink));  // can be linked again
  sink.DisconnectAll();
  EXPECT_FALSE(sink.Connected());
  EXPECT_EQ(source.LinkCount(), 0u);
  EXPECT_EQ(stateA.LinkCount(), 1u);
}

TEST(Pins, RangedValuesAndRangePopulated) {
  TRanged got;
  TPXRealAndRangedSourcePin source;
  TPXRealAndRangedSinkPin sink(nullptr, got.Handler());
  EXPECT_EQ(source.SendValue(1), 0u);  // not linked: nothing delivered
  source.Connect(sink);
  source.SendValue(42.5);
  EXPECT_EQ(got.Count, 1);
  EXPECT_EQ(got.Value, 42.5);
  EXPECT_FALSE(got.HasRange);
  EXPECT_FALSE(sink.GetRangePopulated());
  EXPECT_EQ(source.SendValueRange(25, 10, 20), 1u);
  EXPECT_TRUE(got.HasRange);
  EXPECT_EQ(got.Min, 10);
  EXPECT_EQ(got.Max, 20);
  EXPECT_EQ(got.Value, 25);
  EXPECT_FALSE(got.TwoWay);
  EXPECT_TRUE(sink.GetRangePopulated());

  // NaN and infinities pass through unharmed; the instrument decides.
  source.SendValue(std::nan(""));
  EXPECT_TRUE(std::isnan(got.Value));
  source.SendValueRange(std::numeric_limits<double>::infinity(), -1, 1);
  EXPECT_TRUE(std::isinf(got.Value));

  // Losing the last link forgets the range; the handler can be replaced.
  source.Disconnect(sink);
  EXPECT_FALSE(sink.GetRangePopulated());
  int other = 0;
  sink.SetOnValue([&](TPXPin& p, double, double, double, bool, bool) { other += &p == &sink; });
  source.Connect(sink);
  source.SendValue(1);
  EXPECT_EQ(other, 1);
}

TEST(Pins, StatePinsLinkBothWaysWithoutEchoes) {
  TRanged gotA, gotB, gotSink;
  TPXRealAndRangedStatePin a(nullptr, gotA.Handler());
  TPXRealAndRangedSinkPin sink(nullptr, gotSink.Handler());
  TPXRealAndRangedStatePin* bp = nullptr;
  // B answers every incoming value by submitting its own (as a control hand does).
  TPXRealAndRangedStatePin b(nullptr, [&](TPXPin&, double v, double lo, double hi, bool r, bool t) {
    gotB.Handler()(*bp, v, lo, hi, r, t);
    bp->SubmitValueRange(v + 1, lo, hi);
  });
  bp = &b;
  ASSERT_TRUE(a.Connect(b));
  ASSERT_TRUE(b.Connect(sink));
  a.SubmitValueRange(5, 0, 10);
  EXPECT_EQ(gotB.Count, 1);
  EXPECT_EQ(gotB.Value, 5);
  EXPECT_TRUE(gotB.TwoWay);
  EXPECT_EQ(gotA.Count, 0);  // no echo back to the pin that is sending
  EXPECT_EQ(gotSink.Count, 1);
  EXPECT_EQ(gotSink.Value, 6);
  EXPECT_FALSE(gotSink.TwoWay);
  // The other direction.
  b.SubmitValue(7);
  EXPECT_EQ(gotA.Count, 1);
  EXPECT_EQ(gotA.Value, 7);
  EXPECT_FALSE(gotA.HasRange);

  // Date-time state pins behave the same way.
  TDateTime seenA = -1, seenB = -1;
  TPXDateTimeStatePin da(nullptr, [&](TPXPin&, TDateTime t) { seenA = t; });
  TPXDateTimeStatePin db(nullptr, [&](TPXPin&, TDateTime t) { seenB = t; });
  ASSERT_TRUE(db.Connect(da));
  da.SubmitValue(45000.5);
  EXPECT_EQ(seenB, 45000.5);
  db.SubmitValue(1.25);
  EXPECT_EQ(seenA, 1.25);
}

TEST(Pins, TypedSinksConvertOrRefuse) {
  std::vector<int64_t> ints;
  TPXIntegerSinkPin intSink(nullptr, [&](TPXPin&, int64_t v) { ints.push_back(v); });
  TPXRealSourcePin real;
  TPXIntegerSourcePin integer;
  ASSERT_TRUE(real.Connect(intSink));
  ASSERT_TRUE(integer.Connect(intSink));
  real.SendValue(2.5);   // halves to even
  real.SendValue(3.5);
  real.SendValue(-0.5);
  real.SendValue(std::nan(""));  // dropped
  real.SendValue(1e300);         // limited
  integer.SendValue(-7);
  EXPECT_EQ(ints, (std::vector<int64_t>{2, 4, 0, std::numeric_limits<int64_t>::max(), -7}));

  std::string text;
  TMZPXStringSinkPin textSink(nullptr, [&](TPXPin&, const std::string& s) { text = s; });
  TMZPXStringSourcePin textSource;
  ASSERT_TRUE(textSource.Connect(textSink));
  textSource.SendValue("HELLO 42");
  EXPECT_EQ(text, "HELLO 42");

  TDateTime when = 0;
  TPXDateTimeSinkPin dateSink(nullptr, [&](TPXPin&, TDateTime t) { when = t; });
  TPXDateTimeSourcePin dateSource;
  ASSERT_TRUE(dateSource.Connect(dateSink));
  dateSource.SendValue(45292.75);
  EXPECT_EQ(when, 45292.75);
}

TEST(Pins, BufferOperationsAreToldApartByType) {
  std::vector<std::string> seen;
  TMZRealBuffer received;
  double rangeMax = -1;
  TMZPXRealRangedSinkPin sink(nullptr, [&](TPXPin&, const TPXOperation& op) {
    if (dynamic_cast<const TPXStartOperation*>(&op)) {
      seen.push_back("start");
    } else if (auto* r = dynamic_cast<const TPXTypedSuppliedRangeOperation<double>*>(&op)) {
      seen.push_back("range");
      rangeMax = r->Max;
    } else if (auto* b = dynamic_cast<const TPXSuppliedBufferOperation*>(&op)) {
      seen.push_back("buffer");
      received.Assign(b->Buffer);  // any numeric buffer converts to reals
    } else if (dynamic_cast<const TPXStopOperation*>(&op)) {
      seen.push_back("stop");
    }
  });
  TMZPXBufferSourcePin source;
  ASSERT_TRUE(source.Connect(sink));
  EXPECT_FALSE(sink.GetRangePopulated());
  source.Start();
  source.SupplyRange(0, 255);
  source.SupplyBuffer(TMZByteBlockBuffer{0, 128, 255});
  source.SupplyBuffer(TMZIntegerBuffer{});  // empty buffers are fine
  source.Stop();
  EXPECT_EQ(seen, (std::vector<std::string>{"start", "range", "buffer", "buffer", "stop"}));
  EXPECT_EQ(rangeMax, 255);
  EXPECT_TRUE(sink.GetRangePopulated());
  EXPECT_EQ(received.Size(), 0u);
  source.Disconnect(sink);
  EXPECT_FALSE(sink.GetRangePopulated());

  TPXRealSourcePin real;
  EXPECT_FALSE(real.Connect(sink));  // a buffer input takes buffer streams only
}

TEST(Pins, DestroyingEitherEndDisconnects) {
  TRanged got;
  auto source = std::make_unique<TPXRealAndRangedSourcePin>();
  auto sink = std::make_unique<TPXRealAndRangedSinkPin>(nullptr, got.Handler());
  source->Connect(*sink);
  sink.reset();
  EXPECT_FALSE(source->Connected());
  EXPECT_EQ(source->SendValue(1), 0u);

  sink = std::make_unique<TPXRealAndRangedSinkPin>(nullptr, got.Handler());
  source->Connect(*sink);
  source->SendValueRange(1, 0, 2);
  EXPECT_TRUE(sink->GetRangePopulated());
  source.reset();
  EXPECT_FALSE(sink->Connected());
  EXPECT_FALSE(sink->GetRangePopulated());

  // A sink destroying itself from inside its own callback.
  TPXRealSourcePin s2;
  std::unique_ptr<TPXRealAndRangedSinkPin> self;
  self = std::make_unique<TPXRealAndRangedSinkPin>(
      nullptr, [&](TPXPin&, double, double, double, bool, bool) { self.reset(); });
  s2.Connect(*self);
  s2.SendValue(3);
  EXPECT_EQ(self, nullptr);
  EXPECT_FALSE(s2.Connected());
}

// Four sender threads hammer one sink while the main thread links and unlinks it; after each
// Disconnect returns, no delivery may be running or start. Finally the sink is destroyed while
// the senders are still sending. Run under ThreadSanitizer.
TEST(Pins, CrossThreadSendsWithConcurrentDisconnectAndDestruction) {
  constexpr int Senders = 4;
  std::vector<std::unique_ptr<TPXRealAndRangedSourcePin>> sources;
  for (int i = 0; i < Senders; ++i) sources.push_back(std::make_unique<TPXRealAndRangedSourcePin>());
  std::atomic<bool> closed{false}, stop{false};
  std::atomic<int> delivered{0}, late{0};
  std::atomic<int> inside{0};
  auto sink = std::make_unique<TPXRealAndRangedSinkPin>(
      nullptr, [&](TPXPin&, double, double, double, bool, bool) {
        ++inside;
        if (closed) ++late;
        ++delivered;
        --inside;
      });
  std::vector<std::thread> threads;
  for (int i = 0; i < Senders; ++i)
    threads.emplace_back([&, i] {
      double v = 0;
      while (!stop) sources[size_t(i)]->SendValueRange(v += 1, 0, 100);
    });
  for (int round = 0; round < 200; ++round) {
    closed = false;
    for (auto& s : sources) s->Connect(*sink);
    while (delivered < round * 4) std::this_thread::yield();
    for (auto& s : sources) sink->Disconnect(*s);
    closed = true;  // from here no callback may run
    EXPECT_EQ(inside, 0);
  }
  closed = false;
  for (auto& s : sources) s->Connect(*sink);
  while (delivered < 200 * 4 + 4) std::this_thread::yield();
  sink.reset();  // destroyed while sending continues
  closed = true;
  std::this_thread::sleep_for(std::chrono::milliseconds(5));
  stop = true;
  for (auto& t : threads) t.join();
  EXPECT_EQ(late, 0);
  EXPECT_GT(delivered, 0);
  for (auto& s : sources) EXPECT_FALSE(s->Connected());
}
