// Issue 12: property values travel as TPropValue, so component headers do not include the JSON
// library; forms and paths still read and check numbers the way the JSON reader hands them over.
#include "dialworks/dialworks.h"
#if defined(INCLUDE_NLOHMANN_JSON_HPP_) || defined(NLOHMANN_JSON_VERSION_MAJOR)
#error "dialworks/dialworks.h includes the JSON library; only FormJson.h may"
#endif

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "TestClasses.h"
#include "dialworks/framework/FormJson.h"
#include "dialworks/host/ManualHost.h"

using namespace dw;
using namespace dwtest;

namespace {

TEST(PropValue, NumbersCompareByValueWhateverTheirRepresentation) {
  EXPECT_EQ(TPropValue(1), TPropValue(1u));
  EXPECT_EQ(TPropValue(1), TPropValue(1.0));
  EXPECT_EQ(TPropValue(uint64_t(7)), TPropValue(7.0));
  // -1 must not meet the unsigned value its bits wrap to.
  EXPECT_NE(TPropValue(int64_t(-1)), TPropValue(UINT64_MAX));
  EXPECT_NE(TPropValue(UINT64_MAX), TPropValue(int64_t(-1)));
  // Kinds do not mix: text, booleans and null are not numbers.
  EXPECT_NE(TPropValue("1"), TPropValue(1));
  EXPECT_NE(TPropValue(true), TPropValue(1));
  EXPECT_NE(TPropValue(), TPropValue(0));
  EXPECT_EQ(TPropValue(), TPropValue(nullptr));
  // A float widens exactly; it is not its shortest decimal text.
  EXPECT_NE(TPropValue(0.1f), TPropValue(0.1));
}

TEST(PropValue, JsonRoundTripKeepsTheReadersNumberKinds) {
  for (const char* text : {"18446744073709551615", "-9223372036854775808", "0.1", "true", "\"0xFF00FF00\"", "null"}) {
    TJson json = TJson::parse(text);
    EXPECT_EQ(PropValueToJson(PropValueFromJson(json)).dump(), json.dump()) << text;
  }
  TPropValue big = PropValueFromJson(TJson::parse("18446744073709551615"));
  EXPECT_TRUE(big.is_number_unsigned());
  EXPECT_EQ(big.get<uint64_t>(), UINT64_MAX);
  EXPECT_TRUE(PropValueFromJson(TJson::parse("-3")).is_number_integer());
  EXPECT_FALSE(PropValueFromJson(TJson::parse("-3")).is_number_unsigned());
  // Objects and arrays have no value form.
  EXPECT_TRUE(PropValueFromJson(TJson::parse("[1]")).is_null());
  EXPECT_TRUE(PropValueFromJson(TJson::parse("{\"a\": 1}")).is_null());
}

class PropValuePaths : public ::testing::Test {
 protected:
  void SetUp() override { SetHostServices(&Host); }
  void TearDown() override { SetHostServices(nullptr); }
  TManualHost Host;
};

TEST_F(PropValuePaths, TextIsCheckedAsFormsCheckIt) {
  TTestGauge g;
  std::string err;
  // Cardinal: negative and past 32 bits are refused, not wrapped.
  EXPECT_FALSE(SetPropertyText(g, "Scale.Digits", "-1", &err));
  EXPECT_NE(err.find("non-negative"), std::string::npos) << err;
  EXPECT_FALSE(SetPropertyText(g, "Scale.Digits", "4294967298", &err));
  EXPECT_NE(err.find("out of range"), std::string::npos) << err;
  EXPECT_EQ(g.Scale().Digits(), 2u);
  // Integer: a fraction or a JSON array is not an integer.
  EXPECT_FALSE(SetPropertyText(g, "Scale.Count", "2.5", &err));
  EXPECT_FALSE(SetPropertyText(g, "Scale.Count", "[5]", &err));
  EXPECT_NE(err.find("expected an integer"), std::string::npos) << err;
  EXPECT_EQ(g.Scale().Count(), 10);
  ASSERT_TRUE(SetPropertyText(g, "Scale.Digits", "12", &err)) << err;
  EXPECT_EQ(*GetPropertyValue(g, "Scale.Digits"), TPropValue(12));
  // Objects are not values.
  EXPECT_FALSE(SetPropertyValue(g, "Scale", TPropValue(1), &err));
}

}  // namespace
