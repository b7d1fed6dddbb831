// Reading a form back from its PDF, as the layout tests of the documents do. Positions are
// checked against the millimetres a layout gives from its band's top left corner; the bands
// start at the 10 mm margins.
//
// pdftotext reports a word's box with xMin at the first glyph's origin and yMin at the
// baseline less the font's ascent: the top of the line box, which is where the layout puts the
// element's top edge. So a data field at (top, left) in its band has its word at
// (10 + top, 10 + left) on a page whose band starts at the top margin.
#pragma once

#include <gtest/gtest.h>

#include <QRectF>
#include <QString>
#include <QStringList>

#include <initializer_list>
#include <vector>

#include "pdf_probe.h"
#include "reports/document.h"
#include "reports/print_target.h"
#include "support/temp_dir.h"

namespace lumiro::printouts::formtest {

using test::PdfPage;
using test::PdfWord;

constexpr double kTolerance = 0.5;  // mm
constexpr double kMargin = 10.0;

// What a test puts into a column, so that each value is one word found by its column's name.
inline QString valueOf(const QString& column) {
    return QStringLiteral("v") + column;
}

inline const PdfWord* word(const PdfPage& page, const QString& text) {
    for (const PdfWord& w : page.words)
        if (w.text == text) return &w;
    return nullptr;
}

// The word's top left corner at the band position, the band starting `bandTop` below the top
// margin.
inline void expectWordAt(const PdfPage& page, const QString& text, double top, double left,
                         double bandTop = 0) {
    const PdfWord* w = word(page, text);
    ASSERT_NE(w, nullptr) << text.toStdString();
    EXPECT_NEAR(w->leftMm(), kMargin + left, kTolerance) << text.toStdString();
    EXPECT_NEAR(w->topMm(), kMargin + bandTop + top, kTolerance) << text.toStdString();
}

// Every given text somewhere on the page (words joined by single spaces).
inline void expectTexts(const PdfPage& page, std::initializer_list<const char*> texts) {
    const QString all = page.text();
    for (const char* fixed : texts) EXPECT_TRUE(all.contains(QString::fromUtf8(fixed))) << fixed;
}

// The words of `text` read back whole, one after the other, inside the cell (mm on the page):
// nothing of it cut off, nothing of it over the cell's rules.
inline void expectWholeIn(const PdfPage& page, const QString& text, const QRectF& cell) {
    SCOPED_TRACE(text.toStdString());
    const QStringList parts = text.split(u' ', Qt::SkipEmptyParts);
    const std::size_t n = std::size_t(parts.size());
    for (std::size_t i = 0; i + n <= page.words.size(); ++i) {
        bool same = true;
        for (std::size_t k = 0; k < n && same; ++k) {
            const PdfWord& w = page.words[i + k];
            same = w.text == parts[qsizetype(k)] && w.bottomMm() > cell.top() - 2 &&
                   w.topMm() < cell.bottom() + 2;
        }
        if (!same) continue;
        EXPECT_GE(page.words[i].leftMm(), cell.left() - 0.05);
        EXPECT_LE(page.words[i + n - 1].rightMm(), cell.right() + 0.05);
        for (std::size_t k = 0; k < n; ++k) {
            EXPECT_GE(page.words[i + k].topMm(), cell.top() - 0.05);
            EXPECT_LE(page.words[i + k].bottomMm(), cell.bottom() + 0.05);
        }
        return;
    }
    ADD_FAILURE() << "not printed whole in its cell: " << text.toStdString();
}

// Writes the pages as the program saves them and reads them back.
class PdfReader {
  public:
    std::vector<PdfPage> read(const reports::Document& document, const char* name) {
        const QString pdf = QString::fromStdString(dir_.file(name));
        const auto status = reports::writePdf(document, pdf, QString::fromLatin1(name));
        EXPECT_TRUE(status.ok()) << status.message().toStdString();
        return test::readPdfWords(pdf);
    }

  private:
    test::TempDir dir_;
};

// How many pages hold the word, and on which one it is first found (-1 when nowhere).
inline int pageOf(const std::vector<PdfPage>& pages, const QString& text, int* count = nullptr) {
    int first = -1, n = 0;
    for (std::size_t p = 0; p < pages.size(); ++p)
        for (const PdfWord& w : pages[p].words)
            if (w.text == text) {
                if (first < 0) first = int(p);
                ++n;
            }
    if (count) *count = n;
    return first;
}

}  // namespace lumiro::printouts::formtest
