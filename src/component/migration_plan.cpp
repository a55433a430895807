// Reads a migration plan: which export and workbooks a migration runs, with
// their kinds and mapping files, and the opening date.
#include <cstdlib>
#include <string>

#include "component/csv_lines.h"
#include "component/reported.h"
#include "platform/common/error.h"
#include "vantrel/DependProcesser.h"

namespace vantrel {
namespace {

constexpr const char* kExportKind = "export";
constexpr const char* kAsOf = "as-of";

bool IsLeapYear(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

// Whether `text` is a date of the calendar written as YYYY-MM-DD.
bool IsDate(const std::string& text) {
  if (text.size() != 10 || text[4] != '-' || text[7] != '-') return false;
  for (size_t i : {0, 1, 2, 3, 5, 6, 8, 9})
    if (text[i] < '0' || text[i] > '9') return false;
  const int year = std::atoi(text.substr(0, 4).c_str());
  const int month = std::atoi(text.substr(5, 2).c_str());
  const int day = std::atoi(text.substr(8, 2).c_str());
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (year < 1 || month < 1 || month > 12 || day < 1) return false;
  return day <= kDays[month - 1] + (month == 2 && IsLeapYear(year) ? 1 : 0);
}

// A header row: a whole number from 1 up, no sign, no blanks.
bool ReadHeaderRow(const std::string& text, int32_t& row) {
  if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos)
    return false;
  row = std::atoi(text.c_str());
  return row >= 1;
}

// The kinds a plan line may name, for the message that lists them.
std::string KnownKinds() {
  std::string kinds = kExportKind;
  for (const ImportKind& k : ImportKinds())
    if (k.reads_workbook) kinds += std::string(", ") + k.name;
  return kinds;
}

std::string Folder(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// A path of the plan, taken from the plan's folder unless it is absolute.
std::string FromPlan(const std::string& folder, const std::string& path) {
  return path.empty() || path[0] == '/' ? path : folder + path;
}

MigrationPlan ReadPlan(const std::string& path) {
  const std::string folder = Folder(path);
  MigrationPlan plan;
  for (const CsvLine& line :
       ParseCsvLines(ReadSmallTextFile(path, "plan file"), path, "plan file")) {
    const std::vector<std::string>& f = line.fields;
    const std::string at = path + ":" + std::to_string(line.line) + ": ";
    const std::string& kind = f[0];
    if (kind == kAsOf) {
      if (f.size() != 2 || !IsDate(f[1]))
        throw Error(at + "expected 'as-of,YYYY-MM-DD' with a date of the calendar, got '" +
                    (f.size() > 1 ? f[1] : std::string()) + "'");
      if (!plan.as_of.empty()) throw Error(at + "the opening date is given twice");
      plan.as_of = f[1];
      continue;
    }
    const ImportKind* known = FindImportKind(kind);
    const bool is_export = kind == kExportKind;
    if (!is_export && (!known || kind != known->name || !known->reads_workbook))
      throw Error(at + "unknown kind '" + kind + "'; a line starts with one of: " + KnownKinds() +
                  ", or as-of");
    if (f.size() < 2 || f[1].empty()) throw Error(at + "the " + kind + " source names no file");
    if (f.size() > 4)
      throw Error(at + "expected 'KIND,FILE[,MAP[,HEADER_ROW]]', got " + std::to_string(f.size()) +
                  " fields");
    MigrationSource source;
    source.kind = kind;
    source.file = FromPlan(folder, f[1]);
    if (is_export) {
      if ((f.size() > 2 && !f[2].empty()) || (f.size() > 3 && !f[3].empty()))
        throw Error(at +
                    "an export is read without a mapping file or header row; give "
                    "'export,FILE'");
    } else {
      if (f.size() < 3 || f[2].empty())
        throw Error(at + "the " + kind + " workbook '" + f[1] + "' needs its mapping file: '" +
                    kind + ",FILE,MAP'");
      source.map_file = FromPlan(folder, f[2]);
      if (f.size() == 4 && !f[3].empty() && !ReadHeaderRow(f[3], source.header_row))
        throw Error(at + "the header row must be a row number from 1, got '" + f[3] + "'");
    }
    plan.sources.push_back(std::move(source));
  }
  if (plan.sources.empty()) throw Error("plan file '" + path + "' names no source");
  return plan;
}

}  // namespace

bool LoadMigrationPlan(const std::string& path, MigrationPlan& plan, std::string& error) {
  return Reported(error, [&] { plan = ReadPlan(path); });
}

}  // namespace vantrel
