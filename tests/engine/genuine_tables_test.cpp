// Tables that another Paradox engine wrote (pxlib here, or bytes laid out by hand as such
// engines lay them out) are read as they are. Reading never changes a file, and no open
// changes the data file unless a post writes to it.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "engine/cp1250.h"
#include "engine/error.h"
#include "engine/paradox_format.h"
#include "engine/session.h"
#include "engine/table.h"
#include "support/paradox_table_file.h"
#include "support/pxlib_tables.h"
#include "support/temp_dir.h"

namespace lumiro::engine {
namespace {

namespace fs = std::filesystem;
using test::Row;

FieldDef column(const std::string& name, FieldType type, int size = 0) {
    return FieldDef{utf8ToCp1250(name), type, size, false};
}

const std::vector<FieldDef> kStaff = {column("Numer", FieldType::Long),
                                      column("Nazwisko", FieldType::Alpha, 30),
                                      column("Płaca", FieldType::Money)};

std::vector<Row> staff(int count) {
    static const char* names[] = {"żak", "Łoś", "Adamski", "ćwik", "Zieliński", "Śliwa", "ąbek"};
    std::vector<Row> rows;
    for (int i = 0; i < count; ++i)
        rows.push_back({std::int64_t(i * 3), utf8ToCp1250(std::string(names[i % 7]) + " " +
                                                           std::to_string(i)),
                        i % 4 ? Value(1000.0 + i) : Value{}});
    return rows;
}

// Every file of a folder with its bytes, to prove that nothing was written or added.
std::map<std::string, std::vector<std::byte>> snapshot(const std::string& dir) {
    std::map<std::string, std::vector<std::byte>> out;
    for (const auto& entry : fs::directory_iterator(dir))
        out[entry.path().filename().string()] = test::readFileBytes(entry.path().string());
    return out;
}

std::vector<Row> everyRow(Table& t) {
    std::vector<Row> rows;
    for (t.first(); !t.eof(); t.next()) {
        Row r;
        for (int f = 0; f < t.storedFieldCount(); ++f) r.push_back(t.value(f));
        rows.push_back(std::move(r));
    }
    return rows;
}

std::vector<std::string> names(Table& t) {
    std::vector<std::string> out;
    for (t.first(); !t.eof(); t.next()) out.push_back(t.asString(1));
    return out;
}

class GenuineTables : public ::testing::Test {
  protected:
    std::string path(const std::string& name) const { return dir.file(name); }
    // A keyed table as pxlib writes it, with pxlib's own primary index.
    void writeKeyed(const std::string& stem, int rows, bool primaryIndex = true) {
        test::writePxlibTable(path(stem + ".DB"), kStaff, 1, staff(rows));
        if (primaryIndex) test::writePxlibPrimaryIndex(path(stem + ".DB"), path(stem + ".PX"));
    }

