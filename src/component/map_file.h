#pragma once

#include <string>

#include "vantrel/DependProcesser.h"

namespace vantrel {

// The entries of a mapping file's text (see LoadMapFile); `name` stands for
// the file in errors. Raises vantrel::Error naming the file and line of a
// malformed entry.
MapTable ParseMapText(const std::string& text, const std::string& name);

// The same, read from a file no larger than a mapping file can sensibly be.
MapTable ReadMapFile(const std::string& path);

}  // namespace vantrel
