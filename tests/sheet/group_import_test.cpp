#include <gtest/gtest.h>

#include "support/company_fixture.h"
#include "vantrel/DependProcesser.h"

namespace vantrel {
namespace {

const MapTable kGroupParentDesc = {
    {}, {"Group", "gpname"}, {"Parent", "gpunder"}, {"Description", "gpdesc"}};
const std::string kLogHeader =
    "Group         ImportStaus     Reason\r\n========      ===========     ======\r\n";

class GroupImport : public CompanyTest {
 protected:
  bool Import(const std::string& workbook, MapTable map = kGroupParentDesc) {
    return ImportWorkbook(&DependProcesser::ImportProductGr, workbook, std::move(map));
  }
  std::string Log() const { return CompanyTest::Log("productgroups.log"); }
  Strings Groups() const {
    return Rows(
        "SELECT gpcode, gpname, gpdesc, gpunder FROM productgroup WHERE gpcode >= 2 "
        "ORDER BY gpcode");
  }
};

TEST_P(GroupImport, AParentMappedFirstOrNotMappedLeavesTheGroupAtTheTop) {
  const struct {
    MapTable map;
    std::string csv;
    Strings groups;
  } cases[] = {
      // A parent mapped ahead of the name is compared with its own row.
      {Map("Parent=gpunder,Group=gpname"), "Parent,Group\nBolts,Bolts\n", {"2|Bolts|NULL|1"}},
      // Without a parent entry the group is closed under group 1.
      {Map("Group=gpname,Description=gpdesc"),
       "Group,Description\nBolts,Steel bolts\n",
       {"2|Bolts|Steel bolts|1"}},
  };
  for (const auto& c : cases) {
    Exec("delete from productgroup where gpcode >= 2");
    EXPECT_FALSE(Import(dir_.Write("g.csv", c.csv), c.map));
    EXPECT_EQ(Groups(), c.groups);
  }
}

TEST_P(GroupImport, MissingParentsAreCreatedOnceAndEveryRowIsLogged) {
  Exec("insert into productgroup values(2,'AxB','',1,0)");
  const std::string long_group = "Group " + std::string(54, 'g');
  const std::string long_parent = "Parent " + std::string(53, 'p');
  const std::string long_desc = "Desc " + std::string(55, 'd');
  const std::string book =
      dir_.Write("groups.csv",
                 "Group,Parent,Description\nBolts,Hardware,Steel bolts\nNuts,hardware,Hex nuts\n"
                 "Tools,Tools,Hand tools\nPaints,,Wall paints\ngeneral,Misc [old],Taken\n"
                 "Under AB,A_B,Literal\n" +
                     long_group + "," + long_parent + "," + long_desc + "\nWashers," + long_parent +
                     ",\nRivets,RIVETS,Blind rivets\n,Orphan parent,No name\n");
  EXPECT_FALSE(Import(book));
  EXPECT_TRUE(rec_.messages.empty());
  EXPECT_EQ(imported_, 8);
  EXPECT_EQ(refused_, 2);
  // Tools and Rivets name themselves as parent: the top level. No parent is made for a row
  // whose group exists.
  EXPECT_EQ(Groups(),
            (Strings{"2|AxB||1", "3|Hardware|NULL|1", "4|Bolts|Steel bolts|3", "5|Nuts|Hex nuts|3",
                     "6|Tools|Hand tools|1", "7|Paints|Wall paints|1", "8|A_B|NULL|1",
                     "9|Under AB|Literal|8", "10|" + long_parent.substr(0, 50) + "|NULL|1",
                     "11|" + long_group.substr(0, 50) + "|" + long_desc.substr(0, 50) + "|10",
                     "12|Washers||10", "13|Rivets|Blind rivets|1"}));
  EXPECT_EQ(Log(), kLogHeader +
                       "Bolts         success         --------------\r\n"
                       "Nuts          success         --------------\r\n"
                       "Tools         success         --------------\r\n"
                       "Paints        success         --------------\r\n"
                       "general       failed          group already exists\r\n"
                       "Under AB      success         --------------\r\n" +
                       long_group.substr(0, 50) + "\r\n" + std::string(14, ' ') +
                       "success         --------------\r\n"
                       "Washers       success         --------------\r\n"
                       "Rivets        success         --------------\r\n"
                       "              failed          gpname is empty\r\n");

  // A second run finds every group and every parent: nothing is added.
  const Strings groups = Groups();
  EXPECT_FALSE(Import(book));
  EXPECT_EQ(imported_, 0);
  EXPECT_EQ(refused_, 10);
  EXPECT_EQ(Groups(), groups);
}

// A group made as a parent earlier in the import takes its own row's parent and fields; a
// parent that lies below the group refuses the row and leaves the group where it was.
// Texts are cut to their column's length and a number its column cannot hold
// refuses the row, alike on both targets; the rows after it still import.
TEST_P(GroupImport, TextsAreCutToTheirColumnAndNumbersPastItsRangeRefuseTheRow) {
  const std::string long_desc(70, 'd');
  EXPECT_FALSE(Import(dir_.Write("g.csv", "Group,Description,Level\nA," + long_desc + ",99999\nB," +
                                              long_desc + ",\"32,767\"\nC,x,-40000\n"),
                      Map("Group=gpname,Description=gpdesc,Level=gplevel")));
  EXPECT_EQ(Rows("SELECT gpname, gpdesc, gplevel FROM productgroup WHERE gpcode >= 2"),
            Strings{"B|" + std::string(50, 'd') + "|32767"});
  EXPECT_EQ(sheet_rejects_, (Strings{"2|A|Level|99999|number too large for its column",
                                     "4|C|Level|-40000|number too large for its column"}));
}

TEST_P(GroupImport, GroupsListedChildFirstKeepTheirHierarchy) {
  EXPECT_FALSE(Import(dir_.Write("c.csv",
                                 "Group,Parent,Description\nGamma,Beta2,g\nBeta2,Alpha2,b\n"
                                 "alpha2,,a\nBeta,Alpha,\nAlpha,Beta,\nalpha2,,again\n")));
  EXPECT_EQ(Groups(),
            (Strings{"2|Beta2|b|4", "3|Gamma|g|2", "4|alpha2|a|1", "5|Alpha|NULL|1", "6|Beta||5"}));
  EXPECT_TRUE(Holds(Log(),
                    "Alpha         failed          gpunder Beta is below this group\r\n"
                    "alpha2        failed          group already exists\r\n"));
  EXPECT_EQ(imported_, 4);
  EXPECT_EQ(refused_, 2);
}

TEST_P(GroupImport, AFailingRowLeavesNeitherItsGroupNorItsParent) {
  // A field productgroup lacks, read after the parent was made; a parent, then a group
  // taking the last code.
  const struct {
    std::string setup, csv;
    MapTable map;
    std::string message;
  } cases[] = {
      {"", "Group,Parent,Colour\nBolts,Hardware,Red\n",
       Map("Group=gpname,Parent=gpunder,Colour=colour"), "colour"},
      {"insert into productgroup values(32765,'High','',1,0)",
       "Group,Parent,Description\nA,High,\nB,New parent,\n", kGroupParentDesc, "Overflow"},
      {"insert into productgroup values(32766,'High','',1,0)",
       "Group,Parent,Description\nA,High,\nB,High,\n", kGroupParentDesc, "Overflow"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.setup + c.csv);
    Exec("delete from productgroup where gpcode >= 2");
    if (!c.setup.empty()) Exec(c.setup);
    rec_.messages.clear();
    EXPECT_TRUE(Import(dir_.Write("f.csv", c.csv), c.map));
    ASSERT_EQ(rec_.messages.size(), 1u);
    EXPECT_TRUE(Holds(rec_.messages[0].text, c.message));
    const bool a = !c.setup.empty();  // row A was written before the failing row
    EXPECT_EQ(Rows("SELECT gpname FROM productgroup WHERE gpcode >= 2 ORDER BY gpcode"),
              (a ? Strings{"High", "A"} : Strings{}));
    EXPECT_EQ(Log(), kLogHeader + (a ? "A             success         --------------\r\n" : ""));
  }
}

VANTREL_BOTH_TARGETS(GroupImport);

}  // namespace
}  // namespace vantrel
