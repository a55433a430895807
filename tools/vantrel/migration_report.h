// What the tool shows of a migration: its counts per kind, the opening trial
// balance and the stock per depot, on the terminal and as a report page.
#pragma once

#include <ctime>
#include <string>
#include <vector>

#include "progress.h"
#include "report.h"
#include "vantrel/DependProcesser.h"

namespace vantrel_tool {

// "47,500.00": an amount with grouped digits and two decimals.
std::string Amount(double value);
// "178", "12.5", "0.125": a quantity, no trailing zeros, three decimals at most.
std::string Quantity(double value);
// Whether the trial balance's debit and credit agree to the paisa.
bool Agrees(const vantrel::OpeningTotals& totals);

// What the tool knows of a migration once it has run.
struct MigrationRun {
  vantrel::MigrationPlan plan;
  std::string target;  // the company file, or "database on server"
  bool dry_run = false;
  bool failed = false;
  bool rolled_back = false;
  std::vector<vantrel::KindCount> counts;
  vantrel::OpeningTotals opening;
  bool opening_known = false;  // the migration ran to its end
  std::vector<vantrel::RejectedRecord> rejects;
  std::vector<StepRecord> steps;
  std::vector<std::string> messages;
  std::time_t started = 0;
  double seconds = 0;
};

// The lines printed at the end of a migration: one per kind, then the trial
// balance, the stock value and the stock per depot (when the run ended).
std::string SummaryText(const MigrationRun& run);

ReportPage MigrationReport(const MigrationRun& run);

}  // namespace vantrel_tool
