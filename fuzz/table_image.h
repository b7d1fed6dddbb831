// The fuzz input of fuzz_table_files: one byte of options, then the files of one table,
// each as a selector byte (which companion file, see kImageExtensions), a 4-byte
// little-endian length (clamped to what is left) and the bytes. A later file of the same
// kind replaces an earlier one. Shared by the fuzz target and the corpus generator.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace lumiro::fuzz {

inline constexpr const char* kImageExtensions[] = {"DB",  "PX",  "XG0", "YG0",
                                                   "XG1", "YG1", "MB",  "JNL"};
inline constexpr std::size_t kImageKinds = std::size(kImageExtensions);

// Options of the first byte.
enum ImageOption : std::uint8_t {
    kRebuildIndexes = 1,  // exclusive open: rebuild every index from the data file
    kEditFirst = 2,       // exclusive open: change a text of the first record and post
    kAppendCopy = 4,      // exclusive open: append a copy of the first record and post
    kDeleteFirst = 8,     // exclusive open: delete the first record
};

struct ImageFile {
    std::string extension;
    std::vector<std::uint8_t> bytes;
};

struct TableImage {
    std::uint8_t options = 0;
    std::vector<ImageFile> files;  // at most one of each kind
};

TableImage unpackImage(const std::uint8_t* data, std::size_t size);
std::vector<std::uint8_t> packImage(const TableImage& image);

}  // namespace lumiro::fuzz
