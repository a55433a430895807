#include <cctype>
#include <cerrno>
#include <cstring>

#include "platform/common/error.h"
#include "platform/common/source_file.h"
#include "platform/dao/provider.h"
#include "platform/variant/convert.h"
#include "platform/workbook/csv_reader.h"
#include "platform/workbook/sheet.h"
#include "platform/workbook/xls_reader.h"
#include "platform/workbook/xlsx_reader.h"

namespace vantrel {
namespace {

using workbook::Sheet;
using workbook::ThrowOpenError;
using workbook::Workbook;

const char kReadOnly[] = "The workbook is read-only";

std::string FileStem(const std::string& path) {
  const size_t slash = path.find_last_of("/\\");
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  const size_t dot = name.rfind('.');
  if (dot != std::string::npos && dot > 0) name.erase(dot);
  return name;
}

// Picks the reader by the file's first bytes, not by its name. Only a regular
// file within the source size limit is read, and each reader parses the bytes
// read here, so what was checked is what is parsed.
Workbook LoadWorkbook(const std::string& path) {
  if (path.empty()) throw Error("Cannot open workbook: no file name given (DBQ)");
  std::string bytes;
  std::string reason;
  if (!ReadSourceFile(path, MaxSourceSize(), bytes, reason))
    ThrowOpenError(path, reason == std::strerror(ENOENT) ? "no such file" : reason);

  static const char kCompound[8] = {'\xD0', '\xCF', '\x11', '\xE0', '\xA1', '\xB1', '\x1A', '\xE1'};
  try {
    if (bytes.compare(0, 8, kCompound, 8) == 0) return workbook::ReadXls(bytes, path);
    if (bytes.compare(0, 4, "PK\x03\x04", 4) == 0) return workbook::ReadXlsx(bytes, path);
    Workbook book;
    book.sheets.push_back(workbook::ReadCsv(std::move(bytes), FileStem(path), path));
    return book;
  } catch (const workbook::TooManyCells& e) {
    ThrowOpenError(path, e.what());
  }
}

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Skips blanks, then reads the keyword when it comes next (any case).
bool TakeKeyword(const std::string& sql, size_t& pos, std::string_view word) {
  while (pos < sql.size() && IsSpace(sql[pos])) ++pos;
  if (sql.size() - pos < word.size() || !EqualsNoCase(sql.substr(pos, word.size()), word)) {
    return false;
  }
  const size_t after = pos + word.size();
  if (after < sql.size() &&
      (std::isalnum(static_cast<unsigned char>(sql[after])) || sql[after] == '_')) {
    return false;
  }
  pos = after;
  return true;
}

// The sheet named by "select * from [Name$]"; false when the text has another form.
bool ParseSheetQuery(const std::string& sql, std::string& name) {
  size_t pos = 0;
  if (!TakeKeyword(sql, pos, "select")) return false;
  while (pos < sql.size() && IsSpace(sql[pos])) ++pos;
  if (pos >= sql.size() || sql[pos] != '*') return false;
  ++pos;
  if (!TakeKeyword(sql, pos, "from")) return false;
  std::string rest = Trim(sql.substr(pos));
  while (!rest.empty() && (rest.back() == ';' || IsSpace(rest.back()))) rest.pop_back();
  if (rest.empty()) return false;
  const char open = rest.front();
  const char close = open == '[' ? ']' : open;
  if (open == '[' || open == '`' || open == '"') {
    if (rest.size() < 2 || rest.back() != close) return false;
    rest = rest.substr(1, rest.size() - 2);
  } else {
    for (char c : rest) {
      if (IsSpace(c)) return false;
    }
  }
  if (!rest.empty() && rest.back() == '$') rest.pop_back();
  name = rest;
  return true;
}

// The worksheet row of the header: HDR_ROW=N (1 is the first row, the
// default), or none with HDR=NO, when every row is a record.
size_t HeaderRow(const ConnectionParams& params) {
  const auto hdr = params.find("hdr");
  if (hdr != params.end() && EqualsNoCase(Trim(hdr->second), "no")) return 0;
  const auto row = params.find("hdr_row");
  if (row == params.end()) return 1;
  const std::string text = Trim(row->second);
  size_t n = 0;
  for (char c : text) {
    if (c < '0' || c > '9' || n > 1000000) {
      n = 0;
      break;
    }
    n = n * 10 + static_cast<size_t>(c - '0');
  }
  if (n == 0) throw Error("HDR_ROW must be a worksheet row number from 1, not '" + text + "'");
  return n;
}

class WorkbookProvider : public Provider {
 public:
  WorkbookProvider(std::string path, Workbook book, size_t header_row)
      : path_(std::move(path)), book_(std::move(book)), header_row_(header_row) {}

  long Execute(const std::string&) override { throw Error(kReadOnly); }

  RowSet Query(const std::string& sql) override {
    std::string name;
    if (!ParseSheetQuery(sql, name)) {
      if (!TakeKeywordAtStart(sql, "select")) throw Error(kReadOnly);
      throw Error(
          "A workbook sheet can only be read whole (select * from [Sheet$]), while "
          "executing \"" +
          sql + "\"");
    }
    for (const Sheet& sheet : book_.sheets) {
      if (EqualsNoCase(sheet.name, name)) return workbook::SheetToRowSet(sheet, path_, header_row_);
    }
    throw Error("The workbook '" + path_ + "' has no sheet named '" + name +
                "', while executing \"" + sql + "\"");
  }

  RowSet Tables() override {
    RowSet result;
    for (const char* field : {"TABLE_CATALOG", "TABLE_SCHEMA", "TABLE_NAME", "TABLE_TYPE"}) {
      result.fields.push_back(FieldDef{field, adtype::kVarWChar, 0});
    }
    for (const Sheet& sheet : book_.sheets) {
      result.rows.push_back(
          Row{Variant::Null(), Variant::Null(), Variant(sheet.name + "$"), Variant("TABLE")});
    }
    return result;
  }

 private:
  static bool TakeKeywordAtStart(const std::string& sql, std::string_view word) {
    size_t pos = 0;
    return TakeKeyword(sql, pos, word);
  }

  std::string path_;
  Workbook book_;
  size_t header_row_;
};

}  // namespace

std::unique_ptr<Provider> OpenWorkbookProvider(const ConnectionParams& params) {
  const auto dbq = params.find("dbq");
  const std::string path = dbq == params.end() ? std::string() : dbq->second;
  const size_t header_row = HeaderRow(params);
  Workbook book = LoadWorkbook(path);
  return std::make_unique<WorkbookProvider>(path, std::move(book), header_row);
}

}  // namespace vantrel
