// Text typed into a grid cell and not confirmed with Enter belongs to the record it was typed
// into: whatever saves or leaves the record (a toolbar button, a key, another employee, another
// page, another payer, closing the window) writes it first. Checked on the installation's
// demonstration data, read back from disk by a cursor of its own.
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>

#include "components/data_grid.h"
#include "components/data_navigator.h"
#include "components/page_control.h"
#include "records/employee_index_window.h"
#include "records_fixture.h"

namespace lumiro::records::test {

using components::DataGrid;
using components::NavigatorButton;

class TypedInputTest : public IndexWindowFixture {
  protected:
    void open() {
        start();
        showWindow({}, QSize(1100, 800));
    }

    DataGrid* grid(const char* name) {
        auto* found = window->findChild<DataGrid*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    // Makes the employee current, shows the page of the grid and types into the cell as the
    // user does; the editor is left open.
    void typeIntoCell(const char* gridName, std::int64_t employee, int row, int column,
                      const QString& typed) {
        ASSERT_TRUE(dane->TRP7.findKey({integer(1), integer(employee)}));
        DataGrid* g = grid(gridName);
        ASSERT_NE(g, nullptr);
        const auto& pages = window->formPages();
        for (std::size_t i = 0; i < pages.size(); ++i)
            if (pages[i]->isAncestorOf(g)) window->PageControl1().setCurrentIndex(int(i) + 1);
        QApplication::processEvents();
        auto* model = g->gridModel();
        model->resetNow();
        ASSERT_LT(row, model->rowCount());
        g->setFocus();
        g->setCurrentIndex(model->index(row, column));
        g->edit(g->currentIndex());
        auto* editor = qobject_cast<QLineEdit*>(g->indexWidget(g->currentIndex()));
        ASSERT_NE(editor, nullptr);
        editor->selectAll();
        type(editor, typed);
        ASSERT_EQ(editor->text(), typed);
    }

    // One column of the employee's row whose first column reads `key`, from a cursor of its
    // own that only reads.
    engine::Value onDisk(const char* table, std::int64_t employee, const char* keyColumn,
                         const QString& key, const char* column) {
        engine::Session session("check");
        engine::Table t(session);
        t.open(file(std::string("BAZA/KADRY/") + table), engine::AccessMode::ReadOnly);
        for (t.first(); !t.eof(); t.next()) {
            if (t.asInteger(t.field("ZLEC")) == 1 && t.asInteger(t.field("NR")) == employee &&
                data::fromTable(t.asString(t.field(keyColumn))) == key)
                return t.value(column);
        }
        ADD_FAILURE() << "no row " << key.toStdString() << " in " << table;
        return {};
    }

    double earnings1996() {
        const engine::Value v = onDisk("ZAR", 1, "POLE1", QStringLiteral("1996"), "POLE2");
        const auto* amount = std::get_if<double>(&v);
        return amount ? *amount : -1;
    }

    void typeEarnings() {
        // Card 1 earned 65 520,00 in 1996, its second row.
        ASSERT_DOUBLE_EQ(earnings1996(), 65520.0);
        typeIntoCell("DBGrid1", 1, 1, 1, QStringLiteral("70000"));
    }
};

TEST_F(TypedInputTest, SaveButtonAndF10StoreTheCellBeingTyped) {
    open();
    typeEarnings();
    QTest::mouseClick(&window->saveButton(), Qt::LeftButton);
    EXPECT_DOUBLE_EQ(earnings1996(), 70000.0);
    EXPECT_EQ(dane->Tzar.state(), engine::TableState::Browse);

    typeIntoCell("DBGrid1", 1, 1, 1, QStringLiteral("71000"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F10);
    EXPECT_DOUBLE_EQ(earnings1996(), 71000.0);
    EXPECT_EQ(value(dane->TRP7, "POLE1"), QStringLiteral("Nowy"));
    EXPECT_TRUE(prompter.questions().empty());
}

TEST_F(TypedInputTest, LeavingTheEmployeeOrThePayerStoresTheCellBeingTyped) {
    addRows("BAZA/KADRY/ZLEC", {{{"NR", integer(2)}, {"POCZTA", text("Drugi")}}});
    open();
    typeEarnings();
    window->DBNavigator1().button(NavigatorButton::Next)->click();
    EXPECT_DOUBLE_EQ(earnings1996(), 70000.0);

    typeIntoCell("DBGrid1", 1, 1, 1, QStringLiteral("72000"));
    window->ERD().setCurrentIndex(1);
    QApplication::processEvents();
    ASSERT_EQ(dane->TZlec.asInteger(dane->TZlec.field("NR")), 2);
    EXPECT_DOUBLE_EQ(earnings1996(), 72000.0);
}

TEST_F(TypedInputTest, AnotherPageKeepsTheCellForTheNextSave) {
    open();
    typeEarnings();
    window->PageControl1().setCurrentIndex(0);
    QApplication::processEvents();
    // Still the same record: written into it, stored by the save that follows.
    EXPECT_EQ(dane->Tzar.state(), engine::TableState::Edit);
    QTest::mouseClick(&window->saveButton(), Qt::LeftButton);
    EXPECT_DOUBLE_EQ(earnings1996(), 70000.0);
}

TEST_F(TypedInputTest, ClosingTheWindowStoresTheCellBeingTyped) {
    open();
    typeEarnings();
    window->close();
    EXPECT_DOUBLE_EQ(earnings1996(), 70000.0);
}

TEST_F(TypedInputTest, PeriodAndBenefitGridsStoreTheCellBeingTyped) {
    open();
    // Card 1's first period is its schooling; card 2 has one benefit period.
    typeIntoCell("DBGrid2", 1, 0, 2, QStringLiteral("nauka w technikum"));
    QTest::mouseClick(&window->saveButton(), Qt::LeftButton);
    EXPECT_EQ(data::fromTable(std::get<std::string>(
                  onDisk("ZAL", 1, "POLE4", QStringLiteral("uczeń"), "POLE3"))),
              QStringLiteral("nauka w technikum"));

    typeIntoCell("DBGrid3", 2, 0, 0, QStringLiteral("zasiłek opiekuńczy"));
    window->close();
    EXPECT_EQ(data::fromTable(std::get<std::string>(
                  onDisk("ZAL2", 2, "POLE2", QStringLiteral("1996.02.05"), "POLE1"))),
              QStringLiteral("zasiłek opiekuńczy"));
}

TEST_F(TypedInputTest, AValueThatDoesNotConvertIsReportedAndKeptInTheCell) {
    open();
    typeEarnings();
    auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    ASSERT_NE(editor, nullptr);
    editor->setText(QStringLiteral("siedem"));
    QTest::mouseClick(&window->saveButton(), Qt::LeftButton);
    ASSERT_EQ(prompter.questions().size(), 1u);
    EXPECT_DOUBLE_EQ(earnings1996(), 65520.0);
    // The text is still there to be corrected.
    DataGrid* g = grid("DBGrid1");
    auto* open = qobject_cast<QLineEdit*>(g->indexWidget(g->currentIndex()));
    ASSERT_NE(open, nullptr);
    EXPECT_EQ(open->text(), QStringLiteral("siedem"));

    QApplication::processEvents();
    open->setText(QStringLiteral("70000"));
    QTest::mouseClick(&window->saveButton(), Qt::LeftButton);
    EXPECT_DOUBLE_EQ(earnings1996(), 70000.0);
    EXPECT_EQ(prompter.questions().size(), 1u);
}

}  // namespace lumiro::records::test
