#include "dbhelpers/build_in_list.h"

#include "frame/dialect.h"

namespace vantrel {

std::string BuildInList(const std::string& sql, bool text_list) {
  return SelectAsList(sql, text_list);
}

}  // namespace vantrel
