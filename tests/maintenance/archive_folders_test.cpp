// Archive and restore on real folders: a folder of the user's own files as the archive, links
// and other spellings of the data root, damaged and unreadable tables, extensions beyond the
// engine's own, and a restore cut short and run again.
#include <gtest/gtest.h>

#include <filesystem>

#include "archive_data.h"
#include "data/file_moves.h"
#include "engine/error.h"
#include "engine/session.h"
#include "engine/table.h"
#include "maintenance/archive.h"
#include "maintenance/index_repair.h"
#include "support/temp_dir.h"

namespace lumiro::maintenance {
namespace {

namespace fs = std::filesystem;
using engine::Env;
using test::firstName;
using test::makeData;
using test::makeTable;
using test::readText;
using test::Snapshot;
using test::snapshot;
using test::writeText;

const std::vector<std::string> kYears{"2005"};

class ArchiveFolders : public ::testing::Test {
  protected:
    void SetUp() override {
        makeData(env, root, "");
        // The program folder holds the company and parameters tables of its own.
        makeTable(env, program + "/FIRMA", "Program", 1);
        makeTable(env, program + "/KAD", "Parametry", 1);
    }

    Places places(const std::string& at = {}) const {
        return {at.empty() ? root : at, kYears, program};
    }
    Outcome archive(const std::string& folder, Env& in = Env::system()) {
        return archiveData(in, places(), folder);
    }
    // Every question answered with `answer`; the questions are kept.
    Outcome restore(const std::string& folder, Env& in = Env::system(), bool answer = true) {
        return restoreData(in, places(), folder, [this, answer](const QString& q) {
            questions.append(q);
            return answer;
        });
    }

    // The user's documents: files, a nested folder, a folder of the archive's own name with a
    // note in it, a table of the user's own, and folders beside it named as a program might
    // name its own.
    void userFiles(const std::string& folder) {
        writeText(env, folder + "/umowa.odt", "umowa o pracę");
        writeText(env, folder + "/umowy/aneks.txt", "aneks");
        writeText(env, folder + "/umowy/2019/stara.txt", "stara umowa");
        writeText(env, folder + "/BAZA/KADRY/notatka.txt", "notatka");
        writeText(env, folder + "/BAZA/LUZEM.DB", "plik luzem");
        writeText(env, folder + "/SPIS.DB", "spis użytkownika");
        writeText(env, folder + "/zarobki.db", "mała litera");
        writeText(env, folder + ".stare/kopia.txt", "kopia");
        writeText(env, folder + ".nowe/plan.txt", "plan");
    }

    // What the folder holds besides the archive's files: the data root's table files at the
    // same places, and the folders they lie in.
    Snapshot besidesArchive(const std::string& folder) {
        Snapshot all = snapshot(env, folder);
        const Snapshot data = snapshot(env, root);
        std::erase_if(all, [&](const auto& e) {
            return data.count(e.first) && takesPart(fs::path(e.first).filename().string());
        });
        for (const char* made : {"2005/", "2005/KADRY/"}) all.erase(made);
        return all;
    }

