#include <gtest/gtest.h>

#include "frame/import_log.h"
#include "support/company_fixture.h"
#include "vantrel/DependProcesser.h"

namespace vantrel {
namespace {

const MapTable kUnitMap = Map(
    "Name=pname,Group=gpcode,Base=Base Unit,Addl=Addl. Unit1,Cf=addl. unit1 cf,Sales=salesunit");

class ProductImport : public CompanyTest {
 protected:
  bool Import(const std::string& csv, const MapTable& map, const std::string& file = "p.csv") {
    return ImportWorkbook(&DependProcesser::ImportProducts, dir_.Write(file, csv), map);
  }
  Strings Products() const {
    return Rows("SELECT pcode, pname, gpcode, salesunit FROM product ORDER BY pcode");
  }
  Strings Units() const {
    return Rows("SELECT pcode, unitid, unit, cf FROM productunits ORDER BY pcode, unitid");
  }
  Strings Slabs() const {
    return Rows("SELECT PCode, Purchase FROM productslab ORDER BY PCode, Purchase DESC");
  }
  std::string Param() const {
    return One("SELECT paramvalue FROM paramlist WHERE paramname='PCode'");
  }
  std::string Log() const { return CompanyTest::Log("products.log"); }
  void StorePCode(const std::string& v) const {
    Exec("UPDATE paramlist SET paramvalue='" + v + "' WHERE paramname='PCode'");
  }
  void StoreProduct(const std::string& code, const std::string& name) const {
    Exec("INSERT INTO product (pcode, pname, gpcode) VALUES ('" + code + "','" + name + "',1)");
    Exec("INSERT INTO productunits (pcode, unitid, unit, cf) VALUES ('" + code + "',0,'Nos',1)");
    Exec("INSERT INTO productslab (PCode, Purchase) VALUES ('" + code + "',0)");
  }
};

const std::string kHeader =
    "Product       ImportStaus     Reason\r\n========      ===========     ======\r\n";

TEST_P(ProductImport, UnitRowsProductAndLogAsTheRowNamesThem) {
  StorePCode("P104");
  Exec("insert into productgroup values(20,'Hardware','',1,0)");
  EXPECT_FALSE(
      Import("Name,Group,Base,Addl,Cf,Sales\nBolt M6,Hardware,Nos,Box,100,Box\n", kUnitMap));
  EXPECT_EQ(Products(), Strings{"P105|Bolt M6|20|1"});
  EXPECT_EQ(Units(), (Strings{"P105|0|Nos|1", "P105|1|Box|100"}));
  EXPECT_EQ(Slabs(), (Strings{"P105|0", "P105|-1"}));
  EXPECT_EQ(Param(), "P105");
  EXPECT_EQ(Log(), kHeader +
                       "Bolt M6       Success         ------OK------\r\n"
                       "Bolt M6       -----------------------------End of Log File\r\n");
}

TEST_P(ProductImport, SecondImportKeepsEachProductsCodeAndReplacesTheUnitsItNames) {
  const MapTable map = Map(
      "Code=pcode,Name=pname,Base=Base Unit,Addl=Addl. Unit1,Cf=addl. unit1 cf,Sales=salesunit");
  const std::string header = "Code,Name,Base,Addl,Cf,Sales\n";
  // Nut's sales unit is its own base unit, though the row above has it as an extra unit.
  EXPECT_FALSE(Import(header + "A1,Bolt,Nos,Box,100,Box\nA2,Nut,Box,Crate,50,Box\n", map));
  EXPECT_EQ(Products(), (Strings{"A1|Bolt|1|1", "A2|Nut|1|0"}));
  // The second run renames A1; Nut under a new code is refused, its name is A2's.
  EXPECT_FALSE(Import(header + "A1,Bolt M6,Nos,Crate,10,Crate\nA3,nut,Kg,,,Kg\n", map));
  EXPECT_EQ(Products(), (Strings{"A1|Bolt M6|1|1", "A2|Nut|1|0"}));
  EXPECT_EQ(Units(), (Strings{"A1|0|Nos|1", "A1|1|Crate|10", "A2|0|Box|1", "A2|1|Crate|50"}));
  EXPECT_EQ(Slabs(), (Strings{"A1|0", "A1|-1", "A2|0", "A2|-1"}));
  EXPECT_TRUE(Holds(Log(), LayoutLogLine("nut", "Failed", "name nut belongs to product A2")));

  // Without a code column a product keeps the code of its name; a new one takes the next
  // code that no product holds, and the parameter never goes back.
  for (const char* table : {"product", "productslab"}) Exec(std::string("DELETE FROM ") + table);
  StoreProduct("1", "Spare");
  StorePCode("0");
  EXPECT_FALSE(Import("Name,Base\nWasher,Nos\nRivet,Nos\n", Map("Name=pname,Base=Base Unit")));
  StorePCode("9");
  EXPECT_FALSE(Import("Name,Base\nwasher,Nos\nRivet,Nos\n", Map("Name=pname,Base=Base Unit")));
  EXPECT_EQ(Products(), (Strings{"1|Spare|1|NULL", "2|washer|1|NULL", "3|Rivet|1|NULL"}));
  EXPECT_EQ(Param(), "9");
}

TEST_P(ProductImport, RefusedRowChangesNothing) {
  StorePCode("P104");
  StoreProduct("P105", "Bolt M6");
  Exec("INSERT INTO productunits (pcode, unitid, unit, cf) VALUES ('P105',1,'Box',6)");
  const std::string units = "Name,Group,Base,Addl,Cf,Sales\n";
  const struct {
    MapTable map;
    std::string csv;
    std::string lines;
  } cases[] = {
      {kUnitMap, units + "Bolt M6,,Nos,Box,10,Crate\n",
       LayoutLogLine("Bolt M6", "Failed", "unit Crate not exists")},
      // A unit only another row gives, and a unit the row removes with a pack size of 0.
      {kUnitMap,
       units + "Washer,,Nos,Crate,5,Pallet\nBolt M6,,Nos,,,Crate\nBolt M6,,Nos,Box,0,Box\n",
       LayoutLogLine("Washer", "Failed", "unit Pallet not exists") +
           LayoutLogLine("Bolt M6", "Failed", "unit Crate not exists") +
           LayoutLogLine("Bolt M6", "Failed", "unit Box not exists")},
      {Map("Code=pcode,Name=pname"), "Code,Name\n ,Bolt M6\nP200,bolt m6\n",
       LayoutLogLine("Bolt M6", "Failed", "empty product code") +
           LayoutLogLine("bolt m6", "Failed", "name bolt m6 belongs to product P105")},
      {Map("Name=pname,Base=Base Unit"), "Name,Base\n  ,Nos\n",
       LayoutLogLine("", "Failed", "product name is empty (worksheet row 2)")},
  };
  const Strings before = Dump();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.csv);
    EXPECT_FALSE(Import(c.csv, c.map));
    EXPECT_EQ(Dump(), before);
    EXPECT_TRUE(Holds(Log(), kHeader + c.lines));
  }
}

