#pragma once

#include <string>
#include <string_view>

namespace vantrel {

// True when the text holds more than one statement: a ';' outside quoted text,
// brackets and comments, followed by anything but blanks.
bool HoldsSecondStatement(std::string_view sql);

// Raises vantrel::Error naming the statement when it holds a second one.
void RefuseStackedStatements(const std::string& sql);

// The text a LIKE pattern matches when it holds no wildcard: backslash escapes
// removed. False when an unescaped "%" or "_" makes it a real pattern.
bool LiteralOfPattern(std::string_view pattern, std::string& literal);

}  // namespace vantrel

#include <vector>

namespace vantrel {

// Splits a script into its statements at ';' that end a line; blank and
// comment-only pieces are dropped.
std::vector<std::string> SplitSqlScript(std::string_view script);

}  // namespace vantrel
