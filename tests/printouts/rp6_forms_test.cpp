// The Rp-6 questionnaire: the personal lines at their millimetres, one ruled row per period in
// the table's order (each once, across a page break), the summary after the last row, the
// cells that never grow, the chosen font's family in the rows, and the information page.
#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QTextDocument>

#include "form_pdf.h"
#include "printouts/form_data.h"
#include "printouts/rp6_forms.h"
#include "reports/text_measure.h"

namespace lumiro::printouts {
namespace {

using namespace formtest;

struct At {
    double top, left;
    const char* column;
};

const At kTitle[] = {{40.2, 16.9, "R1"}, {40.2, 82.5, "R2"}, {40.2, 146.1, "R3"},
                     {46.6, 14.8, "R4"}, {46.6, 69.8, "R5"}, {52.9, 14.8, "R6"},
                     {52.9, 86.8, "R7"}};

constexpr double kTitleHeight = 91.8;
constexpr double kRowHeight = 8.5;
constexpr double kContentHeight = 277.0;  // A4 less the margins
// The cells' left edges; the table ends at 186.5 mm.
constexpr double kCellLefts[] = {1.3, 27.8, 54.2, 120.4, 146.8};

QString fromOf(int row) {
    return QStringLiteral("od%1").arg(row, 2, 10, QLatin1Char('0'));
}

class Rp6Forms : public ::testing::Test {
  protected:
    Rp6Forms() {
        for (const At& f : kTitle)
            data.rowOf(QStringLiteral("TRP7"))
                .set(QString::fromLatin1(f.column), valueOf(QString::fromLatin1(f.column)));
        data.rowOf(QStringLiteral("TRP7")).set(QStringLiteral("POLE31"), QStringLiteral("vPOLE31"));
    }

    void periods(int count) {
        reports::FixedRows& rows = data.rowsOf(QStringLiteral("TZal"));
        rows = reports::FixedRows();
        for (int i = 1; i <= count; ++i)
            rows.append({{QStringLiteral("Pole1"), fromOf(i)},
                         {QStringLiteral("Pole2"), QStringLiteral("do%1").arg(i)},
                         {QStringLiteral("Pole3"), QStringLiteral("okres%1").arg(i)},
                         {QStringLiteral("Pole4"), QStringLiteral("praca%1").arg(i)},
                         {QStringLiteral("Pole5"), QStringLiteral("dowód%1").arg(i)}});
    }

