#include "dbhelpers/lookups.h"

#include <gtest/gtest.h>

#include "frame/connections.h"
#include "frame/module_state.h"
#include "platform/dao/connection.h"
#include "platform/variant/convert.h"
#include "support/company_fixture.h"

namespace vantrel {
namespace {

// Lookups run on the shared target connection, opened here as an import would.
class Lookups : public CompanyTest {
 protected:
  void SetUp() override {
    CompanyTest::SetUp();
    if (IsSkipped()) return;
    AssignDefaultHeads();
    TargetConnection().Open(TargetConnectionString());
  }
  void TearDown() override {
    ReleaseTargetConnection();
    CompanyTest::TearDown();
  }
};

TEST_P(Lookups, DefaultHeadsCountAsExistingExceptTheTwoSpecialOnes) {
  std::string cash = "Cash", capital = " Capital Account ", deposits = "Deposits (Asset)";
  std::string misc = "Misc. Expenses (ASSET)", pl = "Profit & Loss A/c";
  EXPECT_TRUE(LedgerExists(cash));
  EXPECT_TRUE(LedgerExists(pl));
  EXPECT_TRUE(HeadExists(capital));
  EXPECT_FALSE(HeadExists(deposits));
  EXPECT_FALSE(HeadExists(misc));
  Exec("insert into accounthead values(70,'Deposits (Asset)',2,1)");
  EXPECT_TRUE(HeadExists(deposits));
  std::string branch = "  Branch / Divisions";
  EXPECT_TRUE(HeadExists(branch));
  EXPECT_TRUE(rec_.messages.empty());
}

TEST_P(Lookups, HeadCodeOfParentUsesFixedCodesThenLooksUp) {
  std::string capital = "  Capital Account ";
  EXPECT_EQ(HeadCodeOfParent(capital, "G"), 17);
  std::string lower = "capital account";  // other case: looked up, and the target ignores case
  EXPECT_EQ(HeadCodeOfParent(lower, "G"), 17);
  std::string deposits = "Deposits (Asset)";
  EXPECT_EQ(HeadCodeOfParent(deposits, "G"), 2);
  EXPECT_EQ(HeadCodeOfParent(deposits, ""), 0);
  Exec("insert into accounthead values(71,'Deposits (Asset)',2,1)");
  EXPECT_EQ(HeadCodeOfParent(deposits, ""), 71);
  std::string blank = "   ";
  EXPECT_EQ(HeadCodeOfParent(blank, ""), 0);
  std::string quoted = "O'Neil's Debtors";  // must not break the statement
  EXPECT_EQ(HeadCodeOfParent(quoted, ""), 0);
  EXPECT_TRUE(rec_.messages.empty());
}

TEST_P(Lookups, ExistenceTestsCleanTheCallersName) {
  Exec("insert into productgroup values(5,'Mens Wear','',1,0)");
  std::string name = "Men's Wear";
  EXPECT_TRUE(GroupExists(name));
  EXPECT_EQ(name, "Mens Wear");
  std::string upper = "MENS WEAR";
  EXPECT_TRUE(GroupExists(upper));
}

TEST_P(Lookups, PercentAndUnderscoreInANameMatchOnlyThemselves) {
  Exec("insert into depot(dcode,dname) values(7,'Store 20')");
  Exec("insert into depot(dcode,dname) values(8,'A_B')");
  for (std::string other : {"Store%", "Store 2", "Store_20", "AxB"})
    EXPECT_FALSE(DepotExists(other)) << other;
  for (std::string same : {"store 20", "a_b"}) EXPECT_TRUE(DepotExists(same)) << same;
}

TEST_P(Lookups, ProductExistsNarrowsToAGroupAboveZero) {
  Exec("insert into product(pcode,pname,gpcode) values('1','Oil Filter',5)");
  std::string name = "oil filter";
  EXPECT_TRUE(ProductExists(name, 0));
  EXPECT_TRUE(ProductExists(name, 5));
  EXPECT_FALSE(ProductExists(name, 6));
}

TEST_P(Lookups, GroupCodeOfParent) {
  Exec("insert into productgroup values(12,'Spares','',1,0)");
  std::string spares = " Spares ", none = "", quoted = "Bob\"s";
  EXPECT_EQ(ToText(GroupCodeOfParent(spares, "G")), "12");
  EXPECT_EQ(ToText(GroupCodeOfParent(spares, "")), "12");
  rec_.statements.clear();
  EXPECT_TRUE(GroupCodeOfParent(none, "").is_empty());
  EXPECT_TRUE(rec_.statements.empty());  // no query for an item without parent
  EXPECT_TRUE(GroupCodeOfParent(quoted, "").is_empty());
}

TEST_P(Lookups, ProductCodeParameter) {
  SetPCodeParam(Variant("A12"));
  EXPECT_EQ(Column("SELECT paramvalue FROM PARAMLIST WHERE paramname='PCode'"),
            std::vector<std::string>{"A12"});
  EXPECT_EQ(ReadPCodeParam(), "A13");
  SetPCodeParam(Variant("12A"));
  EXPECT_EQ(Column("SELECT paramvalue FROM PARAMLIST WHERE paramname='PCode'"),
            std::vector<std::string>{""});
  Exec("update PARAMLIST set paramvalue=NULL where paramname='PCode'");
  EXPECT_EQ(ReadPCodeParam(), "1");
  Exec("delete from PARAMLIST where paramname='PCode'");
  EXPECT_EQ(ReadPCodeParam(), "");
}

TEST_P(Lookups, RemoveExistingBatchDeletesTodaysInventoryOfThatProductOnly) {
  const std::string today = multi_user() ? FormatDate(Today(), "yyyymmdd") : DateText(Today());
  Exec("insert into productbatch(batchid,pcode,batchname) values(1,'P1','B1')");
  Exec("insert into productbatch(batchid,pcode,batchname) values(2,'P2','B1')");
  Exec("insert into inventory(dcode,invdate,pcode,batchid,os) values(1,'" + today + "','P1',1,5)");
  Exec("insert into inventory(dcode,invdate,pcode,batchid,os) values(1,'2001-01-01','P1',1,5)");
  std::string p = "P1", b = "B1";
  EXPECT_FALSE(RemoveExistingBatch(p, b, GetParam()));
  EXPECT_EQ(Column("SELECT pcode FROM productbatch ORDER BY pcode"),
            std::vector<std::string>{"P2"});
  EXPECT_EQ(Column("SELECT os FROM inventory"), std::vector<std::string>{"5"});
}

TEST_P(Lookups, CodeLookupsTakeQuotedTextSafely) {
  Exec("insert into product(pcode,pname,gpcode) values('P7','Bolt',1)");
  std::string name = "Bolt", code = "P7", evil = "x' or '1'='1";
  EXPECT_EQ(PCodeOfName(name), "P7");
  EXPECT_TRUE(PCodeExists(code));
  EXPECT_FALSE(PCodeExists(evil));
  EXPECT_EQ(PCodeOfName(evil), "");
}

VANTREL_BOTH_TARGETS(Lookups);

}  // namespace
}  // namespace vantrel
