#include "platform/dao/sql_scan.h"

#include <gtest/gtest.h>

namespace vantrel {
namespace {

TEST(SqlScan, SecondStatementsOutsideQuotesOnly) {
  EXPECT_FALSE(HoldsSecondStatement("insert into t values('a;b')"));
  EXPECT_FALSE(HoldsSecondStatement("insert into t values(\"a;b\");  \n"));
  EXPECT_FALSE(HoldsSecondStatement("select [x;y] from t"));
  EXPECT_FALSE(HoldsSecondStatement("select 1 -- ; drop table t"));
  EXPECT_TRUE(HoldsSecondStatement("select 1; drop table t"));
  EXPECT_TRUE(HoldsSecondStatement("insert into t values('it''s'); delete from t"));
  // The server reads \' as a quote inside the text, so the ';' is quoted too.
  EXPECT_FALSE(HoldsSecondStatement("insert into t values('a\\'; delete from t"));
}

TEST(SqlScan, ScriptSplitsAtLineEndingSemicolons) {
  const auto statements = SplitSqlScript(
      "-- a comment;\r\nCREATE TABLE a (\n  x INT\n);\n\n  insert into a values(1) ;\n"
      "insert into a values(2)");
  ASSERT_EQ(statements.size(), 3u);
  EXPECT_EQ(statements[0], "CREATE TABLE a (\n  x INT\n)");
  EXPECT_EQ(statements[1], "  insert into a values(1) ");
  EXPECT_EQ(statements[2], "insert into a values(2)\n");
}

}  // namespace
}  // namespace vantrel
