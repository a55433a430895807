#pragma once

#include <string>
#include <vector>

#include "platform/variant/variant.h"

namespace vantrel {

// Field type codes of the platform's data type enumeration.
namespace adtype {
constexpr int kEmpty = 0;
constexpr int kSmallInt = 2;
constexpr int kInteger = 3;
constexpr int kSingle = 4;
constexpr int kDouble = 5;
constexpr int kCurrency = 6;
constexpr int kDate = 7;
constexpr int kBoolean = 11;
constexpr int kTinyInt = 16;
constexpr int kBigInt = 20;
constexpr int kChar = 129;
constexpr int kNumeric = 131;
constexpr int kDBDate = 133;
constexpr int kDBTimeStamp = 135;
constexpr int kVarChar = 200;
constexpr int kVarWChar = 202;
// Not a platform code: the type follows each value (worksheet cells).
constexpr int kPerValue = -1;
}  // namespace adtype

// The type code a value reports where its field has no declared type.
int TypeCodeOfValue(const Variant& v);

// Whether a type code is one of text (the targets name text columns by
// different codes).
bool IsTextType(int type);

struct FieldDef {
  std::string name;
  int type = adtype::kPerValue;
  int size = 0;  // as Recordset::DefinedSize reports it
};

using Row = std::vector<Variant>;

// The whole result of one query, as a provider hands it over.
struct RowSet {
  std::vector<FieldDef> fields;
  std::vector<Row> rows;
  // What the rows are, for messages ("the worksheet of 'book.csv'"); empty
  // for a record set.
  std::string source;
};

}  // namespace vantrel
