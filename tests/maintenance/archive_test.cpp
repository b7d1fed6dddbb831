// Archive and restore on the level of files, over the in-memory file system: which files take
// part, the folders refused, and what a failure or a power cut at any step leaves behind.
#include <gtest/gtest.h>

#include <algorithm>

#include "archive_data.h"
#include "data/file_moves.h"
#include "engine/error.h"
#include "engine/session.h"
#include "engine/table.h"
#include "maintenance/archive.h"
#include "support/fault_env.h"
#include "support/table_rows.h"

namespace lumiro::maintenance {
namespace {

using engine::Value;
using test::firstName;
using test::makeTable;
using test::snapshot;
using test::Snapshot;
using MemEnv = lumiro::test::MemEnv;

const std::string kRoot = "/dane";
const std::string kArchive = "/dane/ARCHIWUM";
const std::string kWork = kArchive + "/.lumiro-archiwum";
const std::string kRecord = "/program/ODTWARZANIE.PLN";
const std::vector<std::string> kYears{"2005"};
const Places kPlaces{kRoot, kYears, "/program"};

void write(MemEnv& env, const std::string& path, const std::string& text) {
    test::writeText(env, path, text);
}
void makeData(MemEnv& env, const std::string& tag) {
    test::makeData(env, kRoot, tag);
}
bool yes(const QString&) {
    return true;
}

TEST(ArchiveFiles, TakePartByTheirExtensionInUpperCase) {
    for (const char* name :
         {"RP7.DB", "RP7.MB", "RP7.PX", "RP7.XG0", "RP7.YG0", "RP7.XG", "A.DBF", "A.YGZ"})
        EXPECT_TRUE(takesPart(name)) << name;
    for (const char* name : {"RP7.STR", "RP7.TV", "RP7.JNL", "RP7.D", "RP7.DBXX", "DB", "RP7.db",
                             "RP7.Px", "RP7.X01", "ImpExp.txt"})
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
    std::vector<std::string> expected{"FIRMA.DB", "BAZA/KADRY/RP7.DB", "BAZA/KADRY/RP7.XG0",
                                      "2005/KADRY/RP7.DB"};
    for (int i = 0; i < 30; ++i) expected.push_back("BAZA/F" + std::to_string(i) + "/T.DB");
    std::vector<std::string> got = set.files;
    std::sort(got.begin(), got.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(got, expected);
    EXPECT_EQ(set.leftOut, (std::vector<std::string>{"stare.db", "BAZA/KADRY/ZAR.db"}));
}

TEST(ArchiveFiles, FoldersHoldingTheLiveDataAreRefused) {
    MemEnv env;
    for (const char* folder :
         {"/dane", "/dane/", "/dane/BAZA", "/dane/BAZA/KADRY/ARCH", "/dane/2005", "/dane/./2005/x",
          "/", "/dane/..", "/program", "/program/../dane/baza"})
        EXPECT_FALSE(refusedArchiveFolder(env, kPlaces, folder).isEmpty()) << folder;
    for (const char* folder :
         {"/dane/ARCHIWUM", "/kopie/dane", "/dane/BAZA2", "/dane/20051", "/program/ARCHIWUM"})
        EXPECT_TRUE(refusedArchiveFolder(env, kPlaces, folder).isEmpty()) << folder;
    makeData(env, "");
    const Snapshot before = snapshot(env, kRoot);
    const Outcome out = archiveData(env, kPlaces, kRoot + "/BAZA");
    EXPECT_FALSE(out.ok);
    EXPECT_FALSE(out.error.isEmpty());
    EXPECT_EQ(test::differences(before, snapshot(env, kRoot)), "");
}

TEST(ArchiveAndRestore, BringBackTheArchivedTablesWithTheirCompanions) {
    MemEnv env;
    makeData(env, "");
    int steps = 0;
    Outcome out = archiveData(env, kPlaces, kArchive, [&] { ++steps; });
    ASSERT_TRUE(out.ok) << out.error.toStdString();
    EXPECT_EQ(steps, 1 + 1 + 1);  // the start, the root done, the one year folder with tables
    EXPECT_TRUE(env.exists(kArchive + "/FIRMA.DB"));
    EXPECT_TRUE(env.exists(kArchive + "/BAZA/KADRY/RP7.MB"));
    EXPECT_TRUE(env.exists(kArchive + "/BAZA/KADRY/RP7.XG0"));
    EXPECT_FALSE(env.exists(kArchive + "/FIRMA.STR"));
    EXPECT_FALSE(env.isDir(kWork));
    // A year the data root does not hold is not brought back.
    write(env, kArchive + "/2004/KADRY/RP7.DB", "x");

    // After the archive: other rows, a table of the root the archive lacks, an extra index.
    engine::Session session("S", env);
    {
        engine::Table table(session);
        table.open(kRoot + "/BAZA/KADRY/RP7.DB");
        lumiro::test::appendRows(
            table, {{{"NR", Value{std::int64_t(99)}}, {"NAZWISKO", Value{std::string("Nowy")}}}});
    }
    makeTable(env, kRoot + "/NOWA", "Nowa", 1);
    write(env, kRoot + "/BAZA/KADRY/RP7.X05", "stary indeks");
    write(env, kRoot + "/BAZA/KADRY/RP7.JNL", "");
    write(env, kRoot + "/BAZA/KADRY/RP7.STR", "opis");

    out = restoreData(env, kPlaces, kArchive, yes);
    ASSERT_TRUE(out.ok) << out.error.toStdString();
    EXPECT_EQ(lumiro::test::readRows(env, kRoot + "/BAZA/KADRY/RP7.DB").size(), 8u);
    EXPECT_FALSE(env.exists(kRoot + "/BAZA/KADRY/RP7.X05"));
    EXPECT_FALSE(env.exists(kRoot + "/BAZA/KADRY/RP7.JNL"));
    EXPECT_TRUE(env.exists(kRoot + "/BAZA/KADRY/RP7.STR"));
    EXPECT_TRUE(env.exists(kRoot + "/NOWA.DB"));
    EXPECT_FALSE(env.isDir(kRoot + "/2004"));
    EXPECT_FALSE(env.exists(kRecord));
    EXPECT_FALSE(env.isDir(kRoot + "/ODTWARZANIE.nowe"));
    EXPECT_FALSE(env.isDir(kRoot + "/ODTWARZANIE.stare"));
    for (const char* t :
         {"/FIRMA.DB", "/BAZA/KADRY/RP7.DB", "/BAZA/KADRY/ZAR.DB", "/2005/KADRY/RP7.DB"}) {
        engine::Table table(session);
        table.open(kRoot + t, engine::AccessMode::ReadOnly);
        EXPECT_TRUE(table.verify().empty()) << t;
    }
}

TEST(ArchiveAndRestore, RestoreFromAFolderThatIsNotThereSaysSo) {
    MemEnv env;
    makeData(env, "");
    const Snapshot before = snapshot(env, kRoot);
    const Outcome out = restoreData(env, kPlaces, "/nigdzie", yes);
    EXPECT_FALSE(out.ok);
    EXPECT_TRUE(out.error.contains(QStringLiteral("nie istnieje")));
    EXPECT_EQ(test::differences(before, snapshot(env, kRoot)), "");
}

// The previous archive and a changed data root, for the failure sweeps.
void archiveThenChange(MemEnv& env) {
    makeData(env, "");
    ASSERT_TRUE(archiveData(env, kPlaces, kArchive, {}).ok);
    makeData(env, "-nowe");
    makeTable(env, kRoot + "/BAZA/KADRY/ZAL", "Okresy", 3);
}

TEST(ArchiveFaults, AFailureAtAnyStepLeavesThePreviousArchiveWhole) {
    MemEnv env;
    archiveThenChange(env);
    const Snapshot previous = snapshot(env, kArchive);
    const Snapshot data = snapshot(env, kRoot, "ARCHIWUM");
    int failures = 0;
    for (std::uint64_t k = 1;; k += 2) {
        env.failOperation(k);
        const Outcome out = archiveData(env, kPlaces, kArchive, {});
        env.clearFaults();
        if (out.ok) break;
        ++failures;
        ASSERT_FALSE(out.error.isEmpty()) << k;
        ASSERT_EQ(test::differences(previous, snapshot(env, kArchive)), "") << "operation " << k;
        ASSERT_EQ(test::differences(data, snapshot(env, kRoot, "ARCHIWUM")), "")
            << "operation " << k;
        ASSERT_FALSE(env.isDir(kWork)) << k;
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
        ASSERT_TRUE(archiveData(env, kPlaces, kArchive, {}).ok);
        total = env.operationCount() - start;
    }
    for (std::uint64_t k = 0; k < total; k += 4) {
        MemEnv env;
        archiveThenChange(env);
        env.crashAfter(k);
        // Past the swap the run is done whatever fails; before it, nothing is.
        archiveData(env, kPlaces, kArchive, {});
        env.dropUnsyncedData();
        // What the cut left is tidied (as the next archive or restore does first), and then
        // the tables are all of one archive.
        completeInterruptedArchive(env, kArchive);
        ASSERT_FALSE(env.isDir(kWork)) << k;
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
    env.remove("/s/RP7.DB");
    env.remove("/s/RP7.X05");
    std::string text;
    for (const auto& m : moves) text += m.from + "\t" + m.to + "\n";
    write(env, kRecord, text);
    EXPECT_TRUE(data::completeFileMoves(env, kRecord));
    EXPECT_FALSE(env.exists(kRecord));
    EXPECT_EQ(test::readText(env, "/d/RP7.DB"), "nowy");
    EXPECT_FALSE(env.exists("/s/RP7.DB"));
    EXPECT_FALSE(env.exists("/d/RP7.X05"));
}

TEST(RestoreFaults, AFailureAtAnyStepLeavesTheDataRootAsItWas) {
    MemEnv env;
    archiveThenChange(env);
    const Snapshot before = snapshot(env, kRoot, "ARCHIWUM");
    int failures = 0;
    for (std::uint64_t k = 1;; k += 2) {
        env.failOperation(k);
        const Outcome out = restoreData(env, kPlaces, kArchive, yes);
        env.clearFaults();
        if (out.ok) break;
        ++failures;
        if (env.exists(kRecord)) {
            // Only removing the record failed, after every move: the next start finishes.
            ASSERT_TRUE(data::completeFileMoves(env, kRecord));
            ASSERT_EQ(firstName(env, kRoot + "/BAZA/KADRY/RP7.DB"), "Kowalska1") << k;
            break;
        }
        ASSERT_EQ(test::differences(before, snapshot(env, kRoot, "ARCHIWUM")), "")
            << "operation " << k;
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
        ASSERT_TRUE(restoreData(env, kPlaces, kArchive, yes).ok);
        total = env.operationCount() - start;
    }
    int restored = 0, old = 0;
    for (std::uint64_t k = 0; k < total; k += 2) {
        MemEnv env;
        archiveThenChange(env);
        env.crashAfter(k);
        // Cut during the clean-up after the swap, the run has succeeded.
        restoreData(env, kPlaces, kArchive, yes);
        env.dropUnsyncedData();
        // The next start: the moves a record names are finished first.
        data::completeFileMoves(env, kRecord);
        EXPECT_FALSE(env.exists(kRecord));
        std::vector<std::string> firsts;
        for (const char* t :
             {"/FIRMA.DB", "/BAZA/KADRY/RP7.DB", "/BAZA/KADRY/ZAR.DB", "/2005/KADRY/RP7.DB"}) {
            engine::Session session("S", env);
            engine::Table table(session);
            table.open(kRoot + t, engine::AccessMode::ReadOnly);
            const auto problems = table.verify();
            ASSERT_TRUE(problems.empty())
                << "cut after " << k << ": " << t << ": " << problems.front();
            firsts.push_back(firstName(env, kRoot + t));
        }
        const std::vector<std::string> before{"Firma-nowe1", "Kowalska-nowe1", "Zarobki-nowe1",
                                              "Stary-nowe1"};
        const std::vector<std::string> after{"Firma1", "Kowalska1", "Zarobki1", "Stary1"};
        ASSERT_TRUE(firsts == before || firsts == after)
            << "cut after " << k << ": " << firsts[0] << " " << firsts[1] << " " << firsts[2] << " "
            << firsts[3];
        (firsts == after ? restored : old)++;
        // A second restore after the interrupted one brings the archive back whole and
        // clears what the first left.
        const Outcome again = restoreData(env, kPlaces, kArchive, yes);
        ASSERT_TRUE(again.ok) << "cut after " << k << ": " << again.error.toStdString();
        ASSERT_EQ(firstName(env, kRoot + "/BAZA/KADRY/RP7.DB"), "Kowalska1") << k;
        ASSERT_FALSE(env.isDir(kRoot + "/ODTWARZANIE.nowe")) << k;
        ASSERT_FALSE(env.isDir(kRoot + "/ODTWARZANIE.stare")) << k;
    }
    EXPECT_GT(restored, 0);
    EXPECT_GT(old, 0);
}

}  // namespace
}  // namespace lumiro::maintenance
