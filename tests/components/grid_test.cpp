#include <QHeaderView>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

#include "components/data_grid.h"
#include "components/display_format.h"
#include "components/grouped_header.h"
#include "components_fixture.h"

namespace lumiro::components::test {

class GridTest : public ComponentsFixture {
  protected:
    void SetUp() override {
        ComponentsFixture::SetUp();
        openAll();
        addPayer(1, "Pierwszy");
        addPayer(2, "Drugi");
        payers.first();
        addEmployee(1, "Nowak", "70010100001");
        addEmployee(2, "adamski", "80010100001");
        addEmployee(3, "Kowalski", "60010100001");
        payers.last();
        addEmployee(1, "Zieliński");
        payers.first();
        employees.first();
    }

    std::unique_ptr<DataGrid> makeGrid(DataSource& source) {
        auto grid = std::make_unique<DataGrid>(&source);
        grid->addColumn(QStringLiteral("NR"), QStringLiteral("NR"), 40);
        grid->addColumn(QStringLiteral("POLE1"), QStringLiteral("NAZWISKO IMIĘ"), 160);
        grid->addColumn(QStringLiteral("KP11"), QStringLiteral("PESEL"), 100);
        grid->resize(400, 300);
        grid->show();
        settle();
        return grid;
    }

    // Order checks and row listings wait for the event loop, one after the other.
    static void settle() {
        for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
    }

    static QStringList column(const DataGrid& grid, int c) {
        QStringList out;
        for (int r = 0; r < grid.model()->rowCount(); ++r)
            out << grid.model()->index(r, c).data().toString();
        return out;
    }
};

TEST_F(GridTest, ShowsTheRangeInIndexOrderAndFollowsOrderChanges) {
    DataSource source(employees, prompter);
    source.mirrorMasterLink(payers, "ZLEC", "NR");
    auto grid = makeGrid(source);
    EXPECT_EQ(column(*grid, 1), (QStringList{QStringLiteral("Nowak"), QStringLiteral("adamski"),
                                             QStringLiteral("Kowalski")}));

    employees.setIndexName("Ninx");
    settle();
    EXPECT_EQ(column(*grid, 1), (QStringList{QStringLiteral("adamski"), QStringLiteral("Kowalski"),
                                             QStringLiteral("Nowak")}));
    // The incremental search moves the table; the grid's current row goes along.
    employees.findNearest({integer(1), text("kow")});
    settle();
    EXPECT_EQ(grid->currentIndex().row(), 1);
}

TEST_F(GridTest, FollowsTheMaster) {
    DataSource source(employees, prompter);
    source.mirrorMasterLink(payers, "ZLEC", "NR");
    auto grid = makeGrid(source);
    EXPECT_EQ(grid->model()->rowCount(), 3);
    payers.last();
    settle();
    EXPECT_EQ(column(*grid, 1), QStringList{QStringLiteral("Zieliński")});
    EXPECT_EQ(grid->currentIndex().row(), 0);
    payers.first();
    settle();
    EXPECT_EQ(grid->model()->rowCount(), 3);
}

TEST_F(GridTest, ClickingARowMovesTheTableAndTheTableMovingSelectsTheRow) {
    DataSource source(employees, prompter);
    source.mirrorMasterLink(payers, "ZLEC", "NR");
    auto grid = makeGrid(source);
    const QRect cell = grid->visualRect(grid->model()->index(2, 1));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    EXPECT_EQ(employeeName(), "Kowalski");

    employees.first();
    EXPECT_EQ(grid->currentIndex().row(), 0);
    QTest::keyClick(grid.get(), Qt::Key_Down);
    EXPECT_EQ(employeeName(), "adamski");
}

TEST_F(GridTest, PaintingDoesNotMoveTheBoundTableOrItsDetails) {
    payers.first();
    employees.last();
    addPeriod("2001.01.01", "a");
    addPeriod("2002.01.01", "b");
    periods.last();
    DataSource source(employees, prompter);
    source.mirrorMasterLink(payers, "ZLEC", "NR");
    auto grid = makeGrid(source);
    grid->viewport()->repaint();
    EXPECT_EQ(employeeName(), "Kowalski");
    EXPECT_EQ(periods.asString(periods.field("POLE1")), "b");
}

TEST_F(GridTest, MarkedRowsAreBookmarksInGridOrder) {
    DataSource source(employees, prompter);
    source.mirrorMasterLink(payers, "ZLEC", "NR");
    auto grid = makeGrid(source);
    grid->setMultiSelect(true);
    QSignalSpy marks(grid.get(), &DataGrid::marksChanged);
    auto click = [&](int row, Qt::KeyboardModifiers mods) {
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, mods,
                          grid->visualRect(grid->model()->index(row, 1)).center());
    };
    click(2, Qt::ControlModifier);
    click(0, Qt::ControlModifier);
    auto marked = grid->markedRows();
    ASSERT_EQ(marked.size(), 2u);
    ASSERT_TRUE(employees.gotoBookmark(marked[0]));
    EXPECT_EQ(employeeName(), "Nowak");
    ASSERT_TRUE(employees.gotoBookmark(marked[1]));
    EXPECT_EQ(employeeName(), "Kowalski");
    EXPECT_GE(marks.count(), 2);

