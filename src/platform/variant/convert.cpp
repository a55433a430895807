#include "platform/variant/convert.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <limits>
#include <vector>

#include "platform/common/error.h"

namespace vantrel {
namespace {

// Days from 1970-01-01 to the civil date, proleptic Gregorian calendar.
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void CivilFromDays(int64_t z, int& y, int& m, int& d) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(static_cast<int64_t>(yoe) + era * 400 + (m <= 2));
}

// Serial day 0 (1899-12-30) counted from 1970-01-01.
constexpr int64_t kSerialEpoch = -25569;

const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                               "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// Reads the whole text as a number; false when anything but blanks is left.
bool ParseWholeNumber(const std::string& text, double& out) {
  const std::string t = Trim(text);
  if (t.empty()) return false;
  char* end = nullptr;
  out = std::strtod(t.c_str(), &end);
  if (end != t.c_str() + t.size()) return false;
  // strtod also reads "inf", "nan" and hexadecimal forms, which are no numbers here.
  for (char c : t)
    if (std::isalpha(static_cast<unsigned char>(c)) && c != 'e' && c != 'E') return false;
  return std::isfinite(out);
}

double RoundHalfEven(double v) {
  const double r = std::nearbyint(v);  // default rounding mode is to nearest, ties to even
  return r;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

bool IsDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

// How many of the comma groups that follow a first run of `lead` digits belong
// to the number: the most that make a valid grouping, thousands (1 to 3
// digits, then groups of 3) or Indian (1 or 2 digits, groups of 2, a last
// group of 3). `groups` holds the length of each digit run after a comma.
size_t GroupsThatFit(size_t lead, const std::vector<size_t>& groups) {
  size_t fit = 0;
  if (lead >= 1 && lead <= 3) {
    while (fit < groups.size() && groups[fit] == 3) ++fit;
  }
  if (lead >= 1 && lead <= 2) {
    for (size_t m = 0; m < groups.size() && (groups[m] == 2 || groups[m] == 3); ++m) {
      if (groups[m] == 3) {
        fit = std::max(fit, m + 1);
        break;
      }
    }
  }
  return fit;
}

// A text read by the leading-number rule.
struct LeadingScan {
  std::string number;        // sign, digits (no commas), point, exponent; "" when no digits
  bool comma_after = false;  // the reading stopped at a comma
};

LeadingScan ScanLeadingNumber(std::string_view text) {
  // Blanks, tabs and line feeds are skipped wherever they stand.
  std::string s;
  s.reserve(text.size());
  for (char c : text)
    if (!IsBlank(c)) s += c;
  LeadingScan r;
  std::string num;
  size_t i = 0;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) num += s[i++];
  const size_t lead_start = i;
  while (i < s.size() && IsDigit(s[i])) num += s[i++];
  const size_t lead = i - lead_start;
  bool digits = lead > 0;
  if (lead > 0) {
    // The digit runs after commas, then as many as fit a grouping.
    std::vector<size_t> groups;
    for (size_t j = i; j + 1 < s.size() && s[j] == ',' && IsDigit(s[j + 1]);) {
      size_t k = j + 1;
      while (k < s.size() && IsDigit(s[k])) ++k;
      groups.push_back(k - j - 1);
      j = k;
    }
    const size_t fit = GroupsThatFit(lead, groups);
    for (size_t g = 0; g < fit; ++g) {
      num.append(s, i + 1, groups[g]);
      i += 1 + groups[g];
    }
  }
  if (i < s.size() && s[i] == '.') {
    num += s[i++];
    while (i < s.size() && IsDigit(s[i])) {
      num += s[i++];
      digits = true;
    }
  }
  if (!digits) return r;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    size_t j = i + 1;
    std::string exp = "e";
    if (j < s.size() && (s[j] == '+' || s[j] == '-')) exp += s[j++];
    bool exp_digits = false;
    while (j < s.size() && IsDigit(s[j])) {
      exp += s[j++];
      exp_digits = true;
    }
    if (exp_digits) {
      num += exp;
      i = j;
    }
  }
  r.number = std::move(num);
  r.comma_after = i < s.size() && s[i] == ',';
  return r;
}

}  // namespace

