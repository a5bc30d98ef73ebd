#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "TestClasses.h"
#include "dialworks/framework/Form.h"
#include "dialworks/framework/FormJson.h"
#include "dialworks/framework/Spelling.h"
#include "dialworks/host/ManualHost.h"

using namespace dw;
using namespace dwtest;

namespace {

class FormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterTestClasses();
    SetHostServices(&Host);
  }
  void TearDown() override { SetHostServices(nullptr); }
  TManualHost Host;
};

TTestGauge& AddGauge(TDWForm& AForm, const char* AName) {
  auto& g = TComponent::Create<TTestGauge>(AForm);
  g.SetName(AName);
  return g;
}

}  // namespace

TEST_F(FormTest, SaveLoadSaveIsIdenticalAndRestoresPropertiesElementsAndLinks) {
  TDWForm form;
  form.SetWidth(800);
  form.SetColor(0xFF102030);
  TTestGauge& speed = AddGauge(form, "Speed");
  speed.SetBounds(10, -20, 300, 150);
  speed.SetMax(250);
  speed.SetValue(72.5);
  speed.Scale().SetCount(7);
  speed.Scale().SetStyle(tsTriangle);
  speed.Scale().SetAngle(0.1f);
  speed.Scale().SetColor(0x80FF8000);
  speed.Scale().SetCaption("km/h \"fast\" \xE2\x82\xAC");
  speed.Scale().SetVisible(false);
  speed.Ranges().Add().SetStart(10);
  speed.Ranges().Add().SetColor(0xFFFF0000);
  TTestGauge& knob = AddGauge(form, "Knob");
  knob.SetAntiAliased(false);
  TTestHandElement* hand = &knob.Elements().Add<TTestHandElement>();
  hand->SetMode(hmMax);
  hand->Position().Y().SetValue(0.25f);
  ASSERT_TRUE(TPXPin::Link(hand->StatePin(), speed.InputPin()));

  std::string first = SaveForm(form);
  // Value is not stored while the pin is connected; Min stays default; pins are no properties.
  EXPECT_EQ(first.find("\"Value\": 72.5"), std::string::npos);
  EXPECT_EQ(first.find("InputPin\":"), std::string::npos);
  EXPECT_NE(first.find("\"Max\": 250.0"), std::string::npos);
  EXPECT_NE(first.find("\"Angle\": 0.1"), std::string::npos) << first;  // shortest float text
  EXPECT_NE(first.find("\"from\": \"Knob.Elements[0].StatePin\""), std::string::npos) << first;
  EXPECT_NE(first.find("\"to\": \"Speed.InputPin\""), std::string::npos);

  int loadedBefore = TTestGauge::TotalLoaded;
  TFormLoadResult loaded = LoadForm(first);
  ASSERT_TRUE(loaded) << loaded.Error;
  EXPECT_EQ(TTestGauge::TotalLoaded, loadedBefore + 2);
  EXPECT_EQ(SaveForm(*loaded.Form), first);

  // The identical second save shows every stored property came back; spot checks of the objects.
  TDWForm& f = *loaded.Form;
  auto* speed2 = dynamic_cast<TTestGauge*>(f.FindComponent("Speed"));
  auto* knob2 = dynamic_cast<TTestGauge*>(f.FindComponent("Knob"));
  ASSERT_TRUE(speed2 && knob2);
  EXPECT_FALSE(speed2->IsLoading());
  EXPECT_EQ(speed2->Top(), -20);
  EXPECT_EQ(speed2->Scale().Caption(), "km/h \"fast\" \xE2\x82\xAC");
  ASSERT_EQ(knob2->Elements().Count(), 1u);
  auto* hand2 = dynamic_cast<TTestHandElement*>(&knob2->Elements().Items(0));
  ASSERT_NE(hand2, nullptr);
  EXPECT_FALSE(hand2->IsLoading());  // elements are loaded too
  EXPECT_EQ(hand2->Position().Y().Value(), 0.25f);
  // The restored link carries values.
  hand2->StatePin().SubmitValueRange(20, 0, 50);
  EXPECT_EQ(speed2->Max(), 50);
  EXPECT_EQ(speed2->Value(), 20);
}

