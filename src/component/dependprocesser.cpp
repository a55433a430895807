#include "vantrel/DependProcesser.h"

#include <atomic>
#include <utility>

#include "component/import_bodies.h"
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

// Runs an import method's body on the target it opens.
void RunMethod(ProcesserState& s, bool& errOccured, const Voice& voice,
               Outcome (*body)(ProcesserState&)) {
  RunImportFrame(s, errOccured, voice, [&] {
    OpenTargetConnection(s);
    return body(s);
  });
}

void DependProcesser::ImportAccounts(bool& errOccured) {
  RunMethod(*state_, errOccured, kMethodVoice, AccountsBody);
}

void DependProcesser::ImportProducts(bool& errOccured) {
  RunMethod(*state_, errOccured, kMethodVoice, ProductsBody);
}

void DependProcesser::ImportDepots(bool& errOccured) {
  RunMethod(*state_, errOccured, kMethodVoice, DepotsBody);
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
  RunMethod(*state_, errOccured, kOrvikMethodVoice, AccountHeadsBody);
}

void DependProcesser::ImportProductGr(bool& errOccured) {
  RunMethod(*state_, errOccured, kOrvikMethodVoice, ProductGroupsBody);
}

void DependProcesser::ImportBatch(bool& errOccured) {
  ProcesserState& s = *state_;
  RunImportFrame(s, errOccured, kOrvikMethodVoice, [&] {
    // Any other source is refused before the target is touched, without a message.
    if (s.source_type != srcEXCEL) return Outcome::kRefused;
    OpenTargetConnection(s);
    return BatchesBody(s);
  });
}

void DependProcesser::ImportOS(bool& errOccured) {
  RunMethod(*state_, errOccured, kStockMethodVoice, OpeningStockBody);
}

}  // namespace vantrel
