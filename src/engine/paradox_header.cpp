// Headers of a table's files, read and written, and the block headers of its data file.
// Layout facts used here are described in docs/table-files.md.
#include <algorithm>
#include <cstring>
#include <limits>

#include "paradox_format.h"
#include "paradox_format_parts.h"

namespace lumiro::engine::px {

using namespace parts;

namespace {

// Fixed header offsets (little-endian control data).
constexpr std::size_t kOffRecordSize = 0x00;
constexpr std::size_t kOffHeaderSize = 0x02;
constexpr std::size_t kOffFileType = 0x04;
constexpr std::size_t kOffBlockSize = 0x05;
constexpr std::size_t kOffRecordCount = 0x06;
constexpr std::size_t kOffUsedBlocks = 0x0A;
constexpr std::size_t kOffFileBlocks = 0x0C;
constexpr std::size_t kOffFirstBlock = 0x0E;
constexpr std::size_t kOffLastBlock = 0x10;
constexpr std::size_t kOffIndexField = 0x15;
constexpr std::size_t kOffFieldCount = 0x21;
constexpr std::size_t kOffKeyFields = 0x23;
constexpr std::size_t kOffEncryption1 = 0x25;
constexpr std::size_t kOffSortOrder = 0x29;
constexpr std::size_t kOffVersion = 0x39;
constexpr std::size_t kOffMaxBlocks = 0x3A;
constexpr std::size_t kOffUnknown3E = 0x3E;
constexpr std::size_t kOffAutoInc = 0x49;
constexpr std::size_t kOffUsedHeaderSize = 0x51;
constexpr std::size_t kOffVersionWord1 = 0x58;
constexpr std::size_t kOffVersionWord2 = 0x5A;
constexpr std::size_t kOffEncryption2 = 0x5C;
constexpr std::size_t kOffHiFieldId = 0x64;
constexpr std::size_t kOffCodePage = 0x6A;

constexpr std::size_t kCommonPrefix = 0x58;             // fixed part shared by every file kind
constexpr std::uint32_t kEncryptionMoved = 0xFF00FF00;  // "look at 0x5C instead" marker
constexpr std::size_t kTableNameLength7 = 261;
constexpr std::size_t kTableNameLengthOld = 79;
constexpr std::size_t kMaxFieldName = 25;
constexpr std::size_t kHeaderGranule = 2048;

class Cursor {
  public:
    Cursor(std::span<const std::byte> bytes, const std::string& path)
        : bytes_(bytes), path_(path) {}
    std::size_t pos() const { return pos_; }
    bool fits(std::size_t n) const { return n <= bytes_.size() - pos_; }
    const std::byte* take(std::size_t n, const char* what) {
        if (!fits(n)) corrupt(path_, std::string(what) + " wykracza poza nagłówek");
        const std::byte* p = bytes_.data() + pos_;
        pos_ += n;
        return p;
    }
    // A zero-terminated string of at most maxLen bytes; nullopt when it does not end inside.
    std::optional<std::string> cString(std::size_t maxLen) {
        for (std::size_t i = pos_; i < bytes_.size() && i - pos_ <= maxLen; ++i)
            if (bytes_[i] == std::byte{0}) {
                std::string s(reinterpret_cast<const char*>(bytes_.data() + pos_), i - pos_);
                pos_ = i + 1;
                return s;
            }
        return std::nullopt;
    }

