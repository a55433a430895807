#include "markup/common_convertor.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "dbhelpers/clean_sql_text.h"
#include "dbhelpers/lookups.h"
#include "frame/counters.h"
#include "frame/import_frame.h"
#include "frame/kind_counts.h"
#include "frame/module_state.h"
#include "frame/processer_state.h"
#include "frame/refusal.h"
#include "markup/export_balances.h"
#include "markup/export_stock.h"
#include "markup/staging.h"
#include "platform/common/error.h"
#include "platform/common/name_key.h"
#include "platform/dao/connection.h"
#include "platform/dao/recordset.h"
#include "platform/variant/convert.h"

namespace vantrel {
namespace {

constexpr Reason kNameEmpty = Reason::kNameEmpty;
constexpr Reason kParentEmpty = Reason::kParentEmpty;
constexpr Reason kParentSpansLines = Reason::kParentSpansLines;
constexpr Reason kParentNotFound = Reason::kParentNotFound;
constexpr Reason kExists = Reason::kAlreadyExists;
constexpr Reason kOwnParent = Reason::kOwnParent;
constexpr Reason kUnderBranch = Reason::kUnderBranch;

// One staged record: its name and its parent (empty for a primary group or a godown).
struct Staged {
  std::string name;
  std::string parent;
};

// Every staged row in staging (document) order.
std::vector<Staged> ReadStaged(Recordset& rs, const char* name_field, const char* parent_field) {
  std::vector<Staged> rows;
  rs.SetFilter("");
  rows.reserve(rs.RecordCount());
  for (; !rs.Eof(); rs.MoveNext())
    rows.push_back({JoinText(rs.Value(name_field)),
                    parent_field ? JoinText(rs.Value(parent_field)) : std::string()});
  return rows;
}

// The name as the statements store it: quotes and backslashes removed, trimmed.
std::string Cleaned(std::string name) {
  CleanSqlText(name);
  return Trim(name);
}

// Staged names compared in memory: as stored, then folded as both targets
// compare names, so names equal here are equal there. Default head names
// compare the same way (NamesEqual).
std::string StagedKey(const std::string& name) { return NameKey(Cleaned(name)); }

bool SpansLines(const std::string& text) { return text.find_first_of("\r\n") != std::string::npos; }

void Run(const std::string& sql) { TargetConnection().Execute(sql); }

// Names that sub-groups staged anywhere in the export will be written under,
// for a group listed before its parent. A sub-group counts when nothing
// refuses it for its own sake and its parent is in the target or is itself
// such a sub-group. Worked out once, when the first group meets a parent the
// target does not have yet.
class StagedParents {
 public:
  using Test = std::function<bool(const Staged&)>;
  StagedParents(const std::vector<Staged>& subs, Test acceptable, Test parent_in_target)
      : subs_(subs), acceptable_(std::move(acceptable)), in_target_(std::move(parent_in_target)) {}

  bool Contains(const std::string& name) {
    if (!computed_) Compute();
    return names_.count(StagedKey(name)) != 0;
  }

 private:
  void Compute() {
    computed_ = true;
    std::unordered_map<std::string, std::vector<size_t>> waiting;  // parent name -> sub-groups
    std::vector<size_t> ready;
    for (size_t i = 0; i < subs_.size(); ++i) {
      if (!acceptable_(subs_[i])) continue;
      if (in_target_(subs_[i]))
        ready.push_back(i);
      else
        waiting[StagedKey(subs_[i].parent)].push_back(i);
    }
    while (!ready.empty()) {
      const std::string key = StagedKey(subs_[ready.back()].name);
      ready.pop_back();
      if (!names_.insert(key).second) continue;
      auto it = waiting.find(key);
      if (it == waiting.end()) continue;
      ready.insert(ready.end(), it->second.begin(), it->second.end());
      waiting.erase(it);
    }
  }

