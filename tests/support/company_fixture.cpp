#include "support/company_fixture.h"

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "frame/company_template.h"
#include "frame/connections.h"
#include "platform/common/error.h"
#include "platform/dao/connection.h"
#include "platform/dao/recordset.h"
#include "platform/message/message.h"
#include "platform/variant/convert.h"

namespace vantrel {

static std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

std::string TestMariadbServer() { return Env("VANTREL_TEST_MARIADB"); }

bool MariadbServerRequired() { return Env("VANTREL_REQUIRE_MARIADB") == "1"; }

std::string TestMariadbConnectionString(const std::string& database) {
  return "DRIVER=MySQL ODBC 3.51 Driver;UID=orvikuser;PWD=marblequince;SERVER=" +
         TestMariadbServer() + ";DATABASE=" + database;
}

std::string CreateTestDatabase(const std::string& name_hint) {
  static std::atomic<int> counter{0};
  std::string name = "vt_";
  for (char c : name_hint.substr(0, 30))
    name += std::isalnum(static_cast<unsigned char>(c)) ? static_cast<char>(std::tolower(c)) : '_';
  name += "_" + std::to_string(getpid()) + "_" + std::to_string(++counter);
  DropTestDatabase(name);
  CreateCompanyDatabase(TestMariadbServer(), name);
  return name;
}

void DropTestDatabase(const std::string& name) {
  try {
    Connection server;
    server.Open(TestMariadbConnectionString(""));
    server.Execute("DROP DATABASE IF EXISTS " + name);
  } catch (const std::exception&) {
    // Left behind for the next run's server to hold; nothing to report here.
  }
}

Recorder::Recorder() {
  SetMessageHandler([this](const std::string& text, int style, const std::string& title) {
    messages.push_back({text, style, title});
  });
  SetSqlTrace([this](const std::string& sql) {
    if (!paused) statements.push_back(sql);
  });
}

Recorder::~Recorder() {
  SetMessageHandler(nullptr);
  SetSqlTrace(nullptr);
}

Strings Recorder::StatementsStartingWith(const std::string& prefix) const {
  Strings out;
  for (const auto& s : statements)
    if (s.rfind(prefix, 0) == 0) out.push_back(s);
  return out;
}

TempDir::TempDir() {
  std::string tmpl = (std::filesystem::temp_directory_path() / "vantrel-XXXXXX").string();
  if (!mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
  path_ = tmpl;
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

std::string TempDir::Write(const std::string& name, const std::string& text) const {
  const std::string p = File(name);
  std::ofstream(p, std::ios::binary) << text;
  return p;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

::testing::AssertionResult Holds(const std::string& text, const std::string& part) {
  if (text.find(part) != std::string::npos) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "\"" << part << "\" is not in:\n" << text;
}

std::string ErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const Error& e) {
    return e.description();
  }
  return "";
}

MapTable Map(const std::string& pairs) {
  MapTable map(1);
  std::istringstream in(pairs);
  for (std::string pair; std::getline(in, pair, ',');) {
    const size_t eq = pair.find('=');
    map.push_back({pair.substr(0, eq), pair.substr(eq + 1)});
  }
  return map;
}

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

int WaitTool(pid_t pid) {
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
}

ToolResult RunTool(const std::string& args, const std::string& dir) {
  const int status = WaitTool(StartTool(args, dir));
  return {status, ReadFile(dir + "/out.txt") + ReadFile(dir + "/err.txt")};
}

std::string TargetName(const ::testing::TestParamInfo<int>& info) {
  return info.param == typeMultiUser ? "MultiUser" : "SingleUser";
}

void CompanyTest::SetUp() {
  setenv("VANTREL_LOG_DIR", dir_.path().c_str(), 1);
  if (multi_user()) {
    VANTREL_NEED_MARIADB();
    database_ = CreateTestDatabase("company");
  } else {
    database_ = dir_.File("company.db");
    CreateCompanyFile(database_);
  }
}

void CompanyTest::TearDown() {
  EXPECT_TRUE(DependProcesser().CloseConn());
  if (multi_user() && !database_.empty()) DropTestDatabase(database_);
  unsetenv("VANTREL_LOG_DIR");
}

void CompanyTest::Target(DependProcesser& p) const {
  p.SetTargetType(GetParam());
  p.SetTargetDataBase(database_);
  if (multi_user()) {
    EXPECT_TRUE(p.SetServer(TestMariadbServer()));
  }
}

bool CompanyTest::RunImport(Method method, int source_type, const std::string& source, MapTable map,
                            int mode, const std::function<void()>& returned) {
  DependProcesser p;
  Target(p);
  p.SetTransactionMode(mode);
  p.SetSourceType(source_type);
  p.SetSourceFile(source);
  p.SetMapInfo(std::move(map));
  bool err = false;
  (p.*method)(err);
  if (returned) returned();
  imported_ = p.RowsImported();
  refused_ = p.RowsRefused();
  rolled_back_ = p.RolledBack();
  rejects_.clear();
  sheet_rejects_.clear();
  for (const RejectedRecord& r : p.Rejects()) {
    if (r.row > 0)
      sheet_rejects_.push_back(std::to_string(r.row) + "|" + r.name + "|" + r.column + "|" +
                               r.value + "|" + r.reason);
    else
      rejects_.push_back(r.kind + "|" + r.name + "|" + r.parent + "|" + r.reason);
  }
  return err;
}

std::string CompanyTest::Statement(std::string bracketed) const {
  if (multi_user())
    for (char c : {'[', ']'})
      bracketed.erase(std::remove(bracketed.begin(), bracketed.end(), c), bracketed.end());
  return bracketed;
}

std::string CompanyTest::TargetConnectionString() const {
  return multi_user() ? MultiUserConnectionString(TestMariadbServer(), database_)
                      : SingleUserConnectionString(database_);
}

namespace {

// Keeps the test's own statements out of the recorded trace.
struct Paused {
  explicit Paused(Recorder& r) : rec(r) { rec.paused = true; }
  ~Paused() { rec.paused = false; }
  Recorder& rec;
};

std::string Text(const Variant& v) { return v.is_null() ? "NULL" : ToText(v); }

}  // namespace

RowSet CompanyTest::Query(const std::string& sql) const {
  Paused p(rec_);
  Connection conn;
  conn.Open(TargetConnectionString());
  return conn.Query(sql);
}

Strings CompanyTest::Rows(const std::string& sql) const {
  Strings out;
  for (const Row& row : Query(sql).rows) {
    std::string line;
    for (size_t i = 0; i < row.size(); ++i) line += (i ? "|" : "") + Text(row[i]);
    out.push_back(line);
  }
  return out;
}

std::string CompanyTest::One(const std::string& sql) const {
  const RowSet r = Query(sql);
  return r.rows.empty() || r.rows[0].empty() ? "" : Text(r.rows[0][0]);
}

std::string CompanyTest::DayText() const {
  return multi_user() ? FormatDate(Today(), "yyyymmdd") : DateText(Today());
}

Strings CompanyTest::Dump() const {
  Strings tables, out;
  {
    Paused p(rec_);
    Connection conn;
    conn.Open(TargetConnectionString());
    for (auto t = conn.OpenSchema(Connection::kSchemaTables); !t->Eof(); t->MoveNext())
      tables.push_back(ToText(t->Value(size_t{2})));
  }
  for (const std::string& table : tables) {
    for (const Row& row : Query("SELECT * FROM " + table).rows) {
      std::string line = ToLower(table);
      for (const Variant& v : row) line += "|" + Text(v);
      out.push_back(line);
    }
  }
  std::sort(out.begin(), out.end());
  return out;
}

void CompanyTest::Exec(const std::string& sql) const {
  Paused p(rec_);
  Connection conn;
  conn.Open(TargetConnectionString());
  conn.Execute(sql);
}

}  // namespace vantrel
