#pragma once

#include <string>

namespace vantrel {

struct ProcesserState;

// Why a worksheet row (or a part of it) or a record of an export is not
// written. The texts are those of the import logs and the rejects lists and
// stay as they are, misspellings included.
enum class Reason {
  kHeadNameEmpty,
  kUnderheadNotExists,
  kHeaderExists,
  kHeaderNotExists,
  kConfusingBalance,
  kLedgerExists,
  kGroupNameEmpty,
  kGroupExists,
  kProductNameEmpty,  // text carries the worksheet row
  kUnitNotExists,     // text carries the unit's name
  kPcodeNotExists,
  kProductNotExists,  // text carries the keyword that named the product
  kInvalidDate,
  kUnitDoesntExist,
  kUnreadableNumber,
  kUnreadableFlag,
  kNumberOutOfRange,
  kNameEmpty,
  kEmptyProductCode,
  kNameOfOtherProduct,  // text carries the name and the other product's code
  kFactorNotPositive,
  kBaseUnitFactor,     // text carries the unit's name
  kParentBelowGroup,   // text carries the parent's name
  kProductNotWritten,  // text carries the product's own refusal
  // Records of an export.
  kParentEmpty,
  kParentSpansLines,
  kParentNotFound,
  kAlreadyExists,
  kOwnParent,
  kUnderBranch,
  kPrimaryNotCreated,
  kReservedGodown,
  kGodownNotFound,  // text carries the godown's name
  kOtherUnit,       // text carries the unit's name and the base unit's
  kRecordNotWritten,  // text carries the record's own reason
  kHeadNotLedger,
};

// A refusal as a value: the reason, the worksheet column (its header) and the
// cell's text that caused it, and the names its log text carries, if any.
struct Refusal {
  Reason reason;
  std::string column;
  std::string value;
  std::string subject;
  std::string other = {};
};

// The log text of a refusal.
std::string ReasonText(const Refusal& r);

// How a worker spells its status words in the log.
struct LogWords {
  const char* failed;
  const char* success;
  const char* success_text;
};
constexpr LogWords kRowWords = {"failed", "success", "--------------"};
constexpr LogWords kProductWords = {"Failed", "Success", "------OK------"};

// The row's log line for a refusal, counted as refused and listed in the
// rejects with the row, column and value.
void RefuseRow(ProcesserState& s, const Refusal& r, const LogWords& words = kRowWords);
// The row's log line for a written row, counted as imported.
void AcceptRow(ProcesserState& s, const LogWords& words = kRowWords);

// A walk over the worksheet's rows, reported to the progress handlers as the
// step `what`: its start, each row counted as written or refused, and its end
// (every row, once more if the last counted one was not the last row).
void BeginSheetPass(ProcesserState& s, std::string what);
void EndSheetPass(ProcesserState& s);

}  // namespace vantrel
