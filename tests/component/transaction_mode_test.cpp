#include <gtest/gtest.h>

#include "support/company_fixture.h"
#include "vantrel/DependProcesser.h"

namespace vantrel {
namespace {

using Method = void (DependProcesser::*)(bool&);

class TransactionModes : public CompanyTest {
 protected:
  // Runs one import in a mode; returns errOccured.
  bool Run(enumTransactionMode mode, Method method, int source_type, const std::string& source,
           MapTable map = {}) {
    DependProcesser p;
    Target(p);
    p.SetTransactionMode(mode);
    p.SetSourceType(source_type);
    p.SetSourceFile(source);
    p.SetMapInfo(std::move(map));
    bool err = false;
    (p.*method)(err);
    rolled_back_ = p.RolledBack();
    return err;
  }
  bool Heads(enumTransactionMode mode, const std::string& book) {
    return Run(mode, &DependProcesser::ImportAccountHeads, srcEXCEL, book,
               Map("Head Name=headname,Parent=underhead"));
  }
  bool rolled_back_ = false;
};

TEST_P(TransactionModes, DryRunOfEveryKindLeavesTheTargetAsItWasAndLogsWhatARealRunWould) {
  const std::string xml = std::string(VANTREL_SAMPLES_DIR) + "/export.xml";
  const std::string heads = std::string(VANTREL_TEST_DATA) + "/heads.xls";
  const struct {
    Method method;
    int source_type;
    std::string source;
    const char* log;
  } cases[] = {
      {&DependProcesser::ImportAccountHeads, srcEXCEL, heads, "accountheads.log"},
      {&DependProcesser::ImportAccounts, srcXML, xml, nullptr},
      {&DependProcesser::ImportProducts, srcXML, xml, nullptr},
      {&DependProcesser::ImportDepots, srcXML, xml, nullptr},
  };
  const MapTable map = Map("Head Name=headname,Parent=underhead");
  for (const auto& c : cases) {
    const auto before = Dump();
    EXPECT_FALSE(Run(transDryRun, c.method, c.source_type, c.source, map)) << c.source;
    EXPECT_TRUE(rolled_back_);
    // The voucher number and the product code parameter roll back with the rest.
    EXPECT_EQ(Dump(), before) << c.source;
    const std::string dry_log = c.log ? ReadFile(dir_.File(c.log)) : "";
    EXPECT_FALSE(Run(transPerStatement, c.method, c.source_type, c.source, map));
    EXPECT_FALSE(rolled_back_);
    EXPECT_NE(Dump(), before) << c.source;
    if (c.log) {
      EXPECT_EQ(ReadFile(dir_.File(c.log)), dry_log);
    }
  }
}

TEST_P(TransactionModes, AtomicImportThatFailsHalfWayLeavesNothingOfIt) {
  Exec("insert into accounthead values(32765,'High',0,0)");
  const std::string book = dir_.Write("o.csv", "Head Name,Parent\nA,High\nB,High\nC,High\n");
  const auto before = Dump();
  EXPECT_TRUE(Heads(transAtomic, book));
  EXPECT_TRUE(rolled_back_);
  EXPECT_EQ(Dump(), before);
  ASSERT_EQ(rec_.messages.size(), 2u);
  EXPECT_NE(rec_.messages[0].text.find("Overflow"), std::string::npos);
  EXPECT_NE(rec_.messages[1].text.find("nothing of it was written"), std::string::npos);
  // Row by row, the rows before the failure stay.
  EXPECT_TRUE(Heads(transPerStatement, book));
  EXPECT_EQ(Column("select headname from accounthead where headcode > 32765 order by headcode"),
            (std::vector<std::string>{"A", "B"}));
}

TEST_P(TransactionModes, AtomicImportWithRefusedRowsCommitsTheRest) {
  EXPECT_FALSE(Heads(transAtomic, dir_.Write("r.csv",
                                             "Head Name,Parent\nNorth,Sundry Debtors\n"
                                             "Orphan,Nowhere\nSouth,North\n")));
  EXPECT_FALSE(rolled_back_);
  EXPECT_TRUE(rec_.messages.empty());
  EXPECT_EQ(Rows("select headname, underhead from accounthead where headcode >= 60 "
                 "order by headcode"),
            (std::vector<std::string>{"North|9", "South|60"}));
}

VANTREL_BOTH_TARGETS(TransactionModes);

}  // namespace
}  // namespace vantrel
