#include <vector>

#include "dbhelpers/clean_sql_text.h"
#include "dbhelpers/lookups.h"
#include "frame/counters.h"
#include "frame/import_frame.h"
#include "frame/module_state.h"
#include "frame/refusal.h"
#include "platform/dao/connection.h"
#include "platform/dao/recordset.h"
#include "platform/variant/convert.h"
#include "sheet/parent_lookup.h"
#include "sheet/statement_builder.h"
#include "sheet/workers.h"

namespace vantrel {
namespace {

// Length of productgroup's name and description columns.
constexpr size_t kGroupText = 50;

// The parent named in the row, as a group of that name would be stored: cut
// to the column's length and cleaned, so the lookup finds a parent that an
// earlier row created and both targets store the same text.
std::string ParentName(const Recordset& rows, const std::string& column) {
  std::string name = LeftChars(CellText(rows, column), kGroupText);
  CleanSqlText(name);
  return name;
}

// Creates a missing parent at the top level under the next group code.
void CreateParent(ProcesserState& s, const std::string& name) {
  const std::string code = std::to_string(Counters().next_group_code);
  TargetConnection().Execute(
      s.dialect().Statement("insert into productgroup([gpcode],[gpname],[gpunder]) values(" + code +
                            ",'" + name + "',1)"));
  Counters().next_group_code = Increment16(Counters().next_group_code);
}

// One worksheet row: a parent the row names is created if missing, then the
// group. Both land in one transaction together with the row's log line, so a
// failing row leaves neither. Returns whether the group was inserted.
bool ImportGroupRow(ProcesserState& s, const std::vector<MappedColumn>& columns,
                    const Recordset& table) {
  const Recordset& rows = *s.sheet_rows;
  const int16_t code_at_start = Counters().next_group_code;
  // The parent's code goes back with the parent if the row fails.
  OnFailure restore_code(s, [code_at_start] { Counters().next_group_code = code_at_start; });
  TransactionScope row(TargetConnection());
  StatementBuilder sql("insert into productgroup([gpcode],", "");
  bool has_parent = false;
  s.row_name.clear();
  if (TakeRowName(s, rows, "gpname", kGroupText)) CleanSqlText(s.row_name);
  // The row's own name, read before any entry: a parent mapped ahead of the
  // name is compared with this row, not the one before.
  const std::string own_name = s.row_name;
  if (Trim(own_name).empty()) {
    RefuseRow(s, {Reason::kGroupNameEmpty, ColumnOfKeyword(s.map_info, "gpname"), own_name, ""});
    row.Commit();
    return false;
  }
  for (const MappedColumn& c : columns) {
    if (c.key == "gpunder") {
      has_parent = true;
      std::string parent = ParentName(rows, c.entry->column);
      if (Trim(parent).empty() || EqualsNoCase(Trim(own_name), Trim(parent))) {
        // No parent named, or the group itself: it goes to the top level
        // rather than under a group made without a name or a stale code.
        s.found_code = 1;
      } else if (!FindParentCode(s, "productgroup", parent)) {
        s.found_code = Counters().next_group_code;
        CreateParent(s, parent);
      }
      sql.Append("gpunder", std::to_string(s.found_code));
      continue;
    }
    std::string value = CellText(rows, c.entry->column);
    if (c.key == "gpname" || c.key == "gpdesc") value = LeftChars(value, kGroupText);
    sql.AppendCell(c.entry->field, GetValueKind(table.Type(c.entry->field)), value,
                   c.entry->column);
  }
  if (!has_parent) sql.Append("gpunder", "1");
  // The code is written last: a parent created above has used one up.
  sql.OpenValues("values(" + std::to_string(Counters().next_group_code) + ",");
  bool inserted = false;
  if (sql.refusal) {
    RefuseRow(s, *sql.refusal);
  } else if (GroupExists(s.row_name)) {
    RefuseRow(s, {Reason::kGroupExists, ColumnOfKeyword(s.map_info, "gpname"), s.row_name, ""});
  } else {
    TargetConnection().Execute(sql.Text(s.dialect()));
    AcceptRow(s);
    inserted = true;
  }
  row.Commit();
  return inserted;
}

}  // namespace

// Product groups from worksheet rows, each under the group named in its
// "gpunder" cell (created at the top level when missing) or under group 1.
// Rows without a name and groups that exist are refused with a log line.
void ImportGroupRows(ProcesserState& s) {
  WorkerStep step(s);
  Recordset table;
  table.Open("Select * from productgroup", TargetConnection(), 1, 1);
  const std::vector<MappedColumn> columns = MappedColumns(s.map_info);
  ForEachSheetRow(s, *s.sheet_rows, [&] {
    // The counter moves after the commit, so a group written with the last
    // code stays even when the next code overflows.
    if (ImportGroupRow(s, columns, table))
      Counters().next_group_code = Increment16(Counters().next_group_code);
  });
}

}  // namespace vantrel
