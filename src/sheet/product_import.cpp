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
#include "platform/dao/connection.h"
#include "platform/dao/recordset.h"
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
  std::string kind;                  // columns: the product field's value kind
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

class ProductWorker {
 public:
  ProductWorker(ProcesserState& s, Recordset& rows, Recordset& table);
  bool name_mapped() const { return name_entry_ != nullptr; }
  void ImportRow();

 private:
  std::optional<int> UnitId(const std::string& unit, const std::string& code,
                            const std::array<SlotState, 5>& slots);
  void UnitStatements(const Entry& e, const std::string& code, std::array<SlotState, 5>& slots,
                      std::vector<std::string>& statements);

  ProcesserState& s_;
  Recordset& rows_;
  std::vector<Entry> entries_;
  const MapEntry* name_entry_ = nullptr;
  const MapEntry* code_entry_ = nullptr;
  double factor_ = 0;  // kept from one unit column to the next, as a missing factor column keeps it
  std::optional<UnitSlotIndex> unit_index_;
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
        e.kind = GetValueKind(table.Type(e.map->field));
        break;
      case Role::kName:
        if (!name_entry_) name_entry_ = e.map;
        e.kind = GetValueKind(table.Type(e.map->field));
        break;
      case Role::kCut:
      case Role::kColumn:
        e.kind = GetValueKind(table.Type(e.map->field));
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

// The unit id of a unit named for the product: a unit the row's own unit
// columns write, else one stored for the product in a slot the row keeps,
// else the slot of a worksheet unit column holding that name.
std::optional<int> ProductWorker::UnitId(const std::string& unit, const std::string& code,
                                         const std::array<SlotState, 5>& slots) {
  for (int slot = 0; slot < 5; ++slot)
    if (slots[slot].written && EqualsNoCase(slots[slot].unit, unit)) return slot;
  Recordset stored;
  stored.Open("select unitid from productunits where unit like '" + LikeLiteral(unit) +
                  "' and pcode like '" + LikeLiteral(code) + "'",
              TargetConnection(), 1, 3);
  for (; !stored.Eof(); stored.MoveNext()) {
    const int16_t id = ToInt16(stored.Value("UnitId"));
    if (id < 0 || id > 4 || !slots[id].replaced) return id;
  }
  stored.Close();
  if (!unit_index_) unit_index_.emplace(s_.map_info, rows_);
  const int slot = unit_index_->UnitSlotOfName(unit);
  if (slot < 0) return std::nullopt;
  return slot;
}

// The statements of a unit column: the product and the unit of that slot go,
// and the unit is written again when it has a name and a factor above 0.
void ProductWorker::UnitStatements(const Entry& e, const std::string& code,
                                   std::array<SlotState, 5>& slots,
                                   std::vector<std::string>& statements) {
  const std::string unit = UnitNameOfCell(CellText(rows_, e.map->column));
  if (e.slot == 0) {
    factor_ = 1;
  } else if (e.factor) {
    const std::string cell = LeftChars(CellText(rows_, e.factor->column), 8);
    factor_ = Trim(cell).empty() ? 0 : ToDouble(Variant(cell));
  }
  const std::string slot = std::to_string(e.slot);
  statements.push_back("delete from product where pcode='" + code + "'");
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
  if (name_entry_) s_.row_name = CleanedLeft(CellText(rows_, name_entry_->column), 50);
  std::string code;
  std::optional<StatementBuilder> sql;
  if (code_entry_) {
    code = CleanedLeft(CellText(rows_, code_entry_->column), 30);
    sql.emplace("insert into product(", "values(");
  } else {
    code = ReadPCodeParam();
    sql.emplace("insert into product(pcode,", "values('" + code + "',");
  }

  // Unit statements wait until the row is known to be written, so a refused
  // row removes nothing.
  std::vector<std::string> unit_statements;
  std::array<SlotState, 5> slots;
  bool has_group = false;
  for (const Entry& e : entries_) {
    const std::string& field = e.map->field;
    switch (e.role) {
      case Role::kCode:
        sql->Append(field, ValueByKind(e.kind, CleanedLeft(CellText(rows_, e.map->column), 30)));
        break;
      case Role::kName:
        s_.row_name = CleanedLeft(CellText(rows_, e.map->column), 50);
        sql->Append(field, ValueByKind(e.kind, s_.row_name));
        break;
      case Role::kCut:
        sql->Append(field, ValueByKind(e.kind, LeftChars(CellText(rows_, e.map->column), e.limit)));
        break;
      case Role::kColumn:
        sql->Append(field, ValueByKind(e.kind, CellText(rows_, e.map->column)));
        break;
      case Role::kGroup: {
        const std::string group = ProductGroupName(CellText(rows_, e.map->column));
        const int32_t group_code = GroupCodeByName(s_, Variant(group));
        sql->Append("gpcode", std::to_string(group_code));
        has_group = true;
        break;
      }
      case Role::kUnit:
        UnitStatements(e, code, slots, unit_statements);
        break;
      case Role::kUnitId: {
        const std::string cell = CellText(rows_, e.map->column);
        const std::string unit = UnitNameOfCell(cell);
        std::optional<int> id = 0;
        if (!Trim(unit).empty()) id = UnitId(unit, code, slots);
        if (!id) {
          RefuseRow(s_, {Reason::kUnitNotExists, e.map->column, cell, unit}, kProductWords);
          row.Commit();
          return;
        }
        sql->Append(field, std::to_string(*id));
        break;
      }
      case Role::kNothing:
        break;
    }
  }

  if (s_.row_name.empty()) {
    if (name_mapped())
      RefuseRow(s_,
                {Reason::kProductNameEmpty, name_entry_->column, "", std::to_string(s_.sheet_row)},
                kProductWords);
    row.Commit();
    return;
  }
  // A product without a group column goes to group 1.
  if (!has_group) sql->Append("gpcode", "1");
  const std::string statement = sql->Text(s_.dialect());

  // The product found by name or by code is replaced, with its slab rows.
  Connection& target = TargetConnection();
  for (const std::string& unit_sql : unit_statements) target.Execute(unit_sql);
  const std::string name = LikeLiteral(s_.row_name);
  // Slab rows go by code: the products of the row's name first. (A delete
  // with a subquery would scan the whole slab table on the server.)
  std::vector<std::string> slab_codes;
  {
    Recordset named;
    named.Open("select pcode from product where pname like'" + name + "'", target);
    for (; !named.Eof(); named.MoveNext()) {
      std::string other = JoinText(named.Value("pcode"));
      CleanSqlText(other);
      if (!EqualsNoCase(other, code)) slab_codes.push_back(std::move(other));
    }
  }
  slab_codes.push_back(code);
  for (const std::string& c : slab_codes)
    target.Execute("delete from productslab where PCode='" + c + "'");
  target.Execute("delete from product where pname like'" + name + "'");
  target.Execute("delete from product where pcode='" + code + "'");
  target.Execute(statement);
  target.Execute("insert into productslab (PCode,Purchase) values('" + code + "',0)");
  target.Execute("insert into productslab (PCode,Purchase) values('" + code + "'," +
                 std::to_string(-1) + ")");
  std::string next_code = Counters().next_product_code;
  if (code_entry_) {
    SetPCodeParam(Variant(next_code));
    next_code = NumberText(LeadingNumber(next_code) + 1);
  } else {
    SetPCodeParam(Variant(code));
  }
  AcceptRow(s_, kProductWords);
  row.Commit();
  Counters().next_product_code = next_code;
}

}  // namespace

// Products from worksheet rows, with their groups, units and price slabs; a
// product of the same name or code is replaced. The opening stock import runs
// it over the same rows first, so it moves to the first row itself.
void ImportProductRows(ProcesserState& s) {
  WorkerStep step(s);
  Recordset table;
  table.Open("Select * from product", TargetConnection(), 1, 1);
  Recordset& rows = *s.sheet_rows;
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
