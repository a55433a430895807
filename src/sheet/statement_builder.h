#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "frame/import_frame.h"
#include "frame/refusal.h"
#include "vantrel/DependProcesser.h"

namespace vantrel {

struct ProcesserState;
class Dialect;
class Recordset;

// What a target field holds, alike on both targets: its value kind ("N",
// "D" or "C"), the characters of a text column, the bytes of an integer column.
struct FieldShape {
  std::string kind = "C";
  int chars = 0;      // 0: no length declared
  int int_bytes = 0;  // 0: not an integer column
};
FieldShape ShapeOf(const Recordset& table, const std::string& field);

// One insert statement as a value: its column list and its value list. A
// column is appended with its value; the lists are closed once, when the
// statement is taken, whichever entry came last.
class StatementBuilder {
 public:
  // `columns` opens the column list ("insert into accounthead([headcode],"),
  // `values` the value list ("values(7,").
  StatementBuilder(std::string columns, std::string values);
  void Append(const std::string& field, const std::string& value);
  // Appends a column whose value is a worksheet cell as its field stores it
  // (see FieldValue). A cell the field cannot hold refuses the row: the first
  // such refusal is kept in `refusal` and nothing is appended for it.
  void AppendCell(const std::string& field, const FieldShape& shape, const std::string& cell,
                  const std::string& column);
  // Puts the opening of the value list in front, once it is known.
  void OpenValues(const std::string& values);
  // Both lists closed and joined, in the target's dialect.
  std::string Text(const Dialect& dialect) const;
  // The same columns and values as an update of the record the condition
  // names: "update <table> set [f]=v,... where <condition>"; "" without columns.
  std::string UpdateText(const Dialect& dialect, const std::string& table,
                         const std::string& condition) const;

  std::string ColumnText;
  std::string ValueText;
  std::optional<Refusal> refusal;

 private:
  std::vector<std::pair<std::string, std::string>> assignments_;
};

// One entry of the mapping as the workers read it: the worksheet column, the
// target field, its keyword (the field in lower case), and whether it is the
// closing entry.
struct MappedColumn {
  const MapEntry* entry;
  std::string key;
  bool closing;
};
// The entries from index 1 to the closing one. A mapping never set raises
// "Type mismatch", as reading an Empty one does.
std::vector<MappedColumn> MappedColumns(const MapTable& map);

// "N" (number), "D" (date) or "C" (character) for a target field's type code.
std::string GetValueKind(int type_code);

// Index of the first entry whose target name, in lower case, is the keyword;
// 0 when no entry has it.
size_t EntryOfKeyword(const MapTable& map, const std::string& keyword);

// The worksheet column of the first entry mapped to the keyword; "" when none is.
std::string ColumnOfKeyword(const MapTable& map, const std::string& keyword);

// The name pass of a row: RowName becomes the first n characters of the cell
// of the first entry mapped to the keyword. False, and RowName as it was, when
// no entry is.
bool TakeRowName(ProcesserState& s, const Recordset& rows, const std::string& keyword, size_t n);

// The first n characters (not bytes) of a UTF-8 text.
std::string LeftChars(const std::string& text, size_t n);

// The cell of the worksheet column, joined with "" (a Null cell gives "").
std::string CellText(const Recordset& rows, const std::string& column);

// The value as the statement carries it: kinds "C" and "D" cleaned and quoted,
// kind "N" by the leading-number rule as plain decimal text.
std::string ValueByKind(const std::string& kind, std::string cell);

// The value a cell gives its field as the statement carries it: a text cut
// to the column's length, cleaned and quoted; a number by the number rule.
// False, with the refusal, for a cell the field cannot hold: no readable
// number, or a number past the range of an integer column.
bool FieldValue(const FieldShape& shape, const std::string& cell, const std::string& column,
                std::string& value, std::optional<Refusal>& refusal);
// The refusal of a cell its field cannot hold, if it is one.
std::optional<Refusal> CellRefusal(const FieldShape& shape, const std::string& cell,
                                   const std::string& column);

// A cell mapped to a number: an empty cell reads 0; a number followed by a
// word reads the number ("12 Nos" is 12); digit groups are read ("1,50,000").
// False for a cell that holds no readable number.
bool ReadNumberCell(const std::string& cell, double& out);

// A spreadsheet worker runs as one step: an error ends the import with a
// message titled "Orvik" that names the worksheet row.
struct WorkerStep : StepVoice {
  explicit WorkerStep(ProcesserState& s, std::string note = "")
      : StepVoice(s, {"Orvik", msgstyle::kInformation, std::move(note)}) {}
};

// Walks the worksheet rows from the current one, counting the worksheet row
// for messages.
template <class Row>
void ForEachSheetRow(ProcesserState& s, Recordset& rows, Row&& row);

}  // namespace vantrel

#include "sheet/statement_builder_inl.h"