    click(0, Qt::ControlModifier);  // unmarks
    EXPECT_EQ(grid->markedCount(), 1);
    click(1, Qt::ShiftModifier);  // rows 0 and 1, from the last clicked row
    EXPECT_EQ(grid->markedCount(), 3);
    click(1, {});
    EXPECT_EQ(grid->markedCount(), 0);
    QTest::keyClick(grid.get(), Qt::Key_Space);
    EXPECT_EQ(grid->markedCount(), 1);
    grid->clearMarks();
    grid->markCurrentRow();
    ASSERT_EQ(grid->markedRows().size(), 1u);
    ASSERT_TRUE(employees.gotoBookmark(grid->markedRows()[0]));
    EXPECT_EQ(employeeName(), "adamski");

    // Another payer's rows: the marks of the first payer no longer apply.
    payers.last();
    settle();
    EXPECT_EQ(grid->markedCount(), 0);
}

// Rows are listed by the same bookmarks in every order, so marks outlive an order change;
// a marked row that is deleted loses its mark.
TEST_F(GridTest, MarksSurviveAnOrderChangeAndLeaveWithDeletedRows) {
    DataSource source(employees, prompter);
    source.mirrorMasterLink(payers, "ZLEC", "NR");
    auto grid = makeGrid(source);
    grid->setMultiSelect(true);
    grid->gridModel()->setMarked(0, true);  // Nowak
    grid->gridModel()->setMarked(2, true);  // Kowalski
    employees.setIndexName("Ninx");
    settle();
    EXPECT_EQ(column(*grid, 1), (QStringList{QStringLiteral("adamski"), QStringLiteral("Kowalski"),
                                             QStringLiteral("Nowak")}));
    EXPECT_FALSE(grid->gridModel()->isMarked(0));
    EXPECT_TRUE(grid->gridModel()->isMarked(1));
    EXPECT_TRUE(grid->gridModel()->isMarked(2));
    // The table stayed on Nowak; the grid finds that row in the new listing.
    EXPECT_EQ(employeeName(), "Nowak");
    EXPECT_EQ(grid->currentIndex().row(), 2);

    employees.remove();
    settle();
    EXPECT_EQ(grid->model()->rowCount(), 2);
    ASSERT_EQ(grid->markedCount(), 1);
    ASSERT_TRUE(employees.gotoBookmark(grid->markedRows()[0]));
    EXPECT_EQ(employeeName(), "Kowalski");
}

TEST_F(GridTest, TitleClickReportsTheColumn) {
    DataSource source(employees, prompter);
    source.mirrorMasterLink(payers, "ZLEC", "NR");
    auto grid = makeGrid(source);
    QSignalSpy titles(grid.get(), &DataGrid::titleClicked);
    QHeaderView* header = grid->horizontalHeader();
    const int x = header->sectionViewportPosition(2) + header->sectionSize(2) / 2;
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
    ASSERT_EQ(titles.count(), 1);
    EXPECT_EQ(titles[0][0].toInt(), 2);
}

