#include "progress.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <utility>

namespace vantrel_tool {
namespace {

constexpr auto kRedrawEvery = std::chrono::milliseconds(100);
constexpr size_t kBarCells = 30;
constexpr size_t kFewestBarCells = 8;
// A rate measured over less time than this says nothing yet.
constexpr double kShortestRateSeconds = 0.05;

double SecondsSince(ProgressDisplay::Clock::time_point start) {
  return std::chrono::duration<double>(ProgressDisplay::Clock::now() - start).count();
}

int Percent(long done, long total) {
  if (total <= 0) return 100;
  return static_cast<int>(std::clamp(done, 0L, total) * 100 / total);
}

// Items per second, or a negative number while too little time has passed.
double Rate(const StepRecord& step) {
  if (step.seconds < kShortestRateSeconds) return -1;
  return static_cast<double>(step.done) / step.seconds;
}

std::string RateText(const StepRecord& step, const std::string& unit) {
  const double rate = Rate(step);
  return (rate < 0 ? std::string("--") : Grouped(std::lround(rate))) + " " + unit + "/s";
}

// "0:07", "12:30", "1:02:03".
std::string ClockText(double seconds) {
  const long s = std::lround(seconds);
  char text[32];
  if (s >= 3600)
    std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60);
  else
    std::snprintf(text, sizeof text, "%ld:%02ld", s / 60, s % 60);
  return text;
}

std::string TimeLeft(const StepRecord& step) {
  const double rate = Rate(step);
  if (rate <= 0) return "--:-- left";
  return ClockText(static_cast<double>(std::max(0L, step.total - step.done)) / rate) + " left";
}

}  // namespace

std::string Grouped(long n) {
  std::string digits = std::to_string(n < 0 ? -n : n);
  std::string text;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) text += ',';
    text += digits[i];
  }
  return n < 0 ? "-" + text : text;
}

std::string Duration(double seconds) {
  char text[48];
  if (seconds < 1) {
    std::snprintf(text, sizeof text, "%.2f s", seconds);
  } else if (seconds < 10) {
    std::snprintf(text, sizeof text, "%.1f s", seconds);
  } else if (seconds < 60) {
    std::snprintf(text, sizeof text, "%ld s", std::lround(seconds));
  } else if (seconds < 3600) {
    const long s = std::lround(seconds);
    std::snprintf(text, sizeof text, "%ld min %02ld s", s / 60, s % 60);
  } else {
    const long m = std::lround(seconds / 60);
    std::snprintf(text, sizeof text, "%ld h %02ld min", m / 60, m % 60);
  }
  return text;
}

ProgressDisplay::ProgressDisplay(std::FILE* out, Mode mode, std::string unit)
    : out_(out), mode_(mode), unit_(std::move(unit)) {}

void ProgressDisplay::Update(const std::string& what, long done, long total) {
  // Every step starts with a report of nothing done yet.
  if (!open_ || done == 0 || what != steps_.back().what) {
    EndStep();
    steps_.push_back({what, done, total, 0});
    started_ = Clock::now();
    last_draw_ = Clock::time_point{};
    open_ = true;
  }
  StepRecord& step = steps_.back();
  step.done = done;
  step.total = total;
  if (mode_ != Mode::kBar || total <= 0) return;
  const Clock::time_point now = Clock::now();
  if (now - last_draw_ < kRedrawEvery) return;
  step.seconds = SecondsSince(started_);
  Draw(false);
  last_draw_ = now;
}

void ProgressDisplay::Interrupt() {
  if (!drawn_) return;
  std::fputs("\r\033[K", out_);
  std::fflush(out_);
  drawn_ = false;
  last_draw_ = Clock::time_point{};  // drawn again at the next report
}

void ProgressDisplay::Finish() { EndStep(); }

void ProgressDisplay::EndStep() {
  if (!open_) return;
  open_ = false;
  StepRecord& step = steps_.back();
  step.seconds = SecondsSince(started_);
  if (step.total <= 0) return;
  if (mode_ == Mode::kBar) {
    Draw(true);
  } else if (mode_ == Mode::kLines) {
    // A rate over a moment says nothing and is left out.
    const std::string rate = Rate(step) < 0 ? "" : ", " + RateText(step, unit_);
    std::fprintf(out_, "%s: %s of %s (%d%%) in %s%s\n", step.what.c_str(),
                 Grouped(step.done).c_str(), Grouped(step.total).c_str(),
                 Percent(step.done, step.total), Duration(step.seconds).c_str(), rate.c_str());
    std::fflush(out_);
  }
}

void ProgressDisplay::Draw(bool final_state) {
  std::fprintf(out_, "\r%s\033[K%s", Line(final_state, Width()).c_str(), final_state ? "\n" : "");
  std::fflush(out_);
  drawn_ = !final_state;
}

// "ledgers [#######-------] 9,000/20,000  45%  3,210 rows/s  0:03 left", cut
// to the terminal's width less one column so it never wraps.
std::string ProgressDisplay::Line(bool final_state, size_t width) const {
  const StepRecord& step = steps_.back();
  const int percent = Percent(step.done, step.total);
  char pct[8];
  std::snprintf(pct, sizeof pct, "%3d%%", percent);
  const std::string tail = " " + Grouped(step.done) + "/" + Grouped(step.total) + "  " + pct +
                           "  " + RateText(step, unit_) + "  " +
                           (final_state ? "in " + Duration(step.seconds) : TimeLeft(step));
  const size_t room = width > 1 ? width - 1 : 0;
  std::string line = step.what;
  const size_t used = line.size() + tail.size() + 3;  // " [" and "]"
  if (used + kFewestBarCells <= room) {
    const size_t cells = std::min(kBarCells, room - used);
    const size_t filled = cells * static_cast<size_t>(percent) / 100;
    line += " [" + std::string(filled, '#') + std::string(cells - filled, '-') + "]";
  }
  line += tail;
  if (line.size() > room) line.resize(room);
  return line;
}

size_t ProgressDisplay::Width() const {
  winsize size{};
  if (ioctl(fileno(out_), TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
  return 80;
}

}  // namespace vantrel_tool
