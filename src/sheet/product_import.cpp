#include "sheet/product_import.h"

#include <array>
#include <optional>
#include <vector>

#include "dbhelpers/clean_sql_text.h"
#include "dbhelpers/lookups.h"
#include "frame/counters.h"
#include "frame/module_state.h"
#include "frame/processer_state.h"
#include "frame/refusal.h"
#include "platform/common/name_key.h"
#include "platform/dao/connection.h"
#include "platform/dao/recordset.h"
#include "platform/pcode/pcode_generator.h"
#include "platform/variant/convert.h"
#include "sheet/parent_lookup.h"
#include "sheet/statement_builder.h"
#include "sheet/workers.h"

namespace vantrel {
namespace {

constexpr const char* kEndOfLog = "-----------------------------End of Log File";

// What the product import does with a mapping entry.
enum class Role {
  kCode,     // "pcode": the row's product code, and a column
  kName,     // "pname": the row's name, and a column
  kCut,      // a column of a few leading characters of the cell
  kGroup,    // "gpcode": the code of the group the cell names
  kUnit,     // a unit column: written to productunits
  kUnitId,   // "unitinrpt", "purchaseunit", "salesunit": a unit id
  kNothing,  // read elsewhere (factors, group passes, batch and stock imports)
  kColumn,   // any other field: the whole cell, by the field's kind
};

struct Entry {
  const MapEntry* map = nullptr;
  Role role = Role::kColumn;
  size_t limit = 0;                  // kCut: characters kept
  FieldShape shape;                  // columns: what the product field holds
  int slot = -1;                     // kUnit: the unit's slot
  const MapEntry* factor = nullptr;  // kUnit: the entry of its conversion factor
};

Role RoleOf(const std::string& key, size_t& limit) {
  static const char* const kNothing[] = {"base unit cf",   "addl. unit1 cf",
                                         "addl. unit2 cf", "addl. unit3 cf",
                                         "addl. unit4 cf", "supergroup",
                                         "parentgroup",    "batchname",
                                         "manfdate",       "expdate",
                                         "description",    "unit",
                                         "openingstock",   "cf"};
  if (key == "pcode") return Role::kCode;
  if (key == "pname") return Role::kName;
  if (key == "gpcode") return Role::kGroup;
  if (key == "unitinrpt" || key == "purchaseunit" || key == "salesunit") return Role::kUnitId;
  if (UnitSlotOfTarget(key) >= 0) return Role::kUnit;
  for (const char* k : kNothing)
    if (key == k) return Role::kNothing;
  limit = key == "mrprate"  ? 10
          : key == "pcolor" ? 20
          : key == "pdesc" || key == "userfield1" || key == "userfield2" || key == "userfield3" ||
                  key == "userfield4"
              ? 50
              : 0;
  return limit ? Role::kCut : Role::kColumn;
}

std::string CleanedLeft(const std::string& cell, size_t n) {
  std::string text = LeftChars(cell, n);
  CleanSqlText(text);
  return text;
}

// One unit slot as the row's unit columns have left it so far.
struct SlotState {
  bool replaced = false;
  bool written = false;
  std::string unit;
};

// Digits at the end of a product code, and what stands before them.
void SplitCode(const std::string& code, std::string& prefix, std::string& digits) {
  size_t at = code.size();
  while (at > 0 && code[at - 1] >= '0' && code[at - 1] <= '9') --at;
  prefix = code.substr(0, at);
  digits = code.substr(at);
  const size_t first = digits.find_first_not_of('0');
  digits = first == std::string::npos ? "0" : digits.substr(first);
}

// Whether storing the code as the product code parameter moves it forward:
// the code is no earlier than the next code the parameter gives, in the same
// series (same text before the trailing digits).
bool MovesParamForward(const std::string& code) {
  const std::string next = ReadPCodeParam();
  if (next.empty()) return true;
  std::string code_prefix, code_digits, next_prefix, next_digits;
  SplitCode(code, code_prefix, code_digits);
  SplitCode(next, next_prefix, next_digits);
  if (!EqualsNoCase(code_prefix, next_prefix) || code.size() == code_prefix.size()) return false;
  if (code_digits.size() != next_digits.size()) return code_digits.size() > next_digits.size();
  return code_digits >= next_digits;
}

class ProductWorker {
 public:
  ProductWorker(ProcesserState& s, Recordset& rows, Recordset& table);
  bool name_mapped() const { return name_entry_ != nullptr; }
  void ImportRow();

