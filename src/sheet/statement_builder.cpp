#include "sheet/statement_builder.h"

#include "dbhelpers/clean_sql_text.h"
#include "frame/processer_state.h"
#include "platform/common/error.h"
#include "platform/dao/recordset.h"
#include "platform/message/message.h"
#include "platform/variant/convert.h"

namespace vantrel {

std::string GetValueKind(int type_code) {
  switch (type_code) {
    case 1:
    case 2:
    case 3:
    case 4:
    case 5:
    case 6:
    case 11:
    case 17:
    case 72:
    case 128:
    case 131:
    case 204:
      return "N";
    case 7:
    case 133:
      return "D";
    default:
      return "C";
  }
}

size_t ClosingEntry(const MapTable& map) {
  if (map.empty()) throw TypeMismatchError();
  return map.size() - 1;
}

size_t EntryOfKeyword(const MapTable& map, const std::string& keyword) {
  for (size_t i = 1; i < map.size(); ++i)
    if (ToLower(map[i].field) == keyword) return i;
  return 0;
}

bool TakeRowName(ProcesserState& s, const Recordset& rows, const std::string& keyword, size_t n) {
  const size_t entry = EntryOfKeyword(s.map_info, keyword);
  if (entry == 0) return false;
  s.row_name = LeftChars(CellText(rows, s.map_info[entry].column), n);
  return true;
}

std::string LeftChars(const std::string& text, size_t n) {
  size_t chars = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    // Count lead bytes only; continuation bytes are 10xxxxxx.
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
      if (chars == n) return text.substr(0, i);
      ++chars;
    }
  }
  return text;
}

std::string CellText(const Recordset& rows, const std::string& column) {
  return JoinText(rows.Value(column));
}

std::string ValueByKind(const std::string& kind, std::string cell) {
  if (kind == "N") return NumberText(LeadingNumber(cell));
  return "'" + CleanSqlText(cell) + "'";
}

void AppendColumn(ProcesserState& s, const std::string& field, const std::string& value,
                  bool closing) {
  s.column_text += "[" + field + (closing ? "])" : "],");
  s.value_text += value + (closing ? ")" : ",");
}

void AppendParentColumn(ProcesserState& s, const std::string& column, bool closing) {
  AppendColumn(s, column, std::to_string(s.found_code), closing);
}

std::string WithoutBrackets(const std::string& sql) {
  std::string out;
  out.reserve(sql.size());
  char quote = 0;  // the quote of the text literal we stand in, if any
  for (char c : sql) {
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == '\'' || c == '"') {
      quote = c;
    } else if (c == '[' || c == ']') {
      continue;
    }
    out += c;
  }
  return out;
}

std::string JoinStatement(ProcesserState& s) {
  std::string sql = s.column_text + s.value_text;
  if (s.target_type == typeMultiUser) sql = WithoutBrackets(sql);
  return sql;
}

void LogRow(ProcesserState& s, const std::string& status, const std::string& reason) {
  s.log.WriteLine(s.row_name, status, reason);
  if (EqualsNoCase(status, "success"))
    ++s.rows_imported;
  else
    ++s.rows_refused;
  ReportProgress("worksheet rows", s.rows_imported + s.rows_refused);
}

std::string DescribeWorkerError(const ProcesserState& s, const std::string& description) {
  if (s.sheet_row <= 0) return description;
  return description + " (worksheet row " + std::to_string(s.sheet_row) + " of '" + s.source_file +
         "')";
}

}  // namespace vantrel
