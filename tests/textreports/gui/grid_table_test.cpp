// A table printout of one of the program's grids: its columns, its marked rows, its sums.
#include <QCoreApplication>

#include "components/components_fixture.h"
#include "components/data_grid.h"
#include "textreports/gui/grid_table_source.h"
#include "textreports/text_print_engine.h"

namespace lumiro::textreports {
namespace {

using namespace Qt::StringLiterals;
using components::test::ComponentsFixture;

class GridTableTest : public ComponentsFixture {
  protected:
    void SetUp() override {
        ComponentsFixture::SetUp();
        openAll();
        addPayer(1, "Pierwszy");
        payers.first();
        addEmployee(1, "Nowak Anna");
        addEmployee(2, "Kowalski Jan");
        addEmployee(3, "Zięba Ewa");
        int i = 0;
        for (const char* amount : {"1200.5", "800", ""}) {
            employees.first();
            for (int k = 0; k < i; ++k) employees.next();
            employees.edit();
            if (*amount) employees.setAsString(employees.field("KWOTA"), amount);
            employees.post();
            ++i;
        }
        employees.first();
    }
    static void settle() {
        for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
    }
};

TEST_F(GridTableTest, MarkedRowsOfTheVisibleColumnsWithTheirSum) {
    components::DataSource source(employees, prompter);
    source.mirrorMasterLink(payers, "ZLEC", "NR");
    components::DataGrid grid(&source);
    grid.addColumn(u"NR"_s, u"Nr"_s, 30);
    grid.setColumnAlignment(0, Qt::AlignRight | Qt::AlignVCenter);
    grid.addColumn(u"POLE1"_s, u"Nazwisko\nimię"_s, 54);
    grid.addColumn(u"KP11"_s, u"PESEL"_s, 66);
    grid.setColumnHidden(2, true);
    grid.addColumn(u"KWOTA"_s, u"Kwota"_s, 60);
    grid.setColumnAlignment(3, Qt::AlignRight | Qt::AlignVCenter);
    grid.resize(400, 200);
    grid.show();
    settle();
    ASSERT_EQ(grid.gridModel()->rowCount(), 3);
    grid.gridModel()->setMarked(2, true);
    grid.gridModel()->setMarked(0, true);

    TextPrintEngine::Host host;
    host.prompter = &prompter;
    TextPrintEngine engine(host);
    GridTableSource table(grid);
    EXPECT_EQ(table.number(0, 3), 1200.5);
    EXPECT_EQ(table.number(2, 3), std::nullopt);
    engine.DrukujTabeleX(table, u"Pracownicy"_s, u"LP;KWOTA"_s, 0);
    EXPECT_FALSE(source.controlsSuspended());

    QStringList lines = engine.buffer().text().split(u'\n');
    lines.removeLast();
    const QString amount0 = grid.gridModel()->index(0, 3).data().toString();
    ASSERT_EQ(lines.size(), 11) << lines.join(u'\n').toStdString();
    ASSERT_EQ(grid.columnWidth(3), 60);
    EXPECT_EQ(lines[2], QString(33, u'='));
    EXPECT_EQ(lines[3], u"| LP |Nr   |Nazwisko |Kwota     |"_s);
    EXPECT_EQ(lines[4], u"|----|-----|---------|----------|"_s);
    EXPECT_EQ(lines[5],
              u"|   1|    1|Nowak Ann|"_s + QString(10 - amount0.size(), u' ') + amount0 + u'|');
    EXPECT_EQ(lines[6], u"|   2|    3|Zięba Ewa|          |"_s);
    EXPECT_EQ(lines[8], u"|    |     |RAZEM :  |   1200.50|"_s);
}

}  // namespace
}  // namespace lumiro::textreports
