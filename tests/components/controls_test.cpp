#include <QFocusEvent>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

#include "components/data_controls.h"
#include "components/data_navigator.h"
#include "components/table_events.h"
#include "components_fixture.h"
#include "data/table_text.h"

namespace lumiro::components::test {

namespace {

void leave(QWidget* widget) {
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(widget, &out);
}

// QTest::keyClicks knows ASCII only; Polish letters arrive as key events with their text.
void type(QWidget* widget, const QString& text) {
    for (QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &release);
    }
}

}  // namespace

class ControlsTest : public ComponentsFixture {};

TEST_F(ControlsTest, EventsReachEveryListenerAndEarlierCallbacks) {
    openAll();
    int earlier = 0;
    employees.afterScroll = [&](engine::Table&) { ++earlier; };
    int first = 0;
    int second = 0;
    {
        TableSubscription a =
            TableEvents::subscribe(employees, {.scrolled = [&](engine::Table&) { ++first; }});
        TableSubscription b =
            TableEvents::subscribe(employees, {.scrolled = [&](engine::Table&) { ++second; }});
        employees.first();
        EXPECT_EQ(earlier, 1);
        EXPECT_EQ(first, 1);
        EXPECT_EQ(second, 1);
        a.reset();
        employees.last();
        EXPECT_EQ(first, 1);
        EXPECT_EQ(second, 2);
        EXPECT_EQ(TableEvents::listenerCount(employees), 1);
        // The engine's request for typed input comes before the move it belongs to.
        int asked = 0;
        TableSubscription c = TableEvents::subscribe(
            employees, {.scrolled = [&](engine::Table&) { EXPECT_EQ(asked, 1); },
                        .updateRecord = [&](engine::Table&) { ++asked; }});
        employees.first();
        EXPECT_EQ(asked, 1);
    }
    // The last listener gone, the table has its own callback back.
    employees.first();
    EXPECT_EQ(earlier, 4);
    EXPECT_EQ(TableEvents::listenerCount(employees), 0);
    ASSERT_TRUE(employees.afterScroll);
}

TEST_F(ControlsTest, TypingEntersEditAndLeavingKeepsTheTextForThePost) {
    openAll();
    addPayer(1, "Firma");
    addEmployee(1, "Nowy");
    DataSource source(employees, prompter);
    DbEdit edit(&source, QStringLiteral("POLE1"));
    EXPECT_EQ(edit.text(), QStringLiteral("Nowy"));
    EXPECT_EQ(edit.maxLength(), 40);
    EXPECT_EQ(edit.cursorPosition(), 0);  // a long text is shown from its beginning
    QSignalSpy exited(&edit, &DbEdit::exited);
    QSignalSpy changed(&edit, &DbEdit::changed);

    edit.selectAll();
    type(&edit, QStringLiteral("Żółć"));
    EXPECT_EQ(employees.state(), engine::TableState::Edit);
    EXPECT_EQ(changed.count(), 4);
    leave(&edit);
    EXPECT_EQ(exited.count(), 1);
    ASSERT_TRUE(source.post());

    engine::Table check(session);
    check.open(dir.file("RP7"));
    EXPECT_EQ(data::fromTable(check.asString(check.field("POLE1"))), QStringLiteral("Żółć"));
    EXPECT_TRUE(prompter.questions().empty());
}

TEST_F(ControlsTest, TypingIntoAnEmptyTableBeginsItsRow) {
    openAll();
    addPayer(4, "Firma");
    DataSource source(employees, prompter);
    DbEdit edit(&source, QStringLiteral("KP11"));
    QTest::keyClicks(&edit, QStringLiteral("44051401458"));
    EXPECT_EQ(employees.state(), engine::TableState::Insert);
    employees.setValue("NR", integer(1));
    ASSERT_TRUE(source.post());
    EXPECT_EQ(employees.recordCount(), 1);
    EXPECT_EQ(employees.asInteger(employees.field("ZLEC")), 4);  // from the master link
    EXPECT_EQ(employees.asString(employees.field("KP11")), "44051401458");
}

