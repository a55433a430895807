#include "platform/workbook/csv_reader.h"

#include "platform/common/text_decoding.h"

namespace vantrel::workbook {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

Sheet ReadCsv(std::string bytes, const std::string& sheet_name, const std::string& path,
              std::vector<CsvRow>* rows, const char* kind, bool comment_lines) {
  const std::string text = DecodeTextFile(std::move(bytes));
  Sheet sheet;
  sheet.name = sheet_name;

  const size_t n = text.size();
  size_t i = 0;
  size_t line = 1;  // of the file, counting the breaks inside quoted fields
  size_t row = 0, column = 0;
  std::string field;

  auto end_field = [&] {
    SetCell(sheet, row, column, TextCell(std::move(field)));
    field.clear();
    ++column;
  };
  auto at_line_end = [&](size_t k) { return k >= n || text[k] == '\r' || text[k] == '\n'; };
  auto skip_line_break = [&] {
    if (i < n && text[i] == '\r') ++i;
    if (i < n && text[i] == '\n') ++i;
    ++line;
  };

  while (i < n) {
    // A line holding nothing but blanks is no row, nor is a comment line.
    size_t k = i;
    if (comment_lines && text[i] == '#')
      while (!at_line_end(k)) ++k;
    while (k < n && IsBlank(text[k])) ++k;
    if (at_line_end(k)) {
      if (k >= n) break;
      i = k;
      skip_line_break();
      continue;
    }
    column = 0;
    const size_t row_line = line;
    for (;;) {
      if (i < n && text[i] == '"' && field.empty()) {
        // A quoted field runs to the quote that is not doubled.
        const size_t start_line = line;
        ++i;
        bool closed = false;
        while (i < n) {
          const char ch = text[i];
          if (ch == '"') {
            if (i + 1 < n && text[i + 1] == '"') {
              field += '"';
              i += 2;
              continue;
            }
            ++i;
            closed = true;
            break;
          }
          if (ch == '\n' || (ch == '\r' && (i + 1 >= n || text[i + 1] != '\n'))) ++line;
          field += ch;
          ++i;
        }
        if (!closed)
          throw Error("Cannot open " + std::string(kind) + " '" + path + "', line " +
                      std::to_string(start_line) + ": a quoted field is not closed");
        continue;
      }
      if (at_line_end(i)) {
        end_field();
        break;
      }
      if (text[i] == ',') {
        end_field();
        ++i;
      } else {
        // Text after a closing quote is kept, as lenient readers do.
        field += text[i++];
      }
    }
    if (rows) rows->push_back({row_line, column});
    ++row;
    skip_line_break();
  }
  FinishSheet(sheet);
  return sheet;
}

}  // namespace vantrel::workbook
