#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/common/error.h"
#include "platform/dao/connection.h"
#include "platform/dao/provider.h"
#include "platform/dao/recordset.h"
#include "platform/variant/convert.h"
#include "support/mariadb_server.h"

namespace vantrel {
namespace {

std::string ErrorText(const std::function<void()>& action) {
  try {
    action();
  } catch (const Error& e) {
    return e.description();
  }
  return "(no error)";
}

// A fresh company database per test, dropped afterwards.
class MariadbProviderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    VANTREL_NEED_MARIADB();
    database_ = CreateTestDatabase(::testing::UnitTest::GetInstance()->current_test_info()->name());
    conn_.Open(TestMariadbConnectionString(database_));
  }
  void TearDown() override {
    if (conn_.State() == Connection::kOpen) conn_.Close();
    if (!database_.empty()) DropTestDatabase(database_);
  }

  // The single value of a one-row, one-column query.
  Variant Scalar(const std::string& sql) {
    const RowSet rs = conn_.Query(sql);
    EXPECT_EQ(rs.rows.size(), 1u) << sql;
    EXPECT_EQ(rs.fields.size(), 1u) << sql;
    if (rs.rows.empty() || rs.rows[0].empty()) return Variant();
    return rs.rows[0][0];
  }

  std::string database_;
  Connection conn_;
};

TEST(MariadbProviderConnect, OpensWithHostPortAndWithoutDatabase) {
  VANTREL_NEED_MARIADB();
  Connection conn;
  conn.Open(TestMariadbConnectionString(""));
  const RowSet rs = conn.Query("SELECT DATABASE() AS db, @@lower_case_table_names AS lctn");
  ASSERT_EQ(rs.rows.size(), 1u);
  EXPECT_TRUE(rs.rows[0][0].is_null());
  EXPECT_EQ(rs.rows[0][1], Variant(int32_t{1}));
  conn.Close();

  // "localhost" reaches the same server over TCP, not the client's default socket.
  const std::string server = TestMariadbServer();
  const std::string port = server.substr(server.find(':'));
  Connection local;
  local.Open("DRIVER=MySQL ODBC 3.51 Driver;UID=orvikuser;PWD=marblequince;SERVER=localhost" +
             port + ";DATABASE=");
  EXPECT_EQ(local.Query("SELECT 1 AS one").rows.size(), 1u);
}

TEST(MariadbProviderConnect, FailuresNameTheServer) {
  VANTREL_NEED_MARIADB();
  const std::string refused = ErrorText([] {
    Connection conn;
    conn.Open("DRIVER=MySQL ODBC 3.51 Driver;UID=orvikuser;PWD=marblequince;SERVER=127.0.0.1:1;");
  });
  EXPECT_NE(refused.find("Can't connect"), std::string::npos) << refused;
  EXPECT_NE(refused.find("127.0.0.1:1"), std::string::npos) << refused;

  const std::string server = TestMariadbServer();
  const std::string denied = ErrorText([&] {
    Connection conn;
    conn.Open("DRIVER=MySQL ODBC 3.51 Driver;UID=orvikuser;PWD=wrong;SERVER=" + server + ";");
  });
  EXPECT_NE(denied.find("Access denied"), std::string::npos) << denied;
  EXPECT_NE(denied.find(server), std::string::npos) << denied;

  const std::string no_db = ErrorText([] {
    Connection conn;
    conn.Open(TestMariadbConnectionString("vt_no_such_database"));
  });
  EXPECT_NE(no_db.find("vt_no_such_database"), std::string::npos) << no_db;

  const std::string bad_port = ErrorText([] {
    Connection conn;
    conn.Open("DRIVER=MySQL ODBC 3.51 Driver;UID=u;PWD=p;SERVER=127.0.0.1:http;");
  });
  EXPECT_NE(bad_port.find("127.0.0.1:http"), std::string::npos) << bad_port;
}

