#pragma once

#include "platform/dao/recordset.h"

namespace vantrel {

// The five module-wide staging record sets the markup reader fills and the
// writers read: account groups, ledgers, stock groups, stock items, godowns.
struct StagingSets {
  Recordset rsLedG;
  Recordset rsLedL;
  Recordset rsProG;
  Recordset rsProI;
  Recordset rsDepo;
};
StagingSets& Staging();

// Closes the set when open (an earlier import's rows go), declares the named
// text fields and opens it in memory.
void DeclareStagingSet(Recordset& rs, std::initializer_list<const char*> fields);

}  // namespace vantrel
