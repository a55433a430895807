#include "platform/workbook/compound_file.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace vantrel::workbook {
namespace {

constexpr uint32_t kMaxRegular = 0xFFFFFFFA;  // sector ids above this are markers
constexpr uint32_t kDifatSector = 0xFFFFFFFC;
constexpr uint32_t kFatSector = 0xFFFFFFFD;
constexpr uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr uint32_t kFree = 0xFFFFFFFF;
constexpr uint32_t kNoStream = 0xFFFFFFFF;
constexpr size_t kHeaderDifatEntries = 109;
constexpr size_t kEntrySize = 128;
constexpr uint32_t kMiniSectorSize = 64;
constexpr uint32_t kMiniStreamCutoff = 4096;

struct Failure {
  std::string reason;
};

uint16_t U16(const std::string& b, size_t at) {
  return static_cast<uint16_t>(static_cast<unsigned char>(b[at]) |
                               static_cast<unsigned char>(b[at + 1]) << 8);
}
uint32_t U32(const std::string& b, size_t at) {
  return static_cast<uint32_t>(U16(b, at)) | static_cast<uint32_t>(U16(b, at + 2)) << 16;
}

class Checker {
 public:
  explicit Checker(const std::string& bytes) : b_(bytes) {}

  // The workbook stream found while the entries were checked.
  const std::string& workbook_stream() const { return workbook_; }

  void Run() {
    ReadHeader();
    ReadFat();
    const std::vector<uint32_t> dir_chain =
        Chain(fat_, first_dir_, sectors_, claimed_, "directory");
    if (dir_chain.empty()) Fail("the directory is empty");
    ReadMiniFat();
    CheckEntries(dir_chain);
  }

 private:
  [[noreturn]] static void Fail(const std::string& reason) { throw Failure{reason}; }

  // "Workbook" or "Book", in any letter case.
  bool IsWorkbookName(size_t at, uint16_t name_bytes) const {
    std::string name;
    for (size_t i = 0; i + 2 < name_bytes; i += 2) {
      const uint16_t unit = U16(b_, at + i);
      if (unit >= 0x80) return false;
      name += static_cast<char>(unit >= 'a' && unit <= 'z' ? unit - 32 : unit);
    }
    return name == "WORKBOOK" || name == "BOOK";
  }

  // Joins the first `size` bytes of the sectors of a chain.
  std::string Gather(const std::vector<uint32_t>& chain, uint64_t size, bool mini) const {
    std::string out;
    const size_t unit = mini ? kMiniSectorSize : sector_size_;
    for (uint32_t id : chain) {
      if (out.size() >= size) break;
      const size_t want = std::min<uint64_t>(unit, size - out.size());
      if (mini) {
        out.append(mini_stream_, size_t{id} * kMiniSectorSize, want);
      } else {
        out.append(b_, SectorOffset(id), want);
      }
    }
    return out;
  }

  size_t SectorOffset(uint32_t id) const { return (size_t{id} + 1) * sector_size_; }

  void ReadHeader() {
    if (b_.size() < 512) Fail("the compound file header is cut short");
    const uint16_t major = U16(b_, 0x1A);
    if (U16(b_, 0x1C) != 0xFFFE) Fail("the compound file header has a bad byte order mark");
    const uint16_t shift = U16(b_, 0x1E);
    if (!((major == 3 && shift == 9) || (major == 4 && shift == 12)))
      Fail("the compound file header has an unknown version or sector size");
    if (U16(b_, 0x20) != 6) Fail("the compound file header has a bad mini sector size");
    if (U32(b_, 0x38) != kMiniStreamCutoff)
      Fail("the compound file header has a bad mini stream cutoff");
    sector_size_ = size_t{1} << shift;
    if (b_.size() < sector_size_) Fail("the compound file header is cut short");
    // Only whole sectors count; a tail shorter than one is ignored.
    const size_t whole = (b_.size() - sector_size_) / sector_size_;
    sectors_ = whole > kMaxRegular ? kMaxRegular : static_cast<uint32_t>(whole);
    fat_count_ = U32(b_, 0x2C);
    first_dir_ = U32(b_, 0x30);
    first_minifat_ = U32(b_, 0x3C);
    minifat_count_ = U32(b_, 0x40);
    first_difat_ = U32(b_, 0x44);
    difat_count_ = U32(b_, 0x48);
    if (fat_count_ == 0 || fat_count_ > sectors_)
      Fail("the compound file claims more allocation sectors than it holds");
    if (difat_count_ > sectors_ || minifat_count_ > sectors_)
      Fail("the compound file claims more sectors than it holds");
  }

  // Collects the FAT's sector ids from the header and the DIFAT chain, then reads the FAT.
  void ReadFat() {
    std::vector<uint32_t> fat_sectors;
    for (size_t i = 0; i < kHeaderDifatEntries && fat_sectors.size() < fat_count_; ++i)
      fat_sectors.push_back(U32(b_, 0x4C + 4 * i));
    uint32_t next = first_difat_;
    const size_t per_sector = sector_size_ / 4 - 1;
    claimed_.assign(sectors_, false);
    for (uint32_t d = 0; d < difat_count_ && fat_sectors.size() < fat_count_; ++d) {
      if (next >= sectors_ || claimed_[next]) Fail("the compound file's DIFAT chain is broken");
      claimed_[next] = true;
      const size_t at = SectorOffset(next);
      for (size_t i = 0; i < per_sector && fat_sectors.size() < fat_count_; ++i)
        fat_sectors.push_back(U32(b_, at + 4 * i));
      next = U32(b_, at + 4 * per_sector);
    }
    if (fat_sectors.size() < fat_count_) Fail("the compound file lists too few allocation sectors");
    fat_.reserve(fat_sectors.size() * (sector_size_ / 4));
    for (uint32_t s : fat_sectors) {
      if (s >= sectors_) Fail("an allocation sector of the compound file lies outside the file");
      if (claimed_[s]) Fail("an allocation sector of the compound file is listed twice");
      claimed_[s] = true;
      const size_t at = SectorOffset(s);
      for (size_t i = 0; i < sector_size_ / 4; ++i) fat_.push_back(U32(b_, at + 4 * i));
    }
  }

