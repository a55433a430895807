// Times a whole migration of a large export: ITEMS stock items with opening
// stock split over two godowns and LEDGERS ledgers with opening balances that
// agree, run as one atomic migration into a new company file and, when
// VANTREL_BENCH_MARIADB=HOST:PORT is set, into a new database on that server
// (dropped afterwards). Each run happens in a child process of its own, so
// its peak memory is its own: the peak resident set (ru_maxrss) and its
// growth over the run, both against the export's size (the aim: within 3 times).
//   migration [ITEMS=200000] [LEDGERS=30000]
// A company holds at most 32,767 ledgers (16-bit ledger codes and journal
// serial numbers). KEEP=1 leaves the export and the company file in /tmp.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "frame/company_template.h"
#include "frame/connections.h"
#include "platform/dao/connection.h"
#include "vantrel/DependProcesser.h"

namespace {

constexpr int kStockGroups = 97;
constexpr int kLedgerGroups = 10;

// The export: groups, ledgers (debit and credit in turn, so the trial
// balance agrees), two godowns, units, stock groups and items.
void WriteExport(const std::string& path, long items, long ledgers) {
  std::ofstream out(path, std::ios::binary);
  out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
         "<ENVELOPE>\r\n <HEADER><VERSION>1</VERSION></HEADER>\r\n <BODY>\r\n  <DATA>\r\n";
  for (int g = 0; g < kLedgerGroups; ++g)
    out << "   <GROUP NAME=\"Debtors " << g << "\">\r\n    <PARENT>Sundry Debtors</PARENT>\r\n"
        << "   </GROUP>\r\n";
  for (long l = 0; l < ledgers; ++l) {
    // Pairs of ledgers carry the same amount, one as a debit, one as a credit.
    const long amount = 100 + (l / 2) % 9000;
    out << "   <LEDGER NAME=\"Party &amp; Co " << l << "\">\r\n"
        << "    <PARENT>Debtors " << l % kLedgerGroups << "</PARENT>\r\n"
        << "    <OPENINGBALANCE>" << (l % 2 == 0 && l + 1 < ledgers ? "-" : "") << amount
        << ".25</OPENINGBALANCE>\r\n"
        << "   </LEDGER>\r\n";
  }
  out << "   <GODOWN NAME=\"North Store\"/>\r\n   <GODOWN NAME=\"South Store\"/>\r\n"
      << "   <UNIT NAME=\"Nos\"/>\r\n";
  for (int g = 0; g < kStockGroups; ++g)
    out << "   <STOCKGROUP NAME=\"Group " << g << "\">\r\n    <PARENT></PARENT>\r\n"
        << "   </STOCKGROUP>\r\n";
  for (long i = 0; i < items; ++i) {
    const long north = 1 + i % 400, south = 1 + i % 150;
    out << "   <STOCKITEM NAME=\"Item &amp; Part " << i << "\">\r\n"
        << "    <PARENT>Group " << i % kStockGroups << "</PARENT>\r\n"
        << "    <BASEUNITS>Nos</BASEUNITS>\r\n"
        << "    <OPENINGBALANCE> " << north + south << " Nos</OPENINGBALANCE>\r\n"
        << "    <OPENINGRATE>3.50/Nos</OPENINGRATE>\r\n"
        << "    <OPENINGVALUE>-" << (north + south) * 3.5 << "</OPENINGVALUE>\r\n";
    for (const auto& [godown, qty] : {std::pair{"North Store", north}, {"South Store", south}})
      out << "    <BATCHALLOCATIONS.LIST>\r\n"
          << "     <GODOWNNAME>" << godown << "</GODOWNNAME>\r\n"
          << "     <BATCHNAME>Primary Batch</BATCHNAME>\r\n"
          << "     <OPENINGBALANCE> " << qty << " Nos</OPENINGBALANCE>\r\n"
          << "     <OPENINGRATE>3.50/Nos</OPENINGRATE>\r\n"
          << "     <OPENINGVALUE>-" << qty * 3.5 << "</OPENINGVALUE>\r\n"
          << "    </BATCHALLOCATIONS.LIST>\r\n";
    out << "   </STOCKITEM>\r\n";
  }
  out << "  </DATA>\r\n </BODY>\r\n</ENVELOPE>\r\n";
}

// The resident set now, in bytes.
double ResidentBytes() {
  std::ifstream statm("/proc/self/statm");
  long pages = 0, resident = 0;
  statm >> pages >> resident;
  return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE));
}

double PeakBytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) * 1024;
}

// The migration into `target` (a company file, or a database on `server`);
// runs in the calling process and gives its exit status.
int Migrate(const std::string& label, const std::string& server, const std::string& target,
            const std::string& export_path, double file_bytes, long records) {
  vantrel::DependProcesser p;
  if (!server.empty()) {
    p.SetTargetType(vantrel::typeMultiUser);
    if (!p.SetServer(server)) return 1;
  }
  p.SetTargetDataBase(target);
  p.SetTransactionMode(vantrel::transAtomic);
  vantrel::MigrationPlan plan;
  plan.sources.push_back({"export", export_path, "", 1});
  plan.as_of = "2024-04-01";
  const double resident_before = ResidentBytes();
  const auto start = std::chrono::steady_clock::now();
  const std::clock_t cpu_start = std::clock();
  bool err = false;
  p.Migrate(plan, err);
  const double cpu = double(std::clock() - cpu_start) / CLOCKS_PER_SEC;
  const double secs =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (!p.CloseConn()) err = true;
  const double peak = PeakBytes();
  const double growth = peak - resident_before;
  std::printf("%s: %ld records in %.1f s (cpu %.1f s), %.0f records/s%s\n", label.c_str(), records,
              secs, cpu, records / secs, err ? " (errors: the migration failed)" : "");
  for (const vantrel::KindCount& c : p.Counts())
    std::printf("  %s: %ld written, %ld already there, %ld refused\n", c.kind.c_str(), c.written,
                c.already_there, c.refused);
  if (!err)
    std::printf("  trial balance: debit %.2f, credit %.2f; stock value %.2f\n", p.Opening().debit,
                p.Opening().credit, p.Opening().stock_value);
  std::printf(
      "  peak memory %.0f MB (%.2f times the file), growth during the run %.0f MB "
      "(%.2f times): %s\n",
      peak / 1e6, peak / file_bytes, growth / 1e6, growth / file_bytes,
      peak <= 3 * file_bytes ? "within 3 times the file" : "MORE than 3 times the file");
  std::fflush(stdout);
  return err ? 1 : 0;
}

// Runs `Migrate` in a child process, so each target's peak is measured alone.
int InChild(const std::string& label, const std::string& server, const std::string& target,
            const std::string& export_path, double file_bytes, long records) {
  std::fflush(stdout);
  const pid_t pid = fork();
  if (pid == 0) _exit(Migrate(label, server, target, export_path, file_bytes, records));
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const long items = argc > 1 ? std::atol(argv[1]) : 200000;
  const long ledgers = argc > 2 ? std::atol(argv[2]) : 30000;
  if (items < 0 || ledgers < 0 || ledgers > 32767) {
    std::fprintf(stderr, "usage: migration [ITEMS] [LEDGERS, at most 32767]\n");
    return 2;
  }
  const std::string tag = std::to_string(getpid());
  const std::string export_path = "/tmp/vantrel_migration_bench_" + tag + ".xml";
  WriteExport(export_path, items, ledgers);
  std::ifstream probe(export_path, std::ios::binary | std::ios::ate);
  const double file_bytes = static_cast<double>(probe.tellg());
  std::printf("export: %ld items in two godowns, %ld ledgers with balances, %.1f MB\n", items,
              ledgers, file_bytes / 1e6);
  const long records = items + ledgers;
  vantrel::SetMaxSourceSize(static_cast<uint64_t>(file_bytes) + 1);  // however large it is

  int status = 0;
  const std::string company = "/tmp/vantrel_migration_bench_" + tag + ".db";
  vantrel::CreateCompanyFile(company);
  status |= InChild("company file", "", company, export_path, file_bytes, records);

  if (const char* server = std::getenv("VANTREL_BENCH_MARIADB"); server && *server) {
    const std::string database = "vantrel_bench_migration_" + tag;
    vantrel::CreateCompanyDatabase(server, database);
    status |= InChild("MariaDB", server, database, export_path, file_bytes, records);
    vantrel::Connection conn;
    conn.Open(vantrel::MultiUserConnectionString(server, database));
    conn.Execute("DROP DATABASE " + database);
  }
  if (!std::getenv("KEEP")) {
    std::remove(export_path.c_str());
    for (const char* suffix : {"", "-wal", "-shm"}) std::remove((company + suffix).c_str());
  }
  return status;
}
