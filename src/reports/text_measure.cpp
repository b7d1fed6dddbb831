#include "reports/text_measure.h"

#include <QAbstractTextDocumentLayout>
#include <QImage>
#include <QTextDocument>
#include <QTextLayout>
#include <QTextOption>

#include <cmath>

namespace lumiro::reports {

namespace {

constexpr double kMmPerDot = 25.4 / kReferenceDpi;
// Caches of line breaks and rich texts are dropped whole beyond this many entries: the
// forms' texts repeat from page to page, the data fields' values mostly do not.
constexpr qsizetype kCacheLimit = 4096;

}  // namespace

const QPaintDevice* referenceDevice() {
    static const QImage device = [] {
        QImage image(1, 1, QImage::Format_Mono);
        const int dotsPerMeter = int(std::lround(kReferenceDpi / 0.0254));
        image.setDotsPerMeterX(dotsPerMeter);
        image.setDotsPerMeterY(dotsPerMeter);
        return image;
    }();
    return &device;
}

int TextMeasure::fontId(const QFont& font) {
    if (auto it = fontIds_.constFind(font); it != fontIds_.cend()) return it.value();
    QFontMetricsF fm(font, referenceDevice());
    fonts_.push_back(Metrics{font, fm, fm.ascent() * kMmPerDot, fm.lineSpacing() * kMmPerDot});
    const int id = int(fonts_.size() - 1);
    fontIds_.insert(font, id);
    return id;
}

double TextMeasure::width(int id, const QString& text) const {
    return fonts_[std::size_t(id)].metrics.horizontalAdvance(text) * kMmPerDot;
}

const QStringList& TextMeasure::lines(int id, const QString& text, double widthMm, bool wrap) {
    LinesKey key{text, id, qint64(std::llround(widthMm * 1000)), wrap};
    if (auto it = lines_.constFind(key); it != lines_.cend()) return it.value();
    if (lines_.size() >= kCacheLimit) lines_.clear();

    const Metrics& m = fonts_[std::size_t(id)];
    const double widthDots = widthMm / kMmPerDot;
    QStringList out;
    auto chopSpaces = [](QString line) {
        qsizetype end = line.size();
        while (end > 0 && line.at(end - 1).isSpace()) --end;
        line.truncate(end);
        return line;
    };
    for (const QString& paragraph : text.split(QLatin1Char('\n'))) {
        QString para = paragraph;
        if (para.endsWith(QLatin1Char('\r'))) para.chop(1);
        if (!wrap || para.isEmpty() || m.metrics.horizontalAdvance(para) <= widthDots) {
            out.push_back(chopSpaces(para));
            continue;
        }
        QTextLayout layout(para, m.font, referenceDevice());
        QTextOption option;
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        layout.setTextOption(option);
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(widthDots);
            out.push_back(chopSpaces(para.mid(line.textStart(), line.textLength())));
        }
        layout.endLayout();
    }
    return lines_.insert(key, out).value();
}

std::shared_ptr<QTextDocument> TextMeasure::richText(int id, const QString& html, double widthMm) {
    LinesKey key{html, id, qint64(std::llround(widthMm * 1000)), true};
    if (auto it = richTexts_.constFind(key); it != richTexts_.cend()) return it.value();
    if (richTexts_.size() >= kCacheLimit) richTexts_.clear();

    auto document = std::make_shared<QTextDocument>();
    // Laid out for the reference device, so that its lines break as on paper; the painter
    // scales it to the device it paints on.
    document->documentLayout()->setPaintDevice(const_cast<QPaintDevice*>(referenceDevice()));
    document->setDocumentMargin(0);
    document->setDefaultFont(fonts_[std::size_t(id)].font);
    document->setTextWidth(widthMm / kMmPerDot);
    document->setHtml(html);
    return richTexts_.insert(key, document).value();
}

}  // namespace lumiro::reports
