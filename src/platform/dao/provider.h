#pragma once

#include <map>
#include <memory>
#include <string>

#include "platform/dao/rowset.h"

namespace vantrel {

// Keys of a connection string, lower-cased and trimmed, with their values.
using ConnectionParams = std::map<std::string, std::string>;
ConnectionParams ParseConnectionString(const std::string& text);

// One data source behind a connection. Each call carries exactly one statement;
// a provider refuses text that holds a second one. Failures raise vantrel::Error
// with the provider's own message and the statement text.
class Provider {
 public:
  virtual ~Provider() = default;
  // An INSERT, UPDATE or DELETE; returns the records affected.
  virtual long Execute(const std::string& sql) = 0;
  // A query; the whole result.
  virtual RowSet Query(const std::string& sql) = 0;
  // The tables schema: one row per table, the table name at field index 2.
  virtual RowSet Tables() = 0;

  // Transaction control. Depth 0 is the whole transaction, deeper levels are
  // savepoints inside it, so a row's transaction can nest in a run's. The
  // defaults are standard SQL; a provider overrides what its target does otherwise.
  virtual void Begin(int depth);
  virtual void Commit(int depth);
  virtual void Rollback(int depth);

  // Claims the target for one import until the provider is closed. A second
  // claim on the same target waits up to `wait_seconds` and then raises
  // vantrel::Error naming the target as in use. Connections that only read
  // claim nothing and are never blocked. Sources have nothing to claim.
  virtual void ClaimForImport(int wait_seconds);
};

// The providers, one per kind of connection string. Each is built in its own
// folder under platform/ and opens its source or raises vantrel::Error.
std::unique_ptr<Provider> OpenSqliteProvider(const ConnectionParams& params);
std::unique_ptr<Provider> OpenMariadbProvider(const ConnectionParams& params);
std::unique_ptr<Provider> OpenWorkbookProvider(const ConnectionParams& params);

// Creates a new single-user company file from the template's statements and
// refuses a file that already exists.
void CreateSqliteCompanyFile(const std::string& path, const std::string& schema_sql);

}  // namespace vantrel
