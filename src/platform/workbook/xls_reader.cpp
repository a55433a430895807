#include "platform/workbook/xls_reader.h"

#include <fcntl.h>
#include <freexl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "platform/variant/convert.h"
#include "platform/workbook/compound_file.h"

namespace vantrel::workbook {
namespace {

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

}  // namespace

Workbook ReadXls(const std::string& bytes, const std::string& path) {
  const std::string damage = CheckCompoundFile(bytes);
  if (!damage.empty()) ThrowOpenError(path, "the file is damaged (" + damage + ")");
  const MemoryFile staged(bytes, path);
  Handle h;
  int rc = freexl_open(staged.name().c_str(), h.out());
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

}  // namespace vantrel::workbook
