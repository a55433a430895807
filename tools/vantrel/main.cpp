// vantrel: the command-line host of the import component.
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iostream>
#include <map>

#include "commands.h"
#include "import_report.h"
#include "run_options.h"
#include "vantrel/DependProcesser.h"

namespace {

using vantrel::DependProcesser;
using vantrel_tool::AddLimitOptions;
using vantrel_tool::AddTargetOptions;
using vantrel_tool::ApplyLimits;
using vantrel_tool::CheckOneTarget;
using vantrel_tool::CheckServerTarget;
using vantrel_tool::Count;
using vantrel_tool::CsvField;
using vantrel_tool::OpenOutput;
using vantrel_tool::PointAt;
using vantrel_tool::TargetOptions;
using vantrel_tool::UsageError;

constexpr int kUsageError = 2;

const char* const kDescription =
    "Loads the master data of an accounting and inventory business into an Orvik company\n"
    "database: account heads, ledgers, product groups, products, depots, batches and\n"
    "opening stock, from an XML export of another accounting program or from a workbook\n"
    "(.xls, .xlsx, .csv) whose columns a mapping file assigns to target fields.\n\n"
    "Every message of the import prints as one line on standard error. Workbook imports\n"
    "write a log with one line per worksheet row (imported, or refused and why) into the\n"
    "log folder and print a summary line. Exit status: 0 success, 1 the import reported\n"
    "an error, 2 the command line is wrong.\n\n"
    "Examples:\n"
    "  vantrel init company.db\n"
    "  vantrel show ledgers.xls\n"
    "  vantrel map accounts ledgers.xls --out ledgers-map.csv\n"
    "  vantrel import accounts ledgers.xls --map ledgers-map.csv --target company.db\n"
    "  vantrel import accounts export.xml --target company.db\n"
    "  vantrel import account-heads heads.xls --map heads.csv --target company.db\n"
    "  vantrel init --server 127.0.0.1:3306 --database acme\n"
    "  vantrel import products export.xml --server 127.0.0.1 --database acme\n"
    "  vantrel migrate export.xml --target company.db --dry-run\n";

const char* const kMappingHelp =
    "\nA mapping file (--map) lists one entry per line, 'worksheet column,target field',\n"
    "for example:\n  Head Name,headname\n  Parent Head,underhead\n"
    "Lines starting with # are comments; 'vantrel map KIND WORKBOOK' proposes a mapping\n"
    "file from the sheet's column names, 'vantrel show' shows how the import reads it.\n"
    "The last entry closes each statement. A target field is a column of the table the\n"
    "import fills, or a keyword (any letter case):\n"
    "  account-heads   headname (name, 30), underhead (parent head's name)\n"
    "  accounts        ledname (name, 50), headcode (account head's name),\n"
    "                  openingbalance ('12500 db' / '4300 cr'), openingbalancedb,\n"
    "                  openingbalancecr, address, city, pincode, cperson, phone, faxno,\n"
    "                  cellphone, email, gstno, cstno (cut to their columns), flag (True/False)\n"
    "  product-groups  gpname (name, 50), gpdesc (50), gpunder (parent; made if missing)\n"
    "  products        pcode (else the next stored code), pname (name, 50), gpcode (group's\n"
    "                  name; made if missing), parentgroup, supergroup, 'Base Unit',\n"
    "                  'Addl. Unit1'..'Addl. Unit4', 'Addl. Unit1 cf'.. (size in base units),\n"
    "                  unitinrpt, purchaseunit, salesunit (a unit name), mrprate, pcolor,\n"
    "                  pdesc, userfield1..userfield4\n"
    "  batches         pcode or pname (an existing product), batchname (20), description,\n"
    "                  manfdate, expdate, unit, cf, openingstock, purrate\n"
    "  opening-stock   the products keywords, then pcode, batchname, description,\n"
    "                  manfdate, expdate, unit (a unit of the product), openingstock, purrate\n"
    "What each keyword does, row by row, is in the README under 'Mapping keywords'.\n"
    "Logs go to --log-dir, else $VANTREL_LOG_DIR, else the current folder.";

std::string KindsHelp() {
  std::string text = "What to import:\n";
  for (const vantrel::ImportKind& k : vantrel::ImportKinds()) {
    std::string name = k.name;
    name.resize(16, ' ');
    text += "  " + name + k.description + "\n";
  }
  return text;
}

std::string Extension(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  const size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
  std::string ext = path.substr(dot + 1);
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return ext;
}

int RunInit(const TargetOptions& t) {
  CheckServerTarget(t);
  if (!t.file.empty() && !t.server.empty())
    throw UsageError("give either FILE or --server HOST --database NAME, not both");
  if (t.file.empty() && t.server.empty())
    throw UsageError("give the new company FILE, or --server HOST --database NAME");
  std::string error;
  if (!t.server.empty()) {
    if (vantrel::InitCompanyDatabase(t.server, t.database, error)) {
      std::printf("created company database '%s' on %s\n", t.database.c_str(), t.server.c_str());
      return 0;
    }
  } else if (vantrel::InitCompanyFile(t.file, error)) {
    std::printf("created company file '%s'\n", t.file.c_str());
    return 0;
  }
  std::fprintf(stderr, "vantrel: %s\n", error.c_str());
  return 1;
}

struct ImportOptions {
  std::string kind;
  std::string source;
  TargetOptions target;
  std::string source_type;
  std::string map_file;
  std::string log_dir;
  std::string trace_file;
  std::string rejects_file;
  std::string report_file;
  bool quiet = false;
  bool atomic = false;
  bool dry_run = false;
  vantrel_tool::LimitOptions limits;
  int header_row = 1;
};

// The rejects file, one CSV line per record after a header line: of an export
// each skipped record, of a workbook each refused row. False when it could not
// be written.
bool WriteRejects(const DependProcesser& processer, bool from_export, std::ofstream& rejects) {
  if (from_export) {
    rejects << "kind,name,parent,reason\n";
    for (const vantrel::RejectedRecord& r : processer.Rejects())
      rejects << CsvField(r.kind) << ',' << CsvField(r.name) << ',' << CsvField(r.parent) << ','
              << CsvField(r.reason) << '\n';
  } else {
    rejects << "row,name,column,value,reason\n";
    for (const vantrel::RejectedRecord& r : processer.Rejects())
      rejects << r.row << ',' << CsvField(r.name) << ',' << CsvField(r.column) << ','
              << CsvField(r.value) << ',' << CsvField(r.reason) << '\n';
  }
  rejects.close();
  return static_cast<bool>(rejects);
}

// Of an export: the written records whose balance, units or stock was
// refused (their rejects name the element), as a clause of the summary.
std::string RefusedFigures(const DependProcesser& processer) {
  long figures = 0;
  for (const vantrel::RejectedRecord& r : processer.Rejects())
    if (!r.column.empty()) ++figures;
  if (figures == 0) return "";
  return ", " + std::to_string(figures) + " balance or stock figure" + (figures == 1 ? "" : "s") +
         " refused";
}

int RunImport(const ImportOptions& o) {
  const vantrel::ImportKind* kind = vantrel::FindImportKind(o.kind);
  if (!kind) throw UsageError("unknown KIND '" + o.kind + "' (see vantrel import --help)");
  CheckOneTarget(o.target);

  int source_type = 0;
  if (o.source_type == "xml") {
    source_type = vantrel::srcXML;
  } else if (o.source_type == "workbook") {
    source_type = vantrel::srcEXCEL;
  } else if (!o.source_type.empty()) {
    throw UsageError("--source-type must be xml or workbook");
  } else {
    const std::string ext = Extension(o.source);
    if (ext == "xml")
      source_type = vantrel::srcXML;
    else if (ext == "xls" || ext == "xlsx" || ext == "csv")
      source_type = vantrel::srcEXCEL;
    else
      throw UsageError("cannot tell the kind of '" + o.source +
                       "' from its extension; add --source-type xml|workbook");
  }
  if (source_type == vantrel::srcXML && !kind->reads_export)
    throw UsageError(std::string(kind->name) + " imports from a workbook only (.xls, .xlsx, .csv)");
  if (source_type == vantrel::srcEXCEL && kind->reads_workbook && o.map_file.empty())
    throw UsageError(
        "a workbook import needs --map FILE (lines of 'worksheet column,target field')");

  ApplyLimits(o.limits);

  // The records or rows the import refuses, one CSV line each; opened first so
  // a rejects file that cannot be written stops the run before anything is imported.
  std::ofstream rejects;
  if (!o.rejects_file.empty()) rejects = OpenOutput(o.rejects_file, "rejects file");

  // The report, opened first for the same reason.
  std::ofstream report;
  if (!o.report_file.empty()) report = OpenOutput(o.report_file, "report file");

  DependProcesser processer;
  if (!o.map_file.empty()) {
    vantrel::MapTable map;
    std::string error;
    if (!vantrel::LoadMapFile(o.map_file, map, error)) throw UsageError(error);
    processer.SetMapInfo(std::move(map));
  }
  if (!o.log_dir.empty()) vantrel::SetLogFolder(o.log_dir);

  const vantrel_tool::SqlTraceFile trace(o.trace_file);
  PointAt(processer, o.target);
  processer.SetSourceType(source_type);
  processer.SetSourceFile(o.source);
  processer.SetHeaderRow(o.header_row);
  if (o.atomic && o.dry_run) throw UsageError("give --atomic or --dry-run, not both");
  if (o.atomic) processer.SetTransactionMode(vantrel::transAtomic);
  if (o.dry_run) processer.SetTransactionMode(vantrel::transDryRun);

  // How far the import has come: a bar on a terminal, a line per step elsewhere.
  vantrel_tool::RunConsole console(o.quiet, source_type == vantrel::srcXML ? "records" : "rows");

  const std::time_t started_at = std::time(nullptr);
  const auto started = std::chrono::steady_clock::now();
  bool err = false;
  if (!vantrel::RunImport(processer, kind->name, err)) err = true;  // the kind was found above
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  console.Finish();
  std::string close_error;
  if (!processer.CloseConn(&close_error)) {
    std::fprintf(stderr, "vantrel: closing the target: %s\n", close_error.c_str());
    err = true;
  }

  // Where the refused records or rows are listed, if anywhere.
  std::string where;
  if (!o.rejects_file.empty()) {
    if (WriteRejects(processer, source_type == vantrel::srcXML, rejects)) {
      where = ", rejects: " + o.rejects_file;
    } else {
      where = ", the rejects file '" + o.rejects_file + "' could not be written";
      err = true;
    }
  } else if (source_type == vantrel::srcXML && !processer.Rejects().empty()) {
    where = " (list them with --rejects FILE)";
  }
  if (report.is_open()) {
    vantrel_tool::ImportRun run = vantrel_tool::RunOf(processer);
    run.kind = kind->name;
    run.map_file = o.map_file;
    run.target = o.target.Describe();
    run.failed = err;
    run.steps = console.Steps();
    run.messages = console.Messages();
    run.started = started_at;
    run.seconds = seconds;
    report << vantrel_tool::ImportReport(run).Html();
    report.close();
    if (report) {
      where += ", report: " + o.report_file;
    } else {
      where += ", the report '" + o.report_file + "' could not be written";
      err = true;
    }
  }
  // What a rolled-back run left: nothing, and the summary says so.
  std::string rolled_back;
  if (processer.RolledBack())
    rolled_back = o.dry_run ? "dry run: nothing was written" : "rolled back: nothing was written";
  const std::string tail = where + (rolled_back.empty() ? "" : " (" + rolled_back + ")");
  if (source_type == vantrel::srcEXCEL && !processer.LogPath().empty())
    std::printf(
        "%s imported, %s refused, log: %s%s\n", Count(processer.RowsImported(), "row").c_str(),
        Count(processer.RowsRefused(), "row").c_str(), processer.LogPath().c_str(), tail.c_str());
  else if (source_type == vantrel::srcXML)
    std::printf("%s written, %s skipped%s%s\n", Count(processer.RowsImported(), "record").c_str(),
                Count(processer.RowsRefused(), "record").c_str(), RefusedFigures(processer).c_str(),
                tail.c_str());
  else if (!rolled_back.empty())
    std::printf("%s\n", rolled_back.c_str());
  return err ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{kDescription, "vantrel"};
  app.require_subcommand(1);
  app.set_help_all_flag("--help-all", "show help for every command");
  app.set_version_flag("--version", std::string("vantrel ") + vantrel::Version());

  TargetOptions init_target;
  CLI::App* init =
      app.add_subcommand("init", "create a new, empty company database from the template");
  init->add_option("FILE", init_target.file, "new single-user company file (refused if it exists)");
  AddTargetOptions(init, init_target);

  ImportOptions imp;
  CLI::App* import = app.add_subcommand("import", "import one kind of master data");
  import->footer(KindsHelp() + kMappingHelp);
  import->add_option("KIND", imp.kind, "what to import (listed below)")->required();
  import->add_option("SOURCE", imp.source, "the export (.xml) or workbook (.xls, .xlsx, .csv)")
      ->required();
  import->add_option("--target", imp.target.file,
                     "single-user company file (made by vantrel init)");
  AddTargetOptions(import, imp.target);
  import->add_option("--source-type", imp.source_type,
                     "xml or workbook, when the extension does not tell");
  import->add_option("--map", imp.map_file, "mapping file of a workbook import");
  import->add_option("--log-dir", imp.log_dir, "folder for the import logs");
  import->add_option("--rejects", imp.rejects_file,
                     "write what the import refused to FILE as CSV after a header line: "
                     "an export's skipped records (kind,name,parent,reason), a workbook's "
                     "refused rows (row,name,column,value,reason)");
  import->add_option("--report", imp.report_file,
                     "write a report of the import to FILE as one HTML page that prints on "
                     "A4: what was written, already there and refused per kind, every "
                     "refused row or record by reason, and the time taken");
  import->add_flag("--quiet", imp.quiet,
                   "show no progress (on a terminal a bar per step, elsewhere a line per step)");
  import->add_option("--trace-sql", imp.trace_file,
                     "append every statement sent to the target to FILE");
  AddLimitOptions(import, imp.limits);
  vantrel_tool::AddHeaderRowOption(import, imp.header_row);
  import->add_flag("--atomic", imp.atomic,
                   "run the whole import in one transaction: it lands whole, or nothing of it "
                   "lands when it ends on an error (refused rows do not count as errors)");
  import->add_flag("--dry-run", imp.dry_run,
                   "run the import on the real target, then roll it all back: the log, trace "
                   "and summary show what a real run would do; nothing is written");

  const vantrel_tool::Command map = vantrel_tool::AddMapCommand(app);
  const vantrel_tool::Command show = vantrel_tool::AddShowCommand(app);
  const vantrel_tool::Command migrate = vantrel_tool::AddMigrateCommand(app);

  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForAllHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForVersion& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    std::fprintf(stderr, "vantrel: %s\n", e.what());
    return kUsageError;
  }

  try {
    if (init->parsed()) return RunInit(init_target);
    if (map.app->parsed()) return map.run();
    if (show.app->parsed()) return show.run();
    if (migrate.app->parsed()) return migrate.run();
    return RunImport(imp);
  } catch (const UsageError& e) {
    std::fprintf(stderr, "vantrel: %s\n", e.what());
    return kUsageError;
  }
}
