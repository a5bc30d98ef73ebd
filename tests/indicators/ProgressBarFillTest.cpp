// The progress bar's arithmetic: the rainbow, the weighted colour ramp, the shading across the bar,
// the filled share and the block layout, with their guarded ends.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <limits>
#include <vector>

#include "dialworks/indicators/DWProgressBarFill.h"

using namespace dw;

namespace {
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
}  // namespace

// Issue 19: the rainbow of a negative value (or of NaN) indexed before its first colour.
TEST(ProgressBarFill, RainbowEndsMiddleAndGuardedInput) {
  EXPECT_EQ(ValueToColorRGB(0, 100), 0xFF0000FFu);
  EXPECT_EQ(ValueToColorRGB(100, 100), 0xFFFF0000u);
  EXPECT_EQ(ValueToColorRGB(50, 100), 0xFF00FF00u);  // i = 512 (511.5 rounds to even)
  EXPECT_EQ(ValueToColorRGB(25, 100), 0xFF00FFFFu);  // i = 256
  EXPECT_EQ(ValueToColorRGB(-5, 100), 0xFF0000FFu);
  EXPECT_EQ(ValueToColorRGB(kNaN, 100), 0xFF0000FFu);
  EXPECT_EQ(ValueToColorRGB(500, 100), 0xFFFF0000u);
  EXPECT_EQ(ValueToColorRGB(kInf, 100), 0xFFFF0000u);
  // A maximum below 1 counts as 1: the first column of a one-pixel bar is blue, not NaN.
  EXPECT_EQ(ValueToColorRGB(0, 0), 0xFF0000FFu);
  EXPECT_EQ(ValueToColorRGB(1, -3), 0xFFFF0000u);
}

TEST(ProgressBarFill, RampRunsWeightsAndBreaks) {
  const TAlphaColor red = 0xFFFF0000, green = 0xFF00FF00, blue = 0xFF0000FF;
  EXPECT_EQ(DWRampColorAt({}, 0.5), 0u);
  EXPECT_EQ(DWRampColorAt({{red}}, 0.9), red);
  // Two colours: a blend from end to end.
  EXPECT_EQ(DWRampColorAt({{red}, {blue}}, 0), red);
  EXPECT_EQ(DWRampColorAt({{red}, {blue}}, 1), blue);
  EXPECT_EQ(DWRampColorAt({{red}, {blue}}, 0.5), 0xFF800080u);
  // Inside a run a colour sits at the weights before it over the weights but the last.
  const std::vector<TDWRampColor> weighted{{red, 1}, {green, 3}, {blue, 1}};
  EXPECT_EQ(DWRampColorAt(weighted, 0.25), green);
  EXPECT_EQ(DWRampColorAt(weighted, 1), blue);
  // A break ends a run: red alone over the first third (its weight share), then green to blue.
  const std::vector<TDWRampColor> runs{{red, 1, true}, {green, 1}, {blue, 1}};
  EXPECT_EQ(DWRampColorAt(runs, 0.0), red);
  EXPECT_EQ(DWRampColorAt(runs, 0.3), red);
  EXPECT_EQ(DWRampColorAt(runs, 1.0 / 3 + 1e-7), green);
  EXPECT_EQ(DWRampColorAt(runs, 1), blue);
  // Weights that sum to nothing count as equal; bad positions stay at the ends.
  const std::vector<TDWRampColor> zero{{red, 0}, {blue, 0}};
  EXPECT_EQ(DWRampColorAt(zero, 0.5), 0xFF800080u);
  const std::vector<TDWRampColor> bad{{red, NAN}, {blue, -1}};
  EXPECT_EQ(DWRampColorAt(bad, kNaN), red);
  EXPECT_EQ(DWRampColorAt(bad, 7), blue);

  // Columns: the rainbow without colours, one colour everywhere, nothing for a zero length.
  const auto rainbow = DWBarColumnColors({}, 5);
  ASSERT_EQ(rainbow.size(), 5u);
  EXPECT_EQ(rainbow.front(), 0xFF0000FFu);
  EXPECT_EQ(rainbow.back(), 0xFFFF0000u);
  EXPECT_EQ(DWBarColumnColors({}, 1).front(), 0xFF0000FFu);
  for (TAlphaColor c : DWBarColumnColors({{green}}, 4)) EXPECT_EQ(c, green);
  EXPECT_TRUE(DWBarColumnColors({{green}}, 0).empty());
}

// Every column used to sum the whole ramp again (columns x colours squared: about 30 s here, under
// the control's lock). The bound is loose: the ramp is now laid out once, in well under 10 ms.
TEST(ProgressBarFill, ManyColoursOnAWideBar) {
  std::vector<TDWRampColor> ramp(5000);
  for (size_t k = 0; k < ramp.size(); ++k) ramp[k].Color = k % 2 ? 0xFFFF0000u : 0xFF0000FFu;
  const auto start = std::chrono::steady_clock::now();
  const auto columns = DWBarColumnColors(ramp, 2000);
  EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 3.0);
  ASSERT_EQ(columns.size(), 2000u);
  EXPECT_EQ(columns.front(), 0xFF0000FFu);
  EXPECT_EQ(columns.back(), 0xFFFF0000u);
  EXPECT_EQ(columns[777], DWRampColorAt(ramp, 777.0 / 1999));
}

