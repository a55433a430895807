#include "platform/pcode/pcode_generator.h"

#include <cctype>

namespace vantrel {

std::string NextProductCodeAfter(const std::string& stored) {
  size_t digits_start = stored.size();
  while (digits_start > 0 && std::isdigit(static_cast<unsigned char>(stored[digits_start - 1])))
    --digits_start;
  if (digits_start == stored.size()) return stored + "1";
  std::string code = stored;
  size_t i = code.size();
  while (i > digits_start) {
    --i;
    if (code[i] != '9') {
      ++code[i];
      return code;
    }
    code[i] = '0';
  }
  // Every digit was 9: the run grows by one digit.
  code.insert(digits_start, "1");
  return code;
}

}  // namespace vantrel
