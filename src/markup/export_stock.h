#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "frame/refusal.h"

namespace vantrel {

struct ProcesserState;
struct StagedStock;

// The units and opening stock an export gives its stock items.
// - Units: the item's base unit (BASEUNITS) becomes its unit in slot 0 with
//   factor 1, and its sales and purchase units point at it (a new item's
//   insert names them); an item that has a base unit keeps it.
// - Stock: the item's allocations (else its own figures) in base units, each
//   under its godown's depot (the main location when none is named) and
//   batch ("Primary Batch" or none is batch 0). An item's stock lands whole
//   or not at all, and replaces the opening stock the item had in every
//   depot. Each depot's lines go on one opening stock receipt of that depot
//   (a new receipt every 32,767 lines). Stock the item already has, line for
//   line, stays where it is.
class ExportStock {
 public:
  explicit ExportStock(ProcesserState& s) : s_(s) {}
  // The item's base unit as stored: cleaned and cut to the unit column; "" for none.
  static std::string BaseUnit(const StagedStock& stock);
  // `is_new` when this import has just written the item under `pcode`.
  void Apply(const std::string& pcode, bool is_new, const std::string& name,
             const std::string& parent, const StagedStock& stock);
  // The item was not written: the stock it carries is refused with it.
  void Refuse(const std::string& name, const std::string& parent, const StagedStock& stock,
              const std::string& why);
  // Writes the receipts of the lines that stand and settles the earlier ones
  // stock was taken off. Also run when an import ends on an error, so the
  // items it wrote keep their receipts.
  void Finish();

 private:
  struct Line {
    int16_t dcode;
    std::string batch;
    double quantity;
    double rate;
  };
  struct Receipt {
    int32_t code = 0;
    int16_t lines = 0;
  };
  std::string Units(const std::string& pcode, bool is_new, const std::string& name,
                    const std::string& parent, const StagedStock& stock);
  std::optional<Refusal> ReadLines(const StagedStock& stock, const std::string& base_unit,
                                   std::vector<Line>& lines) const;
  bool Unchanged(const std::string& pcode, const std::vector<Line>& lines) const;
  void RemoveStock(const std::string& pcode);
  int16_t BatchId(const std::string& pcode, bool is_new, const std::string& batch,
                  std::map<std::string, int16_t>& made);
  void AddLine(int16_t dcode, const std::string& pcode, int16_t batch_id, double quantity,
               double rate);

  ProcesserState& s_;
  bool allocated_ = false;
  std::map<int16_t, Receipt> open_;                // by depot
  std::vector<std::pair<int16_t, Receipt>> full_;  // receipts whose line numbers ran out
  std::optional<std::string> earlier_receipts_;    // in-list of the receipts before this import
  std::set<int32_t> earlier_touched_;
  // Depot codes by name key, found once: the products' step adds no depots.
  mutable std::map<std::string, std::optional<int16_t>> depots_;
};

}  // namespace vantrel
