// The .xlsx reader: libzip, the part limits, the XML of each part.
#include "fuzz_support.h"
#include "platform/workbook/xlsx_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  try {
    vantrel::fuzz::ReadAll(
        vantrel::workbook::ReadXlsx(vantrel::fuzz::Bytes(data, size), "fuzz.xlsx"));
  } catch (const vantrel::Error&) {
  }
  return 0;
}
