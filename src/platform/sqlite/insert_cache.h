#pragma once

#include <sqlite3.h>

#include <string>
#include <unordered_map>

namespace vantrel {

// Single-row inserts of literals run through one prepared statement per
// shape (the statement up to its value list), the values bound: parsing a
// statement costs more than running it. A value is bound as the literal
// would store it: a text as the text, a whole number as an integer, a
// decimal as the real SQLite reads it as; an insert with any other value,
// or a decimal of more digits than a real holds exactly, is not taken.
class InsertCache {
 public:
  explicit InsertCache(sqlite3* db) : db_(db) {}
  ~InsertCache();
  InsertCache(const InsertCache&) = delete;
  InsertCache& operator=(const InsertCache&) = delete;

  // Runs the insert; false when it is not one the cache takes (nothing ran).
  // A failure leaves the connection's error for the caller to report and
  // sets `failed`.
  bool Run(const std::string& sql, bool& failed);

 private:
  static constexpr size_t kMaxShapes = 64;
  sqlite3* db_;
  std::unordered_map<std::string, sqlite3_stmt*> shapes_;
};

}  // namespace vantrel
