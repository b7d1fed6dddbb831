// Attachment 1 to the Rp-7: the personal lines at their millimetres, one ruled row per benefit
// period in the table's order, one empty ruled row when there is none, and the summary below.
#include <gtest/gtest.h>

#include "form_pdf.h"
#include "printouts/attachment_form.h"
#include "printouts/form_data.h"

namespace lumiro::printouts {
namespace {

using namespace formtest;

constexpr double kTitleHeight = 68.5;
constexpr double kRowHeight = 5.3;
// The table's columns: title of the benefit, from, to.
constexpr double kEdges[] = {2.1, 105.8, 133.6, 161.4};

class AttachmentForm : public ::testing::Test {
  protected:
    AttachmentForm() {
        for (const char* column : {"R1", "R2", "R3", "R4", "R5", "POLE32"})
            data.rowOf(QStringLiteral("TRP7"))
                .set(QString::fromLatin1(column), valueOf(QString::fromLatin1(column)));
    }

    FixedFormData data;
    PdfReader pdf;
};

TEST_F(AttachmentForm, FieldsRowsAndSummaryAreWhereTheFormHasThem) {
    reports::FixedRows& rows = data.rowsOf(QStringLiteral("Tzal2"));
    for (int i = 1; i <= 3; ++i)
        rows.append({{QStringLiteral("Pole1"), QStringLiteral("zasiłek%1").arg(i)},
                     {QStringLiteral("Pole2"), QStringLiteral("1995.03.0%1").arg(i)},
                     {QStringLiteral("Pole3"), QStringLiteral("1995.04.0%1").arg(i)}});
    Tdruk6 form(data);
    const reports::Document doc = form.generate();
    EXPECT_FALSE(doc.duplex());
    const auto pages = pdf.read(doc, "zal.pdf");
    ASSERT_EQ(pages.size(), 1u);
    const struct {
        double top, left;
        const char* column;
    } fields[] = {{21.2, 16.9, "R1"},
                  {21.2, 76.2, "R2"},
                  {21.2, 131.2, "R3"},
                  {27.5, 16.9, "R4"},
                  {27.5, 63.5, "R5"}};
    for (const auto& f : fields)
        expectWordAt(pages[0], valueOf(QString::fromLatin1(f.column)), f.top, f.left);
    expectTexts(pages[0],
                {"ZAŁĄCZNIK 1 DO RP 7", "WYKAZ OKRESÓW NIESKŁADKOWYCH",
                 "Nazwisko:", "Imię:", "Data ur.:", "PESEL", "NIP", "Tytuł zasiłku", "Okres", "od",
                 "do", "1 2 3", "data", "podpis i pieczęć", "Załącznik 1 do RP-7", "VX Bertwald"});
    // Each row once, in order, its three cells centred in their columns.
    for (int i = 1; i <= 3; ++i) {
        const double rowTop = kMargin + kTitleHeight + (i - 1) * kRowHeight;
        const QString texts[] = {QStringLiteral("zasiłek%1").arg(i),
                                 QStringLiteral("1995.03.0%1").arg(i),
                                 QStringLiteral("1995.04.0%1").arg(i)};
        for (int c = 0; c < 3; ++c) {
            const auto found = pages[0].find(texts[c]);
            ASSERT_EQ(found.size(), 1u) << texts[c].toStdString();
            const PdfWord& w = found.front();
            EXPECT_NEAR((w.leftMm() + w.rightMm()) / 2, kMargin + (kEdges[c] + kEdges[c + 1]) / 2,
                        kTolerance);
            EXPECT_GT(w.topMm(), rowTop);
            EXPECT_LT(w.bottomMm(), rowTop + kRowHeight);
        }
    }
    // The date of the attachment, centred over its dotted line, after the last row.
    const double summaryTop = kTitleHeight + 3 * kRowHeight;
    const PdfWord* date = word(pages[0], QStringLiteral("vPOLE32"));
    ASSERT_NE(date, nullptr);
    EXPECT_NEAR(date->topMm(), kMargin + summaryTop + 31.8, kTolerance);
    EXPECT_NEAR((date->leftMm() + date->rightMm()) / 2, kMargin + 22.2 + 25.0, kTolerance);
}

TEST_F(AttachmentForm, NoBenefitPeriodsPrintOneEmptyRuledRow) {
    Tdruk6 form(data);
    const reports::Document doc = form.generate();
    ASSERT_EQ(doc.pages.size(), 1u);
    int cells = 0;
    for (const reports::BoxItem& box : doc.pages[0].boxes)
        if (std::abs(box.rect.top() - (kMargin + kTitleHeight)) < 0.01 &&
            std::abs(box.rect.height() - kRowHeight) < 0.01)
            ++cells;
    EXPECT_EQ(cells, 3);
    for (const reports::TextItem& t : doc.pages[0].texts) {
        const double y = t.origin.y() - kMargin;
        EXPECT_FALSE(y > kTitleHeight && y < kTitleHeight + kRowHeight) << t.text.toStdString();
    }
    // The summary follows the empty row.
    const auto pages = pdf.read(doc, "zal-empty.pdf");
    const PdfWord* date = word(pages[0], QStringLiteral("vPOLE32"));
    ASSERT_NE(date, nullptr);
    EXPECT_NEAR(date->topMm(), kMargin + kTitleHeight + kRowHeight + 31.8, kTolerance);
}

// The period's dates are free text of up to 50 characters: one too long for its column prints
// whole in a smaller size instead of wrapping onto a second line the row has no room for.
TEST_F(AttachmentForm, ALongDatePrintsWholeInsideItsCell) {
    const QString from = QStringLiteral("1995.03.01 (od rana)");
    const QString to = QStringLiteral("1995.04.30 włącznie, po korekcie");
    data.rowsOf(QStringLiteral("Tzal2"))
        .append({{QStringLiteral("Pole1"), QStringLiteral("chorobowy")},
                 {QStringLiteral("Pole2"), from},
                 {QStringLiteral("Pole3"), to}});
    Tdruk6 form(data);
    const auto pages = pdf.read(form.generate(), "zal-dlugie.pdf");
    ASSERT_EQ(pages.size(), 1u);
    const double top = kMargin + kTitleHeight;
    expectWholeIn(pages[0], from,
                  QRectF(kMargin + kEdges[1], top, kEdges[2] - kEdges[1], kRowHeight));
    expectWholeIn(pages[0], to,
                  QRectF(kMargin + kEdges[2], top, kEdges[3] - kEdges[2], kRowHeight));
}

}  // namespace
}  // namespace lumiro::printouts
