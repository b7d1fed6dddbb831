// lumiro --pdf as a user runs it in a working folder: the pages printing would send, in print
// order with every reverse side, exit status 0, 1 or 2 with one sentence, and no file but a
// whole one.
#include <gtest/gtest.h>

#include <string_view>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <filesystem>

#include "pdf_probe.h"
#include "platform/prompter.h"
#include "printouts/document_label.h"
#include "printouts/preview_window.h"
#include "printouts/print_commands.h"
#include "printouts/rp7_forms.h"
#include "records/records_fixture.h"
#include "support/temp_dir.h"

namespace lumiro::printouts {
namespace {

struct Outcome {
    int status = -1;
    QString stderrText;
    QString stdoutText;
};

class PdfCommand : public ::testing::Test {
  protected:
    void SetUp() override {
        std::filesystem::copy(LUMIRO_INSTALL_DATA_DIR, dir.path(),
                              std::filesystem::copy_options::recursive);
    }

    Outcome lumiro(const QStringList& arguments) {
        QProcess process;
        process.setWorkingDirectory(QString::fromStdString(dir.path()));
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("QT_QPA_PLATFORM"));  // the command chooses its own
        environment.remove(QStringLiteral("DISPLAY"));
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(LUMIRO_EXE), arguments);
        EXPECT_TRUE(process.waitForFinished(60000));
        return {process.exitCode(),
                QString::fromLocal8Bit(process.readAllStandardError()).trimmed(),
                QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed()};
    }

    QString path(const char* name) const { return QString::fromStdString(dir.file(name)); }

    test::TempDir dir;
};

TEST_F(PdfCommand, EveryEmployeeWithEveryReverseSideInPrintOrder) {
    const Outcome run = lumiro({QStringLiteral("--pdf"), QStringLiteral("rp7"), path("rp7.pdf")});
    ASSERT_EQ(run.status, 0) << run.stderrText.toStdString();
    EXPECT_TRUE(run.stderrText.isEmpty()) << run.stderrText.toStdString();
    const auto pages = test::readPdfWords(path("rp7.pdf"));
    ASSERT_EQ(pages.size(), 8u);  // four employees, both pages each
    const char* names[] = {"Kowalska", "Wiśniewski", "Zając", "Dąbrowski"};
    for (std::size_t e = 0; e < 4; ++e) {
        EXPECT_FALSE(pages[2 * e].find(QString::fromUtf8(names[e])).empty()) << names[e];
        EXPECT_TRUE(pages[2 * e].text().contains(QStringLiteral("ZAŚWIADCZENIE O ZATRUDNIENIU")));
        EXPECT_TRUE(pages[2 * e + 1].text().contains(QStringLiteral("4. Pracodawca")));
    }
    bool embedded = true;
    for (const auto& font : test::readPdfFonts(path("rp7.pdf")))
        embedded = embedded && font.embedded;
    EXPECT_TRUE(embedded);
}

