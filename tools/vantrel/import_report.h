// The report of one import: what it wrote, found already there and refused,
// each refused row or record with its reason, and the time it took.
#pragma once

#include <ctime>
#include <string>
#include <utility>
#include <vector>

#include "progress.h"
#include "report.h"
#include "vantrel/DependProcesser.h"

namespace vantrel_tool {

// What the tool knows of an import once it has run.
struct ImportRun {
  std::string kind;  // "accounts", "account-heads", ...
  std::string source;
  std::string map_file;
  std::string target;  // the company file, or "database on server"
  bool from_export = false;
  int transaction_mode = vantrel::transPerStatement;
  bool failed = false;
  bool rolled_back = false;
  long written = 0;
  long refused = 0;
  std::vector<vantrel::RejectedRecord> rejects;
  std::vector<vantrel::KindCount> counts;  // per kind, as the library kept them
  std::vector<StepRecord> steps;
  std::vector<std::string> messages;  // as shown, one line each
  std::string log_path;
  std::time_t started = 0;
  double seconds = 0;
};

// What the processer tells of its last import; the host adds the rest.
ImportRun RunOf(const vantrel::DependProcesser& processer);

// One line of the counts: a kind of record, or a workbook import's rows.
struct KindCount {
  std::string label;
  long in_source = 0;
  long written = 0;
  long existing = 0;  // refused as already in the company
  long refused = 0;   // refused for any other reason
};
std::vector<KindCount> CountsByKind(const ImportRun& run);

// The refusals grouped by reason, the reasons in the order first met.
std::vector<std::pair<std::string, std::vector<const vantrel::RejectedRecord*>>> ByReason(
    const std::vector<vantrel::RejectedRecord>& rejects);

// The sections of an import's report, for this command's page and for pages
// that tell of several imports.
Section CountsSection(const ImportRun& run);
Section RefusedSection(const ImportRun& run);
Section TimeSection(const ImportRun& run);
Section MessagesSection(const ImportRun& run);  // empty html when nothing was said
Section SignOffSection();

// The sections that close a page: the messages (when any were shown), the
// refusals given, the time taken, the lines to sign; and the page's footer.
void AddClosingSections(ReportPage& page, const ImportRun& run, Section refused);

// The whole page of one import.
ReportPage ImportReport(const ImportRun& run);

}  // namespace vantrel_tool
