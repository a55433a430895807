#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/variant/variant.h"

namespace vantrel {

// What differs between the two targets in the statements and queries the
// imports send: the company file takes [name] brackets, its date text and
// sub-selects; the server takes plain names, yyyymmdd dates and lists. The
// frame picks one per import; the workers never ask which target they write.
class Dialect {
 public:
  virtual ~Dialect() = default;

  // A statement written with [name] brackets, as this target takes it; text
  // values keep their brackets on both.
  virtual std::string Statement(const std::string& sql) const = 0;
  // A date as the target stores it in a date column given as text.
  virtual std::string StoredDate(DateValue d) const = 0;
  // The next ledger code: the numeric maximum of the text codes, plus one.
  virtual const char* NextLedgerCodeQuery() const = 0;
  // The next product code: the numeric maximum of the text codes, plus one.
  virtual const char* NextProductCodeQuery() const = 0;
  // The next journal voucher number of the company (1 for the first).
  virtual int32_t ReadNextJournalVoucher() const = 0;
  // The list inside "in (...)" for the rows a select finds: the select itself
  // where the target takes sub-selects, else its values read beforehand.
  virtual std::string InList(const std::string& select) const = 0;
  // How many single-row inserts an atomic import sends as one statement:
  // where each statement is a round trip, many; 0 sends each as it comes.
  virtual size_t InsertBatchRows() const = 0;
};

// The dialect of a target type; any type that is not the server's gets the company file's.
const Dialect& DialectOf(int32_t target_type);

// The first field of every row of a query on the target as a list: "5,9",
// or "'A','B'" when `text_list`. A query that finds nothing or fails gives
// "-1" ("''"), which keeps an in-clause well formed and matches nothing.
std::string SelectAsList(const std::string& sql, bool text_list);

// Removes the square brackets around names; a quoted text keeps its brackets.
std::string WithoutBrackets(const std::string& sql);

}  // namespace vantrel
