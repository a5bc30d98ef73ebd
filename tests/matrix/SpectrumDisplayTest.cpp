// The spectrum display: values onto bars, peaks in virtual time, value access and bad input, the
// bar drawing (DC term, mirror, blocks), buffers from another thread.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <initializer_list>
#include <limits>
#include <string>
#include <thread>
#include <vector>

#include "dialworks/draw/CairoGraphics.h"
#include "dialworks/matrix/DWSpectrumDisplay.h"
#include "support/InstrumentTest.h"

using namespace dw;

namespace {

using dwtest::TScopedHost;

std::vector<double> Ramp(size_t AN) {
  std::vector<double> v(AN);
  for (size_t i = 0; i < AN; ++i) v[i] = double(i);
  return v;
}

void Send(TMZPXBufferSourcePin& APin, const std::vector<double>& AValues) {
  APin.SupplyBuffer(TMZRealBuffer(AValues.data(), AValues.size()));
}

// A plain display for pixel probes: no blocks, no peaks drawn over the bars' tops, full scale 100.
void PlainBars(TDWSpectrumDisplay& AD, int AWidth, int AHeight) {
  AD.SetBounds(0, 0, AWidth, AHeight);
  AD.Bars().Blocks().SetEnabled(false);
  AD.Bars().Max().SetValue(100);
  AD.Bars().Peaks().SetColor(0xFF00FF00);
  AD.Bars().Peaks().Height().SetValue(0);
}

}  // namespace

