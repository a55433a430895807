#include "sheet/allocators.h"

#include <gtest/gtest.h>

#include "dbhelpers/lookups.h"
#include "frame/module_state.h"
#include "frame/processer_state.h"
#include "platform/dao/connection.h"
#include "support/company_fixture.h"

namespace vantrel {
namespace {

class Allocators : public CompanyTest {
 protected:
  void SetUp() override {
    CompanyTest::SetUp();
    if (IsSkipped()) return;
    state_.target_type = GetParam();
    TargetConnection().Open(TargetConnectionString());
    Counters() = CodeCounters();
  }
  void TearDown() override {
    ReleaseTargetConnection();
    CompanyTest::TearDown();
  }
  ProcesserState state_;
};

TEST_P(Allocators, EachCounterStartsAfterTheHighestStoredCodeOrAtOne) {
  // Next head, ledger, depot, group, product, batch, receipt codes and the reserved voucher.
  const auto counters = [&] {
    AllocateAccountCodes(state_);
    AllocateDepotCode(state_);
    AllocateGroupCode(state_);
    AllocateProductCode(state_);
    AllocateBatchId(state_);
    AllocateReceiptAndVoucher(state_);
    const CodeCounters& c = Counters();
    const auto n = [](long v) { return std::to_string(v) + "|"; };
    return n(c.next_head_code) + n(c.next_ledger_code) + n(c.next_depot_code) +
           n(c.next_group_code) + c.next_product_code + "|" + n(c.next_batch_id) +
           n(c.next_receipt_code) + std::to_string(c.journal_voucher_no);
  };
  for (const char* sql :
       {"insert into accountledger(ledcode,ledname,headcode) values('9','A',1)",
        "insert into accountledger(ledcode,ledname,headcode) values('10','B',1)",
        "insert into product(pcode,pname,gpcode) values('9','A',1)",
        "insert into product(pcode,pname,gpcode) values('10','B',1)",
        "insert into productbatch(batchid,pcode,batchname) values(4,'9','B')",
        "insert into transactionreceipts(rcptcode,vno,rcpttype) values(41,'1','OS')"})
    Exec(sql);
  EXPECT_EQ(counters(), "60|11|2|2|11|5|42|1");  // numeric maxima, not '9'
  for (const char* t : {"accounthead", "accountledger", "depot", "productgroup", "product",
                        "productbatch", "transactionreceipts"})
    Exec(std::string("delete from ") + t);
  Counters().next_head_code = 77;  // a stale value from another company must not survive
  EXPECT_EQ(counters(), "1|1|1|1|1|1|1|2");
  EXPECT_FALSE(state_.error_flag);
  EXPECT_TRUE(rec_.messages.empty());
}

TEST_P(Allocators, VoucherNumberIsReservedAtOnceAndAMissingVoucherRowIsAnError) {
  Exec("update PARAMLIST set paramvalue='41' where paramname='JP'");
  AllocateReceiptAndVoucher(state_);
  EXPECT_EQ(Counters().journal_voucher_no, 42);
  AllocateReceiptAndVoucher(state_);
  EXPECT_EQ(Counters().journal_voucher_no, 43);
  EXPECT_EQ(One("SELECT paramvalue FROM PARAMLIST WHERE paramname='JP'"), "43");
  rec_.statements.clear();
  Exec("delete from PARAMLIST where paramname='JP'");
  EXPECT_TRUE(ImportWorkbook(&DependProcesser::ImportAccounts,
                             dir_.Write("l.csv", "Name,Head\nAcme,Sundry Debtors\n"),
                             Map("Name=ledname,Head=headcode")));
  ASSERT_EQ(rec_.messages.size(), 1u);
  EXPECT_EQ(rec_.messages[0].title, "Orvik");
  EXPECT_TRUE(rec_.StatementsStartingWith("update paramlist").empty());
}

TEST_P(Allocators, ACounterPastTheSixteenBitRangeStopsTheImportBeforeItsFirstRow) {
  Exec("insert into accounthead values(32767,'Last',0,0)");
  EXPECT_TRUE(ImportWorkbook(&DependProcesser::ImportAccountHeads,
                             dir_.Write("h.csv", "Name,Parent\nNew,Sundry Debtors\n"),
                             Map("Name=headname,Parent=underhead")));
  ASSERT_EQ(rec_.messages.size(), 1u);
  EXPECT_EQ(rec_.messages[0].text,
            "The next head code would be 32768, past the last one the company database can hold "
            "(32767): nothing was imported.");
  EXPECT_EQ(One("SELECT COUNT(*) FROM accounthead WHERE headname='New' OR headcode=0"), "0");
}

VANTREL_BOTH_TARGETS(Allocators);

// The lookups run on the shared target connection, opened as an import opens it.
class Lookups : public Allocators {
 protected:
  void SetUp() override {
    Allocators::SetUp();
    AssignDefaultHeads();
  }
};

// Percent, underscore and quotes in a name are just characters.
TEST_P(Lookups, NamesAndCodesMatchOnlyThemselves) {
  Exec("insert into depot(dcode,dname) values(7,'Store 20')");
  Exec("insert into depot(dcode,dname) values(8,'A_B')");
  for (std::string other : {"Store%", "Store 2", "Store_20", "AxB"})
    EXPECT_FALSE(DepotExists(other)) << other;
  for (std::string same : {"store 20", "a_b"}) EXPECT_TRUE(DepotExists(same)) << same;
  Exec("insert into product(pcode,pname,gpcode) values('P7','Bolt',1)");
  std::string name = "Bolt", code = "P7", evil = "x' or '1'='1";
  EXPECT_EQ(PCodeOfName(name), "P7");
  EXPECT_TRUE(PCodeExists(code));
  EXPECT_FALSE(PCodeExists(evil));
  EXPECT_EQ(PCodeOfName(evil), "");
}

TEST_P(Lookups, ProductCodeParameter) {
  SetPCodeParam(Variant("A12"));
  EXPECT_EQ(One("SELECT paramvalue FROM PARAMLIST WHERE paramname='PCode'"), "A12");
  EXPECT_EQ(ReadPCodeParam(), "A13");
  SetPCodeParam(Variant("12A"));
  EXPECT_EQ(One("SELECT paramvalue FROM PARAMLIST WHERE paramname='PCode'"), "");
  Exec("update PARAMLIST set paramvalue=NULL where paramname='PCode'");
  EXPECT_EQ(ReadPCodeParam(), "1");
  Exec("delete from PARAMLIST where paramname='PCode'");
  EXPECT_EQ(ReadPCodeParam(), "");
}

VANTREL_BOTH_TARGETS(Lookups);

}  // namespace
}  // namespace vantrel
