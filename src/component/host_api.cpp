// The process-wide functions of the public interface that have no home of their own.
#include <exception>
#include <new>

#include "frame/company_template.h"
#include "vantrel/host.h"

namespace vantrel {
namespace {

template <class Body>
bool Reported(std::string& error, Body&& body) {
  try {
    body();
    return true;
  } catch (const std::bad_alloc&) {
    error = "Out of memory";
    return false;
  } catch (const std::exception& e) {
    error = e.what();
    return false;
  }
}

}  // namespace

const char* Version() { return VANTREL_VERSION; }

bool InitCompanyFile(const std::string& path, std::string& error) {
  return Reported(error, [&] { CreateCompanyFile(path); });
}

bool InitCompanyDatabase(const std::string& server, const std::string& database,
                         std::string& error) {
  return Reported(error, [&] { CreateCompanyDatabase(server, database); });
}

}  // namespace vantrel
