#pragma once

#include <string>

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

// The three group passes over the whole worksheet before the products are
// written: super groups, parent groups, then the products' own groups. The
// rows are left at no particular row.
void CreateProductGroups(ProcesserState& s, Recordset& rows);

}  // namespace vantrel
