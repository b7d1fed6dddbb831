// The Rp-7 pages as a reader of the PDF sees them: every data field at its millimetres, the
// amount cells as the form prints them, the continuation table and the information text
// switched as the print parameters say, each page one sheet.
#include <gtest/gtest.h>

#include <QDir>
#include <QTextDocument>

#include <array>

#include "form_pdf.h"
#include "pdf_probe.h"
#include "printouts/earnings_print_buffer.h"
#include "printouts/form_data.h"
#include "printouts/rp7_forms.h"
#include "reports/print_target.h"
#include "reports/text_measure.h"
#include "support/temp_dir.h"

namespace lumiro::printouts {
namespace {

using test::PdfPage;
using test::PdfWord;

constexpr double kTolerance = 0.5;  // mm

struct At {
    double top, left;
    const char* column;
};

// Page 1 and page 2 data fields, as the form places them (mm from the band's corner).
const At kPage1Employee[] = {
    {36.0, 10.6, "POLE41"},   {50.3, 21.2, "POLE1"},    {50.3, 127.0, "POLE2"},
    {57.1, 25.4, "POLE3"},    {57.1, 108.0, "POLE4"},   {57.1, 135.5, "POLE5"},
    {61.4, 14.8, "POLE6"},    {72.0, 55.0, "POLE7"},    {76.2, 55.0, "POLE8"},
    {76.2, 148.2, "POLE9"},   {80.4, 10.6, "POLE10"},   {80.4, 93.7, "POLE11"},
    {80.4, 131.2, "POLE12"},  {84.7, 50.8, "POLE13"},   {84.7, 103.7, "POLE14"},
    {84.7, 135.5, "POLE15"},  {88.9, 44.5, "POLE16"},   {88.9, 78.3, "POLE17"},
    {97.4, 78.3, "POLE18"},   {101.6, 23.3, "POLE19"},  {101.6, 48.7, "POLE20"},
    {101.6, 76.2, "POLE21"},  {101.6, 101.6, "POLE22"}, {101.6, 124.9, "POLE23"},
    {101.6, 150.3, "POLE24"}, {105.8, 52.9, "POLE25"},  {105.8, 74.1, "POLE26"},
    {105.8, 99.5, "POLE27"},  {110.1, 6.3, "POLE28"}};
const At kPage1Payer[] = {
    {21.2, 50.8, "NIP"}, {21.2, 110.1, "SKROT"}, {36.0, 57.1, "NAZWA1"}, {36.0, 156.6, "NAZWA2"}};
const At kPage2Employee[] = {
    {10.1, 46.6, "POLE33"}, {10.1, 103.7, "POLE34"}, {14.8, 105.8, "POLE35"}, {19.1, 2.1, "POLE36"},
    {27.5, 42.3, "POLE37"}, {31.8, 2.1, "POLE38"},   {36.0, 2.1, "POLE39"},   {40.2, 2.1, "POLE40"},
    {82.0, 16.9, "POLE30"}, {95.2, 4.2, "POLE29"}};

QString valueOf(const char* column) {
    return QStringLiteral("v") + QString::fromLatin1(column);
}

EarningsPrintBuffer rowsFrom(int firstYear, int count) {
    EarningsPrintBuffer b;
    for (int i = 0; i < count && i < 20; ++i) {
        EarningsSlot& s = b.rows[std::size_t(i)];
        s.year = QString::number(firstYear + i);
        s.pole2 = 1000 + i;
        s.pole10 = 1000 + i;
    }
    b.MoreThanTenRows = count >= 11;
    b.employeeRows = count;
    return b;
}

class Rp7Forms : public ::testing::Test {
  protected:
    Rp7Forms() {
        for (const At& f : kPage1Employee)
            data.rowOf(QStringLiteral("TRP7"))
                .set(QString::fromLatin1(f.column), valueOf(f.column));
        for (const At& f : kPage2Employee)
            data.rowOf(QStringLiteral("TRP7"))
                .set(QString::fromLatin1(f.column), valueOf(f.column));
        for (const At& f : kPage1Payer)
            data.rowOf(QStringLiteral("TZlec"))
                .set(QString::fromLatin1(f.column), valueOf(f.column));
    }

