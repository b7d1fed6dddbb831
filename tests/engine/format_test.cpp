#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <random>

#include "engine/cp1250.h"
#include "engine/datetime.h"
#include "engine/env.h"
#include "engine/error.h"
#include "engine/paradox_format.h"
#include "support/paradox_table_file.h"

namespace lumiro::engine::px {
namespace {

FieldDef field(const char* name, FieldType type, int size = 0) {
    return FieldDef{name, type, size, false};
}

std::vector<std::byte> encoded(const FieldDef& f, const Value& v) {
    std::vector<std::byte> out(std::size_t(storedSize(f)), std::byte{0xEE});
    encodeField(f, v, out.data());
    return out;
}

Value roundTrip(const FieldDef& f, const Value& v) {
    return decodeField(f, encoded(f, v).data(), nullptr);
}

std::vector<int> bytesOf(const std::vector<std::byte>& b) {
    std::vector<int> out;
    for (auto x : b) out.push_back(int(x));
    return out;
}

ErrorCode codeOf(const std::function<void()>& fn) {
    try {
        fn();
    } catch (const EngineError& e) {
        return e.code();
    }
    ADD_FAILURE() << "no EngineError";
    return ErrorCode::Io;
}

TEST(FieldCodec, ValuesRoundTripForEveryType) {
    const std::string polish = utf8ToCp1250("Żółć Łódź");
    struct Case {
        FieldDef f;
        std::vector<Value> values;
    };
    const std::vector<Case> cases = {
        {field("A", FieldType::Alpha, 20), {std::string("Kowalski"), polish, std::string(20, 'x')}},
        {field("S", FieldType::Short),
         {std::int64_t(0), std::int64_t(1), std::int64_t(-1), std::int64_t(32767),
          std::int64_t(-32767)}},
        {field("I", FieldType::Long),
         {std::int64_t(0), std::int64_t(-2147483647), std::int64_t(2147483647), std::int64_t(-5)}},
        {field("+", FieldType::AutoInc), {std::int64_t(1), std::int64_t(100000)}},
        {field("D", FieldType::Date), {daysFromCivil({2024, 2, 29}), std::int64_t(1)}},
        {field("T", FieldType::Time), {std::int64_t(0), std::int64_t(kMillisPerDay - 1)}},
        {field("$", FieldType::Money), {0.0, 1234.56, -0.01, -1e15}},
        {field("N", FieldType::Number), {3.14159, -2.5, 1e-300, -1e300}},
        {field("@", FieldType::Timestamp),
         {double(daysFromCivil({2001, 9, 11})) * kMillisPerDay + 123}},
        {field("L", FieldType::Logical), {true, false}},
        {field("#", FieldType::Bcd, 2),
         {std::string("12.34"), std::string("-0.05"), std::string("0.00"),
          std::string("-123456789012345678901234567890.99")}},
        {field("#0", FieldType::Bcd, 0),
         {std::string("7"), std::string("-99999999999999999999999999999999")}},
        {field("Y", FieldType::Bytes, 4), {std::string("\x01\x00\xFF\x7F", 4)}},
        {field("M", FieldType::Memo, 30), {polish, std::string("krótka notatka")}},
        {field("B", FieldType::Blob, 8), {std::string("\x00\x01\x02", 3)}},
    };
    for (const auto& c : cases) {
        for (const auto& v : c.values) EXPECT_EQ(roundTrip(c.f, v), v) << c.f.name;
        EXPECT_TRUE(isNull(roundTrip(c.f, Value{}))) << c.f.name;
        const auto nullBytes = encoded(c.f, Value{});
        EXPECT_TRUE(fieldIsNull(c.f, nullBytes.data())) << c.f.name;
        EXPECT_TRUE(std::all_of(nullBytes.begin(), nullBytes.end(), [](std::byte b) {
            return b == std::byte{0};
        })) << c.f.name;
    }
}

TEST(FieldCodec, StoredBytesFollowParadoxConventions) {
    EXPECT_EQ(bytesOf(encoded(field("S", FieldType::Short), std::int64_t(1))),
              (std::vector<int>{0x80, 0x01}));
    EXPECT_EQ(bytesOf(encoded(field("S", FieldType::Short), std::int64_t(-2))),
              (std::vector<int>{0x7F, 0xFE}));
    EXPECT_EQ(bytesOf(encoded(field("I", FieldType::Long), std::int64_t(256))),
              (std::vector<int>{0x80, 0x00, 0x01, 0x00}));
    EXPECT_EQ(bytesOf(encoded(field("N", FieldType::Number), 1.0)),
              (std::vector<int>{0xBF, 0xF0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(bytesOf(encoded(field("N", FieldType::Number), -1.0)),
              (std::vector<int>{0x40, 0x0F, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(bytesOf(encoded(field("L", FieldType::Logical), true)), (std::vector<int>{0x81}));
    EXPECT_EQ(bytesOf(encoded(field("L", FieldType::Logical), false)), (std::vector<int>{0x80}));
    EXPECT_EQ(bytesOf(encoded(field("A", FieldType::Alpha, 4), std::string("ab"))),
              (std::vector<int>{'a', 'b', 0, 0}));

    const auto bcd = encoded(field("#", FieldType::Bcd, 2), std::string("12.34"));
    EXPECT_EQ(int(bcd[0]), 0xC2);
    EXPECT_EQ(int(bcd[15]), 0x12);
    EXPECT_EQ(int(bcd[16]), 0x34);
    EXPECT_EQ(int(bcd[1]), 0);
    const auto neg = encoded(field("#", FieldType::Bcd, 2), std::string("-12.34"));
    EXPECT_EQ(int(neg[0]), 0x42);
    EXPECT_EQ(int(neg[15]), 0xED);
    EXPECT_EQ(int(neg[16]), 0xCB);
    EXPECT_EQ(int(neg[1]), 0xFF);

    // A blob held in its leader: offset 0, length after it, little-endian.
    const auto memo = encoded(field("M", FieldType::Memo, 5), std::string("abc"));
    EXPECT_EQ(bytesOf(memo), (std::vector<int>{'a', 'b', 'c', 0, 0, 0, 0, 0, 0, 3, 0, 0, 0, 0, 0}));
}

TEST(FieldCodec, BcdAcceptsNumbersAndScalesText) {
    const FieldDef f = field("Kwota", FieldType::Bcd, 2);
    EXPECT_EQ(roundTrip(f, std::int64_t(-42)), Value(std::string("-42.00")));
    EXPECT_EQ(roundTrip(f, 0.125), Value(std::string("0.13")));  // rounds half away from zero
    EXPECT_EQ(roundTrip(f, std::string("1,5")), Value(std::string("1.50")));
    EXPECT_EQ(roundTrip(f, std::string("-0.001")), Value(std::string("0.00")));
    EXPECT_EQ(roundTrip(f, std::string("99.999")), Value(std::string("100.00")));
    EXPECT_EQ(codeOf([&] { encoded(f, std::string("12a")); }), ErrorCode::Conversion);
    EXPECT_EQ(codeOf([&] { encoded(f, std::string(31, '9')); }), ErrorCode::Conversion);
    // A value stored with another scale is read at the column's scale.
    auto bytes = encoded(field("#", FieldType::Bcd, 4), std::string("-1.2345"));
    EXPECT_EQ(decodeField(f, bytes.data(), nullptr), Value(std::string("-1.23")));
}

TEST(FieldCodec, ValuesThatDoNotFitAreRejectedNamingTheColumn) {
    const FieldDef name = field("Nazwisko", FieldType::Alpha, 5);
    try {
        encoded(name, std::string("Kowalski"));
        FAIL();
    } catch (const EngineError& e) {
        EXPECT_EQ(e.code(), ErrorCode::Conversion);
        EXPECT_NE(std::string(e.what()).find("Nazwisko"), std::string::npos);
    }
    EXPECT_EQ(codeOf([] { encoded(field("S", FieldType::Short), std::int64_t(32768)); }),
              ErrorCode::Conversion);
    EXPECT_EQ(codeOf([] { encoded(field("S", FieldType::Short), std::int64_t(-32768)); }),
              ErrorCode::Conversion);
    EXPECT_EQ(codeOf([] { encoded(field("I", FieldType::Long), std::int64_t(1) << 31); }),
              ErrorCode::Conversion);
    EXPECT_EQ(codeOf([] { encoded(field("T", FieldType::Time), std::int64_t(kMillisPerDay)); }),
              ErrorCode::Conversion);
    EXPECT_EQ(codeOf([] { encoded(field("D", FieldType::Date), std::int64_t(0)); }),
              ErrorCode::Conversion);
    EXPECT_EQ(codeOf([] { encoded(field("I", FieldType::Long), std::string("5")); }),
              ErrorCode::Conversion);
    EXPECT_EQ(codeOf([] { encoded(field("L", FieldType::Logical), std::int64_t(1)); }),
              ErrorCode::Conversion);
    EXPECT_EQ(codeOf([] { encoded(field("N", FieldType::Number), std::nan("")); }),
              ErrorCode::Conversion);
    EXPECT_EQ(codeOf([] { encoded(field("Y", FieldType::Bytes, 2), std::string("abc")); }),
              ErrorCode::Conversion);
    EXPECT_EQ(codeOf([] { encoded(field("M", FieldType::Memo, 4), std::string("too long")); }),
              ErrorCode::Unsupported);
}

TEST(DateCodec, ParadoxDayNumbers) {
    EXPECT_EQ(daysFromCivil({1, 1, 1}), 1);
    EXPECT_EQ(daysFromCivil({1996, 5, 4}), 728'783);  // a documented Paradox value
    EXPECT_EQ(daysFromCivil({100, 1, 1}), 36'160);
    for (std::int64_t d = 1; d <= daysFromCivil({9999, 12, 31}); d += 997) {
        const CivilDate c = civilFromDays(d);
        ASSERT_TRUE(isValidDate(c)) << d;
        ASSERT_EQ(daysFromCivil(c), d);
    }
    EXPECT_FALSE(isValidDate({2023, 2, 29}));
    EXPECT_TRUE(isValidDate({2000, 2, 29}));
    EXPECT_FALSE(isValidDate({1900, 2, 29}));
    EXPECT_FALSE(isValidDate({2024, 13, 1}));
    EXPECT_FALSE(isValidDate({0, 1, 1}));
}

std::vector<std::byte> keyOf(const FieldDef& f, const Value& v, bool ci = false) {
    const auto stored = encoded(f, v);
    std::vector<std::byte> key(keyWidth(f));
    encodeKey(f, stored.data(), ci, key.data());
    return key;
}

template <typename T>
void expectKeysFollowOrder(const FieldDef& f, const std::vector<T>& ascending, bool ci = false) {
    for (std::size_t i = 1; i < ascending.size(); ++i) {
        const auto a = keyOf(f, Value(ascending[i - 1]), ci);
        const auto b = keyOf(f, Value(ascending[i]), ci);
        EXPECT_LT(std::memcmp(a.data(), b.data(), a.size()), 0) << f.name << " at " << i;
    }
    // Null sorts first.
    const auto n = keyOf(f, Value{}, ci);
    const auto first = keyOf(f, Value(ascending.front()), ci);
    EXPECT_LT(std::memcmp(n.data(), first.data(), n.size()), 0) << f.name;
}

TEST(Keys, ByteOrderMatchesValueOrder) {
    expectKeysFollowOrder(field("S", FieldType::Short),
                          std::vector<std::int64_t>{-32767, -256, -1, 0, 1, 255, 256, 32767});
    expectKeysFollowOrder(field("I", FieldType::Long),
                          std::vector<std::int64_t>{-2147483647, -65536, -1, 0, 7, 2147483647});
    expectKeysFollowOrder(field("D", FieldType::Date),
                          std::vector<std::int64_t>{1, 700000, 739000});
    expectKeysFollowOrder(field("N", FieldType::Number),
                          std::vector<double>{-1e300, -2.5, -1e-300, 0.0, 1e-300, 0.5, 2.0, 1e300});
    expectKeysFollowOrder(field("#", FieldType::Bcd, 2),
                          std::vector<std::string>{"-1000.00", "-999.99", "-0.01", "0.00", "0.01",
                                                   "9.99", "10.00", "123456.78"});
    expectKeysFollowOrder(field("L", FieldType::Logical), std::vector<bool>{false, true});

    std::vector<std::string> names;
    for (const char* s : {"Adamczyk", "Ądrzej", "Cyna", "Ćma", "Dom", "Lucyna", "Łukasz", "Nowak",
                          "Ńa", "Oko", "Ósemka", "Sowa", "Śliwa", "zebra", "źle", "żaba"})
        names.push_back(utf8ToCp1250(s));
    expectKeysFollowOrder(field("A", FieldType::Alpha, 20), names, true);
}

TEST(Keys, CaseInsensitiveKeysMeetAndPrefixesMatch) {
    const FieldDef f = field("Nazwisko", FieldType::Alpha, 20);
    EXPECT_EQ(keyOf(f, utf8ToCp1250("KOWALSKA"), true), keyOf(f, utf8ToCp1250("kowalska"), true));
    EXPECT_NE(keyOf(f, utf8ToCp1250("KOWALSKA"), false), keyOf(f, utf8ToCp1250("kowalska"), false));
    const auto full = keyOf(f, utf8ToCp1250("Kowalski"), true);
    const auto part = keyOf(f, utf8ToCp1250("kow"), true);
    EXPECT_EQ(std::memcmp(full.data(), part.data(), 3), 0);
    // Case-sensitive: upper-case just before lower-case of the same letter.
    const auto upper = keyOf(f, std::string("Ab"), false);
    const auto lower = keyOf(f, std::string("ab"), false);
    EXPECT_LT(std::memcmp(upper.data(), lower.data(), upper.size()), 0);
    EXPECT_EQ(codeOf([] { keyWidth(field("M", FieldType::Memo, 10)); }),
              ErrorCode::InvalidArgument);
}

std::vector<FieldDef> sampleFields() {
    return {field("Id", FieldType::AutoInc),     field("Nazwisko", FieldType::Alpha, 30),
            field("Imię", FieldType::Alpha, 20), field("Urodzony", FieldType::Date),
            field("Płaca", FieldType::Money),    field("Uwagi", FieldType::Memo, 20),
            field("Stawka", FieldType::Bcd, 4),  field("Aktywny", FieldType::Logical)};
}

TEST(Header, SerializedHeaderParsesBack) {
    auto fields = sampleFields();
    for (auto& f : fields) f.name = utf8ToCp1250(f.name);
    Header h = makeHeader(fields, 1, "PRACOWN.DB");
    EXPECT_EQ(h.fileType, kFileTypeKeyedDb);
    EXPECT_EQ(h.headerSize % 2048, 0);
    h.recordCount = 0;
    h.generation = 0xDEADBEEF;
    h.autoIncrement = 77;
    const auto bytes = serializeHeader(h);
    ASSERT_EQ(bytes.size(), h.headerSize);
    EXPECT_EQ(peekHeaderSize(bytes), h.headerSize);
    const Header p = parseHeader(bytes, "PRACOWN.DB");
    EXPECT_EQ(p.recordSize, h.recordSize);
    EXPECT_EQ(p.blockSizeKb, h.blockSizeKb);
    EXPECT_EQ(p.keyFieldCount, 1);
    EXPECT_EQ(p.fileVersion, kVersion7);
    EXPECT_EQ(p.codePage, 1250);
    EXPECT_EQ(p.generation, 0xDEADBEEFu);
    EXPECT_EQ(p.autoIncrement, 77);
    EXPECT_EQ(p.tableName, "PRACOWN.DB");
    EXPECT_FALSE(p.encrypted);
    ASSERT_EQ(p.fields.size(), fields.size());
    for (std::size_t i = 0; i < fields.size(); ++i) {
        EXPECT_EQ(p.fields[i].name, fields[i].name);
        EXPECT_EQ(p.fields[i].type, fields[i].type);
        EXPECT_EQ(p.fields[i].size, fields[i].size);
        EXPECT_EQ(p.fieldOffsets[i], h.fieldOffsets[i]);
    }
    EXPECT_EQ(int(bytes[0x29]), kSortOrderPolish);

    // Counters are rewritten in place without touching anything else.
    auto copy = bytes;
    Header c = p;
    c.recordCount = 5;
    c.fileBlocks = c.usedBlocks = c.firstBlock = c.lastBlock = 1;
    c.generation = 2;
    writeCounters(c, copy);
    const Header q = parseHeader(copy, "x");
    EXPECT_EQ(q.recordCount, 5u);
    EXPECT_EQ(q.fileBlocks, 1);
    EXPECT_EQ(q.generation, 2u);
    EXPECT_TRUE(std::equal(copy.begin() + 0x78, copy.end(), bytes.begin() + 0x78));
}

TEST(Header, DefinitionsThatCannotBeStoredAreRejected) {
    EXPECT_EQ(codeOf([] { makeHeader({}, 0, "T"); }), ErrorCode::InvalidArgument);
    EXPECT_EQ(codeOf([] { makeHeader({field("A", FieldType::Alpha, 0)}, 0, "T"); }),
              ErrorCode::InvalidArgument);
    EXPECT_EQ(codeOf([] { makeHeader({field("A", FieldType::Alpha, 256)}, 0, "T"); }),
              ErrorCode::InvalidArgument);
    EXPECT_EQ(codeOf([] { makeHeader({field("", FieldType::Long)}, 0, "T"); }),
              ErrorCode::InvalidArgument);
    EXPECT_EQ(codeOf([] {
                  makeHeader({field("Nazwa_kolumny_dluzsza_niz_25", FieldType::Long)}, 0, "T");
              }),
              ErrorCode::InvalidArgument);
    EXPECT_EQ(codeOf([] {
                  makeHeader({field("X", FieldType::Long), field("x", FieldType::Long)}, 0, "T");
              }),
              ErrorCode::InvalidArgument);
    EXPECT_EQ(codeOf([] { makeHeader({field("#", FieldType::Bcd, 33)}, 0, "T"); }),
              ErrorCode::InvalidArgument);
    EXPECT_EQ(codeOf([] { makeHeader({field("M", FieldType::Memo, 241)}, 0, "T"); }),
              ErrorCode::InvalidArgument);
    EXPECT_EQ(codeOf([] { makeHeader({field("M", FieldType::Memo, 10)}, 1, "T"); }),
              ErrorCode::InvalidArgument);
    EXPECT_EQ(codeOf([] { makeHeader({field("S", FieldType::Short, 2)}, 0, "T"); }),
              ErrorCode::InvalidArgument);
    std::vector<FieldDef> huge;
    for (int i = 0; i < 140; ++i)
        huge.push_back(field(("F" + std::to_string(i)).c_str(), FieldType::Alpha, 255));
    EXPECT_EQ(codeOf([&] { makeHeader(huge, 0, "T"); }), ErrorCode::InvalidArgument);
}

TEST(Header, BlockSizeFitsTheRecordAndWastesLittle) {
    // The widest layout of the program: 96 columns, about 5,360 bytes a record.
    std::vector<FieldDef> wide;
    for (int i = 0; i < 96; ++i) {
        const std::string name = "KOLUMNA_" + std::to_string(i);
        wide.push_back(i % 2 ? field(name.c_str(), FieldType::Alpha, 100)
                             : field(name.c_str(), FieldType::Alpha, 11));
    }
    Header h = makeHeader(wide, 1, "WIDE.DB");
    EXPECT_EQ(h.recordSize, 48 * 100 + 48 * 11);
    EXPECT_EQ(h.blockSizeKb, 16);
    EXPECT_GE(h.recordsPerBlock(), 1);
    EXPECT_GT(h.headerSize, 2048);  // the field names need more than one header granule
    EXPECT_NO_THROW(parseHeader(serializeHeader(h), "WIDE.DB"));

    EXPECT_EQ(makeHeader({field("A", FieldType::Alpha, 100)}, 0, "T").blockSizeKb, 2);
    // 3,000 bytes: 4 KB wastes 1,090 bytes, 8 KB only 2,186 of 8,192 (still over 10 %),
    // 16 KB 1,378 of 16,384 (8 %).
    std::vector<FieldDef> mid;
    for (int i = 0; i < 12; ++i)
        mid.push_back(field(("M" + std::to_string(i)).c_str(), FieldType::Alpha, 250));
    EXPECT_EQ(makeHeader(mid, 0, "T").blockSizeKb, 16);
}

std::vector<std::byte> sampleTable(int rows) {
    auto fields = sampleFields();
    std::vector<test::Row> data;
    for (int i = 0; i < rows; ++i)
        data.push_back({std::int64_t(i + 1), utf8ToCp1250("Nowak " + std::to_string(i)),
                        utf8ToCp1250("Łucja"), daysFromCivil({1980, 1, 1 + i % 28}), 1000.5 * i,
                        std::string("notatka"), std::string("1.2345"), i % 2 == 0});
    return test::buildParadoxTable(fields, 1, data, "PRACOWN.DB", 3);
}

TEST(Blocks, RecordsSpreadOverChainedBlocksReadBack) {
    const auto file = sampleTable(100);
    Header h;
    const auto rows = test::readParadoxTable(file, &h);
    ASSERT_EQ(rows.size(), 100u);
    EXPECT_GT(h.fileBlocks, 1);
    EXPECT_EQ(rows[57][0], Value(std::int64_t(58)));
    EXPECT_EQ(rows[57][1], Value(utf8ToCp1250("Nowak 57")));
    EXPECT_EQ(rows[57][6], Value(std::string("1.2345")));
    EXPECT_EQ(h.autoIncrement, 100);
}

TEST(Blocks, BlockHeaderCountsAreValidated) {
    Header h = makeHeader({field("A", FieldType::Alpha, 100)}, 0, "T");
    std::byte block[6];
    for (int count : {0, 1, h.recordsPerBlock()}) {
        writeBlockHeader(block, BlockHeader{3, 1, count}, h);
        const BlockHeader bh = readBlockHeader(block, h, "T.DB");
        EXPECT_EQ(bh.recordCount, count);
        EXPECT_EQ(bh.next, 3);
        EXPECT_EQ(bh.prev, 1);
    }
    EXPECT_EQ(codeOf([&] {
                  writeBlockHeader(block, BlockHeader{0, 0, h.recordsPerBlock() + 1}, h);
              }),
              ErrorCode::InvalidArgument);
    auto setAdd = [&](int add) {
        block[4] = std::byte(add & 0xFF);
        block[5] = std::byte((add >> 8) & 0xFF);
    };
    setAdd(50);  // not a multiple of the record size
    EXPECT_EQ(codeOf([&] { readBlockHeader(block, h, "T.DB"); }), ErrorCode::Corrupt);
    setAdd(100 * h.recordsPerBlock());  // one record too many
    EXPECT_EQ(codeOf([&] { readBlockHeader(block, h, "T.DB"); }), ErrorCode::Corrupt);
    setAdd(-500);
    EXPECT_EQ(codeOf([&] { readBlockHeader(block, h, "T.DB"); }), ErrorCode::Corrupt);
}

std::vector<std::byte> sampleHeader() {
    auto fields = sampleFields();
    Header h = makeHeader(fields, 1, "PRACOWN.DB");
    return serializeHeader(h);
}

void setLe16(std::vector<std::byte>& b, std::size_t at, int v) {
    b[at] = std::byte(v & 0xFF);
    b[at + 1] = std::byte((v >> 8) & 0xFF);
}

TEST(CorruptHeader, DamagedFieldsAreReportedAsCorrupt) {
    const auto good = sampleHeader();
    auto expectCorrupt = [](std::vector<std::byte> b, const char* what) {
        try {
            parseHeader(b, "/dane/PRACOWN.DB");
            ADD_FAILURE() << what;
        } catch (const EngineError& e) {
            EXPECT_EQ(e.code(), ErrorCode::Corrupt) << what;
            EXPECT_NE(std::string(e.what()).find("/dane/PRACOWN.DB jest uszkodzony"),
                      std::string::npos)
                << what;
        }
    };
    auto b = good;
    b[0x05] = std::byte{5};
    expectCorrupt(b, "block size");
    b = good;
    setLe16(b, 0x00, 10);
    expectCorrupt(b, "record size");
    b = good;
    setLe16(b, 0x21, 0);
    expectCorrupt(b, "no fields");
    b = good;
    setLe16(b, 0x21, 300);
    expectCorrupt(b, "too many fields");
    b = good;
    setLe16(b, 0x23, 9);
    expectCorrupt(b, "key fields");
    b = good;
    setLe16(b, 0x02, 0x4000);
    expectCorrupt(b, "header size");
    b = good;
    b[0x78] = std::byte{0x07};
    expectCorrupt(b, "field type");
    b = good;
    b[0x39] = std::byte{0x0D};
    expectCorrupt(b, "version");
    b = good;
    b[0x04] = std::byte{9};
    expectCorrupt(b, "file type");
    b = good;
    b[0x06] = std::byte{1};  // a record but no blocks
    expectCorrupt(b, "record count");
    b = good;
    setLe16(b, 0x0E, 4);  // first block beyond the file's blocks
    expectCorrupt(b, "first block");
    b = good;
    std::fill(b.begin() + 0x78 + 16 + 4 + 32 + 261, b.end(), std::byte{'x'});  // names unterminated
    expectCorrupt(b, "field names");
}

// A table header as Paradox 3.x (no 0x58..0x77 part) or 4.x/5.x (79-byte table name) wrote it.
std::vector<std::byte> olderHeader(std::uint8_t version, std::uint32_t encryption = 0) {
    const bool extended = version >= 5;
    const std::vector<std::pair<std::string, std::pair<int, int>>> fields = {
        {"NAZWISKO", {0x01, 25}}, {"PENSJA", {0x05, 8}}, {"DATA", {0x02, 4}}};
    std::vector<std::byte> b(2048);
    setLe16(b, 0x00, 37);
    setLe16(b, 0x02, 2048);
    b[0x04] = std::byte{2};
    b[0x05] = std::byte{1};
    setLe16(b, 0x21, 3);
    b[0x39] = std::byte(version);
    const std::uint32_t enc1 = extended ? 0xFF00FF00 : encryption;
    for (int i = 0; i < 4; ++i) b[0x25 + std::size_t(i)] = std::byte((enc1 >> (8 * i)) & 0xFF);
    if (extended) {
        for (int i = 0; i < 4; ++i)
            b[0x5C + std::size_t(i)] = std::byte((encryption >> (8 * i)) & 0xFF);
        setLe16(b, 0x6A, 852);
    }
    std::size_t pos = extended ? 0x78 : 0x58;
    for (const auto& f : fields) {
        b[pos++] = std::byte(f.second.first);
        b[pos++] = std::byte(f.second.second);
    }
    pos += 4 + 4 * fields.size();
    std::memcpy(b.data() + pos, "STARA.DB", 8);
    pos += 79;
    for (const auto& f : fields) {
        std::memcpy(b.data() + pos, f.first.data(), f.first.size());
        pos += f.first.size() + 1;
    }
    return b;
}

TEST(Header, OlderVersionsParse) {
    for (std::uint8_t version : {3, 4, 9, 11}) {
        const Header h = parseHeader(olderHeader(version), "STARA.DB");
        EXPECT_EQ(h.fileVersion, version);
        EXPECT_EQ(h.tableName, "STARA.DB");
        ASSERT_EQ(h.fields.size(), 3u);
        EXPECT_EQ(h.fields[0].name, "NAZWISKO");
        EXPECT_EQ(h.fields[0].size, 25);
        EXPECT_EQ(h.fields[2].type, FieldType::Date);
        EXPECT_EQ(h.fieldOffsets[2], 33u);
        EXPECT_EQ(h.codePage, version >= 5 ? 852 : 0);
        EXPECT_EQ(h.blockSize(), 1024u);
        EXPECT_EQ(codeOf([&] { parseHeader(olderHeader(version, 0x1234), "STARA.DB"); }),
                  ErrorCode::Unsupported);
    }
}

TEST(CorruptHeader, EncryptedTablesAreRefused) {
    auto b = sampleHeader();
    b[0x5C] = std::byte{0x12};
    EXPECT_EQ(codeOf([&] { parseHeader(b, "T.DB"); }), ErrorCode::Unsupported);
}

TEST(CorruptHeader, TruncationsAndRandomFlipsNeverCrash) {
    const auto file = sampleTable(40);
    const std::size_t hs = peekHeaderSize(file);
    for (std::size_t len = 0; len < hs; len += (len < 0x100 ? 1 : 37)) {
        std::vector<std::byte> cut(file.begin(), file.begin() + std::ptrdiff_t(len));
        EXPECT_EQ(codeOf([&] { parseHeader(cut, "T.DB"); }), ErrorCode::Corrupt) << len;
    }
    std::mt19937 rng(1234);
    for (int round = 0; round < 3000; ++round) {
        auto b = file;
        const int flips = 1 + int(rng() % 4);
        for (int i = 0; i < flips; ++i) {
            const std::size_t at = round % 2 ? rng() % 0x100 : rng() % b.size();
            b[at] ^= std::byte(1u << (rng() % 8));
        }
        try {
            test::readParadoxTable(b);
        } catch (const EngineError& e) {
            EXPECT_TRUE(e.code() == ErrorCode::Corrupt || e.code() == ErrorCode::Unsupported)
                << e.what();
        }
    }
}

// An in-memory .MB file.
class MemFile : public File {
  public:
    explicit MemFile(std::vector<std::byte> data) : data_(std::move(data)) {}
    std::size_t read(std::uint64_t offset, std::span<std::byte> out) override {
        if (offset >= data_.size()) return 0;
        const std::size_t n = std::min<std::size_t>(out.size(), data_.size() - offset);
        std::memcpy(out.data(), data_.data() + offset, n);
        return n;
    }
    void write(std::uint64_t, std::span<const std::byte>) override {}
    void sync() override {}
    std::uint64_t size() override { return data_.size(); }
    void truncate(std::uint64_t) override {}
    void reserve(std::uint64_t) override {}
    bool tryLock(std::uint64_t, std::uint64_t, LockKind) override { return true; }
    void unlock(std::uint64_t, std::uint64_t) override {}
    const std::string& path() const override { return path_; }

  private:
    std::vector<std::byte> data_;
    std::string path_ = "PRACOWN.MB";
};

// Field bytes: leader, then offset|index, length, modification number.
std::vector<std::byte> blobField(const FieldDef& f, std::uint32_t offsetAndIndex,
                                 std::uint32_t length, const std::string& leader) {
    std::vector<std::byte> b(std::size_t(storedSize(f)));
    std::memcpy(b.data(), leader.data(), std::min(leader.size(), std::size_t(f.size)));
    for (int i = 0; i < 4; ++i) {
        b[std::size_t(f.size + i)] = std::byte((offsetAndIndex >> (8 * i)) & 0xFF);
        b[std::size_t(f.size + 4 + i)] = std::byte((length >> (8 * i)) & 0xFF);
    }
    b[std::size_t(f.size + 8)] = std::byte{1};
    return b;
}

TEST(BlobFile, ReadsSingleAndSubAllocatedBlobs) {
    const FieldDef memo = field("Uwagi", FieldType::Memo, 4);
    const std::string big(5000, 'q');
    const std::string small = utf8ToCp1250("Mała notatka o pracowniku");
    std::vector<std::byte> mb(4096 * 4);
    mb[0] = std::byte{0};  // header block
    mb[1] = std::byte{1};
    // Block at 4096: one blob over two 4 KB units.
    mb[4096] = std::byte{2};
    mb[4097] = std::byte{2};
    for (int i = 0; i < 4; ++i)
        mb[4099 + std::size_t(i)] = std::byte((big.size() >> (8 * i)) & 0xFF);
    std::memcpy(mb.data() + 4096 + 9, big.data(), big.size());
    // Block at 12288: sub-allocated, slot 0x3F holds `small` at offset 0x150.
    const std::size_t sub = 12288;
    mb[sub] = std::byte{3};
    mb[sub + 1] = std::byte{1};
    const std::size_t slot = sub + 12 + 5 * 0x3F;
    mb[slot] = std::byte{0x15};
    mb[slot + 1] = std::byte((small.size() + 15) / 16);
    mb[slot + 4] = std::byte(small.size() % 16 ? small.size() % 16 : 16);
    std::memcpy(mb.data() + sub + 0x150, small.data(), small.size());

    MemFile file(mb);
    BlobFile blobs(file);
    EXPECT_EQ(blobs.read(memo, blobField(memo, 4096 | 0xFF, std::uint32_t(big.size()), big).data()),
              big);
    EXPECT_EQ(
        blobs.read(memo, blobField(memo, sub | 0x3F, std::uint32_t(small.size()), small).data()),
        small);
    EXPECT_EQ(decodeField(memo, blobField(memo, 4096 | 0xFF, std::uint32_t(big.size()), big).data(),
                          &blobs),
              Value(big));
    // Without the .MB file only the leader is available.
    EXPECT_EQ(decodeField(memo, blobField(memo, 4096 | 0xFF, std::uint32_t(big.size()), big).data(),
                          nullptr),
              Value(std::string("qqqq")));
    // Small memos live in the leader alone.
    EXPECT_EQ(blobs.read(memo, blobField(memo, 0, 3, "abc").data()), "abc");

    auto bad = [&](std::uint32_t ref, std::uint32_t length) {
        return codeOf([&] { blobs.read(memo, blobField(memo, ref, length, "").data()); });
    };
    EXPECT_EQ(bad(4096 | 0xFF, 4999), ErrorCode::Corrupt);        // length disagrees
    EXPECT_EQ(bad(4096 | 0x01, 5000), ErrorCode::Corrupt);        // index on a single-blob block
    EXPECT_EQ(bad(0 | 0xFF, 5000), ErrorCode::Corrupt);           // header block
    EXPECT_EQ(bad(8192 | 0xFF, 5000), ErrorCode::Corrupt);        // empty block
    EXPECT_EQ(bad(65536 | 0xFF, 5000), ErrorCode::Corrupt);       // beyond the file
    EXPECT_EQ(bad(sub | 0x3E, 20), ErrorCode::Corrupt);           // unused slot
    EXPECT_EQ(bad(sub | 0x40, 20), ErrorCode::Corrupt);           // slot out of range
    EXPECT_EQ(bad(4096 | 0xFF, 0x7FFFFFFF), ErrorCode::Corrupt);  // would need a huge buffer
}

TEST(ForeignIndex, RecognisesGenuineSecondaryIndexFiles) {
    const Header table = makeHeader(sampleFields(), 1, "PRACOWN.DB");
    const auto xg = test::genuineSecondaryIndex(
        {field("Nazwisko", FieldType::Alpha, 30), field("Imię", FieldType::Alpha, 20),
         field("Id", FieldType::AutoInc), field("Hint", FieldType::Short)},
        {2, 3, 1, 0}, "PoNazwisku");
    const auto info = parseForeignIndex(xg, "PRACOWN.XG0", table);
    ASSERT_TRUE(info);
    EXPECT_FALSE(info->primary);
    EXPECT_EQ(info->name, "PoNazwisku");
    EXPECT_EQ(info->columns, (std::vector<int>{1, 2}));
    EXPECT_FALSE(info->caseInsensitive.has_value());

    // An index over a key column repeats it among the key columns that close every entry.
    const Header keyed = makeHeader(
        {field("ZLEC", FieldType::Long), field("NR", FieldType::Long),
         field("POLE1", FieldType::Alpha, 50)},
        2, "RP7.DB");
    const auto ninx = test::genuineSecondaryIndex(
        {field("ZLEC", FieldType::Long), field("POLE1", FieldType::Alpha, 50),
         field("ZLEC", FieldType::Long), field("NR", FieldType::Long),
         field("Hint", FieldType::Short)},
        {1, 3, 1, 2, 0}, "Ninx");
    const auto composite = parseForeignIndex(ninx, "RP7.XG0", keyed);
    ASSERT_TRUE(composite);
    EXPECT_EQ(composite->name, "Ninx");
    EXPECT_EQ(composite->columns, (std::vector<int>{0, 2}));

    const auto single =
        test::genuineSecondaryIndex({field("Nazwisko", FieldType::Alpha, 30),
                            field("Id", FieldType::AutoInc), field("Hint", FieldType::Short)},
                           {2, 1, 0}, "Nazwisko");
    const auto ci = parseForeignIndex(single, "pracown.xg1", table);
    ASSERT_TRUE(ci);
    EXPECT_EQ(ci->columns, (std::vector<int>{1}));
    EXPECT_EQ(ci->caseInsensitive, std::optional<bool>(true));

    // Our own index files, other extensions, wrong column types, damaged bytes: not genuine.
    EXPECT_FALSE(parseForeignIndex(xg, "PRACOWN.X02", table));
    EXPECT_FALSE(parseForeignIndex(xg, "PRACOWN.TXT", table));
    const auto wrongType =
        test::genuineSecondaryIndex({field("Nazwisko", FieldType::Long), field("Id", FieldType::AutoInc),
                            field("Hint", FieldType::Short)},
                           {2, 1, 0}, "X");
    EXPECT_FALSE(parseForeignIndex(wrongType, "PRACOWN.XG2", table));
    const std::vector<std::byte> junk(5000, std::byte{0x5A});
    EXPECT_FALSE(parseForeignIndex(junk, "PRACOWN.PX", table));
    EXPECT_FALSE(parseForeignIndex(std::span(xg).first(100), "PRACOWN.XG0", table));
}

}  // namespace
}  // namespace lumiro::engine::px
