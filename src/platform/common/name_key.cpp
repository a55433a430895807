#include "platform/common/name_key.h"

#include <unicode/uchar.h>

#include "platform/common/text_decoding.h"

namespace vantrel {
namespace {

// A byte outside well-formed UTF-8 reads as this plus the byte: above every
// code point, so it never equals a letter.
constexpr char32_t kStrayByte = 0x110000;

bool IsContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// The next unit of the text: a well-formed UTF-8 sequence (no overlong forms,
// no surrogates, nothing past U+10FFFF) as its code point, else one byte as
// kStrayByte + byte.
char32_t NextUnit(std::string_view s, size_t& i) {
  const auto c = static_cast<unsigned char>(s[i]);
  if (c < 0x80) {
    ++i;
    return c;
  }
  const size_t length = c >= 0xC2 && c <= 0xDF   ? 2
                        : c >= 0xE0 && c <= 0xEF ? 3
                        : c >= 0xF0 && c <= 0xF4 ? 4
                                                 : 0;
  if (length == 0 || i + length > s.size()) {
    ++i;
    return kStrayByte + c;
  }
  char32_t cp = c & (length == 2 ? 0x1F : length == 3 ? 0x0F : 0x07);
  for (size_t k = 1; k < length; ++k) {
    const auto next = static_cast<unsigned char>(s[i + k]);
    if (!IsContinuation(next)) {
      ++i;
      return kStrayByte + c;
    }
    cp = (cp << 6) | (next & 0x3F);
  }
  const char32_t least = length == 2 ? 0x80 : length == 3 ? 0x800 : 0x10000;
  if (cp < least || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    ++i;
    return kStrayByte + c;
  }
  i += length;
  return cp;
}

}  // namespace

char32_t FoldNameChar(char32_t c) {
  // ASCII as SQLite's NOCASE folds it, so indexes of plain names keep their order.
  if (c < 0x80) return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c;
  if (c >= kStrayByte) return c;
  if (c == 0x017F || c == 0x1E9B || c == 0x0345) return c;
  return static_cast<char32_t>(u_foldCase(static_cast<UChar32>(c), U_FOLD_CASE_DEFAULT));
}

std::string NameKey(std::string_view name) {
  std::string key;
  key.reserve(name.size());
  for (size_t i = 0; i < name.size();) {
    const size_t start = i;
    const char32_t unit = NextUnit(name, i);
    if (unit >= kStrayByte)
      key += name[start];
    else
      AppendUtf8(key, FoldNameChar(unit));
  }
  return key;
}

int CompareNames(std::string_view a, std::string_view b) {
  size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    const char32_t x = FoldNameChar(NextUnit(a, i));
    const char32_t y = FoldNameChar(NextUnit(b, j));
    if (x != y) return x < y ? -1 : 1;
  }
  if (i < a.size()) return 1;
  if (j < b.size()) return -1;
  return 0;
}

bool NamesEqual(std::string_view a, std::string_view b) { return CompareNames(a, b) == 0; }

}  // namespace vantrel