  private:
    std::span<const std::byte> bytes_;
    const std::string& path_;
    std::size_t pos_ = 0;
};

FieldDef fieldFromDescriptor(std::uint8_t code, std::uint8_t size, int index,
                             const std::string& path) {
    const std::string which = "pole nr " + std::to_string(index + 1);
    const auto type = typeFromCode(code);
    if (!type) corrupt(path, which + " ma nieznany typ (" + std::to_string(code) + ")");
    FieldDef f;
    f.type = *type;
    auto expect = [&](int fixed) {
        if (size != fixed)
            corrupt(path, which + " ma niedozwolony rozmiar (" + std::to_string(size) + ")");
    };
    switch (*type) {
        case FieldType::Alpha:
        case FieldType::Bytes:
            if (size == 0) corrupt(path, which + " ma zerowy rozmiar");
            f.size = size;
            break;
        case FieldType::Short:
            expect(2);
            break;
        case FieldType::Long:
        case FieldType::AutoInc:
        case FieldType::Date:
        case FieldType::Time:
            expect(4);
            break;
        case FieldType::Money:
        case FieldType::Number:
        case FieldType::Timestamp:
            expect(8);
            break;
        case FieldType::Logical:
            expect(1);
            break;
        case FieldType::Bcd:
            if (size > 32)
                corrupt(path, which + " (BCD) ma niedozwoloną liczbę miejsc po przecinku (" +
                                  std::to_string(size) + ")");
            f.size = size;
            break;
        default:  // blob types: leader plus the 10-byte reference
            if (size < 10 || size > 250)
                corrupt(path, which + " ma niedozwolony rozmiar (" + std::to_string(size) + ")");
            f.size = size - 10;
            break;
    }
    return f;
}

// ---- block size choice ----

std::uint8_t chooseBlockSizeKb(std::size_t recordSize) {
    static constexpr std::uint8_t kCandidates[] = {2, 4, 8, 16, 32};
    std::uint8_t best = 0;
    std::size_t bestWaste = std::numeric_limits<std::size_t>::max();
    for (std::uint8_t kb : kCandidates) {
        const std::size_t size = std::size_t(kb) * 1024;
        const std::size_t usable = size - kBlockHeaderSize;
        if (usable < recordSize) continue;
        const std::size_t waste = usable % recordSize;
        if (waste * 10 < size) return kb;  // under 10 % of the block: take the smallest such
        if (waste < bestWaste) {
            best = kb;
            bestWaste = waste;
        }
    }
    return best;
}

std::size_t neededHeaderSize(const Header& h) {
    std::size_t names = 0;
    for (const auto& f : h.fields) names += f.name.size() + 1;
    const std::size_t n = h.fields.size();
    return kHeaderPrefix + n * 2 + 4 + n * 4 + kTableNameLength7 + names + n * 2 +
           std::strlen(kLanguageDriverPolish) + 1;
}

}  // namespace

ParsedHeader parts::parseAny(std::span<const std::byte> bytes, const std::string& path) {
    if (bytes.size() < kCommonPrefix) corrupt(path, "nagłówek jest za krótki");
    const std::byte* b = bytes.data();
    ParsedHeader out;
    Header& h = out.h;
    h.recordSize = le16(b + kOffRecordSize);
    h.headerSize = le16(b + kOffHeaderSize);
    h.fileType = std::uint8_t(b[kOffFileType]);
    h.blockSizeKb = std::uint8_t(b[kOffBlockSize]);
    h.recordCount = le32(b + kOffRecordCount);
    h.usedBlocks = le16(b + kOffUsedBlocks);
    h.fileBlocks = le16(b + kOffFileBlocks);
    h.firstBlock = le16(b + kOffFirstBlock);
    h.lastBlock = le16(b + kOffLastBlock);
    h.fileVersion = std::uint8_t(b[kOffVersion]);
    h.autoIncrement = std::int32_t(le32(b + kOffAutoInc));
    out.indexFieldNumber = std::uint8_t(b[kOffIndexField]);
    const auto fieldCount = std::int16_t(le16(b + kOffFieldCount));
    const auto keyCount = std::int16_t(le16(b + kOffKeyFields));

    if (h.fileType > 8) corrupt(path, "nieznany rodzaj pliku (" + std::to_string(h.fileType) + ")");
    if (h.fileVersion < 3 || h.fileVersion > kVersion7)
        corrupt(path, "nieznana wersja formatu (" + std::to_string(h.fileVersion) + ")");
    switch (h.blockSizeKb) {
        case 1:
        case 2:
        case 3:
        case 4:
        case 8:
        case 16:
        case 32:
            break;
        default:
            corrupt(path, "niedozwolony rozmiar bloku (" + std::to_string(h.blockSizeKb) + ")");
    }
    if (h.recordSize == 0) corrupt(path, "rozmiar rekordu wynosi zero");
    if (h.recordSize > h.blockSize() - kBlockHeaderSize)
        corrupt(path, "rekord (" + std::to_string(h.recordSize) + " B) nie mieści się w bloku (" +
                          std::to_string(h.blockSize()) + " B)");
    const bool dataHeader = hasDataHeader(h.fileType, h.fileVersion);
    const std::size_t fixedPart = dataHeader ? kHeaderPrefix : kCommonPrefix;
    if (h.headerSize < fixedPart)
        corrupt(path, "rozmiar nagłówka (" + std::to_string(h.headerSize) + ") jest za mały");
    if (h.headerSize > bytes.size())
        corrupt(path, "nagłówek (" + std::to_string(h.headerSize) + " B) jest dłuższy niż plik");
    if (fieldCount < 1 || fieldCount > 255)
        corrupt(path, "niedozwolona liczba pól (" + std::to_string(fieldCount) + ")");
    if (keyCount < 0 || keyCount > fieldCount)
        corrupt(path, "niedozwolona liczba pól klucza (" + std::to_string(keyCount) + ")");
    h.keyFieldCount = std::uint16_t(keyCount);
    if (h.usedBlocks > h.fileBlocks || h.firstBlock > h.fileBlocks || h.lastBlock > h.fileBlocks)
        corrupt(path, "numery bloków w nagłówku wykraczają poza liczbę bloków pliku");
    if ((h.firstBlock == 0) != (h.lastBlock == 0))
        corrupt(path, "nagłówek ma tylko jeden z numerów pierwszego i ostatniego bloku");
    if (h.recordCount > 0 && h.firstBlock == 0)
        corrupt(path, "tabela ma rekordy, ale nie ma bloków danych");
    if (std::uint64_t(h.recordCount) >
        std::uint64_t(h.fileBlocks) * std::uint64_t(h.recordsPerBlock()))
        corrupt(path, "liczba rekordów (" + std::to_string(h.recordCount) +
                          ") przekracza pojemność bloków");

    // Tables of 3.x, and index files of every version, keep the key at 0x25; later tables
    // mark 0x25 and keep the key at 0x5C.
    const std::uint32_t enc1 = le32(b + kOffEncryption1);
    std::uint32_t key = enc1;
    if (dataHeader && enc1 == kEncryptionMoved) key = le32(b + kOffEncryption2);
    h.encrypted = key != 0;
    if (h.encrypted)
        fail(ErrorCode::Unsupported,
             "Tabela " + path +
                 " jest zabezpieczona hasłem (zaszyfrowana). Program nie odczytuje takich tabel; "
                 "usuń hasło w programie, w którym ją utworzono.");

    if (dataHeader) {
        h.codePage = le16(b + kOffCodePage);
        h.generation = le32(b + kGenerationOffset);
    } else {
        h.codePage = 0;  // not recorded before 4.0
        h.generation = 0;
    }

    Cursor cur(bytes.first(h.headerSize), path);
    cur.take(fixedPart, "nagłówek");
    const std::byte* descriptors = cur.take(std::size_t(fieldCount) * 2, "opis pól");
    std::uint32_t offset = 0;
    for (int i = 0; i < fieldCount; ++i) {
        FieldDef f = fieldFromDescriptor(std::uint8_t(descriptors[2 * i]),
                                         std::uint8_t(descriptors[2 * i + 1]), i, path);
        h.fieldOffsets.push_back(offset);
        offset += std::uint32_t(storedSize(f));
        h.fields.push_back(std::move(f));
    }
    // Index tree records end in three hidden words (block number, statistics, unused).
    const std::uint32_t expected = offset + (isIndexTree(h.fileType) ? 6 : 0);
    if (expected != h.recordSize)
        corrupt(path, "rozmiar rekordu (" + std::to_string(h.recordSize) +
                          ") nie zgadza się z sumą rozmiarów pól (" + std::to_string(expected) +
                          ")");

    cur.take(4, "wskaźnik nazwy tabeli");
    const bool tableLike = isTableLike(h.fileType);
    if (tableLike) cur.take(std::size_t(fieldCount) * 4, "wskaźniki nazw pól");
    const std::size_t nameLen =
        h.fileVersion >= kVersion7 ? kTableNameLength7 : kTableNameLengthOld;
    const std::byte* tableName = cur.take(nameLen, "nazwa tabeli");
    const auto* tn = reinterpret_cast<const char*>(tableName);
    h.tableName.assign(tn, std::find(tn, tn + nameLen, '\0'));

    if (tableLike) {
        for (int i = 0; i < fieldCount; ++i) {
            auto name = cur.cString(kMaxFieldName);
            const std::string which = "nazwa pola nr " + std::to_string(i + 1);
            if (!name) corrupt(path, which + " jest za długa lub wykracza poza nagłówek");
            if (name->empty()) corrupt(path, which + " jest pusta");
            // A secondary index's records repeat the key columns that it indexes too.
            if (h.fileType == kFileTypeKeyedDb || h.fileType == kFileTypeUnkeyedDb)
                for (int j = 0; j < i; ++j)
                    if (comparePolish(h.fields[std::size_t(j)].name, *name, true) == 0)
                        corrupt(path, which + " powtarza się");
            h.fields[std::size_t(i)].name = std::move(*name);
        }
        // Field numbers, the language driver name and (for .XGn) the index name follow; very
        // old writers may leave them out, so they are read only when present.
        if (cur.fits(std::size_t(fieldCount) * 2)) {
            const std::byte* nums = cur.take(std::size_t(fieldCount) * 2, "numery pól");
            for (int i = 0; i < fieldCount; ++i) out.fieldNumbers.push_back(le16(nums + 2 * i));
            if (auto s = cur.cString(64)) {
                out.sortOrderId = *s;
                if (auto n = cur.cString(64)) out.indexName = *n;
            }
        }
    }
    return out;
}

// ---- header ----

std::uint16_t peekHeaderSize(std::span<const std::byte> prefix) {
    if (prefix.size() < 4)
        fail(ErrorCode::Corrupt, "Plik jest uszkodzony: nagłówek jest za krótki.");
    return le16(prefix.data() + kOffHeaderSize);
}

Header parseHeader(std::span<const std::byte> bytes, const std::string& path) {
    return parseAny(bytes, path).h;
}

Header makeHeader(const std::vector<FieldDef>& fields, int keyFieldCount,
                  const std::string& tableName) {
    if (fields.empty() || fields.size() > 255)
        fail(ErrorCode::InvalidArgument,
             "Tabela musi mieć od 1 do 255 kolumn (podano " + std::to_string(fields.size()) + ").");
    if (keyFieldCount < 0 || std::size_t(keyFieldCount) > fields.size())
        fail(ErrorCode::InvalidArgument,
             "Niedozwolona liczba kolumn klucza (" + std::to_string(keyFieldCount) + ").");
    if (tableName.size() >= kTableNameLength7 || tableName.find('\0') != std::string::npos)
        fail(ErrorCode::InvalidArgument, "Niedozwolona nazwa tabeli.");
    Header h;
    std::size_t offset = 0;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const FieldDef& f = fields[i];
        validateField(f);
        for (std::size_t j = 0; j < i; ++j)
            if (comparePolish(fields[j].name, f.name, true) == 0)
                fail(ErrorCode::InvalidArgument,
                     "Nazwa kolumny " + columnName(f) + " powtarza się.");
        if (int(i) < keyFieldCount && isBlobType(f.type))
            fail(ErrorCode::InvalidArgument,
                 "Kolumna " + columnName(f) + " typu " + typeName(f) + " nie może być kluczem.");
        h.fieldOffsets.push_back(std::uint32_t(offset));
        offset += std::size_t(storedSize(f));
    }
    const std::uint8_t kb = offset <= 32 * 1024 - kBlockHeaderSize ? chooseBlockSizeKb(offset) : 0;
    if (kb == 0)
        fail(ErrorCode::InvalidArgument, "Rekord tabeli (" + std::to_string(offset) +
                                             " B) jest za duży; mieści się najwyżej " +
                                             std::to_string(32 * 1024 - kBlockHeaderSize) + " B.");
    h.fields = fields;
    h.recordSize = std::uint16_t(offset);
    h.blockSizeKb = kb;
    h.keyFieldCount = std::uint16_t(keyFieldCount);
    h.fileType = keyFieldCount > 0 ? kFileTypeKeyedDb : kFileTypeUnkeyedDb;
    h.fileVersion = kVersion7;
    h.codePage = 1250;
    h.tableName = tableName;
    const std::size_t needed = neededHeaderSize(h);
    h.headerSize = std::uint16_t((needed + kHeaderGranule - 1) / kHeaderGranule * kHeaderGranule);
    return h;
}

