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

// The leading-number rule: blanks, tabs and line feeds are skipped; a sign,
// digits, one point and an exponent are read; reading stops at the first other
// character; no readable number gives 0.
double LeadingNumber(std::string_view text);

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
