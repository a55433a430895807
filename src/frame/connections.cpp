#include "frame/connections.h"

#include "frame/module_state.h"
#include "frame/processer_state.h"
#include "platform/dao/connection.h"
#include "platform/dao/recordset.h"
#include "platform/variant/convert.h"

namespace vantrel {
namespace {

// Closes the target again unless the claim on it was taken.
class TargetClaim {
 public:
  explicit TargetClaim(Connection& conn) : conn_(conn) {}
  ~TargetClaim() {
    if (!kept_ && conn_.State() == Connection::kOpen) conn_.Close();
  }
  TargetClaim(const TargetClaim&) = delete;
  TargetClaim& operator=(const TargetClaim&) = delete;
  void Keep() { kept_ = true; }

 private:
  Connection& conn_;
  bool kept_ = false;
};

}  // namespace

std::string SingleUserConnectionString(const std::string& database_file) {
  return "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + database_file +
         ";Persist Security Info=False;Jet OLEDB:Database Password =tWdøKPéq-¥Hì¡vàß";
}

std::string MultiUserConnectionString(const std::string& server, const std::string& database) {
  return "DRIVER=MySQL ODBC 3.51 Driver;UID=orvikuser;PWD=marblequince;SERVER=" + server +
         ";DATABASE=" + database;
}

std::string WorkbookConnectionString(const std::string& source_file, long header_row) {
  const std::string header = header_row == 1   ? ""
                             : header_row == 0 ? "HDR=NO;"
                                               : "HDR_ROW=" + std::to_string(header_row) + ";";
  return "DRIVER=Microsoft Excel Driver (*.xls);" + header + "DBQ=" + source_file;
}

void OpenTargetConnection(ProcesserState& s) {
  StepVoice voice(s, {"Orvik"});
  Connection& conn = TargetConnection();
  if (conn.State() == Connection::kOpen) conn.Close();
  if (s.target_type == typeSingleUser)
    conn.Open(SingleUserConnectionString(s.target_database));
  else if (s.target_type == typeMultiUser)
    conn.Open(MultiUserConnectionString(s.server, s.target_database));
  if (conn.State() != Connection::kOpen) return;
  // The import owns its target until the connection closes: a second
  // import waits a bounded time, then stops with the target left closed.
  TargetClaim claim(conn);
  conn.ClaimForImport(GetTargetTimeouts().lock_wait_seconds);
  claim.Keep();
  if (s.transaction_mode != transAtomic && s.transaction_mode != transDryRun) return;
  conn.BeginTrans();
  conn.HoldWhole();
  // A dry run sends each statement as it comes, so its counts stop where a failure does.
  if (s.transaction_mode == transAtomic) conn.BatchInserts(s.dialect().InsertBatchRows());
}

void OpenWorkbook(ProcesserState& s, bool client_side_cursor) {
  s.workbook_conn = std::make_shared<Connection>();
  s.workbook_conn->Open(WorkbookConnectionString(s.source_file, s.header_row));
  std::shared_ptr<Recordset> schema = s.workbook_conn->OpenSchema(Connection::kSchemaTables);
  SetLookupRecordset(schema);
  s.sheet_name = ToText(schema->Value(size_t{2}));
  schema->Close();
  s.sheet_rows = std::make_shared<Recordset>();
  if (client_side_cursor) s.sheet_rows->SetCursorLocation(3);
  s.sheet_rows->Open("select * from [" + s.sheet_name + "]", *s.workbook_conn);
}

}  // namespace vantrel