std::vector<std::byte> serializeHeader(const Header& h) {
    const std::size_t needed = neededHeaderSize(h);
    if (h.headerSize < needed || h.fields.empty() || h.fields.size() > 255)
        fail(ErrorCode::InvalidArgument, "Nagłówek tabeli nie mieści opisu kolumn.");
    std::vector<std::byte> out(h.headerSize);
    std::byte* b = out.data();
    const auto n = std::uint16_t(h.fields.size());
    putLe16(b + kOffRecordSize, h.recordSize);
    putLe16(b + kOffHeaderSize, h.headerSize);
    b[kOffBlockSize] = std::byte(h.blockSizeKb);
    putLe16(b + kOffFieldCount, n);
    putLe32(b + kOffEncryption1, kEncryptionMoved);
    b[kOffSortOrder] = std::byte(kSortOrderPolish);
    b[kOffVersion] = std::byte(kVersion7);
    // Paradox writes 0x1F 0x0F here in every table; keep to it.
    b[kOffUnknown3E] = std::byte{0x1F};
    b[kOffUnknown3E + 1] = std::byte{0x0F};
    putLe16(b + kOffUsedHeaderSize, std::uint16_t(needed));
    putLe16(b + kOffVersionWord1, 0x0100 | kVersion7);
    putLe16(b + kOffVersionWord2, 0x0100 | kVersion7);
    putLe16(b + kOffHiFieldId, std::uint16_t(n + 1));
    putLe16(b + kOffCodePage, h.codePage);
    Header v7 = h;
    v7.fileVersion = kVersion7;
    writeCounters(v7, out);

    std::size_t pos = kHeaderPrefix;
    for (const auto& f : h.fields) {
        b[pos++] = std::byte(f.type);
        b[pos++] = std::byte(descriptorSize(f));
    }
    pos += 4 + std::size_t(n) * 4;  // run-time pointers, zero on disk
    std::memcpy(b + pos, h.tableName.data(), std::min(h.tableName.size(), kTableNameLength7 - 1));
    pos += kTableNameLength7;
    for (const auto& f : h.fields) {
        std::memcpy(b + pos, f.name.data(), f.name.size());
        pos += f.name.size() + 1;
    }
    for (std::uint16_t i = 1; i <= n; ++i, pos += 2) putLe16(b + pos, i);
    std::memcpy(b + pos, kLanguageDriverPolish, std::strlen(kLanguageDriverPolish));
    return out;
}

