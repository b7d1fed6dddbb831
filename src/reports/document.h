// Laid-out pages: what a run of a report produces and what every device paints. All
// positions are millimetres from the paper's top left corner, whatever the device.
#pragma once

#include <QColor>
#include <QFont>
#include <QLineF>
#include <QRectF>
#include <QString>

#include <memory>
#include <vector>

class QTextDocument;

namespace lumiro::reports {

struct Margins {
    double top = 10, bottom = 10, left = 10, right = 10;
};

struct PageSetup {
    double paperWidth = 210, paperHeight = 297;  // A4 portrait
    Margins margins;
    bool duplex = false;  // the printer is asked to print both sides of the sheet
};

// One line of text. `origin` is the start of its baseline; the line's box starts `ascent`
// above it (the font's ascent), which is where the layout put the element's top edge.
struct TextItem {
    QPointF origin;
    QString text;
    int font = 0;   // index into Page::fonts
    int clip = -1;  // index into Page::clips, or -1
    QRgb color = 0xff000000;
};

struct LineItem {
    QLineF line;
    double pen = 0.2;
    Qt::PenStyle style = Qt::SolidLine;
};

struct BoxItem {
    QRectF rect;
    double pen = 0.2;  // 0: no outline
    QColor fill;       // invalid: no fill
};

// Rich text, laid out for the reference device (see text_measure.h) at the box's width and
// clipped to the box.
struct RichItem {
    QRectF rect;
    std::shared_ptr<QTextDocument> document;
};

// Painted in this order: boxes, lines, texts, rich text.
struct Page {
    double width = 210, height = 297;
    bool duplex = false;
    std::vector<QFont> fonts;
    std::vector<QRectF> clips;
    std::vector<BoxItem> boxes;
    std::vector<LineItem> lines;
    std::vector<TextItem> texts;
    std::vector<RichItem> richTexts;

    // Every text of the page, lines of plain text first, one per line; for tests and checks.
    QString plainText() const;
};

struct Document {
    std::vector<Page> pages;

    void append(Document&& other);
    bool empty() const { return pages.empty(); }
    // A job asks for duplex when its first page does (one report per job in the program).
    bool duplex() const { return !pages.empty() && pages.front().duplex; }
};

}  // namespace lumiro::reports
