#pragma once

#include <cstdint>
#include <string>

#include "platform/variant/variant.h"

namespace vantrel {

struct ProcesserState;

// Finds the code of a parent record by name for the head, ledger and group
// imports and leaves it in FoundCode. Kind "accountledger"/"accounthead"
// searches account heads, "productgroup" product groups (a missing group gives
// FoundCode = NextGroupCode, the code the caller will create it under). The
// name is cleaned in place. Runs under the common handler.
bool FindParentCode(ProcesserState& s, const std::string& kind, std::string& name);

// Code of the product group of that name; 1 when there is none.
int32_t GroupCodeByName(ProcesserState& s, const Variant& name);

}  // namespace vantrel
