// Imports N product batches with their opening stock (ImportBatch) and N
// opening stock rows (ImportOS) from generated workbooks into new company
// files and, when VANTREL_BENCH_MARIADB=HOST:PORT is set, into new databases
// on that server (dropped afterwards); prints rows per second for each N.
//   stock_import_rate [ROWS...] [--trace PREFIX]
// Batch ids stop at 32,767, so N stays below that. The N products (each with
// the unit BOX of 12) are put in the target before the timed import.
// --trace PREFIX: after the timed runs, imports the first N once more into
// other company files and writes those runs' statements to PREFIX-batches.sql
// and PREFIX-stock.sql, next to PREFIX-batches.db and PREFIX-stock.db, company
// files in the state before the import: `trace_replay PREFIX-batches.sql
// PREFIX-batches.db` replays the statements through bare SQLite.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <string>
#include <vector>

#include "frame/company_template.h"
#include "frame/connections.h"
#include "import_bench.h"
#include "platform/dao/connection.h"
#include "vantrel/DependProcesser.h"

namespace {

using bench::Result;

struct Target {
  std::string server;  // empty: a company file
  std::string database;
};

// N products P00001... with the unit BOX (12 of the base unit), in one transaction.
void SeedProducts(const Target& t, long rows) {
  vantrel::Connection conn;
  conn.Open(t.server.empty() ? vantrel::SingleUserConnectionString(t.database)
                             : vantrel::MultiUserConnectionString(t.server, t.database));
  vantrel::TransactionScope scope(conn);
  char code[32];
  for (long i = 1; i <= rows; ++i) {
    std::snprintf(code, sizeof code, "P%05ld", i);
    conn.Execute(std::string("insert into product(pcode,pname,gpcode) values('") + code +
                 "','Product " + code + "',1)");
    conn.Execute(std::string("insert into productunits(pcode,unitid,unit,cf) values('") + code +
                 "',1,'BOX',12)");
  }
  scope.Commit();
}

std::string WriteBook(const std::string& dir, const char* name, long rows, bool batches) {
  const std::string path = dir + "/" + name;
  std::ofstream out(path);
  char code[32];
  if (batches) {
    out << "Code,Batch,Made,Unit,Factor,Qty,Rate\n";
    for (long i = 1; i <= rows; ++i) {
      std::snprintf(code, sizeof code, "P%05ld", i);
      out << code << ",B" << i << ",2024-03-15,CASE,24," << i % 50 + 1 << ",2.5\n";
    }
  } else {
    out << "Code,Batch,Unit,Qty,Rate\n";
    for (long i = 1; i <= rows; ++i) {
      std::snprintf(code, sizeof code, "P%05ld", i);
      out << code << ",OS" << i << ",BOX," << i % 50 + 1 << ",2.5\n";
    }
  }
  return path;
}

Result Import(const Target& t, const std::string& book, bool batches) {
  static const vantrel::MapTable kBatchMap = {{},
                                              {"Code", "pcode"},
                                              {"Batch", "batchname"},
                                              {"Made", "manfdate"},
                                              {"Unit", "unit"},
                                              {"Factor", "cf"},
                                              {"Qty", "openingstock"},
                                              {"Rate", "purrate"}};
  static const vantrel::MapTable kStockMap = {{},
                                              {"Code", "pcode"},
                                              {"Batch", "batchname"},
                                              {"Unit", "unit"},
                                              {"Qty", "openingstock"},
                                              {"Rate", "purrate"}};
  return batches ? bench::TimedImport(&vantrel::DependProcesser::ImportBatch, kBatchMap, book,
                                      t.server, t.database)
                 : bench::TimedImport(&vantrel::DependProcesser::ImportOS, kStockMap, book,
                                      t.server, t.database);
}

Target NewCompanyFile(const std::string& path, long rows) {
  vantrel::CreateCompanyFile(path);
  Target t{"", path};
  SeedProducts(t, rows);
  return t;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<long> sizes;
  std::string trace_prefix;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--trace" && i + 1 < argc)
      trace_prefix = argv[++i];
    else
      sizes.push_back(std::atol(argv[i]));
  }
  if (sizes.empty()) sizes.push_back(20000);
  char dir[] = "/tmp/vantrel-bench-XXXXXX";
  if (!mkdtemp(dir)) return 1;
  setenv("VANTREL_LOG_DIR", dir, 1);
  const char* server = std::getenv("VANTREL_BENCH_MARIADB");
  bool err = false;

  for (long rows : sizes) {
    const std::string batch_book = WriteBook(dir, "batches.csv", rows, true);
    const std::string stock_book = WriteBook(dir, "stock.csv", rows, false);
    for (bool batches : {true, false}) {
      const char* kind = batches ? "batch rows" : "opening stock rows";
      const std::string book = batches ? batch_book : stock_book;
      const std::string company =
          std::string(dir) + "/" + (batches ? "batches-" : "stock-") + std::to_string(rows) + ".db";
      const Result file = Import(NewCompanyFile(company, rows), book, batches);
      bench::Print("company file", kind, rows, file);
      err |= file.err;
      if (server && *server) {
        const Target t{server, "vantrel_bench_stock_" + std::to_string(getpid())};
        vantrel::CreateCompanyDatabase(t.server, t.database);
        SeedProducts(t, rows);
        const Result multi = Import(t, book, batches);
        bench::Print("MariaDB", kind, rows, multi);
        err |= multi.err;
        vantrel::Connection conn;
        conn.Open(vantrel::MultiUserConnectionString(t.server, t.database));
        conn.Execute("DROP DATABASE " + t.database);
      }
    }
  }

  if (!trace_prefix.empty()) {
    const long rows = sizes.front();
    for (bool batches : {true, false}) {
      const std::string name = trace_prefix + (batches ? "-batches" : "-stock");
      const std::string book = WriteBook(dir, batches ? "batches.csv" : "stock.csv", rows, batches);
      NewCompanyFile(name + ".db", rows);  // the state the replay starts from
      const Target traced = NewCompanyFile(
          std::string(dir) + "/traced-" + name.substr(name.rfind('/') + 1) + ".db", rows);
      std::ofstream trace(name + ".sql", std::ios::binary | std::ios::trunc);
      vantrel::SetSqlTrace([&trace](const std::string& sql) { trace << sql << '\n'; });
      err |= Import(traced, book, batches).err;
      vantrel::SetSqlTrace(nullptr);
      std::printf("trace: %s.sql, company file before the import: %s.db\n", name.c_str(),
                  name.c_str());
    }
  }
  std::printf("scratch folder: %s\n", dir);
  return err ? 1 : 0;
}
