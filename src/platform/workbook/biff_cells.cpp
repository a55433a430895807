#include "platform/workbook/biff_cells.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <set>
#include <utility>

#include "platform/common/text_decoding.h"

namespace vantrel::workbook {
namespace {

constexpr uint16_t kFormula = 0x0006, kEof = 0x000A, kDateMode = 0x0022, kContinue = 0x003C,
                   kBoundSheet = 0x0085, kXf = 0x00E0, kBoolErr = 0x0205, kString = 0x0207,
                   kArray = 0x0221, kTable = 0x0236, kFormat = 0x041E, kShrFmla = 0x04BC,
                   kBof = 0x0809;
constexpr uint16_t kBiff8 = 0x0600;

uint16_t Le16(const std::string& b, size_t at) {
  return static_cast<uint16_t>(static_cast<unsigned char>(b[at]) |
                               static_cast<unsigned char>(b[at + 1]) << 8);
}

// One record: its type and where its data lies in the stream.
struct Record {
  uint16_t type = 0;
  size_t data = 0;
  size_t size = 0;
  size_t end() const { return data + size; }
};

// The record at `at`; false when it runs past the end of the stream.
bool ReadRecord(const std::string& s, size_t at, Record& r) {
  if (at > s.size() || s.size() - at < 4) return false;
  r.type = Le16(s, at);
  r.size = Le16(s, at + 2);
  r.data = at + 4;
  return s.size() - r.data >= r.size;
}

// `count` characters of a BIFF8 string whose flags byte is at `at`, as UTF-8.
// With `continued` the characters may go on in CONTINUE records, each opening
// with flags of its own. False when they run past the records.
bool ReadChars(const std::string& s, size_t at, size_t end, size_t count, bool continued,
               std::string& out) {
  if (at >= end) return false;
  bool wide = (s[at++] & 1) != 0;
  std::string units;  // UTF-16LE
  while (count > 0) {
    if (at == end) {
      Record next;
      if (!continued || !ReadRecord(s, end, next) || next.type != kContinue || next.size == 0)
        return false;
      wide = (s[next.data] & 1) != 0;
      at = next.data + 1;
      end = next.end();
      continue;
    }
    if (wide) {
      if (end - at < 2) return false;
      units.append(s, at, 2);
      at += 2;
    } else {
      units += s[at++];
      units += '\0';
    }
    --count;
  }
  out = FromUtf16(reinterpret_cast<const unsigned char*>(units.data()), units.size(), false);
  return true;
}

std::string CellName(uint16_t row, uint16_t column) {
  std::string letters;
  for (unsigned c = column + 1u; c > 0; c = (c - 1) / 26)
    letters.insert(letters.begin(), static_cast<char>('A' + (c - 1) % 26));
  return letters + std::to_string(row + 1u);
}

// What the workbook globals say about reading cells.
struct Globals {
  std::vector<std::pair<size_t, std::string>> sheets;  // where its BOF lies, name
  std::vector<bool> dated;                             // per XF: shows a date
  bool date1904 = false;
};

Globals ReadGlobals(const std::string& s, size_t at) {
  Globals g;
  std::vector<uint16_t> xf_formats;
  std::set<uint16_t> date_formats;
  Record r;
  for (; ReadRecord(s, at, r) && r.type != kEof; at = r.end()) {
    std::string text;
    if (r.type == kBoundSheet && r.size >= 8) {
      const size_t offset = Le16(s, r.data) | size_t{Le16(s, r.data + 2)} << 16;
      if (ReadChars(s, r.data + 7, r.end(), static_cast<unsigned char>(s[r.data + 6]), false, text))
        g.sheets.emplace_back(offset, text);
    } else if (r.type == kXf && r.size >= 4) {
      xf_formats.push_back(Le16(s, r.data + 2));
    } else if (r.type == kFormat && r.size >= 4) {
      if (ReadChars(s, r.data + 4, r.end(), Le16(s, r.data + 2), false, text) &&
          IsDateFormatCode(text))
        date_formats.insert(Le16(s, r.data));
    } else if (r.type == kDateMode && r.size >= 2) {
      g.date1904 = Le16(s, r.data) == 1;
    }
  }
  for (uint16_t f : xf_formats) g.dated.push_back(IsBuiltInDateFormat(f) || date_formats.count(f));
  return g;
}

class SheetReader {
 public:
  SheetReader(const std::string& s, const Globals& g, const std::string& path)
      : s_(s), g_(g), path_(path) {}

