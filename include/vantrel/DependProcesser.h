#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "vantrel/export.h"
#include "vantrel/host.h"

namespace vantrel {

enum enumTargetType : int32_t {
  typeSingleUser = 0,  // company database file
  typeMultiUser = 1,   // MySQL/MariaDB server
};

enum enumSourceType : int32_t {
  srcXML = 1,    // markup export of another accounting program
  srcEXCEL = 2,  // workbook
};

// How an import's statements reach the target.
enum enumTransactionMode : int32_t {
  transPerStatement = 0,  // each statement (each worksheet row) stands on its own
  transAtomic = 1,        // the whole import lands, or nothing of it when it ends on an error
  transDryRun = 2,        // the whole import runs and is then rolled back: nothing is written
};

// One entry of the column mapping: a worksheet column and the target field (or keyword) it feeds.
struct MapEntry {
  std::string column;
  std::string field;
};

// The column mapping. Entries are read from index 1; index 0 is never read.
// The last entry closes every statement, so the order of the entries is the
// column order of the statements.
using MapTable = std::vector<MapEntry>;

// A record of an export, or a row of a worksheet, that an import did not
// write, and why.
struct RejectedRecord {
  std::string kind;    // the export's element (GROUP, LEDGER, STOCKGROUP, STOCKITEM, GODOWN),
                       // or for a worksheet row the import's kind ("accounts", "batches", ...)
  std::string name;    // as read, trimmed and cut to the column's length
  std::string parent;  // its PARENT text; empty for godowns and worksheet rows
  std::string reason;  // in plain words: "parent is empty", "already exists", ...
  long row = 0;        // worksheet row as the sheet numbers it (the header is row HeaderRow());
                       // 0 for an export record
  std::string column;  // the worksheet column (its header) whose cell refused the row, if one
                       // did; of an export record the element whose text refused its balance
                       // or stock (OPENINGBALANCE, OPENINGRATE, GODOWNNAME, ...)
  std::string value;   // that cell's or element's text
  std::string source;  // of a migration: the export or workbook the record or row came from
};

// What an import or a migration did with one kind of record: "depots",
// "account groups", "ledgers", "opening balances", "stock groups", "stock
// items", "units", "opening stock", or a workbook import's kind.
struct KindCount {
  std::string kind;
  long written = 0;        // written or replaced
  long already_there = 0;  // left as they were: the target has them
  long refused = 0;        // not written, for a reason the rejects give
};

// One depot's opening stock after a migration.
struct DepotStock {
  int32_t dcode = 0;
  std::string name;
  long items = 0;       // products with stock in the depot
  double quantity = 0;  // in base units, all products together
  double value = 0;     // the amounts of the depot's opening stock receipts
};

// The company's opening position after a migration: the opening balance
// lines of all ledgers (a trial balance: debit and credit agree when the
// balances came across whole) and the opening stock, in total and per depot.
struct OpeningTotals {
  double debit = 0;
  double credit = 0;
  double stock_value = 0;
  std::vector<DepotStock> depots;
};

// One source of a migration.
struct MigrationSource {
  // "export" (an XML export: depots, accounts, products with balances, units
  // and stock), or a workbook import's kind: "account-heads", "accounts",
  // "product-groups", "products", "batches", "opening-stock".
  std::string kind;
  std::string file;
  std::string map_file;  // the mapping file of a workbook source
  int32_t header_row = 1;
};

// The sources of a migration, run in dependency order whatever their order
// here: depots, account heads, accounts, product groups, products, batches,
// opening stock; sources of one step in the order given.
struct MigrationPlan {
  std::vector<MigrationSource> sources;
  std::string as_of;  // the opening date, YYYY-MM-DD; empty: today
};

struct ProcesserState;

// Loads master data into a company database. Configure the properties, then
// call import methods. No member function throws (short of running out of
// memory while copying a text in or out):
// - the property readers and writers cannot fail, except SetServer(nullptr),
//   which is refused with a false result and leaves the old value;
// - every import method assigns its errOccured argument: true when the import
//   failed, false when it succeeded (rows or records it refused are not
//   failures: RowsRefused and Rejects list them). On failure it shows the
//   reason through the process-wide message handler (vantrel/host.h) and sets
//   ErrorFlag; an exception thrown by the host's own handlers ends the import
//   as a failure;
// - CloseConn returns false, with the reason, when the target did not close cleanly.
// One import runs at a time in a process: the target connection and the code
// counters are shared by all objects.
class VANTREL_API DependProcesser {
 public:
  DependProcesser();
  ~DependProcesser();
  DependProcesser(const DependProcesser&) = delete;
  DependProcesser& operator=(const DependProcesser&) = delete;

