#pragma once

#include <string>

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

// Calls the handler for every 1,000th item.
void ReportProgress(const std::string& what, long done);

}  // namespace vantrel
