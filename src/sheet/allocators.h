#pragma once

#include "frame/counters.h"

namespace vantrel {

struct ProcesserState;

// The allocators: each sets a counter from the target. A failure ends the
// import (message titled "Orvik") and leaves the counter as it was.
void AllocateAccountCodes(ProcesserState& s);
void AllocateDepotCode(ProcesserState& s);
void AllocateGroupCode(ProcesserState& s);
void AllocateProductCode(ProcesserState& s);
void AllocateBatchId(ProcesserState& s);
// NextReceiptCode only, for an import that books a receipt and no journal voucher.
void AllocateReceiptCode(ProcesserState& s);
void AllocateReceiptAndVoucher(ProcesserState& s);

}  // namespace vantrel
