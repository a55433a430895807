#include "dbhelpers/lookups.h"

#include "dbhelpers/clean_sql_text.h"
#include "frame/module_state.h"
#include "platform/common/name_key.h"
#include "platform/dao/connection.h"
#include "platform/dao/recordset.h"
#include "platform/pcode/pcode_generator.h"
#include "platform/variant/convert.h"
#include "vantrel/DependProcesser.h"

namespace vantrel {
namespace {

// Fixed head codes of the default heads 1 to 28; 0 marks "Deposits (Asset)"
// and "Misc. Expenses (ASSET)", whose code depends on the kind.
constexpr int16_t kFixedHeadCodes[29] = {0,  17, 18, 7,  10, 11, 1,  0,  12, 56, 9, 23, 26, 25, 24,
                                         37, 30, 3,  40, 34, 6,  19, 59, 20, 21, 0, 38, 31, 27};

// Default head names compare as every name does: without regard to letter case.
bool IsDefaultHead(const std::string& trimmed) {
  for (const auto& head : DefaultHeads())
    if (NamesEqual(head, trimmed)) return true;
  return false;
}

bool QueryHasRows(const std::string& sql) { return LookupQuery(sql).HasRows(); }

}  // namespace

// These three raise a failing query to their caller: a lookup that fails is
// an error of the import, never a "not found" that would add a record twice.

int16_t HeadCodeOfParent(std::string& parent, const std::string& kind) {
  const std::string t = Trim(parent);
  const auto& heads = DefaultHeads();
  for (int i = 1; i <= 28; ++i) {
    if (!NamesEqual(heads[static_cast<size_t>(i)], t)) continue;
    if (kFixedHeadCodes[i] != 0) return kFixedHeadCodes[i];
    if (kind == "G") return 2;
    break;
  }
  std::string name = t;
  if (name.empty()) return 0;
  CleanSqlText(name);
  Recordset& rs =
      LookupQuery("SELECT HEADCODE FROM ACCOUNTHEAD WHERE TRIM(HEADNAME)='" + name + "'");
  return rs.HasRows() ? ToInt16(rs.Value("headcode")) : int16_t{0};
}

bool LedgerExists(std::string& name) {
  CloseLookupIfOpen();
  const std::string c = CleanSqlText(name);
  if (QueryHasRows("SELECT * FROM ACCOUNTLEDGER WHERE LEDNAME LIKE'" + LikeLiteral(c) + "'"))
    return true;
  return IsDefaultHead(Trim(name));
}

bool HeadExists(std::string& name) {
  const auto& heads = DefaultHeads();
  if (NamesEqual(Trim(name), heads[0])) return true;
  CloseLookupIfOpen();
  const std::string c = CleanSqlText(name);
  if (QueryHasRows("SELECT * FROM ACCOUNTHEAD WHERE HEADNAME like '" + LikeLiteral(c) + "'"))
    return true;
  const std::string t = Trim(name);
  return !NamesEqual(t, heads[25]) && !NamesEqual(t, heads[7]) && IsDefaultHead(t);
}

bool GroupExists(std::string& name) {
  CloseLookupIfOpen();
  const std::string c = CleanSqlText(name);
  return QueryHasRows("SELECT * FROM PRODUCTGROUP WHERE GPNAME like '" + LikeLiteral(c) + "'");
}

Variant GroupCodeOfParent(std::string& parent, const std::string& kind) {
  std::string n = Trim(parent);
  CleanSqlText(n);
  std::string sql;
  if (kind == "G") {
    sql = "SELECT GPCODE FROM PRODUCTGROUP WHERE TRIM(GPNAME)='" + n + "'";
  } else {
    if (n.empty()) return Variant();
    sql = "SELECT GPCODE FROM PRODUCTGROUP WHERE TRIM(GPNAME)=\"" + n + "\"";
  }
  Recordset& rs = LookupQuery(sql);
  if (rs.HasRows()) return rs.Value("gpcode");
  return Variant();
}

bool ProductExists(std::string& name, int32_t group_code) {
  CloseLookupIfOpen();
  const std::string x = group_code > 0 ? " and gpcode=" + std::to_string(group_code) : "";
  const std::string c = CleanSqlText(name);
  return QueryHasRows("SELECT * FROM PRODUCT WHERE PNAME like '" + LikeLiteral(c) + "'" + x);
}

bool DepotExists(std::string& name) {
  CloseLookupIfOpen();
  const std::string c = CleanSqlText(name);
  return QueryHasRows("SELECT DNAME FROM DEPOT WHERE DNAME like '" + LikeLiteral(c) + "'");
}

void SetPCodeParam(const Variant& code) {
  std::string text = JoinText(code);
  CleanSqlText(text);
  const bool ends_in_digit = !text.empty() && text.back() >= '0' && text.back() <= '9';
  const std::string value = ends_in_digit ? text : "";
  TargetConnection().Execute("Update ParamList Set ParamValue = '" + value +
                             "' where ParamName = 'PCode' and ParamType = 4");
  CloseLookupIfOpen();
}

std::string ReadPCodeParam() {
  Recordset rs;
  rs.Open("Select ParamValue from Paramlist where ParamName = 'PCode' and ParamType = 4",
          TargetConnection(), 1, 3);
  std::string result;
  if (rs.HasRows()) {
    const Variant& v = rs.Value(size_t{0});
    result = v.is_null() ? "1" : NextProductCodeAfter(ToText(v));
  }
  rs.Close();
  return result;
}

std::string PCodeOfName(std::string& name) {
  CleanSqlText(name);
  Recordset& rs =
      LookupQuery("SELECT PCode FROM PRODUCT WHERE PName LIKE '" + LikeLiteral(name) + "'");
  if (rs.HasRows()) return ToText(rs.Value("PCode"));
  return "";
}

bool PCodeExists(std::string& code) {
  CleanSqlText(code);
  return QueryHasRows("SELECT * FROM PRODUCT WHERE PCODE LIKE '" + LikeLiteral(code) + "'");
}

std::string StoredPCode(const std::string& code) {
  const RowSet r = TargetConnection().Query("SELECT PCode FROM PRODUCT WHERE PCODE LIKE '" +
                                            LikeLiteral(code) + "'");
  return r.rows.empty() ? "" : JoinText(r.rows[0][0]);
}

std::vector<std::string> PCodesOfName(const std::string& name) {
  const RowSet r = TargetConnection().Query("SELECT PCode FROM PRODUCT WHERE PName LIKE '" +
                                            LikeLiteral(name) + "' ORDER BY PCode");
  std::vector<std::string> codes;
  for (const Row& row : r.rows) codes.push_back(JoinText(row[0]));
  return codes;
}

std::optional<int16_t> BatchIdOf(const std::string& product_code, const std::string& batch_name) {
  const RowSet r = TargetConnection().Query("SELECT BATCHID FROM PRODUCTBATCH WHERE PCODE LIKE '" +
                                            LikeLiteral(product_code) + "' AND BATCHNAME LIKE '" +
                                            LikeLiteral(batch_name) + "' ORDER BY BATCHID");
  if (r.rows.empty()) return std::nullopt;
  return ToInt16(r.rows[0][0]);
}

std::optional<ProductUnit> UnitOfProduct(const std::string& product_code,
                                         const std::string& unit_name) {
  const RowSet r = TargetConnection().Query(
      "SELECT UnitId, CF FROM PRODUCTUNITS WHERE PCODE LIKE '" + LikeLiteral(product_code) +
      "' AND UNIT LIKE '" + LikeLiteral(unit_name) + "' ORDER BY UnitId");
  if (r.rows.empty()) return std::nullopt;
  const Variant& cf = r.rows[0][1];
  return ProductUnit{ToInt16(r.rows[0][0]), cf.is_null() ? 0 : ToDouble(cf)};
}

std::string LedgerCodeOf(const std::string& name) {
  const RowSet r = TargetConnection().Query(
      "SELECT LEDCODE FROM ACCOUNTLEDGER WHERE LEDNAME LIKE '" + LikeLiteral(name) + "'");
  std::string code;
  double lowest = 0;
  // Codes are texts of numbers: the lowest by number, as the codes were given.
  for (const Row& row : r.rows) {
    const std::string text = ToText(row[0]);
    const double number = LeadingNumber(text);
    if (code.empty() || number < lowest) {
      code = text;
      lowest = number;
    }
  }
  return code;
}

std::optional<int16_t> DepotCodeOf(const std::string& name) {
  const RowSet r = TargetConnection().Query("SELECT DCODE FROM DEPOT WHERE DNAME LIKE '" +
                                            LikeLiteral(name) + "' ORDER BY DCODE");
  if (r.rows.empty()) return std::nullopt;
  return ToInt16(r.rows[0][0]);
}

std::optional<std::string> BaseUnitOf(const std::string& product_code) {
  const RowSet r = TargetConnection().Query("SELECT UNIT FROM PRODUCTUNITS WHERE PCODE LIKE '" +
                                            LikeLiteral(product_code) + "' AND UNITID=0");
  if (r.rows.empty() || r.rows[0][0].is_null()) return std::nullopt;
  return ToText(r.rows[0][0]);
}

int16_t NextUnitId(const std::string& product_code) {
  const RowSet r = TargetConnection().Query(
      "SELECT MAX(UNITID)+1 AS UNITID FROM PRODUCTUNITS WHERE PCODE LIKE '" +
      LikeLiteral(product_code) + "'");
  const Variant& v = r.rows.empty() ? Variant() : r.rows[0][0];
  return v.is_null() ? int16_t{1} : ToInt16(v);
}

}  // namespace vantrel