TEST(SpectrumDisplay, ValuesAreSampledOntoTheBars) {
  TScopedHost host;
  TDWSpectrumDisplay d;
  TMZPXBufferSourcePin pin;
  ASSERT_TRUE(pin.Connect(d.InputPin()));
  // One bar per value; the DC term (value 0) is left out.
  Send(pin, Ramp(512));
  EXPECT_EQ(d.BarCount(), 511u);
  EXPECT_EQ(d.BarValues().front(), 1.0);
  d.SetExcludeDC(false);
  EXPECT_EQ(d.BarCount(), 512u);
  // A fixed count samples the nearest value at i * n / count (halves to even): no averaging.
  d.Bars().Count().SetAutoSize(false);
  Send(pin, Ramp(100));
  const std::vector<double> bars = d.BarValues();
  ASSERT_EQ(bars.size(), 63u);
  EXPECT_EQ(bars[1], 2.0);    // 1.587 -> 2
  EXPECT_EQ(bars[31], 49.0);  // 49.206
  EXPECT_EQ(bars[62], 98.0);  // 98.41
  // Fewer values than bars repeat values; none reads past the end.
  Send(pin, {5, 7});
  EXPECT_EQ(d.BarValues()[62], 7.0);
  // Empty, NaN-filled and huge buffers: bounded, and not-finite values count as 0.
  d.Bars().Count().SetAutoSize(true);
  Send(pin, {});
  EXPECT_EQ(d.BarCount(), 0u);
  const double nan = std::numeric_limits<double>::quiet_NaN();
  Send(pin, {nan, nan, std::numeric_limits<double>::infinity(), 4});
  EXPECT_EQ(d.BarValues(), (std::vector<double>{0, 0, 0, 4}));
  Send(pin, std::vector<double>(3'000'000, 1.0));
  EXPECT_EQ(d.Values().Count(), TDWSpectrumDisplay::MaxValues);
  EXPECT_EQ(d.BarCount(), TDWSpectrumBarCount::MaxBars);
  d.Bars().Count().SetCount(4'000'000'000u);
  EXPECT_EQ(d.Bars().Count().Count(), TDWSpectrumBarCount::MaxBars);
  dwtest::RenderControl(d);
}

TEST(SpectrumDisplay, PeaksHoldThenFallInVirtualTime) {
  TScopedHost host;
  TDWSpectrumDisplay d;
  d.SetExcludeDC(false);
  TMZPXBufferSourcePin pin;
  ASSERT_TRUE(pin.Connect(d.InputPin()));
  EXPECT_EQ(d.PeakTick(), 20u);  // gcd(500, 20)
  Send(pin, {10, 10});
  Send(pin, {7, 10});
  // Held for 500 + 20 ms: 26 ticks bring the remaining time to 0, the 27th (540 ms) drops a step.
  host.Host.Advance(520);
  EXPECT_EQ(d.PeakValues()[0], 10.0);
  host.Host.Advance(20);
  EXPECT_EQ(d.PeakValues()[0], 9.0);
  // Then a step every second tick (40 ms) until the value is met.
  host.Host.Advance(20);
  EXPECT_EQ(d.PeakValues()[0], 9.0);
  host.Host.Advance(20);
  EXPECT_EQ(d.PeakValues()[0], 8.0);
  host.Host.Advance(200);
  EXPECT_EQ(d.PeakValues()[0], 7.0);
  // A value equal to the peak renews its hold; the other bar's peak never moved.
  EXPECT_EQ(d.PeakValues()[1], 10.0);
  host.Host.Advance(400);
  Send(pin, {7, 10});
  host.Host.Advance(500);
  EXPECT_EQ(d.PeakValues()[1], 10.0);
  // A falling peak stops at 0, and ResetPeaks takes every peak back to its value.
  Send(pin, {0.5, 0});
  d.Bars().Peaks().SetDroppingStep(5);
  host.Host.Advance(2000);
  EXPECT_EQ(d.PeakValues(), (std::vector<double>{0.5, 0}));
  Send(pin, {3, 3});
  Send(pin, {1, 1});
  d.Bars().Peaks().Reset();
  EXPECT_EQ(d.PeakValues(), (std::vector<double>{1, 1}));
  // Regression (first tick not dividing the intervals, hold time wrapping below 0): with 30 and 45 ms the tick is
  // 15 ms from the first range change on, and a hold time the tick overshoots stops at 0.
  d.Bars().Peaks().SetLiveInterval(30);
  d.Bars().Peaks().SetDroppingInterval(45);
  EXPECT_EQ(d.PeakTick(), 15u);
  d.Bars().Peaks().SetDroppingStep(1);
  Send(pin, {9, 9});
  Send(pin, {0, 0});
  host.Host.Advance(75);  // 30 + 45: hold time 0 after 5 ticks
  EXPECT_EQ(d.PeakValues()[0], 9.0);
  host.Host.Advance(15);
  EXPECT_EQ(d.PeakValues()[0], 8.0);
  // Not dropping: peaks stay.
  d.Bars().Peaks().SetDropping(false);
  host.Host.Advance(5000);
  EXPECT_EQ(d.PeakValues()[0], 8.0);
}

TEST(SpectrumDisplay, RepaintsOnlyWhenSomethingChanged) {
  TScopedHost host;
  TDWSpectrumDisplay d;
  d.Bars().Peaks().SetDropping(false);
  TMZPXBufferSourcePin pin;
  ASSERT_TRUE(pin.Connect(d.InputPin()));
  pin.Start();
  host.Host.Advance(100);
  host.Host.ClearRepaintCounts();
  // The first buffer of a stream repaints at once; later ones wait for the refresh timer.
  Send(pin, {1, 2, 3});
  EXPECT_EQ(host.Host.RepaintCount(d), 1u);
  for (int i = 0; i < 9; ++i) Send(pin, {1, 2, double(i)});
  EXPECT_EQ(host.Host.RepaintCount(d), 1u);
  host.Host.Advance(100);
  EXPECT_EQ(host.Host.RepaintCount(d), 2u);
  host.Host.Advance(1000);
  EXPECT_EQ(host.Host.RepaintCount(d), 2u);
  // A range on the pin scales the bars until the stream stops.
  pin.SupplyRange(0, 10);
  pin.Stop();
  d.SetRefreshInterval(0);
  EXPECT_EQ(d.RefreshInterval(), 1u);
}

TEST(SpectrumDisplay, ValueAccessAndTextStayInsideTheValues) {
  TScopedHost host;
  TDWSpectrumDisplay d;
  d.Values().SetCount(4);
  d.Values().SetItems(2, 30);
  d.Values().SetItems(3, std::numeric_limits<double>::quiet_NaN());
  EXPECT_EQ(d.Values().Items(2), 30.0);
  EXPECT_EQ(d.Values().Items(3), 0.0);
  // Regression (unchecked value index): an index outside the values reads 0 and writes nothing.
  d.Values().SetItems(4, 1);
  d.Values().SetItems(size_t(-1), 1);
  EXPECT_EQ(d.Values().Count(), 4u);
  EXPECT_EQ(d.Values().Items(1000), 0.0);
  d.Values().SetCount(6);
  EXPECT_EQ(d.BarValues(), (std::vector<double>{0, 30, 0, 0, 0}));
  // Text: commas or spaces; reading stops at the first text that is not a real.
  d.SetData("1.5 2,3e2,  -4");
  EXPECT_EQ(d.BarValues(), (std::vector<double>{2, 300, -4}));
  d.SetData("1, 7, x, 3");
  EXPECT_EQ(d.BarValues(), (std::vector<double>{7}));
  d.SetData("1e400000, 2;3");
  EXPECT_EQ(d.BarValues(), (std::vector<double>{2}));
  EXPECT_EQ(d.Values().Items(0), 0.0);
  d.SetData("");
  EXPECT_EQ(d.Values().Count(), 0u);
  d.Values().SetCount(std::numeric_limits<size_t>::max());
  EXPECT_EQ(d.Values().Count(), TDWSpectrumDisplay::MaxValues);
}

TEST(SpectrumDisplay, GroupRampsJumpAtBreaksAndFollowWeights) {
  const std::vector<TAlphaColor> colors{0xFF000000, 0xFFFF0000, 0xFF0000FF, 0xFFFFFFFF};
  // Two runs (break after the red): black->red over the lower 2/4, blue->white over the upper.
  const std::vector<float> weights{1, 1, 1, 1};
  const std::vector<bool> breaks{false, true, false, false};
  EXPECT_EQ(DWSpectrumGroupColor(colors, weights, breaks, 0, false), 0xFF000000u);
  EXPECT_EQ(DWSpectrumGroupColor(colors, weights, breaks, 0.5f, false), 0xFFFF0000u);
  EXPECT_EQ(DWSpectrumGroupColor(colors, weights, breaks, 0.5f, true), 0xFF0000FFu);
  EXPECT_EQ(DWSpectrumGroupColor(colors, weights, breaks, 1, true), 0xFFFFFFFFu);
  const TAlphaColor quarter = DWSpectrumGroupColor(colors, weights, breaks, 0.25f, false);
  EXPECT_NEAR(double((quarter >> 16) & 0xFF), 128, 2);
  // Without breaks one run: colour k at (weights before k) / (weights but the last); heavier
  // weights stretch their stretch of the ramp.
  const std::vector<float> heavy{3, 1, 1, 1};
  const std::vector<bool> none(4, false);
  EXPECT_EQ(DWSpectrumGroupColor(colors, heavy, none, 0.6f, false), 0xFFFF0000u);
  EXPECT_EQ(DWSpectrumGroupColor({0xFF123456}, {1}, {false}, 0.7f, true), 0xFF123456u);
  EXPECT_EQ(DWSpectrumGroupColor(colors, {0, 0, 0, 0}, none, 0.7f, true), 0xFF000000u);
}

TEST(SpectrumDisplay, BarsDrawTheirLevelsColoursAndMirror) {
  TScopedHost host;
  TDWSpectrumDisplay d;
  PlainBars(d, 210, 120);
  d.SetData("0, 100, 50, 0");  // three bars after the DC term: full, half, empty
  // Bars: offX 2.1, pitch 68.6; bottom at 120 - 3.6, bar height 0.97 * 116.4 = 112.9.
  auto probe = [&](const gp::Bitmap& AImage, int ABar, float AFromBottom) {
    const float x = 2.1f + 68.6f * (float(ABar) + 0.5f);
    return AImage.GetPixel(int(x), int(116.4f - AFromBottom));
  };
  const gp::Bitmap plain = dwtest::RenderControl(d);
  EXPECT_EQ(probe(plain, 0, 100), 0xFF00FF00u);
  EXPECT_EQ(probe(plain, 1, 40), 0xFF00FF00u);
  EXPECT_EQ(probe(plain, 1, 70), 0xFF696969u);  // the unlit body
  EXPECT_EQ(probe(plain, 2, 5), 0xFF696969u);
  EXPECT_EQ(plain.GetPixel(105, 119), 0xFF000000u);  // the background under the bars
  // The DC term shown as the first bar.
  d.SetExcludeDC(false);
  EXPECT_EQ(probe(dwtest::RenderControl(d), 0, 5), 0xFF696969u);
  d.SetExcludeDC(true);
  // Mirrored: the picture flipped left to right.
  d.SetMirror(true);
  const gp::Bitmap mirrored = dwtest::RenderControl(d);
  int diff = 0;
  for (int y = 0; y < 120; ++y)
    for (int x = 0; x < 210; ++x) diff += mirrored.GetPixel(209 - x, y) != plain.GetPixel(x, y);
  EXPECT_EQ(diff, 0);
  EXPECT_EQ(probe(mirrored, 2, 100), 0xFF00FF00u);
  // A full scale of 0 or less draws empty bars.
  d.SetMirror(false);
  d.Bars().Max().SetValue(0);
  EXPECT_EQ(probe(dwtest::RenderControl(d), 0, 50), 0xFF696969u);
}

// A bar's colour strip is a bitmap as tall as the bar: heights or offsets far beyond the display's
// once wrote through the empty bitmap a too tall one gives.
TEST(SpectrumDisplay, BarsTallerThanABitmapAreLeftOut) {
  TScopedHost host;
  TDWSpectrumDisplay d;
  PlainBars(d, 210, 120);
  d.SetData("0, 100, 50, 0");
  d.Bars().Height().SetValue(100);  // 11,640 pixels: drawn, its bottom part shown
  EXPECT_EQ(dwtest::RenderControl(d).GetPixel(36, 110), 0xFF00FF00u);
  for (float height : {300.0f, 1e6f, -1e6f}) {
    d.Bars().Height().SetValue(height);
    const gp::Bitmap image = dwtest::RenderControl(d);
    EXPECT_EQ(image.GetPixel(36, 110), 0xFF000000u) << height;  // the background alone
  }
  d.Bars().Height().SetValue(1);
  d.Bars().Offset().Y().SetValue(-300);
  EXPECT_EQ(dwtest::RenderControl(d).GetPixel(36, 110), 0xFF000000u);
}

TEST(SpectrumDisplay, BlocksSnapLevelsAndCarryThePeak) {
  TScopedHost host;
  TDWSpectrumDisplay d;
  d.SetBounds(0, 0, 100, 420);
  d.SetExcludeDC(false);
  d.Bars().Offset().Y().SetValue(0);
  d.Bars().Height().SetValue(1);  // bar height 420
  d.Bars().Blocks().Size().SetValue(0.04f);  // blocks 16.8 + gap 4.2 = 21 pixels
  d.Bars().Blocks().Gap().SetValue(0.01f);
  d.Bars().Max().SetValue(100);
  d.Bars().Peaks().SetColor(0xFFFFFFFF);
  d.Bars().Peaks().Height().SetValue(0.001f);  // less than half a block: still one block
  d.SetData("26");  // level 109.2 -> 5 blocks (105)
  d.SetAntiAliased(false);
  const gp::Bitmap image = dwtest::RenderControl(d);
  const int x = 50;
  EXPECT_EQ(image.GetPixel(x, 419 - 1), 0xFF00FF00u);  // block 0
  EXPECT_EQ(image.GetPixel(x, 420 - 84 - 8), 0xFF00FF00u);   // block 4
  EXPECT_EQ(image.GetPixel(x, 420 - 84 - 18), 0xFF000000u);  // gap above block 4 (background)
  EXPECT_EQ(image.GetPixel(x, 420 - 105 - 8), 0xFFFFFFFFu);  // the peak marker: block 5
  EXPECT_EQ(image.GetPixel(x, 420 - 126 - 8), 0xFF696969u);  // unlit block 6
  // Not discrete: the level is not snapped (109.2 reaches into block 5).
  d.Bars().Blocks().SetDiscrete(false);
  EXPECT_EQ(dwtest::RenderControl(d).GetPixel(x, 420 - 107), 0xFF00FF00u);
}

TEST(SpectrumDisplay, BuffersFromAnotherThreadWhileTimersAndPaintRun) {
  TScopedHost host;
  TDWSpectrumDisplay d;
  d.SetBounds(0, 0, 256, 100);
  TMZPXBufferSourcePin pin;
  ASSERT_TRUE(pin.Connect(d.InputPin()));
  std::atomic<bool> stop{false};
  std::thread source([&] {
    std::vector<double> v(1024);
    for (int i = 0; !stop && i < 2000; ++i) {
      for (size_t k = 0; k < v.size(); ++k) v[k] = double((k * 7 + size_t(i)) % 1000);
      if (i % 50 == 0) pin.Start();
      pin.SupplyRange(0, 500 + i % 3);
      Send(pin, v);
      d.Values().SetItems(size_t(i) % 64, 1.0);
      (void)d.Values().Count();
    }
  });
  for (int frame = 0; frame < 30; ++frame) {
    host.Host.Advance(10);
    dwtest::RenderControl(d);
    d.Bars().Count().SetAutoSize(frame % 2 == 0);
  }
  stop = true;
  source.join();
}


// The largest difference of one channel between two colours.
int ChannelDifference(TAlphaColor A, TAlphaColor B) {
  int worst = 0;
  for (int shift = 0; shift < 32; shift += 8)
    worst = std::max(worst, std::abs(int((A >> shift) & 0xFF) - int((B >> shift) & 0xFF)));
  return worst;
}

double SecondsSince(std::chrono::steady_clock::time_point AStart) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - AStart).count();
}

