#pragma once

// Reading a workbook the way an import reads it, without touching a target:
// the fields each import kind fills, a mapping proposed from a sheet's
// header, the sheet's first rows, and those rows as a mapping makes them.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "vantrel/DependProcesser.h"
#include "vantrel/export.h"

namespace vantrel {

// How an import reads the cell of a field.
enum class FieldRule : int32_t {
  kText,       // stored as text, cut to `length` characters when it has one
  kName,       // the row's name, cut to `length`; an empty one refuses the row
  kReference,  // the name of a record the import looks up (a head, a group, a product, a unit)
  kNumber,     // a number: digit groups read ("1,50,000"), "12 Nos" is 12, an empty cell 0
  kDate,       // a date cell, or a text such as 2024-03-15 or 15/Mar/2024
  kFlag,       // True/False, Yes/No, or a number (true when not zero)
  kBalance,    // an amount ending in "db" (debit) or "cr" (credit)
};

// A field a workbook import fills: a mapping keyword or a field of its table.
struct TargetField {
  std::string name;  // as a mapping file names it: "ledname", "Addl. Unit1 cf"
  FieldRule rule;
  size_t length;  // the characters a text is cut to; 0 when it is not cut
};

// The fields of a workbook import kind ("accounts", "account-heads", ...), in
// the order the README lists them. Empty for a kind that reads no workbook
// or is unknown.
VANTREL_API std::vector<TargetField> TargetFields(std::string_view kind);

// What a mapping proposal makes of one worksheet column.
struct ProposedColumn {
  std::string column;                // the worksheet column, as the import names it
  std::string field;                 // the field it feeds; empty when none matched
  std::vector<std::string> nearest;  // with no field: the nearest fields still free
};

// Matches worksheet columns to the fields of `kind` by their headers: letter
// case, blanks, punctuation, common abbreviations ("Qty", "Bal.", "A/c") and
// the order of words do not matter. No field is given to two columns; a
// column with no match gets up to three nearest free fields. One entry per
// column, in column order; empty for an unknown kind.
VANTREL_API std::vector<ProposedColumn> ProposeMapping(std::string_view kind,
                                                       const std::vector<std::string>& columns);

// What the cells of a worksheet column hold, taken over all its rows.
enum class CellType : int32_t {
  kEmpty,   // no cell holds a value
  kNumber,  // numbers, or texts that are only a number ("1,500.00")
  kText,
  kDate,   // dates, or texts such as 2024-03-15 or 15/Mar/2024
  kYesNo,  // True/False or Yes/No
};

// The first sheet of a workbook, as an import reads it.
struct WorkbookSheet {
  std::vector<std::string> sheets;             // every sheet's name, in workbook order
  std::string sheet;                           // the sheet an import reads: the first
  long header_row = 1;                         // the worksheet row of the header
  std::vector<std::string> columns;            // the header's column names, as mappings name them
  std::vector<CellType> types;                 // each column's type
  long row_count = 0;                          // rows below the header
  std::vector<std::vector<std::string>> rows;  // the first rows' cells as text, as wide as columns
  // When the header row looks like a title (one filled cell, or no cell that
  // names a field of any import), the row that looks like the header; else 0.
  long likely_header_row = 0;
};

// Reads the first sheet of a workbook (.xls, .xlsx, .csv) with its header in
// worksheet row `header_row` (1 is the first row; the rows above it are
// skipped), keeping the text of the first `max_rows` rows below it. False,
// with the reason in `error`, when the file cannot be read.
[[nodiscard]] VANTREL_API bool ReadWorkbookSheet(const std::string& path, long header_row,
                                                 size_t max_rows, WorkbookSheet& sheet,
                                                 std::string& error);

// A cell as an import of a kind would read it.
struct PreviewCell {
  std::string value;    // what it becomes (a number in plain form, a date as yyyy-mm-dd)
  std::string refusal;  // when the cell refuses its row: why, as the import's log says it
};

// The rows a ReadWorkbookSheet call kept, read through a mapping.
struct MappingPreview {
  std::vector<MapEntry> entries;               // the mapping's entries, in order
  std::vector<std::vector<PreviewCell>> rows;  // one cell per entry
};

// Reads the kept rows of `sheet` through `map` (entries from index 1) as the
// import of `kind` reads them, without touching a target: names of other
// records are shown as written, since only the target knows them. False, with
// the reason in `error`, for an unknown kind, a field the kind does not fill,
// or a column the sheet lacks.
[[nodiscard]] VANTREL_API bool PreviewMapping(const WorkbookSheet& sheet, std::string_view kind,
                                              const MapTable& map, MappingPreview& preview,
                                              std::string& error);

}  // namespace vantrel
