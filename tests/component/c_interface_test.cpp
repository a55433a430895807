#include <gtest/gtest.h>
#include <sys/stat.h>

#include <new>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include "support/company_fixture.h"
#include "vantrel/DependProcesser.h"
#include "vantrel/vantrel.h"

namespace vantrel {
namespace {

TEST(CInterface, ObjectsAndCompanyFilesAreCreatedOnceAndReleased) {
  VantrelObject* a = vantrel_create("Vantrel.DependProcesser");
  VantrelObject* b = vantrel_create("{6798c066-e4be-4128-968f-c5144d462353}");
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(vantrel_create("Other.Thing"), nullptr);
  EXPECT_TRUE(Holds(vantrel_last_error(), "Other.Thing"));
  EXPECT_EQ(vantrel_can_unload(), 0);
  vantrel_release(a);
  vantrel_release(b);
  EXPECT_EQ(vantrel_can_unload(), 1);
  // A new company file is refused where one exists.
  TempDir dir;
  const std::string db = dir.File("new.db");
  ASSERT_EQ(vantrel_create_company_file(db.c_str()), 0) << vantrel_last_error();
  EXPECT_EQ(vantrel_create_company_file(db.c_str()), -1);
  EXPECT_NE(std::string(vantrel_last_error()), "");
  EXPECT_STREQ(vantrel_version(), VANTREL_VERSION);
  EXPECT_STREQ(Version(), VANTREL_VERSION);
}

TEST(CInterface, PropertiesAndMappingFilesRefuseWhatTheyCannotTake) {
  VantrelObject* o = vantrel_create(VANTREL_PROGID);
  const VantrelDependProcesserVtbl* v = o->vtbl;
  v->put_TargetType(o, 1);
  EXPECT_EQ(v->get_TargetType(o), 1);
  EXPECT_EQ(v->put_Server_number(o, 3306), 0);
  EXPECT_STREQ(v->get_Server(o), "3306");
  EXPECT_EQ(v->put_Server_null(o), -1);
  EXPECT_STREQ(vantrel_last_error(), "Invalid use of Null");
  EXPECT_STREQ(v->get_Server(o), "3306");
  ASSERT_EQ(vantrel_set_text(o, "Server", "db.local:3307"), 0);
  EXPECT_EQ(vantrel_set_text(o, "Server", nullptr), -1);
  EXPECT_STREQ(vantrel_last_error(), "Invalid use of Null");
  EXPECT_STREQ(vantrel_get_text(o, "Server"), "db.local:3307");

  int err = 0;
  EXPECT_EQ(vantrel_import(o, "ledgers", &err), -1);
  EXPECT_STREQ(vantrel_last_error(), "Unknown import: ledgers");
  EXPECT_EQ(vantrel_import(o, nullptr, &err), -1);
  EXPECT_EQ(vantrel_set_text(o, "Target", "x"), -1);
  EXPECT_STREQ(vantrel_last_error(), "Unknown property: Target");
  EXPECT_EQ(vantrel_get_text(o, "Nothing"), nullptr);
  EXPECT_EQ(vantrel_set_int(o, "SourceFile", 1), -1);
  ASSERT_EQ(vantrel_set_int(o, "TransactionMode", VANTREL_TRANS_DRY_RUN), 0);
  EXPECT_EQ(v->get_TransactionMode(o), VANTREL_TRANS_DRY_RUN);
  EXPECT_EQ(v->get_HeaderRow(o), 1);
  ASSERT_EQ(vantrel_set_int(o, "HeaderRow", 3), 0);
  EXPECT_EQ(v->get_HeaderRow(o), 3);
  v->put_HeaderRow(o, 0);  // below 1 counts as 1
  EXPECT_EQ(vantrel_get_int(o, "HeaderRow"), 1);
  EXPECT_EQ(vantrel_get_int(o, "TransactionMode"), VANTREL_TRANS_DRY_RUN);
  EXPECT_EQ(vantrel_get_int(o, "SourceFile"), -1);
  ASSERT_EQ(vantrel_set_text(o, "TargetDataBase", "a.db"), 0);
  EXPECT_STREQ(v->get_TargetDataBase(o), "a.db");
  // A mapping file loads whole or leaves MapInfo as it was.
  TempDir dir;
  const std::string map =
      dir.Write("m.csv", "\xEF\xBB\xBF\"Head, Name\",headname\r\n\r\nParent,underhead\r\n");
  ASSERT_EQ(vantrel_load_map_file(o, map.c_str()), 0);
  const VantrelMapEntry* entries = nullptr;
  ASSERT_EQ(o->vtbl->get_MapInfo(o, &entries), 3u);
  EXPECT_STREQ(entries[1].column, "Head, Name");
  EXPECT_STREQ(entries[2].field, "underhead");
  EXPECT_EQ(vantrel_load_map_file(o, dir.Write("bad.csv", "Name,headname\nParent\n").c_str()), -1);
  EXPECT_TRUE(Holds(vantrel_last_error(), "bad.csv:2"));
  EXPECT_EQ(vantrel_load_map_file(o, dir.File("absent.csv").c_str()), -1);
  EXPECT_EQ(o->vtbl->get_MapInfo(o, &entries), 3u);
  vantrel_release(o);
}

TEST(CInterface, ProcessWideSettingsReadBackAndAHostsLogFolderWinsOverTheEnvironment) {
  const uint64_t size = vantrel_max_source_size();
  vantrel_set_max_source_size(12345);
  EXPECT_EQ(MaxSourceSize(), 12345u);
  EXPECT_EQ(vantrel_max_source_size(), 12345u);
  vantrel_set_max_source_size(size);
  VantrelTargetTimeouts saved{}, back{};
  ASSERT_EQ(vantrel_get_target_timeouts(&saved), 0);
  const VantrelTargetTimeouts set{5, 6, 7, 8};
  ASSERT_EQ(vantrel_set_target_timeouts(&set), 0);
  const TargetTimeouts cpp = GetTargetTimeouts();
  EXPECT_EQ(std::vector<int>(
                {cpp.lock_wait_seconds, cpp.connect_seconds, cpp.read_seconds, cpp.write_seconds}),
            std::vector<int>({5, 6, 7, 8}));
  ASSERT_EQ(vantrel_get_target_timeouts(&back), 0);
  EXPECT_EQ(std::vector<int>({back.lock_wait_seconds, back.connect_seconds, back.read_seconds,
                              back.write_seconds}),
            std::vector<int>({5, 6, 7, 8}));
  EXPECT_EQ(vantrel_set_target_timeouts(nullptr), -1);
  EXPECT_EQ(vantrel_get_target_timeouts(nullptr), -1);
  ASSERT_EQ(vantrel_set_target_timeouts(&saved), 0);

  // The host's folder, else $VANTREL_LOG_DIR, else the current folder.
  setenv("VANTREL_LOG_DIR", "/from/environment", 1);
  EXPECT_STREQ(vantrel_log_folder(), "/from/environment");
  ASSERT_EQ(vantrel_set_log_folder("/from/host"), 0);
  EXPECT_STREQ(vantrel_log_folder(), "/from/host");
  EXPECT_EQ(LogFolder(), "/from/host");
  ASSERT_EQ(vantrel_set_log_folder(nullptr), 0);
  EXPECT_EQ(LogFolder(), "/from/environment");
  SetLogFolder("/from/host");
  SetLogFolder("");
  unsetenv("VANTREL_LOG_DIR");
  EXPECT_EQ(LogFolder(), ".");
  EXPECT_EQ(vantrel_version_number(), VANTREL_VERSION_NUMBER);
}

class PublicApi : public CompanyTest {
 protected:
  // A C object pointed at this test's company.
  VantrelObject* CObjectOnCompany() {
    VantrelObject* o = vantrel_create(VANTREL_PROGID);
    DependProcesser target;
    Target(target);
    o->vtbl->put_TargetType(o, target.TargetType());
    EXPECT_EQ(vantrel_set_text(o, "Server", target.Server().c_str()), 0);
    o->vtbl->put_TargetDataBase(o, target.TargetDataBase().c_str());
    return o;
  }
};

// Every kind by name and by method name runs its own import (the log tells
// which) and assigns errOccured, whatever the caller passed; the C list is the C++ one.
TEST_P(PublicApi, ImportKindsRunTheirOwnMethodByNameFromCAndCpp) {
  const std::tuple<const char*, const char*, const char*> expected[] = {
      {"accounts|ImportAccounts|export,workbook", "accounts.log", "Name,ledname"},
      {"products|ImportProducts|export,workbook", "products.log", "Name,pname"},
      {"depots|ImportDepots|export,", "", ""},
      {"account-heads|ImportAccountHeads|,workbook", "accountheads.log", "Name,headname"},
      {"product-groups|ImportProductGr|,workbook", "productgroups.log", "Name,gpname"},
      {"batches|ImportBatch|,workbook", "ProductBatch.log", "Name,pname\nBatch,batchname"},
      {"opening-stock|ImportOS|,workbook", "OpeningStock.log", "Name,pname\nBatch,batchname"},
  };
  const VantrelImportKind* c = nullptr;
  ASSERT_EQ(vantrel_import_kinds(&c), std::size(expected));
  ASSERT_EQ(ImportKinds().size(), std::size(expected));
  VantrelObject* o = vantrel_create(VANTREL_PROGID);
  DependProcesser cpp;
  Target(cpp);
  o->vtbl->put_TargetType(o, cpp.TargetType());
  ASSERT_EQ(vantrel_set_text(o, "Server", cpp.Server().c_str()), 0);
  o->vtbl->put_TargetDataBase(o, cpp.TargetDataBase().c_str());
  // A workbook every workbook import reads without failing (the products come before the batches).
  const std::string book = dir_.Write("book.csv", "Name,Batch\nWidget,B1\n");
  // The C++ runs log into a folder of the host's, not $VANTREL_LOG_DIR.
  const std::string logs = dir_.File("logs");
  ASSERT_EQ(mkdir(logs.c_str(), 0755), 0);
  for (size_t i = 0; i < std::size(expected); ++i) {
    const ImportKind& k = ImportKinds()[i];
    SCOPED_TRACE(k.name);
    EXPECT_EQ(std::string(k.name) + "|" + k.method + "|" + (k.reads_export ? "export" : "") + "," +
                  (k.reads_workbook ? "workbook" : ""),
              std::get<0>(expected[i]));
    EXPECT_STREQ(c[i].name, k.name);
    EXPECT_STREQ(c[i].method, k.method);
    EXPECT_STREQ(c[i].description, k.description);
    EXPECT_EQ(c[i].reads_export, k.reads_export ? 1 : 0);
    EXPECT_EQ(c[i].reads_workbook, k.reads_workbook ? 1 : 0);
    EXPECT_EQ(FindImportKind(k.name), &k);
    EXPECT_EQ(FindImportKind(k.method), &k);
    if (!k.reads_workbook) continue;
    const std::string log = dir_.File(std::get<1>(expected[i]));
    const std::string map = dir_.Write("map.csv", std::get<2>(expected[i]));
    ASSERT_EQ(vantrel_set_int(o, "SourceType", srcEXCEL), 0);
    ASSERT_EQ(vantrel_set_text(o, "SourceFile", book.c_str()), 0);
    ASSERT_EQ(vantrel_load_map_file(o, map.c_str()), 0);
    int err = 1;
    ASSERT_EQ(vantrel_import(o, k.name, &err), 0);
    EXPECT_EQ(err, 0);

    EXPECT_STREQ(vantrel_log_path(o), log.c_str());
    cpp.SetSourceType(srcEXCEL);
    cpp.SetSourceFile(book);
    MapTable table;
    std::string error;
    ASSERT_TRUE(LoadMapFile(map, table, error)) << error;
    cpp.SetMapInfo(table);
    bool cpp_err = true;
    SetLogFolder(logs);
    ASSERT_TRUE(vantrel::RunImport(cpp, k.method, cpp_err));
    SetLogFolder("");
    EXPECT_FALSE(cpp_err);
    EXPECT_EQ(cpp.LogPath(), logs + "/" + std::get<1>(expected[i]));
  }
  // The table's own entries assign errOccured too.
  int err = 1;
  o->vtbl->ImportBatch(o, &err);
  EXPECT_EQ(err, 0);
  EXPECT_EQ(FindImportKind("Accounts"), nullptr);
  bool untouched = true;
  EXPECT_FALSE(vantrel::RunImport(cpp, "ledgers", untouched));
  EXPECT_TRUE(untouched);
  EXPECT_TRUE(cpp.CloseConn());
  vantrel_release(o);
}

// Rejects, with every field, and whether the import was rolled back, as a C host reads them.
TEST_P(PublicApi, CHostReadsTheRejectsAndTheRollBackOfTheLastImport) {
  VantrelObject* o = CObjectOnCompany();
  const VantrelDependProcesserVtbl* v = o->vtbl;
  v->put_SourceType(o, srcXML);
  v->put_SourceFile(o,
                    dir_.Write("x.xml",
                               "<ENVELOPE><LEDGER NAME=\"Acme\"><PARENT>Nowhere</PARENT></LEDGER>"
                               "<LEDGER NAME=\"Loose\"/></ENVELOPE>")
                        .c_str());
  for (const int mode : {VANTREL_TRANS_DRY_RUN, VANTREL_TRANS_PER_STATEMENT}) {
    v->put_TransactionMode(o, mode);
    int err = 1;
    v->ImportAccounts(o, &err);
    EXPECT_EQ(err, 0);
    EXPECT_EQ(v->get_RolledBack(o), mode == VANTREL_TRANS_DRY_RUN ? 1 : 0);
    EXPECT_EQ(vantrel_rolled_back(o), v->get_RolledBack(o));
    ASSERT_EQ(v->get_RejectCount(o), 2u);
    EXPECT_EQ(vantrel_reject_count(o), 2u);
    Strings rejects;
    for (size_t i = 0; i < 2; ++i) {
      const VantrelRejectedRecord* r = i == 0 ? v->get_Reject(o, i) : vantrel_reject(o, i);
      ASSERT_NE(r, nullptr);
      rejects.push_back(std::string(r->kind) + "|" + r->name + "|" + r->parent + "|" + r->reason +
                        "|" + std::to_string(r->row) + "|" + r->column + "|" + r->value);
    }
    EXPECT_EQ(rejects, (Strings{"LEDGER|Acme|Nowhere|parent group not found|0||",
                                "LEDGER|Loose||parent is empty|0||"}));
    EXPECT_EQ(v->get_Reject(o, 2), nullptr);
    EXPECT_TRUE(Holds(vantrel_last_error(), "No reject 2"));
  }
  EXPECT_EQ(vantrel_close_conn(o), 0);
  vantrel_release(o);
}

// A C host runs a plan by table entry and plain function, reads its trial
// balance and its rejects with their source; a plan it cannot read runs nothing.
TEST_P(PublicApi, CHostMigratesAPlanAndReadsItsOpeningTotals) {
  VantrelObject* o = CObjectOnCompany();
  const VantrelDependProcesserVtbl* v = o->vtbl;
  const std::string source = dir_.Write(
      "m.xml",
      "<ENVELOPE><LEDGER NAME=\"Acme\"><PARENT>Sundry Debtors</PARENT>"
      "<OPENINGBALANCE>-120.50</OPENINGBALANCE></LEDGER><LEDGER NAME=\"Bolt\"><PARENT>Sundry "
      "Creditors</PARENT><OPENINGBALANCE>12O</OPENINGBALANCE></LEDGER></ENVELOPE>");
  const std::string plan = dir_.Write("plan.csv", "export,m.xml\n");
  for (const bool by_table : {true, false}) {
    int err = 1;
    if (by_table)
      v->Migrate(o, plan.c_str(), &err);
    else
      ASSERT_EQ(vantrel_migrate(o, plan.c_str(), &err), 0);
    EXPECT_EQ(err, 0);
    double debit = 0, credit = 1, stock = 1;
    ASSERT_EQ(v->get_OpeningTotals(o, &debit, &credit, &stock), 0);
    EXPECT_EQ(debit, 120.5);
    EXPECT_EQ(credit, 0);
    EXPECT_EQ(stock, 0);
    const VantrelRejectedRecord* r = vantrel_reject(o, vantrel_reject_count(o) - 1);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(std::string(r->name) + "|" + r->column + "|" + r->value + "|" + r->source,
              "Bolt|OPENINGBALANCE|12O|" + source);
  }
  int err = 0;
  EXPECT_EQ(vantrel_migrate(o, dir_.File("none.csv").c_str(), &err), -1);
  EXPECT_EQ(err, 1);
  EXPECT_TRUE(Holds(vantrel_last_error(), "none.csv"));
  EXPECT_EQ(vantrel_close_conn(o), 0);
  vantrel_release(o);
}

// Counts, flag and log path (by table entry and plain function), trace, progress and boxes.
TEST_P(PublicApi, CHostReadsTheOutcomeOfTheLastImport) {
  DependProcesser target;
  Target(target);
  VantrelObject* o = vantrel_create(VANTREL_PROGID);
  const VantrelDependProcesserVtbl* v = o->vtbl;
  v->put_TargetType(o, target.TargetType());
  vantrel_set_text(o, "Server", target.Server().c_str());
  v->put_TargetDataBase(o, target.TargetDataBase().c_str());
  const std::string map = dir_.Write("map.csv", "Name,headname\nParent,underhead\n");
  ASSERT_EQ(vantrel_load_map_file(o, map.c_str()), 0) << vantrel_last_error();
  std::string rows = "Name,Parent\nWest,Nowhere\n";
  for (int i = 0; i < 1000; ++i) rows += "Head " + std::to_string(i) + ",Sundry Debtors\n";
  ASSERT_EQ(vantrel_set_text(o, "SourceFile", dir_.Write("h.csv", rows).c_str()), 0);
  ASSERT_EQ(vantrel_set_int(o, "SourceType", srcEXCEL), 0);
  Strings trace, boxes;
  std::vector<long> progress;
  vantrel_set_sql_trace([](const char* sql, void* u) { static_cast<Strings*>(u)->push_back(sql); },
                        &trace);
  vantrel_set_progress_handler(
      [](const char*, long done, void* u) { static_cast<std::vector<long>*>(u)->push_back(done); },
      &progress);
  vantrel_set_message_handler(
      [](const char* text, int style, const char* title, void* u) {
        static_cast<Strings*>(u)->push_back(std::string(title) + "|" + std::to_string(style) + "|" +
                                            text);
      },
      &boxes);
  int err = 0;
  ASSERT_EQ(vantrel_import(o, "account-heads", &err), 0);
  EXPECT_EQ(err, 0);
  EXPECT_EQ(v->get_RowsImported(o), 1000);
  EXPECT_EQ(v->get_RowsRefused(o), 1);
  EXPECT_EQ(v->get_ErrorFlag(o), 0);
  EXPECT_EQ(vantrel_rows_imported(o), 1000);
  EXPECT_EQ(vantrel_rows_refused(o), 1);
  EXPECT_EQ(v->get_LogPath(o), dir_.File("accountheads.log"));
  EXPECT_EQ(vantrel_log_path(o), dir_.File("accountheads.log"));
  EXPECT_EQ(One("select count(*) from accounthead where headname like 'Head %'"), "1000");
  size_t inserts = 0;
  for (const std::string& sql : trace) inserts += sql.rfind("insert into accounthead", 0) == 0;
  EXPECT_EQ(inserts, 1000u);
  EXPECT_EQ(progress, std::vector<long>{1000});
  v->ImportDepots(o, &err);  // a workbook cannot hold depots
  EXPECT_EQ(err, 1);
  EXPECT_EQ(boxes, Strings{"|112|Not Support This  Type Of Source File"});
  vantrel_set_sql_trace(nullptr, nullptr);
  vantrel_set_progress_handler(nullptr, nullptr);
  vantrel_set_message_handler(nullptr, nullptr);

  // The same import by its method's name runs again and finds every head there.
  v->ImportAccountHeads(o, &err);
  EXPECT_EQ(err, 0);
  EXPECT_EQ(vantrel_rows_imported(o), 0);
  EXPECT_EQ(vantrel_rows_refused(o), 1001);

  // A target that cannot be opened: the flag and errOccured say so.
  vantrel_set_text(o, "TargetDataBase",
                   multi_user() ? "no_such_company_db" : dir_.File("missing/none.db").c_str());
  ASSERT_EQ(vantrel_import(o, "ImportAccountHeads", &err), 0);
  EXPECT_EQ(err, 1);
  EXPECT_EQ(vantrel_error_flag(o), 1);
  EXPECT_EQ(v->get_ErrorFlag(o), 1);
  EXPECT_EQ(vantrel_close_conn(o), 0);
  EXPECT_EQ(v->CloseConn(o), 0);
  vantrel_release(o);
}

// No member of DependProcesser lets an exception reach the host.
TEST_P(PublicApi, NullServerAndAThrowingHandlerAreFailuresNotExceptions) {
  DependProcesser p;
  EXPECT_FALSE(p.SetServer(nullptr));
  Target(p);
  p.SetSourceType(srcEXCEL);
  p.SetSourceFile(dir_.File("absent.csv"));
  SetMessageHandler([](const std::string& text, int, const std::string&) {
    throw std::runtime_error("host handler failed on: " + text);
  });
  for (int mode : {transPerStatement, transAtomic}) {
    p.SetTransactionMode(mode);
    bool err = false;
    EXPECT_NO_THROW(p.ImportAccountHeads(err));
    EXPECT_TRUE(err);
    EXPECT_TRUE(p.ErrorFlag());
  }
  SetMessageHandler(nullptr);
  std::string close_error;
  EXPECT_TRUE(p.CloseConn(&close_error)) << close_error;
}

// Nothing is thrown through the C interface: a failure, running out of memory
// included, is a result and a reason.
TEST_P(PublicApi, NoExceptionLeavesTheCInterface) {
  VantrelObject* o = vantrel_create(VANTREL_PROGID);
  DependProcesser target;
  Target(target);
  o->vtbl->put_TargetType(o, target.TargetType());
  ASSERT_EQ(vantrel_set_text(o, "Server", target.Server().c_str()), 0);
  o->vtbl->put_TargetDataBase(o, target.TargetDataBase().c_str());
  o->vtbl->put_SourceType(o, srcEXCEL);
  o->vtbl->put_SourceFile(o, dir_.File("absent.csv").c_str());
  // A C++ host behind the C interface whose message handler runs out of memory.
  vantrel_set_message_handler([](const char*, int, const char*, void*) { throw std::bad_alloc(); },
                              nullptr);
  int err = 0;
  EXPECT_EQ(vantrel_import(o, "account-heads", &err), 0);
  EXPECT_EQ(err, 1);
  err = 0;
  o->vtbl->ImportAccountHeads(o, &err);
  EXPECT_EQ(err, 1);
  vantrel_set_message_handler(nullptr, nullptr);
  // A mapping longer than any can be, then one larger than memory: the reason
  // is kept and MapInfo stays as it was. (AddressSanitizer ends the process on
  // an allocation it cannot make instead of throwing std::bad_alloc.)
  const VantrelMapEntry entry{"Name", "headname"};
  o->vtbl->put_MapInfo(o, &entry, 1);
  o->vtbl->put_MapInfo(o, &entry, MapTable().max_size() + 1);
  EXPECT_TRUE(Holds(vantrel_last_error(), "reserve"));
#if !defined(__SANITIZE_ADDRESS__)
  o->vtbl->put_MapInfo(o, &entry, size_t{1} << 52);
  EXPECT_STREQ(vantrel_last_error(), "Out of memory");
#endif
  EXPECT_EQ(o->vtbl->get_MapInfo(o, nullptr), 1u);
  EXPECT_EQ(vantrel_close_conn(o), 0);
  vantrel_release(o);
}

VANTREL_BOTH_TARGETS(PublicApi);

}  // namespace
}  // namespace vantrel
