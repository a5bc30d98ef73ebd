#include <gtest/gtest.h>

#include "TestClasses.h"
#include "support/TableCheck.h"

using namespace dw;
using namespace dwtest;

namespace {

// A deliberately faulty class: the generic check must catch each fault.
class TFaultyGauge : public TKVBasicControl {
  DW_CLASS(TFaultyGauge, TKVBasicControl)
  using TKVBasicControl::TKVBasicControl;
  double Level() const { return FLevel; }
  void SetLevel(double AValue) { FLevel = AValue; Invalidate(); }  // no compare, no limit
  int Ticks() const { return FTicks; }
  void SetTicks(int AValue) { Setter(*this, "Ticks", FTicks, AValue); }  // table says Limit
  float Size() const { return FSize; }
  void SetSize(float) {}  // ignores valid values

 private:
  double FLevel = 0;
  int FTicks = 3;  // table default 5
  float FSize = 1;
};

}  // namespace

DW_PROPERTIES(TFaultyGauge) {
  using C = TFaultyGauge;
  t.Real("Level", &C::Level, &C::SetLevel, 0.0).Limit(0, 1);
  t.Integer("Ticks", &C::Ticks, &C::SetTicks, 5).Limit(0, 10);
  t.Single("Size", &C::Size, &C::SetSize, 1.0f);
}

namespace {

bool Mentions(const std::vector<std::string>& AFaults, const std::string& AText) {
  for (auto& f : AFaults)
    if (f.find(AText) != std::string::npos) return true;
  return false;
}

}  // namespace

// Walks every registered class, so classes registered later are covered without new tests.
TEST(PropertyTables, EveryRegisteredClassPassesTheGenericCheck) {
  RegisterTestClasses();
  auto classes = RegisteredClasses();
  ASSERT_FALSE(classes.empty());
  int checked = 0;
  for (const TClassInfo* c : classes) {
    if (!c->CanCreate()) continue;
    ++checked;
    EXPECT_EQ(CheckClassTables(*c), std::vector<std::string>{}) << c->Name();
  }
  EXPECT_GE(checked, 3);
}

TEST(PropertyTables, GenericCheckFindsRealFaults) {
  auto faults = CheckClassTables(TFaultyGauge::StaticClass());
  EXPECT_TRUE(Mentions(faults, "Level (Real): assigning the unchanged value asked for a repaint") ||
              Mentions(faults, "Level (Real): after NaN: value is NaN"))
      << ::testing::PrintToString(faults);
  EXPECT_TRUE(Mentions(faults, "Level (Real): after 1e+300: value")) << ::testing::PrintToString(faults);
  EXPECT_TRUE(Mentions(faults, "Ticks (Integer): new object has 3, table default is 5"));
  EXPECT_TRUE(Mentions(faults, "Ticks (Integer): after 2.14748e+09: value"));
  EXPECT_TRUE(Mentions(faults, "Size (Single): setter ignored the valid value"));
}
