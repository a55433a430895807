#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

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

// A record of an export that a markup import did not write, and why.
struct RejectedRecord {
  std::string kind;    // the export's element: GROUP, LEDGER, STOCKGROUP, STOCKITEM or GODOWN
  std::string name;    // as read from the export, trimmed and cut to the column's length
  std::string parent;  // its PARENT text; empty for godowns
  std::string reason;  // in plain words: "parent is empty", "already exists", ...
};

struct ProcesserState;

// Loads master data into a company database. Configure the properties, then
// call import methods; each reports failure through its errOccured argument
// (pass a variable set to false) and never throws. Message boxes go to the
// process-wide message handler (vantrel/vantrel.h).
class DependProcesser {
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
  void SetServer(std::string_view value);
  // A number is stored as its decimal text.
  void SetServer(double value);
  // Null is refused with "Invalid use of Null"; the old value stays.
  void SetServer(std::nullptr_t);
  // Per statement (the default), atomic or dry run; any other value counts as per statement.
  enumTransactionMode TransactionMode() const;
  void SetTransactionMode(int32_t value);

  void ImportAccounts(bool& errOccured);
  void ImportProducts(bool& errOccured);
  void ImportDepots(bool& errOccured);
  void CloseConn();
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
  // The records the last markup import skipped, one per skipped record, in the order met.
  const std::vector<RejectedRecord>& Rejects() const;
  std::string LogPath() const;
  // Whether the last import was rolled back as a whole (a dry run, or an
  // atomic import that ended on an error): then nothing of it is in the target.
  bool RolledBack() const;

 private:
  std::unique_ptr<ProcesserState> state_;
};

// Whether any DependProcesser object is alive; module-wide state lives until none is.
bool CanUnload();

}  // namespace vantrel