    FixedFormData data;
    PdfReader pdf;
};

TEST_F(Rp6Forms, TitleLinesAndTableHeaderAreWhereTheFormHasThem) {
    periods(1);
    Tdruk5 page(data);
    const reports::Document doc = page.generate();
    EXPECT_FALSE(doc.duplex());
    const auto pages = pdf.read(doc, "rp6-title.pdf");
    ASSERT_EQ(pages.size(), 1u);
    for (const At& f : kTitle)
        expectWordAt(pages[0], valueOf(QString::fromLatin1(f.column)), f.top, f.left);
    expectTexts(pages[0], {"KWESTIONARIUSZ",
                           "DOTYCZĄCY OKRESÓW SKŁADKOWYCH I NIESKŁADKOWYCH",
                           "UWAGA: Przed wypełnieniem należy przeczytać drugostronną informację.",
                           "Nazwisko:",
                           "Imię:",
                           "Data ur.:",
                           "PESEL",
                           "NIP",
                           "albo seria i nr dowodu osobistego lub pasz-",
                           "portu***",
                           "zawód wyuczony**",
                           "W okresie",
                           "Podać kolejno - od ukończenia 15 lat życia",
                           "- każdy okres ubezpieczenia - zatrudnienia,",
                           "służby, niewykonywania pracy itp.",
                           "** Rodzaj wykonywanej",
                           "Wymienić dołączone dowody",
                           "(patrz informacja)",
                           "data",
                           "podpis wnioskodawcy",
                           "* niepotrzebne skreślić",
                           "** wypełnia tylko osoba ubiegająca się o rentę z tytułu niezdolności",
                           "*** Nie należy wypełniać w przypadku wniosku o rentę rodzinną",
                           "Rp-6",
                           "VX Bertwald"});
    // The row's cells start at the table's column edges, the dates centred in theirs.
    const PdfWord* period = word(pages[0], QStringLiteral("okres1"));
    ASSERT_NE(period, nullptr);
    EXPECT_NEAR(period->leftMm(), kMargin + kCellLefts[2] + 0.8, kTolerance);
    EXPECT_NEAR(period->topMm(), kMargin + kTitleHeight + 0.25, kTolerance);
    const PdfWord* from = word(pages[0], fromOf(1));
    ASSERT_NE(from, nullptr);
    EXPECT_NEAR((from->leftMm() + from->rightMm()) / 2,
                kMargin + (kCellLefts[0] + kCellLefts[1]) / 2, kTolerance);
}

// Rows go on in the table's order, each once; from the 22nd on they continue on page 2, and
// the summary follows the last row wherever it ends (16 rows and more leave it no room on
// page 1). The title band is printed once.
TEST_F(Rp6Forms, RowsAndSummaryContinueOnASecondPage) {
    struct Case {
        int rows;
        std::size_t pages;
        int lastRowOnPageOne;
        std::size_t summaryPage;
        double summaryTop;  // mm from the top margin
    };
    const Case cases[] = {
        {0, 1, 0, 0, kTitleHeight + kRowHeight},  // one empty row
        {1, 1, 1, 0, kTitleHeight + kRowHeight},
        {15, 1, 15, 0, kTitleHeight + 15 * kRowHeight},
        {16, 2, 16, 1, 0},
        {25, 2, 21, 1, 4 * kRowHeight},
    };
    Tdruk5 page(data);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rows);
        periods(c.rows);
        const auto pages = pdf.read(page.generate(), "rp6-rows.pdf");
        ASSERT_EQ(pages.size(), c.pages);
        for (int r = 1; r <= c.rows; ++r) {
            int count = 0;
            const int on = pageOf(pages, fromOf(r), &count);
            EXPECT_EQ(count, 1) << r;
            EXPECT_EQ(on, r <= c.lastRowOnPageOne ? 0 : 1) << r;
            const PdfWord* w = word(pages[std::size_t(on)], QStringLiteral("okres%1").arg(r));
            ASSERT_NE(w, nullptr);
            const int slot = r <= c.lastRowOnPageOne ? r - 1 : r - 1 - c.lastRowOnPageOne;
            const double rowTop = (on == 0 ? kTitleHeight : 0) + slot * kRowHeight;
            EXPECT_NEAR(w->topMm(), kMargin + rowTop + 0.25, kTolerance) << r;
        }
        int titles = 0;
        pageOf(pages, QStringLiteral("KWESTIONARIUSZ"), &titles);
        EXPECT_EQ(titles, 1);
        int summaries = 0;
        EXPECT_EQ(pageOf(pages, QStringLiteral("vPOLE31"), &summaries), int(c.summaryPage));
        EXPECT_EQ(summaries, 1);
        expectWordAt(pages[c.summaryPage], QStringLiteral("vPOLE31"), 9.0, 16.9, c.summaryTop);
        const PdfWord* maker = word(pages[c.summaryPage], QStringLiteral("Bertwald"));
        ASSERT_NE(maker, nullptr);
        EXPECT_LT(maker->bottomMm(), kMargin + kContentHeight + 0.2);
    }
}

TEST_F(Rp6Forms, AnEmployeeWithoutPeriodsGetsOneEmptyRuledRow) {
    periods(0);
    Tdruk5 page(data);
    const reports::Document doc = page.generate();
    ASSERT_EQ(doc.pages.size(), 1u);
    int cells = 0;
    for (const reports::BoxItem& box : doc.pages[0].boxes)
        if (std::abs(box.rect.top() - (kMargin + kTitleHeight)) < 0.01 &&
            std::abs(box.rect.height() - kRowHeight) < 0.01)
            ++cells;
    EXPECT_EQ(cells, 5);
    for (const reports::TextItem& t : doc.pages[0].texts) {
        const double y = t.origin.y() - kMargin;
        EXPECT_FALSE(y > kTitleHeight && y < kTitleHeight + kRowHeight) << t.text.toStdString();
    }
}

