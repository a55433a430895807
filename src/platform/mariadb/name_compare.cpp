#include "platform/mariadb/name_compare.h"

#include <vector>

#include "platform/dao/sql_scan.h"

namespace vantrel {
namespace {

enum class Kind { kWord, kQuotedName, kText, kMark };

struct Token {
  Kind kind;
  size_t begin;
  size_t end;
};

bool IsWordByte(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
         c == '$' || static_cast<unsigned char>(c) >= 0x80;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f'; }

// End of a quoted run that starts at `i` with `quote`: a doubled quote stands
// for one; in texts a backslash escapes the next character.
size_t QuotedEnd(std::string_view sql, size_t i, char quote, bool backslash) {
  ++i;
  while (i < sql.size()) {
    if (backslash && sql[i] == '\\' && i + 1 < sql.size()) {
      i += 2;
    } else if (sql[i] == quote) {
      if (i + 1 < sql.size() && sql[i + 1] == quote) {
        i += 2;
      } else {
        return i + 1;
      }
    } else {
      ++i;
    }
  }
  return sql.size();
}

// The statement's tokens; blanks and comments are dropped.
std::vector<Token> Tokens(std::string_view sql) {
  std::vector<Token> tokens;
  size_t i = 0;
  const size_t n = sql.size();
  while (i < n) {
    const char c = sql[i];
    const size_t start = i;
    if (IsBlank(c)) {
      ++i;
    } else if (c == '#' || (c == '-' && i + 2 < n && sql[i + 1] == '-' && IsBlank(sql[i + 2]))) {
      while (i < n && sql[i] != '\n') ++i;
    } else if (c == '/' && i + 1 < n && sql[i + 1] == '*') {
      const size_t close = sql.find("*/", i + 2);
      i = close == std::string_view::npos ? n : close + 2;
    } else if (c == '\'' || c == '"') {
      i = QuotedEnd(sql, i, c, true);
      tokens.push_back({Kind::kText, start, i});
    } else if (c == '`') {
      i = QuotedEnd(sql, i, c, false);
      tokens.push_back({Kind::kQuotedName, start, i});
    } else if (IsWordByte(c)) {
      while (i < n && IsWordByte(sql[i])) ++i;
      tokens.push_back({Kind::kWord, start, i});
    } else {
      const bool pair = i + 1 < n && ((c == '<' && (sql[i + 1] == '>' || sql[i + 1] == '=')) ||
                                      ((c == '!' || c == '>') && sql[i + 1] == '='));
      i += pair ? 2 : 1;
      tokens.push_back({Kind::kMark, start, i});
    }
  }
  return tokens;
}

bool SameWord(std::string_view a, std::string_view word) {
  if (a.size() != word.size()) return false;
  for (size_t k = 0; k < a.size(); ++k) {
    char c = a[k];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c != word[k]) return false;
  }
  return true;
}

class Scanner {
 public:
  Scanner(std::string_view sql, std::vector<Token> tokens)
      : sql_(sql), tokens_(std::move(tokens)) {}

  std::string_view Text(size_t t) const {
    return sql_.substr(tokens_[t].begin, tokens_[t].end - tokens_[t].begin);
  }
  std::string_view Span(size_t first, size_t last) const {
    return sql_.substr(tokens_[first].begin, tokens_[last].end - tokens_[first].begin);
  }
  bool IsWord(size_t t, std::string_view word) const {
    return t < tokens_.size() && tokens_[t].kind == Kind::kWord && SameWord(Text(t), word);
  }
  bool IsMark(size_t t, std::string_view mark) const {
    return t < tokens_.size() && tokens_[t].kind == Kind::kMark && Text(t) == mark;
  }
  bool IsName(size_t t) const {
    return t < tokens_.size() &&
           (tokens_[t].kind == Kind::kWord || tokens_[t].kind == Kind::kQuotedName);
  }
  Kind KindOf(size_t t) const { return tokens_[t].kind; }
  size_t size() const { return tokens_.size(); }
  size_t Begin(size_t t) const { return tokens_[t].begin; }
  size_t End(size_t t) const { return tokens_[t].end; }

  // The column ending at token `last`, qualified or not; false when there is none.
  // `first` receives its first token and `column` its unquoted name.
  bool ColumnEndingAt(size_t last, size_t& first, std::string& column) const {
    if (!IsName(last)) return false;
    const std::string_view text = Text(last);
    column = KindOf(last) == Kind::kQuotedName ? std::string(text.substr(1, text.size() - 2))
                                               : std::string(text);
    first = last;
    while (first >= 2 && IsMark(first - 1, ".") && IsName(first - 2)) first -= 2;
    return true;
  }

  // The operand ending at token `last`: a column, or TRIM, LTRIM or RTRIM of one.
  bool OperandEndingAt(size_t last, size_t& first, std::string& column) const {
    if (!IsMark(last, ")")) return ColumnEndingAt(last, first, column);
    if (last < 3 || !ColumnEndingAt(last - 1, first, column) || first < 2 ||
        !IsMark(first - 1, "("))
      return false;
    first -= 2;
    return IsWord(first, "TRIM") || IsWord(first, "LTRIM") || IsWord(first, "RTRIM");
  }

