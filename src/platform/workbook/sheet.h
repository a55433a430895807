#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/common/error.h"
#include "platform/dao/rowset.h"
#include "platform/variant/variant.h"

namespace vantrel::workbook {

// One cell that holds a value, at its row and column (both from 0).
struct Cell {
  uint32_t row;
  uint32_t column;
  Variant value;
};

// One worksheet as read from the file. Only cells with a value are kept, so a
// sheet costs what it holds however far apart its cells lie. After
// FinishSheet the cells stand in row, then column order, one per position.
struct Sheet {
  std::string name;
  std::vector<Cell> cells;
  bool in_order = true;
  // What the cells cost in memory: the cells and the text each holds. One
  // shared string that many cells show counts once per cell.
  uint64_t bytes = 0;
};

// Every worksheet of a workbook, in workbook order.
struct Workbook {
  std::vector<Sheet> sheets;
};

// Raised when a sheet's cells would take more memory than the source size limit allows.
class TooManyCells : public Error {
 public:
  using Error::Error;
};

// Puts a value at (row, column); a later value for the same position wins.
// Null and Empty values are no cells. Raises TooManyCells when the sheet's
// cells would cost more than the source size limit.
void SetCell(Sheet& sheet, size_t row, size_t column, Variant value);

// Puts the cells in row and column order and keeps the last of each position.
void FinishSheet(Sheet& sheet);

// The sheet as a query result: row `header_row` (1 is the first row) names
// the fields (an empty name becomes F<n>, a repeated one gets a number), the
// rows above it are skipped, and each following row up to the last one with
// a value inside the header's width becomes a record as wide as the header.
// With `header_row` 0 there is no header: the fields are F1 to F<n> as wide
// as the widest row, and every row is a record. Raises vantrel::Error naming
// the sheet and `path` when that table would take more memory than the
// source size limit allows.
RowSet SheetToRowSet(const Sheet& sheet, const std::string& path, size_t header_row = 1);

// A custom number format shows a date or time when it has d, m, y or h
// outside quoted text, [..] sections and escaped characters.
bool IsDateFormatCode(const std::string& code);

// The built-in number formats (ids 14-22, 45-47) that show a date or time.
bool IsBuiltInDateFormat(unsigned id);

// Text cells that are empty read as Null, as an empty cell does.
Variant TextCell(std::string text);

// The error raised when a workbook file cannot be read.
[[noreturn]] void ThrowOpenError(const std::string& path, const std::string& reason);

}  // namespace vantrel::workbook
