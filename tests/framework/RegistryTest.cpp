#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <stdexcept>
#include <thread>

#include "TestClasses.h"
#include "dialworks/framework/FormJson.h"
#include "dialworks/framework/Registry.h"
#include "dialworks/host/ManualHost.h"

using namespace dw;
using namespace dwtest;

namespace {

class TRegistryOnlyElement : public TKVBasicControl, public TRXDrawComponentElement {
  DW_CLASS(TRegistryOnlyElement, TKVBasicControl)
  using TKVBasicControl::TKVBasicControl;
  void Draw(gp::Graphics&, const TRXElementArea&) override {}
};

// An element class naming its unit's registration, and one derived from it that names none of
// its own (so it inherits the parent's, which does not register it).
int HookedUnitRuns = 0;

class THookedHand : public TTestHandElement {
  DW_CLASS(THookedHand, TTestHandElement)
  using TTestHandElement::TTestHandElement;
  static void RegisterUnit() {
    ++HookedUnitRuns;
    TRegistrationUnit unit("HookedUnit");
    TClassGroupScope group(TKVBasicControl::StaticClass());
    RXRegisterAngularAnalogComponentElement(THookedHand::StaticClass(), "Hands");
  }
};

class TUnhookedHand : public THookedHand {
  DW_CLASS(TUnhookedHand, THookedHand)
  using THookedHand::THookedHand;
};

TRegistrationFilter UnitFilter(const std::string& AUnit) {
  TRegistrationFilter f;
  f.Unit = AUnit;
  return f;
}

bool Has(const std::vector<TRegistration>& AList, const TClassInfo& AClass) {
  return std::any_of(AList.begin(), AList.end(), [&](const TRegistration& r) { return r.Class == &AClass; });
}

}  // namespace

DW_PROPERTIES(TRegistryOnlyElement) {}
DW_PROPERTIES(THookedHand) {}
DW_PROPERTIES(TUnhookedHand) {}

// Issue 14: Add<T>() needs no registration call first: it runs T's unit registration once and
// returns the element, whose class its host's properties then load back by name; a class the
// collection still does not accept throws, leaving the list as it was.
TEST(Registry, AddingAnElementRegistersItsUnitFirst) {
  TManualHost host;
  SetHostServices(&host);
  {
    TTestGauge gauge;
    ASSERT_EQ(FindRegisteredClass("THookedHand"), nullptr);  // ctest: a process of its own
    THookedHand& first = gauge.Elements().Add<THookedHand>();
    first.SetMode(hmMin);
    THookedHand& second = gauge.Elements().Add<THookedHand>();
    EXPECT_EQ(HookedUnitRuns, 1);
    EXPECT_EQ(first.ListOwner(), &gauge.Elements());
    EXPECT_EQ(second.ElementIndex(), 1);
    EXPECT_EQ(Registrations(UnitFilter("HookedUnit")).size(), 1u);

    TTestGauge copy;
    std::string error;
    ASSERT_TRUE(LoadProperties(copy, SaveProperties(gauge), &error)) << error;
    ASSERT_EQ(copy.Elements().Count(), 2u);
    auto* loaded = dynamic_cast<THookedHand*>(&copy.Elements().ItemComponent(0));
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->Mode(), hmMin);

    try {
      gauge.Elements().Add<TUnhookedHand>();
      ADD_FAILURE() << "a class registered nowhere was added";
    } catch (const TElementRefused& e) {
      EXPECT_NE(std::string(e.what()).find("does not accept TUnhookedHand"), std::string::npos) << e.what();
    }
    EXPECT_EQ(gauge.Elements().Count(), 2u);
  }
  SetHostServices(nullptr);
}