TEST_F(ControlsTest, EditsOnTheSameColumnShowEachOthersTyping) {
    openAll();
    addPayer(1, "Firma");
    addEmployee(1, "Nowy");
    DataSource source(employees, prompter);
    DbEdit first(&source, QStringLiteral("POLE1"));
    DbEdit second(&source, QStringLiteral("POLE1"));
    DbText label(&source, QStringLiteral("POLE1"));
    first.selectAll();
    QTest::keyClicks(&first, QStringLiteral("Kowal"));
    EXPECT_EQ(second.text(), QStringLiteral("Kowal"));
    EXPECT_EQ(label.text(), QStringLiteral("Kowal"));
}

TEST_F(ControlsTest, DateMaskStoresPointsAndEmptyStaysEmpty) {
    openAll();
    addPayer(1, "Firma");
    addEmployee(1, "Nowy");
    DataSource source(employees, prompter);
    DbEdit edit(&source, QStringLiteral("KP8"));
    edit.setEditMask(QStringLiteral("9999.99.99;1; "));
    EXPECT_EQ(edit.editMask().qtMask(), QStringLiteral("0000.00.00; "));

    edit.setCursorPosition(0);
    QTest::keyClicks(&edit, QStringLiteral("20050310"));
    EXPECT_TRUE(edit.hasPendingText());
    leave(&edit);
    EXPECT_EQ(employees.asString(employees.field("KP8")), "2005.03.10");
    ASSERT_TRUE(source.post());
    EXPECT_EQ(edit.displayText(), QStringLiteral("2005.03.10"));

    // Cleared by the user: stored empty, not as two points.
    edit.selectAll();
    QTest::keyClick(&edit, Qt::Key_Delete);
    leave(&edit);
    EXPECT_TRUE(employees.isNull(employees.field("KP8")));
}

TEST_F(ControlsTest, MaskTranslation) {
    EXPECT_EQ(EditMask(QStringLiteral("9999.99.99;1; ")).qtMask(), QStringLiteral("0000.00.00; "));
    const EditMask noLiterals(QStringLiteral("00-000;0;_"));
    EXPECT_EQ(noLiterals.qtMask(), QStringLiteral("99-999;_"));
    EXPECT_EQ(noLiterals.storedText(QStringLiteral("31-542")), QStringLiteral("31542"));
    EXPECT_EQ(EditMask(QStringLiteral(">LL;1;_")).qtMask(), QStringLiteral(">AA;_"));
    // A literal that means something to Qt is escaped.
    EXPECT_EQ(EditMask(QStringLiteral("00\\A;1;_")).qtMask(), QStringLiteral("99\\A;_"));
    EXPECT_TRUE(EditMask(QString()).isEmpty());
}

TEST_F(ControlsTest, AValueThatDoesNotConvertIsReportedAndNotStored) {
    openAll();
    addPayer(1, "Firma");
    addEmployee(1, "Nowy");
    DataSource source(employees, prompter);
    DbEdit amount(&source, QStringLiteral("KWOTA"));
    QSignalSpy exited(&amount, &DbEdit::exited);
    QTest::keyClicks(&amount, QStringLiteral("12x"));
    leave(&amount);
    ASSERT_EQ(prompter.questions().size(), 1u);
    EXPECT_EQ(prompter.questions()[0].icon, platform::MessageIcon::Error);
    EXPECT_TRUE(prompter.questions()[0].text.contains(QStringLiteral("KWOTA")));
    EXPECT_EQ(exited.count(), 0);
    EXPECT_TRUE(amount.hasPendingText());

    amount.clear();
    QTest::keyClicks(&amount, QStringLiteral("1234.5"));
    QTest::keyClick(&amount, Qt::Key_Return);
    EXPECT_DOUBLE_EQ(employees.asFloat(employees.field("KWOTA")), 1234.5);
}

