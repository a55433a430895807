#include "markup/export_figures.h"

#include <cmath>
#include <cstdlib>

namespace vantrel {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string Bare(const std::string& text) {
  size_t b = 0;
  size_t e = text.size();
  while (b < e && IsBlank(text[b])) ++b;
  while (e > b && IsBlank(text[e - 1])) --e;
  return text.substr(b, e - b);
}

// The number the text starts with (after blanks); `rest` is what follows it,
// without blanks around.
bool ReadLeading(const std::string& text, double& number, std::string& rest) {
  const std::string t = Bare(text);
  size_t i = 0;
  if (i < t.size() && (t[i] == '-' || t[i] == '+')) ++i;
  size_t digits = 0;
  bool point = false;
  for (; i < t.size(); ++i) {
    if (t[i] >= '0' && t[i] <= '9') {
      ++digits;
    } else if (t[i] == '.' && !point) {
      point = true;
    } else {
      break;
    }
  }
  if (digits == 0) return false;
  number = std::strtod(t.substr(0, i).c_str(), nullptr);
  if (!std::isfinite(number)) return false;
  rest = Bare(t.substr(i));
  return true;
}

}  // namespace

bool ReadExportAmount(const std::string& text, double& amount) {
  std::string rest;
  return ReadLeading(text, amount, rest) && rest.empty();
}

bool ReadExportQuantity(const std::string& text, double& quantity, std::string& unit) {
  return ReadLeading(text, quantity, unit);
}

bool ReadExportRate(const std::string& text, double& rate, std::string& unit) {
  std::string rest;
  if (!ReadLeading(text, rate, rest)) return false;
  unit.clear();
  if (rest.empty()) return true;
  if (rest[0] != '/') return false;
  unit = Bare(rest.substr(1));
  return true;
}

}  // namespace vantrel