TEST_F(GridTest, OwnInsertAndDeleteKeysCanBeSwitchedOff) {
    DataSource source(employees, prompter);
    source.mirrorMasterLink(payers, "ZLEC", "NR");
    auto grid = makeGrid(source);
    grid->setReadOnly(false);
    grid->setInsertKeyEnabled(false);
    grid->setDeleteKeyEnabled(false);
    grid->setAppendOnDownEnabled(false);
    grid->setFocus();
    QTest::keyClick(grid.get(), Qt::Key_Insert);
    QTest::keyClick(grid.get(), Qt::Key_Delete, Qt::ControlModifier);
    employees.last();
    QTest::keyClick(grid.get(), Qt::Key_Down);
    EXPECT_EQ(employees.state(), engine::TableState::Browse);
    EXPECT_EQ(employees.recordCount(), 3);
    EXPECT_TRUE(prompter.questions().empty());

    grid->setDeleteKeyEnabled(true);
    prompter.queue(platform::MessageResult::Yes);
    QTest::keyClick(grid.get(), Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(employees.recordCount(), 2);
    settle();
    EXPECT_EQ(grid->model()->rowCount(), 2);

    grid->setAppendOnDownEnabled(true);
    employees.last();
    settle();
    QTest::keyClick(grid.get(), Qt::Key_Down);
    EXPECT_EQ(employees.state(), engine::TableState::Insert);
    settle();
    EXPECT_EQ(grid->model()->rowCount(), 3);  // the row being inserted shows at the end
}

TEST_F(GridTest, EditedCellPostsWhenTheRowChanges) {
    payers.first();
    employees.first();
    addPeriod("2001.01.01", "zasiłek chorobowy");
    addPeriod("2002.01.01", "macierzyński");
    DataSource source(periods, prompter);
    source.mirrorMasterLink(employees, "ZLEC;NR", "ZLEC;NR");
    DataGrid grid(&source);
    grid.addColumn(QStringLiteral("POLE1"), QStringLiteral("Tytuł zasiłku"), 150);
    const int to = grid.addColumn(QStringLiteral("POLE3"), QStringLiteral("do"), 80);
    grid.setColumnEditMask(to, QStringLiteral("9999.99.99;1; "));
    grid.setReadOnly(false);
    grid.resize(300, 200);
    grid.show();
    settle();
    periods.first();
    settle();

    const QModelIndex cell = grid.model()->index(0, to);
    grid.setCurrentIndex(cell);
    ASSERT_TRUE(grid.model()->setData(cell, QStringLiteral("2001.12.31"), Qt::EditRole));
    EXPECT_EQ(periods.state(), engine::TableState::Edit);
    EXPECT_EQ(grid.model()->index(0, to).data().toString(), QStringLiteral("2001.12.31"));

    grid.setCurrentIndex(grid.model()->index(1, 0));
    EXPECT_EQ(periods.state(), engine::TableState::Browse);
    engine::Table check(session);
    check.open(dir.file("ZAL2"));
    EXPECT_EQ(check.asString(check.field("POLE3")), "2001.12.31");

    // Moving the employee posts the detail's pending edit too (the engine does so).
    periods.edit();
    periods.setValue("POLE1", text("wychowawczy"));
    employees.next();
    settle();
    EXPECT_EQ(grid.model()->rowCount(), 0);
    employees.first();
    settle();
    EXPECT_EQ(grid.model()->index(1, 0).data().toString(), QStringLiteral("wychowawczy"));

    // Without a pending edit, too, the grid shows the master's current row only: the
    // previous employee's rows left on show would lead an edit to that other person.
    employees.next();
    settle();
    EXPECT_EQ(grid.model()->rowCount(), 0);
    employees.first();
    settle();
    ASSERT_EQ(grid.model()->rowCount(), 2);
    const engine::Bookmark firstPeriod = grid.gridModel()->bookmark(0);
    // A new card, as the index window makes it: appended, numbered and posted at once.
    employees.append();
    settle();
    EXPECT_EQ(grid.model()->rowCount(), 0);
    employees.setValue("NR", integer(9));
    employees.setValue("POLE1", text("Nowy"));
    employees.post();
    settle();
    EXPECT_EQ(grid.model()->rowCount(), 0);
    EXPECT_FALSE(periods.gotoBookmark(firstPeriod));
}

TEST_F(GridTest, AnOpenCellEditorIsWrittenWheneverTheTableAsksForInput) {
    payers.first();
    employees.first();
    addPeriod("2001.01.01", "zasiłek chorobowy");
    DataSource source(periods, prompter);
    source.mirrorMasterLink(employees, "ZLEC;NR", "ZLEC;NR");
    DataGrid grid(&source);
    grid.addColumn(QStringLiteral("POLE1"), QStringLiteral("Tytuł zasiłku"), 150);
    grid.setReadOnly(false);
    grid.resize(300, 200);
    grid.show();
    settle();
    auto typeTitle = [&](const QString& title) {
        periods.first();
        settle();
        grid.setCurrentIndex(grid.model()->index(0, 0));
        grid.edit(grid.currentIndex());
        auto* editor = qobject_cast<QLineEdit*>(grid.indexWidget(grid.currentIndex()));
        ASSERT_NE(editor, nullptr);
        editor->setText(title);
    };
    auto stored = [&] {
        engine::Table check(session);
        check.open(dir.file("ZAL2"), engine::AccessMode::ReadOnly);
        return data::fromTable(check.asString(check.field("POLE1")));
    };

    // Nobody but the engine is told: a post, the master moving away, a close.
    typeTitle(QStringLiteral("opiekuńczy"));
    periods.post();
    EXPECT_EQ(stored(), QStringLiteral("opiekuńczy"));
    EXPECT_EQ(grid.indexWidget(grid.currentIndex()), nullptr);
    typeTitle(QStringLiteral("macierzyński"));
    employees.next();
    EXPECT_EQ(stored(), QStringLiteral("macierzyński"));
    employees.first();
    settle();
    typeTitle(QStringLiteral("wychowawczy"));
    periods.close();
    EXPECT_EQ(stored(), QStringLiteral("wychowawczy"));
    EXPECT_TRUE(prompter.questions().empty());
}

TEST_F(GridTest, LogicalColumnsReadPrawdaOrFalsz) {
    employees.first();
    employees.edit();
    employees.setValue("AKT", Value{true});
    employees.post();
    employees.next();
    employees.edit();
    employees.setValue("AKT", Value{false});
    employees.post();
    employees.first();
    DataSource source(employees, prompter);
    source.mirrorMasterLink(payers, "ZLEC", "NR");
    auto grid = makeGrid(source);
    const int logical = grid->addColumn(QStringLiteral("AKT"), QStringLiteral("AKT"), 60);
    grid->setReadOnly(false);
    settle();
    EXPECT_EQ(column(*grid, logical),
              (QStringList{QStringLiteral("Prawda"), QStringLiteral("Fałsz"), QString()}));
    // The same words are typed back.
    const QModelIndex third = grid->model()->index(2, logical);
    grid->setCurrentIndex(third);
    ASSERT_TRUE(grid->model()->setData(third, QStringLiteral("Prawda"), Qt::EditRole));
    EXPECT_EQ(third.data(Qt::EditRole).toString(), QStringLiteral("Prawda"));
    employees.post();
    EXPECT_EQ(employees.value("AKT"), Value{true});
    // The engine's own form stays as the command-line tool writes it.
    EXPECT_EQ(employees.asString(employees.field("AKT")), "true");
}

TEST_F(GridTest, EnterMovesToTheNextCellThenTheNextRow) {
    DataSource source(employees, prompter);
    source.mirrorMasterLink(payers, "ZLEC", "NR");
    auto grid = makeGrid(source);
    grid->setFocus();
    grid->setCurrentIndex(grid->model()->index(0, 1));
    QTest::keyClick(grid.get(), Qt::Key_Return);
    EXPECT_EQ(grid->currentIndex(), grid->model()->index(0, 2));
    QTest::keyClick(grid.get(), Qt::Key_Return);
    EXPECT_EQ(grid->currentIndex(), grid->model()->index(1, 0));
    EXPECT_EQ(employeeName(), "adamski");
}

TEST_F(GridTest, EnterPassesComputedColumnsAndStoresTheRowAtTheEnd) {
    addPeriod("2001.01.01", "a");
    addPeriod("2002.01.01", "b");
    DataSource source(periods, prompter);
    source.mirrorMasterLink(employees, "ZLEC;NR", "ZLEC;NR");
    DataGrid grid(&source);
    grid.addColumn(QStringLiteral("POLE2"), QStringLiteral("od"), 80);
    grid.addColumn(QStringLiteral("POLE1"), QStringLiteral("Tytuł"), 150);
    const int computed = grid.addColumn(QStringLiteral("POLE3"), QStringLiteral("do"), 80);
    grid.setColumnReadOnly(computed, true);
    grid.setReadOnly(false);
    grid.resize(400, 200);
    grid.show();
    grid.setFocus();
    settle();
    periods.first();
    settle();

    // From the last column that takes input Enter goes on to the next row's first column.
    grid.setCurrentIndex(grid.model()->index(0, 1));
    QTest::keyClick(&grid, Qt::Key_Return);
    EXPECT_EQ(grid.currentIndex(), grid.model()->index(1, 0));
    // At the end of the last row the typed row is stored, and the grid stays where it is.
    ASSERT_TRUE(grid.model()->setData(grid.model()->index(1, 1), QStringLiteral("zmieniony")));
    grid.setCurrentIndex(grid.model()->index(1, 1));
    ASSERT_EQ(periods.state(), engine::TableState::Edit);
    QTest::keyClick(&grid, Qt::Key_Return);
    EXPECT_EQ(periods.state(), engine::TableState::Browse);
    EXPECT_EQ(grid.currentIndex(), grid.model()->index(1, 1));
    engine::Table check(session);
    check.open(dir.file("ZAL2"));
    check.last();
    EXPECT_EQ(check.asString(check.field("POLE1")), "zmieniony");

    // A row the grid began and nobody typed into is dropped there, not stored empty.
    QTest::keyClick(&grid, Qt::Key_Down);
    settle();
    ASSERT_EQ(periods.state(), engine::TableState::Insert);
    grid.setCurrentIndex(grid.model()->index(2, 1));
    QTest::keyClick(&grid, Qt::Key_Return);
    settle();
    EXPECT_EQ(periods.state(), engine::TableState::Browse);
    EXPECT_EQ(periods.recordCount(), 2);
}

TEST_F(GridTest, GroupTitlesAndMoneyColumns) {
    DataSource source(employees, prompter);
    source.mirrorMasterLink(payers, "ZLEC", "NR");
    auto grid = makeGrid(source);
    const int amount = grid->addColumn(QStringLiteral("KWOTA"), QStringLiteral("kwota zł"), 90);
    grid->setColumnGroup(1, 2, QStringLiteral("dane"));
    grid->setColumnDisplay(amount, moneyFormat(QLocale(QLocale::Polish)));
    employees.edit();
    employees.setValue("KWOTA", Value{1234567.5});
    employees.post();
    settle();
    EXPECT_EQ(grid->model()->index(0, amount).data().toString(), QStringLiteral("1 234 567,50"));
    EXPECT_EQ(grid->titles()->groupTitle(2), QStringLiteral("dane"));
    EXPECT_TRUE(grid->titles()->groupTitle(3).isEmpty());
    const int plain = GroupedHeaderView().sizeHint().height();
    EXPECT_GT(grid->titles()->sizeHint().height(), plain);
}

TEST(MoneyText, PictureWithBlanksBetweenThousands) {
    const QLocale c(QLocale::C);
    EXPECT_EQ(moneyText(Value{0.0}, c), QStringLiteral("0.00"));
    EXPECT_EQ(moneyText(Value{999.999}, c), QStringLiteral("1 000.00"));
    EXPECT_EQ(moneyText(Value{-1234.5}, c), QStringLiteral("-1 234.50"));
    EXPECT_EQ(moneyText(Value{-0.001}, c), QStringLiteral("0.00"));
    EXPECT_EQ(moneyText(Value{123456789012.0}, c), QStringLiteral("123 456 789 012.00"));
    EXPECT_TRUE(moneyText(Value{}, c).isEmpty());
}

}  // namespace lumiro::components::test

