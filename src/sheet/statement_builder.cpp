#include "sheet/statement_builder.h"

#include <cmath>
#include <utility>

#include "dbhelpers/clean_sql_text.h"
#include "frame/dialect.h"
#include "frame/processer_state.h"
#include "platform/common/error.h"
#include "platform/dao/recordset.h"
#include "platform/dao/rowset.h"
#include "platform/variant/convert.h"

namespace vantrel {

std::string GetValueKind(int type_code) {
  switch (type_code) {
    case 1:
    case 2:
    case 3:
    case 4:
    case 5:
    case 6:
    case 11:
    case 17:
    case 72:
    case 128:
    case 131:
    case 204:
      return "N";
    case 7:
    case 133:
      return "D";
    default:
      return "C";
  }
}

std::vector<MappedColumn> MappedColumns(const MapTable& map) {
  if (map.empty()) throw TypeMismatchError();
  const size_t closing = map.size() - 1;
  std::vector<MappedColumn> columns;
  for (size_t i = 1; i <= closing; ++i)
    columns.push_back({&map[i], ToLower(map[i].field), i == closing});
  return columns;
}

size_t EntryOfKeyword(const MapTable& map, const std::string& keyword) {
  for (size_t i = 1; i < map.size(); ++i)
    if (ToLower(map[i].field) == keyword) return i;
  return 0;
}

std::string ColumnOfKeyword(const MapTable& map, const std::string& keyword) {
  const size_t entry = EntryOfKeyword(map, keyword);
  return entry ? map[entry].column : std::string();
}

bool TakeRowName(ProcesserState& s, const Recordset& rows, const std::string& keyword, size_t n) {
  const size_t entry = EntryOfKeyword(s.map_info, keyword);
  if (entry == 0) return false;
  s.row_name = LeftChars(CellText(rows, s.map_info[entry].column), n);
  return true;
}

std::string LeftChars(const std::string& text, size_t n) {
  size_t chars = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    // Count lead bytes only; continuation bytes are 10xxxxxx.
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
      if (chars == n) return text.substr(0, i);
      ++chars;
    }
  }
  return text;
}

std::string CellText(const Recordset& rows, const std::string& column) {
  return JoinText(rows.Value(column));
}

bool ReadNumberCell(const std::string& cell, double& out) {
  if (Trim(cell).empty()) {
    out = 0;
    return true;
  }
  return ReadNumber(cell, out);
}

std::string ValueByKind(const std::string& kind, std::string cell) {
  if (kind == "N") return NumberText(LeadingNumber(cell));
  return "'" + CleanSqlText(cell) + "'";
}

StatementBuilder::StatementBuilder(std::string columns, std::string values)
    : ColumnText(std::move(columns)), ValueText(std::move(values)) {}

void StatementBuilder::Append(const std::string& field, const std::string& value) {
  ColumnText += "[" + field + "],";
  ValueText += value + ",";
  assignments_.emplace_back(field, value);
}

void StatementBuilder::AppendCell(const std::string& field, const FieldShape& shape,
                                  const std::string& cell, const std::string& column) {
  std::string value;
  std::optional<Refusal> refused;
  if (FieldValue(shape, cell, column, value, refused))
    Append(field, value);
  else if (!refusal)
    refusal = refused;
}

FieldShape ShapeOf(const Recordset& table, const std::string& field) {
  FieldShape shape;
  const int type = table.Type(field);
  shape.kind = GetValueKind(type);
  const int size = table.DefinedSize(field);
  if (IsTextType(type))
    shape.chars = size;
  else if (type == adtype::kSmallInt || type == adtype::kInteger || type == adtype::kTinyInt ||
           type == adtype::kBigInt)
    shape.int_bytes = size;
  return shape;
}

bool FieldValue(const FieldShape& shape, const std::string& cell, const std::string& column,
                std::string& value, std::optional<Refusal>& refusal) {
  if (shape.kind != "N") {
    value = ValueByKind(shape.kind, shape.chars > 0 ? LeftChars(cell, shape.chars) : cell);
    return true;
  }
  double number = 0;
  if (!ReadNumberCell(cell, number)) {
    refusal = Refusal{Reason::kUnreadableNumber, column, cell, ""};
    return false;
  }
  if (shape.int_bytes > 0 && shape.int_bytes < 8) {
    const double limit = std::ldexp(1.0, 8 * shape.int_bytes - 1);
    if (std::round(number) >= limit || std::round(number) < -limit) {
      refusal = Refusal{Reason::kNumberOutOfRange, column, cell, ""};
      return false;
    }
  }
  value = NumberText(number);
  return true;
}

std::optional<Refusal> CellRefusal(const FieldShape& shape, const std::string& cell,
                                   const std::string& column) {
  std::string value;
  std::optional<Refusal> refusal;
  FieldValue(shape, cell, column, value, refusal);
  return refusal;
}

void StatementBuilder::OpenValues(const std::string& values) { ValueText.insert(0, values); }

namespace {

// Ends a list: its trailing comma becomes the closing parenthesis.
std::string Closed(const std::string& list) {
  if (!list.empty() && list.back() == ',') return list.substr(0, list.size() - 1) + ")";
  return list + ")";
}

}  // namespace

std::string StatementBuilder::Text(const Dialect& dialect) const {
  return dialect.Statement(Closed(ColumnText) + Closed(ValueText));
}

std::string StatementBuilder::UpdateText(const Dialect& dialect, const std::string& table,
                                         const std::string& condition) const {
  if (assignments_.empty()) return "";
  std::string sql = "update " + table + " set ";
  for (size_t i = 0; i < assignments_.size(); ++i)
    sql += (i ? ",[" : "[") + assignments_[i].first + "]=" + assignments_[i].second;
  return dialect.Statement(sql + " where " + condition);
}

}  // namespace vantrel