TEST_F(FormTest, LoadingAppliesInTableOrderUnderTheLoadingStateThenLimitsInLoaded) {
  // Value comes before Min/Max in the table: while loading it is taken unlimited, Loaded limits it.
  auto r = LoadForm(R"({"format": "dialworks-form", "version": 1, "components": [
      {"class": "TTestGauge", "name": "G", "properties": {"Value": 150, "Max": 120}}]})");
  ASSERT_TRUE(r) << r.Error;
  auto& g = static_cast<TTestGauge&>(r.Form->Components(0));
  EXPECT_EQ(g.Value(), 120);
  EXPECT_EQ(g.LoadedCalls, 1);
  EXPECT_EQ(Host.RepaintCount(g), 0u);  // no repaint requests while loading
  // Defaults of the class: Width 200 / Height 150 are not written.
  std::string text = SaveForm(*r.Form);
  EXPECT_EQ(text.find("\"Width\""), std::string::npos);
  EXPECT_NE(text.find("\"Value\": 120.0"), std::string::npos);
}

TEST_F(FormTest, MalformedFormsAreRefusedWithOneMessageNamingThePath) {
  struct TCase {
    const char* Json;
    const char* Expected;  // start of the message
  };
  auto C = [](const std::string& components, const std::string& links = "[]") {
    return R"({"format": "dialworks-form", "version": 1, "components": )" + components + R"(, "links": )" + links + "}";
  };
  const std::string twoGauges =
      R"([{"class": "TTestGauge", "name": "Speed"}, {"class": "TTestGauge", "name": "Knob", "properties": {"Elements": [{"class": "TTestHandElement"}]}}])";
  std::vector<std::pair<std::string, std::string>> cases = {
      {"{\"format\": ", "$: malformed JSON"},
      {"[1, 2]", "$: expected a JSON object"},
      {R"({"format": "other", "version": 1})", "$.format: expected \"dialworks-form\""},
      {R"({"format": "dialworks-form"})", "$.version: unsupported version"},
      {R"({"format": "dialworks-form", "version": 2})", "$.version: unsupported version"},
      {R"({"format": "dialworks-form", "version": 1, "extra": 0})", "$.extra: unknown key"},
      {R"({"format": "dialworks-form", "version": 1, "width": -5})", "$.width: integer out of range"},
      {R"({"format": "dialworks-form", "version": 1, "color": "bleu"})", "$.color: expected a colour"},
      {C("{}"), "$.components: expected an array"},
      {C("[3]"), "$.components[0]: expected an object"},
      {C(R"([{"class": "TNope"}])"), "$.components[0].class: unknown class 'TNope'"},
      {C(R"([{"class": "TTestRange"}])"), "$.components[0].class: class 'TTestRange' is not a component"},
      {C(R"([{"class": "TTestGauge", "name": "a.b"}])"), "$.components[0].name: expected a name"},
      {C(R"([{"class": "TTestGauge", "name": "A"}, {"class": "TTestGauge", "name": "A"}])"),
       "$.components[1].name: duplicate component name 'A'"},
      {C(R"([{"class": "TTestGauge", "left": "x"}])"), "$.components[0].left: expected an integer"},
      {C(R"([{"class": "TTestGauge", "properties": {"Bogus": 1}}])"),
       "$.components[0].properties.Bogus: unknown property of TTestGauge"},
      {C(R"([{"class": "TTestGauge", "properties": {"Width": "wide"}}])"),
       "$.components[0].properties.Width: expected an integer"},
      {C(R"([{"class": "TTestGauge", "properties": {"Width": 100000}}])"),
       "$.components[0].properties.Width: value 100000 is outside 0..32767"},
      {C(R"([{"class": "TTestGauge", "properties": {"Max": "big"}}])"),
       "$.components[0].properties.Max: expected a number"},
      {C(R"([{"class": "TTestGauge", "properties": {"Scale": {"Count": 500}}}])"),
       "$.components[0].properties.Scale.Count: value 500 is outside 0..100"},
      {C(R"([{"class": "TTestGauge", "properties": {"Scale": {"Step": 20}}}])"),
       "$.components[0].properties.Scale.Step: value 20 is outside 0.5..10"},
      {C(R"([{"class": "TTestGauge", "properties": {"Scale": {"Style": "tsBogus"}}}])"),
       "$.components[0].properties.Scale.Style: 'tsBogus' is not a member of TTestTickStyle"},
      {C(R"([{"class": "TTestGauge", "properties": {"Scale": {"Color": "0xFF00"}}}])"),
       "$.components[0].properties.Scale.Color: expected a colour"},
      {C(R"([{"class": "TTestGauge", "properties": {"Scale": {"Angle": 1e39}}}])"),
       "$.components[0].properties.Scale.Angle: number out of range for single precision"},
      {C(R"([{"class": "TTestGauge", "properties": {"Scale": {"Digits": -1}}}])"),
       "$.components[0].properties.Scale.Digits: expected a non-negative integer"},
      {C(R"([{"class": "TTestGauge", "properties": {"Scale": 5}}])"),
       "$.components[0].properties.Scale: expected an object"},
      {C(R"([{"class": "TTestGauge", "properties": {"InputPin": 5}}])"),
       "$.components[0].properties.InputPin: pins have no properties"},
      {C(R"([{"class": "TTestGauge", "properties": {"Elements": [{"Mode": "hmMax"}]}}])"),
       "$.components[0].properties.Elements[0]: missing \"class\""},
      {C(R"([{"class": "TTestGauge", "properties": {"Elements": [{"class": "TTestClockElement"}]}}])"),
       "$.components[0].properties.Elements[0]: TRXAngularAnalogComponentElements does not accept TTestClockElement"},
      {C(R"([{"class": "TTestGauge", "properties": {"Ranges": [{"class": "TTestGauge"}]}}])"),
       "$.components[0].properties.Ranges[0].class: class 'TTestGauge' is not accepted here"},
      {C(R"([{"class": "TTestGauge", "properties": {"Ranges": [{"Start": null}]}}])"),
       "$.components[0].properties.Ranges[0].Start: expected a number"},
      {C(twoGauges, R"([{"from": "Nope.StatePin", "to": "Speed.InputPin"}])"),
       "$.links[0].from: no component named 'Nope'"},
      {C(twoGauges, R"([{"from": "Knob.Elements[3].StatePin", "to": "Speed.InputPin"}])"),
       "$.links[0].from: index 3 of 'Elements' is out of range"},
      {C(twoGauges, R"([{"from": "Knob.Elements[0].StatePin", "to": "Speed.Value"}])"),
       "$.links[0].to: 'Speed.Value' is not a pin"},
      {C(twoGauges, R"([{"from": "Speed.InputPin", "to": "Knob.Elements[0].StatePin"}])"),
       "$.links[0]: pins cannot be linked"},
      {C(twoGauges, R"([{"from": "Knob.Elements[0].StatePin"}])"), "$.links[0]: missing \"to\""},
      // A key given twice: the parser would keep one value silently (here: no components at all).
      {R"({"format": "dialworks-form", "version": 1, "components": [{"class": "TTestGauge"}], "components": []})",
       "$.components: the key is given twice in one object"},
      {C(R"([{"class": "TTestGauge"}, {"class": "TTestGauge", "properties": {"Ranges": [{}, {"Start": 1, "Start": 2}]}}])"),
       "$.components[1].properties.Ranges[1].Start: the key is given twice in one object"},
  };
  ASSERT_GE(cases.size(), 15u);
  int instances = TTestGauge::Instances;
  int loaded = TTestGauge::TotalLoaded;
  for (auto& [json, expected] : cases) {
    TFormLoadResult r = LoadForm(json);
    EXPECT_FALSE(r) << json;
    EXPECT_EQ(r.Error.rfind(expected, 0), 0u) << "form: " << json << "\nmessage: " << r.Error;
    EXPECT_EQ(r.Error.find('\n'), std::string::npos) << r.Error;  // one message, one line
  }
  // Nothing half-loaded survives and nothing was told it had loaded.
  EXPECT_EQ(TTestGauge::Instances, instances);
  EXPECT_EQ(TTestGauge::TotalLoaded, loaded);
}

