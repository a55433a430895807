#include "platform/sqlite/jet_sql.h"

#include <gtest/gtest.h>

namespace vantrel {
namespace {

TEST(JetSql, BracketsDatesAndDoubleQuotedText) {
  EXPECT_EQ(TranslateJetSql("insert into accounthead([headcode],[headname]) values(5,'x')"),
            "insert into accounthead(\"headcode\",\"headname\") values(5,'x')");
  EXPECT_EQ(TranslateJetSql("select * from [my table]"), "select * from \"my table\"");
  EXPECT_EQ(TranslateJetSql("delete from inventory where invdate < #2026-12-06#"),
            "delete from inventory where invdate < '2026-12-06'");
  EXPECT_EQ(TranslateJetSql("insert into t values(\"Oil Filter\",\"Driver's \"\"Seat\"\"\")"),
            "insert into t values('Oil Filter','Driver''s \"Seat\"')");
}

TEST(JetSql, SingleQuotedTextIsCopiedUnchanged) {
  const std::string sql = "insert into t values('[a] #1# \"q\" it''s \\', 2)";
  EXPECT_EQ(TranslateJetSql(sql), sql);
  // A backslash does not escape the closing quote; the bracket after it is translated.
  EXPECT_EQ(TranslateJetSql("select 'a\\' from [t]"), "select 'a\\' from \"t\"");
}

TEST(JetSql, EqualityWithTextIgnoresCase) {
  EXPECT_EQ(TranslateJetSql("SELECT HEADCODE FROM ACCOUNTHEAD WHERE TRIM(HEADNAME)='Cash'"),
            "SELECT HEADCODE FROM ACCOUNTHEAD WHERE TRIM(HEADNAME)='Cash' COLLATE NOCASE");
  EXPECT_EQ(TranslateJetSql("select 1 from t where a <> \n 'x' and b = \"y\""),
            "select 1 from t where a <> \n 'x' COLLATE NOCASE and b = 'y' COLLATE NOCASE");
  EXPECT_EQ(TranslateJetSql("update t set a='it''s'"), "update t set a='it''s' COLLATE NOCASE");
}

TEST(JetSql, OtherComparisonsAndLiteralsKeepTheirForm) {
  for (const char* sql : {"select 1 from t where a <= 'x'", "select 1 from t where a >= 'x'",
                          "select 1 from t where a != 'x'", "select 1 from t where a = 5",
                          "select 'x' = a from t", "select 1 from t where a in ('x','y')"})
    EXPECT_EQ(TranslateJetSql(sql), sql) << sql;
}

TEST(JetSql, LikeComparesNamesLiterallyWithTheBackslashAsEscape) {
  EXPECT_EQ(TranslateJetSql("select * from t where name like 'A\\_B 100\\%'"),
            "select * from t where name = 'A_B 100%' COLLATE NOCASE");
  EXPECT_EQ(TranslateJetSql("SELECT * FROM T WHERE NAME LIKE'Cash' and x NOT like \"y\""),
            "SELECT * FROM T WHERE NAME = 'Cash' COLLATE NOCASE and x <> 'y' COLLATE NOCASE");
  EXPECT_EQ(TranslateJetSql("select 1 from t where a like 'x%'"),
            "select 1 from t where a like 'x%' ESCAPE '\\'");
  // "unlike" is no LIKE keyword, and a quoted LIKE is text.
  EXPECT_EQ(TranslateJetSql("select unlike 'a', 'like' 'b'"), "select unlike 'a', 'like' 'b'");
}

TEST(JetSql, UnclosedOrLoneMarksStay) {
  EXPECT_EQ(TranslateJetSql("select a # b from t"), "select a # b from t");
  EXPECT_EQ(TranslateJetSql("select [a from t"), "select [a from t");
  EXPECT_EQ(TranslateJetSql("select 'abc"), "select 'abc");
  EXPECT_EQ(TranslateJetSql("select \"abc"), "select \"abc");
  EXPECT_EQ(TranslateJetSql(""), "");
}

}  // namespace
}  // namespace vantrel
