#include "printouts/form_drawing.h"

#include <QFontMetricsF>

#include "reports/text_measure.h"

namespace lumiro::printouts {
namespace {

double lineHeight(const QFont& font) {
    return QFontMetricsF(font, reports::referenceDevice()).lineSpacing() /
           reports::kReferenceDotsPerMm;
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

}  // namespace lumiro::printouts
