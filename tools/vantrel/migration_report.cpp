#include "migration_report.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "import_report.h"

namespace vantrel_tool {
namespace {

std::string Number(long n) { return std::to_string(n); }

// A path's last part: the facts above name each source in full.
std::string FileName(const std::string& path) { return path.substr(path.find_last_of('/') + 1); }

long Refused(const MigrationRun& run) {
  long n = 0;
  for (const vantrel::KindCount& c : run.counts) n += c.refused;
  return n;
}

std::string Outcome(const MigrationRun& run) {
  if (run.dry_run && !run.failed)
    return "Dry run: nothing was written. The counts show what the migration would write.";
  if (run.rolled_back) return "Ended on an error and rolled back: nothing was written.";
  if (run.failed) return "Ended on an error (see the messages).";
  if (Refused(run) > 0) return "Completed, with refused records.";
  return "Completed.";
}

std::string Difference(const vantrel::OpeningTotals& t) {
  return Agrees(t) ? "debit and credit agree"
                   : "debit and credit DIFFER by " + Amount(std::fabs(t.debit - t.credit));
}

Section CountsSection(const MigrationRun& run) {
  HtmlTable table({{"Kind"},
                   {run.dry_run ? "Would be written" : "Written", true},
                   {"Already there", true},
                   {"Refused", true}});
  vantrel::KindCount sum;
  for (const vantrel::KindCount& c : run.counts) {
    table.Add({c.kind, Number(c.written), Number(c.already_there), Number(c.refused)});
    sum.written += c.written;
    sum.already_there += c.already_there;
    sum.refused += c.refused;
  }
  table.SetTotals({"All", Number(sum.written), Number(sum.already_there), Number(sum.refused)});
  return {"counts", "What was migrated",
          table.Html("counts") +
              "<p>\"Already there\": the company has the record; it was left as it is.</p>\n"};
}

Section TrialBalanceSection(const MigrationRun& run) {
  Section section{"trial-balance", "Opening trial balance", ""};
  if (!run.opening_known) {
    section.html = "<p>The migration did not run to its end: there is no trial balance.</p>\n";
    return section;
  }
  const vantrel::OpeningTotals& t = run.opening;
  HtmlTable table({{"Total debit", true}, {"Total credit", true}, {"Difference", true}});
  table.Add({Amount(t.debit), Amount(t.credit), Amount(std::fabs(t.debit - t.credit))});
  section.html =
      table.Html("trial-balance") + "<p>The ledgers' opening balances: " + Difference(t) +
      ".</p>\n<p>Opening stock value, not part of the trial balance: " + Amount(t.stock_value) +
      ".</p>\n";
  return section;
}

Section DepotSection(const MigrationRun& run) {
  Section section{"stock", "Opening stock per depot", ""};
  if (!run.opening_known || run.opening.depots.empty()) {
    section.html = "<p>No opening stock.</p>\n";
    return section;
  }
  HtmlTable table({{"Depot"}, {"Items", true}, {"Quantity", true}, {"Value", true}});
  double quantity = 0, value = 0;
  for (const vantrel::DepotStock& d : run.opening.depots) {
    table.Add({d.name, Number(d.items), Quantity(d.quantity), Amount(d.value)});
    quantity += d.quantity;
    value += d.value;
  }
  table.SetTotals({"All depots", "", Quantity(quantity), Amount(value)});
  section.html = table.Html("depots") + "<p>Quantities are in each product's base unit.</p>\n";
  return section;
}

Section RefusedSection(const MigrationRun& run) {
  Section section{"refused", "Refused records and rows", ""};
  if (run.rejects.empty()) {
    section.html = "<p>Nothing was refused.</p>\n";
    return section;
  }
  for (const auto& [reason, list] : ByReason(run.rejects)) {
    section.html +=
        "<h3>" + HtmlEscape(reason) + ": " + Grouped(static_cast<long>(list.size())) + "</h3>\n";
    HtmlTable table({{"Source"}, {"Kind"}, {"Row", true, false}, {"Name"}, {"Column"}, {"Value"}});
    for (const vantrel::RejectedRecord* r : list)
      table.Add({FileName(r->source), r->kind, r->row > 0 ? Number(r->row) : "", r->name, r->column,
                 r->value});
    section.html += table.Html("rejects");
  }
  return section;
}

}  // namespace

std::string Amount(double value) {
  const long long cents = std::llround(std::fabs(value) * 100);
  char decimals[8];
  std::snprintf(decimals, sizeof decimals, ".%02lld", cents % 100);
  return (value < 0 && cents > 0 ? "-" : "") + Grouped(static_cast<long>(cents / 100)) + decimals;
}

std::string Quantity(double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%.3f", value);
  std::string s = text;
  s.erase(s.find_last_not_of('0') + 1);
  if (s.back() == '.') s.pop_back();
  const size_t dot = std::min(s.find('.'), s.size());
  const bool negative = s[0] == '-';
  const std::string whole = Grouped(std::atol(s.substr(0, dot).c_str()));
  return (negative && whole[0] != '-' ? "-" : "") + whole + s.substr(dot);
}

bool Agrees(const vantrel::OpeningTotals& totals) {
  return std::llround(totals.debit * 100) == std::llround(totals.credit * 100);
}

std::string SummaryText(const MigrationRun& run) {
  std::string text;
  for (const vantrel::KindCount& c : run.counts)
    text += c.kind + ": " + Grouped(c.written) + (run.dry_run ? " to write, " : " written, ") +
            Grouped(c.already_there) + " already there, " + Grouped(c.refused) + " refused\n";
  if (!run.opening_known) return text;
  const vantrel::OpeningTotals& t = run.opening;
  text += "opening trial balance: debit " + Amount(t.debit) + ", credit " + Amount(t.credit) +
          ", difference " + Amount(std::fabs(t.debit - t.credit)) + ": " + Difference(t) + "\n";
  text += "opening stock value: " + Amount(t.stock_value) + "\n";
  if (t.depots.empty()) return text;
  // The depots as a table: names padded to the longest, numbers to the right.
  size_t width = 5;
  for (const vantrel::DepotStock& d : t.depots) width = std::max(width, d.name.size());
  char line[512];
  std::snprintf(line, sizeof line, "stock per depot:\n  %-*s %8s %14s %16s\n",
                static_cast<int>(width), "depot", "items", "quantity", "value");
  text += line;
  for (const vantrel::DepotStock& d : t.depots) {
    std::snprintf(line, sizeof line, "  %-*s %8s %14s %16s\n", static_cast<int>(width),
                  d.name.c_str(), Grouped(d.items).c_str(), Quantity(d.quantity).c_str(),
                  Amount(d.value).c_str());
    text += line;
  }
  return text;
}

ReportPage MigrationReport(const MigrationRun& run) {
  ReportPage page;
  page.title = "Migration report";
  page.outcome = Outcome(run);
  page.outcome_failed = run.failed;
  for (const vantrel::MigrationSource& s : run.plan.sources)
    page.facts.emplace_back("Source: " + s.kind,
                            s.file + (s.map_file.empty() ? "" : " (mapping " + s.map_file + ")"));
  page.facts.emplace_back("Target", run.target);
  page.facts.emplace_back("Mode", run.dry_run ? "dry run: run, then rolled back"
                                              : "one transaction: all of it lands, or nothing");
  page.facts.emplace_back("Opening date", run.plan.as_of.empty() ? "today" : run.plan.as_of);
  page.facts.emplace_back("Started", LocalTime(run.started));
  page.facts.emplace_back("Time taken", Duration(run.seconds));
  page.sections.push_back(CountsSection(run));
  page.sections.push_back(TrialBalanceSection(run));
  page.sections.push_back(DepotSection(run));
  ImportRun steps;  // what the closing sections of an import's report read
  steps.from_export = true;
  steps.steps = run.steps;
  steps.messages = run.messages;
  steps.seconds = run.seconds;
  AddClosingSections(page, steps, RefusedSection(run));
  return page;
}

}  // namespace vantrel_tool
