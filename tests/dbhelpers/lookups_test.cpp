#include "dbhelpers/lookups.h"

#include <gtest/gtest.h>

#include "frame/connections.h"
#include "frame/module_state.h"
#include "platform/dao/connection.h"
#include "platform/variant/convert.h"
#include "support/company_fixture.h"

namespace vantrel {
namespace {

// Lookups run on the shared target connection, opened here as an import would.
class Lookups : public CompanyTest {
 protected:
  void SetUp() override {
    CompanyTest::SetUp();
    if (IsSkipped()) return;
    AssignDefaultHeads();
    TargetConnection().Open(TargetConnectionString());
  }
  void TearDown() override {
    ReleaseTargetConnection();
    CompanyTest::TearDown();
  }
};

TEST_P(Lookups, PercentAndUnderscoreInANameMatchOnlyThemselves) {
  Exec("insert into depot(dcode,dname) values(7,'Store 20')");
  Exec("insert into depot(dcode,dname) values(8,'A_B')");
  for (std::string other : {"Store%", "Store 2", "Store_20", "AxB"})
    EXPECT_FALSE(DepotExists(other)) << other;
  for (std::string same : {"store 20", "a_b"}) EXPECT_TRUE(DepotExists(same)) << same;
}

TEST_P(Lookups, ProductCodeParameter) {
  SetPCodeParam(Variant("A12"));
  EXPECT_EQ(One("SELECT paramvalue FROM PARAMLIST WHERE paramname='PCode'"), "A12");
  EXPECT_EQ(ReadPCodeParam(), "A13");
  SetPCodeParam(Variant("12A"));
  EXPECT_EQ(One("SELECT paramvalue FROM PARAMLIST WHERE paramname='PCode'"), "");
  Exec("update PARAMLIST set paramvalue=NULL where paramname='PCode'");
  EXPECT_EQ(ReadPCodeParam(), "1");
  Exec("delete from PARAMLIST where paramname='PCode'");
  EXPECT_EQ(ReadPCodeParam(), "");
}

TEST_P(Lookups, CodeLookupsTakeQuotedTextSafely) {
  Exec("insert into product(pcode,pname,gpcode) values('P7','Bolt',1)");
  std::string name = "Bolt", code = "P7", evil = "x' or '1'='1";
  EXPECT_EQ(PCodeOfName(name), "P7");
  EXPECT_TRUE(PCodeExists(code));
  EXPECT_FALSE(PCodeExists(evil));
  EXPECT_EQ(PCodeOfName(evil), "");
}

VANTREL_BOTH_TARGETS(Lookups);

}  // namespace
}  // namespace vantrel