TEST(Registry, ListsByUnitFamilyAndCategoryAndFindsClassesByName) {
  RegisterTestClasses();
  {
    TRegistrationUnit unit("RegistryUnit");
    RXRegisterGaugeComponentElement(TRegistryOnlyElement::StaticClass(), "Gauges");
    RXRegisterComponentElement(TRegistryOnlyElement::StaticClass(), "Gauges");
    RXRegisterLayerComponent(TTestGauge::StaticClass(), "Gauges");
  }
  EXPECT_EQ(FindRegisteredClass("TTestGauge"), &TTestGauge::StaticClass());
  EXPECT_EQ(FindRegisteredClass("TTestRange"), &TTestRange::StaticClass());  // streaming only
  EXPECT_EQ(FindRegisteredClass("TKVBasicControl"), nullptr);
  EXPECT_EQ(FindRegisteredClass(""), nullptr);

  auto unit = Registrations(UnitFilter("TestUnit"));
  EXPECT_TRUE(Has(unit, TTestGauge::StaticClass()));
  EXPECT_TRUE(Has(unit, TTestHandElement::StaticClass()));
  EXPECT_FALSE(Has(unit, TRegistryOnlyElement::StaticClass()));
  EXPECT_FALSE(Has(unit, TTestRange::StaticClass()));  // RegisterClass is not a listing entry

  TRXElementFamily clock = efClock;
  TRegistrationFilter byFamily;
  byFamily.Family = &clock;
  auto clocks = Registrations(byFamily);
  ASSERT_EQ(clocks.size(), 1u);
  EXPECT_EQ(clocks[0].Class, &TTestClockElement::StaticClass());
  EXPECT_EQ(clocks[0].Category, "Clocks");
  EXPECT_EQ(clocks[0].Unit, "TestUnit");

  auto gauges = Registrations([] {
    TRegistrationFilter f;
    f.Category = "Gauges";
    return f;
  }());
  EXPECT_EQ(gauges.size(), 3u);  // gauge element, component element, layer
  TRegistrationKind layer = rkLayer;
  TRegistrationFilter byKind = UnitFilter("RegistryUnit");
  byKind.Kind = &layer;
  auto layers = Registrations(byKind);
  ASSERT_EQ(layers.size(), 1u);
  EXPECT_EQ(layers[0].Class, &TTestGauge::StaticClass());

  // Families decide acceptance: a gauge-family element fits gauge and angular collections, not
  // clock collections; a component-family element fits everything but matrix layers.
  TTestGauge host;
  TRXGaugeComponentElements gaugeList(&host);
  TRXClockComponentElements clockList(&host);
  TRXComponentElements plain(&host);
  TRXMatrixComponentElements matrix(&host);
  EXPECT_TRUE(gaugeList.Accepts(TRegistryOnlyElement::StaticClass()));
  EXPECT_TRUE(host.Elements().Accepts(TRegistryOnlyElement::StaticClass()));
  EXPECT_TRUE(clockList.Accepts(TRegistryOnlyElement::StaticClass()));  // via the component family
  EXPECT_TRUE(plain.Accepts(TRegistryOnlyElement::StaticClass()));
  EXPECT_FALSE(matrix.Accepts(TRegistryOnlyElement::StaticClass()));
  EXPECT_FALSE(plain.Accepts(TTestHandElement::StaticClass()));
  EXPECT_FALSE(gaugeList.Accepts(TTestClockElement::StaticClass()));
  EXPECT_EQ(TRXComponentElement::CollectionClass().Name(), "TRXComponentElements");
}

TEST(Registry, ConcurrentRegistrationAndLookupAreSafe) {
  std::vector<std::thread> threads;
  for (int i = 0; i < 4; ++i)
    threads.emplace_back([i] {
      TRegistrationUnit unit("Thread" + std::to_string(i));
      for (int k = 0; k < 200; ++k) {
        RegisterTestClasses();
        EXPECT_NE(FindRegisteredClass("TTestGauge"), nullptr);
        (void)Registrations(UnitFilter("TestUnit"));
      }
    });
  for (auto& t : threads) t.join();
  // Repeated registration (800 times here) lists a class once.
  auto unit = Registrations(UnitFilter("TestUnit"));
  EXPECT_EQ(std::count_if(unit.begin(), unit.end(), [](auto& r) { return r.Class == &TTestGauge::StaticClass(); }), 1);
}

TEST(Components, OwnershipStateAndDesigning) {
  RegisterTestClasses();  // ctest runs each test in a process of its own
  TComponent root;
  root.SetDesigning(true);
  auto& g = TComponent::Create<TTestGauge>(root);
  EXPECT_TRUE(g.IsDesigning());  // inherited from the owner
  TTestHandElement* e = &g.Elements().Add<TTestHandElement>();
  EXPECT_TRUE(e->IsDesigning());
  root.SetDesigning(false);
  EXPECT_FALSE(g.IsDesigning());
  EXPECT_FALSE(e->IsDesigning());  // elements follow their host both ways
  root.SetDesigning(true);
  EXPECT_TRUE(e->IsDesigning());
  root.SetDesigning(false);
  TComponent designed;
  designed.SetDesigning(true);
  auto made = std::make_unique<TTestGauge>();
  TTestHandElement* held = &made->Elements().Add<TTestHandElement>();
  EXPECT_TRUE(designed.InsertComponent(std::move(made)).IsDesigning());
  EXPECT_TRUE(held->IsDesigning());
  g.SetName("G");
  EXPECT_EQ(root.FindComponent("G"), &g);
  std::unique_ptr<TComponent> taken = root.RemoveComponent(g);
  EXPECT_EQ(taken.get(), &g);
  EXPECT_EQ(g.Owner(), nullptr);
  TComponent other;
  other.InsertComponent(std::move(taken));
  EXPECT_EQ(g.Owner(), &other);
  EXPECT_EQ(other.ComponentCount(), 1u);
  // Ownership cycles are refused and leave the component with the caller (a cycle recursed
  // without end through every walk of the owned components).
  taken = other.RemoveComponent(g);
  EXPECT_THROW(g.InsertComponent(std::move(taken)), std::invalid_argument);
  ASSERT_EQ(taken.get(), &g);
  auto top = std::make_unique<TComponent>();
  TComponent& middle = top->InsertComponent(std::move(taken));
  EXPECT_THROW(middle.InsertComponent(std::move(top)), std::invalid_argument);
  ASSERT_NE(top, nullptr);
  EXPECT_EQ(middle.ComponentCount(), 0u);
  EXPECT_THROW(other.InsertComponent(nullptr), std::invalid_argument);
}
