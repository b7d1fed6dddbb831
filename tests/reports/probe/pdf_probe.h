// Reads PDF files back with poppler's command-line tools, as a user's PDF reader would.
#pragma once

#include <QString>
#include <QStringList>

#include <vector>

namespace lumiro::test {

// A word as `pdftotext -bbox` reports it, in PDF points from the page's top left corner:
// xMin is where the first glyph's origin lies, yMin is the baseline less the font's ascent
// (the top of the line box, not of the ink) and yMax the baseline plus the descent.
struct PdfWord {
    double xMin, yMin, xMax, yMax;
    QString text;

    static double toMm(double points) { return points / 72.0 * 25.4; }
    double leftMm() const { return toMm(xMin); }
    double rightMm() const { return toMm(xMax); }
    double topMm() const { return toMm(yMin); }
    double bottomMm() const { return toMm(yMax); }
};

struct PdfPage {
    double widthMm = 0, heightMm = 0;
    std::vector<PdfWord> words;

    // Words with exactly this text, in reading order.
    std::vector<PdfWord> find(const QString& text) const;
    QString text() const;  // the words joined by spaces
};

struct PdfFont {
    QString name, type;
    bool embedded = false;
    bool unicode = false;  // a ToUnicode map: the text can be searched and copied
};

// Every page of the file; an empty list when pdftotext fails (the test then fails too).
std::vector<PdfPage> readPdfWords(const QString& path);
// `pdftotext -layout` of the whole file.
QString readPdfText(const QString& path);
std::vector<PdfFont> readPdfFonts(const QString& path);
// `pdfinfo`'s "Pages:".
int pdfPageCount(const QString& path);
// One field of `pdfinfo`'s answer ("Title", "Author", "Creator"), empty when absent.
QString pdfInfo(const QString& path, const QString& field);
// Renders one page to PNG with pdftoppm at `dpi`; returns the PNG's path or empty.
QString renderPdfPage(const QString& pdf, int page, int dpi, const QString& outputStem);

}  // namespace lumiro::test
