#include <vector>

#include "dbhelpers/clean_sql_text.h"
#include "dbhelpers/lookups.h"
#include "frame/counters.h"
#include "frame/module_state.h"
#include "frame/refusal.h"
#include "platform/common/name_key.h"
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
bool ImportHeadRow(ProcesserState& s, const std::vector<MappedColumn>& columns,
                   const Recordset& table, const Recordset& rows) {
  StatementBuilder sql("insert into accounthead([headcode],",
                       "values(" + std::to_string(Counters().next_head_code) + ",");
  // This row's own name, read before any entry: a parent mapped ahead of the
  // name is compared with this row, not the one before.
  std::string own_name;
  s.row_name.clear();
  if (TakeRowName(s, rows, "headname", 30)) {
    own_name = s.row_name;
    CleanSqlText(own_name);
  }
  if (Trim(own_name).empty()) {
    RefuseRow(s, {Reason::kHeadNameEmpty, ColumnOfKeyword(s.map_info, "headname"), own_name, ""});
    return false;
  }
  for (const MappedColumn& c : columns) {
    const std::string& field = c.entry->field;
    if (c.key == "headname") {
      s.row_name = own_name;
      sql.Append(field, ValueByKind(GetValueKind(table.Type(field)), own_name));
    } else if (c.key != "underhead") {
      sql.AppendCell(field, ShapeOf(table, field), CellText(rows, c.entry->column),
                     c.entry->column);
    } else {
      // An empty parent, or the head itself, is no parent that exists.
      std::string parent = CellText(rows, c.entry->column);
      const std::string cell = parent;
      std::string cleaned = parent;
      CleanSqlText(cleaned);
      if (Trim(cleaned).empty() || NamesEqual(Trim(cleaned), Trim(own_name)) ||
          !FindParentCode(s, "accounthead", parent)) {
        RefuseRow(s, {Reason::kUnderheadNotExists, c.entry->column, cell, ""});
        return false;
      }
      sql.Append("underhead", std::to_string(s.found_code));
    }
  }
  if (sql.refusal) {
    RefuseRow(s, *sql.refusal);
    return false;
  }
  if (HeadExists(s.row_name)) {
    RefuseRow(s, {Reason::kHeaderExists, ColumnOfKeyword(s.map_info, "headname"), s.row_name, ""});
    return false;
  }
  TargetConnection().Execute(sql.Text(s.dialect()));
  AcceptRow(s);
  return true;
}

}  // namespace

// Account heads from worksheet rows: one head per row under the head named in
// its "underhead" cell, duplicates refused by name. Each row lands whole, with
// its log line, or not at all.
void ImportHeadRows(ProcesserState& s) {
  WorkerStep step(s);
  Recordset table;
  table.Open("Select * from accounthead", TargetConnection(), 1, 1);
  const std::vector<MappedColumn> columns = MappedColumns(s.map_info);
  Recordset& rows = *s.sheet_rows;
  ForEachSheetRow(s, rows, [&] {
    TransactionScope row(TargetConnection());
    const bool written = ImportHeadRow(s, columns, table, rows);
    row.Commit();
    // A head written with the last code keeps its line; the next row would
    // need a code past the range, so the import ends here.
    if (written) Counters().next_head_code = Increment16(Counters().next_head_code);
  });
}

}  // namespace vantrel
