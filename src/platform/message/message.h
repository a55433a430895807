#pragma once

#include <string>

#include "vantrel/host.h"

namespace vantrel {

// Message box styles the component uses.
namespace msgstyle {
constexpr int kOkOnly = 0;
constexpr int kExclamation = 48;
constexpr int kInformation = 64;
}  // namespace msgstyle

// Calls the process-wide message handler (vantrel/host.h).
void ShowMessage(const std::string& text, int style, const std::string& title);

}  // namespace vantrel

namespace vantrel {

// Calls the handler for every 1,000th item.
void ReportProgress(const std::string& what, long done);

}  // namespace vantrel
