#include "printouts/form_drawing.h"

#include <QAbstractTextDocumentLayout>
#include <QFontMetricsF>
#include <QTextDocument>

#include <algorithm>
#include <memory>
#include <vector>

#include "reports/text_measure.h"

namespace lumiro::printouts {
namespace {

// Qt's rich text takes vertical margins in CSS pixels (96 to the inch) but indents in dots of
// the device it is laid out for, the 1200 dpi reference device.
constexpr int kHeadingSpace = 3;  // above a point heading, 0.8 mm
constexpr int kItemIndent = 94;   // the hanging indent of list items, 2.0 mm
constexpr double kColumnGap = 4;  // mm between the columns of a note

double lineHeight(const QFont& font) {
    return QFontMetricsF(font, reports::referenceDevice()).lineSpacing() /
           reports::kReferenceDotsPerMm;
}

// A note's point heading: "7. Podstawa ...".
bool isPointHeading(const QString& line) {
    qsizetype digits = 0;
    while (digits < line.size() && line.at(digits).isDigit()) ++digits;
    return digits > 0 && digits <= 2 && digits + 1 < line.size() && line.at(digits) == u'.' &&
           line.at(digits + 1) == u' ';
}

// A list item: "- ...", "a) ...", "3) ...".
bool isListItem(const QString& line) {
    if (line.startsWith(QStringLiteral("- "))) return true;
    qsizetype marker = 0;
    while (marker < line.size() && line.at(marker).isDigit()) ++marker;
    if (marker == 0 && !line.isEmpty() && line.at(0).isLower()) marker = 1;
    return marker > 0 && marker <= 2 && marker + 1 < line.size() && line.at(marker) == u')' &&
           line.at(marker + 1) == u' ';
}

enum class NoteKind { Heading, Item, Plain };

struct NotePart {
    NoteKind kind;
    QString text;
};

// The note's lines were broken for a text printer: an indented line goes on with the paragraph
// above it, a plain line with a plain paragraph; headings and list items start their own.
std::vector<NotePart> noteParts(const QStringList& lines, QString& subtitle) {
    std::vector<NotePart> parts;
    bool open = false;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QString& line = lines.at(i);
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty()) {
            open = false;
            continue;
        }
        const bool indented = line.startsWith(u' ');
        if (parts.empty() && subtitle.isEmpty() && indented) {
            subtitle = trimmed;  // centred under the title
            continue;
        }
        if (open && (indented || (parts.back().kind == NoteKind::Plain && !isListItem(trimmed) &&
                                  !isPointHeading(trimmed)))) {
            parts.back().text += u' ' + trimmed;
            continue;
        }
        if (isPointHeading(trimmed)) {
            parts.push_back({NoteKind::Heading, trimmed});
            open = false;
        } else {
            parts.push_back({isListItem(trimmed) ? NoteKind::Item : NoteKind::Plain, trimmed});
            open = true;
        }
    }
    return parts;
}

QString partHtml(const NotePart& part) {
    const QString text = part.text.toHtmlEscaped();
    switch (part.kind) {
        case NoteKind::Heading:
            return QStringLiteral("<p style=\"margin-top:%1px; margin-bottom:0\"><b>%2</b></p>")
                .arg(kHeadingSpace)
                .arg(text);
        case NoteKind::Item:
            return QStringLiteral(
                       "<p style=\"margin-top:0; margin-bottom:0; margin-left:%1px; "
                       "text-indent:-%1px\">%2</p>")
                .arg(kItemIndent)
                .arg(text);
        case NoteKind::Plain:
            break;
    }
    return QStringLiteral("<p style=\"margin-top:0; margin-bottom:0\">%1</p>").arg(text);
}

std::unique_ptr<QTextDocument> laidOut(const QString& html, double widthMm, const QFont& font) {
    auto document = std::make_unique<QTextDocument>();
    document->documentLayout()->setPaintDevice(
        const_cast<QPaintDevice*>(reports::referenceDevice()));
    document->setDocumentMargin(0);
    document->setDefaultFont(font);
    document->setTextWidth(widthMm * reports::kReferenceDotsPerMm);
    document->setHtml(html);
    return document;
}

}  // namespace

reports::Element& text(reports::Band& band, double left, double top, const QString& caption,
                       const QFont& font) {
    reports::Element& e = band.addLabel({}, QRectF(left, top, 0, lineHeight(font)), caption);
    e.font = font;
    e.growRight = true;
    return e;
}

reports::Element& textBox(reports::Band& band, const QRectF& box, const QString& caption,
                          Qt::Alignment alignment, const QFont& font, bool wrap) {
    reports::Element& e = band.addLabel({}, box, caption);
    e.font = font;
    e.alignment = alignment;
    e.wordWrap = wrap;
    e.clip = true;
    return e;
}

reports::Element& before(reports::Band& band, double right, double top, const QString& caption,
                         const QFont& font, double gap) {
    // Right-aligned in a box that reaches far enough to the left for any caption of a form.
    const double end = right - gap;
    reports::Element& e = band.addLabel({}, QRectF(end - 190, top, 190, lineHeight(font)), caption);
    e.font = font;
    e.alignment = Qt::AlignRight | Qt::AlignTop;
    return e;
}

reports::Element& field(reports::Band& band, double left, double top, const QString& source,
                        const QString& column, const QFont& font) {
    reports::Element& e = band.addField(column, QPointF(left, top), source, column);
    e.font = font;
    e.rect.setHeight(lineHeight(font));
    return e;
}

