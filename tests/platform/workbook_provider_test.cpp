#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "platform/common/error.h"
#include "platform/dao/connection.h"
#include "platform/dao/recordset.h"
#include "platform/variant/convert.h"
#include "support/company_fixture.h"

// FreeXL loses a small block when it opens some damaged .xls files; the leak
// is inside the library, so the leak checker is told to ignore it there.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfreexl.so\n"; }

namespace vantrel {
namespace {

const std::string kData = VANTREL_TEST_DATA;

std::string ConnectionString(const std::string& path) {
  return "DRIVER=Microsoft Excel Driver (*.xls);DBQ=" + path;
}

std::unique_ptr<Connection> OpenBook(const std::string& path) {
  auto conn = std::make_unique<Connection>();
  conn->Open(ConnectionString(path));
  return conn;
}

std::vector<std::string> TableNames(Connection& conn) {
  std::vector<std::string> names;
  auto rs = conn.OpenSchema(Connection::kSchemaTables);
  for (; !rs->Eof(); rs->MoveNext()) names.push_back(rs->Value(2).as_text());
  return names;
}

std::vector<std::string> FieldNames(const RowSet& rows) {
  std::vector<std::string> names;
  for (const FieldDef& f : rows.fields) names.push_back(f.name);
  return names;
}

// The description of the error the call raises, or "" when it raises none.
template <typename F>
std::string ErrorOf(F&& f) {
  try {
    f();
  } catch (const Error& e) {
    return e.description();
  }
  return "";
}

DateValue Stamp(int y, int mo, int d, int h, int mi, int s) {
  return DateValue{MakeDate(y, mo, d).serial + (h * 3600.0 + mi * 60.0 + s) / 86400.0};
}

// basic.xls, basic.xlsx and basic1904.xlsx (dates counted from 1904) hold the
// same first sheet; all must read alike.
class WorkbookProviderBasic : public ::testing::TestWithParam<const char*> {
 protected:
  std::string Path() const { return kData + "/" + GetParam(); }
  bool IsXls() const { return std::string(GetParam()) == "basic.xls"; }
};

TEST_P(WorkbookProviderBasic, ListsSheetsInWorkbookOrder) {
  auto conn = OpenBook(Path());
  EXPECT_EQ(TableNames(*conn), (std::vector<std::string>{"Heads$", "Other$"}));
  auto rs = conn->OpenSchema(Connection::kSchemaTables);
  EXPECT_EQ(rs->FieldName(2), "TABLE_NAME");
  EXPECT_EQ(rs->Value(3).as_text(), "TABLE");
}

TEST_P(WorkbookProviderBasic, FirstSheetValuesAndTypes) {
  auto conn = OpenBook(Path());
  const std::string first = TableNames(*conn).at(0);
  Recordset rs;
  rs.Open("select * from [" + first + "]", *conn);
  ASSERT_EQ(rs.FieldCount(), 3u);
  EXPECT_EQ(rs.FieldName(0), "headname");
  EXPECT_EQ(rs.FieldName(1), "underhead");
  EXPECT_EQ(rs.FieldName(2), "note");
  EXPECT_EQ(rs.RecordCount(), 6u);  // the blank styled cell far below adds no rows

  // Text, an empty cell in the middle, an apostrophe.
  EXPECT_EQ(rs.Value("headname"), Variant("Assets"));
  EXPECT_EQ(rs.Type(0), adtype::kVarWChar);
  EXPECT_TRUE(rs.Value("underhead").is_null());
  EXPECT_EQ(rs.Value("note"), Variant("O'Brien's account"));

  rs.MoveNext();  // numbers
  EXPECT_EQ(rs.Value(1), Variant(12.5));
  EXPECT_EQ(rs.Type(1), adtype::kDouble);
  EXPECT_EQ(rs.Value(2), Variant(3.0));
  EXPECT_EQ(rs.Type(2), adtype::kDouble);

  rs.MoveNext();  // a date, a date with a time
  EXPECT_EQ(rs.Type(1), adtype::kDate);
  EXPECT_EQ(rs.Value(1), Variant(MakeDate(2021, 3, 15)));
  EXPECT_EQ(rs.Type(2), adtype::kDate);
  EXPECT_NEAR(rs.Value(2).as_date().serial, Stamp(2020, 2, 29, 13, 45, 30).serial, 1e-6);

  rs.MoveNext();  // a boolean, a time of day
  EXPECT_EQ(rs.Value(1), Variant(true));
  EXPECT_EQ(rs.Type(1), adtype::kBoolean);
  EXPECT_EQ(rs.Type(2), adtype::kDate);
  EXPECT_NEAR(std::fmod(rs.Value(2).as_date().serial, 1.0), 6.5 / 24, 1e-6);

  rs.MoveNext();  // the empty row in the middle stays
  for (size_t i = 0; i < 3; ++i) EXPECT_TRUE(rs.Value(i).is_null());

  rs.MoveNext();  // UTF-8 text; the cell beyond the header is dropped
  EXPECT_EQ(rs.Value(2), Variant("Grüße €"));
  rs.MoveNext();
  EXPECT_TRUE(rs.Eof());
}

TEST_P(WorkbookProviderBasic, SecondSheetByNameInAnySpelling) {
  auto conn = OpenBook(Path());
  for (const char* sql :
       {"select * from [Other$]", "SELECT * FROM [other$]", "  select\t*\nfrom   Other$  ",
        "select * from [OTHER]", "Select * From other"}) {
    SCOPED_TRACE(sql);
    const RowSet rows = conn->Query(sql);
    EXPECT_EQ(FieldNames(rows), (std::vector<std::string>{"code", "amount"}));
    ASSERT_EQ(rows.rows.size(), 2u);
    EXPECT_EQ(rows.rows[0][0], Variant("A1"));
    EXPECT_EQ(rows.rows[0][1], Variant(100.0));
    EXPECT_EQ(rows.rows[1][1], Variant(-3.25));
  }
}

TEST_P(WorkbookProviderBasic, RefusesUnknownSheetsAndWrites) {
  auto conn = OpenBook(Path());
  const std::string unknown = ErrorOf([&] { conn->Query("select * from [Missing$]"); });
  EXPECT_NE(unknown.find("Missing"), std::string::npos) << unknown;
  EXPECT_NE(unknown.find(GetParam()), std::string::npos) << unknown;

  EXPECT_EQ(ErrorOf([&] { conn->Execute("delete from [Heads$]"); }), "The workbook is read-only");
  EXPECT_EQ(ErrorOf([&] { conn->Query("update [Heads$] set note = 1"); }),
            "The workbook is read-only");
  EXPECT_NE(ErrorOf([&] { conn->Query("select note from [Heads$]"); }), "");
  EXPECT_NE(ErrorOf([&] { conn->Query("select * from [Heads$] where 1=1"); }), "");
}

INSTANTIATE_TEST_SUITE_P(WorkbookProvider, WorkbookProviderBasic,
                         ::testing::Values("basic.xls", "basic.xlsx", "basic1904.xlsx"));

TEST(WorkbookProviderXls, HeaderOnlyFirstSheetGivesFieldsButNoRows) {
  auto conn = OpenBook(kData + "/first_sheet_empty.xls");
  EXPECT_EQ(TableNames(*conn), (std::vector<std::string>{"Empty$", "Data$"}));
  Recordset rs;
  rs.Open("select * from [Empty$]", *conn);
  EXPECT_EQ(rs.FieldCount(), 3u);
  EXPECT_TRUE(rs.Eof());
  EXPECT_FALSE(rs.HasRows());
}

TEST(WorkbookProviderXls, EmptyAndRepeatedHeadersGetNames) {
  auto conn = OpenBook(kData + "/wide.xls");
  const RowSet rows = conn->Query("select * from [Wide$]");
  EXPECT_EQ(FieldNames(rows), (std::vector<std::string>{"a", "F2", "c", "F4", "a1"}));
  ASSERT_EQ(rows.rows.size(), 1u);
  EXPECT_EQ(rows.rows[0][3], Variant(4.0));
  for (const FieldDef& f : rows.fields) EXPECT_EQ(f.type, adtype::kPerValue);
}

TEST(WorkbookProviderCsv, CellsKeepTheirTextAndBlankLinesAreNoRows) {
  auto conn = OpenBook(kData + "/basic.csv");
  EXPECT_EQ(TableNames(*conn), (std::vector<std::string>{"basic$"}));
  const RowSet r = conn->Query("select * from [basic$]");
  EXPECT_EQ(FieldNames(r), (std::vector<std::string>{"headname", "underhead", "note"}));
  ASSERT_EQ(r.rows.size(), 5u);  // the blank line in the middle and at the end are no rows
  EXPECT_TRUE(r.rows[0][1].is_null());
  EXPECT_EQ(r.rows[0][2], Variant("O'Brien's \"main\" account"));
  EXPECT_EQ(r.rows[1][1], Variant("12.5"));
  EXPECT_EQ(r.rows[1][2], Variant("3"));
  EXPECT_EQ(r.rows[2][0], Variant("Smith, John"));
  EXPECT_EQ(r.rows[2][1], Variant("two\r\nlines"));
  EXPECT_EQ(r.rows[2][2], Variant("-1e3"));
  EXPECT_EQ(r.rows[3][0], Variant("Bank"));
  EXPECT_TRUE(r.rows[4][0].is_null());
  EXPECT_EQ(r.rows[4][1], Variant("  7"));
}

TEST(WorkbookProviderCsv, LineFeedsShortRowsAndNoFinalNewline) {
  TempDir dir;
  const std::string path =
      dir.Write("Accounts.txt", "code,name\n1,\"a\"\"b\"\n\"0012\"\n3,c,extra");
  auto conn = OpenBook(path);
  EXPECT_EQ(TableNames(*conn), (std::vector<std::string>{"Accounts$"}));
  const RowSet r = conn->Query("select * from Accounts");
  ASSERT_EQ(r.rows.size(), 3u);
  EXPECT_EQ(r.rows[0][1], Variant("a\"b"));
  EXPECT_EQ(r.rows[1][0], Variant("0012"));  // quoted: text, leading zeros kept
  EXPECT_TRUE(r.rows[1][1].is_null());
  EXPECT_EQ(r.rows[2].size(), 2u);
}

TEST(WorkbookProviderOpen, ErrorsNameThePathAndTheCause) {
  const std::string missing = "/nonexistent/dir/book.xls";
  EXPECT_EQ(ErrorOf([&] { OpenBook(missing); }),
            "Cannot open workbook '/nonexistent/dir/book.xls': no such file");
  const std::string folder = ErrorOf([&] { OpenBook(kData); });
  EXPECT_NE(folder.find(kData), std::string::npos) << folder;

  TempDir dir;
  // A compound file header with nothing behind it is no workbook.
  const std::string fake = dir.Write(
      "fake.xls", std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + std::string(600, '\0'));
  const std::string bad_xls = ErrorOf([&] { OpenBook(fake); });
  EXPECT_NE(bad_xls.find(fake), std::string::npos) << bad_xls;
  const std::string zip = dir.Write("fake.xlsx", std::string("PK\x03\x04", 4) + "garbage");
  const std::string bad_zip = ErrorOf([&] { OpenBook(zip); });
  EXPECT_NE(bad_zip.find(zip), std::string::npos) << bad_zip;
}

TEST(WorkbookProviderOpen, AnEmptyCsvIsAnEmptySheetAndACorruptXlsxPartIsAnError) {
  TempDir dir;
  const RowSet r = OpenBook(dir.Write("empty.csv", ""))->Query("select * from [empty$]");
  EXPECT_TRUE(r.fields.empty());
  EXPECT_TRUE(r.rows.empty());

  // Damage the compressed bytes of the first sheet's part, nothing else.
  std::string bytes = ReadFile(kData + "/basic.xlsx");
  const std::string part = "xl/worksheets/sheet2.xml";
  const size_t header = bytes.find(part) - 30;
  ASSERT_EQ(bytes.compare(header, 4, "PK\x03\x04"), 0);
  const auto u16 = [&](size_t at) {
    return size_t(uint8_t(bytes[at])) | size_t(uint8_t(bytes[at + 1])) << 8;
  };
  const size_t data = header + 30 + u16(header + 26) + u16(header + 28);
  for (size_t i = 10; i < 40; ++i) bytes[data + i] = static_cast<char>(~bytes[data + i]);
  const std::string path = dir.Write("corrupt.xlsx", bytes);
  const std::string error = ErrorOf([&] { OpenBook(path)->Query("select * from [Heads$]"); });
  EXPECT_NE(error.find(path), std::string::npos) << error;
  EXPECT_NE(error.find("cannot read the part '" + part + "'"), std::string::npos) << error;
}

}  // namespace
}  // namespace vantrel
