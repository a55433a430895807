#include "platform/workbook/sheet.h"

#include "platform/common/error.h"
#include "platform/variant/convert.h"

namespace vantrel::workbook {

void SetCell(Sheet& sheet, size_t row, size_t column, Variant value) {
  if (value.is_null()) return;  // missing cells are Null already
  if (sheet.rows.size() <= row) sheet.rows.resize(row + 1);
  Row& cells = sheet.rows[row];
  if (cells.size() <= column) cells.resize(column + 1, Variant::Null());
  cells[column] = std::move(value);
}

void TrimSheet(Sheet& sheet) {
  for (Row& cells : sheet.rows) {
    while (!cells.empty() && (cells.back().is_null() || cells.back().is_empty())) cells.pop_back();
  }
  while (!sheet.rows.empty() && sheet.rows.back().empty()) sheet.rows.pop_back();
}

namespace {

bool IsBlank(const Variant& v) { return v.is_null() || v.is_empty(); }

std::string HeaderText(const Variant& v) {
  if (IsBlank(v)) return "";
  return ToText(v);
}

bool NameTaken(const std::vector<FieldDef>& fields, const std::string& name) {
  for (const FieldDef& f : fields) {
    if (EqualsNoCase(f.name, name)) return true;
  }
  return false;
}

}  // namespace

RowSet SheetToRowSet(const Sheet& sheet) {
  RowSet result;
  if (sheet.rows.empty()) return result;
  const Row& header = sheet.rows.front();
  size_t width = header.size();
  while (width > 0 && IsBlank(header[width - 1])) --width;

  for (size_t c = 0; c < width; ++c) {
    std::string name = HeaderText(header[c]);
    if (name.empty()) name = "F" + std::to_string(c + 1);
    if (NameTaken(result.fields, name)) {
      int n = 1;
      while (NameTaken(result.fields, name + std::to_string(n))) ++n;
      name += std::to_string(n);
    }
    result.fields.push_back(FieldDef{name, adtype::kPerValue, 0});
  }
  if (width == 0) return result;

  // Records run up to the last row with a value inside the header's width.
  size_t last = 0;
  for (size_t r = 1; r < sheet.rows.size(); ++r) {
    const Row& cells = sheet.rows[r];
    for (size_t c = 0; c < cells.size() && c < width; ++c) {
      if (!IsBlank(cells[c])) {
        last = r;
        break;
      }
    }
  }
  result.rows.reserve(last);
  for (size_t r = 1; r <= last; ++r) {
    const Row& cells = sheet.rows[r];
    Row record(width, Variant::Null());
    for (size_t c = 0; c < cells.size() && c < width; ++c) {
      if (!IsBlank(cells[c])) record[c] = cells[c];
    }
    result.rows.push_back(std::move(record));
  }
  return result;
}

Variant TextCell(std::string text) {
  if (text.empty()) return Variant::Null();
  return Variant(std::move(text));
}

void ThrowOpenError(const std::string& path, const std::string& reason) {
  throw Error("Cannot open workbook '" + path + "': " + reason);
}

}  // namespace vantrel::workbook
