#include <filesystem>

#include <QAction>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "components/data_controls.h"
#include "components/data_grid.h"
#include "components/data_source.h"
#include "components/page_control.h"
#include "records/employee_index_window.h"
#include "records_fixture.h"

namespace lumiro::records::test {

using platform::MessageIcon;
using platform::MessageResult;

class EmployeeIndexTest : public IndexWindowFixture {
  protected:
    // Payers 1, 3 and 5 (no cards). Payer 1 has cards 1, 2, 3 and 7; Kowalski (card 2) owns rows in
    // every detail table. Payer 3's card 2 reuses a number of payer 1 and owns rows as well, so
    // that only the payer number tells them apart.
    void seed() {
        for (const char* table : kEmployeeTables) clearTable(table);
        clearTable("BAZA/KADRY/ZLEC");
        addRows("BAZA/KADRY/ZLEC",
                {{{"NR", integer(1)}, {"POCZTA", text("Firma Alfa")}, {"NIP", text("1234563218")}},
                 {{"NR", integer(3)}, {"POCZTA", text("ABC")}, {"NIP", text("5260001246")}},
                 {{"NR", integer(5)}, {"POCZTA", text("Pusty")}}});
        addRows("BAZA/KADRY/RP7",
                {{{"ZLEC", integer(1)},
                  {"NR", integer(1)},
                  {"POLE1", text("Adamski Jan")},
                  {"KP11", text("80010112345")},
                  {"KP12", text("333")}},
                 {{"ZLEC", integer(1)},
                  {"NR", integer(2)},
                  {"POLE1", text("Kowalski Piotr")},
                  {"KP11", text("50020254321")},
                  {"KP12", text("111")},
                  {"POLE5", text("Warszawa")},
                  {"KP20", text("ul. Łąkowa 3")}},
                 {{"ZLEC", integer(1)},
                  {"NR", integer(3)},
                  {"POLE1", text("Nowak Anna")},
                  {"KP11", text("65030398765")},
                  {"KP12", text("222")}},
                 {{"ZLEC", integer(1)},
                  {"NR", integer(7)},
                  {"POLE1", text("Lis Ewa")},
                  {"KP11", text("70040411111")},
                  {"KP12", text("444")}},
                 {{"ZLEC", integer(3)}, {"NR", integer(2)}, {"POLE1", text("Ślusarz Olga")}}});
        for (std::int64_t payer : {1, 3}) {
            const std::int64_t nr = 2;
            addRows("BAZA/KADRY/ZAR",
                    {{{"ZLEC", integer(payer)}, {"NR", integer(nr)}, {"POLE1", text("1998")}},
                     {{"ZLEC", integer(payer)}, {"NR", integer(nr)}, {"POLE1", text("1999")}},
                     {{"ZLEC", integer(payer)}, {"NR", integer(nr)}, {"POLE1", text("2000")}}});
            addRows(
                "BAZA/KADRY/ZAL",
                {{{"ZLEC", integer(payer)}, {"NR", integer(nr)}, {"POLE1", text("1998.01.01")}},
                 {{"ZLEC", integer(payer)}, {"NR", integer(nr)}, {"POLE1", text("1999.01.01")}}});
            addRows(
                "BAZA/KADRY/ZAL2",
                {{{"ZLEC", integer(payer)}, {"NR", integer(nr)}, {"POLE2", text("1998.03.01")}}});
            addRows("BAZA/KADRY/ZAL3", {{{"ZLEC", integer(payer)}, {"NR", integer(nr)}}});
        }
        addRows("BAZA/KADRY/ZAR",
                {{{"ZLEC", integer(1)}, {"NR", integer(1)}, {"POLE1", text("2001")}}});
    }

    void open() {
        start();
        EmployeeIndexServices services;
        services.openNote = [this](InformationNote note) { notes.push_back(note); };
        services.openHelp = [this](int context) { helpContexts.push_back(context); };
        services.progressStart = [this](const QString& title, int maximum) {
            progress << QStringLiteral("start %1 %2").arg(title).arg(maximum);
        };
        services.progressStep = [this] { progress << QStringLiteral("step"); };
        services.progressStop = [this] { progress << QStringLiteral("stop"); };
        services.archiveReminder = [this] { ++archiveChecks; };
        showWindow(std::move(services));
    }

