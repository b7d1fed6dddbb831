// Behaviour of tables as the program uses them: cursors, indexes, links, editing.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <random>
#include <set>

#include "engine/cp1250.h"
#include "engine/error.h"
#include "engine/session.h"
#include "engine/table.h"
#include "support/temp_dir.h"

using namespace lumiro::engine;
namespace fs = std::filesystem;

namespace {

std::string cp(const std::string& utf8) { return utf8ToCp1250(utf8); }

FieldDef fld(const std::string& name, FieldType t, int size = 0) {
    FieldDef f;
    f.name = name;
    f.type = t;
    f.size = size;
    return f;
}

IndexDef primaryOn(std::vector<std::string> cols) {
    IndexDef d;
    d.primary = d.unique = true;
    d.fields = std::move(cols);
    return d;
}

IndexDef secondaryOn(const std::string& name, std::vector<std::string> cols) {
    IndexDef d;
    d.name = name;
    d.caseInsensitive = true;
    d.fields = std::move(cols);
    return d;
}

// An employee table shaped like the program's: payer, number, name, PESEL.
TableDef employees() {
    TableDef def;
    def.fields = {fld("ZLEC", FieldType::Long), fld("NR", FieldType::Long),
                  fld("POLE1", FieldType::Alpha, 50), fld("KP11", FieldType::Alpha, 50)};
    def.indexes = {primaryOn({"ZLEC", "NR"}), secondaryOn("Ninx", {"ZLEC", "POLE1"}),
                   secondaryOn("Pinx", {"ZLEC", "KP11"})};
    return def;
}

// Earnings rows: payer, employee, year, entry number, amount.
TableDef earnings() {
    TableDef def;
    def.fields = {fld("ZLEC", FieldType::Long), fld("NR", FieldType::Long),
                  fld("POLE1", FieldType::Alpha, 4), fld("AUTO", FieldType::AutoInc),
                  fld("POLE2", FieldType::Money)};
    def.indexes = {primaryOn({"ZLEC", "NR", "POLE1", "AUTO"})};
    return def;
}

void addEmployee(Table& t, int zlec, int nr, const std::string& name, const std::string& pesel = "") {
    t.insert();
    t.setValue("ZLEC", Value{std::int64_t(zlec)});
    t.setValue("NR", Value{std::int64_t(nr)});
    t.setValue("POLE1", Value{cp(name)});
    if (!pesel.empty()) t.setValue("KP11", Value{pesel});
    t.post();
}

std::vector<std::string> column(Table& t, const std::string& name) {
    std::vector<std::string> out;
    for (t.first(); !t.eof(); t.next()) out.push_back(cp1250ToUtf8(t.asString(t.field(name))));
    return out;
}

class TableTest : public ::testing::Test {
protected:
    lumiro::test::TempDir dir;
    std::string path(const std::string& name) { return dir.path() + "/" + name; }
};

}  // namespace

TEST_F(TableTest, OrdersByPrimaryAndPolishCaseInsensitiveIndexes) {
    Session s("SESJA");
    s.createTable(path("RP7"), employees());
    Table t(s);
    t.open(path("RP7"));
    addEmployee(t, 1, 3, "Łukasz Zieliński");
    addEmployee(t, 1, 1, "Lucyna Kowalska");
    addEmployee(t, 1, 2, "kowalski jan");
    addEmployee(t, 2, 1, "Adam Nowak");
    addEmployee(t, 1, 4, "Ćwik Anna");
    addEmployee(t, 1, 5, "Cyran Piotr");

    EXPECT_EQ(t.recordCount(), 6);
    EXPECT_EQ(column(t, "NR"), (std::vector<std::string>{"1", "2", "3", "4", "5", "1"}));

    t.setIndexName("Ninx");
    EXPECT_EQ(column(t, "POLE1"),
              (std::vector<std::string>{"Cyran Piotr", "Ćwik Anna", "kowalski jan", "Lucyna Kowalska",
                                        "Łukasz Zieliński", "Adam Nowak"}));

    // "kow" finds "kowalski" whatever the case; a missing exact key leaves the position.
    t.findNearest({Value{std::int64_t(1)}, Value{cp("KOW")}});
    EXPECT_EQ(t.asInteger(t.field("NR")), 2);
    t.findNearest({Value{std::int64_t(1)}, Value{cp("ł")}});
    EXPECT_EQ(cp1250ToUtf8(t.asString(t.field("POLE1"))), "Łukasz Zieliński");
    EXPECT_FALSE(t.findKey({Value{std::int64_t(3)}}));
    EXPECT_EQ(cp1250ToUtf8(t.asString(t.field("POLE1"))), "Łukasz Zieliński");

    t.setIndexFields("ZLEC;NR");
    EXPECT_TRUE(t.findKey({Value{std::int64_t(2)}, Value{std::int64_t(1)}}));
    EXPECT_EQ(cp1250ToUtf8(t.asString(t.field("POLE1"))), "Adam Nowak");
    EXPECT_TRUE(t.verify().empty());
}

