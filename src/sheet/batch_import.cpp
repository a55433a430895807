#include <set>

#include "dbhelpers/clean_sql_text.h"
#include "dbhelpers/lookups.h"
#include "frame/counters.h"
#include "frame/module_state.h"
#include "platform/dao/connection.h"
#include "platform/dao/recordset.h"
#include "platform/variant/convert.h"
#include "sheet/parent_lookup.h"
#include "sheet/statement_builder.h"
#include "sheet/stock_booking.h"
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

// Ends the column and value lists when the closing entry added nothing. Only
// the joint between the lists is repaired, so a value that holds ",values"
// stays as it is.
std::string RepairedStatement(ProcesserState& s) {
  if (!s.column_text.empty() && s.column_text.back() == ',') s.column_text.back() = ')';
  if (!s.value_text.empty() && s.value_text.back() == ',') s.value_text.back() = ')';
  return JoinStatement(s);
}

}  // namespace

// Product batches of existing products from worksheet rows, each with an
// optional unit of the product and, when "openingstock" is mapped, its opening
// stock: an inventory row, a receipt line, and after the last row the receipt.
void ImportBatchRows(ProcesserState& s) {
  const MapTable& map = s.map_info;
  const bool books_stock = EntryOfKeyword(map, "openingstock") != 0;
  RunStockPass(
      s, books_stock, " Nothing of this import was written.",
      "rolled back: nothing of this import was written", [&] {
        Recordset table;
        table.Open("Select * from productbatch", TargetConnection(), 1, 1);
        const size_t closing = ClosingEntry(map);
        Recordset& rows = *s.sheet_rows;
        rows.MoveFirst();

        std::string product_code, product_key, unit_name;
        double factor = 0, opening_qty = 0, purchase_rate = 0, receipt_amount = 0;
        int16_t unit_id = 0, line_no = 1;
        bool stock_mapped = false, receipt_cleared = false;
        Connection& target = TargetConnection();
        s.sheet_row = 1;
        while (!rows.Eof()) {
          ++s.sheet_row;
          CodeCounters& counters = Counters();
          s.column_text = "insert into productbatch([batchid],";
          s.value_text = "values(" + std::to_string(counters.next_batch_id) + ",";
          TakeRowName(s, rows, "batchname", 20);

          bool bad_date = false;
          for (size_t i = 1; i <= closing; ++i) {
            const MapEntry& entry = map[i];
            const std::string key = ToLower(entry.field);
            const bool last = i == closing;
            std::string text;
            if (key == "pcode") {
              text = LeftChars(CellText(rows, entry.column), 30);
              product_code = text;
              CleanSqlText(product_code);
              product_key = "pcode";
            } else if (key == "pname") {
              std::string name = LeftChars(CellText(rows, entry.column), 50);
              product_code = PCodeOfName(name);
              CleanSqlText(product_code);
              product_key = "pname";
              const std::string kind = GetValueKind(table.Type("pcode"));
              const std::string value =
                  kind == "N" ? NumberText(LeadingNumber(product_code)) : "'" + product_code + "'";
              AppendColumn(s, "pcode", value, last);
              continue;
            } else if (key == "batchname") {
              text = LeftChars(CellText(rows, entry.column), 20);
            } else if (key == "description") {
              text = LeftChars(CellText(rows, entry.column), 100);
            } else if (key == "manfdate" || key == "expdate") {
              const Variant& cell = rows.Value(entry.column);
              // An empty date adds no column; one that is no date refuses the row.
              if (Trim(JoinText(cell)).empty()) continue;
              if (!BatchDateText(cell, s.target_type, text)) {
                bad_date = true;
                break;
              }
            } else if (key == "unit") {
              unit_name = CellText(rows, entry.column);
              CleanSqlText(unit_name);
              continue;
            } else if (key == "cf") {
              // The factor goes to the unit row and the receipt line, not to the batch.
              factor = LeadingNumber(CellText(rows, entry.column));
              continue;
            } else if (key == "openingstock") {
              opening_qty = LeadingNumber(CellText(rows, entry.column));
              stock_mapped = true;
              continue;
            } else if (key == "purrate") {
              purchase_rate = LeadingNumber(CellText(rows, entry.column));
              continue;
            } else {
              text = CellText(rows, entry.column);
            }
            if (kSkipList.count(key)) continue;
            AppendColumn(s, entry.field, ValueByKind(GetValueKind(table.Type(entry.field)), text),
                         last);
          }

          TransactionScope row(target);
          bool written = false;
          if (bad_date) {
            LogRow(s, "failed", "invalid date format");
          } else if (!PCodeExists(product_code)) {
            LogRow(s, "failed", product_key + " not exists");
          } else {
            const std::string sql = RepairedStatement(s);
            std::string batch_name = s.row_name;
            RemoveExistingBatch(product_code, batch_name, s.target_type);
            target.Execute(sql);

            if (!unit_name.empty()) {
              unit_id = PrepareUnitId(s, product_code, unit_name);
              target.Execute("Delete from productunits where pcode='" + product_code +
                             "' and unitid=" + std::to_string(unit_id));
              if (LeadingNumber(NumberText(factor)) > 0)
                target.Execute("insert into productunits(pcode,unitid,unit,cf)values('" +
                               product_code + "'," + std::to_string(unit_id) + ",'" + unit_name +
                               "'," + NumberText(factor) + ")");
            } else {
              unit_id = 0;
            }

            if (stock_mapped) {
              const int16_t batch_id = counters.next_batch_id;
              if (!receipt_cleared) {
                // Every earlier opening stock receipt of this import kind goes
                // with its lines; the new one is written after the last row.
                Recordset old;
                old.Open("Select rcptcode from transactionreceipts where vno='1' and rcpttype='OS'",
                         target, 1, 3);
                std::set<int32_t> codes;
                for (; !old.Eof(); old.MoveNext()) {
                  const Variant& v = old.Value("rcptcode");
                  codes.insert(v.is_null() ? 0 : ToInt32(v));
                }
                old.Close();
                if (codes.empty()) codes.insert(0);
                for (int32_t code : codes)
                  target.Execute("delete from receiptdetails where rcptcode=" +
                                 std::to_string(code));
                target.Execute("delete from transactionreceipts where vno='1' and rcpttype='OS'");
                receipt_cleared = true;
              }
              if (target.Execute(
                      InventoryUpdateSql(s.target_type, opening_qty, product_code, batch_id)) <= 0)
                target.Execute(
                    InventoryInsertSql(s.target_type, product_code, batch_id, opening_qty));
              target.Execute(ReceiptLineSql(counters.next_receipt_code, line_no, product_code,
                                            unit_id, factor, batch_id, opening_qty, purchase_rate));
              line_no = Increment16(line_no);
              receipt_amount += opening_qty * purchase_rate;
            }
            LogRow(s, "success", "--------------");
            written = true;
          }
          row.Commit();
          // Only a written row uses up its batch id. The row at the last id is
          // kept; the overflow then ends the import.
          if (written) counters.next_batch_id = Increment16(counters.next_batch_id);
          rows.MoveNext();
        }
        if (stock_mapped)
          target.Execute(
              ReceiptHeaderSql(s.target_type, Counters().next_receipt_code, receipt_amount));
      });
}

}  // namespace vantrel
