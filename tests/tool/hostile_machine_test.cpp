// The command line against a held target, a frozen server, a kill -9 and a full disk.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "platform/dao/connection.h"
#include "platform/variant/convert.h"
#include "support/company_fixture.h"

namespace vantrel {
namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// A workbook of `rows` account heads under one parent, and its mapping file.
void WriteHeads(const TempDir& dir, int rows) {
  std::string csv = "Head Name,Parent Head\n";
  for (int i = 0; i < rows; ++i) csv += "Head " + std::to_string(i) + ",Current Assets\n";
  dir.Write("heads.csv", csv);
  dir.Write("map.csv", "Head Name,headname\nParent Head,underhead\n");
}

const std::string kImportHeads = "import account-heads heads.csv --map map.csv --log-dir . ";

std::string FileConnection(const std::string& file) {
  return "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + file;
}

std::string Single(Connection& conn, const std::string& sql) {
  return ToText(conn.Query(sql).rows.at(0).at(0));
}

int Heads(Connection& conn) { return std::stoi(Single(conn, "select count(*) from accounthead")); }

TEST(ImportLock, SecondImportWaitsThenStopsNamingTheTargetAndRunsOnceItIsFree) {
  for (const bool server : {false, true}) {
    SCOPED_TRACE(server ? "server database" : "company file");
    if (server) VANTREL_NEED_MARIADB();
    TempDir dir;
    WriteHeads(dir, 3);
    const std::string db = server ? CreateTestDatabase("lock") : "c.db";
    ASSERT_TRUE(server || RunTool("init c.db", dir.path()).status == 0);
    const std::string conn_text =
        server ? TestMariadbConnectionString(db) : FileConnection(dir.File(db));
    const std::string target =
        server ? "--server " + TestMariadbServer() + " --database " + db : "--target c.db";
    Connection first;  // the import that holds the target
    first.Open(conn_text);
    first.ClaimForImport(0);

    const auto start = Clock::now();
    const ToolResult r = RunTool(kImportHeads + target + " --lock-wait 1", dir.path());
    EXPECT_EQ(r.status, 1) << r.out;
    EXPECT_TRUE(Holds(r.out, server ? "The database '" + db + "' on server "
                                    : "The company file 'c.db' is in use by another import"));
    EXPECT_TRUE(Holds(r.out, "is in use by another import"));
    EXPECT_GE(SecondsSince(start), 1.0);
    EXPECT_LT(SecondsSince(start), 6.0);

    // Readers are not held up, and the target is free once the first import ends.
    Connection reader;
    reader.Open(conn_text);
    const int before = Heads(reader);
    first.Close();
    const ToolResult again = RunTool(kImportHeads + target + " --trace-sql t.sql", dir.path());
    EXPECT_EQ(again.status, 0) << again.out;
    EXPECT_EQ(Heads(reader), before + 3);
    // The server takes names without brackets; a target that exists is not made again.
    EXPECT_TRUE(Holds(ReadFile(dir.File("t.sql")),
                      server
                          ? "insert into accounthead(headcode,headname,underhead)values("
                          : "insert into accounthead([headcode],[headname],[underhead])values("));
    EXPECT_EQ(RunTool(server ? "init " + target : "init c.db", dir.path()).status, 1);
    if (server) DropTestDatabase(db);
  }
}

// A port nothing listens on now.
int FreePort() {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof addr;
  const bool ok = bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
                  getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) == 0;
  close(fd);
  return ok ? ntohs(addr.sin_port) : 3397;
}

