#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <map>

#include "platform/variant/convert.h"
#include "support/company_fixture.h"
#include "vantrel/DependProcesser.h"

namespace vantrel {
namespace {

std::string Envelope(const std::string& body) {
  return "<?xml version=\"1.0\"?>\n<ENVELOPE><BODY><DATA>\n" + body +
         "\n</DATA></BODY></ENVELOPE>\n";
}

std::string Tag(const char* tag, const std::string& text) {
  return std::string("<") + tag + ">" + text + "</" + tag + ">";
}

std::string Ledger(const std::string& name, const std::string& parent,
                   const std::string& balance_element) {
  return "<LEDGER NAME=\"" + name + "\">" + Tag("PARENT", parent) + balance_element + "</LEDGER>";
}

std::string Balance(const std::string& amount) { return Tag("OPENINGBALANCE", amount); }

std::string Item(const std::string& name, const std::string& figures) {
  return "<STOCKITEM NAME=\"" + name + "\">" + Tag("PARENT", "Tea") + figures + "</STOCKITEM>";
}

std::string Allocation(const std::string& godown, const std::string& batch,
                       const std::string& quantity, const std::string& rate,
                       const std::string& value) {
  return "<BATCHALLOCATIONS.LIST>" + Tag("GODOWNNAME", godown) + Tag("BATCHNAME", batch) +
         Tag("OPENINGBALANCE", quantity) + Tag("OPENINGRATE", rate) + Tag("OPENINGVALUE", value) +
         "</BATCHALLOCATIONS.LIST>";
}

// Ledgers whose balances agree (debit 30,000 = credit 30,000), a ledger
// without one, and items with stock of their own, split over godowns and
// batches, and without stock.
const std::string kLedgers = Ledger("Ravi Traders", "Sundry Debtors", Balance("-25000.00")) +
                             Ledger("Cash Box", "Cash-in-hand", Balance("-5000")) +
                             Ledger("Owner Capital", "Capital Account", Balance("30000.00")) +
                             Ledger("Postage", "Indirect Expenses", "");
const std::string kItems =
    Item("Assam Leaf", Tag("BASEUNITS", "Nos") + Tag("OPENINGBALANCE", " 120 Nos") +
                           Tag("OPENINGRATE", "45.50/Nos") + Tag("OPENINGVALUE", "-5460.00")) +
    Item("Darjeeling", Tag("BASEUNITS", "Kg") + Tag("OPENINGBALANCE", "30 Kg") +
                           Allocation("", "Primary Batch", "10 Kg", "", "-1000.00") +
                           Allocation("North Store", "B-17", "20 Kg", "110/Kg", "-2200.00")) +
    Item("Nilgiri", Tag("BASEUNITS", "Kg"));
const std::string kExport =
    "<GODOWN NAME=\"North Store\"/><STOCKGROUP NAME=\"Tea\"></STOCKGROUP>" + kLedgers + kItems;

class Migration : public CompanyTest {
 protected:
  // Migrates the export (and the plan's other sources); returns errOccured.
  bool Migrate(const std::string& body, int mode = transAtomic, MigrationPlan plan = {}) {
    plan.sources.insert(plan.sources.begin(),
                        {"export", dir_.Write("e.xml", Envelope(body)), "", 1});
    DependProcesser p;
    Target(p);
    p.SetTransactionMode(mode);
    bool err = false;
    p.Migrate(plan, err);
    counts_.clear();
    for (const KindCount& c : p.Counts())
      counts_[c.kind] = std::to_string(c.written) + "/" + std::to_string(c.already_there) + "/" +
                        std::to_string(c.refused);
    opening_ = p.Opening();
    rolled_back_ = p.RolledBack();
    rejects_.clear();
    // Records refused for a figure, not those the target already has.
    for (const RejectedRecord& r : p.Rejects())
      if (!r.column.empty())
        rejects_.push_back(r.kind + "|" + r.name + "|" + r.column + "|" + r.value + "|" + r.reason);
    return err;
  }
  Strings BalanceLines() const {
    return Rows(
        "SELECT l.ledname, g.vno, g.slno, g.dbamt, g.cramt FROM generalledger g, accountledger l "
        "WHERE g.ledcode=l.ledcode AND g.particulars='[Opening Balance]' ORDER BY l.ledname");
  }
  // Depot|product|batch name|quantity, per inventory row.
  Strings Stock() const {
    return Rows(
        "SELECT i.dcode, p.pname, COALESCE(b.batchname, ''), i.os FROM inventory i JOIN product "
        "p ON p.pcode=i.pcode LEFT JOIN productbatch b ON b.batchid=i.batchid WHERE i.os<>0 "
        "ORDER BY i.dcode, p.pname, i.batchid");
  }
  // What every migration leaves: per depot, product and batch the inventory is
  // the lines of that depot's opening stock receipts; a receipt's amount is
  // its lines'; a ledger has one opening balance line at most.
  void ExpectInvariants() const {
    auto sums = [&](const std::string& sql) {
      std::map<std::string, double> out;
      for (const std::string& row : Rows(sql)) {
        const size_t last = row.rfind('|');
        out[ToLower(row.substr(0, last))] += LeadingNumber(row.substr(last + 1));
      }
      for (auto it = out.begin(); it != out.end();) it = it->second == 0 ? out.erase(it) : ++it;
      return out;
    };
    EXPECT_EQ(sums("SELECT dcode, pcode, batchid, os FROM inventory"),
              sums("SELECT r.dcode, d.PCode, d.batchid, d.qty*d.cf FROM receiptdetails d, "
                   "transactionreceipts r WHERE r.rcptcode=d.rcptcode AND r.rcpttype='OS'"));
    EXPECT_EQ(Rows("SELECT rcptcode FROM transactionreceipts r WHERE rcpttype='OS' AND "
                   "COALESCE(ABS(amt - (SELECT SUM(qty*Rate) FROM receiptdetails d WHERE "
                   "d.rcptcode=r.rcptcode)), 1) > 0.001"),
              Strings{});
    EXPECT_EQ(Rows("SELECT ledcode FROM generalledger WHERE particulars='[Opening Balance]' "
                   "GROUP BY ledcode HAVING COUNT(*) > 1"),
              Strings{});
  }
  void SetUp() override {
    CompanyTest::SetUp();
    if (!IsSkipped()) Exec("insert into productgroup values(20,'Tea','',1,0)");
  }

