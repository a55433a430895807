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

class ProgressSteps : public CompanyTest {
 protected:
  MapTable SampleMap(const std::string& name) const {
    MapTable map;
    std::string error;
    EXPECT_TRUE(LoadMapFile(Sample(name), map, error)) << error;
    return map;
  }
  static std::string Sample(const std::string& name) {
    return std::string(VANTREL_SAMPLES_DIR) + "/" + name;
  }
};

TEST_P(ProgressSteps, EveryStepStartsAtNothingAndEndsAtItsTotal) {
  struct Case {
    Method method;
    int source_type;
    const char* source;
    const char* map;
    std::vector<std::pair<std::string, long>> steps;  // what, total
  };
  const Case cases[] = {
      {&DependProcesser::ImportAccountHeads,
       srcEXCEL,
       "heads.xls",
       "heads-map.csv",
       {{"worksheet rows", 12}}},
      {&DependProcesser::ImportAccounts,
       srcEXCEL,
       "ledgers.xls",
       "ledgers-map.csv",
       {{"worksheet rows", 14}}},
      {&DependProcesser::ImportOS,
       srcEXCEL,
       "stock.xls",
       "stock-map.csv",
       {{"worksheet rows (products)", 10}, {"worksheet rows (stock)", 10}}},
      {&DependProcesser::ImportAccounts,
       srcXML,
       "export.xml",
       nullptr,
       {{"account groups", 6}, {"ledgers", 6}}},
      {&DependProcesser::ImportProducts,
       srcXML,
       "export.xml",
       nullptr,
       {{"stock groups", 4}, {"stock items", 5}}},
      {&DependProcesser::ImportDepots, srcXML, "export.xml", nullptr, {{"depots", 3}}},
  };
  std::vector<Report> reports;
  SetProgressTotalHandler([&](const std::string& what, long done, long total) {
    reports.push_back({what, done, total});
  });
  for (const Case& c : cases) {
    SCOPED_TRACE(c.source);
    reports.clear();
    EXPECT_FALSE(RunImport(c.method, c.source_type, Sample(c.source),
                           c.map ? SampleMap(c.map) : MapTable{}));
    const std::vector<Step> steps = Steps(reports);
    ASSERT_EQ(steps.size(), c.steps.size());
    for (size_t i = 0; i < steps.size(); ++i) {
      EXPECT_EQ(steps[i].what, c.steps[i].first);
      EXPECT_EQ(steps[i].total, c.steps[i].second) << steps[i].what;
      EXPECT_EQ(steps[i].fault, "") << steps[i].what;
      EXPECT_EQ(steps[i].last_done, steps[i].total) << steps[i].what;
      // Reported after every item, not only now and then.
      EXPECT_GE(steps[i].reports, steps[i].total + 1) << steps[i].what;
    }
  }
  SetProgressTotalHandler(nullptr);
}

// Rows a worker passes without a verdict (products without a name column)
// still end the step at its total; the C entry reports the same.
TEST_P(ProgressSteps, AWorksheetStepEndsAtItsTotalWhenItsRowsGetNoVerdict) {
  std::vector<Report> reports;
  vantrel_set_progress_total_handler(
      [](const char* what, long done, long total, void* user) {
        static_cast<std::vector<Report>*>(user)->push_back({what, done, total});
      },
      &reports);
  const std::string csv = dir_.Write("p.csv", "Code,Group\nP1,Beverages\nP2,Beverages\nP3,Tea\n");
  EXPECT_FALSE(
      ImportWorkbook(&DependProcesser::ImportProducts, csv, Map("Code=pcode,Group=gpcode")));
  vantrel_set_progress_total_handler(nullptr, nullptr);
  const std::vector<Step> steps = Steps(reports);
  ASSERT_EQ(steps.size(), 1u);
  EXPECT_EQ(steps[0].fault, "");
  EXPECT_EQ(steps[0].total, 3);
  EXPECT_EQ(steps[0].last_done, 3);
}

INSTANTIATE_TEST_SUITE_P(Targets, ProgressSteps, ::testing::Values(0), ::vantrel::TargetName);

}  // namespace
}  // namespace vantrel
