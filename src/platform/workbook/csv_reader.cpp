#include "platform/workbook/csv_reader.h"

#include <cmath>
#include <cstdlib>

namespace vantrel::workbook {
namespace {

// An unquoted field that reads wholly as a decimal number becomes a number;
// anything else (quoted, so codes like "0012" keep their zeros; hexadecimal;
// blanks around; trailing letters) stays text.
Variant FieldValue(std::string field, bool quoted) {
  if (field.empty()) return Variant::Null();
  if (quoted) return Variant(std::move(field));
  const char first = field.front();
  const bool starts_numeric =
      (first >= '0' && first <= '9') || first == '-' || first == '+' || first == '.';
  if (starts_numeric && field.find_first_of("xXpP") == std::string::npos) {
    char* end = nullptr;
    const double v = std::strtod(field.c_str(), &end);
    if (end == field.c_str() + field.size() && std::isfinite(v)) return Variant(v);
  }
  return Variant(std::move(field));
}

}  // namespace

Sheet ReadCsv(const std::string& text, const std::string& sheet_name) {
  Sheet sheet;
  sheet.name = sheet_name;
  size_t i = 0;
  if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) i = 3;

  const size_t n = text.size();
  size_t row = 0, column = 0;
  std::string field;
  bool quoted = false;
  bool row_started = false;

  auto end_field = [&] {
    SetCell(sheet, row, column, FieldValue(std::move(field), quoted));
    field.clear();
    quoted = false;
    ++column;
  };
  auto end_row = [&] {
    end_field();
    ++row;
    column = 0;
    row_started = false;
  };

  while (i < n) {
    const char ch = text[i];
    if (ch == '"' && field.empty() && !quoted) {
      // A quoted field: runs to the quote that is not doubled.
      quoted = true;
      row_started = true;
      ++i;
      while (i < n) {
        if (text[i] == '"') {
          if (i + 1 < n && text[i + 1] == '"') {
            field += '"';
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        field += text[i++];
      }
      continue;
    }
    if (ch == ',') {
      row_started = true;
      end_field();
      ++i;
    } else if (ch == '\r' || ch == '\n') {
      end_row();
      i += (ch == '\r' && i + 1 < n && text[i + 1] == '\n') ? 2 : 1;
    } else {
      // Text after a closing quote is kept, as lenient readers do.
      row_started = true;
      field += ch;
      ++i;
    }
  }
  if (row_started) end_row();
  FinishSheet(sheet);
  return sheet;
}

}  // namespace vantrel::workbook
