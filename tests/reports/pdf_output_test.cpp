// PDF files read back with poppler, as a user's reader sees them: positions against the
// layout's millimetres, fonts embedded, Polish text searchable, the file whole or absent.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>

#include "pdf_probe.h"
#include "reports/fonts.h"
#include "reports/print_target.h"
#include "reports/report.h"
#include "support/temp_dir.h"

namespace lumiro::reports {
namespace {

using test::PdfPage;
using test::PdfWord;

constexpr double kTolerance = 0.5;  // mm

QString pathIn(const test::TempDir& dir, const char* name) {
    return QString::fromStdString(dir.file(name));
}

const PdfWord* word(const PdfPage& page, const QString& text) {
    for (const PdfWord& w : page.words)
        if (w.text == text) return &w;
    return nullptr;
}

// pdftotext puts a word's top (yMin) at its baseline less the font's ascent, and its left
// (xMin) at the first glyph's origin; the layout puts a text's line box top at the element's
// top and its first glyph's origin at the element's left. So both corners are compared
// directly, against the element's rectangle plus the margins.
void expectTopLeft(const PdfPage& page, const QString& text, double leftMm, double topMm) {
    const PdfWord* w = word(page, text);
    ASSERT_NE(w, nullptr) << text.toStdString() << " not in: " << page.text().toStdString();
    EXPECT_NEAR(w->leftMm(), leftMm, kTolerance) << text.toStdString();
    EXPECT_NEAR(w->topMm(), topMm, kTolerance) << text.toStdString();
}

class PdfOutput : public ::testing::Test {
  protected:
    Document writeAndRead(Report& report, const Sources& sources = {}) {
        Document doc = report.generate(sources);
        const PrintStatus status = writePdf(doc, pdf, QStringLiteral("Próba"));
        EXPECT_TRUE(status.ok()) << status.message().toStdString();
        pages = test::readPdfWords(pdf);
        return doc;
    }

