// Records of a table: field values encoded and decoded, keys, .MB blobs, genuine companion
// index files. Headers are in paradox_header.cpp. Layout facts: docs/table-files.md.
#include "paradox_format.h"

#include <algorithm>
#include <bit>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

#include "cp1250.h"
#include "datetime.h"
#include "env.h"
#include "error.h"
#include "paradox_format_parts.h"

namespace lumiro::engine::px {

using namespace parts;

namespace {

constexpr std::size_t kMbChunk = 4096;  // .MB files are read in blocks of this size

// ---- big-endian helpers ----

std::uint64_t getBe(const std::byte* p, int n) {
    std::uint64_t v = 0;
    for (int i = 0; i < n; ++i) v = v << 8 | std::uint64_t(p[i]);
    return v;
}
void putBe(std::byte* p, int n, std::uint64_t v) {
    for (int i = n - 1; i >= 0; --i) {
        p[i] = std::byte(v & 0xFF);
        v >>= 8;
    }
}
bool allZero(const std::byte* p, std::size_t n) {
    return std::all_of(p, p + n, [](std::byte b) { return b == std::byte{0}; });
}

// ---- numeric codecs ----

// Integers: big-endian two's complement with the sign bit flipped, so bytes sort like values.
void putInt(std::byte* p, int n, std::int64_t v) {
    const std::uint64_t signBit = std::uint64_t(1) << (8 * n - 1);
    putBe(p, n, (std::uint64_t(v) ^ signBit) & (n == 8 ? ~std::uint64_t(0) : (signBit << 1) - 1));
}
std::int64_t getInt(const std::byte* p, int n) {
    const std::uint64_t signBit = std::uint64_t(1) << (8 * n - 1);
    const std::uint64_t u = getBe(p, n) ^ signBit;
    // Sign-extend from n bytes.
    return (u & signBit) ? std::int64_t(u | ~((signBit << 1) - 1)) : std::int64_t(u);
}

// Doubles: positive values get the sign bit set, negative ones are inverted entirely.
void putDouble(std::byte* p, double d) {
    if (d == 0) d = 0;  // -0.0 would sort and compare apart from 0.0
    std::uint64_t u = std::bit_cast<std::uint64_t>(d);
    u = (u >> 63) ? ~u : u ^ (std::uint64_t(1) << 63);
    putBe(p, 8, u);
}
double getDouble(const std::byte* p) {
    std::uint64_t u = getBe(p, 8);
    u = (u >> 63) ? u ^ (std::uint64_t(1) << 63) : ~u;
    return std::bit_cast<double>(u);
}

// ---- BCD ----
// 17 bytes = 34 nibbles. Byte 0: bit 7 set for positive, bit 6 set, bits 0-5 the number of
// decimals. Nibbles 2..33 hold 32 decimal digits, the last `decimals` of them after the point;
// a negative value stores every digit nibble complemented (and bytes 1..16 start as 0xFF).
constexpr int kBcdDigits = 32;

struct Decimal {
    bool negative = false;
    std::string intDigits;   // no leading zeros
    std::string fracDigits;  // as many as given
};

std::optional<Decimal> parseDecimal(std::string_view s) {
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    Decimal d;
    if (!s.empty() && (s.front() == '-' || s.front() == '+')) {
        d.negative = s.front() == '-';
        s.remove_prefix(1);
    }
    bool point = false;
    bool any = false;
    for (char c : s) {
        if (c >= '0' && c <= '9') {
            (point ? d.fracDigits : d.intDigits) += c;
            any = true;
        } else if ((c == '.' || c == ',') && !point) {
            point = true;
        } else {
            return std::nullopt;
        }
    }
    if (!any) return std::nullopt;
    d.intDigits.erase(0, std::min(d.intDigits.find_first_not_of('0'), d.intDigits.size()));
    return d;
}

// Rounds (half away from zero) or pads to `decimals`; returns all digits, integer part first.
std::string scaleDigits(const Decimal& d, int decimals, std::size_t* intCount) {
    std::string frac = d.fracDigits;
    std::string digits = d.intDigits;
    bool roundUp = false;
    if (frac.size() > std::size_t(decimals)) {
        roundUp = frac[std::size_t(decimals)] >= '5';
        frac.resize(std::size_t(decimals));
    }
    frac.append(std::size_t(decimals) - frac.size(), '0');
    digits += frac;
    if (roundUp) {
        std::size_t i = digits.size();
        while (i > 0 && digits[i - 1] == '9') digits[--i] = '0';
        if (i == 0)
            digits.insert(digits.begin(), '1');
        else
            ++digits[i - 1];
    }
    *intCount = digits.size() - std::size_t(decimals);
    // Drop leading zeros of the integer part again after a carry-free rounding.
    std::size_t lead = 0;
    while (lead < *intCount && digits[lead] == '0') ++lead;
    digits.erase(0, lead);
    *intCount -= lead;
    return digits;
}

std::string formatDecimal(bool negative, const std::string& digits, std::size_t intCount,
                          int decimals) {
    std::string out;
    const bool zero = digits.find_first_not_of('0') == std::string::npos;
    if (negative && !zero) out += '-';
    out += intCount == 0 ? std::string("0") : digits.substr(0, intCount);
    if (decimals > 0) {
        out += '.';
        out += digits.substr(intCount);
    }
    return out;
}

void encodeBcd(const FieldDef& f, std::string_view text, std::byte* p) {
    const auto dec = parseDecimal(text);
    if (!dec) conversion(f, "tekst „" + cp1250ToUtf8(text) + "” nie jest liczbą");
    std::size_t intCount = 0;
    const std::string digits = scaleDigits(*dec, f.size, &intCount);
    if (intCount > std::size_t(kBcdDigits - f.size))
        conversion(f, "liczba " + std::string(text) + " ma za dużo cyfr (najwyżej " +
                          std::to_string(kBcdDigits - f.size) + " przed przecinkiem)");
    const bool zero = digits.find_first_not_of('0') == std::string::npos;
    const bool negative = dec->negative && !zero;
    const std::uint8_t flip = negative ? 0x0F : 0x00;
    std::memset(p, negative ? 0xFF : 0x00, 17);
    p[0] = std::byte((negative ? 0x40 : 0xC0) | f.size);
    // Right-align the digits in nibbles 2..33.
    const std::size_t first = std::size_t(2 + kBcdDigits) - digits.size();
    for (std::size_t i = 0; i < digits.size(); ++i) {
        const std::size_t nib = first + i;
        const auto v = std::uint8_t((digits[i] - '0') ^ flip);
        auto& byte = p[nib / 2];
        byte = (nib % 2) ? ((byte & std::byte{0xF0}) | std::byte(v))
                         : ((byte & std::byte{0x0F}) | std::byte(v << 4));
    }
}

std::string decodeBcd(const FieldDef& f, const std::byte* p) {
    const auto b0 = std::uint8_t(p[0]);
    const int stored = b0 & 0x3F;
    if (stored > kBcdDigits)
        fail(ErrorCode::Corrupt, "Wartość BCD w kolumnie " + columnName(f) + " jest uszkodzona.");
    const bool negative = !(b0 & 0x80);
    const std::uint8_t flip = negative ? 0x0F : 0x00;
    std::string digits;
    digits.reserve(kBcdDigits);
    for (int nib = 2; nib < 2 + kBcdDigits; ++nib) {
        const auto byte = std::uint8_t(p[nib / 2]);
        const std::uint8_t v = ((nib % 2) ? (byte & 0x0F) : (byte >> 4)) ^ flip;
        if (v > 9)
            fail(ErrorCode::Corrupt,
                 "Wartość BCD w kolumnie " + columnName(f) + " jest uszkodzona.");
        digits += char('0' + v);
    }
    Decimal d;
    d.negative = negative;
    d.intDigits = digits.substr(0, std::size_t(kBcdDigits - stored));
    d.intDigits.erase(0, std::min(d.intDigits.find_first_not_of('0'), d.intDigits.size()));
    d.fracDigits = digits.substr(std::size_t(kBcdDigits - stored));
    std::size_t intCount = 0;
    const std::string scaled = scaleDigits(d, f.size, &intCount);
    return formatDecimal(negative, scaled, intCount, f.size);
}

std::string numberText(const FieldDef& f, const Value& v) {
    if (const auto* s = std::get_if<std::string>(&v)) return *s;
    if (const auto* i = std::get_if<std::int64_t>(&v)) return std::to_string(*i);
    if (const auto* d = std::get_if<double>(&v)) {
        if (!std::isfinite(*d)) conversion(f, "wartość nie jest liczbą skończoną");
        // Shortest exact digits, so that rounding to the column's scale happens once, here.
        char buf[400];
        const auto r = std::to_chars(buf, buf + sizeof buf, *d, std::chars_format::fixed);
        if (r.ec != std::errc()) conversion(f, "liczba jest za duża");
        return std::string(buf, r.ptr);
    }
    conversion(f, "wartość nie jest liczbą");
}

// ---- blob reference (little-endian, after the leader) ----

struct BlobRef {
    std::uint32_t offset = 0;  // file offset of the MB block, low byte cleared
    std::uint8_t index = 0;    // 0xFF: single-blob block, else slot in a sub-allocated block
    std::uint32_t length = 0;
    std::uint16_t modification = 0;
};

BlobRef readBlobRef(const FieldDef& f, const std::byte* p) {
    const std::byte* r = p + f.size;
    BlobRef ref;
    const std::uint32_t raw = le32(r);
    ref.offset = raw & 0xFFFFFF00u;
    ref.index = std::uint8_t(raw & 0xFF);
    ref.length = le32(r + 4);
    ref.modification = le16(r + 8);
    return ref;
}

// Graphic blobs carry 8 bytes of their own before the picture, counted in the length.
constexpr std::uint32_t kGraphicPrefix = 8;

void requireKind(const FieldDef& f, bool ok) {
    if (!ok) conversion(f, "wartość nie pasuje do typu " + typeName(f));
}

std::int64_t integerOf(const FieldDef& f, const Value& v) {
    const auto* i = std::get_if<std::int64_t>(&v);
    requireKind(f, i != nullptr);
    return *i;
}

void checkRange(const FieldDef& f, std::int64_t v, std::int64_t lo, std::int64_t hi) {
    if (v < lo || v > hi)
        conversion(f, "wartość " + std::to_string(v) + " jest poza zakresem od " +
                          std::to_string(lo) + " do " + std::to_string(hi));
}

bool extensionIs(const std::string& ext, const char* what) {
    if (ext.size() != std::strlen(what)) return false;
    for (std::size_t i = 0; i < ext.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(ext[i])) != what[i]) return false;
    return true;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

bool sameField(const FieldDef& a, const FieldDef& b) {
    return a.type == b.type && storedSize(a) == storedSize(b);
}

}  // namespace

// ---- fields ----

bool fieldIsNull(const FieldDef& f, const std::byte* p) {
    if (f.type == FieldType::Bcd) return p[0] == std::byte{0};
    if (isBlobType(f.type)) return readBlobRef(f, p).length == 0;
    return allZero(p, std::size_t(storedSize(f)));
}

Value decodeField(const FieldDef& f, const std::byte* p, BlobFile* blobs) {
    if (fieldIsNull(f, p)) return std::monostate{};
    switch (f.type) {
        case FieldType::Alpha: {
            const auto* s = reinterpret_cast<const char*>(p);
            return std::string(s, std::find(s, s + f.size, '\0'));
        }
        case FieldType::Bytes:
            return std::string(reinterpret_cast<const char*>(p), std::size_t(f.size));
        case FieldType::Short:
            return getInt(p, 2);
        case FieldType::Long:
        case FieldType::AutoInc:
        case FieldType::Date:
        case FieldType::Time:
            return getInt(p, 4);
        case FieldType::Money:
        case FieldType::Number:
        case FieldType::Timestamp:
            return getDouble(p);
        case FieldType::Logical:
            return p[0] != std::byte{0x80};
        case FieldType::Bcd:
            return decodeBcd(f, p);
        case FieldType::Memo:
        case FieldType::Blob:
        case FieldType::FmtMemo:
        case FieldType::Ole:
        case FieldType::Graphic: {
            const BlobRef ref = readBlobRef(f, p);
            const auto* s = reinterpret_cast<const char*>(p);
            if (ref.length <= std::uint32_t(f.size)) return std::string(s, ref.length);
            if (blobs) return blobs->read(f, p);
            return std::string(s, std::size_t(f.size));
        }
    }
    return std::monostate{};
}

void encodeField(const FieldDef& f, const Value& v, std::byte* p) {
    const auto size = std::size_t(storedSize(f));
    if (isNull(v)) {
        std::memset(p, 0, size);
        return;
    }
    switch (f.type) {
        case FieldType::Alpha:
        case FieldType::Bytes: {
            const auto* s = std::get_if<std::string>(&v);
            requireKind(f, s != nullptr);
            if (s->size() > size)
                conversion(f, std::string(f.type == FieldType::Alpha ? "tekst ma " : "dane mają ") +
                                  std::to_string(s->size()) +
                                  (f.type == FieldType::Alpha ? " znaków" : " bajtów") +
                                  ", a mieści się najwyżej " + std::to_string(size));
            if (f.type == FieldType::Alpha && s->find('\0') != std::string::npos)
                conversion(f, "tekst zawiera znak o kodzie 0");
            std::memset(p, 0, size);
            std::memcpy(p, s->data(), s->size());
            return;
        }
        case FieldType::Short: {
            const std::int64_t i = integerOf(f, v);
            checkRange(f, i, -32767, 32767);  // -32768 would be stored as blank
            putInt(p, 2, i);
            return;
        }
        case FieldType::Long:
        case FieldType::AutoInc: {
            const std::int64_t i = integerOf(f, v);
            checkRange(f, i, -2147483647, 2147483647);
            putInt(p, 4, i);
            return;
        }
        case FieldType::Date: {
            const std::int64_t i = integerOf(f, v);
            checkRange(f, i, 1, daysFromCivil({9999, 12, 31}));
            putInt(p, 4, i);
            return;
        }
        case FieldType::Time: {
            const std::int64_t i = integerOf(f, v);
            checkRange(f, i, 0, kMillisPerDay - 1);
            putInt(p, 4, i);
            return;
        }
        case FieldType::Money:
        case FieldType::Number:
        case FieldType::Timestamp: {
            double d = 0;
            if (const auto* x = std::get_if<double>(&v))
                d = *x;
            else
                d = double(integerOf(f, v));
            if (!std::isfinite(d)) conversion(f, "wartość nie jest liczbą skończoną");
            putDouble(p, d);
            return;
        }
        case FieldType::Logical: {
            const auto* x = std::get_if<bool>(&v);
            requireKind(f, x != nullptr);
            p[0] = std::byte(*x ? 0x81 : 0x80);
            return;
        }
        case FieldType::Bcd:
            encodeBcd(f, numberText(f, v), p);
            return;
        case FieldType::Memo:
        case FieldType::Blob:
        case FieldType::FmtMemo:
        case FieldType::Ole:
        case FieldType::Graphic: {
            const auto* s = std::get_if<std::string>(&v);
            requireKind(f, s != nullptr);
            if (s->size() > std::size_t(f.size))
                fail(ErrorCode::Unsupported,
                     "Dane kolumny " + columnName(f) + " (" + std::to_string(s->size()) +
                         " B) nie mieszczą się w rekordzie (najwyżej " + std::to_string(f.size) +
                         " B); zapis do pliku .MB nie jest obsługiwany.");
            std::memset(p, 0, size);
            std::memcpy(p, s->data(), s->size());
            putLe32(p + f.size + 4, std::uint32_t(s->size()));
            return;
        }
    }
}

// ---- keys ----

std::size_t keyWidth(const FieldDef& f) {
    if (isBlobType(f.type))
        fail(ErrorCode::InvalidArgument,
             "Kolumna " + columnName(f) + " typu " + typeName(f) + " nie może należeć do indeksu.");
    return std::size_t(storedSize(f));
}

void encodeKey(const FieldDef& f, const std::byte* p, bool caseInsensitive, std::byte* out) {
    const std::size_t w = keyWidth(f);
    switch (f.type) {
        case FieldType::Alpha: {
            // Bytes after the terminating zero are not part of the text: keep them out of keys.
            std::size_t i = 0;
            for (; i < w && p[i] != std::byte{0}; ++i) {
                const auto c = std::uint8_t(p[i]);
                out[i] =
                    std::byte(caseInsensitive ? caseInsensitiveWeight(c) : caseSensitiveWeight(c));
            }
            std::memset(out + i, 0, w - i);
            return;
        }
        case FieldType::Money:
        case FieldType::Number:
        case FieldType::Timestamp:
            std::memcpy(out, p, w);
            // A foreign writer's -0.0 must meet 0.0.
            if (getBe(p, 8) == 0x7FFFFFFFFFFFFFFFull) putBe(out, 8, 0x8000000000000000ull);
            return;
        case FieldType::Bcd:
            // Raw BCD bytes sort correctly only at one scale; re-encode foreign scales.
            if (p[0] != std::byte{0} && (std::uint8_t(p[0]) & 0x3F) != f.size) {
                encodeBcd(f, decodeBcd(f, p), out);
                return;
            }
            std::memcpy(out, p, w);
            return;
        default:
            std::memcpy(out, p, w);
            return;
    }
}

// ---- .MB ----

std::string BlobFile::read(const FieldDef& f, const std::byte* fieldBytes) {
    const BlobRef ref = readBlobRef(f, fieldBytes);
    if (ref.length == 0) return {};
    if (ref.length <= std::uint32_t(f.size))
        return std::string(reinterpret_cast<const char*>(fieldBytes), ref.length);
    const std::string& path = file_.path();
    const std::uint64_t fileSize = file_.size();
    const std::string col = " (kolumna " + columnName(f) + ")";
    if (ref.offset < kMbChunk || ref.offset % kMbChunk != 0 || ref.offset + kMbChunk > fileSize)
        corrupt(path, "odwołanie do bloku poza plikiem" + col);
    const bool graphic = f.type == FieldType::Graphic;
    if (graphic && ref.length < kGraphicPrefix) corrupt(path, "za krótka grafika" + col);
    const std::uint32_t skip = graphic ? kGraphicPrefix : 0;

    std::byte head[9];
    file_.readExact(ref.offset, head);
    const auto type = std::uint8_t(head[0]);
    const std::uint64_t chunks = le16(head + 1);
    if (type == 2) {
        if (ref.index != 0xFF) corrupt(path, "niezgodny indeks bloku pojedynczego obiektu" + col);
        const std::uint32_t stored = le32(head + 3);
        const std::uint64_t blockEnd = ref.offset + chunks * kMbChunk;
        const std::uint64_t dataStart = ref.offset + 9;
        if (stored != ref.length) corrupt(path, "długość obiektu nie zgadza się z rekordem" + col);
        if (chunks == 0 || blockEnd > fileSize || dataStart + stored > blockEnd)
            corrupt(path, "obiekt wykracza poza swój blok" + col);
        std::string data(stored - skip, '\0');
        file_.readExact(dataStart + skip,
                        std::span(reinterpret_cast<std::byte*>(data.data()), data.size()));
        return data;
    }
    if (type == 3) {
        constexpr std::size_t kSlots = 64;
        constexpr std::size_t kTable = 12;
        if (ref.index >= kSlots) corrupt(path, "niedozwolony numer obiektu w bloku" + col);
        std::byte entry[5];
        file_.readExact(ref.offset + kTable + 5u * ref.index, entry);
        const std::size_t start = std::size_t(std::uint8_t(entry[0])) * 16;
        const std::size_t units = std::uint8_t(entry[1]);
        const std::size_t tail = std::uint8_t(entry[4]);
        if (start == 0 || units == 0 || tail == 0 || tail > 16)
            corrupt(path, "odwołanie do usuniętego obiektu" + col);
        const std::size_t length = (units - 1) * 16 + tail;
        if (length != ref.length) corrupt(path, "długość obiektu nie zgadza się z rekordem" + col);
        if (start < kTable + kSlots * 5 || start + length > kMbChunk)
            corrupt(path, "obiekt wykracza poza swój blok" + col);
        std::string data(length - skip, '\0');
        file_.readExact(ref.offset + start + skip,
                        std::span(reinterpret_cast<std::byte*>(data.data()), data.size()));
        return data;
    }
    corrupt(path, "odwołanie do bloku, który nie zawiera obiektu" + col);
}

// ---- genuine companion index files ----

std::optional<ForeignIndexInfo> parseForeignIndex(std::span<const std::byte> fileBytes,
                                                  const std::string& fileName,
                                                  const Header& table) {
    const auto dot = fileName.find_last_of('.');
    if (dot == std::string::npos) return std::nullopt;
    const std::string ext = fileName.substr(dot + 1);

    ParsedHeader ph;
    try {
        if (fileBytes.size() < 4) return std::nullopt;
        const std::uint16_t hs = peekHeaderSize(fileBytes);
        if (hs > fileBytes.size()) return std::nullopt;
        ph = parseAny(fileBytes.first(hs), fileName);
    } catch (const EngineError&) {
        return std::nullopt;
    }
    const Header& ix = ph.h;
    const auto& tf = table.fields;
    ForeignIndexInfo info;

    if (extensionIs(ext, "PX")) {
        if (ix.fileType != kFileTypePrimaryIndex || table.keyFieldCount == 0 ||
            ix.fields.size() != table.keyFieldCount)
            return std::nullopt;
        for (std::size_t i = 0; i < ix.fields.size(); ++i) {
            if (!sameField(ix.fields[i], tf[i])) return std::nullopt;
            info.columns.push_back(int(i));
        }
        info.primary = true;
        info.caseInsensitive = false;
        return info;
    }
    if (ext.size() != 3) return std::nullopt;
    const char kind = char(std::toupper(static_cast<unsigned char>(ext[0])));
    if (kind != 'X' && kind != 'Y') return std::nullopt;
    const bool group = ext[1] == 'G' || ext[1] == 'g';

    if (!group) {
        // .Xnn/.Ynn: a case-sensitive index on field number nn (hexadecimal, from 1).
        const int hi = hexValue(ext[1]);
        const int lo = hexValue(ext[2]);
        if (hi < 0 || lo < 0) return std::nullopt;
        const int number = hi * 16 + lo;
        if (number < 1 || std::size_t(number) > tf.size()) return std::nullopt;
        const bool typeOk = kind == 'X' ? (ix.fileType == 3 || ix.fileType == 5) : ix.fileType == 4;
        if (!typeOk || ix.fields.empty() || !sameField(ix.fields[0], tf[std::size_t(number - 1)]))
            return std::nullopt;
        if (kind == 'X' && ph.indexFieldNumber != 0 && ph.indexFieldNumber != number)
            return std::nullopt;
        info.name = tf[std::size_t(number - 1)].name;
        info.columns.push_back(number - 1);
        info.caseInsensitive = false;
        return info;
    }

    if (hexValue(ext[2]) < 0) return std::nullopt;
    if (kind == 'Y') {
        if (ix.fileType != 7) return std::nullopt;
        return info;  // the tree file names no columns; its .XGn partner does
    }
    if (ix.fileType != 6 && ix.fileType != 8) return std::nullopt;
    // Record: the indexed fields, the table's key fields, then the block hint.
    const std::size_t total = ix.fields.size();
    if (total < 2 || ph.fieldNumbers.size() != total) return std::nullopt;
    std::size_t indexed = total - 1;
    if (indexed > table.keyFieldCount) indexed -= table.keyFieldCount;
    for (std::size_t i = 0; i < indexed; ++i) {
        const int number = ph.fieldNumbers[i];
        if (number < 1 || std::size_t(number) > tf.size()) return std::nullopt;
        if (!sameField(ix.fields[i], tf[std::size_t(number - 1)])) return std::nullopt;
        info.columns.push_back(number - 1);
    }
    info.name = ph.indexName;
    // A single-field index goes to a .XGn file only when it ignores case.
    if (indexed == 1) info.caseInsensitive = true;
    return info;
}

}  // namespace lumiro::engine::px
