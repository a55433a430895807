// The CSV reader and the table a sheet makes.
#include "fuzz_support.h"
#include "platform/workbook/csv_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vantrel::workbook::Workbook book;
  try {
    book.sheets.push_back(vantrel::workbook::ReadCsv(vantrel::fuzz::Bytes(data, size), "fuzz"));
  } catch (const vantrel::Error&) {
    return 0;
  }
  vantrel::fuzz::ReadAll(book);
  return 0;
}
