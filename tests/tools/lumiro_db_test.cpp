// lumiro-db driven as a user or a script drives it: through its command line and its output.
#include <gtest/gtest.h>

#include <filesystem>

#include "tool_runner.h"

namespace lumiro::tools::testing {
namespace {

const std::string kLayout =
    "# karta pracownika\n"
    "NR\tI\t0\n"
    "NAZWISKO\tA\t30\n"
    "PENSJA\t$\t0\n"
    "WSP\tN\t0\n"
    "AKTYWNY\tL\t0\n"
    "DATA_UR\tD\t0\n"
    "GODZ\tT\t0\n"
    "ZMIANA\t@\t0\n"
    "ILOŚĆ\tS\t0\n"
    "KOD\tY\t4\n"
    "UWAGI\tM\t60\n"
    "KURS\t#\t2\n"
    "ZDJ\tB\t10\n"
    "key=1\n"
    "index\tNAZW\tNAZWISKO;NR\tnocase\n"
    "index\tPO_DACIE\tDATA_UR\t-\n";

const std::string kHeader =
    "NR\tNAZWISKO\tPENSJA\tWSP\tAKTYWNY\tDATA_UR\tGODZ\tZMIANA\tILOŚĆ\tKOD\tUWAGI\tKURS\tZDJ\n";
// Rows as dump writes them, in key order.
const std::string kRow1 =
    "1\tKowalski\t0.00\t1e-300\tfalse\t0001-01-01\t23:59:59.999\t9999-12-31 23:59:59\t32767"
    "\t\t\t0.00\t\n";
const std::string kRow2 =
    "2\tŻółkiewska-Łącka\t-1234.50\t0.1\ttrue\t1980-02-29\t08:00:00\t2024-01-02 03:04:05.006"
    "\t-7\t00ff0a10\twiersz 1\\nwiersz 2\\ttab \\\\ koniec\t-12.30\tcafe\n";
const std::string kRow3 = "3\t\t\t\t\t\t\t\t\t\t\t\t\n";

class LumiroDb : public ::testing::Test {
  protected:
    void SetUp() override {
        dir.write("uklad.txt", kLayout);
        RunResult r = run({"create", table, dir.file("uklad.txt")});
        ASSERT_EQ(r.exitCode, 0) << r.err;
    }

    RunResult run(const std::vector<std::string>& args) { return runLumiroDb(dir, args); }
    RunResult load(const std::string& tsv) {
        dir.write("dane.tsv", tsv);
        return run({"load", table, dir.file("dane.tsv")});
    }
    std::string dump() {
        RunResult r = run({"dump", table});
        EXPECT_EQ(r.exitCode, 0) << r.err;
        return r.out;
    }
    void removeIndexFiles(bool secondaryToo) {
        for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
            std::string ext = entry.path().extension().string();
            for (char& c : ext) c = char(std::toupper(static_cast<unsigned char>(c)));
            bool secondary = ext.starts_with(".XG") || ext.starts_with(".YG");
            if (ext == ".PX" || (secondaryToo && secondary)) std::filesystem::remove(entry.path());
        }
    }

