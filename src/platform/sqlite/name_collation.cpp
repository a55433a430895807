#include "platform/sqlite/name_collation.h"

#include <sqlite3.h>

#include <string>
#include <string_view>

#include "platform/common/error.h"
#include "platform/common/name_key.h"

namespace vantrel {
namespace {

int CompareNameTexts(void*, int n1, const void* p1, int n2, const void* p2) {
  return CompareNames(std::string_view(static_cast<const char*>(p1), static_cast<size_t>(n1)),
                      std::string_view(static_cast<const char*>(p2), static_cast<size_t>(n2)));
}

}  // namespace

void RegisterNameCollation(sqlite3* db) {
  if (sqlite3_create_collation_v2(db, "NOCASE", SQLITE_UTF8, nullptr, CompareNameTexts, nullptr) !=
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
