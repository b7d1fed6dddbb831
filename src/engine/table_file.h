// The shared state of one open table: its data file, its companion index files, its
// journal and its locks. Cursors (Table) of one process share one TableFile per data file.
//
// Records are addressed by a locator: the data block number in the high 16 bits and the
// slot in the block in the low 16 bits. The primary index maps the primary key to the
// locator; a secondary index entry is the secondary key followed by the primary key, so
// moving a record only changes its primary index entry. Only the last block of the chain
// is ever partly filled by this engine: a delete moves the last record of the table into
// the hole. The file formats are described in docs/table-files.md and docs/index-files.md.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "btree.h"
#include "env.h"
#include "journal.h"
#include "pager.h"
#include "paradox_format.h"
#include "schema.h"
#include "table.h"
#include "value.h"

namespace lumiro::engine {

// Byte-range locks on the data file, far beyond any data (they are advisory).
constexpr std::uint64_t kOpenLockOffset = 0x7FFF'FF00ull;   // shared: open; exclusive: sole use
constexpr std::uint64_t kWriteLockOffset = 0x7FFF'FF01ull;  // held while a change is written

constexpr int kPrimaryOrder = -1;  // the primary index, or physical order when unkeyed

struct IndexEntryRef {
    std::vector<std::byte> key;  // the full entry key in its order
    std::uint32_t locator = 0;
};

class TableFile {
public:
    // Opens the data file, takes the locks of `mode`, replays a journal left by a crash,
    // and loads the companion indexes. Index files written by another Paradox engine are
    // replaced by ours at a shared or exclusive open. A shared open fails on a missing, stale
    // or damaged index; an exclusive open then goes on without it (problems() tells); a
    // read-only open builds its indexes in memory instead and writes nothing. No open writes
    // the data file.
    TableFile(Env& env, std::string dataPath, AccessMode mode);
    ~TableFile();
    TableFile(const TableFile&) = delete;
    TableFile& operator=(const TableFile&) = delete;

    const std::string& path() const { return path_; }
    AccessMode mode() const { return mode_; }
    bool writable() const { return mode_ != AccessMode::ReadOnly; }
    const px::Header& header() const { return hdr_; }
    const std::vector<FieldDef>& fields() const { return hdr_.fields; }
    std::size_t recordSize() const { return hdr_.recordSize; }
    // Index files that could not be used at open (exclusive opens only).
    const std::vector<std::string>& openProblems() const { return openProblems_; }

    struct Index {
        IndexDef def;
        std::vector<int> fieldNos;
        std::size_t ownKeySize = 0;  // bytes of the index's own columns
        std::size_t keySize = 0;     // secondary: own columns + primary key
        std::string treePath;
        std::string descPath;
        std::uint8_t fileId = 0;
        std::unique_ptr<File> file;
        std::unique_ptr<Pager> pager;
        std::unique_ptr<BTree> tree;
    };
    bool keyed() const { return primary_ != nullptr; }
    const Index* primary() const { return primary_.get(); }
    int secondaryCount() const { return int(secondaries_.size()); }
    const Index& secondary(int n) const { return *secondaries_.at(n); }
    // kPrimaryOrder for "" (primary), the secondary's number, or throws InvalidArgument.
    int indexByName(const std::string& name) const;
    int indexByFields(const std::vector<int>& fieldNos) const;
    std::vector<int> orderFields(int order) const;
    bool orderCaseInsensitive(int order) const;
    std::vector<IndexDef> indexDefs() const;

    // Full key of a record in an order; for physical order the record's locator.
    std::vector<std::byte> keyOf(int order, std::span<const std::byte> record) const;
    // Key bytes of the first `columns` columns of an order from a record image, no padding
    // after them (used as a prefix for ranges and searches).
    std::vector<std::byte> prefixOf(int order, std::span<const std::byte> record,
                                    std::size_t columns) const;

    using Seek = BTree::Bound;
    std::optional<IndexEntryRef> seek(int order, std::span<const std::byte> key, Seek how);
    std::optional<IndexEntryRef> first(int order);
    // Receives one entry key; returns false to stop.
    using KeyVisitor = std::function<bool(std::span<const std::byte> key)>;
    // Calls `visit` with the entry keys of an order from the first >= `from` (a prefix, as
    // for seek GE) in order until it returns false or the entries end. Only the index is
    // read: no record and no locator. `visit` must not read through this TableFile.
    void walk(int order, std::span<const std::byte> from, const KeyVisitor& visit);
    // The primary key held in an entry key of an order: the whole key in the primary order,
    // the part after the index's own columns in a secondary one, and for physical order the
    // position (which is what a bookmark holds).
    std::span<const std::byte> primaryKeyIn(int order, std::span<const std::byte> entryKey) const;
    std::optional<IndexEntryRef> last(int order);
    std::uint64_t recordCount() const { return hdr_.recordCount; }
    void readRecord(std::uint32_t locator, std::vector<std::byte>& out);
    // Locator of the record with this primary key (keyed tables only).
    std::optional<std::uint32_t> locate(std::span<const std::byte> primaryKey);
    px::BlobFile* blobs();

    // Re-reads the header when another program changed the table, dropping caches.
    void refreshIfChanged();

