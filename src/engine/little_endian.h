// Fixed-width little-endian fields and the CRC32 used by our own file formats (journal,
// index files). Paradox's own big-endian fields live in paradox_format.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace lumiro::engine::le {

inline void put16(std::byte* p, std::uint16_t v) {
    p[0] = std::byte(v);
    p[1] = std::byte(v >> 8);
}
inline void put32(std::byte* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = std::byte(v >> (8 * i));
}
inline void put64(std::byte* p, std::uint64_t v) {
    for (int i = 0; i < 8; ++i) p[i] = std::byte(v >> (8 * i));
}
inline std::uint16_t get16(const std::byte* p) {
    return std::uint16_t(std::uint16_t(p[0]) | std::uint16_t(p[1]) << 8);
}
inline std::uint32_t get32(const std::byte* p) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | std::uint32_t(p[i]);
    return v;
}
inline std::uint64_t get64(const std::byte* p) {
    std::uint64_t v = 0;
    for (int i = 7; i >= 0; --i) v = (v << 8) | std::uint64_t(p[i]);
    return v;
}

// zlib's CRC-32, continued from `crc` (0 to start).
std::uint32_t crc32(std::uint32_t crc, const std::byte* data, std::size_t size);

}  // namespace lumiro::engine::le