  std::map<std::string, std::string> counts_;  // kind -> written/already there/refused
  OpeningTotals opening_;
};

TEST_P(Migration, AnExportBringsItsBalancesUnitsAndStockPerDepot) {
  ASSERT_FALSE(Migrate(kExport)) << ::testing::PrintToString(rejects_);
  const std::string vno = One("SELECT paramvalue FROM PARAMLIST WHERE paramname='JP'");
  EXPECT_EQ(BalanceLines(),
            (Strings{"Cash Box|" + vno + "|2|5000|NULL", "Owner Capital|" + vno + "|3|NULL|30000",
                     "Ravi Traders|" + vno + "|1|25000|NULL"}));
  EXPECT_EQ(Rows("SELECT p.pname, u.unitid, u.unit, u.cf, p.salesunit, p.purchaseunit FROM "
                 "product p JOIN productunits u ON u.pcode=p.pcode ORDER BY p.pname"),
            (Strings{"Assam Leaf|0|Nos|1|0|0", "Darjeeling|0|Kg|1|0|0", "Nilgiri|0|Kg|1|0|0"}));
  EXPECT_EQ(Stock(), (Strings{"1|Assam Leaf||120", "1|Darjeeling||10", "2|Darjeeling|B-17|20"}));
  // One receipt per depot; a line's rate is the export's, else its value over its quantity.
  EXPECT_EQ(Rows("SELECT r.dcode, r.amt, d.slno, d.qty, d.Rate FROM transactionreceipts r JOIN "
                 "receiptdetails d ON d.rcptcode=r.rcptcode WHERE r.rcpttype='OS' ORDER BY "
                 "r.dcode, d.slno"),
            (Strings{"1|6460|1|120|45.5", "1|6460|2|10|100", "2|2200|1|20|110"}));
  EXPECT_EQ(counts_["opening balances"], "3/0/0");
  EXPECT_EQ(counts_["opening stock"], "2/0/0");
  EXPECT_EQ(counts_["units"], "3/0/0");
  EXPECT_EQ(counts_["ledgers"], "4/0/0");
  EXPECT_EQ(counts_["depots"], "1/0/0");
  EXPECT_EQ(opening_.debit, 30000);
  EXPECT_EQ(opening_.credit, 30000);
  EXPECT_EQ(opening_.stock_value, 8660);
  ASSERT_EQ(opening_.depots.size(), 2u);
  EXPECT_EQ(opening_.depots[1].name, "North Store");
  EXPECT_EQ(opening_.depots[1].quantity, 20);
  ExpectInvariants();
}

TEST_P(Migration, ARerunAddsNothingTwiceAndReplacesWhatChanged) {
  ASSERT_FALSE(Migrate(kExport));
  const std::string vno = One("SELECT paramvalue FROM PARAMLIST WHERE paramname='JP'");
  const Strings first = Dump();
  ASSERT_FALSE(Migrate(kExport));
  // Only the voucher number the run reserved moved on.
  Strings again = Dump();
  const std::string next = std::to_string(std::stoi(vno) + 1);
  for (std::string& row : again)
    if (row.rfind("paramlist|JP|3|", 0) == 0)
      row.replace(row.rfind('|') + 1, std::string::npos, vno);
  Strings changed_rows;
  std::set_symmetric_difference(again.begin(), again.end(), first.begin(), first.end(),
                                std::back_inserter(changed_rows));
  EXPECT_EQ(changed_rows, Strings{});
  EXPECT_EQ(counts_["opening balances"], "0/3/0");
  EXPECT_EQ(counts_["ledgers"], "0/4/0");
  EXPECT_EQ(counts_["opening stock"], "0/2/0");
  ExpectInvariants();

  // Ravi's balance changes in place, the cash box's goes, the capital's is
  // unreadable and stays, Postage gets its first line in this run's voucher;
  // Assam Leaf's stock moves to the North Store, Darjeeling's goes.
  const std::string changed =
      "<GODOWN NAME=\"North Store\"/>" +
      Ledger("Ravi Traders", "Sundry Debtors", Balance("1200.50")) +
      Ledger("Cash Box", "Cash-in-hand", Balance("0")) +
      Ledger("Owner Capital", "Capital Account", Balance("30,000")) +
      Ledger("Postage", "Indirect Expenses", Balance("-75")) +
      Item("Assam Leaf",
           Tag("BASEUNITS", "Nos") + Allocation("North Store", "", "50 Nos", "40/Nos", "-2000")) +
      Item("Darjeeling", Tag("OPENINGBALANCE", "0 Kg"));
  ASSERT_FALSE(Migrate(changed));
  const std::string third = std::to_string(std::stoi(vno) + 2);
  EXPECT_EQ(BalanceLines(),
            (Strings{"Owner Capital|" + vno + "|3|NULL|30000", "Postage|" + third + "|1|75|NULL",
                     "Ravi Traders|" + vno + "|1|NULL|1200.5"}));
  EXPECT_EQ(rejects_, (Strings{"LEDGER|Owner Capital|OPENINGBALANCE|30,000|not a number"}));
  EXPECT_EQ(Stock(), (Strings{"2|Assam Leaf||50"}));
  EXPECT_EQ(One("SELECT COUNT(*) FROM productbatch"), "1");
  ExpectInvariants();
}

// An unreadable figure refuses the record's balance or its whole stock, with
// the element and its text; the record itself is written.
TEST_P(Migration, UnreadableFiguresRefuseTheBalanceOrStockAndKeepTheRecord) {
  struct Case {
    std::string figures;
    std::string reject;
  };
  const Case cases[] = {
      {Tag("OPENINGBALANCE", "ten Nos"), "OPENINGBALANCE|ten Nos|not a number"},
      {Tag("OPENINGBALANCE", "5 Box"), "OPENINGBALANCE|5 Box|unit Box is not the base unit 'Nos'"},
      {Tag("OPENINGBALANCE", "5") + Tag("OPENINGRATE", "4/Box"),
       "OPENINGRATE|4/Box|unit Box is not the base unit 'Nos'"},
      {Tag("OPENINGBALANCE", "5") + Tag("OPENINGVALUE", "-1,000"),
       "OPENINGVALUE|-1,000|not a number"},
      {Allocation("Main Location", "", "1 Nos", "", "") + Allocation("Cellar", "", "2", "", ""),
       "GODOWNNAME|Cellar|godown Cellar not in the company"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.figures);
    Exec("delete from product");
    ASSERT_FALSE(Migrate(Item("Ceylon", Tag("BASEUNITS", "Nos") + c.figures)));
    EXPECT_EQ(rejects_, (Strings{"STOCKITEM|Ceylon|" + c.reject}));
    EXPECT_EQ(One("SELECT COUNT(*) FROM product"), "1");
    EXPECT_EQ(Stock(), Strings{});
    EXPECT_EQ(counts_["opening stock"], "0/0/1");
  }
  ExpectInvariants();
}

TEST_P(Migration, ADryRunOrAFailureHalfWayLeavesTheTargetAsItWas) {
  const Strings before = Dump();
  EXPECT_FALSE(Migrate(kExport, transDryRun));
  EXPECT_TRUE(rolled_back_);
  EXPECT_EQ(opening_.debit, 30000);  // what a real run would leave
  EXPECT_EQ(Dump(), before);

  // The workbook step runs after the export's accounts and fails: nothing stays.
  MigrationPlan plan;
  plan.sources.push_back(
      {"product-groups", dir_.File("missing.csv"), dir_.Write("m.csv", "Name,gpname\n"), 1});
  EXPECT_TRUE(Migrate(kExport, transAtomic, plan));
  EXPECT_TRUE(rolled_back_);
  EXPECT_EQ(Dump(), before);
  EXPECT_EQ(counts_["ledgers"], "0/0/0");
}

// A products import on its own, statement by statement, that the target
// stops half way keeps the items before the stop whole: their stock on a
// receipt of its own depot.
TEST_P(Migration, AnImportStoppedHalfWayKeepsTheStockOfTheItemsBeforeTheStop) {
  Exec(multi_user() ? "CREATE TRIGGER boom BEFORE INSERT ON product FOR EACH ROW SET "
                      "NEW.pcode=IF(NEW.pname='Nilgiri', NULL, NEW.pcode)"
                    : "CREATE TRIGGER boom BEFORE INSERT ON product WHEN NEW.pname='Nilgiri' "
                      "BEGIN SELECT RAISE(ABORT, 'no'); END");
  EXPECT_FALSE(RunImport(&DependProcesser::ImportDepots, srcXML,
                         dir_.Write("d.xml", Envelope("<GODOWN NAME=\"North Store\"/>"))));
  EXPECT_TRUE(
      RunImport(&DependProcesser::ImportProducts, srcXML, dir_.Write("e.xml", Envelope(kItems))));
  EXPECT_EQ(Stock(), (Strings{"1|Assam Leaf||120", "1|Darjeeling||10", "2|Darjeeling|B-17|20"}));
  EXPECT_EQ(One("SELECT SUM(amt) FROM transactionreceipts WHERE rcpttype='OS'"), "8660");
  ExpectInvariants();
}

TEST_P(Migration, APlanRunsItsSourcesInDependencyOrder) {
  // The heads workbook is listed after the export whose ledger needs its head.
  MigrationPlan plan;
  plan.as_of = "2026-04-01";
  plan.sources.push_back({"account-heads",
                          dir_.Write("h.csv", "Head,Under\nAgents,Sundry Debtors\n"),
                          dir_.Write("h-map.csv", "Head,headname\nUnder,underhead\n"), 1});
  ASSERT_FALSE(Migrate(Ledger("Mehta & Sons", "Agents", Balance("-10")), transAtomic, plan))
      << ::testing::PrintToString(rejects_);
  EXPECT_EQ(Rows("SELECT l.ledname, h.headname FROM accountledger l JOIN accounthead h ON "
                 "h.headcode=l.headcode"),
            Strings{"Mehta & Sons|Agents"});
  EXPECT_EQ(One("SELECT vdate FROM generalledger"), "2026-04-01");
  EXPECT_EQ(counts_["account heads"], "1/0/0");

  plan.as_of = "2026-02-30";
  EXPECT_TRUE(Migrate("", transAtomic, plan));

  // A stock workbook runs after the export's items whatever the order, and
  // replaces the main location's stock of Darjeeling (code 2) in batch B-17
  // only: the North Store's keeps its lines.
  MigrationPlan stock;
  stock.sources.push_back(
      {"opening-stock", dir_.Write("s.csv", "Code,Batch,Qty,Rate\n2,B-17,7,90\n"),
       dir_.Write("s-map.csv", "Code,pcode\nBatch,batchname\nQty,openingstock\nRate,purrate\n"),
       1});
  ASSERT_FALSE(Migrate(kExport, transAtomic, stock));
  EXPECT_EQ(Stock(), (Strings{"1|Assam Leaf||120", "1|Darjeeling||10", "1|Darjeeling|B-17|7",
                              "2|Darjeeling|B-17|20"}));
  ExpectInvariants();
}

VANTREL_BOTH_TARGETS(Migration);

}  // namespace
}  // namespace vantrel
