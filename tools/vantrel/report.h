// A report as one self-contained HTML page: no script, nothing fetched, its
// style inline, laid out to print on A4. A page is a heading, a list of facts
// and a list of sections; commands add the sections they have to tell.
#pragma once

#include <ctime>
#include <string>
#include <utility>
#include <vector>

namespace vantrel_tool {

// Text made safe to stand in HTML text and attribute values; control
// characters other than tab and line breaks are dropped.
std::string HtmlEscape(const std::string& text);

// "2024-04-01 09:30:00", local time.
std::string LocalTime(std::time_t t);

// A table built row by row. Cells are plain text (escaped when rendered);
// number columns are right-aligned and grouped in thousands.
class HtmlTable {
 public:
  struct Column {
    std::string heading;
    bool number = false;
    bool grouped = true;  // a number column's digits in groups; row numbers are not
  };
  explicit HtmlTable(std::vector<Column> columns) : columns_(std::move(columns)) {}

  // One cell per column; a number column's cell is given as its digits.
  void Add(std::vector<std::string> cells) { rows_.push_back(std::move(cells)); }
  // The closing line of totals, shown in bold.
  void SetTotals(std::vector<std::string> cells) { totals_ = std::move(cells); }
  bool empty() const { return rows_.empty(); }
  std::string Html(const std::string& css_class = "") const;

 private:
  std::string Cell(const char* tag, size_t column, const std::string& text) const;

  std::vector<Column> columns_;
  std::vector<std::vector<std::string>> rows_;
  std::vector<std::string> totals_;
};

// One part of a report: a heading and its body, already HTML.
struct Section {
  std::string id;     // anchor and CSS hook: "summary", "refused", ...
  std::string title;  // plain text
  std::string html;
};

struct ReportPage {
  std::string title;                                       // plain text
  std::vector<std::pair<std::string, std::string>> facts;  // label, value: plain text
  std::string outcome;                                     // plain text, under the title
  bool outcome_failed = false;
  std::vector<Section> sections;
  std::string footer;  // plain text

  std::string Html() const;
};

}  // namespace vantrel_tool
