#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "frame/company_template.h"
#include "support/company_fixture.h"
#include "vantrel/DependProcesser.h"

namespace vantrel {
namespace {

// Names that compare by the name rule: letter case in any script, but not
// blanks, width, wildcards, accents or the quotes an import removes.
constexpr const char* kHeads =
    "Head Name,Parent Head\n"
    "Alpha,Sundry Debtors\n"
    "ALPHA,Sundry Debtors\n"
    "Beta ,alpha\n"
    "beta,Alpha\n"
    "50%_off,Alpha\n"
    "50x_off,50%_off\n"
    "50X_OFF,Alpha\n"
    "Straße,Alpha\n"
    "STRASSE,Alpha\n"
    "STRAẞE,Alpha\n"
    "Ｆｕｌｌ,Alpha\n"
    "full,Ｆｕｌｌ\n"
    "O'Brien,Alpha\n"
    "OBRIEN,Alpha\n"
    "Σίσυφος,Alpha\n"
    "ΣΊΣΥΦΟΣ,Alpha\n"
    "Gamma,Nowhere\n"
    "Delta,Delta\n"
    "cash,Sundry Debtors\n";

constexpr const char* kLedgers =
    "Ledger Name,Under Head,Opening Balance\n"
    "L1,alpha,100 db\n"
    "L2,BETA ,50 cr\n"
    "L3,straße,0 db\n"
    "L4,Sundry debtors,12.75 db\n"
    "l1,Alpha,5 db\n"
    "Capital Account,Alpha,1 db\n"
    "L5,Nowhere,1 db\n"
    "L_6,50%_off,3 cr\n"
    "L%6,ｆｕｌｌ,3 cr\n"
    "L%6,Ｆｕｌｌ,4 cr\n";

std::string Sample(const std::string& name) {
  return std::string(VANTREL_SAMPLES_DIR) + "/" + name;
}

MapTable SampleMap(const std::string& name) {
  MapTable map;
  std::string error;
  EXPECT_TRUE(LoadMapFile(Sample(name), map, error)) << error;
  return map;
}

class ModesAgree : public CompanyTest {
 protected:
  struct Step {
    Method method;
    int source_type;
    std::string source;
    MapTable map;
  };

  // A new, empty company for the next imports; the test's first one included.
  void UseNewCompany() {
    if (multi_user()) {
      if (!database_.empty()) made_.push_back(database_);
      database_ = CreateTestDatabase("modes");
    } else {
      database_ = dir_.File("company" + std::to_string(++files_) + ".db");
      CreateCompanyFile(database_);
    }
  }
  void TearDown() override {
    for (const std::string& db : made_) DropTestDatabase(db);
    CompanyTest::TearDown();
  }

  std::vector<Step> Steps() {
    const std::string heads = dir_.Write("names-heads.csv", kHeads);
    const std::string ledgers = dir_.Write("names-ledgers.csv", kLedgers);
    const std::string xml = Sample("export.xml");
    return {
        {&DependProcesser::ImportAccountHeads, srcEXCEL, heads,
         Map("Head Name=headname,Parent Head=underhead")},
        {&DependProcesser::ImportAccounts, srcEXCEL, ledgers,
         Map("Ledger Name=ledname,Under Head=headcode,Opening Balance=openingbalance")},
        {&DependProcesser::ImportAccountHeads, srcEXCEL, Sample("heads.xls"),
         SampleMap("heads-map.csv")},
        {&DependProcesser::ImportAccounts, srcEXCEL, Sample("ledgers.xls"),
         SampleMap("ledgers-map.csv")},
        {&DependProcesser::ImportProductGr, srcEXCEL, Sample("groups.xls"),
         SampleMap("groups-map.csv")},
        {&DependProcesser::ImportProducts, srcEXCEL, Sample("products.xls"),
         SampleMap("products-map.csv")},
        {&DependProcesser::ImportOS, srcEXCEL, Sample("stock.xls"), SampleMap("stock-map.csv")},
        {&DependProcesser::ImportBatch, srcEXCEL, Sample("batches.xls"),
         SampleMap("batches-map.csv")},
        {&DependProcesser::ImportAccounts, srcXML, xml, {}},
        {&DependProcesser::ImportProducts, srcXML, xml, {}},
        {&DependProcesser::ImportDepots, srcXML, xml, {}},
    };
  }

  // Every step twice into a new company (the second pass finds all there and
  // replaces the stock), or once into the company as it is; what each step
  // reported, then the messages shown.
  Strings RunAll(int mode, bool new_company) {
    if (new_company) UseNewCompany();
    Strings seen;
    const std::vector<Step> steps = Steps();
    for (int pass = 0; pass < (new_company ? 2 : 1); ++pass) {
      for (const Step& step : steps) {
        const bool err = RunImport(step.method, step.source_type, step.source, step.map, mode);
        std::string line = step.source + (err ? " error " : " ok ") + std::to_string(imported_) +
                           " written " + std::to_string(refused_) + " refused";
        for (const std::string& r : rejects_) line += "\n  " + r;
        for (const std::string& r : sheet_rejects_) line += "\n  " + r;
        seen.push_back(line);
      }
    }
    for (const ShownMessage& m : rec_.messages) seen.push_back("message: " + m.text);
    rec_.messages.clear();
    return seen;
  }

