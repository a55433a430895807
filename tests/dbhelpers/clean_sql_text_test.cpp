#include "dbhelpers/clean_sql_text.h"

#include <gtest/gtest.h>

namespace vantrel {
namespace {

TEST(CleanSqlText, RemovesQuotesAndBackslashesInPlace) {
  Variant v("Men's shirt");
  EXPECT_EQ(CleanSqlText(v), "Mens shirt");
  EXPECT_EQ(v, Variant("Mens shirt"));
  std::string size = "12\"";
  EXPECT_EQ(CleanSqlText(size), "12");
  EXPECT_EQ(size, "12");
  Variant path("C:\\dir");
  EXPECT_EQ(CleanSqlText(path), "C:dir");
  Variant quotes("'\"'\\");
  EXPECT_EQ(CleanSqlText(quotes), "");
}

TEST(CleanSqlText, KeepsWildcardsAndBlanks) {
  Variant v("  50% off_now  ");
  EXPECT_EQ(CleanSqlText(v), "  50% off_now  ");
}

TEST(CleanSqlText, NullBecomesEmptyTextAndEmptyStaysEmpty) {
  Variant null = Variant::Null();
  EXPECT_EQ(CleanSqlText(null), "");
  EXPECT_EQ(null, Variant(std::string()));
  Variant empty;
  EXPECT_EQ(CleanSqlText(empty), "");
  EXPECT_TRUE(empty.is_empty());
}

TEST(CleanSqlText, NumbersBecomeTheirText) {
  Variant v(12.5);
  EXPECT_EQ(CleanSqlText(v), "12.5");
  EXPECT_EQ(v, Variant("12.5"));
}

}  // namespace
}  // namespace vantrel
