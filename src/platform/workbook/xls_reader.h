#pragma once

#include <string>

#include "platform/workbook/sheet.h"

namespace vantrel::workbook {

// Reads every worksheet of a BIFF (.xls) workbook held in `bytes`, the
// contents of the file `path` (named in errors); raises vantrel::Error when
// the workbook cannot be read. The compound file is checked before the
// parser sees it, and the parser reads these bytes, not the file again.
Workbook ReadXls(const std::string& bytes, const std::string& path);

}  // namespace vantrel::workbook