TEST_F(MariadbProviderTest, TemplateHoldsTheTablesAndSeedRows) {
  auto tables = conn_.OpenSchema(Connection::kSchemaTables);
  std::vector<std::string> names;
  for (; !tables->Eof(); tables->MoveNext()) {
    EXPECT_EQ(tables->Value(3), Variant("TABLE"));
    names.push_back(tables->Value(2).as_text());
  }
  std::sort(names.begin(), names.end());
  const std::vector<std::string> expected = {
      "accounthead",        "accountledger", "depot",        "generalledger",
      "inventory",          "paramlist",     "product",      "productbatch",
      "productgroup",       "productslab",   "productunits", "receiptdetails",
      "transactionreceipts"};
  EXPECT_EQ(names, expected);

  EXPECT_EQ(Scalar("SELECT COUNT(*) FROM accounthead"), Variant(int32_t{27}));
  EXPECT_EQ(Scalar("SELECT headname FROM accounthead WHERE headcode=12"),
            Variant("Loans & Advances (Asset)"));
  // Inserts by position rely on the column order.
  EXPECT_EQ(conn_.Execute("insert into accounthead values(60,'Deposits',7,1)"), 1);
  EXPECT_EQ(conn_.Execute("insert into productgroup values(2,'Tools','hand tools',1,1)"), 1);
  const RowSet head = conn_.Query("SELECT * FROM accounthead WHERE headcode=60");
  ASSERT_EQ(head.fields.size(), 4u);
  EXPECT_EQ(head.fields[3].name, "headlevel");
  const RowSet group = conn_.Query("SELECT * FROM productgroup WHERE gpcode=2");
  ASSERT_EQ(group.fields.size(), 5u);
  EXPECT_EQ(group.rows[0][2], Variant("hand tools"));
  EXPECT_EQ(conn_.Query("SELECT * FROM product").fields.size(), 28u);
}

TEST_F(MariadbProviderTest, NextCodeQueries) {
  conn_.Execute("insert into accountledger(ledcode,ledname,headcode) values('9','A',9)");
  conn_.Execute("insert into accountledger(ledcode,ledname,headcode) values('10','B',9)");
  const RowSet led =
      conn_.Query("SELECT MAX(Cast(LEDCODE as signed))+1 AS LEDCODE FROM ACCOUNTLEDGER");
  ASSERT_EQ(led.fields.size(), 1u);
  EXPECT_EQ(led.fields[0].name, "LEDCODE");
  EXPECT_EQ(led.fields[0].type, adtype::kBigInt);
  EXPECT_EQ(led.rows[0][0], Variant(int32_t{11}));

  // Over an empty table the maximum is Null.
  const RowSet none = conn_.Query("SELECT MAX(CAST(PCODE AS UNSIGNED))+1 AS PCODE FROM PRODUCT");
  EXPECT_EQ(none.fields[0].type, adtype::kBigInt);
  EXPECT_TRUE(none.rows[0][0].is_null());
  EXPECT_TRUE(
      Scalar("SELECT MAX(HEADCODE)+1 AS HEADCODE FROM ACCOUNTHEAD WHERE HEADCODE<0").is_null());

  conn_.Execute("insert into product(pcode,pname,gpcode) values('5','Nail',1)");
  conn_.Execute("insert into product(pcode,pname,gpcode) values('12','Screw',1)");
  EXPECT_EQ(Scalar("SELECT MAX(CAST(PCODE AS UNSIGNED))+1 AS PCODE FROM PRODUCT"),
            Variant(int32_t{13}));
  EXPECT_EQ(Scalar("SELECT MAX(HEADCODE)+1 AS HEADCODE FROM ACCOUNTHEAD"), Variant(int32_t{60}));

  const std::string vno =
      "SELECT ifnull(cast(paramvalue as signed),0)+1 AS VNO FROM PARAMLIST WHERE "
      "PARAMNAME='JP' and PARAMTYPE=3";
  EXPECT_EQ(Scalar(vno), Variant(int32_t{1}));
  EXPECT_EQ(conn_.Execute("UPDATE PARAMLIST SET PARAMVALUE='41' WHERE PARAMNAME='JP' AND "
                          "PARAMTYPE=3"),
            1);
  EXPECT_EQ(Scalar(vno), Variant(int32_t{42}));
}

