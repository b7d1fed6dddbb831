// B+tree of fixed-size keys and values stored in one of our index files (.PX, .XGn).
// Page 0 is the header: magic, format version, the index definition, the data file's
// fingerprint and a checksum. Every page carries a CRC-32. See docs/index-files.md.
// Keys compare as bytes (memcmp). Reads of a damaged file throw EngineError(Corrupt); they
// never crash or loop. After any exception from a changing call, roll the pager's
// transaction back and call reload().
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <unordered_set>
#include <vector>

#include "pager.h"

namespace lumiro::engine {

constexpr std::size_t kIndexPageSize = 4096;

struct IndexMeta {
    std::string name;                         // empty for the primary index
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
    // The pager's page size (kIndexPageSize for our files; 256..65536 allowed) is stored.
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
    enum class Bound { GE, GT, LE, LT };
    // The first entry with key >= (GE) or > (GT) key, or the last with key <= (LE) or < (LT).
    std::optional<IndexEntry> seek(std::span<const std::byte> key, Bound how);
    std::optional<IndexEntry> seekGE(std::span<const std::byte> key) {
        return seek(key, Bound::GE);
    }
    std::optional<IndexEntry> seekGT(std::span<const std::byte> key) {
        return seek(key, Bound::GT);
    }
    std::optional<IndexEntry> seekLE(std::span<const std::byte> key) {
        return seek(key, Bound::LE);
    }
    std::optional<IndexEntry> seekLT(std::span<const std::byte> key) {
        return seek(key, Bound::LT);
    }

    // Receives key and value of one entry; returns false to stop.
    using EntryVisitor =
        std::function<bool(std::span<const std::byte> key, std::span<const std::byte> value)>;
    // Calls `visit` for each entry with key >= `from`, in key order, until it returns false
    // or the entries end: one descent, then the leaves one after another. The spans are
    // valid during the call only, and `visit` must not use this tree (nor its pager).
    void walk(std::span<const std::byte> from, const EntryVisitor& visit);

    // Walks every page and checks ordering, checksums and counts; throws Corrupt.
    void verify();

    // After the pager's transaction was rolled back or invalidated: re-read the header.
    void reload();

    // Changed pages get their checksums, and the header its new state, here rather than at
    // every change: a batch of many inserts checksums each page once. Call before the
    // pager's transaction is collected.
    void seal();

    BTree(const BTree&) = delete;
    BTree& operator=(const BTree&) = delete;

  private:
    struct Step {
        std::uint32_t page;
        std::uint32_t slot;  // child taken
    };
    [[noreturn]] void corrupt(const std::string& detail) const;
    void loadHeader();
    void checkSizes(std::span<const std::byte> key, const std::span<const std::byte>* value) const;
    // Page n checked to be a leaf (or an internal node) with a sane entry count; the
    // pointer is valid until the next pager call.
    const std::byte* readNode(std::uint32_t n, bool leaf);
    std::byte* writeNode(std::uint32_t n, bool leaf);
    std::byte* touch(std::uint32_t n);
    struct Position {
        std::uint32_t leaf;
        std::uint32_t slot;  // may equal the leaf's entry count
    };
    std::uint32_t descend(std::span<const std::byte> key, Step* path);
    // Where the first entry >= key (> key when `pastEqual`) is or would be.
    Position position(std::span<const std::byte> key, bool pastEqual);
    void walkFrom(std::uint32_t leaf, std::uint32_t i, const EntryVisitor& visit);
    std::optional<IndexEntry> forwardFrom(std::uint32_t leaf, std::uint32_t i);
    std::optional<IndexEntry> backwardFrom(std::uint32_t leaf, std::int64_t i);
    std::uint32_t allocPage();
    void freePage(std::uint32_t n);
    void insertIntoParent(const Step* path, int level, std::vector<std::byte> sep,
                          std::uint32_t right);
    void removeEmptyLeaf(std::uint32_t leaf, const Step* path);
    void writeHeader();
    void verifyNode(std::uint32_t n, std::uint32_t level, const std::byte* lo, const std::byte* hi,
                    std::vector<std::uint8_t>& seen, std::vector<std::uint32_t>& leaves,
                    std::uint64_t& entries);

    Pager& pager_;
    std::string path_;
    IndexMeta meta_;
    std::uint32_t root_ = 0;
    std::uint32_t height_ = 0;
    std::uint64_t count_ = 0;
    std::uint32_t freeHead_ = 0;
    std::size_t pageSize_ = 0;
    std::uint32_t leafCap_ = 0;
    std::uint32_t innerCap_ = 0;
    std::unordered_set<std::uint32_t> touched_;  // pages changed since the last seal
    bool headerChanged_ = false;                 // root, height, count or free list
};

}  // namespace lumiro::engine