    ScratchDir dir;
    std::string table = dir.file("KADRY");
};

TEST_F(LumiroDb, SchemaOfACreatedTableIsItsLayout) {
    RunResult r = run({"schema", table + ".DB"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, kLayout.substr(kLayout.find('\n') + 1));
    // Fed back, the schema makes an identical table.
    dir.write("schema.txt", r.out);
    ASSERT_EQ(run({"create", dir.file("KOPIA"), dir.file("schema.txt")}).exitCode, 0);
    EXPECT_EQ(run({"schema", dir.file("KOPIA")}).out, r.out);
}

TEST_F(LumiroDb, DumpWritesBackExactlyWhatWasLoaded) {
    RunResult r = load(kHeader + kRow2 + kRow1 + kRow3);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "ok 2\nok 3\nok 4\n");
    EXPECT_EQ(dump(), kHeader + kRow1 + kRow2 + kRow3);
    EXPECT_EQ(run({"check", table}).exitCode, 0);
}

TEST_F(LumiroDb, LoadUpdatesByKeyAndInsertsTheRest) {
    ASSERT_EQ(load(kHeader + kRow1 + kRow2).exitCode, 0);
    RunResult r = load("\xEF\xBB\xBFPENSJA\tNR\r\n100\t2\r\n5,5\t4\r\n");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::string row2 = kRow2;
    row2.replace(row2.find("-1234.50"), 8, "100.00");
    EXPECT_EQ(dump(), kHeader + kRow1 + row2 + "4\t\t5.50\t\t\t\t\t\t\t\t\t\t\n");
}

TEST_F(LumiroDb, ABadRowStopsTheLoadAndKeepsTheRowsBeforeIt) {
    RunResult r = load("NR\tPENSJA\n1\t10\n2\tabc\n3\t30\n");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "ok 2\n");
    EXPECT_NE(r.err.find("Wiersz 3"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("PENSJA"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("„abc”"), std::string::npos) << r.err;
    std::string d = dump();
    EXPECT_NE(d.find("\n1\t\t10.00\t"), std::string::npos) << d;
    EXPECT_EQ(d.find("\n3\t"), std::string::npos) << d;

    struct Case {
        std::string tsv;
        std::string message;
    } cases[] = {
        {"NR\tPENSJA\n5\t1\t2\n", "Wiersz 2: 3 komórek zamiast 2"},
        {"NR\tBRAK\n5\t1\n", "Wiersz 1: tabela nie ma kolumny „BRAK”"},
        {"NR\tNR\n5\t5\n", "występuje dwa razy"},
        {"PENSJA\n1\n", "brak kolumny klucza NR"},
        {"NR\tNAZWISKO\n5\tΩmega\n", "spoza strony kodowej 1250"},
        {"NR\tNAZWISKO\n5\tzły\\escape\n", "Wiersz 2, kolumna NAZWISKO"},
        {"NR\tNAZWISKO\n5\t" + std::string(31, 'x') + "\n", "za długa"},
        {"", "brak wiersza z nazwami kolumn"},
    };
    for (const Case& c : cases) {
        RunResult bad = load(c.tsv);
        EXPECT_EQ(bad.exitCode, 1) << c.tsv;
        EXPECT_NE(bad.err.find(c.message), std::string::npos) << c.tsv << "\n" << bad.err;
    }
    EXPECT_EQ(dump(), d);
}

TEST_F(LumiroDb, AutoincrementNumbersAreTheEnginesToGive) {
    dir.write("auto.txt", "ID\t+\t0\nNAZWA\tA\t20\nkey=1\n");
    std::string t = dir.file("LICZNIK");
    ASSERT_EQ(run({"create", t, dir.file("auto.txt")}).exitCode, 0);
    dir.write("a.tsv", "ID\tNAZWA\n\tAnna\n\tBeata\n1\tAnia\n");
    ASSERT_EQ(run({"load", t, dir.file("a.tsv")}).exitCode, 0);
    dir.write("b.tsv", "NAZWA\nCelina\n");
    ASSERT_EQ(run({"load", t, dir.file("b.tsv")}).exitCode, 0);
    EXPECT_EQ(run({"dump", t}).out, "ID\tNAZWA\n1\tAnia\n2\tBeata\n3\tCelina\n");

    // Without a key nothing identifies a row: every row is added, in the file's order.
    dir.write("bez.txt", "NAZWA\tA\t20\nkey=0\n");
    std::string unkeyed = dir.file("LISTA");
    ASSERT_EQ(run({"create", unkeyed, dir.file("bez.txt")}).exitCode, 0);
    for (int i = 0; i < 2; ++i) ASSERT_EQ(run({"load", unkeyed, dir.file("b.tsv")}).exitCode, 0);
    EXPECT_EQ(run({"dump", unkeyed}).out, "NAZWA\nCelina\nCelina\n");
}

TEST_F(LumiroDb, ReindexRestoresDeletedIndexFiles) {
    ASSERT_EQ(load(kHeader + kRow3 + kRow1 + kRow2).exitCode, 0);
    std::string before = dump();
    std::string schema = run({"schema", table}).out;

    removeIndexFiles(false);
    RunResult check = run({"check", table});
    EXPECT_NE(check.exitCode, 0);
    EXPECT_FALSE(check.out.empty() && check.err.empty());
    RunResult r = run({"reindex", table});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(run({"check", table}).exitCode, 0);
    EXPECT_EQ(dump(), before);

    // With every index file gone, the layout supplies the secondary definitions.
    removeIndexFiles(true);
    EXPECT_NE(run({"check", table}).exitCode, 0);
    r = run({"reindex", table, dir.file("uklad.txt")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    RunResult after = run({"check", table});
    EXPECT_EQ(after.exitCode, 0) << after.out << after.err;
    EXPECT_EQ(run({"schema", table}).out, schema);
    EXPECT_EQ(dump(), before);
}

TEST_F(LumiroDb, CheckFindsADamagedIndexAndReindexRepairsIt) {
    ASSERT_EQ(load(kHeader + kRow3 + kRow1 + kRow2).exitCode, 0);
    std::string before = dump();
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        if (entry.path().extension() != ".XG0") continue;
        std::string bytes = dir.read(entry.path().filename().string());
        ASSERT_GT(bytes.size(), 64u);
        for (std::size_t i = bytes.size() / 2; i < bytes.size() / 2 + 32; ++i) bytes[i] ^= 0x5A;
        dir.write(entry.path().filename().string(), bytes);
    }
    RunResult check = run({"check", table});
    EXPECT_EQ(check.exitCode, 1);
    EXPECT_NE(check.out.find("Liczba błędów"), std::string::npos) << check.out << check.err;
    ASSERT_EQ(run({"reindex", table}).exitCode, 0);
    check = run({"check", table});
    EXPECT_EQ(check.exitCode, 0) << check.out << check.err;
    EXPECT_EQ(dump(), before);
}

TEST_F(LumiroDb, FailuresExplainThemselvesAndChangeNothing) {
    ASSERT_EQ(load(kHeader + kRow1).exitCode, 0);
    std::string before = dump();

    RunResult again = run({"create", table, dir.file("uklad.txt")});
    EXPECT_EQ(again.exitCode, 1);
    EXPECT_NE(again.err.find("już istnieje"), std::string::npos) << again.err;
    EXPECT_EQ(dump(), before);

    dir.write("zly.txt", "NR\tI\t0\nNAZWA\tQ\t5\n");
    RunResult badLayout = run({"create", dir.file("NOWA"), dir.file("zly.txt")});
    EXPECT_EQ(badLayout.exitCode, 1);
    EXPECT_NE(badLayout.err.find("wiersz 2"), std::string::npos) << badLayout.err;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
        EXPECT_NE(entry.path().stem(), "NOWA") << entry.path();

    RunResult missing = run({"dump", dir.file("BRAK")});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_TRUE(missing.out.empty());
    EXPECT_FALSE(missing.err.empty());
    EXPECT_EQ(run({"load", table, dir.file("brak.tsv")}).exitCode, 1);
    RunResult checkMissing = run({"check", dir.file("BRAK")});
    EXPECT_EQ(checkMissing.exitCode, 1);
    EXPECT_NE(checkMissing.err.find("nie istnieje"), std::string::npos) << checkMissing.err;

    EXPECT_EQ(run({}).exitCode, 2);
    EXPECT_EQ(run({"kasuj", table}).exitCode, 2);
    EXPECT_EQ(run({"dump"}).exitCode, 2);
    RunResult help = run({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("Użycie"), std::string::npos);
}

}  // namespace
}  // namespace lumiro::tools::testing
