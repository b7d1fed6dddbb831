// Where the program works and how a new home folder is filled: the installed data go into a
// missing or empty folder once, and never over a folder that holds anything.
#include "app/working_folder.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <optional>

#include "app/command_line.h"

namespace lumiro::app {
namespace {

using namespace Qt::StringLiterals;

// Sets or clears an environment variable for one test and puts the old value back.
class EnvironmentValue {
  public:
    EnvironmentValue(const char* name, std::optional<QString> value) : name_(name) {
        if (qEnvironmentVariableIsSet(name)) old_ = qEnvironmentVariable(name);
        if (value)
            qputenv(name, value->toLocal8Bit());
        else
            qunsetenv(name);
    }
    ~EnvironmentValue() {
        if (old_)
            qputenv(name_, old_->toLocal8Bit());
        else
            qunsetenv(name_);
    }
    EnvironmentValue(const EnvironmentValue&) = delete;
    EnvironmentValue& operator=(const EnvironmentValue&) = delete;

  private:
    const char* name_;
    std::optional<QString> old_;
};

void writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(bytes);
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

class WorkingFolder : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(root.isValid());
        // A small installed data folder laid out as share/lumiro is, read-only as installed
        // files are for their user.
        installed = root.filePath(u"share/lumiro"_s);
        writeFile(installed + u"/install/FIRMA.DB"_s, "firma");
        writeFile(installed + u"/install/KAD.DB"_s, "kad");
        writeFile(installed + u"/install/BAZA/KADRY/KAD.DB"_s, "pracownicy");
        writeFile(installed + u"/LUMIRO/prawo/prawo spis.htm"_s, "prawo");
        writeFile(installed + u"/help/lumiro_pomoc.html"_s, "pomoc");
        QFile::setPermissions(installed + u"/install/FIRMA.DB"_s,
                              QFileDevice::ReadOwner | QFileDevice::ReadGroup);
    }

    QString home(const char* relative = "Lumiro") const {
        return root.filePath(QString::fromUtf8(relative));
    }

    QTemporaryDir root;
    QString installed;
};

TEST_F(WorkingFolder, AStartFolderWithTheCompanyTableIsUsedUnlessHomeIsAsked) {
    WorkingFolderSetup setup;
    setup.startFolder = root.filePath(u"kadry"_s);
    setup.userHome = root.filePath(u"user"_s);
    writeFile(setup.startFolder + u"/firma.db"_s, "firma");  // any letter case

    WorkingFolderChoice choice = chooseWorkingFolder(setup);
    EXPECT_EQ(choice.folder, setup.startFolder);
    EXPECT_FALSE(choice.isHome);

    setup.home = true;
    choice = chooseWorkingFolder(setup);
    EXPECT_EQ(choice.folder, setup.userHome + u"/Lumiro"_s);
    EXPECT_TRUE(choice.isHome);

    // LUMIRO_HOME wins over the user's home and is read from the start folder.
    setup.lumiroHome = u"../dane/./2026"_s;
    choice = chooseWorkingFolder(setup);
    EXPECT_EQ(choice.folder, root.filePath(u"dane/2026"_s));

    // A folder that only has a folder of that name is not a working folder.
    setup = {};
    setup.startFolder = root.filePath(u"inny"_s);
    setup.userHome = root.filePath(u"user"_s);
    QDir().mkpath(setup.startFolder + u"/FIRMA.DB"_s);
    EXPECT_TRUE(chooseWorkingFolder(setup).isHome);
}

TEST_F(WorkingFolder, AMissingFolderIsCreatedAndFilledOnceAndNeverOverwritten) {
    const QString folder = home("a/b/Lumiro");
    PreparedFolder prepared = prepareWorkingFolder(folder, installed);
    ASSERT_TRUE(prepared.ok) << prepared.message.toStdString();
    EXPECT_TRUE(prepared.filled);
    EXPECT_EQ(readFile(folder + u"/FIRMA.DB"_s), "firma");
    EXPECT_EQ(readFile(folder + u"/BAZA/KADRY/KAD.DB"_s), "pracownicy");
    EXPECT_EQ(readFile(folder + u"/LUMIRO/prawo/prawo spis.htm"_s), "prawo");
    EXPECT_EQ(readFile(folder + u"/help/lumiro_pomoc.html"_s), "pomoc");
    EXPECT_FALSE(QFileInfo::exists(folder + u"/install"_s));
    // The user's tables are the user's to change, whatever the installed file's mode.
    EXPECT_TRUE(QFileInfo(folder + u"/FIRMA.DB"_s).isWritable());
    EXPECT_EQ(QDir(folder).entryList(QDir::Hidden | QDir::Files).filter(u".lumiro"_s).size(), 0);

    // The user works; the next start changes nothing of theirs, and brings back only the
    // documents that went missing.
    writeFile(folder + u"/FIRMA.DB"_s, "zmieniona");
    QFile::remove(folder + u"/BAZA/KADRY/KAD.DB"_s);
    QFile::remove(folder + u"/help/lumiro_pomoc.html"_s);
    writeFile(folder + u"/LUMIRO/prawo/prawo spis.htm"_s, "moje notatki");
    prepared = prepareWorkingFolder(folder, installed);
    ASSERT_TRUE(prepared.ok);
    EXPECT_FALSE(prepared.filled);
    EXPECT_EQ(readFile(folder + u"/FIRMA.DB"_s), "zmieniona");
    EXPECT_FALSE(QFileInfo::exists(folder + u"/BAZA/KADRY/KAD.DB"_s));
    EXPECT_EQ(readFile(folder + u"/help/lumiro_pomoc.html"_s), "pomoc");
    EXPECT_EQ(readFile(folder + u"/LUMIRO/prawo/prawo spis.htm"_s), "moje notatki");
}