  const std::vector<Staged>& subs_;
  Test acceptable_;
  Test in_target_;
  bool computed_ = false;
  std::unordered_set<std::string> names_;
};

// A group written before its parent: its code and the parent's name. Its
// parent column is set once the parent is written.
struct PendingParent {
  int16_t code;
  std::string parent;
};

// The groups with a parent, in staging order; those without one go to `primaries`.
std::vector<Staged> SplitPrimaries(const std::vector<Staged>& groups,
                                   std::vector<Staged>& primaries) {
  std::vector<Staged> subs;
  for (const Staged& g : groups) (g.parent.empty() ? primaries : subs).push_back(g);
  return subs;
}

// Points each group written before its parent at the parent, now written.
// `parent_code` gives the parent's code as text, "" when there is none.
void SetPendingParents(const std::vector<PendingParent>& pending, const char* kind,
                       const std::function<std::string(std::string)>& parent_code,
                       const std::string& set_parent, const std::string& where_code) {
  for (const PendingParent& p : pending) {
    const std::string code = parent_code(p.parent);
    if (code.empty())
      throw Error("The parent group '" + p.parent + "' of the " + kind + " with code " +
                  std::to_string(p.code) + " was not written.");
    Run(set_parent + code + where_code + std::to_string(p.code));
  }
}

}  // namespace

const char* CountKindOfElement(const std::string& element) {
  if (element == "GODOWN") return "depots";
  if (element == "GROUP") return "account heads";
  if (element == "LEDGER") return "ledgers";
  if (element == "STOCKGROUP") return "product groups";
  return "products";
}

void RecordSkipped(ProcesserState& s, const std::string& kind, const std::string& name,
                   const std::string& parent, Reason reason) {
  ++s.rows_refused;
  RecordSkipped(s, kind, name, parent, {reason, "", "", ""}, CountKindOfElement(kind));
}

// A part of a record refused leaves the record written: RowsRefused, the
// records skipped, does not count it.
void RecordSkipped(ProcesserState& s, const std::string& kind, const std::string& name,
                   const std::string& parent, const Refusal& refusal, const char* count_kind) {
  CountRecord(s, count_kind, CountOfRefusal(refusal.reason));
  RejectedRecord r;
  r.kind = kind;
  r.name = name;
  r.parent = parent;
  r.reason = ReasonText(refusal);
  r.column = refusal.column;
  r.value = refusal.value;
  r.source = s.source_file;
  s.rejects.push_back(std::move(r));
}

// Runs a record's insert, uses up its code and counts it. The last code a
// counter can hold is used too; a record that would need one past it ends
// the import with a message naming the counter, and nothing more is written.
void CommonConvertor::Write(const std::string& sql, int16_t& code, const char* counter,
                            const char* element) {
  if (spent_.count(&code))
    throw Error(std::string("The next ") + counter +
                " would be 32768, past the last one the company database can hold (32767): "
                "the records after it were not written.");
  Run(sql);
  ++s_.rows_imported;
  CountRecord(s_, CountKindOfElement(element), CountAs::kWritten);
  if (code == INT16_MAX)
    spent_.insert(&code);
  else
    ++code;
}

void CommonConvertor::AddToOrvikAcc(Recordset& rsLedG, Recordset& rsLedL) {
  CodeCounters& c = Counters();
  const auto& heads = DefaultHeads();
  const std::vector<Staged> groups = ReadStaged(rsLedG, "GrpName", "GrpParent");
  const std::vector<Staged> ledgers = ReadStaged(rsLedL, "LedName", "LedParent");
  auto skip = [&](const char* kind, const Staged& r, Reason reason) {
    RecordSkipped(s_, kind, r.name, r.parent, reason);
  };

  // Of the primary groups only "Misc. Expenses (ASSET)" is written; the
  // others are heads every company already has.
  ProgressStep group_step("account groups", groups.size());
  std::vector<Staged> primaries;
  const std::vector<Staged> subs = SplitPrimaries(groups, primaries);
  for (const Staged& g : primaries) {
    group_step.Handled();
    std::string name = g.name;
    if (Cleaned(name).empty()) {
      skip("GROUP", g, kNameEmpty);
    } else if (NamesEqual(Trim(name), heads[25]) && !HeadExists(name)) {
      Write("insert into accounthead values(" + std::to_string(c.next_head_code) + ",'" +
                heads[25] + "',2,1)",
            c.next_head_code, "head code", "GROUP");
    } else {
      skip("GROUP", g, HeadExists(name) ? kExists : Reason::kPrimaryNotCreated);
    }
  }

  StagedParents later(
      subs,
      [&](const Staged& g) {
        return !Cleaned(g.name).empty() && !NamesEqual(g.parent, heads[0]) &&
               !SpansLines(g.parent) && StagedKey(g.parent) != StagedKey(g.name);
      },
      [&](const Staged& g) {
        std::string parent = g.parent;
        return NamesEqual(g.name, heads[7]) || HeadCodeOfParent(parent, "G") != 0;
      });
  std::vector<PendingParent> pending;
  for (const Staged& g : subs) {
    group_step.Handled();
    std::string name = g.name;
    std::string parent = g.parent;
    if (Cleaned(name).empty()) {
      skip("GROUP", g, kNameEmpty);
      continue;
    }
    if (NamesEqual(Trim(name), heads[7]) && !HeadExists(name)) {
      // Its staged parent is not used.
      Write("insert into accounthead values(" + std::to_string(c.next_head_code) + ",'" + heads[7] +
                "',2,1)",
            c.next_head_code, "head code", "GROUP");
      continue;
    }
    if (HeadExists(name)) {  // cleans the name for the statement too
      skip("GROUP", g, kExists);
      continue;
    }
    if (NamesEqual(parent, heads[0])) {
      // Not written, but it uses up its code.
      c.next_head_code = Increment16(c.next_head_code);
      skip("GROUP", g, kUnderBranch);
      continue;
    }
    if (SpansLines(parent)) {
      skip("GROUP", g, kParentSpansLines);
      continue;
    }
    if (StagedKey(parent) == StagedKey(name)) {
      skip("GROUP", g, kOwnParent);
      continue;
    }
    const int16_t parent_code = HeadCodeOfParent(parent, "G");
    if (parent_code == 0) {
      if (!later.Contains(parent)) {
        skip("GROUP", g, kParentNotFound);
        continue;
      }
      pending.push_back({c.next_head_code, parent});
    }
    Write("insert into accounthead values(" + std::to_string(c.next_head_code) + ",'" + name +
              "'," + std::to_string(parent_code) + ",1)",
          c.next_head_code, "head code", "GROUP");
  }
  SetPendingParents(
      pending, "head",
      [](std::string parent) {
        const int16_t code = HeadCodeOfParent(parent, "G");
        return code == 0 ? std::string() : std::to_string(code);
      },
      "update accounthead set underhead=", " where headcode=");

  ProgressStep ledger_step("ledgers", ledgers.size());
  const std::vector<std::optional<std::string>>& balances = Staging().ledger_balances;
  ExportBalances opening(s_);
  for (size_t i = 0; i < ledgers.size(); ++i) {
    const Staged& l = ledgers[i];
    const std::optional<std::string> balance =
        i < balances.size() ? balances[i] : std::optional<std::string>();
    auto refuse = [&](Reason reason) {
      skip("LEDGER", l, reason);
      opening.Refuse(l.name, l.parent, balance, ReasonText({reason, "", "", ""}));
    };
    ledger_step.Handled();
    std::string name = l.name;
    std::string parent = l.parent;
    if (Cleaned(name).empty()) {
      refuse(kNameEmpty);
    } else if (parent.empty()) {
      refuse(kParentEmpty);
    } else if (SpansLines(parent)) {
      refuse(kParentSpansLines);
    } else if (!HeadExists(parent)) {
      refuse(kParentNotFound);
    } else if (LedgerExists(name)) {
      skip("LEDGER", l, kExists);
      TransactionScope together(TargetConnection());
      opening.Apply(LedgerCodeOf(Trim(name)), false, l.name, l.parent, balance);
      together.Commit();
    } else {
      // A default head the company has no row of gives no code to write.
      const int16_t head_code = HeadCodeOfParent(parent, "");
      if (head_code == 0) {
        refuse(NamesEqual(Trim(parent), heads[0]) ? kUnderBranch : kParentNotFound);
        continue;
      }
      // The ledger and its opening balance line land together.
      TransactionScope together(TargetConnection());
      const std::string code = std::to_string(c.next_ledger_code);
      Write("INSERT INTO ACCOUNTLEDGER(LEDCODE,LEDNAME,HEADCODE) VALUES('" + code + "','" +
                Trim(name) + "'," + std::to_string(head_code) + ")",
            c.next_ledger_code, "ledger code", "LEDGER");
      opening.Apply(code, true, l.name, l.parent, balance);
      together.Commit();
    }
  }
}

void CommonConvertor::AddToOrvikPro(Recordset& rsProG, Recordset& rsProI) {
  CodeCounters& c = Counters();
  const std::vector<Staged> groups = ReadStaged(rsProG, "GrpName", "GrpParent");
  const std::vector<Staged> items = ReadStaged(rsProI, "ItemName", "ItemParent");
  auto skip = [&](const char* kind, const Staged& r, Reason reason) {
    RecordSkipped(s_, kind, r.name, r.parent, reason);
  };

  // Every primary stock group the company lacks is written first.
  ProgressStep group_step("stock groups", groups.size());
  std::vector<Staged> primaries;
  const std::vector<Staged> subs = SplitPrimaries(groups, primaries);
  for (const Staged& g : primaries) {
    group_step.Handled();
    std::string name = g.name;
    if (Cleaned(name).empty()) {
      skip("STOCKGROUP", g, kNameEmpty);
    } else if (GroupExists(name)) {
      skip("STOCKGROUP", g, kExists);
    } else {
      Write("insert into productgroup values(" + std::to_string(c.next_group_code) + ",'" +
                Trim(name) + "','',1,0)",
            c.next_group_code, "product group code", "STOCKGROUP");
    }
  }

  StagedParents later(
      subs,
      [&](const Staged& g) {
        return !Cleaned(g.name).empty() && !SpansLines(g.parent) &&
               StagedKey(g.parent) != StagedKey(g.name);
      },
      [&](const Staged& g) {
        std::string parent = g.parent;
        return !GroupCodeOfParent(parent, "G").is_empty();
      });
  std::vector<PendingParent> pending;
  for (const Staged& g : subs) {
    group_step.Handled();
    std::string name = g.name;
    std::string parent = g.parent;
    if (Cleaned(name).empty()) {
      skip("STOCKGROUP", g, kNameEmpty);
      continue;
    }
    if (GroupExists(name)) {
      skip("STOCKGROUP", g, kExists);
      continue;
    }
    if (SpansLines(parent)) {
      skip("STOCKGROUP", g, kParentSpansLines);
      continue;
    }
    if (StagedKey(parent) == StagedKey(name)) {
      skip("STOCKGROUP", g, kOwnParent);
      continue;
    }
    Variant parent_code = GroupCodeOfParent(parent, "G");
    if (parent_code.is_empty()) {
      if (!later.Contains(parent)) {
        skip("STOCKGROUP", g, kParentNotFound);
        continue;
      }
      pending.push_back({c.next_group_code, parent});
      parent_code = Variant(int16_t{0});
    }
    Write("insert into productgroup values(" + std::to_string(c.next_group_code) + ",\"" +
              Trim(name) + "\",''," + JoinText(parent_code) + ",0)",
          c.next_group_code, "product group code", "STOCKGROUP");
  }
  SetPendingParents(
      pending, "stock group",
      [](std::string parent) {
        const Variant code = GroupCodeOfParent(parent, "G");
        return code.is_empty() ? std::string() : JoinText(code);
      },
      "update productgroup set gpunder=", " where gpcode=");

  ProgressStep item_step("stock items", items.size());
  const std::vector<StagedStock>& figures = Staging().item_stock;
  // Shared with the failure work, which runs after this scope is left.
  const auto stock = std::make_shared<ExportStock>(s_);
  OnFailure receipts(s_, [stock] { stock->Finish(); });
  for (size_t i = 0; i < items.size(); ++i) {
    const Staged& item = items[i];
    const StagedStock none;
    const StagedStock& own = i < figures.size() ? figures[i] : none;
    auto refuse = [&](Reason reason) {
      skip("STOCKITEM", item, reason);
      stock->Refuse(item.name, item.parent, own, ReasonText({reason, "", "", ""}));
    };
    item_step.Handled();
    std::string name = item.name;
    std::string parent = item.parent;
    if (Cleaned(name).empty()) {
      refuse(kNameEmpty);
    } else if (parent.empty()) {
      refuse(kParentEmpty);
    } else if (SpansLines(parent)) {
      refuse(kParentSpansLines);
    } else if (!GroupExists(parent)) {
      refuse(kParentNotFound);
    } else if (ProductExists(name, 0)) {
      skip("STOCKITEM", item, kExists);
      const std::vector<std::string> codes = PCodesOfName(Trim(name));
      if (!codes.empty()) {
        TransactionScope together(TargetConnection());
        stock->Apply(codes.front(), false, item.name, item.parent, own);
        together.Commit();
      }
    } else {
      const Variant group_code = GroupCodeOfParent(parent, "");
      if (group_code.is_empty()) {
        refuse(kParentNotFound);
        continue;
      }
      // The item, its unit and its stock land together.
      TransactionScope together(TargetConnection());
      const double number = LeadingNumber(c.next_product_code);
      const std::string code = NumberText(number);
      // An item with a base unit buys and sells in it, unit id 0.
      const bool units = !ExportStock::BaseUnit(own).empty();
      Run(std::string("INSERT INTO PRODUCT(PCODE,PNAME,GPCODE") +
          (units ? ",PURCHASEUNIT,SALESUNIT" : "") + ") VALUES(\"" + code + "\",\"" + Trim(name) +
          "\"," + JoinText(group_code) + (units ? ",0,0" : "") + ")");
      c.next_product_code = NumberText(number + 1);
      ++s_.rows_imported;
      CountRecord(s_, "products", CountAs::kWritten);
      stock->Apply(code, true, item.name, item.parent, own);
      together.Commit();
    }
  }
  stock->Finish();
}

void CommonConvertor::AddToOrvikDepo(Recordset& rsDepo, ProgressStep& step) {
  CodeCounters& c = Counters();
  for (const Staged& d : ReadStaged(rsDepo, "DName", nullptr)) {
    step.Handled();
    std::string name = d.name;
    if (Cleaned(name).empty()) {
      RecordSkipped(s_, "GODOWN", d.name, "", kNameEmpty);
    } else if (DepotExists(name)) {
      RecordSkipped(s_, "GODOWN", d.name, "", kExists);
    } else {
      Write("insert into depot(dcode,dname) values(" + std::to_string(c.next_depot_code) + ",\"" +
                Trim(name) + "\")",
            c.next_depot_code, "depot code", "GODOWN");
    }
  }
}

}  // namespace vantrel
