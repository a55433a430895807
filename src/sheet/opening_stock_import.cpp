#include <set>

#include "dbhelpers/clean_sql_text.h"
#include "dbhelpers/lookups.h"
#include "frame/counters.h"
#include "frame/module_state.h"
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

// Removes every earlier opening stock receipt with its lines.
void RemoveOpeningStockReceipts(const ProcesserState& s) {
  Connection& target = TargetConnection();
  target.Execute(
      "delete from receiptdetails where rcptcode in (" +
      s.dialect().InList("select rcptcode from transactionreceipts where rcpttype = 'OS'") + ")");
  target.Execute("delete from transactionreceipts where rcpttype='OS'");
}

}  // namespace

// The opening stock of the products in the worksheet rows: per row an
// inventory row and a receipt line (and the product batch when "batchname" is
// mapped), after the last row the receipt. The earlier opening stock receipts
// are replaced as a whole.
void ImportOpeningStockRows(ProcesserState& s) {
  StockPass pass(s, EntryOfKeyword(s.map_info, "openingstock") != 0,
                 " No batch, inventory or receipt of this import was written.",
                 "rolled back: no batch, inventory or receipt of this import was written");
  Recordset& rows = *s.sheet_rows;
  rows.MoveFirst();
  const StockRowReader reader(s, {&kSkipList, false, false, 1});
  OpeningStockReceipt receipt(s, [&s] { RemoveOpeningStockReceipts(s); });
  Connection& target = TargetConnection();
  bool stock_mapped = false;
  ForEachSheetRow(s, rows, [&] {
    CodeCounters& counters = Counters();
    StockRow r = reader.Read(rows);
    stock_mapped = stock_mapped || r.stock_mapped;
    TransactionScope row(target);
    // A date that is missing or no date drops the row's batch; the row still
    // books its own stock.
    if (r.bad_date) RefusePart(s, s.row_name, *r.bad_date);
    const int16_t batch_id = r.batch_mapped ? counters.next_batch_id : int16_t{0};
    if (!r.bad_date && r.batch_mapped) {
      const std::string sql = r.batch.Text(s.dialect());
      if (!PCodeExists(r.product_code)) {
        RefusePart(s, s.row_name, {Reason::kPcodeNotExists, r.product_column, r.product_cell, ""});
      } else {
        std::string batch_name = s.row_name;
        RemoveExistingBatch(r.product_code, batch_name, s.dialect());
        target.Execute(sql);
      }
    }

    int16_t unit_id = 0;
    double factor = r.factor;
    if (r.unit_mapped) {
      Recordset units;
      units.Open("select * from ProductUnits where pcode = '" + r.product_code + "' and unit = '" +
                     r.unit_name + "'",
                 target, 1, 3);
      if (units.Eof()) {
        RefusePart(s, "Unit", {Reason::kUnitDoesntExist, r.unit_column, r.unit_name, ""});
        factor = 1;
      } else {
        unit_id = ToInt16(units.Value("UnitId"));
        factor = ToDouble(units.Value("CF"));
      }
      units.Close();
    }

    if (r.stock_mapped) {
      receipt.RemoveEarlierOnce();
      // The stock is counted in the base unit on both targets.
      const double os = r.opening_qty * factor;
      target.Execute(InventoryUpdateSql(s.dialect(), os, r.product_code, batch_id));
      target.Execute(InventoryInsertSql(s.dialect(), r.product_code, batch_id, os));
      receipt.AddLine(r.product_code, unit_id, factor, batch_id, r.opening_qty, r.purchase_rate);
    }
    AcceptRow(s);
    row.Commit();
    counters.next_batch_id = Increment16(counters.next_batch_id);
  });
  if (stock_mapped) receipt.Finish();
  pass.Commit();
}

}  // namespace vantrel
