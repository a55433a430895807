#include "platform/variant/convert.h"

#include <gtest/gtest.h>

#include "platform/common/error.h"
#include "platform/pcode/pcode_generator.h"

namespace vantrel {
namespace {

TEST(Convert, NumberTextIsShortestUpToFifteenDigits) {
  EXPECT_EQ(NumberText(12.5), "12.5");
  EXPECT_EQ(NumberText(0.1 + 0.2), "0.3");
  EXPECT_EQ(NumberText(-1250.5), "-1250.5");
  EXPECT_EQ(NumberText(502), "502");
  EXPECT_EQ(NumberText(1e20), "1E+20");
  EXPECT_EQ(NumberText(123456789012345.0), "123456789012345");
}

TEST(Convert, LeadingNumberRule) {
  EXPECT_EQ(LeadingNumber("12.5 kg"), 12.5);
  EXPECT_EQ(LeadingNumber("abc"), 0);
  EXPECT_EQ(LeadingNumber(""), 0);
  EXPECT_EQ(LeadingNumber("1,500"), 1);
  EXPECT_EQ(LeadingNumber(" - 1 2.5e2x"), -1250);
  EXPECT_EQ(LeadingNumber("1.2.3"), 1.2);
  EXPECT_EQ(LeadingNumber("7e"), 7);
}

TEST(Convert, IntegerConversionsRoundAndOverflow) {
  EXPECT_EQ(ToInt16(Variant(2.5)), 2);
  EXPECT_EQ(ToInt16(Variant(3.5)), 4);
  EXPECT_EQ(ToInt16(Variant(" 12 ")), 12);
  EXPECT_THROW(ToInt16(Variant(32768.0)), Error);
  EXPECT_THROW(ToInt16(Variant("12abc")), Error);
  EXPECT_THROW(ToInt16(Variant::Null()), Error);
  EXPECT_THROW(Increment16(32767), Error);
  EXPECT_EQ(ToInt32(Variant(100000.0)), 100000);
}

TEST(Convert, TextOfValues) {
  EXPECT_EQ(ToText(Variant(true)), "True");
  EXPECT_EQ(ToText(Variant()), "");
  EXPECT_EQ(JoinText(Variant::Null()), "");
  EXPECT_THROW(ToText(Variant::Null()), Error);
  EXPECT_EQ(ToText(Variant(MakeDate(2026, 12, 6))), "2026-12-06");
  EXPECT_TRUE(ToBool(Variant("TRUE")));
  EXPECT_FALSE(ToBool(Variant("0")));
  EXPECT_THROW(ToBool(Variant("yes")), Error);
}

TEST(Convert, DatesRoundTripAndFormat) {
  const DateValue d = MakeDate(2026, 2, 3);
  int y, m, day;
  SplitDate(d, y, m, day);
  EXPECT_EQ(y * 10000 + m * 100 + day, 20260203);
  EXPECT_EQ(MakeDate(1899, 12, 30).serial, 0);
  EXPECT_EQ(FormatDate(d, "yyyymmdd"), "20260203");
  EXPECT_EQ(FormatDate(d, "dd/MMM/yyyy"), "03/Feb/2026");
  DateValue parsed;
  ASSERT_TRUE(ParseDateText("2026-02-03", parsed));
  EXPECT_EQ(parsed, d);
  EXPECT_FALSE(ParseDateText("03/02/2026", parsed));
}

TEST(ProductCodeGenerator, CountsTrailingDigitsKeepingWidth) {
  EXPECT_EQ(NextProductCodeAfter("P105"), "P106");
  EXPECT_EQ(NextProductCodeAfter("A099"), "A100");
  EXPECT_EQ(NextProductCodeAfter("999"), "1000");
  EXPECT_EQ(NextProductCodeAfter("AB"), "AB1");
  EXPECT_EQ(NextProductCodeAfter(""), "1");
}

}  // namespace
}  // namespace vantrel
