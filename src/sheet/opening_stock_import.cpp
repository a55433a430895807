#include <set>

#include "dbhelpers/build_in_list.h"
#include "dbhelpers/clean_sql_text.h"
#include "dbhelpers/lookups.h"
#include "frame/counters.h"
#include "frame/module_state.h"
#include "platform/dao/connection.h"
#include "platform/dao/recordset.h"
#include "platform/variant/convert.h"
#include "sheet/statement_builder.h"
#include "sheet/stock_booking.h"
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
void ClearOpeningStockReceipts(ProcesserState& s, Connection& target) {
  if (s.target_type == typeMultiUser) {
    const std::string codes =
        BuildInList("select rcptcode from transactionreceipts where rcpttype = 'OS'", false);
    target.Execute("delete from receiptdetails where rcptcode in (" + codes + ")");
  } else {
    target.Execute(
        "delete from receiptdetails where rcptcode in (select rcptcode from transactionreceipts "
        "where rcpttype = 'OS')");
  }
  target.Execute("delete from transactionreceipts where rcpttype='OS'");
}

}  // namespace

// The opening stock of the products in the worksheet rows: per row an
// inventory row and a receipt line (and the product batch when "batchname" is
// mapped), after the last row the receipt. The earlier opening stock receipts
// are replaced as a whole.
void ImportOpeningStockRows(ProcesserState& s) {
  const MapTable& map = s.map_info;
  RunStockPass(
      s, EntryOfKeyword(map, "openingstock") != 0,
      " No batch, inventory or receipt of this import was written.",
      "rolled back: no batch, inventory or receipt of this import was written", [&] {
        Recordset& rows = *s.sheet_rows;
        rows.MoveFirst();
        Recordset table;
        table.Open("Select * from productbatch", TargetConnection(), 1, 1);
        const size_t closing = ClosingEntry(map);

        std::string product_code, unit_name;
        double opening_qty = 0, purchase_rate = 0, receipt_amount = 0;
        int16_t line_no = 1;
        bool batch_mapped = false, unit_mapped = false, stock_mapped = false;
        bool receipt_cleared = false;
        Connection& target = TargetConnection();
        s.sheet_row = 1;
        while (!rows.Eof()) {
          ++s.sheet_row;
          CodeCounters& counters = Counters();
          s.column_text = "insert into productbatch([batchid],";
          s.value_text = "values(" + std::to_string(counters.next_batch_id) + ",";
          int16_t unit_id = 0;
          double factor = 1;
          TakeRowName(s, rows, "batchname", 20);

          // A date that is missing or no date drops the row's batch; the
          // entries after it are still read, so the row books its own stock.
          bool bad_date = false;
          for (size_t i = 1; i <= closing; ++i) {
            const MapEntry& entry = map[i];
            const std::string key = ToLower(entry.field);
            std::string text;
            if (key == "pcode") {
              text = LeftChars(CellText(rows, entry.column), 30);
              product_code = text;
              CleanSqlText(product_code);
            } else if (key == "batchname") {
              text = LeftChars(CellText(rows, entry.column), 20);
              batch_mapped = true;
            } else if (key == "description") {
              text = LeftChars(CellText(rows, entry.column), 100);
            } else if (key == "manfdate" || key == "expdate") {
              if (!BatchDateText(rows.Value(entry.column), s.target_type, text)) bad_date = true;
            } else if (key == "unit") {
              unit_name = CellText(rows, entry.column);
              CleanSqlText(unit_name);
              unit_mapped = true;
            } else if (key == "cf") {
              // The factor goes to the inventory row and the receipt line, not to the batch.
              factor = LeadingNumber(CellText(rows, entry.column));
              continue;
            } else if (key == "openingstock") {
              opening_qty = LeadingNumber(CellText(rows, entry.column));
              stock_mapped = true;
            } else if (key == "purrate") {
              purchase_rate = LeadingNumber(CellText(rows, entry.column));
            } else {
              text = CellText(rows, entry.column);
            }
            if (kSkipList.count(key) || bad_date) continue;
            const std::string kind = GetValueKind(table.Type(entry.field));
            AppendColumn(s, entry.field,
                         kind == "N" && text == "Null" ? text : ValueByKind(kind, text),
                         i == closing);
          }

          TransactionScope row(target);
          if (bad_date) {
            s.column_text.clear();
            s.value_text.clear();
            LogNote(s, s.row_name, "invalid date format");
          }
          const int16_t batch_id = batch_mapped ? counters.next_batch_id : int16_t{0};
          if (!Trim(s.column_text).empty() && batch_mapped) {
            if (s.column_text.back() == ',') s.column_text.back() = ')';
            if (s.value_text.back() == ',') s.value_text.back() = ')';
            const std::string sql = JoinStatement(s);
            if (!PCodeExists(product_code)) {
              LogNote(s, s.row_name, "pcode not exists");
            } else {
              std::string batch_name = s.row_name;
              RemoveExistingBatch(product_code, batch_name, s.target_type);
              target.Execute(sql);
            }
          }

          if (unit_mapped) {
            Recordset units;
            units.Open("select * from ProductUnits where pcode = '" + product_code +
                           "' and unit = '" + unit_name + "'",
                       target, 1, 3);
            if (units.Eof()) {
              LogNote(s, "Unit", "Unit Doesnt exists");
              unit_id = 0;
              factor = 1;
            } else {
              unit_id = ToInt16(units.Value("UnitId"));
              factor = ToDouble(units.Value("CF"));
            }
            units.Close();
          }

          if (stock_mapped) {
            if (!receipt_cleared) {
              ClearOpeningStockReceipts(s, target);
              receipt_cleared = true;
            }
            // The stock is counted in the base unit on both targets.
            const double os = opening_qty * factor;
            target.Execute(InventoryUpdateSql(s.target_type, os, product_code, batch_id));
            target.Execute(InventoryInsertSql(s.target_type, product_code, batch_id, os));
            target.Execute(ReceiptLineSql(counters.next_receipt_code, line_no, product_code,
                                          unit_id, factor, batch_id, opening_qty, purchase_rate));
            line_no = Increment16(line_no);
            receipt_amount += opening_qty * purchase_rate;
          }
          LogRow(s, "success", "--------------");
          row.Commit();
          counters.next_batch_id = Increment16(counters.next_batch_id);
          rows.MoveNext();
        }
        if (stock_mapped)
          target.Execute(
              ReceiptHeaderSql(s.target_type, Counters().next_receipt_code, receipt_amount));
      });
}

}  // namespace vantrel