Variant Variant::FromInteger(int64_t v) {
  if (v >= std::numeric_limits<int32_t>::min() && v <= std::numeric_limits<int32_t>::max())
    return Variant(static_cast<int32_t>(v));
  return Variant(static_cast<double>(v));
}

bool Variant::is_number() const {
  switch (type()) {
    case VarType::Int16:
    case VarType::Int32:
    case VarType::Double:
      return true;
    default:
      return false;
  }
}

std::string NumberText(double v) {
  if (v == 0) return "0";
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.15g", v);
  std::string s(buf);
  const auto e = s.find('e');
  if (e != std::string::npos) {
    // 1e+20 -> 1E+20, 1e-05 -> 1E-05 (two exponent digits at least, as the platform writes them).
    s[e] = 'E';
  }
  return s;
}

std::string ToText(const Variant& v) {
  switch (v.type()) {
    case VarType::Empty:
      return "";
    case VarType::Null:
      throw InvalidUseOfNullError();
    case VarType::Boolean:
      return v.as_bool() ? "True" : "False";
    case VarType::Int16:
      return std::to_string(v.as_int16());
    case VarType::Int32:
      return std::to_string(v.as_int32());
    case VarType::Double:
      return NumberText(v.as_double());
    case VarType::Date:
      return DateText(v.as_date());
    case VarType::Text:
      return v.as_text();
  }
  return "";
}

std::string JoinText(const Variant& v) { return v.is_null() ? std::string() : ToText(v); }

double ToDouble(const Variant& v) {
  switch (v.type()) {
    case VarType::Empty:
      return 0;
    case VarType::Null:
      throw InvalidUseOfNullError();
    case VarType::Boolean:
      return v.as_bool() ? -1 : 0;
    case VarType::Int16:
      return v.as_int16();
    case VarType::Int32:
      return v.as_int32();
    case VarType::Double:
      return v.as_double();
    case VarType::Date:
      return v.as_date().serial;
    case VarType::Text: {
      double d = 0;
      if (!ParseWholeNumber(v.as_text(), d)) throw TypeMismatchError();
      return d;
    }
  }
  return 0;
}

int16_t ToInt16(const Variant& v) {
  const double r = RoundHalfEven(ToDouble(v));
  if (r < -32768 || r > 32767) throw OverflowError();
  return static_cast<int16_t>(r);
}

int32_t ToInt32(const Variant& v) {
  const double r = RoundHalfEven(ToDouble(v));
  if (r < -2147483648.0 || r > 2147483647.0) throw OverflowError();
  return static_cast<int32_t>(r);
}

bool ToBool(const Variant& v) {
  if (v.type() == VarType::Boolean) return v.as_bool();
  if (v.type() == VarType::Text) {
    const std::string t = Trim(v.as_text());
    if (EqualsNoCase(t, "True")) return true;
    if (EqualsNoCase(t, "False")) return false;
  }
  return ToDouble(v) != 0;
}

int16_t Increment16(int16_t v) {
  if (v == std::numeric_limits<int16_t>::max()) throw OverflowError();
  return static_cast<int16_t>(v + 1);
}

double LeadingNumber(std::string_view text) {
  const LeadingScan r = ScanLeadingNumber(text);
  if (r.number.empty()) return 0;
  const double d = std::strtod(r.number.c_str(), nullptr);
  return std::isfinite(d) ? d : 0;
}

bool ReadNumber(std::string_view text, double& out) {
  const LeadingScan r = ScanLeadingNumber(text);
  if (r.number.empty() || r.comma_after) return false;
  const double d = std::strtod(r.number.c_str(), nullptr);
  if (!std::isfinite(d)) return false;
  out = d;
  return true;
}

bool ReadFlag(std::string_view text, bool& out) {
  size_t b = 0, e = text.size();
  while (b < e && IsBlank(text[b])) ++b;
  while (e > b && IsBlank(text[e - 1])) --e;
  const std::string_view t = text.substr(b, e - b);
  if (t.empty() || EqualsNoCase(t, "False") || EqualsNoCase(t, "No")) {
    out = false;
    return true;
  }
  if (EqualsNoCase(t, "True") || EqualsNoCase(t, "Yes")) {
    out = true;
    return true;
  }
  double d = 0;
  if (!ReadNumber(t, d)) return false;
  out = d != 0;
  return true;
}

