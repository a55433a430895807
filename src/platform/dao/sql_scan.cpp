#include "platform/dao/sql_scan.h"

#include "platform/common/error.h"

namespace vantrel {

bool HoldsSecondStatement(std::string_view sql) {
  size_t i = 0;
  const size_t n = sql.size();
  while (i < n) {
    const char c = sql[i];
    if (c == '\'' || c == '"' || c == '`') {
      // Quoted text; a doubled quote stands for one, a backslash escapes on the server.
      ++i;
      while (i < n) {
        if (sql[i] == '\\' && i + 1 < n) {
          i += 2;
          continue;
        }
        if (sql[i] == c) {
          if (i + 1 < n && sql[i + 1] == c) {
            i += 2;
            continue;
          }
          break;
        }
        ++i;
      }
      ++i;
    } else if (c == '[') {
      while (i < n && sql[i] != ']') ++i;
      ++i;
    } else if (c == '-' && i + 1 < n && sql[i + 1] == '-') {
      while (i < n && sql[i] != '\n') ++i;
    } else if (c == '/' && i + 1 < n && sql[i + 1] == '*') {
      i += 2;
      while (i + 1 < n && !(sql[i] == '*' && sql[i + 1] == '/')) ++i;
      i += 2;
    } else if (c == ';') {
      for (size_t j = i + 1; j < n; ++j)
        if (sql[j] != ' ' && sql[j] != '\t' && sql[j] != '\r' && sql[j] != '\n') return true;
      return false;
    } else {
      ++i;
    }
  }
  return false;
}

void RefuseStackedStatements(const std::string& sql) {
  if (HoldsSecondStatement(sql))
    throw Error("Characters found after end of SQL statement, while executing \"" + sql + "\"");
}

}  // namespace vantrel

namespace vantrel {

std::vector<std::string> SplitSqlScript(std::string_view script) {
  std::vector<std::string> statements;
  std::string current;
  bool has_code = false;
  size_t start = 0;
  while (start < script.size()) {
    size_t end = script.find('\n', start);
    if (end == std::string_view::npos) end = script.size();
    std::string line(script.substr(start, end - start));
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    size_t first = line.find_first_not_of(" \t");
    if (first == std::string::npos || line.compare(first, 2, "--") == 0) continue;
    size_t last = line.find_last_not_of(" \t");
    const bool ends = line[last] == ';';
    if (ends) line.erase(last);
    current += line;
    has_code = true;
    if (!ends) current += '\n';
    if (ends) {
      statements.push_back(current);
      current.clear();
      has_code = false;
    }
  }
  if (has_code) statements.push_back(current);
  return statements;
}

bool LiteralOfPattern(std::string_view pattern, std::string& literal) {
  literal.clear();
  for (size_t k = 0; k < pattern.size(); ++k) {
    const char c = pattern[k];
    if (c == '\\' && k + 1 < pattern.size()) {
      literal += pattern[++k];
    } else if (c == '%' || c == '_') {
      return false;
    } else {
      literal += c;
    }
  }
  return true;
}

}  // namespace vantrel