TEST_F(WorkingFolder, AnEmptyFolderIsFilledButOneHoldingAnyFileIsNot) {
    ASSERT_TRUE(QDir().mkpath(home("pusty")));
    PreparedFolder prepared = prepareWorkingFolder(home("pusty"), installed);
    ASSERT_TRUE(prepared.ok);
    EXPECT_TRUE(prepared.filled);
    EXPECT_TRUE(QFileInfo::exists(home("pusty/KAD.DB")));

    writeFile(home("ukryty/.notatki"), "x");
    prepared = prepareWorkingFolder(home("ukryty"), installed);
    ASSERT_TRUE(prepared.ok);
    EXPECT_FALSE(prepared.filled);
    EXPECT_FALSE(QFileInfo::exists(home("ukryty/FIRMA.DB")));
    EXPECT_TRUE(QFileInfo::exists(home("ukryty/help/lumiro_pomoc.html")));
}

TEST_F(WorkingFolder, FoldersThatCannotBeMadeOrWrittenAreReportedInPolish) {
    // No installed data for a new folder: nothing is created.
    PreparedFolder prepared = prepareWorkingFolder(home("nowy"), root.filePath(u"brak"_s));
    EXPECT_FALSE(prepared.ok);
    EXPECT_TRUE(prepared.message.contains(u"danych instalacyjnych"_s));
    EXPECT_FALSE(QFileInfo::exists(home("nowy")));
    // A folder with data needs none.
    writeFile(home("stary/FIRMA.DB"), "firma");
    EXPECT_TRUE(prepareWorkingFolder(home("stary"), QString()).ok);

    // Under a file no folder can be made.
    writeFile(home("plik"), "x");
    prepared = prepareWorkingFolder(home("plik/Lumiro"), installed);
    EXPECT_FALSE(prepared.ok);
    EXPECT_TRUE(prepared.message.startsWith(u"Nie można utworzyć folderu roboczego"_s))
        << prepared.message.toStdString();
    EXPECT_TRUE(prepared.message.contains(QDir::toNativeSeparators(home("plik/Lumiro"))));

    // A file where the folder should be.
    prepared = prepareWorkingFolder(home("plik"), installed);
    EXPECT_FALSE(prepared.ok);
    EXPECT_TRUE(prepared.message.contains(u"nie jest folderem"_s));
    EXPECT_EQ(readFile(home("plik")), "x");
}

