#pragma once

#include <functional>
#include <string>

namespace vantrel {

// Message box styles the component uses.
namespace msgstyle {
constexpr int kOkOnly = 0;
constexpr int kExclamation = 48;
constexpr int kInformation = 64;
}  // namespace msgstyle

// A modal message box becomes a call of the process-wide handler; the import
// waits for it to return.
using MessageHandler =
    std::function<void(const std::string& text, int style, const std::string& title)>;

// A message as one line: "<title>: <text>", or "<text>" when the title is
// empty; line breaks inside the text become blanks.
std::string MessageLine(const std::string& text, const std::string& title);

// Sets the handler; an empty one restores the default (MessageLine on standard error).
void SetMessageHandler(MessageHandler handler);
void ShowMessage(const std::string& text, int style, const std::string& title);

}  // namespace vantrel

namespace vantrel {

// Long imports report how far they have come (rows or records handled so far);
// the host decides whether and how to show it. No handler: nothing is reported.
using ProgressHandler = std::function<void(const std::string& what, long done)>;
void SetProgressHandler(ProgressHandler handler);
// Calls the handler for every 1,000th item.
void ReportProgress(const std::string& what, long done);

}  // namespace vantrel
