#pragma once

#include <cstdint>
#include <string>

#include "vantrel/host.h"

namespace vantrel {

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
