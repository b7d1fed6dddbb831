#include "app/welcome_pictures.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace lumiro::app {
namespace {

struct Tile {
    QColor light;
    QColor dark;
    QString glyph;  // empty: drawn as a shape
};

Tile tileFor(WelcomePicture picture) {
    switch (picture) {
        case WelcomePicture::Law:
            return {QColor(0x5B, 0x8D, 0xD6), QColor(0x24, 0x4F, 0x9A), QStringLiteral("§")};
        case WelcomePicture::Establishing:
            return {QColor(0x4F, 0xB0, 0x9A), QColor(0x1F, 0x72, 0x62), QStringLiteral("Σ")};
        case WelcomePicture::Documentation:
            return {QColor(0xE0, 0xA3, 0x4A), QColor(0xA8, 0x67, 0x1C), {}};
        case WelcomePicture::Workplace:
            return {QColor(0x8C, 0x7A, 0xD0), QColor(0x52, 0x40, 0x94), {}};
        case WelcomePicture::Rules:
            return {QColor(0x6C, 0xB4, 0x52), QColor(0x3A, 0x7A, 0x2A), QStringLiteral("✓")};
        case WelcomePicture::Examples:
            return {QColor(0xD8, 0x6C, 0x6C), QColor(0x9A, 0x34, 0x3C), QStringLiteral("np.")};
        case WelcomePicture::Program:
            return {QColor(0x3F, 0x7F, 0xC8), QColor(0x1B, 0x3F, 0x73), {}};
    }
    return {Qt::gray, Qt::darkGray, {}};
}

void drawDocument(QPainter& p, const QRectF& box) {
    const QRectF page(box.left() + box.width() * 0.27, box.top() + box.height() * 0.18,
                      box.width() * 0.46, box.height() * 0.62);
    const qreal fold = page.width() * 0.3;
    QPainterPath outline;
    outline.moveTo(page.topLeft());
    outline.lineTo(page.right() - fold, page.top());
    outline.lineTo(page.right(), page.top() + fold);
    outline.lineTo(page.bottomRight());
    outline.lineTo(page.bottomLeft());
    outline.closeSubpath();
    p.setBrush(Qt::white);
    p.setPen(Qt::NoPen);
    p.drawPath(outline);
    p.setPen(QPen(QColor(0xA8, 0x67, 0x1C), page.width() * 0.06, Qt::SolidLine, Qt::RoundCap));
    for (int i = 0; i < 4; ++i) {
        const qreal y = page.top() + fold + page.height() * (0.1 + 0.16 * i);
        p.drawLine(QPointF(page.left() + page.width() * 0.18, y),
                   QPointF(page.right() - page.width() * (i == 3 ? 0.4 : 0.18), y));
    }
}

void drawWorkplace(QPainter& p, const QRectF& box) {
    const qreal unit = box.width() / 20.0;
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    const QRectF tall(box.left() + 5 * unit, box.top() + 4 * unit, 6 * unit, 12 * unit);
    const QRectF low(box.left() + 11 * unit, box.top() + 8 * unit, 5 * unit, 8 * unit);
    p.drawRect(tall);
    p.drawRect(low);
    p.setBrush(QColor(0x52, 0x40, 0x94));
    for (int row = 0; row < 4; ++row) {
        for (int col = 0; col < 2; ++col) {
            p.drawRect(QRectF(tall.left() + (1 + col * 2.5) * unit,
                              tall.top() + (1 + row * 2.5) * unit, 1.5 * unit, 1.5 * unit));
        }
    }
    for (int row = 0; row < 2; ++row) {
        p.drawRect(QRectF(low.left() + 1.5 * unit, low.top() + (1 + row * 2.5) * unit, 2 * unit,
                          1.5 * unit));
    }
    p.drawRect(QRectF(low.left() + 1.5 * unit, low.bottom() - 2.5 * unit, 2 * unit, 2.5 * unit));
}

void drawCards(QPainter& p, const QRectF& box) {
    const qreal unit = box.width() / 20.0;
    p.setPen(QPen(QColor(0x1B, 0x3F, 0x73), unit * 0.4));
    for (int i = 2; i >= 0; --i) {
        const QRectF card(box.left() + (4 + i * 1.2) * unit, box.top() + (5 - i * 1.2) * unit,
                          11 * unit, 8 * unit);
        p.setBrush(i == 0 ? QColor(Qt::white) : QColor(0xDC, 0xE8, 0xF6));
        p.drawRoundedRect(card, unit * 0.8, unit * 0.8);
        if (i != 0) continue;
        p.setBrush(QColor(0x3F, 0x7F, 0xC8));
        p.setPen(Qt::NoPen);
        p.drawEllipse(
            QRectF(card.left() + 1.5 * unit, card.top() + 1.4 * unit, 2.6 * unit, 2.6 * unit));
        p.drawChord(
            QRectF(card.left() + 0.9 * unit, card.top() + 4.2 * unit, 3.8 * unit, 4.6 * unit), 0,
            180 * 16);
        p.setPen(QPen(QColor(0x9F, 0xBF, 0xE2), unit * 0.7, Qt::SolidLine, Qt::RoundCap));
        for (int line = 0; line < 3; ++line) {
            const qreal y = card.top() + (2 + line * 2) * unit;
            p.drawLine(QPointF(card.left() + 5.5 * unit, y),
                       QPointF(card.right() - (line == 2 ? 3 : 1.5) * unit, y));
        }
    }
}

}  // namespace

QPixmap drawWelcomePicture(WelcomePicture picture, int size, qreal scale) {
    QPixmap pixmap(QSize(size, size) * scale);
    pixmap.setDevicePixelRatio(scale);
    pixmap.fill(Qt::transparent);
    const Tile tile = tileFor(picture);
    const QRectF box(0, 0, size, size);

    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    QLinearGradient fill(box.topLeft(), box.bottomRight());
    fill.setColorAt(0.0, tile.light);
    fill.setColorAt(1.0, tile.dark);
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawRoundedRect(box.adjusted(1, 1, -1, -1), size * 0.18, size * 0.18);

    if (!tile.glyph.isEmpty()) {
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setBold(true);
        font.setPixelSize(tile.glyph.size() > 1 ? size * 36 / 100 : size * 56 / 100);
        p.setFont(font);
        p.setPen(Qt::white);
        p.drawText(box, Qt::AlignCenter, tile.glyph);
    } else if (picture == WelcomePicture::Documentation) {
        drawDocument(p, box);
    } else if (picture == WelcomePicture::Workplace) {
        drawWorkplace(p, box);
    } else {
        drawCards(p, box);
    }
    return pixmap;
}

}  // namespace lumiro::app
