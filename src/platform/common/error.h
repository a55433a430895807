#pragma once

#include <stdexcept>
#include <string>

namespace vantrel {

// A run-time error as the component's handlers see it: a number and a
// description that becomes the text of the message box.
class Error : public std::runtime_error {
 public:
  explicit Error(const std::string& description, int number = 0)
      : std::runtime_error(description), number_(number) {}
  int number() const { return number_; }
  std::string description() const { return what(); }

 private:
  int number_;
};

// The handful of conversion errors the platform raises.
inline Error OverflowError() { return Error("Overflow", 6); }
inline Error TypeMismatchError() { return Error("Type mismatch", 13); }
inline Error InvalidUseOfNullError() { return Error("Invalid use of Null", 94); }

// Raised by record sets that are asked for the current row where there is none.
inline Error NoCurrentRecordError() {
  return Error(
      "Either BOF or EOF is True, or the current record has been deleted. Requested operation "
      "requires a current record.",
      3021);
}
inline Error ObjectClosedError() {
  return Error("Operation is not allowed when the object is closed.", 3704);
}
inline Error ItemNotFoundError(const std::string& name) {
  return Error(
      "Item cannot be found in the collection corresponding to the requested name or "
      "ordinal: " +
          name,
      3265);
}

}  // namespace vantrel
