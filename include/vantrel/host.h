#pragma once

// What a host program sets for the whole process: where messages, progress
// reports, the statement trace and the import logs go, the limits on sources
// and targets, and how new company databases are made. None of these
// functions throws, except std::bad_alloc where one returns a new string.

#include <cstdint>
#include <functional>
#include <string>

#include "vantrel/export.h"
#include "vantrel/message_style.h"
#include "vantrel/version.h"

namespace vantrel {

// The version of the library that runs (VANTREL_VERSION names the headers').
VANTREL_API const char* Version();

// The style of a message: what a message box would have shown beside its text
// (VANTREL_MSG_* in C, same values).
constexpr int kMessagePlain = VANTREL_MSG_PLAIN;                             // 0
constexpr int kMessageWarning = VANTREL_MSG_WARNING;                         // 48
constexpr int kMessageInformation = VANTREL_MSG_INFORMATION;                 // 64
constexpr int kMessageWarningInformation = VANTREL_MSG_WARNING_INFORMATION;  // 112, both

// A modal message box becomes a call of the process-wide handler; the import
// waits for it to return. `style` is one of the kMessage* values.
using MessageHandler =
    std::function<void(const std::string& text, int style, const std::string& title)>;

// A message as one line: "<title>: <text>", or "<text>" when the title is
// empty; line breaks inside the text become blanks.
VANTREL_API std::string MessageLine(const std::string& text, const std::string& title);

// Sets the handler; an empty one restores the default (MessageLine on standard error).
VANTREL_API void SetMessageHandler(MessageHandler handler);

// Long imports report how far they have come (rows or records handled so far,
// every 1,000th); no handler: nothing is reported.
using ProgressHandler = std::function<void(const std::string& what, long done)>;
VANTREL_API void SetProgressHandler(ProgressHandler handler);

// How far the step under way has come, with its size: `done` of `total` items
// handled. A step is one walk over a worksheet's rows ("worksheet rows") or
// over one kind of an export's staged records ("account groups", "ledgers",
// "stock groups", "stock items", "depots"). Each step is reported once with
// done 0 as it starts, then after every item (a host throttles its display),
// and ends with done equal to total unless an error stops it. Independent of
// the handler above; an empty one stops the reports.
using ProgressTotalHandler = std::function<void(const std::string& what, long done, long total)>;
VANTREL_API void SetProgressTotalHandler(ProgressTotalHandler handler);

// Receives every statement and query sent to a target database (not to a
// workbook); an empty sink stops the trace.
using SqlTraceSink = std::function<void(const std::string&)>;
VANTREL_API void SetSqlTrace(SqlTraceSink sink);

// The most bytes a source may hold: an XML export's or a workbook's file size,
// and for an .xlsx workbook also its parts once uncompressed and the table a
// sheet makes. Hosts raise it for unusually large sources.
constexpr uint64_t kDefaultMaxSourceSize = uint64_t{256} << 20;
VANTREL_API uint64_t MaxSourceSize();
VANTREL_API void SetMaxSourceSize(uint64_t bytes);

// How the targets of imports are reached: how long an import waits for
// another one that holds its target, and the server's network timeouts. The
// defaults never cut a healthy import short.
struct TargetTimeouts {
  int lock_wait_seconds = 30;
  int connect_seconds = 10;
  // One statement's answer (read) or sending one statement (write).
  int read_seconds = 120;
  int write_seconds = 120;
};
VANTREL_API TargetTimeouts GetTargetTimeouts();
VANTREL_API void SetTargetTimeouts(const TargetTimeouts& timeouts);

// The folder the workbook imports write their logs into. A folder set here
// wins over the environment variable VANTREL_LOG_DIR; an empty one (the
// default) hands the choice back to VANTREL_LOG_DIR, else the current folder.
// LogFolder() is the folder the next log goes to, whichever decided it.
VANTREL_API void SetLogFolder(std::string path);
VANTREL_API std::string LogFolder();

// Creates a new, empty single-user company file from the built-in template.
// An existing file is refused. False, with the reason in `error`, when it
// cannot be made.
[[nodiscard]] VANTREL_API bool InitCompanyFile(const std::string& path, std::string& error);

// Creates a new, empty company database on a server ("host" or "host:port")
// from the built-in template. An existing database is refused. False, with
// the reason in `error`, when it cannot be made.
[[nodiscard]] VANTREL_API bool InitCompanyDatabase(const std::string& server,
                                                   const std::string& database, std::string& error);

}  // namespace vantrel