void writeCounters(const Header& h, std::span<std::byte> prefix) {
    const bool dataHeader = hasDataHeader(h.fileType, h.fileVersion);
    if (prefix.size() < (dataHeader ? kHeaderPrefix : kCommonPrefix))
        fail(ErrorCode::InvalidArgument, "Za mały bufor nagłówka.");
    std::byte* b = prefix.data();
    b[kOffFileType] = std::byte(h.fileType);
    putLe32(b + kOffRecordCount, h.recordCount);
    putLe16(b + kOffUsedBlocks, h.usedBlocks);
    putLe16(b + kOffFileBlocks, h.fileBlocks);
    putLe16(b + kOffFirstBlock, h.firstBlock);
    putLe16(b + kOffLastBlock, h.lastBlock);
    putLe16(b + kOffKeyFields, h.keyFieldCount);
    putLe16(b + kOffMaxBlocks, h.fileBlocks);
    putLe32(b + kOffAutoInc, std::uint32_t(h.autoIncrement));
    if (dataHeader) putLe32(b + kGenerationOffset, h.generation);
}

// ---- blocks ----

BlockHeader readBlockHeader(const std::byte* block, const Header& h, const std::string& path) {
    BlockHeader bh;
    bh.next = le16(block);
    bh.prev = le16(block + 2);
    const int add = std::int16_t(le16(block + 4));
    const int rs = h.recordSize;
    if (add < 0) {
        // An empty block stores minus one record length.
        if (add < -rs) corrupt(path, "nagłówek bloku ma niedozwoloną długość danych");
        bh.recordCount = 0;
        return bh;
    }
    if (add % rs != 0) corrupt(path, "długość danych bloku nie jest wielokrotnością rekordu");
    bh.recordCount = add / rs + 1;
    if (bh.recordCount > h.recordsPerBlock())
        corrupt(path, "blok podaje więcej rekordów (" + std::to_string(bh.recordCount) +
                          "), niż się w nim mieści");
    return bh;
}

void writeBlockHeader(std::byte* block, const BlockHeader& bh, const Header& h) {
    if (bh.recordCount < 0 || bh.recordCount > h.recordsPerBlock())
        fail(ErrorCode::InvalidArgument, "Niedozwolona liczba rekordów w bloku.");
    putLe16(block, bh.next);
    putLe16(block + 2, bh.prev);
    const int add = bh.recordCount == 0 ? -int(h.recordSize) : (bh.recordCount - 1) * h.recordSize;
    putLe16(block + 4, std::uint16_t(std::int16_t(add)));
}

}  // namespace lumiro::engine::px