TEST_F(ControlsTest, CheckBoxRadioGroupAndDropDownWriteTheirValues) {
    openAll();
    addPayer(1, "Firma");
    addEmployee(1, "Nowy");
    DataSource source(employees, prompter);
    DbCheckBox check(&source, QStringLiteral("AKT"), QStringLiteral("Aktywny"));
    EXPECT_FALSE(check.isChecked());
    check.click();
    EXPECT_TRUE(employees.asBoolean(employees.field("AKT")));

    DbRadioGroup radio(&source, QStringLiteral("KP8"), QStringLiteral("Płeć"));
    radio.setItems({QStringLiteral("Kobieta"), QStringLiteral("Mężczyzna")},
                   {QStringLiteral("K"), QStringLiteral("M")});
    EXPECT_EQ(radio.checkedItem(), -1);
    radio.findChildren<QAbstractButton*>()[1]->click();
    EXPECT_EQ(employees.asString(employees.field("KP8")), "M");

    DbComboBox kind(&source, QStringLiteral("RP"), true);
    kind.setItems({QStringLiteral("P - Osoba Prawna"), QStringLiteral("F - Osoba Fizyczna")});
    kind.setCurrentIndex(1);
    EXPECT_EQ(employees.asString(employees.field("RP")), "F");
    ASSERT_TRUE(source.post());
    employees.first();
    EXPECT_EQ(kind.currentText(), QStringLiteral("F - Osoba Fizyczna"));
    EXPECT_EQ(radio.checkedItem(), 1);
    EXPECT_TRUE(check.isChecked());
}

TEST_F(ControlsTest, MemoStoresLinesWithCarriageReturns) {
    openAll();
    addPayer(1, "Firma");
    addEmployee(1, "Nowy");
    DataSource source(employees, prompter);
    DbMemo memo(&source, QStringLiteral("POLE1"));
    memo.setPlainText(QStringLiteral("pierwsza\ndruga"));
    leave(&memo);
    EXPECT_EQ(employees.asString(employees.field("POLE1")), "pierwsza\r\ndruga");
    ASSERT_TRUE(source.post());
    EXPECT_EQ(memo.toPlainText(), QStringLiteral("pierwsza\ndruga"));
}

TEST_F(ControlsTest, NavigatorMovesEditsAndAsksBeforeDeleting) {
    openAll();
    addPayer(1, "Firma");
    addEmployee(1, "A");
    addEmployee(2, "B");
    DataSource source(employees, prompter);
    DataNavigator nav(&source);
    nav.setVisibleButtons({NavigatorButton::First, NavigatorButton::Prior, NavigatorButton::Next,
                           NavigatorButton::Last, NavigatorButton::Refresh});
    EXPECT_TRUE(nav.button(NavigatorButton::Insert)->isHidden());
    EXPECT_EQ(nav.button(NavigatorButton::Prior)->toolTip(), QStringLiteral("Góra"));

    nav.press(NavigatorButton::First);
    EXPECT_EQ(employeeName(), "A");
    EXPECT_FALSE(nav.button(NavigatorButton::Prior)->isEnabled());
    nav.press(NavigatorButton::Next);
    EXPECT_EQ(employeeName(), "B");

    // A masked edit's pending text goes into the row before the navigator posts it.
    DbEdit date(&source, QStringLiteral("KP8"));
    date.setEditMask(QStringLiteral("9999.99.99;1; "));
    date.setCursorPosition(0);
    QTest::keyClicks(&date, QStringLiteral("19991231"));
    nav.press(NavigatorButton::Post);
    EXPECT_EQ(employees.state(), engine::TableState::Browse);
    EXPECT_EQ(employees.asString(employees.field("KP8")), "1999.12.31");

    prompter.queue(platform::MessageResult::No);
    nav.press(NavigatorButton::Delete);
    EXPECT_EQ(employees.recordCount(), 2);
    prompter.queue(platform::MessageResult::Yes);
    nav.press(NavigatorButton::Delete);
    EXPECT_EQ(employees.recordCount(), 1);
    EXPECT_EQ(prompter.questions().size(), 2u);
}

TEST_F(ControlsTest, EngineErrorsAreReportedInTheEnginesWords) {
    openAll();
    addPayer(1, "Firma");
    addEmployee(1, "A");
    addEmployee(2, "B");
    DataSource source(employees, prompter);
    ASSERT_TRUE(source.edit());
    employees.setValue("NR", integer(1));  // the key of the other card
    EXPECT_FALSE(source.post());
    ASSERT_EQ(prompter.questions().size(), 1u);
    EXPECT_FALSE(prompter.questions()[0].text.isEmpty());
    EXPECT_EQ(employees.state(), engine::TableState::Edit);
}

}  // namespace lumiro::components::test
