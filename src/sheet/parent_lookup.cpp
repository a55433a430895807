#include "sheet/parent_lookup.h"

#include "dbhelpers/clean_sql_text.h"
#include "frame/counters.h"
#include "frame/module_state.h"
#include "frame/processer_state.h"
#include "platform/dao/connection.h"
#include "platform/dao/recordset.h"
#include "platform/variant/convert.h"

namespace vantrel {

// A failing query in these lookups is an error of the import: it goes to the
// caller's handler instead of reading as "not found", so nothing is added twice.

bool FindParentCode(ProcesserState& s, const std::string& kind, std::string& name) {
  ReplaceLookup();
  const std::string k = ToLower(kind);
  if (k == "accountledger" || k == "accounthead") {
    CleanSqlText(name);
    Recordset& rs = LookupQuery("select headcode from accounthead where headname like '" +
                                LikeLiteral(name) + "'");
    if (!rs.HasRows()) return false;
    s.found_code = ToInt16(rs.Value("headcode"));
    return true;
  }
  if (k == "productgroup") {
    CleanSqlText(name);
    Recordset& rs = LookupQuery("select gpcode from productgroup where gpname like '" +
                                LikeLiteral(name) + "'");
    if (!rs.HasRows()) {
      s.found_code = Counters().next_group_code;
      return false;
    }
    s.found_code = ToInt16(rs.Value("gpcode"));
    return true;
  }
  return false;
}

int32_t GroupCodeByName(ProcesserState&, const Variant& name) {
  ReplaceLookup();
  std::string n = JoinText(name);
  CleanSqlText(n);
  Recordset& rs =
      LookupQuery("select gpcode from productgroup where gpname like '" + LikeLiteral(n) + "'");
  return rs.HasRows() ? ToInt32(rs.Value("gpcode")) : 1;
}

}  // namespace vantrel
