// The .xls reader: the compound file check and FreeXL behind it.
#include "fuzz_support.h"
#include "platform/workbook/xls_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  try {
    vantrel::fuzz::ReadAll(
        vantrel::workbook::ReadXls(vantrel::fuzz::Bytes(data, size), "fuzz.xls"));
  } catch (const vantrel::Error&) {
  }
  return 0;
}
