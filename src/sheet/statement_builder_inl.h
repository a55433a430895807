#pragma once

#include "frame/handler.h"
#include "frame/processer_state.h"

namespace vantrel {

std::string DescribeWorkerError(const ProcesserState& s, const std::string& description);

template <class Body>
void RunWorker(ProcesserState& s, Body&& body, const std::string* failure_note) {
  std::string description;
  try {
    body();
    s.sheet_row = 0;
    return;
  } catch (const Error& e) {
    description = e.description();
  } catch (const std::exception& e) {
    description = e.what();
  }
  s.error_flag = true;
  std::string text = DescribeWorkerError(s, description);
  if (failure_note) text += *failure_note;
  ShowMessage(text, msgstyle::kInformation, "Orvik");
  s.sheet_row = 0;
}

}  // namespace vantrel
