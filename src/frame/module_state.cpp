#include "frame/module_state.h"

#include "frame/counters.h"
#include "platform/dao/connection.h"
#include "platform/dao/recordset.h"

namespace vantrel {
namespace {

struct ModuleState {
  DefaultHeadList default_heads;
  std::shared_ptr<Connection> target;
  std::shared_ptr<Recordset> lookup = std::make_shared<Recordset>();
};

ModuleState& Module() {
  static ModuleState state;
  return state;
}

}  // namespace

const DefaultHeadList& DefaultHeads() { return Module().default_heads; }

void AssignDefaultHeads() {
  Module().default_heads = {"Branch / Divisions",
                            "Capital Account",
                            "Reserves & Surplus",
                            "Current Assets",
                            "Bank Accounts",
                            "Cash-in-hand",
                            "Cash",
                            "Deposits (Asset)",
                            "Loans & Advances (Asset)",
                            "Stock-in-hand",
                            "Sundry Debtors",
                            "Current Liabilities",
                            "Duties & Taxes",
                            "Provisions",
                            "Sundry Creditors",
                            "Direct Expenses",
                            "Direct Incomes",
                            "Fixed Assets",
                            "Indirect Expenses",
                            "Indirect Incomes",
                            "Investments",
                            "Loans (Liability)",
                            "Bank OD A/c",
                            "Secured Loans",
                            "Unsecured Loans",
                            "Misc. Expenses (ASSET)",
                            "Purchase Accounts",
                            "Sales Accounts",
                            "Suspense A/c",
                            "Profit & Loss A/c"};
}

Connection& TargetConnection() {
  auto& target = Module().target;
  if (!target) target = std::make_shared<Connection>();
  return *target;
}

void ReleaseTargetConnection() {
  auto& target = Module().target;
  if (target && target->State() == Connection::kOpen) target->Close();
  target.reset();
}

Recordset& LookupRecordset() { return *Module().lookup; }

void CloseLookupIfOpen() {
  if (Module().lookup->State() == Recordset::kOpen) Module().lookup->Close();
}

void ReplaceLookup() { Module().lookup = std::make_shared<Recordset>(); }

Recordset& LookupQuery(const std::string& sql) {
  CloseLookupIfOpen();
  Module().lookup->Open(sql, TargetConnection());
  return *Module().lookup;
}

void SetLookupRecordset(std::shared_ptr<Recordset> rs) { Module().lookup = std::move(rs); }

CodeCounters& Counters() {
  static CodeCounters counters;
  return counters;
}

}  // namespace vantrel
