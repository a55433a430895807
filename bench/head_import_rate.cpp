// Imports N account heads from a generated workbook into a new company file
// (or, with --server HOST --database NAME, into an existing server database)
// and prints rows per second.
//   head_import_rate [ROWS] [--atomic|--dry-run] [--server HOST --database NAME]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "frame/company_template.h"
#include "vantrel/DependProcesser.h"

int main(int argc, char** argv) {
  long rows = 20000;
  std::string server, database;
  int mode = vantrel::transPerStatement;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--server" && i + 1 < argc)
      server = argv[++i];
    else if (a == "--database" && i + 1 < argc)
      database = argv[++i];
    else if (a == "--atomic")
      mode = vantrel::transAtomic;
    else if (a == "--dry-run")
      mode = vantrel::transDryRun;
    else
      rows = std::atol(argv[i]);
  }
  char dir[] = "/tmp/vantrel-bench-XXXXXX";
  if (!mkdtemp(dir)) return 1;
  const std::string book = std::string(dir) + "/heads.csv";
  {
    std::ofstream out(book);
    out << "Head Name,Parent\n";
    for (long i = 0; i < rows; ++i) out << "Head " << i << ",Sundry Debtors\n";
  }
  setenv("VANTREL_LOG_DIR", dir, 1);

  vantrel::DependProcesser p;
  if (server.empty()) {
    const std::string company = std::string(dir) + "/company.db";
    vantrel::CreateCompanyFile(company);
    p.SetTargetDataBase(company);
  } else {
    p.SetTargetType(vantrel::typeMultiUser);
    if (!p.SetServer(server)) return 1;
    p.SetTargetDataBase(database);
  }
  p.SetTransactionMode(mode);
  p.SetSourceType(vantrel::srcEXCEL);
  p.SetSourceFile(book);
  p.SetMapInfo({{}, {"Head Name", "headname"}, {"Parent", "underhead"}});

  const auto start = std::chrono::steady_clock::now();
  bool err = false;
  p.ImportAccountHeads(err);
  const double secs =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (!p.CloseConn()) err = true;
  std::printf("%ld heads (%ld imported, %ld refused) in %.2f s: %.0f rows/s%s\n", rows,
              p.RowsImported(), p.RowsRefused(), secs, rows / secs, err ? " (errors)" : "");
  std::printf("scratch folder: %s\n", dir);
  return err ? 1 : 0;
}
