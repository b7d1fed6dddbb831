#include "app/splash_window.h"

#include "app/window_placement.h"
#include "platform/gui/jpeg_loader.h"

#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdio>

namespace lumiro::app {
namespace {

constexpr QSize kPictureSize(480, 270);

}  // namespace

Tzero::Tzero(const QImage& picture, QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      budowa_(new QProgressBar(this)) {
    setWindowTitle(QStringLiteral("Dzień dobry"));

    auto* image = new QLabel(this);
    image->setScaledContents(true);
    image->setMinimumSize(kPictureSize);
    image->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    if (!picture.isNull()) image->setPixmap(QPixmap::fromImage(picture));

    auto* name = new QLabel(QStringLiteral("LUMIRO"), this);
    QFont nameFont = name->font();
    nameFont.setBold(true);
    nameFont.setItalic(true);
    nameFont.setPixelSize(22);
    name->setFont(nameFont);
    name->setAlignment(Qt::AlignCenter);
    QPalette namePalette = name->palette();
    namePalette.setColor(QPalette::WindowText, Qt::blue);
    name->setPalette(namePalette);

    budowa_->setRange(0, 100);
    budowa_->setValue(0);
    budowa_->setTextVisible(false);
    budowa_->setFixedHeight(14);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    layout->addWidget(image, 1);
    layout->addWidget(name);
    layout->addWidget(budowa_);
    setFixedSize(layout->sizeHint());
}

QImage Tzero::defaultPicture() {
    try {
        return platform::loadJpeg(QStringLiteral(":/pictures/splash.jpg"));
    } catch (const platform::JpegError& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return {};
    }
}

void Tzero::advance(int step) {
    budowa_->setValue(std::min(budowa_->value() + step, budowa_->maximum()));
    budowa_->repaint();
}

void Tzero::showNow() {
    centerOnScreen(*this);
    show();
    // One pass lets the window system map the window; input is left alone because nothing
    // may react to it before start-up ends.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    repaint();
}

}  // namespace lumiro::app
