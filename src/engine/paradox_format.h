// The Paradox data file format: header, field descriptors, data blocks and field encodings.
// The layout is described in docs/table-files.md.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "schema.h"
#include "value.h"

namespace lumiro::engine {
class File;
}

namespace lumiro::engine::px {

constexpr std::uint8_t kFileTypeKeyedDb = 0;    // .DB with a primary key
constexpr std::uint8_t kFileTypePrimaryIndex = 1;
constexpr std::uint8_t kFileTypeUnkeyedDb = 2;  // .DB without a primary key
constexpr std::uint8_t kVersion7 = 0x0C;
constexpr std::size_t kHeaderPrefix = 0x78;     // fixed part of a 4.x+ header
constexpr std::size_t kBlockHeaderSize = 6;
// What Paradox writes for the "Pdox ANSI Polish" language driver (code page 1250): the sort
// order byte at 0x29 and the driver name stored at the end of the header.
constexpr std::uint8_t kSortOrderPolish = 0x5E;
constexpr const char* kLanguageDriverPolish = "anpolish";
// 4.x+ header field that Paradox used as an update stamp; we keep our generation counter in it.
constexpr std::size_t kGenerationOffset = 0x60;

struct Header {
    std::uint16_t recordSize = 0;
    std::uint16_t headerSize = 0;
    std::uint8_t fileType = kFileTypeUnkeyedDb;
    std::uint8_t blockSizeKb = 4;  // 1, 2, 3, 4, 8, 16 or 32
    std::uint32_t recordCount = 0;
    std::uint16_t usedBlocks = 0;   // blocks in the chain
    std::uint16_t fileBlocks = 0;   // blocks in the file (chain + free)
    std::uint16_t firstBlock = 0;   // 0: no blocks
    std::uint16_t lastBlock = 0;
    std::uint16_t keyFieldCount = 0;
    std::uint8_t fileVersion = kVersion7;
    std::int32_t autoIncrement = 0;  // the last value assigned
    std::uint16_t codePage = 1250;
    std::uint32_t generation = 0;  // bumped on every change by this engine (4.x+ headers only)
    bool encrypted = false;
    std::string tableName;
    std::vector<FieldDef> fields;
    std::vector<std::uint32_t> fieldOffsets;  // byte offset of each field in a record

    std::size_t blockSize() const { return std::size_t(blockSizeKb) * 1024u; }
    std::uint64_t blockOffset(std::uint32_t block) const {
        return headerSize + std::uint64_t(block - 1) * blockSize();
    }
    int recordsPerBlock() const { return int((blockSize() - kBlockHeaderSize) / recordSize); }
    bool hasExtendedHeader() const { return fileVersion >= 5; }
};

// Size of the header region, read from its first bytes (at least 4 bytes needed).
std::uint16_t peekHeaderSize(std::span<const std::byte> prefix);

// Parses a whole header region of a data file, or of a genuine Paradox .PX/.XGn file.
// Validates every size, count and name; throws EngineError(Corrupt) naming `path`.
Header parseHeader(std::span<const std::byte> bytes, const std::string& path);

// Header for a new table of ours: Paradox 7, code page 1250, the block size that wastes
// least for this record size; throws InvalidArgument for a layout that cannot be stored.
Header makeHeader(const std::vector<FieldDef>& fields, int keyFieldCount,
                  const std::string& tableName);

// The whole header region (h.headerSize bytes; makeHeader has set headerSize).
std::vector<std::byte> serializeHeader(const Header& h);
// Writes the counters of h (record count, blocks, auto-increment, generation, key count,
// file type) into the first kHeaderPrefix bytes of an existing header image.
void writeCounters(const Header& h, std::span<std::byte> prefix);

struct BlockHeader {
    std::uint16_t next = 0;
    std::uint16_t prev = 0;
    int recordCount = 0;
};
// Throws Corrupt when the stored count does not fit the block.
BlockHeader readBlockHeader(const std::byte* block, const Header& h, const std::string& path);
void writeBlockHeader(std::byte* block, const BlockHeader& bh, const Header& h);

// Field codecs on the bytes of one field inside a record.
bool fieldIsNull(const FieldDef& f, const std::byte* p);
// Decodes a field; blob types need `blobs` (may be null: then only the leader is returned).
class BlobFile;
Value decodeField(const FieldDef& f, const std::byte* p, BlobFile* blobs);
// Encodes v (null allowed) into the field; throws Conversion when v does not fit the type
// or size, Unsupported for blob types with data beyond the leader.
void encodeField(const FieldDef& f, const Value& v, std::byte* p);

// Index keys: fixed width per field, compared with memcmp. Numbers keep their stored
// order-preserving encoding; alpha texts are mapped through the Polish weights.
std::size_t keyWidth(const FieldDef& f);
void encodeKey(const FieldDef& f, const std::byte* p, bool caseInsensitive, std::byte* out);

// What a companion index file written by Paradox or pxlib says about itself, so that the
// engine can build its own index in its place.
struct ForeignIndexInfo {
    bool primary = false;                 // .PX
    std::string name;                     // .XGn: the name stored in the file; .Xnn/.Ynn: the
                                          // indexed column's name; empty for .PX and .YGn
    std::vector<int> columns;             // 0-based positions in table.fields, in key order;
                                          // empty when the file does not tell (.YGn)
    std::optional<bool> caseInsensitive;  // nullopt when the file does not tell
};

// Recognises a genuine .PX, .Xnn/.Ynn or .XGn/.YGn file of `table` from its bytes (at least
// its header) and its name; nullopt when the bytes are not such a file or do not fit the table.
// Never throws for malformed bytes.
std::optional<ForeignIndexInfo> parseForeignIndex(std::span<const std::byte> fileBytes,
                                                  const std::string& fileName, const Header& table);

// Reader of the .MB file that holds blob field data.
class BlobFile {
public:
    explicit BlobFile(File& file) : file_(file) {}
    // Full data of a blob field given the field's bytes in the record; throws Corrupt.
    std::string read(const FieldDef& f, const std::byte* fieldBytes);

private:
    File& file_;
};

}  // namespace lumiro::engine::px
