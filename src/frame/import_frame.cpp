#include "frame/import_frame.h"

#include <exception>

#include "frame/module_state.h"
#include "frame/processer_state.h"
#include "platform/common/error.h"
#include "platform/dao/connection.h"

namespace vantrel {
namespace {

constexpr const char* kRolledBack =
    "The import ended on an error and was rolled back: nothing of it was written.";

// Shows a message; false when the host's handler threw, which ends the import
// as a failure like any other error.
bool Say(const std::string& text, const Voice& voice) {
  try {
    ShowMessage(text, voice.style, voice.title);
    return true;
  } catch (...) {
    return false;
  }
}

// Rolls back whatever transaction the import still has open.
void RollBackAll(ProcesserState& s) {
  try {
    Connection& conn = TargetConnection();
    if (conn.State() != Connection::kOpen || conn.TransactionDepth() == 0) return;
    while (conn.TransactionDepth() > 0) conn.RollbackTrans();
    s.rolled_back = true;
  } catch (...) {
    // The connection is closed with the next import or CloseConn.
  }
}

// Ends the import's own transaction, if it has one: an atomic import that
// ended without an error is committed; anything else is rolled back whole.
// False when the end itself failed or could not be reported.
bool EndRun(ProcesserState& s, bool failed, const Voice& voice) {
  Connection& conn = TargetConnection();
  if (conn.State() != Connection::kOpen || conn.TransactionDepth() == 0) return true;
  const bool keep = s.transaction_mode == transAtomic && !failed;
  bool ended = true;
  try {
    if (keep)
      conn.CommitTrans();
    else
      while (conn.TransactionDepth() > 0) conn.RollbackTrans();
  } catch (const std::exception& e) {
    ended = false;
    s.error_flag = true;
    if (!Say(e.what(), voice)) return false;
  }
  if (keep && ended) return true;
  s.rolled_back = true;
  // Of an atomic run that failed nothing stays: no count may say otherwise.
  // A dry run keeps its counts: they say what a real run would write.
  if (s.transaction_mode == transAtomic) {
    s.rows_imported = 0;
    for (KindCount& c : s.counts) c.written = 0;
  }
  if (s.transaction_mode == transAtomic) return Say(kRolledBack, voice) && ended;
  return ended;
}

}  // namespace

StepVoice::StepVoice(ProcesserState& s, Voice voice)
    : s_(s), outer_(s.voice), uncaught_(std::uncaught_exceptions()) {
  s_.voice = std::move(voice);
}

StepVoice::~StepVoice() {
  if (std::uncaught_exceptions() > uncaught_) return;
  s_.voice = std::move(outer_);
  s_.sheet_row = 0;
}

OnFailure::OnFailure(ProcesserState& s, std::function<void()> undo)
    : s_(s), uncaught_(std::uncaught_exceptions()) {
  s_.failure_work.push_back(std::move(undo));
}

OnFailure::~OnFailure() {
  if (std::uncaught_exceptions() > uncaught_) return;
  s_.failure_work.pop_back();
}

std::string FailureText(const ProcesserState& s, const std::string& description,
                        const std::string& column, const std::string& value) {
  std::string text = description;
  if (s.sheet_row > 0) {
    text += " (worksheet row " + std::to_string(s.sheet_row) + " of '" + s.source_file + "'";
    if (!column.empty()) text += ", column '" + column + "', value '" + value + "'";
    text += ")";
  }
  return text + s.voice.note;
}

void RunImportFrame(ProcesserState& s, bool& errOccured, const Voice& voice,
                    const std::function<Outcome()>& body) {
  s.error_flag = false;
  s.rolled_back = false;
  s.rejects.clear();
  s.counts.clear();
  s.failure_work.clear();
  s.voice = voice;
  s.sheet_row = 0;
  bool failed = false;
  bool host_threw = false;
  Outcome outcome = Outcome::kDone;
  try {
    outcome = body();
  } catch (const Error& e) {
    failed = true;
    host_threw = !Say(FailureText(s, e.description(), e.column, e.value), s.voice);
  } catch (const std::exception& e) {
    failed = true;
    host_threw = !Say(FailureText(s, e.what(), "", ""), s.voice);
  } catch (...) {
    // Thrown by the host's own message or progress handler.
    failed = true;
    host_threw = true;
  }
  if (failed) {
    s.error_flag = true;
    // The work registered by the steps the error left, innermost first.
    for (auto it = s.failure_work.rbegin(); it != s.failure_work.rend(); ++it) {
      try {
        (*it)();
      } catch (...) {
        // The message already says what happened.
      }
    }
    s.failure_work.clear();
    try {
      s.log.Close();
    } catch (...) {
      // The import's failure has already been reported.
    }
  }
  s.sheet_row = 0;
  const bool refused = outcome == Outcome::kRefused;
  if (host_threw || !EndRun(s, failed || refused, voice)) {
    s.error_flag = true;
    RollBackAll(s);
    errOccured = true;
    return;
  }
  errOccured =
      failed || refused || s.error_flag || (s.rolled_back && s.transaction_mode == transAtomic);
}

}  // namespace vantrel
