#pragma once

#include <cstdint>
#include <string>

namespace vantrel {

struct ProcesserState;

// The journal line that carries a ledger's opening balance, in the import's
// 'JP' voucher at `serial`, dated the opening date: a balance of zero or more
// is a debit, a negative one a credit, the other amount column null.
std::string OpeningBalanceLine(const ProcesserState& s, double balance, int16_t serial,
                               const std::string& ledcode);

}  // namespace vantrel
