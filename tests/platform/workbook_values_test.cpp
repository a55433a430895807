#include <gtest/gtest.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <vector>

#include "frame/import_log.h"
#include "platform/common/error.h"
#include "platform/dao/connection.h"
#include "platform/dao/recordset.h"
#include "platform/variant/convert.h"
#include "support/company_fixture.h"
#include "vantrel/DependProcesser.h"

namespace vantrel {
namespace {

const std::string kBad = std::string(VANTREL_TEST_DATA) + "/bad";

RowSet ReadSheet(const std::string& path, const std::string& sheet) {
  Connection conn;
  conn.Open("DRIVER=Microsoft Excel Driver (*.xls);DBQ=" + path);
  return conn.Query("select * from [" + sheet + "$]");
}

template <typename F>
std::string ErrorOf(F&& f) {
  try {
    f();
  } catch (const Error& e) {
    return e.description();
  }
  return "";
}

TEST(CsvReading, BlankLinesAreNoRowsAndAnOpenQuoteNamesItsLine) {
  TempDir dir;
  const RowSet r = ReadSheet(dir.Write("b.csv", "Name,Code\r\n\r\nA,1\n   \nB,2\n\n\n"), "b");
  ASSERT_EQ(r.rows.size(), 2u);
  EXPECT_EQ(r.rows[0][0], Variant("A"));
  EXPECT_EQ(r.rows[1][0], Variant("B"));

  // The field opens on line 3 and runs to the end of the file.
  const std::string path = dir.Write("book.csv", "Name,Note\nA,\"x\"\nB,\"never\nclosed,\n");
  EXPECT_EQ(ErrorOf([&] { ReadSheet(path, "book"); }),
            "Cannot open workbook '" + path + "', line 3: a quoted field is not closed");
  // A quoted line break counts towards the line of a later field.
  const std::string later = dir.Write("l.csv", "Name\n\"a\nb\"\n\"c\n");
  EXPECT_NE(ErrorOf([&] { ReadSheet(later, "l"); }).find("line 4:"), std::string::npos);
}

TEST(CsvReading, CellsAreTheirTextInEveryEncoding) {
  TempDir dir;
  const RowSet r = ReadSheet(dir.Write("t.csv", "Code,Amount\n0012,1e3\n\"0013\",-5\n"), "t");
  EXPECT_EQ(r.rows[0][0], Variant("0012"));
  EXPECT_EQ(r.rows[0][1], Variant("1e3"));
  EXPECT_EQ(r.rows[1][0], Variant("0013"));

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
  const std::vector<std::string> encodings = {utf8, "\xEF\xBB\xBF" + utf8, utf16(false),
                                              utf16(true), "Name\nCaf\xE9 \x80\n"};
  for (const std::string& bytes : encodings) {
    const RowSet e = ReadSheet(dir.Write("e.csv", bytes), "e");
    ASSERT_EQ(e.rows.size(), 1u);
    EXPECT_EQ(e.rows[0][0], Variant("Caf\xC3\xA9 \xE2\x82\xAC")) << bytes;
  }
}

TEST(WorkbookValues, DaysAMonthLacksStayText) {
  DateValue d;
  EXPECT_FALSE(ParseDateText("2024-02-30", d));
  EXPECT_FALSE(ParseDateText("2023-02-29", d));
  EXPECT_FALSE(ParseDateText("2024-04-31", d));
  EXPECT_FALSE(ParseDateText("2024-01-01 24:00:00", d));
  EXPECT_TRUE(ParseDateText("2024-02-29", d));
  EXPECT_EQ(d.serial, MakeDate(2024, 2, 29).serial);
  EXPECT_TRUE(ParseDateText("2000-02-29", d));

  // An .xlsx date cell and an error cell.
  const RowSet r = ReadSheet(kBad + "/xlsx_values.xlsx", "Heads");
  ASSERT_EQ(r.rows.size(), 2u);
  EXPECT_EQ(r.rows[0][1], Variant("2024-02-30"));
  EXPECT_TRUE(r.rows[0][2].is_null());  // #DIV/0!
  EXPECT_EQ(r.rows[1][1], Variant(MakeDate(2024, 2, 29)));
  EXPECT_EQ(r.rows[1][2], Variant(0.5));
}

TEST(WorkbookValues, XlsErrorCellsReadEmptyAndBooleansAsBooleans) {
  const RowSet r = ReadSheet(kBad + "/xls_error_cells.xls", "Heads");
  ASSERT_EQ(r.rows.size(), 3u);
  EXPECT_TRUE(r.rows[0][1].is_null());  // #DIV/0!
  EXPECT_EQ(r.rows[0][2], Variant(true));
  EXPECT_TRUE(r.rows[1][1].is_null());  // a formula without a number
  EXPECT_TRUE(r.rows[1][2].is_null());  // #N/A
  EXPECT_EQ(r.rows[2][1], Variant(2.5));
  EXPECT_EQ(r.rows[2][2], Variant(false));
  const RowSet other = ReadSheet(kBad + "/xls_error_cells.xls", "Other");
  ASSERT_EQ(other.rows.size(), 2u);
  EXPECT_TRUE(other.rows[0][0].is_null());  // #REF!
  EXPECT_EQ(other.rows[1][0], Variant("Kept"));
}

TEST(WorkbookValues, ADamagedXlsxIsRefusedNamingThePart) {
  const struct {
    const char* file;
    const char* reason;
  } cases[] = {
      {"xlsx_no_shared_strings.xlsx", "the part 'xl/sharedStrings.xml' is missing"},
      {"xlsx_no_sheet_part.xlsx", "the part 'xl/worksheets/sheet1.xml' is missing"},
      {"xlsx_broken_sheet_part.xlsx", "the part 'xl/worksheets/sheet1.xml' is not well-formed"},
  };
  for (const auto& c : cases) {
    const std::string path = kBad + "/" + c.file;
    const std::string error = ErrorOf([&] { ReadSheet(path, "Heads"); });
    EXPECT_NE(error.find("Cannot open workbook '" + path + "': " + c.reason), std::string::npos)
        << error;
  }
}

TEST(WorkbookValues, ColumnsAreFoundDespiteCaseAndBlanksAndAMissingOneIsNamed) {
  TempDir dir;
  const std::string path = dir.Write("book.csv", " name ,PARENT\nCash,Assets\n");
  Connection conn;
  conn.Open("DRIVER=Microsoft Excel Driver (*.xls);DBQ=" + path);
  Recordset rs;
  rs.Open("select * from [book$]", conn);
  EXPECT_EQ(rs.Value("Name "), Variant("Cash"));
  EXPECT_EQ(rs.Value("parent"), Variant("Assets"));
  EXPECT_EQ(
      ErrorOf([&] { rs.Value("Head Name"); }),
      "The worksheet of '" + path + "' has no column 'Head Name'; its columns are: name, PARENT");
}

TEST(ImportLogWriting, ALineThatCannotBeWrittenRaisesAtOnce) {
  TempDir dir;
  ASSERT_EQ(symlink("/dev/full", dir.File("full.log").c_str()), 0);
  setenv("VANTREL_LOG_DIR", dir.path().c_str(), 1);
  ImportLog log;
  const std::string error = ErrorOf([&] { log.Open("full.log", "Head"); });
  unsetenv("VANTREL_LOG_DIR");
  EXPECT_NE(error.find("Device I/O error writing"), std::string::npos) << error;
}

class CsvHeadImport : public CompanyTest {};

TEST_P(CsvHeadImport, CodesKeepTheirZerosBlankLinesAreSkippedAndAMissingColumnIsNamed) {
  const std::string book = dir_.Write("book.csv",
                                      "Head Name , parent\n"
                                      "0012,Sundry Debtors\n"
                                      "\n"
                                      "East,Sundry Debtors\n"
                                      "\n");
  DependProcesser p;
  Target(p);
  p.SetSourceType(srcEXCEL);
  p.SetSourceFile(book);
  p.SetMapInfo({{}, {"Head Name", "headname"}, {"Parent", "underhead"}});
  bool err = false;
  p.ImportAccountHeads(err);
  EXPECT_FALSE(err);
  EXPECT_TRUE(rec_.messages.empty());
  EXPECT_EQ(p.RowsRefused(), 0);
  EXPECT_EQ(Rows("SELECT headname, underhead FROM accounthead WHERE headcode >= 60 "
                 "ORDER BY headcode"),
            (std::vector<std::string>{"0012|9", "East|9"}));

  p.SetMapInfo({{}, {"Name", "headname"}, {"Parent", "underhead"}});
  p.ImportAccountHeads(err);
  EXPECT_TRUE(err);
  ASSERT_EQ(rec_.messages.size(), 1u);
  EXPECT_NE(rec_.messages[0].text.find("The worksheet of '" + book +
                                       "' has no column 'Name'; its columns are: Head Name, "
                                       "parent"),
            std::string::npos)
      << rec_.messages[0].text;
}

TEST_P(CsvHeadImport, AnUnclosedQuoteIsOneMessageAndNoRows) {
  const std::string book =
      dir_.Write("book.csv", "Head Name,Parent\nWest,Sundry Debtors\n\"North,Sundry Debtors\n");
  DependProcesser p;
  Target(p);
  p.SetSourceType(srcEXCEL);
  p.SetSourceFile(book);
  p.SetMapInfo({{}, {"Head Name", "headname"}, {"Parent", "underhead"}});
  bool err = false;
  p.ImportAccountHeads(err);
  EXPECT_TRUE(err);
  ASSERT_EQ(rec_.messages.size(), 1u);
  EXPECT_NE(rec_.messages[0].text.find("'" + book + "', line 3: a quoted field is not closed"),
            std::string::npos)
      << rec_.messages[0].text;
  EXPECT_EQ(Column("SELECT COUNT(*) FROM accounthead WHERE headcode >= 60"),
            std::vector<std::string>{"0"});
}

VANTREL_BOTH_TARGETS(CsvHeadImport);

}  // namespace
}  // namespace vantrel
