#pragma once

namespace vantrel {

struct ProcesserState;

// The spreadsheet workers: each walks SheetRows, writes one statement per row
// into the target and one log line per row. They take everything from the object.
void ImportLedgerRows(ProcesserState& s);
void ImportHeadRows(ProcesserState& s);
void ImportGroupRows(ProcesserState& s);
void ImportProductRows(ProcesserState& s);
void ImportBatchRows(ProcesserState& s);
void ImportOpeningStockRows(ProcesserState& s);

}  // namespace vantrel