DateValue MakeDate(int year, int month, int day) {
  return DateValue{static_cast<double>(
      DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) -
      kSerialEpoch)};
}

void SplitDate(DateValue d, int& year, int& month, int& day) {
  // A serial past the years 1 to 9999 (a damaged file's) is held to them
  // rather than cast past what an integer holds.
  constexpr double kFirstDay = -693593;  // 0001-01-01
  constexpr double kLastDay = 2958465;   // 9999-12-31
  const double serial = std::isfinite(d.serial) ? std::clamp(d.serial, kFirstDay, kLastDay) : 0;
  CivilFromDays(static_cast<int64_t>(std::floor(serial)) + kSerialEpoch, year, month, day);
}

DateValue Today() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return MakeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
}

std::string DateText(DateValue d) {
  int y, m, day;
  SplitDate(d, y, m, day);
  char buf[40];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", y, m, day);
  std::string s(buf);
  const double frac = d.serial - std::floor(d.serial);
  const long secs = std::lround(frac * 86400.0);
  if (secs > 0 && secs < 86400) {
    std::snprintf(buf, sizeof buf, " %02ld:%02ld:%02ld", secs / 3600, secs / 60 % 60, secs % 60);
    s += buf;
  }
  return s;
}

std::string FormatDate(DateValue d, std::string_view pattern) {
  int y, m, day;
  SplitDate(d, y, m, day);
  std::string out;
  char buf[16];
  size_t i = 0;
  auto run = [&](char c) {
    size_t n = 0;
    while (i + n < pattern.size() && pattern[i + n] == c) ++n;
    return n;
  };
  while (i < pattern.size()) {
    const char c = pattern[i];
    const size_t n = run(c);
    if (c == 'y') {
      if (n >= 3)
        std::snprintf(buf, sizeof buf, "%04d", y);
      else
        std::snprintf(buf, sizeof buf, "%02d", y % 100);
      out += buf;
    } else if (c == 'M' || c == 'm') {
      if (n >= 3)
        out += kMonths[m - 1];
      else {
        std::snprintf(buf, sizeof buf, n == 2 ? "%02d" : "%d", m);
        out += buf;
      }
    } else if (c == 'd') {
      std::snprintf(buf, sizeof buf, n >= 2 ? "%02d" : "%d", day);
      out += buf;
    } else {
      out.append(n, c);
    }
    i += n;
  }
  return out;
}

bool ParseDateText(std::string_view text, DateValue& out) {
  const std::string t = Trim(text);
  int y = 0, m = 0, d = 0, hh = 0, mi = 0, ss = 0;
  char tail = 0;
  const int n =
      std::sscanf(t.c_str(), "%4d-%2d-%2d%c%2d:%2d:%2d", &y, &m, &d, &tail, &hh, &mi, &ss);
  if (n < 3 || t.size() < 10 || t[4] != '-' || t[7] != '-') return false;
  // A day the month does not have (2024-02-30) is no date, not the next month's.
  static const int kDays[12] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (m < 1 || m > 12 || d < 1 || d > kDays[m - 1]) return false;
  const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
  if (m == 2 && d == 29 && !leap) return false;
  if (n > 3 && n < 7 && t.size() > 10) return false;
  if (n == 7 && (hh < 0 || hh > 23 || mi < 0 || mi > 59 || ss < 0 || ss > 59)) return false;
  out = MakeDate(y, m, d);
  if (n == 7) out.serial += (hh * 3600 + mi * 60 + ss) / 86400.0;
  return true;
}

std::string ToLower(std::string_view s) {
  std::string r(s);
  for (auto& c : r) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return r;
}

std::string ToUpper(std::string_view s) {
  std::string r(s);
  for (auto& c : r) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return r;
}

std::string Trim(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && s[b] == ' ') ++b;
  while (e > b && s[e - 1] == ' ') --e;
  return std::string(s.substr(b, e - b));
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

}  // namespace vantrel
