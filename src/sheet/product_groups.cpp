#include "dbhelpers/lookups.h"
#include "frame/counters.h"
#include "frame/module_state.h"
#include "frame/processer_state.h"
#include "platform/dao/connection.h"
#include "platform/dao/recordset.h"
#include "platform/variant/convert.h"
#include "sheet/parent_lookup.h"
#include "sheet/product_import.h"
#include "sheet/statement_builder.h"

namespace vantrel {
namespace {

// Creates a product group under the parent code with the next group code.
void CreateGroup(ProcesserState& s, const std::string& name, int32_t parent) {
  TargetConnection().Execute(
      s.dialect().Statement("insert into productgroup([gpcode],[gpname],[gpunder]) values(" +
                            std::to_string(Counters().next_group_code) + ",'" + name + "'," +
                            std::to_string(parent) + ")"));
  Counters().next_group_code = Increment16(Counters().next_group_code);
}

// Code of the group a cell names; 1 (the top group) for an empty cell or a
// name no group has.
int32_t GroupCodeOfCell(ProcesserState& s, const Recordset& rows, const MapEntry& entry) {
  const std::string name = ProductGroupName(CellText(rows, entry.column));
  if (Trim(name).empty()) return 1;
  return GroupCodeByName(s, Variant(name));
}

// The group a cell names, when the cell is not blank and no group has that name yet.
bool NamesMissingGroup(const Recordset& rows, const MapEntry& entry, std::string& name) {
  name = ProductGroupName(CellText(rows, entry.column));
  return !Trim(name).empty() && !GroupExists(name);
}

template <class Body>
void ForEachRow(ProcesserState& s, Recordset& rows, Body&& body) {
  s.sheet_row = s.header_row;
  if (!rows.HasRows()) return;
  for (rows.MoveFirst(); !rows.Eof(); rows.MoveNext()) {
    ++s.sheet_row;
    body();
  }
}

}  // namespace

void CreateProductGroups(ProcesserState& s, Recordset& rows) {
  const MapTable& map = s.map_info;
  const size_t closing = MappedColumns(map).size();
  // The columns naming a row's super group and parent group. A pass that
  // creates a group from another such column moves to it; a row whose groups
  // all exist still places its new groups under them.
  size_t super_entry = EntryOfKeyword(map, "supergroup");
  size_t parent_entry = EntryOfKeyword(map, "parentgroup");
  std::string name;

  if (super_entry) {
    ForEachRow(s, rows, [&] {
      for (size_t i = 1; i <= closing; ++i) {
        if (ToLower(map[i].field) != "supergroup" || !NamesMissingGroup(rows, map[i], name))
          continue;
        super_entry = i;
        CreateGroup(s, name, 1);
      }
    });
  }

  if (parent_entry) {
    ForEachRow(s, rows, [&] {
      for (size_t i = 1; i <= closing; ++i) {
        if (ToLower(map[i].field) != "parentgroup" || !NamesMissingGroup(rows, map[i], name))
          continue;
        parent_entry = i;
        CreateGroup(s, name, super_entry ? GroupCodeOfCell(s, rows, map[super_entry]) : 1);
        break;
      }
    });
  }

  // A product group goes under the row's parent group, else under its super
  // group, else under the top group.
  if (!EntryOfKeyword(map, "gpcode")) return;
  ForEachRow(s, rows, [&] {
    for (size_t i = 1; i <= closing; ++i) {
      if (ToLower(map[i].field) != "gpcode" || !NamesMissingGroup(rows, map[i], name)) continue;
      int32_t parent = parent_entry ? GroupCodeOfCell(s, rows, map[parent_entry]) : 1;
      if (parent == 1 && super_entry) parent = GroupCodeOfCell(s, rows, map[super_entry]);
      CreateGroup(s, name, parent);
      break;
    }
  });
}

}  // namespace vantrel