  // The cells of the sheet whose BOF is at `at`; `end` is where its scan stopped.
  std::vector<Cell> Read(const std::string& name, size_t at, size_t& end) {
    name_ = name;
    std::vector<Cell> cells;
    Record r;
    if (!ReadRecord(s_, at, r) || r.type != kBof) return cells;
    for (at = r.end(); ReadRecord(s_, at, r) && r.type != kEof; at = r.end()) {
      if (r.type == kBoolErr && r.size >= 8) {
        const bool error = s_[r.data + 7] != 0;
        cells.push_back(Cell{Le16(s_, r.data), Le16(s_, r.data + 2),
                             error ? Variant::Null() : Variant(s_[r.data + 6] != 0)});
      } else if (r.type == kFormula) {
        if (r.size < 20) Fail("a formula record is cut short");
        cells.push_back(Cell{Le16(s_, r.data), Le16(s_, r.data + 2), FormulaResult(r)});
      }
    }
    end = at;
    return cells;
  }

 private:
  [[noreturn]] void Fail(const std::string& what) const {
    ThrowOpenError(path_, "the file is damaged: in the sheet '" + name_ + "', " + what);
  }

  // The cached result: 8 bytes after row, column and format, a number unless
  // its last two bytes are FFFF; then the first byte says which kind.
  Variant FormulaResult(const Record& f) const {
    const size_t v = f.data + 6;
    if (Le16(s_, v + 6) != 0xFFFF) {
      uint64_t bits = 0;
      for (int i = 7; i >= 0; --i) bits = bits << 8 | static_cast<unsigned char>(s_[v + i]);
      double d;
      std::memcpy(&d, &bits, sizeof d);
      if (!std::isfinite(d)) return Variant::Null();
      const uint16_t xf = Le16(s_, f.data + 4);
      if (xf < g_.dated.size() && g_.dated[xf])
        return Variant(DateValue{g_.date1904 ? d + 1462 : d});
      return Variant(d);
    }
    switch (s_[v]) {
      case 0:
        return TextCell(TextResult(f));
      case 1:
        return Variant(s_[v + 2] != 0);
      default:  // an error, an empty text
        return Variant::Null();
    }
  }

  // The STRING record after a formula (past the records of a shared, array
  // or table formula) holds its text result.
  std::string TextResult(const Record& f) const {
    const std::string cell =
        "the text result of the formula in " + CellName(Le16(s_, f.data), Le16(s_, f.data + 2));
    Record r;
    size_t at = f.end();
    bool found;
    while ((found = ReadRecord(s_, at, r)) &&
           (r.type == kShrFmla || r.type == kArray || r.type == kTable))
      at = r.end();
    if (!found || r.type != kString) Fail(cell + " is missing");
    std::string text;
    if (r.size < 3 || !ReadChars(s_, r.data + 2, r.end(), Le16(s_, r.data), true, text))
      Fail(cell + " runs past its record");
    return text;
  }

  const std::string& s_;
  const Globals& g_;
  const std::string& path_;
  std::string name_;
};

}  // namespace

std::map<std::string, std::vector<Cell>> ReadBiffCells(const std::string& stream,
                                                       const std::string& path) {
  std::map<std::string, std::vector<Cell>> cells;
  Record bof;
  if (!ReadRecord(stream, 0, bof) || bof.type != kBof || bof.size < 2 ||
      Le16(stream, bof.data) != kBiff8)
    return cells;
  Globals g = ReadGlobals(stream, bof.end());
  // In stream order, each byte read once: a sheet that starts inside another is skipped.
  std::sort(g.sheets.begin(), g.sheets.end());
  SheetReader reader(stream, g, path);
  size_t done = 0;
  for (const auto& [offset, name] : g.sheets) {
    if (name.empty() || offset < done) continue;
    std::vector<Cell> found = reader.Read(name, offset, done);
    std::vector<Cell>& kept = cells[name];
    kept.insert(kept.end(), std::make_move_iterator(found.begin()),
                std::make_move_iterator(found.end()));
  }
  return cells;
}

}  // namespace vantrel::workbook
