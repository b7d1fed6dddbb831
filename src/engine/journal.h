// Redo journal of one table. A change is durable once its record is synced here; the
// table's files are written after that and synced only at checkpoints. The format and the
// recovery rules are described in docs/durability.md.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "env.h"

namespace lumiro::engine {

// One piece of a transaction: the new content of a byte range of one of the table's files,
// or (when setSize is true) the file's new length. Writes are full images, so replaying a
// transaction twice gives the same result.
struct JournalWrite {
    std::uint8_t fileId = 0;  // chosen by the caller: 0 data file, 1 primary index, 2+n XGn
    std::uint64_t offset = 0;
    std::vector<std::byte> bytes;
    bool setSize = false;
    std::uint64_t newSize = 0;
};

class Journal {
public:
    // Opens (creating when missing) the journal file at `path`.
    Journal(Env& env, std::string path);
    ~Journal();

    // True when the journal holds committed transactions not known to be in the files
    // (a crash happened, or another handle has not checkpointed yet).
    bool needsRecovery();

    // Applies every committed transaction in order through `target` (fileId -> File*, may
    // return null for a file that no longer exists: those writes are skipped), syncs the
    // touched files, then empties the journal. A torn or corrupt tail is dropped: it was
    // never acknowledged. Returns the number of transactions replayed.
    using FileResolver = std::function<File*(std::uint8_t fileId)>;
    int recover(const FileResolver& target);

    // Appends one transaction and syncs the journal: when this returns the change is
    // durable. Throws EngineError (Io, DiskFull) and leaves the journal as it was; the
    // caller then must not apply the transaction (its outcome after a crash is open, see
    // docs/durability.md). The files may be written only after this returns. Commits,
    // applies and checkpoints of one table are serialized by the caller (its write lock).
    void commit(const std::vector<JournalWrite>& writes);

    // Bytes of committed transactions since the last checkpoint.
    std::uint64_t pendingBytes() const { return pending_; }

    // Syncs every file the pending transactions touched, then empties the journal and
    // syncs it, so that old images can never be replayed over newer data. Every committed
    // transaction must have been applied to the files before.
    void checkpoint(const FileResolver& target);

    // Removes the journal file (after a checkpoint, when the table closes). Throws
    // InvalidState when committed transactions are still pending. A later call reopens it.
    void removeFile();

    const std::string& path() const { return path_; }

private:
    void open();
    void ensureOpen();
    // Reads the records from the file header on, calling `apply` (may be empty) for each
    // good one; updates end_, nextSequence_, pending_ and touched_. Returns the count.
    int scan(const std::function<void(const std::vector<JournalWrite>&)>& apply);
    void makeTailClean();

    Env& env_;
    std::string path_;
    std::unique_ptr<File> file_;
    std::uint64_t pending_ = 0;  // bytes of journal content since the last checkpoint
    std::uint64_t nextSequence_ = 1;
    std::vector<std::uint8_t> touched_;  // file ids written since the last checkpoint
    std::uint64_t end_ = 0;              // end of the last good record
    // A failed commit could not cut its record off: it must go before the next append.
    bool failedTail_ = false;
};

}  // namespace lumiro::engine
