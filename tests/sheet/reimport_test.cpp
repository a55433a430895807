#include <gtest/gtest.h>

#include <map>

#include "frame/import_log.h"
#include "platform/variant/convert.h"
#include "support/company_fixture.h"
#include "vantrel/DependProcesser.h"

namespace vantrel {
namespace {

// Sequences of imports as users run them: import, correct the workbook,
// import again. After every step the company must hold together.
class Reimport : public CompanyTest {
 protected:
  void SetUp() override {
    CompanyTest::SetUp();
    if (IsSkipped()) return;
    Exec("insert into productgroup values(20,'Tea','',1,0)");
    // A receipt of another kind: imports leave it alone.
    Exec(
        "insert into transactionreceipts(rcptcode,vno,rcpttype,dcode,amt) values(40,'7','SL',1,9)");
  }
  bool Import(Method method, const std::string& csv, const std::string& map) {
    return ImportWorkbook(method, dir_.Write("book.csv", csv), Map(map));
  }
  bool Products(const std::string& csv, const std::string& map) {
    return Import(&DependProcesser::ImportProducts, csv, map);
  }
  bool Stock(const std::string& csv, const std::string& map) {
    return Import(&DependProcesser::ImportOS, csv, map);
  }
  bool Batches(const std::string& csv, const std::string& map) {
    return Import(&DependProcesser::ImportBatch, csv, map);
  }
  // "product|batch" -> quantity, keys in lower case.
  std::map<std::string, std::string> Sums(const std::string& sql) const {
    std::map<std::string, double> sums;
    for (const std::string& row : Rows(sql)) {
      const size_t last = row.rfind('|');
      sums[ToLower(row.substr(0, last))] += LeadingNumber(row.substr(last + 1));
    }
    std::map<std::string, std::string> out;
    for (const auto& [key, sum] : sums)
      if (sum != 0) out[key] = NumberText(sum);
    return out;
  }
  std::string StockOf(const std::string& product, int batch) const {
    return One("SELECT SUM(os) FROM inventory WHERE dcode=1 AND pcode='" + product +
               "' AND batchid=" + std::to_string(batch));
  }