// What a message echoes of the input is escaped (C0 and C1 controls, DEL, bytes that are not
// UTF-8) and shortened, so a hostile form cannot drive a terminal or print megabytes.
TEST_F(FormTest, MessagesEchoInputEscapedAndShort) {
  EXPECT_EQ(PrintableText("a\x1B[2J\x7F"), "a\\x1B[2J\\x7F");
  EXPECT_EQ(PrintableText("\xC2\x9B" "2J\xC2\x9D" "0;t\xC2\x9C"), "\\u009B2J\\u009D0;t\\u009C");
  EXPECT_EQ(PrintableText("\xFF|\xC0\xAF|\xED\xA0\x80|\xE2\x82"), "\\xFF|\\xC0\\xAF|\\xED\\xA0\\x80|\\xE2\\x82");
  EXPECT_EQ(PrintableText("\xC2\xA0\xE2\x82\xAC\xF0\x9F\x98\x80"), "\xC2\xA0\xE2\x82\xAC\xF0\x9F\x98\x80");
  std::string accents;
  for (int i = 0; i < 100; ++i) accents += "e\xCC\x81";  // e + combining acute: cut between code points
  EXPECT_EQ(EchoText(accents), accents.substr(0, 40 * 3) + "...");
  EXPECT_EQ(EchoText(std::string(80, 'x')), std::string(80, 'x'));

  auto C = [](const std::string& components, const std::string& links = "[]") {
    return R"({"format": "dialworks-form", "version": 1, "components": )" + components + R"(, "links": )" + links + "}";
  };
  const std::string big(2'000'000, 'A');
  const std::vector<std::pair<std::string, std::string>> cases = {
      {C(R"([{"class": "TTestGauge", "properties": {"\u009b2J\u009d0;title\u009c": 1}}])"),
       "$.components[0].properties.\\u009B2J\\u009D0;title\\u009C: unknown property"},
      {"{\"format\": \"dialworks-form\xFF\xFE", "$: malformed JSON"},
      {"{\"format\": " + big, "$: malformed JSON"},
      {"{\"format\": \"" + big + "\xFF\"}", "$: malformed JSON"},
      {C(R"([{"class": ")" + big + R"("}])"), "$.components[0].class: unknown class 'AAAA"},
      {C(R"([{"class": "TTestGauge", "properties": {")" + big + R"(": 1}}])"), "$.components[0].properties.AAAA"},
      {C(R"([{"class": "TTestGauge", "properties": {"Scale": {"Style": ")" + big + R"("}}}])"),
       "$.components[0].properties.Scale.Style: 'AAAA"},
      {C(R"([{"class": "TTestGauge", "name": ")" + big + R"("}, {"class": "TTestGauge", "name": ")" + big + R"("}])"),
       "$.components[1].name: duplicate component name 'AAAA"},
      {C(R"([{"class": "TTestGauge", "name": "G"}])", R"([{"from": "G.)" + big + R"(", "to": "G.InputPin"}])"),
       "$.links[0].from: TTestGauge has no property 'AAAA"},
      {C(R"([{"class": "TTestGauge", "name": "G"}])", R"([{"from": ")" + big + R"(", "to": "G.InputPin"}])"),
       "$.links[0].from: pin path 'AAAA"},
  };
  for (auto& [json, expected] : cases) {
    TFormLoadResult r = LoadForm(json);
    ASSERT_FALSE(r);
    EXPECT_EQ(r.Error.rfind(expected, 0), 0u) << r.Error.substr(0, 300);
    EXPECT_LT(r.Error.size(), 600u) << r.Error.substr(0, 300);
    // Printable ASCII and well-formed UTF-8 without controls only.
    EXPECT_EQ(PrintableText(r.Error), r.Error) << r.Error.substr(0, 300);
    EXPECT_TRUE(std::none_of(r.Error.begin(), r.Error.end(), [](char ch) { return (unsigned char)ch >= 0x80; }))
        << r.Error.substr(0, 300);
  }
}

