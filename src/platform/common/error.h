#pragma once

#include <stdexcept>
#include <string>

namespace vantrel {

// The one error of the library: a step that cannot go on throws it, and only
// the import frame catches it. Its description becomes the message's text; the
// places it passes fill in where it happened, so the message and the rejects
// list can name the file, the row or record, the column or element, the value
// and the statement.
class Error : public std::runtime_error {
 public:
  explicit Error(const std::string& description) : std::runtime_error(description) {}
  std::string description() const { return what(); }

  std::string file;
  long row = 0;  // worksheet row, as the sheet numbers it; 0 when none
  std::string column;
  std::string value;
  std::string statement;
};

// The handful of conversion errors the platform raises.
inline Error OverflowError() { return Error("Overflow"); }
inline Error TypeMismatchError() { return Error("Type mismatch"); }
inline Error InvalidUseOfNullError() { return Error("Invalid use of Null"); }

// Raised by record sets that are asked for the current row where there is none.
inline Error NoCurrentRecordError() {
  return Error(
      "Either BOF or EOF is True, or the current record has been deleted. Requested operation "
      "requires a current record.");
}
inline Error ObjectClosedError() {
  return Error("Operation is not allowed when the object is closed.");
}
inline Error ItemNotFoundError(const std::string& name) {
  return Error(
      "Item cannot be found in the collection corresponding to the requested name or "
      "ordinal: " +
      name);
}

}  // namespace vantrel