TEST_P(ProductImport, GroupsAreCreatedUnderTheRowsParentThenSuperGroup) {
  Exec("insert into productgroup values(20,'Tools','',1,0)");
  const std::string long_name(60, 'L');
  const MapTable map = Map("Name=pname,Group=gpcode,Parent=parentgroup,Super=supergroup");
  const std::string book =
      "Name,Group,Parent,Super\nBolt,Bolts,Fasteners,Hardware\nHammer,Tools,,\nPaint,Paints,,\n"
      "Nut,Nuts,Fasteners,Hardware\nWidget," +
      long_name + ",,\n";
  EXPECT_FALSE(Import(book, map));
  const Strings groups = {"21|Hardware|1", "22|Fasteners|21",
                          "23|Bolts|22",   "24|Paints|1",
                          "25|Nuts|22",    "26|" + long_name.substr(0, 50) + "|1"};
  const std::string all_groups =
      "SELECT gpcode, gpname, gpunder FROM productgroup WHERE gpcode > 20 ORDER BY gpcode";
  EXPECT_EQ(Rows(all_groups), groups);
  EXPECT_EQ(Rows("SELECT pname, gpcode FROM product ORDER BY pname"),
            (Strings{"Bolt|23", "Hammer|20", "Nut|25", "Paint|24", "Widget|26"}));

  // Again, with a new group under a parent group that exists.
  EXPECT_FALSE(Import(book + "Screw,Screws,Fasteners,Hardware\n", map));
  // A parent column without a super group column.
  EXPECT_FALSE(Import("Name,Group,Parent\nWasher,Washers,Rings\nPin,Pins,\n",
                      Map("Name=pname,Group=gpcode,Parent=parentgroup")));
  Strings more = groups;
  more.insert(more.end(), {"27|Screws|22", "28|Rings|1", "29|Washers|28", "30|Pins|1"});
  EXPECT_EQ(Rows(all_groups), more);
}

TEST_P(ProductImport, ProductCodeParameterFollowsEveryWrittenRow) {
  Exec("INSERT INTO product (pcode, pname, gpcode) VALUES ('7','Old',1)");
  EXPECT_FALSE(Import("Code,Name\nA1,Bolt\nA2,Nut\n", Map("Code=pcode,Name=pname")));
  EXPECT_EQ(Param(), "9");  // the next code by number, stored and advanced per row
  StorePCode("P104");
  EXPECT_FALSE(Import("Name\nWasher\nRivet\n", Map("Name=pname")));
  EXPECT_EQ(Param(), "P106");
  EXPECT_EQ(Products(), (Strings{"7|Old|1|NULL", "A1|Bolt|1|NULL", "A2|Nut|1|NULL",
                                 "P105|Washer|1|NULL", "P106|Rivet|1|NULL"}));
}

