// Replays a statement trace (vantrel import --trace-sql FILE: one statement a
// line) straight through SQLite into a company file and prints statements per
// second: the bare cost of the statements an import sends, without the import.
//   trace_replay TRACE [COMPANY_FILE] [--writes-only]
// Without COMPANY_FILE a new company file is made from the template in a
// scratch folder. The file runs in autocommit, WAL, synchronous=NORMAL, as the
// company files vantrel makes.
//
// Each line is put into SQLite's dialect with TranslateJetSql; nothing else is
// registered. SELECT lines run too by default (stepped to their last row), as
// the import runs them; --writes-only skips them. A line that SQLite cannot
// prepare (the code allocators' MAX(CINT(...)) queries, whose function plain
// SQLite lacks) is counted as skipped.
#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <string>
#include <vector>

#include "frame/company_template.h"
#include "platform/sqlite/jet_sql.h"
#include "platform/variant/convert.h"

namespace {

bool IsSelect(const std::string& line) {
  const std::string t = vantrel::Trim(line);
  return t.size() >= 6 && vantrel::EqualsNoCase(t.substr(0, 6), "select");
}

void Pragma(sqlite3* db, const char* sql) {
  char* message = nullptr;
  if (sqlite3_exec(db, sql, nullptr, nullptr, &message) != SQLITE_OK) {
    std::fprintf(stderr, "trace_replay: %s: %s\n", sql, message ? message : "");
    std::exit(1);
  }
}

}  // namespace

int main(int argc, char** argv) {
  std::string trace_path, company;
  bool writes_only = false;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--writes-only")
      writes_only = true;
    else if (trace_path.empty())
      trace_path = a;
    else
      company = a;
  }
  if (trace_path.empty()) {
    std::fprintf(stderr, "usage: trace_replay TRACE [COMPANY_FILE] [--writes-only]\n");
    return 2;
  }
  std::vector<std::string> lines;
  {
    std::ifstream in(trace_path, std::ios::binary);
    if (!in) {
      std::fprintf(stderr, "trace_replay: cannot read '%s'\n", trace_path.c_str());
      return 1;
    }
    for (std::string line; std::getline(in, line);) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (line.empty() || (writes_only && IsSelect(line))) continue;
      lines.push_back(vantrel::TranslateJetSql(line));
    }
  }
  if (company.empty()) {
    char dir[] = "/tmp/vantrel-replay-XXXXXX";
    if (!mkdtemp(dir)) return 1;
    company = std::string(dir) + "/company.db";
    vantrel::CreateCompanyFile(company);
  }

  sqlite3* db = nullptr;
  if (sqlite3_open_v2(company.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
    std::fprintf(stderr, "trace_replay: %s\n", sqlite3_errmsg(db));
    return 1;
  }
  Pragma(db, "PRAGMA journal_mode=WAL");
  Pragma(db, "PRAGMA synchronous=NORMAL");

  long run = 0, skipped = 0, failed = 0;
  const auto start = std::chrono::steady_clock::now();
  const std::clock_t cpu_start = std::clock();
  for (const std::string& sql : lines) {
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()), &stmt, nullptr) !=
        SQLITE_OK) {
      ++skipped;
      continue;
    }
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
    }
    if (rc != SQLITE_DONE) ++failed;
    sqlite3_finalize(stmt);
    ++run;
  }
  const double secs =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const double cpu = double(std::clock() - cpu_start) / CLOCKS_PER_SEC;
  sqlite3_close_v2(db);
  std::printf(
      "%ld statements%s in %.2f s: %.0f statements/s (cpu %.2f s; %ld skipped, %ld failed)\n", run,
      writes_only ? " (writes only)" : "", secs, run / secs, cpu, skipped, failed);
  std::printf("company file: %s\n", company.c_str());
  return failed ? 1 : 0;
}
