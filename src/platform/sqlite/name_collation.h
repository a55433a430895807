#pragma once

struct sqlite3;

namespace vantrel {

// Makes NOCASE, the collation of the company file's name columns, compare
// names by the name rule (platform/common/name_key.h): letter case never
// matters in any script, every other difference does ("Café" is not "Cafe",
// two emoji never match). For ASCII text it orders as SQLite's own NOCASE, so
// indexes built by it stay valid.
void RegisterNameCollation(sqlite3* db);

// Rebuilds the NOCASE indexes of a file made before the collation above took
// its present form, once: such a file's user_version is below
// kNameCollationVersion (0: SQLite's ASCII-only NOCASE; 1: "ſ", "ẛ" and U+0345
// folded, and malformed UTF-8 read loosely).
void UpgradeNameIndexes(sqlite3* db);

constexpr int kNameCollationVersion = 2;

}  // namespace vantrel
