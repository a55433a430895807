#include <strings.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/common/error.h"
#include "platform/message/message.h"
#include "vantrel/DependProcesser.h"
#include "vantrel/vantrel.h"

namespace {

using vantrel::DependProcesser;

struct CObject : VantrelObject {
  DependProcesser processer;
  std::string text;  // the last text handed out
  std::vector<std::string> map_texts;
  std::vector<VantrelMapEntry> map_entries;
};

thread_local std::string g_last_error;

CObject* Self(VantrelObject* o) { return static_cast<CObject*>(o); }

const char* Hand(VantrelObject* o, std::string value) {
  Self(o)->text = std::move(value);
  return Self(o)->text.c_str();
}

template <class Body>
int Guard(Body&& body) {
  try {
    body();
    return 0;
  } catch (const std::exception& e) {
    g_last_error = e.what();
    return -1;
  }
}

template <void (DependProcesser::*Method)(bool&)>
void Import(VantrelObject* o, int* errOccured) {
  bool err = errOccured && *errOccured;
  (Self(o)->processer.*Method)(err);
  if (errOccured) *errOccured = err ? 1 : 0;
}

size_t GetMapInfo(VantrelObject* o, const VantrelMapEntry** entries) {
  CObject* self = Self(o);
  const vantrel::MapTable& map = self->processer.MapInfo();
  self->map_texts.clear();
  self->map_entries.clear();
  for (const auto& e : map) {
    self->map_texts.push_back(e.column);
    self->map_texts.push_back(e.field);
  }
  for (size_t i = 0; i < map.size(); ++i)
    self->map_entries.push_back(
        {self->map_texts[2 * i].c_str(), self->map_texts[2 * i + 1].c_str()});
  if (entries) *entries = self->map_entries.data();
  return map.size();
}

void PutMapInfo(VantrelObject* o, const VantrelMapEntry* entries, size_t count) {
  vantrel::MapTable map;
  for (size_t i = 0; i < count; ++i)
    map.push_back(
        {entries[i].column ? entries[i].column : "", entries[i].field ? entries[i].field : ""});
  Self(o)->processer.SetMapInfo(std::move(map));
}

const VantrelDependProcesserVtbl kVtbl = {
    [](VantrelObject* o) { return Hand(o, Self(o)->processer.TargetDataBase()); },
    [](VantrelObject* o, const char* v) { Self(o)->processer.SetTargetDataBase(v ? v : ""); },
    [](VantrelObject* o) { return Hand(o, Self(o)->processer.SourceFile()); },
    [](VantrelObject* o, const char* v) { Self(o)->processer.SetSourceFile(v ? v : ""); },
    GetMapInfo,
    PutMapInfo,
    [](VantrelObject* o) { return static_cast<int32_t>(Self(o)->processer.TargetType()); },
    [](VantrelObject* o, int32_t v) { Self(o)->processer.SetTargetType(v); },
    [](VantrelObject* o) { return static_cast<int32_t>(Self(o)->processer.SourceType()); },
    [](VantrelObject* o, int32_t v) { Self(o)->processer.SetSourceType(v); },
    Import<&DependProcesser::ImportAccounts>,
    Import<&DependProcesser::ImportProducts>,
    Import<&DependProcesser::ImportDepots>,
    [](VantrelObject* o) { return Guard([&] { Self(o)->processer.CloseConn(); }); },
    [](VantrelObject* o) { return Hand(o, Self(o)->processer.Server()); },
    [](VantrelObject* o, const char* v) {
      return Guard([&] {
        if (!v) throw vantrel::InvalidUseOfNullError();
        Self(o)->processer.SetServer(std::string_view(v));
      });
    },
    [](VantrelObject* o, double v) { return Guard([&] { Self(o)->processer.SetServer(v); }); },
    [](VantrelObject* o) { return Guard([&] { Self(o)->processer.SetServer(nullptr); }); },
    Import<&DependProcesser::ImportAccountHeads>,
    Import<&DependProcesser::ImportProductGr>,
    Import<&DependProcesser::ImportBatch>,
    Import<&DependProcesser::ImportOS>,
    [](VantrelObject* o) { return static_cast<int32_t>(Self(o)->processer.TransactionMode()); },
    [](VantrelObject* o, int32_t v) { Self(o)->processer.SetTransactionMode(v); },
};

struct CHandler {
  VantrelMessageHandler fn = nullptr;
  void* user = nullptr;
};

}  // namespace

extern "C" {

VantrelObject* vantrel_create(const char* id) {
  if (!id || (std::strcmp(id, VANTREL_PROGID) != 0 && strcasecmp(id, VANTREL_CLSID) != 0)) {
    g_last_error = std::string("Class not registered: ") + (id ? id : "(null)");
    return nullptr;
  }
  auto* object = new CObject();
  object->vtbl = &kVtbl;
  return object;
}

void vantrel_release(VantrelObject* object) { delete Self(object); }

int vantrel_can_unload(void) { return vantrel::CanUnload() ? 1 : 0; }

void vantrel_set_message_handler(VantrelMessageHandler handler, void* user) {
  if (!handler) {
    vantrel::SetMessageHandler(nullptr);
    return;
  }
  CHandler h{handler, user};
  vantrel::SetMessageHandler([h](const std::string& text, int style, const std::string& title) {
    h.fn(text.c_str(), style, title.c_str(), h.user);
  });
}

const char* vantrel_last_error(void) { return g_last_error.c_str(); }

}  // extern "C"
