// Reads every sheet of the workbook named on the command line through a
// connection, as an import does, and prints how fast rows arrive.
#include <chrono>
#include <cstdio>
#include <string>

#include "platform/common/error.h"
#include "platform/dao/connection.h"
#include "platform/dao/recordset.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <workbook.xls|.xlsx|.csv>\n", argv[0]);
    return 2;
  }
  using Clock = std::chrono::steady_clock;
  try {
    const auto start = Clock::now();
    vantrel::Connection conn;
    conn.Open(std::string("DRIVER=Microsoft Excel Driver (*.xls);DBQ=") + argv[1]);
    const auto opened = Clock::now();
    size_t rows = 0, cells = 0;
    auto tables = conn.OpenSchema(vantrel::Connection::kSchemaTables);
    for (; !tables->Eof(); tables->MoveNext()) {
      const vantrel::RowSet r = conn.Query("select * from [" + tables->Value(2).as_text() + "]");
      rows += r.rows.size();
      cells += r.rows.size() * r.fields.size();
    }
    const auto done = Clock::now();
    const double open_s = std::chrono::duration<double>(opened - start).count();
    const double total_s = std::chrono::duration<double>(done - start).count();
    std::printf("%zu rows, %zu cells: load %.3f s, total %.3f s, %.0f rows/s\n", rows, cells,
                open_s, total_s, total_s > 0 ? rows / total_s : 0.0);
  } catch (const vantrel::Error& e) {
    std::fprintf(stderr, "%s\n", e.description().c_str());
    return 1;
  }
  return 0;
}
