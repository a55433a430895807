#pragma once

#include <cstddef>
#include <string>
#include <unordered_map>

#include "vantrel/DependProcesser.h"

namespace vantrel {

struct ProcesserState;
class Recordset;

// Slot of a unit column by its target name, in any letter case: "Base Unit" 0,
// "Addl. Unit1" to "Addl. Unit4" 1 to 4; -1 for any other name.
int UnitSlotOfTarget(const std::string& target);

// A unit name as it is compared and stored: the first 15 characters, cleaned.
std::string UnitNameOfCell(const std::string& cell);

// A product group name as it is created and looked up: the cleaned cell cut
// to the 50 characters of the group name column.
std::string ProductGroupName(const std::string& cell);

// The worksheet's unit names, read once per import: for each name (letter
// case ignored) the slot of the first unit column that holds it, rows in
// order and each row's entries in index order.
class UnitSlotIndex {
 public:
  UnitSlotIndex(const MapTable& map, const Recordset& rows);
  // The slot of a worksheet unit column holding that name; -1 when none does.
  int UnitSlotOfName(const std::string& unit_name) const;

 private:
  std::unordered_map<std::string, int> slots_;
};

// The three group passes over the whole worksheet before the products are
// written: super groups, parent groups, then the products' own groups. The
// rows are left at no particular row.
void CreateProductGroups(ProcesserState& s, Recordset& rows);

}  // namespace vantrel
