#include "platform/message/message.h"

#include <cstdio>

namespace vantrel {
namespace {

MessageHandler& Handler() {
  static MessageHandler handler;
  return handler;
}

void DefaultHandler(const std::string& text, int, const std::string& title) {
  std::fprintf(stderr, "%s\n", MessageLine(text, title).c_str());
  std::fflush(stderr);
}

}  // namespace

std::string MessageLine(const std::string& text, const std::string& title) {
  std::string line = title.empty() ? text : title + ": " + text;
  for (char& c : line)
    if (c == '\r' || c == '\n') c = ' ';
  return line;
}

void SetMessageHandler(MessageHandler handler) { Handler() = std::move(handler); }

void ShowMessage(const std::string& text, int style, const std::string& title) {
  if (Handler())
    Handler()(text, style, title);
  else
    DefaultHandler(text, style, title);
}

}  // namespace vantrel

namespace vantrel {
namespace {

ProgressHandler& Progress() {
  static ProgressHandler handler;
  return handler;
}

ProgressTotalHandler& ProgressWithTotal() {
  static ProgressTotalHandler handler;
  return handler;
}

}  // namespace

void SetProgressHandler(ProgressHandler handler) { Progress() = std::move(handler); }
void SetProgressTotalHandler(ProgressTotalHandler handler) {
  ProgressWithTotal() = std::move(handler);
}

void ReportProgress(const std::string& what, long done, long total) {
  // Without handlers a report costs two tests: it runs for every row.
  if (ProgressWithTotal()) ProgressWithTotal()(what, done, total);
  if (Progress() && done > 0 && done % 1000 == 0) Progress()(what, done);
}

}  // namespace vantrel