// Whether the timing tests compare times. Instrumented builds (and under ThreadSanitizer
// unoptimised) make the display's own loops cost many times what Cairo's do, so two timings no
// longer compare the same work: there only the pictures are checked.
#if defined(__SANITIZE_THREAD__) || defined(__SANITIZE_ADDRESS__)
constexpr bool kTimed = false;
#else
constexpr bool kTimed = true;
#endif

// The quickest of two frames (the first one also builds the strips) at each device scale.
double QuickestFrameSeconds(TDWSpectrumDisplay& ADisplay, std::initializer_list<float> AScales = {1.0f, 0.75f}) {
  double best = 1e9;
  for (int k = 0; k < 2; ++k)
    for (float scale : AScales) {
      gp::Bitmap image(int(float(ADisplay.Width()) * scale), int(float(ADisplay.Height()) * scale));
      gp::CairoGraphics g(image);
      g.ScaleTransform(scale, scale);
      const auto start = std::chrono::steady_clock::now();
      ADisplay.Paint(g);
      best = std::min(best, SecondsSince(start));
    }
  return best;
}

// Regressions: (1) the ramp colours were worked out again for every row of every strip, so a
// tall display of many bars with long ramps built its strips for seconds, on each change of the
// bar count; (2) drawn smaller than its pixels (a device scale below 1) a display took seconds
// per frame filtering its strips. Timed against the same work without the fault's cause (short
// ramps; scale 1), so sanitizer builds and slow machines hold the same bound.
TEST(SpectrumDisplay, LargeDisplaysPaintQuickly) {
  TScopedHost host;
  gp::Bitmap image;
  auto tallSeconds = [&](int AColors) {
    TDWSpectrumDisplay d;
    d.SetBounds(0, 0, 1024, 4000);
    for (int g = 0; g < 2; ++g) {
      TDWSpectrumBarColorGroup& group = d.Bars().ColorGroups().Add();
      for (int k = 0; k < AColors; ++k)
        group.Colors().Add().SetColor(0xFF000000u | uint32_t(k * 0x010203 * (g + 1)));
    }
    d.Bars().Blocks().SetEnabled(false);
    d.Values().SetCount(256);  // bars about 4 pixels apart
    const auto start = std::chrono::steady_clock::now();
    image = dwtest::RenderControl(d);
    return SecondsSince(start);
  };
  const double shortRamps = tallSeconds(2), longRamps = tallSeconds(150);
  if (kTimed) {
    EXPECT_LT(longRamps, 3 * shortRamps + 0.05) << shortRamps;
  }
  EXPECT_EQ(image.GetPixel(511, 2000), 0xFF696969u);  // the unlit bodies are still drawn

  TDWSpectrumDisplay wide;
  wide.SetBounds(0, 0, 2000, 1000);
  wide.Values().SetCount(512);
  double whole = 0;
  for (float scale : {1.0f, 0.25f, 0.1f}) {
    gp::Bitmap small(int(2000 * scale), int(1000 * scale));
    gp::CairoGraphics g(small);
    g.ScaleTransform(scale, scale);
    const auto start = std::chrono::steady_clock::now();
    wide.Paint(g);
    const double seconds = SecondsSince(start);
    if (scale == 1) {
      whole = seconds;
    } else if (kTimed) {
      EXPECT_LT(seconds, 3 * whole + 0.05) << scale << ": " << seconds << " s, at scale 1 " << whole << " s";
    }
    EXPECT_NE(small.GetPixel(small.Width() / 2, small.Height() / 2), 0xFF000000u) << scale;  // bars, not background
  }
}

