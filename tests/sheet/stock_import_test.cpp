#include <gtest/gtest.h>

#include "frame/connections.h"
#include "frame/counters.h"
#include "frame/import_frame.h"
#include "frame/import_log.h"
#include "frame/processer_state.h"
#include "platform/variant/convert.h"
#include "sheet/allocators.h"
#include "sheet/run_sheet_import.h"
#include "support/company_fixture.h"
#include "vantrel/DependProcesser.h"

namespace vantrel {
namespace {

const MapTable kStockMap = Map("Code=pcode,Batch=batchname,Qty=openingstock");
const MapTable kUnitMap = Map("Code=pcode,Unit=unit,Qty=openingstock,Rate=purrate");
const MapTable kBatchUnitMap =
    Map("Code=pcode,Batch=batchname,Unit=unit,F=cf,Qty=openingstock,Rate=purrate");
const std::string kDates = std::string(VANTREL_TEST_DATA) + "/batch_dates.xls";

const std::string kLine =
    "insert into receiptdetails(rcptcode, slno, PCode, unitid, cf, batchid, qty, Rate)values";

class StockImport : public CompanyTest {
 protected:
  void SetUp() override {
    CompanyTest::SetUp();
    if (IsSkipped()) return;
    for (const char* p : {"P01", "P02", "P03"})
      Exec(std::string("insert into product(pcode,pname,gpcode) values('") + p + "','" +
           (p[2] == '1' ? "Rice" : p) + "',1)");
    Exec("insert into productunits(pcode,unitid,unit,cf) values('P01',2,'BOX',12)");
    Exec("insert into productbatch(batchid,pcode,batchname) values(6,'P00','Old')");
    // A sales receipt: the next receipt code is 41.
    Exec(
        "insert into transactionreceipts(rcptcode,vno,rcpttype,dcode,amt) values(40,'7','SL',1,9)");
  }
  bool Batch(const std::string& csv, MapTable map = kStockMap) {
    return ImportWorkbook(&DependProcesser::ImportBatch, dir_.Write("batches.csv", csv),
                          std::move(map));
  }
  // The opening stock worker alone, as ImportOS runs it after the product import.
  bool Stock(const std::string& workbook, MapTable map = kUnitMap) {
    ProcesserState s;
    s.target_type = GetParam();
    s.target_database = database_;
    if (multi_user()) s.server = TestMariadbServer();
    s.source_type = srcEXCEL;
    s.source_file = workbook;
    s.map_info = std::move(map);
    bool err = false;
    RunImportFrame(s, err, Voice("", msgstyle::kOkOnly), [&] {
      OpenTargetConnection(s);
      AllocateBatchId(s);
      AllocateReceiptAndVoucher(s);
      OpenWorkbook(s, false);
      s.log.Open(logfile::kOpeningStock, "Batch");
      RunSheetImport(s, "osbatch");
      s.log.Close();
      return Outcome::kDone;
    });
    imported_ = s.rows_imported;
    return s.error_flag;
  }
  bool StockCsv(const std::string& csv, MapTable map = kUnitMap) {
    return Stock(dir_.Write("stock.csv", csv), std::move(map));
  }
  std::string Receipt(const std::string& code, const std::string& amount) const {
    return "insert into transactionreceipts(rcptcode, vno, rcpttype, dcode, rcptdate, amt, chkdep)"
           "values(" +
           code + ",1,'OS',1,'" + DayText() + "'," + amount + ",1)";
  }
  // An opening stock receipt of an earlier import, with one line and its inventory; no new batch.
  void OldReceipt() const {
    for (const char* t : {"receiptdetails", "inventory"}) Exec(std::string("delete from ") + t);
    Exec("delete from productbatch where batchid > 6");
    Exec("delete from transactionreceipts where rcpttype='OS'");
    Exec(
        "insert into transactionreceipts(rcptcode,vno,rcpttype,dcode,amt) "
        "values(30,'1','OS',1,50)");
    Exec(
        "insert into receiptdetails(rcptcode,slno,PCode,unitid,cf,batchid,qty,Rate) "
        "values(30,1,'P01',0,1,0,5,10)");
    Exec("insert into inventory(dcode,invdate,pcode,batchid,os) values(1,'2020-01-01','P01',0,5)");
  }
  Strings Receipts() const {
    return Rows("SELECT rcptcode, rcpttype, amt FROM transactionreceipts ORDER BY rcptcode");
  }
  std::string Batches() const { return Log("ProductBatch.log"); }
  std::string Stocks() const { return Log("OpeningStock.log"); }
};

TEST_P(StockImport, BatchRowBecomesBatchInventoryAndReceiptLineUnderAReceiptCodeOfItsOwn) {
  // A code left by an earlier import in this process collides with a stored receipt.
  Counters().next_receipt_code = 40;
  const std::string voucher = One("SELECT paramvalue FROM PARAMLIST WHERE paramname='JP'");
  EXPECT_FALSE(Batch("Code,Batch,Qty\nP01,B-2007,40\n"));
  EXPECT_EQ(rec_.StatementsStartingWith("insert into"),
            (Strings{Statement("insert into productbatch([batchid],[pcode],[batchname])values(7,"
                               "'P01','B-2007')"),
                     "insert into inventory(dcode,invdate,pcode,batchid,os)values(1,'" + DayText() +
                         "','P01',7,40)",
                     kLine + "(41,1,'P01',0,1,7,40,0)", Receipt("41", "0")}));
  EXPECT_EQ(rec_.StatementsStartingWith("delete from inventory"),
            Strings{"delete from inventory where dcode=1 and pcode='P01' and batchid=7"});
  EXPECT_EQ(Receipts(), (Strings{"40|SL|9", "41|OS|0"}));
  // No journal voucher number is used up.
  EXPECT_EQ(One("SELECT paramvalue FROM PARAMLIST WHERE paramname='JP'"), voucher);
  EXPECT_EQ(One("SELECT os FROM inventory WHERE batchid=7"), "40");
  EXPECT_TRUE(Holds(Batches(), LayoutLogLine("B-2007", "success", "--------------")));

  // A description is cut to its column's 50 characters on both targets.
  EXPECT_FALSE(Batch("Code,Batch,Desc\nP01,B-2008," + std::string(80, 'd') + "\n",
                     Map("Code=pcode,Batch=batchname,Desc=description")));
  EXPECT_EQ(One("SELECT description FROM productbatch WHERE batchname='B-2008'"),
            std::string(50, 'd'));
}

TEST_P(StockImport, BatchProductIsNamedByCodeOrByName) {
  const struct {
    MapTable map;
    std::string csv;
    Strings batches;
    std::string refused_reason;
  } cases[] = {
      // A refused row uses up no batch id.
      {Map("Name=pname,Batch=batchname"),
       "Name,Batch\nBeans,B2\nrice,B1\n",
       {"7|P01|B1"},
       "pname not exists"},
      {Map("Code=pcode,Batch=batchname"),
       "Code,Batch\nP99,B2\np01,B1\n",
       {"7|P01|B1"},
       "pcode not exists"},
      {Map("Batch=batchname,Code=description"), "Batch,Code\nB1,P01\nB2,P01\n", {}, " not exists"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.csv);
    Exec("delete from productbatch where batchid > 6");
    EXPECT_FALSE(Batch(c.csv, c.map));
    EXPECT_EQ(Rows("SELECT batchid, pcode, batchname FROM productbatch WHERE batchid > 6"),
              c.batches);
    EXPECT_TRUE(Holds(Batches(), LayoutLogLine("B2", "failed", c.refused_reason)));
    EXPECT_EQ(refused_, c.batches.empty() ? 2 : 1);
  }
}

TEST_P(StockImport, BatchDatesAreStoredAsDatesAndAnImpossibleOneRefusesTheRow) {
  EXPECT_FALSE(ImportWorkbook(&DependProcesser::ImportBatch, kDates,
                              Map("Code=pcode,Batch=batchname,Made=manfdate,Expires=expdate")));
  // Row B-B has no closing date.
  EXPECT_EQ(Rows("SELECT batchid, manfdate, expdate FROM productbatch WHERE batchid > 6 ORDER BY "
                 "batchid"),
            (Strings{"7|2024-03-15|2025-03-14", "8|2024-03-15|NULL"}));
  EXPECT_TRUE(Holds(Batches(), LayoutLogLine("B-C", "failed", "invalid date format")));
}

// A unit the product has keeps its slot and takes the row's factor; the base
// unit keeps factor 1; a factor that is no positive number changes nothing.
TEST_P(StockImport, BatchUnitKeepsItsSlotAndAFactorThatIsNoPositiveNumberRefusesTheRow) {
  const Strings stored = {"P01|0|Nos|1", "P01|1|Box|6"};
  const struct {
    std::string unit, factor;
    Strings units;
    std::string line;  // values of the receipt line; "" when the row is refused
  } cases[] = {
      {"box", "12", {"P01|0|Nos|1", "P01|1|box|12"}, "(41,1,'P01',1,12,7,3,2.5)"},
      {"Nos", "1", stored, "(41,1,'P01',0,1,7,3,2.5)"},
      {"Crate",
       "24",
       {"P01|0|Nos|1", "P01|1|Box|6", "P01|2|Crate|24"},
       "(41,1,'P01',2,24,7,3,2.5)"},
      {"", "12", stored, "(41,1,'P01',0,1,7,3,2.5)"},
      {"Box", "0", stored, ""},
      {"Box", "-2", stored, ""},
      {"Box", "", stored, ""},
      {"Box", "many", stored, ""},
      {"Nos", "12", stored, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.unit + " " + c.factor);
    rec_.statements.clear();
    OldReceipt();
    Exec("delete from productunits");
    Exec("insert into productunits(pcode,unitid,unit,cf) values('P01',0,'Nos',1)");
    Exec("insert into productunits(pcode,unitid,unit,cf) values('P01',1,'Box',6)");
    EXPECT_FALSE(Batch("Code,Batch,Unit,F,Qty,Rate\nP01,B1," + c.unit + "," + c.factor + ",3,2.5\n",
                       kBatchUnitMap));
    EXPECT_EQ(Rows("SELECT pcode, unitid, unit, cf FROM productunits ORDER BY unitid"), c.units);
    EXPECT_EQ(rec_.StatementsStartingWith("insert into receiptdetails"),
              c.line.empty() ? Strings{} : Strings{kLine + c.line});
    EXPECT_EQ(rec_.StatementsStartingWith("insert into productbatch"),
              c.line.empty() ? Strings{}
                             : Strings{Statement("insert into productbatch([batchid],[pcode],["
                                                 "batchname])values(7,'P01','B1')")});
    EXPECT_EQ(refused_, c.line.empty() ? 1 : 0);
  }
}

TEST_P(StockImport, FirstUnitOfAProductWithoutUnitsIsUnitOneAndTheNextUnitTwo) {
  EXPECT_FALSE(
      Batch("Code,Batch,Unit,F,Qty,Rate\nP02,B1,Box,12,3,2.5\nP02,B2,Pack,6,1,1\n", kBatchUnitMap));
  EXPECT_EQ(Rows("SELECT pcode, unitid, unit, cf FROM productunits WHERE pcode='P02' ORDER BY "
                 "unitid"),
            (Strings{"P02|1|Box|12", "P02|2|Pack|6"}));
  EXPECT_EQ(Rows("SELECT slno, unitid, cf FROM receiptdetails ORDER BY slno"),
            (Strings{"1|1|12", "2|2|6"}));
}

TEST_P(StockImport, OldReceiptStaysWhenNoRowBooksStockAndNoEmptyReceiptIsWritten) {
  const MapTable no_stock = Map("Code=pcode,Batch=batchname");
  for (const bool batch : {true, false}) {
    SCOPED_TRACE(batch ? "batch import" : "opening stock");
    // No "openingstock" entry: no receipt, no inventory; only batches are written.
    OldReceipt();
    EXPECT_FALSE(batch ? Batch("Code,Batch\nP01,B1\nP99,B2\n", no_stock)
                       : StockCsv("Code,Batch\nP01,B1\nP99,B2\n", no_stock));
    EXPECT_EQ(Rows("SELECT batchid, pcode, batchname FROM productbatch WHERE batchid > 6"),
              Strings{"7|P01|B1"});
    EXPECT_TRUE(
        Holds(batch ? Batches() : Stocks(), LayoutLogLine("B2", "failed", "pcode not exists")));
    EXPECT_EQ(Receipts(), (Strings{"30|OS|50", "40|SL|9"}));
    EXPECT_EQ(One("SELECT rcptcode FROM receiptdetails"), "30");
    EXPECT_EQ(One("SELECT os FROM inventory"), "5");
  }
  // Stock mapped, but no row written: the old receipt stays, none is added.
  OldReceipt();
  EXPECT_FALSE(Batch("Code,Batch,Qty\nP99,B1,5\n"));
  EXPECT_EQ(Receipts(), (Strings{"30|OS|50", "40|SL|9"}));
  EXPECT_EQ(One("SELECT rcptcode FROM receiptdetails"), "30");
}

TEST_P(StockImport, BatchIdPastTheLimitEndsWithOverflowAndStockIsUndoneWhole) {
  const struct {
    bool batch, stock;
    Strings batches;
    std::string note;
  } cases[] = {
      {true, false, {"32767|B1"}, ""},
      {true, true, {}, " Nothing of this import was written."},
      {false, true, {}, " No batch, inventory or receipt of this import was written."},
  };
  const auto booked = [&] {
    return Rows(
        "SELECT rcptcode, rcpttype, amt FROM transactionreceipts UNION ALL SELECT rcptcode, "
        "pcode, qty FROM receiptdetails UNION ALL SELECT 0, pcode, os FROM inventory");
  };
  const MapTable map = Map("Code=pcode,Batch=batchname,Unit=unit,Qty=openingstock,Rate=purrate");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.note);
    OldReceipt();
    // The opening stock of an earlier import, to be left as it is.
    if (!c.batch) {
      EXPECT_FALSE(StockCsv("Code,Unit,Qty,Rate\nP01,BOX,3,25.5\n"));
    }
    const Strings before = booked();
    rec_.messages.clear();
    Exec("insert into productbatch(batchid,pcode,batchname) values(32766,'P00','High')");
    const std::string csv = "Code,Batch,Unit,Qty,Rate\nP02,B1,,5,1\nP02,B2,,6,1\n";
    EXPECT_TRUE(c.batch ? Batch(csv, c.stock ? map : MapTable(map.begin(), map.begin() + 3))
                        : StockCsv(csv, map));
    EXPECT_EQ(Rows("SELECT batchid, batchname FROM productbatch WHERE pcode='P02'"), c.batches);
    ASSERT_EQ(rec_.messages.size(), 1u);
    EXPECT_EQ(rec_.messages[0].text.rfind("Overflow", 0), 0u) << rec_.messages[0].text;
    EXPECT_TRUE(Holds(rec_.messages[0].text, c.note));
    EXPECT_EQ(booked(), before);
    EXPECT_EQ(imported_, c.stock ? 0 : 1);
    EXPECT_EQ(Holds(c.batch ? Batches() : Stocks(), "rolled back"), c.stock);
  }
}

