// Progress reports with a total: every step of every import, from its start to its end.
#include <gtest/gtest.h>

#include "support/company_fixture.h"
#include "vantrel/vantrel.h"

namespace vantrel {
namespace {

struct Report {
  std::string what;
  long done;
  long total;
};

// A step as its reports showed it, and the first broken promise, if any.
struct Step {
  std::string what;
  long total;
  long reports;
  long last_done;
  std::string fault;
};

std::vector<Step> Steps(const std::vector<Report>& reports) {
  std::vector<Step> steps;
  for (const Report& r : reports) {
    if (r.done == 0) {
      steps.push_back({r.what, r.total, 0, 0, ""});
    } else if (steps.empty() || steps.back().what != r.what) {
      steps.push_back({r.what, r.total, 0, 0, "began past 0"});
    }
    Step& s = steps.back();
    if (s.fault.empty() && r.total != s.total) s.fault = "total changed";
    if (s.fault.empty() && r.done < s.last_done) s.fault = "went back";
    if (s.fault.empty() && r.done > r.total) s.fault = "past the total";
    s.last_done = r.done;
    ++s.reports;
  }
  return steps;
}

using ProgressSteps = CompanyTest;

// Through the C entry, which hands the reports on unchanged. Rows a worker
// passes without a verdict (products without a name column) still end their
// step at its total.
TEST_P(ProgressSteps, EveryStepStartsAtNothingAndEndsAtItsTotal) {
  auto sample = [](const std::string& name) {
    return std::string(VANTREL_SAMPLES_DIR) + "/" + name;
  };
  auto sample_map = [&](const std::string& name) {
    MapTable map;
    std::string error;
    EXPECT_TRUE(LoadMapFile(sample(name), map, error)) << error;
    return map;
  };
  struct Case {
    Method method;
    int source_type;
    std::string source;
    MapTable map;
    std::vector<std::pair<std::string, long>> steps;  // what, total
    bool every_item = true;                           // reported after each one
  };
  const std::vector<Case> cases = {
      {&DependProcesser::ImportAccountHeads,
       srcEXCEL,
       sample("heads.xls"),
       sample_map("heads-map.csv"),
       {{"worksheet rows", 12}}},
      {&DependProcesser::ImportAccounts,
       srcEXCEL,
       sample("ledgers.xls"),
       sample_map("ledgers-map.csv"),
       {{"worksheet rows", 14}}},
      {&DependProcesser::ImportOS,
       srcEXCEL,
       sample("stock.xls"),
       sample_map("stock-map.csv"),
       {{"worksheet rows (products)", 10}, {"worksheet rows (stock)", 10}}},
      {&DependProcesser::ImportProducts,
       srcEXCEL,
       dir_.Write("p.csv", "Code,Group\nP1,Beverages\nP2,Beverages\nP3,Tea\n"),
       Map("Code=pcode,Group=gpcode"),
       {{"worksheet rows", 3}},
       false},
      {&DependProcesser::ImportAccounts,
       srcXML,
       sample("export.xml"),
       {},
       {{"account groups", 6}, {"ledgers", 6}}},
      {&DependProcesser::ImportProducts,
       srcXML,
       sample("export.xml"),
       {},
       {{"stock groups", 4}, {"stock items", 5}}},
      {&DependProcesser::ImportDepots, srcXML, sample("export.xml"), {}, {{"depots", 3}}},
  };
  std::vector<Report> reports;
  vantrel_set_progress_total_handler(
      [](const char* what, long done, long total, void* user) {
        static_cast<std::vector<Report>*>(user)->push_back({what, done, total});
      },
      &reports);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.source);
    reports.clear();
    EXPECT_FALSE(RunImport(c.method, c.source_type, c.source, c.map));
    const std::vector<Step> steps = Steps(reports);
    ASSERT_EQ(steps.size(), c.steps.size());
    for (size_t i = 0; i < steps.size(); ++i) {
      EXPECT_EQ(steps[i].what, c.steps[i].first);
      EXPECT_EQ(steps[i].total, c.steps[i].second) << steps[i].what;
      EXPECT_EQ(steps[i].fault, "") << steps[i].what;
      EXPECT_EQ(steps[i].last_done, steps[i].total) << steps[i].what;
      if (c.every_item) {
        EXPECT_EQ(steps[i].reports, steps[i].total + 1) << steps[i].what;
      }
    }
  }
  vantrel_set_progress_total_handler(nullptr, nullptr);
}

INSTANTIATE_TEST_SUITE_P(Targets, ProgressSteps, ::testing::Values(0), ::vantrel::TargetName);

}  // namespace
}  // namespace vantrel
