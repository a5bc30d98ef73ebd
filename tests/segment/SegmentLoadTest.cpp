// Segment displays under load: values arriving on a data thread while the user-interface thread
// reads and paints them, and digit cells far larger than the fill cache keeps.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "dialworks/draw/CairoGraphics.h"
#include "dialworks/framework/PropertyTable.h"
#include "dialworks/host/Pins.h"
#include "dialworks/segment/DWSegmentClock.h"
#include "dialworks/segment/DWSegmentGauge.h"
#include "dialworks/segment/DWSegmentText.h"
#include "support/FedClock.h"
#include "support/InstrumentTest.h"

using namespace dw;

namespace {

double SecondsSince(std::chrono::steady_clock::time_point AStart) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - AStart).count();
}

}  // namespace

// A string pin feeds the text from a data thread while this thread reads it as a save or a
// property editor does: every read is one of the texts sent, never a torn or freed one.
TEST(SegmentLoad, TextReadWhileItsPinIsFed) {
  dwtest::TScopedHost scoped;
  TDWSegmentText text;
  TMZPXStringSourcePin source;
  ASSERT_TRUE(source.Connect(text.InputPin()));
  const std::string a(2000, 'A'), b = "short";
  std::atomic<bool> stop{false};
  std::thread feeder([&] {
    for (int i = 0; !stop; ++i) source.SendValue(i % 2 ? a : b);
  });
  int torn = 0;
  const auto start = std::chrono::steady_clock::now();
  while (SecondsSince(start) < 0.3) {
    const std::optional<TPropValue> v = GetPropertyValue(text, "Text");
    const std::string s = v ? v->get<std::string>() : std::string();
    const std::string direct = text.Text();
    const size_t decoded = text.Characters().size();
    torn += !(s.empty() || s == a || s == b) + !(direct.empty() || direct == a || direct == b) +
            !(decoded == 0 || decoded == a.size() || decoded == b.size());
    (void)dwtest::RenderControl(text);
  }
  stop = true;
  feeder.join();
  EXPECT_EQ(torn, 0);
}

// The clock's time arrives on the data thread while it paints and its timer runs on this one.
// (A read of Value outside the control lock shows under ThreadSanitizer.)
TEST(SegmentLoad, ClockPaintsAndTicksWhileItsPinIsFed) {
  dwtest::PaintAndTickWhileFed<TDWSegmentClock>(160, 60, 1.2);  // a few timer ticks
}

// A digit cell thousands of pixels across: its lit segments are too large for the fill cache and
// are filled again on every paint, which must still cost a fraction of a second (their gradient's
// cost must not grow with the square of the segment's length).
TEST(SegmentLoad, WideDigitCellsRepaintQuickly) {  // the old fill took 0.5 s and more
  dwtest::TScopedHost scoped;
  struct TCase {
    int Width, Height;
    bool Glow;  // the halo is filled on every paint, never cached
  };
  for (const TCase c : {TCase{4600, 300, true}, TCase{4600, 600, false}}) {
    TDWSegmentGauge gauge;
    gauge.SetBounds(0, 0, c.Width, c.Height);
    gauge.Digits().SetAutoSize(false);
    gauge.Digits().SetNumberDigits(1);
    gauge.Precision().SetNumberDigits(0);
    gauge.Sign().SetVisible(false);
    gauge.SetGlow(c.Glow);
    gauge.SetMax(9);
    gauge.SetValue(8);
    (void)dwtest::RenderControl(gauge);  // the layers are built once
    gauge.SetValue(3);
    const auto start = std::chrono::steady_clock::now();
    const gp::Bitmap b = dwtest::RenderControl(gauge);
    EXPECT_LT(SecondsSince(start), 0.4) << c.Width << " x " << c.Height;
    // Still drawn: the middle segment of the 3 is lit at the cell's centre.
    EXPECT_GT(b.ScanLine(c.Height / 2)[c.Width / 2] >> 24, 0u) << c.Width << " x " << c.Height;
  }
}
