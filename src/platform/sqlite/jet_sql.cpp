#include "platform/sqlite/jet_sql.h"

#include "platform/dao/sql_scan.h"

namespace vantrel {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Appends `text` as one single-quoted literal, doubling any single quote in it.
void AppendQuoted(std::string& out, std::string_view text) {
  out += '\'';
  for (char c : text) {
    if (c == '\'') out += '\'';
    out += c;
  }
  out += '\'';
}

// True when the output so far ends, blanks aside, with the operator = or <>
// (but not <=, >= or !=).
bool FollowsEqualityOperator(const std::string& out) {
  size_t end = out.size();
  while (end > 0 && IsBlank(out[end - 1])) --end;
  if (end == 0) return false;
  if (out[end - 1] == '=')
    return end < 2 || (out[end - 2] != '<' && out[end - 2] != '>' && out[end - 2] != '!');
  return end >= 2 && out[end - 1] == '>' && out[end - 2] == '<';
}

// The text of a single-quoted literal's inside: '' stands for one quote.
std::string Unquoted(std::string_view inside) {
  std::string text;
  text.reserve(inside.size());
  for (size_t k = 0; k < inside.size(); ++k) {
    text += inside[k];
    if (inside[k] == '\'' && k + 1 < inside.size() && inside[k + 1] == '\'') ++k;
  }
  return text;
}

bool IsWordChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
         static_cast<unsigned char>(c) >= 0x80;
}

// Whether the output so far ends, blanks aside, with the word `word` (any
// letter case); `start` receives where the word begins.
bool EndsWithWord(const std::string& out, size_t end, std::string_view word, size_t& start) {
  while (end > 0 && IsBlank(out[end - 1])) --end;
  if (end < word.size()) return false;
  const size_t at = end - word.size();
  for (size_t k = 0; k < word.size(); ++k) {
    char c = out[at + k];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c != word[k]) return false;
  }
  if (at > 0 && IsWordChar(out[at - 1])) return false;
  start = at;
  return true;
}

// `x LIKE 'text'` compares a name with the backslash as escape character. A
// pattern without wildcards becomes an equality, which is literal, uses the
// name's index and has no length limit; a real pattern keeps LIKE with ESCAPE.
// Returns false when the output does not end with LIKE.
bool TranslateLike(std::string& out, std::string_view pattern) {
  size_t like = 0;
  if (!EndsWithWord(out, out.size(), "LIKE", like)) return false;
  size_t negation = 0;
  const bool negated = EndsWithWord(out, like, "NOT", negation);
  std::string literal;
  if (!LiteralOfPattern(pattern, literal)) {
    AppendQuoted(out, pattern);
    out += " ESCAPE '\\'";
    return true;
  }
  out.resize(negated ? negation : like);
  out += negated ? "<> " : "= ";
  AppendQuoted(out, literal);
  out += " COLLATE NOCASE";
  return true;
}

}  // namespace

std::string TranslateJetSql(std::string_view sql) {
  std::string out;
  out.reserve(sql.size() + 16);
  const size_t n = sql.size();
  size_t i = 0;
  while (i < n) {
    const char c = sql[i];
    if (c == '\'') {
      // Copied as is; '' inside stands for one quote. An unclosed literal runs to the end.
      const bool compared = FollowsEqualityOperator(out);
      size_t j = i + 1;
      while (j < n) {
        if (sql[j] == '\'') {
          if (j + 1 < n && sql[j + 1] == '\'') {
            j += 2;
            continue;
          }
          break;
        }
        ++j;
      }
      const bool closed = j < n;
      if (closed && TranslateLike(out, Unquoted(sql.substr(i + 1, j - i - 1)))) {
        i = j + 1;
        continue;
      }
      out.append(sql.substr(i, (closed ? j + 1 : n) - i));
      if (closed && compared) out += " COLLATE NOCASE";
      i = closed ? j + 1 : n;
    } else if (c == '"') {
      // Text in double quotes; "" inside stands for one double quote.
      const bool compared = FollowsEqualityOperator(out);
      std::string text;
      size_t j = i + 1;
      bool closed = false;
      while (j < n) {
        if (sql[j] == '"') {
          if (j + 1 < n && sql[j + 1] == '"') {
            text += '"';
            j += 2;
            continue;
          }
          closed = true;
          break;
        }
        text += sql[j++];
      }
      if (!closed) {
        // Left for SQLite to report.
        out.append(sql.substr(i));
        break;
      }
      if (!TranslateLike(out, text)) {
        AppendQuoted(out, text);
        if (compared) out += " COLLATE NOCASE";
      }
      i = j + 1;
    } else if (c == '[') {
      const size_t close = sql.find(']', i + 1);
      if (close == std::string_view::npos) {
        out.append(sql.substr(i));
        break;
      }
      out += '"';
      for (char k : sql.substr(i + 1, close - i - 1)) {
        if (k == '"') out += '"';
        out += k;
      }
      out += '"';
      i = close + 1;
    } else if (c == '#') {
      // A date literal: #2026-12-06#. A lone '#' stays as it is.
      const size_t close = sql.find('#', i + 1);
      const std::string_view inner =
          close == std::string_view::npos ? std::string_view() : sql.substr(i + 1, close - i - 1);
      if (close == std::string_view::npos || inner.empty() || inner.find('\'') != inner.npos ||
          inner.find('\n') != inner.npos) {
        out += c;
        ++i;
        continue;
      }
      AppendQuoted(out, inner);
      i = close + 1;
    } else {
      out += c;
      ++i;
    }
  }
  return out;
}

}  // namespace vantrel
