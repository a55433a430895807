#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <filesystem>

#include "platform/common/error.h"
#include "platform/message/message.h"
#include "platform/variant/convert.h"
#include "support/company_fixture.h"
#include "vantrel/DependProcesser.h"

namespace vantrel {
namespace {

const MapTable kHeadMap = Map("Head Name=headname,Parent=underhead");

class HeadImport : public CompanyTest {
 protected:
  // The log is read as the host finds it when the call returns: it may move it at once.
  bool Import(const std::string& workbook, MapTable map = kHeadMap) {
    const std::string log = dir_.File("accountheads.log");
    const auto log_closed = [&] {
      log_ = std::filesystem::is_regular_file(log) ? ReadFile(log) : "";
      for (const auto& fd : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code ec;
        EXPECT_NE(std::filesystem::read_symlink(fd.path(), ec).string(), log) << "log left open";
      }
    };
    return ImportWorkbook(&DependProcesser::ImportAccountHeads, workbook, std::move(map),
                          log_closed);
  }
  Strings NewHeads() const {
    return Rows(
        "SELECT headcode, headname, underhead FROM accounthead WHERE headcode >= 60 "
        "ORDER BY headcode");
  }
  std::string log_;
};

TEST_P(HeadImport, EveryRowIsImportedOrRefusedInTheLog) {
  EXPECT_FALSE(Import(std::string(VANTREL_TEST_DATA) + "/heads.xls"));
  EXPECT_TRUE(rec_.messages.empty());
  EXPECT_EQ(imported_, 4);
  EXPECT_EQ(refused_, 4);
  EXPECT_EQ(NewHeads(), (Strings{"60|Debtors North|9", "61|Debtors North East|60",
                                 "62|A head name that runs past thi|24", "63|Mens Wear|24"}));
  const std::string blank14(14, ' ');
  EXPECT_EQ(log_,
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
  // The trace holds what went to the target, not the workbook's own queries.
  const auto inserts = rec_.StatementsStartingWith("insert into accounthead");
  ASSERT_EQ(inserts.size(), 4u);
  EXPECT_EQ(inserts[0], Statement("insert into accounthead([headcode],[headname],[underhead])"
                                  "values(60,'Debtors North',9)"));
  for (const std::string& sql : rec_.statements)
    EXPECT_EQ(ToLower(sql).find("from [heads$]"), std::string::npos) << sql;
}

TEST_P(HeadImport, TheMappingOrderIsTheColumnOrderAndEmptyCellsTakeTheirFieldsKind) {
  const struct {
    std::string csv;
    MapTable map;
    std::string insert;
  } cases[] = {
      {"Name\nMisc\n", Map("Name=headname"), "([headcode],[headname])values(60,'Misc')"},
      // Entry zero is ignored; the parent may lead.
      {"Parent,Name,Level\nSundry Debtors,East,3\n",
       {{"Name", "headlevel"},
        {"Parent", "UnderHead"},
        {"Name", "HeadName"},
        {"Level", "headlevel"}},
       "([headcode],[underhead],[HeadName],[headlevel])values(61,9,'East',3)"},
      {"Head Name,Parent,Level\nWest,Sundry Debtors,\n",
       Map("Head Name=headname,Level=headlevel,Parent=underhead"),
       "([headcode],[headname],[headlevel],[underhead])values(62,'West',0,9)"},
  };
  for (const auto& c : cases) {
    rec_.statements.clear();
    EXPECT_FALSE(Import(dir_.Write("m.csv", c.csv), c.map)) << c.csv;
    EXPECT_EQ(rec_.StatementsStartingWith("insert into accounthead"),
              Strings{Statement("insert into accounthead" + c.insert)});
  }
}

TEST_P(HeadImport, NamesAreJustCharactersAndBothTargetsTakeTheSameNamesForTheSame) {
  // Letter case never matters, in any script; accents, symbols and blanks do.
  Exec("insert into accounthead values(60,'AxB Traders',9,0)");
  Exec("insert into accounthead values(61,'100 Pure',9,0)");
  const Strings names = {"A_B Traders",
                         "100%",
                         "North [old]",
                         "\xC3\xA4pfel",
                         "\xD0\x9C\xD0\xBE\xD1\x81\xD0\xBA\xD0\xB2\xD0\xB0",
                         "Caf\xC3\xA9",
                         "Cafe",
                         "WB \xF0\x9F\x8D\x8C",
                         "WB \xF0\x9F\x8D\x8E",
                         "Cafe "};
  const Strings same = {"a_b traders", "\xC3\x84PFEL",
                        "\xD0\x9C\xD0\x9E\xD0\xA1\xD0\x9A\xD0\x92\xD0\x90"};
  std::string csv = "Head Name,Parent\n";
  for (const std::string& name : names) csv += "\"" + name + "\",Sundry Debtors\n";
  csv += "Under AB,A_B Traders\nC:\\Heads,Sundry Debtors\n";
  for (const std::string& name : same) csv += name + ",Sundry Debtors\n";
  const std::string book = dir_.Write("l.csv", csv);
  EXPECT_FALSE(Import(book));
  EXPECT_EQ(refused_, 3);  // the same names in other letter case
  Strings expected = {"60|AxB Traders|9", "61|100 Pure|9"};
  for (size_t i = 0; i < names.size(); ++i)
    expected.push_back(std::to_string(62 + i) + "|" + names[i] + "|9");
  expected.insert(expected.end(), {"72|Under AB|62", "73|C:Heads|9"});
  EXPECT_EQ(NewHeads(), expected);
  EXPECT_FALSE(Import(book));
  EXPECT_EQ(refused_, 15);
}

TEST_P(HeadImport, RowsWithoutANameOrAParentAreRefusedAndTheRestImported) {
  EXPECT_FALSE(Import(std::string(VANTREL_TEST_DATA) + "/heads_blank_parent.xls"));
  EXPECT_TRUE(rec_.messages.empty());
  EXPECT_EQ(NewHeads(), (Strings{"60|Before|9", "61|After|9"}));
  // The parent comes first in this mapping: it is compared with its own row's name.
  EXPECT_FALSE(Import(dir_.Write("n.csv",
                                 "Parent,Head Name\nSundry Debtors,\nSundry Debtors,West\n"
                                 "west,West\nWest,East\n"),
                      Map("Parent=underhead,Head Name=headname")));
  EXPECT_EQ(log_.substr(76),
            "              failed          headname is empty\r\n"
            "West          success         --------------\r\n"
            "West          failed          underhead not exists\r\n"
            "East          success         --------------\r\n");
}

TEST_P(HeadImport, AFailingStatementEndsTheImportAndARerunAddsNothingTwice) {
  const std::string book = dir_.Write("f.csv", "Head Name,Parent\nA,Sundry Debtors\nB,A\nC,A\n");
  SetSqlTrace([](const std::string& sql) {
    if (sql.rfind("insert", 0) == 0 && sql.find("'B'") != std::string::npos)
      throw Error("Lost connection to server during query");
  });
  EXPECT_TRUE(Import(book));
  SetSqlTrace(nullptr);
  ASSERT_EQ(rec_.messages.size(), 1u);
  EXPECT_TRUE(Holds(rec_.messages[0].text, "Lost connection"));
  EXPECT_TRUE(Holds(rec_.messages[0].text, "worksheet row 3"));
  EXPECT_EQ(log_.substr(76), "A             success         --------------\r\n");
  EXPECT_FALSE(Import(book));
  EXPECT_EQ(NewHeads(), (Strings{"60|A|9", "61|B|60", "62|C|60"}));
  // A mapped field the table lacks ends the worker before it writes.
  EXPECT_TRUE(
      Import(dir_.Write("x.csv", "Name,Colour\nEast,Red\n"), Map("Name=headname,Colour=colour")));
  EXPECT_TRUE(Holds(rec_.messages.back().text, "colour"));
}

TEST_P(HeadImport, ARowWhoseLogLineCannotBeWrittenIsNotStored) {
  // A file size limit fails the log's tenth line or so; it would stop the company file too.
  if (!multi_user()) GTEST_SKIP() << "the server target holds no file of this process";
  std::string csv = "Head Name,Parent\n";
  for (int i = 0; i < 30; ++i) csv += "Head " + std::to_string(i) + ",Sundry Debtors\n";
  const std::string book = dir_.Write("full.csv", csv);  // before the size limit
  rlimit old{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
  const rlimit small{500, old.rlim_max};
  signal(SIGXFSZ, SIG_IGN);
  setrlimit(RLIMIT_FSIZE, &small);
  const bool err = Import(book);
  setrlimit(RLIMIT_FSIZE, &old);
  signal(SIGXFSZ, SIG_DFL);
  EXPECT_TRUE(err);
  ASSERT_FALSE(rec_.messages.empty());
  EXPECT_TRUE(Holds(rec_.messages[0].text, "accountheads.log"));
  EXPECT_GT(imported_, 0);
  EXPECT_EQ(Rows("SELECT COUNT(*) FROM accounthead WHERE headcode >= 60"),
            Strings{std::to_string(imported_)});
}

TEST_P(HeadImport, CodesPastTheSixteenBitRangeEndWithOverflowAndEveryWrittenRowLogged) {
  Exec("insert into accounthead values(32766,'High',0,0)");
  EXPECT_TRUE(Import(dir_.Write("o.csv", "Head Name,Parent\nA,High\nB,High\nC,High\n")));
  EXPECT_EQ(One("SELECT headname FROM accounthead WHERE headcode > 32766"), "A");
  ASSERT_EQ(rec_.messages.size(), 1u);
  EXPECT_TRUE(Holds(rec_.messages[0].text, "Overflow"));
  EXPECT_EQ(log_.substr(76), "A             success         --------------\r\n");
}

TEST_P(HeadImport, TwentyThousandHeadsNoneLostNoneTwiceWithProgressEveryThousand) {
  std::string csv = "Head Name,Parent\n";
  for (int i = 0; i < 20000; ++i) csv += "Head " + std::to_string(i) + ",Sundry Debtors\n";
  std::vector<long> reports;
  SetProgressHandler([&](const std::string& what, long done) {
    EXPECT_EQ(what, "worksheet rows");
    reports.push_back(done);
  });
  EXPECT_FALSE(Import(dir_.Write("big.csv", csv)));
  SetProgressHandler(nullptr);
  EXPECT_EQ(imported_, 20000);
  ASSERT_EQ(reports.size(), 20u);
  EXPECT_EQ(reports.back(), 20000);
  EXPECT_EQ(One("SELECT COUNT(DISTINCT headname) FROM accounthead WHERE underhead = 9"), "20000");
  EXPECT_FALSE(Import(dir_.File("big.csv")));
  EXPECT_EQ(imported_, 0);
  EXPECT_EQ(refused_, 20000);
}

VANTREL_BOTH_TARGETS(HeadImport);

}  // namespace
}  // namespace vantrel