  // Follows a chain from `first` through `table`: every id below `limit`,
  // ended by the end-of-chain marker, and no sector that another chain (or
  // this one, in a loop) already holds. Claiming sectors across all chains
  // keeps the whole check linear in the size of the file.
  static std::vector<uint32_t> Chain(const std::vector<uint32_t>& table, uint32_t first,
                                     uint32_t limit, std::vector<bool>& claimed,
                                     const std::string& what) {
    std::vector<uint32_t> chain;
    if (first == kEndOfChain) return chain;
    if (claimed.size() < limit) claimed.resize(limit, false);
    uint32_t id = first;
    while (id != kEndOfChain) {
      if (id >= limit || id >= table.size())
        Fail("the " + what + " runs outside the compound file");
      if (claimed[id]) Fail("the " + what + " loops or crosses another in the compound file");
      claimed[id] = true;
      chain.push_back(id);
      id = table[id];
      if (id == kFree || id == kFatSector || id == kDifatSector)
        Fail("the " + what + " is broken in the compound file");
    }
    return chain;
  }

  void ReadMiniFat() {
    if (minifat_count_ == 0) return;
    const std::vector<uint32_t> chain =
        Chain(fat_, first_minifat_, sectors_, claimed_, "mini FAT chain");
    if (chain.size() < minifat_count_) Fail("the mini FAT chain is shorter than the header says");
    for (uint32_t s : chain) {
      const size_t at = SectorOffset(s);
      for (size_t i = 0; i < sector_size_ / 4; ++i) minifat_.push_back(U32(b_, at + 4 * i));
    }
  }

  void CheckEntries(const std::vector<uint32_t>& dir_chain) {
    const size_t per_sector = sector_size_ / kEntrySize;
    const size_t count = dir_chain.size() * per_sector;
    uint32_t mini_sectors = 0;
    for (size_t e = 0; e < count; ++e) {
      const size_t at = SectorOffset(dir_chain[e / per_sector]) + (e % per_sector) * kEntrySize;
      const uint8_t type = static_cast<uint8_t>(b_[at + 0x42]);
      // Readers convert the names of unused entries too.
      const uint16_t name_bytes = U16(b_, at + 0x40);
      if (name_bytes > 64 || name_bytes % 2 != 0)
        Fail("a directory entry has a name of a bad length");
      if (type == 0) continue;  // unused entry
      if (type != 1 && type != 2 && type != 5) Fail("a directory entry has an unknown kind");
      if ((type == 5) != (e == 0)) Fail("the compound file's root entry is misplaced");
      for (size_t link : {0x44, 0x48, 0x4C}) {
        const uint32_t id = U32(b_, at + link);
        if (id != kNoStream && id >= count) Fail("a directory entry links outside the directory");
      }
      if (type == 1) continue;  // storages hold no data of their own
      const uint32_t start = U32(b_, at + 0x74);
      // Version 3 files may leave garbage in the high half of the size.
      uint64_t size = U32(b_, at + 0x78);
      if (sector_size_ == 4096) size |= uint64_t{U32(b_, at + 0x7C)} << 32;
      if (type == 5) {
        // The root entry's stream is the mini stream, in regular sectors.
        const auto chain = Chain(fat_, start, sectors_, claimed_, "mini stream");
        if (size > uint64_t{chain.size()} * sector_size_)
          Fail("the mini stream is longer than its chain");
        mini_sectors = static_cast<uint32_t>(size / kMiniSectorSize);
        mini_stream_ = Gather(chain, size, false);
      } else if (size < kMiniStreamCutoff) {
        if (size == 0) continue;
        const auto chain =
            Chain(minifat_, start, mini_sectors, mini_claimed_, "chain of a small stream");
        if (size > uint64_t{chain.size()} * kMiniSectorSize)
          Fail("a small stream is longer than its chain");
        if (workbook_.empty() && IsWorkbookName(at, name_bytes))
          workbook_ = Gather(chain, size, true);
      } else {
        const auto chain = Chain(fat_, start, sectors_, claimed_, "chain of a stream");
        if (size > uint64_t{chain.size()} * sector_size_) Fail("a stream is longer than its chain");
        if (workbook_.empty() && IsWorkbookName(at, name_bytes))
          workbook_ = Gather(chain, size, false);
      }
    }
  }

  const std::string& b_;
  size_t sector_size_ = 512;
  uint32_t sectors_ = 0;
  uint32_t fat_count_ = 0, first_dir_ = 0, first_minifat_ = 0, minifat_count_ = 0;
  uint32_t first_difat_ = 0, difat_count_ = 0;
  std::vector<uint32_t> fat_, minifat_;
  std::vector<bool> claimed_, mini_claimed_;
  std::string mini_stream_;
  std::string workbook_;
};

}  // namespace

std::string CheckCompoundFile(const std::string& bytes) {
  try {
    Checker(bytes).Run();
    return "";
  } catch (const Failure& f) {
    return f.reason;
  }
}

std::string ReadWorkbookStream(const std::string& bytes) {
  try {
    Checker checker(bytes);
    checker.Run();
    return checker.workbook_stream();
  } catch (const Failure&) {
    return "";
  }
}

}  // namespace vantrel::workbook
