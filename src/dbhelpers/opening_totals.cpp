#include "dbhelpers/opening_totals.h"

#include <map>

#include "frame/module_state.h"
#include "platform/dao/connection.h"
#include "platform/variant/convert.h"

namespace vantrel {
namespace {

double NumberOf(const Variant& v) { return v.is_null() ? 0 : ToDouble(v); }

}  // namespace

OpeningTotals ReadOpeningTotals() {
  Connection& target = TargetConnection();
  OpeningTotals totals;
  const RowSet lines = target.Query(
      "select sum(dbamt), sum(cramt) from generalledger where vtype='JP' and "
      "particulars='[Opening Balance]'");
  if (!lines.rows.empty()) {
    totals.debit = NumberOf(lines.rows[0][0]);
    totals.credit = NumberOf(lines.rows[0][1]);
  }
  std::map<int32_t, DepotStock> depots;
  for (const Row& row :
       target.Query("select dcode, count(distinct pcode), sum(os) from inventory group by dcode")
           .rows) {
    DepotStock& d = depots[ToInt32(row[0])];
    d.items = ToInt32(row[1]);
    d.quantity = NumberOf(row[2]);
  }
  for (const Row& row : target
                            .Query("select dcode, sum(amt) from transactionreceipts where "
                                   "rcpttype='OS' group by dcode")
                            .rows) {
    const double value = NumberOf(row[1]);
    depots[ToInt32(row[0])].value = value;
    totals.stock_value += value;
  }
  if (depots.empty()) return totals;
  std::map<int32_t, std::string> names;
  for (const Row& row : target.Query("select dcode, dname from depot").rows)
    names[ToInt32(row[0])] = row[1].is_null() ? "" : ToText(row[1]);
  for (auto& [dcode, stock] : depots) {
    stock.dcode = dcode;
    stock.name = names[dcode];
    totals.depots.push_back(stock);
  }
  return totals;
}

}  // namespace vantrel
