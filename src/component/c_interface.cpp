#include <strings.h>

#include <cstring>
#include <exception>
#include <new>
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
  VantrelRejectedRecord reject{};  // the last record handed out
};

thread_local std::string g_last_error;
thread_local std::string g_log_folder;  // the last log folder handed out

// Keeps the reason of a failure for vantrel_last_error(). An allocation
// failure leaves the short text, which needs no allocation of its own.
void SetLastError(const char* text) noexcept {
  try {
    g_last_error = text;
  } catch (...) {
    g_last_error = "Out of memory";
  }
}

// Runs the body of a C entry: no exception leaves it. One that is thrown ends
// the call with `failed` and its text in vantrel_last_error().
template <class Result, class Body>
Result Guarded(Result failed, Body&& body) noexcept {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    SetLastError("Out of memory");
  } catch (const std::exception& e) {
    SetLastError(e.what());
  } catch (...) {
    SetLastError("Unknown error");
  }
  return failed;
}

template <class Body>
void GuardedVoid(Body&& body) noexcept {
  Guarded(0, [&] {
    body();
    return 0;
  });
}

CObject* Self(VantrelObject* o) { return static_cast<CObject*>(o); }

const char* Hand(VantrelObject* o, std::string value) {
  Self(o)->text = std::move(value);
  return Self(o)->text.c_str();
}

int Refuse(const char* text) noexcept {
  SetLastError(text);
  return -1;
}
int Refuse(const std::string& text) noexcept { return Refuse(text.c_str()); }

int UnknownProperty(const char* name) {
  return Refuse(std::string("Unknown property: ") + (name ? name : "(null)"));
}

int NullServer() { return Refuse("Invalid use of Null"); }

template <class Value>
int PutServer(VantrelObject* o, Value v) {
  return Guarded(-1, [&] { return Self(o)->processer.SetServer(v) ? 0 : NullServer(); });
}

// An import through the table: errOccured is assigned whatever it held.
template <void (DependProcesser::*Method)(bool&)>
void Import(VantrelObject* o, int* errOccured) {
  const int failed = Guarded(1, [&] {
    bool err = false;
    (Self(o)->processer.*Method)(err);
    return err ? 1 : 0;
  });
  if (errOccured) *errOccured = failed;
}

size_t GetMapInfo(VantrelObject* o, const VantrelMapEntry** entries) {
  return Guarded(size_t{0}, [&] {
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
  });
}

void PutMapInfo(VantrelObject* o, const VantrelMapEntry* entries, size_t count) {
  GuardedVoid([&] {
    vantrel::MapTable map;
    map.reserve(count);
    for (size_t i = 0; i < count; ++i)
      map.push_back(
          {entries[i].column ? entries[i].column : "", entries[i].field ? entries[i].field : ""});
    Self(o)->processer.SetMapInfo(std::move(map));
  });
}

const char* GetText(VantrelObject* o, const std::string& (DependProcesser::*get)() const) {
  return Guarded<const char*>(nullptr, [&] { return Hand(o, (Self(o)->processer.*get)()); });
}

void PutText(VantrelObject* o, void (DependProcesser::*set)(std::string), const char* v) {
  GuardedVoid([&] { (Self(o)->processer.*set)(v ? v : ""); });
}

