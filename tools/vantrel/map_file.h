#pragma once

#include <string>

#include "vantrel/DependProcesser.h"

namespace vantrel::tool {

// Reads a mapping file: one "worksheet column,target field" entry per line,
// standard CSV quoting, blank lines ignored. Entries are numbered from 1 in
// file order (index 0 stays unused). Throws std::runtime_error naming the file
// and line on a malformed entry.
MapTable ReadMapFile(const std::string& path);

// The same from the text of a mapping file; `name` stands for the file in errors.
MapTable ParseMapText(const std::string& text, const std::string& name);

}  // namespace vantrel::tool
