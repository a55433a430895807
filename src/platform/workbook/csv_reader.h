#pragma once

#include <string>

#include "platform/workbook/sheet.h"

namespace vantrel::workbook {

// Reads comma-separated UTF-8 text (a leading byte order mark is skipped) as
// one worksheet with the given name. Quoted fields follow the usual rules:
// commas and line breaks inside quotes, "" for a quote.
Sheet ReadCsv(const std::string& text, const std::string& sheet_name);

}  // namespace vantrel::workbook
