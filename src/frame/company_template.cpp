#include "frame/company_template.h"

#include <cctype>

#include "frame/connections.h"
#include "platform/common/error.h"
#include "platform/dao/connection.h"
#include "platform/dao/provider.h"
#include "platform/dao/sql_scan.h"

namespace vantrel {
namespace {

// Database names are joined into SQL; letters, digits, '_' and '$' only.
void RequirePlainName(const std::string& name) {
  if (name.empty()) throw Error("A database name is required");
  for (char c : name)
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_' && c != '$')
      throw Error("Database name '" + name + "' may hold only letters, digits, '_' and '$'");
}

}  // namespace

void CreateCompanyFile(const std::string& path) {
  CreateSqliteCompanyFile(path, SingleUserTemplateSql());
}

void CreateCompanyDatabase(const std::string& server, const std::string& database) {
  RequirePlainName(database);
  {
    Connection admin;
    admin.Open(MultiUserConnectionString(server, ""));
    if (!admin.Query("SHOW DATABASES LIKE '" + database + "'").rows.empty())
      throw Error("Database '" + database + "' already exists on " + server);
    admin.Execute("CREATE DATABASE `" + database + "` CHARACTER SET utf8mb4");
  }
  Connection conn;
  conn.Open(MultiUserConnectionString(server, database));
  for (const std::string& statement : SplitSqlScript(MultiUserTemplateSql()))
    conn.Execute(statement);
}

}  // namespace vantrel