    Env& env = Env::system();
    lumiro::test::TempDir dir;
    const std::string root = dir.file("dane");
    const std::string program = dir.file("program");
    const std::string record = program + "/ODTWARZANIE.PLN";
    QStringList questions;
};

TEST_F(ArchiveFolders, AChosenFolderKeepsEveryFileOfTheUsersBesideTheArchive) {
    const std::string docs = dir.file("Dokumenty");
    userFiles(docs);
    const Snapshot before = snapshot(env, docs);
    const Snapshot beside = snapshot(env, dir.path(), "dane");

    Outcome out = archive(docs);
    ASSERT_TRUE(out.ok) << out.error.toStdString();
    EXPECT_EQ(firstName(env, docs + "/BAZA/KADRY/RP7.DB"), "Kowalska1");
    EXPECT_EQ(firstName(env, docs + "/2005/KADRY/RP7.DB"), "Stary1");
    EXPECT_EQ(readText(env, docs + "/FIRMA.MB"), readText(env, root + "/FIRMA.MB"));

    // Again over the previous archive, with other data.
    makeData(env, root, "-nowe");
    out = archive(docs + "/");
    ASSERT_TRUE(out.ok) << out.error.toStdString();
    EXPECT_EQ(firstName(env, docs + "/BAZA/KADRY/RP7.DB"), "Kowalska-nowe1");
    EXPECT_EQ(firstName(env, docs + "/FIRMA.DB"), "Firma-nowe1");

    EXPECT_EQ(test::differences(before, besidesArchive(docs)), "");
    // Nothing beside the folder changed either, and the program left nothing of its own.
    Snapshot after = snapshot(env, dir.path(), "dane");
    std::erase_if(after, [](const auto& e) { return e.first.rfind("Dokumenty/", 0) == 0; });
    std::erase_if(after, [](const auto& e) { return e.first == "Dokumenty/"; });
    Snapshot expected = beside;
    std::erase_if(expected, [](const auto& e) { return e.first.rfind("Dokumenty/", 0) == 0; });
    EXPECT_EQ(test::differences(expected, after), "");
}

TEST_F(ArchiveFolders, TheProgramFolderTheDataAndLinksToThemAreRefused) {
    fs::create_directory_symlink(root, dir.file("skrot"));
    fs::create_directory_symlink(root + "/BAZA/KADRY", dir.file("kadry"));
    const Snapshot before = snapshot(env, dir.path());
    for (const std::string& folder :
         {program, program + "/", dir.file("skrot"), dir.file("skrot/ARCH/.."), dir.file("kadry"),
          dir.file("kadry/ARCHIWUM"), dir.file("DANE"), dir.path(), root + "/BAZA/KADRY"}) {
        const Outcome out = archive(folder);
        EXPECT_FALSE(out.ok) << folder;
        EXPECT_FALSE(out.error.isEmpty()) << folder;
        ASSERT_EQ(test::differences(before, snapshot(env, dir.path())), "") << folder;
    }
    // A folder of its own inside the program folder is a place like any other.
    const Outcome out = archive(program + "/ARCHIWUM");
    ASSERT_TRUE(out.ok) << out.error.toStdString();
    EXPECT_EQ(firstName(env, program + "/FIRMA.DB"), "Program1");
    EXPECT_EQ(firstName(env, program + "/ARCHIWUM/FIRMA.DB"), "Firma1");
}

TEST_F(ArchiveFolders, ADataRootSpelledInAnotherCaseIsTheSameFolder) {
    const std::string spelled = dir.file("DANE");
    const Outcome out = archiveData(env, places(spelled), spelled + "/ARCHIWUM");
    ASSERT_TRUE(out.ok) << out.error.toStdString();
    EXPECT_EQ(firstName(env, root + "/ARCHIWUM/BAZA/KADRY/RP7.DB"), "Kowalska1");
    EXPECT_FALSE(fs::exists(spelled));

    makeData(env, root, "-nowe");
    const Outcome back = restoreData(env, places(spelled), spelled + "/archiwum", {});
    ASSERT_TRUE(back.ok) << back.error.toStdString();
    EXPECT_EQ(firstName(env, root + "/BAZA/KADRY/RP7.DB"), "Kowalska1");
    EXPECT_FALSE(fs::exists(spelled));
}

TEST_F(ArchiveFolders, ARunThatFindsNoTableFailsAndNamesTheFolder) {
    for (const std::string& empty : {dir.file("pusty"), dir.file("nie_ma")}) {
        if (empty.ends_with("pusty")) writeText(env, empty + "/opis.txt", "bez tabel");
        const Snapshot before = snapshot(env, dir.path());
        const Outcome out = archiveData(env, places(empty), empty + "/ARCHIWUM");
        EXPECT_FALSE(out.ok);
        EXPECT_TRUE(out.error.contains(QString::fromStdString(empty))) << out.error.toStdString();
        EXPECT_EQ(test::differences(before, snapshot(env, dir.path())), "");
    }
}

TEST_F(ArchiveFolders, ADamagedOrUnopenableLiveTableLeavesThePreviousArchiveAsItWas) {
    const std::string folder = dir.file("ARCHIWUM");
    ASSERT_TRUE(archive(folder).ok);
    const Snapshot previous = snapshot(env, folder);
    auto damage = [&](const std::string& what) {
        makeData(env, root, "-nowe");
        const std::string rp7 = root + "/BAZA/KADRY/RP7";
        if (what == "bloki") {
            std::string bytes = readText(env, rp7 + ".DB");
            std::fill(bytes.begin() + 2048, bytes.end(), '\x5a');
            writeText(env, rp7 + ".DB", bytes);
        } else if (what == "brak indeksu") {
            fs::remove(rp7 + ".XG0");
        } else {
            // The primary index of a table with other records.
            makeTable(env, dir.file("inna/RP7"), "Inna", 3);
            fs::copy_file(dir.file("inna/RP7.PX"), rp7 + ".PX",
                          fs::copy_options::overwrite_existing);
        }
    };
    for (const char* what : {"bloki", "brak indeksu", "nieaktualny indeks"}) {
        damage(what);
        const Outcome out = archive(folder);
        EXPECT_FALSE(out.ok) << what;
        const QString said = out.error + out.damaged.join(u'\n');
        EXPECT_TRUE(said.contains(QStringLiteral("BAZA/KADRY/RP7.DB")))
            << what << said.toStdString();
        EXPECT_TRUE(said.contains(QStringLiteral("Odtwarzanie indeksów")))
            << what << said.toStdString();
        ASSERT_EQ(test::differences(previous, snapshot(env, folder)), "") << what;
    }
    makeData(env, root, "-nowe");
    ASSERT_TRUE(archive(folder).ok);
    EXPECT_EQ(firstName(env, folder + "/BAZA/KADRY/RP7.DB"), "Kowalska-nowe1");
}

TEST_F(ArchiveFolders, AnUnreadableFileIsNamedAndArchivingWorksOnceItIsReadableOrGone) {
    const std::string folder = dir.file("ARCHIWUM");
    ASSERT_TRUE(archive(folder).ok);
    const Snapshot previous = snapshot(env, folder);
    const std::string unreadable = root + "/BAZA/KADRY/ZAR.MB";
    bool locked = true;
    test::HookedEnv hooked([&](const std::string& call, const std::string& path) {
        if (locked && call == "openRead" && path == unreadable)
            engine::fail(engine::ErrorCode::ReadOnly,
                         "Nie można otworzyć pliku " + path + ": brak uprawnień.");
    });
    makeData(env, root, "-nowe");
    for (int attempt = 0; attempt < 2; ++attempt) {
        const Outcome out = archive(folder, hooked);
        EXPECT_FALSE(out.ok);
        const QString said = out.error + out.failed.join(u'\n');
        EXPECT_TRUE(said.contains(QStringLiteral("BAZA/KADRY/ZAR.MB"))) << said.toStdString();
        EXPECT_TRUE(said.contains(QStringLiteral("prawo odczytu"))) << said.toStdString();
        ASSERT_EQ(test::differences(previous, snapshot(env, folder)), "");
    }
    locked = false;
    ASSERT_TRUE(archive(folder, hooked).ok);
    EXPECT_EQ(firstName(env, folder + "/BAZA/KADRY/ZAR.DB"), "Zarobki-nowe1");

    // Removed from the data root, it is simply not archived again.
    locked = true;
    fs::remove(unreadable);
    const Outcome out = archive(folder, hooked);
    EXPECT_TRUE(out.ok) << out.error.toStdString();
}

TEST_F(ArchiveFolders, RestoreBringsBackEveryFileOfTheArchiveWhateverItsExtension) {
    const std::string folder = dir.file("ARCHIWUM");
    writeText(env, root + "/STARY.DBF", "tabela z archiwum");
    writeText(env, root + "/BAZA/KADRY/RP7.XGZ", "indeks z archiwum");
    writeText(env, root + "/BAZA/KADRY/RP7.MBX", "memo z archiwum");
    ASSERT_TRUE(archive(folder).ok);
    EXPECT_EQ(readText(env, folder + "/STARY.DBF"), "tabela z archiwum");
    makeData(env, root, "-nowe");
    writeText(env, root + "/STARY.DBF", "później");
    writeText(env, root + "/BAZA/KADRY/RP7.XGZ", "później");
    writeText(env, root + "/notatki.txt", "moje");

    const Outcome out = restore(folder);
    ASSERT_TRUE(out.ok) << out.error.toStdString();
    EXPECT_EQ(readText(env, root + "/STARY.DBF"), "tabela z archiwum");
    EXPECT_EQ(readText(env, root + "/BAZA/KADRY/RP7.XGZ"), "indeks z archiwum");
    EXPECT_EQ(readText(env, root + "/BAZA/KADRY/RP7.MBX"), "memo z archiwum");
    EXPECT_EQ(firstName(env, root + "/BAZA/KADRY/RP7.DB"), "Kowalska1");
    EXPECT_EQ(readText(env, root + "/notatki.txt"), "moje");
    EXPECT_FALSE(fs::exists(root + "/ODTWARZANIE.nowe"));
    EXPECT_FALSE(fs::exists(root + "/ODTWARZANIE.stare"));
}

TEST_F(ArchiveFolders, ADamagedTableOfTheArchiveIsNamedAndTheOthersComeBackOnlyOnYes) {
    const std::string folder = dir.file("ARCHIWUM");
    ASSERT_TRUE(archive(folder).ok);
    std::string bytes = readText(env, folder + "/BAZA/KADRY/RP7.DB");
    std::fill(bytes.begin() + 2048, bytes.end(), '\x5a');
    writeText(env, folder + "/BAZA/KADRY/RP7.DB", bytes);
    makeData(env, root, "-nowe");
    const Snapshot live = snapshot(env, root);

    Outcome out = restore(folder, env, false);
    EXPECT_FALSE(out.ok);
    EXPECT_TRUE(out.cancelled);
    ASSERT_EQ(questions.size(), 1);
    EXPECT_TRUE(questions[0].contains(QStringLiteral("BAZA/KADRY/RP7.DB")))
        << questions[0].toStdString();
    EXPECT_TRUE(questions[0].endsWith(QStringLiteral("Czy odtworzyć pozostałe tabele ?")));
    EXPECT_EQ(test::differences(live, snapshot(env, root)), "");

    out = restore(folder, env, true);
    ASSERT_TRUE(out.ok) << out.error.toStdString();
    ASSERT_EQ(out.skipped.size(), 1);
    EXPECT_TRUE(out.skipped[0].startsWith(QStringLiteral("BAZA/KADRY/RP7.DB")));
    EXPECT_EQ(firstName(env, root + "/BAZA/KADRY/RP7.DB"), "Kowalska-nowe1");
    EXPECT_EQ(firstName(env, root + "/BAZA/KADRY/ZAR.DB"), "Zarobki1");
    EXPECT_EQ(firstName(env, root + "/FIRMA.DB"), "Firma1");
}

TEST_F(ArchiveFolders, ASecondRestoreAfterAnInterruptedOneBringsTheArchiveBack) {
    const std::string folder = dir.file("ARCHIWUM");
    ASSERT_TRUE(archive(folder).ok);
    writeText(env, root + "/notatki.txt", "moje");
    // The program stops dead after `cut` more changes to the disk.
    std::uint64_t changes = 0, cut = 0;
    test::HookedEnv dying([&](const std::string& call, const std::string& path) {
        if (call == "openRead") return;
        if (++changes > cut) engine::fail(engine::ErrorCode::Io, "Przerwano przy " + path + ".");
    });
    makeData(env, root, "-nowe");
    cut = ~std::uint64_t(0);
    ASSERT_TRUE(restore(folder, dying).ok);
    const std::uint64_t total = changes;
    for (cut = 0; cut < total; cut += std::max<std::uint64_t>(1, total / 10)) {
        makeData(env, root, "-nowe");
        changes = 0;
        // Cut during the clean-up after the moves, the run has succeeded.
        restore(folder, dying);
        // The next start completes what a record names; then the user restores again.
        data::completeFileMoves(env, record);
        const std::string rp7 = firstName(env, root + "/BAZA/KADRY/RP7.DB");
        ASSERT_TRUE(rp7 == "Kowalska1" || rp7 == "Kowalska-nowe1") << cut << rp7;
        ASSERT_EQ(firstName(env, root + "/BAZA/KADRY/ZAR.DB"),
                  rp7 == "Kowalska1" ? "Zarobki1" : "Zarobki-nowe1")
            << cut;
        const Outcome second = restore(folder);
        ASSERT_TRUE(second.ok) << cut << second.error.toStdString();
        for (const char* t :
             {"/FIRMA.DB", "/BAZA/KADRY/RP7.DB", "/BAZA/KADRY/ZAR.DB", "/2005/KADRY/RP7.DB"}) {
            engine::Session session("S");
            engine::Table table(session);
            table.open(root + t, engine::AccessMode::ReadOnly);
            ASSERT_TRUE(table.verify().empty()) << cut << t;
        }
        ASSERT_EQ(firstName(env, root + "/BAZA/KADRY/RP7.DB"), "Kowalska1") << cut;
        ASSERT_FALSE(fs::exists(root + "/ODTWARZANIE.nowe")) << cut;
        ASSERT_FALSE(fs::exists(root + "/ODTWARZANIE.stare")) << cut;
        ASSERT_FALSE(fs::exists(record)) << cut;
    }
    EXPECT_EQ(readText(env, root + "/notatki.txt"), "moje");
}

TEST_F(ArchiveFolders, AWorkingFolderOfThatNameThatIsNotTheProgramsIsLeftAndNamed) {
    const std::string folder = dir.file("ARCHIWUM");
    writeText(env, folder + "/.lumiro-archiwum/moje.txt", "moje");
    writeText(env, root + "/ODTWARZANIE.stare/moje.txt", "moje");
    Outcome out = archive(folder);
    EXPECT_FALSE(out.ok);
    EXPECT_TRUE(out.error.contains(QStringLiteral(".lumiro-archiwum"))) << out.error.toStdString();
    EXPECT_EQ(readText(env, folder + "/.lumiro-archiwum/moje.txt"), "moje");
    // Emptied by the user, the folder is the program's to take.
    fs::remove(folder + "/.lumiro-archiwum/moje.txt");
    ASSERT_TRUE(archive(folder).ok);
    EXPECT_FALSE(fs::exists(folder + "/.lumiro-archiwum"));
    makeData(env, root, "-nowe");
    out = restore(folder);
    EXPECT_FALSE(out.ok);
    EXPECT_TRUE(out.error.contains(QStringLiteral("ODTWARZANIE.stare"))) << out.error.toStdString();
    EXPECT_EQ(readText(env, root + "/ODTWARZANIE.stare/moje.txt"), "moje");
    EXPECT_EQ(firstName(env, root + "/BAZA/KADRY/RP7.DB"), "Kowalska-nowe1");
}

TEST_F(ArchiveFolders, ALinkInAWorkingFolderIsRemovedAsALinkNotFollowed) {
    const std::string own = dir.file("roboczy");
    data::createOwnFolder(env, own);
    writeText(env, dir.file("moje/list.txt"), "list");
    fs::create_directory_symlink(dir.file("moje"), own + "/skrot");
    fs::create_directories(own + "/glebiej");
    fs::create_symlink(dir.file("moje/list.txt"), own + "/glebiej/plik");
    data::removeOwnFolder(env, own);
    EXPECT_FALSE(fs::exists(own));
    EXPECT_EQ(readText(env, dir.file("moje/list.txt")), "list");
    // A link in the place of a working folder is not one.
    fs::create_directory_symlink(dir.file("moje"), own);
    EXPECT_THROW(data::removeOwnFolder(env, own), engine::EngineError);
    EXPECT_THROW(data::createOwnFolder(env, own), engine::EngineError);
    EXPECT_EQ(readText(env, dir.file("moje/list.txt")), "list");
}

TEST_F(ArchiveFolders, IndexRepairNamesTheIndexesItCouldNotBuild) {
    const std::string rp7 = root + "/BAZA/KADRY/RP7";
    auto pad = [](std::string s) {
        s.resize(40, ' ');
        return s;
    };
    std::string text = "STRUKTURA ZBIORU\r\nINDEKSY\r\n";
    text += "Nazwa:" + pad("") + "Pole:" + pad("NR") + "\r\n";
    text += "Nazwa:" + pad("Nazwisko") + "Pole:" + pad("NAZWISKO") + "\r\n";
    text += "Nazwa:" + pad("Miasto") + "Pole:" + pad("MIASTO") + "\r\n";
    text += "KONIEC\r\n";
    writeText(env, rp7 + ".STR", text);
    QStringList report;
    const bool finished = IndexRepair::run(env, {QString::fromStdString(rp7)},
                                           [&](const QString& line, bool replace) {
                                               if (replace && !report.isEmpty())
                                                   report.removeLast();
                                               report.append(line);
                                           });
    EXPECT_TRUE(finished);
    const QString said = report.join(u'\n');
    EXPECT_FALSE(report.contains(QString::fromStdString(rp7) + QStringLiteral(" naprawiono.")))
        << said.toStdString();
    EXPECT_TRUE(said.contains(QStringLiteral("Miasto"))) << said.toStdString();
    EXPECT_TRUE(said.contains(QStringLiteral("MIASTO"))) << said.toStdString();
    EXPECT_EQ(report.back(), QStringLiteral("KONIEC"));
    // The indexes that fit are there.
    engine::Session session("S");
    engine::Table table(session);
    table.open(rp7 + ".DB");
    EXPECT_EQ(table.indexes().size(), 2u);
    EXPECT_TRUE(table.verify().empty());
}

}  // namespace
}  // namespace lumiro::maintenance