// A cell wraps its text in its width and never draws below its rules: a third line of a long
// period is cut at the cell's foot, and the row keeps its height.
TEST_F(Rp6Forms, CellsWrapAndClipInsideTheirRules) {
    periods(2);
    reports::FixedRows& rows = data.rowsOf(QStringLiteral("TZal"));
    rows = reports::FixedRows();
    rows.append({{QStringLiteral("Pole1"), fromOf(1)},
                 {QStringLiteral("Pole3"),
                  QStringLiteral("Przedsiębiorstwo Budowlano-Montażowe Przemysłu Spożywczego w "
                                 "Poznaniu, ul. Długa 12, zatrudnienie na pełny etat")}});
    rows.append({{QStringLiteral("Pole1"), fromOf(2)}});
    Tdruk5 page(data);
    const reports::Document doc = page.generate();
    ASSERT_EQ(doc.pages.size(), 1u);
    const reports::Page& p = doc.pages[0];
    const double rowTop = kMargin + kTitleHeight;
    const QRectF cell(kMargin + kCellLefts[2], rowTop, kCellLefts[3] - kCellLefts[2], kRowHeight);
    int lines = 0;
    for (const reports::TextItem& t : p.texts) {
        // The lines of the cell, also one whose baseline falls below it.
        if (t.origin.x() < cell.left() || t.origin.x() > cell.right() ||
            t.origin.y() < cell.top() || t.origin.y() > cell.bottom() + kRowHeight / 2)
            continue;
        ++lines;
        const QFontMetricsF m(p.fonts[std::size_t(t.font)], reports::referenceDevice());
        const double width = m.horizontalAdvance(t.text) / reports::kReferenceDotsPerMm;
        EXPECT_LE(t.origin.x() + width, cell.right() + 0.01) << t.text.toStdString();
        const double descent = m.descent() / reports::kReferenceDotsPerMm;
        if (t.origin.y() + descent > cell.bottom()) {
            ASSERT_GE(t.clip, 0) << t.text.toStdString();
            EXPECT_LE(p.clips[std::size_t(t.clip)].bottom(), cell.bottom() + 0.01);
        }
    }
    EXPECT_GE(lines, 3);
    // The next row starts one row height below, whatever the first one held.
    const auto pages = pdf.read(doc, "rp6-clip.pdf");
    const PdfWord* next = word(pages[0], fromOf(2));
    ASSERT_NE(next, nullptr);
    EXPECT_NEAR(next->topMm(), rowTop + kRowHeight + 0.25, kTolerance);
    EXPECT_TRUE(pages[0].text().contains(QStringLiteral("Przedsiębiorstwo Budowlano-Montażowe")));
}

// The stored Rp-6 font gives the rows its family at the form's 13 px; the rest of the page
// keeps its fonts, and without a stored font the rows are Times New Roman.
TEST_F(Rp6Forms, RowsTakeTheFamilyOfTheChosenFontNotItsSize) {
    periods(1);
    auto fontOf = [](const reports::Document& doc, const QString& text) {
        for (const reports::TextItem& t : doc.pages[0].texts)
            if (t.text == text) return doc.pages[0].fonts[std::size_t(t.font)];
        ADD_FAILURE() << text.toStdString();
        return QFont();
    };
    Tdruk5 page(data);
    QFont chosen(QStringLiteral("DejaVu Sans"));
    chosen.setPointSizeF(20);
    data.fonts[1] = chosen;
    reports::Document doc = page.generate();
    QFont row = fontOf(doc, QStringLiteral("okres1"));
    EXPECT_EQ(row.family(), QStringLiteral("DejaVu Sans"));
    EXPECT_DOUBLE_EQ(row.pointSizeF(), 9.75);  // 13 px
    EXPECT_EQ(fontOf(doc, QStringLiteral("vR1")).family(), QStringLiteral("Times New Roman"));

    data.fonts[1].reset();
    doc = page.generate();
    row = fontOf(doc, QStringLiteral("okres1"));
    EXPECT_EQ(row.family(), QStringLiteral("Times New Roman"));
    EXPECT_DOUBLE_EQ(row.pointSizeF(), 9.75);
}

TEST_F(Rp6Forms, InformationPageHoldsTheWholeNoteAndNoEmployeeData) {
    Tdruk8 page(data);
    const reports::Document doc = page.generate();
    ASSERT_EQ(doc.pages.size(), 1u);
    EXPECT_TRUE(doc.duplex());
    ASSERT_EQ(doc.pages[0].richTexts.size(), 1u);
    const reports::RichItem& note = doc.pages[0].richTexts[0];
    EXPECT_NEAR(note.rect.top(), kMargin + 2.1, 0.01);
    EXPECT_NEAR(note.rect.width(), 167.5, 0.01);
    EXPECT_LE(note.document->size().height() / reports::kReferenceDotsPerMm, 237.3);
    const QString plain = note.document->toPlainText();
    EXPECT_TRUE(plain.startsWith(QStringLiteral("INFORMACJA")));
    for (int point = 1; point <= 11; ++point)
        EXPECT_EQ(plain.count(QRegularExpression(QStringLiteral("(^|\\n)%1\\. ").arg(point))), 1)
            << point;
    for (const char* topic : {"Okresy składkowe", "Okresy nieskładkowe", "jedna trzecia",
                              "przed 1 stycznia 1999", "gospodarstwie rolnym", "świadectwa pracy",
                              "zeznaniami", "kolumnę 1", "kolumny 2 i 3", "kolumnę 4"})
        EXPECT_TRUE(plain.contains(QString::fromUtf8(topic))) << topic;

    const auto pages = pdf.read(doc, "rp6-2.pdf");
    ASSERT_EQ(pages.size(), 1u);
    expectTexts(pages[0], {"INFORMACJA", "Rp 6", "VX Bertwald"});
    EXPECT_FALSE(pages[0].text().contains(QStringLiteral("vR1")));
}

}  // namespace
}  // namespace lumiro::printouts
