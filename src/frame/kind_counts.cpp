#include "frame/kind_counts.h"

#include "frame/processer_state.h"
#include "platform/variant/convert.h"

namespace vantrel {

void CountRecord(ProcesserState& s, const std::string& kind, CountAs what) {
  KindCount* count = nullptr;
  for (KindCount& c : s.counts)
    if (c.kind == kind) count = &c;
  if (!count) {
    s.counts.push_back(KindCount{kind});
    count = &s.counts.back();
  }
  switch (what) {
    case CountAs::kWritten:
      ++count->written;
      break;
    case CountAs::kAlreadyThere:
      ++count->already_there;
      break;
    case CountAs::kRefused:
      ++count->refused;
      break;
  }
}

CountAs CountOfRefusal(Reason reason) {
  switch (reason) {
    case Reason::kHeaderExists:
    case Reason::kLedgerExists:
    case Reason::kGroupExists:
    case Reason::kAlreadyExists:
      return CountAs::kAlreadyThere;
    default:
      return CountAs::kRefused;
  }
}

std::string CountKindOfImport(const std::string& import_kind) {
  static const struct {
    const char* import_kind;
    const char* count_kind;
  } kKinds[] = {{"account-heads", "account heads"},
                {"accounts", "ledgers"},
                {"product-groups", "product groups"},
                {"products", "products"},
                {"batches", "batches"},
                {"opening-stock", "opening stock"}};
  for (const auto& k : kKinds)
    if (import_kind == k.import_kind) return k.count_kind;
  return import_kind;
}

DateValue OpeningDate(const ProcesserState& s) { return s.as_of ? *s.as_of : Today(); }

}  // namespace vantrel
