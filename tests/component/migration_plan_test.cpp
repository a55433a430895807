// Reading a migration plan file.
#include <gtest/gtest.h>

#include "support/company_fixture.h"

namespace vantrel {
namespace {

std::string Read(const std::string& path, MigrationPlan& plan, std::string& error) {
  error.clear();
  return LoadMigrationPlan(path, plan, error) ? "" : error;
}

TEST(MigrationPlan, ReadsSourcesInFileOrderWithPathsFromThePlansFolder) {
  TempDir dir;
  const std::string plan_path = dir.Write("plan.csv",
                                          "# Harbor Lane, moved on 1 April\n"
                                          "\n"
                                          "opening-stock,stock.xls,maps/stock.csv,3\r\n"
                                          "export,/data/export.xml\n"
                                          "as-of,2024-02-29\n"
                                          "\"accounts\",\"ledgers, 2024.csv\",ledgers-map.csv,\n"
                                          "#products,products.xls\n");
  MigrationPlan plan;
  std::string error;
  ASSERT_EQ(Read(plan_path, plan, error), "");
  EXPECT_EQ(plan.as_of, "2024-02-29");
  const std::string d = dir.path() + "/";
  Strings got;
  for (const MigrationSource& s : plan.sources)
    got.push_back(s.kind + "|" + s.file + "|" + s.map_file + "|" + std::to_string(s.header_row));
  EXPECT_EQ(got, (Strings{"opening-stock|" + d + "stock.xls|" + d + "maps/stock.csv|3",
                          "export|/data/export.xml||1",
                          "accounts|" + d + "ledgers, 2024.csv|" + d + "ledgers-map.csv|1"}));
}

TEST(MigrationPlan, AMalformedLineIsRefusedNamingThePlanAndLineAndThePlanStaysAsItWas) {
  struct Case {
    const char* line;
    const char* reason;
    int at = 3;  // 0: the reader's own message names the line
  };
  const Case cases[] = {
      {"ledgers,l.xls,m.csv", "unknown kind 'ledgers'; a line starts with one of: export, "},
      {"ImportAccounts,l.xls,m.csv", "unknown kind 'ImportAccounts'"},
      {"depots,d.xls,m.csv", "unknown kind 'depots'"},
      {"export", "the export source names no file"},
      {"accounts,,m.csv", "the accounts source names no file"},
      {"accounts,l.xls", "the accounts workbook 'l.xls' needs its mapping file"},
      {"products,p.xls,", "needs its mapping file"},
      {"export,x.xml,m.csv", "an export is read without a mapping file"},
      {"export,x.xml,,2", "an export is read without a mapping file"},
      {"batches,b.xls,m.csv,0", "the header row must be a row number from 1, got '0'"},
      {"batches,b.xls,m.csv,two", "got 'two'"},
      {"batches,b.xls,m.csv,-3", "got '-3'"},
      {"batches,b.xls,m.csv,2,x", "expected 'KIND,FILE[,MAP[,HEADER_ROW]]', got 5 fields"},
      {"as-of,2023-02-29",
       "expected 'as-of,YYYY-MM-DD' with a date of the calendar, got "
       "'2023-02-29'"},
      {"as-of,1900-02-29", "got '1900-02-29'"},
      {"as-of,2024-13-01", "got '2024-13-01'"},
      {"as-of,2024-04-31", "got '2024-04-31'"},
      {"as-of,1.4.2024", "got '1.4.2024'"},
      {"as-of,", "got ''"},
      {"as-of,2024-04-01,x", "expected 'as-of,YYYY-MM-DD'"},
      {"as-of,2024-04-01\nas-of,2024-04-02", "the opening date is given twice", 4},
      {"accounts,\"l.xls,m.csv", "line 3: a quoted field is not closed", 0},
  };
  TempDir dir;
  MigrationPlan plan;
  plan.as_of = "2000-01-01";
  for (const Case& c : cases) {
    const std::string path =
        dir.Write("p.csv", std::string("# plan\nexport,x.xml\n") + c.line + "\n");
    std::string error;
    const std::string got = Read(path, plan, error);
    EXPECT_TRUE(Holds(got, c.reason)) << c.line;
    if (c.at > 0) {
      EXPECT_TRUE(Holds(got, path + ":" + std::to_string(c.at) + ": ")) << c.line;
    }
    EXPECT_EQ(plan.as_of, "2000-01-01") << c.line;
    EXPECT_TRUE(plan.sources.empty()) << c.line;
  }
  std::string error;
  EXPECT_TRUE(Holds(Read(dir.Write("e.csv", "# nothing\nas-of,2024-04-01\n"), plan, error),
                    "names no source"));
  EXPECT_TRUE(Holds(Read(dir.File("none.csv"), plan, error),
                    "cannot read plan file '" + dir.File("none.csv") + "'"));
}

}  // namespace
}  // namespace vantrel
