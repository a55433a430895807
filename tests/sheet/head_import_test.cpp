#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "platform/common/error.h"
#include "platform/dao/connection.h"
#include "support/company_fixture.h"
#include "vantrel/DependProcesser.h"

namespace vantrel {
namespace {

class HeadImport : public CompanyTest {
 protected:
  bool Import(const std::string& workbook,
              MapTable map = {{}, {"Head Name", "headname"}, {"Parent", "underhead"}}) {
    DependProcesser p;
    Target(p);
    p.SetSourceType(srcEXCEL);
    p.SetSourceFile(workbook);
    p.SetMapInfo(std::move(map));
    bool err = false;
    p.ImportAccountHeads(err);
    imported_ = p.RowsImported();
    refused_ = p.RowsRefused();
    return err;
  }
  std::string Statement(const std::string& bracketed) const {
    std::string s = bracketed;
    if (multi_user())
      for (char c : {'[', ']'}) s.erase(std::remove(s.begin(), s.end(), c), s.end());
    return s;
  }
  long imported_ = 0, refused_ = 0;
};

TEST_P(HeadImport, EveryRowIsImportedOrRefusedInTheLog) {
  EXPECT_FALSE(Import(std::string(VANTREL_TEST_DATA) + "/heads.xls"));
  EXPECT_TRUE(rec_.messages.empty());
  EXPECT_EQ(imported_, 4);
  EXPECT_EQ(refused_, 4);
  EXPECT_EQ(Rows("SELECT headcode, headname, underhead FROM accounthead WHERE headcode >= 60 "
                 "ORDER BY headcode"),
            (std::vector<std::string>{"60|Debtors North|9", "61|Debtors North East|60",
                                      "62|A head name that runs past thi|24", "63|Mens Wear|24"}));
  const std::string blank14(14, ' ');
  EXPECT_EQ(ReadFile(dir_.File("accountheads.log")),
            "Head          ImportStaus     Reason\r\n"
            "========      ===========     ======\r\n"
            "Debtors North success         --------------\r\n"
            "Debtors North East\r\n" +
                blank14 +
                "success         --------------\r\n"
                "Orphan        failed          underhead not exists\r\n"
                "Cash          failed          header already exists\r\n"
                "A head name that runs past thi\r\n" +
                blank14 +
                "success         --------------\r\n"
                "Mens Wear     success         --------------\r\n"
                "Self          failed          underhead not exists\r\n"
                "debtors north failed          header already exists\r\n");
}

TEST_P(HeadImport, StatementsAreWrittenAsTheTargetReadsThem) {
  Import(std::string(VANTREL_TEST_DATA) + "/heads.xls");
  const auto inserts = rec_.StatementsStartingWith("insert into accounthead");
  ASSERT_EQ(inserts.size(), 4u);
  EXPECT_EQ(
      inserts[0],
      Statement("insert into accounthead([headcode],[headname],[underhead])values(60,'Debtors "
                "North',9)"));
  EXPECT_EQ(
      rec_.StatementsStartingWith("SELECT MAX(HEADCODE)+1 AS HEADCODE FROM ACCOUNTHEAD").size(),
      1u);
  EXPECT_EQ(rec_.StatementsStartingWith(
                    "select headcode from accounthead where headname like 'Sundry Debtors'")
                .size(),
            2u);
  EXPECT_EQ(rec_.StatementsStartingWith("SELECT * FROM ACCOUNTHEAD WHERE HEADNAME like 'Mens Wear'")
                .size(),
            1u);
}

TEST_P(HeadImport, WorkedExampleInTheTrace) {
  Exec("delete from accounthead where headcode >= 31");
  Exec("insert into accounthead values(4,'Group Four',2,0)");
  EXPECT_FALSE(Import(dir_.Write("misc.csv", "Head Name,Parent\nMisc,Group Four\n")));
  EXPECT_EQ(rec_.StatementsStartingWith("insert into accounthead"),
            std::vector<std::string>{Statement(
                "insert into accounthead([headcode],[headname],[underhead])values(31,'Misc',4)")});
}

TEST_P(HeadImport, SingleEntryMappingClosesTheStatement) {
  Import(dir_.Write("one.csv", "Name\nMisc\n"), {{}, {"Name", "headname"}});
  const auto inserts = rec_.StatementsStartingWith("insert into accounthead");
  ASSERT_EQ(inserts.size(), 1u);
  EXPECT_EQ(inserts[0],
            Statement("insert into accounthead([headcode],[headname])values(60,'Misc')"));
}

TEST_P(HeadImport, EntryZeroIsIgnoredAndParentCanCloseOrLead) {
  // The parent entry comes first: it compares with the previous row's name.
  Import(dir_.Write("lead.csv", "Parent,Name,Level\nSundry Debtors,East,3\n"),
         {{"Name", "headlevel"},
          {"Parent", "UnderHead"},
          {"Name", "HeadName"},
          {"Level", "headlevel"}});
  const auto inserts = rec_.StatementsStartingWith("insert into accounthead");
  ASSERT_EQ(inserts.size(), 1u);
  EXPECT_EQ(
      inserts[0],
      Statement("insert into "
                "accounthead([headcode],[underhead],[HeadName],[headlevel])values(60,9,'East',3)"));
}

TEST_P(HeadImport, EmptyCellsAreWrittenByTheirFieldsKind) {
  Import(dir_.Write("e.csv", "Head Name,Parent,Level\nWest,Sundry Debtors,\n"),
         {{}, {"Head Name", "headname"}, {"Level", "headlevel"}, {"Parent", "underhead"}});
  EXPECT_EQ(
      rec_.StatementsStartingWith("insert into accounthead"),
      std::vector<std::string>{Statement(
          "insert into "
          "accounthead([headcode],[headname],[headlevel],[underhead])values(60,'West',0,9)")});
}

TEST_P(HeadImport, BracketsInValuesAreStoredOnBothTargetsAndFoundOnARerun) {
  const std::string book = dir_.Write("b.csv", "Head Name,Parent\nNorth [old],Sundry Debtors\n");
  Import(book);
  EXPECT_EQ(Column("SELECT headname FROM accounthead WHERE headcode=60"),
            std::vector<std::string>{"North [old]"});
  Import(book);
  EXPECT_EQ(refused_, 1);
  EXPECT_EQ(Column("SELECT COUNT(*) FROM accounthead WHERE headcode>=60"),
            std::vector<std::string>{"1"});
}

TEST_P(HeadImport, PercentAndUnderscoreInNamesAreJustCharacters) {
  Exec("insert into accounthead values(60,'AxB Traders',9,0)");
  Exec("insert into accounthead values(61,'100 Pure',9,0)");
  EXPECT_FALSE(Import(dir_.Write("l.csv",
                                 "Head Name,Parent\n"
                                 "A_B Traders,Sundry Debtors\n"
                                 "Under AB,A_B Traders\n"
                                 "100%,Sundry Debtors\n"
                                 "a_b traders,Sundry Debtors\n")));
  EXPECT_EQ(Rows("SELECT headcode, headname, underhead FROM accounthead WHERE headcode >= 62 "
                 "ORDER BY headcode"),
            (std::vector<std::string>{"62|A_B Traders|9", "63|Under AB|62", "64|100%|9"}));
  EXPECT_EQ(refused_, 1);  // the same name in other letter case
}

TEST_P(HeadImport, RowsWithoutANameOrAParentAreRefusedAndTheRestImported) {
  EXPECT_FALSE(Import(std::string(VANTREL_TEST_DATA) + "/heads_blank_parent.xls"));
  EXPECT_TRUE(rec_.messages.empty());
  EXPECT_EQ(Column("SELECT headname FROM accounthead WHERE headcode >= 60 ORDER BY headcode"),
            (std::vector<std::string>{"Before", "After"}));
  // The parent comes first in this mapping: it is compared with its own row's name.
  EXPECT_FALSE(Import(dir_.Write("n.csv",
                                 "Parent,Head Name\n"
                                 "Sundry Debtors,\n"
                                 "Sundry Debtors,West\n"
                                 "west,West\n"
                                 "West,East\n"),
                      {{}, {"Parent", "underhead"}, {"Head Name", "headname"}}));
  EXPECT_EQ(Rows("SELECT headname, underhead FROM accounthead WHERE headcode >= 62 "
                 "ORDER BY headcode"),
            (std::vector<std::string>{"West|9", "East|62"}));
  EXPECT_EQ(ReadFile(dir_.File("accountheads.log")).substr(76),
            "              failed          headname is empty\r\n"
            "West          success         --------------\r\n"
            "West          failed          underhead not exists\r\n"
            "East          success         --------------\r\n");
}

TEST_P(HeadImport, ALookupThatFailsEndsTheImportAndARerunAddsNothingTwice) {
  const std::string book = dir_.Write("f.csv", "Head Name,Parent\nA,Sundry Debtors\nB,A\nC,A\n");
  // The existence test of B fails as a lost connection would.
  SetSqlTrace([](const std::string& sql) {
    if (sql == "SELECT * FROM ACCOUNTHEAD WHERE HEADNAME like 'B'")
      throw Error("Lost connection to server during query");
  });
  EXPECT_TRUE(Import(book));
  SetSqlTrace(nullptr);
  ASSERT_EQ(rec_.messages.size(), 1u);
  EXPECT_NE(rec_.messages[0].text.find("Lost connection"), std::string::npos);
  EXPECT_EQ(Column("SELECT headname FROM accounthead WHERE headcode >= 60"),
            std::vector<std::string>{"A"});
  EXPECT_FALSE(Import(book));
  EXPECT_EQ(Column("SELECT headname FROM accounthead WHERE headcode >= 60 ORDER BY headcode"),
            (std::vector<std::string>{"A", "B", "C"}));
}

TEST_P(HeadImport, UnknownTargetFieldEndsTheWorker) {
  EXPECT_TRUE(Import(dir_.Write("x.csv", "Name,Colour\nEast,Red\n"),
                     {{}, {"Name", "headname"}, {"Colour", "colour"}}));
  ASSERT_EQ(rec_.messages.size(), 1u);
  EXPECT_NE(rec_.messages[0].text.find("colour"), std::string::npos);
}

TEST_P(HeadImport, CodesPastTheSixteenBitRangeEndWithOverflowAndEveryWrittenRowLogged) {
  Exec("insert into accounthead values(32766,'High',0,0)");
  EXPECT_TRUE(Import(dir_.Write("o.csv", "Head Name,Parent\nA,High\nB,High\nC,High\n")));
  EXPECT_EQ(Column("SELECT headname FROM accounthead WHERE headcode > 32766"),
            std::vector<std::string>{"A"});
  ASSERT_EQ(rec_.messages.size(), 1u);
  EXPECT_NE(rec_.messages[0].text.find("Overflow"), std::string::npos);
  EXPECT_NE(ReadFile(dir_.File("accountheads.log")).find("A             success"),
            std::string::npos);
}

TEST_P(HeadImport, TwentyThousandHeadsNoneLostNoneTwice) {
  std::ostringstream csv;
  csv << "Head Name,Parent\n";
  for (int i = 0; i < 20000; ++i) csv << "Head " << i << ",Sundry Debtors\n";
  EXPECT_FALSE(Import(dir_.Write("big.csv", csv.str())));
  EXPECT_EQ(imported_, 20000);
  EXPECT_EQ(Column("SELECT COUNT(*) FROM accounthead WHERE underhead=9 AND headcode >= 60"),
            std::vector<std::string>{"20000"});
  EXPECT_EQ(Column("SELECT COUNT(DISTINCT headname) FROM accounthead WHERE headcode >= 60"),
            std::vector<std::string>{"20000"});
  // A second run refuses every row and adds nothing.
  EXPECT_FALSE(Import(dir_.File("big.csv")));
  EXPECT_EQ(imported_, 0);
  EXPECT_EQ(refused_, 20000);
}

VANTREL_BOTH_TARGETS(HeadImport);

}  // namespace
}  // namespace vantrel
