// The list of insured persons: the payer's block and the heading typed in the dialog at their
// millimetres, rows numbered from 1 in the order of the rows given, over as many pages as they
// take (each following page headed by its number and the column headings), the count of
// applications, and a new numbering at every run.
#include <gtest/gtest.h>

#include "form_pdf.h"
#include "printouts/form_data.h"
#include "printouts/insured_list_form.h"

namespace lumiro::printouts {
namespace {

using namespace formtest;

constexpr double kTitleHeight = 115.4;
constexpr double kHeaderHeight = 17.5;
constexpr double kRowHeight = 6.6;
// Columns: number, name, date of birth, PESEL.
constexpr double kEdges[] = {5.3, 18.5, 79.4, 119.1, 158.5};

QString nameOf(int row) {
    return QStringLiteral("Nazwisko%1").arg(row, 2, 10, QLatin1Char('0'));
}

class InsuredListForm : public ::testing::Test {
  protected:
    InsuredListForm() {
        for (const char* column : {"POW", "NIP", "SKROT", "GMIN"})
            data.rowOf(QStringLiteral("TZlec"))
                .set(QString::fromLatin1(column), valueOf(QString::fromLatin1(column)));
    }

    void listed(int count) {
        reports::FixedRows& rows = data.rowsOf(QStringLiteral("WRP7"));
        rows = reports::FixedRows();
        for (int i = 1; i <= count; ++i)
            rows.append({{QStringLiteral("POLE1"), nameOf(i)},
                         {QStringLiteral("KP8"), QStringLiteral("urodz%1").arg(i)},
                         {QStringLiteral("KP11"), QStringLiteral("pesel%1").arg(i)}});
        listedCount = count;
    }

    // The number printed in the Lp. cell of the row holding `name`, or empty.
    static QString numberBeside(const PdfPage& page, const QString& name) {
        const PdfWord* n = word(page, name);
        if (!n) return {};
        for (const PdfWord& w : page.words)
            if (std::abs(w.topMm() - n->topMm()) < 0.3 && w.leftMm() > kMargin + kEdges[0] &&
                w.rightMm() < kMargin + kEdges[1])
                return w.text;
        return {};
    }

    // The count printed over the dots of "... wniosków ubezpieczonych." in the summary band
    // that starts `summaryTop` below the top margin.
    static QString countIn(const PdfPage& page, double summaryTop) {
        for (const PdfWord& w : page.words)
            if (std::abs(w.topMm() - (kMargin + summaryTop + 8.0)) < kTolerance &&
                w.leftMm() > kMargin + 24.0 && w.rightMm() < kMargin + 34.2)
                return w.text;
        return {};
    }

