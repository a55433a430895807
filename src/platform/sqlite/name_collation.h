#pragma once

struct sqlite3;

namespace vantrel {

// Makes NOCASE, the collation of the company file's name columns, compare
// names as the server's collation does: letter case never matters in any
// script (Unicode simple case folding), every other difference does
// ("Café" is not "Cafe", two emoji never match). For ASCII text it orders as
// SQLite's own NOCASE, so indexes built by it stay valid.
void RegisterNameCollation(sqlite3* db);

// Rebuilds the NOCASE indexes of a file made before the collation above, once:
// such a file's user_version is 0; the template's files carry 1.
void UpgradeNameIndexes(sqlite3* db);

constexpr int kNameCollationVersion = 1;

}  // namespace vantrel
