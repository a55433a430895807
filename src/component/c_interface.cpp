#include <strings.h>

#include <cstring>
#include <string>
#include <vector>

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

int Refuse(std::string text) {
  g_last_error = std::move(text);
  return -1;
}

int UnknownProperty(const char* name) {
  return Refuse(std::string("Unknown property: ") + (name ? name : "(null)"));
}

int NullServer() { return Refuse("Invalid use of Null"); }

template <class Value>
int PutServer(VantrelObject* o, Value v) {
  Self(o)->processer.SetServer(v);
  return 0;
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
    [](VantrelObject* o) { return vantrel_close_conn(o); },
    [](VantrelObject* o) { return Hand(o, Self(o)->processer.Server()); },
    [](VantrelObject* o, const char* v) {
      return v ? PutServer(o, std::string_view(v)) : NullServer();
    },
    [](VantrelObject* o, double v) { return PutServer(o, v); },
    [](VantrelObject*) { return NullServer(); },
    Import<&DependProcesser::ImportAccountHeads>,
    Import<&DependProcesser::ImportProductGr>,
    Import<&DependProcesser::ImportBatch>,
    Import<&DependProcesser::ImportOS>,
    [](VantrelObject* o) { return static_cast<int32_t>(Self(o)->processer.TransactionMode()); },
    [](VantrelObject* o, int32_t v) { Self(o)->processer.SetTransactionMode(v); },
    [](VantrelObject* o) { return vantrel_error_flag(o); },
    [](VantrelObject* o) { return vantrel_rows_imported(o); },
    [](VantrelObject* o) { return vantrel_rows_refused(o); },
    [](VantrelObject* o) { return vantrel_log_path(o); },
};

struct ImportName {
  const char* method;
  const char* kind;
  void (DependProcesser::*call)(bool&);
};

const ImportName kImports[] = {
    {"ImportAccounts", "accounts", &DependProcesser::ImportAccounts},
    {"ImportProducts", "products", &DependProcesser::ImportProducts},
    {"ImportDepots", "depots", &DependProcesser::ImportDepots},
    {"ImportAccountHeads", "account-heads", &DependProcesser::ImportAccountHeads},
    {"ImportProductGr", "product-groups", &DependProcesser::ImportProductGr},
    {"ImportBatch", "batches", &DependProcesser::ImportBatch},
    {"ImportOS", "opening-stock", &DependProcesser::ImportOS},
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

void vantrel_set_sql_trace(VantrelTraceHandler handler, void* user) {
  if (!handler) {
    vantrel::SetSqlTrace(nullptr);
    return;
  }
  vantrel::SetSqlTrace([handler, user](const std::string& sql) { handler(sql.c_str(), user); });
}

void vantrel_set_progress_handler(VantrelProgressHandler handler, void* user) {
  if (!handler) {
    vantrel::SetProgressHandler(nullptr);
    return;
  }
  vantrel::SetProgressHandler(
      [handler, user](const std::string& what, long done) { handler(what.c_str(), done, user); });
}

const char* vantrel_last_error(void) { return g_last_error.c_str(); }

const char* vantrel_version(void) { return vantrel::Version(); }

int vantrel_create_company_file(const char* path) {
  std::string error;
  if (!path) return Refuse("Invalid use of Null");
  return vantrel::InitCompanyFile(path, error) ? 0 : Refuse(error);
}

int vantrel_create_company_database(const char* server, const char* database) {
  std::string error;
  if (!server || !database) return Refuse("Invalid use of Null");
  return vantrel::InitCompanyDatabase(server, database, error) ? 0 : Refuse(error);
}

int vantrel_set_text(VantrelObject* o, const char* property, const char* value) {
  const std::string name = property ? property : "";
  if (name == "Server") return o->vtbl->put_Server_text(o, value);
  if (name == "TargetDataBase")
    Self(o)->processer.SetTargetDataBase(value ? value : "");
  else if (name == "SourceFile")
    Self(o)->processer.SetSourceFile(value ? value : "");
  else
    return UnknownProperty(property);
  return 0;
}

const char* vantrel_get_text(VantrelObject* o, const char* property) {
  const std::string name = property ? property : "";
  const DependProcesser& p = Self(o)->processer;
  if (name == "TargetDataBase") return Hand(o, p.TargetDataBase());
  if (name == "SourceFile") return Hand(o, p.SourceFile());
  if (name == "Server") return Hand(o, p.Server());
  if (name == "LogPath") return Hand(o, p.LogPath());
  UnknownProperty(property);
  return nullptr;
}

int vantrel_set_int(VantrelObject* o, const char* property, int32_t value) {
  const std::string name = property ? property : "";
  DependProcesser& p = Self(o)->processer;
  if (name == "TargetType")
    p.SetTargetType(value);
  else if (name == "SourceType")
    p.SetSourceType(value);
  else if (name == "TransactionMode")
    p.SetTransactionMode(value);
  else
    return UnknownProperty(property);
  return 0;
}

int vantrel_load_map_file(VantrelObject* o, const char* path) {
  vantrel::MapTable map;
  std::string error;
  if (!path) return Refuse("Invalid use of Null");
  if (!vantrel::LoadMapFile(path, map, error)) return Refuse(error);
  Self(o)->processer.SetMapInfo(std::move(map));
  return 0;
}

int vantrel_import(VantrelObject* o, const char* kind, int* errOccured) {
  const std::string name = kind ? kind : "";
  for (const ImportName& i : kImports) {
    if (name != i.method && name != i.kind) continue;
    bool err = errOccured && *errOccured;
    (Self(o)->processer.*(i.call))(err);
    if (errOccured) *errOccured = err ? 1 : 0;
    return 0;
  }
  return Refuse("Unknown import: " + (kind ? name : std::string("(null)")));
}

int vantrel_close_conn(VantrelObject* o) {
  std::string error;
  return Self(o)->processer.CloseConn(&error) ? 0 : Refuse(error);
}

int vantrel_error_flag(VantrelObject* o) { return Self(o)->processer.ErrorFlag() ? 1 : 0; }
long vantrel_rows_imported(VantrelObject* o) { return Self(o)->processer.RowsImported(); }
long vantrel_rows_refused(VantrelObject* o) { return Self(o)->processer.RowsRefused(); }
const char* vantrel_log_path(VantrelObject* o) { return Hand(o, Self(o)->processer.LogPath()); }

}  // extern "C"