namespace lumiro::components::test {

TEST_F(GridTest, FilteredTableAndReopenedSession) {
    DataSource source(employees, prompter);
    source.mirrorMasterLink(payers, "ZLEC", "NR");
    auto accept = [](engine::Table& t) { return t.asInteger(t.field("NR")) != 2; };
    employees.setFilter(accept);
    employees.setFiltered(true);
    source.mirrorFilter(accept);
    auto grid = makeGrid(source);
    EXPECT_EQ(column(*grid, 1), (QStringList{QStringLiteral("Nowak"), QStringLiteral("Kowalski")}));

    // Closing every table of the session (restore, index repair) and opening them again.
    session.setActive(false);
    settle();
    EXPECT_EQ(grid->model()->rowCount(), 0);
    session.setActive(true);
    openAll();
    settle();
    EXPECT_EQ(grid->model()->rowCount(), 2);
}

TEST_F(GridTest, AnUntouchedNewRowIsCancelledWhenTheFocusLeaves) {
    DataSource source(employees, prompter);
    source.mirrorMasterLink(payers, "ZLEC", "NR");
    QWidget window;
    auto* grid = new DataGrid(&source, &window);
    grid->addColumn(QStringLiteral("NR"), QStringLiteral("Numer"), 60);
    grid->addColumn(QStringLiteral("POLE1"), QStringLiteral("Nazwa"), 160);
    grid->setReadOnly(false);
    auto* other = new QLineEdit(&window);
    other->move(0, 250);
    window.resize(300, 300);
    window.show();
    QApplication::setActiveWindow(&window);
    settle();

    auto leaveGrid = [&] {
        grid->setFocus();
        other->setFocus();
        settle();
    };
    // Numbered by the program only: cancelled.
    employees.insert();
    employees.setValue("NR", integer(9));
    leaveGrid();
    EXPECT_EQ(employees.state(), engine::TableState::Browse);
    EXPECT_EQ(employees.recordCount(), 3);

    // Typed into: kept for the user to save.
    employees.insert();
    employees.setValue("NR", integer(9));
    settle();
    const int row = grid->model()->rowCount() - 1;
    ASSERT_TRUE(grid->gridModel()->isInsertRow(row));
    ASSERT_TRUE(grid->model()->setData(grid->model()->index(row, 1), QStringLiteral("Nowa")));
    leaveGrid();
    EXPECT_EQ(employees.state(), engine::TableState::Insert);
    ASSERT_TRUE(source.post());
    settle();
    EXPECT_EQ(grid->model()->rowCount(), 4);
    EXPECT_EQ(grid->model()->index(3, 1).data().toString(), QStringLiteral("Nowa"));
}

TEST_F(GridTest, SuspendedControlsHearNothingUntilResumed) {
    DataSource source(employees, prompter);
    source.mirrorMasterLink(payers, "ZLEC", "NR");
    auto grid = makeGrid(source);
    QSignalSpy rows(&source, &DataSource::rowsChanged);
    source.suspendControls();
    employees.first();
    while (!employees.isEmpty()) employees.remove();
    EXPECT_EQ(rows.count(), 0);
    source.resumeControls();
    settle();
    EXPECT_EQ(rows.count(), 1);
    EXPECT_EQ(grid->model()->rowCount(), 0);
}

}  // namespace lumiro::components::test

