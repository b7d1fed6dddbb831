// Every file access of the engine goes through Env, so that tests can substitute a file
// system that fails on demand or loses what was not synced.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace lumiro::engine {

enum class LockKind { Shared, Exclusive };

class File {
public:
    virtual ~File() = default;
    // Reads up to out.size() bytes at offset; returns the count read (short only at end of file).
    virtual std::size_t read(std::uint64_t offset, std::span<std::byte> out) = 0;
    // Writes all of data at offset or throws EngineError (Io, DiskFull).
    virtual void write(std::uint64_t offset, std::span<const std::byte> data) = 0;
    // Makes every write so far durable (fdatasync); throws EngineError(Io) on failure.
    virtual void sync() = 0;
    virtual std::uint64_t size() = 0;
    virtual void truncate(std::uint64_t size) = 0;
    // Reserves space so that later writes up to `size` cannot fail for lack of space.
    virtual void reserve(std::uint64_t size) = 0;
    // Advisory byte-range lock owned by this open file; false when another holder conflicts.
    virtual bool tryLock(std::uint64_t start, std::uint64_t length, LockKind kind) = 0;
    virtual void unlock(std::uint64_t start, std::uint64_t length) = 0;
    virtual const std::string& path() const = 0;

    // Reads exactly out.size() bytes or throws EngineError(Corrupt) naming the file.
    void readExact(std::uint64_t offset, std::span<std::byte> out);
};

enum class OpenMode {
    ReadOnly,
    ReadWrite,      // the file must exist
    CreateNew,      // fails with AlreadyExists when the file exists
    CreateOrTrunc,  // creates or empties
};

class Env {
public:
    virtual ~Env() = default;
    virtual std::unique_ptr<File> open(const std::string& path, OpenMode mode) = 0;
    virtual bool exists(const std::string& path) = 0;
    virtual void remove(const std::string& path) = 0;                         // missing: no error
    virtual void rename(const std::string& from, const std::string& to) = 0;  // replaces `to`
    // Plain names of the files and folders in the folder.
    virtual std::vector<std::string> listDir(const std::string& dir) = 0;
    // True for an existing folder (false for a file or nothing).
    virtual bool isDir(const std::string& path) = 0;
    // Creates one folder; one that exists already is no error.
    virtual void createDir(const std::string& dir) = 0;
    // Removes an empty folder; a missing or non-empty one stays as it is (no error).
    virtual void removeDir(const std::string& dir) = 0;
    virtual void syncDir(const std::string& dir) = 0;
    // True when the file carries the read-only attribute (no write permission).
    virtual bool isReadOnly(const std::string& path) = 0;
    virtual void makeWritable(const std::string& path) = 0;
    // Copies the file's content to `to` (created or emptied) and makes it durable (sync).
    // Through open/read/write/sync here; a file system may do it in the kernel.
    virtual void copyFile(const std::string& from, const std::string& to);
    // True when the path itself is a symbolic link, whatever it points to (or whether it
    // points anywhere). A file system without links has none.
    virtual bool isLink(const std::string& path);
    // The path with "." and ".." and every symbolic link of its existing part resolved; the
    // part that does not exist is appended as written. Two paths naming one folder give the
    // same result.
    virtual std::string realPath(const std::string& path);

    // The real file system of this machine.
    static Env& system();
};

// Path helpers for engine-level names (native separators, '/').
std::string dirName(const std::string& path);
std::string baseName(const std::string& path);
std::string joinPath(const std::string& dir, const std::string& name);

}  // namespace lumiro::engine