TEST_F(TableTest, DuplicateKeyIsRefusedAndLeavesTableAsItWas) {
    Session s("SESJA");
    s.createTable(path("RP7"), employees());
    Table t(s);
    t.open(path("RP7.db"));
    addEmployee(t, 1, 1, "Pierwszy");
    t.insert();
    t.setValue("ZLEC", Value{std::int64_t(1)});
    t.setValue("NR", Value{std::int64_t(1)});
    t.setValue("POLE1", Value{std::string("Drugi")});
    try {
        t.post();
        FAIL() << "duplicate key accepted";
    } catch (const EngineError& e) {
        EXPECT_EQ(e.code(), ErrorCode::KeyViolation);
        EXPECT_NE(std::string(e.what()).find("Naruszenie klucza"), std::string::npos);
    }
    EXPECT_EQ(t.state(), TableState::Insert);
    EXPECT_EQ(t.asString(t.field("POLE1")), "Drugi");
    t.setValue("NR", Value{std::int64_t(2)});
    t.post();
    EXPECT_EQ(t.recordCount(), 2);

    // Changing a key onto another record's key is refused the same way.
    t.first();
    t.edit();
    t.setValue("NR", Value{std::int64_t(2)});
    EXPECT_THROW(t.post(), EngineError);
    t.cancel();
    EXPECT_EQ(column(t, "POLE1"), (std::vector<std::string>{"Pierwszy", "Drugi"}));
    EXPECT_TRUE(t.verify().empty());
}

TEST_F(TableTest, AutoincrementIsAssignedAndReadOnly) {
    Session s("SESJA");
    s.createTable(path("ZAR"), earnings());
    Table t(s);
    t.open(path("ZAR"));
    for (int i = 0; i < 3; ++i) {
        t.insert();
        t.setValue("ZLEC", Value{std::int64_t(1)});
        t.setValue("NR", Value{std::int64_t(1)});
        t.setValue("POLE1", Value{std::string("1999")});
        t.setAsString(t.field("POLE2"), "1234,5");
        EXPECT_THROW(t.setValue("AUTO", Value{std::int64_t(99)}), EngineError);
        t.post();
        EXPECT_EQ(t.asInteger(t.field("AUTO")), i + 1);
    }
    EXPECT_EQ(t.asString(t.field("POLE2")), "1234.50");
    EXPECT_THROW(t.setAsString(t.field("POLE2"), "abc"), EngineError);
    t.close();
    t.open(path("ZAR"));
    t.last();
    t.remove();
    t.insert();
    t.setValue("POLE1", Value{std::string("2000")});
    t.post();
    // Numbers are never reused, even after a delete and a reopen.
    EXPECT_EQ(t.asInteger(t.field("AUTO")), 4);
}

TEST_F(TableTest, OpensByPathWithoutExtensionBackslashesAndAnyCase) {
    fs::create_directories(path("BAZA/kadry"));
    Session s("SESJA");
    s.createTable(path("BAZA/kadry/Zar.db"), earnings());
    Table t(s);
    std::string win = dir.path() + "\\baza\\KADRY\\ZAR";
    t.open(win);
    EXPECT_TRUE(t.isOpen());
    EXPECT_EQ(t.path(), path("BAZA/kadry/Zar.db"));
    t.close();
    EXPECT_TRUE(s.tableExists(path("baza/KADRY/zar.DB")));
    EXPECT_THROW(t.open(path("BAZA/kadry/NIEMA")), EngineError);
}

