#include "sheet/allocators.h"

#include "frame/import_frame.h"
#include "frame/module_state.h"
#include "frame/processer_state.h"
#include "platform/common/error.h"
#include "platform/dao/connection.h"
#include "platform/dao/recordset.h"
#include "platform/variant/convert.h"

namespace vantrel {
namespace {

// The allocators report a failure with the title "Orvik".
struct Allocating : StepVoice {
  explicit Allocating(ProcesserState& s) : StepVoice(s, {"Orvik"}) {}
};

// MAX(code)+1 of an empty table is Null: the first code is then 1. A code past
// the 16-bit range stops the import before its first row: a wrapped or zero
// code would collide with an existing record.
int16_t NextCode16(const Variant& v, const char* what) {
  if (v.is_null()) return 1;
  const double next = ToDouble(v);
  if (next > 32767)
    throw Error("The next " + std::string(what) + " would be " + NumberText(next) +
                ", past the last one the company database can hold (32767): nothing was "
                "imported.");
  return ToInt16(v);
}

// NextReceiptCode from the highest receipt code in use; 1 for the first receipt.
void ReadNextReceiptCode() {
  ReplaceLookup();
  Recordset& rs = LookupQuery("SELECT MAX(RCPTCODE)+1 AS RCPTCODE FROM TRANSACTIONRECEIPTS");
  const Variant& rc = rs.Value("rcptcode");
  Counters().next_receipt_code = rc.is_null() ? 1 : ToInt32(rc);
}

}  // namespace

void AllocateAccountCodes(ProcesserState& s) {
  Allocating step(s);
  Recordset& rs = LookupQuery("SELECT MAX(HEADCODE)+1 AS HEADCODE FROM ACCOUNTHEAD");
  Counters().next_head_code = NextCode16(rs.Value("headcode"), "head code");
  ReplaceLookup();
  Recordset& led = LookupRecordset();
  led.Open(s.dialect().NextLedgerCodeQuery(), TargetConnection());
  Counters().next_ledger_code = NextCode16(led.Value("Ledcode"), "ledger code");
  CloseLookupIfOpen();
}

void AllocateDepotCode(ProcesserState& s) {
  Allocating step(s);
  Recordset& rs = LookupQuery("SELECT MAX(DCODE)+1 AS DCODE FROM DEPOT");
  Counters().next_depot_code = NextCode16(rs.Value("Dcode"), "depot code");
  CloseLookupIfOpen();
}

void AllocateGroupCode(ProcesserState& s) {
  Allocating step(s);
  Recordset& rs = LookupQuery("SELECT MAX(GPCODE)+1 AS GPCODE FROM PRODUCTGROUP");
  Counters().next_group_code = NextCode16(rs.Value("gpcode"), "product group code");
  CloseLookupIfOpen();
}

void AllocateProductCode(ProcesserState& s) {
  Allocating step(s);
  ReplaceLookup();
  // Codes are text; both targets take the numeric maximum so that '10' beats '9'.
  Recordset& rs = LookupRecordset();
  rs.Open(s.dialect().NextProductCodeQuery(), TargetConnection());
  const Variant& v = rs.Value("PCode");
  Counters().next_product_code = v.is_null() ? "1" : ToText(v);
  CloseLookupIfOpen();
}

void AllocateBatchId(ProcesserState& s) {
  Allocating step(s);
  ReplaceLookup();
  Recordset& rs = LookupQuery("SELECT MAX(BATCHID)+1 AS BATCHID FROM PRODUCTBATCH");
  Counters().next_batch_id = NextCode16(rs.Value("batchid"), "batch id");
  CloseLookupIfOpen();
}

void AllocateReceiptCode(ProcesserState& s) {
  Allocating step(s);
  ReadNextReceiptCode();
  CloseLookupIfOpen();
}

void AllocateReceiptAndVoucher(ProcesserState& s) {
  Allocating step(s);
  ReadNextReceiptCode();
  ReplaceLookup();
  Counters().journal_voucher_no = s.dialect().ReadNextJournalVoucher();
  CloseLookupIfOpen();
  TargetConnection().Execute("update paramlist set paramvalue='" +
                             std::to_string(Counters().journal_voucher_no) +
                             "' WHERE PARAMNAME='JP' and PARAMTYPE=3");
}

}  // namespace vantrel
