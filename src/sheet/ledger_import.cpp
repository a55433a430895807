#include <cmath>
#include <cstddef>
#include <cstdint>

#include "dbhelpers/lookups.h"
#include "frame/counters.h"
#include "frame/module_state.h"
#include "frame/processer_state.h"
#include "platform/dao/connection.h"
#include "platform/dao/recordset.h"
#include "platform/variant/convert.h"
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

// Closes the lists when the closing entry was a balance keyword and added
// nothing: the column list then ends in "," before "values(", and the value
// list ends in ",". Only these two places are touched, so a value that holds
// ",values" keeps its text.
std::string ClosedStatement(const ProcesserState& s) {
  std::string columns = s.column_text;
  std::string values = s.value_text;
  if (!columns.empty() && columns.back() == ',') columns.back() = ')';
  if (!values.empty() && values.back() == ',') values.back() = ')';
  return columns + values;
}

// The journal line that carries a new ledger's opening balance: a debit for a
// balance of zero or more, a credit for a negative one.
std::string OpeningBalanceLine(const ProcesserState& s, double balance, int16_t serial) {
  const DateValue today = Today();
  const std::string date =
      s.target_type == typeMultiUser ? FormatDate(today, "yyyymmdd") : DateText(today);
  const std::string columns = balance < 0 ? "cramt,dbamt" : "dbamt,cramt";
  return "insert into generalledger(vdate,vtype,vno,slno,ledcode,particulars," + columns +
         ")values('" + date + "','JP'," + std::to_string(Counters().journal_voucher_no) + "," +
         std::to_string(serial) + ",'" + std::to_string(Counters().next_ledger_code) +
         "','[Opening Balance]'," + NumberText(std::fabs(balance)) + ",null)";
}

}  // namespace

// Ledgers from worksheet rows: one ledger per row under the account head named
// in its "headcode" cell, each with its opening balance as one line of the
// import's journal voucher. A ledger and its line are written together or not
// at all; duplicates are refused by name.
void ImportLedgerRows(ProcesserState& s) {
  RunWorker(s, [&] {
    Recordset table;
    table.Open("Select * from accountledger", TargetConnection(), 1, 1);
    const MapTable& map = s.map_info;
    const size_t closing = ClosingEntry(map);
    Recordset& rows = *s.sheet_rows;
    int16_t serial = 1;
    s.sheet_row = 1;
    while (!rows.Eof()) {
      ++s.sheet_row;
      s.column_text = "insert into accountledger([ledcode],";
      s.value_text = "values(" + std::to_string(Counters().next_ledger_code) + ",";
      TakeRowName(s, rows, "ledname", 50);
      double balance = 0;
      for (size_t i = 1; i <= closing; ++i) {
        const MapEntry& entry = map[i];
        const std::string key = ToLower(entry.field);
        const bool last = i == closing;
        std::string value = CellText(rows, entry.column);
        if (key == "openingbalance") {
          const std::string trimmed = Trim(value);
          const std::string suffix =
              ToLower(trimmed.size() >= 2 ? trimmed.substr(trimmed.size() - 2) : trimmed);
          if (suffix != "db" && suffix != "cr") {
            LogRow(s, "failed", "confsing openingbalance entry");
            s.column_text.clear();
            s.value_text.clear();
            break;
          }
          balance += suffix == "db" ? LeadingNumber(value) : -LeadingNumber(value);
        } else if (key == "openingbalancedb") {
          balance += LeadingNumber(value);
        } else if (key == "openingbalancecr") {
          balance -= LeadingNumber(value);
        } else if (key == "headcode") {
          // An empty cell names no head: it ends the import here.
          std::string head = ToText(rows.Value(entry.column));
          if (!FindParentCode(s, "accountledger", head)) {
            LogRow(s, "failed", "header not exists");
            s.column_text.clear();
            s.value_text.clear();
            break;
          }
          AppendParentColumn(s, "headcode", last);
        } else {
          if (const size_t n = CutLength(key)) {
            value = LeftChars(value, n);
            if (key == "ledname") s.row_name = value;
          } else if (key == "flag") {
            value = ToBool(Variant(value)) ? "1" : "0";
          }
          AppendColumn(s, entry.field, ValueByKind(GetValueKind(table.Type(entry.field)), value),
                       last);
        }
      }
      if (!Trim(s.column_text).empty()) {
        std::string sql = ClosedStatement(s);
        if (s.target_type == typeMultiUser) sql = WithoutBrackets(sql);
        if (LedgerExists(s.row_name)) {
          LogRow(s, "failed", "ledger already exists");
        } else {
          TransactionScope row(TargetConnection());
          TargetConnection().Execute(sql);
          TargetConnection().Execute(OpeningBalanceLine(s, balance, serial));
          LogRow(s, "success", "--------------");
          row.Commit();
          // Advanced after the commit, so a row written just before an overflow
          // stays written and logged.
          Counters().next_ledger_code = Increment16(Counters().next_ledger_code);
          serial = Increment16(serial);
        }
      }
      rows.MoveNext();
    }
  });
}

}  // namespace vantrel
