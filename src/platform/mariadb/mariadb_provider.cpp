#include <mysql.h>

#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_set>

#include "platform/common/error.h"
#include "platform/dao/connection.h"
#include "platform/dao/provider.h"
#include "platform/dao/sql_scan.h"
#include "platform/mariadb/name_compare.h"
#include "platform/variant/convert.h"

namespace vantrel {
namespace {

constexpr unsigned int kDefaultPort = 3306;
// GET_LOCK names hold at most 64 characters.
constexpr size_t kMaxLockName = 64;

// The client library keeps global state; initialise it once per process. It is
// never torn down: the library's own end-of-process handling suffices.
void InitClientLibrary() {
  static std::once_flag once;
  std::call_once(once, [] {
    if (mysql_library_init(0, nullptr, nullptr) != 0)
      throw Error("The MariaDB client library could not be initialised.");
  });
}

std::string Param(const ConnectionParams& params, const char* key) {
  auto it = params.find(key);
  return it == params.end() ? std::string() : it->second;
}

// "host" or "host:port"; "localhost" is taken as TCP to the loopback address,
// since the client library would otherwise pick its Unix socket.
void SplitServer(const std::string& server, std::string& host, unsigned int& port) {
  host = server;
  port = kDefaultPort;
  const size_t colon = server.rfind(':');
  if (colon != std::string::npos && server.find(':') == colon) {
    const std::string port_text = Trim(server.substr(colon + 1));
    host = Trim(server.substr(0, colon));
    char* end = nullptr;
    const unsigned long value = std::strtoul(port_text.c_str(), &end, 10);
    if (port_text.empty() || *end != '\0' || value == 0 || value > 65535)
      throw Error("Invalid port \"" + port_text + "\" in server " + server);
    port = static_cast<unsigned int>(value);
  }
  if (host.empty() || EqualsNoCase(host, "localhost")) host = "127.0.0.1";
}

int TypeCode(const MYSQL_FIELD& f) {
  switch (f.type) {
    case MYSQL_TYPE_TINY:
      return adtype::kTinyInt;
    case MYSQL_TYPE_SHORT:
    case MYSQL_TYPE_YEAR:
      return adtype::kSmallInt;
    case MYSQL_TYPE_INT24:
    case MYSQL_TYPE_LONG:
      return adtype::kInteger;
    case MYSQL_TYPE_LONGLONG:
      return adtype::kBigInt;
    case MYSQL_TYPE_FLOAT:
      return adtype::kSingle;
    case MYSQL_TYPE_DOUBLE:
      return adtype::kDouble;
    case MYSQL_TYPE_DECIMAL:
    case MYSQL_TYPE_NEWDECIMAL:
      return adtype::kNumeric;
    case MYSQL_TYPE_DATE:
    case MYSQL_TYPE_NEWDATE:
      return adtype::kDBDate;
    case MYSQL_TYPE_DATETIME:
    case MYSQL_TYPE_TIMESTAMP:
      return adtype::kDBTimeStamp;
    case MYSQL_TYPE_STRING:
      return adtype::kChar;
    default:
      return adtype::kVarChar;
  }
}

// The size Recordset::DefinedSize reports: for text the characters the column
// holds (the server gives bytes in the result's character set), else the
// value's size in bytes as the company file reports it.
int DefinedSize(const MYSQL_FIELD& f) {
  switch (f.type) {
    case MYSQL_TYPE_TINY:
      return 1;
    case MYSQL_TYPE_SHORT:
    case MYSQL_TYPE_YEAR:
      return 2;
    case MYSQL_TYPE_INT24:
      return 3;
    case MYSQL_TYPE_LONG:
    case MYSQL_TYPE_FLOAT:
      return 4;
    case MYSQL_TYPE_LONGLONG:
    case MYSQL_TYPE_DOUBLE:
    case MYSQL_TYPE_DATE:
    case MYSQL_TYPE_NEWDATE:
    case MYSQL_TYPE_DATETIME:
    case MYSQL_TYPE_TIMESTAMP:
      return 8;
    case MYSQL_TYPE_DECIMAL:
    case MYSQL_TYPE_NEWDECIMAL:
      return 19;
    default: {
      const MARIADB_CHARSET_INFO* charset = mariadb_get_charset_by_nr(f.charsetnr);
      const unsigned long per_char =
          charset != nullptr && charset->char_maxlen > 0 ? charset->char_maxlen : 1;
      const unsigned long chars = f.length / per_char;
      return chars > INT_MAX ? INT_MAX : static_cast<int>(chars);
    }
  }
}

// "yyyy-mm-dd[ hh:mm:ss[.ffffff]]" as the server sends dates in text results.
// The zero date and other values outside the calendar read as Null.
Variant DateFromText(const std::string& text) {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0;
  double second = 0;
  const int got =
      std::sscanf(text.c_str(), "%d-%d-%d %d:%d:%lf", &year, &month, &day, &hour, &minute, &second);
  if (got < 3 || year < 100 || month < 1 || month > 12 || day < 1 || day > 31)
    return Variant::Null();
  DateValue d = MakeDate(year, month, day);
  if (got >= 5) {
    d.serial += (hour * 3600.0 + minute * 60.0 + second) / 86400.0;
  }
  return Variant(d);
}

Variant ValueOf(const MYSQL_FIELD& f, const char* data, unsigned long length) {
  if (data == nullptr) return Variant::Null();
  const std::string text(data, length);
  switch (f.type) {
    case MYSQL_TYPE_TINY:
    case MYSQL_TYPE_SHORT:
    case MYSQL_TYPE_INT24:
    case MYSQL_TYPE_LONG:
    case MYSQL_TYPE_LONGLONG:
    case MYSQL_TYPE_YEAR:
      if (f.flags & UNSIGNED_FLAG) {
        const unsigned long long v = std::strtoull(text.c_str(), nullptr, 10);
        if (v > static_cast<unsigned long long>(INT64_MAX)) return Variant(static_cast<double>(v));
        return Variant::FromInteger(static_cast<int64_t>(v));
      }
      return Variant::FromInteger(std::strtoll(text.c_str(), nullptr, 10));
    case MYSQL_TYPE_FLOAT:
    case MYSQL_TYPE_DOUBLE:
    case MYSQL_TYPE_DECIMAL:
    case MYSQL_TYPE_NEWDECIMAL:
      return Variant(std::strtod(text.c_str(), nullptr));
    case MYSQL_TYPE_DATE:
    case MYSQL_TYPE_NEWDATE:
    case MYSQL_TYPE_DATETIME:
    case MYSQL_TYPE_TIMESTAMP:
      return DateFromText(text);
    default:
      return Variant(text);
  }
}

class MariadbProvider : public Provider {
 public:
  explicit MariadbProvider(const ConnectionParams& params) {
    InitClientLibrary();
    std::string host;
    unsigned int port = kDefaultPort;
    const std::string server = Param(params, "server");
    SplitServer(server, host, port);
    where_ = host + ":" + std::to_string(port);
    const std::string& where = where_;
    database_ = Param(params, "database");

    handle_ = mysql_init(nullptr);
    if (handle_ == nullptr) throw Error("Out of memory opening a connection to server " + where);

    // A server that stops answering (frozen, or a network that drops packets)
    // ends the statement after these; a healthy one answers far sooner.
    const TargetTimeouts t = GetTargetTimeouts();
    const unsigned int connect_timeout = static_cast<unsigned int>(t.connect_seconds);
    read_timeout_ = t.read_seconds;
    const unsigned int read_timeout = static_cast<unsigned int>(t.read_seconds);
    const unsigned int write_timeout = static_cast<unsigned int>(t.write_seconds);
    const unsigned int protocol = MYSQL_PROTOCOL_TCP;
    mysql_optionsv(handle_, MYSQL_OPT_CONNECT_TIMEOUT, &connect_timeout);
    mysql_optionsv(handle_, MYSQL_OPT_READ_TIMEOUT, &read_timeout);
    mysql_optionsv(handle_, MYSQL_OPT_WRITE_TIMEOUT, &write_timeout);
    mysql_optionsv(handle_, MYSQL_OPT_PROTOCOL, &protocol);
    mysql_optionsv(handle_, MYSQL_SET_CHARSET_NAME, "utf8mb4");

    const std::string user = Param(params, "uid");
    const std::string password = Param(params, "pwd");
    const std::string& database = database_;
    // Found rows: an UPDATE reports the rows it matched, whether or not it changed them.
    const unsigned long flags = CLIENT_FOUND_ROWS;
    if (mysql_real_connect(handle_, host.c_str(), user.c_str(), password.c_str(),
                           database.empty() ? nullptr : database.c_str(), port, nullptr,
                           flags) == nullptr) {
      const std::string message = mysql_error(handle_);
      mysql_close(handle_);
      handle_ = nullptr;
      throw Error(message + ", server " + where);
    }
    mysql_autocommit(handle_, 1);
    const char* info = mysql_get_server_info(handle_);
    if (info == nullptr || std::strstr(info, "MariaDB") == nullptr) folding_ = kMysqlFolding;
  }

