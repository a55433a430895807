#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/workbook/sheet.h"

namespace vantrel::workbook {

// Where a row of a CSV file starts (its line, from 1) and how many fields it has.
struct CsvRow {
  size_t line;
  size_t fields;
};

// Reads comma-separated text as one worksheet with the given name. The bytes
// are decoded as a text file (UTF-8 with or without BOM, UTF-16 or UTF-32
// with BOM, else Windows-1252). Quoted fields follow the usual rules: commas
// and line breaks inside quotes, "" for a quote. Every cell is text as
// written ("0012" keeps its zeros); blank lines are no rows, and with
// `comment_lines` neither are lines starting with '#'. Raises vantrel::Error
// naming the `kind` of file, `path` and the line when a quoted field is not
// closed.
Sheet ReadCsv(std::string bytes, const std::string& sheet_name, const std::string& path,
              std::vector<CsvRow>* rows = nullptr, const char* kind = "workbook",
              bool comment_lines = false);

}  // namespace vantrel::workbook
