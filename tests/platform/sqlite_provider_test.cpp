#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "platform/common/error.h"
#include "platform/dao/connection.h"
#include "platform/dao/provider.h"
#include "platform/dao/recordset.h"
#include "platform/variant/convert.h"

namespace vantrel {
namespace {

namespace fs = std::filesystem;

std::string ConnectionStringFor(const std::string& path) {
  return "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + path +
         ";Persist Security Info=False;Jet OLEDB:Database Password =x";
}

std::string ReadTemplate() {
  std::ifstream in(std::string(VANTREL_SCHEMA_DIR) + "/singleuser.sql");
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// The message of the vantrel::Error that `f` raises; fails the test when none is raised.
template <typename F>
std::string ErrorOf(F f) {
  try {
    f();
  } catch (const Error& e) {
    return e.description();
  }
  ADD_FAILURE() << "no error raised";
  return "";
}

// A fresh company file made from the template, opened by connection string.
class SqliteProviderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/vantrel-sqlite-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    path_ = dir_ + "/company.db";
    CreateSqliteCompanyFile(path_, ReadTemplate());
    conn_.Open(ConnectionStringFor(path_));
  }
  void TearDown() override {
    if (conn_.State() == Connection::kOpen) conn_.Close();
    fs::remove_all(dir_);
  }

  Variant Scalar(const std::string& sql) {
    RowSet rs = conn_.Query(sql);
    EXPECT_EQ(rs.rows.size(), 1u) << sql;
    return rs.rows.empty() ? Variant() : rs.rows[0][0];
  }
  long Count(const std::string& table) { return ToInt32(Scalar("SELECT COUNT(*) FROM " + table)); }

