// What the official forms are drawn with: fixed texts placed before the data fields that
// follow them, the bold data fields that grow to the right, dotted lines with their captions,
// and ruled table cells. Positions are millimetres from the band's top left corner.
#pragma once

#include <QFont>
#include <QString>
#include <QStringList>

#include <vector>

#include "reports/fonts.h"
#include "reports/report.h"

namespace lumiro::printouts {

// The forms' fonts: Times New Roman at the form's pixel sizes.
inline QFont formText(double pixels = 11) {
    return reports::timesFont(pixels);
}
inline QFont formBold(double pixels = 11) {
    return reports::timesFont(pixels, true);
}

// A fixed text whose left edge is at `left`.
reports::Element& text(reports::Band& band, double left, double top, const QString& caption,
                       const QFont& font = formText());
// A fixed text in a box, aligned and wrapped inside it.
reports::Element& textBox(reports::Band& band, const QRectF& box, const QString& caption,
                          Qt::Alignment alignment, const QFont& font = formText(),
                          bool wrap = true);
// A fixed text that ends `gap` mm before `right`: the caption of the data field starting there.
reports::Element& before(reports::Band& band, double right, double top, const QString& caption,
                         const QFont& font = formText(), double gap = 0.6);
// A data field: the column of the source, bold, growing to the right from the point.
reports::Element& field(reports::Band& band, double left, double top, const QString& source,
                        const QString& column, const QFont& font = formBold());
// A data field with its caption ending just before it, as most of the forms' lines go.
reports::Element& captioned(reports::Band& band, double left, double top, const QString& caption,
                            const QString& source, const QString& column,
                            const QFont& font = formBold());
// A dotted line from left to right at `top`, with an optional caption centred below it.
void dottedLine(reports::Band& band, double left, double right, double top,
                const QString& caption = {}, const QFont& font = formText(8));
// The imprint line at the foot of a form: its name at the left, the maker at the right. The
// rule and the two texts are returned, for a layout that moves them.
std::vector<reports::Element*> imprint(reports::Band& band, double top, const QString& formName,
                                       double width = 190);

// The page set-up all the forms share: A4 portrait, 10 mm margins, Times New Roman 11 px.
void formPage(reports::Report& report, bool duplex);

// Horizontal and vertical rules.
reports::Element& hline(reports::Band& band, double left, double right, double top,
                        double pen = 0.2);
reports::Element& vline(reports::Band& band, double left, double top, double bottom,
                        double pen = 0.2);

// A box of the form with its caption in small type at its top left corner; the value goes
// below the caption.
void captionBox(reports::Band& band, const QRectF& box, const QString& caption,
                const QFont& font = formText(8));

// One ruled cell of a row band: the box, and the column of the band's rows inside it, wrapped
// and clipped to the cell so that a row never grows. `inset` is the space kept inside the rule
// (horizontal, vertical).
reports::Element& rowCell(reports::Band& band, const QRectF& cell, const QString& column,
                          Qt::Alignment alignment, const QFont& font, QSizeF inset);

// One of the notes that come with the forms, as HTML for a rich-text field `widthMm` wide in
// `font`: headed "INFORMACJA" and the note's subtitle, the fixed lines joined again into
// paragraphs (point headings bold, list items with hanging indents), in one column or in two of
// about equal height.
QString informationNoteHtml(const QStringList& lines, double widthMm, const QFont& font,
                            bool twoColumns);
// Its height in mm when laid out at `widthMm`, as the page lays it out.
double richTextHeight(const QString& html, double widthMm, const QFont& font);

}  // namespace lumiro::printouts
