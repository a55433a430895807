#include "frame/import_log.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/common/error.h"
#include "support/company_fixture.h"

namespace vantrel {
namespace {

TEST(ImportLog, ItemsStandAtColumnsOneFifteenAndThirtyOne) {
  EXPECT_EQ(LayoutLogLine("Cash", "success", "--------------"),
            "Cash          success         --------------\r\n");
  // A name of 13 characters leaves one blank, 14 none.
  EXPECT_EQ(LayoutLogLine("ABCDEFGHIJKLM", "failed", "x"), "ABCDEFGHIJKLM failed          x\r\n");
  EXPECT_EQ(LayoutLogLine("ABCDEFGHIJKLMN", "failed", "x"), "ABCDEFGHIJKLMNfailed          x\r\n");
}

TEST(ImportLog, LongNamesStandAloneAndTheStatusKeepsItsColumn) {
  const std::string name15 = "ABCDEFGHIJKLMNO";
  EXPECT_EQ(LayoutLogLine(name15, "failed", "x"),
            name15 + "\r\n" + std::string(14, ' ') + "failed          x\r\n");
  const std::string name40(40, 'N');
  EXPECT_EQ(LayoutLogLine(name40, "success", "--------------"),
            name40 + "\r\n" + std::string(14, ' ') + "success         --------------\r\n");
}

TEST(ImportLog, HeaderLinesAndTruncation) {
  TempDir dir;
  setenv("VANTREL_LOG_DIR", dir.path().c_str(), 1);
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

TEST(ImportLog, UncreatableLogNamesThePath) {
  setenv("VANTREL_LOG_DIR", "/nonexistent-folder/for-logs", 1);
  ImportLog log;
  try {
    log.Open(logfile::kProductBatch, "Batch");
    FAIL() << "opened a log in a missing folder";
  } catch (const Error& e) {
    EXPECT_NE(e.description().find("/nonexistent-folder/for-logs/ProductBatch.log"),
              std::string::npos);
  }
  unsetenv("VANTREL_LOG_DIR");
}

}  // namespace
}  // namespace vantrel
