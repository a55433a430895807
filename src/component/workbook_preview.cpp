// A workbook's first sheet as an import reads it, and its rows read through a
// mapping, for hosts that show them before importing.
#include <new>
#include <utility>

#include "component/reported.h"
#include "component/target_fields.h"
#include "dbhelpers/clean_sql_text.h"
#include "frame/connections.h"
#include "frame/dialect.h"
#include "frame/refusal.h"
#include "platform/common/error.h"
#include "platform/dao/connection.h"
#include "platform/dao/recordset.h"
#include "platform/variant/convert.h"
#include "sheet/statement_builder.h"
#include "sheet/stock_booking.h"
#include "vantrel/workbook.h"

namespace vantrel {
namespace {

// How many rows from the top are looked at for a header below a title.
constexpr size_t kHeaderSearchRows = 20;

// A text that is nothing but a number, digit groups included ("1,500.00"):
// "0412 550 101" is a phone number, not 412550101.
bool IsNumberText(const std::string& text) {
  double number = 0;
  return text.find_first_not_of("0123456789+-.,eE") == std::string::npos &&
         ReadNumber(text, number);
}

CellType TypeOfCell(const Variant& v) {
  switch (v.type()) {
    case VarType::Empty:
    case VarType::Null:
      return CellType::kEmpty;
    case VarType::Boolean:
      return CellType::kYesNo;
    case VarType::Int16:
    case VarType::Int32:
    case VarType::Double:
      return CellType::kNumber;
    case VarType::Date:
      return CellType::kDate;
    case VarType::Text:
      break;
  }
  const std::string text = Trim(v.as_text());
  std::string date;
  if (text.empty()) return CellType::kEmpty;
  for (const char* word : {"true", "false", "yes", "no"})
    if (EqualsNoCase(text, word)) return CellType::kYesNo;
  if (BatchDateText(v, DialectOf(typeSingleUser), date)) return CellType::kDate;
  return IsNumberText(text) ? CellType::kNumber : CellType::kText;
}

// A column's type with one more cell: cells of two types make a text column.
CellType Combine(CellType column, CellType cell) {
  if (cell == CellType::kEmpty || cell == column) return column;
  return column == CellType::kEmpty ? cell : CellType::kText;
}

// The workbook's sheet names into `names`; the first as a query names it.
std::string FirstSheet(Connection& conn, const std::string& path, std::vector<std::string>* names) {
  std::shared_ptr<Recordset> schema = conn.OpenSchema(Connection::kSchemaTables);
  std::string first;
  for (; !schema->Eof(); schema->MoveNext()) {
    std::string name = ToText(schema->Value(size_t{2}));
    if (first.empty()) first = name;
    if (!name.empty() && name.back() == '$') name.pop_back();
    if (names) names->push_back(name);
  }
  if (first.empty()) throw Error("The workbook '" + path + "' has no sheet");
  return first;
}

// A header row with one filled cell, or none that names a field, is a title.
bool LooksLikeTitle(const std::vector<std::string>& cells) {
  size_t filled = 0;
  bool names_field = false;
  for (const std::string& cell : cells) {
    if (Trim(cell).empty()) continue;
    ++filled;
    names_field = names_field || NamesAnyField(cell);
  }
  return filled <= 1 || !names_field;
}

// Among the rows at the top of the first sheet, the one with most cells that
// name a field (two filled cells at least); 0 when none has one.
long LikelyHeaderRow(const std::string& path) {
  Connection conn;
  conn.Open(WorkbookConnectionString(path, 0));
  Recordset rows;
  rows.Open("select * from [" + FirstSheet(conn, path, nullptr) + "]", conn);
  long best_row = 0;
  size_t best = 0;
  long row = 0;
  for (; rows.HasRows() && !rows.Eof() && row < static_cast<long>(kHeaderSearchRows);
       rows.MoveNext()) {
    ++row;
    size_t filled = 0, named = 0;
    for (size_t i = 0; i < rows.FieldCount(); ++i) {
      const std::string cell = Trim(JoinText(rows.Value(i)));
      if (cell.empty()) continue;
      ++filled;
      if (NamesAnyField(cell)) ++named;
    }
    if (filled >= 2 && named > best) {
      best = named;
      best_row = row;
    }
  }
  return best_row;
}

// Columns that are no names a header gave: F<n> stands for an empty header cell.
std::vector<std::string> HeaderCells(const std::vector<std::string>& columns) {
  std::vector<std::string> cells;
  for (size_t i = 0; i < columns.size(); ++i)
    cells.push_back(columns[i] == "F" + std::to_string(i + 1) ? "" : columns[i]);
  return cells;
}

void ReadSheet(const std::string& path, long header_row, size_t max_rows, WorkbookSheet& out) {
  if (header_row < 1) throw Error("The header row must be 1 or more");
  Connection conn;
  conn.Open(WorkbookConnectionString(path, header_row));
  out.header_row = header_row;
  out.sheet = FirstSheet(conn, path, &out.sheets);
  Recordset rows;
  rows.Open("select * from [" + out.sheet + "]", conn);
  if (out.sheet.back() == '$') out.sheet.pop_back();
  const size_t width = rows.FieldCount();
  for (size_t i = 0; i < width; ++i) out.columns.push_back(rows.FieldName(i));
  out.types.assign(width, CellType::kEmpty);
  for (; rows.HasRows() && !rows.Eof(); rows.MoveNext()) {
    ++out.row_count;
    const bool kept = out.rows.size() < max_rows;
    if (kept) out.rows.emplace_back();
    for (size_t i = 0; i < width; ++i) {
      const Variant& cell = rows.Value(i);
      out.types[i] = Combine(out.types[i], TypeOfCell(cell));
      if (kept) out.rows.back().push_back(JoinText(cell));
    }
  }
  if (LooksLikeTitle(HeaderCells(out.columns))) {
    const long likely = LikelyHeaderRow(path);
    out.likely_header_row = likely == header_row ? 0 : likely;
  }
}

// A cell of a field as the import reads it.
PreviewCell ReadCell(const TargetField& field, const std::string& cell) {
  PreviewCell out;
  auto refuse = [&](Reason reason) { out.refusal = ReasonText({reason, "", cell, ""}); };
  switch (field.rule) {
    case FieldRule::kText:
    case FieldRule::kName:
      out.value = field.length ? LeftChars(cell, field.length) : cell;
      CleanSqlText(out.value);
      if (field.rule == FieldRule::kName && Trim(out.value).empty()) refuse(Reason::kNameEmpty);
      break;
    case FieldRule::kReference:
      out.value = cell;
      break;
    case FieldRule::kNumber: {
      double number = 0;
      if (ReadNumberCell(cell, number))
        out.value = NumberText(number);
      else
        refuse(Reason::kUnreadableNumber);
      break;
    }
    case FieldRule::kDate:
      if (!Trim(cell).empty() &&
          !BatchDateText(Variant(cell), DialectOf(typeSingleUser), out.value))
        refuse(Reason::kInvalidDate);
      break;
    case FieldRule::kFlag: {
      bool flag = false;
      if (ReadFlag(cell, flag))
        out.value = flag ? "1" : "0";
      else
        refuse(Reason::kUnreadableFlag);
      break;
    }
    case FieldRule::kBalance: {
      // An amount and its side, as the ledger import reads them.
      const std::string text = Trim(cell);
      const std::string side = ToLower(text.size() >= 2 ? text.substr(text.size() - 2) : text);
      double amount = 0;
      if (side != "db" && side != "cr")
        refuse(Reason::kConfusingBalance);
      else if (!ReadNumber(text.substr(0, text.size() - 2), amount))
        refuse(Reason::kUnreadableNumber);
      else
        out.value = NumberText(amount) + (side == "db" ? " debit" : " credit");
      break;
    }
  }
  return out;
}

// The field an entry names, found without regard to letter case; a product
// field the batch import passes over has no rule (nullptr, `ignored` set).
const TargetField* FieldOf(const std::vector<TargetField>& fields, const std::string& kind,
                           const std::string& name, bool& ignored) {
  for (const TargetField& f : fields)
    if (EqualsNoCase(f.name, Trim(name))) return &f;
  ignored = false;
  if (kind == "batches")
    for (const TargetField& f : TargetFields("products"))
      if (EqualsNoCase(f.name, Trim(name))) ignored = true;
  if (ignored) return nullptr;
  std::string names;
  for (const TargetField& f : fields) names += (names.empty() ? "" : ", ") + f.name;
  throw Error("'" + name + "' is no field of the " + kind + " import; its fields are: " + names);
}

void Preview(const WorkbookSheet& sheet, std::string_view kind_name, const MapTable& map,
             MappingPreview& out) {
  const ImportKind* kind = FindImportKind(kind_name);
  if (!kind || !kind->reads_workbook)
    throw Error("'" + std::string(kind_name) + "' is no import kind that reads a workbook");
  if (map.size() < 2) throw Error("The mapping has no entries");
  const std::vector<TargetField> fields = TargetFields(kind->name);
  std::vector<const TargetField*> rules;
  std::vector<size_t> columns;
  for (size_t e = 1; e < map.size(); ++e) {
    bool ignored = false;
    rules.push_back(FieldOf(fields, kind->name, map[e].field, ignored));
    size_t c = 0;
    while (c < sheet.columns.size() && !EqualsNoCase(sheet.columns[c], Trim(map[e].column))) ++c;
    if (c == sheet.columns.size()) {
      std::string names;
      for (const std::string& name : sheet.columns) names += (names.empty() ? "" : ", ") + name;
      throw Error("The sheet '" + sheet.sheet + "' has no column '" + map[e].column +
                  "'; its columns are: " + (names.empty() ? "(none)" : names));
    }
    columns.push_back(c);
    out.entries.push_back(map[e]);
  }
  for (const std::vector<std::string>& row : sheet.rows) {
    out.rows.emplace_back();
    for (size_t e = 0; e < rules.size(); ++e)
      out.rows.back().push_back(rules[e] ? ReadCell(*rules[e], row[columns[e]])
                                         : PreviewCell{"(ignored)", ""});
  }
}

}  // namespace

bool ReadWorkbookSheet(const std::string& path, long header_row, size_t max_rows,
                       WorkbookSheet& sheet, std::string& error) {
  return Reported(error, [&] {
    WorkbookSheet read;
    ReadSheet(path, header_row, max_rows, read);
    sheet = std::move(read);
  });
}

bool PreviewMapping(const WorkbookSheet& sheet, std::string_view kind, const MapTable& map,
                    MappingPreview& preview, std::string& error) {
  return Reported(error, [&] {
    MappingPreview read;
    Preview(sheet, kind, map, read);
    preview = std::move(read);
  });
}

}  // namespace vantrel
