// Issue 14: --template forms load as they are and hold the defaults; the reference and the schema
// cover every registered class. Every class of the package passes the generic table check.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <stdexcept>
#include <string>

#include "Reference.h"
#include "dialworks/Version.h"
#include "dialworks/framework/Form.h"
#include "dialworks/framework/FormJson.h"
#include "dialworks/framework/Registry.h"
#include "dialworks/host/ManualHost.h"
#include "dialworks/package/DialworksPkg.h"
#include "support/TableCheck.h"

namespace {

using namespace dw;

std::vector<const TClassInfo*> FormComponents() {
  RegisterDialworksPackage();
  std::vector<const TClassInfo*> out;
  for (const TClassInfo* c : RegisteredClasses())
    if (c->IsComponent() && c->CanCreate()) out.push_back(c);
  return out;
}

TEST(Reference, TemplatesLoadAsTheyAreAndHoldTheDefaults) {
  TManualHost host;
  SetHostServices(&host);
  const auto classes = FormComponents();
  ASSERT_GE(classes.size(), 5u);
  for (const TClassInfo* c : classes) {
    std::string json, error;
    ASSERT_TRUE(apps::FormTemplate(c->Name(), json, error)) << error;
    EXPECT_EQ(json.find("\"pin\""), std::string::npos) << c->Name();
    TFormLoadResult r = LoadForm(json);
    ASSERT_TRUE(r) << c->Name() << ": " << r.Error;
    ASSERT_EQ(r.Form->ComponentCount(), 1u);
    EXPECT_EQ(&r.Form->Components(0).ClassInfo(), c);
    // What the loaded component stores is what a new one stores: every value is its default.
    std::unique_ptr<TPersistent> created = c->Create();
    std::unique_ptr<TComponent> fresh(static_cast<TComponent*>(created.release()));
    EXPECT_EQ(SaveProperties(r.Form->Components(0)).dump(), SaveProperties(*fresh).dump()) << c->Name();
    TComponent::Destroy(std::move(fresh));
  }
  std::string json, error;
  EXPECT_FALSE(apps::FormTemplate("TDWAngularGuage", json, error));
  EXPECT_NE(error.find("did you mean 'TDWAngularGauge'"), std::string::npos) << error;
  EXPECT_FALSE(apps::FormTemplate("TDWAngularGaugeScale", json, error));  // not a component
  SetHostServices(nullptr);
}

TEST(Reference, DocAndSchemaCoverEveryRegisteredClass) {
  const auto classes = FormComponents();
  const std::string doc = apps::ReferenceMarkdown();
  const TJson schema = TJson::parse(apps::FormSchemaText());
  const TJson& componentClasses = schema["$defs"]["component"]["properties"]["class"]["enum"];
  for (const TClassInfo* c : classes) {
    EXPECT_NE(doc.find("\n## " + c->Name() + "\n"), std::string::npos) << c->Name();
    EXPECT_TRUE(schema["$defs"].contains(c->Name())) << c->Name();
    EXPECT_NE(std::find(componentClasses.begin(), componentClasses.end(), c->Name()), componentClasses.end());
  }
  // Enumeration members, the tables' notes and nested paths reach the reference.
  EXPECT_NE(doc.find("`gmmMin`, `gmmMax`"), std::string::npos);
  EXPECT_NE(doc.find("`Scale.MajorTicks.Count`"), std::string::npos);
  EXPECT_NE(doc.find("| `Width` | Integer | `160` | pixels"), std::string::npos);
  // Element lists accept exactly their families: a gauge takes hands, a hand takes no gauge.
  const TJson& elements = schema["$defs"]["TDWAngularGauge"]["properties"]["Elements"]["items"]["properties"]["class"]["enum"];
  EXPECT_NE(std::find(elements.begin(), elements.end(), "TDWGaugeMinMaxHandElement"), elements.end());
  EXPECT_EQ(std::find(elements.begin(), elements.end(), "TDWAngularGauge"), elements.end());
  EXPECT_EQ(apps::VersionText(), std::string("dialworks ") + DIALWORKS_VERSION);
}

// A use that throws leaves the installed host as it was, and the object is destroyed through the
// component path first (its timers belong to the private host).
TEST(Reference, ANewObjectsUseThatThrowsPutsTheHostBack) {
  TManualHost host;
  SetHostServices(&host);
  RegisterDialworksPackage();
  const TClassInfo* gauge = FindRegisteredClass("TDWAngularGauge");
  ASSERT_NE(gauge, nullptr);
  IHostServices* during = nullptr;
  EXPECT_THROW(apps::WithNewObject(*gauge,
                                   [&](TPersistent&) {
                                     during = &HostServices();
                                     throw std::runtime_error("use failed");
                                   }),
               std::runtime_error);
  EXPECT_NE(during, &host);
  EXPECT_EQ(&HostServices(), &host);
  SetHostServices(nullptr);
}

// The generic table check (defaults, no notification on an unchanged value, save -> load -> save,
// bad-input policies, nested objects included) for every class the package registers: controls,
// layers, elements and matrix layers of every instrument unit.
TEST(PackageTables, EveryRegisteredClassPassesTheGenericCheck) {
  TManualHost host;
  SetHostServices(&host);
  RegisterDialworksPackage();
  int checked = 0;
  for (const TClassInfo* c : RegisteredClasses()) {
    if (!c->CanCreate()) continue;
    ++checked;
    EXPECT_EQ(CheckClassTables(*c), std::vector<std::string>{}) << c->Name();
  }
  EXPECT_GE(checked, 70);
  SetHostServices(nullptr);
}

}  // namespace
