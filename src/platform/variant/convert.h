#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/variant/variant.h"

namespace vantrel {

// Text of a value: numbers in their shortest exact form, dates as yyyy-mm-dd,
// booleans as True/False, Empty as "". Null raises "Invalid use of Null".
std::string ToText(const Variant& v);
// A value joined with the empty text: as ToText, but Null gives "".
std::string JoinText(const Variant& v);

// Numeric conversions with the platform's rules: text must read wholly as a
// number (else "Type mismatch"), Null raises "Invalid use of Null", and the
// integer forms round half to even and raise "Overflow" out of range.
double ToDouble(const Variant& v);
int16_t ToInt16(const Variant& v);
int32_t ToInt32(const Variant& v);
bool ToBool(const Variant& v);

// Adds one to a 16-bit counter, raising "Overflow" past 32767.
int16_t Increment16(int16_t v);

// The leading-number rule: blanks, tabs and line feeds are skipped wherever they
// stand; a sign, digits, one point and an exponent are read; reading stops at
// the first other character. Commas that group the digits before the point are
// read as part of the number when the grouping is valid as a whole up to where
// it ends:
//   thousands: 1 to 3 digits, then groups of 3      1,500  1,500,000.25
//   Indian:    1 or 2 digits, then groups of 2, and
//              a last group of 3                     1,50,000.00  12,34,567
// Reading stops at the first comma that continues neither pattern, so
// "1,5,00" reads 1 and "1,500,00" reads 1500. No readable number, and a number
// beyond the range of a double ("1e400"), give 0. The SQLite provider's VAL()
// and CINT() read text by this rule.
double LeadingNumber(std::string_view text);

// The strict reader of a cell mapped to a number: the leading-number rule
// above, but true only when it reads a number that is usable. False when
//   - the text holds no number at its start ("abc", "db", "ten", "(1500)",
//     "NaN", "inf", "-", ".");
//   - the number does not fit a double ("1e400"); one too small to tell from
//     0 ("1e-400") reads as 0;
//   - the number is followed by a comma, that is, its commas fit neither
//     grouping pattern ("1,5,00", "1,50", "12,3456", "1.500,25", "12,").
// A number followed by a word reads ("12 pcs" is 12, "1500 db" is 1500); as
// blanks are skipped everywhere, "1 500" reads 1500 and "12 5" reads 125.
// An empty or blank text holds no number and gives false: a caller that takes
// an empty optional cell as 0 says so itself. `out` is set only on true.
bool ReadNumber(std::string_view text, double& out);

// The reader of a cell mapped to a yes/no flag. True, with `out` set, when the
// text is, blanks (spaces, tabs, line feeds) around it ignored:
//   - empty or blank: out is false;
//   - True/False or Yes/No in any letter case;
//   - a number ReadNumber reads: out is true when it is not zero ("-1", "1",
//     "0.5" are true, "0" and "0.00" false).
// Anything else ("maybe", "Y", "on", "1e400", "1,50") is unreadable: false,
// `out` unchanged.
bool ReadFlag(std::string_view text, bool& out);

// Number text: shortest form that reads back the same, up to 15 significant
// digits, '.' as the point, exponent form only beyond 15 digits.
std::string NumberText(double v);

// Dates.
DateValue MakeDate(int year, int month, int day);
void SplitDate(DateValue d, int& year, int& month, int& day);
DateValue Today();
// yyyy-mm-dd, with " hh:mm:ss" when the value has a time of day.
std::string DateText(DateValue d);
// Pattern formatting: yyyy, yy, MMM (English abbreviation), MM, M, dd, d.
std::string FormatDate(DateValue d, std::string_view pattern);
// Reads yyyy-mm-dd (optionally followed by a time); false when the text is no date.
bool ParseDateText(std::string_view text, DateValue& out);

// Case helpers for ASCII text, as names and keywords are compared.
std::string ToLower(std::string_view s);
std::string ToUpper(std::string_view s);
std::string Trim(std::string_view s);
bool EqualsNoCase(std::string_view a, std::string_view b);

}  // namespace vantrel
