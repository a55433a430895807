#pragma once

#include <string>

#include "platform/variant/variant.h"

namespace vantrel {

// Removes single quotes, double quotes and backslashes from a value that is
// joined into SQL text, in the caller's variable too. Null becomes the empty
// text; an Empty value stays Empty.
std::string CleanSqlText(Variant& value);
std::string CleanSqlText(std::string& value);

}  // namespace vantrel
