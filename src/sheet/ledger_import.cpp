#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "dbhelpers/lookups.h"
#include "frame/counters.h"
#include "frame/module_state.h"
#include "frame/processer_state.h"
#include "frame/refusal.h"
#include "platform/dao/connection.h"
#include "platform/dao/recordset.h"
#include "platform/variant/convert.h"
#include "sheet/opening_balance.h"
#include "sheet/parent_lookup.h"
#include "sheet/statement_builder.h"
#include "sheet/workers.h"

namespace vantrel {
namespace {

// Keywords whose cell is cut to the width of its column.
struct CutKeyword {
  const char* key;
  size_t length;
};
constexpr CutKeyword kCutKeywords[] = {
    {"ledname", 50}, {"address", 60}, {"city", 25},  {"pincode", 7},
    {"cperson", 25}, {"phone", 30},   {"faxno", 15}, {"cellphone", 15},
    {"email", 50},   {"gstno", 25},   {"cstno", 25},
};

// The width a keyword cuts its cell to; 0 for every other name.
size_t CutLength(const std::string& key) {
  for (const CutKeyword& k : kCutKeywords)
    if (key == k.key) return k.length;
  return 0;
}

}  // namespace

// Ledgers from worksheet rows: one ledger per row under the account head named
// in its "headcode" cell, each with its opening balance as one line of the
// import's journal voucher. A ledger and its line are written together or not
// at all; duplicates are refused by name.
void ImportLedgerRows(ProcesserState& s) {
  WorkerStep step(s);
  Recordset table;
  table.Open("Select * from accountledger", TargetConnection(), 1, 1);
  const std::vector<MappedColumn> columns = MappedColumns(s.map_info);
  Recordset& rows = *s.sheet_rows;
  int16_t serial = 1;
  ForEachSheetRow(s, rows, [&] {
    StatementBuilder sql("insert into accountledger([ledcode],",
                         "values(" + std::to_string(Counters().next_ledger_code) + ",");
    s.row_name.clear();
    if (!TakeRowName(s, rows, "ledname", 50) || Trim(s.row_name).empty()) {
      RefuseRow(s, {Reason::kNameEmpty, ColumnOfKeyword(s.map_info, "ledname"), s.row_name, ""});
      return;
    }
    double balance = 0;
    for (const MappedColumn& c : columns) {
      const std::string& key = c.key;
      const std::string& column = c.entry->column;
      std::string value = CellText(rows, column);
      double amount = 0;
      if (key == "openingbalance") {
        const std::string trimmed = Trim(value);
        const std::string suffix =
            ToLower(trimmed.size() >= 2 ? trimmed.substr(trimmed.size() - 2) : trimmed);
        if (suffix != "db" && suffix != "cr") {
          RefuseRow(s, {Reason::kConfusingBalance, column, value, ""});
          return;
        }
        if (!ReadNumber(trimmed.substr(0, trimmed.size() - 2), amount)) {
          RefuseRow(s, {Reason::kUnreadableNumber, column, value, ""});
          return;
        }
        balance += suffix == "db" ? amount : -amount;
      } else if (key == "openingbalancedb" || key == "openingbalancecr") {
        if (!ReadNumberCell(value, amount)) {
          RefuseRow(s, {Reason::kUnreadableNumber, column, value, ""});
          return;
        }
        balance += key == "openingbalancedb" ? amount : -amount;
      } else if (key == "headcode") {
        std::string head = value;
        if (Trim(head).empty() || !FindParentCode(s, "accountledger", head)) {
          RefuseRow(s, {Reason::kHeaderNotExists, column, value, ""});
          return;
        }
        sql.Append("headcode", std::to_string(s.found_code));
      } else if (key == "flag") {
        bool flag = false;
        if (!ReadFlag(value, flag)) {
          RefuseRow(s, {Reason::kUnreadableFlag, column, value, ""});
          return;
        }
        sql.AppendCell(c.entry->field, ShapeOf(table, c.entry->field), flag ? "1" : "0", column);
      } else {
        if (const size_t n = CutLength(key)) {
          value = LeftChars(value, n);
          if (key == "ledname") s.row_name = value;
        }
        sql.AppendCell(c.entry->field, ShapeOf(table, c.entry->field), value, column);
      }
    }
    if (sql.refusal) {
      RefuseRow(s, *sql.refusal);
      return;
    }
    if (LedgerExists(s.row_name)) {
      RefuseRow(s, {Reason::kLedgerExists, ColumnOfKeyword(s.map_info, "ledname"), s.row_name, ""});
      return;
    }
    TransactionScope row(TargetConnection());
    TargetConnection().Execute(sql.Text(s.dialect()));
    TargetConnection().Execute(
        OpeningBalanceLine(s, balance, serial, std::to_string(Counters().next_ledger_code)));
    AcceptRow(s);
    row.Commit();
    // Advanced after the commit, so a row written just before an overflow
    // stays written and logged.
    Counters().next_ledger_code = Increment16(Counters().next_ledger_code);
    serial = Increment16(serial);
  });
}

}  // namespace vantrel
