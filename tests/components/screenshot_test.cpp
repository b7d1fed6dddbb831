// Renders a form page and a detail grid the way the windows build them. The pictures are
// written only when LUMIRO_SCREENSHOTS names a folder, for a person to look at.
#include <QFormLayout>
#include <QImage>
#include <QVBoxLayout>

#include "components/data_controls.h"
#include "components/data_grid.h"
#include "components/data_navigator.h"
#include "components/display_format.h"
#include "components/grouped_header.h"
#include "components_fixture.h"

namespace lumiro::components::test {

namespace {

TableDef earningsDef() {
    TableDef def;
    def.fields = {{"ZLEC", FieldType::Long},      {"NR", FieldType::Long},
                  {"POLE1", FieldType::Alpha, 4}, {"POLE2", FieldType::Money},
                  {"POLE3", FieldType::Money},    {"POLE4", FieldType::Alpha, 15},
                  {"POLE5", FieldType::Money},    {"POLE6", FieldType::Alpha, 15},
                  {"POLE9", FieldType::Money}};
    def.indexes = {{"", {"ZLEC", "NR", "POLE1"}, true, true, false}};
    return def;
}

void save(QWidget& widget, const char* name) {
    const QImage picture = widget.grab().toImage();
    ASSERT_FALSE(picture.isNull());
    const QString folder = qEnvironmentVariable("LUMIRO_SCREENSHOTS");
    if (!folder.isEmpty()) {
        EXPECT_TRUE(picture.save(folder + u'/' + QString::fromUtf8(name) + QStringLiteral(".png")));
    }
}

}  // namespace

class ScreenshotTest : public ComponentsFixture {};

TEST_F(ScreenshotTest, FormAndGroupedGrid) {
    session.createTable(dir.file("ZAR"), earningsDef());
    openAll();
    engine::Table earnings(session);
    earnings.open(dir.file("ZAR"));
    earnings.setMasterLink(&employees, "ZLEC;NR", "ZLEC;NR");
    addPayer(1, "Przedsiębiorstwo Usługowe");
    addEmployee(1, "Kowalski Jan ", "70010112345");
    addEmployee(2, "Nowak Anna ", "75020254321");
    employees.first();
    employees.edit();
    employees.setValue("KP8", text("1970.01.01"));
    employees.setValue("RP", text("F"));
    employees.post();
    const double amounts[][4] = {
        {12000, 1500.5, 300, 0}, {13250.75, 0, 0, 2100}, {9800, 1200, 0, 0}};
    for (int i = 0; i < 3; ++i) {
        earnings.append();
        earnings.setValue("POLE1", text(std::to_string(1990 + i).c_str()));
        earnings.setValue("POLE2", Value{amounts[i][0]});
        earnings.setValue("POLE3", Value{amounts[i][1]});
        if (amounts[i][1] > 0) earnings.setValue("POLE4", text("premia"));
        earnings.setValue("POLE5", Value{amounts[i][2]});
        if (amounts[i][2] > 0) earnings.setValue("POLE6", text("nagroda"));
        earnings.setValue("POLE9", Value{amounts[i][3]});
        earnings.post();
    }

    DataSource people(employees, prompter);
    people.setMasterLink(payers, "ZLEC", "NR");
    QWidget form;
    auto* layout = new QFormLayout(&form);
    layout->addRow(QStringLiteral("1. Nazwisko i imię"),
                   new DbEdit(&people, QStringLiteral("POLE1")));
    auto* born = new DbEdit(&people, QStringLiteral("KP8"));
    born->setEditMask(QStringLiteral("9999.99.99;1; "));
    layout->addRow(QStringLiteral("8. Data urodzenia"), born);
    layout->addRow(QStringLiteral("11. PESEL"), new DbEdit(&people, QStringLiteral("KP11")));
    auto* kind = new DbComboBox(&people, QStringLiteral("RP"), true);
    kind->setItems({QStringLiteral("P - Osoba Prawna"), QStringLiteral("F - Osoba Fizyczna")});
    layout->addRow(QStringLiteral("Rodzaj płatnika"), kind);
    auto* sex = new DbRadioGroup(&people, QStringLiteral("KP8"), QStringLiteral("Płeć"));
    sex->setItems({QStringLiteral("Kobieta"), QStringLiteral("Mężczyzna")});
    layout->addRow(sex);
    layout->addRow(new DbCheckBox(&people, QStringLiteral("AKT"),
                                  QStringLiteral("Wydruk logo na dokumentach")));
    layout->addRow(QStringLiteral("Nazwisko, imię:"), new DbText(&people, QStringLiteral("POLE1")));
    auto* nav = new DataNavigator(&people);
    nav->setVisibleButtons({NavigatorButton::First, NavigatorButton::Prior, NavigatorButton::Next,
                            NavigatorButton::Last, NavigatorButton::Refresh});
    layout->addRow(nav);
    auto* index = new DataGrid(&people);
    index->addColumn(QStringLiteral("NR"), QStringLiteral("NR"), 40);
    index->addColumn(QStringLiteral("POLE1"), QStringLiteral("NAZWISKO IMIĘ"), 200);
    index->addColumn(QStringLiteral("KP11"), QStringLiteral("PESEL"), 100);
    index->setMultiSelect(true);
    index->setMinimumHeight(120);
    layout->addRow(index);
    form.resize(480, 460);
    form.show();
    QCoreApplication::processEvents();
    index->gridModel()->setMarked(1, true);
    EXPECT_EQ(index->currentIndex().row(), 0);
    EXPECT_TRUE(index->selectionModel()->isRowSelected(0, {}));
    save(form, "form");

    DataSource rows(earnings, prompter);
    rows.setMasterLink(employees, "ZLEC;NR", "ZLEC;NR");
    QWidget page;
    auto* column = new QVBoxLayout(&page);
    auto* grid = new DataGrid(&rows);
    grid->setReadOnly(false);
    grid->addColumn(QStringLiteral("POLE1"), QStringLiteral("Rok kalenda-\nrzowy"), 60);
    const int fixed =
        grid->addColumn(QStringLiteral("POLE2"), QStringLiteral("składniki stałe zł"), 90);
    const int variable = grid->addColumn(QStringLiteral("POLE3"), QStringLiteral("kwota zł"), 90);
    grid->addColumn(QStringLiteral("POLE4"), QStringLiteral("rodzaj"), 80);
    const int other = grid->addColumn(QStringLiteral("POLE5"), QStringLiteral("kwota zł"), 90);
    grid->addColumn(QStringLiteral("POLE6"), QStringLiteral("rodzaj"), 80);
    const int sick = grid->addColumn(
        QStringLiteral("POLE9"),
        QStringLiteral("Wynagrodzenie za czas niezdolności do pracy - świadczenia z ubezpieczenia "
                       "społecznego wypłacone zamiast wynagrodzenia - przychodu"),
        170);
    for (int c : {fixed, variable, other, sick}) {
        grid->setColumnDisplay(c, moneyFormat(QLocale(QLocale::Polish)));
        grid->setColumnAlignment(c, Qt::AlignRight | Qt::AlignVCenter);
    }
    grid->setColumnGroup(variable, variable + 1, QStringLiteral("składniki zmienne"));
    grid->setColumnGroup(other, other + 1, QStringLiteral("inne"));
    column->addWidget(grid);
    column->addWidget(new DataNavigator(&rows));
    page.resize(760, 300);
    page.show();
    QCoreApplication::processEvents();
    EXPECT_EQ(grid->model()->rowCount(), 3);
    EXPECT_EQ(grid->currentIndex().row(), 2);  // the table stands on the last row appended
    EXPECT_EQ(grid->model()->index(1, fixed).data().toString(), QStringLiteral("13 250,75"));
    // The wrapped titles and the group band make the title row taller than one line.
    EXPECT_GT(grid->horizontalHeader()->height(), 3 * grid->fontMetrics().height());
    save(page, "earnings");
}

}  // namespace lumiro::components::test
