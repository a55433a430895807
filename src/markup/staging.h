#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/dao/recordset.h"

namespace vantrel {

// One BATCHALLOCATIONS.LIST of a stock item: a share of its opening stock
// in a godown and batch, each figure as the export writes it.
struct StagedAllocation {
  std::string godown;
  std::string batch;
  std::string quantity;  // " 120 Nos"
  std::string rate;      // "45.50/Nos"
  std::string value;     // "-5460.00", negative for a debit
};

// A stock item's base unit and opening figures. `given` when the export
// gives a quantity (OPENINGBALANCE) or allocations: the item's stock is then
// replaced by them. A value or rate alone books nothing.
struct StagedStock {
  std::string base_unit;
  bool given = false;
  std::string quantity;
  std::string rate;
  std::string value;
  std::vector<StagedAllocation> allocations;
};

// The five module-wide staging record sets the markup reader fills and the
// writers read: account groups, ledgers, stock groups, stock items, godowns.
struct StagingSets {
  Recordset rsLedG;
  Recordset rsLedL;
  Recordset rsProG;
  Recordset rsProI;
  Recordset rsDepo;
  // By staging row: a ledger's OPENINGBALANCE text (none when the element is
  // absent) and a stock item's units and stock.
  std::vector<std::optional<std::string>> ledger_balances;
  std::vector<StagedStock> item_stock;
};
StagingSets& Staging();

// Closes the set when open (an earlier import's rows go), declares the named
// text fields and opens it in memory.
void DeclareStagingSet(Recordset& rs, std::initializer_list<const char*> fields);

}  // namespace vantrel
