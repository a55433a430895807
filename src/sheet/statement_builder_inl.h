#pragma once

#include "frame/import_frame.h"
#include "frame/module_state.h"
#include "frame/processer_state.h"
#include "platform/dao/connection.h"
#include "platform/dao/recordset.h"

namespace vantrel {

template <class Row>
void ForEachSheetRow(ProcesserState& s, Recordset& rows, Row&& row) {
  s.sheet_row = s.header_row;
  Connection& target = TargetConnection();
  while (!rows.Eof()) {
    ++s.sheet_row;
    target.SetRowTag(s.sheet_row);
    row();
    rows.MoveNext();
  }
  // Statements held back for a batch are sent while the walk's voice speaks.
  target.Flush();
  target.SetRowTag(0);
}

}  // namespace vantrel
