// Writing: the write lock, a change gathered and committed through the journal, slots taken
// and freed at the end of the block chain, records inserted, updated and deleted with their
// index entries, and the journal's checkpoints.
#include "table_file.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

#include "file_names.h"

#include "table_file_parts.h"

namespace lumiro::engine {

using namespace table_file_parts;

namespace {

constexpr std::uint64_t kCheckpointBytes = 4u << 20;

}  // namespace

// ---------------------------------------------------------------------------------------
// Writing

void TableFile::lockWrite(File* file) {
    using namespace std::chrono;
    if (!file) file = data_.get();
    auto deadline = steady_clock::now() + seconds(5);
    while (!file->tryLock(kWriteLockOffset, 1, LockKind::Exclusive)) {
        if (steady_clock::now() > deadline)
            fail(ErrorCode::Locked, "Tabela " + path_ + " jest zablokowana przez inny program.");
        std::this_thread::sleep_for(milliseconds(5));
    }
}

void TableFile::unlockWrite(File* file) {
    (file ? file : data_.get())->unlock(kWriteLockOffset, 1);
}

void TableFile::beginWrite() {
    if (!writable())
        fail(ErrorCode::ReadOnly, "Tabela " + path_ + " jest otwarta tylko do odczytu.");
    if (broken_)
        fail(ErrorCode::Io, "Tabela " + path_ + " wymaga ponownego otwarcia po nieudanym zapisie.");
    if (writing_) {
        if (batchDepth_ > 0) return;
        fail(ErrorCode::InvalidState, "Zapis do tabeli " + path_ + " już trwa.");
    }
    lockWrite();
    try {
        if (!journal_)
            journal_ = std::make_unique<Journal>(env_, companionPath("JNL"), baseName(path_));
        std::vector<std::byte> prefix(std::min<std::size_t>(px::kHeaderPrefix, hdrImage_.size()));
        data_->readExact(0, prefix);
        if (!std::equal(prefix.begin(), prefix.end(), hdrImage_.begin())) {
            // Another writer was here; if it died while applying, its journal completes it.
            if (journal_->needsRecovery())
                journal_->recover([this](std::uint8_t id) { return fileById(id); });
            writing_ = true;  // refresh also for exclusive opens
            refreshIfChanged();
        }
    } catch (...) {
        writing_ = false;
        unlockWrite();
        throw;
    }
    writing_ = true;
    savedHdr_ = hdr_;
    if (!chainChecked_) {
        try {
            validateChain(true);
        } catch (...) {
            writing_ = false;
            unlockWrite();
            throw;
        }
    }
}

void TableFile::stampIndexes() {
    auto stamp = [&](Index& idx) {
        IndexMeta m = idx.tree->meta();
        m.dataGeneration = hdr_.generation;
        m.dataRecordCount = hdr_.recordCount;
        if (&idx == primary_.get()) {
            m.secondaryNames.clear();
            for (const auto& s : secondaries_) m.secondaryNames.push_back(s->def.name);
        }
        idx.tree->setMeta(m);
    };
    if (primary_) stamp(*primary_);
    for (auto& s : secondaries_) stamp(*s);
}

void TableFile::collectWrites(std::vector<JournalWrite>& out) {
    // The index pages get their checksums once per transaction, not once per change.
    if (primary_) primary_->tree->seal();
    for (auto& s : secondaries_) s->tree->seal();
    std::size_t prefixLen = std::min<std::size_t>(px::kHeaderPrefix, hdrImage_.size());
    JournalWrite hw;
    hw.fileId = kDataFileId;
    hw.offset = 0;
    hw.bytes.assign(hdrImage_.begin(), hdrImage_.begin() + std::ptrdiff_t(prefixLen));
    out.push_back(std::move(hw));
    blocks_->collect(out);
    if (primary_) primary_->pager->collect(out);
    for (auto& s : secondaries_) s->pager->collect(out);
}

void TableFile::commitWrite() {
    if (!writing_) return;
    if (batchDepth_ > 0) return;
    bool changed = forceCommit_ || blocks_->dirty() || hdr_.recordCount != savedHdr_.recordCount ||
                   hdr_.autoIncrement != savedHdr_.autoIncrement ||
                   hdr_.keyFieldCount != savedHdr_.keyFieldCount;
    if (primary_ && primary_->pager->dirty()) changed = true;
    for (auto& s : secondaries_) changed = changed || s->pager->dirty();
    forceCommit_ = false;
    if (!changed) {
        writing_ = false;
        unlockWrite();
        return;
    }
    std::vector<std::byte> savedImage = hdrImage_;
    try {
        if (hdr_.hasExtendedHeader()) hdr_.generation = savedHdr_.generation + 1;
        hdr_.fileBlocks = std::uint16_t(blocks_->pageCount());
        px::writeCounters(hdr_,
                          std::span(hdrImage_.data(),
                                    std::min<std::size_t>(px::kHeaderPrefix, hdrImage_.size())));
        stampIndexes();
        // Room for the new blocks first, so that applying cannot run out of space after
        // the change became durable.
        data_->reserve(hdr_.headerSize + std::uint64_t(blocks_->pageCount()) * hdr_.blockSize());
        std::vector<JournalWrite> writes;
        collectWrites(writes);
        journal_->commit(writes, {headerStamp(savedImage), headerStamp(hdrImage_)});
    } catch (...) {
        hdrImage_ = savedImage;
        abortWrite();
        throw;
    }
    // Durable now. The header goes first so that other programs notice the change even if
    // this process dies half way; they then replay the journal.
    try {
        data_->write(0, std::span(hdrImage_.data(),
                                  std::min<std::size_t>(px::kHeaderPrefix, hdrImage_.size())));
        blocks_->apply();
        if (primary_) primary_->pager->apply();
        for (auto& s : secondaries_) s->pager->apply();
        if (journal_->pendingBytes() > kCheckpointBytes)
            journal_->checkpoint([this](std::uint8_t id) { return fileById(id); });
    } catch (...) {
        // The change is durable in the journal but the files did not take all of it:
        // replay the journal now, as an open after a crash would.
        try {
            journal_->recover([this](std::uint8_t id) { return fileById(id); });
            invalidateCaches();
        } catch (...) {
            broken_ = true;
            writing_ = false;
            unlockWrite();
            fail(ErrorCode::Io,
                 "Zapis do tabeli " + path_ +
                     " nie został dokończony. Zmiana jest zabezpieczona w dzienniku i "
                     "zostanie odtworzona przy ponownym otwarciu tabeli.");
        }
    }
    writing_ = false;
    unlockWrite();
}

void TableFile::invalidateCaches() {
    blocks_->rollback();
    blocks_->invalidate();
    physicalValid_ = false;
    auto reset = [](Index& idx) {
        idx.pager->rollback();
        idx.pager->invalidate();
        idx.tree->reload();
    };
    if (primary_) reset(*primary_);
    for (auto& s : secondaries_) reset(*s);
}

void TableFile::abortWrite() {
    if (!writing_) return;
    blocks_->rollback();
    if (primary_) {
        primary_->pager->rollback();
        primary_->tree->reload();
    }
    for (auto& s : secondaries_) {
        s->pager->rollback();
        s->tree->reload();
    }
    hdr_ = savedHdr_;
    std::size_t prefixLen = std::min<std::size_t>(px::kHeaderPrefix, hdrImage_.size());
    px::writeCounters(hdr_, std::span(hdrImage_.data(), prefixLen));
    physicalValid_ = false;
    writing_ = false;
    forceCommit_ = false;
    batchDepth_ = 0;
    unlockWrite();
}

void TableFile::beginBatch() {
    if (batchDepth_ == 0) beginWrite();
    ++batchDepth_;
}

void TableFile::endBatch() {
    if (batchDepth_ == 0) return;
    if (--batchDepth_ == 0) commitWrite();
}

std::uint32_t TableFile::appendSlot() {
    int perBlock = hdr_.recordsPerBlock();
    if (hdr_.lastBlock != 0) {
        std::byte* p = blocks_->write(hdr_.lastBlock - 1);
        auto bh = px::readBlockHeader(p, hdr_, path_);
        if (bh.recordCount < perBlock) {
            bh.recordCount += 1;
            px::writeBlockHeader(p, bh, hdr_);
            physicalValid_ = false;
            return makeLocator(hdr_.lastBlock, std::uint32_t(bh.recordCount - 1));
        }
    }
    // A block that is not in the chain is free; use it before growing the file.
    std::uint32_t fresh = 0;
    if (blocks_->pageCount() > hdr_.usedBlocks) {
        std::vector<bool> used(blocks_->pageCount() + 1, false);
        std::uint32_t b = hdr_.firstBlock;
        std::uint32_t guard = 0;
        while (b != 0 && b <= blocks_->pageCount() && ++guard <= blocks_->pageCount()) {
            used[b] = true;
            b = px::readBlockHeader(blocks_->read(b - 1), hdr_, path_).next;
        }
        for (std::uint32_t i = 1; i <= blocks_->pageCount(); ++i)
            if (!used[i]) {
                fresh = i;
                break;
            }
    }
    if (fresh == 0) {
        if (blocks_->pageCount() >= 0xFFFF)
            fail(ErrorCode::DiskFull, "Tabela " + path_ + " osiągnęła największy możliwy rozmiar.");
        fresh = blocks_->append() + 1;
    }
    {
        std::byte* p = blocks_->write(fresh - 1);
        std::memset(p, 0, hdr_.blockSize());
        px::BlockHeader bh;
        bh.prev = hdr_.lastBlock;
        bh.next = 0;
        bh.recordCount = 1;
        px::writeBlockHeader(p, bh, hdr_);
    }
    if (hdr_.lastBlock != 0) {
        std::byte* p = blocks_->write(hdr_.lastBlock - 1);
        auto bh = px::readBlockHeader(p, hdr_, path_);
        bh.next = std::uint16_t(fresh);
        px::writeBlockHeader(p, bh, hdr_);
    } else {
        hdr_.firstBlock = std::uint16_t(fresh);
    }
    hdr_.lastBlock = std::uint16_t(fresh);
    hdr_.usedBlocks += 1;
    physicalValid_ = false;
    return makeLocator(fresh, 0);
}

void TableFile::freeLastSlot() {
    std::uint32_t last = hdr_.lastBlock;
    std::byte* p = blocks_->write(last - 1);
    auto bh = px::readBlockHeader(p, hdr_, path_);
    bh.recordCount -= 1;
    std::memset(p + px::kBlockHeaderSize + std::size_t(bh.recordCount) * hdr_.recordSize, 0,
                hdr_.recordSize);
    physicalValid_ = false;
    if (bh.recordCount > 0) {
        px::writeBlockHeader(p, bh, hdr_);
        return;
    }
    // The block before it in the chain. Other engines do not always keep the backward links
    // right, and the chain is what readers follow, so it is found by walking the chain.
    std::uint32_t prev = 0;
    for (std::uint32_t b = hdr_.firstBlock, guard = 0; b != last;) {
        if (b == 0 || b > blocks_->pageCount() || ++guard > blocks_->pageCount())
            fail(ErrorCode::Corrupt,
                 "Plik " + path_ + " jest uszkodzony: łańcuch bloków jest błędny.");
        prev = b;
        b = px::readBlockHeader(blocks_->read(b - 1), hdr_, path_).next;
    }
    p = blocks_->write(last - 1);
    // A free block says it holds nothing, for readers that walk blocks by number.
    std::memset(p, 0, hdr_.blockSize());
    px::writeBlockHeader(p, px::BlockHeader{}, hdr_);
    if (prev != 0) {
        std::byte* q = blocks_->write(prev - 1);
        auto pbh = px::readBlockHeader(q, hdr_, path_);
        pbh.next = 0;
        px::writeBlockHeader(q, pbh, hdr_);
    } else {
        hdr_.firstBlock = 0;
    }
    hdr_.lastBlock = std::uint16_t(prev);
    hdr_.usedBlocks -= 1;
    if (last == blocks_->pageCount()) blocks_->truncate(last - 1);
}

void TableFile::checkUnique(std::span<const std::byte> record, std::optional<std::uint32_t> self) {
    if (primary_) {
        auto pk = keyOf(kPrimaryOrder, record);
        auto e = primary_->tree->find(pk);
        if (e && (!self || locatorFrom(e->value) != *self))
            fail(ErrorCode::KeyViolation,
                 "Naruszenie klucza: w tabeli " + path_ + " jest już rekord o takim kluczu.");
    }
    for (std::size_t n = 0; n < secondaries_.size(); ++n) {
        const Index& s = *secondaries_[n];
        if (!s.def.unique) continue;
        auto own = prefixOf(int(n), record, s.fieldNos.size());
        auto e = seek(int(n), own, Seek::GE);
        if (e && std::equal(own.begin(), own.end(), e->key.begin()) &&
            (!self || e->locator != *self))
            fail(ErrorCode::KeyViolation, "Naruszenie klucza: indeks " + s.def.name + " tabeli " +
                                              path_ + " nie dopuszcza powtórzeń.");
    }
}

void TableFile::indexInsert(std::span<const std::byte> record, std::uint32_t locator) {
    if (!primary_) return;
    auto pk = keyOf(kPrimaryOrder, record);
    if (!primary_->tree->insert(pk, locatorBytes(locator)))
        fail(ErrorCode::KeyViolation,
             "Naruszenie klucza: w tabeli " + path_ + " jest już rekord o takim kluczu.");
    for (std::size_t n = 0; n < secondaries_.size(); ++n) {
        auto key = keyOf(int(n), record);
        if (!secondaries_[n]->tree->insert(key, {}))
            fail(ErrorCode::Corrupt,
                 "Plik indeksu " + secondaries_[n]->treePath + " jest uszkodzony.");
    }
}

void TableFile::indexErase(std::span<const std::byte> record) {
    if (!primary_) return;
    primary_->tree->erase(keyOf(kPrimaryOrder, record));
    for (std::size_t n = 0; n < secondaries_.size(); ++n)
        secondaries_[n]->tree->erase(keyOf(int(n), record));
}

std::uint32_t TableFile::insertRecord(std::vector<std::byte>& record) {
    if (record.size() != hdr_.recordSize)
        fail(ErrorCode::InvalidArgument, "Rekord ma zły rozmiar.");
    for (std::size_t i = 0; i < hdr_.fields.size(); ++i) {
        if (hdr_.fields[i].type != FieldType::AutoInc) continue;
        hdr_.autoIncrement += 1;
        px::encodeField(hdr_.fields[i], Value{std::int64_t(hdr_.autoIncrement)},
                        record.data() + hdr_.fieldOffsets[i]);
    }
    checkUnique(record, std::nullopt);
    if (hdr_.recordCount >= 0x7FFFFFFF)
        fail(ErrorCode::DiskFull, "Tabela " + path_ + " osiągnęła największą liczbę rekordów.");
    std::uint32_t loc = appendSlot();
    std::memcpy(recordSlot(loc, true), record.data(), hdr_.recordSize);
    hdr_.recordCount += 1;
    indexInsert(record, loc);
    return loc;
}

void TableFile::updateRecord(std::uint32_t locator, std::span<const std::byte> before,
                             std::vector<std::byte>& after) {
    if (after.size() != hdr_.recordSize || before.size() != hdr_.recordSize)
        fail(ErrorCode::InvalidArgument, "Rekord ma zły rozmiar.");
    const std::byte* cur = recordSlot(locator, false);
    if (std::memcmp(cur, before.data(), hdr_.recordSize) != 0)
        fail(ErrorCode::RecordChanged,
             "Rekord tabeli " + path_ + " został w międzyczasie zmieniony przez inny program.");
    for (std::size_t i = 0; i < hdr_.fields.size(); ++i)
        if (hdr_.fields[i].type == FieldType::AutoInc)
            std::memcpy(after.data() + hdr_.fieldOffsets[i], before.data() + hdr_.fieldOffsets[i],
                        std::size_t(storedSize(hdr_.fields[i])));
    checkUnique(after, locator);
    if (primary_) {
        auto pkOld = keyOf(kPrimaryOrder, before);
        auto pkNew = keyOf(kPrimaryOrder, after);
        if (pkOld != pkNew) {
            primary_->tree->erase(pkOld);
            primary_->tree->insert(pkNew, locatorBytes(locator));
        }
        for (std::size_t n = 0; n < secondaries_.size(); ++n) {
            auto kOld = keyOf(int(n), before);
            auto kNew = keyOf(int(n), after);
            if (kOld != kNew) {
                secondaries_[n]->tree->erase(kOld);
                secondaries_[n]->tree->insert(kNew, {});
            }
        }
    }
    std::memcpy(recordSlot(locator, true), after.data(), hdr_.recordSize);
}

void TableFile::deleteRecord(std::uint32_t locator, std::span<const std::byte> before) {
    const std::byte* cur = recordSlot(locator, false);
    if (std::memcmp(cur, before.data(), hdr_.recordSize) != 0)
        fail(ErrorCode::RecordChanged,
             "Rekord tabeli " + path_ + " został w międzyczasie zmieniony przez inny program.");
    indexErase(before);
    std::uint32_t lastBlock = hdr_.lastBlock;
    auto bh = px::readBlockHeader(blocks_->read(lastBlock - 1), hdr_, path_);
    std::uint32_t lastLoc = makeLocator(lastBlock, std::uint32_t(bh.recordCount - 1));
    if (locator != lastLoc) {
        // Fill the hole with the table's last record so that blocks stay dense.
        std::vector<std::byte> moved(hdr_.recordSize);
        std::memcpy(moved.data(), recordSlot(lastLoc, false), hdr_.recordSize);
        std::memcpy(recordSlot(locator, true), moved.data(), hdr_.recordSize);
        if (primary_) primary_->tree->update(keyOf(kPrimaryOrder, moved), locatorBytes(locator));
    }
    freeLastSlot();
    hdr_.recordCount -= 1;
}

void TableFile::checkpointJournal() {
    // Index files are replaced outside the journal: no older image of them may stay in it
    // to be replayed over the new files.
    if (!journal_) {
        const std::string jpath = companionPath("JNL");
        if (!env_.exists(jpath) || !writable()) return;
        journal_ = std::make_unique<Journal>(env_, jpath, baseName(path_));
    }
    if (journal_->pendingBytes() > 0 || journal_->needsRecovery())
        journal_->checkpoint([this](std::uint8_t id) { return fileById(id); });
}

void TableFile::checkpoint() {
    if (!writable() || writing_) return;
    if (!journal_) {
        const std::string jpath = companionPath("JNL");
        if (!env_.exists(jpath)) return;
        journal_ = std::make_unique<Journal>(env_, jpath, baseName(path_));
    }
    lockWrite();
    try {
        journal_->checkpoint([this](std::uint8_t id) { return fileById(id); });
    } catch (...) {
        unlockWrite();
        throw;
    }
    unlockWrite();
}

}  // namespace lumiro::engine
