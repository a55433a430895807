#include <gtest/gtest.h>

#include "platform/common/error.h"
#include "platform/dao/connection.h"
#include "support/company_fixture.h"

namespace vantrel {
namespace {

class Transactions : public CompanyTest {
 protected:
  void SetUp() override {
    CompanyTest::SetUp();
    if (HasFatalFailure() || IsSkipped()) return;
    conn_.Open(TargetConnectionString());
  }
  void Insert(int code) {
    conn_.Execute("insert into depot(dcode,dname) values(" + std::to_string(code) + ",'D" +
                  std::to_string(code) + "')");
  }
  std::vector<std::string> Depots() const {
    return Column("select dcode from depot where dcode > 1 order by dcode");
  }
  Connection conn_;
};

TEST_P(Transactions, AScopeLeftByAnErrorLeavesNothingAndACommittedOneStays) {
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
    FAIL() << "the duplicate was accepted";
  } catch (const Error&) {
  }
  EXPECT_EQ(conn_.TransactionDepth(), 0);
  EXPECT_EQ(Depots(), std::vector<std::string>{"2"});
}

TEST_P(Transactions, ARowInsideARunRollsBackAloneAndTheRunDecides) {
  conn_.BeginTrans();
  Insert(2);
  {
    TransactionScope row(conn_);
    Insert(3);
  }  // not committed: only row 3 goes
  {
    TransactionScope row(conn_);
    Insert(4);
    row.Commit();
  }
  // Other connections see nothing of the open run.
  EXPECT_TRUE(Depots().empty());
  conn_.CommitTrans();
  EXPECT_EQ(Depots(), (std::vector<std::string>{"2", "4"}));

  conn_.BeginTrans();
  Insert(5);
  conn_.RollbackTrans();
  EXPECT_EQ(Depots(), (std::vector<std::string>{"2", "4"}));
  EXPECT_THROW(conn_.CommitTrans(), Error);
}

VANTREL_BOTH_TARGETS(Transactions);

}  // namespace
}  // namespace vantrel
