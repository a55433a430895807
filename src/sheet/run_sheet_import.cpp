#include "sheet/run_sheet_import.h"

#include "frame/processer_state.h"
#include "platform/variant/convert.h"
#include "sheet/workers.h"

namespace vantrel {

void RunSheetImport(ProcesserState& s, const std::string& kind) {
  s.row_name.clear();
  const std::string k = ToLower(kind);
  if (k == "accountledger")
    ImportLedgerRows(s);
  else if (k == "accounthead")
    ImportHeadRows(s);
  else if (k == "productgroup")
    ImportGroupRows(s);
  else if (k == "product")
    ImportProductRows(s);
  else if (k == "productbatch")
    ImportBatchRows(s);
  else if (k == "osbatch")
    ImportOpeningStockRows(s);
}

}  // namespace vantrel
