#pragma once

#include <string>

namespace vantrel::workbook {

// Checks the structure of a compound file (the container of an .xls workbook)
// before a reader trusts it: the header's sector sizes and counts, the chains
// of the allocation tables, the directory and every stream's chain lie within
// the file, hold no loops and are long enough for the sizes they claim.
// Returns "" when the file is sound, else what is wrong with it.
std::string CheckCompoundFile(const std::string& bytes);

// The bytes of the workbook stream ("Workbook", or "Book" in older files) of
// a sound compound file; "" when the file is unsound or holds no such stream.
std::string ReadWorkbookStream(const std::string& bytes);

}  // namespace vantrel::workbook
