#include "app/gauge.h"

#include <QPainter>

#include <algorithm>

namespace lumiro::app {

Gauge::Gauge(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void Gauge::setRange(int minimum, int maximum) {
    minimum_ = minimum;
    maximum_ = std::max(minimum, maximum);
    setProgress(progress_);
}

void Gauge::setProgress(int progress) {
    int clamped = std::clamp(progress, minimum_, maximum_);
    if (clamped == progress_) return;
    progress_ = clamped;
    update();
}

int Gauge::percentDone() const {
    const long long span = static_cast<long long>(maximum_) - minimum_;
    if (span <= 0) return 0;
    return static_cast<int>((static_cast<long long>(progress_) - minimum_) * 100 / span);
}

QSize Gauge::sizeHint() const {
    return {200, fontMetrics().height() + 10};
}

void Gauge::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect frame = rect().adjusted(0, 0, -1, -1);
    const QRect inner = rect().adjusted(1, 1, -1, -1);
    const QColor fill = palette().color(QPalette::Highlight);
    const QColor empty = palette().color(QPalette::Base);

    const int filledWidth = inner.width() * percentDone() / 100;
    const QRect done(inner.left(), inner.top(), filledWidth, inner.height());
    const QRect rest(inner.left() + filledWidth, inner.top(), inner.width() - filledWidth,
                     inner.height());
    painter.fillRect(rest, empty);
    painter.fillRect(done, fill);

    // The text is drawn twice, each time clipped to one part, so that it reads in the
    // contrasting colour wherever the fill edge passes through it.
    const QString text = QString::number(percentDone()) + u'%';
    painter.setFont(font());
    painter.setClipRect(rest);
    painter.setPen(palette().color(QPalette::Text));
    painter.drawText(inner, Qt::AlignCenter, text);
    painter.setClipRect(done);
    painter.setPen(palette().color(QPalette::HighlightedText));
    painter.drawText(inner, Qt::AlignCenter, text);
    painter.setClipping(false);

    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(frame);
}

}  // namespace lumiro::app
