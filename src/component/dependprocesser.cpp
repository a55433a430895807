#include "vantrel/DependProcesser.h"

#include <atomic>
#include <utility>

#include "frame/connections.h"
#include "frame/handler.h"
#include "frame/module_state.h"
#include "frame/processer_state.h"
#include "markup/markup_import.h"
#include "platform/dao/connection.h"
#include "platform/variant/convert.h"
#include "sheet/allocators.h"
#include "sheet/run_sheet_import.h"

namespace vantrel {
namespace {

std::atomic<int> g_live_objects{0};

constexpr int kUnsupportedStyle = msgstyle::kExclamation + msgstyle::kInformation;  // 112
constexpr const char* kUnsupported = "Not Support This  Type Of Source File";

// Opens the target and, for an atomic import or a dry run, starts the one
// transaction the whole import runs in; the workers' row transactions nest in it.
void OpenTarget(ProcesserState& s) {
  OpenTargetConnection(s);
  Connection& conn = TargetConnection();
  if (s.transaction_mode != transAtomic && s.transaction_mode != transDryRun) return;
  if (conn.State() != Connection::kOpen) return;
  RunHandled([&] { conn.BeginTrans(); }, msgstyle::kInformation, "Orvik", &s.error_flag);
}

// Ends the import's own transaction, if it has one: an atomic import that
// ended without an error is committed; anything else is rolled back whole.
void EndRun(ProcesserState& s, bool& errOccured, bool failed, int style, const char* title) {
  Connection& conn = TargetConnection();
  if (conn.State() != Connection::kOpen || conn.TransactionDepth() == 0) return;
  const bool keep = s.transaction_mode == transAtomic && !failed;
  const bool ended = RunHandled(
      [&] {
        if (keep) {
          conn.CommitTrans();
          return;
        }
        while (conn.TransactionDepth() > 0) conn.RollbackTrans();
      },
      style, title, &s.error_flag);
  if (keep && ended) return;
  s.rolled_back = true;
  if (s.transaction_mode == transAtomic) {
    errOccured = true;
    ShowMessage("The import ended on an error and was rolled back: nothing of it was written.",
                style, title);
  }
}

// The frame of every import method: ErrorFlag starts afresh so errOccured
// speaks of this call; one handler covers the whole body; a log the body left
// open is closed so its tail is not lost; the import's transaction, if it has
// one, ends last. The bodies stop at the first step that fails (the target
// cannot be opened, a counter cannot be set): one cause, one message, and
// nothing is written with a counter that was never set.
template <class Body>
void ImportFrameBody(ProcesserState& s, bool& errOccured, int style, const char* title,
                     Body&& body) {
  s.error_flag = false;
  s.rolled_back = false;
  s.rejects.clear();
  const bool passed = errOccured;
  const bool completed = RunHandled(body, style, title, &s.error_flag);
  if (!completed) {
    errOccured = true;
    try {
      s.log.Close();
    } catch (const Error&) {
      // The handler has already reported the import's failure.
    }
  }
  EndRun(s, errOccured, !completed || s.error_flag || (errOccured && !passed), style, title);
  if (s.error_flag) errOccured = true;
}

// No exception leaves an import method: one thrown past the handlers (by the
// host's own message or progress handler) ends the import as a failure, and
// an import transaction it left open is rolled back.
template <class Body>
void ImportFrame(ProcesserState& s, bool& errOccured, int style, const char* title, Body&& body) {
  try {
    ImportFrameBody(s, errOccured, style, title, std::forward<Body>(body));
    return;
  } catch (...) {
    s.error_flag = true;
    errOccured = true;
  }
  try {
    Connection& conn = TargetConnection();
    if (conn.State() == Connection::kOpen && conn.TransactionDepth() > 0) {
      while (conn.TransactionDepth() > 0) conn.RollbackTrans();
      s.rolled_back = true;
    }
  } catch (...) {
    // The connection is closed with the next import or CloseConn.
  }
}

// The source kind cannot be handled by this method: say so and report failure.
void RefuseSourceKind(bool& errOccured) {
  ShowMessage(kUnsupported, kUnsupportedStyle, "");
  errOccured = true;
}

// Opens the workbook and the log, runs the workers, closes the log.
void RunWorkbookImport(ProcesserState& s, bool client_cursor, const char* log_file,
                       const char* title, std::initializer_list<const char*> kinds) {
  s.rows_imported = 0;
  s.rows_refused = 0;
  OpenWorkbook(s, client_cursor);
  s.log.Open(log_file, title);
  for (const char* k : kinds) {
    std::string kind = k;
    RunSheetImport(s, kind);
  }
  s.log.Close();
}

}  // namespace

DependProcesser::DependProcesser() : state_(std::make_unique<ProcesserState>()) {
  ++g_live_objects;
  try {
    RunHandled([] { AssignDefaultHeads(); }, msgstyle::kInformation, "", &state_->error_flag);
  } catch (...) {
    // The host's message handler threw while the failure was shown.
    state_->error_flag = true;
  }
}

DependProcesser::~DependProcesser() { --g_live_objects; }

bool CanUnload() { return g_live_objects.load() == 0; }

const std::string& DependProcesser::TargetDataBase() const { return state_->target_database; }
void DependProcesser::SetTargetDataBase(std::string value) {
  state_->target_database = std::move(value);
}
const std::string& DependProcesser::SourceFile() const { return state_->source_file; }
void DependProcesser::SetSourceFile(std::string value) { state_->source_file = std::move(value); }
const MapTable& DependProcesser::MapInfo() const { return state_->map_info; }
void DependProcesser::SetMapInfo(MapTable value) { state_->map_info = std::move(value); }
enumTargetType DependProcesser::TargetType() const {
  return static_cast<enumTargetType>(state_->target_type);
}
void DependProcesser::SetTargetType(int32_t value) { state_->target_type = value; }
enumSourceType DependProcesser::SourceType() const {
  return static_cast<enumSourceType>(state_->source_type);
}
void DependProcesser::SetSourceType(int32_t value) { state_->source_type = value; }
std::string DependProcesser::Server() const { return state_->server; }
bool DependProcesser::SetServer(std::string_view value) {
  state_->server = std::string(value);
  return true;
}
bool DependProcesser::SetServer(double value) {
  state_->server = NumberText(value);
  return true;
}
bool DependProcesser::SetServer(std::nullptr_t) { return false; }
enumTransactionMode DependProcesser::TransactionMode() const {
  return static_cast<enumTransactionMode>(state_->transaction_mode);
}
void DependProcesser::SetTransactionMode(int32_t value) {
  state_->transaction_mode =
      value == transAtomic || value == transDryRun ? value : transPerStatement;
}
bool DependProcesser::ErrorFlag() const { return state_->error_flag; }
bool DependProcesser::RolledBack() const { return state_->rolled_back; }
long DependProcesser::RowsImported() const { return state_->rows_imported; }
long DependProcesser::RowsRefused() const { return state_->rows_refused; }
const std::vector<RejectedRecord>& DependProcesser::Rejects() const { return state_->rejects; }
std::string DependProcesser::LogPath() const { return state_->log.Path(); }

void DependProcesser::ImportAccounts(bool& errOccured) {
  ProcesserState& s = *state_;
  ImportFrame(s, errOccured, msgstyle::kInformation, "", [&] {
    OpenTarget(s);
    if (!s.error_flag) AllocateAccountCodes(s);
    if (!s.error_flag) AllocateReceiptAndVoucher(s);
    if (s.error_flag) return;
    if (s.source_type == srcXML) {
      ImportAccountsFromMarkup(s, errOccured);
    } else if (s.source_type == srcEXCEL) {
      RunWorkbookImport(s, false, logfile::kAccounts, "Accounts", {"accountledger"});
      errOccured = s.error_flag;
    } else {
      RefuseSourceKind(errOccured);
    }
  });
}

void DependProcesser::ImportProducts(bool& errOccured) {
  ProcesserState& s = *state_;
  ImportFrame(s, errOccured, msgstyle::kInformation, "", [&] {
    OpenTarget(s);
    if (s.error_flag) return;
    if (s.source_type == srcXML) {
      ImportProductsFromMarkup(s, errOccured);
    } else if (s.source_type == srcEXCEL) {
      AllocateGroupCode(s);
      if (!s.error_flag) AllocateProductCode(s);
      if (s.error_flag) return;
      RunWorkbookImport(s, true, logfile::kProducts, "Product", {"product"});
      errOccured = s.error_flag;
    } else {
      RefuseSourceKind(errOccured);
    }
  });
}

void DependProcesser::ImportDepots(bool& errOccured) {
  ProcesserState& s = *state_;
  ImportFrame(s, errOccured, msgstyle::kInformation, "", [&] {
    OpenTarget(s);
    if (!s.error_flag) AllocateDepotCode(s);
    if (s.error_flag) return;
    if (s.source_type == srcXML)
      ImportDepotsFromMarkup(s, errOccured);
    else
      RefuseSourceKind(errOccured);
  });
}

bool DependProcesser::CloseConn(std::string* error) {
  try {
    ReleaseTargetConnection();
    return true;
  } catch (const std::exception& e) {
    if (error) *error = e.what();
  }
  return false;
}

void DependProcesser::ImportAccountHeads(bool& errOccured) {
  ProcesserState& s = *state_;
  ImportFrame(s, errOccured, msgstyle::kInformation, "Orvik", [&] {
    OpenTarget(s);
    if (!s.error_flag) AllocateAccountCodes(s);
    if (s.source_type == srcEXCEL && !s.error_flag)
      RunWorkbookImport(s, false, logfile::kAccountHeads, "Head", {"accounthead"});
    // A source kind this method cannot read is a failure, not a silent success.
    errOccured = s.error_flag || s.source_type != srcEXCEL;
  });
}

void DependProcesser::ImportProductGr(bool& errOccured) {
  ProcesserState& s = *state_;
  ImportFrame(s, errOccured, msgstyle::kInformation, "Orvik", [&] {
    OpenTarget(s);
    if (!s.error_flag) AllocateGroupCode(s);
    if (s.source_type == srcEXCEL && !s.error_flag)
      RunWorkbookImport(s, false, logfile::kProductGroups, "Group", {"productgroup"});
    errOccured = s.error_flag || s.source_type != srcEXCEL;
  });
}

void DependProcesser::ImportBatch(bool& errOccured) {
  ProcesserState& s = *state_;
  if (s.source_type != srcEXCEL) {
    errOccured = true;
    return;
  }
  ImportFrame(s, errOccured, msgstyle::kInformation, "Orvik", [&] {
    OpenTarget(s);
    if (!s.error_flag) AllocateBatchId(s);
    // The batch import books its own receipt: a code nobody else holds.
    if (!s.error_flag) AllocateReceiptCode(s);
    if (s.error_flag) {
      errOccured = true;
      return;
    }
    RunWorkbookImport(s, false, logfile::kProductBatch, "Batch", {"productbatch"});
    // A worker that stopped on an error is a failure; success leaves errOccured as passed.
    if (s.error_flag) errOccured = true;
  });
}

void DependProcesser::ImportOS(bool& errOccured) {
  ProcesserState& s = *state_;
  ImportFrame(s, errOccured, msgstyle::kOkOnly, "", [&] {
    OpenTarget(s);
    if (s.source_type == srcEXCEL && !s.error_flag) {
      AllocateGroupCode(s);
      if (!s.error_flag) AllocateProductCode(s);
      if (!s.error_flag) AllocateBatchId(s);
      if (!s.error_flag) AllocateReceiptAndVoucher(s);
      if (!s.error_flag)
        RunWorkbookImport(s, false, logfile::kOpeningStock, "Batch", {"product", "osbatch"});
    }
    errOccured = s.error_flag || s.source_type != srcEXCEL;
  });
}

}  // namespace vantrel