// A throw-away server of the test's own, since it is frozen on purpose.
TEST(FrozenServer, ImportEndsNamingTheServerAfterTheTimeout) {
  if (std::system("command -v mariadbd >/dev/null 2>&1") != 0) {
    if (MariadbServerRequired()) FAIL() << "mariadbd is not installed";
    GTEST_SKIP() << "mariadbd is not installed";
  }
  TempDir dir;
  const std::string port = std::to_string(FreePort()), server = "127.0.0.1:" + port;
  const std::string script = std::string(VANTREL_SCRIPTS_DIR) + "/mariadb-test-server.sh";
  const std::string data = dir.File("server");
  ASSERT_EQ(std::system((script + " start " + data + " " + port + " >/dev/null").c_str()), 0);
  // Should the test die, the server still thaws and stops a minute later.
  ASSERT_EQ(std::system(("(sleep 60; kill -CONT $(cat " + data + "/pid) 2>/dev/null; " + script +
                         " stop " + data + ") >/dev/null 2>&1 &")
                            .c_str()),
            0);
  const auto signal = [&](int sig) { kill(std::stoi(ReadFile(data + "/pid")), sig); };

  WriteHeads(dir, 20000);
  const std::string target = "--server " + server + " --database frozen";
  ASSERT_EQ(RunTool("init " + target, dir.path()).status, 0);
  const pid_t tool = StartTool(kImportHeads + target + " --server-timeout 2", dir.path());
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  signal(SIGSTOP);
  const auto frozen = Clock::now();
  const int status = WaitTool(tool);
  const double waited = SecondsSince(frozen);
  signal(SIGCONT);
  const std::string out = ReadFile(dir.File("out.txt")) + ReadFile(dir.File("err.txt"));
  EXPECT_EQ(status, 1) << out;
  EXPECT_TRUE(Holds(out, "server " + server));
  EXPECT_TRUE(Holds(out, " rows imported"));  // what was written before
  EXPECT_LT(waited, 8.0);
  EXPECT_EQ(std::system((script + " stop " + data + " >/dev/null").c_str()), 0);
}

// The company file after a failure: intact, every head once.
void ExpectIntactWithoutDuplicates(const std::string& file) {
  Connection conn;
  conn.Open(FileConnection(file));
  EXPECT_EQ(Single(conn, "PRAGMA integrity_check"), "ok");
  EXPECT_EQ(Single(conn, "select count(*) from accounthead"),
            Single(conn, "select count(*) from (select distinct headname from accounthead)"));
}

TEST(Survival, KillNineMidImportLeavesAnIntactFileAndARerunCompletes) {
  TempDir dir;
  WriteHeads(dir, 20000);
  ASSERT_EQ(RunTool("init c.db", dir.path()).status, 0);
  Connection reader;
  reader.Open(FileConnection(dir.File("c.db")));
  const int defaults = Heads(reader);

  const pid_t tool = StartTool(kImportHeads + "--target c.db", dir.path());
  const auto start = Clock::now();
  while (Heads(reader) < defaults + 200 && SecondsSince(start) < 30)  // some rows, not all
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  kill(tool, SIGKILL);
  EXPECT_EQ(WaitTool(tool), -SIGKILL);
  EXPECT_LT(Heads(reader), defaults + 20000);
  reader.Close();
  ExpectIntactWithoutDuplicates(dir.File("c.db"));

  const ToolResult rerun = RunTool(kImportHeads + "--target c.db", dir.path());
  EXPECT_EQ(rerun.status, 0) << rerun.out;
  ExpectIntactWithoutDuplicates(dir.File("c.db"));
  reader.Open(FileConnection(dir.File("c.db")));
  EXPECT_EQ(Heads(reader), defaults + 20000);
}

TEST(Survival, DiskFullEndsWithExitOneAndAnIntactFile) {
  TempDir dir;
  const std::string disk = dir.File("disk");
  ASSERT_EQ(std::system(("mkdir -p '" + disk + "'").c_str()), 0);
  // A small file system of its own; mounting one needs root.
  if (geteuid() != 0 ||
      std::system(("mount -t tmpfs -o size=400k tmpfs '" + disk + "' 2>/dev/null").c_str()) != 0)
    GTEST_SKIP() << "no small file system to fill (mounting a tmpfs needs root)";
  WriteHeads(dir, 20000);
  ASSERT_EQ(RunTool("init c.db", dir.path()).status, 0);
  ASSERT_EQ(std::system(("cp '" + dir.File("c.db") + "' '" + disk + "/'").c_str()), 0);
  const ToolResult r = RunTool(kImportHeads + "--target disk/c.db", dir.path());
  EXPECT_EQ(r.status, 1) << r.out;
  EXPECT_TRUE(Holds(r.out, "full"));
  ExpectIntactWithoutDuplicates(disk + "/c.db");
  EXPECT_EQ(std::system(("umount '" + disk + "'").c_str()), 0);
}

}  // namespace
}  // namespace vantrel
