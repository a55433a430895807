// What the tool shows while an import runs, and the report it writes after.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <regex>

#include "support/company_fixture.h"

namespace vantrel {
namespace {

std::string Sample(const std::string& name) {
  return std::string(VANTREL_SAMPLES_DIR) + "/" + name;
}

// Standard error of the tool run in `dir` on a pseudo-terminal `columns`
// wide; standard output goes to out.txt.
std::string OnTerminal(const std::string& args, const std::string& dir, unsigned short columns) {
  winsize size{};
  size.ws_row = 24;
  size.ws_col = columns;
  int master = -1;
  const std::string cmd =
      "cd '" + dir + "' && exec " + VANTREL_TOOL_PATH + " " + args + " >out.txt";
  const pid_t pid = forkpty(&master, nullptr, nullptr, &size);
  if (pid == 0) {
    execl("/bin/sh", "sh", "-c", cmd.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  std::string shown;
  char buffer[4096];
  for (ssize_t n; (n = read(master, buffer, sizeof buffer)) > 0;) shown.append(buffer, n);
  close(master);
  waitpid(pid, nullptr, 0);
  return shown;
}

// What a shell command writes to its standard output, read through a pipe;
// `status` gets its exit status.
std::string Output(const std::string& cmd, int* status = nullptr) {
  std::FILE* pipe = popen(cmd.c_str(), "r");
  std::string out;
  char buffer[4096];
  for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
  const int s = pclose(pipe);
  if (status) *status = s;
  return out;
}

// Standard error of the tool run in `dir` through a pipe.
std::string ThroughPipe(const std::string& args, const std::string& dir) {
  return Output("cd '" + dir + "' && " + VANTREL_TOOL_PATH + " " + args + " 2>&1 >out.txt");
}

// The lines a terminal shows one after another: every carriage return or
// line feed starts one, "erase to the end of the line" removed.
Strings DrawnLines(std::string shown) {
  for (size_t at; (at = shown.find("\x1b[K")) != std::string::npos;) shown.erase(at, 3);
  Strings lines(1);
  for (char c : shown)
    if (c == '\r' || c == '\n')
      lines.emplace_back();
    else
      lines.back() += c;
  return lines;
}

std::string HeadsCsv(int rows) {
  std::string csv = "Head Name,Parent Head\n";
  for (int i = 0; i < rows; ++i) csv += "Head " + std::to_string(i) + ",Sundry Debtors\n";
  return csv;
}

class Progress : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(RunTool("init c.db", dir_.path()).status, 0);
    dir_.Write("map.csv", "Head Name,headname\nParent Head,underhead\n");
    dir_.Write("h.csv", HeadsCsv(3000));
  }
  const std::string import_ = "import account-heads h.csv --map map.csv --target c.db --log-dir .";
  TempDir dir_;
};

TEST_F(Progress, ATerminalShowsABarWithTotalAndPercentRedrawnAtMostTenTimesASecond) {
  const auto start = std::chrono::steady_clock::now();
  const std::string shown = OnTerminal(import_, dir_.path(), 72);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_TRUE(Holds(ReadFile(dir_.File("out.txt")), "3000 rows imported"));
  const Strings lines = DrawnLines(shown);
  long draws = 0;
  for (const std::string& line : lines) {
    if (line.empty()) continue;
    ++draws;
    EXPECT_LE(line.size(), 71u) << "wider than the terminal: " << line;
    EXPECT_TRUE(Holds(line, "worksheet rows [")) << line;
    EXPECT_TRUE(Holds(line, "/3,000")) << line;
  }
  EXPECT_TRUE(Holds(shown, "0/3,000    0%"));
  EXPECT_TRUE(Holds(shown, "] 3,000/3,000  100%"));
  EXPECT_TRUE(std::regex_search(shown, std::regex(R"(\d+ rows/s  \d+:\d\d left)"))) << shown;
  // The first and the closing draw come on top of the throttled ones.
  EXPECT_LE(draws, 10 * seconds + 3) << shown;
  EXPECT_EQ(shown.back(), '\n');
}

TEST_F(Progress, APipeGetsOneLinePerStepWithoutControlCharactersAndQuietNone) {
  std::string shown = ThroughPipe(import_, dir_.path());
  EXPECT_EQ(shown.find_first_of("\r\x1b"), std::string::npos) << shown;
  EXPECT_TRUE(std::regex_match(shown, std::regex("worksheet rows: 3,000 of 3,000 \\(100%\\) in "
                                                 "[0-9.]+ s, [0-9,]+ rows/s\n")))
      << shown;

  shown = ThroughPipe("import products " + Sample("export.xml") + " --target c.db", dir_.path());
  EXPECT_EQ(shown.find_first_of("\r\x1b"), std::string::npos) << shown;
  EXPECT_TRUE(std::regex_match(shown, std::regex("stock groups: 4 of 4 \\(100%\\) in [^\n]*\n"
                                                 "stock items: 5 of 5 \\(100%\\) in [^\n]*\n")))
      << shown;

  EXPECT_EQ(ThroughPipe(import_ + " --quiet", dir_.path()), "");
  EXPECT_EQ(OnTerminal(import_ + " --quiet", dir_.path(), 100), "");
}

const char* const kNoBrowser =
    "chromium is not installed (scripts/install-deps.sh installs it): the report is not rendered";

// The report as a real browser reads it.
class Report : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(Run("init c.db").status, 0); }
  ToolResult Run(const std::string& args) { return RunTool(args, dir_.path()); }

