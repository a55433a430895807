#pragma once

#include <string>
#include <string_view>

namespace vantrel {

// Rewrites a statement of the desktop database's SQL dialect into SQLite SQL:
// [name] becomes "name", #date# and "text" become single-quoted text, and a
// single-quoted literal compared with = or <> gets COLLATE NOCASE, since the old
// database compares text without regard to case. `LIKE 'text'` takes the
// backslash as escape character, as the server does; a pattern without
// wildcards becomes `= 'text' COLLATE NOCASE`. Other single-quoted literals are
// copied unchanged; everything else is kept byte for byte.
std::string TranslateJetSql(std::string_view sql);

}  // namespace vantrel
