// What the two halves of the format code share: little-endian control data, the errors a
// damaged file or an unfitting value raises, the kinds of header, and the parsed header of
// any file of a table. Only paradox_format.cpp and paradox_header.cpp include this file.
#pragma once

#include <algorithm>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "cp1250.h"
#include "error.h"
#include "paradox_format.h"

namespace lumiro::engine::px::parts {

inline std::uint16_t le16(const std::byte* p) {
    return std::uint16_t(std::uint16_t(p[0]) | std::uint16_t(p[1]) << 8);
}
inline std::uint32_t le32(const std::byte* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}
inline void putLe16(std::byte* p, std::uint16_t v) {
    p[0] = std::byte(v & 0xFF);
    p[1] = std::byte(v >> 8);
}
inline void putLe32(std::byte* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = std::byte((v >> (8 * i)) & 0xFF);
}
inline std::string columnName(const FieldDef& f) {
    return "„" + cp1250ToUtf8(f.name) + "”";
}

[[noreturn]] inline void corrupt(const std::string& path, const std::string& why) {
    fail(ErrorCode::Corrupt, "Plik " + path + " jest uszkodzony: " + why + ".");
}

[[noreturn]] inline void conversion(const FieldDef& f, const std::string& why) {
    fail(ErrorCode::Conversion, "Kolumna " + columnName(f) + ": " + why + ".");
}

// Data files and .Xnn/.XGn files are laid out like tables (field names, field numbers);
// .PX and .Ynn/.YGn files carry only field descriptors and the table name.
inline bool isTableLike(std::uint8_t fileType) {
    return fileType == 0 || fileType == 2 || fileType == 3 || fileType == 5 || fileType == 6 ||
           fileType == 8;
}
inline bool isIndexTree(std::uint8_t fileType) {
    return fileType == 1 || fileType == 4 || fileType == 7;
}
inline bool hasDataHeader(std::uint8_t fileType, std::uint8_t version) {
    return version >= 5 && isTableLike(fileType);
}

inline std::string typeName(const FieldDef& f) {
    return std::string(1, typeLetter(f.type));
}

struct ParsedHeader {
    Header h;
    std::uint8_t indexFieldNumber = 0;
    std::vector<std::uint16_t> fieldNumbers;  // empty when the header does not hold them
    std::string sortOrderId;
    std::string indexName;
};

// The header of a data file, primary index (.PX) or secondary index file (.Xnn/.Ynn/.XGn/.YGn).
ParsedHeader parseAny(std::span<const std::byte> bytes, const std::string& path);

}  // namespace lumiro::engine::px::parts