// Regression: mirrored, a large display took ten times as long per frame as unmirrored (over a
// second at 3000 x 1000), its strips sampled through a right-to-left transform.
TEST(SpectrumDisplay, MirroredLargeDisplayPaintsQuicklyAndExactlyMirrored) {
  TScopedHost host;
  TDWSpectrumDisplay d;
  d.SetBounds(0, 0, 3000, 1000);
  d.Values().SetCount(64);
  for (size_t i = 0; i < 64; ++i) d.Values().SetItems(i, double((i * 37) % 100));
  const double plainSeconds = QuickestFrameSeconds(d);
  const gp::Bitmap plain = dwtest::RenderControl(d);
  d.SetMirror(true);
  EXPECT_LT(QuickestFrameSeconds(d), 3 * plainSeconds + 0.05);
  const gp::Bitmap mirrored = dwtest::RenderControl(d);
  int differing = 0;
  for (int y = 0; y < 1000; y += 7)
    for (int x = 0; x < 3000; ++x) differing += mirrored.GetPixel(x, y) != plain.GetPixel(2999 - x, y);
  EXPECT_EQ(differing, 0);
}

// Regression: turned a quarter, half or three-quarter turn, a large display took fifteen times as
// long per frame as upright (1.4 s at 2857 x 1000), its strips sampled through a transform that
// turns or reverses the texture's axes.
TEST(SpectrumDisplay, TurnedLargeDisplayPaintsQuicklyAndExactlyTurned) {
  TScopedHost host;
  constexpr int W = 2400, H = 800;
  TDWSpectrumDisplay d;
  d.SetBounds(0, 0, W, H);
  // Ramps along and across the bars, blocks and peak markers: a strip laid the wrong way round shows.
  for (TAlphaColor bottom : {0xFF00A040u, 0xFF2060FFu}) {
    TDWSpectrumBarColorGroup& group = d.Bars().ColorGroups().Add();
    group.Colors().Add().SetColor(bottom);
    group.Colors().Add().SetColor(0xFFFF3020);
  }
  d.Bars().Max().SetValue(100);
  d.Values().SetCount(64);
  for (size_t i = 0; i < 64; ++i) d.Values().SetItems(i, double((i * 37) % 100));
  const double uprightSeconds = QuickestFrameSeconds(d);
  const gp::Bitmap upright = dwtest::RenderControl(d);
  for (int q = 1; q < 4; ++q) {
    d.Rotation().SetAngle(float(90 * q));
    d.SetBounds(0, 0, q % 2 ? H : W, q % 2 ? W : H);
    for (bool mirror : {false, true}) {
      d.SetMirror(mirror);
      if (kTimed) {
        EXPECT_LT(QuickestFrameSeconds(d), 3 * uprightSeconds + 0.05) << 90 * q << " degrees, mirrored " << mirror;
      }
      const gp::Bitmap turned = dwtest::RenderControl(d);
      // Exact but for a few anti-aliased edges, whose coverage Cairo rounds a little differently
      // across the device than along it.
      int worst = 0, differing = 0;
      for (int y = 0; y < H; y += 5)
        for (int x = 0; x < W; ++x) {
          // Upright pixel (x, y) turned counter-clockwise, then mirrored left to right.
          int tx = q == 1 ? y : q == 2 ? W - 1 - x : H - 1 - y;
          const int ty = q == 1 ? W - 1 - x : q == 2 ? H - 1 - y : x;
          if (mirror) tx = turned.Width() - 1 - tx;
          const int step = ChannelDifference(turned.GetPixel(tx, ty), upright.GetPixel(x, y));
          worst = std::max(worst, step);
          differing += step > 0;
        }
      EXPECT_LE(worst, 2) << 90 * q << " degrees, mirrored " << mirror;
      EXPECT_LT(differing, W * H / 5 / 1000) << 90 * q << " degrees, mirrored " << mirror;
    }
    d.SetMirror(false);
  }
}

