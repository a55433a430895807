#include "sheet/stock_row.h"

#include "dbhelpers/clean_sql_text.h"
#include "dbhelpers/lookups.h"
#include "frame/counters.h"
#include "frame/module_state.h"
#include "frame/processer_state.h"
#include "platform/dao/connection.h"
#include "platform/variant/convert.h"
#include "sheet/stock_booking.h"

namespace vantrel {

StockRowReader::StockRowReader(ProcesserState& s, const StockRowRules& rules)
    : s_(s), rules_(rules), columns_(MappedColumns(s.map_info)) {
  table_.Open("Select * from productbatch", TargetConnection(), 1, 1);
}

StockRow StockRowReader::Read(const Recordset& rows) const {
  StockRow r;
  r.batch = StatementBuilder("insert into productbatch([batchid],",
                             "values(" + std::to_string(Counters().next_batch_id) + ",");
  r.factor = rules_.default_factor;
  TakeRowName(s_, rows, "batchname", 20);
  for (const MappedColumn& c : columns_) {
    const std::string& key = c.key;
    const std::string& column = c.entry->column;
    std::string text;
    if (key == "pcode") {
      text = LeftChars(CellText(rows, column), 30);
      r.product_code = text;
      CleanSqlText(r.product_code);
      r.product_key = "pcode";
      r.product_column = column;
      r.product_cell = text;
    } else if (key == "pname" && rules_.product_by_name) {
      std::string name = LeftChars(CellText(rows, column), 50);
      r.product_cell = name;
      r.product_code = PCodeOfName(name);
      CleanSqlText(r.product_code);
      r.product_key = "pname";
      r.product_column = column;
      const std::string kind = GetValueKind(table_.Type("pcode"));
      r.batch.Append("pcode", kind == "N" ? NumberText(LeadingNumber(r.product_code))
                                          : "'" + r.product_code + "'");
      continue;
    } else if (key == "batchname") {
      text = LeftChars(CellText(rows, column), 20);
      r.batch_mapped = true;
    } else if (key == "description") {
      text = LeftChars(CellText(rows, column), 100);
    } else if (key == "manfdate" || key == "expdate") {
      const Variant& cell = rows.Value(column);
      // The batch import adds no column for an empty date.
      if (rules_.batch_dates && Trim(JoinText(cell)).empty()) continue;
      if (!r.bad_date && !BatchDateText(cell, s_.dialect(), text)) {
        r.bad_date = Refusal{Reason::kInvalidDate, column, JoinText(cell), ""};
        if (rules_.batch_dates) break;
      }
    } else if (key == "unit") {
      r.unit_name = CellText(rows, column);
      CleanSqlText(r.unit_name);
      r.unit_mapped = true;
      r.unit_column = column;
    } else if (key == "cf") {
      // The factor goes to the unit row, the inventory and the receipt line, not to the batch.
      r.factor = LeadingNumber(CellText(rows, column));
      continue;
    } else if (key == "openingstock") {
      r.opening_qty = LeadingNumber(CellText(rows, column));
      r.stock_mapped = true;
    } else if (key == "purrate") {
      r.purchase_rate = LeadingNumber(CellText(rows, column));
    } else {
      text = CellText(rows, column);
    }
    if (rules_.not_batch_columns->count(key) || r.bad_date) continue;
    const std::string kind = GetValueKind(table_.Type(c.entry->field));
    // The opening stock import passes a numeric cell reading "Null" on as Null.
    const bool null_number = !rules_.batch_dates && kind == "N" && text == "Null";
    r.batch.Append(c.entry->field, null_number ? text : ValueByKind(kind, text));
  }
  return r;
}

}  // namespace vantrel