  // Single user: path of the company file. Multi user: name of the database.
  const std::string& TargetDataBase() const;
  void SetTargetDataBase(std::string value);
  // Path of the markup export or of the workbook.
  const std::string& SourceFile() const;
  void SetSourceFile(std::string value);
  const MapTable& MapInfo() const;
  void SetMapInfo(MapTable value);
  enumTargetType TargetType() const;
  void SetTargetType(int32_t value);
  enumSourceType SourceType() const;
  void SetSourceType(int32_t value);
  // Host of the database server, "host" or "host:port" (multi user only).
  std::string Server() const;
  // True when the value was taken: always for a text or a number (stored as
  // its decimal text); Null is refused ("Invalid use of Null"): false, and
  // the old value stays.
  [[nodiscard]] bool SetServer(std::string_view value);
  [[nodiscard]] bool SetServer(double value);
  [[nodiscard]] bool SetServer(std::nullptr_t);
  // Per statement (the default), atomic or dry run; any other value counts as per statement.
  enumTransactionMode TransactionMode() const;
  void SetTransactionMode(int32_t value);
  // The worksheet row that holds a workbook's column names (1, the default,
  // is the first row); the rows above it, a title or a date, are skipped.
  // Worksheet rows keep their own numbers in logs, messages and Rejects.
  // A value below 1 counts as 1.
  int32_t HeaderRow() const;
  void SetHeaderRow(int32_t value);

  // Ledgers: from an export (with their groups) or a workbook (with opening balances).
  void ImportAccounts(bool& errOccured);
  // Products: from an export (with their groups) or a workbook (with units).
  void ImportProducts(bool& errOccured);
  // Depots, from an export only.
  void ImportDepots(bool& errOccured);
  // Closes the shared target connection; a later import opens a new one. False,
  // with the reason in *error when given, when the close failed.
  [[nodiscard]] bool CloseConn(std::string* error = nullptr);
  // Account heads, product groups, batches and opening stock: from a workbook only.
  void ImportAccountHeads(bool& errOccured);
  void ImportProductGr(bool& errOccured);
  void ImportBatch(bool& errOccured);
  void ImportOS(bool& errOccured);

  // Whether the last import's own steps hit an error (what errOccured reports).
  bool ErrorFlag() const;
  // Of the last workbook import: rows written, rows refused, and the log's path.
  // Of the last markup import: records written and records skipped.
  long RowsImported() const;
  long RowsRefused() const;
  // What the last import refused, in the order met: of a markup import each
  // skipped record; of a workbook import each refused row (its row, and the
  // column and value that refused it). Valid until the next import.
  const std::vector<RejectedRecord>& Rejects() const;
  std::string LogPath() const;
  // Whether the last import was rolled back as a whole (a dry run, or an
  // atomic import that ended on an error): then nothing of it is in the target.
  bool RolledBack() const;

  // Runs a whole migration in one transaction: every source of the plan, in
  // dependency order, lands, or nothing does when one ends on an error. With
  // TransactionMode a dry run, it all runs and is rolled back. Refused
  // records and rows are not failures; Rejects lists them with their source.
  void Migrate(const MigrationPlan& plan, bool& errOccured);
  // Of the last import or migration: what it did per kind of record, in the
  // order the kinds were met.
  const std::vector<KindCount>& Counts() const;
  // Of the last migration that ran to its end (a dry run included): the
  // company's opening trial balance and stock.
  const OpeningTotals& Opening() const;

 private:
  std::unique_ptr<ProcesserState> state_;
};

// Whether any DependProcesser object is alive; module-wide state lives until none is.
VANTREL_API bool CanUnload();

// Reads a mapping file: one "worksheet column,target field" entry per line,
// standard CSV quoting, blank lines and comment lines (starting with '#')
// ignored, entries numbered from 1 in file
// order (index 0 stays unused). False, with the reason (file and line) in
// `error`, when the file cannot be read or an entry is malformed; `map` is
// then left as it was.
[[nodiscard]] VANTREL_API bool LoadMapFile(const std::string& path, MapTable& map,
                                           std::string& error);

// Reads a migration plan file: one source per line, "KIND,FILE[,MAP[,HEADER_ROW]]"
// in CSV quoting, where KIND is "export" or a workbook import's kind; a line
// "as-of,YYYY-MM-DD" sets the opening date. Blank lines and lines starting
// with '#' are ignored; relative paths are taken from the plan's folder.
// False, with the reason (file and line) in `error`, when the file cannot be
// read or a line is malformed; `plan` is then left as it was.
[[nodiscard]] VANTREL_API bool LoadMigrationPlan(const std::string& path, MigrationPlan& plan,
                                                 std::string& error);

// One import method as hosts name it: the tool's KIND and the names the C
// interface's vantrel_import takes.
struct ImportKind {
  const char* name;         // "accounts", "account-heads", ...
  const char* method;       // "ImportAccounts", "ImportAccountHeads", ...
  bool reads_export;        // from an XML export (srcXML)
  bool reads_workbook;      // from a workbook (srcEXCEL)
  const char* description;  // what it imports, in a line
};

// Every import method once, in the order of the C function table: accounts,
// products, depots, account-heads, product-groups, batches, opening-stock.
VANTREL_API const std::vector<ImportKind>& ImportKinds();
// The kind with this name or method name (letter case counts); nullptr for none.
VANTREL_API const ImportKind* FindImportKind(std::string_view name);
// Runs the import named by its kind or method name on `processer`, and
// assigns errOccured as the method does. False, and nothing runs, for a name
// that is neither.
[[nodiscard]] VANTREL_API bool RunImport(DependProcesser& processer, std::string_view name,
                                         bool& errOccured);

}  // namespace vantrel
