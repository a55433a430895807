#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/workbook/sheet.h"

namespace vantrel::workbook {

// The cells of a BIFF8 workbook stream that the .xls parser reads wrong or
// not at all, read from the stream itself, by sheet name in stream order:
// - BOOLERR cells: a Boolean, or an error (#DIV/0!, #N/A) that reads empty;
// - FORMULA cells: the result the file stores. A number (a date when the
//   cell's format shows one), a text from the STRING record that follows, a
//   Boolean; an error or an empty text reads empty.
// A cell whose value is Null holds nothing. Raises vantrel::Error naming
// `path` when a formula's text result is missing or runs past its records;
// a stream of another BIFF version gives no cells.
std::map<std::string, std::vector<Cell>> ReadBiffCells(const std::string& stream,
                                                       const std::string& path);

}  // namespace vantrel::workbook
