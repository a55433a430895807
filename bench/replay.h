// Replays a statement trace (one statement a line, as `vantrel import
// --trace-sql` writes it) straight through the target's own client library:
// the bare cost of an import's statements, without the import around them.
#pragma once

#include <mysql.h>
#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <string>
#include <vector>

#include "platform/sqlite/jet_sql.h"
#include "platform/variant/convert.h"

namespace bench {

struct ReplayResult {
  long run = 0, skipped = 0, failed = 0;
  double seconds = 0, cpu_seconds = 0;
};

inline bool IsSelect(const std::string& line) {
  const std::string t = vantrel::Trim(line);
  return t.size() >= 6 && vantrel::EqualsNoCase(t.substr(0, 6), "select");
}

// The trace's lines; SELECT lines are left out with writes_only.
inline std::vector<std::string> ReadTrace(const std::string& path, bool writes_only) {
  std::vector<std::string> lines;
  std::ifstream in(path, std::ios::binary);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || (writes_only && IsSelect(line))) continue;
    lines.push_back(line);
  }
  return lines;
}

class Stopwatch {
 public:
  void Stop(ReplayResult& r) const {
    r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall_).count();
    r.cpu_seconds = double(std::clock() - cpu_) / CLOCKS_PER_SEC;
  }

 private:
  std::chrono::steady_clock::time_point wall_ = std::chrono::steady_clock::now();
  std::clock_t cpu_ = std::clock();
};

// Into a company file in WAL with synchronous=NORMAL, as vantrel's own, each
// statement in autocommit or all in one transaction. Each line is put into
// SQLite's dialect with TranslateJetSql and nothing else is registered, so a
// line plain SQLite cannot prepare (the allocators' CINT) counts as skipped.
inline ReplayResult ReplaySqlite(const std::vector<std::string>& lines, const std::string& company,
                                 bool one_transaction) {
  std::vector<std::string> translated;
  translated.reserve(lines.size());
  for (const std::string& line : lines) translated.push_back(vantrel::TranslateJetSql(line));
  ReplayResult r;
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(company.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
    std::fprintf(stderr, "replay: %s\n", sqlite3_errmsg(db));
    r.failed = 1;
    return r;
  }
  sqlite3_exec(db, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr);
  sqlite3_exec(db, "PRAGMA synchronous=NORMAL", nullptr, nullptr, nullptr);
  Stopwatch watch;
  if (one_transaction) sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
  for (const std::string& sql : translated) {
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()), &stmt, nullptr) !=
        SQLITE_OK) {
      ++r.skipped;
      continue;
    }
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
    }
    if (rc != SQLITE_DONE) ++r.failed;
    sqlite3_finalize(stmt);
    ++r.run;
  }
  if (one_transaction) sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
  watch.Stop(r);
  sqlite3_close_v2(db);
  return r;
}

// Into a database on a MariaDB server (HOST:PORT, the fixed account), lines
// sent unchanged, in autocommit or all in one transaction.
inline ReplayResult ReplayMariadb(const std::vector<std::string>& lines, const std::string& server,
                                  const std::string& database, bool one_transaction) {
  ReplayResult r;
  const size_t colon = server.rfind(':');
  const std::string host = server.substr(0, colon);
  const unsigned port = colon == std::string::npos ? 3306 : std::stoul(server.substr(colon + 1));
  MYSQL* db = mysql_init(nullptr);
  if (!mysql_real_connect(db, host.c_str(), "orvikuser", "marblequince", database.c_str(), port,
                          nullptr, CLIENT_FOUND_ROWS)) {
    std::fprintf(stderr, "replay: %s\n", mysql_error(db));
    mysql_close(db);
    r.failed = 1;
    return r;
  }
  Stopwatch watch;
  if (one_transaction) mysql_query(db, "BEGIN");
  for (const std::string& sql : lines) {
    if (mysql_real_query(db, sql.data(), static_cast<unsigned long>(sql.size())) != 0) ++r.failed;
    if (MYSQL_RES* res = mysql_store_result(db)) mysql_free_result(res);
    ++r.run;
  }
  if (one_transaction) mysql_query(db, "COMMIT");
  watch.Stop(r);
  mysql_close(db);
  return r;
}

}  // namespace bench