TEST_P(ProductImport, UnitColumnsInAnyLetterCaseAndSalesUnitFromTheRowsOwnUnits) {
  // The sales unit comes first: it is found in the row's unit columns after it.
  const MapTable map =
      Map("Sales=salesunit,Name=pname,Base=base unit,Addl=ADDL. UNIT1,Cf=Addl. Unit1 "
          "CF,Qty=openingstock,Factor=cf");
  EXPECT_FALSE(
      Import("Sales,Name,Base,Addl,Cf,Qty,Factor\nbox,Bolt,Nos,Box,10,5,1\n"
             "BOX,Crate,Box,Pallet,5,,\n",
             map));
  // Crate's own row gives Box as its base unit; Box of the row above is not Crate's.
  EXPECT_EQ(Products(), (Strings{"1|Bolt|1|1", "2|Crate|1|0"}));
  EXPECT_EQ(Units(), (Strings{"1|0|Nos|1", "1|1|Box|10", "2|0|Box|1", "2|1|Pallet|5"}));
}

// Pack sizes read like every other number; one that holds none refuses its
// row, naming the column and the text, and the rows after it still import.
TEST_P(ProductImport, PackSizesReadAsNumbersAndAnUnreadableOneRefusesItsRow) {
  const MapTable map = Map(
      "Name=pname,Base=Base Unit,Addl=Addl. Unit1,Cf=Addl. Unit1 cf,Rate=salerate,Unit=baseunit");
  EXPECT_FALSE(
      Import("Name,Base,Addl,Cf,Rate,Unit\nA,Nos,Box,\"1,000\",\"1,250.50\",0\n"
             "B,Nos,Box,12 pcs,,\nC,Nos,Box,ten,1,0\nD,Nos,Box,,1,0\nE,Nos,Box,\"1,5,0\",1,0\n"
             "F,Nos,Box,1,ten,0\nG,Nos,Box,1,1,99999\n",
             map));
  EXPECT_EQ(Units(),
            (Strings{"1|0|Nos|1", "1|1|Box|1000", "2|0|Nos|1", "2|1|Box|12", "3|0|Nos|1"}));
  EXPECT_EQ(Rows("SELECT pname, salerate FROM product ORDER BY pcode"),
            (Strings{"A|1250.5", "B|0", "D|1"}));
  EXPECT_EQ(sheet_rejects_, (Strings{"4|C|Cf|ten|not a number", "6|E|Cf|1,5,0|not a number",
                                     "7|F|Rate|ten|not a number",
                                     "8|G|Unit|99999|number too large for its column"}));
}

TEST_P(ProductImport, PercentAndUnderscoreInNamesMatchOnlyThatName) {
  StoreProduct("C1", "100 Pure Cotton");
  StoreProduct("C2", "AxB Tape");
  EXPECT_FALSE(Import("Code,Name\nN1,100% Cotton\nN2,A_B Tape\nN3,a_b tape\n",
                      Map("Code=pcode,Name=pname")));
  EXPECT_EQ(Products(), (Strings{"C1|100 Pure Cotton|1|NULL", "C2|AxB Tape|1|NULL",
                                 "N1|100% Cotton|1|NULL", "N2|A_B Tape|1|NULL"}));
  EXPECT_EQ(Slabs(), (Strings{"C1|0", "C2|0", "N1|0", "N1|-1", "N2|0", "N2|-1"}));
  EXPECT_TRUE(
      Holds(Log(), LayoutLogLine("a_b tape", "Failed", "name a_b tape belongs to product N2")));
}

TEST_P(ProductImport, FailingRowLeavesTheTargetAsItWas) {
  StoreProduct("A1", "Bolt");
  Exec("DROP TABLE paramlist");  // a new product's last statement fails
  const Strings before = Dump();
  EXPECT_TRUE(Import("Code,Name,Base\nA2,Nut,Box\n", Map("Code=pcode,Name=pname,Base=Base Unit")));
  EXPECT_EQ(Dump(), before);
  ASSERT_EQ(rec_.messages.size(), 1u);
  EXPECT_TRUE(Holds(rec_.messages[0].text, "worksheet row 2"));
  EXPECT_EQ(Log(), kHeader);
}

TEST_P(ProductImport, RowWithoutNameIsLoggedAndTheLogEnds) {
  EXPECT_FALSE(Import("Name,Base\nBolt,Nos\n,Nos\n", Map("Name=pname,Base=Base Unit")));
  EXPECT_EQ(Log(), kHeader +
                       "Bolt          Success         ------OK------\r\n"
                       "              Failed          product name is empty (worksheet row 3)\r\n"
                       "              -----------------------------End of Log File\r\n");
  EXPECT_EQ(Products(), Strings{"1|Bolt|1|NULL"});
  // A worksheet without rows still gets its closing line.
  EXPECT_FALSE(Import("Name,Base\n", Map("Name=pname,Base=Base Unit"), "e.csv"));
  EXPECT_EQ(Log(), kHeader + "              -----------------------------End of Log File\r\n");
}

VANTREL_BOTH_TARGETS(ProductImport);

}  // namespace
}  // namespace vantrel