    FixedFormData data;
    int listedCount = 0;
    Tdruk9 form{data, [this] { return listedCount; }};
    PdfReader pdf;
};

TEST_F(InsuredListForm, HeadingAndPayerBlockAreWhereTheFormHasThem) {
    listed(1);
    form.setHeading(QStringLiteral("vQNUMER"), QStringLiteral("vQROK"), QStringLiteral("vQDNIA"));
    const reports::Document doc = form.generate();
    EXPECT_TRUE(doc.duplex());
    const auto pages = pdf.read(doc, "wykaz-1.pdf");
    ASSERT_EQ(pages.size(), 1u);
    expectWordAt(pages[0], QStringLiteral("vQNUMER"), 100.0, 69.8);
    expectWordAt(pages[0], QStringLiteral("vQROK"), 100.0, 87.0);
    expectWordAt(pages[0], QStringLiteral("vQDNIA"), 100.0, 116.4);
    expectTexts(pages[0], {"Załącznik nr 2",
                           "Strona : 1",
                           "(pieczątka płatnika składek)",
                           "KPP:",
                           "(nr sprawy płatnika składek)",
                           "(nr NIP płatnika składek)",
                           "REGON:",
                           "(nr REGON płatnika składek)",
                           "NKP:",
                           "(nr NKP płatnika składek)",
                           "WYKAZ",
                           "UBEZPIECZONYCH DO USTALENIA KAPITAŁU POCZĄTKOWEGO",
                           "NR",
                           "Z DNIA",
                           "Lp.",
                           "Nazwisko i Imię ubezpieczonego",
                           "Data urodzenia",
                           "PESEL",
                           "W załączeniu:",
                           "wniosków ubezpieczonych.",
                           "(podpis płatnika lub osoby upoważnionej)"});
    // Each payer's number just above the dots of its line, before its caption.
    const char* lines[][2] = {
        {"KPP:", "vPOW"}, {"NIP:", "vNIP"}, {"REGON:", "vSKROT"}, {"NKP:", "vGMIN"}};
    for (const auto& line : lines) {
        const PdfWord* label = word(pages[0], QString::fromLatin1(line[0]));
        const PdfWord* value = word(pages[0], QString::fromLatin1(line[1]));
        ASSERT_TRUE(label && value) << line[0];
        EXPECT_LT(value->topMm(), label->topMm());
        EXPECT_GT(value->bottomMm(), label->topMm());
        EXPECT_GT(value->leftMm(), label->rightMm());
    }
    // The one row right below the headings, its cells in regular type.
    const PdfWord* name = word(pages[0], nameOf(1));
    ASSERT_NE(name, nullptr);
    EXPECT_NEAR(name->leftMm(), kMargin + kEdges[1] + 1.0, kTolerance);
    EXPECT_GT(name->topMm(), kMargin + kTitleHeight);
    EXPECT_LT(name->bottomMm(), kMargin + kTitleHeight + kRowHeight);
    EXPECT_EQ(numberBeside(pages[0], nameOf(1)), QStringLiteral("1"));
    for (const reports::TextItem& t : doc.pages[0].texts) {
        if (t.text == nameOf(1) || t.text == QStringLiteral("pesel1")) {
            EXPECT_FALSE(doc.pages[0].fonts[std::size_t(t.font)].bold()) << t.text.toStdString();
        }
    }
    EXPECT_EQ(countIn(pages[0], kTitleHeight + kRowHeight), QStringLiteral("1"));
}

TEST_F(InsuredListForm, ThreeRowsAreNumberedOneToThreeAtEveryRun) {
    listed(3);
    // The labels may be set by name as well.
    form.Rap1.element(QStringLiteral("QNUMER")).caption = QStringLiteral("7");
    for (int run = 0; run < 2; ++run) {
        SCOPED_TRACE(run);
        const auto pages = pdf.read(form.generate(), "wykaz-3.pdf");
        ASSERT_EQ(pages.size(), 1u);
        double previous = 0;
        for (int i = 1; i <= 3; ++i) {
            EXPECT_EQ(numberBeside(pages[0], nameOf(i)), QString::number(i));
            const PdfWord* w = word(pages[0], nameOf(i));
            ASSERT_NE(w, nullptr);
            EXPECT_GT(w->topMm(), previous);
            previous = w->topMm();
        }
        EXPECT_TRUE(pages[0].find(QStringLiteral("4")).empty());
        EXPECT_EQ(countIn(pages[0], kTitleHeight + 3 * kRowHeight), QStringLiteral("3"));
        expectWordAt(pages[0], QStringLiteral("7"), 100.0, 69.8);
    }
}

// 24 rows fill page 1 below the 115.4 mm title band; page 2 starts with its page number and
// the column headings, then rows 25 to 40 and the summary.
TEST_F(InsuredListForm, FortyRowsGoOnToASecondPageWithTheirNumbers) {
    listed(40);
    const auto pages = pdf.read(form.generate(), "wykaz-40.pdf");
    ASSERT_EQ(pages.size(), 2u);
    for (int i = 1; i <= 40; ++i) {
        int count = 0;
        const int on = pageOf(pages, nameOf(i), &count);
        EXPECT_EQ(count, 1) << i;
        EXPECT_EQ(on, i <= 24 ? 0 : 1) << i;
        ASSERT_GE(on, 0);
        EXPECT_EQ(numberBeside(pages[std::size_t(on)], nameOf(i)), QString::number(i));
        const double rowTop =
            on == 0 ? kTitleHeight + (i - 1) * kRowHeight : kHeaderHeight + (i - 25) * kRowHeight;
        EXPECT_NEAR(word(pages[std::size_t(on)], nameOf(i))->topMm(),
                    kMargin + rowTop + (kRowHeight - 4.3) / 2, kTolerance)
            << i;
    }
    expectTexts(pages[1],
                {"Strona : 2", "Lp. Nazwisko i Imię ubezpieczonego Data urodzenia PESEL"});
    EXPECT_FALSE(pages[1].text().contains(QStringLiteral("WYKAZ")));
    EXPECT_FALSE(pages[0].text().contains(QStringLiteral("W załączeniu:")));
    EXPECT_EQ(countIn(pages[1], kHeaderHeight + 16 * kRowHeight), QStringLiteral("40"));
}

TEST_F(InsuredListForm, TheCountIsAskedAtEveryRun) {
    listed(2);
    const double summaryTop = kTitleHeight + 2 * kRowHeight;
    listedCount = 5;  // whatever the command says is listed
    auto pages = pdf.read(form.generate(), "wykaz-count.pdf");
    EXPECT_EQ(countIn(pages[0], summaryTop), QStringLiteral("5"));
    listedCount = 2;
    pages = pdf.read(form.generate(), "wykaz-count.pdf");
    EXPECT_EQ(countIn(pages[0], summaryTop), QStringLiteral("2"));
}

// Dates of birth are free text of up to 50 characters and names as long: what does not fit its
// cell prints whole in a smaller size rather than losing its end or its second line.
TEST_F(InsuredListForm, LongNamesAndDatesPrintWholeInsideTheirCells) {
    const QString name = QStringLiteral("Grzegorzewska-Szczepańczyk Małgorzata Anna Maria");
    const QString born = QStringLiteral("15 października 1948 r., Wrocław");
    reports::FixedRows& rows = data.rowsOf(QStringLiteral("WRP7"));
    rows.append({{QStringLiteral("POLE1"), name},
                 {QStringLiteral("KP8"), born},
                 {QStringLiteral("KP11"), QStringLiteral("48101501234")}});
    listedCount = 1;
    const auto pages = pdf.read(form.generate(), "wykaz-dlugie.pdf");
    ASSERT_EQ(pages.size(), 1u);
    const double top = kMargin + kTitleHeight;
    auto cell = [&](int c) {
        return QRectF(kMargin + kEdges[c], top, kEdges[c + 1] - kEdges[c], kRowHeight);
    };
    expectWholeIn(pages[0], QStringLiteral("1"), cell(0));
    expectWholeIn(pages[0], name, cell(1));
    expectWholeIn(pages[0], born, cell(2));
    expectWholeIn(pages[0], QStringLiteral("48101501234"), cell(3));
}

}  // namespace
}  // namespace lumiro::printouts