  ~MariadbProvider() override {
    if (handle_ != nullptr) mysql_close(handle_);
  }

  MariadbProvider(const MariadbProvider&) = delete;
  MariadbProvider& operator=(const MariadbProvider&) = delete;

  long Execute(const std::string& sql) override {
    Run(sql, WithNameTests(sql));
    // A statement that returned rows anyway: read and drop them.
    if (MYSQL_RES* result = mysql_store_result(handle_)) {
      mysql_free_result(result);
      return 0;
    }
    const my_ulonglong affected = mysql_affected_rows(handle_);
    if (affected == static_cast<my_ulonglong>(-1)) return 0;
    return static_cast<long>(affected);
  }

  RowSet Query(const std::string& sql) override {
    Run(sql, WithNameTests(sql));
    MYSQL_RES* result = mysql_store_result(handle_);
    if (result == nullptr) {
      if (mysql_field_count(handle_) != 0) Fail(sql);
      return RowSet();  // The statement returns no rows.
    }
    RowSet rows;
    try {
      rows = Read(result);
    } catch (...) {
      mysql_free_result(result);
      throw;
    }
    mysql_free_result(result);
    return rows;
  }

  // A named lock of the server, held by this session: GET_LOCK waits on the
  // server for another import's session to end or release it, and the server
  // drops it when this session ends, however it ends. Not traced: it is no
  // statement of the import.
  void ClaimForImport(int wait_seconds) override {
    if (claimed_) return;
    if (wait_seconds >= read_timeout_)
      throw Error("The wait for a busy database (" + std::to_string(wait_seconds) +
                  " s) must be shorter than the server's read timeout (" +
                  std::to_string(read_timeout_) + " s)");
    const std::string name = LockName();
    const std::string sql = "SELECT GET_LOCK('" + name + "', " + std::to_string(wait_seconds) + ")";
    Run(sql);
    MYSQL_RES* result = mysql_store_result(handle_);
    if (result == nullptr) Fail(sql);
    MYSQL_ROW row = mysql_fetch_row(result);
    const bool got = row != nullptr && row[0] != nullptr && std::strcmp(row[0], "1") == 0;
    mysql_free_result(result);
    if (!got)
      throw Error("The database '" + database_ + "' on server " + where_ +
                  " is in use by another import (waited " + std::to_string(wait_seconds) +
                  " s); try again when it has finished");
    claimed_ = true;
  }