  // The document a headless Chromium builds from the page, serialized; ""
  // (and the test skipped) when there is no browser.
  std::string BrowserDom(const std::string& page) {
    if (std::system("command -v chromium >/dev/null 2>&1") != 0) return "";
    const std::string cmd =
        "chromium --headless --no-sandbox --disable-gpu --disable-dev-shm-usage "
        "--user-data-dir='" +
        dir_.File("chromium") + "' --dump-dom 'file://" + dir_.File(page) + "' 2>/dev/null";
    int status = 0;
    const std::string dom = Output(cmd, &status);
    EXPECT_EQ(status, 0);
    return dom;
  }

  TempDir dir_;
};

// The rows of the first table of the class, each as its cells' texts.
std::vector<Strings> TableRows(const std::string& html, const std::string& css_class) {
  std::vector<Strings> rows;
  const size_t start = html.find("<table class=\"" + css_class + "\">");
  if (start == std::string::npos) return rows;
  const std::string table = html.substr(start, html.find("</table>", start) - start);
  static const std::regex row(R"(<tr>(.*?)</tr>)"), cell(R"(<t[hd][^>]*>(.*?)</t[hd]>)");
  for (std::sregex_iterator r(table.begin(), table.end(), row), end; r != end; ++r) {
    const std::string inner = (*r)[1];
    Strings cells;
    for (std::sregex_iterator c(inner.begin(), inner.end(), cell); c != end; ++c)
      cells.push_back((*c)[1]);
    rows.push_back(cells);
  }
  return rows;
}

TEST_F(Report, AWorkbookImportsReportShowsItsCountsAndRefusedRowsInABrowser) {
  const ToolResult r = Run("import account-heads " + Sample("heads.xls") + " --map " +
                           Sample("heads-map.csv") + " --target c.db --quiet --report r.html");
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_TRUE(Holds(r.out, "10 rows imported, 2 rows refused, log: "));
  EXPECT_TRUE(Holds(r.out, ", report: r.html\n"));
  const std::string page = ReadFile(dir_.File("r.html"));
  // Self-contained and laid out for paper.
  for (const char* fetches : {"<script", "<link", "src=", "url(", "@import", "://"})
    EXPECT_EQ(page.find(fetches), std::string::npos) << fetches;
  EXPECT_TRUE(Holds(page, "@page { size: A4;"));
  EXPECT_TRUE(Holds(page, "@media print"));

  const std::string dom = BrowserDom("r.html");
  if (dom.empty()) GTEST_SKIP() << kNoBrowser;
  EXPECT_EQ(
      TableRows(dom, "counts"),
      (std::vector<Strings>{{"Import", "In the worksheet", "Written", "Already there", "Refused"},
                            {"account-heads (worksheet rows)", "12", "10", "1", "1"}}));
  EXPECT_TRUE(Holds(dom, "<h3>underhead not exists: 1 row</h3>"));
  EXPECT_TRUE(Holds(dom,
                    "<tr><td class=\"n\">13</td><td>Export Debtors</td><td>Parent Head</td>"
                    "<td>Overseas Debtors</td></tr>"));
  EXPECT_TRUE(Holds(dom, "<h2>Time taken</h2>"));
}

