// vantrel migrate, run as a user runs it, on the company file and on the server.
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>

#include "support/company_fixture.h"

namespace vantrel {
namespace {

std::string Sample(const std::string& name) {
  return std::string(VANTREL_SAMPLES_DIR) + "/" + name;
}

long Lines(const std::string& text) { return std::count(text.begin(), text.end(), '\n'); }

TEST(MigrateCommand, UsageErrorsExitTwoWithOneLineNamingWhatIsWrongAndHelpTeachesThePlan) {
  TempDir dir;
  dir.Write("bad.csv", "# plan\nledgers,l.xls,m.csv\n");
  const std::string x = " " + Sample("export.xml");
  const std::pair<std::string, const char*> cases[] = {
      {"migrate --target c.db", "give the EXPORT to migrate or --plan FILE"},
      {"migrate" + x + " --plan bad.csv --target c.db", "give the EXPORT to migrate or --plan"},
      {"migrate" + x, "give --target FILE or --server HOST --database NAME"},
      {"migrate" + x + " --server h", "--server needs --database NAME"},
      {"migrate" + x + " --target c.db --server h --database d", "not both"},
      {"migrate" + x + " --target c.db --as-of 2024-02-30",
       "--as-of must be a date written "
       "YYYY-MM-DD, got '2024-02-30'"},
      {"migrate" + x + " --target c.db --as-of 1/4/2024", "got '1/4/2024'"},
      {"migrate --plan bad.csv --target c.db", "bad.csv:2: unknown kind 'ledgers'"},
      {"migrate --plan none.csv --target c.db", "cannot read plan file 'none.csv'"},
      {"migrate" + x + " --target c.db --rejects no/r.csv", "cannot write the rejects file"},
      {"migrate" + x + " --target c.db --report no/r.html", "cannot write the report file"},
      {"migrate" + x + " --target c.db --lock-wait 60 --server-timeout 30",
       "--lock-wait must be shorter than --server-timeout"},
      {"migrate" + x + " --target c.db --header-row 2", "--header-row"},
  };
  for (const auto& [args, reason] : cases) {
    const ToolResult r = RunTool(args, dir.path());
    EXPECT_EQ(r.status, 2) << args << "\n" << r.out;
    EXPECT_EQ(Lines(r.out), 1) << args << "\n" << r.out;
    EXPECT_TRUE(Holds(r.out, reason)) << args;
  }
  const ToolResult help = RunTool("migrate --help", dir.path());
  EXPECT_EQ(help.status, 0);
  for (const char* part : {"KIND,FILE[,MAP[,HEADER_ROW]]", "as-of,2024-04-01", "export,export.xml",
                           "--dry-run", "--rejects", "trial balance", "dependency order"})
    EXPECT_TRUE(Holds(help.out, part)) << part;
}

class Migrate : public CompanyTest {
 protected:
  ToolResult Run(const std::string& args) {
    const std::string target = multi_user()
                                   ? " --server " + TestMariadbServer() + " --database " + database_
                                   : " --target " + database_;
    return RunTool("migrate " + args + target + " --quiet", dir_.path());
  }
  // Each ledger's opening balance line, a debit positive: name|amount|particulars.
  Strings Balances() const {
    return Rows(
        "SELECT l.ledname, COALESCE(g.dbamt, 0) - COALESCE(g.cramt, 0), g.particulars "
        "FROM generalledger g JOIN accountledger l ON l.ledcode = g.ledcode "
        "WHERE g.vtype = 'JP' ORDER BY g.vno, g.slno");
  }
  // The stock of each depot: name|products|quantity.
  Strings Stock() const {
    return Rows(
        "SELECT d.dname, COUNT(DISTINCT i.pcode), SUM(i.os) FROM inventory i "
        "JOIN depot d ON d.dcode = i.dcode WHERE i.os <> 0 GROUP BY d.dname ORDER BY d.dname");
  }
};

TEST_P(Migrate, TheSampleExportLandsWithBalancesAndStockPerDepotAndARerunAddsNothingTwice) {
  const ToolResult r =
      Run(Sample("export.xml") + " --as-of 2024-04-01 --rejects r.csv --report r.html");
  ASSERT_EQ(r.status, 0) << r.out;
  for (const char* line :
       {"ledgers: 6 written, 0 already there, 0 refused\n",
        "opening balances: 6 written, 0 already there, 0 refused\n",
        "products: 5 written, 0 already there, 0 refused\n",
        "units: 5 written, 0 already there, 0 refused\n",
        "opening stock: 4 written, 0 already there, 0 refused\n",
        "opening trial balance: debit 47,500.00, credit 47,500.00, difference 0.00: debit and "
        "credit agree\n",
        "opening stock value: 72,060.00\n", "rejects: r.csv, report: r.html\n"})
    EXPECT_TRUE(Holds(r.out, line));
  // The depots in the company's order: name, items, quantity, value.
  EXPECT_TRUE(std::regex_search(
      r.out, std::regex("Main Location +4 +234 +50,585.00\n +Dockside Warehouse +2 +90 +20,275.00\n"
                        " +Cold Store +1 +48 +1,200.00\n")))
      << r.out;
  const Strings balances = {"Blue Anchor Hotel|18500|[Opening Balance]",
                            "Seaview Inn|9250|[Opening Balance]",
                            "OMalley & Sons|4750|[Opening Balance]",
                            "Green Valley Dairy|-12500|[Opening Balance]",
                            "Electricity Deposit|15000|[Opening Balance]",
                            "Harbor Bank Current A/c|-35000|[Opening Balance]"};
  EXPECT_EQ(Balances(), balances);
  EXPECT_EQ(One("SELECT COUNT(*) FROM generalledger WHERE vtype = 'JP' AND vdate LIKE "
                "'2024-04-01%'"),
            "6");
  const Strings stock = {"Cold Store|1|48", "Dockside Warehouse|2|90", "Main Location|4|234"};
  EXPECT_EQ(Stock(), stock);
  EXPECT_EQ(Rows("SELECT pcode, batchname FROM productbatch ORDER BY batchname").size(), 2u);
  // One file lists what every source refused, the record's source first.
  const std::string rejects = ReadFile(dir_.File("r.csv"));
  EXPECT_EQ(rejects.substr(0, rejects.find('\n') + 1),
            "source,kind,row,name,parent,column,value,reason\n");
  EXPECT_TRUE(Holds(rejects, "export.xml,GODOWN,,Main Location,,,,reserved godown name\n"));
  const std::string report = ReadFile(dir_.File("r.html"));
  for (const char* part : {"<h2>Opening trial balance</h2>", "<td class=\"n\">47,500.00</td>",
                           "<h2>Opening stock per depot</h2>", "<td>Dockside Warehouse</td>"})
    EXPECT_TRUE(Holds(report, part));

  const ToolResult again = Run(Sample("export.xml") + " --as-of 2024-04-01");
  ASSERT_EQ(again.status, 0) << again.out;
  EXPECT_TRUE(Holds(again.out, "ledgers: 0 written, 6 already there, 0 refused\n"));
  EXPECT_TRUE(Holds(again.out, "debit 47,500.00, credit 47,500.00"));
  EXPECT_EQ(Balances(), balances);
  EXPECT_EQ(Stock(), stock);
}

TEST_P(Migrate, ADryRunAndARunThatFailsHalfWayLeaveTheTargetAsItWas) {
  // The plan's workbook names a column its sheet lacks: the last step fails,
  // after the export's steps have run.
  dir_.Write("stock.csv", "Code,Qty\nP1,5\n");
  dir_.Write("stock-map.csv", "Code,pcode\nQuantity,openingstock\n");
  dir_.Write("plan.csv",
             "export," + Sample("export.xml") + "\nopening-stock,stock.csv,stock-map.csv\n");
  struct Case {
    std::string args;
    int status;
    const char* outcome;
  };
  const Case cases[] = {
      {Sample("export.xml") + " --dry-run", 0, "dry run: nothing was written\n"},
      {"--plan " + dir_.File("plan.csv"), 1, "rolled back: nothing was written\n"},
  };
  for (const Case& c : cases) {
    const Strings before = Dump();
    const ToolResult r = Run(c.args);
    EXPECT_EQ(r.status, c.status) << c.args << "\n" << r.out;
    EXPECT_TRUE(Holds(r.out, c.outcome)) << c.args;
    EXPECT_EQ(Dump(), before) << c.args;
  }
  const ToolResult dry = Run(Sample("export.xml") + " --dry-run");
  EXPECT_TRUE(Holds(dry.out, "ledgers: 6 to write, 0 already there, 0 refused\n"));
  EXPECT_TRUE(Holds(dry.out, "debit 47,500.00, credit 47,500.00"));
}

TEST_P(Migrate, APlanRunsItsSourcesInDependencyOrderWhateverOrderItListsThem) {
  dir_.Write("stock.csv", "Code,Qty,Rate\nP1,10,100\nP2,5,40\nP9,1,1\n");
  dir_.Write("stock-map.csv", "Code,pcode\nQty,openingstock\nRate,purrate\n");
  dir_.Write("products.csv", "Code,Name,Unit\nP1,Tea Dust,Kg\nP2,Jaggery,Kg\n");
  dir_.Write("products-map.csv", "Code,pcode\nName,pname\nUnit,Base Unit\n");
  dir_.Write("ledgers.csv", "Name,Head,Balance\nCash Float,Cash-in-hand,500 db\n");
  dir_.Write("ledgers-map.csv", "Name,ledname\nHead,headcode\nBalance,openingbalance\n");
  dir_.Write("plan.csv",
             "# stock first: it needs the products, which run before it\n"
             "opening-stock,stock.csv,stock-map.csv\n"
             "products,products.csv,products-map.csv\n"
             "accounts,ledgers.csv,ledgers-map.csv\n"
             "as-of,2024-04-01\n");
  const ToolResult r = Run("--plan " + dir_.File("plan.csv") + " --rejects r.csv");
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_TRUE(Holds(r.out, "opening stock: 2 written, 0 already there, 1 refused\n"));
  EXPECT_TRUE(Holds(r.out, "logs: "));
  // A balance without its other side shows at once.
  EXPECT_TRUE(Holds(r.out,
                    "opening trial balance: debit 500.00, credit 0.00, difference 500.00: debit "
                    "and credit DIFFER by 500.00\n"));
  EXPECT_EQ(Rows("SELECT pcode, dcode, os FROM inventory ORDER BY pcode"),
            (Strings{"P1|1|10", "P2|1|5"}));
  EXPECT_EQ(Stock(), (Strings{"Main Location|2|15"}));
  EXPECT_TRUE(Holds(ReadFile(dir_.File("r.csv")),
                    "/stock.csv,opening-stock,4,P9,,Code,P9,pcode not exists\n"));
}

VANTREL_BOTH_TARGETS(Migrate);

}  // namespace
}  // namespace vantrel
