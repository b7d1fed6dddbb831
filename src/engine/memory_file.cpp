#include "memory_file.h"

#include <algorithm>
#include <cstring>

namespace lumiro::engine {

std::size_t MemoryFile::read(std::uint64_t offset, std::span<std::byte> out) {
    if (offset >= bytes_.size()) return 0;
    const std::size_t n = std::min<std::size_t>(out.size(), bytes_.size() - std::size_t(offset));
    std::memcpy(out.data(), bytes_.data() + offset, n);
    return n;
}

void MemoryFile::write(std::uint64_t offset, std::span<const std::byte> data) {
    const std::size_t end = std::size_t(offset) + data.size();
    if (end > bytes_.size()) bytes_.resize(end);
    std::memcpy(bytes_.data() + offset, data.data(), data.size());
}

}  // namespace lumiro::engine
