#include <gtest/gtest.h>

#include <algorithm>

#include "frame/counters.h"
#include "frame/import_log.h"
#include "platform/variant/convert.h"
#include "support/company_fixture.h"
#include "vantrel/DependProcesser.h"

namespace vantrel {
namespace {

const MapTable kStockMap = {{}, {"Code", "pcode"}, {"Batch", "batchname"}, {"Qty", "openingstock"}};

class BatchImport : public CompanyTest {
 protected:
  void SetUp() override {
    CompanyTest::SetUp();
    if (IsSkipped()) return;
    Exec("insert into product(pcode,pname,gpcode) values('P01','Rice',1)");
    Exec("insert into productbatch(batchid,pcode,batchname) values(6,'P00','Old')");
    // A sales receipt: the next receipt code is 41.
    Exec(
        "insert into transactionreceipts(rcptcode,vno,rcpttype,dcode,amt) values(40,'7','SL',1,9)");
  }
  bool Import(const std::string& workbook, MapTable map = kStockMap) {
    return ImportWorkbook(&DependProcesser::ImportBatch, workbook, std::move(map));
  }
  bool ImportCsv(const std::string& csv, MapTable map = kStockMap) {
    return Import(dir_.Write("batches.csv", csv), std::move(map));
  }
  std::string Day() const {
    return multi_user() ? FormatDate(Today(), "yyyymmdd") : DateText(Today());
  }
  std::string Log() const { return ReadFile(dir_.File("ProductBatch.log")); }
  bool Logged(const std::string& name, const std::string& status, const std::string& reason) const {
    return Log().find(LayoutLogLine(name, status, reason)) != std::string::npos;
  }
  // An opening stock receipt of an earlier import, with one line.
  void OldReceipt() const {
    Exec(
        "insert into transactionreceipts(rcptcode,vno,rcpttype,dcode,amt) "
        "values(30,'1','OS',1,50)");
    Exec("insert into receiptdetails(rcptcode,slno,PCode,qty,Rate) values(30,1,'P01',5,10)");
  }
  std::vector<std::string> Receipts() const {
    return Rows("SELECT rcptcode, rcpttype, amt FROM transactionreceipts ORDER BY rcptcode");
  }
};

TEST_P(BatchImport, RowBecomesBatchInventoryAndReceiptLineUnderAReceiptCodeOfItsOwn) {
  // A code left by an earlier import in this process collides with a stored receipt.
  Counters().next_receipt_code = 40;
  const auto voucher = Column("SELECT paramvalue FROM PARAMLIST WHERE paramname='JP'");
  EXPECT_FALSE(ImportCsv("Code,Batch,Qty\nP01,B-2007,40\n"));
  const std::string day = Day();
  EXPECT_EQ(
      rec_.StatementsStartingWith("insert into"),
      (std::vector<std::string>{
          Statement(
              "insert into productbatch([batchid],[pcode],[batchname])values(7,'P01','B-2007')"),
          "insert into inventory(dcode,invdate,pcode,batchid,os)values(1,'" + day + "','P01',7,40)",
          "insert into receiptdetails(rcptcode, slno, PCode, unitid, cf, batchid, qty, "
          "Rate)values(41,1,'P01',0,0,7,40,0)",
          "insert into transactionreceipts(rcptcode, vno, rcpttype, dcode, rcptdate, amt, "
          "chkdep)values(41,1,'OS',1,'" +
              day + "',0,1)"}));
  const std::string when =
      multi_user() ? "'" + DateText(Today()) + "'" : "#" + DateText(Today()) + "#";
  EXPECT_EQ(rec_.StatementsStartingWith("update inventory"),
            std::vector<std::string>{"update inventory set os=os-40 where dcode=1 and invdate=" +
                                     when + " and pcode='P01' and batchid=7"});
  EXPECT_EQ(Receipts(), (std::vector<std::string>{"40|SL|9", "41|OS|0"}));
  // No journal voucher number is used up.
  EXPECT_EQ(Column("SELECT paramvalue FROM PARAMLIST WHERE paramname='JP'"), voucher);
  EXPECT_EQ(Column("SELECT os FROM inventory WHERE batchid=7"), std::vector<std::string>{"40"});
  EXPECT_TRUE(Logged("B-2007", "success", "--------------"));
}

TEST_P(BatchImport, ProductIsNamedByCodeOrByName) {
  struct Case {
    MapTable map;
    std::string csv;
    std::vector<std::string> batches;
    std::string refused_reason;
  };
  const std::vector<Case> cases = {
      {{{}, {"Name", "pname"}, {"Batch", "batchname"}},
       // A refused row uses up no batch id.
       "Name,Batch\nBeans,B2\nrice,B1\n",
       {"insert into productbatch([batchid],[pcode],[batchname])values(7,'P01','B1')"},
       "pname not exists"},
      {{{}, {"Code", "pcode"}, {"Batch", "batchname"}},
       "Code,Batch\nP99,B2\np01,B1\n",
       {"insert into productbatch([batchid],[pcode],[batchname])values(7,'p01','B1')"},
       "pcode not exists"},
      {{{}, {"Batch", "batchname"}, {"Code", "description"}},
       "Batch,Code\nB1,P01\nB2,P01\n",
       {},
       " not exists"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.csv);
    rec_.statements.clear();
    Exec("delete from productbatch where batchid > 6");
    EXPECT_FALSE(ImportCsv(c.csv, c.map));
    std::vector<std::string> expected;
    for (const auto& b : c.batches) expected.push_back(Statement(b));
    EXPECT_EQ(rec_.StatementsStartingWith("insert into productbatch"), expected);
    EXPECT_TRUE(Logged("B2", "failed", c.refused_reason)) << Log();
    EXPECT_EQ(refused_, c.batches.empty() ? 2 : 1);
  }
}

TEST_P(BatchImport, DatesAreStoredAsDatesAndAnImpossibleOneRefusesTheRow) {
  EXPECT_FALSE(
      Import(std::string(VANTREL_TEST_DATA) + "/batch_dates.xls", {{},
                                                                   {"Code", "pcode"},
                                                                   {"Batch", "batchname"},
                                                                   {"Made", "manfdate"},
                                                                   {"Expires", "expdate"}}));
  const bool m = multi_user();
  EXPECT_EQ(
      rec_.StatementsStartingWith("insert into productbatch"),
      (std::vector<std::string>{
          Statement("insert into productbatch([batchid],[pcode],[batchname],[manfdate],[expdate])"
                    "values(7,'P01','B-A','" +
                    std::string(m ? "20240315','20250314" : "2024-03-15','2025-03-14") + "')"),
          // The empty closing date adds no column.
          Statement("insert into productbatch([batchid],[pcode],[batchname],[manfdate])values(8,'"
                    "P01','B-B','" +
                    std::string(m ? "20240315" : "2024-03-15") + "')")}));
  EXPECT_EQ(Rows("SELECT batchid, manfdate, expdate FROM productbatch WHERE batchid > 6 ORDER BY "
                 "batchid"),
            (std::vector<std::string>{"7|2024-03-15|2025-03-14", "8|2024-03-15|NULL"}));
  EXPECT_TRUE(Logged("B-C", "failed", "invalid date format"));
}

TEST_P(BatchImport, UnitRowFollowsItsFactorAndAddsNoBatchColumn) {
  struct Case {
    std::string unit, factor;
    std::vector<std::string> units;
    std::string line;  // values of the receipt line
  };
  const std::vector<Case> cases = {
      {"Box", "12", {"P01|0|Nos|1", "P01|1|Box|12"}, "(41,1,'P01',1,12,7,3,2.5)"},
      {"Box", "0", {"P01|0|Nos|1"}, "(41,1,'P01',1,0,7,3,2.5)"},
      {"Box", "-2", {"P01|0|Nos|1"}, "(41,1,'P01',1,-2,7,3,2.5)"},
      {"", "12", {"P01|0|Nos|1", "P01|1|Box|6"}, "(41,1,'P01',0,12,7,3,2.5)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.unit + " " + c.factor);
    rec_.statements.clear();
    for (const char* t : {"productunits", "receiptdetails", "inventory"})
      Exec(std::string("delete from ") + t);
    Exec("delete from productbatch where batchid > 6");
    Exec("delete from transactionreceipts where rcpttype='OS'");
    Exec("insert into productunits(pcode,unitid,unit,cf) values('P01',0,'Nos',1)");
    Exec("insert into productunits(pcode,unitid,unit,cf) values('P01',1,'Box',6)");
    EXPECT_FALSE(
        ImportCsv("Code,Batch,Unit,F,Qty,Rate\nP01,B1," + c.unit + "," + c.factor + ",3,2.5\n",
                  {{},
                   {"Code", "pcode"},
                   {"Batch", "batchname"},
                   {"Unit", "unit"},
                   {"F", "cf"},
                   {"Qty", "openingstock"},
                   {"Rate", "purrate"}}));
    EXPECT_EQ(rec_.StatementsStartingWith("insert into productbatch"),
              std::vector<std::string>{Statement(
                  "insert into productbatch([batchid],[pcode],[batchname])values(7,'P01','B1')")});
    EXPECT_EQ(Rows("SELECT pcode, unitid, unit, cf FROM productunits ORDER BY unitid"), c.units);
    EXPECT_EQ(rec_.StatementsStartingWith("insert into receiptdetails"),
              std::vector<std::string>{"insert into receiptdetails(rcptcode, slno, PCode, unitid, "
                                       "cf, batchid, qty, Rate)values" +
                                       c.line});
    EXPECT_EQ(Column("SELECT amt FROM transactionreceipts WHERE rcpttype='OS'"),
              std::vector<std::string>{"7.5"});
  }
}

TEST_P(BatchImport, OldReceiptGoesOnlyWhenARowBooksStock) {
  struct Case {
    std::string csv;
    MapTable map;
    std::vector<std::string> receipts;  // the old receipt 30 keeps its line in both
  };
  const std::vector<Case> cases = {
      // No "openingstock" entry: no receipt, no inventory.
      {"Code,Batch\nP01,B1\n",
       {{}, {"Code", "pcode"}, {"Batch", "batchname"}},
       {"30|OS|50", "40|SL|9"}},
      // Stock mapped, but no row written: the old receipt stays, an empty one is added.
      {"Code,Batch,Qty\nP99,B1,5\n", kStockMap, {"30|OS|50", "40|SL|9", "41|OS|0"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.csv);
    Exec("delete from transactionreceipts where rcpttype='OS'");
    Exec("delete from receiptdetails");
    OldReceipt();
    EXPECT_FALSE(ImportCsv(c.csv, c.map));
    EXPECT_EQ(Receipts(), c.receipts);
    EXPECT_EQ(Column("SELECT rcptcode FROM receiptdetails"), std::vector<std::string>{"30"});
    EXPECT_EQ(Column("SELECT COUNT(*) FROM inventory"), std::vector<std::string>{"0"});
  }
}

TEST_P(BatchImport, SecondRunReplacesTheBatchesAndTheReceiptOfTheFirst) {
  OldReceipt();
  // A second old receipt: its lines go with it.
  Exec("insert into transactionreceipts(rcptcode,vno,rcpttype,dcode,amt) values(31,'1','OS',1,8)");
  Exec("insert into receiptdetails(rcptcode,slno,PCode,qty,Rate) values(31,1,'P01',4,2)");
  const std::string csv = "Code,Batch,Qty,Rate\nP01,B1,5,2\nP01,B2,6,1\n";
  const MapTable map = {
      {}, {"Code", "pcode"}, {"Batch", "batchname"}, {"Qty", "openingstock"}, {"Rate", "purrate"}};
  EXPECT_FALSE(ImportCsv(csv, map));
  EXPECT_EQ(Receipts(), (std::vector<std::string>{"40|SL|9", "41|OS|16"}));
  EXPECT_EQ(Column("SELECT DISTINCT rcptcode FROM receiptdetails"), std::vector<std::string>{"41"});
  EXPECT_FALSE(ImportCsv(csv, map));
  EXPECT_EQ(Rows("SELECT batchid, batchname FROM productbatch WHERE pcode='P01' ORDER BY batchid"),
            (std::vector<std::string>{"9|B1", "10|B2"}));
  EXPECT_EQ(Receipts(), (std::vector<std::string>{"40|SL|9", "42|OS|16"}));
  EXPECT_EQ(Rows("SELECT rcptcode, slno, batchid, qty FROM receiptdetails ORDER BY slno"),
            (std::vector<std::string>{"42|1|9|5", "42|2|10|6"}));
  EXPECT_EQ(Rows("SELECT batchid, os FROM inventory ORDER BY batchid"),
            (std::vector<std::string>{"9|5", "10|6"}));
}

TEST_P(BatchImport, BatchIdPastTheLimitEndsWithOverflowAndStockIsUndoneWhole) {
  struct Case {
    bool stock;
    std::vector<std::string> batches;
  };
  for (const Case& c : {Case{false, {"32767|B1"}}, Case{true, {}}}) {
    SCOPED_TRACE(c.stock);
    rec_.messages.clear();
    Exec("delete from transactionreceipts where rcpttype='OS'");
    Exec("delete from receiptdetails");
    Exec("delete from productbatch where batchid > 6");
    OldReceipt();
    Exec("insert into productbatch(batchid,pcode,batchname) values(32766,'P00','High')");
    MapTable map = kStockMap;
    if (!c.stock) map.pop_back();
    EXPECT_TRUE(ImportCsv("Code,Batch,Qty\nP01,B1,5\nP01,B2,6\n", map));
    EXPECT_EQ(Rows("SELECT batchid, batchname FROM productbatch WHERE pcode='P01'"), c.batches);
    ASSERT_EQ(rec_.messages.size(), 1u);
    const std::string& text = rec_.messages[0].text;
    EXPECT_EQ(text.rfind("Overflow", 0), 0u) << text;
    const std::string note = " Nothing of this import was written.";
    EXPECT_EQ(text.size() > note.size() &&
                  text.compare(text.size() - note.size(), note.size(), note) == 0,
              c.stock)
        << text;
    // The earlier opening stock is as it was.
    EXPECT_EQ(Receipts(), (std::vector<std::string>{"30|OS|50", "40|SL|9"}));
    EXPECT_EQ(Column("SELECT rcptcode FROM receiptdetails"), std::vector<std::string>{"30"});
    EXPECT_EQ(Column("SELECT COUNT(*) FROM inventory"), std::vector<std::string>{"0"});
    EXPECT_EQ(imported_, c.stock ? 0 : 1);
    EXPECT_EQ(Log().find("rolled back") != std::string::npos, c.stock);
  }
}

VANTREL_BOTH_TARGETS(BatchImport);

}  // namespace
}  // namespace vantrel