TEST_F(TableTest, MasterDetailLinkFollowsMasterAndCanBeCut) {
    Session s("SESJA");
    s.createTable(path("RP7"), employees());
    s.createTable(path("ZAR"), earnings());
    Table emp(s), zar(s);
    emp.open(path("RP7"));
    zar.open(path("ZAR"));
    addEmployee(emp, 1, 1, "A");
    addEmployee(emp, 1, 2, "B");
    addEmployee(emp, 2, 1, "C");
    zar.setMasterLink(&emp, "ZLEC;NR", "ZLEC;NR");

    auto years = [&] { return column(zar, "POLE1"); };
    emp.first();  // 1/1
    for (auto y : {"1999", "1998"}) {
        zar.insert();  // the link columns come from the master
        zar.setValue("POLE1", Value{std::string(y)});
        zar.post();
    }
    EXPECT_EQ(years(), (std::vector<std::string>{"1998", "1999"}));
    emp.next();  // 1/2: nothing yet
    EXPECT_TRUE(zar.isEmpty());
    EXPECT_EQ(zar.recordCount(), 0);
    zar.insert();
    zar.setValue("POLE1", Value{std::string("2001")});
    zar.post();
    emp.next();  // 2/1: the same NR under another payer is another person
    EXPECT_TRUE(zar.isEmpty());
    emp.first();
    EXPECT_EQ(zar.recordCount(), 2);

    // A bookmark of another employee's row is not reached through the detail: a screen
    // still showing that row must not lead an edit to it.
    zar.first();
    const Bookmark first = zar.bookmark();
    emp.next();
    EXPECT_FALSE(zar.gotoBookmark(first));
    emp.first();
    EXPECT_TRUE(zar.gotoBookmark(first));

    zar.setLinkActive(false);
    EXPECT_EQ(zar.recordCount(), 3);
    zar.setLinkActive(true);
    EXPECT_EQ(zar.recordCount(), 2);
}

TEST_F(TableTest, FilterAndCalculatedColumns) {
    Session s("SESJA");
    s.createTable(path("ZAR"), earnings());
    Table t(s);
    t.addCalculatedField("POLE10", FieldType::Number);
    t.setCalcFields([](Table& tb) {
        tb.setValue(tb.field("POLE10"), Value{tb.asFloat(tb.field("POLE2")) * 2});
    });
    t.open(path("ZAR"));
    for (int i = 1; i <= 5; ++i) {
        t.insert();
        t.setValue("POLE1", Value{std::to_string(1990 + i)});
        t.setValue("POLE2", Value{double(i * 100)});
        EXPECT_DOUBLE_EQ(t.asFloat(t.field("POLE10")), i * 200.0);
        t.post();
    }
    EXPECT_THROW(t.setValue(t.field("POLE10"), Value{1.0}), EngineError);
    t.setFilter([](Table& tb) { return tb.asFloat(tb.field("POLE2")) > 250; });
    t.setFiltered(true);
    EXPECT_EQ(t.recordCount(), 3);
    t.first();
    EXPECT_EQ(t.asString(t.field("POLE1")), "1993");
    EXPECT_DOUBLE_EQ(t.asFloat(t.field("POLE10")), 600.0);
    t.setFiltered(false);
    EXPECT_EQ(t.recordCount(), 5);
}

TEST_F(TableTest, NotificationsAndStates) {
    Session s("SESJA");
    s.createTable(path("RP7"), employees());
    Table t(s);
    std::vector<std::string> events;
    t.onStateChange = [&](Table& tb) {
        const char* names[] = {"inactive", "browse", "edit", "insert"};
        events.push_back(names[int(tb.state())]);
    };
    t.afterInsert = [&](Table&) { events.push_back("afterInsert"); };
    t.onDataChange = [&](Table&, int f) { events.push_back("data" + std::to_string(f)); };
    t.open(path("RP7"));
    t.afterScroll = [&](Table&) { events.push_back("scroll"); };
    events.clear();
    t.insert();
    t.setValue("NR", Value{std::int64_t(1)});
    t.post();
    t.edit();
    t.cancel();
    t.first();
    EXPECT_EQ(events, (std::vector<std::string>{"insert", "afterInsert", "data1", "browse", "data-1",
                                                "edit", "browse", "data-1", "scroll"}));
    // Moving with a pending edit posts it.
    t.edit();
    t.setValue("POLE1", Value{std::string("X")});
    t.next();
    EXPECT_EQ(t.state(), TableState::Browse);
    t.first();
    EXPECT_EQ(t.asString(t.field("POLE1")), "X");
}

TEST_F(TableTest, BookmarksAndMoveBy) {
    Session s("SESJA");
    s.createTable(path("RP7"), employees());
    Table t(s);
    t.open(path("RP7"));
    for (int i = 1; i <= 10; ++i) addEmployee(t, 1, i, "P" + std::to_string(i));
    t.first();
    EXPECT_TRUE(t.bof());
    EXPECT_EQ(t.moveBy(4), 4);
    EXPECT_EQ(t.asInteger(t.field("NR")), 5);
    Bookmark b = t.bookmark();
    EXPECT_EQ(t.moveBy(100), 5);
    EXPECT_TRUE(t.eof());
    EXPECT_EQ(t.moveBy(-3), -3);
    EXPECT_EQ(t.asInteger(t.field("NR")), 7);
    t.setIndexName("Ninx");
    EXPECT_TRUE(t.gotoBookmark(b));
    EXPECT_EQ(t.asInteger(t.field("NR")), 5);
    t.remove();
    EXPECT_FALSE(t.gotoBookmark(b));
    t.last();
    EXPECT_TRUE(t.eof());
    t.prior();
    EXPECT_FALSE(t.bof());
}

