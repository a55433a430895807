#pragma once

#include <string>

namespace vantrel {

// The first field of every row of a query on the target, as the list inside
// an IN (...) clause: "5,9", or "'A','B'" when `text_list`. A query that finds
// nothing or fails gives "-1" ("''"), which keeps the clause well formed and
// matches nothing. Values are taken as stored, neither cleaned nor escaped.
std::string BuildInList(const std::string& sql, bool text_list);

}  // namespace vantrel