TEST_P(StockImport, StockIsBookedInBaseUnitsAndASecondRunReplacesTheReceipt) {
  EXPECT_FALSE(StockCsv("Code,Unit,Qty,Rate\nP01,BOX,3,25.5\n"));
  EXPECT_EQ(rec_.StatementsStartingWith("insert into"),
            (Strings{"insert into inventory(dcode,invdate,pcode,batchid,os)values(1,'" + DayText() +
                         "','P01',0,36)",
                     kLine + "(41,1,'P01',2,12,0,3,25.5)", Receipt("41", "76.5")}));
  // The same import again the same day: the receipt is replaced, the stock stays 36.
  EXPECT_FALSE(StockCsv("Code,Unit,Qty,Rate\nP01,BOX,3,25.5\n"));
  EXPECT_EQ(One("SELECT SUM(os) FROM inventory WHERE pcode='P01'"), "36");
  EXPECT_EQ(Receipts(), (Strings{"40|SL|9", "42|OS|76.5"}));
  EXPECT_EQ(Rows("SELECT rcptcode, slno, qty FROM receiptdetails"), Strings{"42|1|3"});

  // A unit the product lacks refuses the row; an empty unit cell is the base unit.
  rec_.statements.clear();
  EXPECT_FALSE(StockCsv("Code,Unit,Qty,Rate\nP02,BOX,4,1\nP03,,5,1\n"));
  EXPECT_EQ(rec_.StatementsStartingWith("insert into receiptdetails"),
            Strings{kLine + "(43,1,'P03',0,1,0,5,1)"});
  EXPECT_EQ(Rows("SELECT pcode, os FROM inventory WHERE pcode <> 'P01' ORDER BY pcode"),
            Strings{"P03|5"});
  EXPECT_TRUE(Holds(Stocks(), LayoutLogLine("P02", "failed", "Unit Doesnt exists") +
                                  LayoutLogLine("P03", "success", "--------------")));
  EXPECT_EQ(imported_, 1);

  // Quantities and rates as accountants write them; a cell with no number refuses its row.
  EXPECT_FALSE(StockCsv("Code,Unit,Qty,Rate\nP03,,\"1,500\",\"1,250.50\"\nP02,,ten,1\n"));
  EXPECT_EQ(Rows("SELECT pcode, os FROM inventory WHERE pcode <> 'P01' ORDER BY pcode"),
            Strings{"P03|1500"});
  EXPECT_EQ(Rows("SELECT pcode, qty, rate FROM receiptdetails WHERE pcode <> 'P01'"),
            Strings{"P03|1500|1250.5"});
  EXPECT_TRUE(Holds(Stocks(), LayoutLogLine("P02", "failed", "not a number")));
}