    // Writing. Every change happens between beginWrite and commitWrite; an exception in
    // between must be followed by abortWrite, which leaves the table as it was.
    void beginWrite();
    void commitWrite();
    void abortWrite();
    void beginBatch();
    void endBatch();
    bool inBatch() const { return batchDepth_ > 0; }

    // Assigns the autoincrement value into `record`, checks the keys, stores the record
    // and its index entries; returns the locator. Throws KeyViolation before any change.
    std::uint32_t insertRecord(std::vector<std::byte>& record);
    // Replaces the record stored at `locator`, which must still equal `before`
    // (RecordChanged otherwise). Autoincrement values are kept.
    void updateRecord(std::uint32_t locator, std::span<const std::byte> before,
                      std::vector<std::byte>& after);
    void deleteRecord(std::uint32_t locator, std::span<const std::byte> before);

    void addIndex(const IndexDef& def);
    void rebuildIndexes();
    // Index repair from a description: the indexes of `defs` instead of every index file of
    // the table (exclusive use). The primary index follows the data file's key columns; a
    // primary definition naming other columns is refused.
    void replaceIndexes(const std::vector<IndexDef>& defs);
    // Applies what the journal holds to the files and empties it, so that the table's files
    // alone hold every acknowledged change (before they are copied).
    void checkpoint();
    std::vector<std::string> verify(bool everyEntry);

private:
    void openFiles();
    void loadIndexes();
    void dropIndexes();
    static std::vector<std::byte> fullKey(const Index& idx, std::span<const std::byte> key,
                                          Seek how);
    std::unique_ptr<Index> makeIndex(const IndexDef& def, int secondaryNo) const;
    void loadIndexFile(Index& index, bool create);
    void checkIndexCurrent(const Index& index) const;
    std::vector<IndexDef> recoverableDefs();
    bool primaryIndexIsForeign();
    // Sorts the entries of an index being built; throws KeyViolation for repeated keys.
    void sortEntries(const Index& index, std::vector<IndexEntry>& entries) const;
    IndexMeta metaFor(const Index& index) const;
    void writeIndexFile(const Index& index, const IndexMeta& meta,
                        const std::vector<IndexEntry>& sorted, const std::string& path);
    void buildIndexFile(Index& index, std::vector<IndexEntry>& entries);
    enum class IndexHome { Files, Memory };
    // Builds the primary index from the data file's key columns and the secondary indexes of
    // `defs`, and puts them in place of the loaded ones: as our companion files (replacing
    // any others), or in memory for a read-only open. The data file is not written.
    void installIndexes(const std::vector<IndexDef>& defs, IndexHome home);
    void checkpointJournal();
    static std::string descriptorText(const Index& index);
    void writeSmallFile(const std::string& path, const std::string& text);
    std::vector<IndexEntry> collectEntries(const Index& index);
    void addSecondary(const IndexDef& def);
    void writeDescriptor(const Index& index);
    std::optional<IndexDef> readDescriptor(const std::string& descPath);
    std::string companionPath(const std::string& ext) const;
    std::vector<std::string> existingCompanions() const;
    static bool isIndexCompanion(const std::string& file);
    void removeIndexCompanions();

    void readHeaderFromDisk(px::Header& out, std::vector<std::byte>& image);
    void validateChain(bool walk);
    void recoverJournal();
    // True while another program holds the write lock or after it changed the header read.
    bool anotherWriterAtWork();
    void rebuildPhysicalOrder();
    void stampIndexes();
    void collectWrites(std::vector<JournalWrite>& out);
    File* fileById(std::uint8_t id);
    void invalidateCaches();
    // The write lock, on the data file's handle or on another writable handle of it.
    void lockWrite(File* file = nullptr);
    void unlockWrite(File* file = nullptr);

    std::byte* recordSlot(std::uint32_t locator, bool forWrite);
    std::uint32_t appendSlot();
    void freeLastSlot();
    void indexInsert(std::span<const std::byte> record, std::uint32_t locator);
    void indexErase(std::span<const std::byte> record);
    void checkUnique(std::span<const std::byte> record, std::optional<std::uint32_t> self);

    Env& env_;
    std::string path_;
    std::string stem_;  // path without the extension
    AccessMode mode_;
    std::unique_ptr<File> data_;
    std::unique_ptr<Pager> blocks_;
    std::unique_ptr<File> blobFile_;
    std::unique_ptr<px::BlobFile> blobReader_;
    std::unique_ptr<Journal> journal_;
    px::Header hdr_;
    px::Header savedHdr_;             // header at beginWrite, restored by abortWrite
    std::vector<std::byte> hdrImage_;  // the whole header region as on disk
    std::unique_ptr<Index> primary_;
    std::vector<std::unique_ptr<Index>> secondaries_;
    std::vector<std::uint32_t> physical_;  // locators in chain order (unkeyed tables)
    bool physicalValid_ = false;
    std::vector<std::string> openProblems_;
    bool writing_ = false;
    bool forceCommit_ = false;
    // A durable change could not be applied to the files; a reopen replays it.
    bool broken_ = false;
    // The block chain was walked and agrees with the header.
    bool chainChecked_ = false;
    // The indexes were built in memory at a read-only open; rebuilt when the data changes.
    bool memoryIndexes_ = false;
    int batchDepth_ = 0;
    std::uint64_t journalSizeSeen_ = 0;
};

}  // namespace lumiro::engine