    QString current(const char* column) { return value(dane->TRP7, column); }
    std::int64_t currentNumber() { return dane->TRP7.asInteger(dane->TRP7.field("NR")); }

    // The name in the grid's current row, as the user sees it.
    QString gridName() {
        auto* model = window->XDBGrid1().gridModel();
        model->resetNow();
        const int row = model->currentRow();
        return row < 0 ? QString() : model->index(row, 1).data().toString();
    }
    QStringList gridColumn(int column) {
        auto* model = window->XDBGrid1().gridModel();
        model->resetNow();
        QStringList out;
        for (int row = 0; row < model->rowCount(); ++row)
            out << model->index(row, column).data().toString();
        return out;
    }
    void goToEmployee(std::int64_t nr) {
        ASSERT_TRUE(dane->TRP7.findKey({integer(1), integer(nr)}) ||
                    dane->TRP7.findKey({integer(3), integer(nr)}));
    }

    // Rows of a table on disk per (payer, employee).
    std::map<std::pair<std::int64_t, std::int64_t>, int> owners(const char* table) const {
        std::map<std::pair<std::int64_t, std::int64_t>, int> out;
        for (const Row& row : rows(table)) ++out[{integerOf(row, "ZLEC"), integerOf(row, "NR")}];
        return out;
    }

    void click(QToolButton& button) { QTest::mouseClick(&button, Qt::LeftButton); }

