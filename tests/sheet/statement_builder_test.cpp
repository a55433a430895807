#include "sheet/statement_builder.h"

#include <gtest/gtest.h>

#include "frame/processer_state.h"

namespace vantrel {
namespace {

TEST(StatementBuilder, ValueKindsByTypeCode) {
  for (int code : {1, 2, 3, 4, 5, 6, 11, 17, 72, 128, 131, 204})
    EXPECT_EQ(GetValueKind(code), "N") << code;
  for (int code : {7, 133}) EXPECT_EQ(GetValueKind(code), "D") << code;
  // Timestamps and big integers are written quoted, like text.
  for (int code : {129, 130, 200, 201, 202, 203, 14, 16, 18, 19, 20, 21, 135})
    EXPECT_EQ(GetValueKind(code), "C") << code;
}

TEST(StatementBuilder, ValuesByKind) {
  EXPECT_EQ(ValueByKind("N", "12.5 kg"), "12.5");
  EXPECT_EQ(ValueByKind("N", "abc"), "0");
  EXPECT_EQ(ValueByKind("N", ""), "0");
  EXPECT_EQ(ValueByKind("N", "1,500"), "1");
  EXPECT_EQ(ValueByKind("C", ""), "''");
  EXPECT_EQ(ValueByKind("C", "O'Neil \"Jr\" C:\\x"), "'ONeil Jr C:x'");
  EXPECT_EQ(ValueByKind("D", "2026-12-06"), "'2026-12-06'");
}

TEST(StatementBuilder, ClosingEntryEndsBothListsAndNameBracketsGoOnTheServer) {
  ProcesserState s;
  s.column_text = "insert into accounthead([headcode],";
  s.value_text = "values(12,";
  AppendColumn(s, "headname", "'Cash [main]'", false);
  s.found_code = 3;
  AppendParentColumn(s, "underhead", true);
  EXPECT_EQ(JoinStatement(s),
            "insert into accounthead([headcode],[headname],[underhead])values(12,'Cash [main]',3)");
  s.target_type = typeMultiUser;
  EXPECT_EQ(JoinStatement(s),
            "insert into accounthead(headcode,headname,underhead)values(12,'Cash [main]',3)");
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