TEST_F(PdfCommand, EveryDocumentInItsPrintOrder) {
    struct Case {
        const char* document;
        std::size_t pages;  // for the four demonstration employees
        const char* firstPageText;
    };
    // Kp-1 and Rp-7 have two pages each; Rp-6's information page needs the information, which
    // the demonstration data leave off; the list is one page for all four.
    for (const Case& c : {Case{"kp1", 8, "WNIOSEK"}, Case{"rp6", 4, "KWESTIONARIUSZ"},
                          Case{"zalacznik", 4, "Załącznik"}, Case{"zaswiadczenie", 4, "ZAŚWIADCZENIE"}}) {
        const QString file = path(c.document) + QStringLiteral(".pdf");
        const Outcome run = lumiro({QStringLiteral("--pdf"), QString::fromUtf8(c.document), file});
        ASSERT_EQ(run.status, 0) << c.document << run.stderrText.toStdString();
        const auto pages = test::readPdfWords(file);
        ASSERT_EQ(pages.size(), c.pages) << c.document;
        const std::size_t perEmployee = c.pages / 4;
        const char* names[] = {"Kowalska", "Wiśniewski", "Zając", "Dąbrowski"};
        // The certificate prints the certificate row, which only Małgorzata Zając has.
        const bool certificate = std::string_view(c.document) == "zaswiadczenie";
        for (std::size_t e = 0; e < 4; ++e)
            EXPECT_EQ(pages[perEmployee * e].find(QString::fromUtf8(names[e])).empty(), certificate && e != 2)
                << c.document << " " << names[e];
        EXPECT_TRUE(pages[0].text().contains(QString::fromUtf8(c.firstPageText), Qt::CaseInsensitive))
            << c.document << pages[0].text().toStdString();
    }
    const Outcome list = lumiro({QStringLiteral("--pdf"), QStringLiteral("wykaz"), path("wykaz.pdf"),
                                 QStringLiteral("--employee"), QStringLiteral("3"), QStringLiteral("--employee"),
                                 QStringLiteral("1"), QStringLiteral("--list-number"), QStringLiteral("12/2005"),
                                 QStringLiteral("--list-date"), QStringLiteral("2005.04.01")});
    ASSERT_EQ(list.status, 0) << list.stderrText.toStdString();
    const auto pages = test::readPdfWords(path("wykaz.pdf"));
    ASSERT_EQ(pages.size(), 1u);
    const QString text = pages[0].text();
    EXPECT_TRUE(text.contains(QStringLiteral("12/2005"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("2005.04.01")));
    EXPECT_TRUE(text.contains(QStringLiteral("Zając")));
    EXPECT_TRUE(text.contains(QStringLiteral("Kowalska")));
    EXPECT_FALSE(text.contains(QStringLiteral("Wiśniewski")));
}

TEST_F(PdfCommand, ChosenPayerAndEmployees) {
    const Outcome run =
        lumiro({QStringLiteral("--pdf"), QStringLiteral("rp7"), path("one.pdf"),
                QStringLiteral("--payer"), QStringLiteral("1"), QStringLiteral("--employee"),
                QStringLiteral("3"), QStringLiteral("--employee"), QStringLiteral("1")});
    ASSERT_EQ(run.status, 0) << run.stderrText.toStdString();
    const auto pages = test::readPdfWords(path("one.pdf"));
    ASSERT_EQ(pages.size(), 4u);
    EXPECT_FALSE(pages[0].find(QStringLiteral("Zając")).empty());
    EXPECT_FALSE(pages[2].find(QStringLiteral("Kowalska")).empty());
}

// A file an office can file: what it is, whose it is, and what made it.
TEST_F(PdfCommand, TheFileCarriesItsTitleThePayerAsAuthorAndLumiroAsCreator) {
    Outcome run = lumiro({QStringLiteral("--pdf"), QStringLiteral("rp7"), path("one.pdf"),
                          QStringLiteral("--employee"), QStringLiteral("1")});
    ASSERT_EQ(run.status, 0) << run.stderrText.toStdString();
    EXPECT_EQ(test::pdfInfo(path("one.pdf"), QStringLiteral("Title")),
              QStringLiteral("ZUS Rp-7 – Kowalska Anna"));
    const QString author = test::pdfInfo(path("one.pdf"), QStringLiteral("Author"));
    EXPECT_FALSE(author.isEmpty());
    EXPECT_EQ(test::pdfInfo(path("one.pdf"), QStringLiteral("Creator")), QStringLiteral("Lumiro"));

    run = lumiro({QStringLiteral("--pdf"), QStringLiteral("wykaz"), path("wykaz.pdf"),
                  QStringLiteral("--list-number"), QStringLiteral("5"),
                  QStringLiteral("--list-year"), QStringLiteral("2026")});
    ASSERT_EQ(run.status, 0) << run.stderrText.toStdString();
    EXPECT_EQ(test::pdfInfo(path("wykaz.pdf"), QStringLiteral("Title")),
              QStringLiteral("Wykaz ubezpieczonych nr 5/2026"));
    EXPECT_EQ(test::pdfInfo(path("wykaz.pdf"), QStringLiteral("Author")), author);
}

// One file per employee, named by the document, the employee and the PESEL, each with its own
// pages and title; the list of files on standard output. Nothing of the user's in the folder is
// touched, and a name already taken there is not written over.
TEST_F(PdfCommand, EachWritesOneFilePerEmployeeAndNeverOverAUsersFile) {
    const QString folder = path("wnioski");
    ASSERT_TRUE(QDir().mkpath(folder));
    {
        QFile mine(folder + QStringLiteral("/moje notatki.pdf"));
        ASSERT_TRUE(mine.open(QIODevice::WriteOnly));
        mine.write("moje");
    }
    const QStringList arguments{
        QStringLiteral("--pdf"),      QStringLiteral("rp7"),        folder,
        QStringLiteral("--each"),     QStringLiteral("--employee"), QStringLiteral("1"),
        QStringLiteral("--employee"), QStringLiteral("2"),          QStringLiteral("--employee"),
        QStringLiteral("3")};
    Outcome run = lumiro(arguments);
    ASSERT_EQ(run.status, 0) << run.stderrText.toStdString();
    const QStringList written = run.stdoutText.split(u'\n');
    ASSERT_EQ(written.size(), 3) << run.stdoutText.toStdString();
    const char* names[] = {"Kowalska Anna", "Wiśniewski Józef", "Zając Małgorzata"};
    for (int e = 0; e < 3; ++e) {
        const QString file = written[e];
        SCOPED_TRACE(file.toStdString());
        const QString name = QFileInfo(file).fileName();
        EXPECT_TRUE(name.startsWith(QStringLiteral("Rp-7 ") + QString::fromUtf8(names[e]) + u' '));
        EXPECT_TRUE(name.endsWith(QStringLiteral(".pdf")));
        EXPECT_EQ(QFileInfo(file).absolutePath(), QFileInfo(folder).absoluteFilePath());
        EXPECT_EQ(test::pdfPageCount(file), 2);
        EXPECT_EQ(test::pdfInfo(file, QStringLiteral("Title")),
                  QStringLiteral("ZUS Rp-7 – ") + QString::fromUtf8(names[e]));
        const auto pages = test::readPdfWords(file);
        ASSERT_EQ(pages.size(), 2u);
        EXPECT_FALSE(pages[0].find(QString::fromUtf8(names[e]).section(u' ', 0, 0)).empty());
    }
    QStringList inFolder = QDir(folder).entryList(QDir::Files);
    EXPECT_EQ(inFolder.size(), 4);
    QFile mine(folder + QStringLiteral("/moje notatki.pdf"));
    ASSERT_TRUE(mine.open(QIODevice::ReadOnly));
    EXPECT_EQ(mine.readAll(), QByteArray("moje"));
    mine.close();

    // Again into the same folder: the files there are not replaced, and nothing is written.
    const QDateTime before = QFileInfo(written[0]).lastModified();
    run = lumiro(arguments);
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.stderrText.contains(QFileInfo(written[0]).fileName()))
        << run.stderrText.toStdString();
    EXPECT_FALSE(run.stderrText.contains(u'\n'));
    EXPECT_EQ(QFileInfo(written[0]).lastModified(), before);
    EXPECT_EQ(QDir(folder).entryList(QDir::Files).size(), 4);

    // The list of insured is one document for all of them.
    run = lumiro(
        {QStringLiteral("--pdf"), QStringLiteral("wykaz"), folder, QStringLiteral("--each")});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(QDir(folder).entryList(QDir::Files).size(), 4);
}

