#include "app/progress_window.h"

#include "app/gauge.h"
#include "app/window_placement.h"

#include <QCoreApplication>
#include <QLabel>
#include <QVBoxLayout>

namespace lumiro::app {

TPRACA::TPRACA(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      Etytul_(new QLabel(this)),
      pasek_(new Gauge(this)) {
    setWindowTitle(QStringLiteral("Postęp ..."));
    QFont gaugeFont = pasek_->font();
    gaugeFont.setBold(true);
    gaugeFont.setPixelSize(16);
    pasek_->setFont(gaugeFont);
    pasek_->setFixedHeight(28);
    pasek_->setRange(0, 100);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 10, 12, 12);
    layout->setSpacing(8);
    layout->addWidget(Etytul_);
    layout->addStretch();
    layout->addWidget(pasek_);
    setFixedSize(380, 100);
}

void TPRACA::Start(const QString& title, int maximum) {
    Etytul_->setText(title);
    pasek_->setRange(0, maximum);
    pasek_->setProgress(0);
    centerOnScreen(*this);
    show();
    raise();
    // The caller's loop may run without ever returning to the event loop, so the window
    // must be mapped and painted now; user input stays queued until the work is done.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    repaint();
}

void TPRACA::Postep() {
    pasek_->setProgress(pasek_->progress() + 1);
}

void TPRACA::Stop() {
    pasek_->setProgress(0);
    hide();
}

}  // namespace lumiro::app
