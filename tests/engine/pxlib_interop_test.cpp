// Files we write must open in pxlib, an independent Paradox implementation, and files it
// writes must read back through our codec. pxlib (Debian 0.6.8) is used only for what it does
// reliably: no .MB files, BCD values written from text with a decimal point, texts passed as raw
// code page 1250 bytes.
#include <gtest/gtest.h>

#include <algorithm>

#include "engine/session.h"
#include "engine/table.h"
extern "C" {  // the library's header declares no C linkage of its own
#include <paradox.h>
}
#include <stdlib.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/cp1250.h"
#include "engine/datetime.h"
#include "engine/error.h"
#include "engine/paradox_format.h"
#include "support/paradox_table_file.h"
#include "support/pxlib_tables.h"

namespace lumiro::engine::px {
namespace {

class TempDir {
  public:
    TempDir() {
        std::string tmpl =
            (std::filesystem::temp_directory_path() / "lumiro-pxlib-XXXXXX").string();
        if (!mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp");
        path_ = tmpl;
    }
    ~TempDir() { std::filesystem::remove_all(path_); }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

  private:
    std::filesystem::path path_;
};

std::vector<std::string> g_pxlibErrors;

void collectError(pxdoc_t*, int level, const char* msg, void*) {
    if (level != PX_Warning) g_pxlibErrors.push_back(msg ? msg : "?");
}

// Owns a pxlib document and frees it the way the library expects.
struct PxDoc {
    pxdoc_t* doc = PX_new2(collectError, nullptr, nullptr, nullptr);
    ~PxDoc() {
        if (doc) {
            PX_close(doc);
            PX_delete(doc);
        }
    }
    std::string take(char* s) const {
        if (!s) return {};
        std::string out(s);
        doc->free(doc, s);
        return out;
    }
};

class PxlibInterop : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { PX_boot(); }
    void SetUp() override { g_pxlibErrors.clear(); }
    void TearDown() override { EXPECT_TRUE(g_pxlibErrors.empty()) << g_pxlibErrors.front(); }
    TempDir dir;
};

FieldDef field(const std::string& name, FieldType type, int size = 0) {
    return FieldDef{utf8ToCp1250(name), type, size, false};
}

std::vector<FieldDef> everyReadableType() {
    return {field("Id", FieldType::AutoInc),          field("Nazwisko", FieldType::Alpha, 40),
            field("Dzieci", FieldType::Short),        field("Pensja", FieldType::Long),
            field("Urodzony", FieldType::Date),       field("Godzina", FieldType::Time),
            field("Płaca", FieldType::Money),         field("Wskaźnik", FieldType::Number),
            field("Zmieniono", FieldType::Timestamp), field("Aktywny", FieldType::Logical),
            field("Składka", FieldType::Bcd, 2),      field("Znacznik", FieldType::Bytes, 3),
            field("Uwagi", FieldType::Memo, 40)};
}

std::vector<test::Row> sampleRows(int count) {
    static const char* names[] = {"Żółkiewski", "Łukasiewicz", "Ćwik", "Śliwińska", "Nowak"};
    std::vector<test::Row> rows;
    for (int i = 0; i < count; ++i) {
        test::Row r;
        r.push_back(std::int64_t(i + 1));
        r.push_back(utf8ToCp1250(std::string(names[i % 5]) + " " + std::to_string(i)));
        r.push_back(i % 7 == 0 ? Value{} : Value(std::int64_t(i % 2 ? -i : i)));
        r.push_back(std::int64_t(-100000 + i * 4321));
        r.push_back(daysFromCivil({1950 + i % 60, 1 + i % 12, 1 + i % 28}));
        r.push_back(std::int64_t((i * 3'600'000 + 1234) % kMillisPerDay));
        r.push_back(i % 5 == 0 ? Value{} : Value(double(i) * 100.25 - 1000));
        r.push_back(-3.5 + i);
        r.push_back(double(daysFromCivil({2020, 1, 1 + i % 28})) * kMillisPerDay + 1000.0 * i);
        r.push_back(i % 3 == 0);
        r.push_back(std::string(i % 2 ? "-" : "") + std::to_string(i * 13) + ".0" +
                    std::to_string(i % 10));
        r.push_back(std::string("\x01\xFE") + char('a' + i % 26));
        r.push_back(utf8ToCp1250("notatka zażółć nr " + std::to_string(i)));
        rows.push_back(std::move(r));
    }
    return rows;
}

TEST_F(PxlibInterop, PxlibReadsTablesWeWrite) {
    const auto fields = everyReadableType();
    const auto rows = sampleRows(60);
    const std::string path = dir.file("KADRY.DB");
    test::writeFileBytes(path, test::buildParadoxTable(fields, 0, rows, "KADRY.DB"));

    PxDoc px;
    ASSERT_EQ(PX_open_file(px.doc, path.c_str()), 0);
    ASSERT_EQ(PX_get_num_fields(px.doc), int(fields.size()));
    ASSERT_EQ(PX_get_num_records(px.doc), int(rows.size()));
    std::vector<int> offsets;
    int offset = 0;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const pxfield_t* pf = PX_get_field(px.doc, int(i));
        ASSERT_NE(pf, nullptr);
        EXPECT_EQ(std::string(pf->px_fname), fields[i].name);
        EXPECT_EQ(int(static_cast<unsigned char>(pf->px_ftype)), int(fields[i].type));
        EXPECT_EQ(pf->px_flen, storedSize(fields[i]));
        if (fields[i].type == FieldType::Bcd) {
            EXPECT_EQ(pf->px_fdc, fields[i].size);
        }
        offsets.push_back(offset);
        offset += pf->px_flen;
    }
    ASSERT_EQ(PX_get_recordsize(px.doc), offset);

