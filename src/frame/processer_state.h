#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "frame/dialect.h"
#include "frame/import_frame.h"
#include "frame/import_log.h"
#include "frame/refusal.h"
#include "vantrel/DependProcesser.h"

namespace vantrel {

class Connection;
class Recordset;

// Everything one DependProcesser object owns: its configuration, its error
// flag, its workbook connection and rows, its log, and what the frame keeps
// of the import under way.
struct ProcesserState {
  std::string target_database;
  std::string source_file;
  MapTable map_info;
  int32_t target_type = typeSingleUser;
  int32_t source_type = 0;
  std::string server;
  int32_t transaction_mode = transPerStatement;
  // The worksheet row holding the header (1 = the first row).
  int32_t header_row = 1;

  bool error_flag = false;
  // The last import ran in one transaction that was then rolled back.
  bool rolled_back = false;

  std::shared_ptr<Connection> workbook_conn;
  std::shared_ptr<Recordset> sheet_rows;
  std::string sheet_name;
  ImportLog log;

  // The dialect of the target type.
  const Dialect& dialect() const { return DialectOf(target_type); }
  // How the running step reports an error, and what must be done if it does.
  Voice voice;
  std::vector<std::function<void()>> failure_work;
  // The import's kind as the rejects name it ("accounts", "batches", ...).
  std::string import_kind;

  // The name of the worksheet row a worker stands on, and the code the last parent lookup found.
  std::string row_name;
  int16_t found_code = 0;

  // Worksheet row a worker stands on, numbered as the sheet numbers it (the
  // header is row header_row), for error messages and rejects; 0 outside a worker.
  long sheet_row = 0;
  // The walk over the worksheet under way as progress reports name it, and
  // the last row they were given.
  std::string sheet_pass;
  long sheet_pass_reported = 0;

  // Rows a worker wrote and refused in the last workbook import, for the host's summary.
  long rows_imported = 0;
  long rows_refused = 0;
  // Records the last markup import skipped (rows_refused counts them there).
  std::vector<RejectedRecord> rejects;
  // What the last import or migration did per kind of record, in the order met.
  std::vector<KindCount> counts;
  // The rejects and counts as the workbook import under way found them: a
  // pass whose counts give way to a later pass's goes back to them.
  size_t rejects_before_import = 0;
  std::vector<KindCount> counts_before_import;
  // Of the last migration: the opening trial balance and stock.
  OpeningTotals opening;
  // The opening date of balances, stock and receipts; unset: today.
  std::optional<DateValue> as_of;

  // What the last product pass did with each worksheet row (by row number):
  // the product's code, or why it was refused. The opening stock import's
  // stock pass books only the rows whose product was written.
  struct ProductRow {
    std::string code;
    std::string name;
    std::optional<Refusal> refusal;
  };
  std::map<long, ProductRow> product_rows;
};

}  // namespace vantrel