const VantrelDependProcesserVtbl kVtbl = {
    [](VantrelObject* o) { return GetText(o, &DependProcesser::TargetDataBase); },
    [](VantrelObject* o, const char* v) { PutText(o, &DependProcesser::SetTargetDataBase, v); },
    [](VantrelObject* o) { return GetText(o, &DependProcesser::SourceFile); },
    [](VantrelObject* o, const char* v) { PutText(o, &DependProcesser::SetSourceFile, v); },
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
    [](VantrelObject* o) {
      return Guarded<const char*>(nullptr, [&] { return Hand(o, Self(o)->processer.Server()); });
    },
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
    // Members added since: appended only, in the order the header lists them.
    [](VantrelObject* o) { return vantrel_rolled_back(o); },
    [](VantrelObject* o) { return vantrel_reject_count(o); },
    [](VantrelObject* o, size_t index) { return vantrel_reject(o, index); },
    [](VantrelObject* o) { return Self(o)->processer.HeaderRow(); },
    [](VantrelObject* o, int32_t v) { Self(o)->processer.SetHeaderRow(v); },
    [](VantrelObject* o, const char* plan, int* errOccured) {
      (void)vantrel_migrate(o, plan, errOccured);
    },
    [](VantrelObject* o, double* debit, double* credit, double* stock_value) {
      return Guarded(-1, [&] {
        const vantrel::OpeningTotals& t = Self(o)->processer.Opening();
        if (debit) *debit = t.debit;
        if (credit) *credit = t.credit;
        if (stock_value) *stock_value = t.stock_value;
        return 0;
      });
    },
};

// The kinds as C structs, made once from the C++ list.
const std::vector<VantrelImportKind>& CImportKinds() {
  static const std::vector<VantrelImportKind> kinds = [] {
    std::vector<VantrelImportKind> list;
    for (const vantrel::ImportKind& k : vantrel::ImportKinds())
      list.push_back(
          {k.name, k.method, k.reads_export ? 1 : 0, k.reads_workbook ? 1 : 0, k.description});
    return list;
  }();
  return kinds;
}

struct CHandler {
  VantrelMessageHandler fn = nullptr;
  void* user = nullptr;
};

}  // namespace

