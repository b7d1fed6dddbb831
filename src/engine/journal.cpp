#include "journal.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "error.h"
#include "file_names.h"
#include "little_endian.h"

namespace lumiro::engine {

namespace {

// Layout (docs/durability.md): a file header (16 bytes in version 1, 128 in version 2, which
// names the table), then records of [32-byte header][writes][CRC-32 of header and writes].
constexpr char kFileMagic[6] = {'L', 'M', 'R', 'J', 'N', 'L'};
constexpr std::uint16_t kFormatVersion = 2;
constexpr std::uint64_t kHeaderSizeV1 = 16;
constexpr std::uint64_t kHeaderSizeV2 = 128;
constexpr std::size_t kNameOffset = 12;
constexpr std::size_t kNameCapacity = kHeaderSizeV2 - kNameOffset - 4;
constexpr char kRecordMagic[4] = {'L', 'R', 'E', 'C'};
constexpr std::size_t kRecordHeaderSize = 32;
constexpr std::size_t kWriteHeaderSize = 16;
constexpr std::size_t kTrailerSize = 4;
constexpr std::uint8_t kKindBytes = 0;
constexpr std::uint8_t kKindSetSize = 1;

// The name as the header keeps it: cut to the room there is.
std::string storedName(const std::string& table) {
    return table.substr(0, std::min(table.size(), kNameCapacity));
}

std::array<std::byte, kHeaderSizeV2> fileHeader(const std::string& table) {
    std::array<std::byte, kHeaderSizeV2> h{};
    const std::string name = storedName(table);
    std::memcpy(h.data(), kFileMagic, sizeof kFileMagic);
    le::put16(h.data() + 6, kFormatVersion);
    le::put16(h.data() + 8, std::uint16_t(name.size()));
    std::memcpy(h.data() + kNameOffset, name.data(), name.size());
    le::put32(h.data() + kHeaderSizeV2 - 4, le::crc32(0, h.data(), kHeaderSizeV2 - 4));
    return h;
}

// Decodes the writes of a record whose checksum matched; false when they do not add up to
// the payload exactly (a record we did not write).
bool parseWrites(const std::byte* p, std::size_t size, std::uint32_t count,
                 std::vector<JournalWrite>& out) {
    out.clear();
    std::size_t pos = 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        if (size - pos < kWriteHeaderSize) return false;
        JournalWrite w;
        w.fileId = std::uint8_t(p[pos]);
        std::uint8_t kind = std::uint8_t(p[pos + 1]);
        std::uint32_t length = le::get32(p + pos + 4);
        std::uint64_t where = le::get64(p + pos + 8);
        pos += kWriteHeaderSize;
        if (kind == kKindSetSize) {
            if (length != 0) return false;
            w.setSize = true;
            w.newSize = where;
        } else if (kind == kKindBytes) {
            if (size - pos < length) return false;
            w.offset = where;
            w.bytes.assign(p + pos, p + pos + length);
            pos += length;
        } else {
            return false;
        }
        out.push_back(std::move(w));
    }
    return pos == size;
}

}  // namespace

Journal::Journal(Env& env, std::string path, std::string table)
    : env_(env), path_(std::move(path)), table_(std::move(table)) {
    open();
}

Journal::~Journal() = default;

void Journal::open() {
    bool created = false;
    if (env_.exists(path_)) {
        file_ = env_.open(path_, OpenMode::ReadWrite);
    } else {
        try {
            file_ = env_.open(path_, OpenMode::CreateNew);
            created = true;
        } catch (const EngineError& e) {
            if (e.code() != ErrorCode::AlreadyExists) throw;
            file_ = env_.open(path_, OpenMode::ReadWrite);
        }
    }
    pending_ = 0;
    touched_.clear();
    states_.clear();
    failedTail_ = false;

    std::array<std::byte, kHeaderSizeV2> h{};
    const std::uint64_t size = file_->size();
    const std::size_t got = file_->read(0, h);
    const bool zeros = std::all_of(h.begin(), h.begin() + kHeaderSizeV1,
                                   [](std::byte b) { return b == std::byte{0}; });
    const bool magic =
        got >= kHeaderSizeV1 && std::memcmp(h.data(), kFileMagic, sizeof kFileMagic) == 0;
    const std::uint16_t version = magic ? le::get16(h.data() + 6) : 0;
    // New, or created by a process that died before its header reached the disk: it cannot
    // hold a record yet.
    if (got < kHeaderSizeV1 || zeros || (version == 2 && size < kHeaderSizeV2)) {
        writeHeader();
        file_->sync();
        if (created) env_.syncDir(dirName(path_));
        return;
    }
    if (!magic)
        fail(ErrorCode::Corrupt,
             "Plik dziennika " + path_ + " jest uszkodzony: nieprawidłowy nagłówek.");
    if (version != 1 && version != 2)
        fail(ErrorCode::Unsupported, "Plik dziennika " + path_ +
                                         " ma nieobsługiwaną wersję formatu (" +
                                         std::to_string(version) + ").");
    const std::uint64_t headerSize = version == 1 ? kHeaderSizeV1 : kHeaderSizeV2;
    const std::uint16_t nameSize = version == 2 ? le::get16(h.data() + 8) : 0;
    if (le::get32(h.data() + headerSize - 4) != le::crc32(0, h.data(), headerSize - 4) ||
        nameSize > kNameCapacity)
        fail(ErrorCode::Corrupt,
             "Plik dziennika " + path_ + " jest uszkodzony: nieprawidłowy nagłówek.");
    version_ = version;
    headerSize_ = headerSize;
    recordedTable_.assign(reinterpret_cast<const char*>(h.data()) + kNameOffset, nameSize);
    end_ = headerSize_;
    scan({});
}

