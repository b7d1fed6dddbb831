// Draws the splash picture and the welcome banner. Run make_pictures.sh after a change and
// commit the JPEG files it writes; the build only embeds them.
#include <QtGui/QFont>
#include <QtGui/QGuiApplication>
#include <QtGui/QImage>
#include <QtGui/QLinearGradient>
#include <QtGui/QPainter>
#include <QtGui/QPainterPath>
#include <QtGui/QRadialGradient>

#include <cmath>
#include <cstdio>

namespace {

void drawBackground(QPainter& p, const QSize& size) {
    QLinearGradient sky(0, 0, size.width(), size.height());
    sky.setColorAt(0.0, QColor(0xEE, 0xF4, 0xFB));
    sky.setColorAt(0.55, QColor(0xC9, 0xDC, 0xF0));
    sky.setColorAt(1.0, QColor(0x9F, 0xBF, 0xE2));
    p.fillRect(QRect(QPoint(0, 0), size), sky);

    QRadialGradient glow(size.width() * 0.78, size.height() * 0.25, size.height() * 0.9);
    glow.setColorAt(0.0, QColor(255, 255, 255, 150));
    glow.setColorAt(1.0, QColor(255, 255, 255, 0));
    p.fillRect(QRect(QPoint(0, 0), size), glow);
}

// A quiet lattice of hexagons that fades out to the left, behind the lettering.
void drawLattice(QPainter& p, const QSize& size, double radius) {
    const double w = std::sqrt(3.0) * radius;
    const double h = 1.5 * radius;
    for (int row = -1; row * h < size.height() + radius; ++row) {
        for (int col = -1; col * w < size.width() + w; ++col) {
            const double cx = col * w + (row % 2 ? w / 2 : 0);
            const double cy = row * h;
            const double fade = std::clamp(cx / size.width(), 0.0, 1.0);
            QPainterPath hex;
            for (int k = 0; k < 6; ++k) {
                const double a = M_PI / 180.0 * (60 * k - 30);
                const QPointF pt(cx + radius * 0.92 * std::cos(a),
                                 cy + radius * 0.92 * std::sin(a));
                if (k == 0)
                    hex.moveTo(pt);
                else
                    hex.lineTo(pt);
            }
            hex.closeSubpath();
            p.setPen(QPen(QColor(255, 255, 255, int(40 + 90 * fade)), 1.2));
            p.setBrush(QColor(0x2F, 0x6F, 0xB5, int(6 + 26 * fade * fade)));
            p.drawPath(hex);
        }
    }
}

void drawWord(QPainter& p, const QRectF& box, int pixelSize, const QString& subtitle) {
    QFont font(QStringLiteral("DejaVu Serif"));
    font.setPixelSize(pixelSize);
    font.setItalic(true);
    font.setLetterSpacing(QFont::PercentageSpacing, 104);
    p.setFont(font);
    p.setPen(QColor(255, 255, 255, 160));
    p.drawText(box.translated(1.5, 1.5), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Lumiro"));
    p.setPen(QColor(0x1B, 0x3F, 0x73));
    p.drawText(box, Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Lumiro"));

    if (subtitle.isEmpty()) return;
    QFont small(QStringLiteral("DejaVu Sans"));
    small.setPixelSize(pixelSize / 4);
    small.setLetterSpacing(QFont::PercentageSpacing, 115);
    p.setFont(small);
    p.setPen(QColor(0x2F, 0x55, 0x88));
    p.drawText(box.translated(4, pixelSize * 0.72), Qt::AlignLeft | Qt::AlignVCenter, subtitle);
}

bool draw(const char* file, QSize size, double radius, QRectF wordBox, int wordSize,
          const QString& subtitle) {
    QImage image(size, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    drawBackground(p, size);
    drawLattice(p, size, radius);
    drawWord(p, wordBox, wordSize, subtitle);
    p.end();
    if (!image.save(QString::fromLocal8Bit(file), "JPEG", 86)) {
        std::fprintf(stderr, "cannot write %s\n", file);
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char* argv[]) {
    QGuiApplication app(argc, argv);
    const bool ok = draw("splash.jpg", QSize(480, 270), 26, QRectF(36, 70, 420, 110), 72,
                         QStringLiteral("kapitał początkowy · dokumenty ZUS")) &&
                    draw("welcome.jpg", QSize(760, 150), 22, QRectF(40, 20, 600, 90), 64,
                         QStringLiteral("kartoteka pracowników · wnioski o kapitał początkowy"));
    return ok ? 0 : 1;
}
