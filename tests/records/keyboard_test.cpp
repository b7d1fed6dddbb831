// Keyboard use of the records windows: the order Tab walks the fields in, the keys that work
// from every page, Enter in the grids, and F1.
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <algorithm>

#include "app/local_documents.h"
#include "components/data_controls.h"
#include "components/data_grid.h"
#include "components/data_navigator.h"
#include "components/help_context.h"
#include "components/page_control.h"
#include "platform/shell_open.h"
#include "records/company_window.h"
#include "records/employee_index_window.h"
#include "records/payers_window.h"
#include "records_fixture.h"

namespace lumiro::records::test {

using namespace Qt::StringLiterals;

using platform::MessageResult;

namespace {

// The controls Tab stops at inside `area`, in the order Tab reaches them.
std::vector<QWidget*> tabStops(QWidget* area) {
    std::vector<QWidget*> out;
    for (QWidget* w = area->nextInFocusChain(); w != area; w = w->nextInFocusChain()) {
        if (!area->isAncestorOf(w) || !w->isVisibleTo(area) || !w->isEnabled()) continue;
        if ((w->focusPolicy() & Qt::TabFocus) != Qt::TabFocus || w->focusProxy()) continue;
        if (std::find(out.begin(), out.end(), w) != out.end()) break;
        out.push_back(w);
    }
    return out;
}

QStringList names(const std::vector<QWidget*>& widgets) {
    QStringList out;
    for (QWidget* w : widgets)
        out << (w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className())
                                          : w->objectName());
    return out;
}

QStringList sequence(const char* prefix, int from, int to) {
    QStringList out;
    for (int i = from; i <= to; ++i) out << QString::fromLatin1(prefix) + QString::number(i);
    return out;
}

// Tab reads the page as the form does: each stop is on the same line and to the right of the
// one before, or on a line further down. Lines are told by overlapping heights, since a field
// with its caption above stands a little lower than its neighbours.
void expectReadingOrder(QWidget* page, const std::vector<QWidget*>& stops, const QString& where) {
    for (std::size_t i = 1; i < stops.size(); ++i) {
        const QRect a(stops[i - 1]->mapTo(page, QPoint(0, 0)), stops[i - 1]->size());
        const QRect b(stops[i]->mapTo(page, QPoint(0, 0)), stops[i]->size());
        const bool sameLine = b.top() < a.bottom() && a.top() < b.bottom();
        const bool reads = sameLine ? b.left() > a.left() : b.center().y() > a.center().y();
        EXPECT_TRUE(reads) << where.toStdString() << ": "
                           << stops[i - 1]->objectName().toStdString() << " then "
                           << stops[i]->objectName().toStdString();
    }
}

// Every control that takes input is a stop; frames and scroll areas are not.
void expectEveryFieldIsAStop(QWidget* page, const std::vector<QWidget*>& stops,
                             const QString& where) {
    for (QWidget* w : page->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(page)) continue;
        if (auto* edit = qobject_cast<QLineEdit*>(w); edit && edit->isReadOnly()) continue;
        const bool field = qobject_cast<components::DbEdit*>(w) ||
                           qobject_cast<components::DataGrid*>(w) || qobject_cast<QComboBox*>(w) ||
                           qobject_cast<QPushButton*>(w) ||
                           (qobject_cast<QLineEdit*>(w) && !qobject_cast<QComboBox*>(w->parent()));
        const bool isStop = std::find(stops.begin(), stops.end(), w) != stops.end();
        if (field) {
            EXPECT_TRUE(isStop) << where.toStdString() << ": " << w->objectName().toStdString();
        }
        if (qobject_cast<QScrollArea*>(w)) {
            EXPECT_FALSE(isStop) << where.toStdString() << ": the sheet's scroll area";
        }
    }
}

}  // namespace

class KeyboardTest : public IndexWindowFixture {
  protected:
    void open() {
        start();
        // The help document the program folder holds beside the tables.
        QDir().mkpath(QStringLiteral("help"));
        QFile help(QStringLiteral("help/lumiro_pomoc.html"));
        ASSERT_TRUE(help.open(QIODevice::WriteOnly));
        EmployeeIndexServices services;
        services.openHelp = [this](int context) { app::openHelp(shell, prompter, context); };
        showWindow(std::move(services), QSize(1100, 760));
    }

