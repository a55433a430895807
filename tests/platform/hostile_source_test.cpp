// Hostile sources are refused quickly, naming the file and any limit and its option.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/common/error.h"
#include "platform/common/source_file.h"
#include "platform/dao/connection.h"
#include "platform/workbook/xls_reader.h"
#include "platform/xml/xml_document.h"
#include "support/company_fixture.h"

namespace vantrel {
namespace {

const std::string kData = VANTREL_TEST_DATA;

RowSet ReadHeads(const std::string& path, const std::string& sheet = "Heads") {
  Connection conn;
  conn.Open("DRIVER=Microsoft Excel Driver (*.xls);DBQ=" + path);
  return conn.Query("select * from [" + sheet + "$]");
}

std::string OpenError(const std::string& path) {
  return ErrorOf([&] { ReadHeads(path); });
}

class LimitScope {
 public:
  explicit LimitScope(uint64_t bytes) { SetMaxSourceSize(bytes); }
  ~LimitScope() { SetMaxSourceSize(kDefaultMaxSourceSize); }
};

// An .xlsx holding one sheet, "Heads", with the given rows of sheet XML.
void WriteXlsx(const std::string& path, const std::string& rows) {
  // The least the reader needs: the workbook, its relationships and the sheet.
  const std::vector<std::pair<std::string, std::string>> parts = {
      {"xl/workbook.xml",
       "<workbook><sheets><sheet name=\"Heads\" r:id=\"rId1\"/></sheets></workbook>"},
      {"xl/_rels/workbook.xml.rels",
       "<Relationships><Relationship Id=\"rId1\" Type=\"/worksheet\" "
       "Target=\"worksheets/sheet1.xml\"/></Relationships>"},
      {"xl/worksheets/sheet1.xml", "<worksheet><sheetData>" + rows + "</sheetData></worksheet>"}};
  int err = 0;
  zip_t* z = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &err);
  ASSERT_NE(z, nullptr);
  for (const auto& [name, text] : parts) {
    zip_source_t* src = zip_source_buffer(z, text.data(), text.size(), 0);
    ASSERT_GE(zip_file_add(z, name.c_str(), src, ZIP_FL_OVERWRITE), 0);
  }
  ASSERT_EQ(zip_close(z), 0);  // compresses now, while the texts still live
}

TEST(HostileSources, CraftedXlsAndIrregularFilesAreRefusedNamingTheFile) {
  // The last one the fuzzer found: FreeXL read past a buffer converting a name.
  for (const char* name :
       {"dir_sector_outside.xls", "fat_sector_outside.xls", "bad_sector_shift.xls",
        "dir_entry_long_name.xls", "fuzz_unused_entry_name.xls"}) {
    SCOPED_TRACE(name);
    const std::string path = kData + "/bad/" + name;
    const std::string error = OpenError(path);
    EXPECT_TRUE(Holds(error, "'" + path + "'"));
    EXPECT_TRUE(Holds(error, "damaged"));
    // The in-memory reader refuses the same bytes the same way.
    EXPECT_THROW(workbook::ReadXls(ReadFile(path), name), Error);
  }
  // The files they were made from read whole.
  EXPECT_EQ(workbook::ReadXls(ReadFile(kData + "/basic.xls"), "basic.xls").sheets.size(), 2u);
  EXPECT_EQ(OpenError(kData + "/heads.xls"), "");
  // Only regular files are read.
  TempDir dir;
  const std::string fifo = dir.File("pipe.csv");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const std::string zero = dir.File("zero.xml");
  ASSERT_EQ(symlink("/dev/zero", zero.c_str()), 0);
  for (const std::string& path : {fifo, zero, dir.path()}) {
    SCOPED_TRACE(path);
    const std::string error = OpenError(path);
    EXPECT_TRUE(Holds(error, "'" + path + "'"));
    EXPECT_TRUE(Holds(error, "not a regular file"));
    XmlDocument doc;
    EXPECT_FALSE(doc.Load(path));
    EXPECT_TRUE(Holds(doc.LastError(), "not a regular file"));
  }
}

// A formula's text result that runs past its records, or is missing, and a
// formula record too short for its result refuse the .xls, naming the cell.
TEST(HostileSources, DamagedFormulaRecordsInXlsAreRefusedNamingTheCell) {
  const std::string good = ReadFile(kData + "/formulas.xls");
  // The STRING record of "Sundry Debtors" in Heads!B2, after its 46-byte FORMULA
  // record, and the one of the long text in Formulas!B15 that goes on in a CONTINUE.
  const size_t text = good.find(std::string("\x07\x02\x11\x00\x0E\x00\x00Sundry Debtors", 21));
  const size_t formula = text - 50;
  const size_t long_text = good.find(std::string("\x07\x02\x20\x20\x10\x27\x00", 7));
  ASSERT_NE(text, std::string::npos);
  ASSERT_NE(long_text, std::string::npos);
  ASSERT_EQ(good.compare(formula, 4, std::string("\x06\x00\x2E\x00", 4)), 0);
  const std::pair<std::function<void(std::string&)>, std::string> cases[] = {
      {[&](std::string& b) { b[text + 4] = 0x0F; },
       "in the sheet 'Heads', the text result of the formula in B2 runs past its record"},
      {[&](std::string& b) { b[long_text + 5] = 0x28; },
       "in the sheet 'Formulas', the text result of the formula in B15 runs past its record"},
      {[&](std::string& b) { b[text + 1] = 0x0A; },
       "in the sheet 'Heads', the text result of the formula in B2 is missing"},
      // 16 bytes of formula, the rest of the record made into one of an unknown kind.
      {[&](std::string& b) {
         b[formula + 2] = 0x10;
         b.replace(formula + 20, 4, std::string("\xBC\x0A\x1A\x00", 4));
       },
       "in the sheet 'Heads', a formula record is cut short"},
  };
  for (const auto& [damage, reason] : cases) {
    std::string bytes = good;
    damage(bytes);
    EXPECT_EQ(ErrorOf([&] { workbook::ReadXls(bytes, "f.xls"); }),
              "Cannot open workbook 'f.xls': the file is damaged: " + reason);
  }
}

TEST(HostileSources, SizeLimitsNameTheLimitAndHowToRaiseIt) {
  TempDir dir;
  const LimitScope limit(4096);
  const std::string csv = dir.Write("big.csv", "Head Name\n" + std::string(5000, 'x') + "\n");
  const std::string xml = dir.Write("big.xml", "<A>" + std::string(5000, ' ') + "</A>");
  // 3 KiB of cells inflate from a few bytes: the sheet part alone passes an eighth of the limit.
  const std::string xlsx = dir.File("big.xlsx");
  WriteXlsx(xlsx, "<row r=\"1\"><c t=\"inlineStr\"><is><t>" + std::string(3000, 'x') +
                      "</t></is></c></row>");
  XmlDocument doc;
  EXPECT_FALSE(doc.Load(xml));
  for (const std::string& error : {OpenError(csv), OpenError(xlsx), doc.LastError()}) {
    EXPECT_TRUE(Holds(error, dir.path()));
    EXPECT_TRUE(Holds(error, "4 KiB"));
    EXPECT_TRUE(Holds(error, "--max-source-size"));
  }
  EXPECT_NE(OpenError(xlsx).find("xl/worksheets/sheet1.xml"), std::string::npos);

  // A sheet whose cells would make a table wider and longer than the limit allows.
  const LimitScope wider(uint64_t{64} << 20);
  std::string rows = "<row r=\"1\"><c r=\"A1\"><v>1</v></c><c r=\"XFD1\"><v>2</v></c></row>";
  for (int r = 2; r <= 2000; ++r)
    rows += "<row r=\"" + std::to_string(r) + "\"><c r=\"XFD" + std::to_string(r) +
            "\"><v>1</v></c></row>";
  WriteXlsx(xlsx, rows);
  const std::string table = OpenError(xlsx);
  EXPECT_TRUE(Holds(table, "16384 columns by 1999 rows"));
  EXPECT_TRUE(Holds(table, "--max-source-size"));
}

// Wide headers and far-apart cells cost what they hold, in time and memory.
TEST(HostileSources, WideAndSparseSheetsReadInTimeAndMemory) {
  TempDir dir;
  const auto start = std::chrono::steady_clock::now();
  // 100,000 header columns, all of one name: each gets the next free number.
  std::string header;
  for (int c = 0; c < 100000; ++c) header += c ? ",x" : "x";
  const RowSet r = ReadHeads(dir.Write("wide.csv", header + "\n1\n"), "wide");
  ASSERT_EQ(r.fields.size(), 100000u);
  EXPECT_EQ(r.fields[1].name, "x1");
  EXPECT_EQ(r.fields[99999].name, "x99999");
  ASSERT_EQ(r.rows.size(), 1u);

  // 200,000 rows, each with one cell in the last column XFD, under a narrow header.
  std::string rows = "<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>Head</t></is></c></row>";
  for (int n = 2; n <= 200001; ++n)
    rows += "<row r=\"" + std::to_string(n) + "\"><c r=\"XFD" + std::to_string(n) +
            "\"><v>1</v></c></row>";
  const std::string xlsx = dir.File("sparse.xlsx");
  WriteXlsx(xlsx, rows);
  const RowSet s = ReadHeads(xlsx);
  EXPECT_EQ(s.fields.size(), 1u);
  EXPECT_TRUE(s.rows.empty());
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}

}  // namespace
}  // namespace vantrel
