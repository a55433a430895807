#include "frame/company_template.h"

#include <cctype>

#include "frame/connections.h"
#include "platform/common/error.h"
#include "platform/dao/connection.h"
#include "platform/dao/provider.h"
#include "platform/dao/sql_scan.h"
#include "platform/variant/convert.h"

namespace vantrel {
namespace {

// Database names are joined into SQL; letters, digits, '_' and '$' only.
void RequirePlainName(const std::string& name) {
  if (name.empty()) throw Error("A database name is required");
  for (char c : name)
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_' && c != '$')
      throw Error("Database name '" + name + "' may hold only letters, digits, '_' and '$'");
}

// The template's name collation: letter case never matters, in any script;
// accents, symbols and trailing blanks do. MySQL has no such UCA 14 collation
// and gets its UCA 9 one, which decides the same way.
constexpr const char* kNameCollation = "utf8mb4_uca1400_nopad_as_ci";
constexpr const char* kMysqlNameCollation = "utf8mb4_0900_as_ci";

std::string ForServer(std::string statement, bool mariadb) {
  if (mariadb) return statement;
  const std::string from = kNameCollation;
  for (size_t at = statement.find(from); at != std::string::npos; at = statement.find(from, at + 1))
    statement.replace(at, from.size(), kMysqlNameCollation);
  return statement;
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
    // "_" is a wildcard after LIKE: escaped, "acme_1" is not taken for "acmex1".
    std::string pattern;
    for (char c : database) pattern += c == '_' ? std::string("\\_") : std::string(1, c);
    if (!admin.Query("SHOW DATABASES LIKE '" + pattern + "'").rows.empty())
      throw Error("Database '" + database + "' already exists on " + server);
    admin.Execute("CREATE DATABASE `" + database + "` CHARACTER SET utf8mb4");
  }
  Connection conn;
  conn.Open(MultiUserConnectionString(server, database));
  const RowSet version = conn.Query("SELECT VERSION()");
  const bool mariadb = !version.rows.empty() && !version.rows[0].empty() &&
                       JoinText(version.rows[0][0]).find("MariaDB") != std::string::npos;
  for (const std::string& statement : SplitSqlScript(MultiUserTemplateSql()))
    conn.Execute(ForServer(statement, mariadb));
}

}  // namespace vantrel
