#include <optional>
#include <set>
#include <vector>

#include "dbhelpers/clean_sql_text.h"
#include "dbhelpers/held_tables.h"
#include "dbhelpers/lookups.h"
#include "frame/counters.h"
#include "frame/import_frame.h"
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

// The code of the group of that (cleaned) name, if there is one.
std::optional<int16_t> GroupCodeOf(const std::string& name) {
  if (HeldTable* held = Held(HeldKind::kGroups)) {
    const size_t* row = LowestNumber(*held, held->Matches(0, {name}), 0);
    if (!row) return std::nullopt;
    return ToInt16(held->At(*row, 0));
  }
  const RowSet r = TargetConnection().Query("select gpcode from productgroup where gpname like '" +
                                            LikeLiteral(name) + "' order by gpcode");
  if (r.rows.empty()) return std::nullopt;
  return ToInt16(r.rows[0][0]);
}

// Whether the group `code` is `group` or lies below it.
bool IsAtOrBelow(int16_t code, int16_t group) {
  // The chain of parents ends at a group without one; a chain longer than
  // there can be groups has a loop of its own and does not lead to `group`.
  for (int step = 0; step <= 32767; ++step) {
    if (code == group) return true;
    const RowSet r = TargetConnection().Query("select gpunder from productgroup where gpcode=" +
                                              std::to_string(code));
    if (r.rows.empty() || r.rows[0][0].is_null()) return false;
    const int16_t up = ToInt16(r.rows[0][0]);
    if (up == code) return false;
    code = up;
  }
  return false;
}

// One worksheet row: a parent the row names is created if missing, then the
// group. A group an earlier row made as its parent takes this row's parent and
// fields instead. Both land in one transaction together with the row's log
// line, so a failing row leaves neither, and a refused row makes no parent.
// Returns whether a new group code was used for the row's group.
bool ImportGroupRow(ProcesserState& s, const std::vector<MappedColumn>& columns,
                    const Recordset& table, std::set<int16_t>& made_as_parent) {
  const Recordset& rows = *s.sheet_rows;
  const int16_t code_at_start = Counters().next_group_code;
  // The parent's code goes back with the parent if the row fails.
  OnFailure restore_code(s, [code_at_start] { Counters().next_group_code = code_at_start; });
  TransactionScope row(TargetConnection());
  s.row_name.clear();
  if (TakeRowName(s, rows, "gpname", kGroupText)) CleanSqlText(s.row_name);
  // The row's own name, read before any entry: a parent mapped ahead of the
  // name is compared with this row, not the one before.
  const std::string own_name = s.row_name;
  const auto refuse = [&](const Refusal& r) {
    RefuseRow(s, r);
    row.Commit();
    return false;
  };
  const std::string name_column = ColumnOfKeyword(s.map_info, "gpname");
  if (Trim(own_name).empty()) return refuse({Reason::kGroupNameEmpty, name_column, own_name, ""});
  const std::optional<int16_t> own_code = GroupCodeOf(own_name);
  const bool completes = own_code && made_as_parent.count(*own_code);
  if (own_code && !completes) return refuse({Reason::kGroupExists, name_column, own_name, ""});
  // A cell that holds no readable number refuses the row before a parent is made for it.
  for (const MappedColumn& c : columns) {
    if (c.key == "gpunder") continue;
    if (auto r = CellRefusal(ShapeOf(table, c.entry->field), CellText(rows, c.entry->column),
                             c.entry->column))
      return refuse(*r);
  }

  const size_t parent_entry = EntryOfKeyword(s.map_info, "gpunder");
  std::string parent;
  bool make_parent = false;
  if (parent_entry) {
    const std::string& column = s.map_info[parent_entry].column;
    parent = ParentName(rows, column);
    if (Trim(parent).empty() || NamesEqual(Trim(own_name), Trim(parent))) {
      // No parent named, or the group itself: it goes to the top level
      // rather than under a group made without a name or a stale code.
      s.found_code = 1;
    } else if (!FindParentCode(s, "productgroup", parent)) {
      make_parent = true;
    } else if (completes && IsAtOrBelow(s.found_code, *own_code)) {
      return refuse({Reason::kParentBelowGroup, column, CellText(rows, column), parent});
    }
  }
  if (make_parent) {
    s.found_code = Counters().next_group_code;
    made_as_parent.insert(s.found_code);
    CreateParent(s, parent);
  }

  StatementBuilder sql("insert into productgroup([gpcode],", "");
  for (const MappedColumn& c : columns) {
    if (c.key == "gpunder") {
      sql.Append("gpunder", std::to_string(s.found_code));
      continue;
    }
    std::string value = CellText(rows, c.entry->column);
    if (c.key == "gpname" || c.key == "gpdesc") value = LeftChars(value, kGroupText);
    sql.AppendCell(c.entry->field, ShapeOf(table, c.entry->field), value, c.entry->column);
  }
  if (!parent_entry) sql.Append("gpunder", "1");
  Connection& target = TargetConnection();
  if (completes) {
    target.Execute(
        sql.UpdateText(s.dialect(), "productgroup", "gpcode=" + std::to_string(*own_code)));
    made_as_parent.erase(*own_code);
  } else {
    // The code is written last: a parent created above has used one up.
    sql.OpenValues("values(" + std::to_string(Counters().next_group_code) + ",");
    target.Execute(sql.Text(s.dialect()));
  }
  AcceptRow(s);
  row.Commit();
  return !completes;
}

}  // namespace

// Product groups from worksheet rows, each under the group named in its
// "gpunder" cell (created at the top level when missing) or under group 1.
// Rows without a name, groups that exist before the import and parents that
// would put a group below itself are refused with a log line.
void ImportGroupRows(ProcesserState& s) {
  WorkerStep step(s);
  Recordset table;
  table.Open("Select * from productgroup", TargetConnection(), 1, 1);
  const std::vector<MappedColumn> columns = MappedColumns(s.map_info);
  // Groups this import made as parents whose own row has not come yet.
  std::set<int16_t> made_as_parent;
  ForEachSheetRow(s, *s.sheet_rows, [&] {
    // The counter moves after the commit, so a group written with the last
    // code stays even when the next code overflows.
    if (ImportGroupRow(s, columns, table, made_as_parent))
      Counters().next_group_code = Increment16(Counters().next_group_code);
  });
}

}  // namespace vantrel
