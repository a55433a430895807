#include <gtest/gtest.h>

#include <algorithm>

#include "dbhelpers/build_in_list.h"
#include "frame/connections.h"
#include "frame/import_log.h"
#include "frame/module_state.h"
#include "frame/processer_state.h"
#include "platform/dao/connection.h"
#include "platform/variant/convert.h"
#include "sheet/allocators.h"
#include "sheet/run_sheet_import.h"
#include "support/company_fixture.h"
#include "support/mariadb_server.h"
#include "vantrel/DependProcesser.h"

namespace vantrel {
namespace {

const MapTable kUnitMap = {
    {}, {"Code", "pcode"}, {"Unit", "unit"}, {"Qty", "openingstock"}, {"Rate", "purrate"}};

std::string Line(const std::string& values) {
  return "insert into receiptdetails(rcptcode, slno, PCode, unitid, cf, batchid, qty, Rate)values" +
         values;
}

class OpeningStockImport : public CompanyTest {
 protected:
  void SetUp() override {
    CompanyTest::SetUp();
    if (IsSkipped()) return;
    for (const char* p : {"P01", "P02", "P03"})
      Exec(std::string("insert into product(pcode,pname,gpcode) values('") + p + "','N" + p +
           "',1)");
    Exec("insert into productunits(pcode,unitid,unit,cf) values('P01',2,'BOX',12)");
    Exec("insert into productbatch(batchid,pcode,batchname) values(6,'P00','Old')");
    Exec(
        "insert into transactionreceipts(rcptcode,vno,rcpttype,dcode,amt) values(40,'7','SL',1,9)");
  }
  // The opening stock worker alone, as ImportOS runs it after the product import.
  bool Run(const std::string& workbook, MapTable map = kUnitMap) {
    ProcesserState s;
    s.target_type = GetParam();
    s.target_database = database_;
    if (multi_user()) s.server = TestMariadbServer();
    s.source_type = srcEXCEL;
    s.source_file = workbook;
    s.map_info = std::move(map);
    OpenTargetConnection(s);
    AllocateBatchId(s);
    AllocateReceiptAndVoucher(s);
    OpenWorkbook(s, false);
    s.log.Open(logfile::kOpeningStock, "Batch");
    std::string kind = "osbatch";
    RunSheetImport(s, kind);
    s.log.Close();
    imported_ = s.rows_imported;
    return s.error_flag;
  }
  bool RunCsv(const std::string& csv, MapTable map = kUnitMap) {
    return Run(dir_.Write("stock.csv", csv), std::move(map));
  }
  std::string Day() const {
    return multi_user() ? FormatDate(Today(), "yyyymmdd") : DateText(Today());
  }
  std::string Log() const { return ReadFile(dir_.File("OpeningStock.log")); }
  std::vector<std::string> Receipts() const {
    return Rows("SELECT rcptcode, rcpttype, amt FROM transactionreceipts ORDER BY rcptcode");
  }
  long imported_ = 0;
};

TEST_P(OpeningStockImport, QuantityIsBookedInBaseUnitsOnBothTargets) {
  EXPECT_FALSE(RunCsv("Code,Unit,Qty,Rate\nP01,BOX,3,25.5\n"));
  const std::string day = Day();
  EXPECT_EQ(
      rec_.StatementsStartingWith("insert into"),
      (std::vector<std::string>{
          "insert into inventory(dcode,invdate,pcode,batchid,os)values(1,'" + day + "','P01',0,36)",
          Line("(41,1,'P01',2,12,0,3,25.5)"),
          "insert into transactionreceipts(rcptcode, vno, rcpttype, dcode, rcptdate, amt, "
          "chkdep)values(41,1,'OS',1,'" +
              day + "',76.5,1)"}));
  EXPECT_EQ(rec_.StatementsStartingWith("update inventory set os=os-").size(), 1u);
  EXPECT_EQ(rec_.StatementsStartingWith("update inventory set os=os-36 ").size(), 1u);
  EXPECT_EQ(rec_.StatementsStartingWith("delete from receiptdetails"),
            std::vector<std::string>{
                multi_user() ? "delete from receiptdetails where rcptcode in (-1)"
                             : "delete from receiptdetails where rcptcode in (select rcptcode "
                               "from transactionreceipts where rcpttype = 'OS')"});
  // The same import again the same day: the receipt is replaced, the stock stays 36.
  rec_.statements.clear();
  EXPECT_FALSE(RunCsv("Code,Unit,Qty,Rate\nP01,BOX,3,25.5\n"));
  if (multi_user()) {
    EXPECT_EQ(rec_.StatementsStartingWith("delete from receiptdetails"),
              std::vector<std::string>{"delete from receiptdetails where rcptcode in (41)"});
  }
  EXPECT_EQ(Column("SELECT SUM(os) FROM inventory WHERE pcode='P01'"),
            std::vector<std::string>{"36"});
  EXPECT_EQ(Receipts(), (std::vector<std::string>{"40|SL|9", "42|OS|76.5"}));
  EXPECT_EQ(Rows("SELECT rcptcode, slno, qty FROM receiptdetails"),
            std::vector<std::string>{"42|1|3"});
}

TEST_P(OpeningStockImport, UnitNotStoredForTheProductBooksTheBareQuantity) {
  EXPECT_FALSE(RunCsv("Code,Unit,Qty,Rate\nP01,BOX,3,1\nP02,BOX,4,1\nP03,,5,1\n"));
  EXPECT_EQ(
      rec_.StatementsStartingWith("insert into receiptdetails"),
      (std::vector<std::string>{Line("(41,1,'P01',2,12,0,3,1)"), Line("(41,2,'P02',0,1,0,4,1)"),
                                Line("(41,3,'P03',0,1,0,5,1)")}));
  EXPECT_EQ(Rows("SELECT pcode, os FROM inventory ORDER BY pcode"),
            (std::vector<std::string>{"P01|36", "P02|4", "P03|5"}));
  const std::string log = Log();
  const std::string missing = LayoutLogLine("Unit", "failed", "Unit Doesnt exists");
  EXPECT_NE(log.find(missing + LayoutLogLine("", "success", "--------------")), std::string::npos)
      << log;
  EXPECT_EQ(imported_, 3);
}

TEST_P(OpeningStockImport, DateThatIsMissingOrNoDateDropsTheBatchAndTheRowStillBooksItsOwnStock) {
  // The dates stand before the code and the quantity, which are still read.
  EXPECT_FALSE(Run(std::string(VANTREL_TEST_DATA) + "/batch_dates.xls", {{},
                                                                         {"Batch", "batchname"},
                                                                         {"Expires", "expdate"},
                                                                         {"Made", "manfdate"},
                                                                         {"Code", "pcode"},
                                                                         {"Qty", "openingstock"}}));
  const bool m = multi_user();
  EXPECT_EQ(rec_.StatementsStartingWith("insert into productbatch"),
            std::vector<std::string>{
                m ? "insert into "
                    "productbatch(batchid,batchname,expdate,manfdate,pcode)values(7,'B-A','"
                    "20250314','20240315','P01')"
                  : "insert into "
                    "productbatch([batchid],[batchname],[expdate],[manfdate],[pcode])values(7,'B-"
                    "A','2025-03-14','2024-03-15','P01')"});
  EXPECT_EQ(Rows("SELECT batchid, os FROM inventory ORDER BY batchid"),
            (std::vector<std::string>{"7|5", "8|6", "9|7"}));
  const std::string log = Log();
  for (const char* batch : {"B-B", "B-C"})
    EXPECT_NE(log.find(LayoutLogLine(batch, "failed", "invalid date format") +
                       LayoutLogLine(batch, "success", "--------------")),
              std::string::npos)
        << log;
  EXPECT_EQ(imported_, 3);
}

TEST_P(OpeningStockImport, WithoutOpeningStockOnlyBatchesAreWritten) {
  Exec("insert into transactionreceipts(rcptcode,vno,rcpttype,dcode,amt) values(30,'1','OS',1,50)");
  Exec("insert into receiptdetails(rcptcode,slno,PCode,qty,Rate) values(30,1,'P01',5,10)");
  EXPECT_FALSE(
      RunCsv("Code,Batch\nP01,B1\nP99,B2\n", {{}, {"Code", "pcode"}, {"Batch", "batchname"}}));
  EXPECT_EQ(Rows("SELECT batchid, pcode, batchname FROM productbatch WHERE batchid > 6"),
            std::vector<std::string>{"7|P01|B1"});
  EXPECT_NE(Log().find(LayoutLogLine("B2", "failed", "pcode not exists")), std::string::npos);
  EXPECT_EQ(Receipts(), (std::vector<std::string>{"30|OS|50", "40|SL|9"}));
  EXPECT_EQ(Column("SELECT COUNT(*) FROM receiptdetails"), std::vector<std::string>{"1"});
  EXPECT_EQ(Column("SELECT COUNT(*) FROM inventory"), std::vector<std::string>{"0"});
}

TEST_P(OpeningStockImport, ErrorMidRunLeavesTheEarlierOpeningStockAsItWas) {
  EXPECT_FALSE(RunCsv("Code,Unit,Qty,Rate\nP01,BOX,3,25.5\n"));
  const auto receipts = Receipts();
  rec_.messages.clear();
  Exec("insert into productbatch(batchid,pcode,batchname) values(32766,'P00','High')");
  EXPECT_TRUE(
      RunCsv("Code,Batch,Unit,Qty,Rate\nP02,B1,,4,1\nP03,B2,,5,1\n", {{},
                                                                      {"Code", "pcode"},
                                                                      {"Batch", "batchname"},
                                                                      {"Unit", "unit"},
                                                                      {"Qty", "openingstock"},
                                                                      {"Rate", "purrate"}}));
  ASSERT_EQ(rec_.messages.size(), 1u);
  const std::string& text = rec_.messages[0].text;
  EXPECT_EQ(text.rfind("Overflow", 0), 0u) << text;
  const std::string note = " No batch, inventory or receipt of this import was written.";
  ASSERT_GT(text.size(), note.size());
  EXPECT_EQ(text.substr(text.size() - note.size()), note);
  EXPECT_EQ(Receipts(), receipts);
  EXPECT_EQ(Rows("SELECT rcptcode, pcode, qty FROM receiptdetails"),
            std::vector<std::string>{"41|P01|3"});
  EXPECT_EQ(Rows("SELECT pcode, os FROM inventory"), std::vector<std::string>{"P01|36"});
  EXPECT_EQ(Column("SELECT COUNT(*) FROM productbatch WHERE batchid=32767"),
            std::vector<std::string>{"0"});
  EXPECT_EQ(imported_, 0);
  EXPECT_NE(Log().find("rolled back"), std::string::npos);
}

// Needs the product import: it runs first over the same rows.
TEST_P(OpeningStockImport, ImportOSCreatesTheProductsThenBooksTheirStock) {
  DependProcesser p;
  Target(p);
  p.SetSourceType(srcEXCEL);
  p.SetSourceFile(dir_.Write("os.csv",
                             "Code,Name,Base,Pack,Size,Unit,Qty,Rate\n"
                             "P05,Darjeeling Tea,Nos,Box,12,Box,3,25.5\n"));
  p.SetMapInfo({{},
                {"Code", "pcode"},
                {"Name", "pname"},
                {"Base", "Base Unit"},
                {"Pack", "Addl. Unit1"},
                {"Size", "addl. unit1 cf"},
                {"Unit", "unit"},
                {"Qty", "openingstock"},
                {"Rate", "purrate"}});
  bool err = false;
  p.ImportOS(err);
  EXPECT_FALSE(err);
  EXPECT_TRUE(rec_.messages.empty());
  // The allocators run first, in this order.
  const auto& st = rec_.statements;
  const auto first = std::find_if(st.begin(), st.end(), [](const std::string& sql) {
    return sql.rfind("SELECT MAX(GPCODE)", 0) == 0;
  });
  ASSERT_LE(first + 4, st.end());
  EXPECT_NE(first[1].find("(PCODE"), std::string::npos) << first[1];
  EXPECT_EQ(first[2].rfind("SELECT MAX(BATCHID)", 0), 0u) << first[2];
  EXPECT_EQ(first[3].rfind("SELECT MAX(RCPTCODE)", 0), 0u) << first[3];
  EXPECT_EQ(Column("SELECT pname FROM product WHERE pcode='P05'"),
            std::vector<std::string>{"Darjeeling Tea"});
  EXPECT_EQ(rec_.StatementsStartingWith("insert into receiptdetails"),
            std::vector<std::string>{Line("(41,1,'P05',1,12,0,3,25.5)")});
  EXPECT_EQ(Column("SELECT os FROM inventory WHERE pcode='P05'"), std::vector<std::string>{"36"});
  const std::string log = Log();
  const size_t end = log.find("End of Log File");
  EXPECT_NE(end, std::string::npos) << log;
  // The stock line carries no name: no "batchname" is mapped.
  EXPECT_NE(log.find(LayoutLogLine("", "success", "--------------"), end), std::string::npos)
      << log;
}

VANTREL_BOTH_TARGETS(OpeningStockImport);

class BuildInListTest : public CompanyTest {
 protected:
  void SetUp() override {
    CompanyTest::SetUp();
    if (IsSkipped()) return;
    TargetConnection().Open(TargetConnectionString());
  }
  void TearDown() override {
    ReleaseTargetConnection();
    CompanyTest::TearDown();
  }
};

TEST_P(BuildInListTest, ListsTheFirstFieldOrAnElementThatMatchesNothing) {
  const std::string codes =
      "select rcptcode from transactionreceipts where rcpttype='OS' order by 1";
  const std::string types = "select rcpttype from transactionreceipts where rcptcode>0 order by 1";
  EXPECT_EQ(BuildInList(codes, false), "-1");
  EXPECT_EQ(BuildInList(types, true), "''");
  Exec("insert into transactionreceipts(rcptcode,rcpttype) values(9,'OS')");
  Exec("insert into transactionreceipts(rcptcode,rcpttype) values(5,'OS')");
  Exec("insert into transactionreceipts(rcptcode,rcpttype) values(7,' SL ')");
  EXPECT_EQ(BuildInList(codes, false), "5,9");
  EXPECT_EQ(BuildInList(types, true), "'SL','OS','OS'");
  EXPECT_EQ(BuildInList("select nothing from nowhere", false), "-1");
  EXPECT_TRUE(rec_.messages.empty());
}

VANTREL_BOTH_TARGETS(BuildInListTest);

}  // namespace
}  // namespace vantrel
