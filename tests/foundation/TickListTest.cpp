#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FoundationTestClasses.h"
#include "dialworks/foundation/DWAnalogInstrumentTicks.h"

using namespace dw;

namespace {
std::vector<std::string> Labels(const TDWScaleTickList& l) {
  std::vector<std::string> out;
  for (const auto& t : l.Ticks)
    if (t.HasLabel) out.push_back(t.Label);
  return out;
}
int CountMajor(const TDWScaleTickList& l, bool major) {
  int n = 0;
  for (const auto& t : l.Ticks) n += t.Major == major;
  return n;
}
}  // namespace

TEST(TickList, DefaultDialScale) {
  const TDWScaleTickList l = DWListScaleTicks({}, 0, 100);
  EXPECT_EQ(l.Steps, 50u);
  EXPECT_EQ(CountMajor(l, true), 11);
  EXPECT_EQ(CountMajor(l, false), 40);
  EXPECT_EQ(Labels(l), (std::vector<std::string>{"0", "10", "20", "30", "40", "50", "60", "70", "80", "90", "100"}));
  // Walk order: major 0 then its four minors every 2 units.
  ASSERT_GE(l.Ticks.size(), 6u);
  EXPECT_TRUE(l.Ticks[0].Major);
  EXPECT_DOUBLE_EQ(l.Ticks[1].Value, 2);
  EXPECT_EQ(l.Ticks[1].Position, 1u);
  EXPECT_DOUBLE_EQ(l.Ticks[4].Value, 8);
  EXPECT_FLOAT_EQ(l.Ticks.back().Fraction, 1);
  EXPECT_DOUBLE_EQ(l.Ticks.back().Value, 100);
}

TEST(TickList, EndTicksAndTheirLabels) {
  TDWTickListSettings s;
  s.MinTickVisible = false;
  s.MinTickLabel = true;  // no tick, so no label either
  TDWScaleTickList l = DWListScaleTicks(s, 0, 100);
  EXPECT_EQ(CountMajor(l, true), 10);
  EXPECT_EQ(Labels(l).front(), "10");
  s = {};
  s.MaxTickLabel = false;
  l = DWListScaleTicks(s, 0, 100);
  EXPECT_EQ(CountMajor(l, true), 11);
  EXPECT_EQ(Labels(l).back(), "90");
}

TEST(TickList, HiddenMajorsGiveMinorsAtEveryPosition) {
  TDWTickListSettings s;
  s.MajorVisible = false;
  s.MinorLabels = true;
  const TDWScaleTickList l = DWListScaleTicks(s, 0, 100);
  ASSERT_EQ(l.Ticks.size(), 51u);
  for (size_t i = 0; i < l.Ticks.size(); ++i) {
    EXPECT_FALSE(l.Ticks[i].Major);
    EXPECT_NEAR(l.Ticks[i].Value, 2.0 * i, 1e-9);
    EXPECT_EQ(l.Ticks[i].Position, i);
  }
  EXPECT_EQ(l.Ticks[5].Label, "10");
  s.MinorVisible = false;
  EXPECT_TRUE(DWListScaleTicks(s, 0, 100).Ticks.empty());
}

TEST(TickList, ReversedWalksFromTheOtherEnd) {
  TDWTickListSettings s;
  s.Reversed = true;
  const TDWScaleTickList l = DWListScaleTicks(s, 0, 100);
  EXPECT_EQ(l.Ticks.front().Label, "0");
  EXPECT_EQ(l.Ticks.front().Position, 50u);  // Min sits where Max would be
  EXPECT_EQ(l.Ticks.back().Label, "100");
  EXPECT_EQ(l.Ticks.back().Position, 0u);
}

