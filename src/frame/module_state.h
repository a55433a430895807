#pragma once

#include <array>
#include <memory>
#include <string>

namespace vantrel {

class Connection;
class Recordset;

// The 30 names of the standard primary account groups of the markup source's
// chart of accounts, assigned again by every object's creation.
using DefaultHeadList = std::array<std::string, 30>;
const DefaultHeadList& DefaultHeads();
void AssignDefaultHeads();

// The one target connection all objects share; created, closed, on first use.
Connection& TargetConnection();
// Closes (when open) and releases the shared connection; the next use makes a new one.
void ReleaseTargetConnection();

// The one lookup record set the lookups and allocators share.
Recordset& LookupRecordset();
// Closes the lookup record set when it is open.
void CloseLookupIfOpen();
// Replaces the lookup record set with a new, closed one.
void ReplaceLookup();
// Closes when open, then opens the lookup record set on the query over the target connection.
Recordset& LookupQuery(const std::string& sql);
// Hands a record set (the workbook's schema) over as the lookup record set.
void SetLookupRecordset(std::shared_ptr<Recordset> rs);

}  // namespace vantrel
