#include <gtest/gtest.h>

#include "platform/variant/convert.h"
#include "support/company_fixture.h"
#include "vantrel/DependProcesser.h"

namespace vantrel {
namespace {

std::string Envelope(const std::string& body) {
  return "<?xml version=\"1.0\"?>\n<ENVELOPE><BODY><DATA>\n" + body +
         "\n</DATA></BODY></ENVELOPE>\n";
}

// Records of an export: <KIND NAME="name"><PARENT>parent</PARENT></KIND>.
std::string Record(const char* kind, const std::string& name, const std::string& parent) {
  return std::string("<") + kind + " NAME=\"" + name + "\"><PARENT>" + parent + "</PARENT></" +
         kind + ">";
}
std::string G(const std::string& n, const std::string& p) { return Record("GROUP", n, p); }
std::string L(const std::string& n, const std::string& p) { return Record("LEDGER", n, p); }
std::string SG(const std::string& n, const std::string& p) { return Record("STOCKGROUP", n, p); }
std::string SI(const std::string& n, const std::string& p) { return Record("STOCKITEM", n, p); }
std::string GD(const std::string& n) { return "<GODOWN NAME=\"" + n + "\"/>"; }

class MarkupImport : public CompanyTest {
 protected:
  bool Run(Method m, const std::string& file) { return RunImport(m, srcXML, file); }
  bool Xml(Method m, const std::string& xml) { return Run(m, dir_.Write("e.xml", Envelope(xml))); }
  bool Accounts(const std::string& xml) { return Xml(&DependProcesser::ImportAccounts, xml); }
  bool Products(const std::string& xml) { return Xml(&DependProcesser::ImportProducts, xml); }
  bool Depots(const std::string& xml) { return Xml(&DependProcesser::ImportDepots, xml); }
  Strings Heads() const {
    return Rows(
        "SELECT headcode, headname, underhead, headlevel FROM accounthead WHERE headcode >= 31 "
        "ORDER BY headcode");
  }
  // Head codes from 31 up are free, so the expected codes come out.
  void SetUp() override {
    CompanyTest::SetUp();
    if (!IsSkipped()) Exec("delete from accounthead where headcode >= 31");
  }
};

TEST_P(MarkupImport, AccountStatementsAsTheyAreSent) {
  Exec("insert into accountledger(ledcode,ledname,headcode) values('119','Old',9)");
  // The NAME attribute names a record wherever it stands; without one the first attribute does.
  EXPECT_FALSE(Accounts(
      "<GROUP ACTION=\"Create\" NAME=\"Debtors North\"><PARENT>Sundry Debtors</PARENT></GROUP>"
      "<LEDGER ACTION=\"Create\" NAME=\"ACME Traders\"><PARENT>Debtors North</PARENT></LEDGER>"
      "<LEDGER TITLE=\"Bravo\"><PARENT>Debtors North</PARENT></LEDGER>"));
  EXPECT_EQ(rec_.StatementsStartingWith("insert into accounthead"),
            Strings{"insert into accounthead values(31,'Debtors North',9,1)"});
  EXPECT_EQ(
      rec_.StatementsStartingWith("INSERT INTO ACCOUNTLEDGER"),
      (Strings{"INSERT INTO ACCOUNTLEDGER(LEDCODE,LEDNAME,HEADCODE) VALUES('120','ACME "
               "Traders',31)",
               "INSERT INTO ACCOUNTLEDGER(LEDCODE,LEDNAME,HEADCODE) VALUES('121','Bravo',31)"}));
  EXPECT_TRUE(rec_.messages.empty());
}

TEST_P(MarkupImport, AccountGroupsAndLedgersUnderTheRightHeads) {
  EXPECT_FALSE(Accounts(
      G("  Sundry Debtors ", "") + G("Misc. Expenses (ASSET)", "") +
      G("Misc. Expenses (ASSET)", "") + G("misc. expenses (asset)", "") +
      "<GROUP NAME=\"Debtors North\"><PARENT>Sundry Debtors</PARENT><PARENT>Cash</PARENT></GROUP>" +
      G("Deposits (Asset)", "Current Assets") + G("Branch East", "Branch / Divisions") +
      G("Debtors North", "Sundry Debtors") +
      "<GROUP NAME=\"O'Brien &amp; Sons\"><parent>ignored</parent><PARENT>Sundry Creditors</PARENT>"
      "  <GROUP NAME=\"Nested\"><PARENT>Debtors North</PARENT></GROUP></GROUP>"
      "<GROUP><PARENT>Sundry Debtors</PARENT></GROUP>" +
      L("ACME Traders", "Debtors North") + L("Nobody", "") + L("Cash", "Cash-in-hand") +
      L("Bob's &quot;Big&quot; Store", "O'Brien &amp; Sons") + L("Lost", "Branch East") +
      L("ACME Traders", "Sundry Debtors")));
  EXPECT_TRUE(rec_.messages.empty());
  EXPECT_EQ(Heads(),
            (Strings{"31|Misc. Expenses (ASSET)|2|1", "32|Debtors North|9|1",
                     "33|Deposits (Asset)|2|1", "35|OBrien & Sons|24|1", "36|Nested|32|1"}));
  EXPECT_EQ(Rows("SELECT ledcode, ledname, headcode FROM accountledger ORDER BY ledcode"),
            (Strings{"1|ACME Traders|32", "2|Bobs Big Store|35"}));
}

TEST_P(MarkupImport, ProductStatementsAsTheyAreSent) {
  Exec("insert into productgroup values(11,'G11','',1,0)");
  Exec("insert into product(pcode,pname,gpcode) values('500','Old',1)");
  Exec("insert into depot(dcode,dname) values(2,'Store 1')");
  const std::string xml =
      "<STOCKGROUP ACTION=\"Create\" NAME=\"Spares\"><PARENT></PARENT></STOCKGROUP>" +
      SG("Filters", "Spares") +
      "<STOCKITEM ACTION=\"Alter\" NAME=\"Oil Filter\"><PARENT>Filters</PARENT><OPENINGVALUE>12 "
      "Nos</OPENINGVALUE></STOCKITEM>"
      "<GODOWN ACTION=\"Create\" NAME=\"Store 2\"/>";
  EXPECT_FALSE(Products(xml));
  EXPECT_FALSE(Depots(xml));
  EXPECT_EQ(rec_.StatementsStartingWith("insert into productgroup"),
            (Strings{"insert into productgroup values(12,'Spares','',1,0)",
                     "insert into productgroup values(13,\"Filters\",'',12,0)"}));
  EXPECT_EQ(rec_.StatementsStartingWith("INSERT INTO PRODUCT"),
            Strings{"INSERT INTO PRODUCT(PCODE,PNAME,GPCODE) VALUES(\"501\",\"Oil Filter\",13)"});
  EXPECT_EQ(rec_.StatementsStartingWith("insert into depot"),
            Strings{"insert into depot(dcode,dname) values(3,\"Store 2\")"});
  // The next product code is stored afterwards.
  EXPECT_EQ(One("SELECT paramvalue FROM PARAMLIST WHERE paramname='PCode'"), "502");
}

TEST_P(MarkupImport, StockGroupsAndItems) {
  EXPECT_FALSE(Products(
      SG("Spares", "") + SG("General", "") + "<STOCKGROUP NAME=\"Loose\"></STOCKGROUP>" +
      SG("Men's Wear", "") + SG("Bob's", "Spares") +
      "<STOCKITEM NAME=\"Belt\"><PARENT>Bob's</PARENT><PARENT>Men's Wear</PARENT></STOCKITEM>" +
      SI("  ", "Spares") + SI("Ghost", "No Group") + SI("Belt", "Spares") +
      SI("Bolt &quot;M8&quot;", "Loose")));
  EXPECT_TRUE(rec_.messages.empty());
  EXPECT_EQ(Rows("SELECT gpcode, gpname, gpunder FROM productgroup ORDER BY gpcode"),
            (Strings{"1|General|0", "2|Spares|1", "3|Loose|1", "4|Mens Wear|1", "5|Bobs|2"}));
  EXPECT_EQ(Rows("SELECT pcode, pname, gpcode FROM product ORDER BY pname"),
            (Strings{"1|Belt|4", "2|Bolt M8|3"}));
}

TEST_P(MarkupImport, LongNamesAreKeptWholeAndEachImportStagesAfresh) {
  const std::string long_name = "Stainless Steel Hex Bolt M8 x 40 mm";  // 35 characters
  EXPECT_FALSE(Products(SG("Bolts", "") + SI(long_name, "Bolts") + SI("Washer", "Bolts")));
  EXPECT_EQ(Rows("SELECT pname FROM product ORDER BY pcode"), (Strings{long_name, "Washer"}));
  // Nothing of the first export is read again.
  EXPECT_FALSE(Products(SG("Nuts", "") + SI("Nut M8", "Nuts")));
  EXPECT_EQ(refused_, 0);
  EXPECT_EQ(Rows("SELECT pname FROM product ORDER BY pcode"),
            (Strings{long_name, "Washer", "Nut M8"}));
}

TEST_P(MarkupImport, ReservedGodownsAreSkippedWhateverTheirCase) {
  EXPECT_FALSE(Depots(
      "<GODOWN NAME=\"Main Location\"/><GODOWN NAME=\"main location\"/><GODOWN NAME=\" Default \"/>"
      "<GODOWN NAME=\"Main Location 2\"/><GODOWN NAME=\"Store 2\"/><GODOWN NAME=\"store 2\"/>"));
  EXPECT_EQ(Rows("SELECT dcode, dname FROM depot ORDER BY dcode"),
            (Strings{"1|Main Location", "2|Main Location 2", "3|Store 2"}));
  rec_.statements.clear();
  EXPECT_FALSE(Depots(GD("Default")));
  EXPECT_TRUE(rec_.StatementsStartingWith("insert").empty());
}

TEST_P(MarkupImport, Utf16ExportWithByteOrderMark) {
  EXPECT_FALSE(Run(&DependProcesser::ImportProducts,
                   std::string(VANTREL_TEST_DATA) + "/xml_utf16le_bom.xml"));
  EXPECT_EQ(rejects_, (Strings{"STOCKGROUP|Café & Bar|₹ Goods 𝄞|parent group not found",
                               "STOCKITEM|Tea|Café & Bar|parent group not found"}));
}

TEST_P(MarkupImport, FortyThousandStockItems) {
  std::string xml = SG("Bulk", "");
  for (int i = 0; i < 40000; ++i) xml += SI("Item " + std::to_string(i), "Bulk");
  EXPECT_FALSE(Products(xml));
  EXPECT_TRUE(rec_.messages.empty());
  EXPECT_EQ(Rows("SELECT COUNT(*), COUNT(DISTINCT pcode) FROM product"), Strings{"40000|40000"});
  EXPECT_EQ(One("SELECT paramvalue FROM PARAMLIST WHERE paramname='PCode'"), "40001");
}

TEST_P(MarkupImport, EverySkippedRecordIsListedWithItsReason) {
  const std::string accounts =
      G("Own Primary", "") + G("Sundry Debtors", "") + G("North", "Sundry Debtors") +
      G("NORTH", "Sundry Debtors") + G("East Branch", "Branch / Divisions") +
      "<GROUP><PARENT>Sundry Debtors</PARENT></GROUP>" + L("Acme", "\n    North\n  ") +
      L("No Parent", " ") + L("Unknown", "Nowhere") + L("Split", "Sundry\nDebtors") +
      L("Branch Shop", "Branch / Divisions") + L("Cash", "Cash-in-hand");
  EXPECT_FALSE(Accounts(accounts));
  EXPECT_EQ(imported_, 2);
  EXPECT_EQ(refused_, 10);
  EXPECT_EQ(
      rejects_,
      (Strings{"GROUP|Own Primary||primary group not created",
               "GROUP|Sundry Debtors||already exists", "GROUP|NORTH|Sundry Debtors|already exists",
               "GROUP|East Branch|Branch / Divisions|under Branch / Divisions",
               "GROUP||Sundry Debtors|name is empty", "LEDGER|No Parent||parent is empty",
               "LEDGER|Unknown|Nowhere|parent group not found",
               "LEDGER|Split|Sundry\nDebtors|parent spans lines",
               "LEDGER|Branch Shop|Branch / Divisions|under Branch / Divisions",
               "LEDGER|Cash|Cash-in-hand|already exists"}));
  EXPECT_EQ(Heads(), Strings{"31|North|9|1"});
  EXPECT_EQ(Rows("SELECT ledname, headcode FROM accountledger"), Strings{"Acme|31"});

  const std::string products =
      SG("Spares", "") + SI("Bolt", "Spares") + SI("bolt", "Spares") +
      "<STOCKITEM NAME=\"Loose\"></STOCKITEM>" + SI("Stray", "Tools") +
      SI("Wrapped", "Spa\r\nres") + SI("'", "Spares") +
      "<GODOWN NAME=\"Main Location\"/><GODOWN NAME=\"Yard\"/><GODOWN NAME=\"yard\"/>";
  EXPECT_FALSE(Products(products));
  EXPECT_EQ(rejects_,
            (Strings{"STOCKITEM|bolt|Spares|already exists", "STOCKITEM|Loose||parent is empty",
                     "STOCKITEM|Stray|Tools|parent group not found",
                     "STOCKITEM|Wrapped|Spa\nres|parent spans lines",
                     "STOCKITEM|'|Spares|name is empty"}));
  EXPECT_FALSE(Depots(products));
  EXPECT_EQ(rejects_,
            (Strings{"GODOWN|Main Location||reserved godown name", "GODOWN|yard||already exists"}));
  EXPECT_EQ(imported_, 1);

  // A second run writes nothing and says why for every record.
  EXPECT_FALSE(Accounts(accounts));
  EXPECT_EQ(imported_, 0);
  EXPECT_EQ(refused_, 12);
  EXPECT_EQ(rejects_[2], "GROUP|North|Sundry Debtors|already exists");
  EXPECT_EQ(rejects_[6], "LEDGER|Acme|North|already exists");
  EXPECT_FALSE(Products(products));
  EXPECT_EQ(imported_, 0);
  EXPECT_EQ(refused_, 7);
  EXPECT_EQ(One("SELECT COUNT(*) FROM product"), "1");
  EXPECT_TRUE(rec_.messages.empty());
}

TEST_P(MarkupImport, GroupsListedBeforeTheirParentsGoUnderThem) {
  // Codes follow the export's order; parents are set once they are written.
  // "Deposits (Asset)" and "Misc. Expenses (ASSET)", heads the company has no row
  // of, stand for code 2 as a group's parent.
  EXPECT_FALSE(Accounts(G("Retail", "Town") + G("Town", "region") + G("Region", "Sundry Debtors") +
                        G("Loop", "Loop") + G("Ping", "Pong") + G("Pong", "Ping") +
                        G("Orphan", "Shop") + G("Shop", "Branch / Divisions") + G("Vault", "Held") +
                        G("Held", "Deposits (Asset)") + G("Rent", "Prepaid") +
                        G("Prepaid", "Misc. Expenses (ASSET)") + L("Acme", "Retail")));
  EXPECT_TRUE(rec_.messages.empty());
  EXPECT_EQ(Heads(), (Strings{"31|Retail|32|1", "32|Town|33|1", "33|Region|9|1", "35|Vault|36|1",
                              "36|Held|2|1", "37|Rent|38|1", "38|Prepaid|2|1"}));
  EXPECT_EQ(Rows("SELECT ledname, headcode FROM accountledger"), Strings{"Acme|31"});
  EXPECT_EQ(
      rejects_,
      (Strings{"GROUP|Loop|Loop|names itself as parent", "GROUP|Ping|Pong|parent group not found",
               "GROUP|Pong|Ping|parent group not found", "GROUP|Orphan|Shop|parent group not found",
               "GROUP|Shop|Branch / Divisions|under Branch / Divisions"}));

  EXPECT_FALSE(Products(SG("Oil", "Filters") + SG("Filters", "Spares") + SG("Spares", "") +
                        SG("Self", "SELF") + SG("Lost", "Nowhere") + SI("Oil Filter", "Oil")));
  EXPECT_TRUE(rec_.messages.empty());
  EXPECT_EQ(Rows("SELECT gpcode, gpname, gpunder FROM productgroup ORDER BY gpcode"),
            (Strings{"1|General|0", "2|Spares|1", "3|Oil|4", "4|Filters|2"}));
  EXPECT_EQ(Rows("SELECT pname, gpcode FROM product"), Strings{"Oil Filter|3"});
  EXPECT_EQ(rejects_, (Strings{"STOCKGROUP|Self|SELF|names itself as parent",
                               "STOCKGROUP|Lost|Nowhere|parent group not found"}));
}

TEST_P(MarkupImport, StagedNamesIgnoreLetterCaseInEveryScript) {
  EXPECT_FALSE(Accounts(G("Beta", "\u03b1\u03bb\u03c6\u03b1") +
                        G("\u0391\u039b\u03a6\u0391", "Sundry Debtors") +
                        G("\u00c9cole", "\u00e9COLE") + G("Shop", "BRANCH / DIVISIONS")));
  EXPECT_EQ(Heads(), (Strings{"31|Beta|32|1", "32|\u0391\u039b\u03a6\u0391|9|1"}));
  EXPECT_EQ(rejects_, (Strings{"GROUP|\u00c9cole|\u00e9COLE|names itself as parent",
                               "GROUP|Shop|BRANCH / DIVISIONS|under Branch / Divisions"}));
}

TEST_P(MarkupImport, NamesLongerThanTheColumnAreCutOnBothTargets) {
  // 60,000 characters: past what a LIKE pattern may hold. The cut counts
  // characters, not bytes: "é" is two bytes.
  std::string big;
  for (int i = 0; i < 30000; ++i) big += "é.";
  const std::string fifty = big.substr(0, 75);
  const std::string xml =
      G(big, "Sundry Debtors") + L(big + "x", big + "y") + SG(big, "") + SI(big, big) + GD(big);
  for (int run = 0; run < 2; ++run) {
    EXPECT_FALSE(Accounts(xml));
    EXPECT_FALSE(Products(xml));
    EXPECT_FALSE(Depots(xml));
    EXPECT_EQ(imported_, run == 0 ? 1 : 0);
  }
  EXPECT_TRUE(rec_.messages.empty()) << rec_.messages[0].text;
  EXPECT_EQ(Rows("SELECT h.headname, l.ledname FROM accountledger l JOIN accounthead h ON "
                 "h.headcode = l.headcode"),
            Strings{fifty + "|" + fifty});
  EXPECT_EQ(One("SELECT COUNT(*) FROM accounthead WHERE headname='" + fifty + "'"), "1");
  EXPECT_EQ(Rows("SELECT g.gpname, p.pname FROM product p JOIN productgroup g ON g.gpcode = "
                 "p.gpcode"),
            Strings{fifty + "|" + fifty});
  EXPECT_EQ(One("SELECT dname FROM depot WHERE dcode=2"), fifty);
}

// Code 32767 is used; the record after it stops the import naming the counter,
// and the count says what stays: the one ledger, or nothing of an atomic run.
TEST_P(MarkupImport, TheLastLedgerCodeIsUsedAndTheNextStopsNamingItsCounter) {
  Exec("insert into accountledger(ledcode,ledname,headcode) values('32766','Old',9)");
  const std::string file =
      dir_.Write("e.xml", Envelope(L("A", "Sundry Debtors") + L("B", "Sundry Debtors") +
                                   L("C", "Sundry Debtors")));
  for (int mode : {transAtomic, transPerStatement}) {
    rec_.messages.clear();
    EXPECT_TRUE(RunImport(&DependProcesser::ImportAccounts, srcXML, file, {}, mode));
    EXPECT_EQ(imported_, mode == transAtomic ? 0 : 1);
    ASSERT_FALSE(rec_.messages.empty());
    EXPECT_TRUE(Holds(rec_.messages[0].text, "The next ledger code would be 32768")) << mode;
    EXPECT_EQ(Rows("SELECT ledcode, ledname FROM accountledger WHERE ledname <> 'Old'"),
              mode == transAtomic ? Strings{} : Strings{"32767|A"});
  }
}

TEST_P(MarkupImport, AnEmptyExportReadsNothingAndOneThatIsNotXmlIsAnErrorNamingTheFile) {
  const std::string junk = dir_.Write("junk.xml", "this is not xml <<<");
  for (Method m : {&DependProcesser::ImportAccounts, &DependProcesser::ImportProducts,
                   &DependProcesser::ImportDepots}) {
    rec_.messages.clear();
    EXPECT_FALSE(Run(m, dir_.Write("empty.xml", Envelope(""))));
    EXPECT_EQ(imported_ + refused_, 0);
    EXPECT_TRUE(Run(m, junk));
    ASSERT_EQ(rec_.messages.size(), 1u);
    EXPECT_TRUE(Holds(rec_.messages[0].text, "junk.xml"));
  }
}

TEST_P(MarkupImport, ExportsMissingASectionOrDamagedImportWhatTheyHave) {
  const std::string bad = std::string(VANTREL_TEST_DATA) + "/bad/";
  const Method accounts = &DependProcesser::ImportAccounts;
  const Method products = &DependProcesser::ImportProducts;
  const struct {
    Method method;
    std::string file;
    Strings rejects;
  } cases[] = {
      {accounts,
       bad + "markup_ledgers_only.xml",
       {"LEDGER|Quay Rentals|Rentals Payable|parent group not found"}},
      {products,
       bad + "markup_items_only.xml",
       {"STOCKITEM|Kelp Flakes|Seaweed|parent group not found"}},
      {accounts,
       bad + "markup_parents_later.xml",
       {"GROUP|Cafes|Cafes|names itself as parent",
        "LEDGER|Dune Cafe|Cafes|parent group not found"}},
      // Groups without ledgers, stock groups without items.
      {accounts, dir_.Write("g.xml", Envelope(G("North", "Sundry Debtors"))), {}},
      {products, dir_.Write("sg.xml", Envelope(SG("Spares", ""))), {}},
  };
  for (const auto& c : cases) {
    EXPECT_FALSE(Run(c.method, c.file)) << c.file;
    EXPECT_EQ(rejects_, c.rejects) << c.file;
  }
  EXPECT_EQ(Rows("SELECT ledname, headcode FROM accountledger ORDER BY ledcode"),
            (Strings{"Harbor Fuel Co|24", "Lighthouse Inn|31"}));
  EXPECT_EQ(Rows("SELECT pname, gpcode FROM product"), Strings{"Sea Salt 1kg|1"});
  EXPECT_EQ(Heads(), (Strings{"31|Hotels - North|32|1", "32|Hotels|9|1", "33|North|9|1"}));
  EXPECT_EQ(Rows("SELECT gpcode, gpname FROM productgroup ORDER BY gpcode"),
            (Strings{"1|General", "2|Spares"}));
  EXPECT_TRUE(rec_.messages.empty());
}

VANTREL_BOTH_TARGETS(MarkupImport);

}  // namespace
}  // namespace vantrel