TEST_F(Report, WorkbookTextsStayTextAndCountsAreGrouped) {
  const std::string csv = HeadsCsv(1200) + "<b>Tom & Jerry</b>,\"<i>\"\"Nowhere\"\" & co</i>\"\n";
  dir_.Write("h.csv", csv);
  dir_.Write("map.csv", "Head Name,headname\nParent Head,underhead\n");
  ASSERT_EQ(Run("import account-heads h.csv --map map.csv --target c.db --log-dir . --report "
                "r.html")
                .status,
            0);
  const std::string dom = BrowserDom("r.html");
  if (dom.empty()) GTEST_SKIP() << kNoBrowser;
  const std::vector<Strings> counts = TableRows(dom, "counts");
  ASSERT_EQ(counts.size(), 2u);
  EXPECT_EQ(counts[1], (Strings{"account-heads (worksheet rows)", "1,201", "1,200", "0", "1"}));
  EXPECT_TRUE(Holds(dom,
                    "<td class=\"n\">1202</td><td>&lt;b&gt;Tom &amp; Jerry&lt;/b&gt;</td>"
                    "<td>Parent Head</td><td>&lt;i&gt;\"Nowhere\" &amp; co&lt;/i&gt;</td>"));
  EXPECT_EQ(dom.find("<b>"), std::string::npos);
  EXPECT_EQ(dom.find("<i>"), std::string::npos);
}

// Of an export every kind is accounted for: its records, and the balances,
// units and stock that come with them, are written, already there or
// refused. What the kinds of record wrote adds up to the summary, and so do
// the records skipped and the balances and stock refused.
TEST_F(Report, AnExportsReportAccountsForEveryRecordOfEveryKind) {
  struct Case {
    const char* kind;
    long kinds;
    long written;  // records, by the first run; the second finds them all there
  };
  const Strings records = {"account groups", "ledgers", "stock groups", "stock items", "depots"};
  for (const Case& c : {Case{"accounts", 3, 10}, Case{"products", 4, 9}, Case{"depots", 1, 2}}) {
    long existing_before = 0;
    for (int run = 0; run < 2; ++run) {
      SCOPED_TRACE(std::string(c.kind) + " run " + std::to_string(run));
      const ToolResult r = Run(std::string("import ") + c.kind + " " + Sample("export.xml") +
                               " --target c.db --quiet --report r.html");
      ASSERT_EQ(r.status, 0) << r.out;
      std::smatch summary;
      ASSERT_TRUE(
          std::regex_search(r.out, summary, std::regex(R"((\d+) records? written, (\d+))")));
      const std::vector<Strings> counts = TableRows(ReadFile(dir_.File("r.html")), "counts");
      ASSERT_EQ(counts.size(), static_cast<size_t>(c.kinds + (c.kinds > 1 ? 2 : 1)));
      long written = 0, existing = 0, skipped = 0;
      for (long k = 1; k <= c.kinds; ++k) {
        const Strings& row = counts[k];
        ASSERT_EQ(row.size(), 5u);
        EXPECT_EQ(std::stol(row[1]), std::stol(row[2]) + std::stol(row[3]) + std::stol(row[4]))
            << row[0];
        // A refused balance or stock leaves its record written, not skipped.
        if (std::find(records.begin(), records.end(), row[0]) == records.end()) continue;
        written += std::stol(row[2]);
        existing += std::stol(row[3]);
        skipped += std::stol(row[3]) + std::stol(row[4]);
      }
      EXPECT_EQ(written, std::stol(summary[1]));
      EXPECT_EQ(skipped, std::stol(summary[2]));
      EXPECT_EQ(written, run == 0 ? c.written : 0);
      // What the first run wrote, the second finds there.
      if (run == 1) {
        EXPECT_EQ(existing, existing_before + c.written);
      }
      existing_before = existing;
    }
  }
}

}  // namespace
}  // namespace vantrel
