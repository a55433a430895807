#include "platform/sqlite/insert_cache.h"

#include <cstdlib>

#include "platform/dao/insert_text.h"
#include "platform/sqlite/jet_sql.h"

namespace vantrel {
namespace {

// Significant digits of a number literal; whether it has a decimal point.
size_t Digits(const std::string& t, bool& decimal) {
  size_t digits = 0;
  bool leading = true;
  decimal = false;
  for (char c : t) {
    if (c == '.') {
      decimal = true;
      continue;
    }
    if (c < '0' || c > '9') continue;
    if (leading && c == '0') continue;
    leading = false;
    ++digits;
  }
  return digits;
}

bool Bind(sqlite3_stmt* stmt, int at, const InsertValue& v) {
  switch (v.kind) {
    case InsertValue::kNull:
      return sqlite3_bind_null(stmt, at) == SQLITE_OK;
    case InsertValue::kText:
      return sqlite3_bind_text(stmt, at, v.text.data(), static_cast<int>(v.text.size()),
                               SQLITE_TRANSIENT) == SQLITE_OK;
    case InsertValue::kNumber: {
      bool decimal = false;
      const size_t digits = Digits(v.text, decimal);
      if (!decimal && digits <= 18)
        return sqlite3_bind_int64(stmt, at, std::strtoll(v.text.c_str(), nullptr, 10)) == SQLITE_OK;
      // Up to 15 digits a decimal reads as the same real however it is read.
      if (decimal && digits <= 15)
        return sqlite3_bind_double(stmt, at, std::strtod(v.text.c_str(), nullptr)) == SQLITE_OK;
      return false;
    }
    default:
      return false;
  }
}

}  // namespace

InsertCache::~InsertCache() {
  for (auto& shape : shapes_) sqlite3_finalize(shape.second);
}

bool InsertCache::Run(const std::string& sql, bool& failed) {
  failed = false;
  InsertText text;
  if (!ReadInsertText(sql, text)) return false;
  for (const InsertValue& v : text.values) {
    bool decimal = false;
    if (v.kind == InsertValue::kOther) return false;
    if (v.kind == InsertValue::kNumber && Digits(v.text, decimal) > (decimal ? 15 : 18))
      return false;
  }
  std::string shape = text.head + "(";
  for (size_t i = 0; i < text.values.size(); ++i) shape += i ? ",?" : "?";
  shape += ")";
  sqlite3_stmt* stmt = nullptr;
  const auto it = shapes_.find(shape);
  if (it != shapes_.end()) {
    stmt = it->second;
  } else {
    const std::string translated = TranslateJetSql(shape);
    const char* tail = nullptr;
    if (sqlite3_prepare_v2(db_, translated.c_str(), static_cast<int>(translated.size()), &stmt,
                           &tail) != SQLITE_OK ||
        stmt == nullptr || (tail && *tail) ||
        sqlite3_bind_parameter_count(stmt) != static_cast<int>(text.values.size())) {
      // Left to the statement's own run, which reports what is wrong with it.
      sqlite3_finalize(stmt);
      return false;
    }
    if (shapes_.size() >= kMaxShapes) {
      for (auto& old : shapes_) sqlite3_finalize(old.second);
      shapes_.clear();
    }
    shapes_.emplace(shape, stmt);
  }
  sqlite3_reset(stmt);
  sqlite3_clear_bindings(stmt);
  for (size_t i = 0; i < text.values.size(); ++i)
    if (!Bind(stmt, static_cast<int>(i + 1), text.values[i])) return false;
  const int rc = sqlite3_step(stmt);
  failed = rc != SQLITE_DONE;
  if (failed) {
    // The error stays readable until the statement is reset: keep it for the caller.
    sqlite3_reset(stmt);
  }
  return true;
}

}  // namespace vantrel
