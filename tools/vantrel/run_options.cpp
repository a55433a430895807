#include "run_options.h"

#include <unistd.h>

#include <algorithm>

namespace vantrel_tool {

std::string TargetOptions::Describe() const {
  return server.empty() ? file : database + " on " + server;
}

void AddTargetOptions(CLI::App* cmd, TargetOptions& t) {
  cmd->add_option("--server", t.server, "MySQL/MariaDB server, HOST or HOST:PORT (multi-user)");
  cmd->add_option("--database", t.database, "database name on the server (with --server)");
}

void CheckServerTarget(const TargetOptions& t) {
  if (!t.server.empty() && t.database.empty()) throw UsageError("--server needs --database NAME");
  if (t.server.empty() && !t.database.empty()) throw UsageError("--database needs --server HOST");
}

void CheckOneTarget(const TargetOptions& t) {
  CheckServerTarget(t);
  if (!t.file.empty() && !t.server.empty())
    throw UsageError("give either --target FILE or --server HOST --database NAME, not both");
  if (t.file.empty() && t.server.empty())
    throw UsageError("give --target FILE or --server HOST --database NAME");
}

void PointAt(vantrel::DependProcesser& processer, const TargetOptions& t) {
  if (!t.server.empty()) {
    processer.SetTargetType(vantrel::typeMultiUser);
    if (!processer.SetServer(t.server)) throw UsageError("--server is refused");
    processer.SetTargetDataBase(t.database);
  } else {
    processer.SetTargetType(vantrel::typeSingleUser);
    processer.SetTargetDataBase(t.file);
  }
}

void AddLimitOptions(CLI::App* cmd, LimitOptions& o) {
  cmd->add_option("--max-source-size", o.max_source_size,
                  "largest export or workbook read, in bytes (also bounds an .xlsx "
                  "uncompressed); default 268435456 (256 MiB)")
      ->check(CLI::PositiveNumber);
  cmd->add_option("--lock-wait", o.timeouts.lock_wait_seconds,
                  "seconds to wait for another import that holds the target; default 30")
      ->check(CLI::NonNegativeNumber);
  cmd->add_option("--connect-timeout", o.timeouts.connect_seconds,
                  "seconds to wait for the server to accept the connection; default 10")
      ->check(CLI::PositiveNumber);
  cmd->add_option_function<int>(
         "--server-timeout",
         [&o](const int& seconds) { o.timeouts.read_seconds = o.timeouts.write_seconds = seconds; },
         "seconds to wait for the server to answer one statement or take it; default 120")
      ->check(CLI::PositiveNumber);
}

void ApplyLimits(const LimitOptions& o) {
  // The wait for a busy server target runs inside one statement, so it must end
  // before the server timeout would; unless given, it shrinks to fit.
  vantrel::TargetTimeouts timeouts = o.timeouts;
  if (timeouts.lock_wait_seconds < 0)
    timeouts.lock_wait_seconds = std::max(0, std::min(30, timeouts.read_seconds - 1));
  if (timeouts.lock_wait_seconds >= timeouts.read_seconds)
    throw UsageError("--lock-wait must be shorter than --server-timeout");
  vantrel::SetMaxSourceSize(o.max_source_size);
  vantrel::SetTargetTimeouts(timeouts);
}

std::string CsvField(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos && (text.empty() || text[0] != '#'))
    return text;
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

std::string Count(long n, const char* noun) {
  return std::to_string(n) + " " + noun + (n == 1 ? "" : "s");
}

std::ofstream OpenOutput(const std::string& path, const std::string& what) {
  std::ofstream file(path, std::ios::trunc | std::ios::binary);
  if (!file) throw UsageError("cannot write the " + what + " '" + path + "'");
  return file;
}

SqlTraceFile::SqlTraceFile(const std::string& path) {
  if (path.empty()) return;
  file_.open(path, std::ios::app | std::ios::binary);
  if (!file_) throw UsageError("cannot write the trace file '" + path + "'");
  // One statement per line: a line break inside a value is written as a blank.
  vantrel::SetSqlTrace([this](const std::string& sql) {
    std::string line = sql;
    for (char& c : line)
      if (c == '\r' || c == '\n') c = ' ';
    file_ << line << '\n';
  });
}

SqlTraceFile::~SqlTraceFile() {
  if (file_.is_open()) vantrel::SetSqlTrace(nullptr);
}

RunConsole::RunConsole(bool quiet, const char* unit)
    : progress_(stderr,
                quiet                    ? ProgressDisplay::Mode::kQuiet
                : isatty(fileno(stderr)) ? ProgressDisplay::Mode::kBar
                                         : ProgressDisplay::Mode::kLines,
                unit) {
  vantrel::SetProgressTotalHandler([this](const std::string& what, long done, long total) {
    progress_.Update(what, done, total);
  });
  vantrel::SetMessageHandler([this](const std::string& text, int, const std::string& title) {
    progress_.Interrupt();
    messages_.push_back(vantrel::MessageLine(text, title));
    std::fprintf(stderr, "%s\n", messages_.back().c_str());
  });
}

void RunConsole::Finish() {
  progress_.Finish();
  vantrel::SetProgressTotalHandler(nullptr);
}

RunConsole::~RunConsole() {
  vantrel::SetProgressTotalHandler(nullptr);
  vantrel::SetMessageHandler(nullptr);
}

}  // namespace vantrel_tool
