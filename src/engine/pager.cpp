#include "pager.h"

#include <algorithm>

#include "error.h"

namespace lumiro::engine {

namespace {

[[noreturn]] void failBeyond(const File& file, std::uint32_t n) {
    fail(ErrorCode::Corrupt, "Plik " + file.path() + " jest uszkodzony: odwołanie do strony " +
                                 std::to_string(n) + " poza końcem pliku.");
}

}  // namespace

Pager::Pager(File* file, std::uint8_t fileId, std::uint64_t base, std::size_t pageSize,
             std::size_t maxClean)
    : file_(file),
      fileId_(fileId),
      base_(base),
      pageSize_(pageSize),
      maxClean_(std::max<std::size_t>(maxClean, 1)) {
    if (pageSize_ == 0)
        fail(ErrorCode::InvalidArgument,
             "Nieprawidłowy rozmiar strony pliku " + file->path() + ".");
    filePages_ = pageCount_ = pagesInFile();
}

std::uint32_t Pager::pagesInFile() {
    std::uint64_t size = file_->size();
    if (size <= base_) return 0;
    std::uint64_t pages = (size - base_) / pageSize_;
    if (partialMinimum_ > 0 && (size - base_) % pageSize_ >= partialMinimum_) ++pages;
    if (pages >= UINT32_MAX)
        fail(ErrorCode::Corrupt,
             "Plik " + file_->path() + " jest uszkodzony: ma zbyt wiele stron.");
    return static_cast<std::uint32_t>(pages);
}

std::vector<std::byte>& Pager::load(std::uint32_t n) {
    if (auto it = clean_.find(n); it != clean_.end()) {
        lru_.splice(lru_.begin(), lru_, it->second.pos);
        return it->second.bytes;
    }
    if (n >= filePages_) failBeyond(*file_, n);
    std::vector<std::byte> bytes;
    if (clean_.size() >= maxClean_) {
        // Recycle the least recently used page's buffer.
        auto victim = clean_.find(lru_.back());
        bytes = std::move(victim->second.bytes);
        clean_.erase(victim);
        lru_.pop_back();
    }
    bytes.resize(pageSize_);
    const std::uint64_t at = base_ + std::uint64_t(n) * pageSize_;
    if (partialMinimum_ > 0 && n + 1 == filePages_) {
        const std::size_t got = file_->read(at, bytes);
        if (got < partialMinimum_) failBeyond(*file_, n);
        std::fill(bytes.begin() + std::ptrdiff_t(got), bytes.end(), std::byte{0});
    } else {
        file_->readExact(at, bytes);
    }
    if (check_) check_(n, bytes.data());
    lru_.push_front(n);
    auto& page = clean_[n];
    page.bytes = std::move(bytes);
    page.pos = lru_.begin();
    return page.bytes;
}

void Pager::keepClean(std::uint32_t n, std::vector<std::byte>&& bytes) {
    if (auto it = clean_.find(n); it != clean_.end()) {
        it->second.bytes = std::move(bytes);
        lru_.splice(lru_.begin(), lru_, it->second.pos);
        return;
    }
    if (clean_.size() >= maxClean_) {
        clean_.erase(lru_.back());
        lru_.pop_back();
    }
    lru_.push_front(n);
    auto& page = clean_[n];
    page.bytes = std::move(bytes);
    page.pos = lru_.begin();
}

const std::byte* Pager::read(std::uint32_t n) {
    if (n >= pageCount_) failBeyond(*file_, n);
    if (!dirtyPages_.empty()) {
        if (auto it = dirtyPages_.find(n); it != dirtyPages_.end()) return it->second.data();
    }
    return load(n).data();
}

std::byte* Pager::write(std::uint32_t n) {
    if (n >= pageCount_) failBeyond(*file_, n);
    if (auto it = dirtyPages_.find(n); it != dirtyPages_.end()) return it->second.data();
    // A copy, so that rollback() finds the clean page as it was.
    std::vector<std::byte> copy = load(n);
    return dirtyPages_.emplace(n, std::move(copy)).first->second.data();
}

std::uint32_t Pager::append() {
    if (pageCount_ >= UINT32_MAX - 1)
        fail(ErrorCode::DiskFull, "Plik " + file_->path() + " osiągnął największy rozmiar.");
    std::uint32_t n = pageCount_++;
    dirtyPages_[n].assign(pageSize_, std::byte{0});
    return n;
}

void Pager::truncate(std::uint32_t pages) {
    if (pages >= pageCount_) return;
    std::erase_if(dirtyPages_, [pages](const auto& p) { return p.first >= pages; });
    pageCount_ = pages;
}

void Pager::collect(std::vector<JournalWrite>& out) const {
    std::vector<std::uint32_t> pages;
    pages.reserve(dirtyPages_.size());
    for (const auto& [n, bytes] : dirtyPages_)
        if (n < pageCount_) pages.push_back(n);
    std::sort(pages.begin(), pages.end());
    for (std::uint32_t n : pages) {
        JournalWrite w;
        w.fileId = fileId_;
        w.offset = base_ + std::uint64_t(n) * pageSize_;
        w.bytes = dirtyPages_.at(n);
        out.push_back(std::move(w));
    }
    if (pageCount_ != filePages_) {
        JournalWrite w;
        w.fileId = fileId_;
        w.setSize = true;
        w.newSize = base_ + std::uint64_t(pageCount_) * pageSize_;
        out.push_back(std::move(w));
    }
}

void Pager::apply() {
    std::vector<std::uint32_t> pages;
    pages.reserve(dirtyPages_.size());
    for (const auto& [n, bytes] : dirtyPages_)
        if (n < pageCount_) pages.push_back(n);
    std::sort(pages.begin(), pages.end());
    for (std::uint32_t n : pages)
        file_->write(base_ + std::uint64_t(n) * pageSize_, dirtyPages_.at(n));
    if (pageCount_ != filePages_) file_->truncate(base_ + std::uint64_t(pageCount_) * pageSize_);

    if (pageCount_ < filePages_) {
        for (auto it = clean_.begin(); it != clean_.end();) {
            if (it->first >= pageCount_) {
                lru_.erase(it->second.pos);
                it = clean_.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (std::uint32_t n : pages) keepClean(n, std::move(dirtyPages_.at(n)));
    dirtyPages_.clear();
    filePages_ = pageCount_;
}

void Pager::rollback() {
    dirtyPages_.clear();
    pageCount_ = filePages_;
}

void Pager::invalidate() {
    dirtyPages_.clear();
    clean_.clear();
    lru_.clear();
    filePages_ = pageCount_ = pagesInFile();
}

void Pager::setPageCheck(PageCheck check) {
    check_ = std::move(check);
    clean_.clear();
    lru_.clear();
}

void Pager::allowPartialLastPage(std::size_t minimumBytes) {
    partialMinimum_ = std::min(minimumBytes, pageSize_);
    clean_.clear();
    lru_.clear();
    filePages_ = pageCount_ = pagesInFile();
}

}  // namespace lumiro::engine
