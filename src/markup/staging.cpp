#include "markup/staging.h"

namespace vantrel {

StagingSets& Staging() {
  static StagingSets sets;
  return sets;
}

void DeclareStagingSet(Recordset& rs, std::initializer_list<const char*> fields) {
  if (rs.State() == Recordset::kOpen) rs.Close();
  // Fixed-length character fields of 30; values are kept whole, not cut.
  for (const char* f : fields) rs.AppendField(f, adtype::kChar, 30);
  rs.OpenInMemory();
}

}  // namespace vantrel
