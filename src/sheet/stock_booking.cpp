#include "sheet/stock_booking.h"

#include <cmath>
#include <cstdlib>
#include <utility>

#include "frame/counters.h"
#include "frame/kind_counts.h"
#include "frame/module_state.h"
#include "frame/processer_state.h"
#include "platform/variant/convert.h"

namespace vantrel {
namespace {

constexpr const char* kMonths[] = {"jan", "feb", "mar", "apr", "may", "jun",
                                   "jul", "aug", "sep", "oct", "nov", "dec"};
constexpr const char* kMonthNames[] = {"january",   "february", "march",    "april",
                                       "may",       "june",     "july",     "august",
                                       "september", "october",  "november", "december"};

bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

bool DayExists(int y, int m, int d) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (y < 1 || y > 9999 || m < 1 || m > 12 || d < 1) return false;
  return d <= kDays[m - 1] + (m == 2 && IsLeap(y) ? 1 : 0);
}

// Digits only, as a number; false for an empty or non-digit text.
bool ReadDigits(const std::string& t, size_t max_len, int& out) {
  if (t.empty() || t.size() > max_len) return false;
  out = 0;
  for (char c : t) {
    if (c < '0' || c > '9') return false;
    out = out * 10 + (c - '0');
  }
  return true;
}

int MonthOfName(const std::string& word) {
  const std::string w = ToLower(word);
  for (int i = 0; i < 12; ++i)
    if (w == kMonths[i] || w == kMonthNames[i]) return i + 1;
  return 0;
}

// yyyy-mm-dd, optionally followed by a time of day that is dropped.
bool ReadIsoDate(const std::string& t, int& y, int& m, int& d) {
  DateValue parsed;
  if (!ParseDateText(t, parsed)) return false;
  return ReadDigits(t.substr(0, 4), 4, y) && ReadDigits(t.substr(5, 2), 2, m) &&
         ReadDigits(t.substr(8, 2), 2, d);
}

// d/MMM/yyyy, with '/', '-' or a blank between the parts.
bool ReadDayMonthYear(const std::string& t, int& y, int& m, int& d) {
  const size_t a = t.find_first_of("/- ");
  if (a == std::string::npos) return false;
  const size_t b = t.find_first_of("/- ", a + 1);
  if (b == std::string::npos || t[a] != t[b]) return false;
  m = MonthOfName(t.substr(a + 1, b - a - 1));
  return m != 0 && ReadDigits(t.substr(0, a), 2, d) && ReadDigits(t.substr(b + 1), 4, y) &&
         b + 1 + 4 == t.size();
}

}  // namespace

bool BatchDateText(const Variant& cell, const Dialect& dialect, std::string& text) {
  int y = 0, m = 0, d = 0;
  if (cell.type() == VarType::Date) {
    SplitDate(DateValue{std::floor(cell.as_date().serial)}, y, m, d);
  } else if (cell.type() == VarType::Text) {
    const std::string t = Trim(cell.as_text());
    if (!ReadIsoDate(t, y, m, d) && !ReadDayMonthYear(t, y, m, d)) return false;
  } else {
    return false;
  }
  if (!DayExists(y, m, d)) return false;
  text = dialect.StoredDate(MakeDate(y, m, d));
  return true;
}

std::string InventoryInsertSql(const ProcesserState& s, int16_t dcode,
                               const std::string& product_code, int16_t batch_id, double os) {
  return "insert into inventory(dcode,invdate,pcode,batchid,os)values(" + std::to_string(dcode) +
         ",'" + s.dialect().StoredDate(OpeningDate(s)) + "','" + product_code + "'," +
         std::to_string(batch_id) + "," + NumberText(os) + ")";
}

std::string ReceiptInsertSql(const ProcesserState& s, int32_t receipt_code, int16_t dcode,
                             double amount) {
  return "insert into transactionreceipts(rcptcode, vno, rcpttype, dcode, rcptdate, amt, "
         "chkdep)values(" +
         std::to_string(receipt_code) + ",1,'OS'," + std::to_string(dcode) + ",'" +
         s.dialect().StoredDate(OpeningDate(s)) + "'," + NumberText(amount) + ",1)";
}

