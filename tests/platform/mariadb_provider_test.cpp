// What only the server does: reaching it, its SQL forms and types, new company databases.
#include <gtest/gtest.h>
#include <unistd.h>

#include "frame/company_template.h"
#include "frame/connections.h"
#include "platform/common/error.h"
#include "platform/dao/connection.h"
#include "platform/dao/recordset.h"
#include "platform/variant/convert.h"
#include "support/company_fixture.h"
#include "support/mariadb_server.h"

namespace vantrel {
namespace {

std::string OpenError(const std::string& server, const std::string& password = "marblequince") {
  return ErrorOf([&] {
    Connection().Open("DRIVER=MySQL ODBC 3.51 Driver;UID=orvikuser;PWD=" + password +
                      ";SERVER=" + server + ";DATABASE=");
  });
}

TEST(MariadbServer, ReachedByHostPortOrLocalhostAndFailuresNameTheServer) {
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
  EXPECT_NE(ErrorOf([] {
              Connection().Open(TestMariadbConnectionString("vt_no_such_db"));
            }).find("vt_no_such_db"),
            std::string::npos);
  // Ports outside 1..65535 are refused before any connection is tried.
  for (const char* bad : {"0", "65536", "4294967299", "http", "", "-1"})
    EXPECT_EQ(OpenError("127.0.0.1:" + std::string(bad)),
              "Invalid port \"" + std::string(bad) + "\" in server 127.0.0.1:" + bad)
        << bad;
}

TEST(MariadbServer, NewCompanyDatabasesTakePlainNamesOnly) {
  VANTREL_NEED_MARIADB();
  for (const std::string name : {"x'y", "a;b", "q`r", "a\\"})
    EXPECT_EQ(ErrorOf([&] { CreateCompanyDatabase(TestMariadbServer(), name); }),
              "Database name '" + name + "' may hold only letters, digits, '_' and '$'");
  EXPECT_EQ(ErrorOf([] { CreateCompanyDatabase(TestMariadbServer(), ""); }),
            "A database name is required");
  // An underscore is just a character: "vt_x_1" is free while "vt_xx1" exists.
  const std::string taken = "vt_xx1_" + std::to_string(getpid());
  const std::string free = "vt_x_1_" + std::to_string(getpid());
  CreateCompanyDatabase(TestMariadbServer(), taken);
  EXPECT_EQ(ErrorOf([&] { CreateCompanyDatabase(TestMariadbServer(), free); }), "");
  EXPECT_NE(ErrorOf([&] { CreateCompanyDatabase(TestMariadbServer(), taken); }), "");
  DropTestDatabase(taken);
  DropTestDatabase(free);
}

class MariadbProvider : public CompanyTest {
 protected:
  void SetUp() override {
    CompanyTest::SetUp();
    if (HasFatalFailure() || IsSkipped()) return;
    conn_.Open(TargetConnectionString());
  }
  Variant Scalar(const std::string& sql) { return conn_.Query(sql).rows.at(0).at(0); }
  Connection conn_;
};

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
  const std::pair<int, Variant> expected[] = {
      {adtype::kTinyInt, Variant(int32_t{-5})},
      {adtype::kSmallInt, Variant(int32_t{300})},
      {adtype::kInteger, Variant(int32_t{70000})},
      {adtype::kInteger, Variant(int32_t{2000000000})},
      {adtype::kBigInt, Variant(5000000000.0)},
      {adtype::kBigInt, Variant(18446744073709551615.0)},
      {adtype::kSingle, Variant(1.5)},
      {adtype::kDouble, Variant(2.25)},
      {adtype::kNumeric, Variant(12.34)},
      {adtype::kDBDate, Variant(MakeDate(2024, 2, 29))},
      {adtype::kDBTimeStamp, Variant(morning)},
      {adtype::kChar, Variant("ab")},
      {adtype::kVarChar, Variant("text")},
      {adtype::kDBDate, Variant::Null()},  // the zero date
  };
  // Statements that return rows through Execute are drained, so the next call works.
  EXPECT_EQ(conn_.Execute("SELECT * FROM ACCOUNTHEAD"), 0);
  conn_.Execute("insert into depot(dcode,dname) values(4,'Caf\xC3\xA9 \xE2\x82\xB9')");
  EXPECT_EQ(Scalar("select dname from depot where dcode=4"), Variant("Caf\xC3\xA9 \xE2\x82\xB9"));
  ASSERT_EQ(rs.fields.size(), std::size(expected));
  ASSERT_EQ(rs.rows.size(), 2u);
  for (size_t i = 0; i < rs.fields.size(); ++i) {
    EXPECT_EQ(rs.fields[i].type, expected[i].first) << rs.fields[i].name;
    EXPECT_EQ(rs.rows[0][i], expected[i].second) << rs.fields[i].name;
    EXPECT_TRUE(rs.rows[1][i].is_null()) << rs.fields[i].name;
  }
}

INSTANTIATE_TEST_SUITE_P(Server, MariadbProvider, ::testing::Values(int{typeMultiUser}),
                         TargetName);

}  // namespace
}  // namespace vantrel
