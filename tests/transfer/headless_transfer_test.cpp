// lumiro --export and --import run as a script runs them: the program itself in a working
// folder with the installation's tables, no display, answers on stdout and stderr.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>

#include <filesystem>

#include "engine/session.h"
#include "support/table_rows.h"
#include "support/temp_dir.h"
#include "transfer/limit_rows.h"

namespace lumiro::transfer {
namespace {

struct Outcome {
    int exitCode = -1;
    QString out, err;
};

const char* const kTables[] = {"RP7", "ZAR", "ZAL", "ZAL2", "ZAL3"};

class HeadlessTransfer : public ::testing::Test {
  protected:
    void SetUp() override {
        std::filesystem::copy(LUMIRO_INSTALL_DATA_DIR, dir.path(),
                              std::filesystem::copy_options::recursive);
    }

    std::string table(const char* name) const { return dir.path() + "/BAZA/KADRY/" + name + ".DB"; }

    void addRows(const char* name, const std::vector<lumiro::test::TableRow>& rows) {
        engine::Session session("seed");
        engine::Table t(session);
        t.open(table(name));
        lumiro::test::appendRows(t, rows);
    }

    void seedLimits() {
        addRows("ZLEC", {{{"NR", engine::Value{std::int64_t(7)}}}});
        const std::vector<std::int64_t> numbers = {1, 99999, 2147483647};
        addRows("RP7", test::limitRows(data::rp7Layout(), numbers, 1));
        addRows("ZAR", test::limitRows(data::zarLayout(), numbers, 5));
        addRows("ZAL", test::limitRows(data::zalLayout(), numbers, 2));
        addRows("ZAL2", test::limitRows(data::zal2Layout(), numbers, 2));
        addRows("ZAL3", test::limitRows(data::zal3Layout(), numbers, 2));
    }

    std::vector<lumiro::test::TableRow> rows(const char* name) const {
        return lumiro::test::readRows(table(name));
    }

    Outcome lumiro(const QStringList& arguments) {
        QProcess program;
        // Any window would need a display; there is none.
        const QProcessEnvironment system = QProcessEnvironment::systemEnvironment();
        QProcessEnvironment environment;
        for (const QString& name : system.keys())
            if (name != u"DISPLAY" && name != u"WAYLAND_DISPLAY" && name != u"QT_QPA_PLATFORM")
                environment.insert(name, system.value(name));
        program.setProcessEnvironment(environment);
        program.setWorkingDirectory(QString::fromStdString(dir.path()));
        program.start(QStringLiteral(LUMIRO_EXE), arguments);
        Outcome run;
        if (!program.waitForFinished(60000)) {
            program.kill();
            program.waitForFinished();
            ADD_FAILURE() << "lumiro did not end";
            return run;
        }
        run.exitCode = program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1;
        run.out = QString::fromLocal8Bit(program.readAllStandardOutput());
        run.err = QString::fromLocal8Bit(program.readAllStandardError());
        return run;
    }

