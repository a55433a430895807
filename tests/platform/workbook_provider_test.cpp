#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "platform/common/error.h"
#include "platform/dao/connection.h"
#include "platform/dao/recordset.h"
#include "platform/variant/convert.h"
#include "support/company_fixture.h"
#include "vantrel/DependProcesser.h"

// FreeXL itself leaks a small block on some damaged .xls files.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfreexl.so\n"; }

namespace vantrel {
namespace {

const std::string kData = VANTREL_TEST_DATA;

std::unique_ptr<Connection> OpenBook(const std::string& path) {
  auto conn = std::make_unique<Connection>();
  conn->Open("DRIVER=Microsoft Excel Driver (*.xls);DBQ=" + path);
  return conn;
}

RowSet ReadSheet(const std::string& path, const std::string& sheet) {
  return OpenBook(path)->Query("select * from [" + sheet + "$]");
}

Strings TableNames(Connection& conn) {
  Strings names;
  auto rs = conn.OpenSchema(Connection::kSchemaTables);
  EXPECT_EQ(rs->FieldName(2), "TABLE_NAME");
  for (; !rs->Eof(); rs->MoveNext()) {
    EXPECT_EQ(rs->Value(3).as_text(), "TABLE");
    names.push_back(rs->Value(2).as_text());
  }
  return names;
}

Strings FieldNames(const RowSet& rows) {
  Strings names;
  for (const FieldDef& f : rows.fields) names.push_back(f.name);
  return names;
}

// Each row as its cells joined by '|', Null as NULL; any other cell must be text.
Strings Cells(const RowSet& rows) {
  Strings out;
  for (const Row& row : rows.rows) {
    std::string line;
    for (size_t i = 0; i < row.size(); ++i)
      line += (i ? "|" : "") + (row[i].is_null() ? "NULL" : row[i].as_text());
    out.push_back(line);
  }
  return out;
}

// basic.xls, basic.xlsx and basic1904.xlsx (1904 dates) hold the same first sheet.
class WorkbookProviderBasic : public ::testing::TestWithParam<const char*> {
 protected:
  std::string Path() const { return kData + "/" + GetParam(); }
};

TEST_P(WorkbookProviderBasic, FirstSheetValuesAndTypes) {
  auto conn = OpenBook(Path());
  EXPECT_EQ(TableNames(*conn), (Strings{"Heads$", "Other$"}));
  EXPECT_EQ(FieldNames(conn->Query("select * from [Heads$]")),
            (Strings{"headname", "underhead", "note"}));
  Recordset rs;
  rs.Open("select * from [Heads$]", *conn);
  EXPECT_EQ(rs.RecordCount(), 6u);  // the blank styled cell far below adds no rows
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
  const double stamp = MakeDate(2020, 2, 29).serial + (13 * 3600.0 + 45 * 60.0 + 30) / 86400.0;
  EXPECT_NEAR(rs.Value(2).as_date().serial, stamp, 1e-6);
  rs.MoveNext();  // a boolean, a time of day
  EXPECT_EQ(rs.Value(1), Variant(true));
  EXPECT_EQ(rs.Type(1), adtype::kBoolean);
  EXPECT_EQ(rs.Type(2), adtype::kDate);
  EXPECT_NEAR(std::fmod(rs.Value(2).as_date().serial, 1.0), 6.5 / 24, 1e-6);
  rs.MoveNext();
  for (size_t i = 0; i < 3; ++i) EXPECT_TRUE(rs.Value(i).is_null());  // the empty row stays
  rs.MoveNext();  // UTF-8 text; the cell beyond the header is dropped
  EXPECT_EQ(rs.Value(2), Variant("Grüße €"));
  rs.MoveNext();
  EXPECT_TRUE(rs.Eof());
}

TEST_P(WorkbookProviderBasic, SecondSheetByNameInAnySpellingAndNothingElse) {
  auto conn = OpenBook(Path());
  for (const char* sql :
       {"select * from [Other$]", "SELECT * FROM [other$]", "  select\t*\nfrom   Other$  ",
        "select * from [OTHER]", "Select * From other"}) {
    SCOPED_TRACE(sql);
    const RowSet rows = conn->Query(sql);
    EXPECT_EQ(FieldNames(rows), (Strings{"code", "amount"}));
    ASSERT_EQ(rows.rows.size(), 2u);
    EXPECT_EQ(rows.rows[0][0], Variant("A1"));
    EXPECT_EQ(rows.rows[0][1], Variant(100.0));
    EXPECT_EQ(rows.rows[1][1], Variant(-3.25));
  }
  const std::string unknown = ErrorOf([&] { conn->Query("select * from [Missing$]"); });
  EXPECT_TRUE(Holds(unknown, "Missing"));
  EXPECT_TRUE(Holds(unknown, GetParam()));
  EXPECT_EQ(ErrorOf([&] { conn->Execute("delete from [Heads$]"); }), "The workbook is read-only");
  EXPECT_EQ(ErrorOf([&] { conn->Query("update [Heads$] set note = 1"); }),
            "The workbook is read-only");
  for (const char* sql : {"select note from [Heads$]", "select * from [Heads$] where 1=1"})
    EXPECT_NE(ErrorOf([&] { conn->Query(sql); }), "") << sql;
}

INSTANTIATE_TEST_SUITE_P(WorkbookProvider, WorkbookProviderBasic,
                         ::testing::Values("basic.xls", "basic.xlsx", "basic1904.xlsx"));

TEST(WorkbookProviderXls, HeaderOnlySheetsEmptyRepeatedHeadersAndErrorCells) {
  auto conn = OpenBook(kData + "/first_sheet_empty.xls");
  EXPECT_EQ(TableNames(*conn), (Strings{"Empty$", "Data$"}));
  Recordset rs;
  rs.Open("select * from [Empty$]", *conn);
  EXPECT_EQ(rs.FieldCount(), 3u);
  EXPECT_TRUE(rs.Eof());
  EXPECT_FALSE(rs.HasRows());

  const RowSet wide = ReadSheet(kData + "/wide.xls", "Wide");
  EXPECT_EQ(FieldNames(wide), (Strings{"a", "F2", "c", "F4", "a1"}));
  ASSERT_EQ(wide.rows.size(), 1u);
  EXPECT_EQ(wide.rows[0][3], Variant(4.0));
  for (const FieldDef& f : wide.fields) EXPECT_EQ(f.type, adtype::kPerValue);

  // #DIV/0!, a formula without a number, #N/A and #REF! read empty.
  const RowSet r = ReadSheet(kData + "/bad/xls_error_cells.xls", "Heads");
  ASSERT_EQ(r.rows.size(), 3u);
  const Variant null = Variant::Null();
  const std::vector<Variant> cells = {null, Variant(true), null,
                                      null, Variant(2.5),  Variant(false)};
  for (size_t i = 0; i < cells.size(); ++i) EXPECT_EQ(r.rows[i / 2][1 + i % 2], cells[i]) << i;
  const RowSet other = ReadSheet(kData + "/bad/xls_error_cells.xls", "Other");
  ASSERT_EQ(other.rows.size(), 2u);
  EXPECT_TRUE(other.rows[0][0].is_null());
  EXPECT_EQ(other.rows[1][0], Variant("Kept"));
}

// HDR_ROW=N: the header is row N, the rows above it are skipped; HDR=NO: no
// header, every row a record.
TEST(WorkbookProviderHeaderRow, RowsAboveTheHeaderAreSkippedOrEveryRowIsARecord) {
  TempDir dir;
  const std::string csv = dir.Write("t.csv", "Stock list\n\nCode,Name\nX1,Bolt\nX2\n");
  struct Case {
    std::string file, keys;
    Strings fields, cells;
  };
  const Case cases[] = {
      {kData + "/titled.xls",
       "HDR_ROW=3;",
       {"LEDGER  NAME", "Under Group", "Opening Bal.", "Town", "Remarks"},
       {"Quayside Stores", "Lowbridge Timber", "Pioneer Traders", "Mill Lane Garage",
        "Overseas Agents"}},
      {csv, "HDR_ROW= 2 ;", {"Code", "Name"}, {"X1", "X2"}},
      {csv, "HDR=no;", {"F1", "F2"}, {"Stock list", "Code", "X1", "X2"}},
      {csv, "HDR_ROW=9;", {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.keys);
    Connection conn;
    conn.Open("DRIVER=Microsoft Excel Driver (*.xls);" + c.keys + "DBQ=" + c.file);
    const RowSet rows =
        conn.Query(c.file == csv ? "select * from [t$]" : "select * from [Ledgers$]");
    EXPECT_EQ(FieldNames(rows), c.fields);
    Strings first;
    for (const Row& row : rows.rows) first.push_back(JoinText(row[0]));
    EXPECT_EQ(first, c.cells);
  }
  for (const char* keys : {"HDR_ROW=0;", "HDR_ROW=x;", "HDR_ROW=-2;"}) {
    Connection conn;
    EXPECT_TRUE(Holds(ErrorOf([&] {
                        conn.Open(std::string("DRIVER=Microsoft Excel Driver (*.xls);") + keys +
                                  "DBQ=" + csv);
                      }),
                      "HDR_ROW must be a worksheet row number"))
        << keys;
  }
}

// formulas.xls, .xlsx and .csv: formulas saved by LibreOffice Calc. Each
// formula cell reads as the result the file stores, alike in every format.
TEST(WorkbookProviderFormulas, EachFormulaReadsAsItsStoredResultAlikeInXlsXlsxAndCsv) {
  const double stamp = MakeDate(2020, 2, 29).serial + (13 * 3600.0 + 45 * 60.0 + 30) / 86400.0;
  std::string long_text;
  for (int i = 0; i < 5000; ++i) long_text += "ab";  // goes on in a CONTINUE record in .xls
  const std::vector<std::pair<std::string, Variant>> cases = {
      {"number", Variant(1500.0)},
      {"fraction", Variant(0.125)},
      {"reference", Variant(3000.0)},
      {"text", Variant("Sundry Debtors")},
      {"wide text", Variant("Grüße €\xF0\x9F\x98\x80")},
      {"digits", Variant("0012")},
      {"true", Variant(true)},
      {"false", Variant(false)},
      {"division by zero", Variant::Null()},
      {"not available", Variant::Null()},
      {"empty text", Variant::Null()},
      {"date", Variant(MakeDate(2024, 3, 15))},
      {"date and time", Variant(DateValue{stamp})},
      {"long text", Variant(long_text)},
  };
  for (const char* file : {"formulas.xls", "formulas.xlsx"}) {
    SCOPED_TRACE(file);
    const RowSet r = ReadSheet(kData + "/" + file, "Formulas");
    ASSERT_EQ(r.rows.size(), cases.size());
    for (size_t i = 0; i < cases.size(); ++i) {
      const auto& [label, want] = cases[i];
      const Variant& got = r.rows[i][1];
      EXPECT_EQ(r.rows[i][0], Variant(label));
      ASSERT_EQ(got.type(), want.type()) << label;
      if (got.type() == VarType::Date)  // .xlsx keeps 15 digits of the serial
        EXPECT_NEAR(got.as_date().serial, want.as_date().serial, 1e-9) << label;
      else
        EXPECT_EQ(got, want) << label;
    }
  }
  // The first sheet, heads and parents from formulas, gives the same rows as its .csv.
  const Strings heads = {"East Zone|Sundry Debtors", "East Zone Two|East Zone"};
  EXPECT_EQ(Cells(ReadSheet(kData + "/formulas.csv", "formulas")), heads);
  for (const char* file : {"formulas.xls", "formulas.xlsx"})
    EXPECT_EQ(Cells(ReadSheet(kData + "/" + file, "Heads")), heads) << file;
}

TEST(WorkbookProviderXlsx, ImpossibleDatesStayTextAndErrorCellsReadEmpty) {
  DateValue d;
  for (const char* text : {"2024-02-30", "2023-02-29", "2024-04-31", "2024-01-01 24:00:00"})
    EXPECT_FALSE(ParseDateText(text, d)) << text;
  EXPECT_TRUE(ParseDateText("2000-02-29", d));
  EXPECT_TRUE(ParseDateText("2024-02-29", d));
  EXPECT_EQ(d.serial, MakeDate(2024, 2, 29).serial);
  const RowSet r = ReadSheet(kData + "/bad/xlsx_values.xlsx", "Heads");
  ASSERT_EQ(r.rows.size(), 2u);
  EXPECT_EQ(r.rows[0][1], Variant("2024-02-30"));
  EXPECT_TRUE(r.rows[0][2].is_null());  // #DIV/0!
  EXPECT_EQ(r.rows[1][1], Variant(MakeDate(2024, 2, 29)));
  EXPECT_EQ(r.rows[1][2], Variant(0.5));
}

TEST(WorkbookProviderCsv, CellsKeepTheirTextInEveryEncodingAndBlankLinesAreNoRows) {
  auto conn = OpenBook(kData + "/basic.csv");
  EXPECT_EQ(TableNames(*conn), (Strings{"basic$"}));
  const RowSet r = conn->Query("select * from [basic$]");
  EXPECT_EQ(FieldNames(r), (Strings{"headname", "underhead", "note"}));
  // The blank line in the middle and at the end are no rows.
  EXPECT_EQ(Cells(r),
            (Strings{"Assets|NULL|O'Brien's \"main\" account", "Cash|12.5|3",
                     "Smith, John|two\r\nlines|-1e3", "Bank|0x1A|12abc", "NULL|  7|inf"}));
  TempDir dir;
  const std::string path =
      dir.Write("Accounts.txt", "code,name\r\n\r\n1,\"a\"\"b\"\n   \n\"0012\"\n3,c,extra");
  auto txt = OpenBook(path);
  EXPECT_EQ(TableNames(*txt), (Strings{"Accounts$"}));
  // Quoted "0012" is text with its leading zeros; a short row is filled, a long one cut.
  EXPECT_EQ(Cells(txt->Query("select * from Accounts")), (Strings{"1|a\"b", "0012|NULL", "3|c"}));
  // "Café €" in each encoding a .csv may come in.
  const std::string utf8 = "Name\nCaf\xC3\xA9 \xE2\x82\xAC\n";
  auto utf16 = [](bool big) {
    std::string out = big ? "\xFE\xFF" : "\xFF\xFE";
    for (char16_t u : std::u16string(u"Name\nCaf\u00E9 \u20AC\n")) {
      const char hi = static_cast<char>(u >> 8), lo = static_cast<char>(u & 0xFF);
      out += big ? hi : lo;
      out += big ? lo : hi;
    }
    return out;
  };
  for (const std::string& bytes :
       Strings{utf8, "\xEF\xBB\xBF" + utf8, utf16(false), utf16(true), "Name\nCaf\xE9 \x80\n"}) {
    const RowSet e = ReadSheet(dir.Write("e.csv", bytes), "e");
    ASSERT_EQ(e.rows.size(), 1u);
    EXPECT_EQ(e.rows[0][0], Variant("Caf\xC3\xA9 \xE2\x82\xAC")) << bytes;
  }
}

TEST(WorkbookProviderOpen, ErrorsNameThePathAndTheCause) {
  EXPECT_EQ(ErrorOf([&] { OpenBook("/nonexistent/dir/book.xls"); }),
            "Cannot open workbook '/nonexistent/dir/book.xls': no such file");
  EXPECT_TRUE(Holds(ErrorOf([&] { OpenBook(kData); }), kData));
  TempDir dir;
  // A compound file header with nothing behind it is no workbook, nor a zip of garbage.
  for (const std::string& fake :
       {dir.Write("fake.xls",
                  std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + std::string(600, '\0')),
        dir.Write("fake.xlsx", std::string("PK\x03\x04", 4) + "garbage")})
    EXPECT_TRUE(Holds(ErrorOf([&] { OpenBook(fake); }), fake));
  const RowSet r = ReadSheet(dir.Write("empty.csv", ""), "empty");
  EXPECT_TRUE(r.fields.empty());
  EXPECT_TRUE(r.rows.empty());
  // An open quote names its field's line, counting the quoted line breaks before it.
  const std::string later = dir.Write("l.csv", "Name\n\"a\nb\"\n\"c\n");
  EXPECT_TRUE(Holds(ErrorOf([&] { ReadSheet(later, "l"); }), "line 4:"));
}

TEST(WorkbookProviderOpen, ADamagedXlsxIsRefusedNamingThePart) {
  TempDir dir;
  // Damage the compressed bytes of the first sheet's part, nothing else.
  std::string bytes = ReadFile(kData + "/basic.xlsx");
  const size_t header = bytes.find("xl/worksheets/sheet2.xml") - 30;
  ASSERT_EQ(bytes.compare(header, 4, "PK\x03\x04"), 0);
  const auto u16 = [&](size_t at) {
    return size_t(uint8_t(bytes[at])) | size_t(uint8_t(bytes[at + 1])) << 8;
  };
  const size_t data = header + 30 + u16(header + 26) + u16(header + 28);
  for (size_t i = 10; i < 40; ++i) bytes[data + i] = static_cast<char>(~bytes[data + i]);
  const std::pair<std::string, std::string> cases[] = {
      {dir.Write("corrupt.xlsx", bytes), "cannot read the part 'xl/worksheets/sheet2.xml'"},
      {kData + "/bad/xlsx_no_shared_strings.xlsx", "the part 'xl/sharedStrings.xml' is missing"},
      {kData + "/bad/xlsx_no_sheet_part.xlsx", "the part 'xl/worksheets/sheet1.xml' is missing"},
      {kData + "/bad/xlsx_broken_sheet_part.xlsx",
       "the part 'xl/worksheets/sheet1.xml' is not well-formed"},
  };
  for (const auto& [path, reason] : cases)
    EXPECT_TRUE(Holds(ErrorOf([&] { ReadSheet(path, "Heads"); }),
                      "Cannot open workbook '" + path + "': " + reason));
}

class CsvHeadImport : public CompanyTest {};

TEST_P(CsvHeadImport, CodesKeepTheirZerosAndAMissingColumnOrAnOpenQuoteIsOneMessage) {
  const std::string book =
      dir_.Write("book.csv", "Head Name , parent\n0012,Sundry Debtors\n\nEast,Sundry Debtors\n\n");
  const MapTable map = Map("Head Name=headname,Parent=underhead");
  EXPECT_FALSE(ImportWorkbook(&DependProcesser::ImportAccountHeads, book, map));
  EXPECT_TRUE(rec_.messages.empty());
  EXPECT_EQ(refused_, 0);
  EXPECT_EQ(Rows("SELECT headname, underhead FROM accounthead WHERE headcode >= 60 "
                 "ORDER BY headcode"),
            (Strings{"0012|9", "East|9"}));
  EXPECT_TRUE(ImportWorkbook(&DependProcesser::ImportAccountHeads, book,
                             Map("Name=headname,Parent=underhead")));
  const std::string open =
      dir_.Write("open.csv", "Head Name,Parent\nWest,Sundry Debtors\n\"North,Sundry Debtors\n");
  EXPECT_TRUE(ImportWorkbook(&DependProcesser::ImportAccountHeads, open, map));
  ASSERT_EQ(rec_.messages.size(), 2u);
  EXPECT_TRUE(Holds(rec_.messages[0].text, "The worksheet of '" + book +
                                               "' has no column 'Name'; its columns are: Head "
                                               "Name, parent"));
  EXPECT_TRUE(Holds(rec_.messages[1].text, "'" + open + "', line 3: a quoted field is not closed"));
  EXPECT_EQ(One("SELECT COUNT(*) FROM accounthead WHERE headcode >= 62"), "0");
}

VANTREL_BOTH_TARGETS(CsvHeadImport);

// A head and its parent that formulas give import as their results.
class FormulaHeadImport : public CompanyTest {};

TEST_P(FormulaHeadImport, HeadsAndParentsFromFormulasImportAsTheirResults) {
  EXPECT_FALSE(ImportWorkbook(&DependProcesser::ImportAccountHeads, kData + "/formulas.xls",
                              Map("Head Name=headname,Parent=underhead")));
  EXPECT_EQ(refused_, 0);
  EXPECT_EQ(Rows("SELECT headname, underhead FROM accounthead WHERE headcode >= 60 "
                 "ORDER BY headcode"),
            (Strings{"East Zone|9", "East Zone Two|60"}));
}

INSTANTIATE_TEST_SUITE_P(Sqlite, FormulaHeadImport, ::testing::Values(0), ::vantrel::TargetName);

}  // namespace
}  // namespace vantrel
