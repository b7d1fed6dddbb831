#include "app/about_window.h"
#include "app/information_window.h"
#include "app/link_label.h"
#include "data/information_notes.h"
#include "platform/shell_open.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>

#include <algorithm>

#include <gtest/gtest.h>

namespace lumiro::app {
namespace {

using namespace Qt::StringLiterals;

TEST(InformationWindowTest, EachOpeningShowsOnlyTheNoteItsCallerAsksFor) {
    TKadF1 window;
    EXPECT_EQ(window.windowTitle(), u"INFORMACJA  "_s);
    EXPECT_TRUE(window.isModal());
    EXPECT_EQ(window.Drukuj().text(), u"Drukuj"_s);
    EXPECT_FALSE(window.Drukuj().isEnabled());
    EXPECT_EQ(window.visibleMemo(), nullptr);

    window.showNote(data::InformationNote::Kp1);
    window.show();
    QCoreApplication::processEvents();
    window.grab();
    EXPECT_EQ(window.visibleMemo(), &window.Memo1());
    window.hide();
    EXPECT_EQ(window.visibleMemo(), nullptr);

    // Rp-6 after Kp-1 shows the Rp-6 note alone.
    window.showNote(data::InformationNote::Rp6);
    window.show();
    QCoreApplication::processEvents();
    window.grab();
    EXPECT_TRUE(window.Memo2().isVisible());
    EXPECT_FALSE(window.Memo1().isVisible());
    EXPECT_FALSE(window.Memo3().isVisible());
    EXPECT_EQ(window.Memo2().toPlainText(),
              data::informationNoteLines(data::InformationNote::Rp6).join(u'\n'));
    EXPECT_EQ(window.Memo2().verticalScrollBar()->value(), 0) << "the title must be in view";
    EXPECT_TRUE(window.Memo2().isReadOnly());
    EXPECT_EQ(window.Memo2().verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    // The window is wide enough that no hand-broken line is broken again.
    EXPECT_EQ(window.Memo2().document()->lineCount(), window.Memo2().document()->blockCount());
    window.hide();

    window.showNote(data::InformationNote::Rp7);
    window.show();
    EXPECT_EQ(window.visibleMemo(), &window.Memo3());
    EXPECT_EQ(window.Memo3().lineWrapMode(), QPlainTextEdit::NoWrap);
    EXPECT_EQ(window.Memo3().toPlainText().split(u'\n').size(), 80);
    window.hide();
}

TEST(AboutWindowTest, ShowsTheMakerAndOpensItsLinks) {
    platform::RecordingShellOpener shell;
    TKadF3 window(shell);
    EXPECT_EQ(window.windowTitle(), u"Informacja o programie"_s);
    EXPECT_TRUE(window.isModal());

    QStringList texts;
    for (const QLabel* label : window.findChildren<QLabel*>()) texts << label->text();
    for (const QString& expected : {u"Program Lumiro"_s, u"Zamówienia:"_s, u"Autor: "_s,
                                    u"Telefon :"_s, u"Strony WWW:"_s, u"Email:"_s}) {
        EXPECT_TRUE(texts.contains(expected)) << expected.toStdString();
    }
    EXPECT_TRUE(std::any_of(texts.begin(), texts.end(),
                            [](const QString& t) { return t.startsWith(u">VX< Bertwald\n"_s); }));

    window.orderLink().click();
    window.webLink().click();
    window.emailLink().click();
    const std::vector<QUrl> expected{QUrl(u"https://lumiro.example.pl/zamowienia"_s),
                                     QUrl(u"https://lumiro.example.pl"_s),
                                     QUrl(u"mailto:biuro@lumiro.example.pl"_s)};
    EXPECT_EQ(shell.opened(), expected);
    // Each link opens its own text, so what the user reads is where they go.
    EXPECT_EQ(QUrl(window.webLink().text()), expected[1]);
}

}  // namespace
}  // namespace lumiro::app

// The index window keeps these windows as children beside its other dialogs (the payers
// window among them) and finds them again by their type: another dialog must not be taken
// for them.
TEST(InformationWindowTest, KeptWindowsAreFoundByTheirOwnTypeOnly) {
    QWidget owner;
    lumiro::platform::RecordingShellOpener shell;
    new QDialog(&owner);
    EXPECT_EQ(owner.findChild<lumiro::app::TKadF1*>(), nullptr);
    EXPECT_EQ(owner.findChild<lumiro::app::TKadF3*>(), nullptr);
    auto* information = new lumiro::app::TKadF1(&owner);
    auto* about = new lumiro::app::TKadF3(shell, &owner);
    EXPECT_EQ(owner.findChild<lumiro::app::TKadF1*>(), information);
    EXPECT_EQ(owner.findChild<lumiro::app::TKadF3*>(), about);
}
