#include "platform/dao/insert_text.h"

#include "platform/variant/convert.h"

namespace vantrel {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool IsWordChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
         c == '$' || c == '.' || static_cast<unsigned char>(c) >= 0x80;
}

class Scanner {
 public:
  explicit Scanner(std::string_view sql) : sql_(sql) {}

  void SkipBlanks() {
    while (i_ < sql_.size() && IsBlank(sql_[i_])) ++i_;
  }
  bool AtEnd() {
    SkipBlanks();
    return i_ >= sql_.size();
  }
  size_t Pos() const { return i_; }
  // Takes the word (any letter case) when it stands next.
  bool Word(std::string_view word) {
    SkipBlanks();
    if (sql_.size() - i_ < word.size() || !EqualsNoCase(sql_.substr(i_, word.size()), word))
      return false;
    if (i_ + word.size() < sql_.size() && IsWordChar(sql_[i_ + word.size()])) return false;
    i_ += word.size();
    return true;
  }
  bool Mark(char c) {
    SkipBlanks();
    if (i_ >= sql_.size() || sql_[i_] != c) return false;
    ++i_;
    return true;
  }
  // A name, bare or in brackets or backquotes, in lower case; "" when none stands next.
  std::string Name() {
    SkipBlanks();
    if (i_ >= sql_.size()) return "";
    const char open = sql_[i_];
    if (open == '[' || open == '`') {
      const char close = open == '[' ? ']' : '`';
      const size_t end = sql_.find(close, i_ + 1);
      if (end == std::string_view::npos) return "";
      std::string name(sql_.substr(i_ + 1, end - i_ - 1));
      i_ = end + 1;
      return ToLower(name);
    }
    const size_t start = i_;
    while (i_ < sql_.size() && IsWordChar(sql_[i_])) ++i_;
    return ToLower(std::string(sql_.substr(start, i_ - start)));
  }
  // One value up to the next top-level ',' or ')'.
  bool Value(InsertValue& v) {
    SkipBlanks();
    if (i_ >= sql_.size()) return false;
    const char c = sql_[i_];
    if (c == '\'' || c == '"') {
      v.kind = InsertValue::kText;
      ++i_;
      while (i_ < sql_.size()) {
        if (sql_[i_] == c) {
          if (i_ + 1 < sql_.size() && sql_[i_ + 1] == c) {
            v.text += c;
            i_ += 2;
            continue;
          }
          ++i_;
          return true;
        }
        if (sql_[i_] == '\\') v.backslash = true;
        v.text += sql_[i_++];
      }
      return false;
    }
    const size_t start = i_;
    int depth = 0;
    while (i_ < sql_.size()) {
      const char k = sql_[i_];
      if (k == '\'' || k == '"' || k == '[' || k == '`') {
        v.kind = InsertValue::kOther;
        return SkipOther(start, v);
      }
      if (k == '(') ++depth;
      if (k == ')' && depth-- == 0) break;
      if (k == ',' && depth == 0) break;
      ++i_;
    }
    v.text = Trim(std::string(sql_.substr(start, i_ - start)));
    if (EqualsNoCase(v.text, "null"))
      v.kind = InsertValue::kNull;
    else
      v.kind = IsNumber(v.text) ? InsertValue::kNumber : InsertValue::kOther;
    return !v.text.empty();
  }

 private:
  // A value that is no plain literal: its text up to the next top-level ',' or ')'.
  bool SkipOther(size_t start, InsertValue& v) {
    int depth = 0;
    while (i_ < sql_.size()) {
      const char k = sql_[i_];
      if (k == '\'' || k == '"' || k == '`') {
        const size_t end = sql_.find(k, i_ + 1);
        if (end == std::string_view::npos) return false;
        i_ = end + 1;
        continue;
      }
      if (k == '(') ++depth;
      if (k == ')' && depth-- == 0) break;
      if (k == ',' && depth == 0) break;
      ++i_;
    }
    v.text = std::string(sql_.substr(start, i_ - start));
    return true;
  }
  // An optional '-', digits, and at most one '.' with digits after it.
  static bool IsNumber(const std::string& t) {
    size_t k = t.size() > 1 && t[0] == '-' ? 1 : 0;
    const size_t digits_from = k;
    bool dot = false;
    for (; k < t.size(); ++k) {
      if (t[k] == '.' && !dot && k > digits_from && k + 1 < t.size()) {
        dot = true;
        continue;
      }
      if (t[k] < '0' || t[k] > '9') return false;
    }
    return k > digits_from;
  }

  std::string_view sql_;
  size_t i_ = 0;
};

}  // namespace

bool ReadInsertText(std::string_view sql, InsertText& out) {
  Scanner s(sql);
  if (!s.Word("insert") || !s.Word("into")) return false;
  out.table = s.Name();
  if (out.table.empty()) return false;
  if (s.Mark('(')) {
    do {
      std::string column = s.Name();
      if (column.empty()) return false;
      out.columns.push_back(std::move(column));
    } while (s.Mark(','));
    if (!s.Mark(')')) return false;
  }
  if (!s.Word("values")) return false;
  s.SkipBlanks();
  const size_t tuple_start = s.Pos();
  if (!s.Mark('(')) return false;
  do {
    InsertValue v;
    if (!s.Value(v)) return false;
    out.values.push_back(std::move(v));
  } while (s.Mark(','));
  if (!s.Mark(')')) return false;
  const size_t tuple_end = s.Pos();
  if (!s.AtEnd()) return false;
  if (!out.columns.empty() && out.columns.size() != out.values.size()) return false;
  out.head = std::string(sql.substr(0, tuple_start));
  out.tuple = std::string(sql.substr(tuple_start, tuple_end - tuple_start));
  return true;
}

bool ReadChangeTarget(std::string_view sql, std::string& table, std::vector<std::string>& words) {
  Scanner s(sql);
  words.clear();
  if (s.Word("insert")) {
    if (!s.Word("into")) return false;
    table = s.Name();
    return !table.empty();
  }
  if (s.Word("delete")) {
    if (!s.Word("from")) return false;
    table = s.Name();
    return !table.empty();
  }
  if (!s.Word("update")) return false;
  table = s.Name();
  if (table.empty() || !s.Word("set")) return false;
  // Every word of the SET part up to WHERE, quoted texts skipped: a superset
  // of the columns it sets.
  const std::string_view rest = sql.substr(s.Pos());
  size_t i = 0;
  while (i < rest.size()) {
    const char c = rest[i];
    if (c == '\'' || c == '"' || c == '`' || c == '[') {
      const char close = c == '[' ? ']' : c;
      if (c == '[' || c == '`') {
        const size_t end = rest.find(close, i + 1);
        if (end == std::string_view::npos) return false;
        words.push_back(ToLower(std::string(rest.substr(i + 1, end - i - 1))));
        i = end + 1;
        continue;
      }
      ++i;
      while (i < rest.size() && rest[i] != close) i += rest[i] == '\\' ? 2 : 1;
      ++i;
    } else if (IsWordChar(c)) {
      const size_t start = i;
      while (i < rest.size() && IsWordChar(rest[i])) ++i;
      std::string word = ToLower(std::string(rest.substr(start, i - start)));
      if (word == "where") break;
      words.push_back(std::move(word));
    } else {
      ++i;
    }
  }
  return true;
}

}  // namespace vantrel
