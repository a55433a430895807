// vantrel map and vantrel show, and --header-row, run the way a user runs them.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "platform/variant/convert.h"
#include "support/company_fixture.h"

namespace vantrel {
namespace {

// A mapping file's entries as "column,field" (field in lower case), sorted;
// comment lines left out.
Strings Entries(const std::string& text) {
  Strings entries;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    const size_t comma = line.rfind(',');
    entries.push_back(line.substr(0, comma) + "," + ToLower(line.substr(comma + 1)));
  }
  std::sort(entries.begin(), entries.end());
  return entries;
}

// Each printed line as its cells: runs of two or more blanks part them.
std::vector<Strings> Table(const std::string& text) {
  std::vector<Strings> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    Strings cells;
    for (size_t i = line.find_first_not_of(' '); i < line.size();) {
      const size_t end = line.find("  ", i);
      cells.push_back(line.substr(i, end - i));
      i = end == std::string::npos ? end : line.find_first_not_of(' ', end);
    }
    lines.push_back(cells);
  }
  return lines;
}

bool HasLine(const std::string& text, const Strings& cells) {
  const std::vector<Strings> lines = Table(text);
  return std::find(lines.begin(), lines.end(), cells) != lines.end();
}

class MapShow : public ::testing::Test {
 protected:
  ToolResult Run(const std::string& args) { return RunTool(args, dir_.path()); }
  static std::string Sample(const std::string& name) {
    return std::string(VANTREL_SAMPLES_DIR) + "/" + name;
  }
  TempDir dir_;
};

TEST_F(MapShow, ProposesTheShippedMappingOfEverySampleAndTheProposalImportsAlike) {
  // In the order the samples build on each other.
  const std::pair<const char*, const char*> samples[] = {
      {"account-heads", "heads"}, {"accounts", "ledgers"},    {"product-groups", "groups"},
      {"products", "products"},   {"opening-stock", "stock"}, {"batches", "batches"}};
  ASSERT_EQ(Run("init proposed.db").status, 0);
  ASSERT_EQ(Run("init shipped.db").status, 0);
  for (const auto& [kind, name] : samples) {
    SCOPED_TRACE(kind);
    const std::string book = Sample(std::string(name) + ".xls");
    const std::string shipped = Sample(std::string(name) + "-map.csv");
    const ToolResult map = Run(std::string("map ") + kind + " " + book + " --out m.csv");
    ASSERT_EQ(map.status, 0) << map.out;
    EXPECT_EQ(Entries(ReadFile(dir_.File("m.csv"))), Entries(ReadFile(shipped)));
    const std::string import =
        std::string("import ") + kind + " " + book + " --quiet --log-dir . --map ";
    const ToolResult proposed = Run(import + "m.csv --target proposed.db");
    const ToolResult by_hand = Run(import + shipped + " --target shipped.db");
    EXPECT_EQ(proposed.status, 0) << proposed.out;
    EXPECT_EQ(proposed.out, by_hand.out);
    EXPECT_NE(proposed.out.rfind("0 rows imported", 0), 0u) << proposed.out;
  }
  // A column that matches nothing is a comment naming the nearest fields.
  const ToolResult heads = Run("map account-heads " + Sample("heads.xls"));
  EXPECT_TRUE(Holds(heads.out, "\n# Notes: no field matched; nearest: headlevel\n"));
  EXPECT_TRUE(Holds(heads.out, "vantrel: 2 of 3 columns mapped; left as comments: Notes\n"));
  EXPECT_EQ(Run("map depots " + Sample("heads.xls")).status, 2);
}

