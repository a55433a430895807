#include "dbhelpers/build_in_list.h"

#include "frame/module_state.h"
#include "platform/common/error.h"
#include "platform/dao/recordset.h"
#include "platform/variant/convert.h"

namespace vantrel {

std::string BuildInList(const std::string& sql, bool text_list) {
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
    return none;
  }
}

}  // namespace vantrel
