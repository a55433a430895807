// The command line on a machine that fails it: a target another import holds,
// a server that freezes, an import killed half way, a disk that fills up.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/dao/connection.h"
#include "platform/variant/convert.h"
#include "support/company_fixture.h"
#include "support/mariadb_server.h"

namespace vantrel {
namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// Starts the tool in `dir` with its output in out.txt and err.txt.
pid_t StartTool(const std::string& args, const std::string& dir) {
  const std::string cmd =
      "cd '" + dir + "' && exec " + VANTREL_TOOL_PATH + " " + args + " >out.txt 2>err.txt";
  const pid_t pid = fork();
  if (pid == 0) {
    execl("/bin/sh", "sh", "-c", cmd.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  return pid;
}

// Exit status of the tool, -signal when a signal ended it.
int WaitTool(pid_t pid) {
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
}

struct Result {
  int status;
  std::string out;
};

Result RunTool(const std::string& args, const std::string& dir) {
  const int status = WaitTool(StartTool(args, dir));
  return {status, ReadFile(dir + "/out.txt") + ReadFile(dir + "/err.txt")};
}

// A workbook of `rows` account heads under one parent, and its mapping file.
void WriteHeads(const TempDir& dir, int rows) {
  std::string csv = "Head Name,Parent Head\n";
  for (int i = 0; i < rows; ++i) csv += "Head " + std::to_string(i) + ",Current Assets\n";
  dir.Write("heads.csv", csv);
  dir.Write("map.csv", "Head Name,headname\nParent Head,underhead\n");
}

const char kImportHeads[] = "import account-heads heads.csv --map map.csv --log-dir . ";

std::string Single(Connection& conn, const std::string& sql) {
  const RowSet r = conn.Query(sql);
  return r.rows.empty() || r.rows[0].empty() ? "" : ToText(r.rows[0][0]);
}

TEST(ImportLock, SecondImportIntoACompanyFileWaitsThenStopsNamingIt) {
  TempDir dir;
  WriteHeads(dir, 3);
  ASSERT_EQ(RunTool("init c.db", dir.path()).status, 0);
  Connection first;  // the import that holds the file
  first.Open("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + dir.File("c.db"));
  first.ClaimForImport(0);

  const auto start = Clock::now();
  const Result r = RunTool(std::string(kImportHeads) + "--target c.db --lock-wait 1", dir.path());
  EXPECT_EQ(r.status, 1) << r.out;
  EXPECT_NE(r.out.find("The company file 'c.db' is in use by another import"), std::string::npos)
      << r.out;
  EXPECT_GE(SecondsSince(start), 1.0);
  EXPECT_LT(SecondsSince(start), 6.0);

  // Readers are not held up, and the file is free once the first import ends.
  Connection reader;
  reader.Open("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + dir.File("c.db"));
  const std::string before = Single(reader, "select count(*) from accounthead");
  first.Close();
  const Result again = RunTool(std::string(kImportHeads) + "--target c.db", dir.path());
  EXPECT_EQ(again.status, 0) << again.out;
  EXPECT_EQ(std::stoi(Single(reader, "select count(*) from accounthead")), std::stoi(before) + 3);
}

TEST(ImportLock, SecondImportIntoAServerDatabaseWaitsThenStopsNamingIt) {
  VANTREL_NEED_MARIADB();
  TempDir dir;
  WriteHeads(dir, 3);
  const std::string db = CreateTestDatabase("lock");
  Connection first;
  first.Open(TestMariadbConnectionString(db));
  first.ClaimForImport(0);

  const std::string target = "--server " + TestMariadbServer() + " --database " + db;
  const auto start = Clock::now();
  const Result r = RunTool(std::string(kImportHeads) + target + " --lock-wait 1", dir.path());
  EXPECT_EQ(r.status, 1) << r.out;
  EXPECT_NE(r.out.find("The database '" + db + "' on server "), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("is in use by another import"), std::string::npos) << r.out;
  EXPECT_LT(SecondsSince(start), 6.0);

  first.Close();
  EXPECT_EQ(RunTool(std::string(kImportHeads) + target, dir.path()).status, 0);
  DropTestDatabase(db);
}

// A port nothing listens on now.
int FreePort() {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof addr;
  if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
      getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
    close(fd);
    return 3397;
  }
  close(fd);
  return ntohs(addr.sin_port);
}

// A throw-away server of the test's own, since it is frozen on purpose.
class FrozenServer : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::system("command -v mariadbd >/dev/null 2>&1") != 0) {
      if (MariadbServerRequired()) FAIL() << "mariadbd is not installed";
      GTEST_SKIP() << "mariadbd is not installed";
    }
    server_ = "127.0.0.1:" + std::to_string(FreePort());
    const std::string script = std::string(VANTREL_SCRIPTS_DIR) + "/mariadb-test-server.sh";
    const std::string dir = dir_.File("server");
    ASSERT_EQ(
        std::system((script + " start " + dir + " " + server_.substr(10) + " >/dev/null").c_str()),
        0);
    // Should this test die while the server is frozen, the server still
    // thaws and stops a minute later rather than hold its port for good.
    const std::string guard = "(sleep 60; kill -CONT $(cat " + dir + "/pid) 2>/dev/null; " +
                              script + " stop " + dir + ") >/dev/null 2>&1 &";
    ASSERT_EQ(std::system(guard.c_str()), 0);
    started_ = true;
  }
  void TearDown() override {
    if (!started_) return;
    Resume();
    const std::string stop = std::string(VANTREL_SCRIPTS_DIR) + "/mariadb-test-server.sh stop " +
                             dir_.File("server") + " >/dev/null";
    EXPECT_EQ(std::system(stop.c_str()), 0);
  }
  void Signal(int sig) { kill(std::stoi(ReadFile(dir_.File("server/pid"))), sig); }
  void Resume() { Signal(SIGCONT); }

  TempDir dir_;
  std::string server_;
  bool started_ = false;
};

TEST_F(FrozenServer, ImportEndsNamingTheServerAfterTheTimeout) {
  WriteHeads(dir_, 20000);
  const std::string target = "--server " + server_ + " --database frozen";
  ASSERT_EQ(RunTool("init " + target, dir_.path()).status, 0);
  const pid_t tool =
      StartTool(std::string(kImportHeads) + target + " --server-timeout 2", dir_.path());
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  Signal(SIGSTOP);
  const auto frozen = Clock::now();
  const int status = WaitTool(tool);
  const double waited = SecondsSince(frozen);
  Resume();
  const std::string out = ReadFile(dir_.File("out.txt")) + ReadFile(dir_.File("err.txt"));
  EXPECT_EQ(status, 1) << out;
  EXPECT_NE(out.find("server " + server_), std::string::npos) << out;
  EXPECT_NE(out.find(" rows imported"), std::string::npos) << out;  // what was written before
  EXPECT_LT(waited, 8.0);
}

// The company file after a failure: intact, every head once.
void ExpectIntactWithoutDuplicates(const std::string& file) {
  Connection conn;
  conn.Open("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + file);
  EXPECT_EQ(Single(conn, "PRAGMA integrity_check"), "ok");
  EXPECT_EQ(Single(conn, "select count(*) from accounthead"),
            Single(conn, "select count(*) from (select distinct headname from accounthead)"));
}

TEST(Survival, KillNineMidImportLeavesAnIntactFileAndARerunCompletes) {
  TempDir dir;
  WriteHeads(dir, 20000);
  ASSERT_EQ(RunTool("init c.db", dir.path()).status, 0);
  Connection reader;
  reader.Open("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + dir.File("c.db"));
  const int defaults = std::stoi(Single(reader, "select count(*) from accounthead"));

  const pid_t tool = StartTool(std::string(kImportHeads) + "--target c.db", dir.path());
  // Killed once some rows, not all, are in.
  const auto start = Clock::now();
  while (std::stoi(Single(reader, "select count(*) from accounthead")) < defaults + 200 &&
         SecondsSince(start) < 30)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  kill(tool, SIGKILL);
  EXPECT_EQ(WaitTool(tool), -SIGKILL);
  const int partial = std::stoi(Single(reader, "select count(*) from accounthead"));
  EXPECT_LT(partial, defaults + 20000);
  reader.Close();
  ExpectIntactWithoutDuplicates(dir.File("c.db"));

  const Result rerun = RunTool(std::string(kImportHeads) + "--target c.db", dir.path());
  EXPECT_EQ(rerun.status, 0) << rerun.out;
  ExpectIntactWithoutDuplicates(dir.File("c.db"));
  reader.Open("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + dir.File("c.db"));
  EXPECT_EQ(std::stoi(Single(reader, "select count(*) from accounthead")), defaults + 20000);
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
  const Result r = RunTool(std::string(kImportHeads) + "--target disk/c.db", dir.path());
  EXPECT_EQ(r.status, 1) << r.out;
  EXPECT_NE(r.out.find("full"), std::string::npos) << r.out;
  ExpectIntactWithoutDuplicates(disk + "/c.db");
  EXPECT_EQ(std::system(("umount '" + disk + "'").c_str()), 0);
}

}  // namespace
}  // namespace vantrel
