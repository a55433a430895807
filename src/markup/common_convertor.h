#pragma once

#include <cstdint>
#include <set>
#include <string>

#include "frame/refusal.h"
#include "platform/message/message.h"

namespace vantrel {

class Recordset;
struct ProcesserState;

// Counts a record of the export that is not written and lists it with its
// reason, for the host's summary and rejects list.
void RecordSkipped(ProcesserState& s, const std::string& kind, const std::string& name,
                   const std::string& parent, Reason reason);
// The same for a part of a record (its balance, units or stock), counted
// under `count_kind` but not as a skipped record; the refusal's column and
// value name the element and its text.
void RecordSkipped(ProcesserState& s, const std::string& kind, const std::string& name,
                   const std::string& parent, const Refusal& refusal, const char* count_kind);
// The kind an export's element counts as ("LEDGER" records are ledgers).
const char* CountKindOfElement(const std::string& element);

// Writes what the markup reader staged into the target: account groups as
// heads and ledgers; stock groups, stock items and godowns. Every staged
// record is either written or skipped with its reason (existing records
// included). An error ends the import; the records after it are not written.
class CommonConvertor {
 public:
  explicit CommonConvertor(ProcesserState& s) : s_(s) {}
  void AddToOrvikAcc(Recordset& rsLedG, Recordset& rsLedL);
  void AddToOrvikPro(Recordset& rsProG, Recordset& rsProI);
  // The depots' step counts the godowns the reader refused before staging.
  void AddToOrvikDepo(Recordset& rsDepo, ProgressStep& step);

 private:
  void Write(const std::string& sql, int16_t& code, const char* counter, const char* element);

  ProcesserState& s_;
  std::set<const int16_t*> spent_;  // counters whose last code is used
};

}  // namespace vantrel
