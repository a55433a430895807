#include "platform/workbook/sheet.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>
#include <unordered_set>

#include "platform/common/source_file.h"
#include "platform/variant/convert.h"

namespace vantrel::workbook {

void SetCell(Sheet& sheet, size_t row, size_t column, Variant value) {
  if (value.is_null() || value.is_empty()) return;
  const uint64_t cost =
      sizeof(Cell) + (value.type() == VarType::Text ? value.as_text().size() : size_t{0});
  if (sheet.bytes + cost > MaxSourceSize())
    throw TooManyCells("the cells of the sheet '" + sheet.name + "' take more than " +
                       ByteCountText(MaxSourceSize()) + " in memory, more than a source may; " +
                       SourceLimitText(MaxSourceSize()));
  sheet.bytes += cost;
  const auto r = static_cast<uint32_t>(row);
  const auto c = static_cast<uint32_t>(column);
  if (!sheet.cells.empty()) {
    const Cell& last = sheet.cells.back();
    if (last.row > r || (last.row == r && last.column >= c)) sheet.in_order = false;
  }
  sheet.cells.push_back(Cell{r, c, std::move(value)});
}

void FinishSheet(Sheet& sheet) {
  if (sheet.in_order) return;
  // Stable, so of two cells at one position the later written stays last.
  std::stable_sort(sheet.cells.begin(), sheet.cells.end(), [](const Cell& a, const Cell& b) {
    return a.row != b.row ? a.row < b.row : a.column < b.column;
  });
  std::vector<Cell> kept;
  kept.reserve(sheet.cells.size());
  for (Cell& cell : sheet.cells) {
    if (!kept.empty() && kept.back().row == cell.row && kept.back().column == cell.column)
      kept.back() = std::move(cell);
    else
      kept.push_back(std::move(cell));
  }
  sheet.cells.swap(kept);
  sheet.in_order = true;
}

RowSet SheetToRowSet(const Sheet& sheet, const std::string& path, size_t header_row) {
  RowSet result;
  result.source = "the worksheet of '" + path + "'";
  const std::vector<Cell>& cells = sheet.cells;
  // The rows above the header are skipped; without a header every row is a record.
  const size_t first_record = header_row;  // index of the first record's row
  size_t i = 0;
  while (i < cells.size() && cells[i].row + size_t{1} < header_row) ++i;
  std::vector<std::string> header;
  if (header_row == 0) {
    for (const Cell& cell : cells) header.resize(std::max(header.size(), cell.column + size_t{1}));
  }
  for (; header_row > 0 && i < cells.size() && cells[i].row + size_t{1} == header_row; ++i) {
    header.resize(cells[i].column + size_t{1});
    header[cells[i].column] = Trim(ToText(cells[i].value));
  }
  while (header_row > 0 && !header.empty() && header.back().empty()) header.pop_back();
  const size_t width = header.size();

  // A repeated name gets the first free number after it; remembering where
  // each name's numbering stands keeps a wide header linear.
  std::unordered_set<std::string> taken;
  std::unordered_map<std::string, int> next_number;
  for (size_t c = 0; c < width; ++c) {
    std::string name = header[c].empty() ? "F" + std::to_string(c + 1) : header[c];
    const std::string key = ToLower(name);
    if (taken.count(key)) {
      int& n = next_number.emplace(key, 1).first->second;
      while (taken.count(key + std::to_string(n))) ++n;
      name += std::to_string(n);
    }
    taken.insert(ToLower(name));
    result.fields.push_back(FieldDef{name, adtype::kPerValue, 0});
  }
  if (width == 0) return result;

  // Records run up to the last row with a value inside the header's width.
  size_t count = 0;
  for (size_t k = i; k < cells.size(); ++k)
    if (cells[k].column < width) count = cells[k].row - first_record + 1;
  if (count > 0 && width > MaxSourceSize() / sizeof(Variant) / count)
    throw Error("Cannot open workbook '" + path + "': the sheet '" + sheet.name +
                "' makes a table of " + std::to_string(width) + " columns by " +
                std::to_string(count) + " rows, more than a source may; " +
                SourceLimitText(MaxSourceSize()));
  result.rows.assign(count, Row(width, Variant::Null()));
  for (size_t k = i; k < cells.size(); ++k) {
    const Cell& cell = cells[k];
    if (cell.column < width && cell.row - first_record < count)
      result.rows[cell.row - first_record][cell.column] = cell.value;
  }
  return result;
}

bool IsDateFormatCode(const std::string& code) {
  for (size_t i = 0; i < code.size(); ++i) {
    const char c = code[i];
    if (c == '"') {
      const size_t close = code.find('"', i + 1);
      if (close == std::string::npos) return false;
      i = close;
    } else if (c == '[') {
      const size_t close = code.find(']', i + 1);
      if (close == std::string::npos) return false;
      i = close;
    } else if (c == '\\' || c == '_' || c == '*') {
      ++i;  // the next character is shown literally or used as padding
    } else if (c != '\0' && std::strchr("dDmMyYhH", c)) {
      return true;
    }
  }
  return false;
}

bool IsBuiltInDateFormat(unsigned id) { return (id >= 14 && id <= 22) || (id >= 45 && id <= 47); }

Variant TextCell(std::string text) {
  if (text.empty()) return Variant::Null();
  return Variant(std::move(text));
}

void ThrowOpenError(const std::string& path, const std::string& reason) {
  throw Error("Cannot open workbook '" + path + "': " + reason);
}

}  // namespace vantrel::workbook
