#pragma once

#include <string>

#include "frame/refusal.h"
#include "platform/variant/variant.h"

namespace vantrel {

struct ProcesserState;

// What happened to one record of a kind, for the import's counts per kind.
enum class CountAs { kWritten, kAlreadyThere, kRefused };

// Counts one record of `kind` ("ledgers", "opening stock", ...) in the
// import's counts, adding the kind where it is first met.
void CountRecord(ProcesserState& s, const std::string& kind, CountAs what);

// A refusal that only says the target already has the record.
CountAs CountOfRefusal(Reason reason);

// The kind a workbook import's rows count as ("accounts" rows are ledgers).
std::string CountKindOfImport(const std::string& import_kind);

// Opening dates: the migration's as-of date when one is given, else today.
DateValue OpeningDate(const ProcesserState& s);

}  // namespace vantrel
