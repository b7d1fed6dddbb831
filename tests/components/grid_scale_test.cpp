#include <QHeaderView>
#include <QScrollBar>

#include "components/data_grid.h"
#include "components_fixture.h"

namespace lumiro::components::test {

class GridScaleTest : public ComponentsFixture {};

TEST_F(GridScaleTest, TwentyThousandRowsPaintOnlyWhatIsShown) {
    openAll();
    addPayer(1, "Duża firma");
    employees.beginBatch();
    for (int i = 1; i <= 20000; ++i) {
        employees.append();
        employees.setValue("NR", integer(i));
        employees.setValue("POLE1", text(("Pracownik " + std::to_string(i)).c_str()));
        employees.post();
    }
    employees.endBatch();
    employees.first();

    DataSource source(employees, prompter);
    source.mirrorMasterLink(payers, "ZLEC", "NR");
    DataGrid grid(&source);
    grid.addColumn(QStringLiteral("NR"), QStringLiteral("NR"), 60);
    grid.addColumn(QStringLiteral("POLE1"), QStringLiteral("NAZWISKO IMIĘ"), 200);
    grid.resize(320, 400);
    grid.show();
    QCoreApplication::processEvents();
    ASSERT_EQ(grid.model()->rowCount(), 20000);

    const int visible = grid.viewport()->height() / grid.verticalHeader()->defaultSectionSize() + 2;
    auto readsFor = [&](auto&& action) {
        const auto before = grid.gridModel()->cellRowReads();
        action();
        grid.viewport()->repaint();
        return grid.gridModel()->cellRowReads() - before;
    };
    EXPECT_LE(readsFor([] {}), visible);
    EXPECT_LE(readsFor([&] { grid.verticalScrollBar()->setValue(10000); }), visible);
    // Back to rows already read: the cache answers.
    EXPECT_EQ(readsFor([&] { grid.verticalScrollBar()->setValue(10001); }), 1);

    employees.moveBy(15000);
    QCoreApplication::processEvents();
    EXPECT_EQ(grid.currentIndex().row(), 15000);
    EXPECT_LE(grid.gridModel()->cellRowReads(), 4 * visible);
    EXPECT_EQ(grid.model()->index(15000, 1).data().toString(), QStringLiteral("Pracownik 15001"));
}

}  // namespace lumiro::components::test
