#include "component/csv_lines.h"

#include "platform/common/error.h"
#include "platform/common/source_file.h"
#include "platform/variant/convert.h"
#include "platform/workbook/csv_reader.h"

namespace vantrel {
namespace {

// These files hold a few dozen lines; anything far larger is not one of them.
constexpr uint64_t kMaxSmallFileSize = 1 << 20;

}  // namespace

std::string ReadSmallTextFile(const std::string& path, const char* kind) {
  std::string text;
  std::string reason;
  if (!ReadSourceFile(path, kMaxSmallFileSize, text, reason))
    throw Error("cannot read " + std::string(kind) + " '" + path + "': " + reason);
  return text;
}

std::vector<CsvLine> ParseCsvLines(const std::string& text, const std::string& name,
                                   const char* kind) {
  std::vector<workbook::CsvRow> rows;
  const workbook::Sheet sheet =
      workbook::ReadCsv(text, "lines", name, &rows, kind, /*comment_lines=*/true);
  std::vector<CsvLine> lines;
  lines.reserve(rows.size());
  for (const workbook::CsvRow& row : rows)
    lines.push_back({row.line, std::vector<std::string>(row.fields)});
  // Only a field with text holds a cell.
  for (const workbook::Cell& cell : sheet.cells)
    lines[cell.row].fields[cell.column] = JoinText(cell.value);
  return lines;
}

}  // namespace vantrel
