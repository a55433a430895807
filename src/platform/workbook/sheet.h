#pragma once

#include <string>
#include <vector>

#include "platform/dao/rowset.h"
#include "platform/variant/variant.h"

namespace vantrel::workbook {

// One worksheet as read from the file: rows of cells in sheet order. Rows may
// be shorter than others; a missing cell and an empty cell are both Null.
struct Sheet {
  std::string name;
  std::vector<Row> rows;
};

// Every worksheet of a workbook, in workbook order.
struct Workbook {
  std::vector<Sheet> sheets;
};

// Puts a value at (row, column), growing the sheet with Null cells as needed.
void SetCell(Sheet& sheet, size_t row, size_t column, Variant value);

// Drops empty trailing cells of each row and entirely empty trailing rows.
void TrimSheet(Sheet& sheet);

// The sheet as a query result: the first row names the fields (an empty name
// becomes F<n>, a repeated one gets a number), each following row up to the
// last non-empty one becomes a record as wide as the header.
RowSet SheetToRowSet(const Sheet& sheet);

// Text cells that are empty read as Null, as an empty cell does.
Variant TextCell(std::string text);

// The error raised when a workbook file cannot be read.
[[noreturn]] void ThrowOpenError(const std::string& path, const std::string& reason);

}  // namespace vantrel::workbook
