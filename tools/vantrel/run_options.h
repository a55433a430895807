// What the commands that write into a company share: the target options, the
// limits, the files they write, and the progress and messages shown while
// the library works.
#pragma once

#include <CLI/CLI.hpp>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "progress.h"
#include "vantrel/DependProcesser.h"

namespace vantrel_tool {

// A command line the tool cannot run: printed as one line, exit status 2.
struct UsageError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

struct TargetOptions {
  std::string file;
  std::string server;
  std::string database;
  // The company file, or "DATABASE on SERVER".
  std::string Describe() const;
};

// Adds --server and --database (the file option is the command's own).
void AddTargetOptions(CLI::App* cmd, TargetOptions& t);
// --server and --database come together.
void CheckServerTarget(const TargetOptions& t);
// One target: the company file or the server's database.
void CheckOneTarget(const TargetOptions& t);
// Points the processer at the target.
void PointAt(vantrel::DependProcesser& processer, const TargetOptions& t);

// Limits on what a source may hold and on how long the target may keep a run waiting.
struct LimitOptions {
  uint64_t max_source_size = vantrel::kDefaultMaxSourceSize;
  vantrel::TargetTimeouts timeouts{-1};  // a lock wait below 0: not given
};
void AddLimitOptions(CLI::App* cmd, LimitOptions& o);
// Sets the limits process-wide; a --lock-wait not shorter than the server timeout is a usage error.
void ApplyLimits(const LimitOptions& o);

// One CSV field, quoted when it holds a comma, a quote or a line break, or
// starts with '#', which would make its line a comment.
std::string CsvField(const std::string& text);
// "1 row", "2 rows": a summary reads as a sentence.
std::string Count(long n, const char* noun);
// A file opened for writing, truncated; a UsageError "cannot write the WHAT
// 'PATH'" when it cannot be, so a run stops before it writes anything.
std::ofstream OpenOutput(const std::string& path, const std::string& what);

// Appends every statement sent to the target to a file, one per line, while alive.
class SqlTraceFile {
 public:
  explicit SqlTraceFile(const std::string& path);  // nothing traced for an empty path
  ~SqlTraceFile();
  SqlTraceFile(const SqlTraceFile&) = delete;
  SqlTraceFile& operator=(const SqlTraceFile&) = delete;

 private:
  std::ofstream file_;
};

// Shows the library's progress and messages on standard error while alive:
// a bar on a terminal, a line per step elsewhere, nothing when quiet; each
// message on a line of its own, kept for the report.
class RunConsole {
 public:
  RunConsole(bool quiet, const char* unit);
  ~RunConsole();
  RunConsole(const RunConsole&) = delete;
  RunConsole& operator=(const RunConsole&) = delete;

  // Ends the step under way and stops taking progress reports.
  void Finish();
  const std::vector<StepRecord>& Steps() const { return progress_.Steps(); }
  const std::vector<std::string>& Messages() const { return messages_; }

 private:
  ProgressDisplay progress_;
  std::vector<std::string> messages_;
};

}  // namespace vantrel_tool
