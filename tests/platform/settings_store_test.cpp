#include "platform/settings_store.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace lumiro::platform {
namespace {

using namespace Qt::StringLiterals;

const QString kKey = QStringLiteral("SOFTWARE\\VX\\DRUK");

TEST(SettingsStoreTest, ValuesSurviveReopeningTheStore) {
    QTemporaryDir dir;
    const QString ini = dir.path() + u"/lumiro.ini"_s;
    {
        SettingsStore store(kKey, ini);
        EXPECT_FALSE(store.contains(u"Port"_s));
        store.setValue(u"Port"_s, u"LPT2"_s);
        store.setValue(u"Wiersze"_s, 66);
        store.setValue(u"Nagłówek"_s, u"Zażółć gęślą jaźń"_s);
        EXPECT_TRUE(store.sync());
    }
    SettingsStore reopened(kKey, ini);
    EXPECT_EQ(reopened.text(u"Port"_s), u"LPT2"_s);
    EXPECT_EQ(reopened.number(u"Wiersze"_s), 66);
    EXPECT_EQ(reopened.text(u"Nagłówek"_s), u"Zażółć gęślą jaźń"_s);
    reopened.remove(u"Port"_s);
    EXPECT_EQ(reopened.text(u"Port"_s, u"LPT1"_s), u"LPT1"_s);
}

TEST(SettingsStoreTest, KeysDoNotSeeEachOther) {
    QTemporaryDir dir;
    const QString ini = dir.path() + u"/lumiro.ini"_s;
    SettingsStore print(kKey, ini);
    SettingsStore other(u"SOFTWARE\\VX\\INNE"_s, ini);
    print.setValue(u"Port"_s, u"LPT3"_s);
    EXPECT_FALSE(other.contains(u"Port"_s));
}

TEST(SettingsStoreTest, UnreadableNumbersFallBack) {
    QTemporaryDir dir;
    SettingsStore store(kKey, dir.path() + u"/lumiro.ini"_s);
    store.setValue(u"Wiersze"_s, u"sześćdziesiąt"_s);
    EXPECT_EQ(store.number(u"Wiersze"_s, 72), 72);
    EXPECT_EQ(store.number(u"Brak"_s, 72), 72);
}

TEST(SettingsStoreTest, WriteFailureIsReported) {
    QTemporaryDir dir;
    // A plain file where the store's folder should be.
    QFile blocker(dir.path() + u"/plik"_s);
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    SettingsStore store(kKey, dir.path() + u"/plik/lumiro.ini"_s);
    store.setValue(u"Port"_s, u"LPT1"_s);
    EXPECT_FALSE(store.sync());
}

}  // namespace
}  // namespace lumiro::platform
