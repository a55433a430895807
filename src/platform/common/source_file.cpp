#include "platform/common/source_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace vantrel {
namespace {

std::atomic<uint64_t> g_max_source_size{kDefaultMaxSourceSize};

const char* KindOf(mode_t mode) {
  if (S_ISDIR(mode)) return "a folder";
  if (S_ISFIFO(mode)) return "a pipe (FIFO)";
  if (S_ISCHR(mode)) return "a character device";
  if (S_ISBLK(mode)) return "a block device";
  if (S_ISSOCK(mode)) return "a socket";
  return "not a regular file";
}

class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

}  // namespace

uint64_t MaxSourceSize() { return g_max_source_size.load(); }

void SetMaxSourceSize(uint64_t bytes) { g_max_source_size.store(bytes); }

std::string ByteCountText(uint64_t bytes) {
  static const char* const kUnits[] = {"KiB", "MiB", "GiB", "TiB"};
  if (bytes < 1024) return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes");
  double value = static_cast<double>(bytes);
  int unit = -1;
  while (value >= 1024 && unit < 3) {
    value /= 1024;
    ++unit;
  }
  char text[32];
  if (value == static_cast<double>(static_cast<uint64_t>(value)))
    std::snprintf(text, sizeof text, "%.0f %s", value, kUnits[unit]);
  else
    std::snprintf(text, sizeof text, "%.1f %s", value, kUnits[unit]);
  return text;
}

std::string SourceLimitText(uint64_t limit) {
  return "the limit is " + ByteCountText(limit) +
         " (raise it with --max-source-size BYTES, or the library's SetMaxSourceSize)";
}

bool ReadSourceFile(const std::string& path, uint64_t limit, std::string& bytes,
                    std::string& reason) {
  bytes.clear();
  // Not blocking: opening a FIFO must not wait for a writer before it is refused.
  Fd fd(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
  if (fd.get() < 0) {
    reason = std::strerror(errno);
    return false;
  }
  struct stat st {};
  if (fstat(fd.get(), &st) != 0) {
    reason = std::strerror(errno);
    return false;
  }
  if (!S_ISREG(st.st_mode)) {
    reason = std::string("it is ") + KindOf(st.st_mode) + ", not a regular file";
    return false;
  }
  const auto size = static_cast<uint64_t>(st.st_size);
  if (size > limit) {
    reason =
        "it holds " + ByteCountText(size) + ", more than a source may; " + SourceLimitText(limit);
    return false;
  }
  bytes.reserve(static_cast<size_t>(size));
  char chunk[65536];
  for (;;) {
    const ssize_t got = read(fd.get(), chunk, sizeof chunk);
    if (got < 0) {
      if (errno == EINTR) continue;
      reason = std::string("read error: ") + std::strerror(errno);
      bytes.clear();
      return false;
    }
    if (got == 0) break;
    // The file may have grown since it was measured.
    if (bytes.size() + static_cast<size_t>(got) > limit) {
      reason = "it holds more than a source may; " + SourceLimitText(limit);
      bytes.clear();
      return false;
    }
    bytes.append(chunk, static_cast<size_t>(got));
  }
  return true;
}

}  // namespace vantrel