 private:
  bool Identify(std::string& code, bool& exists);
  std::optional<int> UnitId(const std::string& unit, const std::string& code, bool exists,
                            const std::array<SlotState, 5>& slots);
  void UnitStatements(const Entry& e, const std::string& code, std::array<SlotState, 5>& slots,
                      std::vector<std::string>& statements);
  void Refuse(const Refusal& r);

  ProcesserState& s_;
  Recordset& rows_;
  std::vector<Entry> entries_;
  const MapEntry* name_entry_ = nullptr;
  const MapEntry* code_entry_ = nullptr;
  double factor_ = 0;  // kept from one unit column to the next, as a missing factor column keeps it
  // The first unit factor of the row that holds no readable number.
  std::optional<Refusal> unreadable_;
};

ProductWorker::ProductWorker(ProcesserState& s, Recordset& rows, Recordset& table)
    : s_(s), rows_(rows) {
  const MapTable& map = s.map_info;
  const size_t closing = MappedColumns(map).size();
  for (size_t i = 1; i <= closing; ++i) {
    Entry e;
    e.map = &map[i];
    const std::string key = ToLower(map[i].field);
    e.role = RoleOf(key, e.limit);
    switch (e.role) {
      case Role::kCode:
        if (!code_entry_) code_entry_ = e.map;
        e.shape = ShapeOf(table, e.map->field);
        break;
      case Role::kName:
        if (!name_entry_) name_entry_ = e.map;
        e.shape = ShapeOf(table, e.map->field);
        break;
      case Role::kCut:
      case Role::kColumn:
        e.shape = ShapeOf(table, e.map->field);
        break;
      case Role::kUnit:
        e.slot = UnitSlotOfTarget(key);
        for (size_t j = 1; j <= closing && !e.factor; ++j)
          if (ToLower(map[j].field) == key + " cf") e.factor = &map[j];
        break;
      default:
        break;
    }
    entries_.push_back(std::move(e));
  }
}

void ProductWorker::Refuse(const Refusal& r) {
  RefuseRow(s_, r, kProductWords);
  s_.product_rows[s_.sheet_row].refusal = r;
}

// The product the row stands for. With "pcode" mapped: the product of that
// code, and no other product may have the row's name. Without: the product of
// the row's name, else a new code after the product code parameter that no
// product holds. False when the row is refused.
bool ProductWorker::Identify(std::string& code, bool& exists) {
  if (code_entry_) {
    const std::string cell = CleanedLeft(CellText(rows_, code_entry_->column), 30);
    if (Trim(cell).empty()) {
      Refuse({Reason::kEmptyProductCode, code_entry_->column, cell, ""});
      return false;
    }
    const std::string stored = StoredPCode(cell);
    exists = !stored.empty();
    code = exists ? stored : cell;
    for (const std::string& other : PCodesOfName(s_.row_name)) {
      if (exists && other == code) continue;
      Refuse({Reason::kNameOfOtherProduct, name_entry_->column, s_.row_name, s_.row_name, other});
      return false;
    }
    return true;
  }
  const std::vector<std::string> named = PCodesOfName(s_.row_name);
  exists = !named.empty();
  if (exists) {
    code = named.front();
    return true;
  }
  code = ReadPCodeParam();
  while (code.empty() || !StoredPCode(code).empty()) code = NextProductCodeAfter(code);
  return true;
}

// The unit id of a unit named for the product: a unit the row's own unit
// columns write, else one the product has in a slot the row keeps.
std::optional<int> ProductWorker::UnitId(const std::string& unit, const std::string& code,
                                         bool exists, const std::array<SlotState, 5>& slots) {
  for (int slot = 0; slot < 5; ++slot)
    if (slots[slot].written && NamesEqual(slots[slot].unit, unit)) return slot;
  if (!exists) return std::nullopt;
  Recordset stored;
  stored.Open("select unitid from productunits where unit like '" + LikeLiteral(unit) +
                  "' and pcode like '" + LikeLiteral(code) + "'",
              TargetConnection(), 1, 3);
  for (; !stored.Eof(); stored.MoveNext()) {
    const int16_t id = ToInt16(stored.Value("UnitId"));
    if (id < 0 || id > 4 || !slots[id].replaced) return id;
  }
  return std::nullopt;
}

// The statements of a unit column: the unit of that slot goes, and is
// written again when it has a name and a factor above 0.
void ProductWorker::UnitStatements(const Entry& e, const std::string& code,
                                   std::array<SlotState, 5>& slots,
                                   std::vector<std::string>& statements) {
  const std::string unit = UnitNameOfCell(CellText(rows_, e.map->column));
  if (e.slot == 0) {
    factor_ = 1;
  } else if (e.factor) {
    // A pack size reads like every other number; one that holds none refuses the row.
    const std::string cell = LeftChars(CellText(rows_, e.factor->column), 8);
    if (!ReadNumberCell(cell, factor_)) {
      if (!unreadable_)
        unreadable_ = Refusal{Reason::kUnreadableNumber, e.factor->column, cell, ""};
      factor_ = 0;
    }
  }
  const std::string slot = std::to_string(e.slot);
  statements.push_back("Delete from productunits where pcode='" + code + "' and unitid=" + slot);
  SlotState& state = slots[e.slot];
  state.replaced = true;
  state.unit = unit;
  state.written = factor_ > 0 && !Trim(unit).empty();
  if (state.written)
    statements.push_back("insert into productunits(pcode,unitid,unit,cf) values('" + code + "'," +
                         slot + ",'" + unit + "'," + NumberText(factor_) + ")");
}

void ProductWorker::ImportRow() {
  // The row's statements and its log line land together or not at all.
  TransactionScope row(TargetConnection());
  if (!name_entry_) {
    row.Commit();
    return;
  }
  s_.row_name = CleanedLeft(CellText(rows_, name_entry_->column), 50);
  s_.product_rows[s_.sheet_row].name = s_.row_name;
  if (Trim(s_.row_name).empty()) {
    s_.row_name.clear();
    Refuse({Reason::kProductNameEmpty, name_entry_->column, "", std::to_string(s_.sheet_row)});
    row.Commit();
    return;
  }
  std::string code;
  bool exists = false;
  if (!Identify(code, exists)) {
    row.Commit();
    return;
  }

  // The row's units first: its sales and purchase units may name them,
  // whatever the order of the columns. Their statements wait until the row is
  // known to be written, so a refused row changes nothing.
  std::vector<std::string> unit_statements;
  std::array<SlotState, 5> slots;
  unreadable_.reset();
  for (const Entry& e : entries_)
    if (e.role == Role::kUnit) UnitStatements(e, code, slots, unit_statements);
  if (unreadable_) {
    Refuse(*unreadable_);
    row.Commit();
    return;
  }

  // A new product is inserted; one that exists keeps its code and takes the
  // values of the mapped fields only.
  StatementBuilder sql =
      exists        ? StatementBuilder("", "")
      : code_entry_ ? StatementBuilder("insert into product(", "values(")
                    : StatementBuilder("insert into product(pcode,", "values('" + code + "',");
  bool has_group = false;
  for (const Entry& e : entries_) {
    const std::string& field = e.map->field;
    switch (e.role) {
      case Role::kCode:
        if (!exists)
          sql.Append(field,
                     ValueByKind(e.shape.kind, CleanedLeft(CellText(rows_, e.map->column), 30)));
        break;
      case Role::kName:
        sql.Append(field,
                   ValueByKind(e.shape.kind, CleanedLeft(CellText(rows_, e.map->column), 50)));
        break;
      case Role::kCut:
        sql.AppendCell(field, e.shape, LeftChars(CellText(rows_, e.map->column), e.limit),
                       e.map->column);
        break;
      case Role::kColumn:
        sql.AppendCell(field, e.shape, CellText(rows_, e.map->column), e.map->column);
        break;
      case Role::kGroup: {
        const std::string group = ProductGroupName(CellText(rows_, e.map->column));
        sql.Append("gpcode", std::to_string(GroupCodeByName(s_, Variant(group))));
        has_group = true;
        break;
      }
      case Role::kUnitId: {
        const std::string cell = CellText(rows_, e.map->column);
        const std::string unit = UnitNameOfCell(cell);
        std::optional<int> id = 0;
        if (!Trim(unit).empty()) id = UnitId(unit, code, exists, slots);
        if (!id) {
          Refuse({Reason::kUnitNotExists, e.map->column, cell, unit});
          row.Commit();
          return;
        }
        sql.Append(field, std::to_string(*id));
        break;
      }
      case Role::kUnit:
      case Role::kNothing:
        break;
    }
  }

  if (sql.refusal) {
    Refuse(*sql.refusal);
    row.Commit();
    return;
  }
  Connection& target = TargetConnection();
  for (const std::string& unit_sql : unit_statements) target.Execute(unit_sql);
  if (exists) {
    target.Execute(sql.UpdateText(s_.dialect(), "product", "pcode='" + code + "'"));
  } else {
    // A new product without a group column goes to group 1.
    if (!has_group) sql.Append("gpcode", "1");
    target.Execute("delete from productslab where PCode='" + code + "'");
    target.Execute(sql.Text(s_.dialect()));
    target.Execute("insert into productslab (PCode,Purchase) values('" + code + "',0)");
    target.Execute("insert into productslab (PCode,Purchase) values('" + code + "'," +
                   std::to_string(-1) + ")");
  }
  // The parameter follows the codes new products take, and never goes back.
  std::string next_code = Counters().next_product_code;
  if (!exists && !code_entry_) {
    SetPCodeParam(Variant(code));
  } else if (!exists) {
    if (MovesParamForward(next_code)) SetPCodeParam(Variant(next_code));
    next_code = NumberText(LeadingNumber(next_code) + 1);
  }
  AcceptRow(s_, kProductWords);
  s_.product_rows[s_.sheet_row].code = code;
  row.Commit();
  Counters().next_product_code = next_code;
}

}  // namespace

// Products from worksheet rows, with their groups, units and price slabs; a
// product of the same name or code keeps its code and takes the row's values. The opening stock
// import runs it over the same rows first, so it moves to the first row itself.
void ImportProductRows(ProcesserState& s) {
  WorkerStep step(s);
  Recordset table;
  table.Open("Select * from product", TargetConnection(), 1, 1);
  Recordset& rows = *s.sheet_rows;
  s.product_rows.clear();
  CreateProductGroups(s, rows);
  ProductWorker worker(s, rows, table);
  s.sheet_row = s.header_row;
  if (rows.HasRows()) {
    rows.MoveFirst();
    if (!worker.name_mapped())
      s.log.WriteLine("", "Failed", "no column is mapped to pname: no product written");
  }
  ForEachSheetRow(s, rows, [&] { worker.ImportRow(); });
  s.log.WriteLine(s.row_name, kEndOfLog);
}

}  // namespace vantrel
