// How names compare: in memory and on both targets, letter case is the one
// difference ignored. Also the column sizes the providers report.
#include <gtest/gtest.h>
#include <unicode/uchar.h>

#include <map>
#include <set>

#include "dbhelpers/clean_sql_text.h"
#include "frame/company_template.h"
#include "frame/connections.h"
#include "platform/common/name_key.h"
#include "platform/common/text_decoding.h"
#include "platform/dao/connection.h"
#include "platform/dao/recordset.h"
#include "platform/variant/convert.h"
#include "support/company_fixture.h"

namespace vantrel {
namespace {

std::string U8(char32_t c) {
  std::string s;
  AppendUtf8(s, c);
  return s;
}

struct NamePair {
  std::string a, b;
  bool same;
};

// Case pairs of many scripts are one name (final sigma, "ẞ", title case,
// the Kelvin sign, Deseret); accents, combining marks, width, kana,
// compatibility forms ("x²", long s), the Turkish i letters, emoji, wildcards
// and blanks make two.
const NamePair kNamePairs[] = {
    {"Cash", "cASH", true},
    {"Caf\u00e9", "CAF\u00c9", true},
    {"Caf\u00e9", "Cafe", false},
    {"Caf\u00e9", "Cafe\u0301", false},
    {"\u039f\u0394\u039f\u03a3", "\u03bf\u03b4\u03bf\u03c2", true},
    {"\u041c\u043e\u0441\u043a\u0432\u0430", "\u041c\u041e\u0421\u041a\u0412\u0410", true},
    {"Stra\u00dfe", "STRA\u1e9eE", true},
    {"Stra\u00dfe", "Strasse", false},
    {"I\u011fd\u0131r", "i\u011fd\u0131r", true},
    {"\u0131stanbul", "Istanbul", false},
    {"\u0130zmir", "izmir", false},
    {"\u0130", "i\u0307", false},
    {"Acme Wide", "\uff21cme Wide", false},
    {"\uff41cme", "\uff21CME", true},
    {"\u304b\u306a\u3084", "\u30ab\u30ca\u30e4", false},
    {"x2", "x\u00b2", false},
    {"\u01c5", "\u01c6", true},
    {"\u212a", "k", true},
    {"\u017f", "s", false},
    {"\u0345", "\u03b9", false},
    {"\U00010400", "\U00010428", true},
    {"\U0001F600", "\U0001F601", false},
    {"a%", "ab", false},
    {"a_c", "abc", false},
    {"[a]", "a", false},
    {"a", "a ", false}};

class NameRule : public CompanyTest {
 protected:
  void SetUp() override {
    CompanyTest::SetUp();
    if (HasFatalFailure() || IsSkipped()) return;
    conn_.Open(TargetConnectionString());
  }
  int Count(const std::string& sql) { return ToInt32(conn_.Query(sql).rows.at(0).at(0)); }
  Connection conn_;
};

TEST_P(NameRule, LetterCaseIsTheOnlyDifferenceInMemoryAndOnTheTarget) {
  // In memory a byte outside well-formed UTF-8 (Windows text, an overlong form) is itself.
  const NamePair bytes[] = {{"Caf\xe9", "CAF\xc9", false},
                            {"Caf\xe9 A", "CAF\xe9 a", true},
                            {"\xe0\x80\x80", std::string(1, '\0'), false}};
  for (const NamePair& p : bytes) {
    EXPECT_EQ(NamesEqual(p.a, p.b), p.same) << p.a;
    EXPECT_EQ(NameKey(p.a) == NameKey(p.b), p.same) << p.a;
  }
  for (const NamePair& p : kNamePairs) {
    SCOPED_TRACE(p.a + " / " + p.b);
    EXPECT_EQ(NamesEqual(p.a, p.b), p.same);
    EXPECT_EQ(NameKey(p.a) == NameKey(p.b), p.same);
    EXPECT_EQ(CompareNames(p.a, p.b), -CompareNames(p.b, p.a));
    conn_.Execute("delete from depot where dcode > 1");
    conn_.Execute("insert into depot(dcode,dname) values(2,'" + p.a + "')");
    EXPECT_EQ(Count("select count(*) from depot where dname like '" + LikeLiteral(p.b) + "'"),
              p.same);
    EXPECT_EQ(Count("select count(*) from depot where trim(dname)='" + p.b + "'"), p.same);
    EXPECT_EQ(Count("select count(*) from depot where dcode=2 and dname<>'" + p.b + "'"), !p.same);
    // An assignment is no comparison.
    EXPECT_EQ(conn_.Execute("update depot set dname='" + p.b + "'"), 2);
  }
}

// Every letter that has another case, one query each: the target finds the
// letters that fold alike and no other. Letters of Unicode 14 and before, the
// server's case tables.
TEST_P(NameRule, EachCasedLetterFindsExactlyItsOtherCases) {
  std::vector<std::string> letters;
  for (char32_t c = 'A'; c <= 0x10FFFF; ++c) {
    const auto u = static_cast<UChar32>(c);
    UVersionInfo age;
    u_charAge(u, age);
    if (!u_isdefined(u) || age[0] > 14 || c == '\'' || c == '\\') continue;
    if (u_foldCase(u, U_FOLD_CASE_DEFAULT) != u || u_tolower(u) != u || u_toupper(u) != u ||
        u_totitle(u) != u)
      letters.push_back(U8(c));
  }
  ASSERT_GT(letters.size(), 2500u);
  std::map<std::string, std::set<int>> by_key;
  for (size_t i = 0; i < letters.size(); i += 400) {
    std::string sql = "insert into depot(dcode,dname) values";
    for (size_t j = i; j < letters.size() && j < i + 400; ++j) {
      sql += (j > i ? ",(" : "(") + std::to_string(j + 2) + ",'" + letters[j] + "')";
      by_key[NameKey(letters[j])].insert(static_cast<int>(j + 2));
    }
    conn_.Execute(sql);
  }
  Strings wrong;
  for (size_t i = 0; i < letters.size(); ++i) {
    std::set<int> found;
    for (const Row& row :
         conn_.Query("select dcode from depot where dname like '" + letters[i] + "'").rows)
      found.insert(ToInt32(row.at(0)));
    if (found != by_key[NameKey(letters[i])]) wrong.push_back(letters[i]);
  }
  EXPECT_EQ(wrong, Strings{});
}

TEST_P(NameRule, NameLookupsUseTheNameIndex) {
  for (int i = 2; i < 200; ++i)
    conn_.Execute("insert into depot(dcode,dname) values(" + std::to_string(i) + ",'D" +
                  std::to_string(i) + "')");
  const std::pair<std::string, std::string> lookups[] = {
      {"depot_dname", "SELECT DNAME FROM DEPOT WHERE DNAME like 'D7'"},
      {"product_pname", "SELECT * FROM PRODUCT WHERE PNAME like 'Acme Wide'"},
      {"product_pname", "delete from product where pname like'Acme Wide'"},
      {"accountledger_ledname", "SELECT * FROM ACCOUNTLEDGER WHERE LEDNAME LIKE'Acme'"},
      {"productgroup_gpname", "SELECT * FROM PRODUCTGROUP WHERE GPNAME like 'Tools'"},
      {"accounthead_headname", "SELECT * FROM ACCOUNTHEAD WHERE HEADNAME like 'Cash'"}};
  for (const auto& [index, sql] : lookups) {
    SCOPED_TRACE(sql);
    if (multi_user()) {
      const RowSet plan = conn_.Query("EXPLAIN " + sql);
      Recordset rs;
      rs.OpenRows(plan);
      EXPECT_EQ(ToText(rs.Value("key")), "ix_" + index);
    } else {
      std::string details;
      for (const Row& row : conn_.Query("EXPLAIN QUERY PLAN " + sql).rows)
        details += ToText(row.back()) + "\n";
      EXPECT_TRUE(Holds(details, "INDEX " + index + " (")) << details;
    }
  }
}

VANTREL_BOTH_TARGETS(NameRule);

// A column's kind as the two targets can agree on it: text, or the type code.
std::string KindOf(int type) {
  if (IsTextType(type)) return "text";
  const bool date = type == adtype::kDBDate || type == adtype::kDBTimeStamp;
  return std::to_string(date ? adtype::kDate : type);
}

// "table.column kind size" of every column of every table.
Strings Columns(Connection& conn) {
  Strings out;
  for (auto t = conn.OpenSchema(Connection::kSchemaTables); !t->Eof(); t->MoveNext()) {
    const std::string table = ToLower(ToText(t->Value(size_t{2})));
    Recordset rs;
    rs.Open("Select * from " + table, conn);
    for (size_t i = 0; i < rs.FieldCount(); ++i)
      out.push_back(table + "." + ToLower(rs.FieldName(i)) + " " + KindOf(rs.Type(i)) + " " +
                    std::to_string(rs.DefinedSize(i)));
  }
  std::sort(out.begin(), out.end());
  return out;
}

TEST(FieldSizes, TextInCharactersAndIntegersByTypeAlikeOnBothTemplates) {
  VANTREL_NEED_MARIADB();
  TempDir dir;
  CreateCompanyFile(dir.File("c.db"));
  const std::string database = CreateTestDatabase("sizes");
  Connection file, server;
  file.Open(SingleUserConnectionString(dir.File("c.db")));
  server.Open(MultiUserConnectionString(TestMariadbServer(), database));
  const Strings columns = Columns(file);
  EXPECT_EQ(Columns(server), columns);
  for (const std::string column :
       {"accounthead.headcode 2 2", "accounthead.headname text 50", "accountledger.pincode text 7",
        "generalledger.vno 3 4", "productbatch.description text 50", "productunits.unit text 15"})
    EXPECT_NE(std::find(columns.begin(), columns.end(), column), columns.end()) << column;
  DropTestDatabase(database);
}

}  // namespace
}  // namespace vantrel