  std::string dir_;
  std::string path_;
  Connection conn_;
};

TEST_F(SqliteProviderTest, TemplateHasTablesSeedRowsAndWal) {
  auto tables = conn_.OpenSchema(Connection::kSchemaTables);
  std::vector<std::string> names;
  for (; !tables->Eof(); tables->MoveNext()) {
    EXPECT_TRUE(tables->Value(size_t{0}).is_null());
    EXPECT_EQ(tables->Value("TABLE_TYPE"), Variant("TABLE"));
    names.push_back(ToLower(tables->Value(size_t{2}).as_text()));
  }
  EXPECT_EQ(names, (std::vector<std::string>{
                       "accounthead", "accountledger", "depot", "generalledger", "inventory",
                       "paramlist", "product", "productbatch", "productgroup", "productslab",
                       "productunits", "receiptdetails", "transactionreceipts"}));
  EXPECT_EQ(Count("accounthead"), 27);
  EXPECT_EQ(Scalar("SELECT headname FROM accounthead WHERE headcode=12"),
            Variant("Loans & Advances (Asset)"));
  EXPECT_EQ(Scalar("SELECT gpname FROM productgroup"), Variant("General"));
  EXPECT_EQ(Scalar("SELECT dname FROM depot WHERE dcode=1"), Variant("Main Location"));
  EXPECT_TRUE(Scalar("Select ParamValue from Paramlist where ParamName = 'PCode' and ParamType = 4")
                  .is_null());
  EXPECT_EQ(Scalar("PRAGMA journal_mode"), Variant("wal"));
  EXPECT_EQ(Scalar("PRAGMA synchronous"), Variant(int32_t{1}));  // NORMAL
}

TEST_F(SqliteProviderTest, JetFormsRunAgainstTheFile) {
  EXPECT_EQ(conn_.Execute("insert into accounthead([headcode],[headname],[underhead],[headlevel]) "
                          "values(60,\"Oil Filter\",7,1)"),
            1);
  EXPECT_EQ(Scalar("select [headname] from [accounthead] where [headcode]=60"),
            Variant("Oil Filter"));
  conn_.Execute(
      "insert into generalledger(vdate,vtype,vno,ledcode,dbamt) values(#2026-12-06#,'J',1,'5',"
      "12.5)");
  conn_.Execute(
      "insert into generalledger(vdate,vtype,vno,ledcode,dbamt) values(#2026-12-07#,'J',2,'5',1)");
  RowSet rs = conn_.Query("select vdate, dbamt from generalledger where vdate = #2026-12-06#");
  ASSERT_EQ(rs.rows.size(), 1u);
  EXPECT_EQ(rs.fields[0].type, adtype::kDate);
  EXPECT_EQ(rs.rows[0][0], Variant(MakeDate(2026, 12, 6)));
  EXPECT_EQ(rs.fields[1].type, adtype::kDouble);
  EXPECT_EQ(rs.rows[0][1], Variant(12.5));
  EXPECT_EQ(ToInt32(Scalar("select count(*) from generalledger where vdate > #2026-12-06#")), 1);

  // Text holding the dialect's own marks is stored as written.
  const std::string odd = "[a] #2026-01-01# \"q\" it''s \\";
  conn_.Execute("insert into depot(dcode,dname) values(2,'" + odd + "')");
  EXPECT_EQ(Scalar("select dname from depot where dcode=2"),
            Variant("[a] #2026-01-01# \"q\" it's \\"));
  EXPECT_EQ(ToInt32(Scalar("select dcode from depot where dname='" + odd + "'")), 2);
}

TEST_F(SqliteProviderTest, TextComparisonsIgnoreCase) {
  EXPECT_EQ(Scalar("SELECT HEADCODE FROM ACCOUNTHEAD WHERE TRIM(HEADNAME)='CASH'"),
            Variant(int32_t{1}));
  EXPECT_EQ(Scalar("SELECT HEADCODE FROM ACCOUNTHEAD WHERE HEADNAME = 'sundry DEBTORS'"),
            Variant(int32_t{9}));
  EXPECT_EQ(ToInt32(Scalar("SELECT COUNT(*) FROM ACCOUNTHEAD WHERE HEADNAME like 'cash%'")), 2);
  EXPECT_EQ(ToInt32(Scalar("SELECT COUNT(*) FROM ACCOUNTHEAD WHERE HEADNAME like 'BANK%'")), 2);
  EXPECT_EQ(ToInt32(Scalar("SELECT COUNT(*) FROM ACCOUNTHEAD WHERE HEADNAME LIKE '_ASH'")), 1);
  EXPECT_EQ(ToInt32(Scalar("SELECT COUNT(*) FROM ACCOUNTHEAD WHERE TRIM(HEADNAME)<>'CASH'")), 26);
  conn_.Execute("insert into product(pcode,pname,gpcode) values('ab-1','Bolt',1)");
  EXPECT_EQ(Scalar("SELECT PCode FROM PRODUCT WHERE PName LIKE 'BOLT'"), Variant("ab-1"));
  EXPECT_EQ(Scalar("SELECT pname FROM PRODUCT WHERE PCODE LIKE 'AB-1'"), Variant("Bolt"));
  // Product codes are unique without regard to case.
  EXPECT_THROW(conn_.Execute("insert into product(pcode,pname,gpcode) values('AB-1','Nut',1)"),
               Error);
}

TEST_F(SqliteProviderTest, CintAndValReadLeadingNumbers) {
  for (const char* code : {"9", "10", "abc"})
    conn_.Execute(std::string("INSERT INTO ACCOUNTLEDGER(LEDCODE,LEDNAME,HEADCODE) VALUES('") +
                  code + "','L" + code + "',9)");
  RowSet next = conn_.Query("SELECT MAX(CINT(LEDCODE))+1 AS LEDCODE FROM ACCOUNTLEDGER");
  EXPECT_EQ(next.fields[0].name, "LEDCODE");
  EXPECT_EQ(next.rows[0][0], Variant(int32_t{11}));
  EXPECT_EQ(Scalar("SELECT CINT('abc')"), Variant(int32_t{0}));
  EXPECT_EQ(Scalar("SELECT CINT('2.5')"), Variant(int32_t{2}));
  EXPECT_EQ(Scalar("SELECT CINT('3.5 kg')"), Variant(int32_t{4}));
  EXPECT_EQ(Scalar("SELECT cint(-2.5)"), Variant(int32_t{-2}));
  EXPECT_TRUE(Scalar("SELECT CINT(NULL)").is_null());

  for (const char* code : {"12abc", "7", "x"})
    conn_.Execute(std::string("INSERT INTO PRODUCT(PCODE,PNAME,GPCODE) VALUES('") + code + "','P" +
                  code + "',1)");
  EXPECT_EQ(ToDouble(Scalar("SELECT MAX(VAL(PCODE))+1 AS PCODE FROM PRODUCT")), 13);
  EXPECT_EQ(ToDouble(Scalar("SELECT val(' 1.5e1x')")), 15);
  EXPECT_TRUE(Scalar("SELECT VAL(paramvalue) FROM PARAMLIST WHERE paramname='JP'").is_null());
}

TEST_F(SqliteProviderTest, FieldTypesAndNames) {
  RowSet heads = conn_.Query("Select * from accounthead");
  ASSERT_EQ(heads.fields.size(), 4u);
  const int expected[] = {adtype::kSmallInt, adtype::kVarWChar, adtype::kSmallInt,
                          adtype::kSmallInt};
  for (size_t i = 0; i < 4; ++i) EXPECT_EQ(heads.fields[i].type, expected[i]) << i;
  EXPECT_EQ(ToLower(heads.fields[1].name), "headname");
  EXPECT_EQ(heads.fields[1].size, 50);
  EXPECT_EQ(heads.rows[0][0], Variant(int32_t{1}));

  RowSet next = conn_.Query("SELECT MAX(HEADCODE)+1 AS HEADCODE FROM ACCOUNTHEAD");
  EXPECT_EQ(next.fields[0].name, "HEADCODE");
  EXPECT_EQ(next.fields[0].type, adtype::kInteger);
  EXPECT_EQ(next.rows[0][0], Variant(int32_t{60}));

  EXPECT_EQ(conn_.Query("SELECT 1.5 AS a, 'x' AS b").fields[1].type, adtype::kVarWChar);
  EXPECT_EQ(conn_.Query("SELECT 1.5 AS a").fields[0].type, adtype::kDouble);

  RowSet empty = conn_.Query("SELECT MAX(BATCHID)+1 AS BATCHID FROM PRODUCTBATCH");
  ASSERT_EQ(empty.rows.size(), 1u);
  EXPECT_TRUE(empty.rows[0][0].is_null());
  EXPECT_EQ(empty.fields[0].type, adtype::kInteger);

  RowSet none = conn_.Query("SELECT * FROM inventory");
  EXPECT_EQ(none.rows.size(), 0u);
  EXPECT_EQ(none.fields.size(), 5u);
  EXPECT_EQ(none.fields[1].type, adtype::kDate);
}

TEST_F(SqliteProviderTest, ErrorsNameTheStatement) {
  EXPECT_EQ(ErrorOf([&] { conn_.Query("select * from foo"); }),
            "no such table: foo, while executing \"select * from foo\"");
  const std::string dup = "insert into accounthead values(1,'Again',0,0)";
  const std::string message = ErrorOf([&] { conn_.Execute(dup); });
  EXPECT_NE(message.find("UNIQUE constraint failed"), std::string::npos) << message;
  EXPECT_NE(message.find(dup), std::string::npos) << message;
  EXPECT_EQ(Count("accounthead"), 27);
}

TEST_F(SqliteProviderTest, SecondStatementIsRefusedBeforeAnythingRuns) {
  const std::string sql = "insert into depot(dcode,dname) values(5,'x'); delete from accounthead";
  EXPECT_EQ(ErrorOf([&] { conn_.Execute(sql); }),
            "Characters found after end of SQL statement, while executing \"" + sql + "\"");
  EXPECT_EQ(Count("depot"), 1);
  EXPECT_EQ(Count("accounthead"), 27);
  // A backslash does not hide the quote, so the ';' below stands outside the text.
  EXPECT_THROW(conn_.Execute("update depot set dname='a\\'; delete from depot"), Error);
  EXPECT_EQ(Count("depot"), 1);
  // A closing ';' alone is fine.
  EXPECT_EQ(conn_.Execute("insert into depot(dcode,dname) values(5,'x'); \n"), 1);
}

TEST_F(SqliteProviderTest, UpdateReportsRecordsAffected) {
  EXPECT_EQ(conn_.Execute("update accounthead set headlevel=2 where underhead=7"), 5);
  EXPECT_EQ(conn_.Execute("update accounthead set headlevel=2 where underhead=999"), 0);
  EXPECT_EQ(conn_.Execute("Update ParamList Set ParamValue = '12' where paramname=\"jp\""), 1);
  EXPECT_EQ(conn_.Execute("delete from accounthead where headname like 'sundry%'"), 2);
}

TEST_F(SqliteProviderTest, SecondConnectionWaitsForTheWriter) {
  Connection other;
  other.Open(ConnectionStringFor(path_));
  conn_.Execute("BEGIN IMMEDIATE");
  conn_.Execute("insert into depot(dcode,dname) values(7,'North')");
  std::thread release([this] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    conn_.Execute("COMMIT");
  });
  // Blocks on the lock until the first connection commits, then succeeds.
  EXPECT_EQ(other.Execute("insert into depot(dcode,dname) values(8,'South')"), 1);
  release.join();
  EXPECT_EQ(Count("depot"), 3);
}

