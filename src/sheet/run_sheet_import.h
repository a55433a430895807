#pragma once

#include <string>

namespace vantrel {

struct ProcesserState;

// Runs the spreadsheet worker of a table kind ("accounthead", "product", ...,
// compared in lower case); any other kind does nothing. Its handler reports a
// worker's escaped error (title "Orvik") and sets ErrorFlag.
void RunSheetImport(ProcesserState& s, std::string& kind);

}  // namespace vantrel
