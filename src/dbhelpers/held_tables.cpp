#include "dbhelpers/held_tables.h"

#include <array>
#include <cstdlib>
#include <memory>
#include <utility>

#include "frame/module_state.h"
#include "platform/common/name_key.h"
#include "platform/dao/connection.h"
#include "platform/dao/insert_text.h"
#include "platform/variant/convert.h"

namespace vantrel {
namespace {

constexpr size_t kKinds = 7;

struct KindDef {
  const char* table;
  std::vector<std::string> columns;
  std::vector<HeldTable::NameKeyDef> keys;
};

// Kept columns and name keys of each kind; the lookups use the key numbers.
const std::array<KindDef, kKinds>& Kinds() {
  static const std::array<KindDef, kKinds> kinds{{
      {"accounthead", {"headcode", "headname"}, {{{1}, false}, {{1}, true}}},
      {"accountledger", {"ledname", "ledcode"}, {{{0}, false}}},
      {"productgroup", {"gpcode", "gpname"}, {{{1}, false}, {{1}, true}}},
      {"product", {"pcode", "pname", "gpcode"}, {{{1}, false}, {{0}, false}}},
      {"depot", {"dname", "dcode"}, {{{0}, false}}},
      {"productbatch", {"batchid", "pcode", "batchname"}, {{{1, 2}, false}}},
      {"productunits", {"pcode", "unitid", "unit", "cf"}, {{{0, 2}, false}, {{0}, false}}},
  }};
  return kinds;
}

enum class ColumnType { kInteger, kText, kReal };

// Codes are integers, cf a real, the rest text.
ColumnType TypeOf(const std::string& column) {
  if (column == "cf") return ColumnType::kReal;
  if (column == "headcode" || column == "gpcode" || column == "batchid" || column == "unitid" ||
      column == "dcode")
    return ColumnType::kInteger;
  return ColumnType::kText;
}

bool IsInteger(const std::string& t) {
  size_t k = !t.empty() && t[0] == '-' ? 1 : 0;
  if (k == t.size() || t.size() - k > 18) return false;
  for (; k < t.size(); ++k)
    if (t[k] < '0' || t[k] > '9') return false;
  return true;
}

// The value a literal stores in a kept column, alike on both targets; false
// where the targets could store different values or the tables cannot tell.
bool StoredValue(const InsertValue& v, ColumnType type, Variant& out) {
  if (v.kind == InsertValue::kNull) {
    out = Variant::Null();
    return true;
  }
  if (v.backslash || v.kind == InsertValue::kOther) return false;
  switch (type) {
    case ColumnType::kInteger:
      if (!IsInteger(v.text)) return false;
      out = Variant::FromInteger(std::strtoll(v.text.c_str(), nullptr, 10));
      return true;
    case ColumnType::kText:
      if (v.kind == InsertValue::kNumber && !IsInteger(v.text)) return false;
      out = Variant(v.text);
      return true;
    case ColumnType::kReal:
      if (v.kind != InsertValue::kNumber) return false;
      out = Variant(std::strtod(v.text.c_str(), nullptr));
      return true;
  }
  return false;
}

// The tables of one open of the target connection.
struct Keeper {
  const Connection* conn = nullptr;
  unsigned long serial = 0;
  std::array<std::unique_ptr<HeldTable>, kKinds> tables;

