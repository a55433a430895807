#include <fcntl.h>
#include <sqlite3.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/common/error.h"
#include "platform/dao/provider.h"
#include "platform/dao/sql_scan.h"
#include "platform/sqlite/insert_cache.h"
#include "platform/sqlite/jet_sql.h"
#include "platform/sqlite/name_collation.h"
#include "platform/variant/convert.h"

namespace vantrel {
namespace {

// How long a connection waits for another one that holds the file's lock.
constexpr int kBusyTimeoutMs = 5000;

std::string WhileExecuting(const std::string& message, const std::string& sql) {
  return message + ", while executing \"" + sql + "\"";
}

class Statement {
 public:
  Statement() = default;
  ~Statement() { sqlite3_finalize(stmt_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;
  sqlite3_stmt** out() { return &stmt_; }
  sqlite3_stmt* get() const { return stmt_; }

 private:
  sqlite3_stmt* stmt_ = nullptr;
};

// The number a value stands for under the leading-number rule; false for NULL.
bool NumberOf(sqlite3_value* v, double& out, bool& is_integer, sqlite3_int64& integer) {
  switch (sqlite3_value_type(v)) {
    case SQLITE_NULL:
      return false;
    case SQLITE_INTEGER:
      is_integer = true;
      integer = sqlite3_value_int64(v);
      return true;
    case SQLITE_FLOAT:
      is_integer = false;
      out = sqlite3_value_double(v);
      return true;
    default: {
      const unsigned char* text = sqlite3_value_text(v);
      const int len = sqlite3_value_bytes(v);
      is_integer = false;
      out = LeadingNumber(std::string_view(
          reinterpret_cast<const char*>(text ? text : reinterpret_cast<const unsigned char*>("")),
          static_cast<size_t>(len)));
      return true;
    }
  }
}

// CINT(x): the number rounded half to even to a whole number; NULL stays NULL.
void CintFunction(sqlite3_context* ctx, int, sqlite3_value** argv) {
  double d = 0;
  bool is_integer = false;
  sqlite3_int64 integer = 0;
  if (!NumberOf(argv[0], d, is_integer, integer)) return sqlite3_result_null(ctx);
  if (is_integer) return sqlite3_result_int64(ctx, integer);
  const double r = std::nearbyint(d);  // the default rounding mode rounds half to even
  if (std::fabs(r) < 9.2e18) return sqlite3_result_int64(ctx, static_cast<sqlite3_int64>(r));
  sqlite3_result_double(ctx, r);
}

// VAL(x): the leading number of the text as a real; NULL stays NULL.
void ValFunction(sqlite3_context* ctx, int, sqlite3_value** argv) {
  double d = 0;
  bool is_integer = false;
  sqlite3_int64 integer = 0;
  if (!NumberOf(argv[0], d, is_integer, integer)) return sqlite3_result_null(ctx);
  sqlite3_result_double(ctx, is_integer ? static_cast<double>(integer) : d);
}

// Type code and size of a column from its declared type; false when the type is
// none of the known ones (expressions have none).
bool DeclaredType(const char* decl, int& type, int& size) {
  if (!decl) return false;
  const std::string full = ToUpper(Trim(decl));
  const size_t paren = full.find('(');
  const std::string name = Trim(full.substr(0, paren));
  int length = 0;
  if (paren != std::string::npos) length = std::atoi(full.c_str() + paren + 1);
  struct Known {
    const char* name;
    int type;
    int size;
  };
  static const Known kKnown[] = {
      {"SMALLINT", adtype::kSmallInt, 2}, {"INTEGER", adtype::kInteger, 4},
      {"INT", adtype::kInteger, 4},       {"DOUBLE", adtype::kDouble, 8},
      {"REAL", adtype::kDouble, 8},       {"FLOAT", adtype::kDouble, 8},
      {"CURRENCY", adtype::kCurrency, 8}, {"BOOLEAN", adtype::kBoolean, 2},
      {"BIT", adtype::kBoolean, 2},       {"DATE", adtype::kDate, 8},
      {"DATETIME", adtype::kDate, 8},     {"DECIMAL", adtype::kNumeric, 19},
      {"NUMERIC", adtype::kNumeric, 19},  {"TEXT", adtype::kVarWChar, 0},
      {"VARCHAR", adtype::kVarWChar, 0},  {"CHAR", adtype::kVarWChar, 0},
      {"BIGINT", adtype::kBigInt, 8},
  };
  for (const Known& k : kKnown) {
    if (name == k.name) {
      type = k.type;
      size = k.type == adtype::kVarWChar ? length : k.size;
      return true;
    }
  }
  return false;
}

int TypeOfStorageClass(int storage) {
  switch (storage) {
    case SQLITE_FLOAT:
      return adtype::kDouble;
    case SQLITE_TEXT:
    case SQLITE_BLOB:
      return adtype::kVarWChar;
    default:
      return adtype::kInteger;
  }
}

// How often a claim that waits tries the lock again.
constexpr auto kClaimRetry = std::chrono::milliseconds(100);

class SqliteProvider : public Provider {
 public:
  SqliteProvider(sqlite3* db, std::string path)
      : db_(db), path_(std::move(path)), inserts_(std::make_unique<InsertCache>(db)) {}
  ~SqliteProvider() override {
    inserts_.reset();
    sqlite3_close_v2(db_);
    if (lock_fd_ >= 0) close(lock_fd_);  // closing the lock file releases its lock
  }
  SqliteProvider(const SqliteProvider&) = delete;
  SqliteProvider& operator=(const SqliteProvider&) = delete;

  // An exclusive flock on "<file>.lock" beside the company file. SQLite's own
  // locks are taken per transaction and cannot keep two imports apart; this
  // one lasts the whole import. Readers never touch the lock file.
  void ClaimForImport(int wait_seconds) override {
    if (lock_fd_ >= 0) return;
    const std::string lock_path = path_ + ".lock";
    const int fd = open(lock_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (fd < 0)
      throw Error("Cannot create the lock file '" + lock_path +
                  "' of the company file: " + std::strerror(errno));
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(wait_seconds);
    for (;;) {
      if (flock(fd, LOCK_EX | LOCK_NB) == 0) break;
      const int err = errno;
      if (err == EINTR) continue;
      if (err != EWOULDBLOCK || std::chrono::steady_clock::now() >= deadline) {
        close(fd);
        if (err != EWOULDBLOCK)
          throw Error("Cannot lock the company file '" + path_ + "': " + std::strerror(err));
        throw Error("The company file '" + path_ + "' is in use by another import (waited " +
                    std::to_string(wait_seconds) + " s); try again when it has finished");
      }
      std::this_thread::sleep_for(kClaimRetry);
    }
    lock_fd_ = fd;
  }

  long Execute(const std::string& sql) override {
    bool failed = false;
    if (inserts_->Run(sql, failed)) {
      if (failed) Fail(sql);
      return sqlite3_changes(db_);
    }
    Statement stmt;
    Prepare(sql, stmt);
    int rc;
    while ((rc = sqlite3_step(stmt.get())) == SQLITE_ROW) {
    }
    if (rc != SQLITE_DONE) Fail(sql);
    return sqlite3_changes(db_);
  }

  RowSet Query(const std::string& sql) override {
    Statement stmt;
    Prepare(sql, stmt);
    sqlite3_stmt* s = stmt.get();
    const int count = sqlite3_column_count(s);
    RowSet result;
    std::vector<bool> declared(static_cast<size_t>(count));
    for (int c = 0; c < count; ++c) {
      FieldDef field;
      const char* name = sqlite3_column_name(s, c);
      field.name = name ? name : "";
      declared[static_cast<size_t>(c)] =
          DeclaredType(sqlite3_column_decltype(s, c), field.type, field.size);
      result.fields.push_back(field);
    }
    std::vector<int> first_storage(static_cast<size_t>(count), SQLITE_NULL);
    int rc;
    while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
      Row row;
      row.reserve(static_cast<size_t>(count));
      for (int c = 0; c < count; ++c) {
        const size_t ci = static_cast<size_t>(c);
        const int storage = sqlite3_column_type(s, c);
        if (first_storage[ci] == SQLITE_NULL) first_storage[ci] = storage;
        row.push_back(ColumnValue(s, c, storage, result.fields[ci].type));
      }
      result.rows.push_back(std::move(row));
    }
    if (rc != SQLITE_DONE) Fail(sql);
    for (size_t c = 0; c < result.fields.size(); ++c)
      if (!declared[c]) result.fields[c].type = TypeOfStorageClass(first_storage[c]);
    return result;
  }

  RowSet Tables() override {
    const std::string sql =
        "SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite\\_%' "
        "ESCAPE '\\' ORDER BY name COLLATE NOCASE";
    Statement stmt;
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, stmt.out(), nullptr) != SQLITE_OK) Fail(sql);
    RowSet result;
    for (const char* name : {"TABLE_CATALOG", "TABLE_SCHEMA", "TABLE_NAME", "TABLE_TYPE"})
      result.fields.push_back(FieldDef{name, adtype::kVarWChar, 0});
    int rc;
    while ((rc = sqlite3_step(stmt.get())) == SQLITE_ROW) {
      const unsigned char* name = sqlite3_column_text(stmt.get(), 0);
      result.rows.push_back(Row{Variant::Null(), Variant::Null(),
                                Variant(std::string(reinterpret_cast<const char*>(name))),
                                Variant("TABLE")});
    }
    if (rc != SQLITE_DONE) Fail(sql);
    return result;
  }

