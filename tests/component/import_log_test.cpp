#include "frame/import_log.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>

#include "support/company_fixture.h"

namespace vantrel {
namespace {

TEST(ImportLog, ItemsStandAtColumnsOneFifteenAndThirtyOneOrOnALineOfTheirOwn) {
  const std::string pad(14, ' '), name15 = "ABCDEFGHIJKLMNO", name40(40, 'N');
  const std::pair<std::string, std::string> cases[] = {
      {"Cash", "Cash          failed          x\r\n"},
      {"ABCDEFGHIJKLM", "ABCDEFGHIJKLM failed          x\r\n"},
      {"ABCDEFGHIJKLMN", "ABCDEFGHIJKLMNfailed          x\r\n"},
      {name15, name15 + "\r\n" + pad + "failed          x\r\n"},
      {name40, name40 + "\r\n" + pad + "failed          x\r\n"},
      // Columns count characters: "ÄPFEL GmbH" is 10 wide in any script.
      {"\xC3\x84PFEL GmbH", "\xC3\x84PFEL GmbH    failed          x\r\n"},
  };
  for (const auto& [name, line] : cases) EXPECT_EQ(LayoutLogLine(name, "failed", "x"), line);
  EXPECT_EQ(LayoutLogLine("A", "a status too long", "x"),
            "A             a status too long\r\n" + std::string(30, ' ') + "x\r\n");
}

TEST(ImportLog, ANewLogReplacesTheOldOneAndALineThatCannotBeWrittenRaisesAtOnce) {
  TempDir dir;
  setenv("VANTREL_LOG_DIR", dir.path().c_str(), 1);
  ASSERT_EQ(symlink("/dev/full", dir.File("full.log").c_str()), 0);
  ImportLog full;
  EXPECT_TRUE(Holds(ErrorOf([&] { full.Open("full.log", "Head"); }), "Device I/O error writing"));
  dir.Write("accounts.log", "an earlier run's log that is much longer than the new one\r\n");
  ImportLog log;
  log.Open(logfile::kAccounts, "Accounts");
  log.WriteLine("Cash", "success", "--------------");
  log.Close();
  EXPECT_EQ(ReadFile(dir.File("accounts.log")),
            "Accounts      ImportStaus     Reason\r\n"
            "========      ===========     ======\r\n"
            "Cash          success         --------------\r\n");
  unsetenv("VANTREL_LOG_DIR");
}

}  // namespace
}  // namespace vantrel