void Journal::writeHeader() {
    const auto header = fileHeader(table_);
    file_->write(0, header);
    file_->truncate(header.size());
    version_ = kFormatVersion;
    headerSize_ = header.size();
    recordedTable_ = storedName(table_);
    end_ = headerSize_;
    pending_ = 0;
    touched_.clear();
    states_.clear();
}

void Journal::cutAfterHeader() {
    // A file of the older format, or one that names another table (its files were renamed
    // since), names this table from now on; records written after this belong to it.
    if (version_ != kFormatVersion ||
        (!table_.empty() && !sameFileName(recordedTable_, storedName(table_))))
        writeHeader();
    else
        file_->truncate(headerSize_);
    end_ = headerSize_;
    pending_ = 0;
    touched_.clear();
    states_.clear();
}

void Journal::ensureOpen() {
    if (!file_) open();
}

int Journal::scan(const std::function<void(const std::vector<JournalWrite>&)>& apply) {
    const std::uint64_t size = file_->size();
    std::uint64_t pos = headerSize_;
    std::uint64_t expectSeq = 0;
    int records = 0;
    std::vector<std::uint8_t> ids;
    std::vector<std::uint32_t> states;
    std::vector<std::byte> buf;
    std::vector<JournalWrite> writes;
    while (size >= pos && size - pos >= kRecordHeaderSize + kTrailerSize) {
        std::array<std::byte, kRecordHeaderSize> rh{};
        if (file_->read(pos, rh) != rh.size()) break;
        if (std::memcmp(rh.data(), kRecordMagic, sizeof kRecordMagic) != 0) break;
        std::uint64_t seq = le::get64(rh.data() + 8);
        std::uint32_t count = le::get32(rh.data() + 16);
        std::uint64_t payload = le::get64(rh.data() + 24);
        if (records > 0 && seq != expectSeq) break;
        // The length is checked against what the file holds before anything is allocated.
        if (payload > size - pos - kRecordHeaderSize - kTrailerSize) break;
        if (count > payload / kWriteHeaderSize) break;
        buf.resize(kRecordHeaderSize + payload + kTrailerSize);
        if (file_->read(pos, buf) != buf.size()) break;
        std::uint32_t stored = le::get32(buf.data() + kRecordHeaderSize + payload);
        if (stored != le::crc32(0, buf.data(), kRecordHeaderSize + payload)) break;
        if (!parseWrites(buf.data() + kRecordHeaderSize, payload, count, writes)) break;
        if (apply) apply(writes);
        if (records == 0) states.push_back(le::get32(rh.data() + 4));
        states.push_back(le::get32(rh.data() + 20));
        for (const auto& w : writes)
            if (std::find(ids.begin(), ids.end(), w.fileId) == ids.end()) ids.push_back(w.fileId);
        ++records;
        expectSeq = seq + 1;
        pos += buf.size();
    }
    end_ = pos;
    pending_ = pos - headerSize_;
    touched_ = std::move(ids);
    states_ = std::move(states);
    if (records > 0) nextSequence_ = std::max(nextSequence_, expectSeq);
    return records;
}

bool Journal::needsRecovery() {
    ensureOpen();
    if (failedTail_) return end_ > headerSize_;
    return scan({}) > 0;
}

std::optional<bool> Journal::belongsTo(std::uint32_t current) {
    ensureOpen();
    if (version_ < 2) return std::nullopt;
    if (!failedTail_) scan({});
    if (!table_.empty() && !sameFileName(recordedTable_, storedName(table_))) return false;
    return states_.empty() || std::find(states_.begin(), states_.end(), current) != states_.end();
}

void Journal::inspect(const std::function<void(const std::vector<JournalWrite>&)>& visit) {
    ensureOpen();
    if (failedTail_) return;
    scan(visit);
}

void Journal::discard() {
    ensureOpen();
    writeHeader();
    file_->sync();
    failedTail_ = false;
}

