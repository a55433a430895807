#pragma once

#include <exception>
#include <new>
#include <string>

namespace vantrel {

// Runs a body of a public function that answers with a result and a reason:
// false, with the reason in `error` ("Out of memory" when an allocation
// failed), when the body throws.
template <class Body>
bool Reported(std::string& error, Body&& body) {
  try {
    body();
    return true;
  } catch (const std::bad_alloc&) {
    error = "Out of memory";
  } catch (const std::exception& e) {
    error = e.what();
  }
  return false;
}

}  // namespace vantrel
