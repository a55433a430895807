#include "markup/export_balances.h"

#include <cmath>
#include <vector>

#include "frame/counters.h"
#include "frame/kind_counts.h"
#include "frame/module_state.h"
#include "frame/processer_state.h"
#include "frame/refusal.h"
#include "markup/common_convertor.h"
#include "markup/export_figures.h"
#include "platform/common/error.h"
#include "platform/dao/connection.h"
#include "platform/variant/convert.h"
#include "sheet/opening_balance.h"

namespace vantrel {
namespace {

constexpr const char* kCounted = "opening balances";

// An opening balance line a ledger has: where it stands and its amounts.
struct StoredLine {
  std::string vno;
  std::string slno;
  std::string debit;  // as the statements write amounts; "" for null
  std::string credit;
};

std::string AmountText(const Variant& v) { return v.is_null() ? "" : NumberText(ToDouble(v)); }

std::vector<StoredLine> LinesOf(const std::string& ledcode) {
  const RowSet r = TargetConnection().Query(
      "select vno, slno, dbamt, cramt from generalledger where vtype='JP' and ledcode='" + ledcode +
      "' and particulars='[Opening Balance]' order by vno, slno");
  std::vector<StoredLine> lines;
  for (const Row& row : r.rows)
    lines.push_back({ToText(row[0]), ToText(row[1]), AmountText(row[2]), AmountText(row[3])});
  return lines;
}

std::string Where(const StoredLine& line, const std::string& ledcode) {
  return " where vtype='JP' and vno=" + line.vno + " and slno=" + line.slno + " and ledcode='" +
         ledcode + "'";
}

}  // namespace

void ExportBalances::Skip(const std::string& name, const std::string& parent,
                          const std::string& text, const Refusal& refusal) {
  Refusal r = refusal;
  r.column = "OPENINGBALANCE";
  r.value = text;
  RecordSkipped(s_, "LEDGER", name, parent, r, kCounted);
}

void ExportBalances::Refuse(const std::string& name, const std::string& parent,
                            const std::optional<std::string>& text, const std::string& why) {
  double amount = 0;
  if (!text || (ReadExportAmount(*text, amount) && amount == 0) || Trim(*text).empty()) return;
  Skip(name, parent, *text, {Reason::kRecordNotWritten, "", "", why});
}

void ExportBalances::Apply(const std::string& ledcode, bool is_new, const std::string& name,
                           const std::string& parent, const std::optional<std::string>& text) {
  if (!text) return;
  if (ledcode.empty()) {
    Refuse(name, parent, text, ReasonText({Reason::kHeadNotLedger, "", "", ""}));
    return;
  }
  double amount = 0;
  if (!Trim(*text).empty() && !ReadExportAmount(*text, amount)) {
    Skip(name, parent, *text, {Reason::kUnreadableNumber, "", "", ""});
    return;
  }
  // The export's negative amounts are debits; a line's balance is a debit when positive.
  const double balance = -amount;
  Connection& target = TargetConnection();
  const std::vector<StoredLine> lines = is_new ? std::vector<StoredLine>() : LinesOf(ledcode);
  if (lines.empty()) {
    if (balance == 0) return;
    if (spent_)
      throw Error("The next opening balance line would be number 32768 of journal voucher " +
                  std::to_string(Counters().journal_voucher_no) +
                  ", past the last one it can hold (32767): the records after it were not "
                  "written.");
    target.Execute(OpeningBalanceLine(s_, balance, serial_, ledcode));
    if (serial_ == INT16_MAX)
      spent_ = true;
    else
      ++serial_;
    CountRecord(s_, kCounted, CountAs::kWritten);
    return;
  }
  // The first line stays where it is; any others are extra copies.
  for (size_t i = 1; i < lines.size(); ++i)
    target.Execute("delete from generalledger" + Where(lines[i], ledcode));
  const StoredLine& line = lines.front();
  if (balance == 0) {
    target.Execute("delete from generalledger" + Where(line, ledcode));
    CountRecord(s_, kCounted, CountAs::kWritten);
    return;
  }
  const std::string stored = NumberText(std::fabs(balance));
  const bool same = balance > 0
                        ? line.debit == stored && (line.credit.empty() || line.credit == "0")
                        : line.credit == stored && (line.debit.empty() || line.debit == "0");
  if (same && lines.size() == 1) {
    CountRecord(s_, kCounted, CountAs::kAlreadyThere);
    return;
  }
  const std::string amounts =
      balance > 0 ? "dbamt=" + stored + ",cramt=null" : "cramt=" + stored + ",dbamt=null";
  target.Execute("update generalledger set vdate='" + s_.dialect().StoredDate(OpeningDate(s_)) +
                 "'," + amounts + Where(line, ledcode));
  CountRecord(s_, kCounted, CountAs::kWritten);
}

}  // namespace vantrel