  RowSet Tables() override {
    const RowSet tables = Query("SHOW TABLES");
    RowSet out;
    out.fields = {{"TABLE_CATALOG", adtype::kVarChar, 0},
                  {"TABLE_SCHEMA", adtype::kVarChar, 0},
                  {"TABLE_NAME", adtype::kVarChar, 0},
                  {"TABLE_TYPE", adtype::kVarChar, 0}};
    for (const Row& row : tables.rows) {
      if (row.empty()) continue;
      out.rows.push_back({Variant::Null(), Variant::Null(), row[0], Variant("TABLE")});
    }
    return out;
  }

 private:
  // Sends `sent` for the statement `sql`; errors name `sql`, as the caller wrote it.
  void Run(const std::string& sql, const std::string& sent) {
    RefuseStackedStatements(sql);
    if (mysql_real_query(handle_, sent.data(), static_cast<unsigned long>(sent.size())) != 0)
      Fail(sql);
  }
  void Run(const std::string& sql) { Run(sql, sql); }

  // The statement with each name comparison made exact (see name_compare.h).
  std::string WithNameTests(const std::string& sql) {
    if (ChangesColumns(sql)) {
      name_columns_.reset();
      return sql;
    }
    return AddExactNameTests(sql, folding_, [this](std::string_view column) {
      if (!name_columns_) name_columns_ = ReadNameColumns();
      return name_columns_->count(ToLower(std::string(column))) != 0;
    });
  }

