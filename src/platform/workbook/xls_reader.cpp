#include "platform/workbook/xls_reader.h"

#include <fcntl.h>
#include <freexl.h>
#include <poll.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/common/source_file.h"
#include "platform/variant/convert.h"
#include "platform/workbook/biff_cells.h"
#include "platform/workbook/compound_file.h"

namespace vantrel::workbook {
namespace {

// How long the .xls parser may take; a healthy workbook of the largest size
// the format allows reads in a few seconds.
constexpr int kParserSeconds = 60;

std::string FreexlMessage(int code) {
  switch (code) {
    case FREEXL_FILE_NOT_FOUND:
      return "no such file";
    case FREEXL_INSUFFICIENT_MEMORY:
      return "out of memory";
    case FREEXL_INVALID_CFBF_HEADER:
    case FREEXL_CFBF_INVALID_SIGNATURE:
    case FREEXL_CFBF_INVALID_SECTOR_SIZE:
      return "not a valid Excel file (bad compound file header)";
    case FREEXL_CFBF_READ_ERROR:
    case FREEXL_CFBF_SEEK_ERROR:
      return "the file is truncated or damaged";
    case FREEXL_BIFF_WORKBOOK_NOT_FOUND:
      return "the file holds no Excel workbook";
    case FREEXL_INVALID_CHARACTER:
    case FREEXL_UNSUPPORTED_CHARSET:
      return "the workbook's text uses an unsupported character set";
    case FREEXL_CRAFTED_FILE:
      return "the file is severely damaged";
    default:
      return "the file is damaged or not a supported Excel workbook (FreeXL error " +
             std::to_string(code) + ")";
  }
}

// Closes the FreeXL handle on every way out.
class Handle {
 public:
  Handle() = default;
  ~Handle() {
    if (h_) freexl_close(h_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  const void** out() { return &h_; }
  const void* get() const { return h_; }

 private:
  const void* h_ = nullptr;
};

// "hh:mm:ss" as a fraction of a day.
Variant TimeCell(const char* text) {
  int h = 0, m = 0, s = 0;
  if (std::sscanf(text, "%d:%d:%d", &h, &m, &s) != 3) return TextCell(text);
  return Variant(DateValue{(h * 3600.0 + m * 60.0 + s) / 86400.0});
}

Variant CellValue(const FreeXL_CellValue& v) {
  switch (v.type) {
    case FREEXL_CELL_INT:
      return Variant(static_cast<double>(v.value.int_value));
    case FREEXL_CELL_DOUBLE:
      if (!std::isfinite(v.value.double_value)) return Variant::Null();
      return Variant(v.value.double_value);
    case FREEXL_CELL_TEXT:
    case FREEXL_CELL_SST_TEXT:
      return TextCell(v.value.text_value ? v.value.text_value : "");
    case FREEXL_CELL_DATE:
    case FREEXL_CELL_DATETIME: {
      if (!v.value.text_value) return Variant::Null();
      DateValue d;
      if (ParseDateText(v.value.text_value, d)) return Variant(d);
      return TextCell(v.value.text_value);
    }
    case FREEXL_CELL_TIME:
      return v.value.text_value ? TimeCell(v.value.text_value) : Variant::Null();
    default:
      return Variant::Null();
  }
}

// The checked bytes in an anonymous in-memory file, for the parser that opens
// workbooks by name only: it then reads exactly what was checked.
class MemoryFile {
 public:
  MemoryFile(const std::string& bytes, const std::string& path) {
    fd_ = memfd_create("vantrel-xls", MFD_CLOEXEC);
    if (fd_ < 0)
      ThrowOpenError(path, std::string("cannot stage the workbook: ") + std::strerror(errno));
    size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t put = write(fd_, bytes.data() + done, bytes.size() - done);
      if (put < 0 && errno == EINTR) continue;
      if (put <= 0)
        ThrowOpenError(path, std::string("cannot stage the workbook: ") + std::strerror(errno));
      done += static_cast<size_t>(put);
    }
    name_ = "/proc/self/fd/" + std::to_string(fd_);
  }
  ~MemoryFile() {
    if (fd_ >= 0) close(fd_);
  }
  MemoryFile(const MemoryFile&) = delete;
  MemoryFile& operator=(const MemoryFile&) = delete;
  const std::string& name() const { return name_; }

 private:
  int fd_ = -1;
  std::string name_;
};

// Reads the workbook through FreeXL. Runs in the child process.
Workbook ParseWithFreexl(const std::string& staged_name, const std::string& path) {
  Handle h;
  int rc = freexl_open(staged_name.c_str(), h.out());
  if (rc != FREEXL_OK) ThrowOpenError(path, FreexlMessage(rc));

  unsigned int password = 0;
  if (freexl_get_info(h.get(), FREEXL_BIFF_PASSWORD, &password) == FREEXL_OK &&
      password == FREEXL_BIFF_OBFUSCATED) {
    ThrowOpenError(path, "the workbook is password protected");
  }
  unsigned int count = 0;
  rc = freexl_get_info(h.get(), FREEXL_BIFF_SHEET_COUNT, &count);
  if (rc != FREEXL_OK) ThrowOpenError(path, FreexlMessage(rc));

  Workbook book;
  for (unsigned int i = 0; i < count && i <= 0xFFFF; ++i) {
    const auto index = static_cast<unsigned short>(i);
    Sheet sheet;
    const char* name = nullptr;
    rc = freexl_get_worksheet_name(h.get(), index, &name);
    if (rc != FREEXL_OK) ThrowOpenError(path, FreexlMessage(rc));
    sheet.name = name ? name : "";
    rc = freexl_select_active_worksheet(h.get(), index);
    if (rc != FREEXL_OK) ThrowOpenError(path, FreexlMessage(rc));
    unsigned int rows = 0;
    unsigned short columns = 0;
    rc = freexl_worksheet_dimensions(h.get(), &rows, &columns);
    if (rc != FREEXL_OK) ThrowOpenError(path, FreexlMessage(rc));
    for (unsigned int r = 0; r < rows; ++r) {
      for (unsigned short c = 0; c < columns; ++c) {
        FreeXL_CellValue cell;
        rc = freexl_get_cell_value(h.get(), r, c, &cell);
        if (rc != FREEXL_OK) ThrowOpenError(path, FreexlMessage(rc));
        SetCell(sheet, r, c, CellValue(cell));
      }
    }
    FinishSheet(sheet);
    book.sheets.push_back(std::move(sheet));
  }
  return book;
}

// The workbook as the child hands it to the parent: sheets, each with its
// name and cells; a cell is its row, column, kind and value.
void PutU32(std::string& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out += static_cast<char>(v >> (8 * i) & 0xFF);
}
void PutText(std::string& out, const std::string& text) {
  PutU32(out, static_cast<uint32_t>(text.size()));
  out += text;
}
void PutDouble(std::string& out, double d) {
  char raw[sizeof d];
  std::memcpy(raw, &d, sizeof d);
  out.append(raw, sizeof d);
}

std::string Serialize(const Workbook& book) {
  std::string out;
  PutU32(out, static_cast<uint32_t>(book.sheets.size()));
  for (const Sheet& sheet : book.sheets) {
    PutText(out, sheet.name);
    PutU32(out, static_cast<uint32_t>(sheet.cells.size()));
    for (const Cell& cell : sheet.cells) {
      PutU32(out, cell.row);
      PutU32(out, cell.column);
      const Variant& v = cell.value;
      switch (v.type()) {
        case VarType::Date:
          out += 'D';
          PutDouble(out, v.as_date().serial);
          break;
        case VarType::Boolean:
          out += v.as_bool() ? 'T' : 'F';
          break;
        case VarType::Text:
          out += 'S';
          PutText(out, v.as_text());
          break;
        default:
          out += 'N';
          PutDouble(out, v.as_double());
          break;
      }
    }
  }
  return out;
}

class Reader {
 public:
  Reader(const std::string& data, const std::string& path) : data_(data), path_(path) {}
  uint32_t U32() {
    Need(4);
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= uint32_t{static_cast<unsigned char>(data_[pos_++])} << (8 * i);
    return v;
  }
  char Byte() {
    Need(1);
    return data_[pos_++];
  }
  double Double() {
    Need(sizeof(double));
    double d;
    std::memcpy(&d, data_.data() + pos_, sizeof d);
    pos_ += sizeof d;
    return d;
  }
  std::string Text() {
    const uint32_t n = U32();
    Need(n);
    std::string t = data_.substr(pos_, n);
    pos_ += n;
    return t;
  }