    std::vector<char> buf(static_cast<std::size_t>(offset));
    for (std::size_t r = 0; r < rows.size(); ++r) {
        ASSERT_NE(PX_get_record(px.doc, int(r), buf.data()), nullptr) << r;
        const test::Row& want = rows[r];
        auto at = [&](int f) { return buf.data() + offsets[std::size_t(f)]; };
        char* s = nullptr;
        long l = 0;
        short sh = 0;
        double d = 0;
        char b = 0;

        ASSERT_EQ(PX_get_data_long(px.doc, at(0), 4, &l), 1);
        EXPECT_EQ(l, std::get<std::int64_t>(want[0]));
        ASSERT_EQ(PX_get_data_alpha(px.doc, at(1), 40, &s), 1);
        EXPECT_EQ(px.take(s), std::get<std::string>(want[1]));
        if (isNull(want[2])) {
            EXPECT_EQ(PX_get_data_short(px.doc, at(2), 2, &sh), 0);
        } else {
            ASSERT_EQ(PX_get_data_short(px.doc, at(2), 2, &sh), 1);
            EXPECT_EQ(sh, std::get<std::int64_t>(want[2]));
        }
        ASSERT_EQ(PX_get_data_long(px.doc, at(3), 4, &l), 1);
        EXPECT_EQ(l, std::get<std::int64_t>(want[3]));
        ASSERT_EQ(PX_get_data_long(px.doc, at(4), 4, &l), 1);
        EXPECT_EQ(l, std::get<std::int64_t>(want[4]));
        int y = 0, m = 0, dd = 0;
        PX_SdnToGregorian(l + 1721425, &y, &m, &dd);  // pxlib's own calendar agrees with ours
        const CivilDate c = civilFromDays(l);
        EXPECT_EQ(y, c.year);
        EXPECT_EQ(m, c.month);
        EXPECT_EQ(dd, c.day);
        ASSERT_EQ(PX_get_data_long(px.doc, at(5), 4, &l), 1);
        EXPECT_EQ(l, std::get<std::int64_t>(want[5]));
        if (isNull(want[6])) {
            EXPECT_EQ(PX_get_data_double(px.doc, at(6), 8, &d), 0);
        } else {
            ASSERT_EQ(PX_get_data_double(px.doc, at(6), 8, &d), 1);
            EXPECT_EQ(d, std::get<double>(want[6]));
        }
        ASSERT_EQ(PX_get_data_double(px.doc, at(7), 8, &d), 1);
        EXPECT_EQ(d, std::get<double>(want[7]));
        ASSERT_EQ(PX_get_data_double(px.doc, at(8), 8, &d), 1);
        EXPECT_EQ(d, std::get<double>(want[8]));
        ASSERT_EQ(PX_get_data_byte(px.doc, at(9), 1, &b), 1);
        EXPECT_EQ(b != 0, std::get<bool>(want[9]));
        ASSERT_EQ(PX_get_data_bcd(px.doc, reinterpret_cast<unsigned char*>(at(10)), 2, &s), 1);
        EXPECT_EQ(px.take(s),
                  std::get<std::string>(decodeField(
                      fields[10], reinterpret_cast<const std::byte*>(at(10)), nullptr)));
        EXPECT_EQ(std::get<std::string>(
                      decodeField(fields[10], reinterpret_cast<const std::byte*>(at(10)), nullptr)),
                  std::get<std::string>(want[10]));
        ASSERT_EQ(PX_get_data_bytes(px.doc, at(11), 3, &s), 1);
        EXPECT_EQ(std::memcmp(s, std::get<std::string>(want[11]).data(), 3), 0);
        px.doc->free(px.doc, s);
        int mod = 0, size = 0;
        ASSERT_EQ(PX_get_data_blob(px.doc, at(12), 50, &mod, &size, &s), 1);
        const std::string& memo = std::get<std::string>(want[12]);
        ASSERT_EQ(size, int(memo.size()));
        EXPECT_EQ(std::string(s, std::size_t(size)), memo);
        px.doc->free(px.doc, s);
    }
}

std::vector<FieldDef> everyWritableType() {
    return {field("Numer", FieldType::Long),       field("Nazwisko", FieldType::Alpha, 30),
            field("Dzieci", FieldType::Short),     field("Urodzony", FieldType::Date),
            field("Godzina", FieldType::Time),     field("Płaca", FieldType::Money),
            field("Wskaźnik", FieldType::Number),  field("Zmieniono", FieldType::Timestamp),
            field("Aktywny", FieldType::Logical),  field("Licznik", FieldType::AutoInc),
            field("Znacznik", FieldType::Bytes, 4)};
}

std::vector<test::Row> writableRows(int count) {
    std::vector<test::Row> rows;
    for (int i = 0; i < count; ++i) {
        rows.push_back(
            {std::int64_t(i * 10 - 100), utf8ToCp1250("Zieliński-Łoś " + std::to_string(i)),
             i % 4 ? Value(std::int64_t(-i)) : Value{}, daysFromCivil({1990 + i % 30, 12, 31}),
             std::int64_t(i * 1000), i % 3 ? Value(-1234.5 + i) : Value{}, 1.0 / (i + 1),
             double(daysFromCivil({1999, 1, 1})) * kMillisPerDay, i % 2 == 1, std::int64_t(i + 1),
             std::string("\x7F\x00\x80\x01", 4)});
    }
    return rows;
}

TEST_F(PxlibInterop, WeReadTablesPxlibWrites) {
    const auto fields = everyWritableType();
    const auto rows = writableRows(150);
    const std::string path = dir.file("PXLIB.DB");
    test::writePxlibTable(path, fields, 0, rows);

    Header h;
    const auto got = test::readParadoxTable(test::readFileBytes(path), &h);
    EXPECT_EQ(h.fileType, kFileTypeUnkeyedDb);
    EXPECT_EQ(h.fileVersion, kVersion7);
    EXPECT_EQ(h.codePage, 1250);
    EXPECT_EQ(h.tableName, "PXLIB");
    EXPECT_GT(h.fileBlocks, 1);
    ASSERT_EQ(h.fields.size(), fields.size());
    for (std::size_t i = 0; i < fields.size(); ++i) {
        EXPECT_EQ(h.fields[i].name, fields[i].name);
        EXPECT_EQ(h.fields[i].type, fields[i].type);
        EXPECT_EQ(h.fields[i].size, fields[i].size);
    }
    ASSERT_EQ(got.size(), rows.size());
    for (std::size_t r = 0; r < rows.size(); ++r)
        for (std::size_t f = 0; f < fields.size(); ++f)
            EXPECT_EQ(got[r][f], rows[r][f]) << "row " << r << " field " << f;
}

TEST_F(PxlibInterop, KeyedTableAndPrimaryIndexFromPxlib) {
    const std::vector<FieldDef> fields = {field("Numer", FieldType::Long),
                                          field("Nazwisko", FieldType::Alpha, 20)};
    std::vector<test::Row> rows;
    for (int i = 0; i < 30; ++i)
        rows.push_back({std::int64_t(i), utf8ToCp1250("Wąsik " + std::to_string(i))});
    const std::string path = dir.file("KLUCZ.DB");
    test::writePxlibTable(path, fields, 1, rows);

    Header h;
    const auto got = test::readParadoxTable(test::readFileBytes(path), &h);
    EXPECT_EQ(h.fileType, kFileTypeKeyedDb);
    EXPECT_EQ(h.keyFieldCount, 1);
    EXPECT_EQ(got, rows);

    // pxlib builds a .PX for the keyed table; we recognise it as the primary index.
    const std::string pxPath = dir.file("KLUCZ.PX");
    test::writePxlibPrimaryIndex(path, pxPath);
    const auto pxBytes = test::readFileBytes(pxPath);
    const auto info = parseForeignIndex(pxBytes, "KLUCZ.PX", h);
    ASSERT_TRUE(info);
    EXPECT_TRUE(info->primary);
    EXPECT_EQ(info->columns, std::vector<int>{0});
    EXPECT_FALSE(parseForeignIndex(pxBytes, "KLUCZ.XG0", h));
    EXPECT_FALSE(parseForeignIndex(test::readFileBytes(path), "KLUCZ.PX", h));
}


// Reads every record of a table through pxlib as decoded by our codec from pxlib's bytes,
// so the comparison covers pxlib's walk of the blocks and its view of the header.
std::vector<test::Row> readWithPxlib(const std::string& path, const std::vector<FieldDef>& expect) {
    PxDoc px;
    EXPECT_EQ(PX_open_file(px.doc, path.c_str()), 0);
    const int n = PX_get_num_fields(px.doc);
    EXPECT_EQ(n, int(expect.size()));
    pxfield_t* pf = PX_get_fields(px.doc);
    std::vector<FieldDef> fields;
    for (int i = 0; i < n; ++i) {
        EXPECT_EQ(std::string(pf[i].px_fname), expect[std::size_t(i)].name);
        EXPECT_EQ(int(std::uint8_t(pf[i].px_ftype)), int(expect[std::size_t(i)].type));
        EXPECT_EQ(pf[i].px_flen, storedSize(expect[std::size_t(i)]));
    }
    std::vector<test::Row> rows;
    std::vector<char> rec(std::size_t(PX_get_recordsize(px.doc)));
    for (int r = 0; r < PX_get_num_records(px.doc); ++r) {
        if (!PX_get_record(px.doc, r, rec.data())) {
            ADD_FAILURE() << "pxlib cannot read record " << r;
            break;
        }
        test::Row row;
        std::size_t off = 0;
        for (const auto& f : expect) {
            row.push_back(decodeField(f, reinterpret_cast<const std::byte*>(rec.data()) + off, nullptr));
            off += std::size_t(storedSize(f));
        }
        rows.push_back(std::move(row));
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

TEST_F(PxlibInterop, TablesOfTheEngineOpenInPxlibAfterInsertsAndDeletes) {
    const std::vector<FieldDef> fields = {
        field("ZLEC", FieldType::Long),       field("NR", FieldType::Long),
        field("POLE1", FieldType::Alpha, 50), field("AUTO", FieldType::AutoInc),
        field("KWOTA", FieldType::Money),     field("WSP", FieldType::Number),
        field("B1", FieldType::Logical)};
    TableDef def;
    def.fields = fields;
    IndexDef pk;
    pk.primary = pk.unique = true;
    pk.fields = {"ZLEC", "NR"};
    IndexDef ninx;
    ninx.name = "Ninx";
    ninx.caseInsensitive = true;
    ninx.fields = {"ZLEC", "POLE1"};
    def.indexes = {pk, ninx};
    const std::string path = dir.file("RP7.DB");
    std::vector<test::Row> expected;
    {
        Session s("SESJA");
        s.createTable(path, def);
        Table t(s);
        t.open(path);
        for (int i = 1; i <= 400; ++i) {
            t.insert();
            t.setValue("ZLEC", Value{std::int64_t(i % 3)});
            t.setValue("NR", Value{std::int64_t(i)});
            t.setValue("POLE1", Value{utf8ToCp1250("Żółć Łęcka " + std::to_string(i))});
            if (i % 5) t.setValue("KWOTA", Value{i * 10.25 - 1000});
            t.setValue("WSP", Value{1.0 / i});
            if (i % 7) t.setValue("B1", Value{i % 2 == 0});
            t.post();
        }
        // Deletes fill holes with the last record and free blocks at the end.
        for (int i = 1; i <= 400; i += 3) {
            ASSERT_TRUE(t.findKey({Value{std::int64_t(i % 3)}, Value{std::int64_t(i)}}));
            t.remove();
        }
        ASSERT_TRUE(t.verify().empty());
        for (t.first(); !t.eof(); t.next()) {
            test::Row row;
            for (int f = 0; f < int(fields.size()); ++f) row.push_back(t.value(f));
            expected.push_back(std::move(row));
        }
    }
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(readWithPxlib(path, fields), expected);
}

TEST_F(PxlibInterop, PxlibTableWithItsOwnPrimaryIndexOpensInTheEngine) {
    const std::vector<FieldDef> fields = {field("Numer", FieldType::Long),
                                          field("Nazwisko", FieldType::Alpha, 20)};
    std::vector<test::Row> rows;
    for (int i = 0; i < 40; ++i)
        rows.push_back({std::int64_t(i), utf8ToCp1250("Ślązak " + std::to_string(i))});
    const std::string path = dir.file("KLUCZ.DB");
    test::writePxlibTable(path, fields, 1, rows);
    test::writePxlibPrimaryIndex(path, dir.file("KLUCZ.PX"));
    Session s("SESJA");
    Table t(s);
    t.open(dir.file("klucz"));  // any case, no extension
    EXPECT_TRUE(t.verify().empty());
    std::vector<test::Row> got;
    for (t.first(); !t.eof(); t.next()) got.push_back({t.value(0), t.value(1)});
    EXPECT_EQ(got, rows);
    // Our own primary index replaced pxlib's, and the data file still reads in pxlib.
    const auto pxBytes = test::readFileBytes(dir.file("KLUCZ.PX"));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(pxBytes.data()), 6), "LMRIDX");
    t.insert();
    t.setValue(0, Value{std::int64_t(100)});
    t.setValue(1, Value{utf8ToCp1250("Nowy Źdźbło")});
    t.post();
    EXPECT_TRUE(t.findKey({Value{std::int64_t(7)}}));
    t.close();
    rows.push_back({std::int64_t(100), utf8ToCp1250("Nowy Źdźbło")});
    std::sort(rows.begin(), rows.end());
    EXPECT_EQ(readWithPxlib(path, fields), rows);
}

// BCD columns hold 0 to 32 decimals of 32 digits in all. Values at the limits of every
// precision, written by pxlib, read through the engine; written by the engine (the column as
// the primary key), read by pxlib.
std::vector<std::string> bcdLimits(int decimals) {
    const int integer = 32 - decimals;
    const std::string fraction = decimals ? "." + std::string(std::size_t(decimals), '9') : "";
    const std::string largest = (integer ? std::string(std::size_t(integer), '9') : "0") + fraction;
    const std::string smallest =
        decimals ? "0." + std::string(std::size_t(decimals - 1), '0') + "1" : "1";
    std::vector<std::string> values = {"-" + largest, "-" + smallest, smallest, largest};
    values.insert(values.begin() + 2, decimals ? "0." + std::string(std::size_t(decimals), '0')
                                               : "0");
    if (integer >= 2 && decimals >= 1)
        values.insert(values.end() - 1, "12.5" + std::string(std::size_t(decimals - 1), '0'));
    return values;  // in ascending order
}

TEST_F(PxlibInterop, BcdColumnsOfEveryPrecisionBothWays) {
    for (int decimals = 0; decimals <= 32; ++decimals) {
        SCOPED_TRACE("decimals " + std::to_string(decimals));
        const auto values = bcdLimits(decimals);
        const std::string suffix = std::to_string(decimals);

        const std::vector<FieldDef> pxFields = {field("Id", FieldType::Long),
                                                field("Kwota", FieldType::Bcd, decimals)};
        std::vector<test::Row> rows;
        for (std::size_t i = 0; i < values.size(); ++i)
            rows.push_back({std::int64_t(i), values[i]});
        const std::string fromPxlib = dir.file("PX" + suffix + ".DB");
        test::writePxlibTable(fromPxlib, pxFields, 0, rows);
        {
            Session s("SESJA");
            Table t(s);
            t.open(fromPxlib, AccessMode::ReadOnly);
            ASSERT_EQ(t.field("Kwota"), 1);
            std::vector<std::string> read;
            for (t.first(); !t.eof(); t.next()) read.push_back(t.asString(1));
            EXPECT_EQ(read, values);
        }

        TableDef def;
        def.fields = {field("Kwota", FieldType::Bcd, decimals), field("Id", FieldType::Long)};
        IndexDef key;
        key.primary = key.unique = true;
        key.fields = {"Kwota"};
        def.indexes = {key};
        const std::string fromEngine = dir.file("LM" + suffix + ".DB");
        {
            Session s("SESJA");
            s.createTable(fromEngine, def);
            Table t(s);
            t.open(fromEngine);
            for (std::size_t i = values.size(); i-- > 0;) {  // out of order: the key sorts
                t.insert();
                t.setValue(0, Value{values[i]});
                t.setValue(1, Value{std::int64_t(i)});
                t.post();
            }
            EXPECT_TRUE(t.verify().empty());
            std::vector<std::string> inKeyOrder;
            for (t.first(); !t.eof(); t.next()) inKeyOrder.push_back(t.asString(0));
            EXPECT_EQ(inKeyOrder, values);
            for (const auto& v : values) EXPECT_TRUE(t.findKey({Value{v}})) << v;
        }
        PxDoc px;
        ASSERT_EQ(PX_open_file(px.doc, fromEngine.c_str()), 0);
        ASSERT_EQ(PX_get_field(px.doc, 0)->px_fdc, decimals);
        std::vector<char> rec(std::size_t(PX_get_recordsize(px.doc)));
        std::vector<std::string> readByPxlib;
        for (int r = 0; r < PX_get_num_records(px.doc); ++r) {
            ASSERT_NE(PX_get_record(px.doc, r, rec.data()), nullptr);
            char* text = nullptr;
            ASSERT_EQ(PX_get_data_bcd(px.doc, reinterpret_cast<unsigned char*>(rec.data()),
                                      decimals, &text),
                      1);
            std::string v = px.take(text);
            if (!v.empty() && v.back() == '.') v.pop_back();  // pxlib's point without decimals
            readByPxlib.push_back(v);
        }
        std::sort(readByPxlib.begin(), readByPxlib.end());
        auto expected = values;
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(readByPxlib, expected);
    }
}

}  // namespace
}  // namespace lumiro::engine::px
