#include "vantrel/DependProcesser.h"

#include <gtest/gtest.h>

#include <functional>
#include <tuple>

#include "frame/module_state.h"
#include "platform/common/error.h"
#include "platform/dao/connection.h"
#include "support/company_fixture.h"

namespace vantrel {
namespace {

class ImportFrames : public CompanyTest {
 protected:
  // A one-row workbook with its two columns mapped onto two fields.
  void UseWorkbook(DependProcesser& p, const std::string& field1 = "headname",
                   const std::string& field2 = "underhead") {
    p.SetSourceType(srcEXCEL);
    p.SetSourceFile(dir_.Write("book.csv", "One,Two\nDebtors North,Sundry Debtors\n"));
    p.SetMapInfo({{}, {"One", field1}, {"Two", field2}});
  }
  bool Call(DependProcesser& p, Method method) {
    bool err = false;
    (p.*method)(err);
    return err;
  }
};

// Accounts, products and depots say so; the workbook-only methods stay silent.
TEST_P(ImportFrames, MethodsWithoutSourceKindReportFailure) {
  const std::pair<Method, bool> cases[] = {
      {&DependProcesser::ImportAccounts, true},   {&DependProcesser::ImportProducts, true},
      {&DependProcesser::ImportDepots, true},     {&DependProcesser::ImportAccountHeads, false},
      {&DependProcesser::ImportProductGr, false}, {&DependProcesser::ImportOS, false},
      {&DependProcesser::ImportBatch, false}};
  for (const auto& [method, says_so] : cases) {
    DependProcesser p;
    Target(p);
    rec_.messages.clear();
    EXPECT_TRUE(Call(p, method));
    Strings shown;
    for (const auto& m : rec_.messages)
      shown.push_back(m.title + "|" + std::to_string(m.style) + "|" + m.text);
    EXPECT_EQ(shown, says_so ? Strings{"|112|Not Support This  Type Of Source File"} : Strings{});
  }
  // Accounts reserve a voucher number whatever the source; the flag speaks of the last call.
  DependProcesser p;
  Target(p);
  Call(p, &DependProcesser::ImportAccounts);
  EXPECT_TRUE(Call(p, &DependProcesser::ImportAccounts));
  EXPECT_EQ(One("SELECT paramvalue FROM PARAMLIST WHERE PARAMNAME='JP'"), "3");  // one in the loop
  UseWorkbook(p);
  EXPECT_FALSE(Call(p, &DependProcesser::ImportAccountHeads));
  EXPECT_EQ(p.RowsImported(), 1);
  // Every method assigns errOccured: a call that succeeds clears a flag passed in set.
  UseWorkbook(p, "batchname", "pcode");
  bool err = true;
  p.ImportBatch(err);
  EXPECT_FALSE(err);
}

TEST_P(ImportFrames, AnImportThatCannotStartIsReportedOnceAndWritesNothing) {
  const std::tuple<const char*, std::function<void(DependProcesser&)>, std::string> cases[] = {
      {"unreachable target",
       [&](DependProcesser& p) {
         ASSERT_TRUE(p.SetServer("127.0.0.1:1"));
         p.SetTargetDataBase(multi_user() ? "nothing" : dir_.File("missing.db"));
       },
       multi_user() ? "127.0.0.1" : "missing.db"},
      // Nothing is opened; the first allocator reports.
      {"unknown target type", [](DependProcesser& p) { p.SetTargetType(2); },
       ObjectClosedError().description()},
      {"missing workbook",
       [&](DependProcesser& p) { p.SetSourceFile(dir_.File("no-such-book.xls")); },
       "no-such-book.xls"},
      {"uncreatable log",
       [&](DependProcesser&) { setenv("VANTREL_LOG_DIR", dir_.File("no-such-folder").c_str(), 1); },
       "accountheads.log"},
  };
  for (const auto& [what, spoil, says] : cases) {
    SCOPED_TRACE(what);
    rec_.messages.clear();
    DependProcesser p;
    Target(p);
    UseWorkbook(p);
    spoil(p);
    EXPECT_TRUE(Call(p, &DependProcesser::ImportAccountHeads));
    ASSERT_EQ(rec_.messages.size(), 1u);
    EXPECT_EQ(rec_.messages[0].title, "Orvik");
    EXPECT_EQ(rec_.messages[0].style, 64);
    EXPECT_TRUE(Holds(rec_.messages[0].text, says));
    EXPECT_EQ(Log("accountheads.log"), "");
    EXPECT_EQ(One("SELECT COUNT(*) FROM accounthead WHERE headname='Debtors North'"), "0");
  }
}

TEST_P(ImportFrames, ObjectsShareOneTargetConnectionAndAStoppedWorkerIsReported) {
  DependProcesser a, b;
  Target(a);
  Target(b);
  // A mapped field neither table has stops both workers.
  UseWorkbook(a, "pname", "colour");
  EXPECT_TRUE(Call(a, &DependProcesser::ImportBatch));
  EXPECT_TRUE(Call(a, &DependProcesser::ImportOS));
  EXPECT_EQ(Log("OpeningStock.log").substr(0, 6), "Batch ");
  UseWorkbook(a);
  ASSERT_FALSE(Call(a, &DependProcesser::ImportAccountHeads));
  EXPECT_EQ(TargetConnection().State(), Connection::kOpen);
  EXPECT_TRUE(b.CloseConn());
  EXPECT_EQ(TargetConnection().State(), Connection::kClosed);
  UseWorkbook(b);
  // A new connection opens; the head exists by now.
  EXPECT_FALSE(Call(b, &DependProcesser::ImportAccountHeads));
  EXPECT_EQ(b.RowsRefused(), 1);
}

VANTREL_BOTH_TARGETS(ImportFrames);

class TransactionModes : public CompanyTest {
 protected:
  bool Heads(int mode, const std::string& book) {
    return RunImport(&DependProcesser::ImportAccountHeads, srcEXCEL, book,
                     Map("Head Name=headname,Parent=underhead"), mode);
  }
};

TEST_P(TransactionModes, DryRunOfEveryKindLeavesTheTargetAsItWasAndLogsWhatARealRunWould) {
  const std::string xml = std::string(VANTREL_SAMPLES_DIR) + "/export.xml";
  const std::string heads = std::string(VANTREL_TEST_DATA) + "/heads.xls";
  const std::tuple<Method, int, std::string, const char*> cases[] = {
      {&DependProcesser::ImportAccountHeads, srcEXCEL, heads, "accountheads.log"},
      {&DependProcesser::ImportAccounts, srcXML, xml, nullptr},
      {&DependProcesser::ImportProducts, srcXML, xml, nullptr},
      {&DependProcesser::ImportDepots, srcXML, xml, nullptr},
  };
  const MapTable map = Map("Head Name=headname,Parent=underhead");
  for (const auto& [method, type, source, log] : cases) {
    const auto before = Dump();
    EXPECT_FALSE(RunImport(method, type, source, map, transDryRun)) << source;
    EXPECT_TRUE(rolled_back_);
    // The voucher number and the product code parameter roll back with the rest.
    EXPECT_EQ(Dump(), before) << source;
    const std::string dry_log = log ? ReadFile(dir_.File(log)) : "";
    EXPECT_FALSE(RunImport(method, type, source, map));
    EXPECT_FALSE(rolled_back_);
    EXPECT_NE(Dump(), before) << source;
    EXPECT_EQ(log ? ReadFile(dir_.File(log)) : "", dry_log);
  }
}

TEST_P(TransactionModes, AtomicImportCommitsDespiteRefusedRowsAndLeavesNothingOfAFailure) {
  EXPECT_FALSE(Heads(transAtomic, dir_.Write("r.csv",
                                             "Head Name,Parent\nNorth,Sundry Debtors\n"
                                             "Orphan,Nowhere\nSouth,North\n")));
  EXPECT_FALSE(rolled_back_);
  EXPECT_TRUE(rec_.messages.empty());
  EXPECT_EQ(Rows("select headname, underhead from accounthead where headcode >= 60 "
                 "order by headcode"),
            (Strings{"North|9", "South|60"}));

  Exec("insert into accounthead values(32765,'High',0,0)");
  const std::string book = dir_.Write("o.csv", "Head Name,Parent\nA,High\nB,High\nC,High\n");
  const auto before = Dump();
  EXPECT_TRUE(Heads(transAtomic, book));
  EXPECT_TRUE(rolled_back_);
  EXPECT_EQ(Dump(), before);
  ASSERT_EQ(rec_.messages.size(), 2u);
  EXPECT_TRUE(Holds(rec_.messages[0].text, "Overflow"));
  EXPECT_TRUE(Holds(rec_.messages[1].text, "nothing of it was written"));
  // Row by row, the rows before the failure stay.
  EXPECT_TRUE(Heads(transPerStatement, book));
  EXPECT_EQ(Rows("select headname from accounthead where headcode > 32765 order by headcode"),
            (Strings{"A", "B"}));
}

VANTREL_BOTH_TARGETS(TransactionModes);

}  // namespace
}  // namespace vantrel
