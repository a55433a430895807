#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "frame/dialect.h"
#include "frame/import_frame.h"
#include "platform/dao/connection.h"
#include "platform/variant/variant.h"
#include "sheet/statement_builder.h"

namespace vantrel {

struct ProcesserState;

// Pieces the batch and the opening stock imports share: the dates of a batch,
// the inventory row, and the opening stock receipt with its lines.

// A manufacturing or expiry date cell as the target stores it. Takes date
// cells and texts of the form 2024-03-15, 15/Mar/2024, 15-Mar-2024 or
// 15 Mar 2024; false for anything else, a day that does not exist included.
bool BatchDateText(const Variant& cell, const Dialect& dialect, std::string& text);

// Subtracts `os` from today's inventory row of the product and batch in depot 1.
std::string InventoryUpdateSql(const Dialect& dialect, double os, const std::string& product_code,
                               int16_t batch_id);
std::string InventoryInsertSql(const Dialect& dialect, const std::string& product_code,
                               int16_t batch_id, double os);

// The opening stock receipt of one import: its lines as the rows come, the
// receipt itself after the last row.
class OpeningStockReceipt {
 public:
  OpeningStockReceipt(ProcesserState& s, std::function<void()> remove_earlier);
  // Removes the earlier receipts this one replaces, at the first stock row.
  void RemoveEarlierOnce();
  void AddLine(const std::string& product_code, int16_t unit_id, double factor, int16_t batch_id,
               double qty, double rate);
  // Writes the receipt with the amount of its lines.
  void Finish();

 private:
  ProcesserState& s_;
  std::function<void()> remove_earlier_;
  bool removed_ = false;
  int16_t line_no_ = 1;
  double amount_ = 0;
};

// A stock worker's pass. With `whole` the pass is one transaction: an error
// undoes all of it (the rows' own transactions nest inside), the message
// ends with `undone_note`, the log gets a closing line with `undone_reason`,
// and the undone rows count as refused.
class StockPass {
 public:
  StockPass(ProcesserState& s, bool whole, const std::string& undone_note,
            const std::string& undone_reason);
  void Commit();

 private:
  WorkerStep step_;
  std::optional<TransactionScope> scope_;
  std::optional<OnFailure> undo_;
};

}  // namespace vantrel
