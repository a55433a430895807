#include "platform/common/text_decoding.h"

#include <cstring>

namespace vantrel {
namespace {

constexpr uint32_t kReplacementChar = 0xFFFD;

bool IsSurrogate(uint32_t cp) { return cp >= 0xD800 && cp <= 0xDFFF; }

// Length of the well-formed UTF-8 sequence starting at p[0], or 0.
size_t Utf8SequenceLength(const unsigned char* p, size_t n) {
  const unsigned char c = p[0];
  size_t len;
  uint32_t cp;
  if (c < 0x80) return 1;
  if ((c & 0xE0) == 0xC0) {
    len = 2, cp = c & 0x1F;
  } else if ((c & 0xF0) == 0xE0) {
    len = 3, cp = c & 0x0F;
  } else if ((c & 0xF8) == 0xF0) {
    len = 4, cp = c & 0x07;
  } else {
    return 0;
  }
  if (n < len) return 0;
  for (size_t k = 1; k < len; ++k) {
    if ((p[k] & 0xC0) != 0x80) return 0;
    cp = cp << 6 | (p[k] & 0x3F);
  }
  static const uint32_t kShortest[] = {0, 0, 0x80, 0x800, 0x10000};
  if (cp < kShortest[len] || cp > 0x10FFFF || IsSurrogate(cp)) return 0;
  return len;
}

// Windows-1252 for 0x80-0x9F; the five unassigned bytes map to the C1 controls.
const uint16_t kCp1252High[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                  0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                  0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                  0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

bool StartsWith(const std::string& bytes, const char* prefix, size_t length) {
  return bytes.size() >= length && std::memcmp(bytes.data(), prefix, length) == 0;
}

}  // namespace

void AppendUtf8(std::string& out, uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

std::string FromUtf16(const unsigned char* p, size_t n, bool big_endian) {
  auto unit = [&](size_t i) -> uint32_t {
    return big_endian ? (uint32_t{p[i]} << 8 | p[i + 1]) : (uint32_t{p[i + 1]} << 8 | p[i]);
  };
  std::string out;
  out.reserve(n);
  for (size_t i = 0; i + 1 < n; i += 2) {
    uint32_t cp = unit(i);
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 3 < n) {
      const uint32_t low = unit(i + 2);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
        i += 2;
      }
    }
    AppendUtf8(out, IsSurrogate(cp) ? kReplacementChar : cp);
  }
  return out;  // an odd trailing byte is part of no character
}

std::string FromUtf32(const unsigned char* p, size_t n, bool big_endian) {
  std::string out;
  out.reserve(n);
  for (size_t i = 0; i + 3 < n; i += 4) {
    const uint32_t cp =
        big_endian
            ? (uint32_t{p[i]} << 24 | uint32_t{p[i + 1]} << 16 | uint32_t{p[i + 2]} << 8 | p[i + 3])
            : (uint32_t{p[i + 3]} << 24 | uint32_t{p[i + 2]} << 16 | uint32_t{p[i + 1]} << 8 |
               p[i]);
    AppendUtf8(out, cp > 0x10FFFF || IsSurrogate(cp) ? kReplacementChar : cp);
  }
  return out;
}

// Text that is already valid (the usual case) is handed back without a copy.
std::string FromUtf8OrCp1252(std::string bytes) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const size_t n = bytes.size();
  size_t i = 0;
  while (i < n) {
    const size_t len = Utf8SequenceLength(p + i, n - i);
    if (len == 0) break;
    i += len;
  }
  if (i == n) return bytes;
  std::string out(bytes, 0, i);
  out.reserve(n + n / 8);
  while (i < n) {
    const size_t len = Utf8SequenceLength(p + i, n - i);
    if (len > 0) {
      out.append(bytes, i, len);
      i += len;
    } else {
      const unsigned char c = p[i++];
      AppendUtf8(out, c >= 0x80 && c < 0xA0 ? kCp1252High[c - 0x80] : c);
    }
  }
  return out;
}

bool HasByteOrderMark(const std::string& bytes) {
  return StartsWith(bytes, "\xEF\xBB\xBF", 3) || StartsWith(bytes, "\xFF\xFE", 2) ||
         StartsWith(bytes, "\xFE\xFF", 2) || StartsWith(bytes, "\x00\x00\xFE\xFF", 4);
}

std::string DecodeTextFile(std::string bytes) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const size_t n = bytes.size();
  if (StartsWith(bytes, "\xEF\xBB\xBF", 3)) return FromUtf8OrCp1252(std::move(bytes.erase(0, 3)));
  // UTF-32 LE starts like UTF-16 LE, so it is tested first.
  if (StartsWith(bytes, "\xFF\xFE\x00\x00", 4)) return FromUtf32(p + 4, n - 4, false);
  if (StartsWith(bytes, "\x00\x00\xFE\xFF", 4)) return FromUtf32(p + 4, n - 4, true);
  if (StartsWith(bytes, "\xFF\xFE", 2)) return FromUtf16(p + 2, n - 2, false);
  if (StartsWith(bytes, "\xFE\xFF", 2)) return FromUtf16(p + 2, n - 2, true);
  return FromUtf8OrCp1252(std::move(bytes));
}

}  // namespace vantrel
