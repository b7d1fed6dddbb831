// The Paradox data file codec on its own: header parsing, block headers, field decoding and
// key encoding on arbitrary bytes. EngineError is the only acceptable way to refuse input.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <span>
#include <string>
#include <vector>

#include "engine/error.h"
#include "engine/paradox_format.h"

using namespace lumiro::engine;

namespace {

constexpr std::size_t kMaxRecords = 64;

[[noreturn]] void bug(const std::string& what) {
    std::fprintf(stderr, "fuzz_paradox_header: %s\n", what.c_str());
    std::abort();
}

// Encoding what was decoded must be stable: a value read from a file and written back
// must read back the same.
void checkRoundTrip(const FieldDef& f, const Value& v) {
    if (isBlobType(f.type)) return;
    std::vector<std::byte> once(std::size_t(storedSize(f))), twice(once.size());
    try {
        px::encodeField(f, v, once.data());
    } catch (const EngineError&) {
        return;
    }
    Value again = px::decodeField(f, once.data(), nullptr);
    try {
        px::encodeField(f, again, twice.data());
    } catch (const EngineError& e) {
        bug("field " + f.name + ": a decoded value no longer encodes: " + e.what());
    }
    if (once != twice) bug("field " + f.name + ": encoding is not stable across a round trip");
}

void decodeRecord(const px::Header& h, std::span<const std::byte> bytes) {
    // An exact-size copy, so that reading past the record is caught by AddressSanitizer.
    std::vector<std::byte> record(bytes.begin(), bytes.end());
    for (std::size_t i = 0; i < h.fields.size(); ++i) {
        const FieldDef& f = h.fields[i];
        std::size_t offset = h.fieldOffsets.at(i);
        std::size_t size = std::size_t(storedSize(f));
        if (offset + size > record.size())
            bug("field " + f.name + " lies outside the record the header describes");
        const std::byte* p = record.data() + offset;
        (void)px::fieldIsNull(f, p);
        try {
            Value v = px::decodeField(f, p, nullptr);
            checkRoundTrip(f, v);
        } catch (const EngineError&) {
        }
        if (!isBlobType(f.type)) {
            std::vector<std::byte> key(px::keyWidth(f));
            px::encodeKey(f, p, false, key.data());
            px::encodeKey(f, p, true, key.data());
        }
    }
}

// Any layout we accept from a file we must be able to write and read back: a copy of the
// table (restructure, archive) goes through makeHeader.
void checkHeaderRoundTrip(const px::Header& h) {
    std::vector<std::byte> image;
    px::Header ours;
    try {
        ours = px::makeHeader(h.fields, h.keyFieldCount, h.tableName);
        image = px::serializeHeader(ours);
    } catch (const EngineError&) {
        return;
    }
    px::Header again;
    try {
        again = px::parseHeader(image, "fuzz.DB");
    } catch (const EngineError& e) {
        bug(std::string("a header we wrote does not parse: ") + e.what());
    }
    if (again.recordSize != ours.recordSize || again.fields.size() != h.fields.size() ||
        again.fieldOffsets != ours.fieldOffsets)
        bug("a header we wrote reads back with another layout");
    for (std::size_t i = 0; i < h.fields.size(); ++i)
        if (again.fields[i].name != h.fields[i].name || again.fields[i].type != h.fields[i].type ||
            again.fields[i].size != h.fields[i].size)
            bug("field " + h.fields[i].name + " reads back changed from a header we wrote");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::span<const std::byte> bytes(reinterpret_cast<const std::byte*>(data), size);
    try {
        if (size >= 4) (void)px::peekHeaderSize(bytes);
        px::Header h = px::parseHeader(bytes, "fuzz.DB");
        if (h.fieldOffsets.size() != h.fields.size())
            bug("the header has " + std::to_string(h.fields.size()) + " fields but " +
                std::to_string(h.fieldOffsets.size()) + " offsets");
        if (h.recordSize == 0 && !h.fields.empty()) bug("a header with fields and no record size");
        std::size_t headerSize = std::min<std::size_t>(h.headerSize, size);
        std::span<const std::byte> rest = bytes.subspan(headerSize);
        if (h.blockSize() > px::kBlockHeaderSize && rest.size() >= h.blockSize()) {
            try {
                (void)px::readBlockHeader(rest.data(), h, "fuzz.DB");
            } catch (const EngineError&) {
            }
        }
        if (h.recordSize > 0) {
            for (std::size_t n = 0; n < kMaxRecords && rest.size() >= h.recordSize; ++n) {
                decodeRecord(h, rest.first(h.recordSize));
                rest = rest.subspan(h.recordSize);
            }
        }
        checkHeaderRoundTrip(h);
    } catch (const EngineError&) {
    }
    return 0;
}
