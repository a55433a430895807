// The statement trace the tool writes: one statement per line, whatever the values hold.
#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

#include "platform/variant/convert.h"
#include "support/company_fixture.h"

namespace vantrel {
namespace {

TEST(TraceFile, AValueWithLineBreaksStaysOnItsStatementsLine) {
  TempDir dir;
  const std::string db = dir.File("c.db"), trace = dir.File("trace.sql");
  dir.Write("map.csv", "Head Name,headname\nParent,underhead\n");
  dir.Write("h.csv", "Head Name,Parent\n\"North\r\nEast\",Sundry Debtors\nWest,Sundry Debtors\n");
  const std::string tool = VANTREL_TOOL_PATH;
  const std::string cmd = "cd '" + dir.path() + "' && " + tool + " init c.db >/dev/null && " +
                          tool + " import account-heads h.csv --map map.csv --target c.db " +
                          "--log-dir . --trace-sql trace.sql >/dev/null 2>&1";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  std::istringstream lines(ReadFile(trace));
  std::vector<std::string> inserts;
  for (std::string line; std::getline(lines, line);) {
    const std::string word = ToLower(line.substr(0, 6));
    EXPECT_TRUE(word == "select" || word == "insert" || word == "update") << line;
    if (line.rfind("insert into accounthead", 0) == 0) inserts.push_back(line);
  }
  EXPECT_EQ(inserts,
            (std::vector<std::string>{"insert into accounthead([headcode],[headname],[underhead])"
                                      "values(60,'North  East',9)",
                                      "insert into accounthead([headcode],[headname],[underhead])"
                                      "values(61,'West',9)"}));
}

}  // namespace
}  // namespace vantrel
