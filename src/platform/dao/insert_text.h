#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vantrel {

// One value of an insert's value list as written.
struct InsertValue {
  enum Kind { kText, kNumber, kNull, kOther };
  Kind kind = kOther;
  // A text's contents (a doubled quote read as one), a number's digits, else the raw text.
  std::string text;
  // A text holding a backslash, which the two targets read differently.
  bool backslash = false;
};

// "insert into <table> [(<columns>)] values(<values>)" read apart. `head` is
// the statement up to its value list, `tuple` the list with its parentheses:
// statements with the same head can share one insert of many rows.
struct InsertText {
  std::string table;                 // lower case, brackets and backquotes removed
  std::vector<std::string> columns;  // lower case; empty when the statement names none
  std::vector<InsertValue> values;
  std::string head;
  std::string tuple;
};

// False for anything but a single-row insert of that form.
bool ReadInsertText(std::string_view sql, InsertText& out);

// The table an INSERT, UPDATE or DELETE writes to (lower case) and the words
// of an UPDATE's SET part; false for other statements.
bool ReadChangeTarget(std::string_view sql, std::string& table, std::vector<std::string>& words);

}  // namespace vantrel
