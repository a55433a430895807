// The process-wide functions of the public interface that have no home of their own.
#include "component/reported.h"
#include "frame/company_template.h"
#include "vantrel/host.h"

namespace vantrel {
const char* Version() { return VANTREL_VERSION; }

bool InitCompanyFile(const std::string& path, std::string& error) {
  return Reported(error, [&] { CreateCompanyFile(path); });
}

bool InitCompanyDatabase(const std::string& server, const std::string& database,
                         std::string& error) {
  return Reported(error, [&] { CreateCompanyDatabase(server, database); });
}

}  // namespace vantrel
