#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace vantrel {

// Appends the UTF-8 form of a code point.
void AppendUtf8(std::string& out, uint32_t cp);

// UTF-16 and UTF-32 units to UTF-8; unpaired surrogates and values past
// U+10FFFF become U+FFFD, an incomplete trailing unit is dropped.
std::string FromUtf16(const unsigned char* p, size_t n, bool big_endian);
std::string FromUtf32(const unsigned char* p, size_t n, bool big_endian);

// Keeps every well-formed UTF-8 sequence and reads any other byte as
// Windows-1252, so older exports in the Windows code page come out right.
std::string FromUtf8OrCp1252(std::string bytes);

// The bytes of a text file as UTF-8: a byte order mark decides the encoding
// (UTF-8, UTF-16 or UTF-32, either byte order) and is removed; without one
// the text is read as UTF-8, with stray bytes as Windows-1252.
std::string DecodeTextFile(std::string bytes);

// True when the bytes start with a byte order mark DecodeTextFile knows.
bool HasByteOrderMark(const std::string& bytes);

}  // namespace vantrel
