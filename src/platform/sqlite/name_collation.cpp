#include "platform/sqlite/name_collation.h"

#include <sqlite3.h>
#include <unicode/uchar.h>

#include <string>

#include "platform/common/error.h"

namespace vantrel {
namespace {

// The next code point of UTF-8 text; a byte that starts no valid sequence
// stands for itself, above the range of code points, so it never equals a letter.
UChar32 NextCodePoint(const unsigned char* s, int n, int& i) {
  const unsigned char c = s[i];
  if (c < 0x80) {
    ++i;
    return c;
  }
  int length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 0;
  UChar32 cp = length == 4 ? c & 0x07 : length == 3 ? c & 0x0F : c & 0x1F;
  if (length == 0 || i + length > n) {
    ++i;
    return 0x110000 + c;
  }
  for (int k = 1; k < length; ++k) {
    if ((s[i + k] & 0xC0) != 0x80) {
      ++i;
      return 0x110000 + c;
    }
    cp = (cp << 6) | (s[i + k] & 0x3F);
  }
  i += length;
  return cp;
}

// ASCII letters fold to lower case as SQLite's NOCASE does; everything else
// by Unicode simple case folding.
UChar32 Fold(UChar32 c) {
  if (c < 0x80) return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c;
  if (c > 0x10FFFF) return c;
  return u_foldCase(c, U_FOLD_CASE_DEFAULT);
}

int CompareNames(void*, int n1, const void* p1, int n2, const void* p2) {
  const auto* a = static_cast<const unsigned char*>(p1);
  const auto* b = static_cast<const unsigned char*>(p2);
  int i = 0, j = 0;
  while (i < n1 && j < n2) {
    const UChar32 x = Fold(NextCodePoint(a, n1, i));
    const UChar32 y = Fold(NextCodePoint(b, n2, j));
    if (x != y) return x < y ? -1 : 1;
  }
  if (i < n1) return 1;
  if (j < n2) return -1;
  return 0;
}

}  // namespace

void RegisterNameCollation(sqlite3* db) {
  if (sqlite3_create_collation_v2(db, "NOCASE", SQLITE_UTF8, nullptr, CompareNames, nullptr) !=
      SQLITE_OK)
    throw Error(std::string("Cannot set the name collation: ") + sqlite3_errmsg(db));
}

void UpgradeNameIndexes(sqlite3* db) {
  sqlite3_stmt* stmt = nullptr;
  int version = kNameCollationVersion;
  if (sqlite3_prepare_v2(db, "PRAGMA user_version", -1, &stmt, nullptr) == SQLITE_OK &&
      sqlite3_step(stmt) == SQLITE_ROW)
    version = sqlite3_column_int(stmt, 0);
  sqlite3_finalize(stmt);
  if (version >= kNameCollationVersion) return;
  const std::string sql =
      "REINDEX NOCASE; PRAGMA user_version=" + std::to_string(kNameCollationVersion);
  char* message = nullptr;
  if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
    const std::string text = message ? message : sqlite3_errmsg(db);
    sqlite3_free(message);
    throw Error("Cannot rebuild the name indexes: " + text);
  }
}

}  // namespace vantrel