ReceiptLines LinesOfReceipt(int32_t receipt_code) {
  const RowSet left = TargetConnection().Query(
      "select count(*), sum(qty*Rate) from receiptdetails where rcptcode=" +
      std::to_string(receipt_code));
  const Row& totals = left.rows.at(0);
  return {ToInt32(totals[0]), totals[1].is_null() ? 0 : ToDouble(totals[1])};
}

void SettleEarlierReceipts(const std::set<int32_t>& receipts) {
  Connection& target = TargetConnection();
  for (int32_t code : receipts) {
    const std::string receipt = std::to_string(code);
    const ReceiptLines left = LinesOfReceipt(code);
    if (left.count == 0)
      target.Execute("delete from transactionreceipts where rcptcode=" + receipt);
    else
      target.Execute("update transactionreceipts set amt=" + NumberText(left.amount) +
                     " where rcptcode=" + receipt);
  }
}

void OpeningStockReceipt::Book(const std::string& product_code, int16_t batch_id, int16_t unit_id,
                               double factor, double qty, double rate) {
  Connection& target = TargetConnection();
  const std::string where =
      " where dcode=1 and pcode='" + product_code + "' and batchid=" + std::to_string(batch_id);
  // Inventory is counted in the base unit.
  const double os = qty * factor;
  if (booked_.emplace(product_code, batch_id).second) {
    RemoveEarlier(product_code, batch_id);
    target.Execute("delete from inventory" + where);
    target.Execute(InventoryInsertSql(s_, 1, product_code, batch_id, os));
  } else {
    target.Execute("update inventory set os=os+" + NumberText(os) + where);
  }
  AddLine(product_code, unit_id, factor, batch_id, qty, rate);
}

void OpeningStockReceipt::RemoveEarlier(const std::string& product_code, int16_t batch_id) {
  // This import's own receipt is written last, so the list holds only earlier ones.
  if (!earlier_receipts_)
    earlier_receipts_ = s_.dialect().InList(
        "select rcptcode from transactionreceipts where rcpttype='OS' and dcode=1");
  const std::string lines = " from receiptdetails where PCode='" + product_code +
                            "' and batchid=" + std::to_string(batch_id) + " and rcptcode in (" +
                            *earlier_receipts_ + ")";
  Connection& target = TargetConnection();
  const RowSet receipts = target.Query("select distinct rcptcode" + lines);
  for (const Row& row : receipts.rows) earlier_touched_.insert(ToInt32(row[0]));
  if (!receipts.rows.empty()) target.Execute("delete" + lines);
}

void OpeningStockReceipt::AddLine(const std::string& product_code, int16_t unit_id, double factor,
                                  int16_t batch_id, double qty, double rate) {
  TargetConnection().Execute(
      "insert into receiptdetails(rcptcode, slno, PCode, unitid, cf, batchid, qty, "
      "Rate)values(" +
      std::to_string(Counters().next_receipt_code) + "," + std::to_string(line_no_) + ",'" +
      product_code + "'," + std::to_string(unit_id) + "," + NumberText(factor) + "," +
      std::to_string(batch_id) + "," + NumberText(qty) + "," + NumberText(rate) + ")");
  line_no_ = Increment16(line_no_);
  ++lines_;
  amount_ += qty * rate;
}

void OpeningStockReceipt::Finish() {
  if (lines_ > 0)
    TargetConnection().Execute(ReceiptInsertSql(s_, Counters().next_receipt_code, 1, amount_));
  SettleEarlierReceipts(earlier_touched_);
}

StockPass::StockPass(ProcesserState& s, bool whole, const std::string& undone_note,
                     const std::string& undone_reason)
    : step_(s, whole ? undone_note : "") {
  if (!whole) return;
  const long imported = s.rows_imported;
  undo_.emplace(s, [&s, imported, undone_reason] {
    s.rows_refused += s.rows_imported - imported;
    s.rows_imported = imported;
    s.log.WriteLine("", "failed", undone_reason);
  });
  scope_.emplace(TargetConnection());
}

void StockPass::Commit() {
  if (scope_) scope_->Commit();
}

}  // namespace vantrel