int Journal::recover(const FileResolver& target) {
    ensureOpen();
    if (failedTail_) {
        // This process told its caller the transaction failed: it is not replayed here.
        file_->truncate(end_);
        failedTail_ = false;
    }
    int replayed = scan([&](const std::vector<JournalWrite>& writes) {
        for (const auto& w : writes) {
            File* f = target(w.fileId);
            if (!f) continue;
            if (w.setSize)
                f->truncate(w.newSize);
            else
                f->write(w.offset, w.bytes);
        }
    });
    // Only once every image is durable in the files may the journal forget them.
    for (std::uint8_t id : touched_)
        if (File* f = target(id)) f->sync();
    cutAfterHeader();
    file_->sync();
    failedTail_ = false;
    return replayed;
}

void Journal::makeTailClean() {
    if (failedTail_) {
        // The failed record was never acknowledged; the next record's sync makes the cut
        // durable together with itself.
        file_->truncate(end_);
        failedTail_ = false;
        return;
    }
    if (file_->size() == end_) return;
    // Another handle committed or checkpointed, or a torn record was left by a crash.
    scan({});
    if (file_->size() != end_) file_->truncate(end_);
}

void Journal::commit(const std::vector<JournalWrite>& writes, JournalStamps stamps) {
    if (writes.empty()) return;
    ensureOpen();

    std::uint64_t payload = 0;
    for (const auto& w : writes) {
        if (!w.setSize && w.bytes.size() > UINT32_MAX)
            fail(ErrorCode::InvalidArgument, "Zbyt duży zapis w dzienniku " + path_ + ".");
        payload += kWriteHeaderSize + (w.setSize ? 0 : w.bytes.size());
    }
    if (writes.size() > UINT32_MAX)
        fail(ErrorCode::InvalidArgument, "Zbyt wiele zapisów w dzienniku " + path_ + ".");
    // First, as it may learn of records another handle appended (and their sequence).
    makeTailClean();
    // The first record after the journal was emptied goes under a header naming this table.
    if (end_ == headerSize_) cutAfterHeader();

    std::vector<std::byte> rec(kRecordHeaderSize + payload + kTrailerSize);
    std::byte* p = rec.data();
    std::memcpy(p, kRecordMagic, sizeof kRecordMagic);
    le::put32(p + 4, stamps.base);
    le::put64(p + 8, nextSequence_);
    le::put32(p + 16, static_cast<std::uint32_t>(writes.size()));
    le::put32(p + 20, stamps.result);
    le::put64(p + 24, payload);
    std::size_t pos = kRecordHeaderSize;
    for (const auto& w : writes) {
        p[pos] = std::byte(w.fileId);
        p[pos + 1] = std::byte(w.setSize ? kKindSetSize : kKindBytes);
        le::put32(p + pos + 4, w.setSize ? 0 : static_cast<std::uint32_t>(w.bytes.size()));
        le::put64(p + pos + 8, w.setSize ? w.newSize : w.offset);
        pos += kWriteHeaderSize;
        if (!w.setSize && !w.bytes.empty()) {
            std::memcpy(p + pos, w.bytes.data(), w.bytes.size());
            pos += w.bytes.size();
        }
    }
    le::put32(p + pos, le::crc32(0, p, pos));

    try {
        file_->write(end_, rec);
        file_->sync();
    } catch (...) {
        // The caller reports the failure and never applies this transaction, so the record
        // must not be followed by acknowledged ones. Should its bytes survive a crash before
        // the cut is durable, recovery replays it as the last record: whole, on top of the
        // state it was built on, so the table stays consistent (docs/durability.md).
        try {
            file_->truncate(end_);
            file_->sync();
        } catch (...) {
            failedTail_ = true;
        }
        throw;
    }
    if (end_ == headerSize_) states_.assign(1, stamps.base);
    states_.push_back(stamps.result);
    end_ += rec.size();
    pending_ = end_ - headerSize_;
    ++nextSequence_;
    for (const auto& w : writes)
        if (std::find(touched_.begin(), touched_.end(), w.fileId) == touched_.end())
            touched_.push_back(w.fileId);
}

void Journal::checkpoint(const FileResolver& target) {
    if (!file_) return;
    if (!failedTail_) {
        std::uint64_t size = file_->size();
        if (end_ == headerSize_ && size == headerSize_) return;
        // Records another handle appended name files this one has to sync as well.
        if (size != end_) scan({});
    }
    for (std::uint8_t id : touched_)
        if (File* f = target(id)) f->sync();
    cutAfterHeader();
    file_->sync();
    failedTail_ = false;
}

void Journal::removeFile() {
    if (file_ && end_ > headerSize_)
        fail(ErrorCode::InvalidState, "Nie można usunąć dziennika " + path_ +
                                          ": zawiera zmiany nieprzeniesione do plików tabeli.");
    file_.reset();
    env_.remove(path_);
}

}  // namespace lumiro::engine
