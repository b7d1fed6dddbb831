#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

#include <memory>
#include <set>

#include "components/page_control.h"

namespace lumiro::components::test {

namespace {

// Ten pages as the employee index has them, each with one edit, inside a window.
class PageControlTest : public ::testing::Test {
  protected:
    void SetUp() override {
        window = std::make_unique<QWidget>();
        auto* layout = new QVBoxLayout(window.get());
        outside = new QLineEdit(window.get());
        outside->setObjectName(QStringLiteral("outside"));
        layout->addWidget(outside);
        pages = new PageControl(window.get());
        layout->addWidget(pages, 1);
        const char16_t* captions[] = {u"INDEKS PRACOWNIKÓW", u"ZUS Kp-1",    u"ZUS Kp-1 CD",
                                      u"ZUS Kp-1 CD",        u"ZUS Rp-6",    u"ZUS RP-7",
                                      u"ZUS RP-7 CD",        u"ZUS RP-7 CD", u"Załącznik",
                                      u"Zaświadczenie"};
        for (const char16_t* caption : captions) {
            auto* page = new QWidget;
            auto* edit = new QLineEdit(page);
            edit->setObjectName(QStringLiteral("edit%1").arg(pages->count()));
            (new QVBoxLayout(page))->addWidget(edit);
            edits.push_back(edit);
            pages->addTab(page, QString::fromUtf16(caption));
        }
        window->resize(1200, 400);
        window->show();
        QApplication::setActiveWindow(window.get());
        QApplication::processEvents();
    }

    void setWidth(int width) {
        window->resize(width, 400);
        QApplication::processEvents();
    }

    TabRows& bar() { return *pages->tabBar(); }

    // Every visible tab lies inside the bar, is wide enough for its caption and meets no other.
    void expectTabsWhole() {
        for (int i = 0; i < pages->count(); ++i) {
            if (!pages->isTabVisible(i)) continue;
            const QRect r = bar().tabRect(i);
            EXPECT_TRUE(bar().rect().contains(r)) << i;
            EXPECT_GE(r.width(), bar().tabWidthHint(i)) << i;
            for (int j = i + 1; j < pages->count(); ++j) {
                if (pages->isTabVisible(j)) {
                    EXPECT_FALSE(r.intersects(bar().tabRect(j))) << i << j;
                }
            }
        }
    }

