#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

#include "components/data_grid.h"
#include "components/data_source.h"
#include "records/payers_window.h"
#include "records_fixture.h"

namespace lumiro::records::test {

using engine::TableState;
using platform::MessageIcon;
using platform::MessageResult;

class PayersWindowTest : public RecordsFixture {
  protected:
    // Payers 2 and 5 besides the demonstration payer 1. Payer 2's employees reuse the numbers
    // of payer 1's, so that only the payer number tells their rows apart.
    void seedPayers() {
        addRows("BAZA/KADRY/ZLEC", {{{"NR", integer(2)}, {"POCZTA", text("Hurtownia Żak")}},
                                    {{"NR", integer(5)}, {"POCZTA", text("Usługi Nowak")}}});
        addRows("BAZA/KADRY/RP7",
                {{{"ZLEC", integer(2)}, {"NR", integer(1)}, {"POLE1", text("Kowalska Anna")}},
                 {{"ZLEC", integer(2)}, {"NR", integer(2)}, {"POLE1", text("Zając Piotr")}},
                 {{"ZLEC", integer(5)}, {"NR", integer(1)}, {"POLE1", text("Nowak Jan")}}});
        for (std::int64_t payer : {2, 5}) {
            for (std::int64_t nr : {1, 2}) {
                if (payer == 5 && nr == 2) continue;
                addRows("BAZA/KADRY/ZAR",
                        {{{"ZLEC", integer(payer)}, {"NR", integer(nr)}, {"POLE1", text("1998")}},
                         {{"ZLEC", integer(payer)}, {"NR", integer(nr)}, {"POLE1", text("1999")}}});
                addRows("BAZA/KADRY/ZAL", {{{"ZLEC", integer(payer)},
                                            {"NR", integer(nr)},
                                            {"POLE1", text("1998.01.01")}}});
                addRows("BAZA/KADRY/ZAL2", {{{"ZLEC", integer(payer)},
                                             {"NR", integer(nr)},
                                             {"POLE2", text("1998.03.01")}}});
                addRows("BAZA/KADRY/ZAL3", {{{"ZLEC", integer(payer)}, {"NR", integer(nr)}}});
            }
        }
    }

    // Rows per payer number in each employee table, and the payer numbers.
    std::map<std::string, std::map<std::int64_t, int>> census() const {
        std::map<std::string, std::map<std::int64_t, int>> out;
        for (const char* table : kEmployeeTables)
            for (const Row& row : rows(table)) ++out[table][integerOf(row, "ZLEC")];
        for (const Row& row : rows("BAZA/KADRY/ZLEC")) ++out["ZLEC"][integerOf(row, "NR")];
        return out;
    }

    void selectPayer(TKADF9& payersWindow, std::int64_t nr) {
        components::DataGrid& grid = payersWindow.XDBGrid1();
        auto* model = grid.gridModel();
        QApplication::processEvents();
        for (int row = 0; row < model->rowCount(); ++row) {
            if (model->index(row, 0).data().toString() == QString::number(nr)) {
                grid.setCurrentIndex(model->index(row, 1));
                break;
            }
        }
        ASSERT_EQ(dane->TZlec.asInteger(dane->TZlec.field("NR")), nr);
    }

    // Opens the current cell's editor, types and presses Enter as a user would.
    static void typeIntoCell(components::DataGrid& grid, int column, const QString& text) {
        grid.setCurrentIndex(grid.gridModel()->index(grid.currentIndex().row(), column));
        grid.edit(grid.currentIndex());
        QLineEdit* editor = nullptr;
        for (auto* e : grid.viewport()->findChildren<QLineEdit*>())
            if (e->isVisible()) editor = e;
        ASSERT_NE(editor, nullptr);
        type(editor, text);
        QTest::keyClick(editor, Qt::Key_Return);
    }

    std::unique_ptr<components::DataSource> ZZLEC;
    std::unique_ptr<TKADF9> window;

