#pragma once

#include <functional>
#include <string>
#include <utility>

#include "platform/message/message.h"

namespace vantrel {

struct ProcesserState;

// How a failing step speaks: the title and style of its message, and a note
// that ends the message.
struct Voice {
  Voice(std::string title_ = "", int style_ = msgstyle::kInformation, std::string note_ = "")
      : title(std::move(title_)), style(style_), note(std::move(note_)) {}
  std::string title;
  int style;
  std::string note;
};

// While a step runs, an error it throws is reported in its voice. A step left
// by an error keeps its voice (and its worksheet row) for the frame to report
// with; a step that ends normally gives the enclosing voice back.
class StepVoice {
 public:
  StepVoice(ProcesserState& s, Voice voice);
  ~StepVoice();
  StepVoice(const StepVoice&) = delete;
  StepVoice& operator=(const StepVoice&) = delete;

 private:
  ProcesserState& s_;
  Voice outer_;
  int uncaught_;
};

// Work that must be done if the import ends on an error after this point
// (counts corrected, a closing log line): the frame runs it once it has
// caught the error. A scope that ends normally drops it.
class OnFailure {
 public:
  OnFailure(ProcesserState& s, std::function<void()> undo);
  ~OnFailure();
  OnFailure(const OnFailure&) = delete;
  OnFailure& operator=(const OnFailure&) = delete;

 private:
  ProcesserState& s_;
  int uncaught_;
};

// What an import method's body reports when it returns: done, or refused
// without an error (a source kind the method cannot read).
enum class Outcome { kDone, kRefused };

// The frame of every import method, and the one place where the errors of
// an import are caught. ErrorFlag, the rejects and the counts start afresh.
// A step that throws ends the import: the message is shown once, in the
// step's voice, naming the worksheet row, column and value where known;
// ErrorFlag is set; the row's transaction has already been rolled back, and
// in an atomic run the whole run is. An open log is closed so its tail is not
// lost. errOccured is assigned on every path: true when the import failed.
void RunImportFrame(ProcesserState& s, bool& errOccured, const Voice& voice,
                    const std::function<Outcome()>& body);

// The message text of an error: its description, where it happened, the note.
std::string FailureText(const ProcesserState& s, const std::string& description,
                        const std::string& column, const std::string& value);

}  // namespace vantrel
