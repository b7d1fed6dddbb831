#include "platform/gui/qt_prompter.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <functional>

#include <gtest/gtest.h>

namespace lumiro::platform {
namespace {

using namespace Qt::StringLiterals;

struct Seen {
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    QStringList buttonTexts;
};

// Looks at the box once it is up, then closes it the way `close` says.
MessageResult askAndAnswer(QtPrompter& prompter, MessageIcon icon, MessageButtons buttons,
                           Seen& seen, const std::function<void(QMessageBox&)>& close) {
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) {
            ADD_FAILURE() << "no message box is up";
            return;
        }
        seen = {box->windowTitle(), box->text(), box->icon(), box->standardButtons(), {}};
        for (QAbstractButton* button : box->buttons()) seen.buttonTexts << button->text();
        seen.buttonTexts.sort();
        close(*box);
    });
    return prompter.ask(icon, u"Czy usunąć zaznaczone pozycje?"_s, buttons);
}

TEST(QtPrompterTest, ShowsTitleIconAndButtonsAndReturnsTheChoice) {
    QtPrompter prompter;
    prompter.setTitle(u"Lumiro 7.0"_s);
    Seen seen;

    auto yes = askAndAnswer(prompter, MessageIcon::Confirmation, MessageButtons::YesNo, seen,
                            [](QMessageBox& box) { box.button(QMessageBox::Yes)->click(); });
    EXPECT_EQ(yes, MessageResult::Yes);
    EXPECT_EQ(seen.title, u"Lumiro 7.0"_s);
    EXPECT_EQ(seen.text, u"Czy usunąć zaznaczone pozycje?"_s);
    EXPECT_EQ(seen.icon, QMessageBox::Question);
    EXPECT_EQ(seen.buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(seen.buttonTexts,
              (QStringList{u"&Nie"_s, u"&Tak"_s}));  // Polish without Qt's translations

    auto no = askAndAnswer(prompter, MessageIcon::Warning, MessageButtons::YesNo, seen,
                           [](QMessageBox& box) { box.button(QMessageBox::No)->click(); });
    EXPECT_EQ(no, MessageResult::No);
    EXPECT_EQ(seen.icon, QMessageBox::Warning);

    auto ok = askAndAnswer(prompter, MessageIcon::Error, MessageButtons::Ok, seen,
                           [](QMessageBox& box) { box.button(QMessageBox::Ok)->click(); });
    EXPECT_EQ(ok, MessageResult::Ok);
    EXPECT_EQ(seen.icon, QMessageBox::Critical);
    EXPECT_EQ(seen.buttons, QMessageBox::Ok);
}

TEST(QtPrompterTest, ClosingAQuestionWithoutChoosingMeansNo) {
    QtPrompter prompter;
    Seen seen;
    auto result = askAndAnswer(prompter, MessageIcon::Confirmation, MessageButtons::YesNo, seen,
                               [](QMessageBox& box) { box.reject(); });
    EXPECT_EQ(result, MessageResult::No);
}

}  // namespace
}  // namespace lumiro::platform