TEST_F(WorkingFolder, AReadOnlyFolderIsReported) {
    writeFile(home("zablokowany/FIRMA.DB"), "firma");
    QFile::setPermissions(home("zablokowany"), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    const bool stillWritable = QFile(home("zablokowany/proba")).open(QIODevice::WriteOnly);
    QFile::remove(home("zablokowany/proba"));
    const PreparedFolder prepared = prepareWorkingFolder(home("zablokowany"), installed);
    QFile::setPermissions(home("zablokowany"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    if (stillWritable) GTEST_SKIP() << "this user writes into read-only folders";
    EXPECT_FALSE(prepared.ok);
    EXPECT_TRUE(prepared.message.startsWith(u"Nie można zapisywać w folderze roboczym"_s));
}

TEST_F(WorkingFolder, AFillThatFailsHalfWayLeavesTheFolderEmptyForTheNextStart) {
    // A dangling link sorts after the tables: they are copied, then the copy fails.
    ASSERT_TRUE(QFile::link(root.filePath(u"nic"_s), installed + u"/install/ZZZ.DB"_s));
    PreparedFolder prepared = prepareWorkingFolder(home(), installed);
    EXPECT_FALSE(prepared.ok);
    EXPECT_TRUE(prepared.message.contains(u"ZZZ.DB"_s)) << prepared.message.toStdString();
    EXPECT_TRUE(QDir(home()).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden |
                                     QDir::System));

    QFile::remove(installed + u"/install/ZZZ.DB"_s);
    prepared = prepareWorkingFolder(home(), installed);
    ASSERT_TRUE(prepared.ok);
    EXPECT_TRUE(prepared.filled);
    EXPECT_EQ(readFile(home("Lumiro/FIRMA.DB")), "firma");
}

TEST_F(WorkingFolder, InstalledDataAreFoundBesideTheProgramOrWhereTheEnvironmentSays) {
    {
        EnvironmentValue data("LUMIRO_DATA_DIR", std::nullopt);
        EXPECT_EQ(findInstalledData(root.filePath(u"bin"_s)), installed);
    }
    {
        EnvironmentValue data("LUMIRO_DATA_DIR", installed);
        EXPECT_EQ(findInstalledData(u"/nowhere/bin"_s), installed);
    }
    {
        // A folder named by the environment that holds no tables is not replaced by another.
        EnvironmentValue data("LUMIRO_DATA_DIR", root.path());
        EXPECT_TRUE(findInstalledData(root.filePath(u"bin"_s)).isEmpty());
    }
}

TEST_F(WorkingFolder, TheFirstStartInATemporaryHomeCreatesLumiroThere) {
    const QString start = root.filePath(u"gdziekolwiek"_s);
    ASSERT_TRUE(QDir().mkpath(start));
    const QString before = QDir::currentPath();
    EnvironmentValue userHome("HOME", root.filePath(u"user"_s));
    EnvironmentValue lumiroHome("LUMIRO_HOME", std::nullopt);
    EnvironmentValue data("LUMIRO_DATA_DIR", installed);
    ASSERT_TRUE(QDir::setCurrent(start));

    const QString stop = enterWorkingFolder(false);
    const QString entered = QDir::currentPath();
    QDir::setCurrent(before);
    EXPECT_TRUE(stop.isEmpty()) << stop.toStdString();
    EXPECT_EQ(entered, root.filePath(u"user/Lumiro"_s));
    EXPECT_EQ(readFile(root.filePath(u"user/Lumiro/KAD.DB"_s)), "kad");
    EXPECT_TRUE(QDir(start).isEmpty());

    // A folder that cannot be made stops the start with its message and stays where it was.
    writeFile(root.filePath(u"zajete"_s), "x");
    EnvironmentValue blocked("LUMIRO_HOME", root.filePath(u"zajete/Lumiro"_s));
    ASSERT_TRUE(QDir::setCurrent(start));
    const QString message = enterWorkingFolder(true);
    const QString stayed = QDir::currentPath();
    QDir::setCurrent(before);
    EXPECT_FALSE(message.isEmpty());
    EXPECT_EQ(stayed, start);
}

TEST(CommandLineTest, WorkingFolderAndInformationOptionsAreTakenOut) {
    const CommandLine line =
        readCommandLine({u"--home"_s, u"rok"_s, u"2004"_s, u"--pdf"_s, u"rp7"_s, u"a.pdf"_s});
    EXPECT_TRUE(line.home);
    EXPECT_FALSE(line.help || line.version);
    EXPECT_EQ(line.rest, (QStringList{u"rok"_s, u"2004"_s, u"--pdf"_s, u"rp7"_s, u"a.pdf"_s}));
    EXPECT_TRUE(readCommandLine({u"rok"_s, u"2004"_s, u"-h"_s}).help);
    EXPECT_TRUE(readCommandLine({u"--version"_s}).version);
    EXPECT_EQ(line.headless, HeadlessRun::Pdf);
    EXPECT_EQ(readCommandLine({u"--import"_s, u"ZAR"_s, u"a.txt"_s}).headless, HeadlessRun::Import);

    // Without a run of its own the program takes "rok YYYY" and Qt's options, nothing else.
    EXPECT_TRUE(
        readCommandLine({u"rok"_s, u"2004"_s, u"-platform"_s, u"xcb"_s, u"--style=Fusion"_s})
            .error.isEmpty());
    for (const QStringList& wrong :
         {QStringList{u"--exprot"_s}, QStringList{u"plik.txt"_s}, QStringList{u"rok"_s},
          QStringList{u"-platform"_s}, QStringList{u"--pdf"_s, u"--import"_s}})
        EXPECT_FALSE(readCommandLine(wrong).error.isEmpty()) << wrong.join(u' ').toStdString();

    const QString help = helpText({u"rp7"_s, u"kp1"_s});
    for (const QString& word : {u"rok RRRR"_s, u"--home"_s, u"--pdf"_s, u"--payer"_s,
                                u"--employee"_s, u"rp7, kp1"_s, u"LUMIRO_HOME"_s, u"~/Lumiro"_s,
                                u"--export"_s, u"--import"_s, u"--columns"_s, u"--utf8"_s})
        EXPECT_TRUE(help.contains(word)) << word.toStdString();
    EXPECT_TRUE(help.endsWith(u'\n'));
    EXPECT_TRUE(
        QRegularExpression(u"^lumiro \\d+\\.\\d+\\.\\d+\n$"_s).match(versionText()).hasMatch())
        << versionText().toStdString();
}

}  // namespace
}  // namespace lumiro::app