TEST_P(StockImport, StockRowWhoseDateIsMissingOrNoDateIsRefusedWhole) {
  // The dates stand before the code and the quantity, which are still read.
  EXPECT_FALSE(Stock(
      kDates, Map("Batch=batchname,Expires=expdate,Made=manfdate,Code=pcode,Qty=openingstock")));
  EXPECT_EQ(Rows("SELECT batchid, batchname, manfdate, expdate, pcode FROM productbatch WHERE "
                 "batchid > 6"),
            Strings{"7|B-A|2024-03-15|2025-03-14|P01"});
  EXPECT_EQ(Rows("SELECT batchid, os FROM inventory ORDER BY batchid"), Strings{"7|5"});
  EXPECT_EQ(One("SELECT COUNT(*) FROM receiptdetails"), "1");
  for (const char* batch : {"B-B", "B-C"})
    EXPECT_TRUE(Holds(Stocks(), LayoutLogLine(batch, "failed", "invalid date format")));
  EXPECT_EQ(imported_, 1);
}

// Needs the product import: it runs first over the same rows.
TEST_P(StockImport, ImportOSCreatesTheProductsThenBooksTheirStock) {
  EXPECT_FALSE(
      ImportWorkbook(&DependProcesser::ImportOS,
                     dir_.Write("os.csv",
                                "Code,Name,Base,Pack,Size,Unit,Qty,Rate\n"
                                "P05,Darjeeling Tea,Nos,Box,12,Box,3,25.5\n"),
                     Map("Code=pcode,Name=pname,Base=Base Unit,Pack=Addl. Unit1,Size=addl. unit1 "
                         "cf,Unit=unit,Qty=openingstock,Rate=purrate")));
  EXPECT_TRUE(rec_.messages.empty());
  EXPECT_EQ(One("SELECT pname FROM product WHERE pcode='P05'"), "Darjeeling Tea");
  EXPECT_EQ(rec_.StatementsStartingWith("insert into receiptdetails"),
            Strings{kLine + "(41,1,'P05',1,12,0,3,25.5)"});
  EXPECT_EQ(One("SELECT os FROM inventory WHERE pcode='P05'"), "36");
  // Without "batchname" the stock line is named by the product's code.
  const std::string log = Stocks();
  EXPECT_TRUE(Holds(log.substr(log.find("End of Log File")),
                    LayoutLogLine("P05", "success", "--------------")));
}

VANTREL_BOTH_TARGETS(StockImport);

}  // namespace
}  // namespace vantrel
