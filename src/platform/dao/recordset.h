#pragma once

#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/dao/rowset.h"

namespace vantrel {

class Connection;

// Rows of one query or an in-memory table, with a current position.
// Clones share the rows and keep positions of their own.
class Recordset {
 public:
  static constexpr int kClosed = 0;
  static constexpr int kOpen = 1;

  Recordset();

  // Runs the query on the connection and stands on its first row.
  // Cursor type, lock type and options are accepted as callers give them.
  void Open(const std::string& sql, Connection& conn, int cursor_type = -1, int lock_type = -1,
            int options = -1);
  // Opens over rows already fetched (schema queries).
  void OpenRows(RowSet rows);
  // In-memory table: declare fields, then open with no source.
  void AppendField(const std::string& name, int type, int size);
  void OpenInMemory();
  void SetCursorLocation(int location) { cursor_location_ = location; }

  int State() const { return open_ ? kOpen : kClosed; }
  void Close();

  bool Bof() const;
  bool Eof() const;
  // A query has rows unless it stands at its start and its end at once.
  bool HasRows() const { return !(Bof() && Eof()); }
  void MoveFirst();
  void MoveNext();

  size_t FieldCount() const;
  std::string FieldName(size_t index) const;
  // Field values of the current row; names are found without regard to case.
  const Variant& Value(std::string_view name) const;
  const Variant& Value(size_t index) const;
  int Type(std::string_view name) const;
  int Type(size_t index) const;
  bool HasField(std::string_view name) const;
  // The size a field's column declares, alike on both targets: for text the
  // characters it holds (50 for VARCHAR(50); 0 when no length is declared),
  // for numbers and dates their size in bytes (SMALLINT 2, INT 4, BIGINT 8).
  // Type tells which kind of column it is.
  int DefinedSize(std::string_view name) const;
  int DefinedSize(size_t index) const;
  void SetValue(std::string_view name, Variant value);

  // Appends an empty row (fields without value) and stands on it.
  void AddNew();
  // "" shows every row; "Field='text'" or "Field<>'text'" shows the matching ones.
  void SetFilter(const std::string& criterion);
  const std::string& Filter() const { return filter_; }

  Recordset Clone() const;
  size_t RecordCount() const;

 private:
  // The values of every row, row after row, in one deque: no allocation per
  // row and no copying as rows are added, so a large staged set costs little
  // more than its values.
  struct Data {
    std::vector<FieldDef> fields;
    std::deque<Variant> cells;
    size_t rows = 0;
    std::string source;

    Variant& At(size_t row, size_t field) { return cells[row * fields.size() + field]; }
  };
  size_t FieldIndex(std::string_view name) const;
  // The current row's value of a field.
  Variant& Current(size_t field) const;
  void RebuildVisible();
  void RequireOpen() const;

  std::shared_ptr<Data> data_;
  std::vector<FieldDef> pending_fields_;
  std::vector<size_t> visible_;  // indexes into data_->rows, in order
  long pos_ = 0;                 // -1 before the first row, visible_.size() past the last
  bool open_ = false;
  int cursor_location_ = 2;
  std::string filter_;
};

}  // namespace vantrel