TEST_F(MariadbProviderTest, StatementFormsOfTheImport) {
  EXPECT_EQ(conn_.Execute("insert into depot(dcode,dname) values(3,\"Store 2\")"), 1);
  EXPECT_EQ(Scalar("select dname from depot where dcode=3"), Variant("Store 2"));

  // Table names in any letter case reach the lower-case tables.
  EXPECT_EQ(Scalar("SELECT HEADNAME FROM ACCOUNTHEAD WHERE HEADCODE=1"), Variant("Cash"));
  EXPECT_EQ(conn_.Execute("INSERT INTO ProductGroup (GPCODE,GPNAME,GPDESC,GPUNDER,GPLEVEL) "
                          "VALUES (2,'Hardware','',1,1)"),
            1);
  EXPECT_EQ(Scalar("SELECT GPNAME FROM PRODUCTGROUP WHERE GPCODE=2"), Variant("Hardware"));

  // Names compare without regard to case, in LIKE and in '='.
  const RowSet like =
      conn_.Query("SELECT HEADCODE FROM ACCOUNTHEAD WHERE HEADNAME LIKE 'sundry%' ORDER BY 1");
  ASSERT_EQ(like.rows.size(), 2u);
  EXPECT_EQ(like.rows[0][0], Variant(int32_t{9}));
  EXPECT_EQ(like.rows[1][0], Variant(int32_t{24}));
  EXPECT_EQ(Scalar("SELECT HEADCODE FROM ACCOUNTHEAD WHERE TRIM(HEADNAME)='CASH'"),
            Variant(int32_t{1}));
  EXPECT_EQ(Scalar("SELECT DCODE FROM DEPOT WHERE DNAME='main location'"), Variant(int32_t{1}));

  // Text outside ASCII comes back as it went in.
  conn_.Execute("insert into depot(dcode,dname) values(4,'Caf\xC3\xA9 \xE2\x82\xB9')");
  EXPECT_EQ(Scalar("select dname from depot where dcode=4"), Variant("Caf\xC3\xA9 \xE2\x82\xB9"));
}

TEST_F(MariadbProviderTest, SecondStatementIsRefusedBeforeAnythingRuns) {
  const std::string stacked =
      "insert into depot(dcode,dname) values(5,'A'); insert into depot(dcode,dname) values(6,'B')";
  const std::string message = ErrorText([&] { conn_.Execute(stacked); });
  EXPECT_NE(message.find(stacked), std::string::npos) << message;
  EXPECT_THROW(conn_.Query("select 1; delete from depot"), Error);
  EXPECT_EQ(Scalar("select count(*) from depot"), Variant(int32_t{1}));

  // A ';' in quoted text or at the very end is still one statement.
  EXPECT_EQ(conn_.Execute("insert into depot(dcode,dname) values(7,'a;b');"), 1);
  EXPECT_EQ(Scalar("select dname from depot where dcode=7"), Variant("a;b"));
}

TEST_F(MariadbProviderTest, RecordsAffected) {
  // An UPDATE reports the rows it matched even when nothing changes.
  EXPECT_EQ(conn_.Execute("UPDATE depot SET dname='Main Location' WHERE dcode=1"), 1);
  EXPECT_EQ(conn_.Execute("UPDATE depot SET dname='X' WHERE dcode=99"), 0);
  EXPECT_EQ(conn_.Execute("UPDATE accounthead SET headlevel=headlevel WHERE underhead=7"), 5);
  EXPECT_EQ(conn_.Execute("DELETE FROM accounthead WHERE underhead=19"), 3);
  // Statements that return rows through Execute are drained, so the next call works.
  EXPECT_EQ(conn_.Execute("SELECT * FROM accounthead"), 0);
  EXPECT_EQ(Scalar("SELECT COUNT(*) FROM accounthead"), Variant(int32_t{24}));
}

TEST_F(MariadbProviderTest, ServerErrorsCarryTheStatement) {
  const std::string dup = "insert into depot(dcode,dname) values(1,'Again')";
  const std::string dup_message = ErrorText([&] { conn_.Execute(dup); });
  EXPECT_NE(dup_message.find("Duplicate entry '1'"), std::string::npos) << dup_message;
  EXPECT_NE(dup_message.find(", while executing \"" + dup + "\""), std::string::npos);

  const std::string missing = "select * from nosuchtable";
  const std::string missing_message = ErrorText([&] { conn_.Query(missing); });
  EXPECT_NE(missing_message.find("doesn't exist, while executing \"" + missing + "\""),
            std::string::npos)
      << missing_message;
  // The connection stays usable after a failed statement.
  EXPECT_EQ(Scalar("select count(*) from depot"), Variant(int32_t{1}));
}

