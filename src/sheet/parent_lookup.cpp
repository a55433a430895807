#include "sheet/parent_lookup.h"

#include "dbhelpers/clean_sql_text.h"
#include "dbhelpers/held_tables.h"
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
    if (HeldTable* held = Held(HeldKind::kHeads)) {
      const size_t* row = First(*held, held->Matches(0, {name}), 0);
      if (!row) return false;
      s.found_code = ToInt16(held->At(*row, 0));
      return true;
    }
    Recordset& rs = LookupQuery("select headcode from accounthead where headname like '" +
                                LikeLiteral(name) + "'");
    if (!rs.HasRows()) return false;
    s.found_code = ToInt16(rs.Value("headcode"));
    return true;
  }
  if (k == "productgroup") {
    CleanSqlText(name);
    if (HeldTable* held = Held(HeldKind::kGroups)) {
      const size_t* row = First(*held, held->Matches(0, {name}), 0);
      s.found_code = row ? ToInt16(held->At(*row, 0)) : Counters().next_group_code;
      return row != nullptr;
    }
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
  if (HeldTable* held = Held(HeldKind::kGroups)) {
    const size_t* row = First(*held, held->Matches(0, {n}), 0);
    return row ? ToInt32(held->At(*row, 0)) : 1;
  }
  Recordset& rs =
      LookupQuery("select gpcode from productgroup where gpname like '" + LikeLiteral(n) + "'");
  return rs.HasRows() ? ToInt32(rs.Value("gpcode")) : 1;
}

}  // namespace vantrel
