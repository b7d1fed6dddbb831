// The preview window offscreen: its pages, zoom and navigation, printing again from it and
// saving the shown pages as PDF.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFileInfo>
#include <QLabel>
#include <QScrollArea>
#include <QTimer>
#include <QToolButton>
#include <QtTest/QTest>

#include "pdf_probe.h"
#include "platform/prompter.h"
#include "printouts/preview_window.h"
#include "reports/print_target.h"
#include "reports/report.h"
#include "support/temp_dir.h"

namespace lumiro::printouts {
namespace {

using reports::BandKind;

// A list of insured of 40 rows over three pages: the report hook resets the numbering and
// the row hook numbers the rows, as the real list does.
struct ListReport {
    reports::Report report;
    reports::FixedRows rows;
    int runs = 0;
    int counter = 0;

    ListReport() {
        report.addBand(BandKind::Title, 115.4)
            .addLabel({}, QRectF(0, 60, 190, 8), QStringLiteral("WYKAZ"))
            .align(Qt::AlignHCenter | Qt::AlignTop);
        reports::Band& row = report.addBand(BandKind::SubDetail, 6.6);
        row.rowSource = QStringLiteral("WRP7");
        reports::Element& number =
            row.addLabel(QStringLiteral("pozycja"), QRectF(5.3, 0, 13, 6.6), {});
        number.framed();
        row.addField({}, QRectF(18.5, 0, 60.6, 6.6), {}, QStringLiteral("POLE1")).framed();
        row.addRule(QPointF(0, 6.6), QPointF(190, 6.6));
        row.beforePrint = [this, &number](reports::Band&) {
            number.caption = QString::number(++counter);
            return true;
        };
        report.beforePrint = [this](reports::Report&) {
            ++runs;
            counter = 0;
        };
        for (int i = 1; i <= 40; ++i)
            rows.append({{QStringLiteral("POLE1"), QStringLiteral("Ubezpieczony%1").arg(i)}});
    }
    reports::Document generate() {
        return report.generate(reports::Sources().addRows(QStringLiteral("WRP7"), rows));
    }
};

class PreviewTest : public ::testing::Test {
  protected:
    PreviewTest()
        : window([this] { return list.generate(); }, printer, prompter,
                 {QStringLiteral("Wykaz ubezpieczonych"), QStringLiteral("Wykaz 7/2004.pdf"),
                  QStringLiteral("Wykaz ubezpieczonych nr 7/2004"),
                  QStringLiteral("Przedsiębiorstwo Żółć")}) {
        window.resize(800, 900);
        window.setFileChooser([this](QWidget*, const QString& suggested) {
            suggestions.push_back(suggested);
            return answer;
        });
    }

    QToolButton* button(const char* name) {
        return window.findChild<QToolButton*>(QString::fromLatin1(name));
    }
    PageView* view() { return window.findChild<PageView*>(); }
    QScrollArea* scroll() { return window.findChild<QScrollArea*>(); }

