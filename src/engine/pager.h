// Page cache over one file with a private set of changed pages for the transaction in
// progress. Nothing reaches the file until the transaction's writes have been journaled.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <unordered_map>
#include <vector>

#include "env.h"
#include "journal.h"

namespace lumiro::engine {

class Pager {
public:
    // Page n (from 0) lives at base + n * pageSize. `maxClean` bounds the clean pages kept.
    Pager(File* file, std::uint8_t fileId, std::uint64_t base, std::size_t pageSize,
          std::size_t maxClean = 4096);

    std::size_t pageSize() const { return pageSize_; }
    // Pages in the file plus pages added by the transaction in progress.
    std::uint32_t pageCount() const { return pageCount_; }

    // Content of page n (n < pageCount()); stays valid until the next call on this pager.
    // Throws Corrupt when the file is shorter than its page count says.
    const std::byte* read(std::uint32_t n);
    // Writable copy of page n within the current transaction. The pointer stays valid until
    // apply(), rollback(), invalidate() or a truncate() below n.
    std::byte* write(std::uint32_t n);
    // Appends a zeroed page to the transaction and returns its number.
    std::uint32_t append();
    // Shrinks the page count (pages beyond are dropped at commit).
    void truncate(std::uint32_t pages);

    bool dirty() const { return !dirtyPages_.empty() || pageCount_ != filePages_; }
    // The transaction's changes as journal writes (page images, then the size change).
    void collect(std::vector<JournalWrite>& out) const;
    // After commit: write the changed pages into the file and keep them as clean pages.
    // When a write fails the transaction stays pending (apply may be retried; recovery
    // from the journal repairs the file after a crash).
    void apply();
    // Abandons the transaction's changes.
    void rollback();
    // Forgets every cached page and re-reads the file's size (another program changed it).
    void invalidate();

    // Called on every page as it is read from the file (never on the transaction's own
    // pages), so that a file format checks a page once rather than on every read. A throw
    // keeps the page out of the cache. Setting a check forgets the clean pages.
    using PageCheck = std::function<void(std::uint32_t n, const std::byte* page)>;
    void setPageCheck(PageCheck check);

    // Lets the file end inside its last page, as data files of other engines may: such a
    // page counts when it has at least `minimumBytes` and reads as zeros past the end.
    // Call before any read.
    void allowPartialLastPage(std::size_t minimumBytes);

private:
    std::vector<std::byte>& load(std::uint32_t n);
    void keepClean(std::uint32_t n, std::vector<std::byte>&& bytes);
    std::uint32_t pagesInFile();

    File* file_;
    std::uint8_t fileId_;
    std::uint64_t base_;
    std::size_t pageSize_;
    std::size_t maxClean_;
    std::size_t partialMinimum_ = 0;  // 0: only whole pages count
    std::uint32_t filePages_ = 0;
    std::uint32_t pageCount_ = 0;
    std::unordered_map<std::uint32_t, std::vector<std::byte>> dirtyPages_;
    // Clean pages with least-recently-used eviction.
    std::list<std::uint32_t> lru_;
    struct CleanPage {
        std::vector<std::byte> bytes;
        std::list<std::uint32_t>::iterator pos;
    };
    std::unordered_map<std::uint32_t, CleanPage> clean_;
    PageCheck check_;
};

}  // namespace lumiro::engine
