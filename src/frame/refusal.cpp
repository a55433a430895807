#include "frame/refusal.h"

#include "frame/kind_counts.h"
#include "frame/processer_state.h"
#include "platform/dao/recordset.h"
#include "platform/message/message.h"

namespace vantrel {
namespace {

struct ReasonEntry {
  Reason reason;
  const char* text;  // the first "%" stands for the refusal's subject, a second for `other`
};

constexpr ReasonEntry kReasons[] = {
    {Reason::kHeadNameEmpty, "headname is empty"},
    {Reason::kUnderheadNotExists, "underhead not exists"},
    {Reason::kHeaderExists, "header already exists"},
    {Reason::kHeaderNotExists, "header not exists"},
    {Reason::kConfusingBalance, "confsing openingbalance entry"},
    {Reason::kLedgerExists, "ledger already exists"},
    {Reason::kGroupNameEmpty, "gpname is empty"},
    {Reason::kGroupExists, "group already exists"},
    {Reason::kProductNameEmpty, "product name is empty (worksheet row %)"},
    {Reason::kUnitNotExists, "unit % not exists"},
    {Reason::kPcodeNotExists, "pcode not exists"},
    {Reason::kProductNotExists, "% not exists"},
    {Reason::kInvalidDate, "invalid date format"},
    {Reason::kUnitDoesntExist, "Unit Doesnt exists"},
    {Reason::kUnreadableNumber, "not a number"},
    {Reason::kUnreadableFlag, "not a yes/no value"},
    {Reason::kNumberOutOfRange, "number too large for its column"},
    {Reason::kNameEmpty, "name is empty"},
    {Reason::kEmptyProductCode, "empty product code"},
    {Reason::kNameOfOtherProduct, "name % belongs to product %"},
    {Reason::kFactorNotPositive, "cf is not a positive number"},
    {Reason::kBaseUnitFactor, "base unit % keeps factor 1"},
    {Reason::kParentBelowGroup, "gpunder % is below this group"},
    {Reason::kProductNotWritten, "product not written: %"},
    {Reason::kParentEmpty, "parent is empty"},
    {Reason::kParentSpansLines, "parent spans lines"},
    {Reason::kParentNotFound, "parent group not found"},
    {Reason::kAlreadyExists, "already exists"},
    {Reason::kOwnParent, "names itself as parent"},
    {Reason::kUnderBranch, "under Branch / Divisions"},
    {Reason::kPrimaryNotCreated, "primary group not created"},
    {Reason::kReservedGodown, "reserved godown name"},
    {Reason::kGodownNotFound, "godown % not in the company"},
    {Reason::kOtherUnit, "unit % is not the base unit '%'"},
    {Reason::kRecordNotWritten, "not written with its record: %"},
    {Reason::kHeadNotLedger, "an account head's name, no ledger"},
};

void ListReject(ProcesserState& s, const std::string& name, const Refusal& r,
                const std::string& text) {
  RejectedRecord reject;
  reject.kind = s.import_kind;
  reject.name = name;
  reject.reason = text;
  reject.row = s.sheet_row;
  reject.column = r.column;
  reject.value = r.value;
  reject.source = s.source_file;
  s.rejects.push_back(std::move(reject));
}

long SheetRows(const ProcesserState& s) {
  return s.sheet_rows ? static_cast<long>(s.sheet_rows->RecordCount()) : 0;
}

// The rows walked so far, this one included: rows a worker passes over
// without a verdict count as walked too.
void Counted(ProcesserState& s) {
  s.sheet_pass_reported = s.sheet_row - 1;
  ReportProgress(s.sheet_pass, s.sheet_pass_reported, SheetRows(s));
}

}  // namespace

std::string ReasonText(const Refusal& r) {
  for (const ReasonEntry& e : kReasons) {
    if (e.reason != r.reason) continue;
    std::string text = e.text;
    const size_t at = text.find('%');
    if (at == std::string::npos) return text;
    text.replace(at, 1, r.subject);
    const size_t second = text.find('%', at + r.subject.size());
    if (second != std::string::npos) text.replace(second, 1, r.other);
    return text;
  }
  return "refused";
}

void RefuseRow(ProcesserState& s, const Refusal& r, const LogWords& words) {
  const std::string text = ReasonText(r);
  s.log.WriteLine(s.row_name, words.failed, text);
  ListReject(s, s.row_name, r, text);
  ++s.rows_refused;
  CountRecord(s, CountKindOfImport(s.import_kind), CountOfRefusal(r.reason));
  Counted(s);
}

void AcceptRow(ProcesserState& s, const LogWords& words) {
  s.log.WriteLine(s.row_name, words.success, words.success_text);
  ++s.rows_imported;
  CountRecord(s, CountKindOfImport(s.import_kind), CountAs::kWritten);
  Counted(s);
}

void BeginSheetPass(ProcesserState& s, std::string what) {
  s.sheet_pass = std::move(what);
  s.sheet_pass_reported = 0;
  ReportProgress(s.sheet_pass, 0, SheetRows(s));
}

void EndSheetPass(ProcesserState& s) {
  const long total = SheetRows(s);
  if (s.sheet_pass_reported != total) ReportProgress(s.sheet_pass, total, total);
  s.sheet_pass_reported = total;
}

}  // namespace vantrel
