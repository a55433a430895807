// The command line, run as a separate process the way a user runs it.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <sstream>

#include "support/company_fixture.h"

namespace vantrel {
namespace {

long Lines(const std::string& text) { return std::count(text.begin(), text.end(), '\n'); }

// The fields of each line of a CSV text (quoted fields may hold commas, quotes
// and line breaks).
std::vector<Strings> CsvRecords(const std::string& text) {
  std::vector<Strings> records;
  Strings fields(1);
  bool quoted = false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quoted && c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
      fields.back() += '"';
      ++i;
    } else if (c == '"') {
      quoted = !quoted;
    } else if (!quoted && c == ',') {
      fields.emplace_back();
    } else if (!quoted && c == '\n') {
      records.push_back(fields);
      fields.assign(1, "");
    } else {
      fields.back() += c;
    }
  }
  return records;
}

class Cli : public ::testing::Test {
 protected:
  ToolResult Run(const std::string& args) { return RunTool(args, dir_.path()); }
  std::string Sample(const std::string& name) const {
    return std::string(VANTREL_SAMPLES_DIR) + "/" + name;
  }
  TempDir dir_;
};

TEST_F(Cli, UsageErrorsExitTwoWithOneLineReasonFailuresOneAndHelpZero) {
  for (const std::string args :
       {"", "import", "import accounts", "import ledgers x.xml --target c.db",
        "import accounts x.txt --target c.db", "import accounts x.xml",
        "import account-heads x.xml --target c.db", "import account-heads x.xls --target c.db",
        "import accounts x.xml --server h",
        "import accounts x.xml --target c.db --server h --database d", "init",
        "import accounts x.xml --target c.db --source-type json"}) {
    const ToolResult r = Run(args);
    EXPECT_EQ(r.status, 2) << args << "\n" << r.out;
    EXPECT_EQ(Lines(r.out), 1) << args << "\n" << r.out;
  }
  dir_.Write("map.csv", "Head Name,headname\n\nParent\n");
  const ToolResult r =
      Run("import account-heads " + Sample("heads.xls") + " --map map.csv --target c.db");
  EXPECT_EQ(r.status, 2);
  EXPECT_TRUE(Holds(r.out, "map.csv:3"));
  const ToolResult failed = Run("import depots " + Sample("export.xml") + " --target missing.db");
  EXPECT_EQ(failed.status, 1);
  EXPECT_TRUE(Holds(failed.out, "Orvik: "));
  EXPECT_TRUE(Holds(failed.out, "missing.db"));
  const ToolResult help = Run("import --help");
  EXPECT_EQ(help.status, 0);
  for (const char* word : {"account-heads", "opening-stock", "--map", "--trace-sql", "headname"})
    EXPECT_TRUE(Holds(help.out, word));
  EXPECT_EQ(Run("--version").out, std::string("vantrel ") + VANTREL_VERSION + "\n");
}

TEST_F(Cli, HeadImportPrintsASummaryAndTracesEveryStatementOnOneLine) {
  ASSERT_EQ(Run("init c.db").status, 0);
  const ToolResult again = Run("init c.db");
  EXPECT_EQ(again.status, 1);
  EXPECT_TRUE(Holds(again.out, "c.db"));
  dir_.Write("map.csv", "\"Head Name\",headname\r\nParent Head,underhead\r\n");
  // --log-dir wins over $VANTREL_LOG_DIR.
  ASSERT_EQ(mkdir(dir_.File("logs").c_str(), 0755), 0);
  setenv("VANTREL_LOG_DIR", dir_.File("elsewhere").c_str(), 1);
  const ToolResult r =
      Run("import account-heads " + Sample("heads.xls") +
          " --map map.csv --target c.db --log-dir logs --trace-sql trace.sql --rejects r.csv");
  unsetenv("VANTREL_LOG_DIR");
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_TRUE(Holds(r.out,
                    "10 rows imported, 2 rows refused, log: logs/accountheads.log, "
                    "rejects: r.csv\n"));
  // A refused row per line, once the workers list them: row, name, column, value, reason.
  const std::vector<Strings> rejects = CsvRecords(ReadFile(dir_.File("r.csv")));
  ASSERT_FALSE(rejects.empty());
  EXPECT_EQ(rejects[0], (Strings{"row", "name", "column", "value", "reason"}));
  EXPECT_TRUE(rejects.size() == 1 || rejects.size() == 3) << rejects.size();
  for (const Strings& line : rejects) EXPECT_EQ(line.size(), 5u);
  EXPECT_TRUE(Holds(ReadFile(dir_.File("trace.sql")),
                    "insert into accounthead([headcode],[headname],[underhead])values(60,"
                    "'Trade Debtors - North',9)\n"));
  EXPECT_TRUE(Holds(ReadFile(dir_.File("logs/accountheads.log")), "Export Debtors"));

  // A value with line breaks stays on its statement's line.
  dir_.Write("h.csv",
             "Head Name,Parent Head\n\"North\r\nEast\",Sundry Debtors\nWest,Sundry Debtors\n");
  ASSERT_EQ(
      Run("import account-heads h.csv --map map.csv --target c.db --log-dir . --trace-sql t.sql")
          .status,
      0);
  std::istringstream lines(ReadFile(dir_.File("t.sql")));
  Strings inserts;
  for (std::string line; std::getline(lines, line);)
    if (line.rfind("insert into accounthead", 0) == 0) inserts.push_back(line);
  EXPECT_EQ(inserts, (Strings{"insert into accounthead([headcode],[headname],[underhead])"
                              "values(70,'North  East',9)",
                              "insert into accounthead([headcode],[headname],[underhead])"
                              "values(71,'West',9)"}));
}

TEST_F(Cli, MarkupImportSummarisesAndListsEverySkippedRecord) {
  ASSERT_EQ(Run("init c.db").status, 0);
  for (const char* kind : {"accounts", "products", "depots"}) {
    const ToolResult r =
        Run(std::string("import ") + kind + " " + Sample("export.xml") + " --target c.db --quiet");
    EXPECT_EQ(r.status, 0) << kind << ": " << r.out;
    EXPECT_TRUE(Holds(r.out, " records written, "));
    EXPECT_EQ(Lines(r.out), 1) << r.out;
  }
  dir_.Write("x.xml",
             "<ENVELOPE><GROUP NAME=\"North\"><PARENT>Sundry Debtors</PARENT></GROUP>"
             "<LEDGER NAME=\"Acme, Ltd\"><PARENT>North</PARENT></LEDGER>"
             "<LEDGER NAME=\"Big &quot;B&quot;\"><PARENT>South, &quot;Far&quot;</PARENT></LEDGER>"
             "<LEDGER NAME=\"Loose\"/></ENVELOPE>");
  ToolResult r = Run("import accounts x.xml --target c.db --quiet --rejects rejects.csv");
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(r.out, "2 records written, 2 records skipped, rejects: rejects.csv\n");
  EXPECT_EQ(ReadFile(dir_.File("rejects.csv")),
            "kind,name,parent,reason\n"
            "LEDGER,\"Big \"\"B\"\"\",\"South, \"\"Far\"\"\",parent group not found\n"
            "LEDGER,Loose,,parent is empty\n");
  r = Run("import accounts x.xml --target c.db --quiet");
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(r.out, "0 records written, 4 records skipped (list them with --rejects FILE)\n");
  r = Run("import accounts x.xml --target c.db --rejects missing/rejects.csv");
  EXPECT_EQ(r.status, 2) << r.out;
  EXPECT_TRUE(Holds(r.out, "missing/rejects.csv"));
}

}  // namespace
}  // namespace vantrel
