#include "platform/common/error.h"
#include "platform/dao/provider.h"

namespace vantrel {

// Placeholder until the provider is written.
std::unique_ptr<Provider> OpenSqliteProvider(const ConnectionParams&) {
  throw Error("The sqlite provider is not available yet.");
}

}  // namespace vantrel
