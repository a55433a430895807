#include "dbhelpers/clean_sql_text.h"

#include "platform/variant/convert.h"

namespace vantrel {
namespace {

std::string WithoutQuotes(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text)
    if (c != '\'' && c != '"' && c != '\\') out += c;
  return out;
}

}  // namespace

std::string CleanSqlText(Variant& value) {
  if (value.is_null()) value = Variant(std::string());
  const std::string text = ToText(value);
  if (text.empty()) return "";
  value = Variant(WithoutQuotes(text));
  return value.as_text();
}

std::string CleanSqlText(std::string& value) {
  value = WithoutQuotes(value);
  return value;
}

std::string LikeLiteral(const std::string& cleaned) {
  if (cleaned.find_first_of("%_") == std::string::npos) return cleaned;
  std::string out;
  out.reserve(cleaned.size() + 8);
  for (char c : cleaned) {
    if (c == '%' || c == '_') out += '\\';
    out += c;
  }
  return out;
}

}  // namespace vantrel
