// Archive and restore on the level of files, over the in-memory file system: which files take
// part, the folders refused, and what a failure or a power cut at any step leaves behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "data/file_moves.h"
#include "engine/error.h"
#include "engine/session.h"
#include "engine/table.h"
#include "maintenance/archive.h"
#include "support/fault_env.h"
#include "support/table_rows.h"

namespace lumiro::maintenance {
namespace {

using engine::FieldDef;
using engine::FieldType;
using engine::Value;
using test::MemEnv;

const std::string kRoot = "/dane";
const std::string kArchive = "/dane/ARCHIWUM";
const std::string kRecord = "/program/ODTWARZANIE.PLN";
const std::vector<std::string> kYears{"2005"};

engine::TableDef layout() {
    engine::TableDef def;
    auto f = [](const char* n, FieldType t, int size = 0) {
        FieldDef d;
        d.name = n;
        d.type = t;
        d.size = size;
        return d;
    };
    def.fields = {f("NR", FieldType::Long), f("NAZWISKO", FieldType::Alpha, 40), f("UWAGI", FieldType::Alpha, 200)};
    engine::IndexDef primary;
    primary.primary = primary.unique = true;
    primary.fields = {"NR"};
    engine::IndexDef byName;
    byName.name = "Nazwisko";
    byName.caseInsensitive = true;
    byName.fields = {"NAZWISKO"};
    def.indexes = {primary, byName};
    return def;
}

void makeTable(MemEnv& env, const std::string& path, const std::string& name, int rows) {
    // A table made again replaces the one there, with all its files.
    const std::string stem = engine::baseName(path) + ".";
    for (const std::string& file : env.listDir(engine::dirName(path)))
        if (file.compare(0, stem.size(), stem) == 0) env.remove(engine::dirName(path) + "/" + file);
    engine::Session session("SETUP", env);
    session.createTable(path, layout());
    engine::Table table(session);
    table.open(path + ".DB");
    for (int i = 1; i <= rows; ++i)
        test::appendRows(table, {{{"NR", Value{std::int64_t(i)}},
                                  {"NAZWISKO", Value{name + std::to_string(i)}},
                                  {"UWAGI", Value{std::string(150, char('a' + i % 26))}}}});
    table.close();
    // A memo file beside it, as the employee tables have.
    env.setContents(path + ".MB", std::vector<std::byte>(4096, std::byte{0x11}));
    env.syncDir(engine::dirName(path));
}

void write(MemEnv& env, const std::string& path, const std::string& text) {
    std::vector<std::byte> bytes(text.size());
    std::transform(text.begin(), text.end(), bytes.begin(), [](char c) { return std::byte(c); });
    env.setContents(path, bytes);
}

// The data root of a payer's program: the company table and a structure file in the root,
// the employee tables of BAZA\KADRY, one table in each year folder.
void makeData(MemEnv& env, const std::string& tag) {
    makeTable(env, kRoot + "/FIRMA", "Firma" + tag, 2);
    write(env, kRoot + "/FIRMA.STR", "opis");
    makeTable(env, kRoot + "/BAZA/KADRY/RP7", "Kowalska" + tag, 8);
    makeTable(env, kRoot + "/BAZA/KADRY/ZAR", "Zarobki" + tag, 12);
    makeTable(env, kRoot + "/2005/KADRY/RP7", "Stary" + tag, 3);
}

// Every file under the folder with its bytes.
using Snapshot = std::map<std::string, std::vector<std::byte>>;
void snapshotInto(MemEnv& env, const std::string& folder, Snapshot& out) {
    for (const std::string& name : env.listDir(folder)) {
        const std::string path = folder + "/" + name;
        if (env.isDir(path))
            snapshotInto(env, path, out);
        else
            out[path] = env.contents(path);
    }
}
Snapshot snapshot(MemEnv& env, const std::string& folder, const std::string& except = {}) {
    Snapshot out;
    snapshotInto(env, folder, out);
    if (!except.empty())
        std::erase_if(out, [&](const auto& e) { return e.first.compare(0, except.size(), except) == 0; });
    return out;
}

std::vector<std::string> names(const std::vector<test::TableRow>& rows) {
    std::vector<std::string> out;
    for (const auto& r : rows) out.push_back(std::get<std::string>(r.at("NAZWISKO")));
    return out;
}
std::string firstName(MemEnv& env, const std::string& table) {
    return names(test::readRows(env, table)).at(0);
}

TEST(ArchiveFiles, TakePartByTheirExtensionInUpperCase) {
    for (const char* name : {"RP7.DB", "RP7.MB", "RP7.PX", "RP7.XG0", "RP7.YG0", "RP7.XG", "A.DBF", "A.YGZ"})
        EXPECT_TRUE(takesPart(name)) << name;
    for (const char* name : {"RP7.STR", "RP7.TV", "RP7.JNL", "RP7.D", "RP7.DBXX", "DB", "RP7.db", "RP7.Px",
                             "RP7.X01", "ImpExp.txt"})
        EXPECT_FALSE(takesPart(name)) << name;
    EXPECT_TRUE(leftOutForCase("RP7.db"));
    EXPECT_TRUE(leftOutForCase("rp7.xg0"));
    EXPECT_FALSE(leftOutForCase("RP7.DB"));
    EXPECT_FALSE(leftOutForCase("RP7.str"));
}

TEST(ArchiveFiles, ComeFromTheRootBazaAndTheYearFoldersOneLevelDown) {
    MemEnv env;
    write(env, kRoot + "/FIRMA.DB", "x");
    write(env, kRoot + "/FIRMA.STR", "x");
    write(env, kRoot + "/stare.db", "x");
    write(env, kRoot + "/BAZA/LUZEM.DB", "x");
    write(env, kRoot + "/BAZA/KADRY/RP7.DB", "x");
    write(env, kRoot + "/BAZA/KADRY/RP7.XG0", "x");
    write(env, kRoot + "/BAZA/KADRY/ZAR.db", "x");
    write(env, kRoot + "/BAZA/KADRY/GLEBIEJ/RP7.DB", "x");
    write(env, kRoot + "/BAZA/.ukryty/RP7.DB", "x");
    write(env, kRoot + "/2005/KADRY/RP7.DB", "x");
    write(env, kRoot + "/2005/LUZEM.DB", "x");
    write(env, kRoot + "/2004/KADRY/RP7.DB", "x");  // not among the year folders found
    // More entries than a fixed list of twenty would hold: every one is taken.
    for (int i = 0; i < 30; ++i) write(env, kRoot + "/BAZA/F" + std::to_string(i) + "/T.DB", "x");
    const FileSet set = collectFiles(env, kRoot, kYears);
    std::vector<std::string> expected{"FIRMA.DB", "BAZA/KADRY/RP7.DB", "BAZA/KADRY/RP7.XG0", "2005/KADRY/RP7.DB"};
    for (int i = 0; i < 30; ++i) expected.push_back("BAZA/F" + std::to_string(i) + "/T.DB");
    std::vector<std::string> got = set.files;
    std::sort(got.begin(), got.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(got, expected);
    EXPECT_EQ(set.leftOut, (std::vector<std::string>{"stare.db", "BAZA/KADRY/ZAR.db"}));
}

TEST(ArchiveFiles, FoldersHoldingTheLiveDataAreRefused) {
    for (const char* folder : {"/dane", "/dane/", "/dane/BAZA", "/dane/BAZA/KADRY/ARCH", "/dane/2005",
                               "/dane/./2005/x", "/", "/dane/.."})
        EXPECT_FALSE(refusedArchiveFolder(kRoot, kYears, folder).isEmpty()) << folder;
    for (const char* folder : {"/dane/ARCHIWUM", "/kopie/dane", "/dane/BAZA2", "/dane/20051"})
        EXPECT_TRUE(refusedArchiveFolder(kRoot, kYears, folder).isEmpty()) << folder;
    MemEnv env;
    makeData(env, "");
    const Snapshot before = snapshot(env, kRoot);
    const Outcome out = archiveData(env, kRoot, kYears, kRoot + "/BAZA", {});
    EXPECT_FALSE(out.ok);
    EXPECT_FALSE(out.error.isEmpty());
    EXPECT_EQ(snapshot(env, kRoot), before);
}

TEST(ArchiveAndRestore, BringBackTheArchivedTablesWithTheirCompanions) {
    MemEnv env;
    makeData(env, "");
    int steps = 0;
    Outcome out = archiveData(env, kRoot, kYears, kArchive, [&] { ++steps; });
    ASSERT_TRUE(out.ok) << out.error.toStdString();
    EXPECT_EQ(steps, 1 + 1 + 1);  // the start, the root done, the one year folder with tables
    EXPECT_TRUE(env.exists(kArchive + "/FIRMA.DB"));
    EXPECT_TRUE(env.exists(kArchive + "/BAZA/KADRY/RP7.MB"));
    EXPECT_TRUE(env.exists(kArchive + "/BAZA/KADRY/RP7.XG0"));
    EXPECT_FALSE(env.exists(kArchive + "/FIRMA.STR"));
    EXPECT_FALSE(env.isDir(kArchive + ".nowe"));
    EXPECT_FALSE(env.isDir(kArchive + ".stare"));
    // A year the data root does not hold is not brought back.
    write(env, kArchive + "/2004/KADRY/RP7.DB", "x");

    // After the archive: other rows, a table of the root the archive lacks, an extra index.
    engine::Session session("S", env);
    {
        engine::Table table(session);
        table.open(kRoot + "/BAZA/KADRY/RP7.DB");
        test::appendRows(table, {{{"NR", Value{std::int64_t(99)}}, {"NAZWISKO", Value{std::string("Nowy")}}}});
    }
    makeTable(env, kRoot + "/NOWA", "Nowa", 1);
    write(env, kRoot + "/BAZA/KADRY/RP7.X05", "stary indeks");
    write(env, kRoot + "/BAZA/KADRY/RP7.JNL", "");
    write(env, kRoot + "/BAZA/KADRY/RP7.STR", "opis");

    out = restoreData(env, kRoot, kYears, kArchive, kRecord, {});
    ASSERT_TRUE(out.ok) << out.error.toStdString();
    EXPECT_EQ(test::readRows(env, kRoot + "/BAZA/KADRY/RP7.DB").size(), 8u);
    EXPECT_FALSE(env.exists(kRoot + "/BAZA/KADRY/RP7.X05"));
    EXPECT_FALSE(env.exists(kRoot + "/BAZA/KADRY/RP7.JNL"));
    EXPECT_TRUE(env.exists(kRoot + "/BAZA/KADRY/RP7.STR"));
    EXPECT_TRUE(env.exists(kRoot + "/NOWA.DB"));
    EXPECT_FALSE(env.isDir(kRoot + "/2004"));
    EXPECT_FALSE(env.exists(kRecord));
    EXPECT_FALSE(env.isDir(kRoot + "/ODTWARZANIE.nowe"));
    EXPECT_FALSE(env.isDir(kRoot + "/ODTWARZANIE.stare"));
    for (const char* t : {"/FIRMA.DB", "/BAZA/KADRY/RP7.DB", "/BAZA/KADRY/ZAR.DB", "/2005/KADRY/RP7.DB"}) {
        engine::Table table(session);
        table.open(kRoot + t, engine::AccessMode::ReadOnly);
        EXPECT_TRUE(table.verify().empty()) << t;
    }
}

TEST(ArchiveAndRestore, RestoreFromAFolderThatIsNotThereSaysSo) {
    MemEnv env;
    makeData(env, "");
    const Snapshot before = snapshot(env, kRoot);
    const Outcome out = restoreData(env, kRoot, kYears, "/nigdzie", kRecord, {});
    EXPECT_FALSE(out.ok);
    EXPECT_TRUE(out.error.contains(QStringLiteral("nie istnieje")));
    EXPECT_EQ(snapshot(env, kRoot), before);
}

TEST(ArchiveAndRestore, ADamagedTableKeepsItsPreviousCopyAndTheDateWaits) {
    MemEnv env;
    makeData(env, "");
    ASSERT_TRUE(archiveData(env, kRoot, kYears, kArchive, {}).ok);
    const auto archivedRp7 = env.contents(kArchive + "/BAZA/KADRY/RP7.DB");
    // New rows in ZAR; garbage over RP7's data blocks.
    {
        engine::Session session("S", env);
        engine::Table table(session);
        table.open(kRoot + "/BAZA/KADRY/ZAR.DB");
        test::appendRows(table, {{{"NR", Value{std::int64_t(500)}}, {"NAZWISKO", Value{std::string("Nowy")}}}});
    }
    auto bytes = env.contents(kRoot + "/BAZA/KADRY/RP7.DB");
    std::fill(bytes.begin() + 2048, bytes.end(), std::byte{0x5a});
    env.setContents(kRoot + "/BAZA/KADRY/RP7.DB", bytes);

    const Outcome out = archiveData(env, kRoot, kYears, kArchive, {});
    EXPECT_FALSE(out.ok);
    ASSERT_EQ(out.damaged.size(), 1);
    EXPECT_TRUE(out.damaged.front().startsWith(QStringLiteral("BAZA/KADRY/RP7.DB")));
    EXPECT_EQ(env.contents(kArchive + "/BAZA/KADRY/RP7.DB"), archivedRp7);
    EXPECT_EQ(test::readRows(env, kArchive + "/BAZA/KADRY/ZAR.DB").size(), 13u);
}

// The previous archive and a changed data root, for the failure sweeps.
void archiveThenChange(MemEnv& env) {
    makeData(env, "");
    ASSERT_TRUE(archiveData(env, kRoot, kYears, kArchive, {}).ok);
    makeData(env, "-nowe");
    makeTable(env, kRoot + "/BAZA/KADRY/ZAL", "Okresy", 3);
}

TEST(ArchiveFaults, AFailureAtAnyStepLeavesThePreviousArchiveWhole) {
    MemEnv env;
    archiveThenChange(env);
    const Snapshot previous = snapshot(env, kArchive);
    const Snapshot data = snapshot(env, kRoot, kArchive);
    int failures = 0;
    for (std::uint64_t k = 1;; k += 2) {
        env.failOperation(k);
        const Outcome out = archiveData(env, kRoot, kYears, kArchive, {});
        env.clearFaults();
        if (out.ok) break;
        ++failures;
        ASSERT_FALSE(out.error.isEmpty()) << k;
        ASSERT_EQ(snapshot(env, kArchive), previous) << "operation " << k;
        ASSERT_EQ(snapshot(env, kRoot, kArchive), data) << "operation " << k;
        ASSERT_FALSE(env.isDir(kArchive + ".nowe")) << k;
        ASSERT_LT(k, 5000u);
    }
    EXPECT_GT(failures, 10);
    EXPECT_EQ(firstName(env, kArchive + "/BAZA/KADRY/RP7.DB"), "Kowalska-nowe1");
    EXPECT_TRUE(env.exists(kArchive + "/BAZA/KADRY/ZAL.DB"));
}

TEST(ArchiveFaults, APowerCutLeavesTheOldOrTheNewArchive) {
    std::uint64_t total = 0;
    {
        MemEnv env;
        archiveThenChange(env);
        const auto start = env.operationCount();
        ASSERT_TRUE(archiveData(env, kRoot, kYears, kArchive, {}).ok);
        total = env.operationCount() - start;
    }
    for (std::uint64_t k = 0; k < total; k += 4) {
        MemEnv env;
        archiveThenChange(env);
        env.crashAfter(k);
        // Past the swap the run is done whatever fails; before it, nothing is.
        archiveData(env, kRoot, kYears, kArchive, {});
        env.dropUnsyncedData();
        // The next run tidies up what the cut left, then both tables are of one archive.
        const Outcome again = archiveData(env, "/pusty", {}, kArchive, {});
        ASSERT_TRUE(again.ok) << k << again.error.toStdString();
        const std::string rp7 = firstName(env, kArchive + "/BAZA/KADRY/RP7.DB");
        const std::string zar = firstName(env, kArchive + "/BAZA/KADRY/ZAR.DB");
        ASSERT_TRUE(rp7 == "Kowalska1" || rp7 == "Kowalska-nowe1") << k << rp7;
        ASSERT_EQ(zar, rp7 == "Kowalska1" ? "Zarobki1" : "Zarobki-nowe1") << k;
    }
}

TEST(FileMoves, AStaleRecordChangesNothingOnceItsMovesWereMade) {
    MemEnv env;
    write(env, "/d/RP7.DB", "stary");
    write(env, "/d/RP7.X05", "stary indeks");
    write(env, "/n/RP7.DB", "nowy");
    const std::vector<data::FileMove> moves{
        {"/d/RP7.DB", "/s/RP7.DB"}, {"/d/RP7.X05", "/s/RP7.X05"}, {"/n/RP7.DB", "/d/RP7.DB"}};
    data::moveFilesTogether(env, kRecord, moves);
    EXPECT_FALSE(env.exists(kRecord));
    // The replaced files are cleared away; a record of the same moves turns up again.
    data::removeTree(env, "/s");
    std::string text;
    for (const auto& m : moves) text += m.from + "\t" + m.to + "\n";
    write(env, kRecord, text);
    EXPECT_TRUE(data::completeFileMoves(env, kRecord));
    EXPECT_FALSE(env.exists(kRecord));
    const auto restored = env.contents("/d/RP7.DB");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(restored.data()), restored.size()), "nowy");
    EXPECT_FALSE(env.exists("/s/RP7.DB"));
    EXPECT_FALSE(env.exists("/d/RP7.X05"));
}

TEST(RestoreFaults, AFailureAtAnyStepLeavesTheDataRootAsItWas) {
    MemEnv env;
    archiveThenChange(env);
    const Snapshot before = snapshot(env, kRoot, kArchive);
    int failures = 0;
    for (std::uint64_t k = 1;; k += 2) {
        env.failOperation(k);
        const Outcome out = restoreData(env, kRoot, kYears, kArchive, kRecord, {});
        env.clearFaults();
        if (out.ok) break;
        ++failures;
        if (env.exists(kRecord)) {
            // Only removing the record failed, after every move: the next start finishes.
            ASSERT_TRUE(data::completeFileMoves(env, kRecord));
            ASSERT_EQ(firstName(env, kRoot + "/BAZA/KADRY/RP7.DB"), "Kowalska1") << k;
            break;
        }
        ASSERT_EQ(snapshot(env, kRoot, kArchive), before) << "operation " << k;
        ASSERT_LT(k, 5000u);
    }
    EXPECT_GT(failures, 10);
    EXPECT_EQ(firstName(env, kRoot + "/BAZA/KADRY/RP7.DB"), "Kowalska1");
    EXPECT_EQ(firstName(env, kRoot + "/2005/KADRY/RP7.DB"), "Stary1");
    // A table the archive does not hold stays.
    EXPECT_EQ(firstName(env, kRoot + "/BAZA/KADRY/ZAL.DB"), "Okresy1");
}

TEST(RestoreFaults, APowerCutDuringTheSwapLeavesTheOldOrTheRestoredData) {
    std::uint64_t start = 0, total = 0;
    {
        MemEnv env;
        archiveThenChange(env);
        start = env.operationCount();
        ASSERT_TRUE(restoreData(env, kRoot, kYears, kArchive, kRecord, {}).ok);
        total = env.operationCount() - start;
    }
    int restored = 0, old = 0;
    for (std::uint64_t k = 0; k < total; k += 2) {
        MemEnv env;
        archiveThenChange(env);
        env.crashAfter(k);
        // Cut during the clean-up after the swap, the run has succeeded.
        restoreData(env, kRoot, kYears, kArchive, kRecord, {});
        env.dropUnsyncedData();
        // The next start: the moves a record names are finished first.
        data::completeFileMoves(env, kRecord);
        EXPECT_FALSE(env.exists(kRecord));
        std::vector<std::string> firsts;
        for (const char* t : {"/FIRMA.DB", "/BAZA/KADRY/RP7.DB", "/BAZA/KADRY/ZAR.DB", "/2005/KADRY/RP7.DB"}) {
            engine::Session session("S", env);
            engine::Table table(session);
            table.open(kRoot + t, engine::AccessMode::ReadOnly);
            const auto problems = table.verify();
            ASSERT_TRUE(problems.empty()) << "cut after " << k << ": " << t << ": " << problems.front();
            firsts.push_back(firstName(env, kRoot + t));
        }
        const std::vector<std::string> before{"Firma-nowe1", "Kowalska-nowe1", "Zarobki-nowe1", "Stary-nowe1"};
        const std::vector<std::string> after{"Firma1", "Kowalska1", "Zarobki1", "Stary1"};
        ASSERT_TRUE(firsts == before || firsts == after) << "cut after " << k << ": " << firsts[0] << " "
                                                         << firsts[1] << " " << firsts[2] << " " << firsts[3];
        (firsts == after ? restored : old)++;
    }
    EXPECT_GT(restored, 0);
    EXPECT_GT(old, 0);
}

}  // namespace
}  // namespace lumiro::maintenance
