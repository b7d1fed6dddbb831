// Redo journal of one table. A change is durable once its record is synced here; the
// table's files are written after that and synced only at checkpoints. The journal names the
// table it belongs to, and each record the state of the table's files it was built on and the
// state it leaves, so that a journal left beside a table that was since replaced is never
// replayed into it. The format and the recovery rules are described in docs/durability.md.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
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

// A fingerprint of the state of the table's files, chosen by the table layer: the state a
// transaction was built on and the state it leaves.
struct JournalStamps {
    std::uint32_t base = 0;
    std::uint32_t result = 0;
};

class Journal {
public:
  // Opens (creating when missing) the journal file at `path` of the table whose data file is
  // named `table` (without its folder). An existing file keeps the name it holds until it is
  // emptied; a new one, and one emptied by this handle, name `table`.
  Journal(Env& env, std::string path, std::string table = {});
  ~Journal();

  // Whether the records held belong to the table named at construction whose files are now
  // in the state `current`: the journal names that table, and `current` is the state the
  // first record was built on or one a record leaves (some records reached the files before
  // a crash). Empty when the journal cannot tell: its format (version 1) names no table and
  // its records no state; the caller then judges by the records' contents (inspect).
  std::optional<bool> belongsTo(std::uint32_t current);
  // The version of the file's format: 1 (no names, no states) or 2.
  int formatVersion() const { return version_; }
  // Calls `visit` with the writes of each good record, in order; changes nothing.
  void inspect(const std::function<void(const std::vector<JournalWrite>&)>& visit);
  // Forgets every record without applying it (they belong to a table that is gone) and
  // names this handle's table; the cut is synced. Call with the table's write lock held.
  void discard();

  // True when the journal holds committed transactions not known to be in the files
  // (a crash happened, or another handle has not checkpointed yet).
  bool needsRecovery();

  // Applies every committed transaction in order through `target` (fileId -> File*, may
  // return null for a file that no longer exists: those writes are skipped), syncs the
  // touched files, then empties the journal. A torn or corrupt tail is dropped: it was
  // never acknowledged. Returns the number of transactions replayed.
  using FileResolver = std::function<File*(std::uint8_t fileId)>;
  int recover(const FileResolver& target);

  // Appends one transaction, built on the files' state stamps.base and leaving
  // stamps.result, and syncs the journal: when this returns the change is durable. Throws
  // EngineError (Io, DiskFull) and leaves the journal as it was; the caller then must not apply the
  // transaction (its outcome after a crash is open, see docs/durability.md). The files may be
  // written only after this returns. Commits, applies and checkpoints of one table are serialized
  // by the caller (its write lock).
  void commit(const std::vector<JournalWrite>& writes, JournalStamps stamps = {});

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
    // Writes a fresh header naming table_ and cuts the file after it (not synced).
    void writeHeader();
    // Empties the journal (not synced): cut after the header, which names table_ from then on.
    void cutAfterHeader();
    void ensureOpen();
    // Reads the records from the file header on, calling `apply` (may be empty) for each
    // good one; updates end_, nextSequence_, pending_ and touched_. Returns the count.
    int scan(const std::function<void(const std::vector<JournalWrite>&)>& apply);
    void makeTailClean();

    Env& env_;
    std::string path_;
    std::string table_;
    int version_ = 2;
    std::uint64_t headerSize_ = 0;
    std::string recordedTable_;  // the table the file names (version 2)
    // States found by the last scan: the first record's base, and each record's result.
    std::vector<std::uint32_t> states_;
    std::unique_ptr<File> file_;
    std::uint64_t pending_ = 0;  // bytes of journal content since the last checkpoint
    std::uint64_t nextSequence_ = 1;
    std::vector<std::uint8_t> touched_;  // file ids written since the last checkpoint
    std::uint64_t end_ = 0;              // end of the last good record
    // A failed commit could not cut its record off: it must go before the next append.
    bool failedTail_ = false;
};

}  // namespace lumiro::engine