    void openWindow() {
        start();
        ZZLEC = std::make_unique<components::DataSource>(dane->TZlec, prompter);
        window = std::make_unique<TKADF9>(*dane, *ZZLEC);
        window->show();
        QApplication::processEvents();
    }

    void TearDown() override {
        window.reset();
        ZZLEC.reset();
        RecordsFixture::TearDown();
    }
};

TEST_F(PayersWindowTest, NewPayerGetsTheHighestNumberPlusOneAndIsSavedAsTyped) {
    seedPayers();
    openWindow();
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Płatnicy składek"));
    window->newButton().click();
    ASSERT_EQ(dane->TZlec.state(), TableState::Insert);
    EXPECT_EQ(dane->TZlec.asInteger(dane->TZlec.field("NR")), 6);

    components::DataGrid& grid = window->XDBGrid1();
    typeIntoCell(grid, 1, QStringLiteral("Nowa Firma"));
    // Fourteen digits into the NIP column: ten are taken, as on the forms.
    typeIntoCell(grid, 2, QStringLiteral("52610408281234"));
    typeIntoCell(grid, 6, QStringLiteral("123456789012345678"));
    window->saveButton().click();
    EXPECT_EQ(dane->TZlec.state(), TableState::Browse);

    const auto payers = rows("BAZA/KADRY/ZLEC");
    ASSERT_EQ(payers.size(), 4u);
    const Row& added = payers.back();
    EXPECT_EQ(integerOf(added, "NR"), 6);
    EXPECT_EQ(textOf(added, "POCZTA"), QStringLiteral("Nowa Firma"));
    EXPECT_EQ(textOf(added, "NIP"), QStringLiteral("5261040828"));
    EXPECT_EQ(textOf(added, "GMIN"), QStringLiteral("12345678901234"));
    EXPECT_TRUE(prompter.questions().empty());
}

TEST_F(PayersWindowTest, FirstPayerIsNumberOneAndAnUnsavedPayerIsKeptOnClose) {
    for (const char* table : kEmployeeTables) clearTable(table);
    clearTable("BAZA/KADRY/ZLEC");
    openWindow();
    QSignalSpy changed(window.get(), &TKADF9::payersChanged);
    window->newButton().click();
    EXPECT_EQ(dane->TZlec.asInteger(dane->TZlec.field("NR")), 1);
    typeIntoCell(window->XDBGrid1(), 1, QStringLiteral("Pierwszy Płatnik"));
    window->close();
    EXPECT_EQ(changed.count(), 1);

    const auto payers = rows("BAZA/KADRY/ZLEC");
    ASSERT_EQ(payers.size(), 1u);
    EXPECT_EQ(integerOf(payers[0], "NR"), 1);
    EXPECT_EQ(textOf(payers[0], "POCZTA"), QStringLiteral("Pierwszy Płatnik"));
}

TEST_F(PayersWindowTest, GridKeysNeitherAddNorDeletePayers) {
    seedPayers();
    openWindow();
    components::DataGrid& grid = window->XDBGrid1();
    selectPayer(*window, 5);
    grid.setFocus();
    QTest::keyClick(&grid, Qt::Key_Insert);
    EXPECT_EQ(dane->TZlec.state(), TableState::Browse);
    QTest::keyClick(&grid, Qt::Key_Delete, Qt::ControlModifier);
    QTest::keyClick(&grid, Qt::Key_Down);  // on the last row
    EXPECT_EQ(dane->TZlec.state(), TableState::Browse);
    EXPECT_EQ(dane->TZlec.recordCount(), 3);
    EXPECT_TRUE(prompter.questions().empty());
    // The number is the key of the payer's employees: it is not typed over, and Enter at the
    // end of a row goes on to the next payer's name, past it.
    EXPECT_FALSE(grid.gridModel()->flags(grid.gridModel()->index(0, 0)) & Qt::ItemIsEditable);
    grid.setCurrentIndex(grid.gridModel()->index(0, grid.gridModel()->columnCount() - 1));
    QTest::keyClick(&grid, Qt::Key_Return);
    EXPECT_EQ(grid.currentIndex(), grid.gridModel()->index(1, 1));
}

TEST_F(PayersWindowTest, DeletingAPayerRemovesItsEmployeesWithAllTheirRowsAndNothingElse) {
    seedPayers();
    const auto before = census();
    ASSERT_EQ(before.at("BAZA/KADRY/RP7").at(2), 2);
    ASSERT_GT(before.at("BAZA/KADRY/ZAR").at(1), 0);
    openWindow();
    selectPayer(*window, 2);

    prompter.queue(MessageResult::No);
    window->deleteButton().click();
    ASSERT_EQ(prompter.questions().size(), 1u);
    EXPECT_EQ(prompter.questions()[0].icon, MessageIcon::Warning);
    EXPECT_EQ(prompter.questions()[0].text,
              QStringLiteral("Czy usunąć wszystkie zapisy dla Płatnika : Hurtownia Żak"));
    EXPECT_EQ(census(), before);

    prompter.queue(MessageResult::Yes);
    window->deleteButton().click();
    EXPECT_EQ(prompter.questions().size(), 2u);
    auto expected = before;
    for (auto& [table, perPayer] : expected) perPayer.erase(2);
    EXPECT_EQ(census(), expected);
    QApplication::processEvents();
    EXPECT_EQ(window->XDBGrid1().gridModel()->rowCount(), 2);
}

TEST_F(PayersWindowTest, DeletingAnUnsavedPayerOnlyDropsTheNewRow) {
    seedPayers();
    const auto before = census();
    openWindow();
    window->newButton().click();
    typeIntoCell(window->XDBGrid1(), 1, QStringLiteral("Pomyłka"));
    prompter.queue(MessageResult::Yes);
    window->deleteButton().click();
    EXPECT_EQ(prompter.questions().back().text,
              QStringLiteral("Czy usunąć wszystkie zapisy dla Płatnika : Pomyłka"));
    EXPECT_EQ(dane->TZlec.state(), TableState::Browse);
    window->close();
    EXPECT_EQ(census(), before);
}

TEST_F(PayersWindowTest, DeletionReachesOnlyThePayersOwnRowsWhateverTheLinks) {
    seedPayers();
    auto expected = census();
    openWindow();
    selectPayer(*window, 2);
    // With the earnings cut loose from the employee, their first row is payer 1's; the rows
    // are found by the card's key all the same.
    dane->Tzar.setLinkActive(false);
    prompter.queue(MessageResult::Yes);
    window->deleteButton().click();
    EXPECT_EQ(prompter.questions().size(), 1u);
    for (auto& [table, perPayer] : expected) perPayer.erase(2);
    EXPECT_EQ(census(), expected);
}

// An earnings table the user keeps read-only stops the deletion before any card goes: the
// message names the table, and every payer keeps every row.
TEST_F(PayersWindowTest, ATableThatCannotBeWrittenStopsTheDeletionBeforeAnythingGoes) {
    seedPayers();
    const auto before = census();
    for (const char* ext : {".DB", ".PX"})
        std::filesystem::permissions(
            file("BAZA/KADRY/ZAR") + ext,
            std::filesystem::perms::owner_read | std::filesystem::perms::group_read);
    prompter.queue(MessageResult::No);  // keep the attribute
    openWindow();
    selectPayer(*window, 2);
    prompter.queue(MessageResult::Yes);
    window->deleteButton().click();
    const QString message = prompter.questions().back().text;
    EXPECT_TRUE(message.contains(QStringLiteral("ZAR.DB"))) << message.toStdString();
    EXPECT_TRUE(message.contains(QStringLiteral("Nic nie zostało usunięte")));
    EXPECT_EQ(census(), before);
}

}  // namespace lumiro::records::test
