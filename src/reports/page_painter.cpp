#include "reports/page_painter.h"

#include <QAbstractTextDocumentLayout>
#include <QPaintDevice>
#include <QPainter>
#include <QTextDocument>

#include "reports/text_measure.h"

namespace lumiro::reports {

double dotsPerMm(const QPaintDevice& device) {
    return device.logicalDpiX() / 25.4;
}

void paintPage(QPainter& painter, const Page& page, double s) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);

    auto scaled = [s](const QRectF& r) {
        return QRectF(r.x() * s, r.y() * s, r.width() * s, r.height() * s);
    };

    for (const BoxItem& b : page.boxes) {
        if (b.pen > 0) {
            QPen pen(Qt::black, b.pen * s, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin);
            painter.setPen(pen);
        } else {
            painter.setPen(Qt::NoPen);
        }
        painter.setBrush(b.fill.isValid() ? QBrush(b.fill) : QBrush(Qt::NoBrush));
        painter.drawRect(scaled(b.rect));
    }
    painter.setBrush(Qt::NoBrush);

    for (const LineItem& l : page.lines) {
        // Solid rules meet their neighbours at the corners of ruled cells; dotted ones end
        // where they are told.
        QPen pen(Qt::black, l.pen * s, l.style,
                 l.style == Qt::SolidLine ? Qt::SquareCap : Qt::FlatCap);
        painter.setPen(pen);
        painter.drawLine(QLineF(l.line.p1() * s, l.line.p2() * s));
    }

    QRgb color = 0xff000000;
    painter.setPen(QColor(color));
    int font = -1;
    int clip = -1;
    for (const TextItem& t : page.texts) {
        if (t.font != font) {
            painter.setFont(page.fonts[std::size_t(t.font)]);
            font = t.font;
        }
        if (t.color != color) {
            color = t.color;
            painter.setPen(QColor::fromRgba(color));
        }
        if (t.clip != clip) {
            if (t.clip < 0)
                painter.setClipping(false);
            else
                painter.setClipRect(scaled(page.clips[std::size_t(t.clip)]));
            clip = t.clip;
        }
        painter.drawText(t.origin * s, t.text);
    }
    painter.setClipping(false);

    for (const RichItem& r : page.richTexts) {
        painter.save();
        painter.translate(r.rect.topLeft() * s);
        const double toDevice = s / kReferenceDotsPerMm;
        painter.scale(toDevice, toDevice);
        QAbstractTextDocumentLayout::PaintContext context;
        context.palette.setColor(QPalette::Text, Qt::black);
        const QRectF box(0, 0, r.rect.width() * kReferenceDotsPerMm,
                         r.rect.height() * kReferenceDotsPerMm);
        context.clip = box;
        painter.setClipRect(box);
        r.document->documentLayout()->draw(&painter, context);
        painter.restore();
    }
    painter.restore();
}

}  // namespace lumiro::reports
