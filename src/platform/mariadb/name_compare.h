#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace vantrel {

// The server's name columns compare by a collation that ignores more than
// letter case: full-width forms, kana, compatibility forms ("x²" and "x2").
// So that names compare as on the company file, each comparison of such a
// column with a quoted text gets the exact test of the case-folded texts:
//
//   pname LIKE 'a\_b'  becomes
//   (pname = 'a_b' AND <fold>(pname) = <fold>('a_b'))
//
// <fold>(x) upper-cases and then lower-cases x by the case tables of
// `collations.fold`, to be compared byte for byte. By MariaDB's uca1400
// tables that folds every code point as Unicode simple case folding does, the
// Turkish dotted and dotless i aside (the collation keeps those apart). The collation's own test
// stays first, so a lookup still uses the column's index. A LIKE without wildcards becomes an
// equality, as on the company file: the server's LIKE misses case pairs outside the Basic
// Multilingual Plane. <> and NOT LIKE get the negation, OR instead of AND.
//
// Recognised: a column (qualified or not) or TRIM, LTRIM or RTRIM of one,
// then =, <>, !=, LIKE or NOT LIKE, then a quoted text, standing alone as a
// condition: after WHERE, AND, OR, NOT, ON, HAVING or "(", and before AND,
// OR, ")", ORDER, GROUP, LIMIT, HAVING, UNION or the end. Assignments after
// SET are never touched. `is_name_column` tells which columns compare by
// such a collation; it is asked only when a statement holds a comparison.
struct FoldCollations {
  const char* fold;   // its UPPER and LOWER fold the texts
  const char* bytes;  // compares bytes, trailing blanks included
};
constexpr FoldCollations kMariadbFolding{"utf8mb4_uca1400_as_ci", "utf8mb4_nopad_bin"};
constexpr FoldCollations kMysqlFolding{"utf8mb4_0900_as_ci", "utf8mb4_0900_bin"};

std::string AddExactNameTests(std::string_view sql, const FoldCollations& collations,
                              const std::function<bool(std::string_view column)>& is_name_column);

// True for statements that may change which columns exist (CREATE, ALTER,
// DROP, RENAME, USE).
bool ChangesColumns(std::string_view sql);

}  // namespace vantrel
