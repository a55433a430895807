#include "frame/handler.h"
#include "frame/processer_state.h"
#include "sheet/workers.h"

namespace vantrel {

// Not built yet: says so and reports failure rather than import nothing silently.
void ImportLedgerRows(ProcesserState& s) {
  s.error_flag = true;
  ShowMessage("The ledger import from a workbook is not available yet.", msgstyle::kInformation,
              "Orvik");
}

}  // namespace vantrel
