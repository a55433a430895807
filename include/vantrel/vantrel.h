/* The C interface of Vantrel: create a DependProcesser, set its properties,
 * call its import methods through a function table, release it. */
#ifndef VANTREL_VANTREL_H
#define VANTREL_VANTREL_H

#include <stddef.h>
#include <stdint.h>

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
} VantrelDependProcesserVtbl;

struct VantrelObject {
  const VantrelDependProcesserVtbl* vtbl;
};

/* Creates an object by programmatic identifier or class identifier; NULL for an unknown one. */
VantrelObject* vantrel_create(const char* id);
void vantrel_release(VantrelObject* object);
/* Non-zero when no object is alive. */
int vantrel_can_unload(void);

typedef void (*VantrelMessageHandler)(const char* text, int style, const char* title, void* user);
/* NULL restores the default handler (one line on standard error). */
void vantrel_set_message_handler(VantrelMessageHandler handler, void* user);

const char* vantrel_last_error(void);

#ifdef __cplusplus
}
#endif

#endif /* VANTREL_VANTREL_H */