TEST(TickList, DegenerateCountsAndRanges) {
  TDWTickListSettings s;
  s.MajorCount = 1;
  TDWScaleTickList l = DWListScaleTicks(s, 0, 100);
  ASSERT_EQ(l.Ticks.size(), 1u);
  EXPECT_EQ(l.Steps, 0u);
  EXPECT_EQ(l.Ticks[0].Fraction, 0);
  EXPECT_EQ(l.Ticks[0].Label, "0");
  s.MajorCount = 0;
  EXPECT_EQ(DWListScaleTicks(s, 0, 100).Ticks.size(), 1u);
  s.MinTickVisible = s.MaxTickVisible = false;
  EXPECT_TRUE(DWListScaleTicks(s, 0, 100).Ticks.empty());
  // Huge counts are limited instead of allocating without end.
  s = {};
  s.MajorCount = 4000000000u;
  s.MinorCount = 4000000000u;
  l = DWListScaleTicks(s, 0, 100);
  EXPECT_LE(l.Steps, kDWMaxTickSteps);
  EXPECT_LE(l.Ticks.size(), size_t(kDWMaxTickSteps) + 1);
  // An empty range still lists every position, all at Min.
  l = DWListScaleTicks({}, 5, 5);
  EXPECT_EQ(l.Ticks.size(), 51u);
  EXPECT_DOUBLE_EQ(l.Ticks.back().Value, 5);
  // A minor count of zero puts the majors on consecutive steps.
  s = {};
  s.MinorCount = 0;
  l = DWListScaleTicks(s, 0, 100);
  EXPECT_EQ(l.Steps, 10u);
  EXPECT_EQ(l.Ticks.size(), 11u);
}

// Each scale setting reaches the tick list (what the list makes of it: the tests above).
TEST(GaugeScale, TickListsFollowTheScaleSettings) {
  dwtest::TTestDialBasic dial;
  TDWReversibleGaugeScale& s = dial.Scale();
  EXPECT_EQ(s.ListTicks(0, 100).Ticks.size(), 51u);
  s.MajorTicks().MinTick().TickLabel().SetVisible(false);
  EXPECT_EQ(Labels(s.ListTicks(0, 100)).front(), "10");
  s.MajorTicks().MinTick().SetVisible(false);
  EXPECT_EQ(s.ListTicks(0, 100).Ticks.front().Position, 1u);
  s.MajorTicks().MinTick().SetVisible(true);
  s.SetReversed(true);
  EXPECT_EQ(s.ListTicks(0, 100).Ticks.front().Position, 50u);
  s.SetReversed(false);
  s.MajorTicks().Labels().SetVisible(false);
  s.MinorTicks().Labels().SetVisible(true);
  EXPECT_EQ(Labels(s.ListTicks(0, 1))[0], "0.02");
  s.MajorTicks().Labels().SetVisible(true);
  s.MinorTicks().Labels().SetVisible(false);
  s.Precision().SetFixedPrecision(true);
  EXPECT_EQ(Labels(s.ListTicks(0, 100)).back(), "100.00");
  s.MajorTicks().SetVisible(false);
  EXPECT_FALSE(s.ListTicks(0, 100).Ticks[50].Major);
  s.MajorTicks().SetVisible(true);
  s.MajorTicks().SetCount(0);
  EXPECT_EQ(s.ListTicks(0, 100).Ticks.size(), 1u);
}

// Major values are Min + i x step: a single-precision running sum mislabelled ranges far from zero
// and gave no labels at all beyond the float range.
TEST(TickList, LabelsOfRangesFarFromZeroAndBeyondTheFloatRange) {
  std::vector<std::string> l = Labels(DWListScaleTicks({}, 1e8, 1e8 + 100));
  ASSERT_EQ(l.size(), 11u);
  EXPECT_EQ(l[1], "100000010");
  EXPECT_EQ(l.back(), "100000100");
  l = Labels(DWListScaleTicks({}, -1e300, 1e300));
  ASSERT_EQ(l.size(), 11u);
  EXPECT_EQ(l[5], "0");
  EXPECT_EQ(l.back(), "1e+300");
  EXPECT_FALSE(Labels(DWListScaleTicks({}, 0, 1e40))[1].empty());
}