  // What every import leaves, whatever came before it.
  void ExpectInvariants() const {
    // Every inventory row and receipt line points at a product and at one of its batches, or 0.
    EXPECT_EQ(
        Rows("SELECT pcode, batchid FROM inventory i WHERE NOT EXISTS (SELECT 1 FROM product "
             "p WHERE p.pcode=i.pcode) OR (i.batchid<>0 AND NOT EXISTS (SELECT 1 FROM "
             "productbatch b WHERE b.batchid=i.batchid AND b.pcode=i.pcode)) UNION ALL "
             "SELECT PCode, batchid FROM receiptdetails d WHERE NOT EXISTS (SELECT 1 FROM "
             "product p WHERE p.pcode=d.PCode) OR (d.batchid<>0 AND NOT EXISTS (SELECT 1 FROM "
             "productbatch b WHERE b.batchid=d.batchid AND b.pcode=d.PCode))"),
        Strings{});
    // Per product and batch, depot-1 inventory is the opening stock lines' quantity times factor.
    EXPECT_EQ(Sums("SELECT pcode, batchid, os FROM inventory WHERE dcode=1"),
              Sums("SELECT d.PCode, d.batchid, d.qty*d.cf FROM receiptdetails d, "
                   "transactionreceipts r WHERE r.rcptcode=d.rcptcode AND r.rcpttype='OS'"));
    // Every opening stock receipt has lines, and its amount is theirs.
    EXPECT_EQ(Rows("SELECT rcptcode, amt FROM transactionreceipts r WHERE rcpttype='OS' AND "
                   "COALESCE(ABS(amt - (SELECT SUM(qty*Rate) FROM receiptdetails d WHERE "
                   "d.rcptcode=r.rcptcode)), 1) > 0.001"),
              Strings{});
    // Sales and purchase units name units of the product; a product's base unit has factor 1.
    EXPECT_EQ(Rows("SELECT pcode, salesunit, purchaseunit FROM product p WHERE (salesunit IS NOT "
                   "NULL AND NOT EXISTS (SELECT 1 FROM productunits u WHERE u.pcode=p.pcode AND "
                   "u.unitid=p.salesunit)) OR (purchaseunit IS NOT NULL AND NOT EXISTS (SELECT 1 "
                   "FROM productunits u WHERE u.pcode=p.pcode AND u.unitid=p.purchaseunit)) UNION "
                   "ALL SELECT DISTINCT pcode, 0, 0 FROM productunits u WHERE NOT EXISTS (SELECT 1 "
                   "FROM productunits b WHERE b.pcode=u.pcode AND b.unitid=0 AND b.cf=1)"),
              Strings{});
  }
};

const std::string kProductMap =
    "Name=pname,Group=gpcode,Mrp=mrprate,Base=Base Unit,Pack=Addl. Unit1,Size=addl. unit1 "
    "cf,Sales=salesunit";
const std::string kStockMap = "Name=pname,Base=Base Unit,Unit=unit,Qty=openingstock,Rate=purrate";
const std::string kBatchMap =
    "Code=pcode,Batch=batchname,Desc=description,Unit=unit,F=cf,Qty=openingstock,Rate=purrate";

TEST_P(Reimport, ProductsThenOpeningStockCorrectedThenBatchesKeepCodesAndStockEqualsReceipts) {
  EXPECT_FALSE(
      Products("Name,Group,Mrp,Base,Pack,Size,Sales\nDarjeeling,Tea,50,Nos,Box,12,Box\n"
               "Rice,,30,Kg,Bag,25,Bag\n",
               kProductMap));
  const Strings products = {"1|Darjeeling|20|50|1", "2|Rice|1|30|1"};
  const std::string product_sql =
      "SELECT pcode, pname, gpcode, mrprate, salesunit FROM product ORDER BY pcode";
  EXPECT_EQ(Rows(product_sql), products);
  ExpectInvariants();

  // The stock workbook names neither codes nor prices: the products keep both. Rice's two
  // rows add up.
  EXPECT_FALSE(
      Stock("Name,Base,Unit,Qty,Rate\nDarjeeling,Nos,Box,10,100\nRice,Kg,Bag,2,500\n"
            "Rice,Kg,,10,20\n",
            kStockMap));
  EXPECT_EQ(Rows(product_sql), products);
  EXPECT_EQ(StockOf("1", 0), "120");
  EXPECT_EQ(StockOf("2", 0), "60");
  EXPECT_EQ(imported_, 3);
  ExpectInvariants();

  // Darjeeling recounted: its stock is replaced; Rice keeps its stock and its receipt lines.
  EXPECT_FALSE(Stock("Name,Base,Unit,Qty,Rate\nDarjeeling,Nos,Box,4,100\n", kStockMap));
  EXPECT_EQ(StockOf("1", 0), "48");
  EXPECT_EQ(StockOf("2", 0), "60");
  EXPECT_EQ(Rows("SELECT rcptcode, rcpttype, amt FROM transactionreceipts ORDER BY rcptcode"),
            (Strings{"40|SL|9", "41|OS|1200", "42|OS|400"}));
  ExpectInvariants();

  // Batches of Darjeeling: one batch for names equal but for letter case, with the first
  // row's description, in base units.
  EXPECT_FALSE(
      Batches("Code,Batch,Desc,Unit,F,Qty,Rate\n1,First Flush,Early,Box,12,3,90\n"
              "1,first flush,Late,,,6,10\n",
              kBatchMap));
  EXPECT_EQ(StockOf("1", 1), "42");
  EXPECT_EQ(One("SELECT description FROM productbatch"), "Early");
  ExpectInvariants();
  // Recounted: the batch keeps its id and takes the row's description; the product's stock
  // outside batches stays. A batch without a name is refused.
  EXPECT_FALSE(
      Batches("Code,Batch,Desc,Unit,F,Qty,Rate\n1,FIRST FLUSH,Recounted,Box,12,1,90\n"
              "1, ,,Box,12,1,90\n",
              kBatchMap));
  EXPECT_EQ(refused_, 1);
  EXPECT_EQ(Rows("SELECT batchid, pcode, batchname, description FROM productbatch"),
            Strings{"1|1|First Flush|Recounted"});
  EXPECT_EQ(StockOf("1", 1), "12");
  EXPECT_EQ(StockOf("1", 0), "48");
  EXPECT_EQ(Rows(product_sql), products);
  ExpectInvariants();
}

TEST_P(Reimport, ARefusedRowBooksNothingAndEachRowIsCountedOnce) {
  const std::string map =
      "Code=pcode,Name=pname,Base=Base Unit,Sales=salesunit,Unit=unit,Qty=openingstock";
  EXPECT_FALSE(
      Stock("Code,Name,Base,Sales,Unit,Qty\nP1,Tea,Nos,Crate,,5\nP2,,Nos,,,5\n"
            "P3,Salt,Nos,,Pallet,5\nP4,Sugar,Kg,,,7\n",
            map));
  EXPECT_EQ(Rows("SELECT pcode FROM product ORDER BY pcode"), (Strings{"P3", "P4"}));
  EXPECT_EQ(Rows("SELECT pcode, os FROM inventory"), Strings{"P4|7"});
  EXPECT_EQ(imported_, 1);
  EXPECT_EQ(sheet_rejects_,
            (Strings{"2|P1|Sales|Crate|product not written: unit Crate not exists",
                     "3|P2|Name||product not written: product name is empty (worksheet row 3)",
                     "4|P3|Unit|Pallet|Unit Doesnt exists"}));
  ExpectInvariants();

  // Without "pname" no product or group changes; a code no product has is refused.
  const std::string masters =
      "SELECT pcode, pname, gpcode FROM product UNION ALL SELECT gpname, gpcode, gpunder FROM "
      "productgroup ORDER BY 1";
  const Strings products = Rows(masters);
  EXPECT_FALSE(
      Stock("Code,Group,Qty\nP4,Spices,3\nP9,,1\n", "Code=pcode,Group=gpcode,Qty=openingstock"));
  EXPECT_EQ(Rows(masters), products);
  EXPECT_EQ(Rows("SELECT pcode, os FROM inventory"), Strings{"P4|3"});
  EXPECT_EQ(sheet_rejects_, Strings{"3|P9|Code|P9|pcode not exists"});
  ExpectInvariants();

  // A batch refused for its date books nothing and uses up no batch id; a name with a line
  // break is logged on one line.
  const std::string batch_map = "Code=pcode,Batch=batchname,Made=manfdate,Qty=openingstock";
  EXPECT_FALSE(Stock("Code,Batch,Made,Qty\nP4,B1,soon,5\nP4,,2024-03-15,5\n", batch_map));
  EXPECT_EQ(refused_, 2);
  EXPECT_FALSE(Stock("Code,Batch,Made,Qty\nP4,\"Lot\n7\",2024-03-15,2\n", batch_map));
  EXPECT_EQ(Rows("SELECT batchid, batchname FROM productbatch"), Strings{"1|Lot\n7"});
  EXPECT_TRUE(Holds(Log("OpeningStock.log"), LayoutLogLine("Lot 7", "success", "--------------")));
  EXPECT_EQ(StockOf("P4", 0), "3");
  EXPECT_EQ(StockOf("P4", 1), "2");
  ExpectInvariants();
}

TEST_P(Reimport, BatchesThenOpeningStockThenASheetForOtherProducts) {
  for (const char* p : {"P01", "P02", "P03"})
    Exec(std::string("insert into product(pcode,pname,gpcode) values('") + p + "','" + p + "',1)");
  // Stock an earlier import booked on an earlier day.
  Exec("insert into inventory(dcode,invdate,pcode,batchid,os) values(1,'2020-01-01','P02',0,9)");
  Exec("insert into transactionreceipts(rcptcode,vno,rcpttype,dcode,amt) values(30,'1','OS',1,9)");
  Exec(
      "insert into receiptdetails(rcptcode,slno,PCode,unitid,cf,batchid,qty,Rate) "
      "values(30,1,'P02',0,1,0,9,1)");
  const std::string map = "Code=pcode,Batch=batchname,Qty=openingstock,Rate=purrate";
  EXPECT_FALSE(Batches("Code,Batch,Qty,Rate\nP01,B1,4,1\n", map));
  ExpectInvariants();
  EXPECT_FALSE(
      Stock("Code,Qty,Rate\nP01,10,1\np02,5,2\n", "Code=pcode,Qty=openingstock,Rate=purrate"));
  ExpectInvariants();
  EXPECT_FALSE(
      Stock("Code,Qty,Rate\nP02,7,1\nP03,1,1\n", "Code=pcode,Qty=openingstock,Rate=purrate"));
  ExpectInvariants();
  EXPECT_EQ(Sums("SELECT pcode, batchid, os FROM inventory"),
            (std::map<std::string, std::string>{
                {"p01|0", "10"}, {"p01|1", "4"}, {"p02|0", "7"}, {"p03|0", "1"}}));
  EXPECT_EQ(Rows("SELECT rcptcode, rcpttype, amt FROM transactionreceipts ORDER BY rcptcode"),
            (Strings{"40|SL|9", "41|OS|4", "42|OS|10", "43|OS|8"}));
}

VANTREL_BOTH_TARGETS(Reimport);

}  // namespace
}  // namespace vantrel
