#pragma once

#include <cstddef>
#include <string>
#include <utility>

#include "vantrel/host.h"

namespace vantrel {

// Message box styles the component uses: the public ones (vantrel/host.h)
// under the names of the message boxes they stand for.
namespace msgstyle {
constexpr int kOkOnly = kMessagePlain;
constexpr int kExclamation = kMessageWarning;
constexpr int kInformation = kMessageInformation;
static_assert(kExclamation + kInformation == kMessageWarningInformation);
}  // namespace msgstyle

// Calls the process-wide message handler (vantrel/host.h).
void ShowMessage(const std::string& text, int style, const std::string& title);

}  // namespace vantrel

namespace vantrel {

// Reports `done` of `total` items of the step `what`: to the handler with a
// total every time, to the one without for every 1,000th item.
void ReportProgress(const std::string& what, long done, long total);

// A step that counts its items one by one: reports its start on construction
// and each item handled.
class ProgressStep {
 public:
  ProgressStep(std::string what, size_t total)
      : what_(std::move(what)), total_(static_cast<long>(total)) {
    ReportProgress(what_, 0, total_);
  }
  void Handled() { ReportProgress(what_, ++done_, total_); }

 private:
  std::string what_;
  long total_;
  long done_ = 0;
};

}  // namespace vantrel