    components::PageControl& pages() { return window->PageControl1(); }
    void showPage(int page) {
        pages().setCurrentIndex(page);
        QApplication::processEvents();
    }
    static void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QWidget* focus = QApplication::focusWidget();
        ASSERT_NE(focus, nullptr);
        QTest::keyClick(focus, key, modifiers);
    }

    platform::RecordingShellOpener shell;
};

TEST_F(KeyboardTest, TabReadsEveryPageAsTheFormDoes) {
    open();
    for (int p = 0; p < pages().count(); ++p) {
        showPage(p);
        QWidget* page = pages().widget(p);
        const QString where = QStringLiteral("%1 %2").arg(p).arg(pages().tabText(p));
        const auto stops = tabStops(page);
        EXPECT_FALSE(stops.empty()) << where.toStdString();
        expectEveryFieldIsAStop(page, stops, where);
        expectReadingOrder(page, stops, where);
    }

    // One page of each kind by name: the index, a page of fields, a page with a grid.
    showPage(0);
    EXPECT_EQ(
        names(tabStops(pages().widget(0))),
        (QStringList{u"ERD"_s, u"QToolButton"_s, u"PlatnikNIP"_s, u"PlatnikSKROT"_s,
                     u"PlatnikNAZWA1"_s, u"PlatnikNAZWA2"_s, u"PlatnikPOW"_s, u"PlatnikGMIN"_s,
                     u"QPushButton"_s, u"XDBGrid1"_s, u"Enazwa"_s, u"EPESEL"_s, u"ENIP"_s}));
    showPage(1);
    EXPECT_EQ(names(tabStops(pages().widget(1))),
              sequence("KP", 1, 17) + QStringList({u"POLE30"_s}));
    showPage(4);
    EXPECT_EQ(names(tabStops(pages().widget(4))),
              sequence("R", 1, 7) + QStringList({u"POLE31"_s, u"DBGrid2"_s, u"Button2"_s}));

    // The keys themselves: from the tabs into the page, through every field and back to the
    // tabs; Shift+Tab the other way.
    showPage(1);
    pages().tabBar()->setFocus(Qt::TabFocusReason);
    const auto stops = tabStops(pages().widget(1));
    for (QWidget* expected : stops) {
        press(Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), expected);
    }
    press(Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), pages().tabBar());
    press(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(QApplication::focusWidget(), stops.back());
}

TEST_F(KeyboardTest, TabReadsThePayersAndCompanyWindows) {
    open();
    // The window as it opens, looked at before it is closed again.
    std::vector<QWidget*> payerStops;
    QWidget* openedIn = nullptr;
    TKADF9* payers = nullptr;
    QTimer::singleShot(0, [&] {
        payers = qobject_cast<TKADF9*>(QApplication::activeModalWidget());
        if (!payers) return;
        payerStops = tabStops(payers);
        openedIn = payers->focusWidget();
        payers->close();
    });
    window->openPayers();
    ASSERT_NE(payers, nullptr);
    // The toolbar's buttons, then the grid, which the window opens in.
    ASSERT_EQ(payerStops.size(), 4u);
    EXPECT_EQ(payerStops.back(), &payers->XDBGrid1());
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(qobject_cast<QToolButton*>(payerStops[std::size_t(i)]));
    EXPECT_EQ(openedIn, &payers->XDBGrid1());

    TFIRMAF company(*dane, QImage());
    company.show();
    QApplication::processEvents();
    auto& companyPages = company.STRONY();
    for (int p = 0; p < companyPages.count(); ++p) {
        companyPages.setCurrentIndex(p);
        QApplication::processEvents();
        QWidget* page = companyPages.widget(p);
        const QString where = companyPages.tabText(p);
        const auto stops = tabStops(page);
        expectEveryFieldIsAStop(page, stops, where);
        expectReadingOrder(page, stops, where);
    }
    companyPages.setCurrentIndex(0);
    QApplication::processEvents();
    EXPECT_EQ(names(tabStops(companyPages.widget(0))),
              (QStringList{u"ENIP"_s, u"EREGON"_s, u"ESKROT"_s, u"ERHB"_s, u"ENAZWA1"_s,
                           u"ENAZWA2"_s, u"ERP"_s, u"ENAZWISKO"_s, u"EIMIE"_s, u"EPESEL"_s,
                           u"EDATAUR"_s, u"ERD"_s, u"ENRD"_s}));
}

