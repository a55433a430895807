// What only the company file does: the Jet dialect, its functions and types, the file itself.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "frame/connections.h"
#include "platform/common/error.h"
#include "platform/dao/connection.h"
#include "platform/dao/provider.h"
#include "platform/dao/recordset.h"
#include "platform/variant/convert.h"
#include "support/company_fixture.h"

namespace vantrel {
namespace {

class SqliteProvider : public ::testing::Test {
 protected:
  void SetUp() override {
    CreateSqliteCompanyFile(path_,
                            "CREATE TABLE depot (dcode SMALLINT PRIMARY KEY, dname "
                            "VARCHAR(50));\nINSERT INTO depot VALUES(1,'Main');\n");
    conn_.Open(SingleUserConnectionString(path_));
  }
  Variant Scalar(const std::string& sql) { return conn_.Query(sql).rows.at(0).at(0); }
  TempDir dir_;
  const std::string path_ = dir_.File("company.db");
  Connection conn_;
};

TEST_F(SqliteProvider, JetFormsRunAgainstTheFile) {
  EXPECT_EQ(conn_.Execute("insert into depot([dcode],[dname]) values(2,\"Oil \"\"Filter\"\"\")"),
            1);
  EXPECT_EQ(Scalar("select [dname] from [depot] where [dcode]=2"), Variant("Oil \"Filter\""));
  conn_.Execute("create table gl(vdate DATE, amt DOUBLE, v VARCHAR(10))");
  conn_.Execute("insert into gl values(#2026-12-06#,12.5,'a')");
  conn_.Execute("insert into gl values(#2026-12-07#,1,'b')");
  const RowSet rs = conn_.Query("select vdate, amt, v from gl where vdate = #2026-12-06#");
  ASSERT_EQ(rs.rows.size(), 1u);
  EXPECT_EQ(rs.fields[0].type, adtype::kDate);
  EXPECT_EQ(rs.rows[0][0], Variant(MakeDate(2026, 12, 6)));
  EXPECT_EQ(rs.fields[1].type, adtype::kDouble);
  EXPECT_EQ(rs.fields[2].type, adtype::kVarWChar);
  EXPECT_EQ(rs.fields[2].size, 10);
  EXPECT_EQ(ToInt32(Scalar("select count(*) from gl where vdate > #2026-12-06#")), 1);
  // Text holding the dialect's own marks is stored and found as written.
  const std::string odd = "[a] #2026-01-01# \"q\" it''s \\";
  conn_.Execute("insert into depot(dcode,dname) values(3,'" + odd + "')");
  EXPECT_EQ(Scalar("select dname from depot where dcode=3"),
            Variant("[a] #2026-01-01# \"q\" it's \\"));
  EXPECT_EQ(ToInt32(Scalar("select dcode from depot where dname='" + odd + "'")), 3);
  EXPECT_EQ(ToInt32(Scalar("select count(*) from depot where dname not like 'MAIN'")), 2);
}

TEST_F(SqliteProvider, CintAndValReadLeadingNumbers) {
  for (const char* code : {"9", "10", "abc"})
    conn_.Execute(std::string("insert into depot(dcode,dname) values(") +
                  std::to_string(20 + std::string(code).size()) + ",'" + code + "')");
  const RowSet next = conn_.Query("SELECT MAX(CINT(DNAME))+1 AS NEXT FROM DEPOT");
  EXPECT_EQ(next.fields[0].name, "NEXT");
  EXPECT_EQ(next.fields[0].type, adtype::kInteger);
  EXPECT_EQ(next.rows[0][0], Variant(int32_t{11}));
  const std::pair<const char*, Variant> cases[] = {
      {"CINT('abc')", Variant(int32_t{0})},    {"CINT('2.5')", Variant(int32_t{2})},
      {"CINT('3.5 kg')", Variant(int32_t{4})}, {"cint(-2.5)", Variant(int32_t{-2})},
      {"CINT(NULL)", Variant::Null()},         {"VAL(' 1.5e1x')", Variant(15.0)},
      {"VAL('12abc')", Variant(12.0)},         {"VAL(NULL)", Variant::Null()}};
  for (const auto& [sql, value] : cases)
    EXPECT_EQ(Scalar("SELECT " + std::string(sql)), value) << sql;
  const RowSet empty = conn_.Query("SELECT MAX(dcode)+1 AS n FROM depot WHERE dcode < 0");
  EXPECT_TRUE(empty.rows.at(0).at(0).is_null());
  EXPECT_EQ(empty.fields[0].type, adtype::kInteger);
}

TEST_F(SqliteProvider, RunsInWalModeAndASecondWriterWaits) {
  EXPECT_EQ(Scalar("PRAGMA journal_mode"), Variant("wal"));
  EXPECT_EQ(Scalar("PRAGMA synchronous"), Variant(int32_t{1}));  // NORMAL
  Connection other;
  other.Open(SingleUserConnectionString(path_));
  conn_.BeginTrans();
  conn_.Execute("insert into depot(dcode,dname) values(7,'North')");
  std::thread release([this] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    conn_.CommitTrans();
  });
  EXPECT_EQ(other.Execute("insert into depot(dcode,dname) values(8,'South')"), 1);
  release.join();
  EXPECT_EQ(ToInt32(Scalar("select count(*) from depot")), 3);
}

TEST(SqliteCompanyFile, MissingExistingAndBrokenFilesAreRefused) {
  TempDir dir;
  const std::string missing = dir.File("no-dir/none.db");
  EXPECT_EQ(ErrorOf([&] { Connection().Open(SingleUserConnectionString(missing)); }),
            "Could not find file '" + missing + "'.");
  EXPECT_FALSE(std::filesystem::exists(missing));

  const std::string text = dir.Write("a.db", "keep me");
  EXPECT_NE(ErrorOf([&] { CreateSqliteCompanyFile(text, "CREATE TABLE a (x INT);"); }).find(text),
            std::string::npos);
  EXPECT_EQ(ReadFile(text), "keep me");
  EXPECT_NE(ErrorOf([&] { Connection().Open(SingleUserConnectionString(text)); }).find(text),
            std::string::npos);

  const std::string bad = dir.File("b.db");
  EXPECT_EQ(ErrorOf([&] {
              CreateSqliteCompanyFile(bad, "CREATE TABLE a (x INT);\nCREATE TABLE a (y INT);\n");
            }),
            "table a already exists, while executing \"CREATE TABLE a (y INT)\"");
  EXPECT_FALSE(std::filesystem::exists(bad));
}

}  // namespace
}  // namespace vantrel
