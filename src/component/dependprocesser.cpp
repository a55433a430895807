#include "vantrel/DependProcesser.h"

#include <atomic>
#include <utility>

#include "frame/connections.h"
#include "frame/import_frame.h"
#include "frame/module_state.h"
#include "frame/processer_state.h"
#include "frame/refusal.h"
#include "markup/markup_import.h"
#include "platform/dao/connection.h"
#include "platform/variant/convert.h"
#include "sheet/allocators.h"
#include "sheet/run_sheet_import.h"
#include "sheet/statement_builder.h"

namespace vantrel {
namespace {

std::atomic<int> g_live_objects{0};

constexpr int kUnsupportedStyle = msgstyle::kExclamation + msgstyle::kInformation;  // 112
constexpr const char* kUnsupported = "Not Support This  Type Of Source File";

const Voice kMethod{""};
const Voice kOrvikMethod{"Orvik"};

// The source kind cannot be handled by this method: say so and report failure.
Outcome RefuseSourceKind() {
  ShowMessage(kUnsupported, kUnsupportedStyle, "");
  return Outcome::kRefused;
}

// What progress reports call a walk over the worksheet; the opening stock
// import walks it twice, for the products and then for their stock.
std::string PassName(const std::string& table, size_t passes) {
  if (passes == 1) return "worksheet rows";
  return table == "product" ? "worksheet rows (products)" : "worksheet rows (stock)";
}

// Opens the workbook and the log, runs the workers, closes the log.
void RunWorkbookImport(ProcesserState& s, const char* kind, bool client_cursor,
                       const char* log_file, const char* title,
                       std::initializer_list<const char*> tables) {
  s.rows_imported = 0;
  s.rows_refused = 0;
  s.import_kind = kind;
  OpenWorkbook(s, client_cursor);
  s.log.Open(log_file, title);
  for (const char* table : tables) {
    BeginSheetPass(s, PassName(table, tables.size()));
    RunSheetImport(s, table);
    EndSheetPass(s);
  }
  s.log.Close();
}

}  // namespace

DependProcesser::DependProcesser() : state_(std::make_unique<ProcesserState>()) {
  ++g_live_objects;
  AssignDefaultHeads();
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
int32_t DependProcesser::HeaderRow() const { return state_->header_row; }
void DependProcesser::SetHeaderRow(int32_t value) { state_->header_row = value < 1 ? 1 : value; }
bool DependProcesser::ErrorFlag() const { return state_->error_flag; }
bool DependProcesser::RolledBack() const { return state_->rolled_back; }
long DependProcesser::RowsImported() const { return state_->rows_imported; }
long DependProcesser::RowsRefused() const { return state_->rows_refused; }
const std::vector<RejectedRecord>& DependProcesser::Rejects() const { return state_->rejects; }
std::string DependProcesser::LogPath() const { return state_->log.Path(); }
const std::vector<KindCount>& DependProcesser::Counts() const { return state_->counts; }
const OpeningTotals& DependProcesser::Opening() const { return state_->opening; }

void DependProcesser::ImportAccounts(bool& errOccured) {
  ProcesserState& s = *state_;
  RunImportFrame(s, errOccured, kMethod, [&] {
    OpenTargetConnection(s);
    AllocateAccountCodes(s);
    AllocateReceiptAndVoucher(s);
    if (s.source_type == srcXML) {
      ImportAccountsFromMarkup(s);
    } else if (s.source_type == srcEXCEL) {
      RunWorkbookImport(s, "accounts", false, logfile::kAccounts, "Accounts", {"accountledger"});
    } else {
      return RefuseSourceKind();
    }
    return Outcome::kDone;
  });
}

void DependProcesser::ImportProducts(bool& errOccured) {
  ProcesserState& s = *state_;
  RunImportFrame(s, errOccured, kMethod, [&] {
    OpenTargetConnection(s);
    if (s.source_type == srcXML) {
      ImportProductsFromMarkup(s);
    } else if (s.source_type == srcEXCEL) {
      AllocateGroupCode(s);
      AllocateProductCode(s);
      RunWorkbookImport(s, "products", true, logfile::kProducts, "Product", {"product"});
    } else {
      return RefuseSourceKind();
    }
    return Outcome::kDone;
  });
}

void DependProcesser::ImportDepots(bool& errOccured) {
  ProcesserState& s = *state_;
  RunImportFrame(s, errOccured, kMethod, [&] {
    OpenTargetConnection(s);
    AllocateDepotCode(s);
    if (s.source_type != srcXML) return RefuseSourceKind();
    ImportDepotsFromMarkup(s);
    return Outcome::kDone;
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

// A source kind these methods cannot read is a failure, but no message says so.
void DependProcesser::ImportAccountHeads(bool& errOccured) {
  ProcesserState& s = *state_;
  RunImportFrame(s, errOccured, kOrvikMethod, [&] {
    OpenTargetConnection(s);
    AllocateAccountCodes(s);
    if (s.source_type != srcEXCEL) return Outcome::kRefused;
    RunWorkbookImport(s, "account-heads", false, logfile::kAccountHeads, "Head", {"accounthead"});
    return Outcome::kDone;
  });
}

void DependProcesser::ImportProductGr(bool& errOccured) {
  ProcesserState& s = *state_;
  RunImportFrame(s, errOccured, kOrvikMethod, [&] {
    OpenTargetConnection(s);
    AllocateGroupCode(s);
    if (s.source_type != srcEXCEL) return Outcome::kRefused;
    RunWorkbookImport(s, "product-groups", false, logfile::kProductGroups, "Group",
                      {"productgroup"});
    return Outcome::kDone;
  });
}

void DependProcesser::ImportBatch(bool& errOccured) {
  ProcesserState& s = *state_;
  RunImportFrame(s, errOccured, kOrvikMethod, [&] {
    // Any other source is refused before the target is touched, without a message.
    if (s.source_type != srcEXCEL) return Outcome::kRefused;
    OpenTargetConnection(s);
    AllocateBatchId(s);
    // The batch import books its own receipt: a code nobody else holds.
    AllocateReceiptCode(s);
    RunWorkbookImport(s, "batches", false, logfile::kProductBatch, "Batch", {"productbatch"});
    return Outcome::kDone;
  });
}

void DependProcesser::ImportOS(bool& errOccured) {
  ProcesserState& s = *state_;
  RunImportFrame(s, errOccured, Voice{"", msgstyle::kOkOnly}, [&] {
    OpenTargetConnection(s);
    if (s.source_type != srcEXCEL) return Outcome::kRefused;
    AllocateGroupCode(s);
    AllocateProductCode(s);
    AllocateBatchId(s);
    AllocateReceiptAndVoucher(s);
    // The product pass runs only with a "pname" entry: without one the rows
    // name existing products by their code, and no product changes.
    if (EntryOfKeyword(s.map_info, "pname"))
      RunWorkbookImport(s, "opening-stock", false, logfile::kOpeningStock, "Batch",
                        {"product", "osbatch"});
    else
      RunWorkbookImport(s, "opening-stock", false, logfile::kOpeningStock, "Batch", {"osbatch"});
    return Outcome::kDone;
  });
}

void DependProcesser::Migrate(const MigrationPlan& plan, bool& errOccured) {
  (void)plan;
  errOccured = true;  // not yet
}

}  // namespace vantrel
