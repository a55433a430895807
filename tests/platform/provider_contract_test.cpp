// What every target provider promises, run on the company file and on the server alike.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/common/error.h"
#include "platform/dao/connection.h"
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
  std::string Scalar(const std::string& sql) { return ToText(conn_.Query(sql).rows.at(0).at(0)); }
  Strings Depots() const {
    return Column("select dname from depot where dcode > 1 order by dcode");
  }
  // The description of the error `sql` raises through Execute, or "" when none.
  std::string ExecuteError(const std::string& sql) {
    return ErrorOf([&] { conn_.Execute(sql); });
  }
  void Insert(int code) {
    conn_.Execute("insert into depot(dcode,dname) values(" + std::to_string(code) + ",'D" +
                  std::to_string(code) + "')");
  }
  Connection conn_;
};

TEST_P(ProviderContract, TemplateHoldsTheTablesAndSeedRows) {
  Strings names;
  for (auto t = conn_.OpenSchema(Connection::kSchemaTables); !t->Eof(); t->MoveNext()) {
    EXPECT_EQ(t->Value(3), Variant("TABLE"));
    names.push_back(ToLower(ToText(t->Value(size_t{2}))));
  }
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (Strings{"accounthead", "accountledger", "depot", "generalledger", "inventory",
                            "paramlist", "product", "productbatch", "productgroup", "productslab",
                            "productunits", "receiptdetails", "transactionreceipts"}));
  EXPECT_EQ(Scalar("SELECT COUNT(*) FROM accounthead"), "27");
  EXPECT_EQ(Scalar("SELECT headname FROM accounthead WHERE headcode=12"),
            "Loans & Advances (Asset)");
  EXPECT_EQ(Scalar("SELECT dname FROM depot WHERE dcode=1"), "Main Location");
  EXPECT_EQ(Scalar("SELECT gpname FROM productgroup"), "General");
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

TEST_P(ProviderContract, ExecuteReportsTheRecordsAffected) {
  EXPECT_EQ(conn_.Execute("update accounthead set headlevel=2 where underhead=7"), 5);
  EXPECT_EQ(conn_.Execute("update accounthead set headlevel=2 where underhead=999"), 0);
  // Rows matched count even when nothing changes.
  EXPECT_EQ(conn_.Execute("update depot set dname='Main Location' where dcode=1"), 1);
  EXPECT_EQ(conn_.Execute("delete from accounthead where headname like 'sundry%'"), 2);
  EXPECT_EQ(Scalar("SELECT COUNT(*) FROM accounthead"), "25");
}

TEST_P(ProviderContract, ErrorsCarryTheStatementAndTheConnectionStaysUsable) {
  const std::string dup = "insert into depot(dcode,dname) values(1,'Again')";
  const std::string message = ExecuteError(dup);
  EXPECT_TRUE(Holds(message, multi_user() ? "Duplicate entry" : "UNIQUE constraint failed"));
  EXPECT_TRUE(Holds(message, ", while executing \"" + dup + "\""));
  EXPECT_TRUE(Holds(ErrorOf([&] { conn_.Query("select * from nosuchtable"); }),
                    ", while executing \"select * from nosuchtable\""));
  EXPECT_EQ(Scalar("select count(*) from depot"), "1");
}

TEST_P(ProviderContract, NamesCompareWithoutCaseAndEscapedWildcardsMatchThemselves) {
  for (const char* name : {"A_B", "AxB", "100%", "1000", "Store 20"})
    conn_.Execute(std::string("insert into depot(dcode,dname) values(") +
                  std::to_string(10 + Depots().size()) + ",'" + name + "')");
  const auto like = [&](const std::string& pattern) {
    return Column("select dname from depot where dname like '" + pattern + "' order by dcode");
  };
  EXPECT_EQ(like("a\\_b"), Strings{"A_B"});
  EXPECT_EQ(like("100\\%"), Strings{"100%"});
  EXPECT_EQ(like("store 20"), Strings{"Store 20"});
  EXPECT_EQ(like("a_b"), (Strings{"A_B", "AxB"}));
  EXPECT_EQ(like("a\\_%"), Strings{"A_B"});
  EXPECT_EQ(like("main%"), Strings{"Main Location"});
  EXPECT_EQ(One("select headcode from accounthead where trim(headname)='CASH'"), "1");
  EXPECT_EQ(One("select count(*) from accounthead where trim(headname)<>'cash'"), "26");
  // Product codes are unique without regard to case.
  conn_.Execute("insert into product(pcode,pname,gpcode) values('ab-1','Bolt',1)");
  EXPECT_NE(ExecuteError("insert into product(pcode,pname,gpcode) values('AB-1','Nut',1)"), "");
}

TEST_P(ProviderContract, TransactionsNestAndAScopeLeftByAnErrorLeavesNothing) {
  {
    TransactionScope row(conn_);
    Insert(2);
    row.Commit();
  }
  try {
    TransactionScope row(conn_);
    Insert(3);
    Insert(2);  // duplicate key
    row.Commit();
    ADD_FAILURE() << "the duplicate was accepted";
  } catch (const Error&) {
  }
  EXPECT_EQ(conn_.TransactionDepth(), 0);
  EXPECT_EQ(Depots(), Strings{"D2"});

  // Rows inside a run add no savepoint: the run decides for all of them.
  conn_.BeginTrans();
  Insert(4);
  {
    TransactionScope row(conn_);
    Insert(5);
    row.Commit();
  }
  EXPECT_EQ(Depots(), Strings{"D2"});  // other connections see nothing yet
  conn_.CommitTrans();
  EXPECT_EQ(Depots(), (Strings{"D2", "D4", "D5"}));
  // A row left without Commit inside a run cannot be undone alone: the run
  // then rolls back whole instead of committing.
  conn_.BeginTrans();
  Insert(6);
  { TransactionScope row(conn_); }
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

}  // namespace
}  // namespace vantrel
