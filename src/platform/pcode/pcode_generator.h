#pragma once

#include <string>

namespace vantrel {

// The next product code after the stored one: the trailing digits count up
// keeping their width (P105 -> P106, A099 -> A100, 999 -> 1000); a code
// without trailing digits gets "1" appended; the empty text gives "1".
std::string NextProductCodeAfter(const std::string& stored);

}  // namespace vantrel
