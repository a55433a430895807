#pragma once

#include <string>

#include "platform/workbook/sheet.h"

namespace vantrel::workbook {

// Reads every worksheet of an Office Open XML (.xlsx) workbook; raises
// vantrel::Error when the file cannot be read.
Workbook ReadXlsx(const std::string& path);

}  // namespace vantrel::workbook
