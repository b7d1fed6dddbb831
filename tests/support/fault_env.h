// An in-memory Env for tests: files vanish with the object, faults happen on demand and a
// power cut can be simulated.
//
// Durability model: every file has its current content and the content of its last
// successful sync(). Names (create, rename, remove) live in the folder's current listing and
// become durable at syncDir() of the folder; a sync() of a file also makes its own name
// durable, as journaling file systems do in practice. dropUnsyncedData() replaces the
// listing by the durable one and every file's content by its synced content: a file
// created and never synced (nor its folder) vanishes, a rename or removal not followed by
// syncDir() is undone.
//
// Paths are plain strings; the folder of a path is engine::dirName(path). Folders need not
// be created. Safe to use from several threads.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/env.h"

namespace lumiro::test {

class MemEnv final : public engine::Env {
  public:
    MemEnv();
    ~MemEnv() override;
    MemEnv(const MemEnv&) = delete;
    MemEnv& operator=(const MemEnv&) = delete;

    std::unique_ptr<engine::File> open(const std::string& path, engine::OpenMode mode) override;
    bool exists(const std::string& path) override;
    void remove(const std::string& path) override;
    void rename(const std::string& from, const std::string& to) override;
    std::vector<std::string> listDir(const std::string& dir) override;
    // Folders exist implicitly (see above): a folder is there while it holds a file or was
    // created (and not removed). listDir gives its files and its folders.
    bool isDir(const std::string& path) override;
    void createDir(const std::string& dir) override;
    void removeDir(const std::string& dir) override;
    void syncDir(const std::string& dir) override;
    bool isReadOnly(const std::string& path) override;
    void makeWritable(const std::string& path) override;

    // Power cut: see the durability model above. Open File objects keep working on the
    // content as it was before the cut (reopen files to see what survived). Ends a crash
    // begun by crashAfter().
    void dropUnsyncedData();

    // The nth write / sync from now (1 = the next one) throws EngineError(Io) and changes
    // nothing. One shot each; 0 cancels.
    void failWrite(int nth);
    void failSync(int nth);
    // The nth changing call from now (any kind, counted as by operationCount) throws
    // EngineError(Io) and changes nothing; the calls after it work. One shot; 0 cancels.
    void failOperation(std::uint64_t nth);
    // After `bytes` more bytes written, writes store what still fits and throw
    // EngineError(DiskFull); reserve() beyond the space left throws too. nullopt: no limit.
    void setSpaceLeft(std::optional<std::uint64_t> bytes);
    // After `operations` more changing calls (write, sync, truncate, reserve, create,
    // rename, remove, syncDir) every changing call throws EngineError(Io) without effect, as
    // if the program had died there. dropUnsyncedData() ends it.
    void crashAfter(std::uint64_t operations);
    // Ends every injected fault (not a crash).
    void clearFaults();
    // Changing calls so far; run a sequence once to learn how many points to cut it at.
    std::uint64_t operationCount() const;

    // Direct access for corruption tests. setContents creates or replaces the file with
    // `bytes` as its durable content.
    std::vector<std::byte> contents(const std::string& path) const;
    void setContents(const std::string& path, const std::vector<std::byte>& bytes);
    void setReadOnly(const std::string& path, bool readOnly);

    struct State;

  private:
    std::shared_ptr<State> state_;
};

}  // namespace lumiro::test