extern "C" {

VantrelObject* vantrel_create(const char* id) {
  return Guarded<VantrelObject*>(nullptr, [&]() -> VantrelObject* {
    if (!id || (std::strcmp(id, VANTREL_PROGID) != 0 && strcasecmp(id, VANTREL_CLSID) != 0)) {
      Refuse(std::string("Class not registered: ") + (id ? id : "(null)"));
      return nullptr;
    }
    auto* object = new CObject();
    object->vtbl = &kVtbl;
    return object;
  });
}

void vantrel_release(VantrelObject* object) { delete Self(object); }

int vantrel_can_unload(void) { return vantrel::CanUnload() ? 1 : 0; }

void vantrel_set_message_handler(VantrelMessageHandler handler, void* user) {
  GuardedVoid([&] {
    if (!handler) {
      vantrel::SetMessageHandler(nullptr);
      return;
    }
    CHandler h{handler, user};
    vantrel::SetMessageHandler([h](const std::string& text, int style, const std::string& title) {
      h.fn(text.c_str(), style, title.c_str(), h.user);
    });
  });
}

void vantrel_set_sql_trace(VantrelTraceHandler handler, void* user) {
  GuardedVoid([&] {
    if (!handler) {
      vantrel::SetSqlTrace(nullptr);
      return;
    }
    vantrel::SetSqlTrace([handler, user](const std::string& sql) { handler(sql.c_str(), user); });
  });
}

void vantrel_set_progress_handler(VantrelProgressHandler handler, void* user) {
  GuardedVoid([&] {
    if (!handler) {
      vantrel::SetProgressHandler(nullptr);
      return;
    }
    vantrel::SetProgressHandler(
        [handler, user](const std::string& what, long done) { handler(what.c_str(), done, user); });
  });
}

void vantrel_set_progress_total_handler(VantrelProgressTotalHandler handler, void* user) {
  GuardedVoid([&] {
    if (!handler) {
      vantrel::SetProgressTotalHandler(nullptr);
      return;
    }
    vantrel::SetProgressTotalHandler(
        [handler, user](const std::string& what, long done, long total) {
          handler(what.c_str(), done, total, user);
        });
  });
}

const char* vantrel_last_error(void) { return g_last_error.c_str(); }

const char* vantrel_version(void) { return vantrel::Version(); }

// The number this library was built with: the running library's, whatever headers the host saw.
long vantrel_version_number(void) { return VANTREL_VERSION_NUMBER; }

int vantrel_set_log_folder(const char* path) {
  return Guarded(-1, [&] {
    vantrel::SetLogFolder(path ? path : "");
    return 0;
  });
}

const char* vantrel_log_folder(void) {
  return Guarded<const char*>(nullptr, [] {
    g_log_folder = vantrel::LogFolder();
    return g_log_folder.c_str();
  });
}

uint64_t vantrel_max_source_size(void) { return vantrel::MaxSourceSize(); }

void vantrel_set_max_source_size(uint64_t bytes) { vantrel::SetMaxSourceSize(bytes); }

int vantrel_get_target_timeouts(VantrelTargetTimeouts* timeouts) {
  if (!timeouts) return Refuse("Invalid use of Null");
  return Guarded(-1, [&] {
    const vantrel::TargetTimeouts t = vantrel::GetTargetTimeouts();
    *timeouts = {t.lock_wait_seconds, t.connect_seconds, t.read_seconds, t.write_seconds};
    return 0;
  });
}

int vantrel_set_target_timeouts(const VantrelTargetTimeouts* timeouts) {
  if (!timeouts) return Refuse("Invalid use of Null");
  return Guarded(-1, [&] {
    vantrel::SetTargetTimeouts({timeouts->lock_wait_seconds, timeouts->connect_seconds,
                                timeouts->read_seconds, timeouts->write_seconds});
    return 0;
  });
}

size_t vantrel_import_kinds(const VantrelImportKind** kinds) {
  return Guarded(size_t{0}, [&] {
    const std::vector<VantrelImportKind>& list = CImportKinds();
    if (kinds) *kinds = list.data();
    return list.size();
  });
}

int vantrel_create_company_file(const char* path) {
  return Guarded(-1, [&] {
    std::string error;
    if (!path) return Refuse("Invalid use of Null");
    return vantrel::InitCompanyFile(path, error) ? 0 : Refuse(error);
  });
}

int vantrel_create_company_database(const char* server, const char* database) {
  return Guarded(-1, [&] {
    std::string error;
    if (!server || !database) return Refuse("Invalid use of Null");
    return vantrel::InitCompanyDatabase(server, database, error) ? 0 : Refuse(error);
  });
}

int vantrel_set_text(VantrelObject* o, const char* property, const char* value) {
  return Guarded(-1, [&] {
    const std::string name = property ? property : "";
    if (name == "Server") return o->vtbl->put_Server_text(o, value);
    if (name == "TargetDataBase")
      Self(o)->processer.SetTargetDataBase(value ? value : "");
    else if (name == "SourceFile")
      Self(o)->processer.SetSourceFile(value ? value : "");
    else
      return UnknownProperty(property);
    return 0;
  });
}

const char* vantrel_get_text(VantrelObject* o, const char* property) {
  return Guarded<const char*>(nullptr, [&]() -> const char* {
    const std::string name = property ? property : "";
    const DependProcesser& p = Self(o)->processer;
    if (name == "TargetDataBase") return Hand(o, p.TargetDataBase());
    if (name == "SourceFile") return Hand(o, p.SourceFile());
    if (name == "Server") return Hand(o, p.Server());
    if (name == "LogPath") return Hand(o, p.LogPath());
    UnknownProperty(property);
    return nullptr;
  });
}

int vantrel_set_int(VantrelObject* o, const char* property, int32_t value) {
  return Guarded(-1, [&] {
    const std::string name = property ? property : "";
    DependProcesser& p = Self(o)->processer;
    if (name == "TargetType")
      p.SetTargetType(value);
    else if (name == "SourceType")
      p.SetSourceType(value);
    else if (name == "TransactionMode")
      p.SetTransactionMode(value);
    else if (name == "HeaderRow")
      p.SetHeaderRow(value);
    else
      return UnknownProperty(property);
    return 0;
  });
}

int32_t vantrel_get_int(VantrelObject* o, const char* property) {
  return Guarded(-1, [&]() -> int32_t {
    const std::string name = property ? property : "";
    const DependProcesser& p = Self(o)->processer;
    if (name == "TargetType") return p.TargetType();
    if (name == "SourceType") return p.SourceType();
    if (name == "TransactionMode") return p.TransactionMode();
    if (name == "HeaderRow") return p.HeaderRow();
    return UnknownProperty(property);
  });
}

int vantrel_load_map_file(VantrelObject* o, const char* path) {
  return Guarded(-1, [&] {
    vantrel::MapTable map;
    std::string error;
    if (!path) return Refuse("Invalid use of Null");
    if (!vantrel::LoadMapFile(path, map, error)) return Refuse(error);
    Self(o)->processer.SetMapInfo(std::move(map));
    return 0;
  });
}

int vantrel_import(VantrelObject* o, const char* kind, int* errOccured) {
  bool started = false;
  const int status = Guarded(-1, [&] {
    bool err = false;
    started = true;
    if (!kind || !vantrel::RunImport(Self(o)->processer, kind, err)) {
      started = false;
      return Refuse("Unknown import: " + std::string(kind ? kind : "(null)"));
    }
    if (errOccured) *errOccured = err ? 1 : 0;
    return 0;
  });
  // An import that ended on an exception failed.
  if (status != 0 && started && errOccured) *errOccured = 1;
  return status;
}

int vantrel_migrate(VantrelObject* o, const char* plan_file, int* errOccured) {
  if (errOccured) *errOccured = 1;
  return Guarded(-1, [&] {
    vantrel::MigrationPlan plan;
    std::string error;
    if (!plan_file || !vantrel::LoadMigrationPlan(plan_file, plan, error))
      return Refuse(plan_file ? error : "No plan file given");
    bool err = false;
    Self(o)->processer.Migrate(plan, err);
    if (errOccured) *errOccured = err ? 1 : 0;
    return 0;
  });
}

int vantrel_close_conn(VantrelObject* o) {
  return Guarded(-1, [&] {
    std::string error;
    return Self(o)->processer.CloseConn(&error) ? 0 : Refuse(error);
  });
}

int vantrel_error_flag(VantrelObject* o) { return Self(o)->processer.ErrorFlag() ? 1 : 0; }
long vantrel_rows_imported(VantrelObject* o) { return Self(o)->processer.RowsImported(); }
long vantrel_rows_refused(VantrelObject* o) { return Self(o)->processer.RowsRefused(); }
const char* vantrel_log_path(VantrelObject* o) {
  return Guarded<const char*>(nullptr, [&] { return Hand(o, Self(o)->processer.LogPath()); });
}
int vantrel_rolled_back(VantrelObject* o) { return Self(o)->processer.RolledBack() ? 1 : 0; }
size_t vantrel_reject_count(VantrelObject* o) { return Self(o)->processer.Rejects().size(); }

const VantrelRejectedRecord* vantrel_reject(VantrelObject* o, size_t index) {
  const std::vector<vantrel::RejectedRecord>& rejects = Self(o)->processer.Rejects();
  if (index >= rejects.size()) {
    Guarded(0, [&] {
      return Refuse("No reject " + std::to_string(index) + ": the last import has " +
                    std::to_string(rejects.size()));
    });
    return nullptr;
  }
  const vantrel::RejectedRecord& r = rejects[index];
  VantrelRejectedRecord& out = Self(o)->reject;
  out.kind = r.kind.c_str();
  out.name = r.name.c_str();
  out.parent = r.parent.c_str();
  out.reason = r.reason.c_str();
  out.row = r.row;
  out.column = r.column.c_str();
  out.value = r.value.c_str();
  out.source = r.source.c_str();
  return &out;
}

}  // extern "C"
