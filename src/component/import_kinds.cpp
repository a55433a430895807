// The import methods by the names hosts know them by: one table for the tool,
// the C interface and any other host.
#include <utility>

#include "vantrel/DependProcesser.h"

namespace vantrel {
namespace {

using Method = void (DependProcesser::*)(bool&);

// In the order of the C function table.
const std::pair<ImportKind, Method> kTable[] = {
    {{"accounts", "ImportAccounts", true, true,
      "account groups and ledgers (export), ledgers with opening balances (workbook)"},
     &DependProcesser::ImportAccounts},
    {{"products", "ImportProducts", true, true,
      "stock groups and stock items (export), products with units (workbook)"},
     &DependProcesser::ImportProducts},
    {{"depots", "ImportDepots", true, false, "godowns as depots (export only)"},
     &DependProcesser::ImportDepots},
    {{"account-heads", "ImportAccountHeads", false, true, "account heads (workbook)"},
     &DependProcesser::ImportAccountHeads},
    {{"product-groups", "ImportProductGr", false, true, "product groups (workbook)"},
     &DependProcesser::ImportProductGr},
    {{"batches", "ImportBatch", false, true, "product batches (workbook)"},
     &DependProcesser::ImportBatch},
    {{"opening-stock", "ImportOS", false, true, "products, then their opening stock (workbook)"},
     &DependProcesser::ImportOS},
};

const std::pair<ImportKind, Method>* Find(std::string_view name) {
  for (const auto& entry : kTable)
    if (name == entry.first.name || name == entry.first.method) return &entry;
  return nullptr;
}

}  // namespace

const std::vector<ImportKind>& ImportKinds() {
  static const std::vector<ImportKind> kinds = [] {
    std::vector<ImportKind> list;
    for (const auto& entry : kTable) list.push_back(entry.first);
    return list;
  }();
  return kinds;
}

const ImportKind* FindImportKind(std::string_view name) {
  const auto* entry = Find(name);
  return entry ? &ImportKinds()[static_cast<size_t>(entry - kTable)] : nullptr;
}

bool RunImport(DependProcesser& processer, std::string_view name, bool& errOccured) {
  const auto* entry = Find(name);
  if (!entry) return false;
  // Started false, so errOccured speaks of this import alone whatever the caller passed.
  bool err = false;
  (processer.*(entry->second))(err);
  errOccured = err;
  return true;
}

}  // namespace vantrel
