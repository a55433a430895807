#include "sheet/opening_balance.h"

#include <cmath>

#include "frame/counters.h"
#include "frame/kind_counts.h"
#include "frame/processer_state.h"
#include "platform/variant/convert.h"

namespace vantrel {

std::string OpeningBalanceLine(const ProcesserState& s, double balance, int16_t serial,
                               const std::string& ledcode) {
  const std::string date = s.dialect().StoredDate(OpeningDate(s));
  const std::string columns = balance < 0 ? "cramt,dbamt" : "dbamt,cramt";
  return "insert into generalledger(vdate,vtype,vno,slno,ledcode,particulars," + columns +
         ")values('" + date + "','JP'," + std::to_string(Counters().journal_voucher_no) + "," +
         std::to_string(serial) + ",'" + ledcode + "','[Opening Balance]'," +
         NumberText(std::fabs(balance)) + ",null)";
}

}  // namespace vantrel
