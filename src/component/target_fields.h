#pragma once

#include <string>

namespace vantrel {

// Whether a header names a field of any workbook import, as ProposeMapping
// would match it.
bool NamesAnyField(const std::string& header);

}  // namespace vantrel