  // A whole transaction takes the write lock at once, so a second writer
  // waits at BEGIN instead of failing half way through.
  void Begin(int depth) override {
    if (depth == 0)
      Execute("BEGIN IMMEDIATE");
    else
      Provider::Begin(depth);
  }

  // SQLite ends a transaction by itself on some errors (disk full, I/O):
  // there is nothing left to roll back then.
  void Rollback(int depth) override {
    if (sqlite3_get_autocommit(db_)) return;
    Provider::Rollback(depth);
  }

 private:
  // Translates and prepares exactly one statement; text after it is refused
  // before anything runs.
  void Prepare(const std::string& sql, Statement& stmt) {
    const std::string translated = TranslateJetSql(sql);
    const char* tail = nullptr;
    if (sqlite3_prepare_v2(db_, translated.c_str(), static_cast<int>(translated.size()), stmt.out(),
                           &tail) != SQLITE_OK)
      Fail(sql);
    const char* end = translated.c_str() + translated.size();
    for (const char* p = tail; p && p < end; ++p) {
      if (*p != ' ' && *p != '\t' && *p != '\r' && *p != '\n' && *p != ';')
        throw Error(WhileExecuting("Characters found after end of SQL statement", sql));
    }
    if (!stmt.get()) throw Error(WhileExecuting("The statement is empty", sql));
  }

