// Insert rate of the single-user company file under each journal/sync setting:
// single INSERT statements in autocommit through the data access layer, as an
// import sends them.
//
//   sqlite_insert_rate [rows=20000] [folder=/tmp]
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/common/error.h"
#include "platform/dao/connection.h"
#include "platform/dao/provider.h"

namespace {

const char* kSchema =
    "CREATE TABLE accountledger (ledcode VARCHAR(10) PRIMARY KEY, ledname VARCHAR(50) COLLATE "
    "NOCASE, headcode SMALLINT, address VARCHAR(60), city VARCHAR(25));\n"
    "CREATE INDEX accountledger_ledname ON accountledger (ledname COLLATE NOCASE);\n";

struct Setting {
  const char* name;
  const char* journal;      // set on the file after it is created
  const char* synchronous;  // set on the connection after it opens; null keeps the provider's
};

std::string ConnectionStringFor(const std::string& path) {
  return "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + path +
         ";Persist Security Info=False;Jet OLEDB:Database Password =x";
}

double Run(const Setting& s, const std::string& folder, int rows) {
  const std::string path = folder + "/vantrel-insert-rate-" + std::to_string(getpid()) + ".db";
  for (const char* suffix : {"", "-wal", "-shm", "-journal"})
    std::filesystem::remove(path + suffix);
  vantrel::CreateSqliteCompanyFile(path, kSchema);
  {
    vantrel::Connection conn;
    conn.Open(ConnectionStringFor(path));
    conn.Execute(std::string("PRAGMA journal_mode=") + s.journal);
  }
  vantrel::Connection conn;
  conn.Open(ConnectionStringFor(path));
  if (s.synchronous) conn.Execute(std::string("PRAGMA synchronous=") + s.synchronous);
  const auto start = std::chrono::steady_clock::now();
  for (int i = 1; i <= rows; ++i) {
    const std::string n = std::to_string(i);
    conn.Execute("INSERT INTO ACCOUNTLEDGER(LEDCODE,LEDNAME,HEADCODE,CITY) VALUES('" + n +
                 "','Ledger " + n + "',24,\"Pune\")");
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  conn.Close();
  for (const char* suffix : {"", "-wal", "-shm", "-journal"})
    std::filesystem::remove(path + suffix);
  return seconds;
}

}  // namespace

int main(int argc, char** argv) {
  const int rows = argc > 1 ? std::atoi(argv[1]) : 20000;
  const std::string folder = argc > 2 ? argv[2] : "/tmp";
  const Setting settings[] = {
      {"journal_mode=DELETE, synchronous=FULL (SQLite default)", "DELETE", nullptr},
      {"journal_mode=DELETE, synchronous=NORMAL", "DELETE", "NORMAL"},
      {"journal_mode=WAL, synchronous=FULL", "WAL", "FULL"},
      {"journal_mode=WAL, synchronous=NORMAL (company files)", "WAL", nullptr},
  };
  try {
    for (const Setting& s : settings) {
      const double seconds = Run(s, folder, rows);
      std::printf("%-55s %6d rows %8.2f s %9.0f rows/s\n", s.name, rows, seconds, rows / seconds);
      std::fflush(stdout);
    }
  } catch (const vantrel::Error& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  return 0;
}
