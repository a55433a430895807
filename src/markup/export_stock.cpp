#include "markup/export_stock.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "dbhelpers/clean_sql_text.h"
#include "dbhelpers/lookups.h"
#include "frame/counters.h"
#include "frame/kind_counts.h"
#include "frame/module_state.h"
#include "frame/processer_state.h"
#include "markup/common_convertor.h"
#include "markup/export_figures.h"
#include "markup/staging.h"
#include "platform/common/name_key.h"
#include "platform/dao/connection.h"
#include "platform/variant/convert.h"
#include "sheet/allocators.h"
#include "sheet/product_import.h"
#include "sheet/statement_builder.h"
#include "sheet/stock_booking.h"

namespace vantrel {
namespace {

constexpr const char* kStock = "opening stock";
constexpr const char* kUnits = "units";
constexpr size_t kBatchNameChars = 20;

// Godowns every company has: their stock is the main location's.
bool IsMainLocation(const std::string& godown) {
  return godown.empty() || NamesEqual(godown, "Main Location") || NamesEqual(godown, "Default");
}

// A batch name as stored: cleaned and cut as the batch import cuts it; ""
// for the item's stock outside any batch.
std::string BatchName(const std::string& text) {
  std::string name = LeftChars(text, kBatchNameChars);
  CleanSqlText(name);
  name = Trim(name);
  return NamesEqual(name, "Primary Batch") ? std::string() : name;
}

// One share of an item's stock as the export gives it: the item's own
// figures, or one allocation.
struct Share {
  std::string godown;
  std::string batch;
  std::string quantity;
  std::string rate;
  std::string value;
};

}  // namespace

void ExportStock::Refuse(const std::string& name, const std::string& parent,
                         const StagedStock& stock, const std::string& why) {
  if (!stock.given) return;
  RecordSkipped(s_, "STOCKITEM", name, parent, {Reason::kRecordNotWritten, "", "", why}, kStock);
}

std::string ExportStock::BaseUnit(const StagedStock& stock) {
  return Trim(UnitNameOfCell(stock.base_unit));
}

std::string ExportStock::Units(const std::string& pcode, bool is_new, const std::string& name,
                               const std::string& parent, const StagedStock& stock) {
  const std::string unit = BaseUnit(stock);
  if (!is_new) {
    if (const std::optional<std::string> stored = BaseUnitOf(pcode)) {
      if (!unit.empty() && !NamesEqual(*stored, unit))
        RecordSkipped(s_, "STOCKITEM", name, parent,
                      {Reason::kOtherUnit, "BASEUNITS", stock.base_unit, unit, *stored}, kUnits);
      else if (!unit.empty())
        CountRecord(s_, kUnits, CountAs::kAlreadyThere);
      return *stored;
    }
  }
  if (unit.empty()) return unit;
  Connection& target = TargetConnection();
  target.Execute("insert into productunits(pcode,unitid,unit,cf) values('" + pcode + "',0,'" +
                 unit + "',1)");
  // A new item's insert already points its units at slot 0.
  if (!is_new)
    target.Execute("update product set purchaseunit=0,salesunit=0 where pcode='" + pcode + "'");
  CountRecord(s_, kUnits, CountAs::kWritten);
  return unit;
}

std::optional<Refusal> ExportStock::ReadLines(const StagedStock& stock,
                                              const std::string& base_unit,
                                              std::vector<Line>& lines) const {
  std::vector<Share> shares;
  if (stock.allocations.empty())
    shares.push_back({"", "", stock.quantity, stock.rate, stock.value});
  for (const StagedAllocation& a : stock.allocations)
    shares.push_back({a.godown, a.batch, a.quantity, a.rate, a.value});
  auto other_unit = [&](const std::string& unit) {
    return !unit.empty() && !NamesEqual(unit, base_unit);
  };
  for (const Share& share : shares) {
    Line line{1, BatchName(share.batch), 0, 0};
    std::string unit;
    if (!share.quantity.empty() && !ReadExportQuantity(share.quantity, line.quantity, unit))
      return Refusal{Reason::kUnreadableNumber, "OPENINGBALANCE", share.quantity, ""};
    if (other_unit(unit))
      return Refusal{Reason::kOtherUnit, "OPENINGBALANCE", share.quantity, unit, base_unit};
    double value = 0;
    if (!share.value.empty() && !ReadExportAmount(share.value, value))
      return Refusal{Reason::kUnreadableNumber, "OPENINGVALUE", share.value, ""};
    if (!share.rate.empty()) {
      if (!ReadExportRate(share.rate, line.rate, unit))
        return Refusal{Reason::kUnreadableNumber, "OPENINGRATE", share.rate, ""};
      if (other_unit(unit))
        return Refusal{Reason::kOtherUnit, "OPENINGRATE", share.rate, unit, base_unit};
    } else if (line.quantity != 0) {
      line.rate = std::fabs(value) / std::fabs(line.quantity);
    }
    if (!IsMainLocation(share.godown)) {
      const std::string key = NameKey(share.godown);
      auto found = depots_.find(key);
      if (found == depots_.end()) found = depots_.emplace(key, DepotCodeOf(share.godown)).first;
      const std::optional<int16_t> dcode = found->second;
      if (!dcode) return Refusal{Reason::kGodownNotFound, "GODOWNNAME", share.godown, share.godown};
      line.dcode = *dcode;
    }
    // A zero quantity books nothing.
    if (line.quantity != 0) lines.push_back(std::move(line));
  }
  return std::nullopt;
}

bool ExportStock::Unchanged(const std::string& pcode, const std::vector<Line>& lines) const {
  std::vector<std::string> wanted;
  std::map<std::string, double> inventory;
  for (const Line& line : lines) {
    std::optional<int16_t> batch_id = int16_t{0};
    if (!line.batch.empty()) batch_id = BatchIdOf(pcode, line.batch);
    if (!batch_id) return false;
    const std::string where = std::to_string(line.dcode) + "|" + std::to_string(*batch_id);
    wanted.push_back(where + "|" + NumberText(line.quantity) + "|" + NumberText(line.rate));
    inventory[where] += line.quantity;
  }
  Connection& target = TargetConnection();
  std::vector<std::string> stored;
  for (const Row& row :
       target
           .Query("select r.dcode, d.batchid, d.qty, d.cf, d.Rate from receiptdetails d, "
                  "transactionreceipts r where r.rcptcode=d.rcptcode and r.rcpttype='OS' and "
                  "d.PCode='" +
                  pcode + "'")
           .rows) {
    if (row[3].is_null() || ToDouble(row[3]) != 1) return false;
    stored.push_back(ToText(row[0]) + "|" + ToText(row[1]) + "|" + NumberText(ToDouble(row[2])) +
                     "|" + NumberText(ToDouble(row[4])));
  }
  std::sort(wanted.begin(), wanted.end());
  std::sort(stored.begin(), stored.end());
  if (wanted != stored) return false;
  std::map<std::string, double> held;
  for (const Row& row :
       target.Query("select dcode, batchid, os from inventory where pcode='" + pcode + "'").rows)
    held[ToText(row[0]) + "|" + ToText(row[1])] += row[2].is_null() ? 0 : ToDouble(row[2]);
  for (auto it = held.begin(); it != held.end();) it = it->second == 0 ? held.erase(it) : ++it;
  for (auto it = inventory.begin(); it != inventory.end();)
    it = it->second == 0 ? inventory.erase(it) : ++it;
  return held == inventory;
}

void ExportStock::RemoveStock(const std::string& pcode) {
  Connection& target = TargetConnection();
  target.Execute("delete from inventory where pcode='" + pcode + "'");
  // The opening stock receipts written before this import; this import's own
  // are written last.
  if (!earlier_receipts_)
    earlier_receipts_ =
        s_.dialect().InList("select rcptcode from transactionreceipts where rcpttype='OS'");
  const std::string lines = " from receiptdetails where PCode='" + pcode + "' and rcptcode in (" +
                            *earlier_receipts_ + ")";
  const RowSet receipts = target.Query("select distinct rcptcode" + lines);
  for (const Row& row : receipts.rows) earlier_touched_.insert(ToInt32(row[0]));
  if (!receipts.rows.empty()) target.Execute("delete" + lines);
}

int16_t ExportStock::BatchId(const std::string& pcode, bool is_new, const std::string& batch,
                             std::map<std::string, int16_t>& made) {
  if (batch.empty()) return 0;
  const std::string key = NameKey(batch);
  if (auto it = made.find(key); it != made.end()) return it->second;
  std::optional<int16_t> id = is_new ? std::nullopt : BatchIdOf(pcode, batch);
  if (!id) {
    id = Counters().next_batch_id;
    TargetConnection().Execute("insert into productbatch(batchid,pcode,batchname)values(" +
                               std::to_string(*id) + ",'" + pcode + "','" + batch + "')");
    Counters().next_batch_id = Increment16(Counters().next_batch_id);
  }
  made.emplace(key, *id);
  return *id;
}

void ExportStock::AddLine(int16_t dcode, const std::string& pcode, int16_t batch_id,
                          double quantity, double rate) {
  auto it = open_.find(dcode);
  if (it != open_.end() && it->second.lines == INT16_MAX) {
    full_.emplace_back(dcode, it->second);
    open_.erase(it);
    it = open_.end();
  }
  if (it == open_.end()) {
    it = open_.emplace(dcode, Receipt{Counters().next_receipt_code, 0}).first;
    ++Counters().next_receipt_code;
  }
  Receipt& receipt = it->second;
  ++receipt.lines;
  TargetConnection().Execute(
      "insert into receiptdetails(rcptcode, slno, PCode, unitid, cf, batchid, qty, "
      "Rate)values(" +
      std::to_string(receipt.code) + "," + std::to_string(receipt.lines) + ",'" + pcode + "',0,1," +
      std::to_string(batch_id) + "," + NumberText(quantity) + "," + NumberText(rate) + ")");
}

void ExportStock::Apply(const std::string& pcode, bool is_new, const std::string& name,
                        const std::string& parent, const StagedStock& stock) {
  const std::string base_unit = Units(pcode, is_new, name, parent, stock);
  if (!stock.given) return;
  std::vector<Line> lines;
  if (const std::optional<Refusal> refusal = ReadLines(stock, base_unit, lines)) {
    RecordSkipped(s_, "STOCKITEM", name, parent, *refusal, kStock);
    return;
  }
  if (!is_new && Unchanged(pcode, lines)) {
    CountRecord(s_, kStock, CountAs::kAlreadyThere);
    return;
  }
  if (!allocated_) {
    AllocateBatchId(s_);
    AllocateReceiptCode(s_);
    allocated_ = true;
  }
  if (!is_new) RemoveStock(pcode);
  std::map<std::string, int16_t> batches;
  std::map<std::pair<int16_t, int16_t>, double> inventory;  // by depot and batch
  for (const Line& line : lines) {
    const int16_t batch_id = BatchId(pcode, is_new, line.batch, batches);
    inventory[{line.dcode, batch_id}] += line.quantity;
    AddLine(line.dcode, pcode, batch_id, line.quantity, line.rate);
  }
  for (const auto& [where, quantity] : inventory)
    TargetConnection().Execute(InventoryInsertSql(s_, where.first, pcode, where.second, quantity));
  CountRecord(s_, kStock, CountAs::kWritten);
}

void ExportStock::Finish() {
  // The amounts are read from the lines that stand: an item whose own
  // transaction was rolled back left none.
  Connection& target = TargetConnection();
  auto write = [&](int16_t dcode, const Receipt& receipt) {
    const ReceiptLines left = LinesOfReceipt(receipt.code);
    if (left.count > 0) target.Execute(ReceiptInsertSql(s_, receipt.code, dcode, left.amount));
  };
  for (const auto& [dcode, receipt] : full_) write(dcode, receipt);
  for (const auto& [dcode, receipt] : open_) write(dcode, receipt);
  full_.clear();
  open_.clear();
  SettleEarlierReceipts(earlier_touched_);
  earlier_touched_.clear();
}

}  // namespace vantrel
