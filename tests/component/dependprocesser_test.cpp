#include "vantrel/DependProcesser.h"

#include <gtest/gtest.h>

#include "frame/module_state.h"
#include "platform/common/error.h"
#include "platform/dao/connection.h"
#include "support/company_fixture.h"

namespace vantrel {
namespace {

const char* const kUnsupported = "Not Support This  Type Of Source File";

class ImportFrames : public CompanyTest {
 protected:
  // A one-row workbook (header, row) with the two columns mapped onto two fields.
  void UseWorkbook(DependProcesser& p, const std::string& header, const std::string& row,
                   const std::string& field1, const std::string& field2) {
    p.SetSourceType(srcEXCEL);
    p.SetSourceFile(dir_.Write("book.csv", header + "\n" + row + "\n"));
    const std::string column1 = header.substr(0, header.find(','));
    const std::string column2 = header.substr(header.find(',') + 1);
    p.SetMapInfo({{}, {column1, field1}, {column2, field2}});
  }
  void UseHeadWorkbook(DependProcesser& p) {
    UseWorkbook(p, "Head Name,Parent", "Debtors North,Sundry Debtors", "headname", "underhead");
  }
};

TEST_P(ImportFrames, MethodsWithoutSourceKindReportFailure) {
  using Method = void (DependProcesser::*)(bool&);
  // Accounts, products and depots say so; the workbook-only methods stay silent.
  const std::pair<Method, bool> cases[] = {
      {&DependProcesser::ImportAccounts, true},   {&DependProcesser::ImportProducts, true},
      {&DependProcesser::ImportDepots, true},     {&DependProcesser::ImportAccountHeads, false},
      {&DependProcesser::ImportProductGr, false}, {&DependProcesser::ImportOS, false},
      {&DependProcesser::ImportBatch, false}};
  for (const auto& [method, says_so] : cases) {
    DependProcesser p;
    Target(p);
    rec_.messages.clear();
    bool err = false;
    (p.*method)(err);
    EXPECT_TRUE(err);
    if (!says_so) {
      EXPECT_TRUE(rec_.messages.empty());
      continue;
    }
    ASSERT_EQ(rec_.messages.size(), 1u);
    EXPECT_EQ(rec_.messages[0].text, kUnsupported);
    EXPECT_EQ(rec_.messages[0].style, 112);
    EXPECT_EQ(rec_.messages[0].title, "");
  }
}

TEST_P(ImportFrames, AccountsReserveAVoucherNumberWhateverTheSource) {
  DependProcesser p;
  Target(p);
  bool err = false;
  p.ImportAccounts(err);
  p.ImportAccounts(err);
  EXPECT_EQ(Column("SELECT paramvalue FROM PARAMLIST WHERE PARAMNAME='JP'"),
            std::vector<std::string>{"2"});
}

TEST_P(ImportFrames, ErrorFlagSpeaksOfTheLastCallOnly) {
  DependProcesser p;
  Target(p);
  bool err = false;
  p.ImportDepots(err);  // no source kind: fails
  EXPECT_TRUE(err);
  UseHeadWorkbook(p);
  err = false;
  p.ImportAccountHeads(err);
  EXPECT_FALSE(err);
  EXPECT_EQ(p.RowsImported(), 1);
}

TEST_P(ImportFrames, UnreachableTargetIsReportedOnceAndNothingElseRuns) {
  DependProcesser p;
  p.SetTargetType(GetParam());
  if (multi_user()) {
    p.SetServer("127.0.0.1:1");
    p.SetTargetDataBase("nothing");
  } else {
    p.SetTargetDataBase(dir_.File("missing.db"));
  }
  UseHeadWorkbook(p);
  bool err = false;
  p.ImportAccountHeads(err);
  EXPECT_TRUE(err);
  ASSERT_EQ(rec_.messages.size(), 1u);
  EXPECT_EQ(rec_.messages[0].title, "Orvik");
  EXPECT_EQ(rec_.messages[0].style, 64);
  EXPECT_NE(rec_.messages[0].text.find(multi_user() ? "127.0.0.1" : "missing.db"),
            std::string::npos)
      << rec_.messages[0].text;
}

TEST_P(ImportFrames, UnknownTargetTypeOpensNothingAndTheAllocatorReports) {
  DependProcesser p;
  Target(p);
  p.SetTargetType(2);
  UseHeadWorkbook(p);
  bool err = false;
  p.ImportAccountHeads(err);
  EXPECT_TRUE(err);
  ASSERT_FALSE(rec_.messages.empty());
  EXPECT_EQ(rec_.messages[0].text, ObjectClosedError().description());
}

TEST_P(ImportFrames, MissingWorkbookEndsTheImportInTheMethodsHandler) {
  DependProcesser p;
  Target(p);
  UseHeadWorkbook(p);
  p.SetSourceFile(dir_.File("no-such-book.xls"));
  bool err = false;
  p.ImportAccountHeads(err);
  EXPECT_TRUE(err);
  ASSERT_EQ(rec_.messages.size(), 1u);
  EXPECT_EQ(rec_.messages[0].title, "Orvik");
  EXPECT_NE(rec_.messages[0].text.find("no-such-book.xls"), std::string::npos);
  EXPECT_EQ(ReadFile(dir_.File("accountheads.log")), "");
}

TEST_P(ImportFrames, UncreatableLogEndsTheImportWithNothingWritten) {
  DependProcesser p;
  Target(p);
  UseHeadWorkbook(p);
  setenv("VANTREL_LOG_DIR", dir_.File("no-such-folder").c_str(), 1);
  bool err = false;
  p.ImportAccountHeads(err);
  EXPECT_TRUE(err);
  ASSERT_EQ(rec_.messages.size(), 1u);
  EXPECT_NE(rec_.messages[0].text.find("accountheads.log"), std::string::npos);
  EXPECT_TRUE(Column("SELECT headname FROM accounthead WHERE headname='Debtors North'").empty());
}

TEST_P(ImportFrames, BatchAndOpeningStockReportAWorkerThatStopped) {
  DependProcesser p;
  Target(p);
  // A mapped field neither table has stops both workers.
  UseWorkbook(p, "Product,Colour", "Bolt,Red", "pname", "colour");
  bool err = false;
  p.ImportBatch(err);
  EXPECT_TRUE(err);
  err = false;
  p.ImportOS(err);
  EXPECT_TRUE(err);
  EXPECT_EQ(ReadFile(dir_.File("OpeningStock.log")).substr(0, 6), "Batch ");
}

TEST_P(ImportFrames, ObjectsShareOneTargetConnection) {
  DependProcesser a, b;
  Target(a);
  Target(b);
  UseHeadWorkbook(a);
  bool err = false;
  a.ImportAccountHeads(err);
  ASSERT_FALSE(err);
  EXPECT_EQ(TargetConnection().State(), Connection::kOpen);
  b.CloseConn();
  EXPECT_EQ(TargetConnection().State(), Connection::kClosed);
  UseHeadWorkbook(b);
  b.ImportAccountHeads(err);  // opens a new connection; the head exists by now
  EXPECT_FALSE(err);
  EXPECT_EQ(b.RowsRefused(), 1);
}

INSTANTIATE_TEST_SUITE_P(Targets, ImportFrames, ::testing::Values(0, 1), TargetName);

}  // namespace
}  // namespace vantrel
