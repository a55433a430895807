#include <utility>
#include <vector>

#include "dbhelpers/clean_sql_text.h"
#include "platform/dao/recordset.h"
#include "platform/variant/convert.h"
#include "sheet/product_import.h"
#include "sheet/statement_builder.h"

namespace vantrel {

int UnitSlotOfTarget(const std::string& target) {
  static const char* const kSlots[] = {"base unit", "addl. unit1", "addl. unit2", "addl. unit3",
                                       "addl. unit4"};
  const std::string key = ToLower(target);
  for (int slot = 0; slot < 5; ++slot)
    if (key == kSlots[slot]) return slot;
  return -1;
}

std::string UnitNameOfCell(const std::string& cell) {
  std::string name = LeftChars(cell, 15);
  CleanSqlText(name);
  return name;
}

std::string ProductGroupName(const std::string& cell) {
  std::string name = cell;
  CleanSqlText(name);
  return LeftChars(name, 50);
}

UnitSlotIndex::UnitSlotIndex(const MapTable& map, const Recordset& rows) {
  const size_t closing = MappedColumns(map).size();
  std::vector<std::pair<const MapEntry*, int>> unit_entries;
  for (size_t i = 1; i <= closing; ++i) {
    const int slot = UnitSlotOfTarget(map[i].field);
    if (slot >= 0) unit_entries.emplace_back(&map[i], slot);
  }
  if (unit_entries.empty()) return;
  Recordset copy = rows.Clone();
  if (!copy.HasRows()) return;
  for (copy.MoveFirst(); !copy.Eof(); copy.MoveNext()) {
    for (const auto& [entry, slot] : unit_entries) {
      // The first column holding a name keeps it.
      slots_.emplace(ToLower(UnitNameOfCell(CellText(copy, entry->column))), slot);
    }
  }
}

int UnitSlotIndex::UnitSlotOfName(const std::string& unit_name) const {
  const auto it = slots_.find(ToLower(UnitNameOfCell(unit_name)));
  return it == slots_.end() ? -1 : it->second;
}

}  // namespace vantrel
