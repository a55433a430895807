#pragma once

#include <cstdint>
#include <string>

namespace vantrel {

// The most bytes a source may hold: an XML export's or a workbook's file size,
// and for an .xlsx workbook also its parts once uncompressed and the table a
// sheet makes. Hosts raise it for unusually large sources.
constexpr uint64_t kDefaultMaxSourceSize = uint64_t{256} << 20;
uint64_t MaxSourceSize();
void SetMaxSourceSize(uint64_t bytes);

// The sentence every refusal for size ends with: the limit and how to raise it.
std::string SourceLimitText(uint64_t limit);

// "256 MiB", "1.5 GiB", "312 bytes".
std::string ByteCountText(uint64_t bytes);

// Reads a whole source file. Only a regular file is read (a FIFO, a device or
// a link to one is refused before any byte is read), and only up to `limit`
// bytes. Returns false with the reason (without the path) when it cannot.
bool ReadSourceFile(const std::string& path, uint64_t limit, std::string& bytes,
                    std::string& reason);

}  // namespace vantrel
