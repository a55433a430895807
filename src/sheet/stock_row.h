#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "frame/refusal.h"
#include "platform/dao/recordset.h"
#include "sheet/statement_builder.h"

namespace vantrel {

struct ProcesserState;

// What the batch and the opening stock imports read differently from a row.
struct StockRowRules {
  // Product fields that never become batch columns.
  const std::set<std::string>* not_batch_columns;
  // Batch import: an empty date cell adds no column. Opening stock: an empty
  // date is no date.
  bool batch_dates;
  // Batch import: a "pname" cell names the product by its name.
  bool product_by_name;
  // The factor of a row without a "cf" cell.
  double default_factor;
};

// A column of the row's batch as the statement carries it.
struct BatchColumn {
  std::string field;
  std::string key;    // the field in lower case
  std::string value;  // the value text; the product code's is set when the batch is written
};

// One worksheet row of a stock import as read.
struct StockRow {
  std::vector<BatchColumn> batch_columns;
  // Which of the batch columns carries the product code; npos when none does.
  size_t code_column = std::string::npos;
  std::string code_kind;  // the value kind of productbatch's pcode
  std::string product_code;
  std::string product_key;  // "pcode" or "pname": the entry that named the product
  std::string product_column;
  std::string product_cell;
  bool batch_mapped = false;
  std::string batch_name;  // cleaned and cut, as the batch is stored and found
  std::string batch_column;
  bool unit_mapped = false;
  std::string unit_name;
  std::string unit_column;
  bool factor_mapped = false;
  double factor = 0;
  std::string factor_column;
  std::string factor_cell;
  bool stock_mapped = false;
  double opening_qty = 0;
  double purchase_rate = 0;
  // Set when a date cell holds no date.
  std::optional<Refusal> bad_date;
  // Set when a cell mapped to a number holds none.
  std::optional<Refusal> unreadable;
};

// Reads the rows of a stock import: the mapping is classified once, then
// each row is read in entry order into a StockRow.
class StockRowReader {
 public:
  StockRowReader(ProcesserState& s, const StockRowRules& rules);
  StockRow Read(const Recordset& rows) const;

 private:
  ProcesserState& s_;
  StockRowRules rules_;
  Recordset table_;  // productbatch, for the field types
  std::vector<MappedColumn> columns_;
};

// The batches one stock import writes. A batch of the product and name that
// exists keeps its id and takes the row's values of the mapped fields; the
// rows of one worksheet for one batch make one batch, with the first row's
// fields. A new batch takes NextBatchId, which moves on with Commit.
class ImportBatches {
 public:
  explicit ImportBatches(ProcesserState& s) : s_(s) {}
  // Writes the row's batch of the product as needed and returns its id.
  int16_t Write(const StockRow& r, const std::string& product_code);
  // The row is committed: a new batch has used up its id.
  void Commit();

 private:
  ProcesserState& s_;
  std::set<int16_t> written_;
  bool used_next_id_ = false;
};

}  // namespace vantrel
