#pragma once

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
  // Batch import: an empty date cell adds no column, and a date that is no
  // date ends the reading of the row. Opening stock: an empty date is no
  // date, and the row is still read for its stock.
  bool batch_dates;
  // Batch import: a "pname" cell names the product by its name.
  bool product_by_name;
  // The factor of a row without a "cf" cell.
  double default_factor;
};

// One worksheet row of a stock import as read.
struct StockRow {
  StatementBuilder batch{"", ""};  // the productbatch insert
  std::string product_code;
  std::string product_key;  // "pcode" or "pname": the entry that named the product
  std::string product_column;
  std::string product_cell;
  bool batch_mapped = false;
  bool unit_mapped = false;
  std::string unit_name;
  std::string unit_column;
  double factor = 0;
  bool stock_mapped = false;
  double opening_qty = 0;
  double purchase_rate = 0;
  // Set when a date cell holds no date.
  std::optional<Refusal> bad_date;
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

}  // namespace vantrel