    test::TempDir dir;
    QString pdf = pathIn(dir, "out.pdf");
    std::vector<PdfPage> pages;
};

TEST_F(PdfOutput, LabelsAndFieldsLandAtTheirMillimetres) {
    Report report;
    Band& title = report.addBand(BandKind::Title, 276.8);
    // Data fields of the certificate's first page, at the form's points.
    struct At {
        double top, left;
        const char* field;
        const char* value;
    };
    const At fields[] = {{21.2, 50.8, "NIP", "1234563218"},    {21.2, 110.1, "SKROT", "REGON"},
                         {50.3, 21.2, "POLE1", "Żółkiewski"},  {57.1, 135.5, "POLE5", "2004.12.31"},
                         {110.1, 6.3, "POLE28", "Informacje"}, {262.0, 150.0, "POLE29", "Stopka"}};
    FixedValues values;
    for (const At& f : fields) {
        title
            .addField({}, QPointF(f.left, f.top), QStringLiteral("TRP7"),
                      QString::fromLatin1(f.field))
            .bold();
        values.set(QString::fromLatin1(f.field), QString::fromUtf8(f.value));
    }
    title.addLabel({}, QRectF(0, 0, 190, 8), QStringLiteral("ZAŚWIADCZENIE"))
        .withFont(timesFont(16, true));
    title.addLabel({}, QRectF(120, 200, 60, 5), QStringLiteral("Arial")).withFont(arialFont(11));

    writeAndRead(report, Sources().add(QStringLiteral("TRP7"), values));
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_NEAR(pages[0].widthMm, 210, 0.1);
    EXPECT_NEAR(pages[0].heightMm, 297, 0.1);
    for (const At& f : fields)
        expectTopLeft(pages[0], QString::fromUtf8(f.value), 10 + f.left, 10 + f.top);
    expectTopLeft(pages[0], QStringLiteral("ZAŚWIADCZENIE"), 10, 10);
    expectTopLeft(pages[0], QStringLiteral("Arial"), 130, 210);

    // 11 pixels are 8.25 points: Liberation's line box (ascent 0.891 + descent 0.216 of the
    // size) is then 3.22 mm high. Pixels taken for device dots would shrink it to a dot.
    const PdfWord* name = word(pages[0], QStringLiteral("Żółkiewski"));
    ASSERT_NE(name, nullptr);
    EXPECT_NEAR(name->bottomMm() - name->topMm(), 8.25 * 1.107 / 72 * 25.4, 0.15);
    bool sans = false;
    for (const auto& f : test::readPdfFonts(pdf))
        sans |= f.name.endsWith(QStringLiteral("LiberationSans"));
    EXPECT_TRUE(sans) << "Arial did not resolve to Liberation Sans";
}

TEST_F(PdfOutput, RightAndCentredTextAndWrappedCellsStayInTheirCells) {
    Report report;
    Band& title = report.addBand(BandKind::Title, 100);
    const QRectF amount(15.1, 10, 23.0, 7.9);
    const QRectF year(1.6, 10, 13.5, 7.9);
    const QRectF kind(56.1, 10, 18.0, 7.9);
    title.addBox(amount);
    title.addLabel({}, amount, QStringLiteral("1 000 000 000"))
        .align(Qt::AlignRight | Qt::AlignTop);
    title.addLabel({}, year, QStringLiteral("2004")).align(Qt::AlignHCenter | Qt::AlignTop);
    title.addLabel({}, kind, QStringLiteral("premia roczna uznaniowa wypłacona w grudniu"))
        .align(Qt::AlignHCenter | Qt::AlignTop)
        .wrapped()
        .clipped();
    writeAndRead(report);
    ASSERT_EQ(pages.size(), 1u);

    const PdfWord* last = word(pages[0], QStringLiteral("000"));
    ASSERT_NE(last, nullptr);
    double right = 0;
    for (const PdfWord& w : pages[0].find(QStringLiteral("000")))
        right = std::max(right, w.rightMm());
    EXPECT_NEAR(right, 10 + amount.right(), kTolerance);
    const PdfWord* y = word(pages[0], QStringLiteral("2004"));
    ASSERT_NE(y, nullptr);
    EXPECT_NEAR((y->leftMm() + y->rightMm()) / 2, 10 + year.center().x(), kTolerance);

    // Wrapped: every word inside the cell's width; clipped: nothing starts below it.
    int inCell = 0;
    for (const QString& text :
         QStringLiteral("premia roczna uznaniowa wypłacona w grudniu").split(QLatin1Char(' '))) {
        const PdfWord* w = word(pages[0], text);
        if (!w) continue;
        ++inCell;
        EXPECT_GE(w->leftMm(), 10 + kind.left() - kTolerance) << text.toStdString();
        EXPECT_LE(w->rightMm(), 10 + kind.right() + kTolerance) << text.toStdString();
        EXPECT_LT(w->topMm(), 10 + kind.bottom()) << text.toStdString();
    }
    EXPECT_GE(inCell, 2);
    EXPECT_EQ(word(pages[0], QStringLiteral("grudniu")), nullptr);
}

TEST_F(PdfOutput, RichTextPageNumbersAndPolishLettersAreText) {
    Report report;
    Band& header = report.addBand(BandKind::PageHeader, 10);
    header.addPageNumber({}, QRectF(140, 0, 50, 5), QStringLiteral("Strona : %1 z %2"))
        .align(Qt::AlignRight | Qt::AlignTop);
    Band& title = report.addBand(BandKind::Title, 260);
    title.addLabel({}, QRectF(0, 0, 190, 6), QStringLiteral("Zażółć gęślą jaźń"));
    title
        .addRichText(QStringLiteral("Informacja"), QRectF(2.1, 20, 167.5, 60),
                     QStringLiteral("<p align=\"center\"><b>INFORMACJA</b></p>"
                                    "<p>1. Okresy składkowe i nieskładkowe.</p>"))
        .withFont(timesFont(9));
    Band& summary = report.addBand(BandKind::Summary, 30);
    summary.addLabel({}, QRectF(0, 0, 50, 5), QStringLiteral("Koniec"));
    writeAndRead(report);
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_EQ(test::pdfPageCount(pdf), 2);

    for (int p = 0; p < 2; ++p) {
        const PdfPage& page = pages[std::size_t(p)];
        EXPECT_TRUE(page.text().startsWith(QStringLiteral("Strona : %1 z 2").arg(p + 1)))
            << page.text().toStdString();
        // Right-aligned on the margin once the count is in.
        EXPECT_NEAR(page.words.at(4).rightMm(), 200, kTolerance);
    }
    EXPECT_TRUE(test::readPdfText(pdf).contains(QStringLiteral("Zażółć gęślą jaźń")));
    const PdfWord* info = word(pages[0], QStringLiteral("INFORMACJA"));
    ASSERT_NE(info, nullptr);
    EXPECT_NEAR((info->leftMm() + info->rightMm()) / 2, 10 + 2.1 + 167.5 / 2, kTolerance);
    EXPECT_NEAR(info->topMm(), 10 + 10 + 20, kTolerance);
    const PdfWord* point = word(pages[0], QStringLiteral("1."));
    ASSERT_NE(point, nullptr);
    EXPECT_NEAR(point->leftMm(), 10 + 2.1, kTolerance);
    EXPECT_GT(point->topMm(), info->bottomMm());

    const auto fonts = test::readPdfFonts(pdf);
    ASSERT_FALSE(fonts.empty());
    bool serif = false, serifBold = false;
    for (const auto& f : fonts) {
        EXPECT_TRUE(f.embedded) << f.name.toStdString();
        EXPECT_TRUE(f.unicode) << f.name.toStdString();
        serif |= f.name.endsWith(QStringLiteral("LiberationSerif"));
        serifBold |= f.name.endsWith(QStringLiteral("LiberationSerif-Bold"));
    }
    EXPECT_TRUE(serif);
    EXPECT_TRUE(serifBold);
}

// The picture is also kept for a look by eye (LUMIRO_KEEP_RENDER names a folder for it).
TEST_F(PdfOutput, APageRendersWithItsRulesAndTextInPlace) {
    Report report;
    Band& title = report.addBand(BandKind::Title, 100);
    title.addLabel({}, QRectF(0, 0, 190, 8), QStringLiteral("ZAŚWIADCZENIE O ZATRUDNIENIU"))
        .withFont(timesFont(16, true))
        .align(Qt::AlignHCenter | Qt::AlignTop);
    title.addRule(QPointF(0, 20), QPointF(190, 20), 0.5);
    for (int c = 0; c <= 10; ++c) title.addRule(QPointF(c * 19.0, 30), QPointF(c * 19.0, 70), 0.2);
    for (int r = 0; r <= 5; ++r)
        title.addRule(QPointF(0, 30 + r * 8.0), QPointF(190, 30 + r * 8.0), 0.2);
    for (int r = 0; r < 5; ++r)
        for (int c = 0; c < 10; ++c)
            title
                .addLabel({}, QRectF(c * 19.0, 30 + r * 8.0 + 1, 18, 6),
                          QString::number(r * 10 + c))
                .align(Qt::AlignRight | Qt::AlignTop);
    writeAndRead(report);

    QString stem = pathIn(dir, "page");
    const QByteArray keep = qgetenv("LUMIRO_KEEP_RENDER");
    if (!keep.isEmpty())
        stem = QDir(QString::fromLocal8Bit(keep)).filePath(QStringLiteral("report-page"));
    const QString png = test::renderPdfPage(pdf, 1, 100, stem);
    ASSERT_FALSE(png.isEmpty());
    const QImage image(png);
    ASSERT_EQ(image.width(), 827);  // 210 mm at 100 dpi
    auto px = [](double mm) { return int(mm / 25.4 * 100 + 0.5); };
    auto dark = [&](double xMm, double yMm) { return qGray(image.pixel(px(xMm), px(yMm))) < 128; };
    EXPECT_TRUE(dark(100, 30));  // the thick rule under the title
    EXPECT_FALSE(dark(100, 33));
    EXPECT_TRUE(dark(10, 50));   // the table's left edge
    EXPECT_TRUE(dark(200, 50));  // and its right edge
    EXPECT_FALSE(dark(5, 50));   // nothing in the margin
    // Ink of the title lies within its line box.
    int inkTop = image.height(), inkBottom = 0;
    for (int y = 0; y < px(25); ++y)
        for (int x = px(10); x < px(200); ++x)
            if (qGray(image.pixel(x, y)) < 128) {
                inkTop = std::min(inkTop, y);
                inkBottom = std::max(inkBottom, y);
            }
    EXPECT_GE(inkTop, px(10));
    EXPECT_LE(inkBottom, px(18));
}

TEST_F(PdfOutput, AFailedWriteLeavesNoFileAndAnExistingOneAsItWas) {
    Report report;
    report.addBand(BandKind::Title, 10).addLabel({}, QRectF(0, 0, 20, 5), QStringLiteral("A"));
    const Document doc = report.generate();

    const QString missing = pathIn(dir, "brak/plik.pdf");
    PrintStatus status = writePdf(doc, missing, QStringLiteral("x"));
    EXPECT_FALSE(status.ok());
    EXPECT_TRUE(status.message().startsWith(QStringLiteral("Nie można zapisać pliku")))
        << status.message().toStdString();
    EXPECT_TRUE(status.message().contains(QStringLiteral("plik.pdf")));
    EXPECT_FALSE(QFileInfo::exists(missing));

    // A folder in the file's place cannot be replaced; nothing is left beside it either.
    QDir(QString::fromStdString(dir.path())).mkdir(QStringLiteral("zajete.pdf"));
    status = writePdf(doc, pathIn(dir, "zajete.pdf"), QStringLiteral("x"));
    EXPECT_FALSE(status.ok());
    EXPECT_EQ(QDir(QString::fromStdString(dir.path())).entryList(QDir::Files).size(), 0);

    // No pages: nothing to write, said so, and the old file is kept.
    {
        QFile old(pdf);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("stary");
    }
    status = writePdf(Document{}, pdf, QStringLiteral("x"));
    EXPECT_FALSE(status.ok());
    QFile old(pdf);
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), QByteArray("stary"));