namespace lumiro::components::test {

TEST_F(GridTest, APostedRowIsReadAgainAloneUnlessItMoves) {
    employees.setIndexName("Ninx");
    DataSource source(employees, prompter);
    source.mirrorMasterLink(payers, "ZLEC", "NR");
    auto grid = makeGrid(source);
    const auto listings = grid->gridModel()->listings();

    employees.first();  // adamski
    employees.edit();
    employees.setValue("KP11", text("99999999999"));
    employees.post();
    settle();
    EXPECT_EQ(grid->gridModel()->listings(), listings);
    EXPECT_EQ(grid->model()->index(0, 2).data().toString(), QStringLiteral("99999999999"));

    // A new name moves the row to its place in the name order.
    employees.edit();
    employees.setValue("POLE1", text("Żak"));
    employees.post();
    settle();
    EXPECT_EQ(grid->gridModel()->listings(), listings + 1);
    EXPECT_EQ(column(*grid, 1), (QStringList{QStringLiteral("Kowalski"), QStringLiteral("Nowak"),
                                             QStringLiteral("Żak")}));
    EXPECT_EQ(grid->currentIndex().row(), 2);

    // The only row of a payer moved to another payer leaves that payer's list.
    payers.last();
    settle();
    employees.edit();
    employees.setValue("ZLEC", integer(1));
    employees.setValue("NR", integer(10));
    employees.post();
    payers.last();
    settle();
    EXPECT_EQ(grid->model()->rowCount(), 0);
}

}  // namespace lumiro::components::test

