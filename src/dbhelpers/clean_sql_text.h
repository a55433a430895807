#pragma once

#include <string>

#include "platform/variant/variant.h"

namespace vantrel {

// Removes single quotes, double quotes and backslashes from a value that is
// joined into SQL text, in the caller's variable too. Null becomes the empty
// text; an Empty value stays Empty.
std::string CleanSqlText(Variant& value);
std::string CleanSqlText(std::string& value);

// A cleaned name as the text after LIKE that matches that name only: "%" and
// "_" are escaped with a backslash, the escape character of LIKE on both
// targets (cleaning has removed every backslash of the name itself). A name
// without them comes back unchanged.
std::string LikeLiteral(const std::string& cleaned);

}  // namespace vantrel
