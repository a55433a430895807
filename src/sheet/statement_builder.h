#pragma once

#include <cstddef>
#include <string>

#include "vantrel/DependProcesser.h"

namespace vantrel {

struct ProcesserState;
class Recordset;

// "N" (number), "D" (date) or "C" (character) for a target field's type code.
std::string GetValueKind(int type_code);

// The index of the closing entry (the last one); entries are read from index 1.
// A mapping never set raises "Type mismatch", as reading an Empty one does.
size_t ClosingEntry(const MapTable& map);

// Index of the first entry whose target name, in lower case, is the keyword;
// 0 when no entry has it.
size_t EntryOfKeyword(const MapTable& map, const std::string& keyword);

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

// Appends one column and its value; the closing entry ends both lists.
void AppendColumn(ProcesserState& s, const std::string& field, const std::string& value,
                  bool closing);
// Appends a parent column carrying FoundCode unquoted.
void AppendParentColumn(ProcesserState& s, const std::string& column, bool closing);

// Removes the square brackets around names (multi-user target); a text value
// keeps its brackets, so both targets store the same text.
std::string WithoutBrackets(const std::string& sql);
// ColumnText joined with ValueText, in the target's dialect.
std::string JoinStatement(ProcesserState& s);

// Writes a row's log line and counts it for the summary.
void LogRow(ProcesserState& s, const std::string& status, const std::string& reason);

// The common handler of a worker: a message titled "Orvik" naming the failing
// worksheet row, ErrorFlag set; the remaining rows are not imported. A note the
// body left in `failure_note` before it failed ends the message.
template <class Body>
void RunWorker(ProcesserState& s, Body&& body, const std::string* failure_note = nullptr);

}  // namespace vantrel

#include "sheet/statement_builder_inl.h"