// The bookmarks listed from the index are the rows first() and next() visit, in their
// order, whatever the order, range, filter or changes, and the cursor does not move.
TEST_F(TableTest, ListedBookmarksAreTheRowsFirstAndNextVisit) {
    Session s("SESJA");
    s.createTable(path("RP7"), employees());
    TableDef payerDef;
    payerDef.fields = {fld("NR", FieldType::Long)};
    payerDef.indexes = {primaryOn({"NR"})};
    s.createTable(path("ZLEC"), payerDef);
    s.createTable(path("NOPAYER"), payerDef);

    Table payers(s), t(s);
    payers.open(path("ZLEC"));
    for (int nr : {1, 2, 3, 4}) {  // payer 4 has no employees
        payers.insert();
        payers.setValue("NR", Value{std::int64_t(nr)});
        payers.post();
    }
    t.addCalculatedField("DOUBLE", FieldType::Long);
    t.setCalcFields([](Table& tb) {
        tb.setValue(tb.field("DOUBLE"), Value{tb.asInteger(tb.field("NR")) * 2});
    });
    t.open(path("RP7"));
    // Mixed case and Polish letters, so that the case-insensitive index orders differently
    // from the bytes; enough rows under payer 2 to cross several index leaves.
    const char* names[] = {"Łukasz", "lucyna", "ADAM", "ćwik", "Cyran", "żak", "Zenon", "źdźbło"};
    std::mt19937 rng(11);
    t.beginBatch();
    for (int i = 0; i < 600; ++i) {
        const int zlec = i % 10 == 0 ? 1 : i % 10 == 1 ? 3 : 2;
        addEmployee(t, zlec, i + 1,
                    std::string(names[rng() % 8]) + " " + std::to_string(rng() % 50),
                    std::to_string(rng() % 100000));
    }
    t.endBatch();

    auto walked = [](Table& tb) {
        std::vector<std::vector<std::byte>> out;
        for (tb.first(); !tb.eof(); tb.next()) out.push_back(tb.bookmark().key);
        return out;
    };
    int scrolls = 0;
    t.afterScroll = [&](Table&) { ++scrolls; };
    auto listedStill = [&](Table& tb) {
        // Stands somewhere in the middle: the listing must leave it there.
        tb.first();
        tb.moveBy(3);
        const auto at = tb.bookmark().key;
        const auto doubled = tb.asInteger(tb.field("DOUBLE"));
        const int scrollsBefore = scrolls;
        const bool eof = tb.eof();
        std::vector<std::vector<std::byte>> out;
        for (const Bookmark& b : tb.listBookmarks()) out.push_back(b.key);
        EXPECT_EQ(tb.bookmark().key, at);
        EXPECT_EQ(tb.asInteger(tb.field("DOUBLE")), doubled);
        EXPECT_EQ(tb.eof(), eof);
        EXPECT_EQ(scrolls, scrollsBefore);
        return out;
    };
    auto check = [&](const std::string& what) {
        for (const char* index : {"", "Ninx", "Pinx"}) {
            t.setIndexName(index);
            auto listed = listedStill(t);
            EXPECT_EQ(listed, walked(t)) << what << " index '" << index << "'";
        }
    };

    check("whole table");
    EXPECT_EQ(t.listBookmarks().size(), 600u);

    t.setMasterLink(&payers, "ZLEC", "NR");
    for (payers.first(); !payers.eof(); payers.next())
        check("payer " + std::to_string(payers.asInteger(0)));
    payers.last();
    t.setIndexName("Ninx");
    EXPECT_TRUE(t.listBookmarks().empty());

    // Rows deleted and added under the linked payer, some at the ends of its range.
    payers.findKey({Value{std::int64_t(2)}});
    t.setIndexName("");
    for (int n = 0; n < 40; ++n) {
        t.first();
        t.moveBy(int(rng() % 300));
        t.remove();
    }
    t.first();
    t.remove();
    t.last();
    t.remove();
    for (int n = 0; n < 25; ++n) addEmployee(t, 2, 1000 + n, "aaa " + std::to_string(n));
    addEmployee(t, 2, 5000, "ŻŻŻ");
    check("payer 2 after changes");
    t.setLinkActive(false);
    check("link cut after changes");
    t.setLinkActive(true);

    // With a filter the records are read; the listing still equals the walk.
    t.setFilter([](Table& tb) { return tb.asInteger(tb.field("NR")) % 3 != 0; });
    t.setFiltered(true);
    check("filtered");
    t.setFilter([](Table&) { return false; });
    t.setIndexName("Pinx");
    EXPECT_TRUE(t.listBookmarks().empty());
    t.setFiltered(false);

    // A pending edit stays pending and is not part of the listing.
    t.setIndexName("");
    t.first();
    const auto firstRow = t.bookmark().key;
    t.edit();
    t.setValue("POLE1", Value{std::string("changed")});
    const auto listed = t.listBookmarks();
    EXPECT_EQ(t.state(), TableState::Edit);
    ASSERT_FALSE(listed.empty());
    EXPECT_EQ(listed.front().key, firstRow);
    t.cancel();

    // A master without a current row gives an empty range.
    Table none(s);
    none.open(path("NOPAYER"));
    t.setMasterLink(&none, "ZLEC", "NR");
    EXPECT_TRUE(t.listBookmarks().empty());
    EXPECT_EQ(walked(t).size(), 0u);
}

