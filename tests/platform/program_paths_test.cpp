#include "platform/program_paths.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace lumiro::platform {
namespace {

using namespace Qt::StringLiterals;

TEST(ProgramPathsTest, BackslashesBecomeSingleSeparators) {
    EXPECT_EQ(nativePath(u"BAZA\\KADRY\\KAD.DB"_s), u"BAZA/KADRY/KAD.DB"_s);
    EXPECT_EQ(nativePath(u"C:\\LUMIRO\\\\BAZA\\"_s), u"C:/LUMIRO/BAZA/"_s);
    EXPECT_EQ(nativePath(u"/home/kadry//BAZA\\KADRY"_s), u"/home/kadry/BAZA/KADRY"_s);
    EXPECT_EQ(nativePath(u"\\\\serwer\\dane\\BAZA"_s), u"//serwer/dane/BAZA"_s);
    EXPECT_EQ(nativePath(QString()), QString());
}

TEST(ProgramPathsTest, DataRootPrefixWithOrWithoutSeparator) {
    EXPECT_EQ(joinDataPath(QString(), u"BAZA\\KADRY\\KAD.DB"_s), u"BAZA/KADRY/KAD.DB"_s);
    EXPECT_EQ(joinDataPath(u"C:\\PROGRAM\\"_s, u"BAZA\\KADRY"_s), u"C:/PROGRAM/BAZA/KADRY"_s);
    EXPECT_EQ(joinDataPath(u"C:\\PROGRAM"_s, u"BAZA\\KADRY"_s), u"C:/PROGRAM/BAZA/KADRY"_s);
    EXPECT_EQ(joinDataPath(u"/srv/lumiro/"_s, u"\\BAZA"_s), u"/srv/lumiro/BAZA"_s);
    EXPECT_EQ(joinDataPath(u"/srv/lumiro"_s, u"ImpExp.txt"_s), u"/srv/lumiro/ImpExp.txt"_s);
}

class ProgramPathsOnDiskTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        root_ = dir_.path();
        ASSERT_TRUE(QDir(root_).mkpath(u"Baza/Kadry"_s));
        ASSERT_TRUE(QDir(root_).mkpath(u"Zakł Pracy"_s));
        touch(u"Baza/Kadry/kad.db"_s);
        touch(u"Zakł Pracy/spis.htm"_s);
    }
    void touch(const QString& relative) {
        QFile file(root_ + u'/' + relative);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    // The temporary folder written the program's way: backslashes, trailing separator.
    QString programRoot() const { return QString(root_).replace(u'/', u'\\') + u'\\'; }

    QTemporaryDir dir_;
    QString root_;
};

TEST_F(ProgramPathsOnDiskTest, FindsFilesAndFoldersWhateverTheCase) {
    EXPECT_EQ(findExisting(programRoot() + u"BAZA\\KADRY\\KAD.DB"_s),
              root_ + u"/Baza/Kadry/kad.db"_s);
    EXPECT_EQ(findExisting(programRoot() + u"baza\\KADRY\\"_s), root_ + u"/Baza/Kadry"_s);
    EXPECT_EQ(findExisting(joinDataPath(programRoot(), u"ZAKŁ PRACY\\SPIS.HTM"_s)),
              root_ + u"/Zakł Pracy/spis.htm"_s);
    EXPECT_EQ(findExisting(root_ + u"/Baza/Kadry/kad.db"_s), root_ + u"/Baza/Kadry/kad.db"_s);
}

TEST_F(ProgramPathsOnDiskTest, ExactSpellingWinsOverOtherCases) {
    touch(u"Baza/Kadry/KAD.DB"_s);
    EXPECT_EQ(findExisting(programRoot() + u"BAZA\\KADRY\\KAD.DB"_s),
              root_ + u"/Baza/Kadry/KAD.DB"_s);
    EXPECT_EQ(findExisting(programRoot() + u"BAZA\\KADRY\\kad.db"_s),
              root_ + u"/Baza/Kadry/kad.db"_s);
}

TEST_F(ProgramPathsOnDiskTest, MissingComponentsAreReportedAndKeptAsWritten) {
    EXPECT_FALSE(findExisting(programRoot() + u"BAZA\\KADRY\\RP7.DB"_s));
    EXPECT_FALSE(findExisting(programRoot() + u"BAZA\\ARCHIWUM\\KAD.DB"_s));
    EXPECT_FALSE(findExisting(QString()));

    EXPECT_EQ(resolvePath(programRoot() + u"BAZA\\KADRY\\RP7.DB"_s),
              root_ + u"/Baza/Kadry/RP7.DB"_s);
    EXPECT_EQ(resolvePath(programRoot() + u"baza\\ARCHIWUM\\2026\\KAD.DB"_s),
              root_ + u"/Baza/ARCHIWUM/2026/KAD.DB"_s);
}

TEST_F(ProgramPathsOnDiskTest, RelativePathsResolveAgainstTheWorkingFolder) {
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(root_));
    EXPECT_EQ(findExisting(u"BAZA\\KADRY\\KAD.DB"_s), u"Baza/Kadry/kad.db"_s);
    EXPECT_EQ(resolvePath(u"baza\\nowy.db"_s), u"Baza/nowy.db"_s);
    QDir::setCurrent(previous);
}

}  // namespace
}  // namespace lumiro::platform
