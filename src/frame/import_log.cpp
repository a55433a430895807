#include "frame/import_log.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "platform/common/error.h"

namespace vantrel {
namespace {

// Moves to column `col` (1-based) before the next item, as the positioning rule says.
void MoveToColumn(std::string& out, size_t& column, size_t col) {
  if (column < col) {
    out.append(col - column, ' ');
  } else if (column > col) {
    out += "\r\n";
    out.append(col - 1, ' ');
  }
  column = col;
}

// Columns count characters, not bytes, so that names in any script line up.
size_t CharCount(const std::string& text) {
  size_t n = 0;
  for (char c : text)
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++n;
  return n;
}

// A line break inside an item would split the log line: each one (CR LF, CR
// or LF) is written as a blank.
std::string OnOneLine(const std::string& item) {
  if (item.find_first_of("\r\n") == std::string::npos) return item;
  std::string out;
  for (size_t i = 0; i < item.size(); ++i) {
    if (item[i] == '\r' && i + 1 < item.size() && item[i + 1] == '\n') ++i;
    out += item[i] == '\r' || item[i] == '\n' ? ' ' : item[i];
  }
  return out;
}

}  // namespace

namespace {

std::mutex g_log_folder_mutex;
std::string g_log_folder;  // the host's choice; empty: none

}  // namespace

void SetLogFolder(std::string path) {
  std::lock_guard<std::mutex> lock(g_log_folder_mutex);
  g_log_folder.swap(path);
}

std::string LogFolder() {
  {
    std::lock_guard<std::mutex> lock(g_log_folder_mutex);
    if (!g_log_folder.empty()) return g_log_folder;
  }
  const char* dir = std::getenv("VANTREL_LOG_DIR");
  if (dir && *dir) return dir;
  return ".";
}

std::string LayoutLogLine(const std::string& name_item, const std::string& status_item,
                          const std::string& reason_item) {
  const std::string name = OnOneLine(name_item);
  const std::string status = OnOneLine(status_item);
  const std::string reason = OnOneLine(reason_item);
  std::string out = name;
  size_t column = 1 + CharCount(name);
  MoveToColumn(out, column, 15);
  out += status;
  column += status.size();
  MoveToColumn(out, column, 31);
  out += reason;
  out += "\r\n";
  return out;
}

// Each line goes to the file at once: a line that cannot be written (disk
// full) raises here, before the row it reports is committed.
void ImportLog::Put(const std::string& line) {
  if (std::fwrite(line.data(), 1, line.size(), file_) != line.size() || std::fflush(file_) != 0)
    throw Error("Device I/O error writing '" + path_ + "': " + std::strerror(errno));
}

ImportLog::~ImportLog() {
  if (file_) std::fclose(file_);
}

void ImportLog::Open(const std::string& file_name, const std::string& title) {
  if (file_) Close();
  const std::string path = LogFolder() + "/" + file_name;
  file_ = std::fopen(path.c_str(), "wb");
  if (!file_)
    throw Error("Path/File access error: cannot create '" + path + "': " + std::strerror(errno));
  path_ = path;
  WriteLine(title, "ImportStaus", "Reason");
  WriteLine("========", "===========", "======");
}

void ImportLog::WriteLine(const std::string& name, const std::string& status,
                          const std::string& reason) {
  if (!file_) throw Error("Bad file name or number");
  const std::string line = LayoutLogLine(name, status, reason);
  Put(line);
}

void ImportLog::WriteLine(const std::string& name_item, const std::string& text) {
  if (!file_) throw Error("Bad file name or number");
  const std::string name = OnOneLine(name_item);
  std::string line = name;
  size_t column = 1 + CharCount(name);
  MoveToColumn(line, column, 15);
  line += text;
  line += "\r\n";
  Put(line);
}

void ImportLog::Close() {
  if (!file_) return;
  const bool failed = std::fclose(file_) != 0;
  file_ = nullptr;
  if (failed) throw Error("Device I/O error closing '" + path_ + "'");
}

}  // namespace vantrel
