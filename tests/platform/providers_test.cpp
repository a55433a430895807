// What every target provider promises on both targets, then what only one of them does.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <thread>

#include "frame/company_template.h"
#include "frame/connections.h"
#include "platform/common/error.h"
#include "platform/dao/connection.h"
#include "platform/dao/provider.h"
#include "platform/dao/recordset.h"
#include "platform/variant/convert.h"
#include "support/company_fixture.h"

namespace vantrel {
namespace {

class ProviderContract : public CompanyTest {
 protected:
  void SetUp() override {
    CompanyTest::SetUp();
    if (HasFatalFailure() || IsSkipped()) return;
    conn_.Open(TargetConnectionString());
  }
  Strings Depots() const { return Rows("select dname from depot where dcode > 1 order by dcode"); }
  std::string ExecuteError(const std::string& sql) {
    return ErrorOf([&] { conn_.Execute(sql); });
  }
  void Insert(int code) {
    conn_.Execute("insert into depot(dcode,dname) values(" + std::to_string(code) + ",'D" +
                  std::to_string(code) + "')");
  }
  Connection conn_;
};

TEST_P(ProviderContract, TemplateHoldsTheSeedRows) {
  EXPECT_EQ(One("SELECT COUNT(*) FROM accounthead"), "27");
  EXPECT_EQ(One("SELECT headname FROM accounthead WHERE headcode=12"), "Loans & Advances (Asset)");
  EXPECT_EQ(One("SELECT dname FROM depot WHERE dcode=1"), "Main Location");
  EXPECT_EQ(One("SELECT gpname FROM productgroup"), "General");
  EXPECT_EQ(One("SELECT paramvalue FROM paramlist WHERE paramname='PCode' AND paramtype=4"),
            "NULL");
  // Inserts by position rely on the column order.
  conn_.Execute("insert into accounthead values(60,'Deposits',7,1)");
  conn_.Execute("insert into productgroup values(2,'Tools','hand tools',1,1)");
  EXPECT_EQ(Rows("SELECT * FROM productgroup WHERE gpcode=2"), Strings{"2|Tools|hand tools|1|1"});
}

TEST_P(ProviderContract, ASecondStatementIsRefusedBeforeAnythingRuns) {
  const std::string insert = "insert into depot(dcode,dname) values(5,'x')";
  // A quote inside a comment must not hide the ';' that follows the comment.
  for (const std::string tail :
       {"; delete from depot", " /* ' */; delete from depot", " -- '\n; delete from depot",
        " /* ; */ ;delete from depot", ";\n\n  delete from depot"}) {
    SCOPED_TRACE(tail);
    EXPECT_EQ(
        ExecuteError(insert + tail),
        "Characters found after end of SQL statement, while executing \"" + insert + tail + "\"");
  }
  EXPECT_THROW(conn_.Query("select 1 as one; delete from depot"), Error);
  // A backslash ends no quote on the file and escapes one on the server: an error either way.
  EXPECT_NE(ExecuteError("update depot set dname='a\\'; delete from depot"), "");
  EXPECT_EQ(One("select count(*) from depot"), "1");

  // A ';' in quoted text, in a comment or at the very end is still one statement.
  for (const std::string one : {"insert into depot(dcode,dname) values(6,'a;b'); \n",
                                "insert into depot(dcode,dname) values(7,'c') /* ; */",
                                "insert into depot(dcode,dname) values(8,\"d;\") -- ;"})
    EXPECT_EQ(conn_.Execute(one), 1) << one;
  EXPECT_EQ(Depots(), (Strings{"a;b", "c", "d;"}));
}

TEST_P(ProviderContract, ExecuteCountsRowsAndErrorsCarryTheStatement) {
  EXPECT_EQ(conn_.Execute("update accounthead set headlevel=2 where underhead=7"), 5);
  EXPECT_EQ(conn_.Execute("update accounthead set headlevel=2 where underhead=999"), 0);
  // Rows matched count even when nothing changes.
  EXPECT_EQ(conn_.Execute("update depot set dname='Main Location' where dcode=1"), 1);
  EXPECT_EQ(conn_.Execute("delete from accounthead where headname like 'sundry%'"), 2);
  EXPECT_EQ(One("SELECT COUNT(*) FROM accounthead"), "25");
  const std::string dup = "insert into depot(dcode,dname) values(1,'Again')";
  const std::string message = ExecuteError(dup);
  EXPECT_TRUE(Holds(message, multi_user() ? "Duplicate entry" : "UNIQUE constraint failed"));
  EXPECT_TRUE(Holds(message, ", while executing \"" + dup + "\""));
  EXPECT_TRUE(Holds(ErrorOf([&] { conn_.Query("select * from nosuchtable"); }),
                    ", while executing \"select * from nosuchtable\""));
  EXPECT_EQ(One("select count(*) from depot"), "1");
}

TEST_P(ProviderContract, NamesCompareWithoutCaseAndEscapedWildcardsMatchThemselves) {
  for (const char* name : {"A_B", "AxB", "100%", "1000", "Store 20"})
    conn_.Execute(std::string("insert into depot(dcode,dname) values(") +
                  std::to_string(10 + Depots().size()) + ",'" + name + "')");
  const std::pair<const char*, Strings> likes[] = {
      {"a\\_b", {"A_B"}},      {"100\\%", {"100%"}}, {"store 20", {"Store 20"}},
      {"a_b", {"A_B", "AxB"}}, {"a\\_%", {"A_B"}},   {"main%", {"Main Location"}}};
  for (const auto& [pattern, names] : likes)
    EXPECT_EQ(Rows(std::string("select dname from depot where dname like '") + pattern +
                   "' order by dcode"),
              names);
  EXPECT_EQ(One("select headcode from accounthead where trim(headname)='CASH'"), "1");
  EXPECT_EQ(One("select count(*) from accounthead where trim(headname)<>'cash'"), "26");
  // Product codes are unique without regard to case.
  conn_.Execute("insert into product(pcode,pname,gpcode) values('ab-1','Bolt',1)");
  EXPECT_NE(ExecuteError("insert into product(pcode,pname,gpcode) values('AB-1','Nut',1)"), "");
}

TEST_P(ProviderContract, TransactionsNestAndAScopeLeftByAnErrorLeavesNothing) {
  const auto row = [&](std::vector<int> codes, bool commit) {
    TransactionScope scope(conn_);
    for (int code : codes) Insert(code);
    if (commit) scope.Commit();
  };
  row({2}, true);
  EXPECT_THROW(row({3, 2}, true), Error);  // duplicate key
  EXPECT_EQ(conn_.TransactionDepth(), 0);
  EXPECT_EQ(Depots(), Strings{"D2"});

  // Rows inside a run add no savepoint: the run decides for all of them.
  conn_.BeginTrans();
  Insert(4);
  row({5}, true);
  EXPECT_EQ(Depots(), Strings{"D2"});  // other connections see nothing yet
  conn_.CommitTrans();
  EXPECT_EQ(Depots(), (Strings{"D2", "D4", "D5"}));
  // A row left without Commit inside a run makes the whole run roll back.
  conn_.BeginTrans();
  Insert(6);
  row({}, false);
  EXPECT_THROW(conn_.CommitTrans(), Error);
  EXPECT_EQ(conn_.TransactionDepth(), 0);
  // An inner BeginTrans sets a savepoint that its RollbackTrans undoes alone.
  conn_.BeginTrans();
  Insert(7);
  conn_.BeginTrans();
  Insert(8);
  conn_.RollbackTrans();
  conn_.CommitTrans();
  EXPECT_EQ(Depots(), (Strings{"D2", "D4", "D5", "D7"}));
  conn_.BeginTrans();
  Insert(9);
  conn_.RollbackTrans();
  EXPECT_EQ(Depots(), (Strings{"D2", "D4", "D5", "D7"}));
  EXPECT_THROW(conn_.CommitTrans(), Error);
}

VANTREL_BOTH_TARGETS(ProviderContract);

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

TEST_F(SqliteProvider, JetFormsAndFunctionsRunAgainstTheFile) {
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
  // CINT and VAL read leading numbers.
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
  EXPECT_TRUE(
      Holds(ErrorOf([&] { CreateSqliteCompanyFile(text, "CREATE TABLE a (x INT);"); }), text));
  EXPECT_EQ(ReadFile(text), "keep me");
  EXPECT_TRUE(Holds(ErrorOf([&] { Connection().Open(SingleUserConnectionString(text)); }), text));

  const std::string bad = dir.File("b.db");
  EXPECT_EQ(ErrorOf([&] {
              CreateSqliteCompanyFile(bad, "CREATE TABLE a (x INT);\nCREATE TABLE a (y INT);\n");
            }),
            "table a already exists, while executing \"CREATE TABLE a (y INT)\"");
  EXPECT_FALSE(std::filesystem::exists(bad));
}

std::string OpenError(const std::string& server, const std::string& password = "marblequince") {
  return ErrorOf([&] {
    Connection().Open("DRIVER=MySQL ODBC 3.51 Driver;UID=orvikuser;PWD=" + password +
                      ";SERVER=" + server + ";DATABASE=");
  });
}

TEST(MariadbServer, ReachedByHostPortOrLocalhostAndRefusesBadPortsAndDatabaseNames) {
  VANTREL_NEED_MARIADB();
  const std::string server = TestMariadbServer();
  const std::string port = server.substr(server.find(':'));
  for (const std::string& host : {server, "localhost" + port}) {
    Connection conn;
    conn.Open(MultiUserConnectionString(host, ""));
    EXPECT_EQ(ToInt32(conn.Query("SELECT @@lower_case_table_names").rows.at(0).at(0)), 1);
  }
  EXPECT_TRUE(Holds(OpenError("127.0.0.1:1"), "Can't connect"));
  EXPECT_TRUE(Holds(OpenError("127.0.0.1:1"), "127.0.0.1:1"));
  EXPECT_TRUE(Holds(OpenError(server, "wrong"), "Access denied"));
  EXPECT_TRUE(Holds(OpenError(server, "wrong"), server));
  EXPECT_TRUE(
      Holds(ErrorOf([] { Connection().Open(TestMariadbConnectionString("vt_no_such_db")); }),
            "vt_no_such_db"));
  // New company databases take plain names only.
  for (const std::string name : {"x'y", "a;b", "q`r", "a\\"})
    EXPECT_EQ(ErrorOf([&] { CreateCompanyDatabase(server, name); }),
              "Database name '" + name + "' may hold only letters, digits, '_' and '$'");
  EXPECT_EQ(ErrorOf([&] { CreateCompanyDatabase(server, ""); }), "A database name is required");
  // An underscore is just a character: "vt_x_1" is free while "vt_xx1" exists.
  const std::string taken = "vt_xx1_" + std::to_string(getpid());
  const std::string free = "vt_x_1_" + std::to_string(getpid());
  CreateCompanyDatabase(server, taken);
  EXPECT_EQ(ErrorOf([&] { CreateCompanyDatabase(server, free); }), "");
  EXPECT_NE(ErrorOf([&] { CreateCompanyDatabase(server, taken); }), "");
  DropTestDatabase(taken);
  DropTestDatabase(free);
  // Ports outside 1..65535 are refused before any connection is tried.
  for (const char* bad : {"0", "65536", "4294967299", "http", "", "-1"})
    EXPECT_EQ(OpenError("127.0.0.1:" + std::string(bad)),
              "Invalid port \"" + std::string(bad) + "\" in server 127.0.0.1:" + bad)
        << bad;
}

class MariadbProvider : public ProviderContract {};

TEST_P(MariadbProvider, FieldTypesAndValues) {
  conn_.Execute(
      "create table probe(t TINYINT, s SMALLINT, m MEDIUMINT, i INT, b BIGINT, "
      "u BIGINT UNSIGNED, f FLOAT, d DOUBLE, n DECIMAL(10,2), dt DATE, ts DATETIME, "
      "c CHAR(4), v VARCHAR(10), z DATE)");
  conn_.Execute(
      "insert into probe values(-5, 300, 70000, 2000000000, 5000000000, 18446744073709551615, "
      "1.5, 2.25, 12.34, '2024-02-29', '2024-03-01 06:00:00', 'ab', 'text', '0000-00-00')");
  conn_.Execute("insert into probe(t) values(NULL)");
  const RowSet rs = conn_.Query("select * from probe order by t desc");
  DateValue morning = MakeDate(2024, 3, 1);
  morning.serial += 0.25;
  using namespace adtype;
  const int types[] = {kTinyInt, kSmallInt, kInteger, kInteger,     kBigInt, kBigInt,  kSingle,
                       kDouble,  kNumeric,  kDBDate,  kDBTimeStamp, kChar,   kVarChar, kDBDate};
  // The zero date reads as Null.
  const Variant leap = MakeDate(2024, 2, 29), null = Variant::Null();
  const Variant values[] = {-5,     300,  70000, 2000000000, 5000000000.0, 18446744073709551615.0,
                            1.5,    2.25, 12.34, leap,       morning,      "ab",
                            "text", null};
  // Statements that return rows through Execute are drained, so the next call works.
  EXPECT_EQ(conn_.Execute("SELECT * FROM ACCOUNTHEAD"), 0);
  conn_.Execute("insert into depot(dcode,dname) values(4,'Caf\xC3\xA9 \xE2\x82\xB9')");
  EXPECT_EQ(One("select dname from depot where dcode=4"), "Caf\xC3\xA9 \xE2\x82\xB9");
  ASSERT_EQ(rs.fields.size(), std::size(types));
  ASSERT_EQ(rs.rows.size(), 2u);
  for (size_t i = 0; i < rs.fields.size(); ++i) {
    EXPECT_EQ(rs.fields[i].type, types[i]) << rs.fields[i].name;
    EXPECT_EQ(rs.rows[0][i], values[i]) << rs.fields[i].name;
    EXPECT_TRUE(rs.rows[1][i].is_null()) << rs.fields[i].name;
  }
}

INSTANTIATE_TEST_SUITE_P(Server, MariadbProvider, ::testing::Values(int{typeMultiUser}),
                         TargetName);

}  // namespace
}  // namespace vantrel