    std::vector<PdfPage> render(ReportForm& form, const char* name) {
        const QString pdf = QString::fromStdString(dir.file(name));
        const auto status = reports::writePdf(form.generate(), pdf, form.documentName());
        EXPECT_TRUE(status.ok()) << status.message().toStdString();
        lastPdf = pdf;
        return test::readPdfWords(pdf);
    }

    static const PdfWord* word(const PdfPage& page, const QString& text) {
        for (const PdfWord& w : page.words)
            if (w.text == text) return &w;
        return nullptr;
    }

    static void expectAt(const PdfPage& page, const At& f) {
        const PdfWord* w = word(page, valueOf(f.column));
        ASSERT_NE(w, nullptr) << f.column;
        EXPECT_NEAR(w->leftMm(), 10 + f.left, kTolerance) << f.column;
        EXPECT_NEAR(w->topMm(), 10 + f.top, kTolerance) << f.column;
    }

    test::TempDir dir;
    FixedFormData data;
    EarningsPrintBuffer buffer;
    QString lastPdf;
};

TEST_F(Rp7Forms, PageOneFieldsAndTextsAreWhereTheFormHasThem) {
    buffer = rowsFrom(1990, 10);
    Tdruk1 page(Rp7Inputs{data, buffer});
    const auto pages = render(page, "rp7-1.pdf");
    ASSERT_EQ(pages.size(), 1u);
    for (const At& f : kPage1Employee) expectAt(pages[0], f);
    for (const At& f : kPage1Payer) expectAt(pages[0], f);
    const QString text = pages[0].text();
    for (const char* fixed : {"ZAŚWIADCZENIE O ZATRUDNIENIU I WYNAGRODZENIU",
                              "Pieczątka pracodawcy - płatnika składek",
                              "1. NIP",
                              "2. REGON",
                              "Znak:",
                              "3. Nr PESEL",
                              "lub 4. serię i nr dowodu osobistego lub paszportu",
                              "1. Pan (Pani)",
                              "(1) była - jest* zatrudniony(a) w okresie od",
                              "ostatnio",
                              "2. w okresie trwania stosunku pracy Pan(i)",
                              "urlopie wychowawczym* w okresie od",
                              "(inne informacje)",
                              "kalenda-",
                              "składniki stałe zł",
                              "kwota zł",
                              "rodzaj",
                              "7 (2+3+4+5+6)",
                              "RP 7",
                              "VX Bertwald"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(fixed))) << fixed;
    // The years in rows 1 to 10, each in the middle of its cell (column 1: 1.6 + 13.5 mm).
    for (int r = 0; r < 10; ++r) {
        const PdfWord* year = word(pages[0], QString::number(1990 + r));
        ASSERT_NE(year, nullptr) << r;
        EXPECT_NEAR((year->leftMm() + year->rightMm()) / 2, 10 + 1.6 + 13.5 / 2, kTolerance);
        const double rowTop = 10 + 186.8 + r * 7.9;
        EXPECT_GT(year->topMm(), rowTop);
        EXPECT_LT(year->bottomMm(), rowTop + 7.9);
    }
}

TEST_F(Rp7Forms, AmountsPrintByTheFormsRule) {
    buffer.rows[0].pole2 = 0.5;
    buffer.rows[1].pole2 = 999'999'999.99;
    buffer.rows[2].pole2 = 1'000'000'000;
    buffer.rows[3].pole3 = 10'000'000;
    buffer.rows[4].pole3 = 9'999'999.995;  // rounds to the limit: no "#" overflow
    buffer.rows[5].pole9 = -1234.5;
    buffer.rows[6].pole2 = 0;  // an amount of 0 prints nothing
    for (int i = 0; i < 7; ++i)
        buffer.rows[std::size_t(i)].year = QStringLiteral("20%1").arg(10 + i);
    EXPECT_EQ(amountText(0.5, AmountColumn::Wide).trimmed(), QStringLiteral("0,50"));
    EXPECT_EQ(amountText(999'999'999.99, AmountColumn::Wide).trimmed(),
              QStringLiteral("999 999 999,99"));
    EXPECT_EQ(amountText(1'000'000'000, AmountColumn::Wide).trimmed(),
              QStringLiteral("1 000 000 000"));
    EXPECT_EQ(amountText(10'000'000, AmountColumn::Narrow).trimmed(), QStringLiteral("10 000 000"));
    EXPECT_EQ(amountText(9'999'999.995, AmountColumn::Narrow).trimmed(),
              QStringLiteral("10 000 000"));
    EXPECT_EQ(amountText(9'999'999.99, AmountColumn::Narrow).trimmed(),
              QStringLiteral("9 999 999,99"));
    EXPECT_EQ(amountText(-1234.5, AmountColumn::Narrow).trimmed(), QStringLiteral("-1 234,50"));
    // Past the limit whole złote print without grosze, and grosze are never rounded away.
    EXPECT_EQ(amountText(10'000'000.5, AmountColumn::Narrow).trimmed(),
              QStringLiteral("10 000 000,50"));
    EXPECT_EQ(amountText(1'013'333'333.31, AmountColumn::Wide).trimmed(),
              QStringLiteral("1 013 333 333,31"));
    // No amount becomes a row of "#": negative amounts keep their grosze however large, and
    // amounts beyond every mask's digits print all of them.
    EXPECT_EQ(amountText(-20'000'000, AmountColumn::Narrow).trimmed(),
              QStringLiteral("-20 000 000,00"));
    EXPECT_EQ(amountText(-1'234'567'890.5, AmountColumn::Wide).trimmed(),
              QStringLiteral("-1 234 567 890,50"));
    EXPECT_EQ(amountText(12'345'678'901, AmountColumn::Narrow).trimmed(),
              QStringLiteral("12 345 678 901"));
    EXPECT_EQ(amountText(999'999'999'999'999, AmountColumn::Wide).trimmed(),
              QStringLiteral("999 999 999 999 999"));
    EXPECT_TRUE(amountText(0, AmountColumn::Narrow).isEmpty());

    Tdruk1 page(Rp7Inputs{data, buffer});
    const auto pages = render(page, "amounts.pdf");
    ASSERT_EQ(pages.size(), 1u);
    // Right-aligned amounts end at the right of their cell (column 2 ends at 38.1 mm).
    const PdfWord* fifty = word(pages[0], QStringLiteral("0,50"));
    ASSERT_NE(fifty, nullptr);
    EXPECT_NEAR(fifty->rightMm(), 10 + 38.1 - 0.6, 0.6);
    const QString text = pages[0].text();
    EXPECT_TRUE(text.contains(QStringLiteral("999 999 999,99")));
    EXPECT_TRUE(text.contains(QStringLiteral("1 000 000 000")));
    EXPECT_TRUE(text.contains(QStringLiteral("10 000 000")));
    EXPECT_FALSE(text.contains(u'#'));
    EXPECT_TRUE(text.contains(QStringLiteral("-1 234,50")));
    // Row 7's year is there, its zero amount is not.
    EXPECT_NE(word(pages[0], QStringLiteral("2016")), nullptr);
    EXPECT_EQ(word(pages[0], QStringLiteral("0,00")), nullptr);
}

TEST_F(Rp7Forms, EmployeeWithoutEarningsPrintsTenRuledEmptyRows) {
    Tdruk1 page(Rp7Inputs{data, buffer});
    const reports::Document doc = page.generate();
    ASSERT_EQ(doc.pages.size(), 1u);
    // Rules across the whole table at the foot of each of the ten rows.
    int rowRules = 0;
    for (const auto& line : doc.pages[0].lines) {
        const bool acrossTable = line.line.x1() <= 10 + 1.7 && line.line.x2() >= 10 + 189;
        for (int r = 1; r <= 10; ++r)
            if (acrossTable && std::abs(line.line.y1() - (10 + 186.8 + r * 7.9)) < 0.01 &&
                line.line.y1() == line.line.y2())
                ++rowRules;
    }
    EXPECT_EQ(rowRules, 10);
    EXPECT_EQ(word(test::readPdfWords([&] {
                       const QString pdf = QString::fromStdString(dir.file("empty.pdf"));
                       EXPECT_TRUE(reports::writePdf(doc, pdf, QStringLiteral("x")).ok());
                       return pdf;
                   }())[0],
                   QStringLiteral("1990")),
              nullptr);
}

TEST_F(Rp7Forms, PageTwoCarriesTheContinuationOrTheInformationOnOneSheet) {
    Tdruk2 page(Rp7Inputs{data, buffer});

    // Information on: the memo, no continuation, whatever was loaded.
    buffer = rowsFrom(1980, 15);
    data.information = true;
    auto pages = render(page, "rp7-2-info.pdf");
    ASSERT_EQ(pages.size(), 1u);
    for (const At& f : kPage2Employee) expectAt(pages[0], f);
    EXPECT_TRUE(pages[0].text().contains(QStringLiteral("INFORMACJA")));
    EXPECT_EQ(word(pages[0], QStringLiteral("1990")), nullptr);
    for (const char* fixed : {"imiennej* pod numerem konta (NKP)", "w Oddziale ZUS w",
                              "6. Dodatkowe informacje (uwagi)", "miejscowość i data wystawienia",
                              "Załączniki:", "RP 7"})
        EXPECT_TRUE(pages[0].text().contains(QString::fromUtf8(fixed))) << fixed;

    // Information off, eleven rows: rows 11 and on head the page; the sections follow on it.
    buffer = rowsFrom(1980, 11);
    data.information = false;
    pages = render(page, "rp7-2-more.pdf");
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_FALSE(pages[0].text().contains(QStringLiteral("INFORMACJA")));
    const PdfWord* year = word(pages[0], QStringLiteral("1990"));
    ASSERT_NE(year, nullptr);
    EXPECT_NEAR((year->leftMm() + year->rightMm()) / 2, 10 + 1.6 + 13.5 / 2, kTolerance);
    EXPECT_GT(year->topMm(), 10 + 42.9);
    EXPECT_LT(year->bottomMm(), 10 + 42.9 + 7.9);
    // The title band's fields moved down by the continuation band.
    const PdfWord* nkp = word(pages[0], valueOf("POLE33"));
    ASSERT_NE(nkp, nullptr);
    EXPECT_NEAR(nkp->topMm(), 10 + 127.8 + 10.1, kTolerance);
    const PdfWord* maker = word(pages[0], QStringLiteral("Bertwald"));
    ASSERT_NE(maker, nullptr);
    EXPECT_LT(maker->bottomMm(), 297 - 10 + 0.2);

    // Ten rows only: no continuation even without the information.
    buffer = rowsFrom(1980, 10);
    pages = render(page, "rp7-2-ten.pdf");
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(word(pages[0], QStringLiteral("1989")), nullptr);
    expectAt(pages[0], kPage2Employee[0]);
}

TEST_F(Rp7Forms, InformationTextFitsItsBoxInTwoColumns) {
    data.information = true;
    Tdruk2 page(Rp7Inputs{data, buffer});
    const reports::Document doc = page.generate();
    ASSERT_EQ(doc.pages.size(), 1u);
    ASSERT_EQ(doc.pages[0].richTexts.size(), 1u);
    const auto& memo = doc.pages[0].richTexts[0];
    EXPECT_NEAR(memo.rect.width(), 186.5, 0.01);
    // Laid out at the box's width, the text needs no more than the box's height.
    EXPECT_LE(memo.document->size().height() / reports::kReferenceDotsPerMm, 140.0);
    const QString plain = memo.document->toPlainText();
    for (const char* point : {"ustawa z dnia 17 grudnia 1998", "list płac", "Kolumna 2",
                              "Kolumna 7", "trzydziestokrotności", "denominacji"})
        EXPECT_TRUE(plain.contains(QString::fromUtf8(point))) << point;
}

// The table's columns (left edge, width) on page 1 and on the continuation table of page 2,
// and where their first rows start on the page.
constexpr std::array<double, 10> kLefts1 = {1.6,  15.1,  38.1,  56.1,  74.1,
                                            92.1, 110.1, 128.1, 146.1, 167.5};
constexpr std::array<double, 10> kWidths1 = {13.5, 23.0, 18.0, 18.0, 18.0,
                                             18.0, 18.0, 18.0, 21.4, 22.8};
constexpr std::array<double, 10> kLefts2 = {1.6,  15.1,  38.1,  56.1,  74.1,
                                            92.1, 110.1, 128.1, 146.1, 165.1};
constexpr std::array<double, 10> kWidths2 = {13.5, 23.0, 18.0, 18.0, 18.0,
                                             18.0, 18.0, 18.0, 19.0, 23.0};
constexpr double kRowsTop1 = 10 + 186.8;
constexpr double kRowsTop2 = 10 + 42.9;
constexpr double kRow = 7.9;

// The largest amounts a pre-1995 card holds, in every amount column: a row of the issue's
// certificate, and rows with the widest value each column prints with grosze.
void fillLargeAmounts(EarningsPrintBuffer& b, std::size_t slot, int year) {
    EarningsSlot& s = b.rows[slot];
    s.year = QString::number(year);
    s.pole2 = 43'429'000.00;
    s.pole3 = 9'999'999.99;
    s.pole5 = 9'999'999.98;
    s.pole7 = 9'999'999.97;
    s.pole9 = 9'999'999.96;
    s.pole10 = 83'428'999.90;
}
void fillWidestAmounts(EarningsPrintBuffer& b, std::size_t slot, int year) {
    EarningsSlot& s = b.rows[slot];
    s.year = QString::number(year);
    s.pole2 = 999'999'999.99;
    s.pole3 = -9'999'999.99;
    s.pole5 = 8'888'888.88;
    s.pole7 = 7'777'777.77;
    s.pole9 = 6'666'666.66;
    s.pole10 = 1'013'333'333.31;  // past the limit, with its grosze
}

// A cell of the table between its rules, in mm on the page.
QRectF cell(const std::array<double, 10>& lefts, const std::array<double, 10>& widths, int column,
            double top) {
    return QRectF(10 + lefts[std::size_t(column)], top, widths[std::size_t(column)], kRow);
}

struct CellText {
    QString text;
    int column;
};

std::vector<CellText> expectedCells(const EarningsSlot& s) {
    return {{s.year, 0},
            {amountText(s.pole2, AmountColumn::Wide).trimmed(), 1},
            {amountText(s.pole3, AmountColumn::Narrow).trimmed(), 2},
            {amountText(s.pole5, AmountColumn::Narrow).trimmed(), 4},
            {amountText(s.pole7, AmountColumn::Narrow).trimmed(), 6},
            {amountText(s.pole9, AmountColumn::Narrow).trimmed(), 8},
            {amountText(s.pole10, AmountColumn::Wide).trimmed(), 9}};
}

class Rp7LargeFont : public Rp7Forms, public ::testing::WithParamInterface<int> {};

// The issue's certificate: Times New Roman at the size the user chose for the table, amounts
// of a pre-denomination card. Every amount and year prints whole inside its cell, on both
// pages, however narrow the column.
TEST_P(Rp7LargeFont, EveryAmountPrintsWholeInsideItsCell) {
    QFont chosen(QStringLiteral("Times New Roman"));
    chosen.setPointSizeF(GetParam());
    data.fonts[2] = chosen;
    data.information = false;
    fillLargeAmounts(buffer, 0, 1993);
    fillWidestAmounts(buffer, 1, 1994);
    fillLargeAmounts(buffer, 10, 1992);
    fillWidestAmounts(buffer, 19, 1991);
    buffer.MoreThanTenRows = true;

    Tdruk1 front(Rp7Inputs{data, buffer});
    const auto pages1 = render(front, "large-1.pdf");
    ASSERT_EQ(pages1.size(), 1u);
    for (std::size_t slot : {0, 1}) {
        const double top = kRowsTop1 + double(slot) * kRow;
        for (const CellText& c : expectedCells(buffer.rows[slot]))
            formtest::expectWholeIn(pages1[0], c.text, cell(kLefts1, kWidths1, c.column, top));
    }

    Tdruk2 back(Rp7Inputs{data, buffer});
    const auto pages2 = render(back, "large-2.pdf");
    ASSERT_EQ(pages2.size(), 1u);
    for (std::size_t slot : {10, 19}) {
        const double top = kRowsTop2 + double(slot - 10) * kRow;
        for (const CellText& c : expectedCells(buffer.rows[slot]))
            formtest::expectWholeIn(pages2[0], c.text, cell(kLefts2, kWidths2, c.column, top));
    }
    // Nothing of the table overflows into a "#" picture.
    EXPECT_FALSE(pages1[0].text().contains(u'#'));
    EXPECT_FALSE(pages2[0].text().contains(u'#'));
}

INSTANTIATE_TEST_SUITE_P(ChosenSizes, Rp7LargeFont, ::testing::Values(12, 16));

// Without a chosen font the table keeps the layout's 8.25 pt, each amount right-aligned at its
// cell's padding and each year centred, as before: fitting is only for what does not fit.
TEST_F(Rp7Forms, WithTheLayoutsFontAmountsKeepTheirSizeAndPlace) {
    fillLargeAmounts(buffer, 0, 1993);
    Tdruk1 front(Rp7Inputs{data, buffer});
    const reports::Document doc = front.generate();
    const std::vector<CellText> cells = expectedCells(buffer.rows[0]);
    for (const CellText& c : cells)
        for (const reports::TextItem& t : doc.pages[0].texts)
            if (t.text == c.text)
                EXPECT_EQ(doc.pages[0].fonts[std::size_t(t.font)].pointSizeF(), 8.25)
                    << c.text.toStdString();

    const auto pages = render(front, "default.pdf");
    ASSERT_EQ(pages.size(), 1u);
    for (const CellText& c : cells) {
        SCOPED_TRACE(c.text.toStdString());
        const QString last = c.text.split(u' ').last();
        const PdfWord* w = nullptr;
        for (const PdfWord& candidate : pages[0].words)
            if (candidate.text == last && candidate.topMm() > kRowsTop1 &&
                candidate.bottomMm() < kRowsTop1 + kRow)
                w = &candidate;
        ASSERT_NE(w, nullptr);
        const double left = 10 + kLefts1[std::size_t(c.column)];
        const double right = left + kWidths1[std::size_t(c.column)];
        if (c.column == 0)
            EXPECT_NEAR((w->leftMm() + w->rightMm()) / 2, (left + right) / 2, kTolerance);
        else
            EXPECT_NEAR(w->rightMm(), right - 0.6, 0.3);
        formtest::expectWholeIn(pages[0], c.text, cell(kLefts1, kWidths1, c.column, kRowsTop1));
    }
}

// The stored font's colour is the table's ink, as its name, size and style are its type.
TEST_F(Rp7Forms, TheStoredFontsColourInksTheTable) {
    QFont chosen(QStringLiteral("Arial"));
    chosen.setPointSizeF(10);
    data.fonts[2] = PrintoutFont{chosen, QColor(0, 0, 160)};
    buffer = rowsFrom(1990, 1);
    Tdruk1 front(Rp7Inputs{data, buffer});
    const reports::Document doc = front.generate();
    int blue = 0;
    for (const reports::TextItem& t : doc.pages[0].texts) {
        if (t.text == u"1990" || t.text == u"1 000,00") {
            EXPECT_EQ(t.color, qRgb(0, 0, 160)) << t.text.toStdString();
            ++blue;
        } else {
            EXPECT_EQ(t.color, qRgb(0, 0, 0)) << t.text.toStdString();
        }
    }
    EXPECT_EQ(blue, 3);  // the year, the fixed components and the total
}

}  // namespace
}  // namespace lumiro::printouts
