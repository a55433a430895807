#include "sheet/statement_builder.h"

#include <gtest/gtest.h>

namespace vantrel {
namespace {

TEST(StatementBuilder, ValuesByKind) {
  EXPECT_EQ(ValueByKind("N", "12.5 kg"), "12.5");
  EXPECT_EQ(ValueByKind("N", "abc"), "0");
  EXPECT_EQ(ValueByKind("N", ""), "0");
  EXPECT_EQ(ValueByKind("N", "1,500"), "1");
  EXPECT_EQ(ValueByKind("C", ""), "''");
  EXPECT_EQ(ValueByKind("C", "O'Neil \"Jr\" C:\\x"), "'ONeil Jr C:x'");
  EXPECT_EQ(ValueByKind("D", "2026-12-06"), "'2026-12-06'");
}

TEST(StatementBuilder, LeftCountsCharactersNotBytes) {
  EXPECT_EQ(LeftChars("Crème brûlée", 5), "Crème");
  EXPECT_EQ(LeftChars("abc", 30), "abc");
  EXPECT_EQ(LeftChars("abc", 0), "");
}

TEST(StatementBuilder, MappingNeverSetIsATypeMismatch) {
  EXPECT_THROW(ClosingEntry(MapTable{}), Error);
  EXPECT_EQ(ClosingEntry(MapTable(3)), 2u);
}

}  // namespace
}  // namespace vantrel
