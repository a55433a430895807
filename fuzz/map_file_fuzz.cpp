// The mapping-file reader.
#include <stdexcept>

#include "component/map_file.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  try {
    const vantrel::MapTable map =
        vantrel::ParseMapText(vantrel::fuzz::Bytes(data, size), "fuzz.csv");
    size_t total = 0;
    for (const auto& entry : map) total += entry.column.size() + entry.field.size();
    (void)total;
  } catch (const std::runtime_error&) {
  }
  return 0;
}
