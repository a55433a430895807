#include "platform/message/message.h"

#include <cstdio>

namespace vantrel {
namespace {

MessageHandler& Handler() {
  static MessageHandler handler;
  return handler;
}

void DefaultHandler(const std::string& text, int, const std::string& title) {
  if (title.empty())
    std::fprintf(stderr, "%s\n", text.c_str());
  else
    std::fprintf(stderr, "%s: %s\n", title.c_str(), text.c_str());
  std::fflush(stderr);
}

}  // namespace

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

}  // namespace

void SetProgressHandler(ProgressHandler handler) { Progress() = std::move(handler); }

void ReportProgress(const std::string& what, long done) {
  if (Progress() && done > 0 && done % 1000 == 0) Progress()(what, done);
}

}  // namespace vantrel
