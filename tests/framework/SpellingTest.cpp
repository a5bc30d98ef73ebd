// Issue 14: colours in more spellings, near-name suggestions and member lists in refusals.
#include <gtest/gtest.h>

#include "TestClasses.h"
#include "dialworks/framework/Form.h"
#include "dialworks/framework/FormJson.h"
#include "dialworks/framework/Spelling.h"

namespace {

using namespace dw;
using namespace dwtest;

TEST(Spelling, ColoursAreReadInEverySpellingAndWrittenCanonically) {
  struct TCase {
    const char* Text;
    TAlphaColor Color;
  };
  for (const TCase& c : {TCase{"0x80ff0000", 0x80FF0000}, TCase{"#1E90FF", 0xFF1E90FF}, TCase{"#801e90ff", 0x801E90FF},
                         TCase{"red", 0xFFFF0000}, TCase{"Teal", 0xFF008080}, TCase{"FUCHSIA", 0xFFFF00FF},
                         TCase{"transparent", 0x00000000}, TCase{"#000000", 0xFF000000}}) {
    TAlphaColor got = 0x12345678;
    EXPECT_TRUE(ParseColorText(c.Text, got)) << c.Text;
    EXPECT_EQ(got, c.Color) << c.Text;
  }
  for (const char* bad : {"", "#", "#12345", "#1234567", "#12345678a", "#GG0000", "0x123", "0xFF00FF0G", "reds",
                          "dark red", " red", "0x#FF0000"}) {
    TAlphaColor got = 0x12345678;
    EXPECT_FALSE(ParseColorText(bad, got)) << bad;
    EXPECT_EQ(got, 0x12345678u) << bad;  // untouched on refusal
  }
  // Every documented name reads back as its value.
  for (const auto& [name, color] : NamedColors()) {
    TAlphaColor got = 0;
    EXPECT_TRUE(ParseColorText(name, got));
    EXPECT_EQ(got, color) << name;
  }

  // A form may spell them freely; what it writes back is 0xAARRGGBB.
  TTestGauge g;
  std::string err;
  ASSERT_TRUE(SetPropertyText(g, "Scale.Color", "#00ff00", &err)) << err;
  EXPECT_EQ(g.Scale().Color(), 0xFF00FF00u);
  ASSERT_TRUE(LoadProperties(g, TJson::parse(R"({"Scale": {"Color": "navy"}})"), &err)) << err;
  EXPECT_EQ(SaveProperties(g)["Scale"]["Color"], "0xFF000080");
  EXPECT_FALSE(SetPropertyText(g, "Scale.Color", "navyblue", &err));
  EXPECT_NE(err.find("#RRGGBB"), std::string::npos) << err;
  EXPECT_EQ(g.Scale().Color(), 0xFF000080u);
}

TEST(Spelling, EditDistanceCountsSwapsAndIgnoresCase) {
  EXPECT_EQ(EditDistance("", ""), 0u);
  EXPECT_EQ(EditDistance("", "abc"), 3u);
  EXPECT_EQ(EditDistance("Value", "value"), 0u);
  EXPECT_EQ(EditDistance("Colour", "Color"), 1u);
  EXPECT_EQ(EditDistance("Vaule", "Value"), 1u);  // one swap of neighbours
  EXPECT_EQ(EditDistance("kitten", "sitting"), 3u);
  EXPECT_EQ(EditDistance("abc", "xyz"), 3u);
}

TEST(Spelling, NearestNamesAreOfferedOnlyWhenNear) {
  const std::vector<std::string> names{"MajorTicks", "MinorTicks", "Reversed", "Precision", "Max", "Min"};
  EXPECT_EQ(NearestNames("MajorTick", names), (std::vector<std::string>{"MajorTicks", "MinorTicks"}));
  EXPECT_EQ(NearestNames("Mxa", names), (std::vector<std::string>{"Max"}));
  EXPECT_TRUE(NearestNames("Elements", names).empty());
  EXPECT_TRUE(NearestNames("Max", {"Max"}).empty());  // the name itself is never offered
  EXPECT_EQ(DidYouMean("Reverse", names), " (did you mean 'Reversed'?)");
  EXPECT_EQ(DidYouMean("Mi", names), " (did you mean 'Min'?)");
  EXPECT_EQ(DidYouMean("Ma", names), " (did you mean 'Max'?)");
  EXPECT_EQ(DidYouMean("MinorTick", names), " (did you mean 'MinorTicks' or 'MajorTicks'?)");
  EXPECT_EQ(DidYouMean("Background", names), "");
}

TEST(Spelling, RefusalsNameTheMembersAndTheNearNames) {
  RegisterTestClasses();
  auto error = [](const std::string& AProperties) {
    TFormLoadResult r = LoadForm(R"({"format": "dialworks-form", "version": 1, "components": [{"class": "TTestGauge", )"
                                 R"("properties": )" + AProperties + "}]}");
    EXPECT_FALSE(r);
    return r.Error;
  };
  EXPECT_EQ(error(R"({"Scale": {"Style": "tsDott"}})"),
            "$.components[0].properties.Scale.Style: 'tsDott' is not a member of TTestTickStyle "
            "(members: tsLine, tsDot, tsTriangle) (did you mean 'tsDot'?)");
  EXPECT_EQ(error(R"({"Scale": {"Style": "round"}})"),
            "$.components[0].properties.Scale.Style: 'round' is not a member of TTestTickStyle "
            "(members: tsLine, tsDot, tsTriangle)");
  EXPECT_EQ(error(R"({"Scael": {}})"),
            "$.components[0].properties.Scael: unknown property of TTestGauge (did you mean 'Scale'?)");
  // The near name is never used: nothing loaded.
  TFormLoadResult r = LoadForm(R"({"format": "dialworks-form", "version": 1, "components": [{"class": "TTestGauges"}]})");
  EXPECT_FALSE(r);
  EXPECT_NE(r.Error.find("unknown class 'TTestGauges' (did you mean 'TTestGauge"), std::string::npos) << r.Error;
  r = LoadForm(R"({"format": "dialworks-form", "version": 1, "widht": 5})");
  EXPECT_EQ(r.Error, "$.widht: unknown key (did you mean 'width'?)");

  TTestGauge g;
  std::string err;
  EXPECT_FALSE(SetPropertyText(g, "Scale.Cuont", "5", &err));
  EXPECT_NE(err.find("(did you mean 'Count'?)"), std::string::npos) << err;
}

}  // namespace