TEST_F(PdfCommand, FailuresSayOneSentenceAndLeaveNoFile) {
    // A wrong command line.
    Outcome run = lumiro({QStringLiteral("--pdf"), QStringLiteral("rp9"), path("x.pdf")});
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(run.stderrText.startsWith(QStringLiteral("Nieznany dokument")))
        << run.stderrText.toStdString();
    EXPECT_FALSE(run.stderrText.contains(u'\n'));
    run = lumiro({QStringLiteral("--pdf"), QStringLiteral("rp7")});
    EXPECT_EQ(run.status, 2);
    run = lumiro({QStringLiteral("--pdf"), QStringLiteral("rp7"), path("x.pdf"),
                  QStringLiteral("--employee"), QStringLiteral("abc")});
    EXPECT_EQ(run.status, 2);
    EXPECT_FALSE(QFile::exists(path("x.pdf")));

    // Data that is not there: the file that was there stays as it was.
    {
        QFile old(path("x.pdf"));
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("stary");
    }
    run = lumiro({QStringLiteral("--pdf"), QStringLiteral("rp7"), path("x.pdf"),
                  QStringLiteral("--payer"), QStringLiteral("9")});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.stderrText, QStringLiteral("Nie ma płatnika o numerze 9."));
    QFile kept(path("x.pdf"));
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), QByteArray("stary"));

    // An output folder that does not exist.
    run = lumiro({QStringLiteral("--pdf"), QStringLiteral("rp7"), path("brak/x.pdf")});
    EXPECT_EQ(run.status, 1);
    EXPECT_FALSE(run.stderrText.isEmpty());
    EXPECT_FALSE(QFile::exists(path("brak/x.pdf")));
}