  void Reset() {
    for (size_t k = 0; k < kKinds; ++k)
      tables[k] = std::make_unique<HeldTable>(Kinds()[k].columns, Kinds()[k].keys);
  }
  HeldTable* TableNamed(const std::string& name) {
    for (size_t k = 0; k < kKinds; ++k)
      if (name == Kinds()[k].table) return tables[k].get();
    return nullptr;
  }
  void DropAll() {
    for (auto& t : tables) t->Clear();
  }
  // Follows one statement of the import.
  void Observe(const std::string& sql) {
    InsertText insert;
    if (ReadInsertText(sql, insert)) {
      HeldTable* t = TableNamed(insert.table);
      if (t && t->loaded && !Append(*t, insert)) t->Clear();
      return;
    }
    std::string table;
    std::vector<std::string> words;
    if (!ReadChangeTarget(sql, table, words)) {
      DropAll();
      return;
    }
    HeldTable* t = TableNamed(table);
    if (!t || !t->loaded) return;
    const bool update = !words.empty() && EqualsNoCase(Trim(sql).substr(0, 6), "update");
    if (!update) {
      t->Clear();
      return;
    }
    for (const std::string& w : words)
      for (const std::string& c : t->columns())
        if (w == c) {
          t->Clear();
          return;
        }
  }
  static bool Append(HeldTable& t, const InsertText& insert) {
    const std::vector<std::string>& names = insert.columns.empty() ? t.all_columns : insert.columns;
    if (names.size() != insert.values.size()) return false;
    std::vector<Variant> row(t.columns().size(), Variant::Null());
    for (size_t c = 0; c < t.columns().size(); ++c) {
      for (size_t i = 0; i < names.size(); ++i) {
        if (names[i] != t.columns()[c]) continue;
        if (!StoredValue(insert.values[i], TypeOf(names[i]), row[c])) return false;
      }
    }
    t.Append(std::move(row));
    return true;
  }
};

Keeper& TheKeeper() {
  static Keeper keeper;
  return keeper;
}

void Load(HeldTable& t, const char* table) {
  const RowSet r = TargetConnection().Query(std::string("SELECT * FROM ") + table);
  t.Clear();
  t.all_columns.clear();
  std::vector<size_t> at(t.columns().size(), r.fields.size());
  for (size_t f = 0; f < r.fields.size(); ++f) {
    const std::string name = ToLower(r.fields[f].name);
    t.all_columns.push_back(name);
    for (size_t c = 0; c < t.columns().size(); ++c)
      if (t.columns()[c] == name) at[c] = f;
  }
  for (const Row& source : r.rows) {
    std::vector<Variant> row;
    row.reserve(at.size());
    for (size_t f : at) row.push_back(f < source.size() ? source[f] : Variant::Null());
    t.Append(std::move(row));
  }
  t.loaded = true;
}

// Blanks cut from both ends, as TRIM does on both targets.
std::string SqlTrim(const std::string& text) { return Trim(text); }

}  // namespace

HeldTable::HeldTable(std::vector<std::string> columns, std::vector<NameKeyDef> keys)
    : columns_(std::move(columns)),
      keys_(std::move(keys)),
      indexes_(keys_.size()),
      indexed_(keys_.size(), false) {}

void HeldTable::Clear() {
  rows_.clear();
  for (auto& index : indexes_) index.clear();
  indexed_.assign(keys_.size(), false);
  loaded = false;
}

std::string HeldTable::KeyOf(size_t key_no, const std::vector<Variant>& row, bool& valid) const {
  std::string key;
  valid = true;
  for (size_t c : keys_[key_no].columns) {
    const Variant& v = row[c];
    if (v.is_null() || v.is_empty()) {
      valid = false;
      return key;
    }
    const std::string text = JoinText(v);
    key += NameKey(keys_[key_no].trimmed ? SqlTrim(text) : text);
    key += '\0';
  }
  return key;
}

void HeldTable::Index(size_t key_no, size_t row) {
  bool valid = false;
  const std::string key = KeyOf(key_no, rows_[row], valid);
  if (valid) indexes_[key_no][key].push_back(row);
}

void HeldTable::Append(std::vector<Variant> row) {
  rows_.push_back(std::move(row));
  for (size_t key_no = 0; key_no < keys_.size(); ++key_no)
    if (indexed_[key_no]) Index(key_no, rows_.size() - 1);
}

const std::vector<size_t>& HeldTable::Matches(size_t key_no,
                                              const std::vector<std::string>& names) {
  static const std::vector<size_t> kNone;
  if (!indexed_[key_no]) {
    for (size_t r = 0; r < rows_.size(); ++r) Index(key_no, r);
    indexed_[key_no] = true;
  }
  std::string key;
  for (const std::string& name : names) {
    key += NameKey(name);
    key += '\0';
  }
  const auto it = indexes_[key_no].find(key);
  return it == indexes_[key_no].end() ? kNone : it->second;
}

HeldTable* Held(HeldKind kind) {
  Connection& conn = TargetConnection();
  if (conn.State() != Connection::kOpen || !conn.HeldWhole()) return nullptr;
  Keeper& keeper = TheKeeper();
  if (keeper.conn != &conn || keeper.serial != conn.OpenSerial() || !keeper.tables[0]) {
    keeper.conn = &conn;
    keeper.serial = conn.OpenSerial();
    keeper.Reset();
    conn.ObserveWrites([&keeper](const std::string& sql) { keeper.Observe(sql); });
  }
  const size_t k = static_cast<size_t>(kind);
  HeldTable& t = *keeper.tables[k];
  if (!t.loaded) Load(t, Kinds()[k].table);
  return &t;
}

const size_t* First(const HeldTable& table, const std::vector<size_t>& rows, size_t by) {
  if (rows.empty()) return nullptr;
  const size_t* first = &rows[0];
  if (!TargetConnection().IsServer()) return first;
  for (const size_t& r : rows) {
    const Variant& a = table.At(r, by);
    const Variant& b = table.At(*first, by);
    if (a.is_null()) continue;
    const bool less =
        b.is_null() || (IsTextType(TypeCodeOfValue(a)) ? CompareNames(JoinText(a), JoinText(b)) < 0
                                                       : ToDouble(a) < ToDouble(b));
    if (less) first = &r;
  }
  return first;
}

const size_t* LowestNumber(const HeldTable& t, const std::vector<size_t>& rows, size_t by,
                           bool highest) {
  const size_t* best = nullptr;
  for (const size_t& r : rows) {
    const Variant& v = t.At(r, by);
    if (v.is_null()) continue;
    const double x = ToDouble(v);
    if (!best || (highest ? x > ToDouble(t.At(*best, by)) : x < ToDouble(t.At(*best, by))))
      best = &r;
  }
  return best;
}

}  // namespace vantrel
