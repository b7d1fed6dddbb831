#include "platform/gui/qt_prompter.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace lumiro::platform {

MessageResult QtPrompter::ask(MessageIcon icon, const QString& text, MessageButtons buttons) {
    QMessageBox box(QApplication::activeWindow());
    switch (icon) {
        case MessageIcon::Error:
            box.setIcon(QMessageBox::Critical);
            break;
        case MessageIcon::Warning:
            box.setIcon(QMessageBox::Warning);
            break;
        case MessageIcon::Information:
            box.setIcon(QMessageBox::Information);
            break;
        case MessageIcon::Confirmation:
            box.setIcon(QMessageBox::Question);
            break;
    }
    box.setWindowTitle(title());
    box.setText(text);
    if (buttons == MessageButtons::Ok) {
        box.setStandardButtons(QMessageBox::Ok);
        box.button(QMessageBox::Ok)->setText(QStringLiteral("OK"));
        box.exec();
        return MessageResult::Ok;
    }
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    // The program speaks Polish whether or not Qt's own translations are installed.
    box.button(QMessageBox::Yes)->setText(QStringLiteral("&Tak"));
    box.button(QMessageBox::No)->setText(QStringLiteral("&Nie"));
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes ? MessageResult::Yes : MessageResult::No;
}

}  // namespace lumiro::platform
