#include "table_file.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <map>
#include <set>
#include <thread>
#include <unordered_map>

#include "cp1250.h"
#include "error.h"
#include "file_names.h"
#include "little_endian.h"
#include "memory_file.h"

namespace lumiro::engine {

namespace {

constexpr std::uint8_t kDataFileId = 0;
constexpr std::uint8_t kPrimaryFileId = 1;
constexpr std::uint8_t kFirstSecondaryFileId = 2;
constexpr int kMaxSecondaries = 16;
constexpr std::uint64_t kCheckpointBytes = 4u << 20;
constexpr char kIndexMagic[] = "LMRIDX";
constexpr char kDescriptorMagic[] = "LMRIDD 1";

std::string upper(std::string s) {
    for (auto& c : s) c = char(toUpper1250(std::uint8_t(c)));
    return s;
}

bool sameName(const std::string& a, const std::string& b) { return upper(a) == upper(b); }

std::vector<std::byte> locatorBytes(std::uint32_t loc) {
    return {std::byte(loc >> 24), std::byte(loc >> 16), std::byte(loc >> 8), std::byte(loc)};
}

std::uint32_t locatorFrom(std::span<const std::byte> b) {
    if (b.size() < 4) fail(ErrorCode::Corrupt, "Wpis indeksu jest uszkodzony.");
    return std::uint32_t(b[0]) << 24 | std::uint32_t(b[1]) << 16 | std::uint32_t(b[2]) << 8 |
           std::uint32_t(b[3]);
}

std::uint32_t makeLocator(std::uint32_t block, std::uint32_t slot) { return block << 16 | slot; }
std::uint32_t blockOf(std::uint32_t loc) { return loc >> 16; }
std::uint32_t slotOf(std::uint32_t loc) { return loc & 0xFFFF; }

std::string hexDigit(int n) { return std::string(1, "0123456789ABCDEF"[n & 15]); }

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

// The state of a table's files as its journal tells states apart: the fixed part of the data
// file's header, which every change of this engine rewrites with a new generation and counts.
std::uint32_t headerStamp(std::span<const std::byte> image) {
    const std::size_t size = std::min(px::kHeaderPrefix, image.size());
    return le::crc32(0, image.data(), size);
}

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
    data_ = env_.open(path_, mode_ == AccessMode::ReadOnly ? OpenMode::ReadOnly : OpenMode::ReadWrite);
    bool locked = data_->tryLock(kOpenLockOffset, 1,
                                 mode_ == AccessMode::Exclusive ? LockKind::Exclusive
                                                                : LockKind::Shared);
    if (!locked) {
        if (mode_ == AccessMode::Exclusive)
            fail(ErrorCode::Locked, "Nie można otworzyć tabeli " + path_ +
                                        " na wyłączność: używa jej inny program.");
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
            fail(ErrorCode::Unsupported, "Tabela " + path_ + " jest zaszyfrowana; program nie "
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
        bad("nagłówek podaje " + std::to_string(hdr_.recordCount) + " rekordów, a bloki zawierają " +
            std::to_string(records));
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
        std::string p = id == kPrimaryFileId ? companionPath("PX")
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

std::unique_ptr<TableFile::Index> TableFile::makeIndex(const IndexDef& def, int secondaryNo) const {
    auto idx = std::make_unique<Index>();
    idx->def = def;
    for (const auto& name : def.fields) {
        int found = -1;
        for (std::size_t i = 0; i < hdr_.fields.size(); ++i)
            if (sameName(hdr_.fields[i].name, name)) found = int(i);
        if (found < 0)
            fail(ErrorCode::InvalidArgument,
                 "Indeks " + def.name + " tabeli " + path_ + " odwołuje się do nieznanego pola " + name + ".");
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
    OpenMode om = create ? OpenMode::CreateOrTrunc
                         : (writable() ? OpenMode::ReadWrite : OpenMode::ReadOnly);
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
        fail(ErrorCode::Corrupt, "Plik indeksu " + index.treePath + " nie pasuje do tabeli " + path_ + ".");
    if (m.dataGeneration != hdr_.generation || m.dataRecordCount != hdr_.recordCount ||
        index.tree->size() != hdr_.recordCount)
        fail(ErrorCode::StaleIndex, "Plik indeksu " + index.treePath +
                                        " jest nieaktualny: nie odpowiada plikowi danych " + path_ + ".");
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
    if (std::to_string(crc32Of(body)) != text.substr(crcPos + 4, text.find('\n', crcPos) - crcPos - 4))
        return std::nullopt;
    IndexDef def;
    std::size_t pos = 0;
    while (pos < body.size()) {
        auto end = body.find('\n', pos);
        if (end == std::string::npos) end = body.size();
        std::string line = body.substr(pos, end - pos);
        pos = end + 1;
        if (line.rfind("name=", 0) == 0) def.name = line.substr(5);
        else if (line.rfind("fields=", 0) == 0) def.fields = splitFields(line.substr(7));
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
                note(e.code() == ErrorCode::NotFound ? ErrorCode::MissingIndex : e.code(), e.what());
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
                    note(ErrorCode::MissingIndex, "Brak pliku indeksu " + tree + " tabeli " + path_ + ".");
                    continue;
                }
                if (!def) {
                    note(env_.exists(desc) ? ErrorCode::Corrupt : ErrorCode::MissingIndex,
                         (env_.exists(desc) ? "Plik opisu indeksu " + desc + " jest uszkodzony."
                                            : "Brak pliku opisu indeksu " + desc + " tabeli " + path_ + "."));
                    continue;
                }
                auto idx = makeIndex(*def, int(n));
                loadIndexFile(*idx, false);
                if (!sameName(idx->tree->meta().name, names[n]) || !sameName(def->name, names[n]))
                    fail(ErrorCode::Corrupt, "Plik indeksu " + tree + " nie pasuje do tabeli " + path_ + ".");
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
        note(ErrorCode::StaleIndex, "Indeksy tabeli " + path_ +
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
        if (!primary_) secondaries_.clear();
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
    if (primary_) defs.push_back(primary_->def);
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
        return f.size() >= fieldNos.size() && std::equal(fieldNos.begin(), fieldNos.end(), f.begin());
    };
    if (primary_ && starts(primary_->fieldNos)) return kPrimaryOrder;
    for (std::size_t i = 0; i < secondaries_.size(); ++i)
        if (starts(secondaries_[i]->fieldNos)) return int(i);
    std::string names;
    for (int f : fieldNos) names += (names.empty() ? "" : ";") + hdr_.fields.at(f).name;
    fail(ErrorCode::InvalidArgument, "Tabela " + path_ + " nie ma indeksu na polach " + names + ".");
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
        if (!primary_) fail(ErrorCode::InvalidState, "Tabela " + path_ + " nie ma indeksu głównego.");
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
            fail(ErrorCode::Corrupt, "Plik " + path_ + " jest uszkodzony: łańcuch bloków jest błędny.");
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
            case Seek::GE: break;
            case Seek::GT: pos += 1; break;
            case Seek::LE: break;
            case Seek::LT: pos -= 1; break;
        }
        if (how == Seek::LE || how == Seek::LT) pos = std::min<std::int64_t>(pos, std::int64_t(physical_.size()) - 1);
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
            fail(ErrorCode::Corrupt, "Plik indeksu " + idx.treePath + " wskazuje rekord, którego nie ma.");
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

std::optional<IndexEntryRef> TableFile::first(int order) { return seek(order, {}, Seek::GE); }

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

void TableFile::unlockWrite(File* file) { (file ? file : data_.get())->unlock(kWriteLockOffset, 1); }

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
        px::writeCounters(hdr_, std::span(hdrImage_.data(), std::min<std::size_t>(px::kHeaderPrefix, hdrImage_.size())));
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
        data_->write(0, std::span(hdrImage_.data(), std::min<std::size_t>(px::kHeaderPrefix, hdrImage_.size())));
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
            fail(ErrorCode::Io, "Zapis do tabeli " + path_ +
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
            fail(ErrorCode::Corrupt, "Plik " + path_ + " jest uszkodzony: łańcuch bloków jest błędny.");
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
        if (e && std::equal(own.begin(), own.end(), e->key.begin()) && (!self || e->locator != *self))
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
            fail(ErrorCode::Corrupt, "Plik indeksu " + secondaries_[n]->treePath + " jest uszkodzony.");
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

// ---------------------------------------------------------------------------------------
// Index building, verification

void TableFile::sortEntries(const Index& index, std::vector<IndexEntry>& entries) const {
    std::sort(entries.begin(), entries.end(),
              [](const IndexEntry& a, const IndexEntry& b) { return a.key < b.key; });
    for (std::size_t i = 1; i < entries.size(); ++i)
        if (entries[i].key == entries[i - 1].key)
            fail(ErrorCode::KeyViolation, "Nie można utworzyć indeksu " +
                                              (index.def.name.empty() ? std::string("głównego") : index.def.name) +
                                              " tabeli " + path_ + ": klucze się powtarzają.");
    if (index.def.unique && !index.def.primary) {
        // The entries of a secondary index end with the primary key; its own columns must
        // not repeat.
        for (std::size_t i = 1; i < entries.size(); ++i)
            if (std::equal(entries[i].key.begin(), entries[i].key.begin() + std::ptrdiff_t(index.ownKeySize),
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

std::vector<IndexEntry> TableFile::collectEntries(const Index& index) {
    std::vector<IndexEntry> entries;
    entries.reserve(hdr_.recordCount);
    std::vector<std::byte> rec(hdr_.recordSize);
    std::uint32_t block = hdr_.firstBlock;
    std::uint32_t guard = 0;
    while (block != 0) {
        if (block > blocks_->pageCount() || ++guard > blocks_->pageCount())
            fail(ErrorCode::Corrupt, "Plik " + path_ + " jest uszkodzony: łańcuch bloków jest błędny.");
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
        fail(ErrorCode::InvalidArgument, "Indeks wtórny tabeli " + path_ + " wymaga indeksu głównego.");
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
                    fail(ErrorCode::InvalidArgument, "Indeks główny musi obejmować początkowe pola tabeli " +
                                                         path_ + " w ich kolejności.");
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
            fail(ErrorCode::InvalidArgument, "Indeks główny z opisu nie zgadza się z kluczem tabeli " +
                                                 path_ + ".");
    }
    installIndexes(defs, IndexHome::Files);
    openProblems_.clear();
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

std::vector<std::string> TableFile::verify(bool everyEntry) {
    std::vector<std::string> problems = openProblems_;
    refreshIfChanged();
    // The orders to check: the primary index, then each secondary one. Only each record's
    // key in each order is kept from the scan, not the record.
    std::vector<std::pair<Index*, int>> orders;
    if (primary_) orders.emplace_back(primary_.get(), kPrimaryOrder);
    for (std::size_t n = 0; n < secondaries_.size(); ++n) orders.emplace_back(secondaries_[n].get(), int(n));
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
        problems.push_back("Plik " + path_ + ": nagłówek podaje " + std::to_string(hdr_.recordCount) +
                           " rekordów, a w blokach jest " + std::to_string(records) + ".");
    if (hdr_.keyFieldCount > 0 && !primary_ && openProblems_.empty())
        problems.push_back("Tabela " + path_ + " nie ma indeksu głównego.");
    for (std::size_t o = 0; o < orders.size(); ++o) {
        Index& idx = *orders[o].first;
        const bool primary = orders[o].second == kPrimaryOrder;
        try {
            idx.tree->verify();
            if (idx.tree->size() != records)
                problems.push_back("Indeks " + idx.treePath + " ma " + std::to_string(idx.tree->size()) +
                                   " wpisów, a tabela " + std::to_string(records) + " rekordów.");
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