// Names are checked against those seen so far, not by a search of the form per component: many
// named components load in about the time unnamed ones do. Long names sharing a prefix make the
// search's comparisons costly (about 4e10 bytes for 20000 of them), so a load that searched would
// take seconds against a fraction of one; names still compare exactly, case included.
TEST_F(FormTest, ManyNamedComponentsLoadInLinearTimeAndDuplicatesAreStillRefused) {
  const std::string prefix(200, 'n');
  auto form = [&](int ACount, bool ANamed) {
    std::string text = R"({"format": "dialworks-form", "version": 1, "components": [)";
    for (int i = 0; i < ACount; ++i) {
      text += i ? ", " : "";
      text += ANamed ? R"({"class": "TTestGauge", "name": ")" + prefix + std::to_string(i) + "\"}"
                     : std::string(R"({"class": "TTestGauge"})");
    }
    return text + "]}";
  };
  auto seconds = [](const std::string& AText) {
    const auto start = std::chrono::steady_clock::now();
    TFormLoadResult r = LoadForm(AText);
    EXPECT_TRUE(r) << r.Error;
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  };
  const int count = 20000;
  const double unnamed = seconds(form(count, false));
  const double named = seconds(form(count, true));
  EXPECT_LT(named, 10 * unnamed + 1.0) << "unnamed " << unnamed << " s";

  const std::string head = R"({"format": "dialworks-form", "version": 1, "components": [)";
  TFormLoadResult cased = LoadForm(head + R"({"class": "TTestGauge", "name": "a"}, {"class": "TTestGauge", "name": "A"}]})");
  ASSERT_TRUE(cased) << cased.Error;
  EXPECT_EQ(cased.Form->FindComponent("A"), &cased.Form->Components(1));
  TFormLoadResult twice = LoadForm(head + R"({"class": "TTestGauge", "name": "x"}, {"class": "TTestGauge"}, )" +
                                   R"({"class": "TTestGauge", "name": "x"}]})");
  ASSERT_FALSE(twice);
  EXPECT_EQ(twice.Error, "$.components[2].name: duplicate component name 'x'");
}

