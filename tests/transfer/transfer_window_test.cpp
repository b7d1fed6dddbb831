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
#include "records/records_fixture.h"
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
        addRows("BAZA/KADRY/ZLEC", {{{"NR", integer(7)}, {"POCZTA", text("Źródło Łąki sp. z o.o.")}}});
        std::vector<Row> cards, earnings, periods, benefits, certificates;
        for (int n = 1; n <= 12; ++n) {
            cards.push_back({{"ZLEC", integer(7)},
                             {"NR", integer(n)},
                             {"POLE1", text(n % 2 ? "Żółkiewska-Ćwik Łucja" : "Nowak Jan")},
                             {"KP11", text(n == 3 ? "" : "80010112345")},
                             {"POLE28", text("ul. Świętokrzyska 12/5, 00-950 Warszawa")}});
            for (int year = 1990; year < 1990 + n; ++year)
                earnings.push_back({{"ZLEC", integer(7)},
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

TEST_F(TransferWindow, EveryTableGoesOutAndComesBackUnchangedInEitherEncoding) {
    seed();
    start();
    for (TextEncoding encoding : {TextEncoding::Cp1250, TextEncoding::Utf8}) {
        for (const TableCase& c : kTables) {
            SCOPED_TRACE(c.file);
            const auto before = rows(c.file);
            const QByteArray listed = encoding == TextEncoding::Cp1250 ? dump(c.file) : QByteArray();
            engine::Table& table = (*dane).*(c.table);
            exportTo(table, QStringLiteral("export.txt"), encoding);
            const QByteArray bytes = readFile(QStringLiteral("export.txt"));
            EXPECT_EQ(bytes.startsWith("\xEF\xBB\xBF"), encoding == TextEncoding::Utf8);
            EXPECT_EQ(bytes.count("\r\n"), qsizetype(before.size() + 1));
            ASSERT_TRUE(importFrom(table, QStringLiteral("export.txt"))) << lastMessage().toStdString();
            EXPECT_EQ(rows(c.file), before);
            if (encoding == TextEncoding::Cp1250) {
                EXPECT_EQ(dump(c.file), listed);
            }
            EXPECT_TRUE(QFile::exists(path(QStringLiteral("zexport.txt"))));
            EXPECT_FALSE(QFile::exists(path(QStringLiteral("export.txt"))));
            EXPECT_TRUE(table.linkActive());
        }
    }
    EXPECT_TRUE(prompter.questions().empty()) << lastMessage().toStdString();
    // Amounts as a Polish spreadsheet reads them.
    exportTo(dane->Tzar, QStringLiteral("zar.txt"));
    const QByteArray zar = readFile(QStringLiteral("zar.txt"));
    EXPECT_TRUE(zar.contains(";99999999999,99;0,00;")) << zar.left(400).toStdString();
    EXPECT_TRUE(zar.contains(";-0,01;"));
    EXPECT_TRUE(zar.startsWith("ZLEC;NR;POLE1;AUTO;POLE2;POLE3;POLE4;POLE5;POLE6;POLE7;POLE8;POLE9;\r\n"));
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
    writeFile(QStringLiteral("import.txt"),
              QByteArray::fromStdString(engine::utf8ToCp1250(
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
    // The last value had no ";" after it.
    EXPECT_EQ(textOf(card(4), "KP11"), QStringLiteral("80010112345"));
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("import.txt"))));
    EXPECT_TRUE(readFile(QStringLiteral("zimport.txt")).startsWith("ZLEC;NR;POLE1;"));
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

TEST_F(TransferWindow, ABadLineStoresNothingAndTheCorrectedFileAddsEachRowOnce) {
    seed();
    start();
    const auto before = rows("BAZA/KADRY/ZAR");
    QByteArray file = "ZLEC;NR;POLE1;AUTO;POLE2;\r\n";
    for (int line = 2; line <= 70; ++line)
        file += "7;4;" + QByteArray::number(1900 + line) + ";;" +
                (line == 57 ? QByteArray("1O0,00") : QByteArray::number(line) + ",25") + ";\r\n";
    writeFile(QStringLiteral("import.txt"), file);
    ASSERT_TRUE(importFrom(dane->Tzar, QStringLiteral("import.txt")));
    EXPECT_TRUE(lastMessage().contains(u"Wiersz 57")) << lastMessage().toStdString();
    EXPECT_TRUE(lastMessage().contains(u"POLE2"));
    EXPECT_EQ(rows("BAZA/KADRY/ZAR"), before);
    EXPECT_TRUE(QFile::exists(path(QStringLiteral("import.txt"))));
    EXPECT_EQ(dane->Tzar.state(), engine::TableState::Browse);
    EXPECT_TRUE(dane->Tzar.linkActive());

    file.replace("1O0,00", "100,00");
    writeFile(QStringLiteral("import.txt"), file);
    ASSERT_TRUE(importFrom(dane->Tzar, QStringLiteral("import.txt")));
    EXPECT_EQ(rows("BAZA/KADRY/ZAR").size(), before.size() + 69);

    // More than 100 values: the line is named, nothing is stored.
    writeFile(QStringLiteral("wide.txt"),
              "ZLEC;NR;POLE1;AUTO;POLE2;\r\n7;4;1800;;1;\r\n7;4;1801;;1;" + QByteArray(96, ';') +
                  "\r\n");
    ASSERT_TRUE(importFrom(dane->Tzar, QStringLiteral("wide.txt")));
    EXPECT_TRUE(lastMessage().contains(u"Wiersz 3 pliku ma 101 wartości"));
    EXPECT_EQ(rows("BAZA/KADRY/ZAR").size(), before.size() + 69);
}

TEST_F(TransferWindow, FilesOfOtherProgramsInEitherEncoding) {
    seed();
    start();
    const auto periods = rows("BAZA/KADRY/ZAL").size();
    // A spreadsheet's file: UTF-8 with its mark, no final ";", no counter column.
    writeFile(QStringLiteral("arkusz.csv"),
              QByteArray("\xEF\xBB\xBF") +
                  QStringLiteral("ZLEC;NR;POLE1;POLE3\r\n7;2;2003.01.01;świadczenie rehabilitacyjne\r\n"
                                 "7;2;2004.01.01;\r\n")
                      .toUtf8());
    ASSERT_TRUE(importFrom(dane->TZal, QStringLiteral("arkusz.csv")));
    // The same lines again add them again: without the counter every line is a new row.
    writeFile(QStringLiteral("ansi.txt"),
              QByteArray::fromStdString(engine::utf8ToCp1250(
                  "ZLEC;NR;POLE1;POLE3;\r\n7;2;2003.01.01;świadczenie rehabilitacyjne;\n")));
    ASSERT_TRUE(importFrom(dane->TZal, QStringLiteral("ansi.txt")));
    EXPECT_TRUE(prompter.questions().empty()) << lastMessage().toStdString();
    const auto after = rows("BAZA/KADRY/ZAL");
    ASSERT_EQ(after.size(), periods + 3);
    int found = 0;
    for (const Row& r : after)
        if (textOf(r, "POLE3") == QStringLiteral("świadczenie rehabilitacyjne")) ++found;
    EXPECT_EQ(found, 2);
    EXPECT_TRUE(QFile::exists(path(QStringLiteral("zarkusz.csv"))));
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

TEST_F(TransferWindow, ValuesThatWouldBreakTheFileAreReportedBeforeWriting) {
    addRows("BAZA/KADRY/ZLEC", {{{"NR", integer(7)}, {"POCZTA", text("Siódemka")}}});
    addRows("BAZA/KADRY/RP7", {{{"ZLEC", integer(7)},
                                {"NR", integer(1)},
                                {"POLE1", text("Nowak; Jan")},
                                {"POLE28", text("Długa 1\r\nm. 2")}}});
    start();
    prompter.queue(platform::MessageResult::No);
    exportTo(dane->TRP7, QStringLiteral("export.txt"));
    EXPECT_TRUE(lastMessage().contains(u"płatnik 7, pracownik 1, kolumna POLE1"))
        << lastMessage().toStdString();
    EXPECT_TRUE(lastMessage().contains(u"kolumna POLE28"));
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("export.txt"))));

    prompter.queue(platform::MessageResult::Yes);
    exportTo(dane->TRP7, QStringLiteral("export.txt"));
    const QByteArray bytes = readFile(QStringLiteral("export.txt"));
    EXPECT_TRUE(bytes.contains(";Nowak, Jan;")) << bytes.toStdString();
    EXPECT_TRUE(bytes.contains(";D\xB3uga 1 m. 2;"));

    // A file that cannot be written leaves nothing under the chosen name.
    prompter.queue(platform::MessageResult::Yes);
    exportTo(dane->TRP7, QStringLiteral("brak/export.txt"));
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("brak/export.txt"))));
    EXPECT_EQ(prompter.questions().back().icon, platform::MessageIcon::Error);
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
    EXPECT_EQ(readFile(QStringLiteral("ImpExp.txt")), path(QStringLiteral("pliki/")).toUtf8() + "\r\n");
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
    EXPECT_TRUE(prompter.questions().empty()) << lastMessage().toStdString();
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
    writeFile(QStringLiteral("karty.txt"), "ZLEC;NR;POLE1;\r\n7;40;Nowak Jan;\r\n7;41;Nowak Ewa;\r\n");
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
    EXPECT_TRUE(prompter.questions().empty()) << lastMessage().toStdString();
    QApplication::processEvents();
    EXPECT_EQ(countShown(), QStringLiteral("Ilość pozycji  14"));
}

}  // namespace
}  // namespace lumiro::transfer
