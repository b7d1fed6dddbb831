#include "platform/gui/jpeg_loader.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace lumiro::platform {
namespace {

using namespace Qt::StringLiterals;

const QString kSplash = QStringLiteral(LUMIRO_PICTURES_DIR "/splash.jpg");

QByteArray readAll(const QString& path) {
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return file.readAll();
}

TEST(JpegLoaderTest, DecodesAValidPicture) {
    const QImage image = loadJpeg(kSplash);
    ASSERT_EQ(image.size(), QSize(480, 270));
    // The artwork is a light gradient: its corner is pale, not black filler.
    const QColor corner = image.pixelColor(2, 2);
    EXPECT_GT(corner.lightness(), 180);
}

TEST(JpegLoaderTest, ReportsFilesThatCannotBeRead) {
    QTemporaryDir dir;
    const QString missing = dir.path() + u"/brak.jpg"_s;
    try {
        loadJpeg(missing);
        FAIL() << "a missing file decoded";
    } catch (const JpegError& error) {
        EXPECT_TRUE(error.message().contains(missing)) << error.message().toStdString();
    }
    EXPECT_THROW(decodeJpeg(QByteArray(), u"pusty.jpg"_s), JpegError);
}

TEST(JpegLoaderTest, RejectsTruncatedPictures) {
    const QByteArray whole = readAll(kSplash);
    for (qsizetype length : {qsizetype(2), qsizetype(300), whole.size() / 2, whole.size() - 2}) {
        try {
            decodeJpeg(whole.left(length), u"splash.jpg"_s);
            ADD_FAILURE() << "a picture cut at " << length << " bytes decoded";
        } catch (const JpegError& error) {
            EXPECT_TRUE(error.message().contains(u"splash.jpg"_s));
        }
    }
}

TEST(JpegLoaderTest, RejectsDataThatIsNotJpeg) {
    QByteArray garbage;
    for (int i = 0; i < 4096; ++i) garbage.append(static_cast<char>((i * 7919 + 13) & 0xFF));
    EXPECT_THROW(decodeJpeg(garbage, u"smieci.jpg"_s), JpegError);
    // A JPEG start marker followed by nonsense.
    EXPECT_THROW(decodeJpeg(QByteArray("\xFF\xD8\xFF\xE0") + garbage, u"x.jpg"_s), JpegError);
    const QByteArray png("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16);
    EXPECT_THROW(decodeJpeg(png, u"obraz.png"_s), JpegError);
}

TEST(JpegLoaderTest, DamagedBytesEitherDecodeOrFailCleanly) {
    const QByteArray whole = readAll(kSplash);
    int rejected = 0;
    for (qsizetype offset = 0; offset < whole.size(); offset += 97) {
        QByteArray damaged = whole;
        damaged[offset] = static_cast<char>(damaged[offset] ^ 0x5A);
        damaged[offset / 2] = static_cast<char>(0xFF);
        try {
            const QImage image = decodeJpeg(damaged, u"splash.jpg"_s);
            EXPECT_FALSE(image.isNull());
        } catch (const JpegError&) {
            ++rejected;
        }
    }
    EXPECT_GT(rejected, 0);
}

}  // namespace
}  // namespace lumiro::platform