TEST_F(KeyboardTest, F10F8AndCtrlTabWorkFromTheFieldsOfEveryPage) {
    open();
    const std::int64_t before = dane->TRP7.recordCount();
    for (int p = 0; p < pages().count(); ++p) {
        SCOPED_TRACE(p);
        showPage(p);
        ASSERT_TRUE(pages().focusCurrentPage());
        ASSERT_TRUE(pages().widget(p)->isAncestorOf(QApplication::focusWidget()));
        press(Qt::Key_F10);
        EXPECT_EQ(dane->TRP7.recordCount(), before + 1);
        EXPECT_EQ(value(dane->TRP7, "POLE1"), QStringLiteral("Nowy"));
        prompter.queue(MessageResult::Yes);
        press(Qt::Key_F8);
        EXPECT_EQ(dane->TRP7.recordCount(), before);
        // Ctrl+Tab goes on to the next page from where the focus is, and round to the first.
        press(Qt::Key_Tab, Qt::ControlModifier);
        EXPECT_EQ(pages().currentIndex(), (p + 1) % pages().count());
        QApplication::processEvents();
        // The certificate page brings its toolbar command, and takes it away again.
        EXPECT_EQ(window->importButton().isVisible(), pages().currentIndex() == 9);
    }
    // Backwards with Ctrl+Shift+Tab and Ctrl+PgUp, forwards with Ctrl+PgDn.
    pages().focusCurrentPage();
    press(Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(pages().currentIndex(), 9);
    press(Qt::Key_PageUp, Qt::ControlModifier);
    EXPECT_EQ(pages().currentIndex(), 8);
    press(Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(pages().currentIndex(), 9);
    EXPECT_EQ(rows("BAZA/KADRY/RP7").size(), std::size_t(before));
}

TEST_F(KeyboardTest, EnterOnACardOpensItsApplicationAtTheFirstField) {
    open();
    window->XDBGrid1().setFocus();
    press(Qt::Key_Return);
    EXPECT_EQ(pages().currentIndex(), 1);
    ASSERT_NE(QApplication::focusWidget(), nullptr);
    EXPECT_EQ(QApplication::focusWidget()->objectName(), QStringLiteral("KP1"));
}

TEST_F(KeyboardTest, F1OpensTheHelpAtTheTopicOfTheFocusedControl) {
    open();
    auto topics = [&] {
        QStringList out;
        for (const QUrl& url : shell.opened()) {
            EXPECT_TRUE(url.path().endsWith(QStringLiteral("help/lumiro_pomoc.html")))
                << url.toString().toStdString();
            out << url.fragment();
        }
        return out;
    };
    window->Enazwa().setFocus();
    press(Qt::Key_F1);
    window->XDBGrid1().setFocus();
    press(Qt::Key_F1);
    showPage(5);
    pages().focusCurrentPage();
    press(Qt::Key_F1);
    pages().tabBar()->setFocus();
    press(Qt::Key_F1);
    window->menuItem(QStringLiteral("Pomoc"))->trigger();
    EXPECT_EQ(topics(), (QStringList{u"id4"_s, u"id1"_s, u"id1"_s, u"id1"_s, u"id1"_s}));
    EXPECT_TRUE(window->Enazwa().text().isEmpty());

    // The navigator never takes the focus; pointing at it and pressing F1 asks about it.
    QToolButton* next = window->DBNavigator1().button(components::NavigatorButton::Next);
    ASSERT_NE(next, nullptr);
    EXPECT_EQ(components::helpContextForKey(QApplication::focusWidget(), next),
              TKadF::kNavigatorHelp);

    // The payers window has no numbers of its own: F1 there opens the first topic.
    const std::size_t opened = shell.opened().size();
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<TKADF9*>(QApplication::activeModalWidget());
        if (!dialog) return;
        QApplication::setActiveWindow(dialog);
        dialog->XDBGrid1().setFocus();
        press(Qt::Key_F1);
        dialog->close();
    });
    window->openPayers();
    ASSERT_EQ(shell.opened().size(), opened + 1);
    EXPECT_EQ(topics().last(), QStringLiteral("id1"));
}

}  // namespace lumiro::records::test
