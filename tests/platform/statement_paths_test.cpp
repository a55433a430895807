// The faster paths of a held target: inserts through prepared statements and
// lookups from memory answer as the statements themselves do.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "dbhelpers/lookups.h"
#include "frame/module_state.h"
#include "platform/dao/connection.h"
#include "platform/variant/convert.h"
#include "support/company_fixture.h"

namespace vantrel {
namespace {

class StatementPaths : public CompanyTest {
 protected:
  void TearDown() override {
    ReleaseTargetConnection();
    CompanyTest::TearDown();
  }
};

TEST_P(StatementPaths, InsertsStoreWhatTheirLiteralsStore) {
  // pname, gpcode, mrprate, pdesc: texts, whole numbers, decimals and Null
  // into text, integer and real columns.
  const std::vector<std::string> values = {
      "'x',5,12.75,'t'",          "\"y\",'7',-3,12",
      "'z',null,1.5,-0.25",       "'w',-2,0.1,'007'",
      "'q',3,123456789.125,1.50", "'it''s',0,-0.5,99999999999",
      "'v',32767,1e3,'a'",        "'u',-0,100.0,0.30000000000000004"};
  Connection conn;
  conn.Open(TargetConnectionString());
  for (size_t i = 0; i < values.size(); ++i) {
    const std::string n = std::to_string(i);
    conn.Execute("insert into product(pcode,pname,gpcode,mrprate,pdesc) values('A" + n + "'," +
                 values[i] + ")");
    // The same values by a statement that is no plain insert of literals.
    conn.Execute("insert into product(pcode,pname,gpcode,mrprate,pdesc) select 'S" + n + "'," +
                 values[i]);
  }
  const std::string types = multi_user() ? "" : ",typeof(gpcode),typeof(mrprate),typeof(pdesc)";
  const Strings plain = Rows("select pname,gpcode,mrprate,pdesc" + types +
                             " from product where pcode like 'A%' " + "order by pcode");
  ASSERT_EQ(plain.size(), values.size());
  EXPECT_EQ(plain, Rows("select pname,gpcode,mrprate,pdesc" + types +
                        " from product where pcode like 'S%' order by pcode"));
  EXPECT_EQ(plain[0].substr(0, 9), "x|5|12.75");
}

TEST_P(StatementPaths, LookupsOfAHeldTargetFollowItsOwnStatements) {
  Connection& conn = TargetConnection();
  conn.Open(TargetConnectionString());
  conn.BeginTrans();
  conn.HoldWhole();
  auto head = [](std::string name) { return HeadExists(name); };
  auto code = [](std::string name) { return HeadCodeOfParent(name, ""); };
  ASSERT_FALSE(head("Zeta"));  // read now, kept from here on
  struct Step {
    const char* sql;
    const char* name;
    bool exists;
    int16_t code;
  };
  const Step steps[] = {
      {"insert into accounthead values(100,'Zeta',2,1)", "ZETA", true, 100},
      {"insert into [accounthead]([headname],[headcode]) values(\"Eta \",101)", "eta ", true, 101},
      {"update accounthead set headname='Theta' where headcode=100", "zeta", false, 0},
      {"update accounthead set headlevel=3 where headname='Theta'", "theta", true, 100},
      {"delete from accounthead where headcode=100", "Theta", false, 0},
      {"insert into accounthead select 102,'Iota',2,1", "IOTA", true, 102},
      {"insert into accounthead values(103,'50%',2,1)", "50x", false, 0},
  };
  for (const Step& step : steps) {
    conn.Execute(Statement(step.sql));
    EXPECT_EQ(head(step.name), step.exists) << step.sql;
    EXPECT_EQ(code(step.name), step.code) << step.sql;
    if (&step == &steps[0]) continue;
    // Stays: exactly by its name, trimmed by its parent code.
    EXPECT_TRUE(head("Eta ")) << step.sql;
    EXPECT_FALSE(head("Eta")) << step.sql;
    EXPECT_EQ(code(" eta"), 101) << step.sql;
  }
  // What a rolled back savepoint wrote is gone from the tables too.
  conn.BeginTrans();
  conn.Execute("insert into accounthead values(104,'Kappa',2,1)");
  EXPECT_TRUE(head("kappa"));
  conn.RollbackTrans();
  EXPECT_FALSE(head("kappa"));
  conn.RollbackTrans();
}

TEST_P(StatementPaths, HeldLookupsAnswerAsTheirQueries) {
  for (const char* sql : {
           "insert into accountledger(ledcode,ledname,headcode) values('12','Twin',9)",
           "insert into accountledger(ledcode,ledname,headcode) values('9','TWIN',9)",
           "insert into accountledger(ledcode,ledname,headcode) values('30','twin ',9)",
           "insert into depot(dcode,dname) values(7,'Yard')",
           "insert into depot(dcode,dname) values(5,'YARD')",
           "insert into product(pcode,pname,gpcode) values('P2','Bolt',1)",
           "insert into product(pcode,pname,gpcode) values('P10','bolt',1)",
           "insert into productunits(pcode,unitid,unit,cf) values('P2',1,'Box',10)",
           "insert into productunits(pcode,unitid,unit,cf) values('p2',0,'Nos',1)",
           "insert into productunits(pcode,unitid,unit,cf) values('P2',3,'box',12)",
           "insert into productunits(pcode,unitid,unit,cf) values('P10',2,'Case',null)",
           "insert into productbatch(batchid,pcode,batchname) values(4,'P2','B-1')",
           "insert into productbatch(batchid,pcode,batchname) values(3,'p2','b-1')",
           "insert into accounthead values(70,' Padded ',2,1)",
           "insert into productgroup(gpcode,gpname,gpunder) values(9,' Tools',1)",
       })
    Exec(sql);
  auto answers = [] {
    Strings out;
    auto unit = [](const std::optional<ProductUnit>& u) {
      return u ? std::to_string(u->id) + "/" + std::to_string(u->cf) : std::string("none");
    };
    for (const std::string name : {"twin", "TWIN ", "Yard", "x"}) {
      std::string n = name;
      out.push_back(LedgerCodeOf(name) + "|" + std::to_string(LedgerExists(n)));
      const std::optional<int16_t> depot = DepotCodeOf(name);
      out.push_back(depot ? std::to_string(*depot) : "none");
    }
    for (const std::string code : {"P2", "p10", "P3"}) {
      out.push_back(BaseUnitOf(code).value_or("none") + "|" + StoredPCode(code) + "|" +
                    std::to_string(NextUnitId(code)) + "|" + unit(UnitOfProduct(code, "BOX")) +
                    "|" + unit(UnitOfProduct(code, "case")));
      const std::optional<int16_t> batch = BatchIdOf(code, "B-1");
      out.push_back(batch ? std::to_string(*batch) : "none");
    }
    std::string bolt = "BOLT";
    out.push_back(PCodeOfName(bolt) + "|" + std::to_string(ProductExists(bolt, 1)) + "|" +
                  std::to_string(ProductExists(bolt, 2)));
    for (const std::string& code : PCodesOfName("bolt")) out.push_back(code);
    for (const std::string name : {"padded", " padded ", "PADDED"}) {
      std::string n = name;
      out.push_back(std::to_string(HeadCodeOfParent(n, "")) + "|" + std::to_string(HeadExists(n)));
    }
    for (const std::string name : {"tools", " Tools", ""}) {
      std::string g = name, k = name;
      out.push_back(JoinText(GroupCodeOfParent(g, "G")) + "|" + JoinText(GroupCodeOfParent(k, "")) +
                    "|" + std::to_string(GroupExists(g)));
    }
    return out;
  };
  Connection& conn = TargetConnection();
  conn.Open(TargetConnectionString());
  conn.BeginTrans();
  const Strings asked = answers();
  conn.HoldWhole();
  EXPECT_EQ(answers(), asked);
  conn.RollbackTrans();
  EXPECT_EQ(asked[0], "9|1");  // the lowest code by number
}

VANTREL_BOTH_TARGETS(StatementPaths);

}  // namespace
}  // namespace vantrel
