#pragma once

#include <gtest/gtest.h>
#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/dao/rowset.h"
#include "vantrel/DependProcesser.h"

namespace vantrel {

using Strings = std::vector<std::string>;

// Passes when `text` holds `part`; a failure shows the whole text.
::testing::AssertionResult Holds(const std::string& text, const std::string& part);

// The description of the Error `action` raises, or "" when it raises none.
std::string ErrorOf(const std::function<void()>& action);

// A mapping from "Column=field,Column=field..."; entry zero left empty as the host leaves it.
MapTable Map(const std::string& pairs);

// The command-line tool started in `dir` with its output in out.txt and err.txt.
pid_t StartTool(const std::string& args, const std::string& dir);
// Exit status of a started tool, -signal when a signal ended it.
int WaitTool(pid_t pid);
struct ToolResult {
  int status;
  std::string out;  // standard output, then standard error
};
ToolResult RunTool(const std::string& args, const std::string& dir);

// "host:port" of the test MariaDB server (VANTREL_TEST_MARIADB), "" when none is set.
std::string TestMariadbServer();

// True when VANTREL_REQUIRE_MARIADB=1: a missing server is then a failure, not a skip.
bool MariadbServerRequired();

// Connection string for the fixed test account; `database` may be empty.
std::string TestMariadbConnectionString(const std::string& database);

// A new company database named after the hint, process id and a counter; returns its name.
std::string CreateTestDatabase(const std::string& name_hint);

// Drops a database made by CreateTestDatabase; errors are ignored.
void DropTestDatabase(const std::string& name);

// A message box as the component showed it.
struct ShownMessage {
  std::string text;
  int style;
  std::string title;
};

// Records message boxes and traced statements for the life of a test.
class Recorder {
 public:
  Recorder();
  ~Recorder();
  std::vector<ShownMessage> messages;
  Strings statements;
  bool paused = false;  // while the test's own queries run
  // Statements that start with the given text (letter case counts).
  Strings StatementsStartingWith(const std::string& prefix) const;
};

// A scratch folder under the system's temporary folder, removed at the end.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  const std::string& path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }
  // Writes text to a file in the folder and returns its path.
  std::string Write(const std::string& name, const std::string& text) const;

 private:
  std::string path_;
};

std::string ReadFile(const std::string& path);

// A fresh company file (parameter 0) or server database (1); logs go to the scratch folder.
class CompanyTest : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override;
  void TearDown() override;

  bool multi_user() const { return GetParam() == typeMultiUser; }
  // Points an object at this company.
  void Target(DependProcesser& p) const;
  // Every row of a query on the test's own connection, fields joined by '|' (Null as "NULL").
  Strings Rows(const std::string& sql) const;
  // The first field of the first row, as text ("" when there is no row).
  std::string One(const std::string& sql) const;
  // Today as the target stores a date written by an import.
  std::string DayText() const;
  // A log the import wrote to the scratch folder.
  std::string Log(const std::string& name) const { return ReadFile(dir_.File(name)); }
  void Exec(const std::string& sql) const;
  // Every row of every table as sorted "table|field|field..." lines.
  Strings Dump() const;
  std::string TargetConnectionString() const;
  using Method = void (DependProcesser::*)(bool&);
  // Runs one import; returns errOccured. Keeps the row counts, each skipped record as
  // "KIND|name|parent|reason" and whether it rolled back; `returned` runs as the call returns.
  bool RunImport(Method method, int source_type, const std::string& source, MapTable map = {},
                 int mode = transPerStatement, const std::function<void()>& returned = {});
  bool ImportWorkbook(Method method, const std::string& workbook, MapTable map,
                      const std::function<void()>& returned = {}) {
    return RunImport(method, srcEXCEL, workbook, std::move(map), transPerStatement, returned);
  }
  // A statement as the target receives it: on the server without brackets around names.
  std::string Statement(std::string bracketed) const;
  long imported_ = 0, refused_ = 0;
  Strings rejects_;
  // The worksheet rows the last import refused: row|name|column|value|reason.
  Strings sheet_rejects_;
  bool rolled_back_ = false;
  // The whole result of a query on a connection of the test's own.
  RowSet Query(const std::string& sql) const;

  TempDir dir_;
  std::string database_;  // file path or database name
  mutable Recorder rec_;
};

std::string TargetName(const ::testing::TestParamInfo<int>& info);

}  // namespace vantrel

#define VANTREL_BOTH_TARGETS(Suite) \
  INSTANTIATE_TEST_SUITE_P(Targets, Suite, ::testing::Values(0, 1), ::vantrel::TargetName)

// Opening line of a test that needs the server: skips without one, fails when it is required.
#define VANTREL_NEED_MARIADB()                                                   \
  do {                                                                           \
    if (::vantrel::TestMariadbServer().empty()) {                                \
      if (::vantrel::MariadbServerRequired()) {                                  \
        FAIL() << "VANTREL_REQUIRE_MARIADB=1 but VANTREL_TEST_MARIADB is unset"; \
      } else {                                                                   \
        GTEST_SKIP() << "VANTREL_TEST_MARIADB is unset";                         \
      }                                                                          \
    }                                                                            \
  } while (0)
