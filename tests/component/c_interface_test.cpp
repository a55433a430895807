#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "frame/company_template.h"
#include "support/company_fixture.h"
#include "vantrel/vantrel.h"

namespace vantrel {
namespace {

struct Boxes {
  std::vector<std::string> lines;
};

void Collect(const char* text, int style, const char* title, void* user) {
  static_cast<Boxes*>(user)->lines.push_back(std::string(title) + "|" + std::to_string(style) +
                                             "|" + text);
}

TEST(CInterface, CreatedByEitherIdentifierAndReleased) {
  VantrelObject* a = vantrel_create("Vantrel.DependProcesser");
  VantrelObject* b = vantrel_create("{6798c066-e4be-4128-968f-c5144d462353}");
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(vantrel_create("Other.Thing"), nullptr);
  EXPECT_NE(std::string(vantrel_last_error()).find("Other.Thing"), std::string::npos);
  EXPECT_EQ(vantrel_can_unload(), 0);
  vantrel_release(a);
  vantrel_release(b);
  EXPECT_EQ(vantrel_can_unload(), 1);
}

TEST(CInterface, PropertiesAndServerConversions) {
  VantrelObject* o = vantrel_create(VANTREL_PROGID);
  const VantrelDependProcesserVtbl* v = o->vtbl;
  v->put_TargetDataBase(o, "company.db");
  EXPECT_STREQ(v->get_TargetDataBase(o), "company.db");
  v->put_TargetType(o, 1);
  EXPECT_EQ(v->get_TargetType(o), 1);
  EXPECT_EQ(v->put_Server_number(o, 3306), 0);
  EXPECT_STREQ(v->get_Server(o), "3306");
  EXPECT_EQ(v->put_Server_null(o), -1);
  EXPECT_STREQ(vantrel_last_error(), "Invalid use of Null");
  EXPECT_STREQ(v->get_Server(o), "3306");
  const VantrelMapEntry map[] = {{"", ""}, {"Head Name", "headname"}};
  v->put_MapInfo(o, map, 2);
  const VantrelMapEntry* back = nullptr;
  ASSERT_EQ(v->get_MapInfo(o, &back), 2u);
  EXPECT_STREQ(back[1].field, "headname");
  vantrel_release(o);
}

TEST(CInterface, ImportThroughTheFunctionTable) {
  TempDir dir;
  setenv("VANTREL_LOG_DIR", dir.path().c_str(), 1);
  const std::string db = dir.File("c.db");
  CreateCompanyFile(db);
  Boxes boxes;
  vantrel_set_message_handler(Collect, &boxes);
  VantrelObject* o = vantrel_create(VANTREL_PROGID);
  const VantrelDependProcesserVtbl* v = o->vtbl;
  v->put_TargetDataBase(o, db.c_str());
  v->put_SourceFile(o, dir.Write("h.csv", "Name,Parent\nEast,Sundry Debtors\n").c_str());
  v->put_SourceType(o, 2);
  const VantrelMapEntry map[] = {{"", ""}, {"Name", "headname"}, {"Parent", "underhead"}};
  v->put_MapInfo(o, map, 3);
  int err = 0;
  v->ImportAccountHeads(o, &err);
  EXPECT_EQ(err, 0);
  v->ImportDepots(o, &err);  // a workbook cannot hold depots
  EXPECT_EQ(err, 1);
  ASSERT_EQ(boxes.lines.size(), 1u);
  EXPECT_EQ(boxes.lines[0], "|112|Not Support This  Type Of Source File");
  EXPECT_EQ(v->CloseConn(o), 0);
  vantrel_release(o);
  vantrel_set_message_handler(nullptr, nullptr);
  unsetenv("VANTREL_LOG_DIR");
}

}  // namespace
}  // namespace vantrel
