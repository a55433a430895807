// The command line, run as a separate process the way a user runs it.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

#include "support/company_fixture.h"
#include "support/mariadb_server.h"

namespace vantrel {
namespace {

struct Result {
  int status;
  std::string out;  // standard output and standard error, in that order
};

Result RunTool(const std::string& args, const std::string& dir) {
  const std::string cmd =
      "cd '" + dir + "' && " + VANTREL_TOOL_PATH + " " + args + " >out.txt 2>err.txt";
  const int rc = std::system(cmd.c_str());
  return {WIFEXITED(rc) ? WEXITSTATUS(rc) : -1,
          ReadFile(dir + "/out.txt") + ReadFile(dir + "/err.txt")};
}

class Cli : public ::testing::Test {
 protected:
  Result Run(const std::string& args) { return RunTool(args, dir_.path()); }
  std::string Sample(const std::string& name) const {
    return std::string(VANTREL_SAMPLES_DIR) + "/" + name;
  }
  TempDir dir_;
};

TEST_F(Cli, UsageErrorsExitTwoWithOneLineReason) {
  for (const std::string args :
       {"", "import", "import accounts", "import ledgers x.xml --target c.db",
        "import accounts x.txt --target c.db", "import accounts x.xml",
        "import account-heads x.xml --target c.db", "import account-heads x.xls --target c.db",
        "import accounts x.xml --server h",
        "import accounts x.xml --target c.db --server h --database d", "init",
        "import accounts x.xml --target c.db --source-type json",
        "import account-heads x.xls --map m.csv --target c.db --rejects r.csv"}) {
    const Result r = Run(args);
    EXPECT_EQ(r.status, 2) << args << "\n" << r.out;
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1) << args << "\n" << r.out;
  }
}

TEST_F(Cli, HelpTeachesTheKindsAndTheMappingFile) {
  const Result r = Run("import --help");
  EXPECT_EQ(r.status, 0);
  for (const char* word : {"account-heads", "opening-stock", "--map", "--trace-sql", "headname"})
    EXPECT_NE(r.out.find(word), std::string::npos) << word;
}

TEST_F(Cli, InitRefusesAnExistingFile) {
  EXPECT_EQ(Run("init c.db").status, 0);
  const Result again = Run("init c.db");
  EXPECT_EQ(again.status, 1);
  EXPECT_NE(again.out.find("c.db"), std::string::npos);
}

TEST_F(Cli, MalformedMapFileNamesTheLine) {
  dir_.Write("map.csv", "Head Name,headname\n\nParent\n");
  const Result r =
      Run("import account-heads " + Sample("heads.xls") + " --map map.csv --target c.db");
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.out.find("map.csv:3"), std::string::npos) << r.out;
}

TEST_F(Cli, HeadImportPrintsASummaryAndTracesEveryStatement) {
  ASSERT_EQ(Run("init c.db").status, 0);
  dir_.Write("map.csv", "\"Head Name\",headname\r\nParent Head,underhead\r\n");
  const Result r = Run("import account-heads " + Sample("heads.xls") +
                       " --map map.csv --target c.db --log-dir . --trace-sql trace.sql");
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_NE(r.out.find("10 rows imported, 2 rows refused, log: ./accountheads.log"),
            std::string::npos)
      << r.out;
  const std::string trace = ReadFile(dir_.File("trace.sql"));
  EXPECT_NE(trace.find("insert into accounthead([headcode],[headname],[underhead])values(60,"
                       "'Trade Debtors - North',9)\n"),
            std::string::npos)
      << trace;
  EXPECT_NE(ReadFile(dir_.File("accountheads.log")).find("Export Debtors"), std::string::npos);
}

TEST_F(Cli, MarkupImportsIntoANewCompanyFile) {
  ASSERT_EQ(Run("init c.db").status, 0);
  for (const char* kind : {"accounts", "products", "depots"}) {
    const Result r =
        Run(std::string("import ") + kind + " " + Sample("export.xml") + " --target c.db");
    EXPECT_EQ(r.status, 0) << kind << ": " << r.out;
    EXPECT_NE(r.out.find(" records written, "), std::string::npos) << r.out;
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1) << r.out;
  }
}

TEST_F(Cli, MarkupImportSummarisesAndListsEverySkippedRecord) {
  ASSERT_EQ(Run("init c.db").status, 0);
  dir_.Write("x.xml",
             "<ENVELOPE><GROUP NAME=\"North\"><PARENT>Sundry Debtors</PARENT></GROUP>"
             "<LEDGER NAME=\"Acme, Ltd\"><PARENT>North</PARENT></LEDGER>"
             "<LEDGER NAME=\"Big &quot;B&quot;\"><PARENT>South, &quot;Far&quot;</PARENT></LEDGER>"
             "<LEDGER NAME=\"Loose\"/></ENVELOPE>");
  Result r = Run("import accounts x.xml --target c.db --rejects rejects.csv");
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(r.out, "2 records written, 2 records skipped, rejects: rejects.csv\n");
  EXPECT_EQ(ReadFile(dir_.File("rejects.csv")),
            "kind,name,parent,reason\n"
            "LEDGER,\"Big \"\"B\"\"\",\"South, \"\"Far\"\"\",parent group not found\n"
            "LEDGER,Loose,,parent is empty\n");

  r = Run("import accounts x.xml --target c.db");
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(r.out, "0 records written, 4 records skipped (list them with --rejects FILE)\n");

  r = Run("import accounts x.xml --target c.db --rejects missing/rejects.csv");
  EXPECT_EQ(r.status, 2) << r.out;
  EXPECT_NE(r.out.find("missing/rejects.csv"), std::string::npos) << r.out;
}

TEST_F(Cli, FailedImportExitsOneWithTheMessages) {
  const Result r = Run("import depots " + Sample("export.xml") + " --target missing.db");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("Orvik: "), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("missing.db"), std::string::npos) << r.out;
}

TEST_F(Cli, ServerTargetEndToEnd) {
  VANTREL_NEED_MARIADB();
  const std::string db = "vantrel_cli_" + std::to_string(getpid());
  const std::string server = TestMariadbServer();
  ASSERT_EQ(Run("init --server " + server + " --database " + db).status, 0);
  dir_.Write("map.csv", "Head Name,headname\nParent Head,underhead\n");
  const Result r = Run("import account-heads " + Sample("heads.xls") + " --map map.csv --server " +
                       server + " --database " + db + " --log-dir . --trace-sql t.sql");
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_NE(ReadFile(dir_.File("t.sql"))
                .find("insert into accounthead(headcode,headname,underhead)values(60,'Trade "
                      "Debtors - North',9)"),
            std::string::npos);
  EXPECT_EQ(Run("init --server " + server + " --database " + db).status, 1);
  DropTestDatabase(db);
}

}  // namespace
}  // namespace vantrel
