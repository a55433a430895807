#include <optional>
#include <set>

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

// Product table fields that never become batch columns.
const std::set<std::string> kSkipList = {
    "gpcode",     "pcolor",       "minlmt",     "reorderlmt", "maxlmt",      "pdesc",
    "balance",    "purrate",      "salerate",   "baseunit",   "unitinrpt",   "salesrate1",
    "salesrate2", "salesrate3",   "salesrate4", "purrate1",   "purrate2",    "purrate3",
    "purrate4",   "purchaseunit", "salesunit",  "userfield1", "userfield2",  "userfield3",
    "userfield4", "parentgroup",  "supergroup", "unit",       "openingstock"};

// The unit a row's quantity is counted in.
struct RowUnit {
  int16_t id = 0;
  double cf = 1;
  bool write = false;  // the unit row is written with the row's factor
};

// The row's unit of the product: none (the base unit at factor 1), one the
// product has (it keeps its slot and takes the row's factor), or a new one.
// The base unit keeps factor 1.
std::optional<Refusal> UnitOfRow(const StockRow& r, const std::string& code, RowUnit& unit) {
  if (Trim(r.unit_name).empty()) return std::nullopt;
  const std::optional<ProductUnit> stored = UnitOfProduct(code, r.unit_name);
  const double cf = r.factor_mapped ? r.factor : stored ? stored->cf : 0;
  if (!(cf > 0)) return Refusal{Reason::kFactorNotPositive, r.factor_column, r.factor_cell, ""};
  if (stored && stored->id == 0 && cf != 1)
    return Refusal{Reason::kBaseUnitFactor, r.factor_column, r.factor_cell, r.unit_name};
  unit.id = stored ? stored->id : NextUnitId(code);
  unit.cf = cf;
  unit.write = r.factor_mapped;
  return std::nullopt;
}

}  // namespace

// Product batches of existing products from worksheet rows, each with an
// optional unit of the product and, when "openingstock" is mapped, its opening
// stock: an inventory row, a receipt line, and after the last row the receipt.
// A row is written whole or refused whole.
void ImportBatchRows(ProcesserState& s) {
  const bool books_stock = EntryOfKeyword(s.map_info, "openingstock") != 0;
  StockPass pass(s, books_stock, " Nothing of this import was written.",
                 "rolled back: nothing of this import was written");
  const StockRowReader reader(s, {&kSkipList, true, true, 0});
  OpeningStockReceipt stock(s);
  ImportBatches batches(s);
  Recordset& rows = *s.sheet_rows;
  if (rows.HasRows()) rows.MoveFirst();
  Connection& target = TargetConnection();
  ForEachSheetRow(s, rows, [&] {
    const StockRow r = reader.Read(rows);
    TransactionScope row(target);
    const std::string code = StoredPCode(r.product_code);
    RowUnit unit;
    std::optional<Refusal> refusal;
    if (r.batch_mapped && Trim(r.batch_name).empty())
      refusal = Refusal{Reason::kNameEmpty, r.batch_column, s.row_name, ""};
    else if (r.bad_date)
      refusal = r.bad_date;
    else if (r.unreadable)
      refusal = r.unreadable;
    else if (code.empty())
      refusal = Refusal{Reason::kProductNotExists, r.product_column, r.product_cell, r.product_key};
    else
      refusal = UnitOfRow(r, code, unit);
    if (refusal) {
      RefuseRow(s, *refusal);
      row.Commit();
      return;
    }
    const int16_t batch_id = batches.Write(r, code);
    if (unit.write) {
      const std::string id = std::to_string(unit.id);
      target.Execute("Delete from productunits where pcode='" + code + "' and unitid=" + id);
      target.Execute("insert into productunits(pcode,unitid,unit,cf)values('" + code + "'," + id +
                     ",'" + r.unit_name + "'," + NumberText(unit.cf) + ")");
    }
    if (r.stock_mapped)
      stock.Book(code, batch_id, unit.id, unit.cf, r.opening_qty, r.purchase_rate);
    AcceptRow(s);
    row.Commit();
    batches.Commit();
  });
  if (books_stock) stock.Finish();
  pass.Commit();
}

}  // namespace vantrel
