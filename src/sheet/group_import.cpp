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
  if (s.target_type == typeMultiUser)
    TargetConnection().Execute("insert into productgroup(gpcode,gpname,gpunder) values(" + code +
                               ",'" + name + "',1)");
  else
    TargetConnection().Execute("insert into productgroup([gpcode],[gpname],[gpunder]) values(" +
                               code + ",'" + name + "',1)");
  Counters().next_group_code = Increment16(Counters().next_group_code);
}

// One worksheet row: a parent the row names is created if missing, then the
// group. Both land in one transaction together with the row's log line, so a
// failing row leaves neither. Returns whether the group was inserted.
bool ImportGroupRow(ProcesserState& s, const Recordset& table) {
  const MapTable& map = s.map_info;
  const size_t closing = ClosingEntry(map);
  const Recordset& rows = *s.sheet_rows;
  const int16_t code_at_start = Counters().next_group_code;
  TransactionScope row(TargetConnection());
  try {
    s.column_text = "insert into productgroup([gpcode],";
    s.value_text.clear();
    bool has_parent = false;
    s.row_name.clear();
    if (TakeRowName(s, rows, "gpname", kGroupText)) CleanSqlText(s.row_name);
    // The row's own name, read before any entry: a parent mapped ahead of the
    // name is compared with this row, not the one before.
    const std::string own_name = s.row_name;
    if (Trim(own_name).empty()) {
      LogRow(s, "failed", "gpname is empty");
      row.Commit();
      return false;
    }
    for (size_t i = 1; i <= closing; ++i) {
      const MapEntry& entry = map[i];
      const std::string key = ToLower(entry.field);
      const bool last = i == closing;
      if (key == "gpunder") {
        has_parent = true;
        std::string parent = ParentName(rows, entry.column);
        if (Trim(parent).empty() || EqualsNoCase(Trim(own_name), Trim(parent))) {
          // No parent named, or the group itself: it goes to the top level
          // rather than under a group made without a name or a stale code.
          s.found_code = 1;
        } else if (!FindParentCode(s, "productgroup", parent)) {
          s.found_code = Counters().next_group_code;
          CreateParent(s, parent);
        }
        AppendParentColumn(s, "gpunder", last);
        continue;
      }
      std::string value = CellText(rows, entry.column);
      if (key == "gpname" || key == "gpdesc") value = LeftChars(value, kGroupText);
      AppendColumn(s, entry.field, ValueByKind(GetValueKind(table.Type(entry.field)), value), last);
    }
    // The code is written last: a parent created above has used one up.
    s.values_head = "values(" + std::to_string(Counters().next_group_code) + ",";
    if (!has_parent) {
      s.column_text.pop_back();
      s.column_text += ",[gpunder])";
      s.value_text.pop_back();
      s.value_text += ",1)";
    }
    s.column_text += s.values_head + s.value_text;
    const std::string sql =
        s.target_type == typeMultiUser ? WithoutBrackets(s.column_text) : s.column_text;
    bool inserted = false;
    if (GroupExists(s.row_name)) {
      LogRow(s, "failed", "group already exists");
    } else {
      TargetConnection().Execute(sql);
      LogRow(s, "success", "--------------");
      inserted = true;
    }
    row.Commit();
    return inserted;
  } catch (...) {
    // The parent's code goes back with the parent.
    Counters().next_group_code = code_at_start;
    throw;
  }
}

}  // namespace

// Product groups from worksheet rows, each under the group named in its
// "gpunder" cell (created at the top level when missing) or under group 1.
// Rows without a name and groups that exist are refused with a log line.
void ImportGroupRows(ProcesserState& s) {
  RunWorker(s, [&] {
    Recordset table;
    table.Open("Select * from productgroup", TargetConnection(), 1, 1);
    Recordset& rows = *s.sheet_rows;
    s.sheet_row = 1;
    while (!rows.Eof()) {
      ++s.sheet_row;
      // The counter moves after the commit, so a group written with the last
      // code stays even when the next code overflows.
      if (ImportGroupRow(s, table))
        Counters().next_group_code = Increment16(Counters().next_group_code);
      rows.MoveNext();
    }
  });
}

}  // namespace vantrel
