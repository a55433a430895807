#pragma once

#include <string>

namespace vantrel {

struct ProcesserState;

// Connection strings of the two targets and of the workbook.
std::string SingleUserConnectionString(const std::string& database_file);
std::string MultiUserConnectionString(const std::string& server, const std::string& database);
// The workbook's header stands in worksheet row `header_row` (1 is the first
// row); with 0 it has none and every row is a record.
std::string WorkbookConnectionString(const std::string& source_file, long header_row = 1);

// (Re)opens the shared target connection from the object's properties,
// claims the target for this import until the connection is closed, picks
// the target's dialect and, for an atomic import or a dry run, starts the one
// transaction the whole import runs in. A failure (a target in use by another
// import included) is reported with the title "Orvik" and leaves it closed.
void OpenTargetConnection(ProcesserState& s);

// Opens the workbook, names its first table and opens that table's rows in
// SheetRows. Errors go to the calling import method's handler.
void OpenWorkbook(ProcesserState& s, bool client_side_cursor);

}  // namespace vantrel
