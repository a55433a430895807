#include "platform/dao/recordset.h"

#include <cctype>

#include "platform/common/error.h"
#include "platform/dao/connection.h"
#include "platform/variant/convert.h"

namespace vantrel {

bool IsTextType(int type) {
  return type == adtype::kChar || type == adtype::kVarChar || type == adtype::kVarWChar;
}

int TypeCodeOfValue(const Variant& v) {
  switch (v.type()) {
    case VarType::Boolean:
      return adtype::kBoolean;
    case VarType::Int16:
      return adtype::kSmallInt;
    case VarType::Int32:
      return adtype::kInteger;
    case VarType::Double:
      return adtype::kDouble;
    case VarType::Date:
      return adtype::kDate;
    case VarType::Empty:
      return adtype::kEmpty;
    default:
      return adtype::kVarWChar;
  }
}

Recordset::Recordset() = default;

void Recordset::Open(const std::string& sql, Connection& conn, int, int, int) {
  if (open_) throw Error("Operation is not allowed when the object is open.");
  OpenRows(conn.Query(sql));
}

void Recordset::OpenRows(RowSet rows) {
  data_ = std::make_shared<Data>();
  data_->fields = std::move(rows.fields);
  // Each row is freed as its values move, so a large result is not held twice.
  for (Row& row : rows.rows) {
    row.resize(data_->fields.size());
    for (Variant& v : row) data_->cells.push_back(std::move(v));
    Row().swap(row);
  }
  data_->rows = rows.rows.size();
  data_->source = std::move(rows.source);
  open_ = true;
  filter_.clear();
  RebuildVisible();
  pos_ = 0;
}

void Recordset::AppendField(const std::string& name, int type, int size) {
  if (open_) throw Error("Operation is not allowed when the object is open.");
  pending_fields_.push_back(FieldDef{name, type, size});
}

void Recordset::OpenInMemory() {
  RowSet rows;
  rows.fields = std::move(pending_fields_);
  pending_fields_.clear();
  OpenRows(std::move(rows));
}

void Recordset::Close() {
  RequireOpen();
  open_ = false;
  data_.reset();
  visible_.clear();
  filter_.clear();
  pos_ = 0;
}

void Recordset::RequireOpen() const {
  if (!open_) throw ObjectClosedError();
}

bool Recordset::Bof() const {
  RequireOpen();
  return visible_.empty() || pos_ < 0;
}

bool Recordset::Eof() const {
  RequireOpen();
  return visible_.empty() || pos_ >= static_cast<long>(visible_.size());
}

void Recordset::MoveFirst() {
  RequireOpen();
  if (visible_.empty()) throw NoCurrentRecordError();
  pos_ = 0;
}

void Recordset::MoveNext() {
  RequireOpen();
  if (Eof()) throw NoCurrentRecordError();
  ++pos_;
}

size_t Recordset::FieldCount() const {
  RequireOpen();
  return data_->fields.size();
}

std::string Recordset::FieldName(size_t index) const {
  RequireOpen();
  if (index >= data_->fields.size()) throw ItemNotFoundError(std::to_string(index));
  return data_->fields[index].name;
}

bool Recordset::HasField(std::string_view name) const {
  RequireOpen();
  const std::string wanted = Trim(name);
  for (const auto& f : data_->fields)
    if (EqualsNoCase(f.name, wanted)) return true;
  return false;
}

// Names are found without regard to letter case or blanks around them. A name
// that is not there is reported with the names that are, so a mapping that
// does not fit its sheet says what the sheet offers.
size_t Recordset::FieldIndex(std::string_view name) const {
  RequireOpen();
  const std::string wanted = Trim(name);
  for (size_t i = 0; i < data_->fields.size(); ++i)
    if (EqualsNoCase(data_->fields[i].name, wanted)) return i;
  std::string source = data_->source.empty() ? "the record set" : data_->source;
  source[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(source[0])));
  std::string names;
  for (const auto& f : data_->fields) names += (names.empty() ? "" : ", ") + f.name;
  throw Error(source + " has no column '" + std::string(name) +
              "'; its columns are: " + (names.empty() ? "(none)" : names));
}

