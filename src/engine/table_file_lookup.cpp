// Keys and lookup: the orders of a table, seeking and walking them, and reading records
// (with the refresh when another process has changed the table).
#include "table_file.h"

#include <algorithm>

#include "table_file_parts.h"

namespace lumiro::engine {

using namespace table_file_parts;

// ---------------------------------------------------------------------------------------
// Keys and lookup

int TableFile::indexByName(const std::string& name) const {
    if (name.empty()) return kPrimaryOrder;
    for (std::size_t i = 0; i < secondaries_.size(); ++i)
        if (sameName(secondaries_[i]->def.name, name)) return int(i);
    fail(ErrorCode::InvalidArgument, "Tabela " + path_ + " nie ma indeksu " + name + ".");
}

int TableFile::indexByFields(const std::vector<int>& fieldNos) const {
    if (primary_ && primary_->fieldNos == fieldNos) return kPrimaryOrder;
    for (std::size_t i = 0; i < secondaries_.size(); ++i)
        if (secondaries_[i]->fieldNos == fieldNos) return int(i);
    // A leading part of an index serves as well.
    auto starts = [&](const std::vector<int>& f) {
        return f.size() >= fieldNos.size() &&
               std::equal(fieldNos.begin(), fieldNos.end(), f.begin());
    };
    if (primary_ && starts(primary_->fieldNos)) return kPrimaryOrder;
    for (std::size_t i = 0; i < secondaries_.size(); ++i)
        if (starts(secondaries_[i]->fieldNos)) return int(i);
    std::string names;
    for (int f : fieldNos) names += (names.empty() ? "" : ";") + hdr_.fields.at(f).name;
    fail(ErrorCode::InvalidArgument,
         "Tabela " + path_ + " nie ma indeksu na polach " + names + ".");
}

std::vector<int> TableFile::orderFields(int order) const {
    if (order == kPrimaryOrder) return primary_ ? primary_->fieldNos : std::vector<int>{};
    return secondaries_.at(order)->fieldNos;
}

bool TableFile::orderCaseInsensitive(int order) const {
    if (order == kPrimaryOrder) return false;
    return secondaries_.at(order)->def.caseInsensitive;
}

std::vector<IndexDef> TableFile::indexDefs() const {
    std::vector<IndexDef> out;
    if (primary_) out.push_back(primary_->def);
    for (const auto& s : secondaries_) out.push_back(s->def);
    return out;
}

std::vector<std::byte> TableFile::prefixOf(int order, std::span<const std::byte> record,
                                           std::size_t columns) const {
    std::vector<std::byte> key;
    if (order == kPrimaryOrder && !primary_) return key;
    const Index& idx = order == kPrimaryOrder ? *primary_ : *secondaries_.at(order);
    bool ci = idx.def.caseInsensitive;
    for (std::size_t i = 0; i < idx.fieldNos.size() && i < columns; ++i) {
        const FieldDef& f = hdr_.fields[idx.fieldNos[i]];
        std::size_t w = px::keyWidth(f);
        std::size_t at = key.size();
        key.resize(at + w);
        px::encodeKey(f, record.data() + hdr_.fieldOffsets[idx.fieldNos[i]], ci, key.data() + at);
    }
    return key;
}

std::vector<std::byte> TableFile::keyOf(int order, std::span<const std::byte> record) const {
    if (order == kPrimaryOrder) {
        if (!primary_)
            fail(ErrorCode::InvalidState, "Tabela " + path_ + " nie ma indeksu głównego.");
        return prefixOf(order, record, primary_->fieldNos.size());
    }
    auto key = prefixOf(order, record, secondaries_.at(order)->fieldNos.size());
    auto pk = prefixOf(kPrimaryOrder, record, primary_->fieldNos.size());
    key.insert(key.end(), pk.begin(), pk.end());
    return key;
}

std::optional<std::uint32_t> TableFile::locate(std::span<const std::byte> primaryKey) {
    if (!primary_) return std::nullopt;
    auto e = primary_->tree->find(primaryKey);
    if (!e) return std::nullopt;
    return locatorFrom(e->value);
}

void TableFile::rebuildPhysicalOrder() {
    physical_.clear();
    std::uint32_t block = hdr_.firstBlock;
    std::uint32_t guard = 0;
    while (block != 0) {
        if (block > blocks_->pageCount() || ++guard > blocks_->pageCount())
            fail(ErrorCode::Corrupt,
                 "Plik " + path_ + " jest uszkodzony: łańcuch bloków jest błędny.");
        const std::byte* p = blocks_->read(block - 1);
        auto bh = px::readBlockHeader(p, hdr_, path_);
        for (int s = 0; s < bh.recordCount; ++s) physical_.push_back(makeLocator(block, s));
        block = bh.next;
    }
    physicalValid_ = true;
}

std::optional<IndexEntryRef> TableFile::seek(int order, std::span<const std::byte> key, Seek how) {
    if (order == kPrimaryOrder && !primary_) {
        if (!physicalValid_) rebuildPhysicalOrder();
        if (physical_.empty()) return std::nullopt;
        // Physical order: the key is the position in the chain (4 bytes, big-endian).
        std::int64_t pos = key.size() >= 4 ? std::int64_t(locatorFrom(key)) : 0;
        switch (how) {
            case Seek::GE:
                break;
            case Seek::GT:
                pos += 1;
                break;
            case Seek::LE:
                break;
            case Seek::LT:
                pos -= 1;
                break;
        }
        if (how == Seek::LE || how == Seek::LT)
            pos = std::min<std::int64_t>(pos, std::int64_t(physical_.size()) - 1);
        if (pos < 0 || pos >= std::int64_t(physical_.size())) return std::nullopt;
        return IndexEntryRef{locatorBytes(std::uint32_t(pos)), physical_[std::size_t(pos)]};
    }
    Index& idx = order == kPrimaryOrder ? *primary_ : *secondaries_.at(order);
    auto e = idx.tree->seek(fullKey(idx, key, how), how);
    if (!e) return std::nullopt;
    IndexEntryRef ref;
    if (order == kPrimaryOrder) {
        ref.locator = locatorFrom(e->value);
    } else {
        auto loc = locate(primaryKeyIn(order, e->key));
        if (!loc)
            fail(ErrorCode::Corrupt,
                 "Plik indeksu " + idx.treePath + " wskazuje rekord, którego nie ma.");
        ref.locator = *loc;
    }
    ref.key = std::move(e->key);
    return ref;
}

std::vector<std::byte> TableFile::fullKey(const Index& idx, std::span<const std::byte> key,
                                          Seek how) {
    // A prefix stands for the lowest key it begins when seeking forward from it, for the
    // highest when seeking past it or back to it.
    std::vector<std::byte> full(key.begin(), key.end());
    const std::byte fill = (how == Seek::GT || how == Seek::LE) ? std::byte{0xFF} : std::byte{0};
    full.resize(idx.keySize, fill);
    return full;
}

void TableFile::walk(int order, std::span<const std::byte> from, const KeyVisitor& visit) {
    if (order == kPrimaryOrder && !primary_) {
        if (!physicalValid_) rebuildPhysicalOrder();
        for (std::size_t pos = from.size() >= 4 ? locatorFrom(from) : 0; pos < physical_.size();
             ++pos)
            if (!visit(locatorBytes(std::uint32_t(pos)))) return;
        return;
    }
    Index& idx = order == kPrimaryOrder ? *primary_ : *secondaries_.at(order);
    idx.tree->walk(
        fullKey(idx, from, Seek::GE),
        [&](std::span<const std::byte> key, std::span<const std::byte>) { return visit(key); });
}

std::span<const std::byte> TableFile::primaryKeyIn(int order,
                                                   std::span<const std::byte> entryKey) const {
    if (order == kPrimaryOrder) return entryKey;
    const Index& idx = *secondaries_.at(order);
    if (entryKey.size() != idx.keySize)
        fail(ErrorCode::Corrupt, "Plik indeksu " + idx.treePath + " ma wpis złej długości.");
    return entryKey.subspan(idx.ownKeySize);
}

std::optional<IndexEntryRef> TableFile::first(int order) {
    return seek(order, {}, Seek::GE);
}

std::optional<IndexEntryRef> TableFile::last(int order) {
    if (order == kPrimaryOrder && !primary_) {
        std::vector<std::byte> end = locatorBytes(0xFFFFFFFFu);
        return seek(order, end, Seek::LE);
    }
    return seek(order, {}, Seek::LE);
}

void TableFile::readRecord(std::uint32_t locator, std::vector<std::byte>& out) {
    const std::byte* p = recordSlot(locator, false);
    out.assign(p, p + hdr_.recordSize);
}

std::byte* TableFile::recordSlot(std::uint32_t locator, bool forWrite) {
    std::uint32_t block = blockOf(locator);
    if (block == 0 || block > blocks_->pageCount())
        fail(ErrorCode::Corrupt, "Plik " + path_ + " jest uszkodzony: odwołanie do bloku " +
                                     std::to_string(block) + ", którego nie ma.");
    const std::byte* p = blocks_->read(block - 1);
    auto bh = px::readBlockHeader(p, hdr_, path_);
    if (int(slotOf(locator)) >= bh.recordCount)
        fail(ErrorCode::Corrupt, "Plik " + path_ + " jest uszkodzony: rekord poza blokiem.");
    std::byte* base = forWrite ? blocks_->write(block - 1) : const_cast<std::byte*>(p);
    return base + px::kBlockHeaderSize + std::size_t(slotOf(locator)) * hdr_.recordSize;
}

px::BlobFile* TableFile::blobs() {
    if (!blobReader_) {
        bool hasBlobs = false;
        for (const auto& f : hdr_.fields) hasBlobs = hasBlobs || isBlobType(f.type);
        if (!hasBlobs) return nullptr;
        std::string mb = companionPath("MB");
        if (!env_.exists(mb)) return nullptr;
        blobFile_ = env_.open(mb, OpenMode::ReadOnly);
        blobReader_ = std::make_unique<px::BlobFile>(*blobFile_);
    }
    return blobReader_.get();
}

void TableFile::refreshIfChanged() {
    if (mode_ == AccessMode::Exclusive && !writing_) return;
    // A batch holds the write lock from its start: no other writer can have changed the table.
    if (batchDepth_ > 0) return;
    std::vector<std::byte> prefix(std::min<std::size_t>(px::kHeaderPrefix, hdrImage_.size()));
    data_->readExact(0, prefix);
    if (std::equal(prefix.begin(), prefix.end(), hdrImage_.begin())) return;
    // Another program (or another session of ours) changed the table.
    px::Header fresh;
    std::vector<std::byte> image;
    readHeaderFromDisk(fresh, image);
    hdr_ = fresh;
    hdrImage_ = std::move(image);
    blocks_->invalidate();
    physicalValid_ = false;
    if (memoryIndexes_) {
        installIndexes(indexDefs(), IndexHome::Memory);
        return;
    }
    for (Index* idx : [&] {
             std::vector<Index*> all;
             if (primary_) all.push_back(primary_.get());
             for (auto& s : secondaries_) all.push_back(s.get());
             return all;
         }()) {
        idx->pager->invalidate();
        idx->tree->reload();
    }
    if (primary_ && primary_->tree->meta().secondaryNames.size() != secondaries_.size()) {
        // Another program added an index: load the set again.
        loadIndexes();
    }
}

}  // namespace lumiro::engine