    // A document of several reports goes into one file, in order.
    Document two = report.generate();
    two.append(report.generate());
    EXPECT_TRUE(writePdf(two, pdf, QStringLiteral("x")).ok());
    EXPECT_EQ(test::pdfPageCount(pdf), 2);
}

TEST(RecordingTarget, KeepsJobsInOrderAndFailsTheOneItIsToldTo) {
    Report report;
    report.addBand(BandKind::Title, 10).addLabel({}, QRectF(0, 0, 20, 5), QStringLiteral("A"));
    RecordingTarget target;
    target.failJob(1, QStringLiteral("Brak papieru."));
    EXPECT_TRUE(target.print(report.generate(), QStringLiteral("pierwszy")).ok());
    const PrintStatus failed = target.print(report.generate(), QStringLiteral("drugi"));
    EXPECT_FALSE(failed.ok());
    EXPECT_EQ(failed.message(), QStringLiteral("Brak papieru."));
    EXPECT_TRUE(target.print(report.generate(), QStringLiteral("trzeci")).ok());
    ASSERT_EQ(target.jobs().size(), 2u);
    EXPECT_EQ(target.jobs()[1].title, QStringLiteral("trzeci"));
    EXPECT_EQ(target.allPages().pages.size(), 2u);
}

}  // namespace
}  // namespace lumiro::reports