// Without a primary index the order is the physical one and a bookmark is the position.
TEST_F(TableTest, ListedBookmarksOfAnUnkeyedTable) {
    Session s("SESJA");
    TableDef def;
    def.fields = {fld("A", FieldType::Long)};
    s.createTable(path("PLAIN"), def);
    Table t(s);
    t.open(path("PLAIN"));
    EXPECT_TRUE(t.listBookmarks().empty());
    for (int i = 0; i < 300; ++i) {
        t.append();
        t.setValue("A", Value{std::int64_t(i)});
        t.post();
    }
    t.first();
    t.moveBy(7);
    t.remove();
    std::vector<std::vector<std::byte>> walked, listed;
    for (t.first(); !t.eof(); t.next()) walked.push_back(t.bookmark().key);
    for (const auto& b : t.listBookmarks()) listed.push_back(b.key);
    EXPECT_EQ(listed, walked);
    EXPECT_EQ(listed.size(), 299u);
}

// A table without a key has its physical order only: choosing it again keeps the current
// record and never asks for a key, and every record appended to its last block is walked.
TEST_F(TableTest, UnkeyedTableKeepsItsCurrentRecordWhenThePhysicalOrderIsChosen) {
    Session s("SESJA");
    TableDef def;
    def.fields = {fld("A", FieldType::Long)};
    s.createTable(path("LOOSE"), def);
    Table t(s);
    t.open(path("LOOSE"));
    for (int i = 0; i < 5; ++i) {
        t.append();
        t.setValue("A", Value{std::int64_t(i)});
        t.post();
    }
    t.first();
    t.moveBy(2);
    ASSERT_NO_THROW(t.setIndexName(""));
    EXPECT_EQ(t.asInteger(0), 2);
    std::vector<std::int64_t> physical;
    for (t.first(); !t.eof(); t.next()) physical.push_back(t.asInteger(0));
    EXPECT_EQ(physical, (std::vector<std::int64_t>{0, 1, 2, 3, 4}));
}

TEST_F(TableTest, RandomOperationsMatchAModelAndSurviveReopen) {
    Session s("SESJA");
    s.createTable(path("RP7"), employees());
    std::map<std::pair<int, int>, std::string> model;
    std::mt19937 rng(7);
    {
        Table t(s);
        t.open(path("RP7"));
        for (int step = 0; step < 1500; ++step) {
            int zlec = int(rng() % 3) + 1;
            int nr = int(rng() % 200) + 1;
            int op = int(rng() % 10);
            bool present = model.count({zlec, nr}) > 0;
            bool found = t.findKey({Value{std::int64_t(zlec)}, Value{std::int64_t(nr)}});
            ASSERT_EQ(found, present);
            std::string name = "N" + std::to_string(rng() % 100000);
            if (!present && op < 6) {
                addEmployee(t, zlec, nr, name);
                model[{zlec, nr}] = name;
            } else if (present && op < 8) {
                t.edit();
                t.setValue("POLE1", Value{name});
                t.post();
                model[{zlec, nr}] = name;
            } else if (present) {
                t.remove();
                model.erase({zlec, nr});
            }
        }
        ASSERT_EQ(t.recordCount(), std::int64_t(model.size()));
        EXPECT_TRUE(t.verify().empty());
    }
    Table t(s);
    t.open(path("RP7"));
    auto it = model.begin();
    for (t.first(); !t.eof(); t.next(), ++it) {
        ASSERT_NE(it, model.end());
        EXPECT_EQ(t.asInteger(t.field("ZLEC")), it->first.first);
        EXPECT_EQ(t.asInteger(t.field("NR")), it->first.second);
        EXPECT_EQ(t.asString(t.field("POLE1")), it->second);
    }
    EXPECT_EQ(it, model.end());
    // The name index agrees with the model too.
    t.setIndexName("Ninx");
    std::int64_t n = 0;
    std::string prevName;
    for (t.first(); !t.eof(); t.next()) ++n;
    EXPECT_EQ(n, std::int64_t(model.size()));
}