 private:
  void Need(size_t n) const {
    if (data_.size() - pos_ < n) ThrowOpenError(path_, "the .xls parser handed back too little");
  }
  const std::string& data_;
  const std::string& path_;
  size_t pos_ = 0;
};

Workbook Deserialize(const std::string& data, const std::string& path) {
  Reader in(data, path);
  Workbook book;
  const uint32_t sheets = in.U32();
  for (uint32_t s = 0; s < sheets; ++s) {
    Sheet sheet;
    sheet.name = in.Text();
    const uint32_t cells = in.U32();
    for (uint32_t k = 0; k < cells; ++k) {
      const uint32_t row = in.U32();
      const uint32_t column = in.U32();
      const char kind = in.Byte();
      Variant v;
      if (kind == 'D')
        v = Variant(DateValue{in.Double()});
      else if (kind == 'T' || kind == 'F')
        v = Variant(kind == 'T');
      else if (kind == 'S')
        v = Variant(in.Text());
      else
        v = Variant(in.Double());
      SetCell(sheet, row, column, std::move(v));
    }
    FinishSheet(sheet);
    book.sheets.push_back(std::move(sheet));
  }
  return book;
}

// The parser reads error cells as the number 1, booleans as numbers and
// formula cells not at all; those cells are read from the workbook stream
// itself and put in place of what the parser gave.
void ApplyBiffCells(const std::string& bytes, Workbook& book, const std::string& path) {
  const std::string stream = ReadWorkbookStream(bytes);
  if (stream.empty()) return;
  const auto by_sheet = ReadBiffCells(stream, path);
  const auto before = [](const Cell& a, const Cell& b) {
    return a.row != b.row ? a.row < b.row : a.column < b.column;
  };
  for (Sheet& sheet : book.sheets) {
    const auto found = by_sheet.find(sheet.name);
    if (found == by_sheet.end()) continue;
    // The parser's cells stand in order; new ones go after them until FinishSheet.
    const size_t parsed = sheet.cells.size();
    for (const Cell& b : found->second) {
      const auto end = sheet.cells.begin() + static_cast<std::ptrdiff_t>(parsed);
      const auto it = std::lower_bound(sheet.cells.begin(), end, b, before);
      if (it != end && it->row == b.row && it->column == b.column)
        it->value = b.value;
      else
        SetCell(sheet, b.row, b.column, b.value);
    }
    sheet.cells.erase(std::remove_if(sheet.cells.begin(), sheet.cells.end(),
                                     [](const Cell& c) { return c.value.is_null(); }),
                      sheet.cells.end());
    FinishSheet(sheet);
  }
}

void WriteAll(int fd, const std::string& data) {
  size_t done = 0;
  while (done < data.size()) {
    const ssize_t put = write(fd, data.data() + done, data.size() - done);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return;
    done += static_cast<size_t>(put);
  }
}

// Collects what the child writes, up to `cap` bytes and `seconds`; false when
// either runs out first.
bool ReadChild(int fd, std::string& data, size_t cap, int seconds) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  char chunk[65536];
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                          deadline - std::chrono::steady_clock::now())
                          .count();
    if (left <= 0) return false;
    pollfd p{fd, POLLIN, 0};
    const int ready = poll(&p, 1, static_cast<int>(left));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return false;
    const ssize_t got = read(fd, chunk, sizeof chunk);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return true;
    data.append(chunk, static_cast<size_t>(got));
    if (data.size() > cap) return false;
  }
}

}  // namespace