TEST_F(PdfCommand, AStartUpWarningEndsTheRunInsteadOfWaitingForOk) {
    // A year folder without the chosen year: the start would warn and change the year.
    ASSERT_TRUE(QDir(QString::fromStdString(dir.path())).mkpath(QStringLiteral("2003/KADRY")));
    const Outcome run = lumiro({QStringLiteral("--pdf"), QStringLiteral("rp7"), path("x.pdf"),
                                QStringLiteral("rok"), QStringLiteral("2004")});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.stderrText.startsWith(QStringLiteral("Brak otwartego roku : 2004")))
        << run.stderrText.toStdString();
    EXPECT_FALSE(run.stderrText.contains(u'\n'));
    EXPECT_FALSE(QFile::exists(path("x.pdf")));
}

// The preview's "Zapisz jako PDF" writes the pages the command writes.
class PreviewAndCommand : public records::test::RecordsFixture {};

TEST_F(PreviewAndCommand, PreviewSavesTheSamePageAsTheCommand) {
    start();
    reports::RecordingTarget target;
    PrintServices services;
    services.dane = dane.get();
    services.prompter = &prompter;
    services.target = &target;
    QString saved;
    services.preview = [&](ReportForm& form, const DocumentLabel& label) {
        PreviewWindow preview([&form] { return form.generate(); }, target, prompter,
                              {form.documentName(), label.fileName, label.title, label.author});
        preview.setFileChooser([&](QWidget*, const QString& suggested) {
            saved = QString::fromStdString(dir.file(suggested.toStdString()));
            return saved;
        });
        ASSERT_TRUE(preview.load());
        ASSERT_TRUE(preview.saveAsPdf());
    };
    PrintCommands commands(services);
    dane->TRP7.first();
    commands.Podgldwydrukustr11Click();
    ASSERT_TRUE(QFile::exists(saved)) << saved.toStdString();
    EXPECT_TRUE(saved.endsWith(QStringLiteral("/Rp-7 Kowalska Anna.pdf")));
    EXPECT_EQ(test::pdfInfo(saved, QStringLiteral("Title")),
              QStringLiteral("ZUS Rp-7 – Kowalska Anna"));

    QProcess process;
    process.setWorkingDirectory(QString::fromStdString(dir.path()));
    const QString commandPdf = QString::fromStdString(dir.file("command.pdf"));
    process.start(QStringLiteral(LUMIRO_EXE),
                  {QStringLiteral("--pdf"), QStringLiteral("rp7"), commandPdf,
                   QStringLiteral("--employee"), QStringLiteral("1")});
    ASSERT_TRUE(process.waitForFinished(60000));
    ASSERT_EQ(process.exitCode(), 0);
    const auto fromPreview = test::readPdfWords(saved);
    const auto fromCommand = test::readPdfWords(commandPdf);
    ASSERT_EQ(fromPreview.size(), 1u);
    ASSERT_EQ(fromCommand.size(), 2u);
    EXPECT_EQ(fromPreview[0].text(), fromCommand[0].text());
}

}  // namespace
}  // namespace lumiro::printouts