TEST_F(TableTest, MissingOrStaleIndexFailsSharedOpenButNotExclusive) {
    Session s("SESJA");
    s.createTable(path("RP7"), employees());
    {
        Table t(s);
        t.open(path("RP7"));
        addEmployee(t, 1, 1, "A");
    }
    fs::copy_file(path("RP7.XG0"), path("old.XG0"));
    {
        Table t(s);
        t.open(path("RP7"));
        addEmployee(t, 1, 2, "B");
    }
    // An index file from before the last change is stale.
    fs::copy_file(path("old.XG0"), path("RP7.XG0"), fs::copy_options::overwrite_existing);
    Table t(s);
    try {
        t.open(path("RP7"));
        FAIL() << "stale index accepted";
    } catch (const EngineError& e) {
        EXPECT_EQ(e.code(), ErrorCode::StaleIndex);
        EXPECT_NE(std::string(e.what()).find("RP7.XG0"), std::string::npos);
    }
    fs::remove(path("RP7.PX"));
    try {
        t.open(path("RP7"));
        FAIL() << "missing index accepted";
    } catch (const EngineError& e) {
        EXPECT_EQ(e.code(), ErrorCode::MissingIndex);
        EXPECT_NE(std::string(e.what()).find("RP7.PX"), std::string::npos);
    }
    t.open(path("RP7"), AccessMode::Exclusive);
    EXPECT_FALSE(t.verify().empty());
    // Adding the indexes again, as the repair does.
    t.addIndex(primaryOn({"ZLEC", "NR"}));
    t.addIndex(secondaryOn("Ninx", {"ZLEC", "POLE1"}));
    t.close();
    t.open(path("RP7"));
    EXPECT_EQ(t.recordCount(), 2);
    EXPECT_TRUE(t.verify().empty());
    t.setIndexName("Ninx");
    EXPECT_EQ(column(t, "POLE1"), (std::vector<std::string>{"A", "B"}));
}

TEST_F(TableTest, RebuildIndexesFromDescriptorsWhenFilesAreGone) {
    Session s("SESJA");
    s.createTable(path("RP7"), employees());
    {
        Table t(s);
        t.open(path("RP7"));
        addEmployee(t, 1, 1, "Zenon", "900");
        addEmployee(t, 1, 2, "Adam", "100");
    }
    fs::remove(path("RP7.PX"));
    fs::remove(path("RP7.XG1"));
    Table t(s);
    t.open(path("RP7"), AccessMode::Exclusive);
    t.rebuildIndexes();
    EXPECT_EQ(t.indexes().size(), 3u);
    EXPECT_TRUE(t.verify().empty());
    t.close();
    t.open(path("RP7"));
    t.setIndexName("Pinx");
    EXPECT_EQ(column(t, "POLE1"), (std::vector<std::string>{"Adam", "Zenon"}));
}

TEST_F(TableTest, ExclusiveOpenIsRefusedWhileAnotherHolderHasTheTable) {
    Session a("A"), b("B");
    a.createTable(path("RP7"), employees());
    Table shared(a);
    shared.open(path("RP7"));
    Table excl(b);
    try {
        excl.open(path("RP7"), AccessMode::Exclusive);
        FAIL() << "exclusive open while shared";
    } catch (const EngineError& e) {
        EXPECT_EQ(e.code(), ErrorCode::Locked);
    }
    shared.close();
    excl.open(path("RP7"), AccessMode::Exclusive);
    Table other(a);
    EXPECT_THROW(other.open(path("RP7")), EngineError);
}

