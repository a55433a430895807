#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/dao/rowset.h"
#include "platform/variant/convert.h"
#include "platform/workbook/sheet.h"

namespace vantrel::fuzz {

inline std::string Bytes(const uint8_t* data, size_t size) {
  return std::string(reinterpret_cast<const char*>(data), size);
}

// Reads every sheet as the import would, touching every value.
inline void ReadAll(const workbook::Workbook& book) {
  for (const workbook::Sheet& sheet : book.sheets) {
    try {
      const RowSet rows = workbook::SheetToRowSet(sheet, "fuzz");
      size_t length = 0;
      for (const Row& row : rows.rows)
        for (const Variant& v : row)
          if (!v.is_null()) length += ToText(v).size();
      (void)length;
    } catch (const Error&) {
      // A table beyond the limit is refused, which is what should happen.
    }
  }
}

}  // namespace vantrel::fuzz
