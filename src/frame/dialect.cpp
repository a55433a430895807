#include "frame/dialect.h"

#include <exception>

#include "frame/module_state.h"
#include "platform/dao/connection.h"
#include "platform/dao/recordset.h"
#include "platform/variant/convert.h"
#include "vantrel/DependProcesser.h"

namespace vantrel {
namespace {

class CompanyFileDialect : public Dialect {
 public:
  std::string Statement(const std::string& sql) const override { return sql; }
  std::string StoredDate(DateValue d) const override { return DateText(d); }
  const char* NextLedgerCodeQuery() const override {
    return "SELECT MAX(CINT(LEDCODE))+1 AS LEDCODE FROM ACCOUNTLEDGER";
  }
  const char* NextProductCodeQuery() const override {
    return "SELECT MAX(VAL(PCODE))+1 AS PCODE FROM PRODUCT";
  }
  int32_t ReadNextJournalVoucher() const override {
    Recordset& jp =
        LookupQuery("SELECT paramvalue  FROM PARAMLIST WHERE PARAMNAME='JP' and PARAMTYPE=3");
    const Variant& v = jp.Value(size_t{0});
    return v.is_null() ? 1 : static_cast<int32_t>(LeadingNumber(ToText(v)) + 1);
  }
  std::string InList(const std::string& select) const override { return select; }
  // In-process: a statement costs no round trip.
  size_t InsertBatchRows() const override { return 0; }
};

class ServerDialect : public Dialect {
 public:
  std::string Statement(const std::string& sql) const override { return WithoutBrackets(sql); }
  std::string StoredDate(DateValue d) const override { return FormatDate(d, "yyyymmdd"); }
  const char* NextLedgerCodeQuery() const override {
    return "SELECT MAX(Cast(LEDCODE as signed))+1 AS LEDCODE FROM ACCOUNTLEDGER";
  }
  const char* NextProductCodeQuery() const override {
    return "SELECT MAX(CAST(PCODE AS UNSIGNED))+1 AS PCODE FROM PRODUCT";
  }
  int32_t ReadNextJournalVoucher() const override {
    Recordset& jp = LookupQuery(
        "SELECT ifnull(cast(paramvalue as signed),0)+1 AS VNO FROM PARAMLIST WHERE "
        "PARAMNAME='JP' and PARAMTYPE=3");
    return ToInt32(jp.Value("vno"));
  }
  std::string InList(const std::string& select) const override {
    return SelectAsList(select, false);
  }
  size_t InsertBatchRows() const override { return 1000; }
};

}  // namespace

const Dialect& DialectOf(int32_t target_type) {
  static const CompanyFileDialect file;
  static const ServerDialect server;
  if (target_type == typeMultiUser) return server;
  return file;
}

std::string SelectAsList(const std::string& sql, bool text_list) {
  const std::string none = text_list ? "''" : "-1";
  try {
    Recordset rs;
    rs.Open(sql, TargetConnection(), 1);
    const std::string quote = text_list ? "'" : "";
    // The list starts with the element that matches nothing, dropped again below.
    std::string list = none + ",";
    for (; !rs.Eof(); rs.MoveNext())
      list += quote + Trim(JoinText(rs.Value(size_t{0}))) + quote + ",";
    list.pop_back();
    list.erase(0, 3);
    return Trim(list).empty() ? none : list;
  } catch (const std::exception&) {
    // A list that cannot be read matches nothing.
    return none;
  }
}

std::string WithoutBrackets(const std::string& sql) {
  std::string out;
  out.reserve(sql.size());
  char quote = 0;  // the quote of the text literal we stand in, if any
  for (char c : sql) {
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == '\'' || c == '"') {
      quote = c;
    } else if (c == '[' || c == ']') {
      continue;
    }
    out += c;
  }
  return out;
}

}  // namespace vantrel
