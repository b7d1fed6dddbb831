#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>

#include "components/help_context.h"

namespace lumiro::components::test {

TEST(HelpContextTest, NearestNumberAndWhatF1AsksFor) {
    QWidget window;
    auto* pages = new QWidget(&window);
    auto* page = new QWidget(pages);
    auto* field = new QLineEdit(page);
    auto* search = new QLineEdit(page);
    auto* label = new QLabel(QStringLiteral("etykieta"), page);
    auto* navigator = new QWidget(&window);
    auto* button = new QWidget(navigator);
    auto* plain = new QLineEdit(&window);
    setHelpContext(pages, 1);
    setHelpContext(navigator, 3);
    setHelpContext(search, 4);

    EXPECT_EQ(helpContext(page), 0);
    EXPECT_EQ(nearestHelpContext(field), 1);
    EXPECT_EQ(nearestHelpContext(search), 4);
    EXPECT_EQ(nearestHelpContext(button), 3);
    EXPECT_EQ(nearestHelpContext(plain), 0);
    EXPECT_EQ(nearestHelpContext(nullptr), 0);
    // The number stops at the window: another window's numbers are not this one's.
    QWidget dialog(pages, Qt::Dialog);
    auto* inDialog = new QLineEdit(&dialog);
    EXPECT_EQ(nearestHelpContext(inDialog), 0);

    // F1: the focus decides...
    EXPECT_EQ(helpContextForKey(search, nullptr), 4);
    EXPECT_EQ(helpContextForKey(field, label), 1);  // the label's holder holds the focus too
    EXPECT_EQ(helpContextForKey(search, label), 4);
    EXPECT_EQ(helpContextForKey(plain, field), 0);  // a field that takes the focus is not asked
    // ...except over a control that never takes it, such as the navigator's buttons.
    button->setFocusPolicy(Qt::NoFocus);
    EXPECT_EQ(helpContextForKey(search, button), 3);
    EXPECT_EQ(helpContextForKey(nullptr, button), 3);
    EXPECT_EQ(helpContextForKey(nullptr, nullptr), 0);
    EXPECT_EQ(helpContextForKey(search, inDialog), 4);
    setHelpContext(search, 0);
    EXPECT_EQ(helpContextForKey(search, nullptr), 1);
}

}  // namespace lumiro::components::test
