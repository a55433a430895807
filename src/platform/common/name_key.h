#pragma once

#include <string>
#include <string_view>

namespace vantrel {

// How names compare, on both targets and in memory: letter case never matters,
// in any script (Unicode simple case folding: "Σ", "σ" and "ς" are one letter,
// "ẞ" is "ß"), and every other difference does: accents, full-width forms,
// kana, compatibility forms ("x²" is not "x2"), emoji, blanks. Three code
// points that case folding would change stay as they are, since they are a
// compatibility form or a combining mark rather than another letter case, and
// the server's collation keeps them apart too: long s "ſ", "ẛ" and the
// combining ypogegrammeni U+0345. A byte that is not part of well-formed UTF-8
// stands for itself.

// The folded form of one code point.
char32_t FoldNameChar(char32_t c);

// The name with each code point folded: equal keys are equal names.
std::string NameKey(std::string_view name);

bool NamesEqual(std::string_view a, std::string_view b);

// An order of names that agrees with NamesEqual; for ASCII text it is the
// order of SQLite's own NOCASE collation.
int CompareNames(std::string_view a, std::string_view b);

}  // namespace vantrel
