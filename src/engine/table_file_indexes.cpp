// Index files: loading them and their descriptors at open, building and installing them,
// adding a secondary index, rebuilding or replacing the set, and checking the table against
// them.
#include "table_file.h"

#include <algorithm>
#include <cstring>
#include <set>

#include "file_names.h"
#include "memory_file.h"

#include "table_file_parts.h"

namespace lumiro::engine {

using namespace table_file_parts;

namespace {

constexpr int kMaxSecondaries = 16;
constexpr char kIndexMagic[] = "LMRIDX";
constexpr char kDescriptorMagic[] = "LMRIDD 1";

std::string joinFields(const std::vector<std::string>& names) {
    std::string out;
    for (const auto& n : names) {
        if (!out.empty()) out += ';';
        out += n;
    }
    return out;
}

std::vector<std::string> splitFields(const std::string& list) {
    std::vector<std::string> out;
    std::string cur;
    for (char c : list) {
        if (c == ';') {
            if (!cur.empty()) out.push_back(cur);
            cur.clear();
        } else if (c != ' ') {
            cur += c;
        }
    }
    if (!cur.empty()) out.push_back(cur);
    return out;
}

std::uint32_t crc32Of(const std::string& text) {
    // Small table-driven CRC-32 (IEEE) for the descriptor files.
    static std::uint32_t table[256] = {};
    static bool ready = false;
    if (!ready) {
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t c = i;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            table[i] = c;
        }
        ready = true;
    }
    std::uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char ch : text) crc = table[(crc ^ ch) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

std::string readWhole(File& f, std::uint64_t limit) {
    std::uint64_t n = std::min<std::uint64_t>(f.size(), limit);
    std::string s(n, '\0');
    f.read(0, std::as_writable_bytes(std::span(s.data(), s.size())));
    return s;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Loading index files and their descriptors

std::unique_ptr<TableFile::Index> TableFile::makeIndex(const IndexDef& def, int secondaryNo) const {
    auto idx = std::make_unique<Index>();
    idx->def = def;
    for (const auto& name : def.fields) {
        int found = -1;
        for (std::size_t i = 0; i < hdr_.fields.size(); ++i)
            if (sameName(hdr_.fields[i].name, name)) found = int(i);
        if (found < 0)
            fail(ErrorCode::InvalidArgument, "Indeks " + def.name + " tabeli " + path_ +
                                                 " odwołuje się do nieznanego pola " + name + ".");
        if (isBlobType(hdr_.fields[found].type))
            fail(ErrorCode::InvalidArgument, "Pole " + name + " nie może należeć do indeksu.");
        idx->fieldNos.push_back(found);
        idx->ownKeySize += px::keyWidth(hdr_.fields[found]);
    }
    if (idx->fieldNos.empty())
        fail(ErrorCode::InvalidArgument, "Indeks " + def.name + " nie ma pól.");
    idx->keySize = idx->ownKeySize;
    if (secondaryNo < 0) {
        idx->treePath = companionPath("PX");
        idx->fileId = kPrimaryFileId;
    } else {
        if (!primary_)
            fail(ErrorCode::InvalidArgument,
                 "Indeks wtórny tabeli " + path_ + " wymaga indeksu głównego.");
        idx->keySize += primary_->ownKeySize;
        idx->treePath = companionPath("XG" + hexDigit(secondaryNo));
        idx->descPath = companionPath("YG" + hexDigit(secondaryNo));
        idx->fileId = std::uint8_t(kFirstSecondaryFileId + secondaryNo);
    }
    if (idx->keySize > 1000)
        fail(ErrorCode::InvalidArgument, "Klucz indeksu " + def.name + " jest zbyt długi.");
    return idx;
}

void TableFile::loadIndexFile(Index& index, bool create) {
    OpenMode om =
        create ? OpenMode::CreateOrTrunc : (writable() ? OpenMode::ReadWrite : OpenMode::ReadOnly);
    index.file = env_.open(index.treePath, om);
    index.pager = std::make_unique<Pager>(index.file.get(), index.fileId, 0, kIndexPageSize, 512);
    index.tree = std::make_unique<BTree>(*index.pager, index.treePath);
}

void TableFile::checkIndexCurrent(const Index& index) const {
    const IndexMeta& m = index.tree->meta();
    bool sameFields = m.fieldNumbers.size() == index.fieldNos.size();
    for (std::size_t i = 0; sameFields && i < index.fieldNos.size(); ++i)
        sameFields = m.fieldNumbers[i] == index.fieldNos[i];
    if (!sameFields || m.keySize != index.keySize)
        fail(ErrorCode::Corrupt,
             "Plik indeksu " + index.treePath + " nie pasuje do tabeli " + path_ + ".");
    if (m.dataGeneration != hdr_.generation || m.dataRecordCount != hdr_.recordCount ||
        index.tree->size() != hdr_.recordCount)
        fail(ErrorCode::StaleIndex, "Plik indeksu " + index.treePath +
                                        " jest nieaktualny: nie odpowiada plikowi danych " + path_ +
                                        ".");
}

std::optional<IndexDef> TableFile::readDescriptor(const std::string& descPath) {
    if (!env_.exists(descPath)) return std::nullopt;
    auto f = env_.open(descPath, OpenMode::ReadOnly);
    std::string text = readWhole(*f, 4096);
    auto crcPos = text.rfind("crc=");
    if (text.compare(0, std::strlen(kDescriptorMagic), kDescriptorMagic) != 0 ||
        crcPos == std::string::npos)
        return std::nullopt;
    std::string body = text.substr(0, crcPos);
    if (std::to_string(crc32Of(body)) !=
        text.substr(crcPos + 4, text.find('\n', crcPos) - crcPos - 4))
        return std::nullopt;
    IndexDef def;
    std::size_t pos = 0;
    while (pos < body.size()) {
        auto end = body.find('\n', pos);
        if (end == std::string::npos) end = body.size();
        std::string line = body.substr(pos, end - pos);
        pos = end + 1;
        if (line.rfind("name=", 0) == 0)
            def.name = line.substr(5);
        else if (line.rfind("fields=", 0) == 0)
            def.fields = splitFields(line.substr(7));
        else if (line.rfind("options=", 0) == 0) {
            std::string o = line.substr(8);
            def.unique = o.find("unique") != std::string::npos;
            def.caseInsensitive = o.find("nocase") != std::string::npos;
        }
    }
    if (def.name.empty() || def.fields.empty()) return std::nullopt;
    return def;
}

std::string TableFile::descriptorText(const Index& index) {
    std::string body = std::string(kDescriptorMagic) + "\nname=" + index.def.name +
                       "\nfields=" + joinFields(index.def.fields) + "\noptions=";
    std::string opts;
    if (index.def.unique) opts += "unique";
    if (index.def.caseInsensitive) opts += opts.empty() ? "nocase" : ",nocase";
    body += (opts.empty() ? "-" : opts) + "\n";
    return body + "crc=" + std::to_string(crc32Of(body)) + "\n";
}

void TableFile::writeSmallFile(const std::string& path, const std::string& text) {
    auto f = env_.open(path, OpenMode::CreateOrTrunc);
    f->write(0, std::as_bytes(std::span(text.data(), text.size())));
    f->sync();
}

void TableFile::writeDescriptor(const Index& index) {
    std::string tmp = index.descPath + ".tmp";
    writeSmallFile(tmp, descriptorText(index));
    env_.rename(tmp, index.descPath);
    env_.syncDir(dirName(index.descPath));
}

void TableFile::loadIndexes() {
    dropIndexes();
    if (hdr_.keyFieldCount == 0) return;

    std::vector<std::pair<ErrorCode, std::string>> problems;
    auto note = [&](ErrorCode code, const std::string& msg) { problems.emplace_back(code, msg); };

    IndexDef pdef;
    pdef.primary = pdef.unique = true;
    for (int i = 0; i < hdr_.keyFieldCount && i < int(hdr_.fields.size()); ++i)
        pdef.fields.push_back(hdr_.fields[i].name);

    bool foreign = false;
    std::string pxPath = companionPath("PX");
    if (!env_.exists(pxPath)) {
        note(ErrorCode::MissingIndex, "Brak pliku indeksu " + pxPath + " tabeli " + path_ + ".");
    } else {
        auto probe = env_.open(pxPath, OpenMode::ReadOnly);
        std::string head = readWhole(*probe, 8);
        if (head.compare(0, 6, kIndexMagic) != 0) {
            foreign = true;
        } else {
            try {
                auto idx = makeIndex(pdef, -1);
                loadIndexFile(*idx, false);
                checkIndexCurrent(*idx);
                primary_ = std::move(idx);
            } catch (const EngineError& e) {
                note(e.code() == ErrorCode::NotFound ? ErrorCode::MissingIndex : e.code(),
                     e.what());
            }
        }
    }

    if (primary_) {
        const auto names = primary_->tree->meta().secondaryNames;
        for (std::size_t n = 0; n < names.size(); ++n) {
            std::string desc = companionPath("YG" + hexDigit(int(n)));
            std::string tree = companionPath("XG" + hexDigit(int(n)));
            try {
                auto def = readDescriptor(desc);
                if (!env_.exists(tree)) {
                    note(ErrorCode::MissingIndex,
                         "Brak pliku indeksu " + tree + " tabeli " + path_ + ".");
                    continue;
                }
                if (!def) {
                    note(env_.exists(desc) ? ErrorCode::Corrupt : ErrorCode::MissingIndex,
                         (env_.exists(desc)
                              ? "Plik opisu indeksu " + desc + " jest uszkodzony."
                              : "Brak pliku opisu indeksu " + desc + " tabeli " + path_ + "."));
                    continue;
                }
                auto idx = makeIndex(*def, int(n));
                loadIndexFile(*idx, false);
                if (!sameName(idx->tree->meta().name, names[n]) || !sameName(def->name, names[n]))
                    fail(ErrorCode::Corrupt,
                         "Plik indeksu " + tree + " nie pasuje do tabeli " + path_ + ".");
                checkIndexCurrent(*idx);
                secondaries_.push_back(std::move(idx));
            } catch (const EngineError& e) {
                note(e.code(), e.what());
            }
        }
    }

    if (foreign && writable()) {
        // Companions written by another Paradox engine: build ours in their place. The data
        // file is left as it is.
        dropIndexes();
        lockWrite();
        bool converted = false;
        try {
            // Another program of ours may have done it while we looked.
            if (primaryIndexIsForeign()) {
                installIndexes(recoverableDefs(), IndexHome::Files);
                converted = true;
            }
        } catch (...) {
            unlockWrite();
            throw;
        }
        unlockWrite();
        if (!converted) loadIndexes();
        return;
    }
    // Index files of another engine are not damage: a writer replaces them with ours.
    const std::size_t damage = problems.size();
    if (foreign)
        note(ErrorCode::StaleIndex,
             "Indeksy tabeli " + path_ +
                 " zapisał inny program; otwórz tabelę do zapisu, aby je przebudować.");
    if (problems.empty()) return;
    if (mode_ == AccessMode::ReadOnly && !anotherWriterAtWork()) {
        // Nothing may be written here, and the table is to be read as it is: each order is
        // built in memory from the data file, whatever the index files beside it hold. A check
        // still hears of the files a writer would refuse.
        installIndexes(recoverableDefs(), IndexHome::Memory);
        for (std::size_t p = 0; p < damage; ++p) openProblems_.push_back(problems[p].second);
        return;
    }
    if (mode_ == AccessMode::Exclusive) {
        for (auto& p : problems) openProblems_.push_back(p.second);
        // Without a sound primary index the secondary ones cannot be used either.
        if (!primary_)
            secondaries_.clear();
        else {
            // Keep the numbering dense: stop at the first secondary that failed.
            std::size_t loaded = secondaries_.size();
            const auto names = primary_->tree->meta().secondaryNames;
            if (loaded < names.size()) {
                std::vector<std::unique_ptr<Index>> keep;
                for (std::size_t n = 0; n < secondaries_.size(); ++n) {
                    if (secondaries_[n]->fileId != kFirstSecondaryFileId + n) break;
                    keep.push_back(std::move(secondaries_[n]));
                }
                secondaries_ = std::move(keep);
            }
        }
        return;
    }
    dropIndexes();
    fail(problems.front().first, problems.front().second);
}

void TableFile::dropIndexes() {
    secondaries_.clear();
    primary_.reset();
    physicalValid_ = false;
}

std::vector<IndexDef> TableFile::recoverableDefs() {
    std::vector<IndexDef> defs;
    if (primary_)
        defs.push_back(primary_->def);
    else if (hdr_.keyFieldCount > 0) {
        IndexDef p;
        p.primary = p.unique = true;
        for (int i = 0; i < hdr_.keyFieldCount; ++i) p.fields.push_back(hdr_.fields[i].name);
        defs.push_back(p);
    }
    auto known = [&](const std::string& name) {
        for (const auto& d : defs)
            if (!d.primary && sameName(d.name, name)) return true;
        return false;
    };
    for (const auto& s : secondaries_) defs.push_back(s->def);
    for (int n = 0; n < kMaxSecondaries; ++n) {
        auto def = readDescriptor(companionPath("YG" + hexDigit(n)));
        if (def && !known(def->name)) defs.push_back(*def);
    }
    // Index files of another Paradox engine tell their own definitions.
    for (const auto& file : existingCompanions()) {
        if (!isIndexCompanion(file)) continue;
        auto f = env_.open(file, OpenMode::ReadOnly);
        std::string bytes = readWhole(*f, 1 << 16);
        if (bytes.compare(0, 6, kIndexMagic) == 0) continue;
        std::optional<px::ForeignIndexInfo> info;
        try {
            info = px::parseForeignIndex(std::as_bytes(std::span(bytes.data(), bytes.size())),
                                         baseName(file), hdr_);
        } catch (const EngineError&) {
        }
        if (!info || info->primary) continue;
        IndexDef d;
        d.name = info->name;
        // The program's secondary indexes are all case-insensitive; keep that when the
        // file does not say.
        d.caseInsensitive = info->caseInsensitive.value_or(true);
        for (int no : info->columns)
            if (no >= 0 && no < int(hdr_.fields.size())) d.fields.push_back(hdr_.fields[no].name);
        if (d.name.empty() && d.fields.size() == 1) d.name = d.fields[0];
        if (!d.name.empty() && !d.fields.empty() && !known(d.name)) defs.push_back(d);
    }
    return defs;
}

bool TableFile::primaryIndexIsForeign() {
    const std::string pxPath = companionPath("PX");
    if (!env_.exists(pxPath)) return false;
    auto probe = env_.open(pxPath, OpenMode::ReadOnly);
    return readWhole(*probe, 8).compare(0, 6, kIndexMagic) != 0;
}

// ---------------------------------------------------------------------------------------
// Index building, verification

void TableFile::sortEntries(const Index& index, std::vector<IndexEntry>& entries) const {
    std::sort(entries.begin(), entries.end(),
              [](const IndexEntry& a, const IndexEntry& b) { return a.key < b.key; });
    for (std::size_t i = 1; i < entries.size(); ++i)
        if (entries[i].key == entries[i - 1].key)
            fail(ErrorCode::KeyViolation,
                 "Nie można utworzyć indeksu " +
                     (index.def.name.empty() ? std::string("głównego") : index.def.name) +
                     " tabeli " + path_ + ": klucze się powtarzają.");
    if (index.def.unique && !index.def.primary) {
        // The entries of a secondary index end with the primary key; its own columns must
        // not repeat.
        for (std::size_t i = 1; i < entries.size(); ++i)
            if (std::equal(entries[i].key.begin(),
                           entries[i].key.begin() + std::ptrdiff_t(index.ownKeySize),
                           entries[i - 1].key.begin()))
                fail(ErrorCode::KeyViolation,
                     "Nie można utworzyć indeksu " + index.def.name + ": wartości się powtarzają.");
    }
}

IndexMeta TableFile::metaFor(const Index& index) const {
    IndexMeta meta;
    meta.name = index.def.name;
    for (int f : index.fieldNos) meta.fieldNumbers.push_back(std::uint16_t(f));
    meta.primary = index.def.primary;
    meta.unique = index.def.unique || index.def.primary;
    meta.caseInsensitive = index.def.caseInsensitive;
    meta.keySize = std::uint16_t(index.keySize);
    meta.valueSize = index.def.primary ? 4 : 0;
    meta.dataGeneration = hdr_.generation;
    meta.dataRecordCount = hdr_.recordCount;
    if (index.def.primary)
        for (const auto& s : secondaries_) meta.secondaryNames.push_back(s->def.name);
    return meta;
}

void TableFile::writeIndexFile(const Index& index, const IndexMeta& meta,
                               const std::vector<IndexEntry>& sorted, const std::string& path) {
    auto f = env_.open(path, OpenMode::CreateOrTrunc);
    Pager pager(f.get(), index.fileId, 0, kIndexPageSize, 64);
    BTree::build(pager, meta, sorted);
    pager.apply();
    f->sync();
}

void TableFile::buildIndexFile(Index& index, std::vector<IndexEntry>& entries) {
    sortEntries(index, entries);
    std::string tmp = index.treePath + ".tmp";
    writeIndexFile(index, metaFor(index), entries, tmp);
    index.file.reset();
    index.tree.reset();
    index.pager.reset();
    env_.rename(tmp, index.treePath);
    env_.syncDir(dirName(index.treePath));
    loadIndexFile(index, false);
}

void TableFile::installIndexes(const std::vector<IndexDef>& defs, IndexHome home) {
    dropIndexes();
    memoryIndexes_ = false;
    const bool files = home == IndexHome::Files;
    if (files) {
        // Index files that disagree with the header would make the table refuse to open
        // afterwards; a header that disagrees with its blocks is damage to report instead.
        if (!chainChecked_) validateChain(true);
        checkpointJournal();
    }
    if (hdr_.keyFieldCount == 0) {
        if (files) removeIndexCompanions();
        return;
    }
    // The primary key is what the data file says it is; the definitions add the secondaries.
    IndexDef pdef;
    pdef.primary = pdef.unique = true;
    for (int i = 0; i < hdr_.keyFieldCount && i < int(hdr_.fields.size()); ++i)
        pdef.fields.push_back(hdr_.fields[i].name);
    struct Built {
        std::unique_ptr<Index> index;
        std::vector<IndexEntry> entries;
    };
    Built primary{makeIndex(pdef, -1), {}};
    primary.entries = collectEntries(*primary.index);
    sortEntries(*primary.index, primary.entries);
    // The secondary entries embed the primary key, which keyOf takes from primary_.
    primary_ = std::move(primary.index);
    std::vector<Built> built;
    try {
        for (const IndexDef& d : defs) {
            if (d.primary) continue;
            bool twice = false;
            for (const auto& b : built) twice = twice || sameName(b.index->def.name, d.name);
            if (twice || d.name.empty() || int(built.size()) >= kMaxSecondaries) continue;
            IndexDef sd = d;
            sd.primary = false;
            Built b;
            try {
                b.index = makeIndex(sd, int(built.size()));
            } catch (const EngineError& e) {
                // A definition that does not fit the table (a damaged descriptor, a column
                // gone) gives no index; the others are still built.
                if (e.code() != ErrorCode::InvalidArgument) throw;
                continue;
            }
            b.entries = collectEntries(*b.index);
            try {
                sortEntries(*b.index, b.entries);
            } catch (const EngineError& e) {
                // Reading needs the order, not the promise that values do not repeat.
                if (files || e.code() != ErrorCode::KeyViolation) throw;
                b.index->def.unique = false;
                sortEntries(*b.index, b.entries);
            }
            built.push_back(std::move(b));
        }
    } catch (...) {
        dropIndexes();
        throw;
    }
    primary.index = std::move(primary_);
    std::vector<std::unique_ptr<Index>> secondaries;
    for (auto& b : built) secondaries.push_back(std::move(b.index));
    IndexMeta primaryMeta = metaFor(*primary.index);
    for (const auto& idx : secondaries) primaryMeta.secondaryNames.push_back(idx->def.name);

    auto install = [&](Index& idx, const IndexMeta& meta, const std::vector<IndexEntry>& entries) {
        if (files) {
            loadIndexFile(idx, false);
            return;
        }
        idx.file = std::make_unique<MemoryFile>(idx.treePath);
        idx.pager = std::make_unique<Pager>(idx.file.get(), idx.fileId, 0, kIndexPageSize, 64);
        BTree::build(*idx.pager, meta, entries);
        idx.pager->apply();
        idx.tree = std::make_unique<BTree>(*idx.pager, idx.treePath);
    };
    try {
        if (files) {
            // Every new file is complete under a temporary name before any takes its place.
            // The secondaries go in first and the primary index, which lists them, last: a
            // crash in between leaves an old primary index that the next open replaces.
            for (std::size_t n = 0; n < secondaries.size(); ++n) {
                const Index& idx = *secondaries[n];
                writeIndexFile(idx, metaFor(idx), built[n].entries, idx.treePath + ".tmp");
                writeSmallFile(idx.descPath + ".tmp", descriptorText(idx));
            }
            writeIndexFile(*primary.index, primaryMeta, primary.entries,
                           primary.index->treePath + ".tmp");
            std::vector<std::string> kept;
            for (const auto& idx : secondaries) {
                env_.rename(idx->treePath + ".tmp", idx->treePath);
                env_.rename(idx->descPath + ".tmp", idx->descPath);
                kept.push_back(fileNameKey(idx->treePath));
                kept.push_back(fileNameKey(idx->descPath));
            }
            env_.rename(primary.index->treePath + ".tmp", primary.index->treePath);
            kept.push_back(fileNameKey(primary.index->treePath));
            // Index files of another engine, and ours beyond the new set, are not needed.
            for (const auto& file : existingCompanions())
                if (isIndexCompanion(file) &&
                    std::find(kept.begin(), kept.end(), fileNameKey(file)) == kept.end())
                    env_.remove(file);
            env_.syncDir(dirName(path_));
        }
        install(*primary.index, primaryMeta, primary.entries);
        for (std::size_t n = 0; n < secondaries.size(); ++n)
            install(*secondaries[n], metaFor(*secondaries[n]), built[n].entries);
    } catch (...) {
        dropIndexes();
        if (files) {
            auto removeQuietly = [&](const std::string& p) {
                try {
                    env_.remove(p);
                } catch (...) {
                }
            };
            removeQuietly(primary.index->treePath + ".tmp");
            for (const auto& idx : secondaries) {
                removeQuietly(idx->treePath + ".tmp");
                removeQuietly(idx->descPath + ".tmp");
            }
        }
        throw;
    }
    primary_ = std::move(primary.index);
    secondaries_ = std::move(secondaries);
    memoryIndexes_ = !files;
}

std::vector<IndexEntry> TableFile::collectEntries(const Index& index) {
    std::vector<IndexEntry> entries;
    entries.reserve(hdr_.recordCount);
    std::vector<std::byte> rec(hdr_.recordSize);
    std::uint32_t block = hdr_.firstBlock;
    std::uint32_t guard = 0;
    while (block != 0) {
        if (block > blocks_->pageCount() || ++guard > blocks_->pageCount())
            fail(ErrorCode::Corrupt,
                 "Plik " + path_ + " jest uszkodzony: łańcuch bloków jest błędny.");
        const std::byte* p = blocks_->read(block - 1);
        auto bh = px::readBlockHeader(p, hdr_, path_);
        std::uint16_t next = bh.next;
        for (int s = 0; s < bh.recordCount; ++s) {
            p = blocks_->read(block - 1);
            std::memcpy(rec.data(), p + px::kBlockHeaderSize + std::size_t(s) * hdr_.recordSize,
                        hdr_.recordSize);
            IndexEntry e;
            e.key.resize(index.ownKeySize);
            std::size_t at = 0;
            for (int f : index.fieldNos) {
                px::encodeKey(hdr_.fields[f], rec.data() + hdr_.fieldOffsets[f],
                              index.def.caseInsensitive, e.key.data() + at);
                at += px::keyWidth(hdr_.fields[f]);
            }
            if (index.def.primary) {
                e.value = locatorBytes(makeLocator(block, std::uint32_t(s)));
            } else {
                auto pk = keyOf(kPrimaryOrder, rec);
                e.key.insert(e.key.end(), pk.begin(), pk.end());
            }
            entries.push_back(std::move(e));
        }
        block = next;
    }
    return entries;
}

void TableFile::addSecondary(const IndexDef& def) {
    if (!primary_)
        fail(ErrorCode::InvalidArgument,
             "Indeks wtórny tabeli " + path_ + " wymaga indeksu głównego.");
    if (def.name.empty()) fail(ErrorCode::InvalidArgument, "Indeks wtórny musi mieć nazwę.");
    for (const auto& s : secondaries_)
        if (sameName(s->def.name, def.name))
            fail(ErrorCode::AlreadyExists, "Tabela " + path_ + " ma już indeks " + def.name + ".");
    int n = int(secondaries_.size());
    if (n >= kMaxSecondaries)
        fail(ErrorCode::Unsupported, "Tabela może mieć najwyżej 16 indeksów wtórnych.");
    IndexDef sd = def;
    sd.primary = false;
    auto sidx = makeIndex(sd, n);
    auto entries = collectEntries(*sidx);
    buildIndexFile(*sidx, entries);
    writeDescriptor(*sidx);
    secondaries_.push_back(std::move(sidx));
}

void TableFile::addIndex(const IndexDef& defIn) {
    if (!writable())
        fail(ErrorCode::ReadOnly, "Tabela " + path_ + " jest otwarta tylko do odczytu.");
    IndexDef def = defIn;
    bool ownWrite = !writing_;
    if (ownWrite) beginWrite();
    try {
        if (blocks_->dirty())
            fail(ErrorCode::InvalidState, "Nie można dodać indeksu w trakcie zapisu rekordów.");
        checkpointJournal();
        if (def.primary) {
            if (mode_ != AccessMode::Exclusive)
                fail(ErrorCode::InvalidState, "Dodanie indeksu głównego wymaga otwarcia tabeli " +
                                                  path_ + " na wyłączność.");
            def.unique = true;
            def.name.clear();
            def.caseInsensitive = false;
            if (def.fields.empty() || def.fields.size() > hdr_.fields.size())
                fail(ErrorCode::InvalidArgument, "Indeks główny ma złą liczbę pól.");
            for (std::size_t i = 0; i < def.fields.size(); ++i)
                if (!sameName(def.fields[i], hdr_.fields[i].name))
                    fail(ErrorCode::InvalidArgument,
                         "Indeks główny musi obejmować początkowe pola tabeli " + path_ +
                             " w ich kolejności.");
            // The secondary indexes embed the primary key: build the primary index first,
            // then every secondary one again.
            std::vector<IndexDef> secondaryDefs;
            for (const auto& s : secondaries_) secondaryDefs.push_back(s->def);
            auto idx = makeIndex(def, -1);
            auto entries = collectEntries(*idx);
            secondaries_.clear();
            primary_.reset();
            buildIndexFile(*idx, entries);
            primary_ = std::move(idx);
            hdr_.keyFieldCount = std::uint16_t(def.fields.size());
            hdr_.fileType = px::kFileTypeKeyedDb;
            for (const auto& d : secondaryDefs) addSecondary(d);
        } else {
            addSecondary(def);
        }
        // The index set is recorded in the primary index and the header by one durable
        // commit; force it even when no record changed.
        forceCommit_ = true;
        if (ownWrite) commitWrite();
    } catch (...) {
        if (ownWrite) abortWrite();
        // Index files built so far stay on disk but are not listed: the next open loads
        // only what the primary index lists.
        throw;
    }
}

void TableFile::rebuildIndexes() {
    if (mode_ != AccessMode::Exclusive)
        fail(ErrorCode::InvalidState,
             "Odbudowa indeksów wymaga otwarcia tabeli " + path_ + " na wyłączność.");
    installIndexes(recoverableDefs(), IndexHome::Files);
    openProblems_.clear();
}

void TableFile::replaceIndexes(const std::vector<IndexDef>& defs) {
    if (mode_ != AccessMode::Exclusive)
        fail(ErrorCode::InvalidState,
             "Odbudowa indeksów wymaga otwarcia tabeli " + path_ + " na wyłączność.");
    for (const IndexDef& d : defs) {
        if (!d.primary) continue;
        bool same = int(d.fields.size()) == hdr_.keyFieldCount;
        for (std::size_t i = 0; same && i < d.fields.size(); ++i)
            same = sameName(d.fields[i], hdr_.fields[i].name);
        if (!same)
            fail(ErrorCode::InvalidArgument,
                 "Indeks główny z opisu nie zgadza się z kluczem tabeli " + path_ + ".");
    }
    installIndexes(defs, IndexHome::Files);
    openProblems_.clear();
}

std::vector<std::string> TableFile::verify(bool everyEntry) {
    std::vector<std::string> problems = openProblems_;
    refreshIfChanged();
    // The orders to check: the primary index, then each secondary one. Only each record's
    // key in each order is kept from the scan, not the record.
    std::vector<std::pair<Index*, int>> orders;
    if (primary_) orders.emplace_back(primary_.get(), kPrimaryOrder);
    for (std::size_t n = 0; n < secondaries_.size(); ++n)
        orders.emplace_back(secondaries_[n].get(), int(n));
    struct Entry {
        std::uint32_t locator;
        std::vector<std::byte> key;
    };
    std::vector<std::vector<Entry>> keys(orders.size());
    // The data file: the chain of blocks and the record count.
    std::uint64_t records = 0;
    std::uint32_t block = hdr_.firstBlock;
    std::uint32_t prev = 0;
    std::uint32_t guard = 0;
    try {
        while (block != 0) {
            if (block > blocks_->pageCount()) {
                problems.push_back("Plik " + path_ + ": łańcuch bloków wskazuje blok " +
                                   std::to_string(block) + " poza plikiem.");
                break;
            }
            if (++guard > blocks_->pageCount()) {
                problems.push_back("Plik " + path_ + ": łańcuch bloków zapętla się.");
                break;
            }
            const std::byte* p = blocks_->read(block - 1);
            auto bh = px::readBlockHeader(p, hdr_, path_);
            if (bh.prev != prev)
                problems.push_back("Plik " + path_ + ": blok " + std::to_string(block) +
                                   " ma błędne wskazanie poprzedniego bloku.");
            for (int s = 0; s < bh.recordCount; ++s) {
                const std::byte* r = p + px::kBlockHeaderSize + std::size_t(s) * hdr_.recordSize;
                const std::span<const std::byte> record(r, hdr_.recordSize);
                const std::uint32_t loc = makeLocator(block, std::uint32_t(s));
                if (everyEntry)
                    for (std::size_t o = 0; o < orders.size(); ++o)
                        keys[o].push_back({loc, keyOf(orders[o].second, record)});
            }
            records += std::uint64_t(bh.recordCount);
            prev = block;
            block = bh.next;
        }
    } catch (const EngineError& e) {
        problems.push_back(e.what());
    }
    if (prev != hdr_.lastBlock)
        problems.push_back("Plik " + path_ + ": nagłówek wskazuje zły ostatni blok.");
    if (records != hdr_.recordCount)
        problems.push_back("Plik " + path_ + ": nagłówek podaje " +
                           std::to_string(hdr_.recordCount) + " rekordów, a w blokach jest " +
                           std::to_string(records) + ".");
    if (hdr_.keyFieldCount > 0 && !primary_ && openProblems_.empty())
        problems.push_back("Tabela " + path_ + " nie ma indeksu głównego.");
    for (std::size_t o = 0; o < orders.size(); ++o) {
        Index& idx = *orders[o].first;
        const bool primary = orders[o].second == kPrimaryOrder;
        try {
            idx.tree->verify();
            if (idx.tree->size() != records)
                problems.push_back("Indeks " + idx.treePath + " ma " +
                                   std::to_string(idx.tree->size()) + " wpisów, a tabela " +
                                   std::to_string(records) + " rekordów.");
            std::size_t missing = 0;
            // Without the keys, the checksums of every page, the count and the generation the
            // index was written for vouch for its entries.
            for (const Entry& k : keys[o]) {
                auto e = idx.tree->find(k.key);
                if (!e || (primary && locatorFrom(e->value) != k.locator)) ++missing;
            }
            if (missing)
                problems.push_back("Indeks " + idx.treePath + " nie zgadza się z " +
                                   std::to_string(missing) + " rekordami tabeli.");
        } catch (const EngineError& e) {
            problems.push_back(e.what());
        }
    }
    if (everyEntry && primary_ && primary_->fieldNos.size() > 0 && !keys.empty()) {
        std::set<std::vector<std::byte>> seen;
        for (const Entry& k : keys[0])
            if (!seen.insert(k.key).second) {
                problems.push_back("Tabela " + path_ + " ma powtórzone klucze główne.");
                break;
            }
    }
    return problems;
}

}  // namespace lumiro::engine
