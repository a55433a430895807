#pragma once

#include <cstdint>
#include <string>

namespace vantrel {

// The process-wide code counters: each is set from MAX(code)+1 at the start of
// an import and advanced by one after each insert that uses it.
struct CodeCounters {
  int16_t next_head_code = 0;
  int16_t next_ledger_code = 0;
  int16_t next_group_code = 0;
  int16_t next_depot_code = 0;
  int16_t next_batch_id = 0;
  int32_t next_receipt_code = 0;
  int32_t journal_voucher_no = 0;
  std::string next_product_code;
};
CodeCounters& Counters();

}  // namespace vantrel