TEST_F(MariadbProviderTest, FieldTypesAndValues) {
  conn_.Execute(
      "create table probe(t TINYINT, s SMALLINT, m MEDIUMINT, i INT, b BIGINT, "
      "u BIGINT UNSIGNED, f FLOAT, d DOUBLE, n DECIMAL(10,2), dt DATE, ts DATETIME, "
      "c CHAR(4), v VARCHAR(10), x TEXT)");
  conn_.Execute(
      "insert into probe values(-5, 300, 70000, 2000000000, 5000000000, 18446744073709551615, "
      "1.5, 2.25, 12.34, '2024-02-29', '2024-03-01 06:00:00', 'ab', 'text', 'long')");
  conn_.Execute("insert into probe(t) values(NULL)");
  const RowSet rs = conn_.Query("select * from probe order by t desc");
  const std::vector<int> codes = {
      adtype::kTinyInt,     adtype::kSmallInt, adtype::kInteger, adtype::kInteger, adtype::kBigInt,
      adtype::kBigInt,      adtype::kSingle,   adtype::kDouble,  adtype::kNumeric, adtype::kDBDate,
      adtype::kDBTimeStamp, adtype::kChar,     adtype::kVarChar, adtype::kVarChar};
  ASSERT_EQ(rs.fields.size(), codes.size());
  for (size_t i = 0; i < codes.size(); ++i)
    EXPECT_EQ(rs.fields[i].type, codes[i]) << rs.fields[i].name;
  EXPECT_EQ(rs.fields[12].name, "v");

  ASSERT_EQ(rs.rows.size(), 2u);
  const Row& r = rs.rows[0];
  EXPECT_EQ(r[0], Variant(int32_t{-5}));
  EXPECT_EQ(r[1], Variant(int32_t{300}));
  EXPECT_EQ(r[2], Variant(int32_t{70000}));
  EXPECT_EQ(r[3], Variant(int32_t{2000000000}));
  EXPECT_EQ(r[4], Variant(5000000000.0));
  EXPECT_EQ(r[5], Variant(18446744073709551615.0));
  EXPECT_EQ(r[6], Variant(1.5));
  EXPECT_EQ(r[7], Variant(2.25));
  EXPECT_EQ(r[8], Variant(12.34));
  EXPECT_EQ(r[9], Variant(MakeDate(2024, 2, 29)));
  DateValue morning = MakeDate(2024, 3, 1);
  morning.serial += 0.25;
  EXPECT_EQ(r[10], Variant(morning));
  EXPECT_EQ(r[11], Variant("ab"));
  EXPECT_EQ(r[12], Variant("text"));
  EXPECT_EQ(r[13], Variant("long"));
  for (const Variant& v : rs.rows[1]) EXPECT_TRUE(v.is_null());
}

TEST_F(MariadbProviderTest, DatesOfTheTemplateReadBackAsDates) {
  conn_.Execute(
      "insert into productbatch(batchid,pcode,batchname,manfdate,expdate) "
      "values(1,'P1','B1','2025-01-31',NULL)");
  conn_.Execute(
      "insert into inventory(dcode,invdate,pcode,batchid,os) values(1,'2025-04-01','P1',1,"
      "12.5)");
  const RowSet batch = conn_.Query("select manfdate, expdate from productbatch where batchid=1");
  EXPECT_EQ(batch.fields[0].type, adtype::kDBDate);
  EXPECT_EQ(batch.rows[0][0], Variant(MakeDate(2025, 1, 31)));
  EXPECT_TRUE(batch.rows[0][1].is_null());
  const RowSet inv = conn_.Query("select invdate, os from inventory");
  EXPECT_EQ(ToText(inv.rows[0][0]), "2025-04-01");
  EXPECT_EQ(inv.rows[0][1], Variant(12.5));
}

}  // namespace
}  // namespace vantrel
