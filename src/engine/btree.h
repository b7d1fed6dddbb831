// B+tree of fixed-size keys and values stored in one of our index files (.PX, .XGn).
// Page 0 is the header: magic, format version, the index definition, the data file's
// fingerprint and a checksum. Every page carries a CRC32C. See docs/table-files.md.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "pager.h"

namespace lumiro::engine {

constexpr std::size_t kIndexPageSize = 4096;

struct IndexMeta {
    std::string name;                      // empty for the primary index
    std::vector<std::uint16_t> fieldNumbers;  // 0-based column numbers of the key
    bool primary = false;
    bool unique = false;
    bool caseInsensitive = false;
    std::uint16_t keySize = 0;    // bytes of every key
    std::uint16_t valueSize = 0;  // bytes of every value (0 allowed)
    // Ties the index to the state of the data file it was built from (see TableFile).
    std::uint32_t dataGeneration = 0;
    std::uint32_t dataRecordCount = 0;
    // Names of the secondary indexes of the table (kept in the primary index only).
    std::vector<std::string> secondaryNames;
};

struct IndexEntry {
    std::vector<std::byte> key;
    std::vector<std::byte> value;
};

class BTree {
public:
    // Writes an empty tree with `meta` into an empty pager (inside the pager's transaction).
    static void create(Pager& pager, const IndexMeta& meta);
    // Builds a tree from entries sorted by key (strictly increasing), packing leaves full.
    static void build(Pager& pager, const IndexMeta& meta, const std::vector<IndexEntry>& sorted);

    // Reads and verifies the header page; throws Corrupt naming `path` for a bad magic,
    // version, checksum or size.
    BTree(Pager& pager, std::string path);

    const IndexMeta& meta() const { return meta_; }
    // Changes the stored meta (fingerprint, secondary names) in the header page.
    void setMeta(const IndexMeta& meta);
    std::uint64_t size() const { return count_; }

    // False (and no change) when the key is present already.
    bool insert(std::span<const std::byte> key, std::span<const std::byte> value);
    // False when the key is absent.
    bool erase(std::span<const std::byte> key);
    // Replaces the value of an existing key; false when absent.
    bool update(std::span<const std::byte> key, std::span<const std::byte> value);
    std::optional<IndexEntry> find(std::span<const std::byte> key);

    std::optional<IndexEntry> first();
    std::optional<IndexEntry> last();
    std::optional<IndexEntry> seekGE(std::span<const std::byte> key);  // first key >= key
    std::optional<IndexEntry> seekGT(std::span<const std::byte> key);  // first key > key
    std::optional<IndexEntry> seekLE(std::span<const std::byte> key);  // last key <= key
    std::optional<IndexEntry> seekLT(std::span<const std::byte> key);  // last key < key

    // Walks every page and checks ordering, checksums and counts; throws Corrupt.
    void verify();

    // After the pager's transaction was rolled back or invalidated: re-read the header.
    void reload();

private:
    Pager& pager_;
    std::string path_;
    IndexMeta meta_;
    std::uint32_t root_ = 0;
    std::uint32_t height_ = 0;
    std::uint64_t count_ = 0;
    std::uint32_t freeHead_ = 0;
};

}  // namespace lumiro::engine
