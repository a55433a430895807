#pragma once

#include <string>

namespace vantrel {

struct ProcesserState;

// Runs the spreadsheet worker of a table kind ("accounthead", "product", ...,
// compared in lower case); any other kind does nothing.
void RunSheetImport(ProcesserState& s, const std::string& kind);

}  // namespace vantrel