  // Columns of the database whose collation ignores letter case, by name in
  // lower case. A name that is not text in every table that has it is left
  // out: a quoted number compared with a number column stays a number test.
  std::unordered_set<std::string> ReadNameColumns() {
    const RowSet columns = Query(
        "SELECT COLUMN_NAME, COLLATION_NAME FROM information_schema.COLUMNS "
        "WHERE TABLE_SCHEMA = DATABASE()");
    std::unordered_set<std::string> folded, other;
    for (const Row& row : columns.rows) {
      const std::string name = ToLower(ToText(row.at(0)));
      if (row.at(1).is_null()) {
        other.insert(name);
        continue;
      }
      const std::string collation = ToLower(ToText(row.at(1)));
      if (collation.size() > 3 && collation.compare(collation.size() - 3, 3, "_ci") == 0)
        folded.insert(name);
    }
    for (const std::string& name : other) folded.erase(name);
    return folded;
  }

  // Errors of the connection itself (lost, timed out, gone) name the server;
  // the server's own errors are about the statement.
  [[noreturn]] void Fail(const std::string& sql) {
    std::string message = mysql_error(handle_);
    const unsigned int code = mysql_errno(handle_);
    if (code >= 2000 && code < 3000) message += ", server " + where_;
    throw Error(message + ", while executing \"" + sql + "\"");
  }

  // One lock per database: names compare without letter case, as the
  // server's database names do here; a long name is shortened by a hash.
  std::string LockName() const {
    std::string name = "vantrel import " + ToLower(database_);
    if (name.size() > kMaxLockName) {
      char hash[17];
      std::snprintf(hash, sizeof hash, "%016zx", std::hash<std::string>()(name));
      name = name.substr(0, kMaxLockName - 17) + "~" + hash;
    }
    std::string quoted;
    for (char c : name) {
      if (c == '\'' || c == '\\') quoted += '\\';
      quoted += c;
    }
    return quoted;
  }

  static RowSet Read(MYSQL_RES* result) {
    RowSet rows;
    const unsigned int count = mysql_num_fields(result);
    MYSQL_FIELD* fields = mysql_fetch_fields(result);
    rows.fields.reserve(count);
    for (unsigned int i = 0; i < count; ++i) {
      FieldDef def;
      def.name = std::string(fields[i].name, fields[i].name_length);
      def.type = TypeCode(fields[i]);
      def.size = DefinedSize(fields[i]);
      rows.fields.push_back(std::move(def));
    }
    rows.rows.reserve(static_cast<size_t>(mysql_num_rows(result)));
    while (MYSQL_ROW data = mysql_fetch_row(result)) {
      const unsigned long* lengths = mysql_fetch_lengths(result);
      Row row;
      row.reserve(count);
      for (unsigned int i = 0; i < count; ++i)
        row.push_back(ValueOf(fields[i], data[i], lengths[i]));
      rows.rows.push_back(std::move(row));
    }
    return rows;
  }

  MYSQL* handle_ = nullptr;
  std::string where_;
  std::string database_;
  int read_timeout_ = 0;
  bool claimed_ = false;
  // Read on the first statement that compares a column with a text; read again
  // after a statement that may change columns.
  std::optional<std::unordered_set<std::string>> name_columns_;
  // MySQL has neither MariaDB's uca1400 collations nor its nopad_bin.
  FoldCollations folding_ = kMariadbFolding;
};

}  // namespace

std::unique_ptr<Provider> OpenMariadbProvider(const ConnectionParams& params) {
  return std::make_unique<MariadbProvider>(params);
}

}  // namespace vantrel
