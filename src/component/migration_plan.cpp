#include <string>

#include "vantrel/DependProcesser.h"

namespace vantrel {

bool LoadMigrationPlan(const std::string& path, MigrationPlan& plan, std::string& error) {
  (void)path;
  (void)plan;
  error = "migration plans are not read yet";
  return false;
}

}  // namespace vantrel
