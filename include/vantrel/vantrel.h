/* The C interface of Vantrel: create a DependProcesser, set its properties,
 * call its import methods through a function table (or the plain functions
 * below it, which languages without structs of function pointers call
 * directly), release it.
 *
 * No function of this interface lets an exception out: each one that fails,
 * running out of memory included, gives -1 (or NULL) and leaves the reason in
 * vantrel_last_error() ("Out of memory" for an allocation failure). A
 * property setter, which returns nothing, leaves the reason there and the
 * property as it was; an import method sets its errOccured to 1.
 *
 * Compatibility: the library's SONAME (libvantrel.so.0) changes only when
 * something is removed or changes meaning. A new minor version may add
 * functions and append members to the end of VantrelDependProcesserVtbl;
 * members never move. A host that uses a member added after 0.1 checks first
 * that the library it runs with has it: vantrel_version_number() at least the
 * version that added it (the table's comments say which). */
#ifndef VANTREL_VANTREL_H
#define VANTREL_VANTREL_H

#include <stddef.h>
#include <stdint.h>

#include "vantrel/export.h"
#include "vantrel/message_style.h"
#include "vantrel/version.h"

#ifdef __cplusplus
extern "C" {
#endif

#define VANTREL_PROGID "Vantrel.DependProcesser"
#define VANTREL_CLSID "{6798C066-E4BE-4128-968F-C5144D462353}"

/* Transaction modes: each statement on its own (the default), the whole
 * import or nothing of it, or a dry run that is always rolled back. */
#define VANTREL_TRANS_PER_STATEMENT 0
#define VANTREL_TRANS_ATOMIC 1
#define VANTREL_TRANS_DRY_RUN 2

typedef struct VantrelObject VantrelObject;

/* A record of an export, or a row of a worksheet, that an import did not write. */
typedef struct VantrelRejectedRecord {
  const char* kind;   /* the export's element (GROUP, LEDGER, STOCKGROUP, STOCKITEM,
                       * GODOWN), or for a worksheet row the import's kind */
  const char* name;   /* as read, trimmed and cut to the column's length */
  const char* parent; /* its PARENT text; empty for godowns and worksheet rows */
  const char* reason; /* in plain words: "parent is empty", "already exists", ... */
  long row;           /* worksheet row as the sheet numbers it (the header is row
                       * HeaderRow); 0 for an export record */
  const char* column; /* the worksheet column whose cell refused the row, if one did */
  const char* value;  /* that cell's text */
  const char* source; /* of a migration: the source file (added in 0.4) */
} VantrelRejectedRecord;

typedef struct VantrelMapEntry {
  const char* column; /* worksheet column */
  const char* field;  /* target field or keyword */
} VantrelMapEntry;

/* Members in the interface order, TargetDataBase first, ImportOS last, then
 * the members added since, each at the end: the order never changes.
 * Texts returned stay valid until the next call on the same object.
 * Import methods take a pointer to an int used as a Boolean and always assign
 * it: 1 when the import failed, 0 when it succeeded (refused rows or records
 * are not failures). Functions returning int give 0 on success and -1 on an
 * error whose text vantrel_last_error() returns. */
typedef struct VantrelDependProcesserVtbl {
  const char* (*get_TargetDataBase)(VantrelObject* self);
  void (*put_TargetDataBase)(VantrelObject* self, const char* value);
  const char* (*get_SourceFile)(VantrelObject* self);
  void (*put_SourceFile)(VantrelObject* self, const char* value);
  /* Entries from index 0; index 0 is never read. */
  size_t (*get_MapInfo)(VantrelObject* self, const VantrelMapEntry** entries);
  void (*put_MapInfo)(VantrelObject* self, const VantrelMapEntry* entries, size_t count);
  int32_t (*get_TargetType)(VantrelObject* self);
  void (*put_TargetType)(VantrelObject* self, int32_t value);
  int32_t (*get_SourceType)(VantrelObject* self);
  void (*put_SourceType)(VantrelObject* self, int32_t value);
  void (*ImportAccounts)(VantrelObject* self, int* errOccured);
  void (*ImportProducts)(VantrelObject* self, int* errOccured);
  void (*ImportDepots)(VantrelObject* self, int* errOccured);
  int (*CloseConn)(VantrelObject* self);
  const char* (*get_Server)(VantrelObject* self);
  int (*put_Server_text)(VantrelObject* self, const char* value);
  int (*put_Server_number)(VantrelObject* self, double value);
  int (*put_Server_null)(VantrelObject* self);
  void (*ImportAccountHeads)(VantrelObject* self, int* errOccured);
  void (*ImportProductGr)(VantrelObject* self, int* errOccured);
  void (*ImportBatch)(VantrelObject* self, int* errOccured);
  void (*ImportOS)(VantrelObject* self, int* errOccured);
  /* Added after the interface's own members; their order above stays. */
  int32_t (*get_TransactionMode)(VantrelObject* self); /* VANTREL_TRANS_* */
  void (*put_TransactionMode)(VantrelObject* self, int32_t value);
  /* Of the last import: 1 when its own steps hit an error, else 0. */
  int (*get_ErrorFlag)(VantrelObject* self);
  /* Of the last workbook import: rows written and refused; of the last
   * markup import: records written and skipped. */
  long (*get_RowsImported)(VantrelObject* self);
  long (*get_RowsRefused)(VantrelObject* self);
  /* The log of the last workbook import; empty when it wrote none. */
  const char* (*get_LogPath)(VantrelObject* self);
  /* Added in 0.2 (vantrel_version_number() >= 200). */
  /* 1 when the last import was rolled back as a whole (a dry run, or an
   * atomic import that ended on an error): nothing of it is in the target. */
  int (*get_RolledBack)(VantrelObject* self);
  /* What the last import refused: of an export each skipped record, of a
   * workbook each refused row. get_Reject gives record `index` (from 0), or
   * NULL with vantrel_last_error() past the end; the record stays valid until
   * the next get_Reject on the object, its texts until the next import. */
  size_t (*get_RejectCount)(VantrelObject* self);
  const VantrelRejectedRecord* (*get_Reject)(VantrelObject* self, size_t index);
  /* Added in 0.3 (vantrel_version_number() >= 300). */
  /* The worksheet row holding the column names (1, the default, is the first
   * row); the rows above it are skipped. A value below 1 counts as 1. */
  int32_t (*get_HeaderRow)(VantrelObject* self);
  void (*put_HeaderRow)(VantrelObject* self, int32_t value);
  /* Added in 0.4 (vantrel_version_number() >= 400). */
  /* Runs the migration a plan file describes (lines "KIND,FILE[,MAP[,HEADER_ROW]]",
   * "as-of,YYYY-MM-DD"), all in one transaction, or as a dry run when
   * TransactionMode is VANTREL_TRANS_DRY_RUN. A plan that cannot be read is a
   * failure: *errOccured is 1 and vantrel_last_error() says why. */
  void (*Migrate)(VantrelObject* self, const char* plan_file, int* errOccured);
  /* Of the last migration: the opening trial balance (total debit and credit
   * of the ledgers' opening balances) and the opening stock's value. */
  int (*get_OpeningTotals)(VantrelObject* self, double* debit, double* credit,
                           double* stock_value);
} VantrelDependProcesserVtbl;

struct VantrelObject {
  const VantrelDependProcesserVtbl* vtbl;
};

/* Creates an object by programmatic identifier or class identifier; NULL for an unknown one. */
VANTREL_API VantrelObject* vantrel_create(const char* id);
VANTREL_API void vantrel_release(VantrelObject* object);
/* Non-zero when no object is alive. */
VANTREL_API int vantrel_can_unload(void);

/* Message boxes: text, style (VANTREL_MSG_*) and title. The import waits for
 * the handler to return. */
typedef void (*VantrelMessageHandler)(const char* text, int style, const char* title, void* user);
/* NULL restores the default handler (one line on standard error). */
VANTREL_API void vantrel_set_message_handler(VantrelMessageHandler handler, void* user);

/* Every statement and query sent to a target database; NULL stops the trace. */
typedef void (*VantrelTraceHandler)(const char* sql, void* user);
VANTREL_API void vantrel_set_sql_trace(VantrelTraceHandler handler, void* user);

/* How far a long import has come (every 1,000th row or record); NULL: no reports. */
typedef void (*VantrelProgressHandler)(const char* what, long done, void* user);
VANTREL_API void vantrel_set_progress_handler(VantrelProgressHandler handler, void* user);

/* How far the step under way has come, with its size: `done` of `total` rows
 * of a worksheet or staged records of one kind of an export. Each step starts
 * with done 0, is reported after every row or record and ends with done equal
 * to total unless an error stops it. Independent of the handler above; NULL:
 * no reports. */
typedef void (*VantrelProgressTotalHandler)(const char* what, long done, long total, void* user);
VANTREL_API void vantrel_set_progress_total_handler(VantrelProgressTotalHandler handler,
                                                    void* user);

/* The text of the last error a function of this interface reported, on this thread. */
VANTREL_API const char* vantrel_last_error(void);

/* The version of the library that runs (VANTREL_VERSION is the headers'), as
 * text and as a number like VANTREL_VERSION_NUMBER (0.2.0 is 200). */
VANTREL_API const char* vantrel_version(void);
VANTREL_API long vantrel_version_number(void);

/* Process-wide settings, as in vantrel/host.h. */

/* The folder the workbook imports write their logs into. One set here wins
 * over the environment variable VANTREL_LOG_DIR; NULL or "" (the default)
 * hands the choice back to VANTREL_LOG_DIR, else the current folder.
 * vantrel_log_folder gives the folder the next log goes to (valid until the
 * thread's next call of it), or NULL with vantrel_last_error(). */
VANTREL_API int vantrel_set_log_folder(const char* path);
VANTREL_API const char* vantrel_log_folder(void);

/* The most bytes a source may hold (default 268435456, 256 MiB): an export's
 * or a workbook's file size, an .xlsx uncompressed, the table a sheet makes. */
VANTREL_API uint64_t vantrel_max_source_size(void);
VANTREL_API void vantrel_set_max_source_size(uint64_t bytes);

/* How the targets are reached: how long an import waits for another one that
 * holds its target, and the server's network timeouts (defaults 30, 10, 120,
 * 120 seconds). Both give 0, or -1 with vantrel_last_error() for NULL. */
typedef struct VantrelTargetTimeouts {
  int lock_wait_seconds;
  int connect_seconds;
  int read_seconds;  /* one statement's answer */
  int write_seconds; /* sending one statement */
} VantrelTargetTimeouts;
VANTREL_API int vantrel_get_target_timeouts(VantrelTargetTimeouts* timeouts);
VANTREL_API int vantrel_set_target_timeouts(const VantrelTargetTimeouts* timeouts);

/* The import methods by name, in the order of the function table. */
typedef struct VantrelImportKind {
  const char* name;        /* "accounts", "account-heads", ... (the tool's KIND) */
  const char* method;      /* "ImportAccounts", "ImportAccountHeads", ... */
  int reads_export;        /* 1 when it reads an XML export */
  int reads_workbook;      /* 1 when it reads a workbook */
  const char* description; /* what it imports, in a line */
} VantrelImportKind;
/* Sets *kinds to the list (valid for the life of the process) and gives its length. */
VANTREL_API size_t vantrel_import_kinds(const VantrelImportKind** kinds);

/* New, empty company databases from the built-in template: a single-user file,
 * or a database on a server ("host" or "host:port"). An existing one is
 * refused. 0 on success, -1 with vantrel_last_error(). */
VANTREL_API int vantrel_create_company_file(const char* path);
VANTREL_API int vantrel_create_company_database(const char* server, const char* database);

/* Plain functions over an object, the same members as the function table.
 * Properties are named as in the table: texts "TargetDataBase", "SourceFile",
 * "Server" (and "LogPath" to read); numbers "TargetType", "SourceType",
 * "TransactionMode", "HeaderRow". Setters give 0, or -1 with
 * vantrel_last_error() for an unknown name or a NULL Server; vantrel_get_text
 * gives NULL and vantrel_get_int -1 for an unknown name (vantrel_get_int
 * added in 0.3). */
VANTREL_API int vantrel_set_text(VantrelObject* object, const char* property, const char* value);
VANTREL_API const char* vantrel_get_text(VantrelObject* object, const char* property);
VANTREL_API int vantrel_set_int(VantrelObject* object, const char* property, int32_t value);
VANTREL_API int32_t vantrel_get_int(VantrelObject* object, const char* property);

/* Sets MapInfo from a mapping file (lines of "worksheet column,target field").
 * 0, or -1 with vantrel_last_error() naming the file and line; MapInfo stays. */
VANTREL_API int vantrel_load_map_file(VantrelObject* object, const char* path);

/* Runs one import, named by its method ("ImportAccountHeads") or its kind
 * ("account-heads"; vantrel_import_kinds lists them all). 0 when it ran, its
 * outcome in *errOccured as with the table; -1 with vantrel_last_error() for
 * an unknown name (nothing ran, *errOccured untouched), or for a call that
 * could not finish (out of memory; *errOccured is then 1). */
VANTREL_API int vantrel_import(VantrelObject* object, const char* kind, int* errOccured);
/* Runs the migration a plan file describes, as the table's Migrate (added in
 * 0.4). 0 when it ran, its outcome in *errOccured; -1 with
 * vantrel_last_error() when the plan could not be read (nothing ran,
 * *errOccured is 1). */
VANTREL_API int vantrel_migrate(VantrelObject* object, const char* plan_file, int* errOccured);
/* CloseConn: 0, or -1 with vantrel_last_error(). */
VANTREL_API int vantrel_close_conn(VantrelObject* object);

/* Of the last import, as get_ErrorFlag, get_RowsImported, get_RowsRefused,
 * get_LogPath, get_RolledBack, get_RejectCount and get_Reject. */
VANTREL_API int vantrel_error_flag(VantrelObject* object);
VANTREL_API long vantrel_rows_imported(VantrelObject* object);
VANTREL_API long vantrel_rows_refused(VantrelObject* object);
VANTREL_API const char* vantrel_log_path(VantrelObject* object);
VANTREL_API int vantrel_rolled_back(VantrelObject* object);
VANTREL_API size_t vantrel_reject_count(VantrelObject* object);
VANTREL_API const VantrelRejectedRecord* vantrel_reject(VantrelObject* object, size_t index);

#ifdef __cplusplus
}
#endif

#endif /* VANTREL_VANTREL_H */
