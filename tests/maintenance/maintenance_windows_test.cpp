// The archive window, the reminder and index repair as the user meets them: from the index
// window's menu "Narzędzia", over the installation's tables in a working folder.
#include <gtest/gtest.h>

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <filesystem>
#include <fstream>

#include "archive_data.h"
#include "engine/error.h"
#include "maintenance/archive.h"
#include "maintenance/archive_window.h"
#include "maintenance/index_repair_window.h"
#include "maintenance/maintenance_commands.h"
#include "records/records_fixture.h"

namespace lumiro::maintenance {
namespace {

namespace fs = std::filesystem;
using records::test::IndexWindowFixture;
using records::test::integer;
using records::test::text;

// Runs `act` on the modal window the next command opens, once it is up.
void onModal(std::function<void(QWidget&)> act) {
    QTimer::singleShot(0, [act] {
        QWidget* modal = QApplication::activeModalWidget();
        ASSERT_NE(modal, nullptr);
        act(*modal);
    });
}

// With LUMIRO_SCREENSHOT_DIR set, the window as the user sees it goes into a PNG there.
void screenshot(QWidget& w, const char* name) {
    const QByteArray dir = qgetenv("LUMIRO_SCREENSHOT_DIR");
    if (!dir.isEmpty()) w.grab().save(QString::fromLocal8Bit(dir) + u'/' + QString::fromUtf8(name));
}

QPushButton* button(QWidget& within, const QString& caption) {
    for (auto* b : within.findChildren<QPushButton*>())
        if (b->text() == caption && b->isVisibleTo(&within)) return b;
    return nullptr;
}

void setCompany(const std::string& firma, const char* days, const char* date) {
    engine::Session session("seed");
    engine::Table t(session);
    t.open(firma);
    t.first();
    t.edit();
    t.setValue("ARCHDNI", days ? engine::Value{std::int64_t(std::stoi(days))} : engine::Value{});
    t.setValue("ARCHDATA", date ? engine::Value{std::string(date)} : engine::Value{});
    t.post();
}

void setDataRoot(const std::string& firma, const std::string& root) {
    engine::Session session("seed");
    engine::Table t(session);
    t.open(firma);
    t.first();
    t.edit();
    t.setValue("DR", engine::Value{data::toTable(QString::fromStdString(root))});
    t.post();
}

// Enter, as the user presses it in the window: on the control that has the focus.
void pressEnter(QWidget& window) {
    QWidget* focus = QApplication::focusWidget();
    QTest::keyClick(focus && window.isAncestorOf(focus) ? focus : &window, Qt::Key_Return);
}

class MaintenanceWindows : public IndexWindowFixture {
  protected:
    // The data module over `disk` (the machine's own by default) and the index window with
    // the maintenance commands.
    void open(engine::Env* disk = nullptr) {
        data::Tdane::Environment env;
        env.programFolder = QString::fromStdString(dir.path());
        env.programFile = QString::fromStdString(dir.file("lumiro"));
        env.arguments = QStringList();
        env.fileSystem = disk;
        dane = std::make_unique<data::Tdane>(values, prompter, std::move(env));
        dane->create();
        showWindow();
        records::EmployeeIndexServices services;
        services.progressStart = [this](const QString& title, int max) {
            progressTitle = title;
            progressMax = max;
        };
        services.progressStep = [this] { ++progressSteps; };
        services.progressStop = [this] { ++progressStops; };
        addMaintenanceCommands(*window, *dane, services, [this] { ++programEnds; });
        window->setServices(std::move(services));
    }

    std::vector<QString> questions() const {
        std::vector<QString> out;
        for (const auto& q : prompter.questions()) out.push_back(q.text);
        return out;
    }

