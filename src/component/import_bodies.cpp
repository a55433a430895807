#include "component/import_bodies.h"

#include <string>

#include "frame/connections.h"
#include "frame/processer_state.h"
#include "frame/refusal.h"
#include "markup/markup_import.h"
#include "platform/message/message.h"
#include "sheet/allocators.h"
#include "sheet/run_sheet_import.h"
#include "sheet/statement_builder.h"

namespace vantrel {

const Voice kMethodVoice{""};
const Voice kOrvikMethodVoice{"Orvik"};
const Voice kStockMethodVoice{"", msgstyle::kOkOnly};

namespace {

constexpr int kUnsupportedStyle = msgstyle::kExclamation + msgstyle::kInformation;  // 112
constexpr const char* kUnsupported = "Not Support This  Type Of Source File";

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
  s.rejects_before_import = s.rejects.size();
  s.counts_before_import = s.counts;
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

Outcome AccountsBody(ProcesserState& s) {
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
}

Outcome ProductsBody(ProcesserState& s) {
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
}

Outcome DepotsBody(ProcesserState& s) {
  AllocateDepotCode(s);
  if (s.source_type != srcXML) return RefuseSourceKind();
  ImportDepotsFromMarkup(s);
  return Outcome::kDone;
}

// A source kind these methods cannot read is a failure, but no message says so.
Outcome AccountHeadsBody(ProcesserState& s) {
  AllocateAccountCodes(s);
  if (s.source_type != srcEXCEL) return Outcome::kRefused;
  RunWorkbookImport(s, "account-heads", false, logfile::kAccountHeads, "Head", {"accounthead"});
  return Outcome::kDone;
}

Outcome ProductGroupsBody(ProcesserState& s) {
  AllocateGroupCode(s);
  if (s.source_type != srcEXCEL) return Outcome::kRefused;
  RunWorkbookImport(s, "product-groups", false, logfile::kProductGroups, "Group",
                    {"productgroup"});
  return Outcome::kDone;
}

Outcome BatchesBody(ProcesserState& s) {
  AllocateBatchId(s);
  // The batch import books its own receipt: a code nobody else holds.
  AllocateReceiptCode(s);
  RunWorkbookImport(s, "batches", false, logfile::kProductBatch, "Batch", {"productbatch"});
  return Outcome::kDone;
}

Outcome OpeningStockBody(ProcesserState& s) {
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
}

}  // namespace vantrel
