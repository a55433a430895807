#include <algorithm>
#include <string>
#include <vector>

#include "component/import_bodies.h"
#include "dbhelpers/opening_totals.h"
#include "frame/connections.h"
#include "frame/import_frame.h"
#include "frame/processer_state.h"
#include "platform/common/error.h"
#include "platform/variant/convert.h"
#include "vantrel/DependProcesser.h"

namespace vantrel {
namespace {

// One import a migration runs: a body over one source, at its place in the
// dependency order.
struct Step {
  int rank;
  Outcome (*body)(ProcesserState&);
  const Voice* voice;
  const MigrationSource* source;
};

// An export gives three steps: its depots, its accounts and its products.
// Workbook kinds take their places between them.
std::vector<Step> StepsOf(const MigrationPlan& plan) {
  struct Kind {
    const char* name;
    int rank;
    Outcome (*body)(ProcesserState&);
    const Voice* voice;
  };
  static const Kind kKinds[] = {
      {"account-heads", 1, AccountHeadsBody, &kOrvikMethodVoice},
      {"accounts", 2, AccountsBody, &kMethodVoice},
      {"product-groups", 3, ProductGroupsBody, &kOrvikMethodVoice},
      {"products", 4, ProductsBody, &kMethodVoice},
      {"batches", 5, BatchesBody, &kOrvikMethodVoice},
      {"opening-stock", 6, OpeningStockBody, &kStockMethodVoice},
  };
  std::vector<Step> steps;
  for (const MigrationSource& source : plan.sources) {
    if (source.kind == "export") {
      steps.push_back({0, DepotsBody, &kMethodVoice, &source});
      steps.push_back({2, AccountsBody, &kMethodVoice, &source});
      steps.push_back({4, ProductsBody, &kMethodVoice, &source});
      continue;
    }
    const Kind* kind = nullptr;
    for (const Kind& k : kKinds)
      if (source.kind == k.name) kind = &k;
    if (!kind)
      throw Error("The migration plan names the source kind '" + source.kind + "' for '" +
                  source.file +
                  "': it takes export, account-heads, accounts, product-groups, products, "
                  "batches or opening-stock.");
    steps.push_back({kind->rank, kind->body, kind->voice, &source});
  }
  std::stable_sort(steps.begin(), steps.end(),
                   [](const Step& a, const Step& b) { return a.rank < b.rank; });
  return steps;
}

// The as-of date of a plan: YYYY-MM-DD and a day that exists; none when empty.
std::optional<DateValue> AsOfDate(const std::string& text) {
  if (text.empty()) return std::nullopt;
  DateValue d;
  int y = 0, m = 0, day = 0;
  bool ok = text.size() == 10 && ParseDateText(text, d);
  if (ok) {
    SplitDate(d, y, m, day);
    ok = DateText(MakeDate(y, m, day)) == text;
  }
  if (!ok)
    throw Error("The opening date '" + text +
                "' is not a day written as YYYY-MM-DD, such as 2026-04-01.");
  return d;
}

// The source settings of the object, kept over a migration.
struct SourceSettings {
  std::string file;
  int32_t type;
  MapTable map;
  int32_t header_row;
  int32_t mode;
};

}  // namespace

void DependProcesser::Migrate(const MigrationPlan& plan, bool& errOccured) {
  ProcesserState& s = *state_;
  const SourceSettings saved{s.source_file, s.source_type, s.map_info, s.header_row,
                             s.transaction_mode};
  s.transaction_mode = s.transaction_mode == transDryRun ? transDryRun : transAtomic;
  s.opening = OpeningTotals();
  RunImportFrame(s, errOccured, kMethodVoice, [&] {
    s.as_of = AsOfDate(plan.as_of);
    const std::vector<Step> steps = StepsOf(plan);
    // Every mapping is read before the target is touched.
    std::vector<MapTable> maps(plan.sources.size());
    for (size_t i = 0; i < plan.sources.size(); ++i) {
      const MigrationSource& source = plan.sources[i];
      if (source.kind == "export") continue;
      std::string error;
      if (!LoadMapFile(source.map_file, maps[i], error)) throw Error(error);
    }
    OpenTargetConnection(s);
    for (const Step& step : steps) {
      const MigrationSource& source = *step.source;
      s.source_file = source.file;
      s.source_type = source.kind == "export" ? srcXML : srcEXCEL;
      s.map_info = maps[static_cast<size_t>(&source - plan.sources.data())];
      s.header_row = source.header_row < 1 ? 1 : source.header_row;
      StepVoice voice(s, *step.voice);
      if (step.body(s) == Outcome::kRefused)
        throw Error("'" + source.file + "' cannot be read as " + source.kind + ".");
    }
    s.opening = ReadOpeningTotals();
    return Outcome::kDone;
  });
  s.rows_imported = 0;
  s.rows_refused = 0;
  for (const KindCount& c : s.counts) {
    s.rows_imported += c.written;
    s.rows_refused += c.refused + c.already_there;
  }
  s.as_of.reset();
  s.source_file = saved.file;
  s.source_type = saved.type;
  s.map_info = saved.map;
  s.header_row = saved.header_row;
  s.transaction_mode = saved.mode;
}

}  // namespace vantrel