Variant& Recordset::Current(size_t field) const {
  if (Bof() || Eof()) throw NoCurrentRecordError();
  return data_->At(visible_[static_cast<size_t>(pos_)], field);
}

const Variant& Recordset::Value(std::string_view name) const {
  const size_t i = FieldIndex(name);
  return Current(i);
}

const Variant& Recordset::Value(size_t index) const {
  RequireOpen();
  if (index >= data_->fields.size()) throw ItemNotFoundError(std::to_string(index));
  return Current(index);
}

int Recordset::Type(std::string_view name) const { return Type(FieldIndex(name)); }

int Recordset::Type(size_t index) const {
  RequireOpen();
  if (index >= data_->fields.size()) throw ItemNotFoundError(std::to_string(index));
  const int declared = data_->fields[index].type;
  if (declared != adtype::kPerValue) return declared;
  if (Bof() || Eof()) return adtype::kVarWChar;
  return TypeCodeOfValue(Current(index));
}

int Recordset::DefinedSize(std::string_view name) const { return DefinedSize(FieldIndex(name)); }

int Recordset::DefinedSize(size_t index) const {
  RequireOpen();
  if (index >= data_->fields.size()) throw ItemNotFoundError(std::to_string(index));
  return data_->fields[index].size;
}

void Recordset::SetValue(std::string_view name, Variant value) {
  const size_t i = FieldIndex(name);
  if (Bof() || Eof()) throw NoCurrentRecordError();
  Current(i) = std::move(value);
}

void Recordset::AddNew() {
  RequireOpen();
  data_->cells.resize(data_->cells.size() + data_->fields.size());
  ++data_->rows;
  // The new row stays visible until the filter is set again, as the platform does.
  visible_.push_back(data_->rows - 1);
  pos_ = static_cast<long>(visible_.size()) - 1;
}

namespace {

struct Criterion {
  std::string field;
  bool equal = true;
  std::string value;
};

Criterion ParseCriterion(const std::string& text) {
  Criterion c;
  size_t op = text.find("<>");
  size_t op_len = 2;
  if (op == std::string::npos) {
    op = text.find('=');
    op_len = 1;
  } else {
    c.equal = false;
  }
  if (op == std::string::npos) throw Error("Filter cannot be opened: " + text);
  c.field = Trim(text.substr(0, op));
  std::string v = Trim(text.substr(op + op_len));
  if (v.size() < 2 || v.front() != '\'' || v.back() != '\'')
    throw Error("Filter cannot be opened: " + text);
  c.value = v.substr(1, v.size() - 2);
  return c;
}

std::string RightTrimmed(const std::string& s) {
  size_t e = s.size();
  while (e > 0 && s[e - 1] == ' ') --e;
  return s.substr(0, e);
}

}  // namespace

void Recordset::SetFilter(const std::string& criterion) {
  RequireOpen();
  filter_ = criterion;
  RebuildVisible();
  pos_ = 0;
}

void Recordset::RebuildVisible() {
  visible_.clear();
  if (Trim(filter_).empty()) {
    for (size_t i = 0; i < data_->rows; ++i) visible_.push_back(i);
    return;
  }
  const Criterion c = ParseCriterion(filter_);
  const size_t field = FieldIndex(c.field);
  for (size_t i = 0; i < data_->rows; ++i) {
    const Variant& v = data_->At(i, field);
    // A field without a value matches neither '=' nor '<>'.
    if (v.is_null() || v.is_empty()) continue;
    const bool same = EqualsNoCase(RightTrimmed(ToText(v)), RightTrimmed(c.value));
    if (same == c.equal) visible_.push_back(i);
  }
}

Recordset Recordset::Clone() const {
  RequireOpen();
  Recordset r;
  r.data_ = data_;
  r.open_ = true;
  r.cursor_location_ = cursor_location_;
  r.RebuildVisible();
  r.pos_ = 0;
  return r;
}

size_t Recordset::RecordCount() const {
  RequireOpen();
  return visible_.size();
}

}  // namespace vantrel
