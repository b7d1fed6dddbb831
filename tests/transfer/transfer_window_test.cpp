// The import and export window over the installation's tables and generated rows, driven
// through its buttons with the file dialogs answered by the test.
#include <QAbstractItemModel>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>

#include "app/transfer_commands.h"
#include "components/data_grid.h"
#include "data/employee_cards.h"
#include "engine/cp1250.h"
#include "engine/error.h"
#include "records/records_fixture.h"
#include "transfer/limit_rows.h"
#include "transfer/transfer_window.h"

namespace lumiro::transfer {
namespace {

using records::test::integer;
using records::test::text;
using Row = records::test::Row;
using engine::Value;

Value amount(double v) {
    return Value{v};
}

class TransferWindow : public records::test::IndexWindowFixture {
  protected:
    // A payer of our own with cards and detail rows full of what a file must carry intact:
    // Polish letters, empty values, large and negative amounts.
    void seed() {
        addRows("BAZA/KADRY/ZLEC",
                {{{"NR", integer(7)}, {"POCZTA", text("Źródło Łąki sp. z o.o.")}}});
        std::vector<Row> cards, earnings, periods, benefits, certificates;
        for (int n = 1; n <= 12; ++n) {
            cards.push_back({{"ZLEC", integer(7)},
                             {"NR", integer(n)},
                             {"POLE1", text(n % 2 ? "Żółkiewska-Ćwik Łucja" : "Nowak Jan")},
                             {"KP11", text(n == 3 ? "" : "80010112345")},
                             {"POLE28", text("ul. Świętokrzyska 12/5, 00-950 Warszawa")}});
            for (int year = 1990; year < 1990 + n; ++year)
                earnings.push_back(
                    {{"ZLEC", integer(7)},
                     {"NR", integer(n)},
                     {"POLE1", text(std::to_string(year).c_str())},
                     {"POLE2", amount(n == 5 ? 99999999999.99 : 123456.0 * n / 100.0)},
                     {"POLE3", amount(n == 6 ? -0.01 : 0.0)},
                     {"POLE4", text("zasiłek chorobowy")}});
            periods.push_back({{"ZLEC", integer(7)},
                               {"NR", integer(n)},
                               {"POLE1", text("1999.01.01")},
                               {"POLE3", text("urlop bezpłatny — ąęśżź")}});
            benefits.push_back({{"ZLEC", integer(7)}, {"NR", integer(n)}, {"POLE2", text("2001")}});
            certificates.push_back(
                {{"ZLEC", integer(7)}, {"NR", integer(n)}, {"POLE1", text("Zakład Ńąń")}});
        }
        addRows("BAZA/KADRY/RP7", cards);
        addRows("BAZA/KADRY/ZAR", earnings);
        addRows("BAZA/KADRY/ZAL", periods);
        addRows("BAZA/KADRY/ZAL2", benefits);
        addRows("BAZA/KADRY/ZAL3", certificates);
    }

    // A payer of our own whose cards and rows hold values at the limits of what a text file
    // must carry (limit_rows.h).
    void seedLimits() {
        addRows("BAZA/KADRY/ZLEC",
                {{{"NR", integer(7)}, {"POCZTA", text("Źródło Łąki sp. z o.o.")}}});
        const std::vector<std::int64_t> numbers = {1, 2, 99999, 2147483647};
        addRows("BAZA/KADRY/RP7", test::limitRows(data::rp7Layout(), numbers, 1));
        addRows("BAZA/KADRY/ZAR", test::limitRows(data::zarLayout(), numbers, 6));
        addRows("BAZA/KADRY/ZAL", test::limitRows(data::zalLayout(), numbers, 3));
        addRows("BAZA/KADRY/ZAL2", test::limitRows(data::zal2Layout(), numbers, 3));
        addRows("BAZA/KADRY/ZAL3", test::limitRows(data::zal3Layout(), numbers, 2));
    }

    TransferDialogs dialogs() {
        auto answer = [this](QWidget*, const QString& suggested, const QString& filter) {
            suggestions.push_back(suggested);
            filters.push_back(filter);
            return chosen;
        };
        return {answer, answer};
    }

