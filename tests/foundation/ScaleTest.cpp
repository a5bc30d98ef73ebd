#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FoundationTestClasses.h"

using namespace dw;
using namespace dwtest;

namespace {

std::vector<std::string> Labels(const TDWScaleTickList& l) {
  std::vector<std::string> out;
  for (const auto& t : l.Ticks)
    if (t.HasLabel) out.push_back(t.Label);
  return out;
}

}  // namespace

// Each scale setting reaches the tick list (what the list makes of it: TickListTest).
TEST(GaugeScale, TickListsFollowTheScaleSettings) {
  TTestDialBasic dial;
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
