// Imports N products, each with a base unit and a pack unit, from a generated
// workbook into a new company file and, when VANTREL_BENCH_MARIADB=HOST:PORT is
// set, into a new database on that server (dropped afterwards); prints rows
// per second. The sales unit column comes before the unit columns: every row's
// sales unit is one of the row's own units, read ahead of it.
//   product_import_rate [ROWS] [--trace FILE]
// --trace FILE: after the timed runs, imports the same workbook once more into
// another new company file and writes that run's statements to FILE (for
// trace_replay); the traced run is not timed.
#include <cstdlib>
#include <fstream>
#include <string>

#include "import_bench.h"

namespace {

const vantrel::MapTable kProductMap = {{},
                                       {"Sales Unit", "salesunit"},
                                       {"Code", "pcode"},
                                       {"Name", "pname"},
                                       {"Group", "gpcode"},
                                       {"Base Unit", "Base Unit"},
                                       {"Pack Unit", "Addl. Unit1"},
                                       {"Pack Size", "addl. unit1 cf"},
                                       {"MRP", "mrprate"}};

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
  const std::string book = std::string(dir) + "/products.csv";
  {
    static const char* const kPacks[] = {"Box", "Case", "Carton", "Crate"};
    std::ofstream out(book);
    out << "Sales Unit,Code,Name,Group,Base Unit,Pack Unit,Pack Size,MRP\n";
    for (long i = 0; i < rows; ++i) {
      const char* pack = kPacks[i % 4];
      out << (i % 3 ? pack : "Nos") << ",B" << i << ",Product " << i << ",Group " << i % 40
          << ",Nos," << pack << "," << (i % 2 ? 10 : 100) << "," << (i % 500) / 4.0 + 1 << "\n";
    }
  }
  setenv("VANTREL_LOG_DIR", dir, 1);
  return bench::RunOnTargets(&vantrel::DependProcesser::ImportProducts, kProductMap, book,
                             "products", rows, dir, trace_path)
             ? 1
             : 0;
}
