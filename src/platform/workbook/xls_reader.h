#pragma once

#include <string>

#include "platform/workbook/sheet.h"

namespace vantrel::workbook {

// Reads every worksheet of a BIFF (.xls) workbook; raises vantrel::Error when
// the file cannot be read.
Workbook ReadXls(const std::string& path);

}  // namespace vantrel::workbook