TEST(ProgressBarFill, ShadingAcrossTheBar) {
  const TAlphaColor red = 0xFFFF0000;
  EXPECT_EQ(DWShadeBarColor(red, bkFlat, 0.3), red);
  auto lightness = [](TAlphaColor c) {
    return (std::max({GetRed(c), GetGreen(c), GetBlue(c)}) + std::min({GetRed(c), GetGreen(c), GetBlue(c)})) / 2;
  };
  for (TDWProgressBarGaugeKind kind : {bkMetal, bkGlass}) {
    // Brightest near a third of the depth, darkest near two thirds; the hue stays red.
    const TAlphaColor bright = DWShadeBarColor(red, kind, 0.3), dark = DWShadeBarColor(red, kind, 0.7);
    EXPECT_GT(lightness(bright), lightness(dark)) << int(kind);
    EXPECT_GE(GetRed(dark), GetGreen(dark));
    EXPECT_EQ(GetGreen(dark), GetBlue(dark));
    // Alpha is kept; depths outside 0..1 (and NaN) are the edges.
    EXPECT_EQ(GetAlpha(DWShadeBarColor(0x80FF0000, kind, 0.5)), 0x80);
    EXPECT_EQ(DWShadeBarColor(red, kind, -3), DWShadeBarColor(red, kind, 0));
    EXPECT_EQ(DWShadeBarColor(red, kind, kNaN), DWShadeBarColor(red, kind, 0));
  }
  // Glass lifts the lightness far more than metal.
  EXPECT_GT(lightness(DWShadeBarColor(red, bkGlass, 0.5)), lightness(DWShadeBarColor(red, bkMetal, 0.5)) + 60);

  // The picture: shaded rows, flipped on request.
  gp::Bitmap picture(4, 10);
  DWPaintBarPicture(picture, {red}, bkGlass, false);
  EXPECT_EQ(picture.GetPixel(0, 3), DWShadeBarColor(red, bkGlass, 0.35));
  EXPECT_EQ(picture.GetPixel(3, 3), picture.GetPixel(0, 3));
  DWPaintBarPicture(picture, {red}, bkGlass, true);
  EXPECT_EQ(picture.GetPixel(0, 6), DWShadeBarColor(red, bkGlass, 0.35));
}

TEST(ProgressBarFill, FilledShareAtAndBeyondTheEnds) {
  EXPECT_DOUBLE_EQ(DWBarFilledShare(0, 0, 100), 0);
  EXPECT_DOUBLE_EQ(DWBarFilledShare(25, 0, 100), 0.25);
  EXPECT_DOUBLE_EQ(DWBarFilledShare(100, 0, 100), 1);
  EXPECT_DOUBLE_EQ(DWBarFilledShare(-10, 0, 100), 0);
  EXPECT_DOUBLE_EQ(DWBarFilledShare(1e308, 0, 100), 1);
  EXPECT_DOUBLE_EQ(DWBarFilledShare(kNaN, 0, 100), 0);
  EXPECT_DOUBLE_EQ(DWBarFilledShare(kInf, 0, 100), 1);
  // Min = Max: empty; Min > Max: the range read downwards; a span that overflows: empty.
  EXPECT_DOUBLE_EQ(DWBarFilledShare(5, 5, 5), 0);
  EXPECT_DOUBLE_EQ(DWBarFilledShare(25, 100, 0), 0.75);
  EXPECT_DOUBLE_EQ(DWBarFilledShare(0, -1e308, 1e308), 0);
}

TEST(ProgressBarFill, BlocksWholeAndPartial) {
  // Blocks of 3 pixels with gaps of 1: they end at 3, 7, 11, ...
  const TDWBarBlocks b = DWBarBlocks(3, 1);
  EXPECT_EQ(b.FilledCount(6.5f, true), 1);  // the second block would end at 7
  EXPECT_EQ(b.FilledCount(7, true), 2);
  EXPECT_EQ(b.FilledCount(2.9f, true), 0);
  EXPECT_EQ(b.FilledCount(6.5f, false), 2);
  EXPECT_FLOAT_EQ(b.Block(1, 6.5f, false).Start, 4);
  EXPECT_FLOAT_EQ(b.Block(1, 6.5f, false).Length, 2.5f);
  EXPECT_FLOAT_EQ(b.Block(1, 6.5f, true).Length, 3);
  EXPECT_EQ(b.FilledCount(0, false), 0);
  EXPECT_EQ(b.FilledCount(-4, false), 0);
  EXPECT_EQ(b.SlotCount(10), 3);  // slots starting at 0, 4, 8
  EXPECT_EQ(b.SlotCount(0), 0);

  // Sizes of 0, negative or NaN become a pixel and no gap: never more blocks than pixels.
  const TDWBarBlocks tiny = DWBarBlocks(0, -1);
  EXPECT_FLOAT_EQ(tiny.Size, 1);
  EXPECT_FLOAT_EQ(tiny.Gap, 0);
  EXPECT_EQ(tiny.SlotCount(150), 150);
  EXPECT_EQ(DWBarBlocks(NAN, NAN).FilledCount(40, true), 40);
  // A block longer than the bar: no whole block, one partial one.
  const TDWBarBlocks huge = DWBarBlocks(1e30f, 1e30f);
  EXPECT_EQ(huge.FilledCount(150, true), 0);
  EXPECT_EQ(huge.FilledCount(150, false), 1);
  EXPECT_FLOAT_EQ(huge.Block(0, 150, false).Length, 150);
  EXPECT_EQ(huge.SlotCount(150), 1);
}