    test::TempDir dir;
    Session session{"TEST"};
};

TEST_F(GenuineTables, ReadOnlyOpenReadsKeyedTablesOfAnotherEngineAndWritesNothing) {
    writeKeyed("KADRY", 300);
    test::writePxlibTable(path("BEZPX.DB"), kStaff, 1, staff(40));
    // A secondary index of the other engine: by name, case-insensitive.
    test::writeFileBytes(path("KADRY.XG0"),
                         test::genuineSecondaryIndex({kStaff[1], kStaff[0],
                                                      column("Hint", FieldType::Short)},
                                                     {2, 1, 0}, "Nazwisko"));
    const auto before = snapshot(dir.path());

    Table t(session);
    t.open(path("kadry"), AccessMode::ReadOnly);
    EXPECT_EQ(everyRow(t), staff(300));
    EXPECT_EQ(t.recordCount(), 300);
    EXPECT_TRUE(t.verify().empty());
    ASSERT_TRUE(t.findKey({Value{std::int64_t(57)}}));
    EXPECT_EQ(t.asString(1), utf8ToCp1250("Śliwa 19"));
    t.last();
    EXPECT_EQ(t.asInteger(0), 299 * 3);
    // The other engine's secondary index serves as an order, in Polish letter order.
    ASSERT_EQ(t.indexes().size(), 2u);
    t.setIndexName("Nazwisko");
    const auto byName = names(t);
    ASSERT_EQ(byName.size(), 300u);
    EXPECT_EQ(cp1250ToUtf8(byName.front()), "Adamski 100");
    EXPECT_EQ(cp1250ToUtf8(byName.back()), "żak 98");
    EXPECT_TRUE(std::is_sorted(byName.begin(), byName.end(), [](const auto& a, const auto& b) {
        return comparePolish(a, b, true) < 0;
    }));
    t.findNearest({Value{utf8ToCp1250("ŁO")}});
    EXPECT_EQ(cp1250ToUtf8(t.asString(1)).rfind("Łoś", 0), 0u);
    EXPECT_THROW(t.edit(), EngineError);

    // Without any index file the key order is built all the same.
    Table bare(session);
    bare.open(path("BEZPX"), AccessMode::ReadOnly);
    EXPECT_EQ(everyRow(bare), staff(40));
    t.close();
    bare.close();
    EXPECT_EQ(snapshot(dir.path()), before);
}

TEST_F(GenuineTables, ReadOnlyOrderDoesNotTrustTheBlocksToBeSorted) {
    // Blocks in no particular order, as a table edited by another engine may leave them.
    auto rows = staff(500);
    std::reverse(rows.begin(), rows.end());
    std::rotate(rows.begin(), rows.begin() + 123, rows.end());
    test::writeFileBytes(path("MIX.DB"), test::buildParadoxTable(kStaff, 1, rows, "MIX.DB"));
    Table t(session);
    t.open(path("MIX"), AccessMode::ReadOnly);
    EXPECT_EQ(everyRow(t), staff(500));
    for (int k : {0, 3, 750, 1497}) {
        ASSERT_TRUE(t.findKey({Value{std::int64_t(k)}})) << k;
        EXPECT_EQ(t.asInteger(0), k);
    }
    EXPECT_FALSE(t.findKey({Value{std::int64_t(4)}}));
}

TEST_F(GenuineTables, EveryParadoxVersionReadsAsItIsAndRepairsWithoutChange) {
    for (int version : {3, 4, 5, 9, 10, 11, 12}) {
        SCOPED_TRACE(version);
        const std::string name = "V" + std::to_string(version);
        const auto bytes = test::olderParadoxVersion(
            test::buildParadoxTable(kStaff, 1, staff(90), name + ".DB"), version);
        test::writeFileBytes(path(name + ".DB"), bytes);
        {
            Table t(session);
            t.open(path(name), AccessMode::ReadOnly);
            EXPECT_EQ(everyRow(t), staff(90));
        }
        // Without a primary index a table is repaired before it is written to, and the
        // repair leaves the data file as it was.
        Table t(session);
        EXPECT_THROW(t.open(path(name)), EngineError);
        t.open(path(name), AccessMode::Exclusive);
        t.rebuildIndexes();
        t.close();
        EXPECT_EQ(test::readFileBytes(path(name + ".DB")), bytes);
        t.open(path(name));
        t.insert();
        t.setValue(0, Value{std::int64_t(-1)});
        t.post();
        t.close();
        t.open(path(name), AccessMode::ReadOnly);
        EXPECT_EQ(t.recordCount(), 91);
        EXPECT_EQ(t.asInteger(0), -1);
    }
}

TEST_F(GenuineTables, WriteOpenReplacesTheirIndexesButNotTheDataFile) {
    writeKeyed("KADRY", 120);
    const auto data = test::readFileBytes(path("KADRY.DB"));
    {
        Table t(session);
        t.open(path("KADRY"));
        EXPECT_EQ(everyRow(t), staff(120));
    }
    EXPECT_EQ(test::readFileBytes(path("KADRY.DB")), data);
    const auto px = test::readFileBytes(path("KADRY.PX"));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(px.data()), 6), "LMRIDX");
    {
        // Index repair builds them again, still without writing the data file.
        Table t(session);
        t.open(path("KADRY"), AccessMode::Exclusive);
        t.rebuildIndexes();
        EXPECT_TRUE(t.verify().empty());
    }
    EXPECT_EQ(test::readFileBytes(path("KADRY.DB")), data);
    {
        Table t(session);
        t.open(path("KADRY"));
        t.insert();
        t.setValue(0, Value{std::int64_t(1)});
        t.setValue(1, Value{utf8ToCp1250("Nowy Źdźbło")});
        t.post();
    }
    EXPECT_NE(test::readFileBytes(path("KADRY.DB")), data);
    auto expected = staff(120);
    expected.insert(expected.begin() + 1,
                    Row{std::int64_t(1), utf8ToCp1250("Nowy Źdźbło"), Value{}});
    auto seen = test::readPxlibRecords(path("KADRY.DB"), kStaff);
    std::sort(seen.begin(), seen.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(seen, expected);
}

TEST_F(GenuineTables, ReaderFollowsAWritersPostsWithItsOwnOrder) {
    writeKeyed("KADRY", 50);
    Session other("OTHER");
    Table reader(other);
    reader.open(path("KADRY"), AccessMode::ReadOnly);
    Table writer(session);
    writer.open(path("KADRY"));
    writer.insert();
    writer.setValue(0, Value{std::int64_t(-5)});
    writer.setValue(1, Value{std::string("Pierwszy")});
    writer.post();
    reader.refresh();
    EXPECT_EQ(reader.recordCount(), 51);
    reader.first();
    EXPECT_EQ(reader.asString(1), "Pierwszy");
}

TEST_F(GenuineTables, LastBlockShorterThanTheBlockSize) {
    // The file ends right after the last record instead of at the end of its block.
    const auto rows = staff(100);
    auto bytes = test::buildParadoxTable(kStaff, 0, rows, "KROTKI.DB");
    px::Header h;
    test::readParadoxTable(bytes, &h);
    const std::size_t perBlock = std::size_t(h.recordsPerBlock());
    const std::size_t inLast = rows.size() % perBlock;
    ASSERT_GT(inLast, 0u);
    const std::size_t end =
        std::size_t(h.blockOffset(h.lastBlock)) + px::kBlockHeaderSize + inLast * h.recordSize;
    ASSERT_LT(end, bytes.size());
    bytes.resize(end);
    test::writeFileBytes(path("KROTKI.DB"), bytes);
    {
        Table t(session);
        t.open(path("KROTKI"), AccessMode::ReadOnly);
        EXPECT_EQ(everyRow(t), rows);
    }
    EXPECT_EQ(test::readFileBytes(path("KROTKI.DB")), bytes);
    {
        Table t(session);
        t.open(path("KROTKI"));
        EXPECT_EQ(everyRow(t), rows);
        t.append();
        t.setValue(0, Value{std::int64_t(10000)});
        t.post();
        EXPECT_TRUE(t.verify().empty());
    }
    Table t(session);
    t.open(path("KROTKI"));
    EXPECT_EQ(t.recordCount(), 101);

    // A block that lost part of the records it counts is damage, not a short block.
    t.close();
    bytes.resize(end - 5);
    test::writeFileBytes(path("CIETY.DB"), bytes);
    try {
        t.open(path("CIETY"), AccessMode::ReadOnly);
        FAIL() << "a cut record was accepted";
    } catch (const EngineError& e) {
        EXPECT_EQ(e.code(), ErrorCode::Corrupt);
        EXPECT_NE(std::string(e.what()).find("obcięty"), std::string::npos) << e.what();
    }
}

TEST_F(GenuineTables, BcdWithManyDecimals) {
    const std::vector<FieldDef> fields = {column("Id", FieldType::Long),
                                          column("Wskaźnik", FieldType::Bcd, 32),
                                          column("Kwota", FieldType::Bcd, 2)};
    auto bytes = test::buildParadoxTable(
        fields, 1, {{std::int64_t(1), std::string("0.123"), std::string("12.5")}}, "BCD.DB");
    px::Header h;
    test::readParadoxTable(bytes, &h);
    // Another engine stored the 2-decimal amount with 32 digits after the point.
    std::byte* amount = bytes.data() + h.blockOffset(1) + px::kBlockHeaderSize + h.fieldOffsets[2];
    std::fill(amount, amount + 17, std::byte{0});
    amount[0] = std::byte{0xC0 | 32};
    amount[1] = std::byte{0x12};
    amount[2] = std::byte{0x35};
    test::writeFileBytes(path("BCD.DB"), bytes);
    Table t(session);
    t.open(path("BCD"), AccessMode::ReadOnly);
    EXPECT_EQ(t.asString(1), "0.12300000000000000000000000000000");
    EXPECT_DOUBLE_EQ(t.asFloat(1), 0.123);
    EXPECT_EQ(t.asString(2), "0.12");
    EXPECT_DOUBLE_EQ(t.asFloat(2), 0.12);
}

TEST_F(GenuineTables, NamesMatchWhateverTheCaseOfTheirLetters) {
    fs::create_directories(path("Zakład Żółw"));
    session.createTable(path("Zakład Żółw/Pracownicy Łódź"), TableDef{kStaff, {}});
    EXPECT_TRUE(session.tableExists(path("ZAKŁAD ŻÓŁW/pracownicy ŁÓDŹ")));
    Table t(session);
    t.open(path("zakład żÓŁW/PRACOWNICY łódź"));
    EXPECT_EQ(fs::path(t.path()).parent_path().filename().string(), "Zakład Żółw");
    t.close();
    // A folder copied from an old Windows disk may carry code page 1250 names.
    const std::string legacy = utf8ToCp1250("ŁÓDŹ");
    fs::create_directories(path(legacy));
    session.createTable(path(legacy + "/T"), TableDef{kStaff, {}});
    EXPECT_TRUE(session.tableExists(path("łódź/t")));
}

TEST_F(GenuineTables, DeletingTheLastBlocksRecordWhenItsBackwardLinkIsWrong) {
    // Another engine left the last block's link to its predecessor empty; the chain itself
    // is right. Freeing that block must not lose the blocks before it.
    auto rows = staff(200);
    auto bytes = test::buildParadoxTable(kStaff, 0, rows, "ZLE.DB");
    px::Header h;
    test::readParadoxTable(bytes, &h);
    const std::size_t perBlock = std::size_t(h.recordsPerBlock());
    rows.resize((rows.size() / perBlock) * perBlock + 1);
    bytes = test::buildParadoxTable(kStaff, 0, rows, "ZLE.DB");
    test::readParadoxTable(bytes, &h);
    ASSERT_GT(h.lastBlock, 2);
    std::byte* last = bytes.data() + h.blockOffset(h.lastBlock);
    last[2] = last[3] = std::byte{0};
    test::writeFileBytes(path("ZLE.DB"), bytes);
    {
        Table t(session);
        t.open(path("ZLE"), AccessMode::Exclusive);
        t.first();
        t.remove();
    }
    Table t(session);
    t.open(path("ZLE"));
    EXPECT_EQ(t.recordCount(), std::int64_t(rows.size()) - 1);
    EXPECT_TRUE(t.verify().empty());
    auto left = everyRow(t);
    auto expected = std::vector<Row>(rows.begin() + 1, rows.end());
    std::sort(left.begin(), left.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(left, expected);
}

}  // namespace
}  // namespace lumiro::engine