reports::Element& captioned(reports::Band& band, double left, double top, const QString& caption,
                            const QString& source, const QString& column, const QFont& font) {
    before(band, left, top, caption);
    return field(band, left, top, source, column, font);
}

void dottedLine(reports::Band& band, double left, double right, double top, const QString& caption,
                const QFont& font) {
    reports::Element& line = band.addRule(QPointF(left, top), QPointF(right, top), 0.25);
    line.penStyle = Qt::DotLine;
    if (!caption.isEmpty())
        textBox(band, QRectF(left, top + 0.6, right - left, 2 * lineHeight(font) + 0.2), caption,
                Qt::AlignHCenter | Qt::AlignTop, font);
}

std::vector<reports::Element*> imprint(reports::Band& band, double top, const QString& formName,
                                       double width) {
    const QFont font = formText(9);
    return {&band.addRule(QPointF(0, top - 0.4), QPointF(width, top - 0.4), 0.15),
            &textBox(band, QRectF(0, top, width / 2, lineHeight(font)), formName,
                     Qt::AlignLeft | Qt::AlignTop, font, false),
            &textBox(band, QRectF(width / 2, top, width / 2, lineHeight(font)),
                     QStringLiteral("VX Bertwald"), Qt::AlignRight | Qt::AlignTop, font, false)};
}

void formPage(reports::Report& report, bool duplex) {
    report.page = reports::PageSetup{};
    report.page.margins = {10, 10, 10, 10};
    report.page.duplex = duplex;
    report.font = formText(11);
}

reports::Element& hline(reports::Band& band, double left, double right, double top, double pen) {
    return band.addRule(QPointF(left, top), QPointF(right, top), pen);
}

reports::Element& vline(reports::Band& band, double left, double top, double bottom, double pen) {
    return band.addRule(QPointF(left, top), QPointF(left, bottom), pen);
}

void captionBox(reports::Band& band, const QRectF& box, const QString& caption, const QFont& font) {
    band.addBox(box, 0.2);
    textBox(band, QRectF(box.left() + 0.4, box.top() + 0.3, box.width() - 0.8, lineHeight(font)),
            caption, Qt::AlignLeft | Qt::AlignTop, font, false);
}

reports::Element& rowCell(reports::Band& band, const QRectF& cell, const QString& column,
                          Qt::Alignment alignment, const QFont& font, QSizeF inset) {
    band.addBox(cell, 0.2);
    reports::Element& e = band.addField(
        column, cell.adjusted(inset.width(), inset.height(), -inset.width(), -inset.height()),
        band.rowSource, column);
    e.font = font;
    e.alignment = alignment;
    e.wordWrap = true;
    e.clip = true;
    return e;
}

QString informationNoteHtml(const QStringList& lines, double widthMm, const QFont& font,
                            bool twoColumns) {
    QString subtitle;
    const std::vector<NotePart> parts = noteParts(lines, subtitle);
    const double columnWidth = twoColumns ? (widthMm - kColumnGap) / 2 : widthMm;

    // Two columns split where the taller of them is lowest, never below a point's heading; a
    // split before a point is preferred while its taller column is not much longer.
    std::size_t split = parts.size();
    if (twoColumns) {
        std::vector<double> above{0};
        for (const NotePart& part : parts)
            above.push_back(above.back() +
                            laidOut(partHtml(part), columnWidth, font)->size().height());
        auto taller = [&](std::size_t k) { return std::max(above[k], above.back() - above[k]); };
        std::size_t atPoint = parts.size();
        for (std::size_t k = 1; k < parts.size(); ++k) {
            if (parts[k - 1].kind == NoteKind::Heading) continue;
            if (split == parts.size() || taller(k) < taller(split)) split = k;
            if (parts[k].kind == NoteKind::Heading &&
                (atPoint == parts.size() || taller(k) < taller(atPoint)))
                atPoint = k;
        }
        if (atPoint < parts.size() && taller(atPoint) <= taller(split) * 1.08) split = atPoint;
    }
    QString left, right;
    for (std::size_t i = 0; i < parts.size(); ++i) (i < split ? left : right) += partHtml(parts[i]);

    QString html = QStringLiteral(
                       "<p align=\"center\" style=\"margin-top:0; margin-bottom:0\">"
                       "<b>INFORMACJA</b></p>"
                       "<p align=\"center\" style=\"margin-top:0; margin-bottom:%1px\">%2</p>")
                       .arg(2 * kHeadingSpace)
                       .arg(subtitle.toHtmlEscaped());
    if (!twoColumns) return html + left;
    const double share = 100.0 * columnWidth / widthMm;
    return html + QStringLiteral(
                      "<table width=\"100%\" cellspacing=\"0\" cellpadding=\"0\"><tr>"
                      "<td width=\"%1%\" valign=\"top\">%3</td><td width=\"%2%\"></td>"
                      "<td width=\"%1%\" valign=\"top\">%4</td></tr></table>")
                      .arg(share, 0, 'f', 2)
                      .arg(100.0 - 2 * share, 0, 'f', 2)
                      .arg(left, right);
}

double richTextHeight(const QString& html, double widthMm, const QFont& font) {
    return laidOut(html, widthMm, font)->size().height() / reports::kReferenceDotsPerMm;
}

}  // namespace lumiro::printouts
