#include "app/desktop_identity.h"

#include <QApplication>
#include <QIcon>

namespace lumiro::app {

void setDesktopIdentity() {
    QGuiApplication::setDesktopFileName(QString::fromUtf16(kDesktopEntry));
    QIcon compiledIn;
    for (int size : {16, 32, 48, 256})
        compiledIn.addFile(QStringLiteral(":/icons/%1x%1/apps/lumiro.png").arg(size),
                           QSize(size, size));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("lumiro"), compiledIn));
}

}  // namespace lumiro::app