TEST_F(TableTest, TwoSessionsSeeEachOthersChanges) {
    Session a("A"), b("B");
    a.createTable(path("RP7"), employees());
    Table ta(a), tb(b);
    ta.open(path("RP7"));
    tb.open(path("RP7"));
    addEmployee(ta, 1, 1, "A");
    tb.refresh();
    EXPECT_EQ(tb.recordCount(), 1);
    addEmployee(tb, 1, 2, "B");
    ta.first();
    EXPECT_EQ(column(ta, "POLE1"), (std::vector<std::string>{"A", "B"}));
    // An edit based on a record another cursor changed meanwhile is refused.
    ta.first();
    ta.edit();
    tb.first();
    tb.edit();
    tb.setValue("POLE1", Value{std::string("B-first")});
    tb.post();
    ta.setValue("POLE1", Value{std::string("A-late")});
    try {
        ta.post();
        FAIL() << "lost update";
    } catch (const EngineError& e) {
        EXPECT_EQ(e.code(), ErrorCode::RecordChanged);
    }
    ta.cancel();
    EXPECT_TRUE(ta.verify().empty());
}

TEST_F(TableTest, DeleteAndRenameActOnAllCompanions) {
    Session s("SESJA");
    s.createTable(path("ZAL"), employees());
    EXPECT_THROW(s.createTable(path("zal.db"), employees()), EngineError);
    s.renameTable(path("ZAL"), path("ZAL2"));
    EXPECT_FALSE(fs::exists(path("ZAL.DB")));
    EXPECT_FALSE(fs::exists(path("ZAL.PX")));
    EXPECT_TRUE(fs::exists(path("ZAL2.DB")));
    EXPECT_TRUE(fs::exists(path("ZAL2.PX")));
    EXPECT_TRUE(fs::exists(path("ZAL2.XG1")));
    Table t(s);
    t.open(path("ZAL2"));
    EXPECT_THROW(s.deleteTable(path("ZAL2")), EngineError);
    t.close();
    s.deleteTable(path("ZAL2"));
    for (const auto& e : fs::directory_iterator(dir.path()))
        ADD_FAILURE() << "left behind: " << e.path();
}

TEST_F(TableTest, SessionDeactivationClosesTablesAndPostsEdits) {
    Session s("SESJA");
    s.createTable(path("RP7"), employees());
    Table t(s);
    t.open(path("RP7"));
    t.insert();
    t.setValue("NR", Value{std::int64_t(5)});
    s.setActive(false);
    EXPECT_FALSE(t.isOpen());
    s.setActive(true);
    t.open(path("RP7"));
    EXPECT_EQ(t.recordCount(), 1);
    // With the session closed, the table can be opened for exclusive use elsewhere.
    t.close();
    s.setActive(false);
    Session other("X");
    Table ex(other);
    ex.open(path("RP7"), AccessMode::Exclusive);
}

TEST_F(TableTest, LargeRecordsSpanManyBlocks) {
    Session s("SESJA");
    TableDef def;
    def.fields = {fld("ZLEC", FieldType::Long), fld("NR", FieldType::Long)};
    for (int i = 1; i <= 90; ++i) def.fields.push_back(fld("P" + std::to_string(i), FieldType::Alpha, 59));
    def.indexes = {primaryOn({"ZLEC", "NR"})};
    s.createTable(path("BIG"), def);
    Table t(s);
    t.open(path("BIG"));
    for (int i = 1; i <= 40; ++i) {
        t.insert();
        t.setValue("ZLEC", Value{std::int64_t(1)});
        t.setValue("NR", Value{std::int64_t(i)});
        t.setValue("P90", Value{std::string(59, char('a' + i % 26))});
        t.post();
    }
    // Delete from the middle: the last record moves into the hole.
    for (int i = 2; i <= 40; i += 3) {
        ASSERT_TRUE(t.findKey({Value{std::int64_t(1)}, Value{std::int64_t(i)}}));
        t.remove();
    }
    EXPECT_TRUE(t.verify().empty());
    t.close();
    t.open(path("BIG"));
    int n = 0;
    for (t.first(); !t.eof(); t.next()) {
        int nr = int(t.asInteger(t.field("NR")));
        EXPECT_NE(nr % 3, 2);
        EXPECT_EQ(t.asString(t.field("P90")), std::string(59, char('a' + nr % 26)));
        ++n;
    }
    EXPECT_EQ(n, 27);
}

TEST_F(TableTest, ReadOnlyOpenBesideAWriterWithAPendingJournal) {
    Session a("A"), b("B");
    a.createTable(path("RP7"), employees());
    Table writer(a);
    writer.open(path("RP7"));
    addEmployee(writer, 1, 1, "Zapisany");
    // The writer's journal is not checkpointed yet; a reader must still open the table.
    Table reader(b);
    reader.open(path("RP7"), AccessMode::ReadOnly);
    EXPECT_EQ(column(reader, "POLE1"), (std::vector<std::string>{"Zapisany"}));
    EXPECT_THROW(reader.insert(), EngineError);
    addEmployee(writer, 1, 2, "Drugi");
    reader.refresh();
    EXPECT_EQ(reader.recordCount(), 2);
}

