#include "import_report.h"

#include <algorithm>
#include <map>

namespace vantrel_tool {
namespace {

// The kinds of an export's records as the counts name them, and the
// progress steps that walk them.
struct ExportKind {
  const char* count_kind;
  const char* step;
};
constexpr ExportKind kExportKinds[] = {
    {"account heads", "account groups"}, {"ledgers", "ledgers"}, {"product groups", "stock groups"},
    {"products", "stock items"},         {"depots", "depots"},
};

// A refusal because the company has the record already ("already exists",
// "ledger already exists", ...): the record is there, not lost.
bool AlreadyThere(const vantrel::RejectedRecord& r) {
  return r.reason.find("already exists") != std::string::npos;
}

std::string Number(long n) { return std::to_string(n); }

bool DryRun(const ImportRun& run) { return run.transaction_mode == vantrel::transDryRun; }

std::string ModeText(int mode) {
  if (mode == vantrel::transAtomic) return "atomic: one transaction for the whole import";
  if (mode == vantrel::transDryRun) return "dry run: run, then rolled back";
  return "per statement: each row or record on its own";
}

std::string Outcome(const ImportRun& run) {
  if (DryRun(run))
    return "Dry run: nothing was written. The counts show what the import would write.";
  if (run.rolled_back) return "Ended on an error and rolled back: nothing was written.";
  if (run.failed) return "Ended on an error: what was written before it stays (see the messages).";
  if (run.refused > 0)
    return "Completed, with refused " + std::string(run.from_export ? "records" : "rows") + ".";
  return "Completed.";
}

}  // namespace

std::vector<std::pair<std::string, std::vector<const vantrel::RejectedRecord*>>> ByReason(
    const std::vector<vantrel::RejectedRecord>& rejects) {
  std::vector<std::pair<std::string, std::vector<const vantrel::RejectedRecord*>>> groups;
  std::map<std::string, size_t> index;
  for (const vantrel::RejectedRecord& r : rejects) {
    const auto [at, added] = index.emplace(r.reason, groups.size());
    if (added) groups.push_back({r.reason, {}});
    groups[at->second].second.push_back(&r);
  }
  return groups;
}

ImportRun RunOf(const vantrel::DependProcesser& processer) {
  ImportRun run;
  run.source = processer.SourceFile();
  run.from_export = processer.SourceType() == vantrel::srcXML;
  run.transaction_mode = processer.TransactionMode();
  run.failed = processer.ErrorFlag();
  run.rolled_back = processer.RolledBack();
  run.written = processer.RowsImported();
  run.refused = processer.RowsRefused();
  run.rejects = processer.Rejects();
  run.counts = processer.Counts();
  run.log_path = processer.LogPath();
  return run;
}

std::vector<KindCount> CountsByKind(const ImportRun& run) {
  const bool nothing_written = run.rolled_back && !DryRun(run);
  std::vector<KindCount> counts;
  if (!run.from_export) {
    // Every pass walks the same sheet, and each row is counted once.
    KindCount c;
    for (const StepRecord& step : run.steps) c.in_source = std::max(c.in_source, step.total);
    c.label = run.kind + " (worksheet rows)";
    c.written = nothing_written ? 0 : run.written;
    c.existing = std::count_if(run.rejects.begin(), run.rejects.end(), AlreadyThere);
    c.refused = std::max(0L, run.refused - c.existing);
    counts.push_back(c);
    return counts;
  }
  // The counts per kind the import kept: its records, and the balances,
  // units and stock that come with them, each written, there already or
  // refused. A kind of record shows as the step that walked it, and holds
  // as many as the step had, of which an error may have left some untouched.
  for (const vantrel::KindCount& k : run.counts) {
    KindCount c;
    c.label = k.kind;
    c.written = nothing_written ? 0 : k.written;
    c.existing = k.already_there;
    c.refused = k.refused;
    c.in_source = k.written + k.already_there + k.refused;
    for (const ExportKind& e : kExportKinds)
      if (k.kind == e.count_kind) {
        c.label = e.step;
        for (const StepRecord& step : run.steps)
          if (step.what == e.step) c.in_source = std::max(c.in_source, step.total);
      }
    counts.push_back(c);
  }
  return counts;
}

Section CountsSection(const ImportRun& run) {
  const std::vector<KindCount> counts = CountsByKind(run);
  HtmlTable table({{run.from_export ? "Records" : "Import"},
                   {run.from_export ? "In the export" : "In the worksheet", true},
                   {DryRun(run) ? "Would be written" : "Written", true},
                   {"Already there", true},
                   {"Refused", true}});
  KindCount sum;
  for (const KindCount& c : counts) {
    table.Add(
        {c.label, Number(c.in_source), Number(c.written), Number(c.existing), Number(c.refused)});
    sum.in_source += c.in_source;
    sum.written += c.written;
    sum.existing += c.existing;
    sum.refused += c.refused;
  }
  if (counts.size() > 1)
    table.SetTotals({"All", Number(sum.in_source), Number(sum.written), Number(sum.existing),
                     Number(sum.refused)});
  std::string html = table.Html("counts");
  html +=
      "<p>\"Already there\": the company has a record of that name; it was left as it is.</p>\n";
  return {"counts", "What was imported", html};
}

Section RefusedSection(const ImportRun& run) {
  const std::string noun = run.from_export ? "records" : "rows";
  Section section{"refused", run.from_export ? "Skipped records" : "Refused rows", ""};
  if (run.rejects.empty()) {
    section.html = "<p>No " + noun + " were refused.</p>\n";
    return section;
  }
  for (const auto& [reason, list] : ByReason(run.rejects)) {
    const long n = static_cast<long>(list.size());
    section.html += "<h3>" + HtmlEscape(reason) + ": " + Grouped(n) + " " +
                    (n == 1 ? noun.substr(0, noun.size() - 1) : noun) + "</h3>\n";
    if (run.from_export) {
      HtmlTable table({{"Kind"}, {"Name"}, {"Parent"}});
      for (const vantrel::RejectedRecord* r : list) table.Add({r->kind, r->name, r->parent});
      section.html += table.Html("rejects records");
    } else {
      HtmlTable table({{"Row", true, false}, {"Name"}, {"Column"}, {"Value"}});
      for (const vantrel::RejectedRecord* r : list)
        table.Add({Number(r->row), r->name, r->column, r->value});
      section.html += table.Html("rejects rows");
    }
  }
  return section;
}

Section TimeSection(const ImportRun& run) {
  HtmlTable table({{"Step"}, {"Done", true}, {"Of", true}, {"Time", true}, {"Rate", true}});
  const std::string unit = run.from_export ? " records/s" : " rows/s";
  for (const StepRecord& step : run.steps) {
    if (step.total <= 0) continue;
    const std::string rate =
        step.seconds > 0 ? Grouped(static_cast<long>(step.done / step.seconds)) + unit : "";
    table.Add({step.what, Number(step.done), Number(step.total), Duration(step.seconds), rate});
  }
  table.SetTotals({"The whole import", "", "", Duration(run.seconds), ""});
  return {"time", "Time taken", table.Html("time")};
}

Section MessagesSection(const ImportRun& run) {
  Section section{"messages", "Messages", ""};
  if (run.messages.empty()) return section;
  section.html = "<ul>\n";
  for (const std::string& m : run.messages) section.html += "<li>" + HtmlEscape(m) + "</li>\n";
  section.html += "</ul>\n";
  return section;
}

Section SignOffSection() {
  HtmlTable table({{"Checked by (name)"}, {"Signature"}, {"Date"}});
  table.Add({"", "", ""});
  return {"signoff", "Checked and accepted", table.Html("signatures")};
}

ReportPage ImportReport(const ImportRun& run) {
  ReportPage page;
  page.title = "Import report: " + run.kind;
  page.outcome = Outcome(run);
  page.outcome_failed = run.failed;
  page.facts = {{"Import", run.kind + (run.from_export ? " from an export" : " from a workbook")},
                {"Source", run.source}};
  if (!run.map_file.empty()) page.facts.emplace_back("Mapping", run.map_file);
  page.facts.emplace_back("Target", run.target);
  page.facts.emplace_back("Mode", ModeText(run.transaction_mode));
  page.facts.emplace_back("Started", LocalTime(run.started));
  page.facts.emplace_back("Time taken", Duration(run.seconds));
  if (!run.log_path.empty()) page.facts.emplace_back("Log", run.log_path);
  page.sections.push_back(CountsSection(run));
  AddClosingSections(page, run, RefusedSection(run));
  return page;
}

void AddClosingSections(ReportPage& page, const ImportRun& run, Section refused) {
  Section messages = MessagesSection(run);
  if (!messages.html.empty()) page.sections.push_back(std::move(messages));
  page.sections.push_back(std::move(refused));
  page.sections.push_back(TimeSection(run));
  page.sections.push_back(SignOffSection());
  page.footer = std::string("Written by vantrel ") + vantrel::Version() + " on " +
                LocalTime(std::time(nullptr)) + ".";
}

}  // namespace vantrel_tool
