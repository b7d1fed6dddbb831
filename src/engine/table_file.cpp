// Opening a table: its locks, the check of its block chain, the recovery of a journal left
// by a cut, and the companion files that belong to it. Lookup is in table_file_lookup.cpp,
// writing in table_file_write.cpp, index files in table_file_indexes.cpp.
#include "table_file.h"

#include <algorithm>
#include <chrono>
#include <map>
#include <thread>

#include "file_names.h"

#include "table_file_parts.h"

namespace lumiro::engine {

using namespace table_file_parts;

namespace {

// Whether the records of the journal beside a table were made on this data file, not on one
// that has since been replaced by another of the same name (a restore, a copy, a rebuilt
// table). A journal of format 1 names no states; then its records' images of the header tell:
// the file holds one of them (some records reached it), or it is the state just before the
// first (same layout, generation one lower). Where the header keeps no generation (Paradox
// 3.x) nothing tells, and the journal is trusted as it always was.
bool journalBelongs(Journal& journal, File& data) {
    std::vector<std::byte> current(px::kHeaderPrefix);
    current.resize(data.read(0, current));
    if (auto verdict = journal.belongsTo(headerStamp(current))) return *verdict;
    std::optional<std::vector<std::byte>> first;
    bool reached = false;
    journal.inspect([&](const std::vector<JournalWrite>& writes) {
        for (const JournalWrite& w : writes) {
            if (w.fileId != 0 || w.setSize || w.offset != 0) continue;
            if (!first) first = w.bytes;
            reached = reached || (w.bytes.size() <= current.size() &&
                                  std::equal(w.bytes.begin(), w.bytes.end(), current.begin()));
            break;
        }
    });
    if (reached || !first) return true;
    const auto& image = *first;
    constexpr std::size_t kVersionOffset = 0x39;
    const std::size_t genEnd = px::kGenerationOffset + 4;
    if (current.size() < genEnd || image.size() < genEnd ||
        std::uint8_t(current[kVersionOffset]) < 5)
        return true;
    const bool sameLayout =
        std::equal(image.begin(), image.begin() + 6, current.begin()) &&
        std::equal(image.begin() + 0x21, image.begin() + 0x25, current.begin() + 0x21);
    return sameLayout && le::get32(current.data() + px::kGenerationOffset) + 1 ==
                             le::get32(image.data() + px::kGenerationOffset);
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Opening

TableFile::TableFile(Env& env, std::string dataPath, AccessMode mode)
    : env_(env), path_(std::move(dataPath)), mode_(mode) {
    auto dot = path_.find_last_of('.');
    auto slash = path_.find_last_of('/');
    stem_ = (dot != std::string::npos && (slash == std::string::npos || dot > slash))
                ? path_.substr(0, dot)
                : path_;
    if (!env_.exists(path_)) fail(ErrorCode::NotFound, "Tabela " + path_ + " nie istnieje.");
    if (mode_ != AccessMode::ReadOnly && env_.isReadOnly(path_))
        fail(ErrorCode::ReadOnly, "Tabela " + path_ + " jest tylko do odczytu.");
    data_ =
        env_.open(path_, mode_ == AccessMode::ReadOnly ? OpenMode::ReadOnly : OpenMode::ReadWrite);
    bool locked =
        data_->tryLock(kOpenLockOffset, 1,
                       mode_ == AccessMode::Exclusive ? LockKind::Exclusive : LockKind::Shared);
    if (!locked) {
        if (mode_ == AccessMode::Exclusive)
            fail(ErrorCode::Locked,
                 "Nie można otworzyć tabeli " + path_ + " na wyłączność: używa jej inny program.");
        fail(ErrorCode::Locked,
             "Tabela " + path_ + " jest otwarta na wyłączność przez inny program.");
    }
    recoverJournal();
    // Another program may be applying a change while the header and the indexes are read
    // one after the other; an index then looks stale or damaged although nothing is wrong.
    // Such a reading is taken again once that program is done.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    for (;;) {
        readHeaderFromDisk(hdr_, hdrImage_);
        if (hdr_.encrypted)
            fail(ErrorCode::Unsupported, "Tabela " + path_ +
                                             " jest zaszyfrowana; program nie "
                                             "obsługuje tabel chronionych hasłem.");
        blocks_ = std::make_unique<Pager>(data_.get(), kDataFileId, hdr_.headerSize,
                                          hdr_.blockSize(), 2048);
        // Other engines may end the file right after the last record instead of filling
        // the last block.
        blocks_->allowPartialLastPage(px::kBlockHeaderSize);
        validateChain(false);
        try {
            loadIndexes();
            return;
        } catch (const EngineError& e) {
            const bool indexProblem =
                e.code() == ErrorCode::StaleIndex || e.code() == ErrorCode::Corrupt;
            if (!indexProblem || !anotherWriterAtWork() ||
                std::chrono::steady_clock::now() > deadline)
                throw;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

bool TableFile::anotherWriterAtWork() {
    if (data_->tryLock(kWriteLockOffset, 1, LockKind::Shared)) {
        data_->unlock(kWriteLockOffset, 1);
    } else {
        return true;
    }
    // Done by now, but the header read before it finished is no longer the one on disk.
    std::vector<std::byte> prefix(std::min<std::size_t>(px::kHeaderPrefix, hdrImage_.size()));
    data_->readExact(0, prefix);
    return !std::equal(prefix.begin(), prefix.end(), hdrImage_.begin());
}

void TableFile::validateChain(bool walk) {
    // A header that disagrees with its blocks would make the first change write a table
    // that no longer opens. The bounds are checked at open; the walk along the chain (six
    // bytes a block, but one read each, which a cold cache makes slow for large tables)
    // waits until the first change, before anything is written.
    const std::uint64_t size = data_->size();
    const std::uint64_t pages = blocks_->pageCount();
    auto bad = [&](const std::string& why) {
        fail(ErrorCode::Corrupt, "Plik " + path_ + " jest uszkodzony: " + why + ".");
    };
    // A last block cut short must still hold every record it counts.
    const std::uint64_t tail =
        size > hdr_.headerSize ? (size - hdr_.headerSize) % hdr_.blockSize() : 0;
    if (tail >= px::kBlockHeaderSize && pages > 0) {
        std::vector<std::byte> head(px::kBlockHeaderSize);
        data_->readExact(hdr_.blockOffset(std::uint32_t(pages)), head);
        auto bh = px::readBlockHeader(head.data(), hdr_, path_);
        if (px::kBlockHeaderSize + std::uint64_t(bh.recordCount) * hdr_.recordSize > tail)
            bad("ostatni blok pliku jest obcięty");
    }
    if (hdr_.firstBlock > pages || hdr_.lastBlock > pages || hdr_.usedBlocks > pages)
        bad("nagłówek wskazuje bloki spoza pliku");
    if ((hdr_.firstBlock == 0) != (hdr_.lastBlock == 0))
        bad("nagłówek ma niespójne wskazania pierwszego i ostatniego bloku");
    if (hdr_.recordCount > pages * std::uint64_t(std::max(1, hdr_.recordsPerBlock())))
        bad("nagłówek podaje więcej rekordów, niż mieszczą bloki pliku");
    if (!walk) return;
    std::vector<std::byte> head(px::kBlockHeaderSize);
    std::uint64_t records = 0;
    std::uint64_t blocks = 0;
    std::uint32_t prev = 0;
    std::uint32_t block = hdr_.firstBlock;
    while (block != 0) {
        if (block > pages || ++blocks > pages) bad("łańcuch bloków danych jest błędny");
        data_->readExact(hdr_.blockOffset(block), head);
        auto bh = px::readBlockHeader(head.data(), hdr_, path_);
        records += std::uint64_t(bh.recordCount);
        prev = block;
        block = bh.next;
    }
    if (prev != hdr_.lastBlock) bad("ostatni blok łańcucha nie zgadza się z nagłówkiem");
    if (records != hdr_.recordCount)
        bad("nagłówek podaje " + std::to_string(hdr_.recordCount) +
            " rekordów, a bloki zawierają " + std::to_string(records));
    chainChecked_ = true;
}

TableFile::~TableFile() {
    try {
        if (writing_) abortWrite();
        if (journal_ && writable()) {
            lockWrite();
            journal_->checkpoint([this](std::uint8_t id) { return fileById(id); });
            // The journal goes away only when nobody else has the table open: another
            // program may still append to it.
            if (data_->tryLock(kOpenLockOffset, 1, LockKind::Exclusive)) journal_->removeFile();
            unlockWrite();
        }
    } catch (...) {
        // A failed checkpoint leaves the journal in place; the next open replays it.
    }
}

std::string TableFile::companionPath(const std::string& ext) const {
    // Prefer an existing file of any letter case.
    std::string dir = dirName(stem_);
    std::string base = baseName(stem_);
    std::string wanted = fileNameKey(base + "." + ext);
    try {
        for (const auto& name : env_.listDir(dir))
            if (fileNameKey(name) == wanted) return joinPath(dir, name);
    } catch (const EngineError&) {
    }
    return stem_ + "." + ext;
}

std::vector<std::string> TableFile::existingCompanions() const {
    std::vector<std::string> out;
    std::string dir = dirName(stem_);
    std::string prefix = fileNameKey(baseName(stem_) + ".");
    for (const auto& name : env_.listDir(dir)) {
        std::string u = fileNameKey(name);
        if (u.size() > prefix.size() && u.compare(0, prefix.size(), prefix) == 0)
            out.push_back(joinPath(dir, name));
    }
    return out;
}

bool TableFile::isIndexCompanion(const std::string& file) {
    std::string ext = fileNameKey(file.substr(file.find_last_of('.') + 1));
    for (auto& c : ext) c = char(std::toupper(static_cast<unsigned char>(c)));
    auto hex = [](char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); };
    if (ext == "PX") return true;
    if (ext.size() != 3 || (ext[0] != 'X' && ext[0] != 'Y')) return false;
    // .XGn/.YGn (composite or case-insensitive), .Xnn/.Ynn (single column).
    return (ext[1] == 'G' && hex(ext[2])) || (hex(ext[1]) && hex(ext[2]));
}

void TableFile::removeIndexCompanions() {
    for (const auto& file : existingCompanions())
        if (isIndexCompanion(file)) env_.remove(file);
    dropIndexes();
}

void TableFile::readHeaderFromDisk(px::Header& out, std::vector<std::byte>& image) {
    std::vector<std::byte> prefix(4);
    data_->readExact(0, prefix);
    std::uint16_t size = px::peekHeaderSize(prefix);
    if (size < 0x58) fail(ErrorCode::Corrupt, "Plik " + path_ + " nie jest tabelą Paradox.");
    image.assign(size, std::byte{0});
    data_->readExact(0, image);
    out = px::parseHeader(image, path_);
}

File* TableFile::fileById(std::uint8_t id) {
    if (id == kDataFileId) return data_.get();
    if (id == kPrimaryFileId) return primary_ ? primary_->file.get() : nullptr;
    int n = id - kFirstSecondaryFileId;
    if (n >= 0 && n < int(secondaries_.size())) return secondaries_[n]->file.get();
    return nullptr;
}

void TableFile::recoverJournal() {
    std::string jpath = companionPath("JNL");
    if (!env_.exists(jpath)) return;
    // Replaying writes into the table's files, so it needs write access even for a
    // read-only open: a crash must not make a table unreadable. Where the files cannot be
    // written at all (read-only media), they are read as they are.
    std::unique_ptr<File> rw;
    File* dataFile = data_.get();
    if (mode_ == AccessMode::ReadOnly) {
        try {
            rw = env_.open(path_, OpenMode::ReadWrite);
        } catch (const EngineError&) {
            return;
        }
        dataFile = rw.get();
    }
    Journal journal(env_, jpath, baseName(path_));
    if (!journal.needsRecovery()) return;
    std::map<std::uint8_t, std::unique_ptr<File>> opened;
    auto resolver = [&](std::uint8_t id) -> File* {
        if (id == kDataFileId) return dataFile;
        auto it = opened.find(id);
        if (it != opened.end()) return it->second.get();
        std::string p = id == kPrimaryFileId
                            ? companionPath("PX")
                            : companionPath("XG" + hexDigit(id - kFirstSecondaryFileId));
        if (!env_.exists(p)) return nullptr;
        auto f = env_.open(p, OpenMode::ReadWrite);
        File* raw = f.get();
        opened.emplace(id, std::move(f));
        return raw;
    };
    lockWrite(dataFile);
    try {
        // A journal left beside a table that was replaced since holds another table's changes.
        if (journalBelongs(journal, *dataFile))
            journal.recover(resolver);
        else
            journal.discard();
    } catch (...) {
        unlockWrite(dataFile);
        throw;
    }
    unlockWrite(dataFile);
}

}  // namespace lumiro::engine
