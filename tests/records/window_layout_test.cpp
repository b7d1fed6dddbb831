// The windows at the size they open with: no caption is cut off and no control falls outside
// its page. With LUMIRO_SCREENSHOT_DIR set, every page is also saved as a PNG to look at.
#include <QAbstractButton>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>

#include "components/data_grid.h"
#include "components/data_source.h"
#include "components/page_control.h"
#include "records/company_window.h"
#include "records/payers_window.h"
#include "records_fixture.h"

namespace lumiro::records::test {

namespace {

void saveScreenshot(QWidget& window, const QString& name) {
    const QString folder = qEnvironmentVariable("LUMIRO_SCREENSHOT_DIR");
    if (folder.isEmpty()) return;
    window.grab().save(folder + u'/' + name + QStringLiteral(".png"));
}

// Every visible caption is as wide as its text needs and lies inside the page.
void expectNothingCutOff(QWidget& page, const QString& where) {
    for (auto* label : page.findChildren<QLabel*>()) {
        if (!label->isVisibleTo(&page) || label->wordWrap() || label->text().isEmpty()) continue;
        EXPECT_GE(label->width(), label->sizeHint().width())
            << where.toStdString() << ": " << label->text().toStdString();
    }
    for (auto* button : page.findChildren<QAbstractButton*>()) {
        if (!button->isVisibleTo(&page) || button->text().isEmpty()) continue;
        EXPECT_GE(button->width(), button->sizeHint().width())
            << where.toStdString() << ": " << button->text().toStdString();
    }
    for (auto* control : page.findChildren<QWidget*>()) {
        if (!control->isVisibleTo(&page) || !qobject_cast<QLineEdit*>(control)) continue;
        const QRect at(control->mapTo(&page, QPoint(0, 0)), control->size());
        EXPECT_TRUE(page.rect().contains(at))
            << where.toStdString() << ": " << control->objectName().toStdString();
    }
}

}  // namespace

class WindowLayoutTest : public RecordsFixture {};

TEST_F(WindowLayoutTest, PayersWindowShowsEveryColumnTitleWhole) {
    addRows("BAZA/KADRY/ZLEC", {{{"NR", integer(2)},
                                 {"POCZTA", text("Zakład Usług Remontowych „Dąb”")},
                                 {"NIP", text("5261040828")},
                                 {"SKROT", text("123456785")},
                                 {"NAZWA1", text("44051401459")}}});
    start();
    components::DataSource ZZLEC(dane->TZlec, prompter);
    TKADF9 window(*dane, ZZLEC);
    window.show();
    QApplication::processEvents();
    auto& grid = window.XDBGrid1();
    const QFontMetrics metrics(grid.horizontalHeader()->font());
    int columnsWidth = grid.verticalHeader()->width();
    for (int column = 0; column < grid.gridModel()->columnCount(); ++column) {
        const QString title =
            grid.gridModel()->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
        EXPECT_GE(grid.columnWidth(column), metrics.horizontalAdvance(title) + 8)
            << title.toStdString();
        columnsWidth += grid.columnWidth(column);
    }
    EXPECT_LE(columnsWidth, grid.viewport()->width() + grid.verticalHeader()->width());
    saveScreenshot(window, QStringLiteral("payers"));
}

TEST_F(WindowLayoutTest, CompanyWindowPagesAreWhole) {
    start();
    QImage logo(600, 300, QImage::Format_RGB32);
    logo.fill(Qt::white);
    TFIRMAF window(*dane, logo);
    window.show();
    QApplication::processEvents();
    auto& pages = window.STRONY();
    for (int page = 0; page < pages.count(); ++page) {
        pages.setCurrentIndex(page);
        QApplication::processEvents();
        expectNothingCutOff(*pages.widget(page), pages.tabText(page));
        saveScreenshot(window, QStringLiteral("company_%1").arg(page + 1));
    }
    // Every tab shows its whole caption, in as many rows as the width needs.
    const components::TabRows& tabs = *pages.tabBar();
    for (int page = 0; page < pages.count(); ++page) {
        EXPECT_TRUE(tabs.rect().contains(tabs.tabRect(page))) << page;
        EXPECT_GE(tabs.tabRect(page).width(), tabs.tabWidthHint(page)) << page;
    }
}

}  // namespace lumiro::records::test
