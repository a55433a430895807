#include "component/handler.h"
#include "component/processer_state.h"
#include "sheet/workers.h"

namespace vantrel {
namespace {

// Workers still to come say so and report failure rather than import nothing silently.
void NotAvailable(ProcesserState& s, const char* what) {
  s.error_flag = true;
  ShowMessage(std::string("The ") + what + " import from a workbook is not available yet.",
              msgstyle::kInformation, "Orvik");
}

}  // namespace

void ImportLedgerRows(ProcesserState& s) { NotAvailable(s, "ledger"); }
void ImportGroupRows(ProcesserState& s) { NotAvailable(s, "product group"); }
void ImportProductRows(ProcesserState& s) { NotAvailable(s, "product"); }
void ImportBatchRows(ProcesserState& s) { NotAvailable(s, "batch"); }
void ImportOpeningStockRows(ProcesserState& s) { NotAvailable(s, "opening stock"); }

}  // namespace vantrel
