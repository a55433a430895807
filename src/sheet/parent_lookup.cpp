#include "sheet/parent_lookup.h"

#include "dbhelpers/clean_sql_text.h"
#include "frame/counters.h"
#include "frame/handler.h"
#include "frame/module_state.h"
#include "frame/processer_state.h"
#include "platform/dao/connection.h"
#include "platform/dao/recordset.h"
#include "platform/variant/convert.h"

namespace vantrel {

bool FindParentCode(ProcesserState& s, const std::string& kind, std::string& name) {
  bool found = false;
  RunHandled(
      [&] {
        ReplaceLookup();
        const std::string k = ToLower(kind);
        if (k == "accountledger" || k == "accounthead") {
          CleanSqlText(name);
          Recordset& rs = LookupQuery("select headcode from accounthead where headname like '" +
                                      LikeLiteral(name) + "'");
          if (!rs.HasRows()) return;
          found = true;
          s.found_code = ToInt16(rs.Value("headcode"));
        } else if (k == "productgroup") {
          CleanSqlText(name);
          Recordset& rs = LookupQuery("select gpcode from productgroup where gpname like '" +
                                      LikeLiteral(name) + "'");
          if (!rs.HasRows()) {
            s.found_code = Counters().next_group_code;
            return;
          }
          found = true;
          s.found_code = ToInt16(rs.Value("gpcode"));
        }
      },
      msgstyle::kInformation, "Orvik", &s.error_flag);
  return found;
}

int32_t GroupCodeByName(ProcesserState& s, const Variant& name) {
  int32_t code = 0;
  RunHandled(
      [&] {
        ReplaceLookup();
        std::string n = JoinText(name);
        CleanSqlText(n);
        Recordset& rs = LookupQuery("select gpcode from productgroup where gpname like '" +
                                    LikeLiteral(n) + "'");
        code = rs.HasRows() ? ToInt32(rs.Value("gpcode")) : 1;
      },
      msgstyle::kInformation, "Orvik", &s.error_flag);
  return code;
}

int16_t PrepareUnitId(ProcesserState& s, std::string product_code, std::string unit_name) {
  int16_t id = 0;
  RunHandled(
      [&] {
        ReplaceLookup();
        CleanSqlText(product_code);
        CleanSqlText(unit_name);
        TargetConnection().Execute("DELETE FROM PRODUCTUNITS WHERE PCODE LIKE '" +
                                   LikeLiteral(product_code) + "' and UNIT LIKE '" +
                                   LikeLiteral(unit_name) + "'");
        Recordset& rs =
            LookupQuery("SELECT MAX(UNITID)+1 AS UNITID FROM PRODUCTUNITS WHERE PCODE LIKE'" +
                        LikeLiteral(product_code) + "'");
        const Variant& v = rs.Value("UnitId");
        id = v.is_null() ? int16_t{1} : ToInt16(v);
        CloseLookupIfOpen();
      },
      msgstyle::kInformation, "Orvik", &s.error_flag);
  return id;
}

}  // namespace vantrel