    QString path(const QString& name) const {
        return QString::fromStdString(dir.path()) + u'/' + name;
    }
    void writeFile(const QString& name, const QByteArray& bytes) {
        QFile f(path(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QByteArray readFile(const QString& name) const {
        QFile f(path(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    lumiro::test::TempDir dir;
};

TEST_F(HeadlessTransfer, EveryTableGoesOutAndComesBackIdenticalFromTheCommandLine) {
    seedLimits();
    for (const char* encoding : {"", "--utf8"}) {
        for (const char* name : kTables) {
            SCOPED_TRACE(std::string(name) + " " + encoding);
            const auto before = rows(name);
            const QString file = QStringLiteral("%1%2.txt")
                                     .arg(QString::fromLatin1(name), QString::fromLatin1(encoding));
            QStringList exporting = {QStringLiteral("--export"), QString::fromLatin1(name), file};
            if (*encoding) exporting << QString::fromLatin1(encoding);
            const Outcome exported = lumiro(exporting);
            ASSERT_EQ(exported.exitCode, 0) << exported.err.toStdString();
            EXPECT_TRUE(exported.out.contains(QStringLiteral("wierszy %1").arg(before.size())))
                << exported.out.toStdString();
            EXPECT_EQ(readFile(file).startsWith("\xEF\xBB\xBF"), *encoding != 0);

            const Outcome imported =
                lumiro({QStringLiteral("--import"),
                        QString::fromLatin1(name).toLower() + QStringLiteral(".db"), file});
            ASSERT_EQ(imported.exitCode, 0) << imported.err.toStdString();
            EXPECT_TRUE(imported.out.contains(
                QStringLiteral("Dodane wiersze: 0, zmienione: 0, pominięte, bo są już w tabeli: %1")
                    .arg(before.size())))
                << imported.out.toStdString();
            EXPECT_EQ(rows(name), before);
            EXPECT_TRUE(QFile::exists(path(u'z' + file)));
        }
    }
}

TEST_F(HeadlessTransfer, ColumnsCountsAndWhatTheWindowWouldAsk) {
    // Chosen and renamed columns.
    Outcome run =
        lumiro({QStringLiteral("--export"), QStringLiteral("RP7"), QStringLiteral("k.txt"),
                QStringLiteral("--columns"), QStringLiteral("ZLEC;NR;POLE1=NAZWISKO")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(readFile(QStringLiteral("k.txt")).startsWith("ZLEC;NR;NAZWISKO;\r\n"));

    // A changed and a new row: counted on stdout.
    writeFile(QStringLiteral("zar.txt"), "ZLEC;NR;POLE1;POLE2\r\n1;1;2030;10,00\r\n");
    run = lumiro({QStringLiteral("--import"), QStringLiteral("ZAR"), QStringLiteral("zar.txt")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(
        run.out.contains(u"Dodane wiersze: 1, zmienione: 0, pominięte, bo są już w tabeli: 0"))
        << run.out.toStdString();
    EXPECT_TRUE(run.out.contains(u"zzar.txt"));

    // A question the window would ask (a second row of one year) ends the run: nothing is
    // written, the question is the reason, the file keeps its name.
    const auto before = rows("ZAR");
    writeFile(QStringLiteral("zar.txt"), "ZLEC;NR;POLE1;POLE2\r\n1;1;2030;20,00\r\n");
    run = lumiro({QStringLiteral("--import"), QStringLiteral("ZAR"), QStringLiteral("zar.txt")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(u"wiersz 2: płatnik 1, pracownik 1, rok 2030"))
        << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(u"Nic nie zostało zapisane"));
    EXPECT_EQ(rows("ZAR"), before);
    EXPECT_TRUE(QFile::exists(path(QStringLiteral("zar.txt"))));
}

TEST_F(HeadlessTransfer, ARefusedFileWritesNothingAndAWrongCommandLineIsRefused) {
    const auto before = rows("ZAR");
    writeFile(QStringLiteral("zar.txt"),
              "ZLEC;NR;POLE1;POLE2\r\n1;1;2031;1,00\r\n1;1;2032;1,005\r\n"
              "1;1;2033;x\r\n");
    Outcome run =
        lumiro({QStringLiteral("--import"), QStringLiteral("ZAR"), QStringLiteral("zar.txt")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(u"wiersz 3, kolumna POLE2")) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(u"wiersz 4, kolumna POLE2"));
    EXPECT_TRUE(run.out.isEmpty());
    EXPECT_EQ(rows("ZAR"), before);
    EXPECT_TRUE(QFile::exists(path(QStringLiteral("zar.txt"))));

    // Exit 2, the reason and the usage on stderr, no window and nothing written.
    const QStringList wrong[] = {
        {QStringLiteral("--exprot"), QStringLiteral("RP7"), QStringLiteral("x.txt")},
        {QStringLiteral("plik.txt")},
        {QStringLiteral("rok")},
        {QStringLiteral("--export"), QStringLiteral("RP7")},
        {QStringLiteral("--export"), QStringLiteral("RP8"), QStringLiteral("x.txt")},
        {QStringLiteral("--export"), QStringLiteral("RP7"), QStringLiteral("x.txt"),
         QStringLiteral("--columns"), QStringLiteral("NR;BRAK")},
        {QStringLiteral("--import"), QStringLiteral("ZAR"), QStringLiteral("zar.txt"),
         QStringLiteral("--columns"), QStringLiteral("NR")},
        {QStringLiteral("--import"), QStringLiteral("ZAR"), QStringLiteral("zar.txt"),
         QStringLiteral("--pdf"), QStringLiteral("rp7")},
    };
    for (const QStringList& arguments : wrong) {
        SCOPED_TRACE(arguments.join(u' ').toStdString());
        run = lumiro(arguments);
        EXPECT_EQ(run.exitCode, 2) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(u"Użycie")) << run.err.toStdString();
    }
    EXPECT_TRUE(lumiro({QStringLiteral("--exprot")}).err.contains(u"„--exprot”"));
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("x.txt"))));
    EXPECT_EQ(rows("ZAR"), before);
}

}  // namespace
}  // namespace lumiro::transfer
