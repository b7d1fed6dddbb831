// The system printer's writer painted into PDF through the printer's own painting, and read
// back with poppler as a reader would see the paper.
#include <gtest/gtest.h>

#include <QFileInfo>

#include <algorithm>
#include <optional>

#include "data/information_notes.h"
#include "pdf_probe.h"
#include "platform/prompter.h"
#include "support/temp_dir.h"
#include "textreports/gui/painter_canvas.h"
#include "textreports/text_print_engine.h"

namespace lumiro::textreports {
namespace {

using namespace Qt::StringLiterals;
using test::PdfPage;
using test::PdfWord;

constexpr double kUnit = 72.0 / 300.0;           // 1/300 inch in PDF points
constexpr double kTopMargin = 72.0 / 25.4 * 10;  // the canvas's 10 mm
constexpr double kPrintableBottom = 72.0 / 25.4 * (297 - 10);

class PrinterPdfTest : public ::testing::Test {
  protected:
    PrinterPdfTest() : pdf_(QString::fromStdString(dir_.file("wydruk.pdf"))) {
        TextPrintEngine::Host host;
        host.prompter = &prompter_;
        host.companyLabel = [] { return u"Przedsiębiorstwo Łódź"_s; };
        host.applicationTitle = u"Lumiro 7.0"_s;
        host.today = [] { return u"2026.12.31"_s; };
        host.openPrinter = [this]() -> std::unique_ptr<PageCanvas> {
            return std::make_unique<PdfCanvas>(pdf_, 300);
        };
        engine_ = std::make_unique<TextPrintEngine>(std::move(host));
        engine_->settings().DRTYP = kWindowsPrinter;
        engine_->settings().DRBUFOR = true;
    }

    std::vector<PdfPage> pages() {
        EXPECT_TRUE(QFileInfo::exists(pdf_));
        return test::readPdfWords(pdf_);
    }
    static std::optional<PdfWord> word(const PdfPage& page, const QString& text) {
        const auto found = page.find(text);
        if (found.empty()) return std::nullopt;
        return found.front();
    }

