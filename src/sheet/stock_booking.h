#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <utility>

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

// The opening inventory row of a product and batch in a depot.
std::string InventoryInsertSql(const ProcesserState& s, int16_t dcode,
                               const std::string& product_code, int16_t batch_id, double os);

// The header row of an opening stock receipt of a depot, dated the opening date.
std::string ReceiptInsertSql(const ProcesserState& s, int32_t receipt_code, int16_t dcode,
                             double amount);

// How many lines a receipt has and their amount (quantity times rate).
struct ReceiptLines {
  long count = 0;
  double amount = 0;
};
ReceiptLines LinesOfReceipt(int32_t receipt_code);

// The receipts that opening stock was taken off: a receipt left without
// lines goes, the others take the amount of the lines they keep.
void SettleEarlierReceipts(const std::set<int32_t>& receipts);

// The opening stock one import books. The first row of a product and batch
// replaces their opening stock: their depot-1 inventory and their lines on
// earlier opening stock receipts go. Each row then adds its quantity times
// its unit's factor to the inventory and a line to this import's receipt,
// which is written after the last row. Products and batches the import does
// not name keep their stock and their lines.
class OpeningStockReceipt {
 public:
  explicit OpeningStockReceipt(ProcesserState& s) : s_(s) {}
  void Book(const std::string& product_code, int16_t batch_id, int16_t unit_id, double factor,
            double qty, double rate);
  // Writes the receipt when it has lines; an earlier receipt left without
  // lines goes, the others take the amount of the lines they keep.
  void Finish();

 private:
  void RemoveEarlier(const std::string& product_code, int16_t batch_id);
  void AddLine(const std::string& product_code, int16_t unit_id, double factor, int16_t batch_id,
               double qty, double rate);

  ProcesserState& s_;
  std::set<std::pair<std::string, int16_t>> booked_;
  std::set<int32_t> earlier_touched_;
  std::optional<std::string> earlier_receipts_;  // the in-list of the earlier receipts
  int16_t line_no_ = 1;
  long lines_ = 0;
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