  [[noreturn]] void Fail(const std::string& sql) {
    throw Error(WhileExecuting(sqlite3_errmsg(db_), sql));
  }

  static Variant ColumnValue(sqlite3_stmt* s, int c, int storage, int field_type) {
    switch (storage) {
      case SQLITE_NULL:
        return Variant::Null();
      case SQLITE_INTEGER:
        return Variant::FromInteger(sqlite3_column_int64(s, c));
      case SQLITE_FLOAT:
        return Variant(sqlite3_column_double(s, c));
      default: {
        const unsigned char* text = sqlite3_column_text(s, c);
        std::string value(reinterpret_cast<const char*>(text),
                          static_cast<size_t>(sqlite3_column_bytes(s, c)));
        DateValue date;
        if (field_type == adtype::kDate && ParseDateText(value, date)) return Variant(date);
        return Variant(std::move(value));
      }
    }
  }

  sqlite3* db_;
  std::string path_;
  std::unique_ptr<InsertCache> inserts_;
  int lock_fd_ = -1;
};

// Runs one statement of our own (not translated) or raises naming it.
void RunOwn(sqlite3* db, const std::string& sql) {
  char* message = nullptr;
  if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
    std::string text = message ? message : sqlite3_errmsg(db);
    sqlite3_free(message);
    throw Error(WhileExecuting(text, sql));
  }
}

// The settings every connection gets: the functions the dialect has, names
// compared as on the server, waiting for a busy file, and in WAL mode syncing
// at checkpoints only.
void Configure(sqlite3* db) {
  sqlite3_extended_result_codes(db, 1);
  sqlite3_busy_timeout(db, kBusyTimeoutMs);
  const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
  sqlite3_create_function(db, "CINT", 1, flags, nullptr, CintFunction, nullptr, nullptr);
  sqlite3_create_function(db, "VAL", 1, flags, nullptr, ValFunction, nullptr, nullptr);
  RegisterNameCollation(db);
  // Reading the journal mode also proves the file is a database.
  Statement stmt;
  if (sqlite3_prepare_v2(db, "PRAGMA journal_mode", -1, stmt.out(), nullptr) != SQLITE_OK ||
      sqlite3_step(stmt.get()) != SQLITE_ROW)
    throw Error(sqlite3_errmsg(db));
  const unsigned char* mode = sqlite3_column_text(stmt.get(), 0);
  if (mode && EqualsNoCase(reinterpret_cast<const char*>(mode), "wal"))
    RunOwn(db, "PRAGMA synchronous=NORMAL");
  UpgradeNameIndexes(db);
}

void RemoveDatabaseFiles(const std::string& path) {
  std::error_code ec;
  for (const char* suffix : {"", "-wal", "-shm", "-journal"})
    std::filesystem::remove(path + suffix, ec);
}

}  // namespace

