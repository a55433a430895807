#pragma once

#include <string>

#include "platform/workbook/sheet.h"

namespace vantrel::workbook {

// Reads every worksheet of an Office Open XML (.xlsx) workbook held in
// `bytes`, the contents of the file `path` (named in errors); raises
// vantrel::Error when the workbook cannot be read or its parts, uncompressed,
// hold more than the source size limit allows.
Workbook ReadXlsx(const std::string& bytes, const std::string& path);

}  // namespace vantrel::workbook