TEST_F(MapShow, ShowPrintsColumnTypesAndRowsAndReadsCellsAsTheImportWould) {
  dir_.Write("stock.csv",
             "Name,Qty,Day,Active,Phone,Blank,Rate\n"
             "Acme,\"1,500.00\",2024-03-15,Yes,0412 550 101,,\"1,500.00\"\n"
             "Beta,\"1,50,000\",15/Mar/2024,no,0412 550 102,,\"1,50,000\"\n"
             "Gamma,12,,TRUE,,,12 Nos\n"
             "Delta,,2024-03-16,,,,\n"
             "Echo,7,,,,,abc\n");
  const ToolResult shown = Run("show stock.csv --rows 2");
  ASSERT_EQ(shown.status, 0) << shown.out;
  EXPECT_TRUE(Holds(shown.out, "Sheet 'stock': header in row 1, 5 rows below it\n"));
  const Strings types[] = {{"A", "Name", "text"},  {"B", "Qty", "number"},
                           {"C", "Day", "date"},   {"D", "Active", "yes/no"},
                           {"E", "Phone", "text"}, {"F", "Blank", "empty"},
                           {"G", "Rate", "text"}};
  for (const Strings& t : types) EXPECT_TRUE(HasLine(shown.out, t)) << t[1] << "\n" << shown.out;
  EXPECT_TRUE(HasLine(shown.out, {"Rows 2 to 3 (2 of the 5 rows below the header):"}));
  EXPECT_TRUE(HasLine(shown.out,
                      {"3", "Beta", "1,50,000", "15/Mar/2024", "no", "0412 550 102", "1,50,000"}));
  EXPECT_FALSE(Holds(shown.out, "Gamma"));

  dir_.Write("m.csv", "Name,pname\nRate,purrate\nDay,manfdate\nQty,openingstock\n");
  const ToolResult read = Run("show stock.csv --map m.csv --kind opening-stock");
  ASSERT_EQ(read.status, 0) << read.out;
  EXPECT_TRUE(HasLine(read.out, {"row", "pname", "purrate", "manfdate", "openingstock"}));
  EXPECT_TRUE(HasLine(read.out, {"2", "Acme", "1500", "2024-03-15", "1500"}));
  EXPECT_TRUE(HasLine(read.out, {"3", "Beta", "150000", "2024-03-15", "150000"}));
  EXPECT_TRUE(HasLine(read.out, {"4", "Gamma", "12", "12"}));
  EXPECT_TRUE(HasLine(read.out, {"5", "Delta", "0", "2024-03-16", "0"}));
  EXPECT_TRUE(HasLine(read.out, {"6", "Echo", "refused: not a number", "7"}));

  dir_.Write("bad.csv", "Name,pname\nCost,purrate\n");
  const ToolResult missing = Run("show stock.csv --map bad.csv --kind products");
  EXPECT_EQ(missing.status, 1);
  EXPECT_TRUE(Holds(missing.out, "no column 'Cost'"));
  EXPECT_EQ(Run("show stock.csv --map m.csv").status, 2);
}

TEST_F(MapShow, ATitleAndADateAboveTheHeaderAreSkippedAndRowsKeepTheirNumbers) {
  const std::string book = std::string(VANTREL_TEST_DATA) + "/titled.xls";
  const ToolResult titled = Run("show " + book);
  EXPECT_TRUE(Holds(titled.out,
                    "Row 1 looks like a title, not a header: the header seems to be "
                    "row 3 (--header-row 3)\n"));
  const ToolResult shown = Run("show " + book + " --header-row 3");
  EXPECT_FALSE(Holds(shown.out, "looks like a title"));
  EXPECT_TRUE(HasLine(shown.out, {"Rows 4 to 8 (5 of the 5 rows below the header):"}));

  ASSERT_EQ(Run("map accounts " + book + " --header-row 3 --out m.csv").status, 0);
  EXPECT_EQ(Entries(ReadFile(dir_.File("m.csv"))),
            (Strings{"LEDGER  NAME,ledname", "Opening Bal.,openingbalance", "Town,city",
                     "Under Group,headcode"}));
  ASSERT_EQ(Run("init c.db").status, 0);
  const ToolResult imported = Run("import accounts " + book +
                                  " --map m.csv --target c.db --log-dir . --rejects r.csv "
                                  "--header-row 3");
  EXPECT_EQ(imported.status, 0) << imported.out;
  EXPECT_TRUE(Holds(imported.out, "3 rows imported, 2 rows refused"));
  EXPECT_EQ(ReadFile(dir_.File("r.csv")),
            "row,name,column,value,reason\n"
            "6,Pioneer Traders,Opening Bal.,1200 dr,confsing openingbalance entry\n"
            "8,Overseas Agents,Under Group,Overseas Debtors,header not exists\n");

  // Products read from the row under their header too; a message names the real row.
  dir_.Write("p.csv", "Stock list\nCode,Item Name,Unit\nX1,Bolt,Nos\nX2,,Nos\n");
  dir_.Write("p-map.csv", "Code,pcode\nItem Name,pname\nUnit,Base Unit\n");
  const ToolResult products =
      Run("import products p.csv --map p-map.csv --target c.db --log-dir . --rejects pr.csv "
          "--header-row 2");
  EXPECT_TRUE(Holds(products.out, "1 row imported, 1 row refused")) << products.out;
  EXPECT_TRUE(Holds(ReadFile(dir_.File("pr.csv")),
                    "\n4,,Item Name,,product name is empty "
                    "(worksheet row 4)\n"));
}

}  // namespace
}  // namespace vantrel