    QString progressTitle;
    int progressMax = 0, progressSteps = 0, progressStops = 0, programEnds = 0;
};

TEST_F(MaintenanceWindows, ReminderAsksWhenTheArchiveIsOlderThanItsPeriod) {
    setCompany(file("FIRMA.DB"), "3", "2005.03.05");  // today is 2005.03.10
    open();
    prompter.queue(platform::MessageResult::No);
    window->close();
    ASSERT_EQ(prompter.questions().size(), 1u);
    EXPECT_EQ(prompter.questions()[0].text,
              QStringLiteral(
                  "Minęły 5 od ostatniej aktualizacji ARCHIWUM.\nCzy chcesz zarchiwować dane ?"));
    EXPECT_EQ(prompter.questions()[0].icon, platform::MessageIcon::Warning);
}

TEST_F(MaintenanceWindows, ReminderStaysQuietWithAPeriodOfNoDaysAndMendsItsFields) {
    setCompany(file("FIRMA.DB"), "0", "1999.01.01");
    open();
    window->close();
    EXPECT_TRUE(prompter.questions().empty());
    window.reset();
    dane.reset();

    // An empty period becomes 3 days; a malformed date becomes today's, so no question yet.
    setCompany(file("FIRMA.DB"), nullptr, "2005.3.1");
    open();
    window->close();
    EXPECT_TRUE(prompter.questions().empty());
    const auto firma = rows("FIRMA.DB").at(0);
    EXPECT_EQ(integerOf(firma, "ARCHDNI"), 3);
    EXPECT_EQ(textOf(firma, "ARCHDATA"), QStringLiteral("2005.03.10"));
}

TEST_F(MaintenanceWindows, ArchiveHoldsTheLatestPostsAndSetsTheDate) {
    setCompany(file("FIRMA.DB"), "30", "2005.01.01");
    // A table whose name would not be found in a Windows folder listing by its upper case.
    fs::copy_file(file("BAZA/KADRY/ZAL.DB"), file("BAZA/KADRY/STARE.db"));
    open();
    // A post right before, with every table still open.
    dane->TRP7.first();
    dane->Edytuj(dane->TRP7);
    dane->TRP7.setValue("POLE1", text("Nowakowska"));
    dane->ZapiszRekord(dane->TRP7);

    onModal([](QWidget& w) {
        auto* archive = qobject_cast<TARCHF*>(&w);
        ASSERT_NE(archive, nullptr);
        EXPECT_EQ(archive->windowTitle(), QStringLiteral("Moduł ARCHIWUM"));
        EXPECT_EQ(archive->Tab().tabText(0), QStringLiteral("ARCHIWOWANIE"));
        EXPECT_EQ(archive->Tab().tabText(1), QStringLiteral("ODTWARZANIE"));
        EXPECT_EQ(archive->archiveDate(false).text(), QStringLiteral("2005.01.01"));
        EXPECT_FALSE(archive->pathGroup(false).isEnabled());
        archive->anyLocation(false).click();
        EXPECT_TRUE(archive->pathGroup(false).isEnabled());
        archive->Tab().setCurrentIndex(0);
        screenshot(w, "archive-window.png");
        button(w, QStringLiteral("Archiwizuj"))->click();
    });
    window->runMenuCommand(QStringLiteral("Narzędzia/Archiwowanie / Odtwarzanie"));

    EXPECT_EQ(progressTitle, QStringLiteral("Archiwowanie"));
    EXPECT_EQ(progressMax, int(dane->ListaLat.size()) + 2);
    EXPECT_EQ(progressStops, 1);
    const std::string archive = file("ARCHIWUM");
    EXPECT_TRUE(fs::exists(archive + "/FIRMA.DB"));
    EXPECT_TRUE(fs::exists(archive + "/BAZA/KADRY/RP7.XG0"));
    EXPECT_FALSE(fs::exists(archive + "/BAZA/KADRY/STARE.db"));
    EXPECT_FALSE(fs::exists(archive + "/FIRMA.STR"));
    // The archive's tables are the live ones, post included.
    EXPECT_EQ(lumiro::test::readRows(archive + "/BAZA/KADRY/RP7.DB"), rows("BAZA/KADRY/RP7.DB"));
    EXPECT_EQ(textOf(lumiro::test::readRows(archive + "/BAZA/KADRY/RP7.DB").at(0), "POLE1"),
              QStringLiteral("Nowakowska"));
    EXPECT_EQ(textOf(rows("FIRMA.DB").at(0), "ARCHDATA"), QStringLiteral("2005.03.10"));
    // The user learns of the table left out for its lower-case extension.
    const auto said = questions();
    ASSERT_EQ(said.size(), 1u);
    EXPECT_TRUE(said[0].contains(QStringLiteral("BAZA/KADRY/STARE.db"))) << said[0].toStdString();
}

TEST_F(MaintenanceWindows, ArchiveIntoAChosenFolderLeavesTheUsersFilesThere) {
    engine::Env& env = engine::Env::system();
    const std::string docs = file("Dokumenty");
    test::writeText(env, docs + "/umowa.odt", "umowa");
    test::writeText(env, docs + "/umowy/aneks.txt", "aneks");
    test::writeText(env, docs + ".stare/kopia.txt", "kopia");
    const auto before = test::snapshot(env, docs);
    const auto sibling = test::snapshot(env, docs + ".stare");
    open();
    onModal([&docs](QWidget& w) {
        auto& archive = static_cast<TARCHF&>(w);
        archive.anyLocation(false).click();
        archive.EDR().setText(QString::fromStdString(docs));
        button(w, QStringLiteral("Archiwizuj"))->click();
    });
    window->runMenuCommand(QStringLiteral("Narzędzia/Archiwowanie / Odtwarzanie"));
    EXPECT_EQ(lumiro::test::readRows(docs + "/BAZA/KADRY/RP7.DB"), rows("BAZA/KADRY/RP7.DB"));
    EXPECT_EQ(textOf(rows("FIRMA.DB").at(0), "ARCHDATA"), QStringLiteral("2005.03.10"));
    // Besides the archive's tables and their folders, the folder holds what it held.
    auto after = test::snapshot(env, docs);
    std::erase_if(after, [&](const auto& e) {
        return !before.count(e.first) &&
               (e.first.back() == '/' || takesPart(fs::path(e.first).filename().string()));
    });
    EXPECT_EQ(test::differences(before, after), "");
    EXPECT_EQ(test::differences(sibling, test::snapshot(env, docs + ".stare")), "");
}

TEST_F(MaintenanceWindows, ArchiveFindsTheDataRootWhateverItsSpelling) {
    fs::create_directory(file("dane"));
    fs::rename(file("BAZA"), file("dane/BAZA"));
    setDataRoot(file("FIRMA.DB"), file("Dane") + "/");
    open();
    ASSERT_TRUE(dane->TRP7.isOpen());
    onModal([](QWidget& w) { button(w, QStringLiteral("Archiwizuj"))->click(); });
    window->runMenuCommand(QStringLiteral("Narzędzia/Archiwowanie / Odtwarzanie"));
    EXPECT_EQ(lumiro::test::readRows(file("dane/ARCHIWUM/BAZA/KADRY/RP7.DB")),
              rows("dane/BAZA/KADRY/RP7.DB"));
    EXPECT_FALSE(fs::exists(file("Dane")));
    EXPECT_EQ(textOf(rows("FIRMA.DB").at(0), "ARCHDATA"), QStringLiteral("2005.03.10"));
}

TEST_F(MaintenanceWindows, ArchiveOfADataRootWithoutTablesFailsNamingItAndKeepsTheDate) {
    setCompany(file("FIRMA.DB"), "30", "2005.01.01");
    fs::create_directory(file("pusty"));
    setDataRoot(file("FIRMA.DB"), file("pusty") + "/");
    open();
    ASSERT_FALSE(dane->TRP7.isOpen());
    const std::size_t told = prompter.questions().size();
    onModal([](QWidget& w) { button(w, QStringLiteral("Archiwizuj"))->click(); });
    window->runMenuCommand(QStringLiteral("Narzędzia/Archiwowanie / Odtwarzanie"));
    const auto said = questions();
    ASSERT_EQ(said.size(), told + 1);
    EXPECT_TRUE(said.back().contains(QString::fromStdString(file("pusty"))))
        << said.back().toStdString();
    EXPECT_EQ(prompter.questions().back().icon, platform::MessageIcon::Error);
    EXPECT_FALSE(fs::exists(file("pusty/ARCHIWUM")));
    EXPECT_EQ(textOf(rows("FIRMA.DB").at(0), "ARCHDATA"), QStringLiteral("2005.01.01"));
}

TEST_F(MaintenanceWindows, EnterRunsTheCommandOfThePageShown) {
    open();
    // A window Enter did not close is closed here, so that the test fails rather than waits.
    auto unlessClosed = [](QWidget& w) {
        if (!w.isVisible()) return;
        ADD_FAILURE() << "Enter ran nothing";
        w.close();
    };
    onModal([unlessClosed](QWidget& w) {
        static_cast<TARCHF&>(w).Tab().setCurrentIndex(0);
        pressEnter(w);
        unlessClosed(w);
    });
    window->runMenuCommand(QStringLiteral("Narzędzia/Archiwowanie / Odtwarzanie"));
    EXPECT_EQ(progressTitle, QStringLiteral("Archiwowanie"));
    EXPECT_TRUE(fs::exists(file("ARCHIWUM/BAZA/KADRY/RP7.DB")));

    prompter.queue(platform::MessageResult::No);
    onModal([unlessClosed](QWidget& w) {
        auto& archive = static_cast<TARCHF&>(w);
        archive.Tab().setCurrentIndex(1);
        archive.anyLocation(true).click();
        archive.EDR1().setFocus();
        pressEnter(w);
        unlessClosed(w);
    });
    window->runMenuCommand(QStringLiteral("Narzędzia/Archiwowanie / Odtwarzanie"));
    ASSERT_FALSE(prompter.questions().empty());
    EXPECT_TRUE(
        prompter.questions().back().text.startsWith(QStringLiteral("Uwaga odtworzenie spowoduje")));
}

TEST_F(MaintenanceWindows, RestoreBringsTheArchiveBackAndTheWindowShowsIt) {
    open();
    onModal([](QWidget& w) { button(w, QStringLiteral("Archiwizuj"))->click(); });
    window->runMenuCommand(QStringLiteral("Narzędzia/Archiwowanie / Odtwarzanie"));
    const auto archived = rows("BAZA/KADRY/RP7.DB");

    // A new card after the archive; the restore takes it away again.
    dane->TRP7.last();
    dane->TRP7.append();
    dane->TRP7.setValue("ZLEC", engine::Value{std::int64_t(1)});
    dane->TRP7.setValue("NR", engine::Value{std::int64_t(77)});
    dane->TRP7.setValue("POLE1", text("Później"));
    dane->ZapiszRekord(dane->TRP7);
    ASSERT_EQ(rows("BAZA/KADRY/RP7.DB").size(), archived.size() + 1);

    prompter.queue(platform::MessageResult::Yes);
    progressSteps = 0;
    onModal([](QWidget& w) {
        auto& archive = static_cast<TARCHF&>(w);
        archive.Tab().setCurrentIndex(1);
        button(w, QStringLiteral("Odtwarzaj"))->click();
    });
    window->runMenuCommand(QStringLiteral("Narzędzia/Archiwowanie / Odtwarzanie"));
    ASSERT_FALSE(prompter.questions().empty());
    EXPECT_EQ(
        prompter.questions().back().text,
        QStringLiteral("Uwaga odtworzenie spowoduje utratę wszystkich zapisów od daty ostatniego "
                       "archiwowania.\nCzy odtwarzać zbiory ?"));
    EXPECT_EQ(progressTitle, QStringLiteral("Odtwarzanie zbiorów"));
    EXPECT_EQ(rows("BAZA/KADRY/RP7.DB"), archived);
    // The session is open again and the index window reads the restored cards.
    ASSERT_TRUE(dane->TRP7.isOpen());
    EXPECT_EQ(std::size_t(dane->TRP7.recordCount()), archived.size());
    EXPECT_FALSE(fs::exists(file("ODTWARZANIE.nowe")));
    EXPECT_FALSE(fs::exists(file("ODTWARZANIE.stare")));
}

TEST_F(MaintenanceWindows, RestoreFromAMissingFolderSaysSoAndKeepsTheTablesOpen) {
    open();
    prompter.queue(platform::MessageResult::Yes);
    onModal([this](QWidget& w) {
        auto& archive = static_cast<TARCHF&>(w);
        archive.Tab().setCurrentIndex(1);
        archive.anyLocation(true).click();
        archive.EDR1().setText(QString::fromStdString(file("NIE_MA")));
        screenshot(w, "restore-window.png");
        button(w, QStringLiteral("Odtwarzaj"))->click();
    });
    window->runMenuCommand(QStringLiteral("Narzędzia/Archiwowanie / Odtwarzanie"));
    const auto said = questions();
    ASSERT_EQ(said.size(), 2u);
    EXPECT_TRUE(said[1].contains(QStringLiteral("nie istnieje"))) << said[1].toStdString();
    EXPECT_TRUE(dane->TRP7.isOpen());
    EXPECT_TRUE(dane->TFIRMA.isOpen());
}

TEST_F(MaintenanceWindows, ARestoreLeftUnfinishedEndsTheProgramAndTheNextStartCompletesIt) {
    open();
    onModal([](QWidget& w) { button(w, QStringLiteral("Archiwizuj"))->click(); });
    window->runMenuCommand(QStringLiteral("Narzędzia/Archiwowanie / Odtwarzanie"));
    const auto archived = rows("BAZA/KADRY/RP7.DB");
    window.reset();
    dane.reset();
    addRows("BAZA/KADRY/RP7.DB",
            {{{"ZLEC", integer(1)}, {"NR", integer(77)}, {"POLE1", text("Później")}}});

    // Once the archive's files begin to come in, the disk takes no more renames: neither the
    // moves nor their undoing can be made.
    bool refusing = false;
    test::HookedEnv disk([&](const std::string& call, const std::string& path) {
        if (call == "rename" && path.find("ODTWARZANIE.nowe") != std::string::npos) refusing = true;
        if (refusing && call == "rename")
            engine::fail(engine::ErrorCode::Io, "Dysk odmówił: " + path + ".");
    });
    open(&disk);
    prompter.queue(platform::MessageResult::Yes);
    onModal([](QWidget& w) {
        static_cast<TARCHF&>(w).Tab().setCurrentIndex(1);
        button(w, QStringLiteral("Odtwarzaj"))->click();
    });
    window->runMenuCommand(QStringLiteral("Narzędzia/Archiwowanie / Odtwarzanie"));
    const QString said = questions().back();
    EXPECT_TRUE(said.contains(QStringLiteral("następnym uruchomieniu"))) << said.toStdString();
    EXPECT_TRUE(said.contains(QString::fromStdString(file("ODTWARZANIE.stare"))))
        << said.toStdString();
    EXPECT_TRUE(said.contains(QStringLiteral("Program zostanie teraz zamknięty.")))
        << said.toStdString();
    // No table opened over the half-restored set, and the program ended.
    EXPECT_FALSE(dane->TRP7.isOpen());
    EXPECT_FALSE(dane->TFIRMA.isOpen());
    EXPECT_EQ(programEnds, 1);
    ASSERT_TRUE(fs::exists(file("ODTWARZANIE.PLN")));
    window.reset();
    dane.reset();

    // The next start completes the restore before it opens anything.
    open();
    ASSERT_TRUE(dane->TRP7.isOpen());
    EXPECT_EQ(rows("BAZA/KADRY/RP7.DB"), archived);
    EXPECT_FALSE(fs::exists(file("ODTWARZANIE.PLN")));
    EXPECT_FALSE(fs::exists(file("ODTWARZANIE.nowe")));
    EXPECT_FALSE(fs::exists(file("ODTWARZANIE.stare")));
}

TEST_F(MaintenanceWindows, AStartThatCannotCompleteARestoreNamesTheFilesSetAsideAndEnds) {
    // A restore cut short: the live employee table went aside, the archive's did not come in.
    const std::string aside = file("ODTWARZANIE.stare");
    const std::string live = file("BAZA/KADRY/RP7.DB");
    fs::create_directories(aside + "/BAZA/KADRY");
    fs::create_directories(file("ODTWARZANIE.nowe/BAZA/KADRY"));
    fs::copy_file(live, file("ODTWARZANIE.nowe/BAZA/KADRY/RP7.DB"));
    fs::rename(live, aside + "/BAZA/KADRY/RP7.DB");
    test::writeText(engine::Env::system(), file("ODTWARZANIE.PLN"),
                    "#ODLOZONE\t" + aside + "\n" + live + "\t" + aside + "/BAZA/KADRY/RP7.DB\n" +
                        file("ODTWARZANIE.nowe/BAZA/KADRY/RP7.DB") + "\t" + live + "\n");
    test::HookedEnv disk([](const std::string& call, const std::string& path) {
        if (call == "rename") engine::fail(engine::ErrorCode::Io, "Dysk odmówił: " + path + ".");
    });
    data::Tdane::Environment env;
    env.programFolder = QString::fromStdString(dir.path());
    env.programFile = QString::fromStdString(dir.file("lumiro"));
    env.arguments = QStringList();
    env.fileSystem = &disk;
    bool updated = false;
    env.Aktualizacja = [&updated](data::Tdane&) { updated = true; };
    dane = std::make_unique<data::Tdane>(values, prompter, std::move(env));
    dane->create();
    EXPECT_TRUE(values.Przerwij);
    EXPECT_FALSE(updated);
    EXPECT_FALSE(dane->TFIRMA.isOpen());
    EXPECT_FALSE(dane->TRP7.isOpen());
    EXPECT_FALSE(fs::exists(live));
    ASSERT_FALSE(prompter.questions().empty());
    const QString said = prompter.questions().back().text;
    EXPECT_TRUE(said.contains(QString::fromStdString(aside))) << said.toStdString();
    EXPECT_TRUE(fs::exists(file("ODTWARZANIE.PLN")));
}

// Index repair on the employee table whose index files were damaged in the given way.
enum class Damage { Deleted, Truncated, Garbage };

class IndexRepairWindow : public MaintenanceWindows, public ::testing::WithParamInterface<Damage> {
  protected:
    QStringList repair() {
        QStringList report;
        prompter.queue(platform::MessageResult::Yes);
        onModal([&report](QWidget& w) {
            auto* repair = qobject_cast<TAWARIAF*>(&w);
            ASSERT_NE(repair, nullptr);
            EXPECT_EQ(repair->windowTitle(), QStringLiteral("Naprawa Indeksów"));
            button(w, QStringLiteral("START"))->click();
            report = w.findChild<QPlainTextEdit*>()->toPlainText().split(u'\n');
            screenshot(w, "index-repair-window.png");
            w.close();
        });
        window->runMenuCommand(QStringLiteral("Narzędzia/Odtwarzanie indeksów"));
        return report;
    }
};

TEST_P(IndexRepairWindow, RebuildsTheIndexesOfEveryRegisteredTable) {
    open();
    const int count = dane->RejestrTabel[0].toInt();
    ASSERT_GT(count, 5);
    QStringList tables;
    for (int i = 1; i <= count; ++i) tables.append(dane->RejestrTabel[std::size_t(i)]);
    // The program closes its tables for the run, so the damage can be done while it runs.
    window.reset();
    dane.reset();
    for (const char* name : {"RP7.PX", "RP7.XG0", "RP7.YG0", "RP7.XG1", "RP7.YG1"}) {
        const std::string path = file(std::string("BAZA/KADRY/") + name);
        switch (GetParam()) {
            case Damage::Deleted:
                fs::remove(path);
                break;
            case Damage::Truncated:
                fs::resize_file(path, fs::file_size(path) / 3);
                break;
            case Damage::Garbage: {
                std::ofstream out(path, std::ios::binary | std::ios::trunc);
                for (int i = 0; i < 5000; ++i) out.put(char(i * 37));
                break;
            }
        }
    }
    std::ofstream(file("BAZA/KADRY/RP7.TV")) << "ustawienia";
    open();
    const QStringList report = repair();

    QStringList expected{QStringLiteral("Bazy danych używane w programie:")};
    expected += tables;
    expected.append(QStringLiteral("Odtwarzanie baz danych używanych w programie:"));
    for (const QString& t : tables) expected.append(t + QStringLiteral(" naprawiono."));
    expected.append(QStringLiteral("KONIEC"));
    EXPECT_EQ(report, expected);
    // The damage was told at start; then the repair's own question.
    const auto said = questions();
    EXPECT_NE(
        std::find(
            said.begin(), said.end(),
            QStringLiteral(
                "Uwaga ! Proszę zamknąć pozostałe programy.\nCzy zacząć odtwarzanie indeksów ?")),
        said.end());

    // Kept: the table, its structure file; gone: other companions; back: every index.
    EXPECT_TRUE(fs::exists(file("BAZA/KADRY/RP7.STR")));
    EXPECT_FALSE(fs::exists(file("BAZA/KADRY/RP7.TV")));
    for (const char* name : {"RP7.PX", "RP7.XG0", "RP7.YG0"})
        EXPECT_TRUE(fs::exists(file(std::string("BAZA/KADRY/") + name))) << name;
    // The program has its tables again and searches by name.
    ASSERT_TRUE(dane->TRP7.isOpen());
    dane->TRP7.setIndexName("Ninx");
    dane->TRP7.first();
    EXPECT_FALSE(dane->TRP7.eof());
    window.reset();
    dane.reset();
    QProcess check;
    check.start(QStringLiteral(LUMIRO_DB_EXE),
                {QStringLiteral("check"), QString::fromStdString(file("BAZA/KADRY/RP7.DB"))});
    ASSERT_TRUE(check.waitForFinished(30000));
    EXPECT_EQ(check.exitCode(), 0) << check.readAllStandardOutput().toStdString()
                                   << check.readAllStandardError().toStdString();
}

INSTANTIATE_TEST_SUITE_P(Damages, IndexRepairWindow,
                         ::testing::Values(Damage::Deleted, Damage::Truncated, Damage::Garbage));

TEST_F(MaintenanceWindows, ATableInUseOrWithoutItsDescriptionIsNotRepairedAndKeepsItsFiles) {
    open();
    fs::remove(file("BAZA/KADRY/ZAL2.STR"));
    const auto zal2 = fs::file_size(file("BAZA/KADRY/ZAL2.PX"));
    // Another program has the earnings table open.
    engine::Session other("INNY");
    engine::Table busy(other);
    busy.open(file("BAZA/KADRY/ZAR.DB"));
    const auto zarIndex = fs::last_write_time(file("BAZA/KADRY/ZAR.PX"));

    QStringList report;
    prompter.queue(platform::MessageResult::Yes);
    onModal([&report](QWidget& w) {
        button(w, QStringLiteral("START"))->click();
        report = w.findChild<QPlainTextEdit*>()->toPlainText().split(u'\n');
        w.close();
    });
    window->runMenuCommand(QStringLiteral("Narzędzia/Odtwarzanie indeksów"));
    auto lineOf = [&report](const QString& tail) {
        for (const QString& l : report)
            if (l.endsWith(tail + QStringLiteral(" naprawiono.")) ||
                l.endsWith(tail + QStringLiteral(" nienaprawiono.")))
                return l;
        return QString();
    };
    EXPECT_TRUE(lineOf(QStringLiteral("ZAL2")).endsWith(QStringLiteral(" nienaprawiono.")));
    EXPECT_TRUE(lineOf(QStringLiteral("ZAR")).endsWith(QStringLiteral(" nienaprawiono.")));
    EXPECT_TRUE(lineOf(QStringLiteral("RP7")).endsWith(QStringLiteral(" naprawiono.")));
    EXPECT_EQ(report.back(), QStringLiteral("KONIEC"));
    EXPECT_EQ(fs::file_size(file("BAZA/KADRY/ZAL2.PX")), zal2);
    EXPECT_EQ(fs::last_write_time(file("BAZA/KADRY/ZAR.PX")), zarIndex);
    EXPECT_TRUE(dane->Tzal2.isOpen());
}

}  // namespace
}  // namespace lumiro::maintenance