// Issue 14: the schema calls integer properties "integer", which JSON Schema grants to 5.0, so
// the loader takes integral numbers written with a fraction too; 5.5, out-of-range and negative
// cardinal values are still refused with the path.
TEST_F(FormTest, IntegralNumbersLoadIntoIntegerProperties) {
  const std::string form = R"({"format": "dialworks-form", "version": 1, "width": 300.0, "height": 2e2,
      "components": [{"class": "TTestGauge", "name": "G", "left": -4.0, "top": 0.0,
                      "properties": {"Width": 120.0, "Scale": {"Count": 5.0, "Digits": 12.0}}}]})";
  TFormLoadResult r = LoadForm(form);
  ASSERT_TRUE(r) << r.Error;
  EXPECT_EQ(r.Form->Width(), 300);
  EXPECT_EQ(r.Form->Height(), 200);
  auto& g = static_cast<TTestGauge&>(r.Form->Components(0));
  EXPECT_EQ(g.Left(), -4);
  EXPECT_EQ(g.Width(), 120);
  EXPECT_EQ(g.Scale().Count(), 5);
  EXPECT_EQ(g.Scale().Digits(), 12u);
  // Stored back in the canonical spelling.
  EXPECT_EQ(SaveForm(*r.Form).find(".0"), std::string::npos) << SaveForm(*r.Form);

  auto refused = [&](const std::string& AProps, const std::string& AExpected) {
    TFormLoadResult bad = LoadForm(R"({"format": "dialworks-form", "version": 1, "components": [{"class": "TTestGauge",
        "properties": )" + AProps + "}]}");
    EXPECT_FALSE(bad) << AProps;
    EXPECT_EQ(bad.Error.rfind(AExpected, 0), 0u) << AProps << ": " << bad.Error;
  };
  refused(R"({"Scale": {"Count": 5.5}})", "$.components[0].properties.Scale.Count: expected an integer");
  refused(R"({"Scale": {"Count": 500.0}})", "$.components[0].properties.Scale.Count: value 500 is outside 0..100");
  refused(R"({"Width": 1e10})", "$.components[0].properties.Width: integer out of range");
  refused(R"({"Width": -3e9})", "$.components[0].properties.Width: integer out of range");
  refused(R"({"Scale": {"Digits": -1.0}})", "$.components[0].properties.Scale.Digits: expected a non-negative integer");
  refused(R"({"Scale": {"Digits": 0.5}})", "$.components[0].properties.Scale.Digits: expected a non-negative integer");
  refused(R"({"Scale": {"Digits": 5e9}})", "$.components[0].properties.Scale.Digits: integer out of range");
  TFormLoadResult wide = LoadForm(R"({"format": "dialworks-form", "version": 1, "width": 1.5})");
  EXPECT_EQ(wide.Error, "$.width: expected an integer");
  wide = LoadForm(R"({"format": "dialworks-form", "version": 1, "width": 1e6})");
  EXPECT_EQ(wide.Error.rfind("$.width: integer out of range", 0), 0u) << wide.Error;
  // The same rule through a property path (the render command's --set).
  std::string why;
  EXPECT_TRUE(SetPropertyText(g, "Scale.Count", "7.0", &why)) << why;
  EXPECT_EQ(g.Scale().Count(), 7);
  EXPECT_FALSE(SetPropertyText(g, "Scale.Count", "7.25", &why));
  EXPECT_EQ(g.Scale().Count(), 7);
}