    QString path(const QString& name) const {
        return QString::fromStdString(dir.path()) + u'/' + name;
    }
    void writeFile(const QString& name, const QByteArray& bytes) {
        QFile f(path(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QByteArray readFile(const QString& name) {
        QFile f(path(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    void exportTo(engine::Table& table, const QString& name,
                  TextEncoding encoding = TextEncoding::Cp1250,
                  const std::function<void(TFexpimp&)>& edit = {}) {
        data::MasterLinkCut all(table);
        TFexpimp w(*dane, dialogs());
        chosen = path(name);
        w.prepare(table, TransferDirection::Export);
        w.encodingChoice().setCurrentIndex(encoding == TextEncoding::Utf8 ? 1 : 0);
        if (edit) edit(w);
        w.BplikClick();
    }

    // Chooses the file; starts the import when the window lets it. False when it did not.
    bool importFrom(engine::Table& table, const QString& name) {
        data::MasterLinkCut all(table);
        TFexpimp w(*dane, dialogs());
        chosen = path(name);
        w.prepare(table, TransferDirection::Import);
        w.BplikClick();
        if (!w.Bstart().isEnabled()) return false;
        w.BstartClick();
        return true;
    }

    // The table as the command-line tool lists it, every column of every record.
    QByteArray dump(const char* table) {
        QProcess tool;
        tool.start(QStringLiteral(LUMIRO_DB_EXE),
                   {QStringLiteral("dump"), QString::fromStdString(file(table))});
        EXPECT_TRUE(tool.waitForFinished(60000));
        EXPECT_EQ(tool.exitCode(), 0) << tool.readAllStandardError().toStdString();
        return tool.readAllStandardOutput();
    }

    QString lastMessage() const {
        return prompter.questions().empty() ? QString() : prompter.questions().back().text;
    }

    QString chosen;
    std::vector<QString> suggestions, filters;
};

struct TableCase {
    const char* file;
    engine::Table data::Tdane::*table;
};
const TableCase kTables[] = {{"BAZA/KADRY/RP7", &data::Tdane::TRP7},
                             {"BAZA/KADRY/ZAR", &data::Tdane::Tzar},
                             {"BAZA/KADRY/ZAL", &data::Tdane::TZal},
                             {"BAZA/KADRY/ZAL2", &data::Tdane::Tzal2},
                             {"BAZA/KADRY/ZAL3", &data::Tdane::TZal3}};

// Every table with values at their limits, out and back through the window in either
// encoding: the tables come back identical, nothing is added, changed or asked.
TEST_F(TransferWindow, EveryTableGoesOutAndComesBackIdenticalInEitherEncoding) {
    seedLimits();
    start();
    for (TextEncoding encoding : {TextEncoding::Cp1250, TextEncoding::Utf8}) {
        for (const TableCase& c : kTables) {
            SCOPED_TRACE(c.file);
            const auto before = rows(c.file);
            const QByteArray listed = dump(c.file);
            engine::Table& table = (*dane).*(c.table);
            const QString name = QStringLiteral("%1-%2.txt")
                                     .arg(QString::fromLatin1(c.file).section(u'/', -1))
                                     .arg(encodingName(encoding));
            exportTo(table, name, encoding);
            EXPECT_TRUE(lastMessage().contains(QStringLiteral("wierszy %1").arg(before.size())))
                << lastMessage().toStdString();
            EXPECT_EQ(readFile(name).startsWith("\xEF\xBB\xBF"), encoding == TextEncoding::Utf8);
            ASSERT_TRUE(importFrom(table, name)) << lastMessage().toStdString();
            EXPECT_TRUE(lastMessage().contains(
                QStringLiteral("Dodane wiersze: 0, zmienione: 0, pominięte, bo są już w tabeli: %1")
                    .arg(before.size())))
                << lastMessage().toStdString();
            EXPECT_EQ(rows(c.file), before);
            EXPECT_EQ(dump(c.file), listed);
            EXPECT_TRUE(QFile::exists(path(u'z' + name)));
            EXPECT_FALSE(QFile::exists(path(name)));
            EXPECT_TRUE(table.linkActive());
        }
    }
    for (const auto& question : prompter.questions())
        EXPECT_EQ(question.icon, platform::MessageIcon::Information) << question.text.toStdString();
    // Amounts as a Polish spreadsheet reads them, texts quoted where they must be.
    exportTo(dane->Tzar, QStringLiteral("zar.txt"));
    const QByteArray zar = readFile(QStringLiteral("zar.txt"));
    EXPECT_TRUE(zar.contains(";999999999,99;")) << zar.left(400).toStdString();
    EXPECT_TRUE(zar.contains(";-0,01;"));
    EXPECT_TRUE(zar.contains(";9999999999999,99;"));
    EXPECT_TRUE(
        zar.startsWith("ZLEC;NR;POLE1;AUTO;POLE2;POLE3;POLE4;POLE5;POLE6;POLE7;POLE8;POLE9;\r\n"));
}

// The file as LibreOffice Calc or Excel saves an export again: every text and heading name
// quoted, no final ";", LF line ends, amounts with a decimal point, a byte-order mark.
TEST_F(TransferWindow, AnExportSavedAgainByASpreadsheetComesBackIdentical) {
    seedLimits();
    start();
    for (const TableCase& c : kTables) {
        SCOPED_TRACE(c.file);
        const auto before = rows(c.file);
        engine::Table& table = (*dane).*(c.table);
        QByteArray sheet = "\xEF\xBB\xBF";
        QStringList names;
        for (int f = 0; f < table.storedFieldCount(); ++f)
            names << u'"' + QString::fromStdString(table.fields()[std::size_t(f)].name) + u'"';
        sheet += names.join(u';').toUtf8() + '\n';
        for (const Row& row : before) {
            QStringList cells;
            for (int f = 0; f < table.storedFieldCount(); ++f) {
                const auto& field = table.fields()[std::size_t(f)];
                const Value& v = row.at(field.name);
                if (engine::isNull(v))
                    cells << QString();
                else if (auto* s = std::get_if<std::string>(&v))
                    cells << u'"' + data::fromTable(*s).replace(u'"', QStringLiteral("\"\"")) +
                                 u'"';
                else if (auto* d = std::get_if<double>(&v))
                    cells << QString::number(*d, 'f', 2);
                else
                    cells << QString::number(std::get<std::int64_t>(v));
            }
            sheet += cells.join(u';').toUtf8() + '\n';
        }
        const QString name = QString::fromLatin1(c.file).section(u'/', -1) + QStringLiteral(".csv");
        writeFile(name, sheet);
        ASSERT_TRUE(importFrom(table, name)) << lastMessage().toStdString();
        EXPECT_TRUE(lastMessage().contains(u"Dodane wiersze: 0, zmienione: 0,"))
            << lastMessage().toStdString();
        EXPECT_EQ(rows(c.file), before);
    }
}

TEST_F(TransferWindow, TheGridRenamesAndLeavesOutColumnsAndTheFileMayLackSome) {
    seed();
    start();
    // Export: a renamed column and one left out.
    exportTo(dane->TRP7, QStringLiteral("export.txt"), TextEncoding::Cp1250, [](TFexpimp& w) {
        EXPECT_EQ(w.windowTitle(), QStringLiteral("Export danych"));
        EXPECT_FALSE(w.Bstart().isVisible());
        w.zamien().item(2, TFexpimp::kFileColumn)->setText(QStringLiteral("NAZWISKO"));
        for (int row = 4; row < w.zamien().rowCount(); ++row)
            w.zamien().item(row, TFexpimp::kFileColumn)->setText(QStringLiteral("  "));
    });
    EXPECT_TRUE(readFile(QStringLiteral("export.txt")).startsWith("ZLEC;NR;NAZWISKO;POLE2;\r\n"));
    EXPECT_EQ(filters.back(), QStringLiteral("Plik exportow (*.txt);;Wszystki pliki (*)"));

    const auto before = rows("BAZA/KADRY/RP7");
    writeFile(QStringLiteral("import.txt"), QByteArray::fromStdString(engine::utf8ToCp1250(
                                                "ZLEC;NR;POLE1;NIEZNANA;KP11;POLE1;\r\n"
                                                "7;1;Kowalska Ewa;cokolwiek;90020254321;Inna;\r\n"
                                                "7;2;Krótki;\r\n"
                                                "7;4;Bez średnika;x;55\r\n")));
    writeFile(QStringLiteral("zimport.txt"), "stary");
    {
        data::MasterLinkCut all(dane->TRP7);
        TFexpimp w(*dane, dialogs());
        chosen = path(QStringLiteral("import.txt"));
        w.prepare(dane->TRP7, TransferDirection::Import);
        EXPECT_EQ(w.windowTitle(), QStringLiteral("Import danych"));
        EXPECT_EQ(w.zamien().item(0, TFexpimp::kFileColumn)->text(), QStringLiteral("klucz"));
        w.BplikClick();
        // Six file columns, then every field the heading lacks.
        EXPECT_EQ(w.zamien().rowCount(), 6 + 96 - 4);
        EXPECT_EQ(w.zamien().item(3, TFexpimp::kFieldName)->text(), QString());
        EXPECT_EQ(w.zamien().item(5, TFexpimp::kFieldName)->text(), QString());
        EXPECT_EQ(w.zamien().item(0, TFexpimp::kKeyMark)->text(), QStringLiteral("*"));
        ASSERT_TRUE(w.Bstart().isEnabled());
        w.BstartClick();
    }
    const auto after = rows("BAZA/KADRY/RP7");
    ASSERT_EQ(after.size(), before.size());
    auto card = [&](int n) {
        for (const Row& r : after)
            if (integerOf(r, "ZLEC") == 7 && integerOf(r, "NR") == n) return r;
        return Row{};
    };
    EXPECT_EQ(textOf(card(1), "POLE1"), QStringLiteral("Kowalska Ewa"));
    EXPECT_EQ(textOf(card(1), "KP11"), QStringLiteral("90020254321"));
    EXPECT_EQ(textOf(card(1), "POLE28"), QStringLiteral("ul. Świętokrzyska 12/5, 00-950 Warszawa"));
    EXPECT_EQ(textOf(card(2), "POLE1"), QStringLiteral("Krótki"));
    EXPECT_EQ(textOf(card(2), "KP11"), QStringLiteral("80010112345"));
    EXPECT_EQ(textOf(card(4), "POLE1"), QStringLiteral("Bez średnika"));
    // The last value had no ";" after it: a value all the same.
    EXPECT_EQ(textOf(card(4), "KP11"), QStringLiteral("55"));
    // The imported file takes a free name; the file that had its "z" name is the user's.
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("import.txt"))));
    EXPECT_EQ(readFile(QStringLiteral("zimport.txt")), QByteArray("stary"));
    EXPECT_TRUE(readFile(QStringLiteral("zimport (2).txt")).startsWith("ZLEC;NR;POLE1;"));
}

TEST_F(TransferWindow, FilesTheWindowRefusesWhenChosen) {
    start();
    const std::pair<const char*, QByteArray> files[] = {
        {"binary.txt", QByteArray("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16)},
        {"utf16.txt", QByteArray("\xFF\xFE", 2) +
                          QByteArray(reinterpret_cast<const char*>(u"ZLEC;NR;\r\n"), 20)},
        {"empty.txt", QByteArray()},
        {"nokey.txt", QByteArray("ZLEC;POLE1;\r\n1;Nowak;\r\n")}};
    for (const auto& [name, bytes] : files) {
        SCOPED_TRACE(name);
        writeFile(QString::fromLatin1(name), bytes);
        const auto asked = prompter.questions().size();
        EXPECT_FALSE(importFrom(dane->TRP7, QString::fromLatin1(name)));
        EXPECT_EQ(prompter.questions().size(), asked + (QByteArray(name) == "nokey.txt" ? 0 : 1));
        EXPECT_TRUE(QFile::exists(path(QString::fromLatin1(name))));
    }
    EXPECT_TRUE(prompter.questions()[0].text.contains(u"nie jest plikiem tekstowym"));
    EXPECT_TRUE(prompter.questions()[1].text.contains(u"UTF-16"));
    EXPECT_TRUE(prompter.questions()[2].text.contains(u"pusty"));
}

TEST_F(TransferWindow, RowsOfMissingCardsAreShownBeforeTheyAreStored) {
    seed();
    start();
    const auto before = rows("BAZA/KADRY/ZAR");
    writeFile(QStringLiteral("import.txt"),
              "ZLEC;NR;POLE1;AUTO;POLE2;\r\n7;1;2010;;1;\r\n7;99;2010;;1;\r\n");
    prompter.queue(platform::MessageResult::No);
    ASSERT_TRUE(importFrom(dane->Tzar, QStringLiteral("import.txt")));
    EXPECT_TRUE(lastMessage().contains(u"wiersz 3: płatnik, pracownik 7, 99"))
        << lastMessage().toStdString();
    EXPECT_EQ(rows("BAZA/KADRY/ZAR"), before);
    EXPECT_TRUE(QFile::exists(path(QStringLiteral("import.txt"))));

    prompter.queue(platform::MessageResult::Yes);
    ASSERT_TRUE(importFrom(dane->Tzar, QStringLiteral("import.txt")));
    EXPECT_EQ(rows("BAZA/KADRY/ZAR").size(), before.size() + 2);
}

TEST_F(TransferWindow, TheDefaultFolderIsKeptInItsFile) {
    start();
    values.SciezkaDanych.clear();
    {
        TFexpimp w(*dane, dialogs());
        w.prepare(dane->TRP7, TransferDirection::Export);
        EXPECT_EQ(w.folderFilePath(), path(QStringLiteral("ImpExp.txt")));
        EXPECT_EQ(w.lastPath(), QString());
        w.BsciezkaClick();  // nothing chosen yet: nothing written
        EXPECT_FALSE(QFile::exists(w.folderFilePath()));
    }
    QDir(QString::fromStdString(dir.path())).mkdir(QStringLiteral("pliki"));
    {
        data::MasterLinkCut all(dane->Tzar);
        TFexpimp w(*dane, dialogs());
        chosen = path(QStringLiteral("pliki/earnings.txt"));
        w.prepare(dane->Tzar, TransferDirection::Export);
        w.BplikClick();
        w.BsciezkaClick();
    }
    EXPECT_EQ(readFile(QStringLiteral("ImpExp.txt")),
              path(QStringLiteral("pliki/")).toUtf8() + "\r\n");
    TFexpimp w(*dane, dialogs());
    w.prepare(dane->TZal, TransferDirection::Import);
    EXPECT_EQ(w.lastPath(), path(QStringLiteral("pliki/")));
    chosen.clear();
    w.BplikClick();  // cancelled: nothing happens
    EXPECT_EQ(suggestions.back(), path(QStringLiteral("pliki/import.txt")));
    EXPECT_EQ(filters.back(),
              QStringLiteral("Plik tekstowy (*.txt);;CSV rozdzielany średnikami (*.csv)"));
    EXPECT_FALSE(w.Bstart().isEnabled());
}

// As the user works: the menu item, the dialog, the start; the index window afterwards.
TEST_F(TransferWindow, ImportFromTheIndexWindowMenu) {
    seed();
    start();
    records::EmployeeIndexServices services;
    showWindow();
    app::addTransferCommands(*window, *dane, services, dialogs());
    window->setServices(std::move(services));
    const int entry = window->ERD().findText(QStringLiteral("7"), Qt::MatchStartsWith);
    ASSERT_GE(entry, 0);
    window->ERD().setCurrentIndex(entry);
    QApplication::processEvents();
    ASSERT_EQ(dane->TRP7.recordCount(), 12);
    const int shown = window->XDBGrid1().model()->rowCount();
    ASSERT_EQ(shown, 12);

    writeFile(QStringLiteral("import.txt"),
              "ZLEC;NR;POLE1;AUTO;POLE2;\r\n7;1;2020;;5000,00;\r\n7;2;2020;;6000.5;\r\n");
    chosen = path(QStringLiteral("import.txt"));
    bool sawWindow = false;
    QTimer::singleShot(0, [&] {
        auto* w = qobject_cast<TFexpimp*>(QApplication::activeModalWidget());
        ASSERT_TRUE(w);
        sawWindow = true;
        EXPECT_EQ(w->windowTitle(), QStringLiteral("Import danych"));
        // Every row of the table while the window is open, not only the current card's.
        EXPECT_FALSE(dane->Tzar.linkActive());
        w->Bplik().click();
        QApplication::processEvents();
        if (qEnvironmentVariableIsSet("LUMIRO_TRANSFER_SCREENSHOT"))
            w->grab().save(qEnvironmentVariable("LUMIRO_TRANSFER_SCREENSHOT"));
        ASSERT_TRUE(w->Bstart().isEnabled());
        w->Bstart().click();
    });
    window->runMenuCommand(QStringLiteral("Narzędzia/Import /ZAR.DB"));
    EXPECT_TRUE(sawWindow);
    EXPECT_TRUE(dane->Tzar.linkActive());
    ASSERT_EQ(prompter.questions().size(), 1u) << lastMessage().toStdString();
    EXPECT_TRUE(lastMessage().contains(u"Dodane wiersze: 2")) << lastMessage().toStdString();
    int added = 0;
    for (const Row& r : rows("BAZA/KADRY/ZAR"))
        if (textOf(r, "POLE1") == QStringLiteral("2020")) ++added;
    EXPECT_EQ(added, 2);
    // The index shows the payer's employees again, and the earnings table the current card's.
    QApplication::processEvents();
    EXPECT_EQ(window->XDBGrid1().model()->rowCount(), shown);
    EXPECT_EQ(dane->TRP7.recordCount(), 12);
    const auto card = dane->TRP7.asInteger(dane->TRP7.field("NR"));
    EXPECT_EQ(dane->Tzar.recordCount(), card + (card <= 2 ? 1 : 0));
}

// Cards imported from the menu are counted in the index window's status bar at once.
TEST_F(TransferWindow, ImportedCardsAreCountedInTheIndexWindow) {
    seed();
    start();
    records::EmployeeIndexServices services;
    showWindow();
    app::addTransferCommands(*window, *dane, services, dialogs());
    window->setServices(std::move(services));
    const int entry = window->ERD().findText(QStringLiteral("7"), Qt::MatchStartsWith);
    ASSERT_GE(entry, 0);
    window->ERD().setCurrentIndex(entry);
    QApplication::processEvents();
    auto countShown = [this] {
        for (auto* label : window->findChildren<QLabel*>())
            if (label->text().startsWith(QStringLiteral("Ilość pozycji"))) return label->text();
        return QString();
    };
    EXPECT_EQ(countShown(), QStringLiteral("Ilość pozycji  12"));
    writeFile(QStringLiteral("karty.txt"),
              "ZLEC;NR;POLE1;\r\n7;40;Nowak Jan;\r\n7;41;Nowak Ewa;\r\n");
    chosen = path(QStringLiteral("karty.txt"));
    QTimer::singleShot(0, [] {
        auto* w = qobject_cast<TFexpimp*>(QApplication::activeModalWidget());
        ASSERT_TRUE(w);
        w->Bplik().click();
        QApplication::processEvents();
        ASSERT_TRUE(w->Bstart().isEnabled());
        w->Bstart().click();
    });
    window->runMenuCommand(QStringLiteral("Narzędzia/Import /RP7.DB"));
    ASSERT_EQ(prompter.questions().size(), 1u) << lastMessage().toStdString();
    EXPECT_TRUE(lastMessage().contains(u"Dodane wiersze: 2")) << lastMessage().toStdString();
    QApplication::processEvents();
    EXPECT_EQ(countShown(), QStringLiteral("Ilość pozycji  14"));
}

// --- what a re-import must never do -----------------------------------------------------------

QByteArray cp1250(const char* utf8) {
    return QByteArray::fromStdString(engine::utf8ToCp1250(utf8));
}

TEST_F(TransferWindow, DetailFilesWithoutTheCounterNeverDoubleARow) {
    seed();
    start();
    const auto before = rows("BAZA/KADRY/ZAR").size();
    // Card 2 has the years 1990 and 1991; the first line repeats its 1990 row.
    const QByteArray file = cp1250(
        "ZLEC;NR;POLE1;POLE2;POLE3;POLE4\r\n"
        "7;2;1990;2469,12;0,00;zasiłek chorobowy\r\n"
        "7;2;2020;100,00;;\r\n");
    writeFile(QStringLiteral("import.txt"), file);
    ASSERT_TRUE(importFrom(dane->Tzar, QStringLiteral("import.txt")));
    EXPECT_EQ(rows("BAZA/KADRY/ZAR").size(), before + 1);
    EXPECT_TRUE(
        lastMessage().contains(u"Dodane wiersze: 1, zmienione: 0, pominięte, bo są już w "
                               u"tabeli: 1"))
        << lastMessage().toStdString();
    // The same file once more adds nothing.
    writeFile(QStringLiteral("import.txt"), file);
    ASSERT_TRUE(importFrom(dane->Tzar, QStringLiteral("import.txt")));
    EXPECT_EQ(rows("BAZA/KADRY/ZAR").size(), before + 1);
    EXPECT_TRUE(
        lastMessage().contains(u"Dodane wiersze: 0, zmienione: 0, pominięte, bo są już w "
                               u"tabeli: 2"))
        << lastMessage().toStdString();

    // A second row for a year the card has is shown first; No stores nothing.
    writeFile(QStringLiteral("rok.txt"),
              "ZLEC;NR;POLE1;POLE2\r\n7;3;2000;1,00\r\n7;2;1991;5,00\r\n");
    prompter.queue(platform::MessageResult::No);
    ASSERT_TRUE(importFrom(dane->Tzar, QStringLiteral("rok.txt")));
    EXPECT_TRUE(lastMessage().contains(u"wiersz 3: płatnik 7, pracownik 2, rok 1991"))
        << lastMessage().toStdString();
    EXPECT_FALSE(lastMessage().contains(u"rok 2000"));
    EXPECT_EQ(rows("BAZA/KADRY/ZAR").size(), before + 1);
    EXPECT_TRUE(QFile::exists(path(QStringLiteral("rok.txt"))));
    prompter.queue(platform::MessageResult::Yes);
    ASSERT_TRUE(importFrom(dane->Tzar, QStringLiteral("rok.txt")));
    EXPECT_EQ(rows("BAZA/KADRY/ZAR").size(), before + 3);
}

TEST_F(TransferWindow, AMissingValueKeepsWhatTheRecordHolds) {
    seed();
    start();
    // A spreadsheet's heading without its final ";" and lines with one, without one, and with
    // an empty value.
    writeFile(QStringLiteral("karty.txt"), cp1250("ZLEC;NR;POLE1;KP11\r\n"
                                                  "7;1;Kowalska Ewa;\r\n"
                                                  "7;2;Nowak Jan;;\r\n"
                                                  "7;4;Bez średnika\r\n"));
    ASSERT_TRUE(importFrom(dane->TRP7, QStringLiteral("karty.txt")));
    writeFile(QStringLiteral("karty.txt"), "ZLEC;NR;POLE1;KP11;\r\n7;5;Nowak\r\n");
    ASSERT_TRUE(importFrom(dane->TRP7, QStringLiteral("karty.txt")));
    auto card = [&](int n) {
        for (const Row& r : rows("BAZA/KADRY/RP7"))
            if (integerOf(r, "ZLEC") == 7 && integerOf(r, "NR") == n) return r;
        return Row{};
    };
    EXPECT_EQ(textOf(card(1), "POLE1"), QStringLiteral("Kowalska Ewa"));
    EXPECT_EQ(textOf(card(1), "KP11"), QStringLiteral("80010112345"));
    EXPECT_EQ(textOf(card(2), "KP11"), QString());
    EXPECT_EQ(textOf(card(4), "POLE1"), QStringLiteral("Bez średnika"));
    EXPECT_EQ(textOf(card(4), "KP11"), QStringLiteral("80010112345"));
    EXPECT_EQ(textOf(card(5), "POLE1"), QStringLiteral("Nowak"));
}

TEST_F(TransferWindow, AValueTheTableCannotHoldExactlyRefusesTheWholeFile) {
    seed();
    start();
    const auto before = rows("BAZA/KADRY/ZAR");
    writeFile(QStringLiteral("import.txt"),
              "ZLEC;NR;POLE1;AUTO;POLE2;\r\n"
              "7;4;2030;;100,00;\r\n"
              "7;4;2031;;1234,567;\r\n"
              "7;4;2032;;12345678901234,00;\r\n");
    ASSERT_TRUE(importFrom(dane->Tzar, QStringLiteral("import.txt")));
    for (const char* part : {"wiersz 3", "POLE2", "1234,567", "wiersz 4", "12345678901234,00"})
        EXPECT_TRUE(lastMessage().contains(QString::fromUtf8(part), Qt::CaseInsensitive))
            << part << ": " << lastMessage().toStdString();
    EXPECT_EQ(rows("BAZA/KADRY/ZAR"), before);
}

TEST_F(TransferWindow, CardsBeyondOnePrintoutAreNamedOnceAfterAnImport) {
    seed();
    start();
    dane->TPARA.first();
    dane->TPARA.edit();
    dane->TPARA.setValue("B1", Value{true});
    dane->TPARA.post();
    // Card 3 ends with 3 + 28 rows, card 4 with 4 + 26.
    QByteArray file = "ZLEC;NR;POLE1;POLE2\r\n";
    for (int year = 2000; year < 2028; ++year) {
        file += "7;3;" + QByteArray::number(year) + ";1,00\r\n";
        if (year < 2026) file += "7;4;" + QByteArray::number(year) + ";2,00\r\n";
    }
    writeFile(QStringLiteral("import.txt"), file);
    ASSERT_TRUE(importFrom(dane->Tzar, QStringLiteral("import.txt")));
    ASSERT_FALSE(prompter.questions().empty());
    const QString warning = lastMessage();
    EXPECT_EQ(prompter.questions().back().icon, platform::MessageIcon::Warning);
    EXPECT_TRUE(warning.contains(u"płatnik 7, pracownik 3")) << warning.toStdString();
    EXPECT_EQ(warning.count(u"pracownik 3"), 1);
    EXPECT_TRUE(
        warning.contains(u"Przekroczona maksymalna ilość pozycji możliwych do wydrukowania."));
    EXPECT_FALSE(warning.contains(u"pracownik 4")) << "30 rows fit";
}

TEST_F(TransferWindow, AFailedImportLeavesTheWindowOpenWithTheFileChosen) {
    seed();
    start();
    writeFile(QStringLiteral("import.txt"), "ZLEC;NR;POLE1;POLE2\r\n7;4;2030;1O0,00\r\n");
    data::MasterLinkCut all(dane->Tzar);
    TFexpimp w(*dane, dialogs());
    chosen = path(QStringLiteral("import.txt"));
    w.prepare(dane->Tzar, TransferDirection::Import);
    w.show();
    w.BplikClick();
    ASSERT_TRUE(w.Bstart().isEnabled());
    w.BstartClick();
    EXPECT_TRUE(lastMessage().contains(u"1O0,00")) << lastMessage().toStdString();
    EXPECT_TRUE(w.isVisible());
    EXPECT_TRUE(w.Bstart().isEnabled());
    // Mended in place, the same button imports it.
    writeFile(QStringLiteral("import.txt"), "ZLEC;NR;POLE1;POLE2\r\n7;4;2030;100,00\r\n");
    w.BstartClick();
    EXPECT_FALSE(w.isVisible());
    EXPECT_TRUE(QFile::exists(path(QStringLiteral("zimport.txt"))));
}

// Renames of the chosen file fail; everything else goes to this machine's file system.
class NoRenameEnv : public engine::Env {
  public:
    std::unique_ptr<engine::File> open(const std::string& p, engine::OpenMode m) override {
        return system().open(p, m);
    }
    bool exists(const std::string& p) override { return system().exists(p); }
    void remove(const std::string& p) override { system().remove(p); }
    void rename(const std::string& from, const std::string& to) override {
        if (from.ends_with("import.txt"))
            engine::fail(engine::ErrorCode::Io, "Brak uprawnień do zmiany nazwy pliku.");
        system().rename(from, to);
    }
    std::vector<std::string> listDir(const std::string& d) override { return system().listDir(d); }
    bool isDir(const std::string& p) override { return system().isDir(p); }
    void createDir(const std::string& d) override { system().createDir(d); }
    void removeDir(const std::string& d) override { system().removeDir(d); }
    void syncDir(const std::string& d) override { system().syncDir(d); }
    bool isReadOnly(const std::string& p) override { return system().isReadOnly(p); }
    void makeWritable(const std::string& p) override { system().makeWritable(p); }
};

TEST_F(TransferWindow, AnImportedFileThatKeepsItsNameIsReportedAsImported) {
    seed();
    NoRenameEnv noRename;
    data::Tdane::Environment env;
    env.programFolder = QString::fromStdString(dir.path());
    env.programFile = QString::fromStdString(dir.file("lumiro"));
    env.arguments = QStringList();
    env.fileSystem = &noRename;
    dane = std::make_unique<data::Tdane>(values, prompter, std::move(env));
    dane->create();
    writeFile(QStringLiteral("import.txt"), "ZLEC;NR;POLE1;POLE2\r\n7;4;2030;100,00\r\n");
    ASSERT_TRUE(importFrom(dane->Tzar, QStringLiteral("import.txt")));
    EXPECT_TRUE(lastMessage().contains(u"został wczytany")) << lastMessage().toStdString();
    EXPECT_TRUE(lastMessage().contains(u"Nie wczytuj go ponownie"));
    EXPECT_TRUE(lastMessage().contains(u"Brak uprawnień"));
    dane.reset();  // before the file system it works on
}

TEST_F(TransferWindow, TheUserChoosesTheEncodingOfAFileBeforeImporting) {
    seed();
    start();
    // Code page 1250 bytes that happen to be valid UTF-8 ("Ĺ‚" reads as "ł").
    writeFile(QStringLiteral("import.txt"), "ZLEC;NR;POLE1\r\n7;1;\xC5\x82x\r\n");
    data::MasterLinkCut all(dane->TRP7);
    TFexpimp w(*dane, dialogs());
    chosen = path(QStringLiteral("import.txt"));
    w.prepare(dane->TRP7, TransferDirection::Import);
    w.show();
    w.BplikClick();
    EXPECT_TRUE(w.encodingChoice().isVisible());
    EXPECT_EQ(w.encodingChoice().currentText(), QStringLiteral("UTF-8"));
    w.encodingChoice().setCurrentIndex(w.encodingChoice().findText(QStringLiteral("Windows-1250")));
    ASSERT_TRUE(w.Bstart().isEnabled());
    w.BstartClick();
    for (const Row& r : rows("BAZA/KADRY/RP7"))
        if (integerOf(r, "ZLEC") == 7 && integerOf(r, "NR") == 1) {
            EXPECT_EQ(r.at("POLE1"), Value{std::string("\xC5\x82x")});
        }
}

}  // namespace
}  // namespace lumiro::transfer
