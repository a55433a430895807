// Imports N products, each with a base unit and a pack unit, from a generated
// workbook into a new company file and, when VANTREL_BENCH_MARIADB=HOST:PORT is
// set, into a new database on that server (dropped afterwards); prints rows
// per second. The sales unit column comes before the unit columns, so every
// row's sales unit is found through the worksheet's unit names.
//   product_import_rate [ROWS] [--trace FILE]
// --trace FILE: after the timed runs, imports the same workbook once more into
// another new company file and writes that run's statements to FILE (for
// trace_replay); the traced run is not timed.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <string>

#include "frame/company_template.h"
#include "frame/connections.h"
#include "platform/dao/connection.h"
#include "vantrel/DependProcesser.h"

namespace {

struct Result {
  double secs = 0;
  double cpu = 0;  // processor time of this process: steadier than wall time on a busy machine
  long imported = 0, refused = 0;
  bool err = false;
};

Result Import(const std::string& book, const std::string& server, const std::string& target) {
  vantrel::DependProcesser p;
  if (!server.empty()) {
    p.SetTargetType(vantrel::typeMultiUser);
    p.SetServer(server);
  }
  p.SetTargetDataBase(target);
  p.SetSourceType(vantrel::srcEXCEL);
  p.SetSourceFile(book);
  p.SetMapInfo({{},
                {"Sales Unit", "salesunit"},
                {"Code", "pcode"},
                {"Name", "pname"},
                {"Group", "gpcode"},
                {"Base Unit", "Base Unit"},
                {"Pack Unit", "Addl. Unit1"},
                {"Pack Size", "addl. unit1 cf"},
                {"MRP", "mrprate"}});
  Result r;
  const auto start = std::chrono::steady_clock::now();
  const std::clock_t cpu_start = std::clock();
  p.ImportProducts(r.err);
  r.cpu = double(std::clock() - cpu_start) / CLOCKS_PER_SEC;
  r.secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  p.CloseConn();
  r.imported = p.RowsImported();
  r.refused = p.RowsRefused();
  return r;
}

void Print(const char* target, long rows, const Result& r) {
  std::printf(
      "%s: %ld products (%ld imported, %ld refused) in %.2f s: %.0f rows/s (cpu %.2f s)%s\n",
      target, rows, r.imported, r.refused, r.secs, rows / r.secs, r.cpu, r.err ? " (errors)" : "");
}

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
  bool err = false;

  const std::string company = std::string(dir) + "/company.db";
  vantrel::CreateCompanyFile(company);
  const Result file = Import(book, "", company);
  Print("company file", rows, file);
  err |= file.err;

  if (const char* server = std::getenv("VANTREL_BENCH_MARIADB"); server && *server) {
    const std::string database = "vantrel_bench_products_" + std::to_string(getpid());
    vantrel::CreateCompanyDatabase(server, database);
    const Result multi = Import(book, server, database);
    Print("MariaDB", rows, multi);
    err |= multi.err;
    vantrel::Connection conn;
    conn.Open(vantrel::MultiUserConnectionString(server, database));
    conn.Execute("DROP DATABASE " + database);
  }

  if (!trace_path.empty()) {
    std::ofstream trace(trace_path, std::ios::binary | std::ios::trunc);
    vantrel::SetSqlTrace([&trace](const std::string& sql) { trace << sql << '\n'; });
    const std::string traced = std::string(dir) + "/traced.db";
    vantrel::CreateCompanyFile(traced);
    err |= Import(book, "", traced).err;
    vantrel::SetSqlTrace(nullptr);
    std::printf("trace: %s\n", trace_path.c_str());
  }
  std::printf("scratch folder: %s\n", dir);
  return err ? 1 : 0;
}
