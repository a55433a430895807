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

namespace {

// Builds, checks and writes the head of the current worksheet row and logs
// it; returns whether the head was written.
bool ImportHeadRow(ProcesserState& s, Recordset& table, const Recordset& rows) {
  const MapTable& map = s.map_info;
  const size_t closing = ClosingEntry(map);
  s.column_text = "insert into accounthead([headcode],";
  s.value_text = "values(" + std::to_string(Counters().next_head_code) + ",";
  // This row's own name, read before any entry: a parent mapped ahead of the
  // name is compared with this row, not the one before.
  std::string own_name;
  s.row_name.clear();
  if (TakeRowName(s, rows, "headname", 30)) {
    own_name = s.row_name;
    CleanSqlText(own_name);
  }
  if (Trim(own_name).empty()) {
    LogRow(s, "failed", "headname is empty");
    return false;
  }
  for (size_t i = 1; i <= closing; ++i) {
    const MapEntry& entry = map[i];
    const std::string key = ToLower(entry.field);
    const bool last = i == closing;
    if (key == "headname") {
      s.row_name = own_name;
      AppendColumn(s, entry.field, ValueByKind(GetValueKind(table.Type(entry.field)), own_name),
                   last);
    } else if (key != "underhead") {
      AppendColumn(s, entry.field,
                   ValueByKind(GetValueKind(table.Type(entry.field)), CellText(rows, entry.column)),
                   last);
    } else {
      // An empty parent, or the head itself, is no parent that exists.
      std::string parent = CellText(rows, entry.column);
      std::string cleaned = parent;
      CleanSqlText(cleaned);
      if (Trim(cleaned).empty() || EqualsNoCase(Trim(cleaned), Trim(own_name)) ||
          !FindParentCode(s, "accounthead", parent)) {
        LogRow(s, "failed", "underhead not exists");
        return false;
      }
      AppendParentColumn(s, "underhead", last);
    }
  }
  if (HeadExists(s.row_name)) {
    LogRow(s, "failed", "header already exists");
    return false;
  }
  TargetConnection().Execute(JoinStatement(s));
  LogRow(s, "success", "--------------");
  return true;
}

}  // namespace

// Account heads from worksheet rows: one head per row under the head named in
// its "underhead" cell, duplicates refused by name. Each row lands whole, with
// its log line, or not at all.
void ImportHeadRows(ProcesserState& s) {
  RunWorker(s, [&] {
    Recordset table;
    table.Open("Select * from accounthead", TargetConnection(), 1, 1);
    Recordset& rows = *s.sheet_rows;
    s.sheet_row = 1;
    while (!rows.Eof()) {
      ++s.sheet_row;
      TransactionScope row(TargetConnection());
      const bool written = ImportHeadRow(s, table, rows);
      row.Commit();
      // A head written with the last code keeps its line; the next row would
      // need a code past the range, so the import ends here.
      if (written) Counters().next_head_code = Increment16(Counters().next_head_code);
      rows.MoveNext();
    }
  });
}

}  // namespace vantrel