TEST(SqliteProvider, MissingFileIsRefusedAndNotCreated) {
  const std::string path = "/tmp/vantrel-no-such-dir/none.db";
  Connection conn;
  EXPECT_EQ(ErrorOf([&] { conn.Open(ConnectionStringFor(path)); }),
            "Could not find file '" + path + "'.");
  EXPECT_EQ(conn.State(), Connection::kClosed);
  EXPECT_FALSE(fs::exists(path));
}

TEST(SqliteProvider, CreateRefusesExistingFileAndCleansUpAfterFailure) {
  char pattern[] = "/tmp/vantrel-sqlite-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  const std::string dir = pattern;
  const std::string path = dir + "/a.db";
  { std::ofstream(path) << "keep me"; }
  const std::string refused = ErrorOf([&] { CreateSqliteCompanyFile(path, ReadTemplate()); });
  EXPECT_NE(refused.find(path), std::string::npos) << refused;
  std::ifstream kept(path);
  std::string content;
  std::getline(kept, content);
  EXPECT_EQ(content, "keep me");

  // Not a database: opening names the file.
  const std::string opened = ErrorOf([&] { Connection().Open(ConnectionStringFor(path)); });
  EXPECT_NE(opened.find(path), std::string::npos) << opened;

  const std::string bad = dir + "/b.db";
  const std::string failed = ErrorOf([&] {
    CreateSqliteCompanyFile(bad,
                            "-- two tables;\nCREATE TABLE a (x INT);\nCREATE TABLE a (y INT);\n");
  });
  EXPECT_EQ(failed, "table a already exists, while executing \"CREATE TABLE a (y INT)\"");
  EXPECT_FALSE(fs::exists(bad));
  fs::remove_all(dir);
}

}  // namespace
}  // namespace vantrel