    std::vector<InformationNote> notes;
    QStringList progress;
    std::vector<int> helpContexts;
    int archiveChecks = 0;
};

TEST_F(EmployeeIndexTest, PayerListCountCaptionAndPayerChoice) {
    seed();
    open();
    QComboBox& ERD = window->ERD();
    ASSERT_EQ(ERD.count(), 3);
    EXPECT_EQ(ERD.itemText(0), QStringLiteral("1    - Firma Alfa"));
    EXPECT_EQ(ERD.itemText(1), QStringLiteral("3    - ABC"));
    EXPECT_EQ(ERD.currentText(), ERD.itemText(0));
    EXPECT_EQ(window->countText(), QStringLiteral("Ilość pozycji  4"));
    EXPECT_EQ(window->Stan().toolTip(), QStringLiteral("etat"));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Lumiro 7.0 ") + dane->EtykietaFirmy);
    EXPECT_EQ(window->PageControl1().currentIndex(), 0);
    EXPECT_EQ(window->PageControl1().tabText(0), QStringLiteral("INDEKS PRACOWNIKÓW"));
    // Each opening stands on the last card of the index in use.
    EXPECT_EQ(currentNumber(), 7);
    EXPECT_EQ(window->payerEdit(QStringLiteral("NIP"))->text(), QStringLiteral("1234563218"));

    ERD.setCurrentIndex(1);
    QApplication::processEvents();
    EXPECT_EQ(dane->TZlec.asInteger(dane->TZlec.field("NR")), 3);
    EXPECT_EQ(window->countText(), QStringLiteral("Ilość pozycji  1"));
    EXPECT_EQ(window->payerEdit(QStringLiteral("NIP"))->text(), QStringLiteral("5260001246"));
    EXPECT_EQ(gridColumn(1), QStringList{QStringLiteral("Ślusarz Olga")});

    // Typed text: the first four characters without blanks are the payer number.
    ERD.setEditText(QStringLiteral("1"));
    EXPECT_EQ(dane->TZlec.asInteger(dane->TZlec.field("NR")), 1);
    EXPECT_EQ(window->countText(), QStringLiteral("Ilość pozycji  4"));
    ERD.setEditText(QStringLiteral("99 - nikt"));
    EXPECT_EQ(dane->TZlec.asInteger(dane->TZlec.field("NR")), 1);
    EXPECT_TRUE(prompter.questions().empty());

    EXPECT_EQ(TKadF::payerEntry(3, QStringLiteral("ABC")), QStringLiteral("3    - ABC"));
    EXPECT_EQ(TKadF::payerEntry(12345, QStringLiteral("X")), QStringLiteral("1234 - X"));

    TKadF hidden(*dane, {});
    EXPECT_EQ(hidden.countText(), QStringLiteral("Ilość"));
}

TEST_F(EmployeeIndexTest, PayerShownFirstIsTheCurrentPayer) {
    seed();
    clearTable("BAZA/KADRY/ZLEC");
    addRows("BAZA/KADRY/ZLEC", {{{"NR", integer(2)}, {"POCZTA", text("Dwa")}},
                                {{"NR", integer(10)}, {"POCZTA", text("Dziesięć")}}});
    open();
    // Sorted as text, payer 10 comes first; it is the one shown and the one current.
    EXPECT_EQ(window->ERD().currentText(), QStringLiteral("10   - Dziesięć"));
    EXPECT_EQ(dane->TZlec.asInteger(dane->TZlec.field("NR")), 10);
}

TEST_F(EmployeeIndexTest, NoPayersGiveAnEmptyListAndNoCard) {
    seed();
    clearTable("BAZA/KADRY/ZLEC");
    open();
    EXPECT_EQ(window->ERD().count(), 0);
    EXPECT_EQ(window->ERD().currentText(), QString());
    click(window->newButton());
    EXPECT_EQ(rows("BAZA/KADRY/RP7").size(), 5u);
    // The user is told why no card appeared.
    ASSERT_FALSE(prompter.questions().empty());
    EXPECT_TRUE(prompter.questions().back().text.contains(QStringLiteral("płatnika")));
}

TEST_F(EmployeeIndexTest, NewCardTakesHighestNumberOfItsPayerPlusOne) {
    seed();
    open();
    click(window->newButton());
    EXPECT_EQ(currentNumber(), 8);
    EXPECT_EQ(current("POLE1"), QStringLiteral("Nowy"));
    EXPECT_EQ(dane->TRP7.indexName(), "");
    EXPECT_EQ(window->countText(), QStringLiteral("Ilość pozycji  5"));
    EXPECT_EQ(gridName(), QStringLiteral("Nowy"));

    // F10 works from the keyboard; deleting card 3 does not free its number.
    goToEmployee(3);
    prompter.queue(MessageResult::Yes);
    QTest::keyClick(window.get(), Qt::Key_F8);
    QTest::keyClick(window.get(), Qt::Key_F10);
    EXPECT_EQ(currentNumber(), 9);

    // Numbers are counted per payer; a payer without cards starts at 1.
    window->ERD().setCurrentIndex(1);
    click(window->newButton());
    EXPECT_EQ(currentNumber(), 3);
    window->ERD().setEditText(QStringLiteral("5"));
    click(window->newButton());
    EXPECT_EQ(currentNumber(), 1);

    std::vector<std::pair<std::int64_t, QString>> onDisk;
    for (const Row& row : rows("BAZA/KADRY/RP7"))
        if (textOf(row, "POLE1") == QStringLiteral("Nowy"))
            onDisk.push_back({integerOf(row, "ZLEC") * 100 + integerOf(row, "NR"), {}});
    ASSERT_EQ(onDisk.size(), 4u);
    EXPECT_EQ(onDisk[0].first, 108);
    EXPECT_EQ(onDisk[1].first, 109);
    EXPECT_EQ(onDisk[2].first, 303);
    EXPECT_EQ(onDisk[3].first, 501);
}

TEST_F(EmployeeIndexTest, NumbersStopAtFiveDigitsWithAMessage) {
    seed();
    addRows("BAZA/KADRY/RP7",
            {{{"ZLEC", integer(3)}, {"NR", integer(99999)}, {"POLE1", text("Ostatni")}}});
    open();
    window->ERD().setCurrentIndex(1);
    click(window->newButton());
    click(window->copyButton());
    ASSERT_EQ(prompter.questions().size(), 2u);
    EXPECT_EQ(prompter.questions()[0].text,
              QStringLiteral("Osiągnięto największy numer pracownika (99999)."));
    EXPECT_EQ(owners("BAZA/KADRY/RP7").size(), 6u);
    EXPECT_EQ(dane->TRP7.state(), engine::TableState::Browse);
}

TEST_F(EmployeeIndexTest, CopyKeepsEveryFieldButTakesANewNumberAndNoDetailRows) {
    seed();
    open();
    goToEmployee(2);
    click(window->copyButton());
    EXPECT_EQ(currentNumber(), 8);
    EXPECT_EQ(dane->TRP7.indexName(), "");
    // The count is not shown again by a copy.
    EXPECT_EQ(window->countText(), QStringLiteral("Ilość pozycji  4"));

    const std::vector<Row> cards = rows("BAZA/KADRY/RP7");
    const Row* original = nullptr;
    const Row* copy = nullptr;
    for (const Row& row : cards) {
        if (integerOf(row, "ZLEC") != 1) continue;
        if (integerOf(row, "NR") == 2) original = &row;
        if (integerOf(row, "NR") == 8) copy = &row;
    }
    ASSERT_TRUE(original && copy);
    for (const auto& [column, v] : *original)
        if (column != "NR") {
            EXPECT_EQ(copy->at(column), v) << column;
        }
    EXPECT_EQ(textOf(*copy, "KP20"), QStringLiteral("ul. Łąkowa 3"));
    for (const char* table :
         {"BAZA/KADRY/ZAR", "BAZA/KADRY/ZAL", "BAZA/KADRY/ZAL2", "BAZA/KADRY/ZAL3"}) {
        auto byOwner = owners(table);
        EXPECT_EQ(byOwner.count({1, 8}), 0u) << table;
        EXPECT_GT((byOwner[{1, 2}]), 0) << table;
    }
    // The detail pages of the copy start empty.
    EXPECT_TRUE(dane->Tzar.isEmpty());
}

TEST_F(EmployeeIndexTest, DeleteAsksThenRemovesTheCardWithEveryDetailRow) {
    seed();
    open();
    goToEmployee(2);
    const auto before = std::map<std::string, std::map<std::pair<std::int64_t, std::int64_t>, int>>{
        {"ZAR", owners("BAZA/KADRY/ZAR")},
        {"ZAL", owners("BAZA/KADRY/ZAL")},
        {"ZAL2", owners("BAZA/KADRY/ZAL2")},
        {"ZAL3", owners("BAZA/KADRY/ZAL3")}};

    prompter.queue(MessageResult::No);
    click(window->deleteButton());
    ASSERT_EQ(prompter.questions().size(), 1u);
    EXPECT_EQ(prompter.questions()[0].text,
              QStringLiteral("Czy usunąć wszystkie zapisy dla : Kowalski Piotr"));
    EXPECT_EQ(prompter.questions()[0].icon, MessageIcon::Warning);
    EXPECT_EQ(owners("BAZA/KADRY/ZAR"), before.at("ZAR"));
    EXPECT_EQ(rows("BAZA/KADRY/RP7").size(), 5u);
    EXPECT_EQ(window->countText(), QStringLiteral("Ilość pozycji  4"));

    prompter.queue(MessageResult::Yes);
    click(window->deleteButton());
    EXPECT_EQ(window->countText(), QStringLiteral("Ilość pozycji  3"));
    // The following card becomes current.
    EXPECT_EQ(currentNumber(), 3);
    for (const auto& [table, counts] : before) {
        auto after = owners(("BAZA/KADRY/" + table).c_str());
        EXPECT_EQ(after.count({1, 2}), 0u) << table;
        // The same number under another payer, and other cards of this payer, keep theirs.
        EXPECT_EQ((after[{3, 2}]), (counts.at({3, 2}))) << table;
    }
    EXPECT_EQ((owners("BAZA/KADRY/ZAR")[{1, 1}]), 1);
    std::vector<std::int64_t> left;
    for (const Row& row : rows("BAZA/KADRY/RP7"))
        left.push_back(integerOf(row, "ZLEC") * 100 + integerOf(row, "NR"));
    EXPECT_EQ(left, (std::vector<std::int64_t>{101, 103, 107, 302}));

    // The last card deleted: the new last one becomes current.
    goToEmployee(7);
    prompter.queue(MessageResult::Yes);
    QTest::keyClick(window.get(), Qt::Key_F8);
    EXPECT_EQ(currentNumber(), 3);
    EXPECT_FALSE(prompter.unansweredQuestion());
}

TEST_F(EmployeeIndexTest, DeleteOnAnEmptyIndexAsksNothing) {
    seed();
    open();
    window->ERD().setCurrentIndex(1);
    goToEmployee(2);
    prompter.queue(MessageResult::Yes);
    click(window->deleteButton());
    EXPECT_EQ(window->countText(), QStringLiteral("Ilość pozycji  0"));
    click(window->deleteButton());
    EXPECT_EQ(prompter.questions().size(), 1u);
    EXPECT_EQ((owners("BAZA/KADRY/ZAR")[{1, 2}]), 3);
}

TEST_F(EmployeeIndexTest, TypingInTheSearchEditsMovesToTheNearestCard) {
    seed();
    open();
    QLineEdit& Enazwa = window->Enazwa();
    QTest::keyClicks(&Enazwa, QStringLiteral("Ko"));
    EXPECT_EQ(dane->TRP7.indexName(), "Ninx");
    EXPECT_EQ(current("POLE1"), QStringLiteral("Kowalski Piotr"));
    EXPECT_EQ(gridName(), QStringLiteral("Kowalski Piotr"));
    EXPECT_EQ(gridColumn(1),
              (QStringList{QStringLiteral("Adamski Jan"), QStringLiteral("Kowalski Piotr"),
                           QStringLiteral("Lis Ewa"), QStringLiteral("Nowak Anna")}));

    Enazwa.clear();
    QTest::keyClicks(&Enazwa, QStringLiteral("kow"));
    EXPECT_EQ(gridName(), QStringLiteral("Kowalski Piotr"));
    Enazwa.clear();
    EXPECT_EQ(gridName(), QStringLiteral("Adamski Jan"));
    QTest::keyClicks(&Enazwa, QStringLiteral("Zz"));
    EXPECT_EQ(gridName(), QStringLiteral("Nowak Anna"));
    Enazwa.setText(QStringLiteral("L"));
    EXPECT_EQ(gridName(), QStringLiteral("Lis Ewa"));

    // The PESEL edit orders by PESEL and the order stays; the name edit keeps its text.
    QTest::keyClicks(&window->EPESEL(), QStringLiteral("6"));
    EXPECT_EQ(dane->TRP7.indexName(), "Pinx");
    EXPECT_EQ(gridName(), QStringLiteral("Nowak Anna"));
    EXPECT_EQ(Enazwa.text(), QStringLiteral("L"));
    EXPECT_EQ(gridColumn(2),
              (QStringList{QStringLiteral("50020254321"), QStringLiteral("65030398765"),
                           QStringLiteral("70040411111"), QStringLiteral("80010112345")}));
    QTest::keyClicks(&window->ENIP(), QStringLiteral("4"));
    EXPECT_EQ(dane->TRP7.indexName(), "Iinx");
    EXPECT_EQ(gridName(), QStringLiteral("Lis Ewa"));
    // Another payer's cards are never reached.
    QTest::keyClicks(&window->ENIP(), QStringLiteral("99"));
    EXPECT_EQ(dane->TRP7.asInteger(dane->TRP7.field("ZLEC")), 1);
}

TEST_F(EmployeeIndexTest, ColumnTitlesChooseTheOrder) {
    seed();
    open();
    QHeaderView* titles = window->XDBGrid1().horizontalHeader();
    auto clickTitle = [&](int column) {
        const int x = titles->sectionViewportPosition(column) + titles->sectionSize(column) / 2;
        QTest::mouseClick(titles->viewport(), Qt::LeftButton, {}, QPoint(x, titles->height() / 2));
    };
    clickTitle(1);
    EXPECT_EQ(dane->TRP7.indexName(), "Ninx");
    EXPECT_EQ(gridColumn(1).first(), QStringLiteral("Adamski Jan"));
    clickTitle(3);
    EXPECT_EQ(dane->TRP7.indexName(), "Iinx");
    EXPECT_EQ(gridColumn(3), (QStringList{QStringLiteral("111"), QStringLiteral("222"),
                                          QStringLiteral("333"), QStringLiteral("444")}));
    clickTitle(2);
    EXPECT_EQ(dane->TRP7.indexName(), "Pinx");
    clickTitle(0);
    EXPECT_EQ(dane->TRP7.indexName(), "");
    EXPECT_EQ(gridColumn(0), (QStringList{QStringLiteral("1"), QStringLiteral("2"),
                                          QStringLiteral("3"), QStringLiteral("7")}));
}

TEST_F(EmployeeIndexTest, MenusToolbarAndServices) {
    seed();
    open();
    QStringList menus;
    for (QAction* action : window->menuBar()->actions()) menus << action->text();
    EXPECT_EQ(menus, (QStringList{QStringLiteral("Zadania"), QStringLiteral("Wydruki"),
                                  QStringLiteral("Informacja"), QStringLiteral("Parametry"),
                                  QStringLiteral("Narzędzia"), QStringLiteral("Pomoc")}));
    EXPECT_EQ(window->menuItem(QStringLiteral("Nowa pozycja"))->shortcut(),
              QKeySequence(Qt::Key_F10));
    EXPECT_EQ(window->menuItem(QStringLiteral("Usuń pozycję"))->shortcut(),
              QKeySequence(Qt::Key_F8));
    for (const char* unavailable :
         {"Wydruk Rp-7", "Podgląd zaświadczenia", "ZAR.DB", "Archiwowanie / Odtwarzanie",
          "Odtwarzanie indeksów", "Parametry wydruku", "Wydruk wykazu ubezpieczonych"}) {
        QAction* action = window->menuItem(QString::fromUtf8(unavailable));
        ASSERT_NE(action, nullptr) << unavailable;
        EXPECT_FALSE(action->isEnabled()) << unavailable;
    }
    window->menuItem(QStringLiteral("Rp-6"))->trigger();
    window->menuItem(QStringLiteral("Pomoc"))->trigger();
    EXPECT_EQ(notes, std::vector<InformationNote>{InformationNote::Rp6});
    EXPECT_EQ(helpContexts, std::vector<int>{0});
    EXPECT_FALSE(window->menuItem(QStringLiteral("O programie"))->isEnabled());

    EXPECT_EQ(window->newButton().toolTip(), QStringLiteral("Nowa pozycja"));
    EXPECT_EQ(window->saveButton().toolTip(), QStringLiteral("Zapis pozycji"));
    EXPECT_EQ(window->copyButton().toolTip(), QStringLiteral("Kopiowanie pozycji"));
    EXPECT_EQ(window->deleteButton().toolTip(), QStringLiteral("Kasowanie pozycji"));
    EXPECT_EQ(window->importButton().toolTip(), QStringLiteral("Import danych do zaświadczenia"));
    EXPECT_TRUE(window->copyButton().isVisible());
    EXPECT_FALSE(window->importButton().isVisible());
    EXPECT_EQ(window->PageControl1().count(), 1 + int(window->formPages().size()));
}

TEST_F(EmployeeIndexTest, DemonstrationDataGoesOnlyAfterTwoYes) {
    seed();
    open();
    const auto sizes = [&] {
        std::vector<std::size_t> out;
        for (const char* table : kEmployeeTables) out.push_back(rows(table).size());
        out.push_back(rows("BAZA/KADRY/ZLEC").size());
        return out;
    };
    const auto before = sizes();
    prompter.queue(MessageResult::No);
    window->menuItem(QStringLiteral("Kasowanie danych demonstracyjnych"))->trigger();
    prompter.queue(MessageResult::Yes);
    prompter.queue(MessageResult::No);
    window->menuItem(QStringLiteral("Kasowanie danych demonstracyjnych"))->trigger();
    EXPECT_EQ(sizes(), before);
    EXPECT_TRUE(progress.isEmpty());
    ASSERT_EQ(prompter.questions().size(), 3u);
    EXPECT_EQ(prompter.questions()[0].text,
              QStringLiteral("Czy chcesz usunąć wszystkie zapisy ?.\nUwaga ! Brak możliwości "
                             "odtworzenia danych."));
    EXPECT_EQ(prompter.questions()[2].text,
              QStringLiteral("Czy napewno chcesz usunąć wszystkie zapisy ?.\nUwaga ! Brak "
                             "możliwości odtworzenia danych."));

    prompter.queue(MessageResult::Yes);
    prompter.queue(MessageResult::Yes);
    window->menuItem(QStringLiteral("Kasowanie danych demonstracyjnych"))->trigger();
    EXPECT_EQ(sizes(), std::vector<std::size_t>(6, 0));
    EXPECT_EQ(progress.first(), QStringLiteral("start Kasowanie danych demonstracyjnych 6"));
    EXPECT_EQ(progress.count(QStringLiteral("step")), 6);
    EXPECT_EQ(progress.last(), QStringLiteral("stop"));
    // The links are back: a new payer's card follows it.
    EXPECT_TRUE(dane->TRP7.linkActive());
    EXPECT_TRUE(dane->Tzar.linkActive());
}

// A table the user keeps read-only stops the deletion of all records before any row goes;
// the message names the table.
TEST_F(EmployeeIndexTest, DemonstrationDataStayWhenATableCannotBeWritten) {
    seed();
    for (const char* ext : {".DB", ".PX"})
        std::filesystem::permissions(
            file("BAZA/KADRY/ZAR") + ext,
            std::filesystem::perms::owner_read | std::filesystem::perms::group_read);
    prompter.queue(MessageResult::No);  // keep the attribute
    open();
    const auto sizes = [&] {
        std::vector<std::size_t> out;
        for (const char* table : kEmployeeTables) out.push_back(rows(table).size());
        out.push_back(rows("BAZA/KADRY/ZLEC").size());
        return out;
    };
    const auto before = sizes();
    prompter.queue(MessageResult::Yes);
    prompter.queue(MessageResult::Yes);
    window->menuItem(QStringLiteral("Kasowanie danych demonstracyjnych"))->trigger();
    EXPECT_EQ(sizes(), before);
    const auto& last = prompter.questions().back();
    EXPECT_EQ(last.icon, MessageIcon::Error);
    EXPECT_TRUE(last.text.contains(QStringLiteral("ZAR.DB"))) << last.text.toStdString();
    EXPECT_EQ(progress.last(), QStringLiteral("stop"));
}

// An earnings row whose save fails (another program deleted it meanwhile) as the user picks
// another payer: "Błąd zapisu", and the user stays with the payer, the card and the row as
// typed, instead of the row vanishing without a word.
TEST_F(EmployeeIndexTest, ARowThatCannotBeSavedKeepsTheUserOnIt) {
    seed();
    open();
    goToEmployee(2);
    engine::Table& earnings = dane->Tzar;
    earnings.first();
    ASSERT_EQ(value(earnings, "POLE1"), QStringLiteral("1998"));
    earnings.edit();
    earnings.setAsString(earnings.field("POLE2"), "1234.5");
    {
        engine::Session other("inny program");
        engine::Table t(other);
        t.open(file("BAZA/KADRY/ZAR"));
        ASSERT_TRUE(t.findKey({integer(1), integer(2), text("1998")}));
        t.remove();
    }
    const QString payer1 = window->ERD().currentText();
    window->ERD().setEditText(TKadF::payerEntry(3, QStringLiteral("ABC")));
    ASSERT_FALSE(prompter.questions().empty());
    EXPECT_EQ(prompter.questions().back().icon, MessageIcon::Error);
    EXPECT_TRUE(prompter.questions().back().text.startsWith(QStringLiteral("Błąd zapisu\n")))
        << prompter.questions().back().text.toStdString();
    EXPECT_EQ(dane->TZlec.asInteger(dane->TZlec.field("NR")), 1);
    EXPECT_EQ(currentNumber(), 2);
    EXPECT_EQ(window->ERD().currentText(), payer1);
    EXPECT_EQ(earnings.state(), engine::TableState::Edit);
    EXPECT_EQ(earnings.asFloat(earnings.field("POLE2")), 1234.5);
}

TEST_F(EmployeeIndexTest, SavingAndClosingWriteTypedPayerData) {
    seed();
    open();
    components::DbEdit* nip = window->payerEdit(QStringLiteral("NIP"));
    nip->setFocus();
    nip->selectAll();
    type(nip, QStringLiteral("9876543210123"));  // longer than the form's ten characters
    QTest::mouseClick(&window->savePayerButton(), Qt::LeftButton);
    EXPECT_EQ(textOf(rows("BAZA/KADRY/ZLEC")[0], "NIP"), QStringLiteral("9876543210"));

    components::DbEdit* pow = window->payerEdit(QStringLiteral("POW"));
    pow->setFocus();
    type(pow, QStringLiteral("/Ż1"));
    window->close();
    EXPECT_EQ(textOf(rows("BAZA/KADRY/ZLEC")[0], "POW"), QStringLiteral("/Ż1"));
    EXPECT_EQ(archiveChecks, 1);

    // Reopened, the window starts again on the index page at the last card.
    window->show();
    EXPECT_EQ(window->PageControl1().currentIndex(), 0);
    EXPECT_EQ(currentNumber(), 7);
}

TEST_F(EmployeeIndexTest, PagesSwitchTheToolbarAndKeysWorkOnEveryPage) {
    seed();
    open();
    auto& pages = window->PageControl1();
    ASSERT_EQ(pages.count(), 10);
    const QStringList captions{
        QStringLiteral("INDEKS PRACOWNIKÓW"), QStringLiteral("ZUS Kp-1"),
        QStringLiteral("ZUS Kp-1 CD"),        QStringLiteral("ZUS Kp-1 CD"),
        QStringLiteral("ZUS Rp-6"),           QStringLiteral("ZUS RP-7"),
        QStringLiteral("ZUS RP-7 CD"),        QStringLiteral("ZUS RP-7 CD"),
        QStringLiteral("Załącznik"),          QStringLiteral("Zaświadczenie")};
    for (int i = 0; i < pages.count(); ++i) EXPECT_EQ(pages.tabText(i), captions[i]);

    // Enter on a card of the index opens its first form page.
    goToEmployee(2);
    window->XDBGrid1().setFocus();
    // The hint of a button that the page change hides does not stay over the count.
    window->Stan().showMessage(QStringLiteral("Kasowanie pozycji"));
    QTest::keyClick(&window->XDBGrid1(), Qt::Key_Return);
    EXPECT_EQ(pages.currentIndex(), 1);
    EXPECT_TRUE(window->Stan().currentMessage().isEmpty());
    QApplication::processEvents();  // the toolbar lays itself out again
    EXPECT_FALSE(window->copyButton().isVisible());
    EXPECT_FALSE(window->deleteButton().isVisible());
    EXPECT_FALSE(window->importButton().isVisible());
    pages.setCurrentIndex(9);
    QApplication::processEvents();
    EXPECT_TRUE(window->importButton().isVisible());
    pages.setCurrentIndex(8);
    QApplication::processEvents();
    EXPECT_FALSE(window->importButton().isVisible());

    // F8 deletes from a form page as well.
    prompter.queue(MessageResult::Yes);
    QTest::keyClick(window.get(), Qt::Key_F8);
    EXPECT_EQ(owners("BAZA/KADRY/RP7").count({1, 2}), 0u);
    EXPECT_EQ(owners("BAZA/KADRY/ZAR").count({1, 2}), 0u);

    pages.setCurrentIndex(0);
    QApplication::processEvents();
    EXPECT_TRUE(window->copyButton().isVisible());
    EXPECT_TRUE(window->deleteButton().isVisible());
}

TEST_F(EmployeeIndexTest, PayersWindowClosedRebuildsThePayerList) {
    seed();
    open();
    window->ERD().setCurrentIndex(1);
    ASSERT_EQ(dane->TZlec.asInteger(dane->TZlec.field("NR")), 3);
    QTimer::singleShot(0, [] {
        if (QWidget* dialog = QApplication::activeModalWidget()) dialog->close();
    });
    QTest::mouseClick(&window->payersButton(), Qt::LeftButton);
    // The rebuilt list makes its first payer current again.
    EXPECT_EQ(dane->TZlec.asInteger(dane->TZlec.field("NR")), 1);
    EXPECT_EQ(window->ERD().currentText(), QStringLiteral("1    - Firma Alfa"));
    EXPECT_EQ(window->countText(), QStringLiteral("Ilość pozycji  4"));
}

// Pictures of the window for looking at, written only when asked for.
TEST_F(EmployeeIndexTest, Screenshots) {
    const QString folder = qEnvironmentVariable("LUMIRO_SCREENSHOT_DIR");
    if (folder.isEmpty()) GTEST_SKIP() << "LUMIRO_SCREENSHOT_DIR not set";
    seed();
    open();
    window->resize(window->sizeHint().expandedTo(QSize(980, 700)));
    QApplication::processEvents();
    EXPECT_TRUE(window->grab().save(folder + QStringLiteral("/employee_index.png")));
    for (int page = 1; page < window->PageControl1().count(); ++page) {
        window->PageControl1().setCurrentIndex(page);
        QApplication::processEvents();
        EXPECT_TRUE(
            window->grab().save(folder + QStringLiteral("/employee_index_page%1.png").arg(page)));
    }
    // Narrower: the tabs take more rows.
    for (int width : {760, window->minimumSizeHint().width()}) {
        window->resize(width, 700);
        for (int page : {0, 4}) {
            window->PageControl1().setCurrentIndex(page);
            QApplication::processEvents();
            EXPECT_TRUE(window->grab().save(
                folder + QStringLiteral("/employee_index_%1_page%2.png").arg(width).arg(page)));
        }
    }
}

}  // namespace lumiro::records::test
