#include <optional>
#include <set>

#include "dbhelpers/clean_sql_text.h"
#include "dbhelpers/lookups.h"
#include "frame/counters.h"
#include "frame/module_state.h"
#include "frame/processer_state.h"
#include "frame/refusal.h"
#include "platform/dao/connection.h"
#include "platform/dao/recordset.h"
#include "platform/variant/convert.h"
#include "sheet/statement_builder.h"
#include "sheet/stock_booking.h"
#include "sheet/stock_row.h"
#include "sheet/workers.h"

namespace vantrel {
namespace {

// Product table fields that never become batch columns. The product import
// reads the same rows first, so its unit columns and "mrprate" are skipped too.
const std::set<std::string> kSkipList = {
    "pname",         "gpcode",         "pcolor",       "minlmt",         "reorderlmt",
    "maxlmt",        "pdesc",          "balance",      "purrate",        "salerate",
    "baseunit",      "unitinrpt",      "salerate1",    "salerate2",      "salerate3",
    "salerate4",     "purrate1",       "purrate2",     "purrate3",       "purrate4",
    "purchaseunit",  "salesunit",      "userfield1",   "userfield2",     "userfield3",
    "userfield4",    "parentgroup",    "supergroup",   "unit",           "openingstock",
    "mrprate",       "base unit",      "base unit cf", "addl. unit1",    "addl. unit1 cf",
    "addl. unit2",   "addl. unit2 cf", "addl. unit3",  "addl. unit3 cf", "addl. unit4",
    "addl. unit4 cf"};

// The unit a row's quantity is counted in: a unit the product has, the base
// unit when the cell is empty, or the "cf" factor when no unit is mapped.
std::optional<Refusal> UnitOfRow(const StockRow& r, const std::string& code, int16_t& unit_id,
                                 double& factor) {
  unit_id = 0;
  factor = 1;
  if (!r.unit_mapped) {
    factor = r.factor;
    if (r.factor_mapped && !(factor > 0))
      return Refusal{Reason::kFactorNotPositive, r.factor_column, r.factor_cell, ""};
    return std::nullopt;
  }
  if (Trim(r.unit_name).empty()) return std::nullopt;
  const std::optional<ProductUnit> stored = UnitOfProduct(code, r.unit_name);
  if (!stored) return Refusal{Reason::kUnitDoesntExist, r.unit_column, r.unit_name, ""};
  unit_id = stored->id;
  factor = stored->cf;
  return std::nullopt;
}

}  // namespace

// The opening stock of the products in the worksheet rows: per row an
// inventory row and a receipt line (and the product batch when "batchname" is
// mapped), after the last row the receipt. The opening stock of the products
// and batches the rows name is replaced; a row is booked whole or refused
// whole, and so is a row whose product the product pass refused. Each row is
// counted once, here.
void ImportOpeningStockRows(ProcesserState& s) {
  // With "pname" mapped the product pass ran over the same rows first; its
  // log lines stay, its counts give way to this pass's.
  const bool product_pass = EntryOfKeyword(s.map_info, "pname") != 0;
  if (product_pass) {
    s.rows_imported = 0;
    s.rows_refused = 0;
    s.rejects.resize(s.rejects_before_import);
    s.counts = s.counts_before_import;
  }
  StockPass pass(s, EntryOfKeyword(s.map_info, "openingstock") != 0,
                 " No batch, inventory or receipt of this import was written.",
                 "rolled back: no batch, inventory or receipt of this import was written");
  Recordset& rows = *s.sheet_rows;
  if (rows.HasRows()) rows.MoveFirst();
  const StockRowReader reader(s, {&kSkipList, false, false, 1});
  OpeningStockReceipt stock(s);
  ImportBatches batches(s);
  Connection& target = TargetConnection();
  bool stock_mapped = false;
  ForEachSheetRow(s, rows, [&] {
    const StockRow r = reader.Read(rows);
    stock_mapped = stock_mapped || r.stock_mapped;
    const ProcesserState::ProductRow* product =
        product_pass ? &s.product_rows[s.sheet_row] : nullptr;
    std::string code = product && !product->refusal ? product->code : r.product_code;
    // A stock line is named by its batch, else by its product.
    if (!r.batch_mapped) s.row_name = code.empty() && product ? product->name : code;
    TransactionScope row(target);
    int16_t unit_id = 0;
    double factor = 1;
    const bool product_refused = product && product->refusal;
    if (!product_refused) code = StoredPCode(code);
    std::optional<Refusal> refusal;
    if (product_refused) {
      const Refusal& why = *product->refusal;
      refusal = Refusal{Reason::kProductNotWritten, why.column, why.value, ReasonText(why)};
    } else if (code.empty()) {
      refusal = Refusal{Reason::kPcodeNotExists, r.product_column, r.product_cell, ""};
    } else if (r.batch_mapped && Trim(r.batch_name).empty()) {
      refusal = Refusal{Reason::kNameEmpty, r.batch_column, s.row_name, ""};
    } else if (r.batch_mapped && r.bad_date) {
      refusal = r.bad_date;
    } else if (r.unreadable) {
      refusal = r.unreadable;
    } else {
      refusal = UnitOfRow(r, code, unit_id, factor);
    }
    if (refusal) {
      RefuseRow(s, *refusal);
      row.Commit();
      return;
    }
    const int16_t batch_id = r.batch_mapped ? batches.Write(r, code) : int16_t{0};
    if (r.stock_mapped) stock.Book(code, batch_id, unit_id, factor, r.opening_qty, r.purchase_rate);
    AcceptRow(s);
    row.Commit();
    batches.Commit();
  });
  if (stock_mapped) stock.Finish();
  pass.Commit();
}

}  // namespace vantrel
