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
  // A number cell as its number; one that holds none refuses the row (an empty one is 0).
  const auto number = [&r](const std::string& cell, const std::string& column) {
    double out = 0;
    if (!ReadNumberCell(cell, out) && !r.unreadable)
      r.unreadable = Refusal{Reason::kUnreadableNumber, column, cell, ""};
    return out;
  };
  r.factor = rules_.default_factor;
  r.code_kind = GetValueKind(table_.Type("pcode"));
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
      if (!rules_.not_batch_columns->count(key)) r.code_column = r.batch_columns.size();
    } else if (key == "pname" && rules_.product_by_name) {
      std::string name = LeftChars(CellText(rows, column), 50);
      r.product_cell = name;
      r.product_code = PCodeOfName(name);
      CleanSqlText(r.product_code);
      r.product_key = "pname";
      r.product_column = column;
      // The batch's product column, whatever the entry's own name.
      r.code_column = r.batch_columns.size();
      r.batch_columns.push_back({"pcode", "pcode", ""});
      continue;
    } else if (key == "batchname") {
      text = LeftChars(CellText(rows, column), 20);
      r.batch_mapped = true;
      r.batch_name = text;
      CleanSqlText(r.batch_name);
      r.batch_column = column;
    } else if (key == "description") {
      text = LeftChars(CellText(rows, column), 100);
    } else if (key == "manfdate" || key == "expdate") {
      const Variant& cell = rows.Value(column);
      // The batch import adds no column for an empty date.
      if (rules_.batch_dates && Trim(JoinText(cell)).empty()) continue;
      if (!BatchDateText(cell, s_.dialect(), text)) {
        if (!r.bad_date) r.bad_date = Refusal{Reason::kInvalidDate, column, JoinText(cell), ""};
        continue;
      }
    } else if (key == "unit") {
      r.unit_name = CellText(rows, column);
      CleanSqlText(r.unit_name);
      r.unit_mapped = true;
      r.unit_column = column;
    } else if (key == "cf") {
      // The factor goes to the unit row, the inventory and the receipt line, not to the batch.
      r.factor_cell = CellText(rows, column);
      r.factor = number(r.factor_cell, column);
      r.factor_mapped = true;
      r.factor_column = column;
      continue;
    } else if (key == "openingstock") {
      r.opening_qty = number(CellText(rows, column), column);
      r.stock_mapped = true;
    } else if (key == "purrate") {
      r.purchase_rate = number(CellText(rows, column), column);
    } else {
      text = CellText(rows, column);
    }
    if (rules_.not_batch_columns->count(key)) continue;
    const FieldShape shape = ShapeOf(table_, c.entry->field);
    // The opening stock import passes a numeric cell reading "Null" on as Null.
    const bool null_number = !rules_.batch_dates && shape.kind == "N" && text == "Null";
    std::string value = text;
    std::optional<Refusal> refused;
    if (!null_number && !FieldValue(shape, text, column, value, refused) && !r.unreadable)
      r.unreadable = refused;
    r.batch_columns.push_back({c.entry->field, key, value});
  }
  return r;
}

namespace {

std::string CodeValue(const StockRow& r, const std::string& code) {
  return r.code_kind == "N" ? NumberText(LeadingNumber(code)) : "'" + code + "'";
}

}  // namespace

int16_t ImportBatches::Write(const StockRow& r, const std::string& product_code) {
  used_next_id_ = false;
  Connection& target = TargetConnection();
  const std::optional<int16_t> stored = BatchIdOf(product_code, r.batch_name);
  if (stored && written_.count(*stored)) return *stored;
  if (stored) {
    // The batch keeps its id, its product and its name.
    StatementBuilder update("", "");
    for (size_t i = 0; i < r.batch_columns.size(); ++i) {
      const BatchColumn& c = r.batch_columns[i];
      if (i != r.code_column && c.key != "batchname") update.Append(c.field, c.value);
    }
    const std::string sql =
        update.UpdateText(s_.dialect(), "productbatch", "batchid=" + std::to_string(*stored));
    if (!sql.empty()) target.Execute(sql);
    written_.insert(*stored);
    return *stored;
  }
  const int16_t id = Counters().next_batch_id;
  StatementBuilder insert("insert into productbatch([batchid],",
                          "values(" + std::to_string(id) + ",");
  for (size_t i = 0; i < r.batch_columns.size(); ++i) {
    const BatchColumn& c = r.batch_columns[i];
    insert.Append(c.field, i == r.code_column ? CodeValue(r, product_code) : c.value);
  }
  if (r.code_column == std::string::npos) insert.Append("pcode", CodeValue(r, product_code));
  target.Execute(insert.Text(s_.dialect()));
  written_.insert(id);
  used_next_id_ = true;
  return id;
}

void ImportBatches::Commit() {
  // The row at the last id is kept; the overflow then ends the import.
  if (used_next_id_) Counters().next_batch_id = Increment16(Counters().next_batch_id);
  used_next_id_ = false;
}

}  // namespace vantrel
