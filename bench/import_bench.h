// What the workbook import benchmarks share: a timed import of a generated
// workbook into a new company file, into a new database on the server named
// by VANTREL_BENCH_MARIADB=HOST:PORT (dropped afterwards), and an untimed
// traced run whose statements trace_replay can replay.
#pragma once

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <string>

#include "frame/company_template.h"
#include "frame/connections.h"
#include "platform/dao/connection.h"
#include "vantrel/DependProcesser.h"

namespace bench {

struct Result {
  double secs = 0;
  double cpu = 0;  // processor time of this process: steadier than wall time on a busy machine
  long imported = 0, refused = 0;
  bool err = false;
};

using Method = void (vantrel::DependProcesser::*)(bool&);

// Imports the workbook into a company file (server empty) or a server database.
inline Result TimedImport(Method method, const vantrel::MapTable& map, const std::string& book,
                          const std::string& server, const std::string& target) {
  vantrel::DependProcesser p;
  Result r;
  if (!server.empty()) {
    p.SetTargetType(vantrel::typeMultiUser);
    r.err = !p.SetServer(server);
  }
  p.SetTargetDataBase(target);
  p.SetSourceType(vantrel::srcEXCEL);
  p.SetSourceFile(book);
  p.SetMapInfo(map);
  const auto start = std::chrono::steady_clock::now();
  const std::clock_t cpu_start = std::clock();
  (p.*method)(r.err);
  r.cpu = double(std::clock() - cpu_start) / CLOCKS_PER_SEC;
  r.secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (!p.CloseConn()) r.err = true;
  r.imported = p.RowsImported();
  r.refused = p.RowsRefused();
  return r;
}

inline void Print(const char* target, const char* what, long rows, const Result& r) {
  std::printf("%s: %ld %s (%ld imported, %ld refused) in %.2f s: %.0f rows/s (cpu %.2f s)%s\n",
              target, rows, what, r.imported, r.refused, r.secs, rows / r.secs, r.cpu,
              r.err ? " (errors)" : "");
  std::fflush(stdout);  // figures show as they come, also into a pipe
}

// Runs the import on every target, then (with a trace path) once more into
// another company file while writing its statements; true when one reported an error.
inline bool RunOnTargets(Method method, const vantrel::MapTable& map, const std::string& book,
                         const char* what, long rows, const std::string& dir,
                         const std::string& trace_path) {
  bool err = false;
  const std::string company = dir + "/company.db";
  vantrel::CreateCompanyFile(company);
  const Result file = TimedImport(method, map, book, "", company);
  Print("company file", what, rows, file);
  err |= file.err;

  if (const char* server = std::getenv("VANTREL_BENCH_MARIADB"); server && *server) {
    const std::string database =
        std::string("vantrel_bench_") + what + "_" + std::to_string(getpid());
    vantrel::CreateCompanyDatabase(server, database);
    const Result multi = TimedImport(method, map, book, server, database);
    Print("MariaDB", what, rows, multi);
    err |= multi.err;
    vantrel::Connection conn;
    conn.Open(vantrel::MultiUserConnectionString(server, database));
    conn.Execute("DROP DATABASE " + database);
  }

  if (!trace_path.empty()) {
    std::ofstream trace(trace_path, std::ios::binary | std::ios::trunc);
    vantrel::SetSqlTrace([&trace](const std::string& sql) { trace << sql << '\n'; });
    const std::string traced = dir + "/traced.db";
    vantrel::CreateCompanyFile(traced);
    err |= TimedImport(method, map, book, "", traced).err;
    vantrel::SetSqlTrace(nullptr);
    std::printf("trace: %s\n", trace_path.c_str());
  }
  std::printf("scratch folder: %s\n", dir.c_str());
  return err;
}

}  // namespace bench
