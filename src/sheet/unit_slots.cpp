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

}  // namespace vantrel
