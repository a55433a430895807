#include <set>

#include "dbhelpers/clean_sql_text.h"
#include "dbhelpers/lookups.h"
#include "frame/counters.h"
#include "frame/module_state.h"
#include "frame/refusal.h"
#include "platform/dao/connection.h"
#include "platform/dao/recordset.h"
#include "platform/variant/convert.h"
#include "sheet/parent_lookup.h"
#include "sheet/statement_builder.h"
#include "sheet/stock_booking.h"
#include "sheet/stock_row.h"
#include "sheet/workers.h"

namespace vantrel {
namespace {

// Product table fields that never become batch columns.
const std::set<std::string> kSkipList = {
    "gpcode",     "pcolor",       "minlmt",     "reorderlmt", "maxlmt",      "pdesc",
    "balance",    "purrate",      "salerate",   "baseunit",   "unitinrpt",   "salesrate1",
    "salesrate2", "salesrate3",   "salesrate4", "purrate1",   "purrate2",    "purrate3",
    "purrate4",   "purchaseunit", "salesunit",  "userfield1", "userfield2",  "userfield3",
    "userfield4", "parentgroup",  "supergroup", "unit",       "openingstock"};

// Every earlier opening stock receipt of the batch import goes with its lines.
void RemoveBatchReceipts() {
  Connection& target = TargetConnection();
  Recordset old;
  old.Open("Select rcptcode from transactionreceipts where vno='1' and rcpttype='OS'", target, 1,
           3);
  std::set<int32_t> codes;
  for (; !old.Eof(); old.MoveNext()) {
    const Variant& v = old.Value("rcptcode");
    codes.insert(v.is_null() ? 0 : ToInt32(v));
  }
  old.Close();
  if (codes.empty()) codes.insert(0);
  for (int32_t code : codes)
    target.Execute("delete from receiptdetails where rcptcode=" + std::to_string(code));
  target.Execute("delete from transactionreceipts where vno='1' and rcpttype='OS'");
}

}  // namespace

// Product batches of existing products from worksheet rows, each with an
// optional unit of the product and, when "openingstock" is mapped, its opening
// stock: an inventory row, a receipt line, and after the last row the receipt.
void ImportBatchRows(ProcesserState& s) {
  const bool books_stock = EntryOfKeyword(s.map_info, "openingstock") != 0;
  StockPass pass(s, books_stock, " Nothing of this import was written.",
                 "rolled back: nothing of this import was written");
  const StockRowReader reader(s, {&kSkipList, true, true, 0});
  OpeningStockReceipt receipt(s, RemoveBatchReceipts);
  Recordset& rows = *s.sheet_rows;
  rows.MoveFirst();
  Connection& target = TargetConnection();
  bool stock_mapped = false;
  ForEachSheetRow(s, rows, [&] {
    CodeCounters& counters = Counters();
    StockRow r = reader.Read(rows);
    stock_mapped = stock_mapped || r.stock_mapped;
    TransactionScope row(target);
    if (r.bad_date) {
      RefuseRow(s, *r.bad_date);
    } else if (!PCodeExists(r.product_code)) {
      RefuseRow(s, {Reason::kProductNotExists, r.product_column, r.product_cell, r.product_key});
    } else {
      const std::string sql = r.batch.Text(s.dialect());
      std::string batch_name = s.row_name;
      RemoveExistingBatch(r.product_code, batch_name, s.dialect());
      target.Execute(sql);

      int16_t unit_id = 0;
      if (!r.unit_name.empty()) {
        unit_id = PrepareUnitId(s, r.product_code, r.unit_name);
        target.Execute("Delete from productunits where pcode='" + r.product_code +
                       "' and unitid=" + std::to_string(unit_id));
        if (LeadingNumber(NumberText(r.factor)) > 0)
          target.Execute("insert into productunits(pcode,unitid,unit,cf)values('" + r.product_code +
                         "'," + std::to_string(unit_id) + ",'" + r.unit_name + "'," +
                         NumberText(r.factor) + ")");
      }
      if (r.stock_mapped) {
        const int16_t batch_id = counters.next_batch_id;
        receipt.RemoveEarlierOnce();
        if (target.Execute(
                InventoryUpdateSql(s.dialect(), r.opening_qty, r.product_code, batch_id)) <= 0)
          target.Execute(InventoryInsertSql(s.dialect(), r.product_code, batch_id, r.opening_qty));
        receipt.AddLine(r.product_code, unit_id, r.factor, batch_id, r.opening_qty,
                        r.purchase_rate);
      }
      AcceptRow(s);
      row.Commit();
      // Only a written row uses up its batch id. The row at the last id is
      // kept; the overflow then ends the import.
      counters.next_batch_id = Increment16(counters.next_batch_id);
      return;
    }
    row.Commit();
  });
  if (stock_mapped) receipt.Finish();
  pass.Commit();
}

}  // namespace vantrel
