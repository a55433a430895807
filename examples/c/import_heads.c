/* Imports the account heads of a workbook into a new company file through the
 * C interface. Build: cc import_heads.c $(pkg-config --cflags --libs vantrel)
 * Run: ./a.out heads.xls heads-map.csv company.db */
#include <stdio.h>
#include <vantrel/vantrel.h>

static void show(const char* text, int style, const char* title, void* user) {
  (void)user;
  fprintf(stderr, "%s%s%s%s\n", (style & VANTREL_MSG_WARNING) ? "warning: " : "", title,
          *title ? ": " : "", text);
}

int main(int argc, char** argv) {
  if (argc != 4) {
    fprintf(stderr, "usage: %s WORKBOOK MAPFILE NEW_COMPANY_FILE\n", argv[0]);
    return 2;
  }
  printf("vantrel %s (headers %s)\n", vantrel_version(), VANTREL_VERSION);
  vantrel_set_message_handler(show, NULL);
  if (vantrel_create_company_file(argv[3]) != 0) {
    fprintf(stderr, "cannot create %s: %s\n", argv[3], vantrel_last_error());
    return 1;
  }
  VantrelObject* o = vantrel_create(VANTREL_PROGID);
  const VantrelDependProcesserVtbl* v = o->vtbl;
  v->put_TargetType(o, 0); /* single-user company file */
  v->put_TargetDataBase(o, argv[3]);
  v->put_SourceType(o, 2); /* workbook */
  v->put_SourceFile(o, argv[1]);
  if (vantrel_load_map_file(o, argv[2]) != 0) {
    fprintf(stderr, "%s\n", vantrel_last_error());
    vantrel_release(o);
    return 1;
  }
  int err = 0;
  v->ImportAccountHeads(o, &err);
  printf("%ld rows imported, %ld rows refused, log: %s\n", v->get_RowsImported(o),
         v->get_RowsRefused(o), v->get_LogPath(o));
  /* The refused rows, where the library lists them (members added in 0.2). */
  if (vantrel_version_number() >= 200) {
    size_t count = v->get_RejectCount(o);
    for (size_t i = 0; i < count; ++i) {
      const VantrelRejectedRecord* r = v->get_Reject(o, i);
      printf("refused: row %ld, %s: %s\n", r->row, r->name, r->reason);
    }
  }
  if (v->CloseConn(o) != 0) {
    fprintf(stderr, "closing %s: %s\n", argv[3], vantrel_last_error());
    err = 1;
  }
  vantrel_release(o);
  return err ? 1 : 0;
}