// Regression: turned by other than quarter turns, a large display took seconds per frame (0.84 s at
// 2857 x 1000 px turned 1 degree): every sample was wrapped into its strip a pixel at a time from
// the strip's origin at the frame's left.
TEST(SpectrumDisplay, ObliqueLargeDisplayPaintsQuicklyAndTurned) {
  TScopedHost host;
  auto setUp = [](TDWSpectrumDisplay& AD) {
    TDWSpectrumBarColorGroup& group = AD.Bars().ColorGroups().Add();
    group.Colors().Add().SetColor(0xFF00A040);
    group.Colors().Add().SetColor(0xFFFF3020);
    AD.Bars().ColorGroups().Add().SetColor(0xFF2060FF);
    AD.Bars().Blocks().SetEnabled(false);
    AD.Bars().Max().SetValue(100);
    AD.Values().SetCount(64);
    for (size_t i = 0; i < 64; ++i) AD.Values().SetItems(i, 100);
  };
  TDWSpectrumDisplay turned;
  turned.SetBounds(0, 0, 3000, 1000);
  turned.Rotation().SetAngle(1);
  setUp(turned);
  const TDWTransformParams tp = turned.TransformParams(3000, 1000);
  TDWSpectrumDisplay upright;  // the turned one's frame
  upright.SetBounds(0, 0, int(std::lround(tp.Width)), int(std::lround(tp.Height)));
  setUp(upright);
  const double uprightSeconds = QuickestFrameSeconds(upright, {1.0f});
  const double turnedSeconds = QuickestFrameSeconds(turned, {1.0f});
  // Turned, Cairo samples on its slow path whatever the strips: about fifteen times the cost
  // (three hundred times before).
  if (kTimed) {
    EXPECT_LT(turnedSeconds, 50 * uprightSeconds + 0.05) << uprightSeconds;
  }
  // Each bar's middle, low, half-way and high up its ramp, the same colour turned.
  const gp::Bitmap a = dwtest::RenderControl(upright), b = dwtest::RenderControl(turned);
  const float pitch = (tp.Width - 2 * 0.01f * tp.Width) / 63;
  for (int bar = 0; bar < 63; ++bar) {
    const float x = 0.01f * tp.Width + pitch * (float(bar) + 0.5f);
    for (float up : {0.1f, 0.5f, 0.9f}) {
      const float y = tp.Height * (1 - 0.03f - 0.97f * 0.97f * up);
      const gp::PointF at = tp.Matrix.TransformPoint({x, y});
      EXPECT_LE(ChannelDifference(b.GetPixel(int(at.X), int(at.Y)), a.GetPixel(int(x), int(y))), 4)
          << bar << " " << up;
    }
  }
}
