#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace vantrel {

// One line of a small CSV file the host writes by hand (a mapping file, a
// migration plan): its line number, from 1, and its fields; an empty field is "".
struct CsvLine {
  size_t line;
  std::vector<std::string> fields;
};

// The lines of such a file's text, blank and comment ('#') lines left out.
// `kind` and `name` stand for the file in errors ("mapping file 'x.csv'").
// Raises vantrel::Error naming the line of a quoted field that is not closed.
std::vector<CsvLine> ParseCsvLines(const std::string& text, const std::string& name,
                                   const char* kind);

// The whole text of such a file, no larger than one can sensibly be. Raises
// vantrel::Error ("cannot read KIND 'PATH': reason") when it cannot be read.
std::string ReadSmallTextFile(const std::string& path, const char* kind);

}  // namespace vantrel
