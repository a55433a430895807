#include "platform/dao/connection.h"

#include <atomic>
#include <mutex>

#include "platform/common/error.h"
#include "platform/dao/provider.h"
#include "platform/dao/recordset.h"
#include "platform/variant/convert.h"

namespace vantrel {
namespace {

std::mutex g_timeouts_mutex;
TargetTimeouts g_timeouts;

SqlTraceSink& TraceSink() {
  static SqlTraceSink sink;
  return sink;
}

bool StartsWithNoCase(const std::string& text, std::string_view prefix) {
  return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

}  // namespace

void SetSqlTrace(SqlTraceSink sink) { TraceSink() = std::move(sink); }

TargetTimeouts GetTargetTimeouts() {
  std::lock_guard<std::mutex> lock(g_timeouts_mutex);
  return g_timeouts;
}

void SetTargetTimeouts(const TargetTimeouts& timeouts) {
  std::lock_guard<std::mutex> lock(g_timeouts_mutex);
  g_timeouts = timeouts;
}

ConnectionParams ParseConnectionString(const std::string& text) {
  ConnectionParams params;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find(';', start);
    if (end == std::string::npos) end = text.size();
    const std::string part = text.substr(start, end - start);
    const size_t eq = part.find('=');
    if (eq != std::string::npos) {
      params[ToLower(Trim(part.substr(0, eq)))] = Trim(part.substr(eq + 1));
    }
    start = end + 1;
  }
  return params;
}

Connection::Connection() = default;
Connection::~Connection() = default;

void Connection::Open(const std::string& connection_string) {
  if (provider_) throw Error("Operation is not allowed when the object is open.");
  // Serials count across all connections: a new connection never repeats an old one's.
  static std::atomic<unsigned long> opens{0};
  open_serial_ = ++opens;
  is_server_ = false;
  const ConnectionParams params = ParseConnectionString(connection_string);
  if (StartsWithNoCase(connection_string, "Provider=Microsoft.Jet.OLEDB.4.0;")) {
    provider_ = OpenSqliteProvider(params);
    is_target_ = true;
  } else if (StartsWithNoCase(connection_string, "DRIVER=MySQL ODBC 3.51 Driver;")) {
    provider_ = OpenMariadbProvider(params);
    is_target_ = true;
    is_server_ = true;
  } else if (StartsWithNoCase(connection_string, "DRIVER=Microsoft Excel Driver (*.xls);")) {
    provider_ = OpenWorkbookProvider(params);
    is_target_ = false;
  } else {
    throw Error("Provider cannot be found. It may not be properly installed.");
  }
}

int Connection::State() const { return provider_ ? kOpen : kClosed; }

Provider& Connection::provider() {
  if (!provider_) throw ObjectClosedError();
  return *provider_;
}

long Connection::Send(const std::string& sql) {
  Provider& p = provider();
  if (is_target_ && TraceSink()) TraceSink()(sql);
  return p.Execute(sql);
}

long Connection::Execute(const std::string& sql) {
  provider();
  if (observer_) observer_(sql);
  if (batch_.Enabled() && depth_ > 0) {
    if (batch_.Add(sql, row_tag_)) {
      if (batch_.Full()) Flush();
      return 1;
    }
    Flush();
  }
  return Send(sql);
}

void Connection::BatchInserts(size_t rows) {
  Flush();
  batch_.Enable(rows);
}

void Connection::Flush() {
  if (batch_.Empty()) return;
  // The savepoint is transaction control, which the trace leaves out.
  Provider& p = provider();
  const std::string savepoint = "vantrel_batch";
  batch_.SendAll({[this](const std::string& sql) { Send(sql); },
                  [&p, &savepoint] { p.Execute("SAVEPOINT " + savepoint); },
                  [&p, &savepoint] {
                    p.Execute("ROLLBACK TO SAVEPOINT " + savepoint);
                    p.Execute("RELEASE SAVEPOINT " + savepoint);
                  },
                  [&p, &savepoint] { p.Execute("RELEASE SAVEPOINT " + savepoint); }});
}

RowSet Connection::Query(const std::string& sql) {
  Provider& p = provider();
  Flush();
  if (is_target_ && TraceSink()) TraceSink()(sql);
  return p.Query(sql);
}

std::shared_ptr<Recordset> Connection::OpenSchema(int schema) {
  Provider& p = provider();
  if (schema != kSchemaTables)
    throw Error("Object or provider is not capable of performing requested operation.");
  auto rs = std::make_shared<Recordset>();
  rs->OpenRows(p.Tables());
  return rs;
}

void Connection::Close() {
  if (!provider_) throw ObjectClosedError();
  batch_ = InsertBatch();
  observer_ = nullptr;
  held_whole_ = false;
  row_tag_ = 0;
  provider_.reset();
  depth_ = 0;
}

void Connection::ClaimForImport(int wait_seconds) { provider().ClaimForImport(wait_seconds); }

void Connection::BeginTrans() {
  Flush();
  provider().Begin(depth_);
  ++depth_;
}

void Connection::CommitTrans() {
  if (depth_ == 0) throw Error("No transaction is active.");
  Flush();
  if (depth_ == 1 && rollback_only_) {
    RollbackTrans();
    throw Error(
        "A part of this transaction failed and could not be undone alone: it was rolled "
        "back whole.");
  }
  provider().Commit(depth_ - 1);
  --depth_;
}

void Connection::RollbackTrans() {
  if (depth_ == 0) throw Error("No transaction is active.");
  // What is pending would be undone with the rest; what was read of the target is stale.
  batch_.Drop();
  if (observer_) observer_("ROLLBACK");
  // The level is gone whether or not the target accepted the rollback.
  --depth_;
  if (depth_ == 0) rollback_only_ = false;
  provider().Rollback(depth_);
}

void Provider::ClaimForImport(int) {}

void Provider::Begin(int depth) {
  Execute(depth == 0 ? "BEGIN" : "SAVEPOINT vantrel_" + std::to_string(depth));
}

void Provider::Commit(int depth) {
  Execute(depth == 0 ? "COMMIT" : "RELEASE SAVEPOINT vantrel_" + std::to_string(depth));
}

void Provider::Rollback(int depth) {
  if (depth == 0) {
    Execute("ROLLBACK");
    return;
  }
  const std::string name = "vantrel_" + std::to_string(depth);
  Execute("ROLLBACK TO SAVEPOINT " + name);
  Execute("RELEASE SAVEPOINT " + name);
}

TransactionScope::TransactionScope(Connection& conn) : conn_(conn) {
  nested_ = conn_.TransactionDepth() > 0;
  if (!nested_) conn_.BeginTrans();
}

TransactionScope::~TransactionScope() {
  if (!open_) return;
  if (nested_) {
    conn_.MarkRollbackOnly();
    return;
  }
  try {
    conn_.RollbackTrans();
  } catch (const Error&) {
    // The error that left the scope is the one to report.
  }
}

void TransactionScope::Commit() {
  if (!nested_) conn_.CommitTrans();
  open_ = false;
}

}  // namespace vantrel
