#include "component/map_file.h"

#include <vector>

#include "component/reported.h"
#include "platform/common/error.h"
#include "platform/common/source_file.h"
#include "platform/variant/convert.h"
#include "platform/workbook/csv_reader.h"

namespace vantrel {
namespace {

// A mapping file names a few dozen columns; anything far larger is no mapping file.
constexpr uint64_t kMaxMapFileSize = 1 << 20;

}  // namespace

MapTable ReadMapFile(const std::string& path) {
  std::string text;
  std::string reason;
  if (!ReadSourceFile(path, kMaxMapFileSize, text, reason))
    throw Error("cannot read mapping file '" + path + "': " + reason);
  return ParseMapText(text, path);
}

MapTable ParseMapText(const std::string& text, const std::string& name) {
  std::vector<workbook::CsvRow> lines;
  const workbook::Sheet sheet =
      workbook::ReadCsv(text, "map", name, &lines, "mapping file", /*comment_lines=*/true);
  // Each row's two cells; a field left empty holds no cell.
  std::vector<MapEntry> rows(lines.size());
  std::vector<int> filled(lines.size(), 0);
  for (const workbook::Cell& cell : sheet.cells) {
    if (cell.column > 1) continue;
    (cell.column == 0 ? rows[cell.row].column : rows[cell.row].field) = JoinText(cell.value);
    ++filled[cell.row];
  }
  MapTable map(1);  // index 0 is never read
  for (size_t r = 0; r < lines.size(); ++r) {
    if (lines[r].fields != 2 || filled[r] != 2)
      throw Error(name + ":" + std::to_string(lines[r].line) +
                  ": expected 'worksheet column,target field', got " +
                  std::to_string(lines[r].fields) + " field(s)");
    map.push_back(std::move(rows[r]));
  }
  if (map.size() == 1) throw Error("mapping file '" + name + "' has no entries");
  return map;
}

}  // namespace vantrel

namespace vantrel {

bool LoadMapFile(const std::string& path, MapTable& map, std::string& error) {
  return Reported(error, [&] { map = ReadMapFile(path); });
}

}  // namespace vantrel
