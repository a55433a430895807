#pragma once

namespace vantrel {

class Recordset;

// Writes what the markup reader staged into the target: account groups as
// heads and ledgers; stock groups, stock items and godowns. Records that exist
// are skipped. Each writer has one handler: a message (empty title), ErrorFlag
// set through `error_flag`, the remaining rows not written.
class CommonConvertor {
 public:
  explicit CommonConvertor(bool& error_flag) : error_flag_(error_flag) {}
  void AddToOrvikAcc(Recordset& rsLedG, Recordset& rsLedL);
  void AddToOrvikPro(Recordset& rsProG, Recordset& rsProI);
  void AddToOrvikDepo(Recordset& rsDepo);

 private:
  bool& error_flag_;
};

}  // namespace vantrel
