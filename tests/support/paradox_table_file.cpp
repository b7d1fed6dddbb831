#include "support/paradox_table_file.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <stdexcept>

#include "engine/error.h"

namespace lumiro::test {

namespace px = engine::px;
using engine::EngineError;
using engine::ErrorCode;

std::vector<std::byte> buildParadoxTable(const std::vector<engine::FieldDef>& fields,
                                         int keyFieldCount, const std::vector<Row>& rows,
                                         const std::string& tableName, std::uint32_t generation,
                                         int blockSizeKb) {
    px::Header h = px::makeHeader(fields, keyFieldCount, tableName);
    if (blockSizeKb > 0) h.blockSizeKb = std::uint8_t(blockSizeKb);
    const std::size_t perBlock = std::size_t(h.recordsPerBlock());
    const std::size_t blocks = (rows.size() + perBlock - 1) / perBlock;
    std::vector<std::byte> file(h.headerSize + blocks * h.blockSize());

    std::int32_t autoInc = 0;
    for (std::size_t b = 0; b < blocks; ++b) {
        std::byte* block = file.data() + h.blockOffset(std::uint32_t(b + 1));
        const std::size_t first = b * perBlock;
        const std::size_t count = std::min(perBlock, rows.size() - first);
        px::BlockHeader bh;
        bh.next = b + 1 < blocks ? std::uint16_t(b + 2) : 0;
        bh.prev = std::uint16_t(b);
        bh.recordCount = int(count);
        px::writeBlockHeader(block, bh, h);
        for (std::size_t r = 0; r < count; ++r) {
            const Row& row = rows[first + r];
            std::byte* rec = block + px::kBlockHeaderSize + r * h.recordSize;
            for (std::size_t f = 0; f < fields.size(); ++f) {
                const engine::Value& v = f < row.size() ? row[f] : engine::Value{};
                px::encodeField(fields[f], v, rec + h.fieldOffsets[f]);
                if (fields[f].type == engine::FieldType::AutoInc)
                    if (const auto* i = std::get_if<std::int64_t>(&v))
                        autoInc = std::max(autoInc, std::int32_t(*i));
            }
        }
    }
    h.recordCount = std::uint32_t(rows.size());
    h.fileBlocks = h.usedBlocks = std::uint16_t(blocks);
    h.firstBlock = blocks ? 1 : 0;
    h.lastBlock = std::uint16_t(blocks);
    h.autoIncrement = autoInc;
    h.generation = generation;
    const std::vector<std::byte> head = px::serializeHeader(h);
    std::copy(head.begin(), head.end(), file.begin());
    return file;
}

std::vector<Row> readParadoxTable(std::span<const std::byte> file, px::Header* header) {
    const std::string path = "<test image>";
    const px::Header h = px::parseHeader(
        file.first(std::min<std::size_t>(file.size(), px::peekHeaderSize(file))), path);
    std::vector<Row> rows;
    std::uint32_t block = h.firstBlock;
    std::uint32_t prev = 0;
    std::size_t visited = 0;
    while (block != 0) {
        if (++visited > h.fileBlocks || h.blockOffset(block) + h.blockSize() > file.size())
            throw EngineError(ErrorCode::Corrupt, "łańcuch bloków jest uszkodzony");
        const std::byte* data = file.data() + h.blockOffset(block);
        const px::BlockHeader bh = px::readBlockHeader(data, h, path);
        if (bh.prev != prev) throw EngineError(ErrorCode::Corrupt, "zły poprzednik bloku");
        for (int r = 0; r < bh.recordCount; ++r) {
            const std::byte* rec = data + px::kBlockHeaderSize + std::size_t(r) * h.recordSize;
            Row row;
            for (std::size_t f = 0; f < h.fields.size(); ++f)
                row.push_back(px::decodeField(h.fields[f], rec + h.fieldOffsets[f], nullptr));
            rows.push_back(std::move(row));
        }
        prev = block;
        block = bh.next;
    }
    if (rows.size() != h.recordCount)
        throw EngineError(ErrorCode::Corrupt, "liczba rekordów nie zgadza się z nagłówkiem");
    if (header) *header = h;
    return rows;
}

std::vector<std::byte> genuineSecondaryIndex(const std::vector<engine::FieldDef>& fields,
                                             const std::vector<int>& fieldNumbers,
                                             const std::string& indexName) {
    // The records repeat the key columns that the index covers too, which a table header
    // may not: the header is made with stand-ins of the same lengths, then renamed.
    std::vector<engine::FieldDef> standIns = fields;
    for (std::size_t i = 0; i < standIns.size(); ++i) {
        for (std::size_t j = 0; j < i; ++j)
            if (standIns[j].name == standIns[i].name)
                standIns[i].name.back() = char('0' + i);
    }
    px::Header x = px::makeHeader(standIns, int(fields.size()) - 1, "INDEX.XG0");
    x.fileType = 8;
    auto bytes = px::serializeHeader(x);
    std::size_t at = px::kHeaderPrefix + fields.size() * 6 + 4 + 261;
    for (const auto& f : fields) {
        std::memcpy(bytes.data() + at, f.name.data(), f.name.size());
        at += f.name.size() + 1;
    }
    std::size_t pos = px::kHeaderPrefix + fields.size() * 6 + 4 + 261;
    for (const auto& f : fields) pos += f.name.size() + 1;
    for (int n : fieldNumbers) {
        bytes[pos] = std::byte(n & 0xFF);
        bytes[pos + 1] = std::byte((n >> 8) & 0xFF);
        pos += 2;
    }
    pos += std::strlen(px::kLanguageDriverPolish) + 1;
    std::memcpy(bytes.data() + pos, indexName.data(), indexName.size());
    return bytes;
}

std::vector<std::byte> olderParadoxVersion(std::span<const std::byte> file, int version) {
    px::Header h;
    readParadoxTable(file, &h);
    const bool extended = version >= 5;
    const std::size_t n = h.fields.size();
    std::vector<std::byte> head(file.begin(), file.begin() + 0x58);
    head[0x39] = std::byte(version);
    if (extended) {
        head.insert(head.end(), file.begin() + 0x58, file.begin() + std::ptrdiff_t(px::kHeaderPrefix));
        head[0x58] = head[0x5A] = std::byte(version);
    } else {
        // The password key of 3.x tables sits at 0x25 (none here).
        std::fill(head.begin() + 0x25, head.begin() + 0x29, std::byte{0});
    }
    const std::size_t descriptors = px::kHeaderPrefix;
    head.insert(head.end(), file.begin() + std::ptrdiff_t(descriptors),
                file.begin() + std::ptrdiff_t(descriptors + 2 * n));
    head.resize(head.size() + 4 + 4 * n, std::byte{0});
    const std::size_t room = version >= 12 ? 261 : 79;
    std::string name = h.tableName.substr(0, room - 1);
    name.resize(room, '\0');
    for (char c : name) head.push_back(std::byte(c));
    for (const auto& f : h.fields) {
        for (char c : f.name) head.push_back(std::byte(c));
        head.push_back(std::byte{0});
    }
    if (extended) {
        for (std::size_t i = 1; i <= n; ++i) {
            head.push_back(std::byte(i & 0xFF));
            head.push_back(std::byte(i >> 8));
        }
        for (const char* c = px::kLanguageDriverPolish; *c; ++c) head.push_back(std::byte(*c));
        head.push_back(std::byte{0});
    }
    if (head.size() > h.headerSize) throw std::runtime_error("the older header does not fit");
    head.resize(h.headerSize, std::byte{0});
    std::vector<std::byte> out(file.begin(), file.end());
    std::copy(head.begin(), head.end(), out.begin());
    return out;
}

void writeFileBytes(const std::string& path, std::span<const std::byte> bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
}

std::vector<std::byte> readFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    std::vector<char> raw((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<std::byte> out(raw.size());
    std::transform(raw.begin(), raw.end(), out.begin(), [](char c) { return std::byte(c); });
    return out;
}

}  // namespace lumiro::test
