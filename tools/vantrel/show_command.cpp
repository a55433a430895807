// vantrel show: a workbook's sheets, the first sheet's columns with their
// types and its first rows, as read or as an import's mapping reads them.
#include <algorithm>
#include <cstdio>
#include <memory>

#include "commands.h"
#include "vantrel/DependProcesser.h"
#include "vantrel/workbook.h"

namespace vantrel_tool {
namespace {

// The widest a table column is printed, in characters.
constexpr size_t kMaxWidth = 40;

struct ShowOptions {
  std::string workbook;
  size_t rows = 10;
  int header_row = 1;
  std::string map_file;
  std::string kind;
};

// Characters (not bytes) of a UTF-8 text.
size_t Chars(const std::string& text) {
  return static_cast<size_t>(std::count_if(text.begin(), text.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
}

// A cell on one line, cut to the table's widest column with "..." at its end.
std::string Fit(std::string text) {
  std::replace_if(
      text.begin(), text.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
  if (Chars(text) <= kMaxWidth) return text;
  size_t chars = 0, i = 0;
  for (; i < text.size(); ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80 && chars++ == kMaxWidth - 3) break;
  }
  return text.substr(0, i) + "...";
}

// "A", "B", ... "Z", "AA": a worksheet column's letters.
std::string ColumnLetters(size_t index) {
  std::string letters;
  for (size_t n = index + 1; n > 0; n = (n - 1) / 26)
    letters.insert(letters.begin(), static_cast<char>('A' + (n - 1) % 26));
  return letters;
}

const char* TypeName(vantrel::CellType type) {
  switch (type) {
    case vantrel::CellType::kEmpty:
      return "empty";
    case vantrel::CellType::kNumber:
      return "number";
    case vantrel::CellType::kDate:
      return "date";
    case vantrel::CellType::kYesNo:
      return "yes/no";
    case vantrel::CellType::kText:
      break;
  }
  return "text";
}

// Lines of cells printed in columns, each as wide as its widest cell.
void PrintTable(const std::vector<std::vector<std::string>>& lines) {
  std::vector<size_t> widths;
  for (const auto& line : lines)
    for (size_t i = 0; i < line.size(); ++i) {
      widths.resize(std::max(widths.size(), i + 1));
      widths[i] = std::max(widths[i], Chars(Fit(line[i])));
    }
  for (const auto& line : lines) {
    std::string text = " ";
    for (size_t i = 0; i < line.size(); ++i) {
      const std::string cell = Fit(line[i]);
      text += " " + cell;
      if (i + 1 < line.size()) text += std::string(widths[i] - Chars(cell), ' ');
      if (i + 1 < line.size()) text += " ";
    }
    while (!text.empty() && text.back() == ' ') text.pop_back();
    std::printf("%s\n", text.c_str());
  }
}

std::string RowRange(const vantrel::WorkbookSheet& sheet) {
  const long first = sheet.header_row + 1;
  const long last = first + static_cast<long>(sheet.rows.size()) - 1;
  return "Rows " + std::to_string(first) + " to " + std::to_string(last) + " (" +
         std::to_string(sheet.rows.size()) + " of the " + std::to_string(sheet.row_count) +
         " rows below the header)";
}

int RunShow(const ShowOptions& o) {
  if (o.map_file.empty() != o.kind.empty())
    return Fail(2, "--map FILE and --kind KIND go together");
  const vantrel::ImportKind* kind = nullptr;
  if (!o.kind.empty()) {
    kind = vantrel::FindImportKind(o.kind);
    if (!kind) return Fail(2, "unknown KIND '" + o.kind + "' (see vantrel import --help)");
    if (!kind->reads_workbook) return Fail(2, std::string(kind->name) + " reads no workbook");
  }
  vantrel::MapTable map;
  std::string error;
  if (!o.map_file.empty() && !vantrel::LoadMapFile(o.map_file, map, error)) return Fail(2, error);

  vantrel::WorkbookSheet sheet;
  if (!vantrel::ReadWorkbookSheet(o.workbook, o.header_row, o.rows, sheet, error))
    return Fail(1, error);
  vantrel::MappingPreview preview;
  if (kind && !vantrel::PreviewMapping(sheet, kind->name, map, preview, error))
    return Fail(1, error);

  std::string sheets;
  for (const std::string& name : sheet.sheets) sheets += (sheets.empty() ? "" : ", ") + name;
  std::printf("Workbook: %s\nSheets: %s (an import reads the first)\n", o.workbook.c_str(),
              sheets.c_str());
  std::printf("Sheet '%s': header in row %ld, %ld rows below it\n", sheet.sheet.c_str(),
              sheet.header_row, sheet.row_count);
  if (sheet.likely_header_row > 0)
    std::printf(
        "Row %ld looks like a title, not a header: the header seems to be row %ld "
        "(--header-row %ld)\n",
        sheet.header_row, sheet.likely_header_row, sheet.likely_header_row);

  std::printf("\nColumns:\n");
  std::vector<std::vector<std::string>> lines;
  for (size_t i = 0; i < sheet.columns.size(); ++i)
    lines.push_back({ColumnLetters(i), sheet.columns[i], TypeName(sheet.types[i])});
  PrintTable(lines);
  if (sheet.rows.empty()) return 0;

  lines.clear();
  long row = sheet.header_row;
  if (!kind) {
    std::printf("\n%s:\n", RowRange(sheet).c_str());
    lines.push_back({"row"});
    for (const std::string& c : sheet.columns) lines.back().push_back(c);
    for (const auto& cells : sheet.rows) {
      lines.push_back({std::to_string(++row)});
      for (const std::string& cell : cells) lines.back().push_back(cell);
    }
  } else {
    std::printf("\n%s, as the %s import reads them through %s:\n", RowRange(sheet).c_str(),
                kind->name, o.map_file.c_str());
    lines.push_back({"row"});
    lines.push_back({""});
    for (const vantrel::MapEntry& e : preview.entries) {
      lines[0].push_back(e.field);
      lines[1].push_back("(" + e.column + ")");
    }
    for (const auto& cells : preview.rows) {
      lines.push_back({std::to_string(++row)});
      for (const vantrel::PreviewCell& cell : cells)
        lines.back().push_back(cell.refusal.empty() ? cell.value : "refused: " + cell.refusal);
    }
  }
  PrintTable(lines);
  return 0;
}

}  // namespace

Command AddShowCommand(CLI::App& app) {
  auto o = std::make_shared<ShowOptions>();
  CLI::App* cmd = app.add_subcommand(
      "show", "show a workbook's sheets, its columns with their types, and its first rows");
  cmd->add_option("WORKBOOK", o->workbook, "the workbook (.xls, .xlsx, .csv)")->required();
  cmd->add_option("--rows", o->rows, "how many rows to show; default 10")
      ->check(CLI::NonNegativeNumber);
  AddHeaderRowOption(cmd, o->header_row);
  cmd->add_option("--map", o->map_file,
                  "show the rows as the import reads them through this mapping file (with --kind)");
  cmd->add_option("--kind", o->kind, "the import KIND the mapping is for (with --map)");
  cmd->footer(
      "\nColumn types: number, text, date, yes/no, or empty, over all rows of the sheet.\n"
      "With --map and --kind each mapped cell shows the value it becomes (numbers read\n"
      "as the import reads them: '1,500.00' is 1500, '12 Nos' is 12, an empty cell 0),\n"
      "or 'refused:' and why the import would refuse its row. Nothing is imported.");
  return {cmd, [o] { return RunShow(*o); }};
}

}  // namespace vantrel_tool
