// vantrel migrate: a whole move onto the company in one transaction, from one
// export or from the sources a plan file lists.
#include <chrono>
#include <cstdio>
#include <ctime>
#include <memory>

#include "commands.h"
#include "migration_report.h"
#include "run_options.h"

namespace vantrel_tool {
namespace {

struct MigrateOptions {
  std::string export_file;
  std::string plan_file;
  TargetOptions target;
  std::string as_of;
  bool dry_run = false;
  std::string rejects_file;
  std::string report_file;
  std::string log_dir;
  std::string trace_file;
  bool quiet = false;
  LimitOptions limits;
};

const char* const kFooter =
    "\nThe migration runs in one transaction: everything lands, or nothing does when it\n"
    "ends on an error. Refused records are no error: the summary counts them per kind\n"
    "and --rejects lists them. Sources run in dependency order, whatever order a plan\n"
    "gives: depots, account heads, accounts (groups, ledgers, opening balances),\n"
    "product groups, products (stock groups, items, units, stock), batches, opening\n"
    "stock. At the end it prints a line per kind (written, already there, refused),\n"
    "the opening trial balance (total debit and credit of the ledgers' opening\n"
    "balances, and whether they agree), the opening stock value and the stock per\n"
    "depot.\n\n"
    "A plan file lists one source per line, 'KIND,FILE[,MAP[,HEADER_ROW]]' in CSV\n"
    "quoting; KIND is export or a workbook kind (account-heads, accounts,\n"
    "product-groups, products, batches, opening-stock), which needs its mapping file.\n"
    "'as-of,YYYY-MM-DD' sets the opening date. Blank lines and lines starting with #\n"
    "are skipped; relative paths are read from the plan's folder. For example:\n"
    "  # Harbor Lane Traders, moved on 1 April 2024\n"
    "  as-of,2024-04-01\n"
    "  export,export.xml\n"
    "  account-heads,heads.xls,heads-map.csv\n"
    "  opening-stock,stock.xls,stock-map.csv,3\n\n"
    "Examples:\n"
    "  vantrel migrate export.xml --target company.db --dry-run\n"
    "  vantrel migrate export.xml --target company.db --as-of 2024-04-01 --rejects r.csv\n"
    "  vantrel migrate --plan plan.csv --server 127.0.0.1:3306 --database acme --report r.html\n"
    "Exit status: 0 done, 1 the migration failed (nothing was written), 2 the command\n"
    "line or the plan is wrong.";

// Whether `text` is a date of the calendar written YYYY-MM-DD: it reads back
// the same once the calendar has normalised it.
bool IsCalendarDate(const std::string& text) {
  std::tm tm{};
  const char* end = strptime(text.c_str(), "%Y-%m-%d", &tm);
  if (text.size() != 10 || !end || *end) return false;
  std::tm check = tm;
  check.tm_isdst = -1;
  check.tm_hour = 12;
  if (timegm(&check) == -1) return false;
  char again[16];
  std::strftime(again, sizeof again, "%Y-%m-%d", &check);
  return text == again;
}

// The plan the command line gives: the export alone, or the plan file's sources.
vantrel::MigrationPlan PlanOf(const MigrateOptions& o) {
  if (o.export_file.empty() == o.plan_file.empty())
    throw UsageError("give the EXPORT to migrate or --plan FILE, one of them");
  if (!o.as_of.empty() && !IsCalendarDate(o.as_of))
    throw UsageError("--as-of must be a date written YYYY-MM-DD, got '" + o.as_of + "'");
  vantrel::MigrationPlan plan;
  if (!o.plan_file.empty()) {
    std::string error;
    if (!vantrel::LoadMigrationPlan(o.plan_file, plan, error)) throw UsageError(error);
  } else {
    plan.sources.push_back({"export", o.export_file, "", 1});
  }
  if (!o.as_of.empty()) plan.as_of = o.as_of;
  return plan;
}

// Every refused record or row of every source, one CSV line each after a
// header; an export record has no row. False when it could not be written.
bool WriteRejects(const std::vector<vantrel::RejectedRecord>& rejects, std::ofstream& file) {
  file << "source,kind,row,name,parent,column,value,reason\n";
  for (const vantrel::RejectedRecord& r : rejects)
    file << CsvField(r.source) << ',' << CsvField(r.kind) << ','
         << (r.row > 0 ? std::to_string(r.row) : "") << ',' << CsvField(r.name) << ','
         << CsvField(r.parent) << ',' << CsvField(r.column) << ',' << CsvField(r.value) << ','
         << CsvField(r.reason) << '\n';
  file.close();
  return static_cast<bool>(file);
}

bool HasWorkbook(const vantrel::MigrationPlan& plan) {
  for (const vantrel::MigrationSource& s : plan.sources)
    if (s.kind != "export") return true;
  return false;
}

int RunMigrate(const MigrateOptions& o) {
  MigrationRun run;
  run.plan = PlanOf(o);
  CheckOneTarget(o.target);
  ApplyLimits(o.limits);
  // Opened first, so a file that cannot be written stops the run before it starts.
  std::ofstream rejects, report;
  if (!o.rejects_file.empty()) rejects = OpenOutput(o.rejects_file, "rejects file");
  if (!o.report_file.empty()) report = OpenOutput(o.report_file, "report file");
  if (!o.log_dir.empty()) vantrel::SetLogFolder(o.log_dir);
  const SqlTraceFile trace(o.trace_file);

  vantrel::DependProcesser processer;
  PointAt(processer, o.target);
  processer.SetTransactionMode(o.dry_run ? vantrel::transDryRun : vantrel::transAtomic);
  RunConsole console(o.quiet, "records");

  run.target = o.target.Describe();
  run.dry_run = o.dry_run;
  run.started = std::time(nullptr);
  const auto started = std::chrono::steady_clock::now();
  bool err = false;
  processer.Migrate(run.plan, err);
  run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  console.Finish();
  std::string close_error;
  if (!processer.CloseConn(&close_error)) {
    std::fprintf(stderr, "vantrel: closing the target: %s\n", close_error.c_str());
    err = true;
  }

  run.failed = err;
  run.rolled_back = processer.RolledBack();
  run.counts = processer.Counts();
  run.opening_known = !err;
  if (run.opening_known) run.opening = processer.Opening();
  run.rejects = processer.Rejects();
  run.steps = console.Steps();
  run.messages = console.Messages();

  // Where the refusals, the report and the logs are.
  std::string where;
  if (rejects.is_open()) {
    if (WriteRejects(run.rejects, rejects)) {
      where = "rejects: " + o.rejects_file;
    } else {
      where = "the rejects file '" + o.rejects_file + "' could not be written";
      err = true;
    }
  } else if (!run.rejects.empty()) {
    where = Count(static_cast<long>(run.rejects.size()), "record") +
            " not written (list them with --rejects FILE)";
  }
  if (report.is_open()) {
    report << MigrationReport(run).Html();
    report.close();
    where += std::string(where.empty() ? "" : ", ") +
             (report ? "report: " + o.report_file
                     : "the report '" + o.report_file + "' could not be written");
    if (!report) err = true;
  }
  if (HasWorkbook(run.plan))
    where += std::string(where.empty() ? "" : ", ") + "logs: " + vantrel::LogFolder();

  std::string text = SummaryText(run);
  if (!where.empty()) text += where + "\n";
  if (run.rolled_back)
    text += o.dry_run ? "dry run: nothing was written\n" : "rolled back: nothing was written\n";
  std::fputs(text.c_str(), stdout);
  if (err && run.messages.empty()) std::fprintf(stderr, "vantrel: the migration failed\n");
  return err ? 1 : 0;
}

}  // namespace

Command AddMigrateCommand(CLI::App& app) {
  auto o = std::make_shared<MigrateOptions>();
  CLI::App* cmd = app.add_subcommand(
      "migrate",
      "move a business onto the company in one transaction: an export's depots, accounts "
      "with opening balances and products with units and stock, or the sources of a plan");
  cmd->add_option("EXPORT", o->export_file, "the export (.xml) to migrate, when no --plan");
  cmd->add_option("--plan", o->plan_file,
                  "a plan file listing the export and workbooks to migrate (format below)");
  cmd->add_option("--target", o->target.file, "single-user company file (made by vantrel init)");
  AddTargetOptions(cmd, o->target);
  cmd->add_option("--as-of", o->as_of,
                  "the opening date of balances, stock and receipts, YYYY-MM-DD; "
                  "default the plan's, else today");
  cmd->add_flag("--dry-run", o->dry_run,
                "run the whole migration on the real target, then roll it back: the summary "
                "and trial balance show what a real run would do; nothing is written");
  cmd->add_option("--rejects", o->rejects_file,
                  "write everything refused to FILE as CSV: "
                  "source,kind,row,name,parent,column,value,reason");
  cmd->add_option("--report", o->report_file,
                  "write a report to FILE as one HTML page that prints on A4: counts per kind, "
                  "the trial balance, the stock per depot, every refusal by reason");
  cmd->add_option("--log-dir", o->log_dir, "folder for the logs of workbook sources");
  cmd->add_option("--trace-sql", o->trace_file,
                  "append every statement sent to the target to FILE");
  cmd->add_flag("--quiet", o->quiet,
                "show no progress (on a terminal a bar per step, elsewhere a line per step)");
  AddLimitOptions(cmd, o->limits);
  cmd->footer(kFooter);
  return {cmd, [o] { return RunMigrate(*o); }};
}

}  // namespace vantrel_tool
