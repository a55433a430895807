#include "platform/common/error.h"
#include "platform/dao/provider.h"

namespace vantrel {

// Placeholder until the provider is written.
std::unique_ptr<Provider> OpenWorkbookProvider(const ConnectionParams&) {
  throw Error("The workbook provider is not available yet.");
}

}  // namespace vantrel
