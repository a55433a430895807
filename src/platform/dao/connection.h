#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/dao/insert_batch.h"
#include "platform/dao/rowset.h"
#include "vantrel/host.h"

namespace vantrel {

class Provider;
class Recordset;

// A connection opened by connection string; the string's opening picks the provider.
class Connection {
 public:
  static constexpr int kClosed = 0;
  static constexpr int kOpen = 1;
  static constexpr int kSchemaTables = 20;

  Connection();
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  void Open(const std::string& connection_string);
  int State() const;
  // Executes one statement; returns the records affected.
  long Execute(const std::string& sql);
  // Runs one query and hands over its whole result.
  RowSet Query(const std::string& sql);
  // Schema 20 lists the tables; the name stands at field index 2.
  std::shared_ptr<Recordset> OpenSchema(int schema);
  void Close();

  // Transactions nest: the first BeginTrans starts one, later ones set a
  // savepoint that CommitTrans releases and RollbackTrans undoes. Not traced:
  // the trace holds the statements of the import itself.
  void BeginTrans();
  void CommitTrans();
  void RollbackTrans();
  int TransactionDepth() const { return depth_; }
  // A part of the open transaction failed and cannot be undone alone: the
  // transaction can then only be rolled back; committing it raises an error.
  void MarkRollbackOnly() { rollback_only_ = depth_ > 0; }

  // Claims the target for one import until Close (see Provider::ClaimForImport).
  void ClaimForImport(int wait_seconds);

  // The import holds the target whole: claimed, and all its work in the one
  // transaction it opened. Until Close, what it reads of the target changes
  // only by what it writes itself, so lookups may answer from memory.
  void HoldWhole() { held_whole_ = true; }
  bool HeldWhole() const { return held_whole_ && depth_ > 0; }
  // Counts the opens of this connection: what was read under one open is stale under the next.
  unsigned long OpenSerial() const { return open_serial_; }
  // The target is the server (else the company file).
  bool IsServer() const { return is_server_; }

  // Inserts of one shape are sent as one statement of up to `rows` rows, all
  // pending ones before anything else is sent (see InsertBatch); 0 sends
  // each at once. Close drops what is pending.
  void BatchInserts(size_t rows);
  // Sends the pending inserts.
  void Flush();
  // The worksheet row the statements executed from now on belong to; an
  // error of a batched statement names it.
  void SetRowTag(long row) { row_tag_ = row; }
  // Told of each statement Execute takes, before it is sent, and of each
  // rollback as "ROLLBACK"; the observer of an earlier open is dropped by Close.
  using WriteObserver = std::function<void(const std::string& sql)>;
  void ObserveWrites(WriteObserver observer) { observer_ = std::move(observer); }

 private:
  Provider& provider();
  long Send(const std::string& sql);
  std::unique_ptr<Provider> provider_;
  bool is_target_ = false;
  bool is_server_ = false;
  bool held_whole_ = false;
  unsigned long open_serial_ = 0;
  InsertBatch batch_;
  long row_tag_ = 0;
  WriteObserver observer_;
  int depth_ = 0;
  bool rollback_only_ = false;
};

// Runs a piece of work (a worksheet row) as one transaction on a connection:
// Commit keeps it; a scope left any other way (an error) rolls it back. Inside a
// transaction that is already open (a whole import, a stock pass) it adds no
// savepoint, which would cost two more statements a row on the server: a scope
// left without Commit then marks that transaction to be rolled back whole.
class TransactionScope {
 public:
  explicit TransactionScope(Connection& conn);
  ~TransactionScope();
  TransactionScope(const TransactionScope&) = delete;
  TransactionScope& operator=(const TransactionScope&) = delete;
  void Commit();

 private:
  Connection& conn_;
  bool open_ = true;
  bool nested_ = false;
};

}  // namespace vantrel
