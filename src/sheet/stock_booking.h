#pragma once

#include <cstdint>
#include <string>

#include "frame/module_state.h"
#include "frame/processer_state.h"
#include "platform/dao/connection.h"
#include "platform/variant/variant.h"
#include "sheet/statement_builder.h"

namespace vantrel {

// Pieces the batch and the opening stock imports share: the dates of a batch,
// the inventory row, the receipt lines and the receipt of the opening stock.

// A manufacturing or expiry date cell as the target stores it: the platform
// date text on the company file, yyyymmdd on the server. Takes date cells and
// texts of the form 2024-03-15, 15/Mar/2024, 15-Mar-2024 or 15 Mar 2024;
// false for anything else, a day that does not exist included.
bool BatchDateText(const Variant& cell, int32_t target_type, std::string& text);

// Today as the inventory rows and the receipt carry it.
std::string StockDateText(int32_t target_type);

// Subtracts `os` from today's inventory row of the product and batch in depot 1.
std::string InventoryUpdateSql(int32_t target_type, double os, const std::string& product_code,
                               int16_t batch_id);
std::string InventoryInsertSql(int32_t target_type, const std::string& product_code,
                               int16_t batch_id, double os);
std::string ReceiptLineSql(int32_t receipt_code, int16_t line_no, const std::string& product_code,
                           int16_t unit_id, double factor, int16_t batch_id, double qty,
                           double rate);
std::string ReceiptHeaderSql(int32_t target_type, int32_t receipt_code, double amount);

// A log line that does not end the row (the row's own line follows), so it is
// not counted in the summary.
void LogNote(ProcesserState& s, const std::string& name, const std::string& reason);

// Runs a stock worker's pass under the worker's handler. With `whole` the pass
// is one transaction: an error undoes all of it (the rows' own transactions
// nest inside), the message ends with `undone_note`, the log gets a closing
// line with `undone_reason`, and the undone rows count as refused.
template <class Pass>
void RunStockPass(ProcesserState& s, bool whole, const std::string& undone_note,
                  const std::string& undone_reason, Pass&& pass) {
  std::string note;
  RunWorker(
      s,
      [&] {
        if (!whole) {
          pass();
          return;
        }
        const long imported = s.rows_imported;
        try {
          TransactionScope scope(TargetConnection());
          pass();
          scope.Commit();
        } catch (...) {
          note = undone_note;
          s.rows_refused += s.rows_imported - imported;
          s.rows_imported = imported;
          try {
            s.log.WriteLine("", "failed", undone_reason);
          } catch (...) {
            // The message still says what happened.
          }
          throw;
        }
      },
      &note);
}

}  // namespace vantrel
