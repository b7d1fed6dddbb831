// Layout and pagination with fixed values: where bands land, when pages break, what the
// hooks change. Positions are checked on the laid-out pages, in mm from the paper's corner.
#include <gtest/gtest.h>

#include <QFontMetricsF>
#include <QImage>
#include <QPainter>

#include "reports/fonts.h"
#include "reports/page_painter.h"
#include "reports/report.h"
#include "reports/text_measure.h"

namespace lumiro::reports {
namespace {

struct Found {
    int page = -1;
    const TextItem* item = nullptr;
};

// The first line with exactly this text, and its page.
Found findText(const Document& doc, const QString& text) {
    for (std::size_t p = 0; p < doc.pages.size(); ++p)
        for (const TextItem& t : doc.pages[p].texts)
            if (t.text == text) return {int(p), &t};
    return {};
}

int countText(const Document& doc, const QString& text) {
    int n = 0;
    for (const Page& p : doc.pages)
        for (const TextItem& t : p.texts) n += t.text == text;
    return n;
}

double ascentMm(const QFont& font) {
    return QFontMetricsF(font, referenceDevice()).ascent() / kReferenceDotsPerMm;
}

// The top of the line box of a laid-out line: its baseline less the font's ascent.
double topOf(const Document& doc, const Found& f) {
    return f.item->origin.y() -
           ascentMm(doc.pages[std::size_t(f.page)].fonts[std::size_t(f.item->font)]);
}

TEST(ReportLayout, BandsStackFromTheTopMarginAndElementsSitAtTheirOffsets) {
    Report report;
    report.page.margins = Margins{12, 10, 15, 10};
    Band& title = report.addBand(BandKind::Title, 40);
    title.addLabel(QStringLiteral("t"), QRectF(5, 7, 50, 5), QStringLiteral("Tytuł"));
    Band& summary = report.addBand(BandKind::Summary, 20);
    summary.addLabel(QStringLiteral("s"), QRectF(0, 0, 50, 5), QStringLiteral("Podsumowanie"));
    // Added before the title, printed after it: the order is the kinds'.
    Band& detail = report.addBand(BandKind::Detail, 10);
    detail.addLabel(QStringLiteral("d"), QRectF(1, 2, 50, 5), QStringLiteral("Szczegół"));

    const Document doc = report.generate();
    ASSERT_EQ(doc.pages.size(), 1u);
    const Found t = findText(doc, QStringLiteral("Tytuł"));
    const Found d = findText(doc, QStringLiteral("Szczegół"));
    const Found s = findText(doc, QStringLiteral("Podsumowanie"));
    ASSERT_TRUE(t.item && d.item && s.item);
    EXPECT_NEAR(t.item->origin.x(), 15 + 5, 1e-9);
    EXPECT_NEAR(topOf(doc, t), 12 + 7, 1e-9);
    EXPECT_NEAR(topOf(doc, d), 12 + 40 + 2, 1e-9);
    EXPECT_NEAR(topOf(doc, s), 12 + 40 + 10, 1e-9);
    EXPECT_EQ(doc.pages[0].width, 210);
    EXPECT_EQ(doc.pages[0].height, 297);
}

TEST(ReportLayout, ABandThatDoesNotFitStartsANewPageButAnOversizedOneRunsOver) {
    Report report;
    Band& title = report.addBand(BandKind::Title, 200);
    title.addLabel({}, QRectF(0, 0, 50, 5), QStringLiteral("A"));
    Band& summary = report.addBand(BandKind::Summary, 77.01);  // 10 + 200 + 77.01 > 287
    summary.addLabel({}, QRectF(0, 0, 50, 5), QStringLiteral("B"));

    Document doc = report.generate();
    ASSERT_EQ(doc.pages.size(), 2u);
    EXPECT_EQ(findText(doc, QStringLiteral("B")).page, 1);
    EXPECT_NEAR(topOf(doc, findText(doc, QStringLiteral("B"))), 10, 1e-9);

    summary.height = 77;  // ends exactly at the bottom margin: it fits
    doc = report.generate();
    EXPECT_EQ(doc.pages.size(), 1u);

    // Taller than any page: it goes to a fresh page and runs over it instead of breaking
    // pages for ever.
    summary.height = 400;
    doc = report.generate();
    ASSERT_EQ(doc.pages.size(), 2u);
    EXPECT_EQ(findText(doc, QStringLiteral("B")).page, 1);
}

// A title band, rows over a source and a summary band of the period questionnaire's sizes:
// 91.8 mm, 8.5 mm rows and 52.9 mm between margins of 10 mm (277 mm of paper).
struct RowsReport {
    Report report;
    Band& pageHeader = report.addBand(BandKind::PageHeader, 6, QStringLiteral("header"));
    Band& title = report.addBand(BandKind::Title, 91.8, QStringLiteral("title"));
    Band& rows = report.addBand(BandKind::SubDetail, 8.5, QStringLiteral("rows"));
    Band& summary = report.addBand(BandKind::Summary, 52.9, QStringLiteral("summary"));
    FixedRows data;

