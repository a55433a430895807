#include <gtest/gtest.h>

#include <cstddef>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/company_fixture.h"
#include "vantrel/DependProcesser.h"
#include "vantrel/vantrel.h"

namespace vantrel {
namespace {

const char* const kHeads = "Name,Parent\nEast,Sundry Debtors\nWest,Nowhere\nNorth,Sundry Debtors\n";

// A C object pointed at the same company as a configured DependProcesser.
VantrelObject* CObjectFor(const DependProcesser& p) {
  VantrelObject* o = vantrel_create(VANTREL_PROGID);
  vantrel_set_int(o, "TargetType", p.TargetType());
  vantrel_set_text(o, "Server", p.Server().c_str());
  vantrel_set_text(o, "TargetDataBase", p.TargetDataBase().c_str());
  return o;
}

class PublicApi : public CompanyTest {};

// The counts, error flag and log path of the last import reach a C host both
// through the appended table entries and through the plain functions.
TEST_P(PublicApi, CHostReadsTheOutcomeOfTheLastImport) {
  DependProcesser target;
  Target(target);
  VantrelObject* o = CObjectFor(target);
  const std::string map = dir_.Write("map.csv", "Name,headname\nParent,underhead\n");
  ASSERT_EQ(vantrel_load_map_file(o, map.c_str()), 0) << vantrel_last_error();
  ASSERT_EQ(vantrel_set_text(o, "SourceFile", dir_.Write("h.csv", kHeads).c_str()), 0);
  ASSERT_EQ(vantrel_set_int(o, "SourceType", srcEXCEL), 0);
  int err = 0;
  ASSERT_EQ(vantrel_import(o, "account-heads", &err), 0);
  EXPECT_EQ(err, 0);
  const VantrelDependProcesserVtbl* v = o->vtbl;
  EXPECT_EQ(v->get_RowsImported(o), 2);
  EXPECT_EQ(v->get_RowsRefused(o), 1);
  EXPECT_EQ(v->get_ErrorFlag(o), 0);
  EXPECT_EQ(vantrel_rows_imported(o), 2);
  EXPECT_EQ(vantrel_rows_refused(o), 1);
  const std::string log = v->get_LogPath(o);
  EXPECT_EQ(log, dir_.File("accountheads.log"));
  EXPECT_EQ(vantrel_log_path(o), log);
  EXPECT_EQ(Column("select headname from accounthead where headname in ('East','North','West') "
                   "order by headname"),
            (std::vector<std::string>{"East", "North"}));

  // The same import by its method's name runs again and finds every head there.
  ASSERT_EQ(vantrel_import(o, "ImportAccountHeads", &err), 0);
  EXPECT_EQ(vantrel_rows_imported(o), 0);
  EXPECT_EQ(vantrel_rows_refused(o), 3);

  // A target that cannot be opened: the flag and errOccured say so.
  vantrel_set_text(o, "TargetDataBase", dir_.File("missing/none.db").c_str());
  if (multi_user()) vantrel_set_text(o, "TargetDataBase", "no_such_company_db");
  ASSERT_EQ(vantrel_import(o, "account-heads", &err), 0);
  EXPECT_EQ(err, 1);
  EXPECT_EQ(vantrel_error_flag(o), 1);
  EXPECT_EQ(v->get_ErrorFlag(o), 1);
  EXPECT_EQ(vantrel_close_conn(o), 0);
  vantrel_release(o);
}

VANTREL_BOTH_TARGETS(PublicApi);

TEST(CInterface, AppendedEntriesFollowTheInterfaceMembers) {
  using V = VantrelDependProcesserVtbl;
  EXPECT_EQ(offsetof(V, get_TargetDataBase), 0u);
  EXPECT_LT(offsetof(V, ImportOS), offsetof(V, get_TransactionMode));
  EXPECT_LT(offsetof(V, put_TransactionMode), offsetof(V, get_ErrorFlag));
  EXPECT_LT(offsetof(V, get_ErrorFlag), offsetof(V, get_RowsImported));
  EXPECT_LT(offsetof(V, get_RowsImported), offsetof(V, get_RowsRefused));
  EXPECT_LT(offsetof(V, get_RowsRefused), offsetof(V, get_LogPath));
  EXPECT_EQ(offsetof(V, get_LogPath) + sizeof(void*), sizeof(V));
}

TEST(CInterface, PlainFunctionsRefuseUnknownNamesAndNull) {
  VantrelObject* o = vantrel_create(VANTREL_PROGID);
  int err = 0;
  EXPECT_EQ(vantrel_import(o, "ledgers", &err), -1);
  EXPECT_STREQ(vantrel_last_error(), "Unknown import: ledgers");
  EXPECT_EQ(vantrel_import(o, nullptr, &err), -1);
  EXPECT_EQ(vantrel_set_text(o, "Target", "x"), -1);
  EXPECT_STREQ(vantrel_last_error(), "Unknown property: Target");
  EXPECT_EQ(vantrel_get_text(o, "Nothing"), nullptr);
  EXPECT_EQ(vantrel_set_int(o, "SourceFile", 1), -1);

  ASSERT_EQ(vantrel_set_text(o, "Server", "db.local:3307"), 0);
  EXPECT_EQ(vantrel_set_text(o, "Server", nullptr), -1);
  EXPECT_STREQ(vantrel_last_error(), "Invalid use of Null");
  EXPECT_STREQ(vantrel_get_text(o, "Server"), "db.local:3307");
  ASSERT_EQ(vantrel_set_int(o, "TransactionMode", VANTREL_TRANS_DRY_RUN), 0);
  EXPECT_EQ(o->vtbl->get_TransactionMode(o), VANTREL_TRANS_DRY_RUN);
  ASSERT_EQ(vantrel_set_text(o, "TargetDataBase", "a.db"), 0);
  EXPECT_STREQ(vantrel_get_text(o, "TargetDataBase"), "a.db");
  vantrel_release(o);
}

TEST(CInterface, MappingFileLoadsOrLeavesMapInfoAsItWas) {
  TempDir dir;
  VantrelObject* o = vantrel_create(VANTREL_PROGID);
  ASSERT_EQ(vantrel_load_map_file(o, dir.Write("m.csv",
                                               "\xEF\xBB\xBF\"Head, Name\",headname\r\n\r\n"
                                               "Parent,underhead\r\n")
                                         .c_str()),
            0);
  const VantrelMapEntry* entries = nullptr;
  ASSERT_EQ(o->vtbl->get_MapInfo(o, &entries), 3u);
  EXPECT_STREQ(entries[1].column, "Head, Name");
  EXPECT_STREQ(entries[2].field, "underhead");

  EXPECT_EQ(vantrel_load_map_file(o, dir.Write("bad.csv", "Name,headname\nParent\n").c_str()), -1);
  EXPECT_NE(std::string(vantrel_last_error()).find("bad.csv:2"), std::string::npos)
      << vantrel_last_error();
  EXPECT_EQ(vantrel_load_map_file(o, dir.File("absent.csv").c_str()), -1);
  EXPECT_EQ(o->vtbl->get_MapInfo(o, &entries), 3u);
  vantrel_release(o);
}

TEST(CInterface, NewCompanyFileRefusedWhenItExists) {
  TempDir dir;
  const std::string db = dir.File("new.db");
  ASSERT_EQ(vantrel_create_company_file(db.c_str()), 0) << vantrel_last_error();
  EXPECT_EQ(vantrel_create_company_file(db.c_str()), -1);
  EXPECT_NE(std::string(vantrel_last_error()), "");
  EXPECT_STREQ(vantrel_version(), VANTREL_VERSION);
  EXPECT_STREQ(Version(), VANTREL_VERSION);
}

TEST(CInterface, TraceAndProgressReachCFunctions) {
  TempDir dir;
  setenv("VANTREL_LOG_DIR", dir.path().c_str(), 1);
  const std::string db = dir.File("t.db");
  ASSERT_EQ(vantrel_create_company_file(db.c_str()), 0);
  std::string rows = "Name,Parent\n";
  for (int i = 0; i < 1000; ++i) rows += "Head " + std::to_string(i) + ",Sundry Debtors\n";
  VantrelObject* o = vantrel_create(VANTREL_PROGID);
  vantrel_set_text(o, "TargetDataBase", db.c_str());
  vantrel_set_text(o, "SourceFile", dir.Write("h.csv", rows).c_str());
  vantrel_set_int(o, "SourceType", srcEXCEL);
  vantrel_load_map_file(o, dir.Write("m.csv", "Name,headname\nParent,underhead\n").c_str());
  std::vector<std::string> trace;
  std::vector<long> progress;
  vantrel_set_sql_trace(
      [](const char* sql, void* user) {
        static_cast<std::vector<std::string>*>(user)->push_back(sql);
      },
      &trace);
  vantrel_set_progress_handler(
      [](const char*, long done, void* user) {
        static_cast<std::vector<long>*>(user)->push_back(done);
      },
      &progress);
  int err = 0;
  vantrel_import(o, "account-heads", &err);
  vantrel_set_sql_trace(nullptr, nullptr);
  vantrel_set_progress_handler(nullptr, nullptr);
  EXPECT_EQ(err, 0);
  EXPECT_EQ(vantrel_rows_imported(o), 1000);
  size_t inserts = 0;
  for (const std::string& sql : trace) inserts += sql.rfind("insert into accounthead", 0) == 0;
  EXPECT_EQ(inserts, 1000u);
  EXPECT_EQ(progress, std::vector<long>{1000});
  vantrel_close_conn(o);
  vantrel_release(o);
  unsetenv("VANTREL_LOG_DIR");
}

// The tool reports the version of the library it runs on.
TEST(ToolVersion, PrintsTheLibraryVersion) {
  FILE* out = popen(VANTREL_TOOL_PATH " --version", "r");
  ASSERT_NE(out, nullptr);
  char line[128] = {};
  ASSERT_NE(std::fgets(line, sizeof line, out), nullptr);
  EXPECT_EQ(pclose(out), 0);
  EXPECT_EQ(std::string(line), std::string("vantrel ") + VANTREL_VERSION + "\n");
}

// No member of DependProcesser lets an exception reach the host.
TEST(DependProcesserPromise, NullServerRefusedWithoutThrowing) {
  DependProcesser p;
  EXPECT_TRUE(p.SetServer(std::string_view("db.local")));
  EXPECT_FALSE(p.SetServer(nullptr));
  EXPECT_EQ(p.Server(), "db.local");
  EXPECT_TRUE(p.SetServer(3306.0));
  EXPECT_EQ(p.Server(), "3306");
}

TEST(DependProcesserPromise, HandlerThatThrowsEndsTheImportAsAFailure) {
  TempDir dir;
  setenv("VANTREL_LOG_DIR", dir.path().c_str(), 1);
  const std::string db = dir.File("c.db");
  std::string error;
  ASSERT_TRUE(InitCompanyFile(db, error)) << error;
  EXPECT_FALSE(InitCompanyFile(db, error));
  EXPECT_FALSE(error.empty());
  DependProcesser p;
  p.SetTargetDataBase(db);
  p.SetSourceType(srcEXCEL);
  p.SetSourceFile(dir.File("absent.csv"));
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
  unsetenv("VANTREL_LOG_DIR");
}

}  // namespace
}  // namespace vantrel
