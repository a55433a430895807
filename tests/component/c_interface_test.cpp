#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
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

class PublicApi : public CompanyTest {};

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

VANTREL_BOTH_TARGETS(PublicApi);

}  // namespace
}  // namespace vantrel
