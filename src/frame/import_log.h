#pragma once

#include <cstdio>
#include <string>

#include "vantrel/host.h"

namespace vantrel {

// The fixed log file names of the workbook imports.
namespace logfile {
constexpr const char* kAccounts = "accounts.log";
constexpr const char* kProducts = "products.log";
constexpr const char* kAccountHeads = "accountheads.log";
constexpr const char* kProductGroups = "productgroups.log";
constexpr const char* kProductBatch = "ProductBatch.log";
constexpr const char* kOpeningStock = "OpeningStock.log";
}  // namespace logfile

// The folder of the import logs is vantrel::LogFolder() (vantrel/host.h):
// the host's SetLogFolder, else $VANTREL_LOG_DIR, else the working directory.

// Lays out one log line: items at columns 1, 15 and 31, CR LF at the end. An
// item that would start left of its column's reach moves to a line of its own;
// a line break inside an item is written as a blank.
std::string LayoutLogLine(const std::string& name, const std::string& status,
                          const std::string& reason);

// A workbook import's report: one line per row, three items at fixed columns.
class ImportLog {
 public:
  ImportLog() = default;
  ~ImportLog();
  ImportLog(const ImportLog&) = delete;
  ImportLog& operator=(const ImportLog&) = delete;

  // Creates or truncates <log folder>/<file_name> and writes the two header
  // lines; raises vantrel::Error naming the path when it cannot.
  void Open(const std::string& file_name, const std::string& title);
  void WriteLine(const std::string& name, const std::string& status, const std::string& reason);
  // A line of two items: the name at column 1 and the text at column 15.
  void WriteLine(const std::string& name, const std::string& text);
  void Close();
  bool IsOpen() const { return file_ != nullptr; }
  // The path of the last log this object created; empty before the first.
  const std::string& Path() const { return path_; }

 private:
  // Writes a whole line through to the file; raises when it cannot.
  void Put(const std::string& line);
  std::FILE* file_ = nullptr;
  std::string path_;
};

}  // namespace vantrel
