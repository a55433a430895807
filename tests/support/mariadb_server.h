#pragma once

#include <gtest/gtest.h>

#include <string>

namespace vantrel {

// "host:port" of the MariaDB server the tests may use (VANTREL_TEST_MARIADB), or
// "" when none is configured.
std::string TestMariadbServer();

// True when VANTREL_REQUIRE_MARIADB=1: a missing server is then a failure, not a skip.
bool MariadbServerRequired();

// Connection string for the fixed test account; `database` may be empty.
std::string TestMariadbConnectionString(const std::string& database);

// Creates a fresh database named after the hint (plus process id and a counter),
// makes it a new company database as `vantrel init --server` does and returns its name.
std::string CreateTestDatabase(const std::string& name_hint);

// Drops a database made by CreateTestDatabase; errors are ignored.
void DropTestDatabase(const std::string& name);

}  // namespace vantrel

// Opening line of a test that needs the MariaDB server: skips without one,
// or fails when the run requires the server.
#define VANTREL_NEED_MARIADB()                                                   \
  do {                                                                           \
    if (::vantrel::TestMariadbServer().empty()) {                                \
      if (::vantrel::MariadbServerRequired()) {                                  \
        FAIL() << "VANTREL_REQUIRE_MARIADB=1 but VANTREL_TEST_MARIADB is unset"; \
      } else {                                                                   \
        GTEST_SKIP() << "VANTREL_TEST_MARIADB is unset";                         \
      }                                                                          \
    }                                                                            \
  } while (0)
