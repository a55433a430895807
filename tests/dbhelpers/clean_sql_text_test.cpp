#include "dbhelpers/clean_sql_text.h"

#include <gtest/gtest.h>

namespace vantrel {
namespace {

TEST(CleanSqlText, DropsQuotesAndBackslashesInPlaceAndKeepsTheRest) {
  const std::pair<Variant, Variant> cases[] = {
      {Variant("Men's \"shirt\" C:\\dir"), Variant("Mens shirt C:dir")},
      {Variant("'\"'\\"), Variant("")},
      {Variant("  50% off_now  "), Variant("  50% off_now  ")},
      {Variant(12.5), Variant("12.5")},
      {Variant::Null(), Variant(std::string())},
      {Variant(), Variant()},
  };
  for (const auto& [in, out] : cases) {
    Variant v = in;
    EXPECT_EQ(CleanSqlText(v), out.is_empty() ? "" : out.as_text());
    EXPECT_EQ(v, out);
  }
  std::string size = "12\"";
  EXPECT_EQ(CleanSqlText(size), "12");
  EXPECT_EQ(size, "12");
}

}  // namespace
}  // namespace vantrel
