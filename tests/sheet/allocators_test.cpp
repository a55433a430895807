#include "sheet/allocators.h"

#include <gtest/gtest.h>

#include "frame/module_state.h"
#include "frame/processer_state.h"
#include "platform/dao/connection.h"
#include "sheet/parent_lookup.h"
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
  void EmptyTables() {
    for (const char* t : {"accounthead", "accountledger", "depot", "productgroup", "product",
                          "productbatch", "transactionreceipts"})
      Exec(std::string("delete from ") + t);
  }
  void AllocateAll() {
    AllocateAccountCodes(state_);
    AllocateDepotCode(state_);
    AllocateGroupCode(state_);
    AllocateProductCode(state_);
    AllocateBatchId(state_);
    AllocateReceiptAndVoucher(state_);
  }
  ProcesserState state_;
};

TEST_P(Allocators, EmptyTablesStartAtOne) {
  EmptyTables();
  Counters().next_head_code = 77;  // a stale value from another company must not survive
  AllocateAll();
  const CodeCounters& c = Counters();
  EXPECT_EQ(c.next_head_code, 1);
  EXPECT_EQ(c.next_ledger_code, 1);
  EXPECT_EQ(c.next_depot_code, 1);
  EXPECT_EQ(c.next_group_code, 1);
  EXPECT_EQ(c.next_product_code, "1");
  EXPECT_EQ(c.next_batch_id, 1);
  EXPECT_EQ(c.next_receipt_code, 1);
  EXPECT_EQ(c.journal_voucher_no, 1);
  EXPECT_FALSE(state_.error_flag);
  EXPECT_TRUE(rec_.messages.empty());
}

TEST_P(Allocators, FilledTablesGiveTheNextCode) {
  Exec("insert into accountledger(ledcode,ledname,headcode) values('9','A',1)");
  Exec("insert into accountledger(ledcode,ledname,headcode) values('10','B',1)");
  Exec("insert into product(pcode,pname,gpcode) values('9','A',1)");
  Exec("insert into product(pcode,pname,gpcode) values('10','B',1)");
  Exec("insert into productbatch(batchid,pcode,batchname) values(4,'9','B')");
  Exec("insert into transactionreceipts(rcptcode,vno,rcpttype) values(41,'1','OS')");
  AllocateAll();
  const CodeCounters& c = Counters();
  EXPECT_EQ(c.next_head_code, 60);
  EXPECT_EQ(c.next_ledger_code, 11);  // numeric maximum, not '9'
  EXPECT_EQ(c.next_depot_code, 2);
  EXPECT_EQ(c.next_group_code, 2);
  EXPECT_EQ(c.next_product_code, "11");
  EXPECT_EQ(c.next_batch_id, 5);
  EXPECT_EQ(c.next_receipt_code, 42);
}

TEST_P(Allocators, VoucherNumberIsReservedAtOnce) {
  Exec("update PARAMLIST set paramvalue='41' where paramname='JP'");
  AllocateReceiptAndVoucher(state_);
  EXPECT_EQ(Counters().journal_voucher_no, 42);
  AllocateReceiptAndVoucher(state_);
  EXPECT_EQ(Counters().journal_voucher_no, 43);
  EXPECT_EQ(Column("SELECT paramvalue FROM PARAMLIST WHERE paramname='JP'"),
            std::vector<std::string>{"43"});
}

TEST_P(Allocators, MissingVoucherRowIsAnErrorAndNothingIsWritten) {
  Exec("delete from PARAMLIST where paramname='JP'");
  AllocateReceiptAndVoucher(state_);
  EXPECT_TRUE(state_.error_flag);
  ASSERT_EQ(rec_.messages.size(), 1u);
  EXPECT_EQ(rec_.messages[0].title, "Orvik");
  EXPECT_TRUE(rec_.StatementsStartingWith("update paramlist").empty());
}

TEST_P(Allocators, ACounterPastTheSixteenBitRangeStopsTheImportBeforeItsFirstRow) {
  Exec("insert into accounthead values(32767,'Last',0,0)");
  DependProcesser p;
  Target(p);
  p.SetSourceType(srcEXCEL);
  p.SetSourceFile(dir_.Write("h.csv", "Name,Parent\nNew,Sundry Debtors\n"));
  p.SetMapInfo({{}, {"Name", "headname"}, {"Parent", "underhead"}});
  bool err = false;
  p.ImportAccountHeads(err);
  EXPECT_TRUE(err);
  ASSERT_EQ(rec_.messages.size(), 1u);
  EXPECT_EQ(rec_.messages[0].text,
            "The next head code would be 32768, past the last one the company database can hold "
            "(32767): nothing was imported.");
  EXPECT_EQ(Column("SELECT COUNT(*) FROM accounthead WHERE headname='New' OR headcode=0"),
            std::vector<std::string>{"0"});
}

TEST_P(Allocators, FindParentCode) {
  std::string head = "sundry debtors";
  EXPECT_TRUE(FindParentCode(state_, "ACCOUNTLEDGER", head));
  EXPECT_EQ(state_.found_code, 9);
  std::string missing = "No Such Head";
  state_.found_code = 5;
  EXPECT_FALSE(FindParentCode(state_, "accounthead", missing));
  EXPECT_EQ(state_.found_code, 5);
  Counters().next_group_code = 33;
  std::string group = "Nuts";
  EXPECT_FALSE(FindParentCode(state_, "productgroup", group));
  EXPECT_EQ(state_.found_code, 33);
  std::string general = "GENERAL";
  EXPECT_TRUE(FindParentCode(state_, "productgroup", general));
  EXPECT_EQ(state_.found_code, 1);
  std::string quoted = "O'Brien";
  EXPECT_FALSE(FindParentCode(state_, "accounthead", quoted));
  EXPECT_EQ(quoted, "OBrien");
  EXPECT_FALSE(FindParentCode(state_, "depot", general));
  EXPECT_FALSE(state_.error_flag);
}

TEST_P(Allocators, GroupCodeByNameAndUnitIds) {
  Exec("insert into productgroup values(8,'Bolts','',1,0)");
  EXPECT_EQ(GroupCodeByName(state_, Variant("bolts")), 8);
  EXPECT_EQ(GroupCodeByName(state_, Variant("Nuts")), 1);
  EXPECT_EQ(GroupCodeByName(state_, Variant::Null()), 1);
  EXPECT_EQ(PrepareUnitId(state_, "P1", "Box"), 1);
  Exec("insert into productunits(pcode,unitid,unit,cf) values('P1',1,'Nos',1)");
  Exec("insert into productunits(pcode,unitid,unit,cf) values('P1',2,'Box',10)");
  EXPECT_EQ(PrepareUnitId(state_, "P1", "Box"), 2);  // the old Box row goes first
  EXPECT_EQ(Column("SELECT unit FROM productunits"), std::vector<std::string>{"Nos"});
  EXPECT_FALSE(state_.error_flag);
}

VANTREL_BOTH_TARGETS(Allocators);

}  // namespace
}  // namespace vantrel