    std::unique_ptr<QWidget> window;
    QLineEdit* outside = nullptr;
    PageControl* pages = nullptr;
    std::vector<QLineEdit*> edits;
};

}  // namespace

TEST_F(PageControlTest, RowsGrowAsTheWidthShrinksAndNoTabIsCut) {
    // One row while everything fits, in page order, at natural widths.
    setWidth(bar().sizeHint().width() + 40);
    EXPECT_EQ(bar().rowCount(), 1);
    expectTabsWhole();

    int rows = 1;
    for (int width : {700, 500, 350, 200}) {
        setWidth(width);
        SCOPED_TRACE(width);
        EXPECT_GE(bar().rowCount(), rows);
        rows = bar().rowCount();
        expectTabsWhole();
        EXPECT_EQ(bar().height(), rows * bar().rowHeight());
        // Wrapped rows fill the width.
        for (int i = 0; i < pages->count(); ++i) {
            const int next = i + 1 < pages->count() ? i + 1 : -1;
            if (next < 0 || bar().rowOf(next) != bar().rowOf(i)) {
                EXPECT_EQ(bar().tabRect(i).right(), bar().width() - 1) << i;
            }
        }
    }
    EXPECT_GT(rows, 2);

    // Two rows share the tabs evenly: no short last row with one tab stretched over it.
    setWidth(bar().sizeHint().width() * 3 / 4);
    ASSERT_EQ(bar().rowCount(), 2);
    int natural[2] = {0, 0};
    int widest = 0;
    for (int i = 0; i < pages->count(); ++i) {
        natural[bar().rowOf(i)] += bar().tabWidthHint(i);
        widest = std::max(widest, bar().tabWidthHint(i));
    }
    EXPECT_LT(std::abs(natural[0] - natural[1]), widest);
    EXPECT_GT(bar().rowOf(pages->count() - 1), bar().rowOf(0));
    // The control is never narrower than its widest tab, which then has a row to itself.
    setWidth(60);
    EXPECT_GE(bar().width(), bar().tabWidthHint(0));
    EXPECT_GE(bar().rowCount(), rows);
    EXPECT_NE(bar().rowOf(0), bar().rowOf(1));
    expectTabsWhole();
}

TEST_F(PageControlTest, RowOfTheCurrentTabSitsNextToThePage) {
    setWidth(400);
    const int rows = bar().rowCount();
    ASSERT_GE(rows, 3);
    auto bottomRowHolds = [&](int index) {
        return bar().visualRowOf(index) == rows - 1 &&
               bar().tabRect(index).bottom() == bar().height() - 1;
    };
    EXPECT_EQ(pages->currentIndex(), 0);
    EXPECT_TRUE(bottomRowHolds(0));
    // The first row at the page, the last one at the top.
    EXPECT_EQ(bar().visualRowOf(pages->count() - 1), 0);

    const int last = pages->count() - 1;
    const int middleRow = bar().rowOf(last) - 1;
    int middle = 0;
    while (bar().rowOf(middle) != middleRow) ++middle;
    pages->setCurrentIndex(middle);
    EXPECT_TRUE(bottomRowHolds(middle));
    // The rows turn as a ring: the row after the current one stands just above it, and the
    // first row, which followed the last, right above the last.
    EXPECT_EQ(bar().visualRowOf(last), rows - 2);
    EXPECT_EQ(bar().visualRowOf(0), rows - 3);

    // A click on a tab of the top row selects it and brings its row down.
    const int top = [&] {
        for (int i = 0; i < pages->count(); ++i)
            if (bar().visualRowOf(i) == 0) return i;
        return -1;
    }();
    QTest::mouseClick(&bar(), Qt::LeftButton, {}, bar().tabRect(top).center());
    EXPECT_EQ(pages->currentIndex(), top);
    EXPECT_TRUE(bottomRowHolds(top));
    EXPECT_EQ(bar().tabAt(bar().tabRect(top).center()), top);
}

TEST_F(PageControlTest, KeysSwitchPagesFromInsideThePagesAndOnTheTabs) {
    edits[0]->setFocus();
    QTest::keyClick(edits[0], Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(pages->currentIndex(), 1);
    // The focus goes along into the page shown.
    EXPECT_TRUE(edits[1]->hasFocus());
    QTest::keyClick(edits[1], Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(pages->currentIndex(), 2);
    QTest::keyClick(edits[2], Qt::Key_PageUp, Qt::ControlModifier);
    QTest::keyClick(edits[1], Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(pages->currentIndex(), 0);
    // Both ends wrap round, and hidden pages are passed over.
    QTest::keyClick(edits[0], Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(pages->currentIndex(), 9);
    pages->setTabVisible(0, false);
    QTest::keyClick(edits[9], Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(pages->currentIndex(), 1);
    pages->setTabVisible(0, true);

    // Outside the page control the keys are left to others.
    outside->setFocus();
    QTest::keyClick(outside, Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(pages->currentIndex(), 1);

    // Tab reaches the tabs; arrows, Home and End work there and stop at the ends.
    outside->setFocus();
    QTest::keyClick(outside, Qt::Key_Tab);
    ASSERT_TRUE(bar().hasFocus());
    QTest::keyClick(&bar(), Qt::Key_Right);
    EXPECT_EQ(pages->currentIndex(), 2);
    QTest::keyClick(&bar(), Qt::Key_Down);
    EXPECT_EQ(pages->currentIndex(), 3);
    QTest::keyClick(&bar(), Qt::Key_Left);
    QTest::keyClick(&bar(), Qt::Key_Up);
    EXPECT_EQ(pages->currentIndex(), 1);
    QTest::keyClick(&bar(), Qt::Key_End);
    EXPECT_EQ(pages->currentIndex(), 9);
    QTest::keyClick(&bar(), Qt::Key_Right);
    EXPECT_EQ(pages->currentIndex(), 9);
    QTest::keyClick(&bar(), Qt::Key_Home);
    EXPECT_EQ(pages->currentIndex(), 0);
    QTest::keyClick(&bar(), Qt::Key_Left);
    EXPECT_EQ(pages->currentIndex(), 0);
    EXPECT_TRUE(bar().hasFocus());
    // The next Tab goes on into the page.
    QTest::keyClick(&bar(), Qt::Key_Tab);
    EXPECT_TRUE(edits[0]->hasFocus());
}

TEST_F(PageControlTest, SignalsAndHiddenPages) {
    QSignalSpy changed(pages, &PageControl::currentChanged);
    pages->setCurrentIndex(0);  // already current
    pages->setCurrentIndex(42);
    pages->setCurrentIndex(-1);
    EXPECT_EQ(changed.count(), 0);
    // When the signal arrives the page is already the one shown.
    int shownAtSignal = -1;
    QObject::connect(pages, &PageControl::currentChanged, pages,
                     [&] { shownAtSignal = pages->indexOf(pages->currentWidget()); });
    pages->setCurrentIndex(4);
    EXPECT_EQ(shownAtSignal, 4);
    EXPECT_TRUE(pages->widget(4)->isVisible());
    EXPECT_FALSE(pages->widget(0)->isVisible());
    // A hidden tab cannot be chosen; hiding the current one moves on to the next page.
    pages->setTabVisible(6, false);
    pages->setCurrentIndex(6);
    EXPECT_EQ(pages->currentIndex(), 4);
    pages->setTabVisible(4, false);
    EXPECT_EQ(pages->currentIndex(), 5);
    pages->setTabVisible(9, false);
    pages->setCurrentIndex(8);
    pages->setTabVisible(8, false);
    EXPECT_EQ(pages->currentIndex(), 7);  // no page after it: the one before
    EXPECT_EQ(pages->tabText(8), QStringLiteral("Załącznik"));
    pages->setTabText(8, QStringLiteral("Inny"));
    EXPECT_EQ(pages->tabText(8), QStringLiteral("Inny"));
    std::vector<int> seen;
    for (const auto& args : changed) seen.push_back(args.at(0).toInt());
    EXPECT_EQ(seen, (std::vector<int>{4, 5, 8, 7}));
}

}  // namespace lumiro::components::test
