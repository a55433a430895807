#include "dbhelpers/clean_sql_text.h"
#include "dbhelpers/lookups.h"
#include "frame/counters.h"
#include "frame/module_state.h"
#include "platform/dao/connection.h"
#include "platform/dao/recordset.h"
#include "platform/variant/convert.h"
#include "sheet/parent_lookup.h"
#include "sheet/statement_builder.h"
#include "sheet/workers.h"

namespace vantrel {

// Account heads from worksheet rows: one head per row under the head named in
// its "underhead" cell, duplicates refused by name.
void ImportHeadRows(ProcesserState& s) {
  RunWorker(s, [&] {
    Recordset table;
    table.Open("Select * from accounthead", TargetConnection(), 1, 1);
    const MapTable& map = s.map_info;
    const size_t closing = ClosingEntry(map);
    Recordset& rows = *s.sheet_rows;
    std::string own_name;  // kept from row to row, as the parent test compares with it
    s.sheet_row = 1;
    while (!rows.Eof()) {
      ++s.sheet_row;
      s.column_text = "insert into accounthead([headcode],";
      s.value_text = "values(" + std::to_string(Counters().next_head_code) + ",";
      for (size_t i = 1; i <= closing; ++i) {
        if (ToLower(map[i].field) == "headname") {
          s.row_name = LeftChars(CellText(rows, map[i].column), 30);
          break;
        }
      }
      for (size_t i = 1; i <= closing; ++i) {
        const MapEntry& entry = map[i];
        const std::string key = ToLower(entry.field);
        const bool last = i == closing;
        if (key == "headname") {
          std::string name = LeftChars(CellText(rows, entry.column), 30);
          CleanSqlText(name);
          s.row_name = name;
          own_name = name;
          AppendColumn(s, entry.field, ValueByKind(GetValueKind(table.Type(entry.field)), name),
                       last);
        } else if (key != "underhead") {
          AppendColumn(
              s, entry.field,
              ValueByKind(GetValueKind(table.Type(entry.field)), CellText(rows, entry.column)),
              last);
        } else {
          // An empty parent cell cannot be read as a name: it ends the import here.
          std::string parent = ToText(rows.Value(entry.column));
          if (own_name != parent && !FindParentCode(s, "accounthead", parent)) {
            LogRow(s, "failed", "underhead not exists");
            s.column_text.clear();
            s.value_text.clear();
            break;
          }
          AppendParentColumn(s, "underhead", last);
        }
      }
      const std::string sql = JoinStatement(s);
      if (!Trim(sql).empty()) {
        if (HeadExists(s.row_name)) {
          LogRow(s, "failed", "header already exists");
        } else {
          TargetConnection().Execute(sql);
          // Logged before the counter moves, so a row written just before an
          // overflow still has its line.
          LogRow(s, "success", "--------------");
          Counters().next_head_code = Increment16(Counters().next_head_code);
        }
      }
      rows.MoveNext();
    }
  });
}

}  // namespace vantrel
