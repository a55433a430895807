#include <gtest/gtest.h>

#include <algorithm>

#include "frame/import_log.h"
#include "platform/variant/convert.h"
#include "support/company_fixture.h"
#include "vantrel/DependProcesser.h"

namespace vantrel {
namespace {

const MapTable kBalanceMap = {
    {}, {"Name", "ledname"}, {"Head", "headcode"}, {"Balance", "openingbalance"}};

class LedgerImport : public CompanyTest {
 protected:
  bool Import(const std::string& workbook, MapTable map = kBalanceMap) {
    return ImportWorkbook(&DependProcesser::ImportAccounts, workbook, std::move(map));
  }
  // Each ledger with its journal line: name|head|vno|slno|dbamt|cramt.
  Strings Ledgers() const {
    return Rows(
        "SELECT l.ledname, l.headcode, g.vno, g.slno, g.dbamt, g.cramt FROM accountledger l "
        "LEFT JOIN generalledger g ON g.ledcode = l.ledcode AND g.vtype = 'JP' "
        "ORDER BY g.vno, g.slno, l.ledname");
  }
  std::string Log() const { return CompanyTest::Log("accounts.log"); }
};

TEST_P(LedgerImport, RefusedRowsAreListedInTheRejectsWithRowColumnAndValue) {
  EXPECT_FALSE(Import(dir_.Write("r.csv",
                                 "Name,Head,Balance\nFirst,Sundry Debtors,10 db\n"
                                 "Second,Nowhere,20 db\n"
                                 "Third,Sundry Debtors,20\n"
                                 "First,Sundry Debtors,5 cr\n")));
  EXPECT_EQ(imported_, 1);
  EXPECT_EQ(refused_, 3);
  EXPECT_EQ(sheet_rejects_, (Strings{"3|Second|Head|Nowhere|header not exists",
                                     "4|Third|Balance|20|confsing openingbalance entry",
                                     "5|First|Name|First|ledger already exists"}));
}

TEST_P(LedgerImport, LedgerAndOpeningLineAreWrittenAsTheTargetReadsThem) {
  // Head code 12 named Sundry Debtors, ledger codes up to 37, the last voucher 6.
  for (const char* sql :
       {"update accounthead set headname='Old Debtors' where headcode=9",
        "update accounthead set headname='Sundry Debtors' where headcode=12",
        "insert into accountledger(ledcode,ledname,headcode) values('37','E',9)",
        "update paramlist set paramvalue='6' where paramname='JP' and paramtype=3"})
    Exec(sql);
  EXPECT_FALSE(Import(dir_.Write("r.csv",
                                 "Name,Head,Balance\nFirst,Sundry Debtors,10 db\n"
                                 "Second,Sundry Debtors,20 db\n"
                                 "Ravi Traders,Sundry Debtors,1500 cr\n")));
  const auto ledgers = rec_.StatementsStartingWith("insert into accountledger");
  ASSERT_EQ(ledgers.size(), 3u);
  EXPECT_EQ(ledgers[2], Statement("insert into "
                                  "accountledger([ledcode],[ledname],[headcode])values(40,'Ravi "
                                  "Traders',12)"));
  // The amount's own column comes first.
  const auto line = [&](const std::string& columns, const std::string& values) {
    return "insert into generalledger(vdate,vtype,vno,slno,ledcode,particulars," + columns +
           ")values('" + DayText() + "','JP',7," + values + ",null)";
  };
  EXPECT_EQ(rec_.StatementsStartingWith("insert into generalledger"),
            (Strings{line("dbamt,cramt", "1,'38','[Opening Balance]',10"),
                     line("dbamt,cramt", "2,'39','[Opening Balance]',20"),
                     line("cramt,dbamt", "3,'40','[Opening Balance]',1500")}));
  EXPECT_EQ(Rows("SELECT ledcode, particulars FROM generalledger ORDER BY slno"),
            (Strings{"38|[Opening Balance]", "39|[Opening Balance]", "40|[Opening Balance]"}));

  // A single "ledname" entry closes the statement by itself.
  Import(dir_.Write("one.csv", "Name\nSolo\n"), Map("Name=ledname"));
  EXPECT_EQ(rec_.StatementsStartingWith("insert into accountledger").back(),
            Statement("insert into accountledger([ledcode],[ledname])values(41,'Solo')"));
}

// Every cell is read as an accountant writes it; one that cannot be read
// refuses its row, naming the column and the text, and the import goes on.
TEST_P(LedgerImport, FlagsAmountsHeadsAndNamesReadOrRefuseTheirRow) {
  const struct {
    const char* name;
    const char* head;
    const char* flag;
    const char* debit;
    const char* stored;  // flag|dbamt, or the reject row|name|column|value|reason
  } cases[] = {
      {"A", "Sundry Debtors", "True", "1,250.50", "1|1250.5"},
      {"B", "Sundry Debtors", "yes", "", "1|0"},
      {"C", "Sundry Debtors", "NO", "12 Nos", "0|12"},
      {"D", "Sundry Debtors", "", "0", "0|0"},
      {"E", "Sundry Debtors", "-1", "7", "1|7"},
      {"F", "Sundry Debtors", "maybe", "1", "7|F|Flag|maybe|not a yes/no value"},
      {"G", "Sundry Debtors", "1", "ten", "8|G|Debit|ten|not a number"},
      {"H", "", "1", "1", "9|H|Head||header not exists"},
      {"   ", "Sundry Debtors", "1", "1", "10|   |Name|   |name is empty"},
  };
  std::string csv = "Name,Head,Flag,Debit\n";
  Strings stored, rejects;
  for (const auto& c : cases) {
    csv += std::string(c.name) + "," + c.head + "," + c.flag + ",\"" + c.debit + "\"\n";
    const std::string out = c.stored;
    (std::count(out.begin(), out.end(), '|') == 1 ? stored : rejects).push_back(out);
  }
  EXPECT_FALSE(Import(dir_.Write("f.csv", csv),
                      Map("Name=ledname,Head=headcode,Flag=flag,Debit=openingbalancedb")));
  EXPECT_EQ(Rows("SELECT l.flag, g.dbamt FROM accountledger l JOIN generalledger g ON "
                 "g.ledcode = l.ledcode ORDER BY g.slno"),
            stored);
  EXPECT_EQ(sheet_rejects_, rejects);
}

TEST_P(LedgerImport, OpeningBalanceNeedsADebitOrCreditSuffixAndANumber) {
  // Each cell with the journal line it gives (slno|dbamt|cramt), or the reason it is refused.
  const char* kSuffix = "confsing openingbalance entry";
  const char* kNumber = "not a number";
  const struct {
    const char* cell;
    const char* line;
    const char* refused;
  } cases[] = {{"1500 db", "1|1500|NULL", nullptr},
               {"1500cr", "2|NULL|1500", nullptr},
               {"1500 CR", "3|NULL|1500", nullptr},
               {"1500 dr", nullptr, kSuffix},
               {"  250.5 Db  ", "4|250.5|NULL", nullptr},
               {"1500", nullptr, kSuffix},
               {"", nullptr, kSuffix},
               {"0 db", "5|0|NULL", nullptr},
               {"-75 cr", "6|75|NULL", nullptr},
               {"cr", nullptr, kNumber},
               {"1,500.00 db", "7|1500|NULL", nullptr},
               {"1,50,000.00 cr", "8|NULL|150000", nullptr},
               {"abc db", nullptr, kNumber},
               {"NaN db", nullptr, kNumber},
               {"1e400 db", nullptr, kNumber},
               {"(1500) cr", nullptr, kNumber},
               {"1,50 db", nullptr, kNumber}};
  std::string csv = "Name,Head,Balance\n", log;
  Strings expected;
  for (size_t i = 0; i < std::size(cases); ++i) {
    const std::string name = "Ledger " + std::to_string(i + 1);
    csv += name + ",Sundry Debtors,\"" + cases[i].cell + "\"\n";
    if (cases[i].line) expected.push_back(name + "|" + cases[i].line);
    log += cases[i].line ? LayoutLogLine(name, "success", "--------------")
                         : LayoutLogLine(name, "failed", cases[i].refused);
  }
  EXPECT_FALSE(Import(dir_.Write("b.csv", csv)));
  EXPECT_EQ(refused_, 9);
  EXPECT_EQ(Rows("SELECT l.ledname, g.slno, g.dbamt, g.cramt FROM accountledger l JOIN "
                 "generalledger g ON g.ledcode = l.ledcode ORDER BY g.slno"),
            expected);
  EXPECT_TRUE(Holds(Log(), log));
  // The closing entry was a balance keyword: both lists are still closed.
  EXPECT_EQ(rec_.StatementsStartingWith("insert into accountledger")[0],
            Statement("insert into accountledger([ledcode],[ledname],[headcode])values(1,'Ledger "
                      "1',9)"));
}

TEST_P(LedgerImport, SeveralBalanceEntriesAddUpAndOtherColumnsAreCut) {
  const MapTable map =
      Map("Name=LedName,Dr=openingbalancedb,City=city,Active=flag,Head=headcode,Cr="
          "OpeningBalanceCr,Address=address,Balance=openingbalance");
  EXPECT_FALSE(Import(dir_.Write("s.csv",
                                 "Name,Dr,City,Active,Head,Cr,Address,Balance\n"
                                 "Net Debit,1000,Pune,True,Sundry Debtors,400,\"Shop 4,values "
                                 "lane\",0 db\n"
                                 "Net Credit,100,A city name longer than 25 chars,0,Sundry "
                                 "Creditors,400,,50 cr\n"
                                 "All Three,10,,false,Sundry Debtors,,,5.25 db\n"),
                      map));
  EXPECT_EQ(Rows("SELECT l.ledname, l.city, l.flag, l.headcode, l.address, g.dbamt, g.cramt "
                 "FROM accountledger l JOIN generalledger g ON g.ledcode = l.ledcode "
                 "ORDER BY g.slno"),
            (Strings{"Net Debit|Pune|1|9|Shop 4,values lane|600|NULL",
                     "Net Credit|A city name longer than 2|0|24||NULL|350",
                     "All Three||0|9||15.25|NULL"}));
}

TEST_P(LedgerImport, NamesAreCutToFiftyCharactersForStoreLogAndDuplicateTest) {
  // 50 characters, the last one two bytes.
  const std::string stored = "Harbor Lane Traders wholesale account number 1234\xC3\xA9";
  EXPECT_FALSE(Import(
      dir_.Write("n.csv", "Name,Head,Balance\n" + stored + "XYZ,Sundry Debtors,1 db\n" + stored +
                              "ABC,Sundry Debtors,2 db\n" + "Cash,Sundry Debtors,3 db\n")));
  EXPECT_EQ(imported_, 1);
  EXPECT_EQ(Ledgers(), Strings{stored + "|9|1|1|1|NULL"});
  const std::string pad(14, ' ');
  EXPECT_TRUE(Holds(Log(), stored + "\r\n" + pad + "success         --------------\r\n" + stored +
                               "\r\n" + pad +
                               "failed          ledger already exists\r\n"
                               "Cash          failed          ledger already exists\r\n"));
}

TEST_P(LedgerImport, EachImportTakesItsOwnVoucherAndRefusesWhatExists) {
  EXPECT_FALSE(Import(dir_.Write("a.csv",
                                 "Name,Head,Balance\nAlpha,Sundry Debtors,5 db\n"
                                 "Beta,Nowhere,5 db\nGamma,Bank Accounts,7 cr\n")));
  EXPECT_TRUE(Holds(Log(), "Beta          failed          header not exists\r\n"));
  EXPECT_FALSE(Import(dir_.Write("b.csv",
                                 "Name,Head,Balance\nalpha,Sundry Debtors,1 db\n"
                                 "Delta,Sundry Creditors,9 cr\n")));
  EXPECT_EQ(Ledgers(),
            (Strings{"Alpha|9|1|1|5|NULL", "Gamma|10|1|2|NULL|7", "Delta|24|2|1|NULL|9"}));
  EXPECT_EQ(One("SELECT paramvalue FROM paramlist WHERE paramname='JP'"), "2");
  EXPECT_EQ(Rows("SELECT ledcode FROM accountledger ORDER BY ledcode"), (Strings{"1", "2", "3"}));
}

TEST_P(LedgerImport, PercentUnderscoreAndBracketsInNamesAreJustCharacters) {
  Exec("insert into accounthead values(60,'AxB Debtors',9,0)");
  Exec("insert into accountledger(ledcode,ledname,headcode) values('1','AxB Traders',60)");
  const std::string book = dir_.Write("l.csv",
                                      "Name,Head,Balance\nA_B Traders,AxB Debtors,1 db\n"
                                      "Under,A_B Debtors,1 db\n100%,Sundry Debtors,1 db\n"
                                      "North [old],Sundry Debtors,1 db\n"
                                      "a_b traders,Sundry Debtors,1 db\n");
  EXPECT_FALSE(Import(book));
  EXPECT_EQ(Rows("SELECT ledcode, ledname, headcode FROM accountledger ORDER BY ledcode"),
            (Strings{"1|AxB Traders|60", "2|A_B Traders|60", "3|100%|9", "4|North [old]|9"}));
  EXPECT_EQ(refused_, 2);  // a head that does not exist, the same name in other letter case
  Import(book);
  EXPECT_EQ(imported_, 0);
  EXPECT_EQ(One("SELECT COUNT(*) FROM accountledger"), "4");
}

TEST_P(LedgerImport, FailingRowLeavesNoLedgerWithoutItsLineAndReportsFailure) {
  // A second line of one voucher breaks this index: the second row's journal insert fails.
  Exec("create unique index one_line_per_voucher on generalledger(vno)");
  EXPECT_TRUE(Import(dir_.Write("f.csv",
                                "Name,Head,Balance\nKept,Sundry Debtors,1 db\n"
                                "Lost,Sundry Debtors,2 db\nNever,Sundry Debtors,3 db\n")));
  EXPECT_EQ(Ledgers(), Strings{"Kept|9|1|1|1|NULL"});
  ASSERT_EQ(rec_.messages.size(), 1u);
  EXPECT_EQ(rec_.messages[0].title, "Orvik");
  EXPECT_TRUE(Holds(rec_.messages[0].text, "worksheet row 3"));
  EXPECT_EQ(Log().find("Lost"), std::string::npos);

  // A mapped field the table lacks ends the import before the row writes anything.
  EXPECT_TRUE(Import(dir_.Write("x.csv", "Name,Head,Colour\nRed,Sundry Debtors,red\n"),
                     Map("Name=ledname,Head=headcode,Colour=colour")));
  EXPECT_EQ(One("SELECT COUNT(*) FROM accountledger"), "1");
}

TEST_P(LedgerImport, CodesPastTheSixteenBitRangeEndWithOverflowAfterTheLastWrittenRow) {
  Exec("insert into accountledger(ledcode,ledname,headcode) values('32766','High',9)");
  EXPECT_TRUE(Import(dir_.Write("o.csv",
                                "Name,Head,Balance\nA,Sundry Debtors,1 db\n"
                                "B,Sundry Debtors,2 db\n")));
  EXPECT_EQ(Rows("SELECT l.ledcode, g.dbamt FROM accountledger l JOIN generalledger g ON "
                 "g.ledcode = l.ledcode"),
            Strings{"32767|1"});
  ASSERT_EQ(rec_.messages.size(), 1u);
  EXPECT_TRUE(Holds(rec_.messages[0].text, "Overflow"));
  EXPECT_TRUE(Holds(Log(), "A             success"));
}

TEST_P(LedgerImport, TwentyThousandLedgersNoneLostNoneTwice) {
  std::string csv = "Name,Head,Balance\n";
  for (int i = 0; i < 20000; ++i)
    csv += "Ledger " + std::to_string(i) + ",Sundry Debtors," + std::to_string(i) + " cr\n";
  EXPECT_FALSE(Import(dir_.Write("big.csv", csv)));
  EXPECT_EQ(imported_, 20000);
  EXPECT_EQ(Rows("SELECT COUNT(DISTINCT l.ledname), COUNT(DISTINCT g.slno), MAX(g.slno), "
                 "SUM(g.cramt) FROM accountledger l JOIN generalledger g ON g.ledcode = l.ledcode"),
            Strings{"20000|20000|20000|199990000"});
  EXPECT_FALSE(Import(dir_.File("big.csv")));
  EXPECT_EQ(imported_, 0);
  EXPECT_EQ(refused_, 20000);
}

VANTREL_BOTH_TARGETS(LedgerImport);

}  // namespace
}  // namespace vantrel
