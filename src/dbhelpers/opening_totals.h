#pragma once

#include "vantrel/DependProcesser.h"

namespace vantrel {

// The company's opening position as the target holds it: the opening
// balance lines of all ledgers, and the opening stock per depot (the
// inventory's quantities, the opening stock receipts' amounts).
OpeningTotals ReadOpeningTotals();

}  // namespace vantrel
