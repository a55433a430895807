#pragma once

#include "frame/import_frame.h"
#include "frame/processer_state.h"
#include "platform/dao/recordset.h"

namespace vantrel {

template <class Row>
void ForEachSheetRow(ProcesserState& s, Recordset& rows, Row&& row) {
  s.sheet_row = s.header_row;
  while (!rows.Eof()) {
    ++s.sheet_row;
    row();
    rows.MoveNext();
  }
}

}  // namespace vantrel
