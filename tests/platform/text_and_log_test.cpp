#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>

#include "dbhelpers/clean_sql_text.h"
#include "frame/import_log.h"
#include "platform/common/error.h"
#include "platform/pcode/pcode_generator.h"
#include "platform/variant/convert.h"
#include "sheet/statement_builder.h"
#include "support/company_fixture.h"

namespace vantrel {
namespace {

TEST(Convert, ValuesConvertRoundAndFormatAndWhatCannotConvertRaises) {
  EXPECT_EQ(ValueByKind("N", "12.5 kg"), "12.5");
  EXPECT_EQ(ValueByKind("N", ""), "0");
  const std::pair<double, const char*> shortest[] = {
      {12.5, "12.5"}, {0.1 + 0.2, "0.3"}, {-1250.5, "-1250.5"},
      {502, "502"},   {1e20, "1E+20"},    {123456789012345.0, "123456789012345"}};
  for (const auto& [number, text] : shortest) EXPECT_EQ(NumberText(number), text);
  EXPECT_EQ(ToInt16(Variant(2.5)), 2);
  EXPECT_EQ(ToInt16(Variant(3.5)), 4);
  EXPECT_EQ(ToInt16(Variant(" 12 ")), 12);
  EXPECT_EQ(ToInt32(Variant(100000.0)), 100000);
  for (const auto& bad : std::vector<std::function<void()>>{
           [] { ToInt16(Variant(32768.0)); }, [] { ToInt16(Variant("12abc")); },
           [] { ToInt16(Variant::Null()); }, [] { Increment16(32767); },
           [] { ToText(Variant::Null()); }, [] { ToBool(Variant("yes")); },
           [] { MappedColumns(MapTable{}); }})  // the last: a mapping never set
    EXPECT_NE(ErrorOf(bad), "");
  EXPECT_EQ(ToText(Variant(true)), "True");
  EXPECT_EQ(ToText(Variant()), "");
  EXPECT_EQ(JoinText(Variant::Null()), "");
  EXPECT_EQ(ToText(Variant(MakeDate(2026, 12, 6))), "2026-12-06");
  EXPECT_TRUE(ToBool(Variant("TRUE")));
  EXPECT_FALSE(ToBool(Variant("0")));
  EXPECT_EQ(ValueByKind("C", ""), "''");
  EXPECT_EQ(ValueByKind("C", "O'Neil \"Jr\" C:\\x"), "'ONeil Jr C:x'");
  EXPECT_EQ(ValueByKind("D", "2026-12-06"), "'2026-12-06'");
  EXPECT_EQ(LeftChars("Crème brûlée", 5), "Crème");  // characters, not bytes
  EXPECT_EQ(LeftChars("abc", 30), "abc");
  EXPECT_EQ(LeftChars("abc", 0), "");
  EXPECT_TRUE(MappedColumns(MapTable(3)).back().closing);
  // A damaged workbook's date serial far past any calendar reads as some date, never a trap.
  EXPECT_EQ(DateText(DateValue{1.29216e161}).size(), 10u);
  const DateValue d = MakeDate(2026, 2, 3);
  int y, m, day;
  SplitDate(d, y, m, day);
  EXPECT_EQ(y * 10000 + m * 100 + day, 20260203);
  EXPECT_EQ(MakeDate(1899, 12, 30).serial, 0);
  EXPECT_EQ(FormatDate(d, "yyyymmdd"), "20260203");
  EXPECT_EQ(FormatDate(d, "dd/MMM/yyyy"), "03/Feb/2026");
  DateValue parsed;
  ASSERT_TRUE(ParseDateText("2026-02-03", parsed));
  EXPECT_EQ(parsed, d);
  EXPECT_FALSE(ParseDateText("03/02/2026", parsed));
}

TEST(Convert, LeadingNumberReadsDigitsGroupedByThousandsOrTheIndianWay) {
  // Plain numbers; thousands and Indian groups (two-digit groups before the
  // last three); then texts whose reading stops at the first comma that
  // continues neither pattern.
  const std::pair<const char*, const char*> cases[] = {{"12.5 kg", "12.5"},
                                                       {"12 Nos", "12"},
                                                       {"abc", "0"},
                                                       {"", "0"},
                                                       {" - 1 2.5e2x", "-1250"},
                                                       {"1.2.3", "1.2"},
                                                       {"7e", "7"},
                                                       {"-.5", "-0.5"},
                                                       {"(1500)", "0"},
                                                       {"1e400", "0"},
                                                       {"1,500", "1500"},
                                                       {"1,500,000.25", "1500000.25"},
                                                       {"  -1,500  ", "-1500"},
                                                       {"1, 500 Nos", "1500"},
                                                       {"1,500e2", "150000"},
                                                       {"1,50,000.00", "150000"},
                                                       {"12,34,567", "1234567"},
                                                       {"1,23,45,67,890", "1234567890"},
                                                       {"1,5,00", "1"},
                                                       {"1,50", "1"},
                                                       {"12,3456", "12"},
                                                       {"1500,000", "1500"},
                                                       {"123,45,678", "123"},
                                                       {"1,500,00", "1500"},
                                                       {"1,234,56,789", "1234"},
                                                       {"12,34,567,890", "1234567"},
                                                       {"1.500,25", "1.5"},
                                                       {",500", "0"}};
  for (const auto& [text, number] : cases)
    EXPECT_EQ(NumberText(LeadingNumber(text)), number) << text;
}

TEST(Convert, ReadNumberTakesOnlyAUsableLeadingNumber) {
  const std::pair<const char*, const char*> readable[] = {{"12.5 kg", "12.5"},
                                                          {"12 pcs", "12"},
                                                          {"1500 db", "1500"},
                                                          {"  -1,500  ", "-1500"},
                                                          {"1,500,000.25", "1500000.25"},
                                                          {"1,50,000.00", "150000"},
                                                          {"12,34,567", "1234567"},
                                                          {"1 500", "1500"},
                                                          {"0", "0"},
                                                          {".5", "0.5"},
                                                          {"1e308", "1E+308"},
                                                          {"1e-400", "0"}};
  for (const auto& [text, number] : readable) {
    double out = -7;
    EXPECT_TRUE(ReadNumber(text, out)) << text;
    EXPECT_EQ(NumberText(out), number) << text;
  }
  // No number at the start, none a double holds, or commas that fit neither grouping.
  for (const char* text :
       {"",          " \t\r\n",       "abc",      "db",     "ten",    "(1500)", "-",    ".",
        "Rs. 1,500", "NaN",           "inf",      "1e400",  "-1e400", "1,5,00", "1,50", "12,3456",
        "1,500,00",  "12,34,567,890", "1.500,25", "12, pcs"}) {
    double out = -7;
    EXPECT_FALSE(ReadNumber(text, out)) << text;
    EXPECT_EQ(out, -7) << text;
  }
}

TEST(Convert, ReadFlagTakesWordsNumbersAndBlankAndRefusesTheRest) {
  // Each text with what it reads: "1" true, "0" false, "-" unreadable.
  const std::pair<const char*, const char*> cases[] = {
      {"True", "1"},  {"true", "1"},       {" YES\t", "1"}, {"FALSE", "0"}, {"no", "0"},
      {"", "0"},      {" \r\n", "0"},      {"-1", "1"},     {"0.5", "1"},   {"2 pcs", "1"},
      {"1,500", "1"}, {"0", "0"},          {"0.00", "0"},   {"maybe", "-"}, {"Y", "-"},
      {"on", "-"},    {"Yes please", "-"}, {"NaN", "-"},    {"1e400", "-"}, {"1,50", "-"}};
  for (const auto& [text, reads] : cases) {
    for (const bool before : {false, true}) {
      bool out = before;
      const bool readable = ReadFlag(text, out);
      EXPECT_EQ(readable ? (out ? "1" : "0") : "-", std::string(reads)) << text;
      EXPECT_TRUE(readable || out == before) << text;
    }
  }
}

TEST(ProductCodeGenerator, CountsTrailingDigitsKeepingWidth) {
  for (const auto& [code, next] : std::vector<std::pair<std::string, std::string>>{
           {"P105", "P106"}, {"A099", "A100"}, {"999", "1000"}, {"AB", "AB1"}, {"", "1"}})
    EXPECT_EQ(NextProductCodeAfter(code), next);
}

TEST(CleanSqlText, DropsQuotesAndBackslashesInPlaceAndKeepsTheRest) {
  const std::pair<Variant, Variant> cases[] = {
      {Variant("Men's \"shirt\" C:\\dir"), Variant("Mens shirt C:dir")},
      {Variant("'\"'\\"), Variant("")},
      {Variant("  50% off_now  "), Variant("  50% off_now  ")},
      {Variant(12.5), Variant("12.5")},
      {Variant::Null(), Variant(std::string())},
      {Variant(), Variant()},
  };
  for (const auto& [in, out] : cases) {
    Variant v = in;
    EXPECT_EQ(CleanSqlText(v), out.is_empty() ? "" : out.as_text());
    EXPECT_EQ(v, out);
  }
  std::string size = "12\"";
  EXPECT_EQ(CleanSqlText(size), "12");
  EXPECT_EQ(size, "12");
}

TEST(ImportLog, ItemsStandAtColumnsOneFifteenAndThirtyOneInANewFile) {
  const std::string pad(14, ' '), name15 = "ABCDEFGHIJKLMNO", name40(40, 'N');
  const std::pair<std::string, std::string> cases[] = {
      {"Cash", "Cash          failed          x\r\n"},
      {"ABCDEFGHIJKLM", "ABCDEFGHIJKLM failed          x\r\n"},
      {"ABCDEFGHIJKLMN", "ABCDEFGHIJKLMNfailed          x\r\n"},
      {name15, name15 + "\r\n" + pad + "failed          x\r\n"},
      {name40, name40 + "\r\n" + pad + "failed          x\r\n"},
      // Columns count characters: "ÄPFEL GmbH" is 10 wide in any script.
      {"\xC3\x84PFEL GmbH", "\xC3\x84PFEL GmbH    failed          x\r\n"},
  };
  for (const auto& [name, line] : cases) EXPECT_EQ(LayoutLogLine(name, "failed", "x"), line);
  EXPECT_EQ(LayoutLogLine("A", "a status too long", "x"),
            "A             a status too long\r\n" + std::string(30, ' ') + "x\r\n");
  // A new log replaces the old one; a line that cannot be written raises at once.
  TempDir dir;
  setenv("VANTREL_LOG_DIR", dir.path().c_str(), 1);
  ASSERT_EQ(symlink("/dev/full", dir.File("full.log").c_str()), 0);
  ImportLog full;
  EXPECT_TRUE(Holds(ErrorOf([&] { full.Open("full.log", "Head"); }), "Device I/O error writing"));
  dir.Write("accounts.log", "an earlier run's log that is much longer than the new one\r\n");
  ImportLog log;
  log.Open(logfile::kAccounts, "Accounts");
  log.WriteLine("Cash", "success", "--------------");
  log.Close();
  EXPECT_EQ(ReadFile(dir.File("accounts.log")),
            "Accounts      ImportStaus     Reason\r\n"
            "========      ===========     ======\r\n"
            "Cash          success         --------------\r\n");
  unsetenv("VANTREL_LOG_DIR");
}

}  // namespace
}  // namespace vantrel