    explicit RowsReport(int count) {
        pageHeader.height = 0;  // present but empty unless a test gives it a height
        title.addLabel({}, QRectF(0, 0, 100, 5), QStringLiteral("KWESTIONARIUSZ"));
        rows.rowSource = QStringLiteral("TZal");
        rows.addField(QStringLiteral("cell"), QRectF(1.3, 0, 26.5, 8.5), {},
                      QStringLiteral("Pole1"))
            .framed();
        summary.addLabel({}, QRectF(0, 0, 100, 5), QStringLiteral("podpis"));
        for (int i = 1; i <= count; ++i)
            data.append({{QStringLiteral("Pole1"), QStringLiteral("w%1").arg(i)}});
    }
    Document run() { return report.generate(Sources().addRows(QStringLiteral("TZal"), data)); }
};

TEST(ReportLayout, RowsContinueOnTheNextPageAndTheSummaryFollowsTheLastRow) {
    {
        RowsReport r(15);  // 91.8 + 15 × 8.5 + 52.9 = 272.2: one page
        const Document doc = r.run();
        EXPECT_EQ(doc.pages.size(), 1u);
    }
    {
        RowsReport r(16);  // 280.7: the summary alone goes over
        const Document doc = r.run();
        ASSERT_EQ(doc.pages.size(), 2u);
        EXPECT_EQ(findText(doc, QStringLiteral("w16")).page, 0);
        EXPECT_EQ(findText(doc, QStringLiteral("podpis")).page, 1);
        EXPECT_NEAR(topOf(doc, findText(doc, QStringLiteral("podpis"))), 10, 1e-9);
    }
    {
        RowsReport r(22);  // 21 rows fit under the title; the 22nd opens page 2
        const Document doc = r.run();
        ASSERT_EQ(doc.pages.size(), 2u);
        EXPECT_EQ(findText(doc, QStringLiteral("w21")).page, 0);
        const Found w22 = findText(doc, QStringLiteral("w22"));
        EXPECT_EQ(w22.page, 1);
        EXPECT_NEAR(topOf(doc, w22), 10, 1e-9);
        const Found sum = findText(doc, QStringLiteral("podpis"));
        EXPECT_EQ(sum.page, 1);
        EXPECT_NEAR(topOf(doc, sum), 10 + 8.5, 1e-9);
        // The title is printed once.
        EXPECT_EQ(countText(doc, QStringLiteral("KWESTIONARIUSZ")), 1);
        // Every row is a ruled cell; page 1 holds 21, page 2 one.
        EXPECT_EQ(doc.pages[0].boxes.size(), 21u);
        EXPECT_EQ(doc.pages[1].boxes.size(), 1u);
    }
}

TEST(ReportLayout, RowsWithoutDataPrintOnceWithEmptyCellsOnlyWhenAsked) {
    RowsReport r(0);
    Document doc = r.run();
    ASSERT_EQ(doc.pages.size(), 1u);
    EXPECT_TRUE(doc.pages[0].boxes.empty());
    EXPECT_NEAR(topOf(doc, findText(doc, QStringLiteral("podpis"))), 10 + 91.8, 1e-9);

    r.rows.printWhenEmpty = true;
    doc = r.run();
    ASSERT_EQ(doc.pages[0].boxes.size(), 1u);  // the ruled row, without text
    EXPECT_NEAR(doc.pages[0].boxes[0].rect.top(), 10 + 91.8, 1e-9);
    EXPECT_EQ(doc.pages[0].texts.size(), 2u);  // title and summary only
    EXPECT_NEAR(topOf(doc, findText(doc, QStringLiteral("podpis"))), 10 + 91.8 + 8.5, 1e-9);
}

TEST(ReportLayout, PageHeadersRepeatAndPrintBeforeTheTitle) {
    RowsReport r(40);
    r.pageHeader.height = 12;
    r.pageHeader.addLabel({}, QRectF(0, 0, 50, 5), QStringLiteral("NAGŁÓWEK"));
    Document doc = r.run();
    ASSERT_EQ(doc.pages.size(), 2u);
    for (const Page& page : doc.pages) {
        const auto& first = page.texts.front();
        EXPECT_EQ(first.text, QStringLiteral("NAGŁÓWEK"));
    }
    EXPECT_NEAR(topOf(doc, findText(doc, QStringLiteral("KWESTIONARIUSZ"))), 10 + 12, 1e-9);

    r.pageHeader.onFirstPage = false;
    doc = r.run();
    EXPECT_EQ(countText(doc, QStringLiteral("NAGŁÓWEK")), int(doc.pages.size()) - 1);
    EXPECT_NEAR(topOf(doc, findText(doc, QStringLiteral("KWESTIONARIUSZ"))), 10, 1e-9);
}

TEST(ReportLayout, ColumnHeadersHeadEveryFollowingPageWithItsNumber) {
    RowsReport r(60);
    Band& columns = r.report.addBand(BandKind::ColumnHeader, 17.5);
    columns.addLabel({}, QRectF(0, 0, 30, 5), QStringLiteral("Lp."));
    columns.addPageNumber(QStringLiteral("strona"), QRectF(150, 0, 40, 5),
                          QStringLiteral("Strona : %1"));
    columns.onFirstPage = false;  // the title already ends with the headings
    Document doc = r.run();
    ASSERT_EQ(doc.pages.size(), 3u);
    EXPECT_EQ(countText(doc, QStringLiteral("Lp.")), 2);
    EXPECT_EQ(findText(doc, QStringLiteral("Strona : 2")).page, 1);
    EXPECT_EQ(findText(doc, QStringLiteral("Strona : 3")).page, 2);
    EXPECT_EQ(findText(doc, QStringLiteral("Strona : 1")).page, -1);
    // Rows resume below the column header.
    const Found w22 = findText(doc, QStringLiteral("w22"));
    EXPECT_EQ(w22.page, 1);
    EXPECT_NEAR(topOf(doc, w22), 10 + 17.5, 1e-9);

    columns.onFirstPage = true;  // directly below the title on page 1
    doc = r.run();
    const Found first = findText(doc, QStringLiteral("Lp."));
    EXPECT_EQ(first.page, 0);
    EXPECT_NEAR(topOf(doc, first), 10 + 91.8, 1e-9);
    EXPECT_NEAR(topOf(doc, findText(doc, QStringLiteral("w1"))), 10 + 91.8 + 17.5, 1e-9);
}

TEST(ReportLayout, PageFootersSitAtTheFootAndLeaveTheirRoom) {
    RowsReport r(30);
    Band& footer = r.report.addBand(BandKind::PageFooter, 10);
    footer.addPageNumber({}, QRectF(0, 0, 190, 5), QStringLiteral("Strona %1 z %2"))
        .align(Qt::AlignRight | Qt::AlignTop);
    const Document doc = r.run();
    ASSERT_EQ(doc.pages.size(), 2u);
    const Found f1 = findText(doc, QStringLiteral("Strona 1 z 2"));
    const Found f2 = findText(doc, QStringLiteral("Strona 2 z 2"));
    ASSERT_TRUE(f1.item && f2.item);
    EXPECT_EQ(f2.page, 1);
    EXPECT_NEAR(topOf(doc, f1), 297 - 10 - 10, 1e-9);
    // Rows stop above the footer: 91.8 + 20 × 8.5 = 261.8 ≤ 267 < 270.3.
    EXPECT_EQ(findText(doc, QStringLiteral("w20")).page, 0);
    EXPECT_EQ(findText(doc, QStringLiteral("w21")).page, 1);
    // Right-aligned after the count was filled in.
    TextMeasure measure;
    const double width =
        measure.width(measure.fontId(r.report.font), QStringLiteral("Strona 2 z 2"));
    EXPECT_NEAR(f2.item->origin.x() + width, 10 + 190, 1e-6);
}

TEST(ReportLayout, HooksChangeCaptionsFontsAndEnabledStateAndMaySuppressABand) {
    Report report;
    Band& title = report.addBand(BandKind::Title, 50);
    Element& caption =
        title.addLabel(QStringLiteral("a1"), QRectF(0, 0, 40, 5), QStringLiteral("x"));
    Element& info = title.addMemo(QStringLiteral("INFORMACJA"), QRectF(0, 10, 100, 30),
                                  QStringLiteral("Informacja"));
    Band& extra = report.addBand(BandKind::Summary, 100);
    extra.addLabel({}, QRectF(0, 0, 40, 5), QStringLiteral("ciąg dalszy"));
    Band& after = report.addBand(BandKind::Summary, 10);
    after.addLabel({}, QRectF(0, 0, 40, 5), QStringLiteral("koniec"));

    bool informationOn = false;
    bool continuation = false;
    report.beforePrint = [&](Report& r) {
        r.element(QStringLiteral("INFORMACJA")).enabled = informationOn;
    };
    title.beforePrint = [&](Band&) {
        caption.caption = QStringLiteral("2004");
        caption.font = QFont(QStringLiteral("Arial"));
        caption.font.setPointSizeF(12);
        return true;
    };
    extra.beforePrint = [&](Band&) { return continuation; };

    Document doc = report.generate();
    ASSERT_EQ(doc.pages.size(), 1u);
    const Found year = findText(doc, QStringLiteral("2004"));
    ASSERT_TRUE(year.item);
    EXPECT_EQ(doc.pages[0].fonts[std::size_t(year.item->font)].pointSizeF(), 12);
    EXPECT_EQ(findText(doc, QStringLiteral("Informacja")).item, nullptr);
    EXPECT_EQ(findText(doc, QStringLiteral("ciąg dalszy")).item, nullptr);
    // A suppressed band takes no room.
    EXPECT_NEAR(topOf(doc, findText(doc, QStringLiteral("koniec"))), 10 + 50, 1e-9);

    informationOn = true;
    continuation = true;
    doc = report.generate();
    EXPECT_NE(findText(doc, QStringLiteral("Informacja")).item, nullptr);
    EXPECT_NE(findText(doc, QStringLiteral("ciąg dalszy")).item, nullptr);
    EXPECT_TRUE(info.enabled);
}

// The list of insured numbers its rows with a counter the report hook resets: every run,
// printed again from the preview included, starts at 1.
TEST(ReportLayout, TheReportHookRunsOnceBeforeEveryRunAndBandHooksOncePerRow) {
    Report report;
    report.addBand(BandKind::Title, 20).addLabel({}, QRectF(0, 0, 10, 5), QStringLiteral("WYKAZ"));
    Band& rows = report.addBand(BandKind::SubDetail, 6.6);
    rows.rowSource = QStringLiteral("WRP7");
    Element& number = rows.addLabel(QStringLiteral("pozycja"), QRectF(5.3, 0, 13, 6.6), {});
    number.align(Qt::AlignHCenter | Qt::AlignTop);
    rows.addField({}, QRectF(18.5, 0, 60, 6.6), {}, QStringLiteral("POLE1"));
    Band& summary = report.addBand(BandKind::Summary, 43.4);
    Element& count = summary.addLabel(QStringLiteral("ilosc"), QRectF(20, 0, 20, 5), {});

    int counter = 0;
    int reportRuns = 0;
    std::vector<QString> seenRows;
    FixedRows insured({{{QStringLiteral("POLE1"), QStringLiteral("Kowalski Jan")}},
                       {{QStringLiteral("POLE1"), QStringLiteral("Nowak Anna")}},
                       {{QStringLiteral("POLE1"), QStringLiteral("Wiśniewska Ewa")}}});
    report.beforePrint = [&](Report&) {
        ++reportRuns;
        counter = 0;
        count.caption = QString::number(insured.size());
    };
    rows.beforePrint = [&](Band&) {
        // The row is current while its hook runs.
        seenRows.push_back(insured.text(QStringLiteral("POLE1")));
        number.caption = QString::number(++counter);
        return true;
    };

    for (int run = 1; run <= 2; ++run) {
        seenRows.clear();
        const Document doc = report.generate(Sources().addRows(QStringLiteral("WRP7"), insured));
        EXPECT_EQ(reportRuns, run);
        EXPECT_EQ(seenRows, (std::vector<QString>{QStringLiteral("Kowalski Jan"),
                                                  QStringLiteral("Nowak Anna"),
                                                  QStringLiteral("Wiśniewska Ewa")}));
        const Found one = findText(doc, QStringLiteral("1"));
        const Found three = findText(doc, QStringLiteral("3"));
        ASSERT_TRUE(one.item && three.item);
        EXPECT_NEAR(topOf(doc, one), 10 + 20, 1e-9);
        EXPECT_NEAR(topOf(doc, three), 10 + 20 + 2 * 6.6, 1e-9);
        // The count in the summary is the second "3".
        EXPECT_EQ(countText(doc, QStringLiteral("3")), 2);
        EXPECT_EQ(countText(doc, QStringLiteral("4")), 0);
    }
}

TEST(ReportLayout, FieldsReadTheirSourcesAndGrowToTheRight) {
    Report report;
    Band& title = report.addBand(BandKind::Title, 270);
    Element& name = title
                        .addField(QStringLiteral("nazwisko"), QPointF(21.2, 50.3),
                                  QStringLiteral("TRP7"), QStringLiteral("POLE1"))
                        .bold()
                        .framed();
    title.addField({}, QPointF(50.8, 21.2), QStringLiteral("TZlec"), QStringLiteral("NIP"));
    title.addField({}, QPointF(50.8, 30), QStringLiteral("TZlec"), QStringLiteral("BRAK"));
    FixedValues employee{{QStringLiteral("POLE1"), QStringLiteral("Kowalski Jan")}};
    FixedValues payer{{QStringLiteral("NIP"), QStringLiteral("123-456-32-18")}};

    const Document doc = report.generate(
        Sources().add(QStringLiteral("TRP7"), employee).add(QStringLiteral("TZlec"), payer));
    const Found n = findText(doc, QStringLiteral("Kowalski Jan"));
    ASSERT_TRUE(n.item);
    EXPECT_TRUE(doc.pages[0].fonts[std::size_t(n.item->font)].bold());
    EXPECT_NEAR(n.item->origin.x(), 10 + 21.2, 1e-9);
    EXPECT_NEAR(topOf(doc, n), 10 + 50.3, 1e-9);
    EXPECT_NE(findText(doc, QStringLiteral("123-456-32-18")).item, nullptr);
    EXPECT_EQ(doc.pages[0].texts.size(), 2u);  // an empty column prints nothing

    // The frame follows the text's width.
    ASSERT_EQ(doc.pages[0].boxes.size(), 1u);
    TextMeasure measure;
    const double width = measure.width(measure.fontId(name.font), QStringLiteral("Kowalski Jan"));
    EXPECT_NEAR(doc.pages[0].boxes[0].rect.width(), width, 1e-9);
    EXPECT_GT(width, 10);

    // A source the layout names but the run lacks is a fault of the caller, said in Polish.
    try {
        report.generate(Sources().add(QStringLiteral("TRP7"), employee));
        FAIL() << "no error";
    } catch (const ReportError& e) {
        EXPECT_NE(QString::fromUtf8(e.what()).indexOf(QStringLiteral("TZlec")), -1);
    }
}

TEST(ReportLayout, CellsAlignWrapAndClipTheirText) {
    Report report;
    Band& title = report.addBand(BandKind::Title, 100);
    const QRectF cell(56.1, 10, 18, 7.9);
    const QRectF wide(100, 10, 60, 5);
    title.addLabel({}, wide, QStringLiteral("999 999 999,99")).align(Qt::AlignRight | Qt::AlignTop);
    title.addLabel({}, wide.translated(0, 10), QStringLiteral("2004"))
        .align(Qt::AlignHCenter | Qt::AlignTop);
    Element& kind =
        title.addLabel(QStringLiteral("d1"), cell,
                       QStringLiteral("ekwiwalent za urlop wypoczynkowy niewykorzystany"));
    kind.align(Qt::AlignHCenter | Qt::AlignTop).wrapped().clipped();

    const Document doc = report.generate();
    const Page& page = doc.pages[0];
    TextMeasure measure;
    const int font = measure.fontId(report.font);
    const double lineHeight = measure.metrics(font).lineHeight;

    const Found right = findText(doc, QStringLiteral("999 999 999,99"));
    EXPECT_NEAR(right.item->origin.x() + measure.width(font, right.item->text), 10 + wide.right(),
                1e-6);
    const Found centre = findText(doc, QStringLiteral("2004"));
    EXPECT_NEAR(centre.item->origin.x() + measure.width(font, QStringLiteral("2004")) / 2,
                10 + wide.center().x(), 1e-6);

    // The kind wraps into lines no wider than the cell, centred, and only the lines that
    // start inside the cell are kept; they are clipped to it.
    std::vector<const TextItem*> lines;
    for (const TextItem& t : page.texts)
        if (t.clip >= 0) lines.push_back(&t);
    const int fitting = int(7.9 / lineHeight) + (std::fmod(7.9, lineHeight) > 1e-9 ? 1 : 0);
    ASSERT_EQ(int(lines.size()), fitting);
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[0]->text, QStringLiteral("ekwiwalent za"));
    for (const TextItem* t : lines) {
        const double w = measure.width(font, t->text);
        EXPECT_LE(w, cell.width() + 1e-6) << t->text.toStdString();
        EXPECT_NEAR(t->origin.x() + w / 2, 10 + cell.center().x(), 1e-6);
        EXPECT_EQ(page.clips[std::size_t(t->clip)], cell.translated(10, 10));
    }
    EXPECT_NEAR(lines[1]->origin.y() - lines[0]->origin.y(), lineHeight, 1e-9);
}

// An amount or a date never loses a digit: what does not fit its cell in the chosen font is set
// in a smaller size of that font, whole, inside the cell; what fits keeps its font and place.
TEST(ReportLayout, ShrinkToFitSetsTheWholeTextInsideItsCellInASmallerSizeOfTheSameFont) {
    Report report;
    QFont large = timesFont(16 / 0.75, true);  // 16 pt, as a user may choose for the table
    Band& title = report.addBand(BandKind::Title, 100);
    const QRectF amount(15.7, 10, 21.8, 7.3);
    const QRectF year(2.2, 20, 12.3, 7.3);
    const QRectF low(40, 30, 60, 3.0);  // wide enough, but lower than one line of the font
    const QRectF roomy(100, 10, 80, 7.3);
    title.addLabel({}, amount, QStringLiteral("43 429 000,00"))
        .withFont(large)
        .align(Qt::AlignRight | Qt::AlignVCenter)
        .clipped()
        .shrinkingToFit();
    title.addLabel({}, year, QStringLiteral("1993 r."))
        .withFont(large)
        .align(Qt::AlignHCenter | Qt::AlignVCenter)
        .shrinkingToFit();
    title.addLabel({}, low, QStringLiteral("12,00"))
        .withFont(large)
        .align(Qt::AlignRight | Qt::AlignVCenter)
        .shrinkingToFit();
    title.addLabel({}, roomy, QStringLiteral("9 999 999,99"))
        .withFont(large)
        .align(Qt::AlignRight | Qt::AlignVCenter)
        .shrinkingToFit();

    const Document doc = report.generate();
    const Page& page = doc.pages[0];
    TextMeasure measure;
    auto check = [&](const QString& text, const QRectF& cell, bool shrunk) -> double {
        SCOPED_TRACE(text.toStdString());
        const Found f = findText(doc, text);
        if (!f.item) {
            ADD_FAILURE() << "not laid out";
            return 0;
        }
        const QFont& font = page.fonts[std::size_t(f.item->font)];
        EXPECT_EQ(font.family(), large.family());
        EXPECT_EQ(font.bold(), large.bold());
        if (shrunk)
            EXPECT_LT(font.pointSizeF(), large.pointSizeF());
        else
            EXPECT_EQ(font.pointSizeF(), large.pointSizeF());
        const int id = measure.fontId(font);
        const QRectF box = cell.translated(10, 10);
        const double left = f.item->origin.x();
        const double top = f.item->origin.y() - measure.metrics(id).ascent;
        EXPECT_GE(left, box.left() - 1e-6);
        EXPECT_LE(left + measure.width(id, text), box.right() + 1e-6);
        EXPECT_GE(top, box.top() - 1e-6);
        EXPECT_LE(top + measure.metrics(id).lineHeight, box.bottom() + 1e-6);
        EXPECT_EQ(f.item->clip, -1);  // nothing of it is cut away
        return measure.width(id, text);
    };
    // Shrunk only as far as needed: the amount still fills most of its cell.
    EXPECT_GT(check(QStringLiteral("43 429 000,00"), amount, true), 0.9 * amount.width());
    check(QStringLiteral("1993 r."), year, true);
    check(QStringLiteral("12,00"), low, true);
    check(QStringLiteral("9 999 999,99"), roomy, false);
}

TEST(ReportLayout, TextKeepsTheColourOfItsElementOnPaper) {
    Report report;
    Band& title = report.addBand(BandKind::Title, 40);
    Element& red = title.addLabel({}, QRectF(0, 0, 60, 8), QStringLiteral("ZAROBKI"));
    red.font = timesFont(40);
    red.color = QColor(200, 0, 0);
    title.addLabel({}, QRectF(0, 20, 60, 8), QStringLiteral("ZUS")).withFont(timesFont(40));
    const Document doc = report.generate();
    const Page& page = doc.pages[0];
    EXPECT_EQ(findText(doc, QStringLiteral("ZAROBKI")).item->color, qRgb(200, 0, 0));
    EXPECT_EQ(findText(doc, QStringLiteral("ZUS")).item->color, qRgb(0, 0, 0));

    // The painter draws it so: red ink in the first line, none in the second.
    QImage image(210 * 4, 60 * 4, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    paintPage(painter, page, 4);
    painter.end();
    auto redInk = [&](int fromY, int toY) {
        int n = 0;
        for (int y = fromY; y < toY; ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QRgb p = image.pixel(x, y);
                n += qRed(p) > 150 && qGreen(p) < 80 && qBlue(p) < 80;
            }
        return n;
    };
    EXPECT_GT(redInk(10 * 4, 18 * 4), 50);
    EXPECT_EQ(redInk(30 * 4, 38 * 4), 0);
}

TEST(ReportLayout, RulesBoxesAndRichTextKeepTheirPlaces) {
    Report report;
    report.page.duplex = true;
    Band& title = report.addBand(BandKind::Title, 100);
    title.addRule(QPointF(0, 20), QPointF(190, 20), 0.3);
    title.addBox(QRectF(1.6, 30, 13.5, 7.9));
    title.addRichText(QStringLiteral("Informacja"), QRectF(2.1, 40, 167.5, 50),
                      QStringLiteral("<p><b>INFORMACJA</b></p><p>1. Okresy składkowe.</p>"));
    const Document doc = report.generate();
    const Page& page = doc.pages[0];
    EXPECT_TRUE(doc.duplex());
    ASSERT_EQ(page.lines.size(), 1u);
    EXPECT_EQ(page.lines[0].line, QLineF(10, 30, 200, 30));
    EXPECT_EQ(page.lines[0].pen, 0.3);
    ASSERT_EQ(page.boxes.size(), 1u);
    EXPECT_EQ(page.boxes[0].rect, QRectF(11.6, 40, 13.5, 7.9));
    ASSERT_EQ(page.richTexts.size(), 1u);
    EXPECT_EQ(page.richTexts[0].rect, QRectF(12.1, 50, 167.5, 50));
    EXPECT_TRUE(page.plainText().contains(QStringLiteral("1. Okresy składkowe.")));

    // Laid out once: the next run shares the same document.
    const Document again = report.generate();
    EXPECT_EQ(again.pages[0].richTexts[0].document, page.richTexts[0].document);
}

}  // namespace
}  // namespace lumiro::reports
