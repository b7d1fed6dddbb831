// The windows name the desktop entry that is installed, and show the program's icon also
// where no icon theme has it.
#include "app/desktop_identity.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QIcon>

namespace lumiro::app {
namespace {

TEST(DesktopIdentityTest, TheEntryNamedIsTheOneInstalledAndTheIconIsThere) {
    setDesktopIdentity();
    const QString entry = QString::fromUtf16(kDesktopEntry);
    EXPECT_EQ(QGuiApplication::desktopFileName(), entry);

    const QString folder = QStringLiteral(LUMIRO_RESOURCES_DIR "/desktop/");
    EXPECT_TRUE(QFile::exists(folder + entry + QStringLiteral(".desktop")));
    QFile metainfo(folder + entry + QStringLiteral(".metainfo.xml"));
    ASSERT_TRUE(metainfo.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(metainfo.readAll());
    EXPECT_TRUE(text.contains(QStringLiteral("<id>%1</id>").arg(entry)));
    EXPECT_TRUE(text.contains(QStringLiteral(">%1.desktop</launchable>").arg(entry)));

    const QIcon icon = QApplication::windowIcon();
    ASSERT_FALSE(icon.isNull());
    for (int size : {16, 48, 256})
        EXPECT_FALSE(icon.pixmap(QSize(size, size)).isNull()) << size;
}

}  // namespace
}  // namespace lumiro::app
