#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FoundationTestClasses.h"
#include "dialworks/framework/Form.h"
#include "dialworks/framework/FormJson.h"

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

TEST(GaugeScale, DefaultsAndStreaming) {
  TTestDialBasic dial;
  TDWReversibleGaugeScale& s = dial.Scale();
  // Nothing of a new scale is written to a form (the tick lists below show the defaults at work).
  EXPECT_TRUE(SaveProperties(s).empty()) << SaveProperties(s).dump();

  s.MajorTicks().SetCount(5);
  s.Precision().SetFixedPrecision(true);
  s.MajorTicks().MinTick().TickLabel().SetVisible(false);
  TJson saved = SaveProperties(s);
  EXPECT_EQ(saved["MajorTicks"]["Count"], 5);
  EXPECT_EQ(saved["Precision"]["FixedPrecision"], true);
  EXPECT_EQ(saved["MajorTicks"]["MinTick"]["TickLabel"]["Visible"], false);
  EXPECT_FALSE(saved["Precision"].contains("NumberDigits"));
  EXPECT_TRUE(s.MajorTicks().GetCountStored());
  EXPECT_FALSE(s.MinorTicks().GetCountStored());

  // Every change inside the scale reaches the instrument's callback.
  const int before = dial.RangeInvalidations;
  s.MinorTicks().Length().SetValue(0.03f);
  s.SetReversed(true);
  EXPECT_EQ(dial.RangeInvalidations, before + 2);

  // Limits: digits the formatter can show, counts the tick list can hold.
  s.Precision().SetNumberDigits(99);
  EXPECT_EQ(s.Precision().NumberDigits(), 15u);
  s.MinorTicks().SetCount(UINT32_MAX);
  EXPECT_EQ(s.MinorTicks().Count(), kDWMaxTickSteps);
}

TEST(GaugeScale, TickListsFollowTheScaleSettings) {
  TTestDialBasic dial;
  TDWReversibleGaugeScale& s = dial.Scale();
  TDWScaleTickList l = s.ListTicks(0, 100);
  EXPECT_EQ(l.Ticks.size(), 51u);
  EXPECT_EQ(Labels(l).front(), "0");
  EXPECT_EQ(Labels(l).size(), 11u);

  // The end tick at Min hidden: neither tick nor label, whatever its label switch says.
  s.MajorTicks().MinTick().SetVisible(false);
  l = s.ListTicks(0, 100);
  EXPECT_EQ(Labels(l).front(), "10");
  EXPECT_EQ(l.Ticks.front().Position, 1u);
  // Shown without its label.
  s.MajorTicks().MinTick().SetVisible(true);
  s.MajorTicks().MinTick().TickLabel().SetVisible(false);
  l = s.ListTicks(0, 100);
  EXPECT_TRUE(l.Ticks.front().Major);
  EXPECT_FALSE(l.Ticks.front().HasLabel);

  // Majors hidden: 51 minor ticks from 0 to 100 every 2.
  s.MajorTicks().SetVisible(false);
  l = s.ListTicks(0, 100);
  ASSERT_EQ(l.Ticks.size(), 51u);
  EXPECT_DOUBLE_EQ(l.Ticks[25].Value, 50);
  EXPECT_FALSE(l.Ticks[50].Major);
  s.MajorTicks().SetVisible(true);

  // Reversed: 100 stands at the start of the scale, 0 at its end.
  s.SetReversed(true);
  l = s.ListTicks(0, 100);
  for (const auto& t : l.Ticks) {
    if (t.Value == 100) {
      EXPECT_EQ(t.Position, 0u);
    }
    if (t.Value == 0) {
      EXPECT_EQ(t.Position, l.Steps);
    }
  }

  // Label switches: majors without labels, minors with labels formatted against a tenth-ish
  // of the range (the span divided by the major count).
  s.SetReversed(false);
  s.MajorTicks().Labels().SetVisible(false);
  s.MinorTicks().Labels().SetVisible(true);
  l = s.ListTicks(0, 1);
  EXPECT_EQ(Labels(l).size(), 40u);
  EXPECT_EQ(Labels(l)[0], "0.02");
  s.MajorTicks().Labels().SetVisible(true);
  s.MinorTicks().Labels().SetVisible(false);

  // The number format comes from Precision.
  s.Precision().SetFixedPrecision(true);
  EXPECT_EQ(Labels(s.ListTicks(0, 100)).back(), "100.00");

  // Counts 0 and 1 list the single position at Min; nothing divides by zero.
  s.MajorTicks().SetCount(0);
  l = s.ListTicks(0, 100);
  ASSERT_EQ(l.Ticks.size(), 1u);
  EXPECT_EQ(l.Ticks[0].Value, 0);
}
