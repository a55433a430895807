// The CSV reader and the table a sheet makes, through the workbook provider as
// an import opens a .csv (the bytes in an in-memory file).
#include <sys/mman.h>
#include <unistd.h>

#include "fuzz_support.h"
#include "platform/dao/connection.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const int fd = memfd_create("fuzz.csv", MFD_CLOEXEC);
  if (fd < 0) return 0;
  if (size > 0 && write(fd, data, size) != static_cast<ssize_t>(size)) {
    close(fd);
    return 0;
  }
  const std::string name = std::to_string(fd);
  try {
    vantrel::Connection conn;
    conn.Open("DRIVER=Microsoft Excel Driver (*.xls);DBQ=/proc/self/fd/" + name);
    const vantrel::RowSet rows = conn.Query("select * from [" + name + "$]");
    size_t length = 0;
    for (const vantrel::Row& row : rows.rows)
      for (const vantrel::Variant& v : row)
        if (!v.is_null()) length += vantrel::ToText(v).size();
    (void)length;
  } catch (const vantrel::Error&) {
  }
  close(fd);
  return 0;
}
