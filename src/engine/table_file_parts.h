// What the parts of TableFile share: the ids under which its files are journalled, record
// locators, name comparison as the engine makes it, and the stamp by which a journal tells
// the states of the data file apart. Only table_file*.cpp include this file.
#pragma once

#include <algorithm>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "cp1250.h"
#include "error.h"
#include "little_endian.h"
#include "paradox_format.h"

namespace lumiro::engine::table_file_parts {

inline constexpr std::uint8_t kDataFileId = 0;
inline constexpr std::uint8_t kPrimaryFileId = 1;
inline constexpr std::uint8_t kFirstSecondaryFileId = 2;

inline std::string upper(std::string s) {
    for (auto& c : s) c = char(toUpper1250(std::uint8_t(c)));
    return s;
}

inline bool sameName(const std::string& a, const std::string& b) {
    return upper(a) == upper(b);
}

inline std::vector<std::byte> locatorBytes(std::uint32_t loc) {
    return {std::byte(loc >> 24), std::byte(loc >> 16), std::byte(loc >> 8), std::byte(loc)};
}

inline std::uint32_t locatorFrom(std::span<const std::byte> b) {
    if (b.size() < 4) fail(ErrorCode::Corrupt, "Wpis indeksu jest uszkodzony.");
    return std::uint32_t(b[0]) << 24 | std::uint32_t(b[1]) << 16 | std::uint32_t(b[2]) << 8 |
           std::uint32_t(b[3]);
}

inline std::uint32_t makeLocator(std::uint32_t block, std::uint32_t slot) {
    return block << 16 | slot;
}
inline std::uint32_t blockOf(std::uint32_t loc) {
    return loc >> 16;
}
inline std::uint32_t slotOf(std::uint32_t loc) {
    return loc & 0xFFFF;
}

inline std::string hexDigit(int n) {
    return std::string(1, "0123456789ABCDEF"[n & 15]);
}

// The state of a table's files as its journal tells states apart: the fixed part of the data
// file's header, which every change of this engine rewrites with a new generation and counts.
inline std::uint32_t headerStamp(std::span<const std::byte> image) {
    const std::size_t size = std::min(px::kHeaderPrefix, image.size());
    return le::crc32(0, image.data(), size);
}

}  // namespace lumiro::engine::table_file_parts
