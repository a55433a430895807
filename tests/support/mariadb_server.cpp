#include "support/mariadb_server.h"

#include <unistd.h>

#include <atomic>
#include <cctype>
#include <cstdlib>

#include "frame/company_template.h"
#include "platform/dao/connection.h"

namespace vantrel {
namespace {

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::string() : std::string(value);
}

}  // namespace

std::string TestMariadbServer() { return Env("VANTREL_TEST_MARIADB"); }

bool MariadbServerRequired() { return Env("VANTREL_REQUIRE_MARIADB") == "1"; }

std::string TestMariadbConnectionString(const std::string& database) {
  return "DRIVER=MySQL ODBC 3.51 Driver;UID=orvikuser;PWD=marblequince;SERVER=" +
         TestMariadbServer() + ";DATABASE=" + database;
}

std::string CreateTestDatabase(const std::string& name_hint) {
  static std::atomic<int> counter{0};
  std::string name = "vt_";
  for (char c : name_hint.substr(0, 30))
    name += std::isalnum(static_cast<unsigned char>(c)) ? static_cast<char>(std::tolower(c)) : '_';
  name += "_" + std::to_string(getpid()) + "_" + std::to_string(++counter);
  DropTestDatabase(name);
  CreateCompanyDatabase(TestMariadbServer(), name);
  return name;
}

void DropTestDatabase(const std::string& name) {
  try {
    Connection server;
    server.Open(TestMariadbConnectionString(""));
    server.Execute("DROP DATABASE IF EXISTS " + name);
  } catch (const std::exception&) {
    // Left behind for the next run's server to hold; nothing to report here.
  }
}

}  // namespace vantrel