TEST_F(FormTest, PropertyPathsReachNestedObjectsItemsAndPins) {
  TTestGauge g;
  g.Elements().Add<TTestHandElement>();
  g.Elements().Add<TTestHandElement>();
  std::string err;
  EXPECT_TRUE(SetPropertyText(g, "Scale.Count", "5", &err)) << err;
  EXPECT_EQ(g.Scale().Count(), 5);
  EXPECT_TRUE(SetPropertyText(g, "Elements[1].Mode", "hmMin", &err)) << err;
  EXPECT_EQ(static_cast<TTestHandElement&>(g.Elements().ItemComponent(1)).Mode(), hmMin);
  EXPECT_TRUE(SetPropertyText(g, "Scale.Color", "0xFF00FF00", &err)) << err;
  EXPECT_TRUE(SetPropertyText(g, "Scale.Caption", "a=b", &err)) << err;
  EXPECT_EQ(g.Scale().Caption(), "a=b");
  EXPECT_EQ(*GetPropertyValue(g, "Elements[1].Position.Y.Value"), TPropValue(0.6));
  auto loc = FindPropertyPath(g, "Elements[0].StatePin");
  ASSERT_TRUE(loc && loc->Prop);
  EXPECT_EQ(loc->Prop->Pin(*loc->Object), &static_cast<TTestHandElement&>(g.Elements().ItemComponent(0)).StatePin());

  struct TBad {
    const char* Path;
    const char* Text;
    const char* Message;
  };
  for (const TBad& b : {TBad{"Scale.Nope", "1", "TTestScale has no property 'Nope'"},
                        TBad{"Elements[2].Mode", "hmMin", "index 2 of 'Elements' is out of range"},
                        TBad{"Elements[x].Mode", "hmMin", "bad index 'x'"},
                        TBad{"Scale[0]", "1", "'Scale' is not a collection"},
                        TBad{"Scale.Count.Deeper", "1", "'Scale.Count' has no properties"},
                        TBad{"Scale..Count", "1", "empty name"},
                        TBad{"Scale.Count", "many", "Scale.Count: cannot read 'many'"},
                        TBad{"Scale.Count", "1000", "Scale.Count: value 1000 is outside 0..100"},
                        TBad{"Scale", "1", "'Scale' is not a value property"},
                        TBad{"", "1", "empty property path"}}) {
    err.clear();
    EXPECT_FALSE(SetPropertyText(g, b.Path, b.Text, &err)) << b.Path;
    EXPECT_NE(err.find(b.Message), std::string::npos) << b.Path << " -> " << err;
  }
  EXPECT_EQ(g.Scale().Count(), 5);
}
