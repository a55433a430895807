#include "report.h"

#include <cstdlib>

#include "progress.h"

namespace vantrel_tool {
namespace {

// The page's whole style. Screen and paper alike; on paper the margins are
// the page's, tables break between rows and repeat their headings.
const char* const kStyle = R"(
@page { size: A4; margin: 15mm 14mm 16mm; }
* { box-sizing: border-box; }
body { font: 10pt/1.4 "DejaVu Sans", "Liberation Sans", Arial, sans-serif; color: #1a1a1a;
  max-width: 182mm; margin: 0 auto; padding: 10mm 4mm; background: #fff; }
h1 { font-size: 17pt; margin: 0 0 1mm; }
h2 { font-size: 12.5pt; margin: 8mm 0 2.5mm; padding-bottom: 1mm; border-bottom: 1.5px solid #333;
  break-after: avoid; }
h3 { font-size: 10.5pt; margin: 5mm 0 1.5mm; break-after: avoid; }
p { margin: 1.5mm 0; }
.outcome { font-weight: bold; margin: 0 0 4mm; color: #14532d; }
.outcome.failed { color: #991b1b; }
table { border-collapse: collapse; width: 100%; margin: 1mm 0 2mm; }
th, td { padding: 1mm 2mm; text-align: left; vertical-align: top; border-bottom: 0.5pt solid #c8c8c8;
  overflow-wrap: anywhere; }
thead th { background: #ececec; border-bottom: 1pt solid #555; font-weight: bold; }
th.n, td.n { text-align: right; white-space: nowrap; font-variant-numeric: tabular-nums; }
tfoot td { font-weight: bold; border-top: 1pt solid #555; border-bottom: none; }
tr { break-inside: avoid; }
thead { display: table-header-group; }
table.rejects { table-layout: fixed; }
table.rows th:nth-child(1) { width: 14mm; }
table.rows th:nth-child(2), table.rows th:nth-child(4) { width: 36%; }
table.records th:nth-child(1) { width: 28mm; }
table.records th:nth-child(2) { width: 50%; }
table.facts { width: auto; }
table.facts th { background: none; border: none; padding-left: 0; font-weight: normal; color: #555;
  white-space: nowrap; }
table.facts td { border: none; }
table.signatures td { height: 15mm; border-bottom: 0.75pt solid #333; }
table.signatures th { width: 33%; }
section.signoff { break-inside: avoid; }
footer { margin-top: 8mm; font-size: 8pt; color: #666; border-top: 0.5pt solid #bbb; padding-top: 1.5mm; }
@media print {
  body { max-width: none; padding: 0; }
  h2 { margin-top: 6mm; }
}
)";

bool AllDigits(const std::string& text) {
  size_t i = !text.empty() && text[0] == '-' ? 1 : 0;
  if (i == text.size() || text.size() - i > 18) return false;
  for (; i < text.size(); ++i)
    if (text[i] < '0' || text[i] > '9') return false;
  return true;
}

}  // namespace

std::string HtmlEscape(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      case '\t':
      case '\n':
      case '\r':
        out += c;
        break;
      default:
        if (static_cast<unsigned char>(c) >= 0x20 && c != 0x7f) out += c;
    }
  }
  return out;
}

std::string HtmlTable::Cell(const char* tag, size_t column, const std::string& text) const {
  const bool number = column < columns_.size() && columns_[column].number;
  const bool grouped = number && columns_[column].grouped && AllDigits(text);
  const std::string shown = grouped ? Grouped(std::atol(text.c_str())) : text;
  return std::string("<") + tag + (number ? " class=\"n\">" : ">") + HtmlEscape(shown) + "</" +
         tag + ">";
}

std::string HtmlTable::Html(const std::string& css_class) const {
  std::string html = css_class.empty() ? "<table>" : "<table class=\"" + css_class + "\">";
  html += "<thead><tr>";
  for (size_t i = 0; i < columns_.size(); ++i) html += Cell("th", i, columns_[i].heading);
  html += "</tr></thead>";
  html += "<tbody>";
  for (const std::vector<std::string>& row : rows_) {
    html += "<tr>";
    for (size_t i = 0; i < row.size(); ++i) html += Cell("td", i, row[i]);
    html += "</tr>\n";
  }
  html += "</tbody>";
  if (!totals_.empty()) {
    html += "<tfoot><tr>";
    for (size_t i = 0; i < totals_.size(); ++i) html += Cell("td", i, totals_[i]);
    html += "</tr></tfoot>";
  }
  return html + "</table>\n";
}

std::string ReportPage::Html() const {
  std::string html =
      "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
      "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n<title>" +
      HtmlEscape(title) + "</title>\n<style>" + kStyle +
      "</style>\n</head>\n<body>\n<header>\n<h1>" + HtmlEscape(title) + "</h1>\n";
  if (!outcome.empty())
    html += std::string("<p class=\"outcome") + (outcome_failed ? " failed" : "") + "\">" +
            HtmlEscape(outcome) + "</p>\n";
  if (!facts.empty()) {
    html += "<table class=\"facts\"><tbody>\n";
    for (const auto& [label, value] : facts)
      html += "<tr><th>" + HtmlEscape(label) + "</th><td>" + HtmlEscape(value) + "</td></tr>\n";
    html += "</tbody></table>\n";
  }
  html += "</header>\n";
  for (const Section& s : sections)
    html += "<section id=\"" + HtmlEscape(s.id) + "\" class=\"" + HtmlEscape(s.id) + "\">\n<h2>" +
            HtmlEscape(s.title) + "</h2>\n" + s.html + "</section>\n";
  if (!footer.empty()) html += "<footer>" + HtmlEscape(footer) + "</footer>\n";
  return html + "</body>\n</html>\n";
}

std::string LocalTime(std::time_t t) {
  std::tm tm{};
  localtime_r(&t, &tm);
  char text[64];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &tm);
  return text;
}

}  // namespace vantrel_tool
