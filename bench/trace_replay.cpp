// Replays a statement trace (vantrel import --trace-sql FILE: one statement a
// line) straight through SQLite into a company file and prints statements per
// second: the bare cost of the statements an import sends, without the import.
//   trace_replay TRACE [COMPANY_FILE] [--writes-only] [--transaction]
// Without COMPANY_FILE a new company file is made from the template in a
// scratch folder. The file runs in autocommit, WAL, synchronous=NORMAL, as the
// company files vantrel makes; --transaction runs every line in one transaction.
//
// Each line is put into SQLite's dialect with TranslateJetSql; nothing else is
// registered. SELECT lines run too by default (stepped to their last row), as
// the import runs them; --writes-only skips them. A line that SQLite cannot
// prepare (the code allocators' MAX(CINT(...)) queries, whose function plain
// SQLite lacks) is counted as skipped.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "frame/company_template.h"
#include "replay.h"

int main(int argc, char** argv) {
  std::string trace_path, company;
  bool writes_only = false, one_transaction = false;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--writes-only")
      writes_only = true;
    else if (a == "--transaction")
      one_transaction = true;
    else if (trace_path.empty())
      trace_path = a;
    else
      company = a;
  }
  if (trace_path.empty()) {
    std::fprintf(stderr,
                 "usage: trace_replay TRACE [COMPANY_FILE] [--writes-only] [--transaction]\n");
    return 2;
  }
  const auto lines = bench::ReadTrace(trace_path, writes_only);
  if (company.empty()) {
    char dir[] = "/tmp/vantrel-replay-XXXXXX";
    if (!mkdtemp(dir)) return 1;
    company = std::string(dir) + "/company.db";
    vantrel::CreateCompanyFile(company);
  }
  const bench::ReplayResult r = bench::ReplaySqlite(lines, company, one_transaction);
  std::printf(
      "%ld statements%s in %.2f s: %.0f statements/s (cpu %.2f s; %ld skipped, %ld failed)\n",
      r.run, writes_only ? " (writes only)" : "", r.seconds, r.run / r.seconds, r.cpu_seconds,
      r.skipped, r.failed);
  std::printf("company file: %s\n", company.c_str());
  return r.failed ? 1 : 0;
}