  std::vector<std::string> made_;
  int files_ = 0;
};

TEST_P(ModesAgree, AtomicImportsWriteTheRowsAndRefusalsOfPerStatementImports) {
  const Strings per_statement = RunAll(transPerStatement, true);
  const Strings per_statement_dump = Dump();
  const Strings atomic = RunAll(transAtomic, true);
  EXPECT_EQ(atomic, per_statement);
  EXPECT_EQ(Dump(), per_statement_dump);
  // A dry run over what the atomic run wrote reports what its second pass
  // did (nothing new, the stock replaced) and leaves the company as it was.
  const Strings dry = RunAll(transDryRun, false);
  EXPECT_EQ(Dump(), per_statement_dump);
  const size_t steps = Steps().size();
  ASSERT_EQ(dry.size(), steps);
  for (size_t i = 0; i < steps; ++i) EXPECT_EQ(dry[i], atomic[steps + i]);

  // The run wrote every kind, refused by name and wrote names as given.
  for (const std::string table : {"accounthead", "accountledger", "generalledger", "productgroup",
                                  "product", "productunits", "productbatch", "inventory", "depot"})
    EXPECT_TRUE(std::any_of(per_statement_dump.begin(), per_statement_dump.end(),
                            [&](const std::string& row) { return row.rfind(table + "|", 0) == 0; }))
        << table;
  EXPECT_TRUE(Holds(per_statement[0], "3|ALPHA|Head Name|ALPHA|header already exists"));
  EXPECT_TRUE(Holds(per_statement[0], "11|STRAẞE|Head Name|STRAẞE|header already exists"));
  EXPECT_TRUE(Holds(per_statement[0], "17|ΣΊΣΥΦΟΣ|Head Name|ΣΊΣΥΦΟΣ|header already exists"));
  EXPECT_TRUE(Holds(per_statement[1], "6|l1|Ledger Name|l1|ledger already exists"));
  EXPECT_TRUE(Holds(per_statement[1], "11|L%6|Ledger Name|L%6|ledger already exists"));
  EXPECT_FALSE(Holds(per_statement[1], "|L_6|"));
}

TEST_P(ModesAgree, AStatementTheTargetRefusesIsReportedAtItsRowAsEachStatementAlone) {
  // Rows 3 and 9 give the ledger (its city) or its journal line (its amount) a
  // value the target takes once only.
  std::string book = "Name,Head,City,Balance\n";
  for (int i = 0; i < 12; ++i) {
    const bool twice = i == 1 || i == 7;
    book += "Ledger " + std::to_string(i) + ",Sundry Debtors," +
            (twice ? std::string("Twice") : "City " + std::to_string(i)) + "," +
            (twice ? std::string("77") : std::to_string(100 + i)) + " db\n";
  }
  const std::string path = dir_.Write("twice.csv", book);
  const MapTable map = Map("Name=ledname,Head=headcode,City=city,Balance=openingbalance");
  for (const char* index : {"CREATE UNIQUE INDEX once ON accountledger (city)",
                            "CREATE UNIQUE INDEX once ON generalledger (dbamt)"}) {
    std::vector<std::string> first_message;
    for (int mode : {transDryRun, transAtomic}) {
      UseNewCompany();
      Exec(index);
      const Strings before = Dump();
      rec_.messages.clear();
      EXPECT_TRUE(RunImport(&DependProcesser::ImportAccounts, srcEXCEL, path, map, mode));
      ASSERT_FALSE(rec_.messages.empty());
      first_message.push_back(rec_.messages[0].text);
      EXPECT_EQ(Dump(), before);
      EXPECT_TRUE(rolled_back_);
    }
    EXPECT_EQ(first_message[1], first_message[0]) << index;
    EXPECT_TRUE(Holds(first_message[1], "(worksheet row 9 of '" + path + "')")) << index;
  }
}

TEST_P(ModesAgree, AnAtomicImportOnTheServerSendsItsInsertsManyRowsAtATime) {
  std::string book = "Name,Head,Balance\n";
  for (int i = 0; i < 50; ++i) book += "Ledger " + std::to_string(i) + ",Sundry Debtors,5 db\n";
  const std::string path = dir_.Write("fifty.csv", book);
  const MapTable map = Map("Name=ledname,Head=headcode,Balance=openingbalance");
  EXPECT_FALSE(RunImport(&DependProcesser::ImportAccounts, srcEXCEL, path, map, transAtomic));
  EXPECT_EQ(imported_, 50);
  const size_t ledgers = rec_.StatementsStartingWith("insert into accountledger").size();
  const size_t lines = rec_.StatementsStartingWith("insert into generalledger").size();
  // No lookup per row: the tables the lookups need are read once.
  EXPECT_LT(
      rec_.StatementsStartingWith("SELECT").size() + rec_.StatementsStartingWith("select").size(),
      10u);
  EXPECT_EQ(ledgers, multi_user() ? 1u : 50u);
  EXPECT_EQ(lines, multi_user() ? 1u : 50u);
  EXPECT_EQ(One("SELECT COUNT(*) FROM generalledger"), "50");
}

VANTREL_BOTH_TARGETS(ModesAgree);

}  // namespace
}  // namespace vantrel
