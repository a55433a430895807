#pragma once

#include <cstddef>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/variant/variant.h"

namespace vantrel {

// The master tables the lookups ask about, read whole into memory while the
// import holds its target whole (claimed, in the one transaction it opened),
// and kept current from the statements the import executes. A statement the
// tables cannot follow (anything but a plain single-row insert of literals,
// an update of a column they keep, a delete, a rollback) drops the table it
// touches, which is read again when next asked about.
enum class HeldKind { kHeads, kLedgers, kGroups, kProducts, kDepots, kBatches, kUnits };

class HeldTable {
 public:
  // The kept columns' values of row `row`, in the order the kind lists them:
  // heads headcode, headname; ledgers ledname, ledcode; groups gpcode, gpname; products
  // pcode, pname, gpcode; depots dname, dcode; batches batchid, pcode,
  // batchname; units pcode, unitid, unit, cf.
  const Variant& At(size_t row, size_t column) const { return rows_[row][column]; }
  size_t Size() const { return rows_.size(); }
  // The rows whose columns of key `key_no` hold the names, in the target's row
  // order (see First). Names compare by the name rule; a Null never matches.
  const std::vector<size_t>& Matches(size_t key_no, const std::vector<std::string>& names);

  // Internal: filled and kept by the tables' keeper.
  struct NameKeyDef {
    std::vector<size_t> columns;
    bool trimmed;  // the stored names are compared trimmed of blanks
  };
  HeldTable(std::vector<std::string> columns, std::vector<NameKeyDef> keys);
  const std::vector<std::string>& columns() const { return columns_; }
  void Append(std::vector<Variant> row);
  void Clear();
  bool loaded = false;
  // Every column of the table in its order, lower case, for inserts that name none.
  std::vector<std::string> all_columns;

 private:
  std::string KeyOf(size_t key_no, const std::vector<Variant>& row, bool& valid) const;
  void Index(size_t key_no, size_t row);

  std::vector<std::string> columns_;
  std::vector<NameKeyDef> keys_;
  std::vector<std::vector<Variant>> rows_;
  std::vector<std::unordered_map<std::string, std::vector<size_t>>> indexes_;
  std::vector<bool> indexed_;
};

// The table of that kind, read on first use; nullptr while the import does
// not hold its target whole: the lookups then ask the target.
HeldTable* Held(HeldKind kind);

// The first of the matching rows as the target's query finds it: the
// company file in the order the rows were written, the server in the order
// of the column `by` (a code; names by the name rule's order). nullptr for none.
const size_t* First(const HeldTable& table, const std::vector<size_t>& rows, size_t by);

// Of the rows, the first with the lowest (or highest) number in column `by`,
// as ORDER BY (or MAX) finds it; a Null counts for none. nullptr for none.
const size_t* LowestNumber(const HeldTable& t, const std::vector<size_t>& rows, size_t by,
                           bool highest = false);

}  // namespace vantrel