std::unique_ptr<Provider> OpenSqliteProvider(const ConnectionParams& params) {
  const auto source = params.find("data source");
  const std::string path = source == params.end() ? std::string() : source->second;
  std::error_code ec;
  if (path.empty() || !std::filesystem::is_regular_file(path, ec))
    throw Error("Could not find file '" + path + "'.");
  sqlite3* db = nullptr;
  const int rc = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
  if (rc != SQLITE_OK) {
    const std::string message = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
    sqlite3_close_v2(db);
    throw Error(message + ": '" + path + "'");
  }
  try {
    Configure(db);
  } catch (const Error& e) {
    sqlite3_close_v2(db);
    throw Error(e.description() + ": '" + path + "'");
  }
  return std::make_unique<SqliteProvider>(db, path);
}

void CreateSqliteCompanyFile(const std::string& path, const std::string& schema_sql) {
  std::error_code ec;
  if (path.empty()) throw Error("A company file name is required");
  if (std::filesystem::exists(path, ec)) throw Error("File '" + path + "' already exists.");
  sqlite3* db = nullptr;
  const int rc =
      sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
  if (rc != SQLITE_OK) {
    const std::string message = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
    sqlite3_close_v2(db);
    throw Error(message + ": '" + path + "'");
  }
  try {
    // WAL is a property of the file and stays for every later connection.
    RunOwn(db, "PRAGMA journal_mode=WAL");
    RegisterNameCollation(db);
    RunOwn(db, "BEGIN");
    for (const std::string& statement : SplitSqlScript(schema_sql)) RunOwn(db, statement);
    RunOwn(db, "PRAGMA user_version=" + std::to_string(kNameCollationVersion));
    RunOwn(db, "COMMIT");
  } catch (...) {
    sqlite3_close_v2(db);
    RemoveDatabaseFiles(path);
    throw;
  }
  sqlite3_close_v2(db);
}

}  // namespace vantrel