Workbook ReadXls(const std::string& bytes, const std::string& path) {
  const std::string damage = CheckCompoundFile(bytes);
  if (!damage.empty()) ThrowOpenError(path, "the file is damaged (" + damage + ")");
  const MemoryFile staged(bytes, path);

  // FreeXL runs in a child process: a workbook that makes it fail in a way
  // the checks above cannot foresee ends that process, not the import.
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0)
    ThrowOpenError(path, std::string("cannot start the .xls parser: ") + std::strerror(errno));
  const pid_t pid = fork();
  if (pid < 0) {
    close(fds[0]);
    close(fds[1]);
    ThrowOpenError(path, std::string("cannot start the .xls parser: ") + std::strerror(errno));
  }
  if (pid == 0) {
    close(fds[0]);
    // A fault here ends this process by its signal; the host's crash handlers
    // are for the host, not for the parser's process.
    for (int sig : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT}) signal(sig, SIG_DFL);
    std::string out;
    try {
      out = "W" + Serialize(ParseWithFreexl(staged.name(), path));
    } catch (const TooManyCells& e) {
      out = "E" + std::string("Cannot open workbook '") + path + "': " + e.what();
    } catch (const Error& e) {
      out = "E" + e.description();
    } catch (...) {
      _exit(3);
    }
    WriteAll(fds[1], out);
    _exit(0);
  }
  close(fds[1]);
  std::string data;
  const bool complete = ReadChild(
      fds[0], data, static_cast<size_t>(2 * MaxSourceSize() + (1u << 20)), kParserSeconds);
  close(fds[0]);
  if (!complete) kill(pid, SIGKILL);
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (!complete)
    ThrowOpenError(path, "the .xls parser took longer than " + std::to_string(kParserSeconds) +
                             " s or handed back more than a source may hold");
  if (WIFSIGNALED(status))
    ThrowOpenError(path, "the file is damaged: the .xls parser stopped on it (signal " +
                             std::to_string(WTERMSIG(status)) + ")");
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || data.empty())
    ThrowOpenError(path, "the file is damaged: the .xls parser failed on it");
  if (data[0] == 'E') throw Error(data.substr(1));
  Workbook book = Deserialize(data.substr(1), path);
  ApplyBiffCells(bytes, book, path);
  return book;
}

}  // namespace vantrel::workbook
