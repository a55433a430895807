// The field list, the mapping proposal and the mapping file's comment lines.
#include <gtest/gtest.h>

#include "component/map_file.h"
#include "platform/variant/convert.h"
#include "support/company_fixture.h"
#include "vantrel/workbook.h"

namespace vantrel {
namespace {

Strings ProposedFields(const std::string& kind, const Strings& columns) {
  Strings fields;
  for (const ProposedColumn& c : ProposeMapping(kind, columns)) fields.push_back(c.field);
  return fields;
}

TEST(ProposeMapping, EveryFieldOfEveryKindAnswersToItsOwnNameInAnySpelling) {
  for (const ImportKind& kind : ImportKinds()) {
    SCOPED_TRACE(kind.name);
    const std::vector<TargetField> fields = TargetFields(kind.name);
    EXPECT_EQ(fields.empty(), !kind.reads_workbook);
    Strings names, spelled, expected;
    for (const TargetField& f : fields) {
      names.push_back(f.name);
      spelled.push_back(" " + ToUpper(f.name) + " ");
    }
    EXPECT_EQ(ProposedFields(kind.name, names), names);
    EXPECT_EQ(ProposedFields(kind.name, spelled), names);
  }
  EXPECT_TRUE(ProposeMapping("ledgers", {"Name"}).empty());
}

TEST(ProposeMapping, HeadersAsPeopleWriteThemAndNoFieldForTwoColumns) {
  struct Case {
    const char* kind;
    Strings headers;
    Strings fields;  // "" where no field matches
  };
  const Case cases[] = {
      {"accounts",
       {"A/c Name", "Opening Bal.", "UNDER   GROUP", "Mobile No.", "E-mail", "Pin Code", "Remarks"},
       {"ledname", "openingbalance", "headcode", "cellphone", "email", "pincode", ""}},
      {"accounts", {"Name", "Ledger Name", "Balance (Rs.)"}, {"ledname", "", "openingbalance"}},
      {"accounts", {"A/c", "A/c Head"}, {"ledname", "headcode"}},
      {"accounts", {"Notes about the ledger"}, {""}},  // one word of three is too few
      {"products", {"Unit 5", "Pack Size 2"}, {"", "Addl. Unit2 cf"}},
      {"account-heads", {"Head", "Under Group"}, {"headname", "underhead"}},
      {"product-groups", {"Category", "Under Group"}, {"gpname", "gpunder"}},
      {"products",
       {"Item Name", "Item Code", "Unit", "Unit 2", "Unit 2 Factor", "Unit 5", "Selling Price",
        "M.R.P.", "Under Group"},
       {"pname", "pcode", "Base Unit", "Addl. Unit2", "Addl. Unit2 cf", "", "salerate", "mrprate",
        "gpcode"}},
      {"opening-stock",
       {"Qty", "Unit", "Batch No", "Exp. Date", "Mfg. Date", "Description", "Product Description"},
       {"openingstock", "unit", "batchname", "expdate", "manfdate", "description", "pdesc"}},
      {"batches", {"Name of Product", "Lot"}, {"pname", "batchname"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.kind);
    const std::vector<ProposedColumn> proposal = ProposeMapping(c.kind, c.headers);
    ASSERT_EQ(proposal.size(), c.headers.size());
    for (size_t i = 0; i < proposal.size(); ++i) {
      EXPECT_EQ(proposal[i].column, c.headers[i]);
      EXPECT_EQ(proposal[i].field, c.fields[i]) << c.headers[i];
      // A column left over lists fields no other column took.
      EXPECT_EQ(proposal[i].nearest.empty(), !c.fields[i].empty()) << c.headers[i];
      for (const std::string& near : proposal[i].nearest)
        EXPECT_EQ(std::count(c.fields.begin(), c.fields.end(), near), 0) << near;
    }
  }
}

TEST(MappingFile, CommentLinesAreNoEntriesAndLinesKeepTheirNumbers) {
  const MapTable map = ParseMapText(
      "# proposed, \"unchecked\n\"#Qty\",openingstock\n# Notes: nearest: a, b\r\nName,pname\n",
      "m.csv");
  ASSERT_EQ(map.size(), 3u);
  EXPECT_EQ(map[1].column, "#Qty");
  EXPECT_EQ(map[2].field, "pname");
  EXPECT_TRUE(Holds(ErrorOf([] { ParseMapText("# a\n#b\nName\n", "m.csv"); }), "m.csv:3"));
  EXPECT_TRUE(Holds(ErrorOf([] { ParseMapText("# only\n", "m.csv"); }), "no entries"));
}

}  // namespace
}  // namespace vantrel