    ListReport list;
    reports::RecordingTarget printer;
    platform::ScriptedPrompter prompter;
    PreviewWindow window;
    std::vector<QString> suggestions;
    QString answer;
    test::TempDir dir;
};

TEST_F(PreviewTest, ShowsThePagesAndMovesBetweenThemByButtonsAndKeys) {
    ASSERT_TRUE(window.load());
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    ASSERT_EQ(window.pageCount(), 2);
    EXPECT_EQ(window.pageCaption(), QStringLiteral("Strona 1 z 2"));
    EXPECT_FALSE(button("poprzednia")->isEnabled());
    EXPECT_FALSE(button("pierwsza")->isEnabled());
    EXPECT_TRUE(button("nastepna")->isEnabled());
    EXPECT_EQ(view()->page(), &window.document().pages[0]);

    button("nastepna")->click();
    EXPECT_EQ(window.currentPage(), 1);
    EXPECT_EQ(view()->page(), &window.document().pages[1]);
    EXPECT_FALSE(button("ostatnia")->isEnabled());
    button("nastepna")->click();  // no further page
    EXPECT_EQ(window.currentPage(), 1);

    QTest::keyClick(&window, Qt::Key_PageUp);
    EXPECT_EQ(window.pageCaption(), QStringLiteral("Strona 1 z 2"));
    QTest::keyClick(&window, Qt::Key_End);
    EXPECT_EQ(window.currentPage(), 1);
    QTest::keyClick(&window, Qt::Key_Home);
    EXPECT_EQ(window.currentPage(), 0);
    // PgDn moves the page even with the scroll area focused, which would scroll instead.
    scroll()->setFocus();
    QTest::keyClick(scroll(), Qt::Key_PageDown);
    EXPECT_EQ(window.currentPage(), 1);
    EXPECT_TRUE(window.findChild<QLabel*>(QStringLiteral("strona"))->text() ==
                QStringLiteral("Strona 2 z 2"));
}

TEST_F(PreviewTest, ZoomsToThePageToItsWidthAndToItsSizeOnPaper) {
    ASSERT_TRUE(window.load());
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    const double dotsPerMm = window.logicalDpiX() / 25.4;

    button("rozmiarRzeczywisty")->click();
    EXPECT_EQ(window.zoomMode(), PreviewWindow::ZoomMode::Fixed);
    EXPECT_NEAR(view()->paperRect().width(), 210 * dotsPerMm, 1);
    EXPECT_NEAR(view()->paperRect().height(), 297 * dotsPerMm, 1);

    QTest::keyClick(&window, Qt::Key_Plus);
    EXPECT_DOUBLE_EQ(window.zoom(), 1.25);
    QTest::keyClick(&window, Qt::Key_Minus);
    QTest::keyClick(&window, Qt::Key_Minus);
    EXPECT_DOUBLE_EQ(window.zoom(), 0.75);
    EXPECT_EQ(window.findChild<QLabel*>(QStringLiteral("skala"))->text(), QStringLiteral("75 %"));

    button("calaStrona")->click();
    const QSize room = scroll()->viewport()->size();
    EXPECT_LE(view()->height(), room.height());
    EXPECT_LE(view()->width(), room.width());
    EXPECT_GE(view()->height(), room.height() - 2);  // the height is what limits A4 here

    button("szerokoscStrony")->click();
    QApplication::processEvents();
    EXPECT_NEAR(view()->width(), scroll()->viewport()->width(), 2);
    // A fitted page follows the window.
    window.resize(600, 900);
    QApplication::processEvents();
    EXPECT_NEAR(view()->width(), scroll()->viewport()->width(), 2);
}

TEST_F(PreviewTest, ThePageIsPaintedByThePrintersPainter) {
    ASSERT_TRUE(window.load());
    window.setZoomPercent(100);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    const QImage shot = view()->grab().toImage();
    const QRect paper = view()->paperRect();
    const double dotsPerMm = paper.width() / 210.0;
    // The darkest pixel within a pixel of the point: a thin rule falls between pixel rows.
    auto gray = [&](double xMm, double yMm) {
        const int x = paper.left() + int(xMm * dotsPerMm), y = paper.top() + int(yMm * dotsPerMm);
        int darkest = 255;
        for (int dy = -1; dy <= 1; ++dy) darkest = std::min(darkest, qGray(shot.pixel(x, y + dy)));
        return darkest;
    };
    const QByteArray keep = qgetenv("LUMIRO_KEEP_RENDER");
    if (!keep.isEmpty()) shot.save(QString::fromLocal8Bit(keep) + QStringLiteral("/preview.png"));
    // The rule under the first row runs at 10 + 115.4 + 6.6 mm; the paper is white beside it.
    EXPECT_LT(gray(100, 132.0), 160);
    EXPECT_EQ(gray(100, 136), 255);
    EXPECT_EQ(gray(5, 5), 255);
}

TEST_F(PreviewTest, PrintingRunsTheReportAgainAndReportsAFailure) {
    ASSERT_TRUE(window.load());
    EXPECT_EQ(list.runs, 1);
    button("drukuj")->click();
    EXPECT_EQ(list.runs, 2);  // the hooks ran again: the rows are numbered from 1 again
    ASSERT_EQ(printer.jobs().size(), 1u);
    const reports::Document& sent = printer.jobs()[0].document;
    EXPECT_EQ(printer.jobs()[0].title, QStringLiteral("Wykaz ubezpieczonych"));
    ASSERT_EQ(sent.pages.size(), 2u);
    EXPECT_TRUE(
        sent.pages[0].plainText().startsWith(QStringLiteral("WYKAZ\n1\nUbezpieczony1\n2\n")));
    EXPECT_TRUE(sent.pages[1].plainText().contains(QStringLiteral("40\nUbezpieczony40")));
    EXPECT_TRUE(prompter.questions().empty());

    printer.failJob(1, QStringLiteral("Drukarka „lumiro” nie przyjęła wydruku."));
    EXPECT_FALSE(window.print());
    ASSERT_EQ(prompter.questions().size(), 1u);
    EXPECT_EQ(prompter.questions()[0].icon, platform::MessageIcon::Error);
    EXPECT_EQ(prompter.questions()[0].text,
              QStringLiteral("Drukarka „lumiro” nie przyjęła wydruku."));
}

TEST_F(PreviewTest, SavesTheShownPagesAsTheDirectPdfWouldHoldThem) {
    ASSERT_TRUE(window.load());
    answer = QString::fromStdString(dir.file("wykaz"));  // the extension is added
    button("zapiszPdf")->click();
    ASSERT_EQ(suggestions.size(), 1u);
    EXPECT_EQ(suggestions[0], QStringLiteral("Wykaz 7_2004.pdf"));  // no folder in a name
    const QString saved = answer + QStringLiteral(".pdf");
    ASSERT_TRUE(QFileInfo::exists(saved)) << prompter.questions().size();

    const QString direct = QString::fromStdString(dir.file("direct.pdf"));
    ASSERT_TRUE(reports::writePdf(list.generate(), direct, QStringLiteral("x")).ok());
    const QString text = test::readPdfText(saved);
    EXPECT_TRUE(text.contains(QStringLiteral("Ubezpieczony40")));
    EXPECT_EQ(text, test::readPdfText(direct));
    EXPECT_TRUE(prompter.questions().empty());
    // An office files it by what it is and whose it is.
    EXPECT_EQ(test::pdfInfo(saved, QStringLiteral("Title")),
              QStringLiteral("Wykaz ubezpieczonych nr 7/2004"));
    EXPECT_EQ(test::pdfInfo(saved, QStringLiteral("Author")),
              QStringLiteral("Przedsiębiorstwo Żółć"));
    EXPECT_EQ(test::pdfInfo(saved, QStringLiteral("Creator")), QStringLiteral("Lumiro"));

    // Cancelled: nothing written, nothing said.
    answer.clear();
    EXPECT_FALSE(window.saveAsPdf());
    EXPECT_TRUE(prompter.questions().empty());

    // A file that cannot be written is reported.
    answer = QString::fromStdString(dir.file("brak/wykaz.pdf"));
    EXPECT_FALSE(window.saveAsPdf());
    ASSERT_EQ(prompter.questions().size(), 1u);
    EXPECT_TRUE(prompter.questions()[0].text.startsWith(QStringLiteral("Nie można zapisać pliku")));
}

TEST_F(PreviewTest, RunsModallyUntilEscapeAndShowsNothingForAReportThatCannotRun) {
    QTimer::singleShot(0, [this] {
        EXPECT_EQ(QApplication::activeModalWidget(), &window);
        EXPECT_EQ(window.pageCount(), 2);
        QTest::keyClick(&window, Qt::Key_Escape);
    });
    window.run();
    EXPECT_FALSE(window.isVisible());

    reports::RecordingTarget unused;
    PreviewWindow broken(
        []() -> reports::Document {
            throw reports::ReportError("Brak danych „TRP7” dla wydruku.");
        },
        unused, prompter, {});
    bool shown = false;
    QTimer::singleShot(0, &broken, [&] {
        shown = QApplication::activeModalWidget() == &broken;
        broken.reject();
    });
    broken.run();
    QApplication::processEvents();
    EXPECT_FALSE(shown);
    ASSERT_EQ(prompter.questions().size(), 1u);
    EXPECT_EQ(prompter.questions()[0].text, QStringLiteral("Brak danych „TRP7” dla wydruku."));
}

}  // namespace
}  // namespace lumiro::printouts