// Deleting, renaming, copying and creating a table touch its own files and nothing else that
// shares its stem: a user's notes, printouts and copies stay as they were.
TEST_F(TableTest, ATableIsItsOwnFilesOnly) {
    Session s("SESJA");
    const std::vector<std::string> users = {"ZAL.txt", "zal.pdf",    "ZAL.BAK",
                                            "Zal.zip", "ZAL.DB.old", "ZAL2.txt"};
    for (const auto& name : users) std::ofstream(path(name)) << "mine: " << name;
    s.createTable(path("ZAL"), employees());
    std::ofstream(path("ZAL.VAL")) << "checks";  // Paradox's own companion
    std::ofstream(path("ZAL.STR")) << "STRUKTURA ZBIORU";

    s.renameTable(path("ZAL"), path("ZAL2"));
    for (const char* own : {"ZAL2.DB", "ZAL2.PX", "ZAL2.XG0", "ZAL2.YG0", "ZAL2.VAL", "ZAL2.STR"})
        EXPECT_TRUE(fs::exists(path(own))) << own;
    s.copyTable(path("ZAL2"), path("ZAL"));
    EXPECT_TRUE(fs::exists(path("ZAL.VAL")));
    s.deleteTable(path("ZAL2"));
    s.deleteTable(path("ZAL"));
    // Files left by nobody's table are cleared when a table of that name is created.
    std::ofstream(path("ZAL.XG1")) << "stale";
    s.createTable(path("ZAL"), employees());
    s.deleteTable(path("ZAL"));

    std::set<std::string> left;
    for (const auto& e : fs::directory_iterator(dir.path())) left.insert(e.path().filename());
    EXPECT_EQ(left, std::set<std::string>(users.begin(), users.end()));
    for (const auto& name : users) {
        std::ifstream in(path(name));
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "mine: " + name);
    }
}

// A detail row that cannot be saved keeps the master on its row: the user is told and finds
// the row as typed, rather than losing it without a word as the master moves on.
TEST_F(TableTest, ADetailRowThatCannotBeSavedKeepsTheMasterOnItsRow) {
    Session s("SESJA");
    s.createTable(path("RP7"), employees());
    TableDef periods;
    periods.fields = {fld("ZLEC", FieldType::Long), fld("NR", FieldType::Long),
                      fld("POLE1", FieldType::Alpha, 10)};
    periods.indexes = {primaryOn({"ZLEC", "NR", "POLE1"})};
    s.createTable(path("ZAL"), periods);
    Table emp(s), zal(s);
    emp.open(path("RP7"));
    zal.open(path("ZAL"));
    addEmployee(emp, 1, 1, "A");
    addEmployee(emp, 1, 2, "B");
    zal.setMasterLink(&emp, "ZLEC;NR", "ZLEC;NR");
    emp.first();
    auto addPeriod = [&](const char* start) {
        zal.insert();
        zal.setValue("POLE1", Value{std::string(start)});
    };
    addPeriod("1998.01.01");
    zal.post();

    addPeriod("1998.01.01");  // refused by the key when posted
    auto expectKept = [&] {
        EXPECT_EQ(emp.asInteger(emp.field("NR")), 1);
        EXPECT_EQ(zal.state(), TableState::Insert);
        EXPECT_EQ(zal.asString(zal.field("POLE1")), "1998.01.01");
    };
    for (auto move : std::vector<std::function<void()>>{
             [&] { emp.next(); }, [&] { emp.last(); },
             [&] {
                 emp.findKey({Value{std::int64_t(1)}, Value{std::int64_t(2)}});
             },
             [&] { emp.insert(); }}) {
        try {
            move();
            ADD_FAILURE() << "the master left a row that was not saved";
        } catch (const EngineError& e) {
            EXPECT_EQ(e.code(), ErrorCode::KeyViolation);
            EXPECT_EQ(std::string(e.what()).rfind("Błąd zapisu\n", 0), 0u) << e.what();
        }
        expectKept();
    }
    // Saving the master's own change keeps the row too, for the user to correct.
    emp.edit();
    emp.setValue("POLE1", Value{std::string("A2")});
    emp.post();
    expectKept();

    zal.setValue("POLE1", Value{std::string("1999.01.01")});
    emp.next();
    EXPECT_EQ(emp.asInteger(emp.field("NR")), 2);
    emp.first();
    EXPECT_EQ(column(zal, "POLE1"), (std::vector<std::string>{"1998.01.01", "1999.01.01"}));
}
