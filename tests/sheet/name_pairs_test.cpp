// Names that differ in more than letter case are two records on both targets;
// names that differ in letter case only, in any script, are one.
#include <gtest/gtest.h>

#include "support/company_fixture.h"
#include "vantrel/DependProcesser.h"

namespace vantrel {
namespace {

struct NamePair {
  std::string first, second;
  bool same;
};

const NamePair kPairs[] = {
    {"Acme Wide", "\uff21cme Wide", false},                          // full-width A
    {"\u304b\u306a\u3084", "\u30ab\u30ca\u30e4", false},             // hiragana, katakana
    {"x2", "x\u00b2", false},                                        // superscript two
    {"\u039f\u0394\u039f\u03a3", "\u03bf\u03b4\u03bf\u03c2", true},  // final sigma
};

class NamePairs : public CompanyTest {
 protected:
  // Imports the two names as rows of one worksheet; returns the names stored.
  Strings Import(Method method, const std::string& header, const std::string& row_end,
                 const std::string& map, const std::string& stored, const NamePair& p) {
    const std::string csv = header + "\n" + p.first + row_end + "\n" + p.second + row_end + "\n";
    EXPECT_FALSE(ImportWorkbook(method, dir_.Write("n.csv", csv), Map(map)));
    return Rows(stored);
  }
};

TEST_P(NamePairs, ProductsLedgersAndGroupsAreTwoUnlessOnlyLetterCaseDiffers) {
  for (const NamePair& p : kPairs) {
    SCOPED_TRACE(p.first + " / " + p.second);
    const Strings both = p.same ? Strings{p.first} : Strings{p.first, p.second};
    for (const char* table : {"product", "productunits", "productslab", "accountledger"})
      Exec(std::string("delete from ") + table);
    Exec("delete from productgroup where gpcode > 1");

    // A product replaces the product of the same name.
    EXPECT_EQ(Import(&DependProcesser::ImportProducts, "Name,Base", ",Nos",
                     "Name=pname,Base=Base Unit", "SELECT pname FROM product ORDER BY pcode", p),
              p.same ? Strings{p.second} : both);
    EXPECT_EQ(imported_, 2);
    EXPECT_EQ(Import(&DependProcesser::ImportAccounts, "Name,Head", ",Sundry Debtors",
                     "Name=ledname,Head=headcode",
                     "SELECT ledname FROM accountledger ORDER BY ledcode", p),
              both);
    EXPECT_EQ(refused_, p.same);
    EXPECT_EQ(Import(&DependProcesser::ImportProductGr, "Group", "", "Group=gpname",
                     "SELECT gpname FROM productgroup WHERE gpcode > 1 ORDER BY gpcode", p),
              both);
    EXPECT_EQ(refused_, p.same);
  }
}

TEST_P(NamePairs, DefaultHeadNamesAreTakenInAnyLetterCase) {
  // None of these is stored: a ledger or head may not take a default head's name.
  const std::string taken = "cash\nbank accounts\nPROFIT & LOSS A/C\nbranch / divisions\n";
  EXPECT_FALSE(ImportWorkbook(&DependProcesser::ImportAccounts,
                              dir_.Write("l.csv", "Name\n" + taken + "Cash Sales\n"),
                              Map("Name=ledname")));
  EXPECT_EQ(refused_, 4);
  EXPECT_EQ(Rows("SELECT ledname FROM accountledger"), Strings{"Cash Sales"});
  // Heads: the default names count as existing, but for two that must be in the company.
  EXPECT_FALSE(ImportWorkbook(&DependProcesser::ImportAccountHeads,
                              dir_.Write("h.csv",
                                         "Head Name,Parent\nprofit & loss a/c,Cash\n"
                                         "BRANCH / DIVISIONS,Cash\n"
                                         "deposits (ASSET),Cash\n"),
                              Map("Head Name=headname,Parent=underhead")));
  EXPECT_EQ(refused_, 2);
  EXPECT_EQ(Rows("SELECT headname, underhead FROM accounthead WHERE headcode >= 60"),
            Strings{"deposits (ASSET)|1"});
}

VANTREL_BOTH_TARGETS(NamePairs);

}  // namespace
}  // namespace vantrel