  // Whether a condition may start right after token `t`.
  bool OpensCondition(size_t t) const {
    return IsMark(t, "(") || IsWord(t, "WHERE") || IsWord(t, "AND") || IsWord(t, "OR") ||
           IsWord(t, "NOT") || IsWord(t, "ON") || IsWord(t, "HAVING");
  }

  // Whether a condition may end right before token `t`.
  bool ClosesCondition(size_t t) const {
    return t >= size() || IsMark(t, ")") || IsMark(t, ";") || IsWord(t, "AND") || IsWord(t, "OR") ||
           IsWord(t, "ORDER") || IsWord(t, "GROUP") || IsWord(t, "LIMIT") || IsWord(t, "HAVING") ||
           IsWord(t, "UNION");
  }

 private:
  std::string_view sql_;
  std::vector<Token> tokens_;
};

// The value of a quoted text as the server reads it (backslash escapes and
// doubled quotes resolved; "\%" and "\_" keep their backslash, as the server does).
std::string TextValue(std::string_view quoted) {
  const char quote = quoted.front();
  const std::string_view inside = quoted.substr(1, quoted.size() - 2);
  std::string value;
  for (size_t k = 0; k < inside.size(); ++k) {
    const char c = inside[k];
    if (c == quote && k + 1 < inside.size() && inside[k + 1] == quote) {
      value += quote;
      ++k;
    } else if (c == '\\' && k + 1 < inside.size()) {
      static constexpr std::string_view kEscapes = "0bnrtZ";
      static constexpr std::string_view kMeanings{"\0\b\n\r\t\x1A", 6};
      const char e = inside[++k];
      if (e == '%' || e == '_') value += '\\';
      const size_t at = kEscapes.find(e);
      value += at == std::string_view::npos ? e : kMeanings[at];
    } else {
      value += c;
    }
  }
  return value;
}

std::string Quoted(const std::string& value) {
  std::string out = "'";
  for (char c : value) {
    if (c == '\0') {
      out += "\\0";
      continue;
    }
    if (c == '\\' || c == '\'') out += '\\';
    out += c;
  }
  return out + "'";
}

// Both sides of the exact test fold by the same case tables, whatever the
// column's and the connection's collations are, and compare byte for byte.
std::string Fold(std::string_view operand, const FoldCollations& c) {
  return std::string("LOWER(UPPER(CONVERT(") + std::string(operand) + " USING utf8mb4) COLLATE " +
         c.fold + ")) COLLATE " + c.bytes;
}

}  // namespace

std::string AddExactNameTests(std::string_view sql, const FoldCollations& collations,
                              const std::function<bool(std::string_view column)>& is_name_column) {
  const Scanner s(sql, Tokens(sql));
  std::string out;
  size_t copied = 0;  // bytes of `sql` already in `out`
  for (size_t t = 1; t + 1 < s.size(); ++t) {
    const bool like = s.IsWord(t, "LIKE");
    const bool equal = s.IsMark(t, "=");
    const bool unequal = s.IsMark(t, "<>") || s.IsMark(t, "!=");
    if ((!like && !equal && !unequal) || s.KindOf(t + 1) != Kind::kText) continue;
    const bool negated = like && s.IsWord(t - 1, "NOT");
    if (negated && t < 2) continue;
    const size_t operand_last = negated ? t - 2 : t - 1;
    size_t first = 0;
    std::string column;
    if (!s.OperandEndingAt(operand_last, first, column) || first == 0 || s.Begin(first) < copied ||
        !s.OpensCondition(first - 1) || !s.ClosesCondition(t + 2) || !is_name_column(column))
      continue;

    const std::string_view operand = s.Span(first, operand_last);
    const std::string_view text = s.Text(t + 1);
    const bool positive = !(negated || unequal);
    std::string literal;
    std::string test;
    if (like && LiteralOfPattern(TextValue(text), literal)) {
      const std::string value = Quoted(literal);
      const char* op = positive ? " = " : " <> ";
      test = std::string(operand) + op + value + (positive ? " AND " : " OR ") +
             Fold(operand, collations) + op + Fold(value, collations);
    } else {
      const char* op = like ? (positive ? " LIKE " : " NOT LIKE ") : (positive ? " = " : " <> ");
      test = std::string(s.Span(first, t + 1)) + (positive ? " AND " : " OR ") +
             Fold(operand, collations) + op + Fold(text, collations);
    }
    out.append(sql.substr(copied, s.Begin(first) - copied));
    out += '(';
    out += test;
    out += ')';
    copied = s.End(t + 1);
    t += 1;
  }
  if (copied == 0) return std::string(sql);
  out.append(sql.substr(copied));
  return out;
}

bool ChangesColumns(std::string_view sql) {
  const std::vector<Token> tokens = Tokens(sql);
  if (tokens.empty() || tokens[0].kind != Kind::kWord) return false;
  const std::string_view first = sql.substr(tokens[0].begin, tokens[0].end - tokens[0].begin);
  for (const char* word : {"CREATE", "ALTER", "DROP", "RENAME", "USE"})
    if (SameWord(first, word)) return true;
  return false;
}

}  // namespace vantrel
