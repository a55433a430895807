/* The C interface of Vantrel: create a DependProcesser, set its properties,
 * call its import methods through a function table (or the plain functions
 * below it, which languages without structs of function pointers call
 * directly), release it. */
#ifndef VANTREL_VANTREL_H
#define VANTREL_VANTREL_H

#include <stddef.h>
#include <stdint.h>

#include "vantrel/export.h"
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

typedef struct VantrelMapEntry {
  const char* column; /* worksheet column */
  const char* field;  /* target field or keyword */
} VantrelMapEntry;

/* Members in the interface order, TargetDataBase first, ImportOS last.
 * Texts returned stay valid until the next call on the same object.
 * Import methods take an int used as a Boolean (0 False, non-zero True).
 * Functions returning int give 0 on success and -1 on an error whose text
 * vantrel_last_error() returns. */
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
} VantrelDependProcesserVtbl;

struct VantrelObject {
  const VantrelDependProcesserVtbl* vtbl;
};

/* Creates an object by programmatic identifier or class identifier; NULL for an unknown one. */
VANTREL_API VantrelObject* vantrel_create(const char* id);
VANTREL_API void vantrel_release(VantrelObject* object);
/* Non-zero when no object is alive. */
VANTREL_API int vantrel_can_unload(void);

/* Message boxes: text, style (0 plain, 48 warning, 64 information, 112 both)
 * and title. The import waits for the handler to return. */
typedef void (*VantrelMessageHandler)(const char* text, int style, const char* title, void* user);
/* NULL restores the default handler (one line on standard error). */
VANTREL_API void vantrel_set_message_handler(VantrelMessageHandler handler, void* user);

/* Every statement and query sent to a target database; NULL stops the trace. */
typedef void (*VantrelTraceHandler)(const char* sql, void* user);
VANTREL_API void vantrel_set_sql_trace(VantrelTraceHandler handler, void* user);

/* How far a long import has come (every 1,000th row or record); NULL: no reports. */
typedef void (*VantrelProgressHandler)(const char* what, long done, void* user);
VANTREL_API void vantrel_set_progress_handler(VantrelProgressHandler handler, void* user);

/* The text of the last error a function of this interface reported, on this thread. */
VANTREL_API const char* vantrel_last_error(void);

/* The version of the library that runs (VANTREL_VERSION is the headers'). */
VANTREL_API const char* vantrel_version(void);

/* New, empty company databases from the built-in template: a single-user file,
 * or a database on a server ("host" or "host:port"). An existing one is
 * refused. 0 on success, -1 with vantrel_last_error(). */
VANTREL_API int vantrel_create_company_file(const char* path);
VANTREL_API int vantrel_create_company_database(const char* server, const char* database);

/* Plain functions over an object, the same members as the function table.
 * Properties are named as in the table: texts "TargetDataBase", "SourceFile",
 * "Server" (and "LogPath" to read); numbers "TargetType", "SourceType",
 * "TransactionMode". Setters give 0, or -1 with vantrel_last_error() for an
 * unknown name or a NULL Server; vantrel_get_text gives NULL for an unknown name. */
VANTREL_API int vantrel_set_text(VantrelObject* object, const char* property, const char* value);
VANTREL_API const char* vantrel_get_text(VantrelObject* object, const char* property);
VANTREL_API int vantrel_set_int(VantrelObject* object, const char* property, int32_t value);

/* Sets MapInfo from a mapping file (lines of "worksheet column,target field").
 * 0, or -1 with vantrel_last_error() naming the file and line; MapInfo stays. */
VANTREL_API int vantrel_load_map_file(VantrelObject* object, const char* path);

/* Runs one import, named by its method ("ImportAccountHeads") or its kind
 * ("account-heads"; also accounts, products, depots, product-groups, batches,
 * opening-stock). 0 when it ran, its outcome in *errOccured as with the table;
 * -1 with vantrel_last_error() for an unknown name (nothing ran). */
VANTREL_API int vantrel_import(VantrelObject* object, const char* kind, int* errOccured);
/* CloseConn: 0, or -1 with vantrel_last_error(). */
VANTREL_API int vantrel_close_conn(VantrelObject* object);

/* Of the last import, as get_ErrorFlag, get_RowsImported, get_RowsRefused, get_LogPath. */
VANTREL_API int vantrel_error_flag(VantrelObject* object);
VANTREL_API long vantrel_rows_imported(VantrelObject* object);
VANTREL_API long vantrel_rows_refused(VantrelObject* object);
VANTREL_API const char* vantrel_log_path(VantrelObject* object);

#ifdef __cplusplus
}
#endif

#endif /* VANTREL_VANTREL_H */
