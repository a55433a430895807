#pragma once

#include <exception>
#include <string>

#include "platform/common/error.h"
#include "platform/message/message.h"

namespace vantrel {

// Runs a procedure's body under its one error handler: any error ends the body,
// its description is shown with the given style and title, and `error_flag`
// (when given) is set. Returns false when the handler ran.
template <class Body>
bool RunHandled(Body&& body, int style, const std::string& title, bool* error_flag) {
  std::string description;
  try {
    body();
    return true;
  } catch (const Error& e) {
    description = e.description();
  } catch (const std::exception& e) {
    description = e.what();
  }
  if (error_flag) *error_flag = true;
  ShowMessage(description, style, title);
  return false;
}

}  // namespace vantrel
