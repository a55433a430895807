// How far an import has come, as the tool shows it and keeps it for the report.
#pragma once

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace vantrel_tool {

// One step of an import as the library reported it: a walk over a
// worksheet's rows or over one kind of an export's records.
struct StepRecord {
  std::string what;
  long done = 0;
  long total = 0;
  double seconds = 0;
};

// "12,345": digits in groups of three.
std::string Grouped(long n);
// "0.4 s", "12 s", "3 min 05 s", "1 h 02 min".
std::string Duration(double seconds);

// Shows the library's progress reports on a stream (standard error).
// kBar, for a terminal: one line per step, redrawn in place at most ten times
// a second, with a bar, done and total, percent, rate and time left.
// kLines, for a pipe or a file: one plain line per step as it ends, no
// control characters. kQuiet: nothing. Every mode keeps the steps.
class ProgressDisplay {
 public:
  enum class Mode { kBar, kLines, kQuiet };
  using Clock = std::chrono::steady_clock;

  // `unit` names the items in the rate ("rows", "records").
  ProgressDisplay(std::FILE* out, Mode mode, std::string unit);

  void Update(const std::string& what, long done, long total);
  // Clears the bar before a message is printed; the next report draws it again.
  void Interrupt();
  // Ends the step under way: its last state stays on screen.
  void Finish();

  const std::vector<StepRecord>& Steps() const { return steps_; }

 private:
  void EndStep();
  void Draw(bool final_state);
  std::string Line(bool final_state, size_t width) const;
  size_t Width() const;

  std::FILE* out_;
  Mode mode_;
  std::string unit_;
  std::vector<StepRecord> steps_;
  bool open_ = false;   // a step is under way
  bool drawn_ = false;  // the bar's line is on screen
  Clock::time_point started_;
  Clock::time_point last_draw_;
};

}  // namespace vantrel_tool