namespace lumiro::components::test {

TEST_F(GridTest, ARowAppendedByDownIsDroppedWhenLeftEmpty) {
    DataSource source(periods, prompter);
    source.mirrorMasterLink(employees, "ZLEC;NR", "ZLEC;NR");
    addPeriod("2001.01.01", "a");
    DataGrid grid(&source);
    grid.addColumn(QStringLiteral("POLE2"), QStringLiteral("od"), 80);
    grid.addColumn(QStringLiteral("POLE1"), QStringLiteral("Tytuł"), 150);
    grid.setReadOnly(false);
    grid.resize(300, 200);
    grid.show();
    grid.setFocus();
    settle();

    QTest::keyClick(&grid, Qt::Key_Down);
    settle();
    EXPECT_EQ(periods.state(), engine::TableState::Insert);
    QTest::keyClick(&grid, Qt::Key_Up);
    settle();
    EXPECT_EQ(periods.state(), engine::TableState::Browse);
    EXPECT_EQ(periods.recordCount(), 1);

    QTest::keyClick(&grid, Qt::Key_Down);
    settle();
    ASSERT_TRUE(grid.model()->setData(grid.model()->index(1, 0), QStringLiteral("2002.02.02")));
    QTest::keyClick(&grid, Qt::Key_Up);
    settle();
    EXPECT_EQ(periods.recordCount(), 2);
    EXPECT_EQ(grid.model()->rowCount(), 2);
}

}  // namespace lumiro::components::test

namespace lumiro::components::test {

TEST_F(GridTest, CalculatedColumnsAreComputedForEveryRow) {
    auto twice = [](engine::Table& t) {
        t.setValue("DOUBLE", Value{2.0 * double(t.asInteger(t.field("NR")))});
    };
    employees.close();
    employees.addCalculatedField("DOUBLE", FieldType::Number);
    employees.setCalcFields(twice);
    employees.open(dir.file("RP7"));
    DataSource source(employees, prompter);
    source.mirrorMasterLink(payers, "ZLEC", "NR");
    source.mirrorCalculation(twice);
    auto grid = makeGrid(source);
    const int c = grid->addColumn(QStringLiteral("DOUBLE"), QStringLiteral("2×NR"), 60);
    settle();
    EXPECT_EQ(column(*grid, c),
              (QStringList{QStringLiteral("2"), QStringLiteral("4"), QStringLiteral("6")}));
    grid->setReadOnly(false);
    EXPECT_TRUE(grid->model()->flags(grid->model()->index(0, 1)) & Qt::ItemIsEditable);
    EXPECT_FALSE(grid->model()->flags(grid->model()->index(0, c)) & Qt::ItemIsEditable);
}

}  // namespace lumiro::components::test
