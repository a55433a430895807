// Imports N ledgers with opening balances from a generated workbook into a new
// company file and, when VANTREL_BENCH_MARIADB=HOST:PORT is set, into a new
// database on that server (dropped afterwards); prints rows per second.
//   ledger_import_rate [ROWS] [--trace FILE]
// --trace FILE: after the timed runs, imports the same workbook once more into
// another new company file and writes that run's statements to FILE (for
// trace_replay); the traced run is not timed.
#include <cstdlib>
#include <fstream>
#include <string>

#include "import_bench.h"

namespace {

const vantrel::MapTable kLedgerMap = {{},
                                      {"Ledger Name", "ledname"},
                                      {"Under Head", "headcode"},
                                      {"City", "city"},
                                      {"Opening Balance", "openingbalance"}};

}  // namespace

int main(int argc, char** argv) {
  long rows = 20000;
  std::string trace_path;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--trace" && i + 1 < argc)
      trace_path = argv[++i];
    else
      rows = std::atol(argv[i]);
  }
  char dir[] = "/tmp/vantrel-bench-XXXXXX";
  if (!mkdtemp(dir)) return 1;
  const std::string book = std::string(dir) + "/ledgers.csv";
  {
    std::ofstream out(book);
    out << "Ledger Name,Under Head,City,Opening Balance\n";
    for (long i = 0; i < rows; ++i)
      out << "Ledger " << i << ",Sundry " << (i % 2 ? "Debtors" : "Creditors") << ",Northport,"
          << (i % 1000) * 10 + 5 << (i % 2 ? " db" : " cr") << "\n";
  }
  setenv("VANTREL_LOG_DIR", dir, 1);
  return bench::RunOnTargets(&vantrel::DependProcesser::ImportAccounts, kLedgerMap, book, "ledgers",
                             rows, dir, trace_path)
             ? 1
             : 0;
}
