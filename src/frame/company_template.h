#pragma once

#include <string>

namespace vantrel {

// Creates a new single-user company file from the template; refuses an existing file.
void CreateCompanyFile(const std::string& path);
// Creates a new company database on a server from the template; refuses an existing one.
void CreateCompanyDatabase(const std::string& server, const std::string& database);

// The template statements of each target, built into the library.
const char* SingleUserTemplateSql();
const char* MultiUserTemplateSql();

}  // namespace vantrel