    lumiro::test::TempDir dir_;
    QString pdf_;
    platform::ScriptedPrompter prompter_;
    std::unique_ptr<TextPrintEngine> engine_;
};

TEST_F(PrinterPdfTest, LinesSitAtTheirHeightsInTheMonospacedFont) {
    engine_->settings().DRLEWY = 4;
    ASSERT_TRUE(engine_->OtworzWydruk(u"Wysokości"_s, false, 0, 0, false));
    for (const QString& line : {u"&Ga1"_s, u"a2"_s, u"a3"_s, u"&Nb1"_s, u"b2"_s, u"&Rc1"_s, u"c2"_s,
                                u"&GŁódź ąęśćżźńół"_s})
        engine_->DrukujLinie(line);
    engine_->ZamknijWydruk(false);
    EXPECT_TRUE(prompter_.questions().empty());

    const std::vector<PdfPage> read = pages();
    ASSERT_EQ(read.size(), 1u);
    const PdfPage& page = read[0];
    for (const char* name : {"a1", "a2", "a3", "b1", "b2", "c1", "c2", "Łódź"})
        ASSERT_TRUE(word(page, QString::fromUtf8(name)))
            << name << " in " << page.text().toStdString();
    EXPECT_NEAR(word(page, u"a2"_s)->yMin - word(page, u"a1"_s)->yMin, 40 * kUnit, 0.05);
    EXPECT_NEAR(word(page, u"a3"_s)->yMin - word(page, u"a2"_s)->yMin, 40 * kUnit, 0.05);
    EXPECT_NEAR(word(page, u"b2"_s)->yMin - word(page, u"b1"_s)->yMin, 50 * kUnit, 0.05);
    EXPECT_NEAR(word(page, u"c2"_s)->yMin - word(page, u"c1"_s)->yMin, 65 * kUnit, 0.05);
    // The first line's box starts at the top of the printable area; the left margin is 20
    // units a character.
    EXPECT_NEAR(word(page, u"a1"_s)->yMin, kTopMargin, 0.5);
    EXPECT_NEAR(word(page, u"a1"_s)->xMin, kTopMargin + 4 * 20 * kUnit, 0.5);
    // Sizes of 8, 12 and 16 points: the glyph boxes grow with them.
    const double h8 = word(page, u"a1"_s)->yMax - word(page, u"a1"_s)->yMin;
    const double h12 = word(page, u"b1"_s)->yMax - word(page, u"b1"_s)->yMin;
    const double h16 = word(page, u"c1"_s)->yMax - word(page, u"c1"_s)->yMin;
    EXPECT_NEAR(h12 / h8, 12.0 / 8.0, 0.05);
    EXPECT_NEAR(h16 / h8, 16.0 / 8.0, 0.05);
    EXPECT_TRUE(word(page, u"ąęśćżźńół"_s));

    bool monospaced = false;
    for (const test::PdfFont& font : test::readPdfFonts(pdf_)) {
        if (font.name.contains(u"LiberationMono"_s) || font.name.contains(u"DejaVuSansMono"_s))
            monospaced = font.embedded;
    }
    EXPECT_TRUE(monospaced);
}

// The printable height of A4 less 10 mm margins is 3271 units. 79 condensed lines and one
// normal line end at 3210; an expanded line would end at 3275, past the page, so it starts
// the next page.
TEST_F(PrinterPdfTest, ALineThatWouldPassThePageEndStartsTheNextPage) {
    ASSERT_TRUE(engine_->OtworzWydruk(u"Strony"_s, false, 0, 0, false));
    for (int i = 1; i <= 79; ++i) engine_->DrukujLinie(u"&Gw%1"_s.arg(i));
    engine_->DrukujLinie(u"&Nnormalny"_s);
    engine_->DrukujLinie(u"&Rszeroki"_s);
    engine_->DrukujLinie(u"&Gdalej"_s);
    engine_->ZamknijWydruk(false);

    const std::vector<PdfPage> read = pages();
    ASSERT_EQ(read.size(), 2u);
    ASSERT_TRUE(word(read[0], u"w79"_s));
    ASSERT_TRUE(word(read[0], u"normalny"_s));
    EXPECT_FALSE(word(read[0], u"szeroki"_s));
    ASSERT_TRUE(word(read[1], u"szeroki"_s));
    EXPECT_NEAR(word(read[1], u"szeroki"_s)->yMin, kTopMargin, 0.5);
    EXPECT_NEAR(word(read[1], u"dalej"_s)->yMin, kTopMargin + 65 * kUnit, 0.5);
    EXPECT_LE(word(read[0], u"normalny"_s)->yMin + 50 * kUnit, kPrintableBottom + 0.05);
}

// A top margin of 99 lines does not fit an A4 page with its heading: the printout still ends,
// each later page carries its heading and rows, and nothing is drawn past a page's end.
TEST_F(PrinterPdfTest, OversizedTopMarginDoesNotRepeatTheHeadingForEver) {
    engine_->settings().DRGORA = 99;
    ASSERT_TRUE(engine_->OtworzWydruk(u"Margines"_s, false, 0, 1, true));
    engine_->setNaglowek(1, u"|NAGŁÓWEK|"_s);
    for (int i = 1; i <= 150; ++i) engine_->DrukujLinie(u"wiersz%1"_s.arg(i));
    engine_->ZamknijWydruk(true);

    const std::vector<PdfPage> read = pages();
    ASSERT_GE(read.size(), 2u);
    int rows = 0;
    std::size_t firstRows = read.size();
    for (std::size_t p = 0; p < read.size(); ++p) {
        for (const PdfWord& w : read[p].words) {
            EXPECT_LE(w.yMin + 40 * kUnit, kPrintableBottom + 0.05) << w.text.toStdString();
            if (w.text.startsWith(u"wiersz"_s)) {
                ++rows;
                firstRows = std::min(firstRows, p);
            }
        }
    }
    EXPECT_EQ(rows, 150);
    for (std::size_t p = firstRows + 1; p < read.size(); ++p) {
        EXPECT_TRUE(word(read[p], u"|NAGŁÓWEK|"_s)) << "page " << p + 1;
        EXPECT_TRUE(read[p].text().contains(u"Strona : %1"_s.arg(p + 1))) << "page " << p + 1;
    }
    EXPECT_TRUE(read.back().text().contains(u"Koniec wydruku: Margines"_s));

    const QString folder = qEnvironmentVariable("LUMIRO_SCREENSHOTS");
    if (!folder.isEmpty()) {
        EXPECT_FALSE(
            test::renderPdfPage(pdf_, int(firstRows) + 2, 60, folder + u"/margin"_s).isEmpty());
    }
}

// A note on the printer, as "Drukuj" of the information window sends it: condensed lines,
// every one of them, none past a page's end.
TEST_F(PrinterPdfTest, InformationNoteOnThePrinter) {
    engine_->settings().DRBUFOR = false;
    const QStringList lines = data::informationNoteLines(data::InformationNote::Rp7);
    engine_->printNote(lines);
    EXPECT_TRUE(prompter_.questions().empty());

    const std::vector<PdfPage> read = pages();
    ASSERT_EQ(read.size(), 1u) << "80 condensed lines fit one page";
    EXPECT_TRUE(read[0].text().startsWith(lines[0].simplified()));
    const QStringList lastWords = lines.last().simplified().split(u' ');
    EXPECT_TRUE(read[0].text().endsWith(lastWords.last())) << "the last line is printed too";
    for (const PdfWord& w : read[0].words) EXPECT_LE(w.yMin + 40 * kUnit, kPrintableBottom);

    const QString folder = qEnvironmentVariable("LUMIRO_SCREENSHOTS");
    if (!folder.isEmpty()) {
        EXPECT_FALSE(test::renderPdfPage(pdf_, 1, 100, folder + u"/nota_rp7"_s).isEmpty());
    }
}

}  // namespace
}  // namespace lumiro::textreports
