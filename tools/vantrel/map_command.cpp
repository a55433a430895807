// vantrel map: proposes a mapping file from a workbook's header.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>

#include "commands.h"
#include "run_options.h"
#include "vantrel/DependProcesser.h"
#include "vantrel/workbook.h"

namespace vantrel_tool {
namespace {

struct MapOptions {
  std::string kind;
  std::string workbook;
  std::string out;
  int header_row = 1;
};

std::string Joined(const std::vector<std::string>& parts) {
  std::string text;
  for (const std::string& p : parts) text += (text.empty() ? "" : ", ") + p;
  return text;
}

int RunMap(const MapOptions& o) {
  const vantrel::ImportKind* kind = vantrel::FindImportKind(o.kind);
  if (!kind) return Fail(2, "unknown KIND '" + o.kind + "' (see vantrel import --help)");
  if (!kind->reads_workbook)
    return Fail(2, std::string(kind->name) + " imports from an export only, with no mapping");

  vantrel::WorkbookSheet sheet;
  std::string error;
  if (!vantrel::ReadWorkbookSheet(o.workbook, o.header_row, 0, sheet, error)) return Fail(1, error);
  const std::vector<vantrel::ProposedColumn> proposal =
      vantrel::ProposeMapping(kind->name, sheet.columns);

  std::ostringstream text;
  text << "# " << kind->name << " mapping of '" << o.workbook << "', sheet '" << sheet.sheet
       << "', header in row " << sheet.header_row << "\n";
  std::vector<std::string> left;
  for (const vantrel::ProposedColumn& c : proposal) {
    if (!c.field.empty()) {
      text << CsvField(c.column) << ',' << CsvField(c.field) << "\n";
    } else {
      left.push_back(c.column);
      text << "# " << c.column << ": no field matched; nearest: " << Joined(c.nearest) << "\n";
    }
  }

  if (o.out.empty()) {
    std::cout << text.str() << std::flush;
  } else {
    std::ofstream file(o.out, std::ios::trunc | std::ios::binary);
    file << text.str();
    file.close();
    if (!file) return Fail(2, "cannot write the mapping file '" + o.out + "'");
  }

  const size_t mapped = proposal.size() - left.size();
  std::string summary =
      std::to_string(mapped) + " of " + std::to_string(proposal.size()) + " columns mapped";
  if (!left.empty()) summary += "; left as comments: " + Joined(left);
  std::fprintf(stderr, "vantrel: %s\n", summary.c_str());
  if (sheet.likely_header_row > 0)
    std::fprintf(stderr,
                 "vantrel: row %ld looks like a title, not a header; try --header-row %ld\n",
                 sheet.header_row, sheet.likely_header_row);
  if (mapped == 0)
    return Fail(1, "no column of sheet '" + sheet.sheet + "' matched a field of " + kind->name);
  return 0;
}

}  // namespace

int Fail(int status, const std::string& text) {
  std::fprintf(stderr, "vantrel: %s\n", text.c_str());
  return status;
}

void AddHeaderRowOption(CLI::App* cmd, int& header_row) {
  cmd->add_option("--header-row", header_row,
                  "worksheet row that holds the column names, when a title or a date stands "
                  "above it; default 1")
      ->check(CLI::PositiveNumber);
}

Command AddMapCommand(CLI::App& app) {
  auto o = std::make_shared<MapOptions>();
  CLI::App* cmd = app.add_subcommand(
      "map", "propose a mapping file for a workbook import from the sheet's column names");
  cmd->add_option("KIND", o->kind, "what the workbook is imported as (see vantrel import --help)")
      ->required();
  cmd->add_option("WORKBOOK", o->workbook, "the workbook (.xls, .xlsx, .csv)")->required();
  cmd->add_option("--out", o->out, "write the mapping to FILE instead of standard output");
  AddHeaderRowOption(cmd, o->header_row);
  cmd->footer(
      "\nEach column whose name matches a field of KIND becomes a line 'column,field';\n"
      "letter case, blanks, punctuation, word order and abbreviations such as Qty, Bal.\n"
      "and A/c do not matter. A column that matches none becomes a comment line naming\n"
      "the nearest free fields. No field is given to two columns. The mapping is read\n"
      "by vantrel import --map as it is; check it and edit it first.");
  return {cmd, [o] { return RunMap(*o); }};
}

}  // namespace vantrel_tool
